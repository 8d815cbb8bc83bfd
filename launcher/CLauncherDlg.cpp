#include "CLauncherDlg.h"

#include "../controls/DelayRules.h"
#include "../framework/AfxGetProcAddress.h"
#include "../framework/CClientDC.h"
#include "../framework/CPaintDC.h"
#include "../framework/CWinApp.h"
#include "CAboutDlg.h"
#include "ContrastRules.h"
#include "LauncherRules.h"
#include "Settings.h"
#include "ViewRules.h"

namespace {
// Imported, shell32 and the DLLs it pulls in would load before the window
// shows; loaded at the first launch instead, it stays, as an import would.
HINSTANCE ShellExecuteNero(LPCWSTR pszParameters)
{
    typedef HINSTANCE(WINAPI * ShellExecuteFn)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    const auto pfn = AfxGetProcAddress<ShellExecuteFn>(::LoadLibraryW(L"shell32.dll"), "ShellExecuteW");
    return pfn ? pfn(nullptr, nullptr, L"nero.exe", pszParameters, nullptr, SW_SHOWNORMAL) : nullptr;
}
} // namespace

CLauncherDlg::CLauncherDlg(CWnd* pParent) : CDialog(IDD, pParent)
{
    LPCWSTR pszIcon = MAKEINTRESOURCEW(IDI_APP);
    m_hIcon = ::LoadIconW(AfxFindResourceHandle(pszIcon, RT_GROUP_ICON), pszIcon);
}

void CLauncherDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_DELAY_LABEL, m_delayLabel);
    DDX_Control(pDX, IDC_DEFAULT_PROGRAM, m_defaultCombo);
    DDX_Control(pDX, IDC_RUN_EXPRESS, m_launchExpressButton);
    DDX_Control(pDX, IDC_RUN_NERO, m_launchNeroButton);
    DDX_Control(pDX, IDC_CLOSE_AFTER, m_closeAfterCheck);
    DDX_Control(pDX, IDC_AUTORUN, m_autorunCheck);
    DDX_Control(pDX, IDC_DELAY, m_delayEdit);
    DDX_Control(pDX, IDC_DELAY_SPIN, m_delaySpin);
    DDX_Control(pDX, IDC_AUTORUN_PROGRAM, m_autorunCombo);
    DDX_Control(pDX, IDC_TOGGLE_VIEW, m_toggleViewButton);
}

// The routing table: every message and notification this window handles.
bool CLauncherDlg::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& rResult)
{
    switch (msg) {
    case WM_SYSCOMMAND:
        return OnSysCommand(static_cast<UINT>(wParam), lParam);
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        rResult = reinterpret_cast<LRESULT>(OnQueryDragIcon());
        return true;
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam)))
            return true;
        break;
    case WM_CLOSE:
        OnClose();
        return true;
    case WM_QUERYENDSESSION:
        rResult = OnQueryEndSession();
        return true;
    case WM_ENDSESSION:
        OnEndSession(wParam != FALSE);
        return true;
    case WM_TIMER:
        return OnTimer(wParam);
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        OnSysColorChange();
        return false;
    case WM_LBUTTONDOWN:
        OnLButtonDown();
        return false;
    case WM_ERASEBKGND: {
        CDC dc(reinterpret_cast<HDC>(wParam));
        rResult = OnEraseBkgnd(&dc);
        return true;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
        CDC dc(reinterpret_cast<HDC>(wParam));
        rResult = reinterpret_cast<LRESULT>(OnCtlColor(&dc, reinterpret_cast<HWND>(lParam), msg - WM_CTLCOLORMSGBOX));
        return true;
    }
    }
    return CDialog::OnWndMsg(msg, wParam, lParam, rResult);
}

bool CLauncherDlg::OnCommand(UINT nID, UINT nCode)
{
    if (nCode == BN_CLICKED) {
        switch (nID) {
        case IDC_RUN_NERO:
            OnLaunchNero();
            return true;
        case IDC_RUN_EXPRESS:
            OnLaunchExpress();
            return true;
        case IDC_TOGGLE_VIEW:
            OnToggleView();
            return true;
        case IDC_AUTORUN:
            OnAutorunClicked();
            return true;
        case IDC_CLOSE_AFTER:
            StopCountdown();
            return true;
        }
    }
    if (nCode == CBN_SETFOCUS && (nID == IDC_DEFAULT_PROGRAM || nID == IDC_AUTORUN_PROGRAM)) {
        StopCountdown();
        return true;
    }
    return false;
}

BOOL CLauncherDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    AddAboutMenuEntry();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    const OptionEntry options[] = {
        {OPT_NERO, OPT_NERO}, {OPT_EXPRESS, OPT_EXPRESS}, {OPT_LAST_USED, OPT_LAST_USED}, {0, 0}};

    CString strTitle;
    strTitle.LoadString(IDS_APP_TITLE);
    SetWindowText(strTitle);

    CProfileSection profile(AfxGetApp(), SETTINGS_SECTION);
    const SettingValues stored = ReadSettings(profile, m_bExpanded, m_nLastUsed);

    m_autorunCombo.FillFromTable(options);
    m_autorunCombo.SelectByItemData(static_cast<DWORD>(stored.selectedOption));
    m_defaultCombo.FillFromTable(options);
    m_defaultCombo.SelectByItemData(static_cast<DWORD>(stored.selectedOptionNoTimer));

    // The box shows the delay clamped; the first countdown runs on the stored value.
    m_nSecondsLeft = stored.waitSeconds;
    CString strDelay;
    strDelay.Format(L"%d", stored.waitSeconds);
    m_delayEdit.SetWindowText(strDelay);
    m_delaySpin.SetRange(DELAY_MIN, DELAY_MAX);

    m_closeAfterCheck.SetCheck(stored.closeAfter);
    m_autorunCheck.SetCheck(stored.enableAutorun);
    m_bExpanded = stored.expanded;
    m_nLastUsed = stored.lastUsed;

    SetViewLayout(this, IDC_MARK_SIMPLE, IDC_MARK_ADVANCED, IDS_VIEW_TOGGLE, TRUE);
    m_bHighContrast = HighContrastOn();
    LoadBackground();
    UpdateTimerControls();

    if (m_autorunCheck.GetCheck())
        ArmCountdown();

    ChooseDefaultButton();
    return FALSE; // the focus is set
}

// The text first: without one there is no entry, and the system menu is left
// alone, since making the window's own copy of it costs the start-up time.
void CLauncherDlg::AddAboutMenuEntry()
{
    CString strAbout;
    strAbout.LoadString(IDS_ABOUT_MENU);
    if (strAbout.IsEmpty())
        return;
    HMENU hSysMenu = ::GetSystemMenu(m_hWnd, FALSE);
    if (!hSysMenu)
        return;
    ::AppendMenuW(hSysMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(hSysMenu, MF_STRING, IDM_ABOUT, strAbout);
}

// The default program's button is the dialog's default push button and has
// the focus, so Enter starts that program as a click on it would.
void CLauncherDlg::ChooseDefaultButton()
{
    const bool bExpress = ExpressIsDefault(static_cast<int>(m_defaultCombo.GetSelectedItemData()), m_nLastUsed);
    CButton& button = bExpress ? m_launchExpressButton : m_launchNeroButton;
    SendMessage(DM_SETDEFID, static_cast<WPARAM>(::GetDlgCtrlID(button.m_hWnd)));
    const LONG_PTR style = ::GetWindowLongPtrW(button.m_hWnd, GWL_STYLE);
    button.SendMessage(BM_SETSTYLE, (style & 0xFF) | BS_DEFPUSHBUTTON, 0);
    ::SetFocus(button.m_hWnd);
}

// IDOK never closes the launcher; Enter presses the default button instead.
void CLauncherDlg::OnOK() {}

// Escape only stops a running countdown.
void CLauncherDlg::OnCancel() { StopCountdown(); }

// Close-with-save: the only way this window ends.
void CLauncherDlg::OnClose()
{
    StopCountdown();
    SaveSettings();
    CDialog::OnOK();
}

// The system asks whether the session may end. It always may; but nothing
// should start while it ends, so a running countdown stops here.
BOOL CLauncherDlg::OnQueryEndSession()
{
    StopCountdown();
    return TRUE;
}

// At logoff or shutdown the process ends without WM_CLOSE: what close-with-save
// would have written is written now.
void CLauncherDlg::OnEndSession(bool bEnding)
{
    if (!bEnding)
        return;
    StopCountdown();
    SaveSettings();
}

// The seven settings from what the window shows, in their fixed order.
void CLauncherDlg::SaveSettings()
{
    CString strDelay;
    m_delayEdit.GetWindowText(strDelay);
    SettingValues current;
    current.waitSeconds = ParseDecimal(strDelay);
    current.closeAfter = m_closeAfterCheck.GetCheck();
    current.enableAutorun = m_autorunCheck.GetCheck();
    current.selectedOption = static_cast<int>(m_autorunCombo.GetSelectedItemData());
    current.selectedOptionNoTimer = static_cast<int>(m_defaultCombo.GetSelectedItemData());
    current.expanded = m_bExpanded;
    current.lastUsed = m_nLastUsed;
    CProfileSection profile(AfxGetApp(), SETTINGS_SECTION);
    WriteSettings(profile, current);
}

// WM_SYSCOMMAND: the About command, whatever menu or message sends it.
bool CLauncherDlg::OnSysCommand(UINT nID, LPARAM)
{
    if ((nID & 0xFFF0) != IDM_ABOUT)
        return false;
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
    return true;
}

// ---- Launching ----------------------------------------------------------

// BN_CLICKED of the Nero button, or the countdown running out on it.
void CLauncherDlg::OnLaunchNero() { Launch(OPT_NERO, nullptr, IDS_NERO_FAILED); }

// BN_CLICKED of the Nero Express button, or the countdown running out on it.
void CLauncherDlg::OnLaunchExpress() { Launch(OPT_EXPRESS, L"-w", IDS_EXPRESS_FAILED); }

// The attempt counts as the last used program even when it fails, so the
// user's retry and the next start remember what was asked for.
void CLauncherDlg::Launch(int nOption, LPCWSTR pszParameters, UINT nIDFailure)
{
    StopCountdown();
    m_nLastUsed = nOption;
    const HINSTANCE hResult = ShellExecuteNero(pszParameters);
    if (LaunchFailed(reinterpret_cast<INT_PTR>(hResult))) {
        AfxMessageBox(nIDFailure, MB_OK, 0);
        return;
    }
    if (m_closeAfterCheck.GetCheck())
        OnClose();
}

// ---- Countdown ----------------------------------------------------------

// Runs once, during initialisation, when auto-run is checked. A choice that
// names no program arms nothing: the window stays for the user to choose
// instead of closing with nothing started.
void CLauncherDlg::ArmCountdown()
{
    m_nAutorunTarget = ResolveOption(static_cast<int>(m_autorunCombo.GetSelectedItemData()), m_nLastUsed);
    if (m_nAutorunTarget == OPT_NERO)
        m_pCountdownButton = &m_launchNeroButton;
    else if (m_nAutorunTarget == OPT_EXPRESS)
        m_pCountdownButton = &m_launchExpressButton;
    if (!m_pCountdownButton)
        return;
    m_pCountdownButton->GetWindowText(m_strSavedCaption);
    if (!::SetTimer(m_hWnd, ID_AUTORUN_TIMER, AUTORUN_PERIOD_MS, nullptr)) {
        AfxMessageBox(IDS_TIMER_FAILED);
        OnClose();
        return;
    }
    ShowCountdown(m_nSecondsLeft);
}

void CLauncherDlg::ShowCountdown(int nSeconds)
{
    if (!m_pCountdownButton)
        return;
    CString strCount;
    strCount.Format(L"   [%d]", nSeconds);
    CString strCaption(m_strSavedCaption);
    strCaption += strCount;
    m_pCountdownButton->SetWindowText(strCaption);
}

// Safe at any time and any number of times; nothing re-arms the countdown.
void CLauncherDlg::StopCountdown()
{
    ::KillTimer(m_hWnd, ID_AUTORUN_TIMER);
    if (m_pCountdownButton)
        m_pCountdownButton->SetWindowText(m_strSavedCaption);
}

// WM_TIMER: one second of the countdown has passed.
bool CLauncherDlg::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != ID_AUTORUN_TIMER)
        return false;
    if (!CountdownTick(m_nSecondsLeft)) {
        ShowCountdown(m_nSecondsLeft);
        return false;
    }
    if (m_nAutorunTarget == OPT_NERO)
        OnLaunchNero();
    else if (m_nAutorunTarget == OPT_EXPRESS)
        OnLaunchExpress();
    // The window goes once the countdown has run out, whatever the launch did.
    OnClose();
    return true;
}

// WM_LBUTTONDOWN on the dialog's own surface.
void CLauncherDlg::OnLButtonDown() { StopCountdown(); }

// ---- Views --------------------------------------------------------------

// BN_CLICKED of the toggle button.
void CLauncherDlg::OnToggleView()
{
    StopCountdown();
    SetViewLayout(this, IDC_MARK_SIMPLE, IDC_MARK_ADVANCED, IDS_VIEW_TOGGLE, FALSE);
    UpdateTimerControls();
}

// BN_CLICKED of the auto-run box; the box toggles itself.
void CLauncherDlg::OnAutorunClicked()
{
    StopCountdown();
    UpdateTimerControls();
}

// The window ends at a marker's top edge; every child below it is disabled so
// that neither the mouse nor the keyboard reaches what the window cuts off.
void CLauncherDlg::SetViewLayout(CWnd* pWnd, UINT nSimpleMarkId, UINT nAdvancedMarkId, UINT nCaptionsId,
                                 BOOL bUseStored)
{
    CString strCaptions, strToAdvanced, strToSimple, strCurrent;
    strCaptions.LoadString(nCaptionsId);
    AfxExtractSubString(strToAdvanced, strCaptions, 0, L'\n');
    AfxExtractSubString(strToSimple, strCaptions, 1, L'\n');
    m_toggleViewButton.GetWindowText(strCurrent);
    const bool bAdvanced = bUseStored ? m_bExpanded != 0 : strCurrent == strToAdvanced;

    RECT rcDlg;
    pWnd->GetWindowRect(&rcDlg);
    if (!bUseStored)
        m_bExpanded = bAdvanced ? 1 : 0;
    m_toggleViewButton.SetWindowText(bAdvanced ? strToSimple : strToAdvanced);
    RECT rcMark;
    ::GetWindowRect(pWnd->GetDlgItem(static_cast<int>(bAdvanced ? nAdvancedMarkId : nSimpleMarkId)), &rcMark);
    const int nHeight = ViewHeight(rcMark.top, rcDlg.top);
    pWnd->SetWindowPos(nullptr, 0, 0, rcDlg.right - rcDlg.left, nHeight, SWP_NOMOVE | SWP_NOZORDER);

    for (HWND hChild = ::GetWindow(pWnd->m_hWnd, GW_CHILD); hChild; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        RECT rcChild;
        ::GetWindowRect(hChild, &rcChild);
        ::EnableWindow(hChild, ChildInsideView(rcChild.top, rcDlg.top, nHeight));
    }
    // Disabling the focused control leaves no focus at all.
    if (!::GetFocus())
        ::SetFocus(::GetNextDlgTabItem(pWnd->m_hWnd, nullptr, FALSE));
}

// The delay and auto-run program controls follow the auto-run box, and only
// in the advanced view, where they are inside the window.
void CLauncherDlg::UpdateTimerControls()
{
    if (!m_bExpanded)
        return;
    const BOOL bEnable = m_autorunCheck.GetCheck() != BST_UNCHECKED;
    m_delayEdit.EnableWindow(bEnable);
    m_delaySpin.EnableWindow(bEnable);
    m_autorunCombo.EnableWindow(bEnable);
    m_delayLabel.EnableWindow(bEnable);
}

// ---- Painting -----------------------------------------------------------

// The picture is drawn for 96 DPI. At other scalings it grows with the
// window's layout, so the window shows the same share of it, only larger.
void CLauncherDlg::LoadBackground()
{
    LPCWSTR pszBackground = MAKEINTRESOURCEW(IDB_BACKGROUND);
    m_bmpBackground.Attach(::LoadBitmapW(AfxFindResourceHandle(pszBackground, RT_BITMAP), pszBackground));
    CClientDC dc(this);
    const int nDpiX = dc.GetDeviceCaps(LOGPIXELSX), nDpiY = dc.GetDeviceCaps(LOGPIXELSY);
    if (nDpiX != DEFAULT_DPI || nDpiY != DEFAULT_DPI)
        ScaleBackground(&dc, nDpiX, nDpiY);
}

// Replaces the picture with a smoothed copy grown to the DPI; where no copy can
// be made, the picture as it is beats none.
void CLauncherDlg::ScaleBackground(CDC* pDC, int nDpiX, int nDpiY)
{
    BITMAP bm;
    if (!m_bmpBackground.GetBitmap(&bm))
        return;
    const int cx = ScaleForDpi(bm.bmWidth, nDpiX), cy = ScaleForDpi(bm.bmHeight, nDpiY);
    CBitmap scaled;
    CDC dcFrom, dcTo;
    if (!scaled.CreateCompatibleBitmap(pDC, cx, cy) || !dcFrom.CreateCompatibleDC(pDC) || !dcTo.CreateCompatibleDC(pDC))
        return;
    const HGDIOBJ hOldFrom = dcFrom.SelectObject(m_bmpBackground);
    const HGDIOBJ hOldTo = dcTo.SelectObject(scaled);
    // Halftone smooths rather than repeating pixels; it wants the brush origin set.
    dcTo.SetStretchBltMode(HALFTONE);
    dcTo.SetBrushOrg(0, 0);
    const BOOL bScaled = dcTo.StretchBlt(0, 0, cx, cy, &dcFrom, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    dcFrom.SelectObject(hOldFrom);
    dcTo.SelectObject(hOldTo);
    if (bScaled)
        m_bmpBackground.Attach(scaled.Detach());
}

// WM_ERASEBKGND: the picture tiled from the top-left corner, copied as it is.
BOOL CLauncherDlg::OnEraseBkgnd(CDC* pDC)
{
    RECT rcClient;
    GetClientRect(&rcClient);
    BITMAP bm;
    m_bmpBackground.GetBitmap(&bm);
    if (m_bHighContrast || bm.bmWidth <= 0 || bm.bmHeight <= 0) {
        // High contrast, or no picture: a plain dialog face.
        pDC->FillRect(&rcClient, ::GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
    }
    CDC dcMem;
    if (!dcMem.CreateCompatibleDC(pDC))
        return TRUE;
    const HGDIOBJ hOld = dcMem.SelectObject(m_bmpBackground);
    if (hOld) {
        const int cw = rcClient.right, ch = rcClient.bottom;
        ForEachTile(cw, ch, bm.bmWidth, bm.bmHeight,
                    [&](int x, int y) { pDC->BitBlt(x, y, cw, ch, &dcMem, 0, 0, SRCCOPY); });
        dcMem.SelectObject(hOld);
    }
    return TRUE;
}

// Colour requests: labels and check boxes draw black text straight onto the
// picture; in high contrast every control takes the system's colours.
HBRUSH CLauncherDlg::OnCtlColor(CDC* pDC, HWND hCtl, UINT nCtlColor)
{
    if (m_bHighContrast)
        return CDialog::OnCtlColor(pDC, hCtl, nCtlColor);
    if (nCtlColor == CTLCOLOR_STATIC) {
        pDC->SetTextColor(RGB(0, 0, 0));
        const HBRUSH hBrush = static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
        pDC->SetBkMode(TRANSPARENT);
        return hBrush;
    }
    const HBRUSH hBrush = CDialog::OnCtlColor(pDC, hCtl, nCtlColor);
    pDC->SetBkMode(TRANSPARENT);
    return hBrush;
}

// Whether high contrast is on, asked anew each time.
bool CLauncherDlg::HighContrastOn()
{
    HIGHCONTRASTW hc = {sizeof(hc), 0, nullptr};
    const BOOL bQueried = ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(hc), &hc, 0);
    return !ShowsPicture(bQueried != FALSE, hc.dwFlags);
}

// WM_SYSCOLORCHANGE or WM_SETTINGCHANGE: high contrast may have come or gone,
// and the whole window is drawn anew in the other look.
void CLauncherDlg::OnSysColorChange()
{
    const bool bHighContrast = HighContrastOn();
    if (bHighContrast == m_bHighContrast)
        return;
    m_bHighContrast = bHighContrast;
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// WM_PAINT: only the minimised window draws something of its own, the icon.
bool CLauncherDlg::OnPaint()
{
    if (!IsIconic())
        return false;
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    RECT rc;
    GetClientRect(&rc);
    const IconOrigin at = CenteredIcon(rc.right - rc.left, rc.bottom - rc.top, ::GetSystemMetrics(SM_CXICON),
                                       ::GetSystemMetrics(SM_CYICON));
    dc.DrawIcon(at.x, at.y, m_hIcon);
    return true;
}

HCURSOR CLauncherDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }
