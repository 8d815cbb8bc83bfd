#include "CDialog.h"

#include <commctrl.h>

#include "CDC.h"
#include "CWinApp.h"

namespace {
// Messages whose result a dialog procedure returns directly instead of
// through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT msg)
{
    return (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) || msg == WM_QUERYDRAGICON || msg == WM_INITDIALOG ||
           msg == WM_COMPAREITEM || msg == WM_VKEYTOITEM || msg == WM_CHARTOITEM;
}
} // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_hWndParent(pParentWnd ? pParentWnd->m_hWnd : nullptr)
{
}

INT_PTR CDialog::DoModal()
{
    // Templates may hold up-down controls; their class must exist first.
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&icc);
    m_bEnded = false;
    LPCWSTR pszTemplate = MAKEINTRESOURCEW(m_nIDTemplate);
    return ::DialogBoxParamW(AfxFindResourceHandle(pszTemplate, RT_DIALOG), pszTemplate, GetOwner(), &CDialog::DlgProc,
                             reinterpret_cast<LPARAM>(this));
}

// Without a parent of its own, a dialog belongs to the main window (the About
// box to the launcher), which it disables while it runs; the main window
// itself has no owner.
HWND CDialog::GetOwner() const
{
    if (m_hWndParent)
        return m_hWndParent;
    CWnd* pMain = AfxGetMainWnd();
    return pMain && pMain != this ? pMain->m_hWnd : nullptr;
}

void CDialog::EndDialog(int nResult)
{
    m_bEnded = true;
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx = {this, bSaveAndValidate};
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

bool CDialog::OnWndMsg(UINT msg, WPARAM wParam, LPARAM, LRESULT&)
{
    if (msg != WM_COMMAND || HIWORD(wParam) != BN_CLICKED)
        return false;
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    }
    return false;
}

HBRUSH CDialog::OnCtlColor(CDC* pDC, HWND hCtl, UINT nCtlColor)
{
    // Called from inside the dialog procedure, so DefDlgProc would recurse;
    // for colour requests it defers to DefWindowProc anyway.
    return reinterpret_cast<HBRUSH>(::DefWindowProcW(m_hWnd, WM_CTLCOLORMSGBOX + nCtlColor,
                                                     reinterpret_cast<WPARAM>(pDC->GetSafeHdc()),
                                                     reinterpret_cast<LPARAM>(hCtl)));
}

BOOL CDialog::HandleInitDialog()
{
    RECT rcBefore;
    GetWindowRect(&rcBefore);
    const BOOL bResult = OnInitDialog();
    RECT rcAfter;
    GetWindowRect(&rcAfter);
    // A dialog that initialisation did not place opens centred.
    if (!m_bEnded && rcBefore.left == rcAfter.left && rcBefore.top == rcAfter.top)
        CenterWindow();
    return bResult;
}

// Over the owner when it shows, else on the screen; always kept on the screen.
void CDialog::CenterWindow()
{
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    if (!::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &mi))
        return;
    const RECT& area = mi.rcWork;
    RECT target = area;
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner))
        ::GetWindowRect(hOwner, &target);
    RECT rc;
    GetWindowRect(&rc);
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    int x = (target.left + target.right - cx) / 2;
    int y = (target.top + target.bottom - cy) / 2;
    x = x + cx > area.right ? area.right - cx : x;
    y = y + cy > area.bottom ? area.bottom - cy : y;
    x = x < area.left ? area.left : x;
    y = y < area.top ? area.top : y;
    SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK CDialog::DlgProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The dialog's object is found in the program's own map, never through
    // anything stored on the window, which another process could change.
    CHandleMap* pMap = AfxGetHandleMap();
    if (!pMap)
        return FALSE;
    if (msg == WM_INITDIALOG) {
        CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
        pDlg->m_hWnd = hWnd;
        pMap->SetPermanent(hWnd, pDlg);
        return pDlg->HandleInitDialog();
    }
    CDialog* pDlg = static_cast<CDialog*>(pMap->LookupPermanent(hWnd));
    if (!pDlg)
        return FALSE;
    if (msg == WM_NCDESTROY) {
        pMap->RemoveHandle(hWnd);
        pDlg->m_hWnd = nullptr;
        return FALSE;
    }
    // A control's object sees its own notifications first.
    if (msg == WM_COMMAND && lParam) {
        CWnd* pChild = CWnd::FromHandlePermanent(reinterpret_cast<HWND>(lParam));
        if (pChild && pChild->OnChildNotify(HIWORD(wParam)))
            return TRUE;
    }
    LRESULT lResult = 0;
    if (!pDlg->OnWndMsg(msg, wParam, lParam, lResult))
        return FALSE;
    if (ReturnsResultDirectly(msg))
        return static_cast<INT_PTR>(lResult);
    ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, lResult);
    return TRUE;
}
