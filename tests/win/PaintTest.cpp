// The launcher's look on real device contexts: the tiled picture, labels and
// check boxes drawn over it, colour requests, the icon, and no drawing object
// left behind however often the window is painted.
#include <gtest/gtest.h>

#include <vector>

#include "WinTestSupport.h"
#include "launcher/CLauncherDlg.h"

namespace {

struct PaintDlg : CLauncherDlg {
    using CLauncherDlg::m_bmpBackground;
};

// A top-down 32-bit memory surface with its own device context.
class Canvas {
public:
    Canvas(int w, int h) : m_w(w), m_h(h)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* pBits = nullptr;
        m_hBitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
        m_pBits = static_cast<const DWORD*>(pBits);
        m_hDC = CreateCompatibleDC(nullptr);
        m_hOld = SelectObject(m_hDC, m_hBitmap);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas()
    {
        SelectObject(m_hDC, m_hOld);
        DeleteDC(m_hDC);
        DeleteObject(m_hBitmap);
    }
    HDC dc() const { return m_hDC; }
    COLORREF At(int x, int y) const
    {
        GdiFlush();
        const DWORD v = m_pBits[y * m_w + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    void Fill(COLORREF color)
    {
        HBRUSH hBrush = CreateSolidBrush(color);
        RECT rc = {0, 0, m_w, m_h};
        FillRect(m_hDC, &rc, hBrush);
        DeleteObject(hBrush);
    }

private:
    int m_w, m_h;
    HBITMAP m_hBitmap;
    const DWORD* m_pBits = nullptr;
    HDC m_hDC;
    HGDIOBJ m_hOld;
};

// Bitmap 129 as stored, read independently of the program's own loading.
class Picture {
public:
    Picture()
    {
        HBITMAP hBitmap = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BACKGROUND),
                                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        BITMAP bm = {};
        GetObjectW(hBitmap, sizeof(bm), &bm);
        w = bm.bmWidth;
        h = bm.bmHeight;
        m_pixels.resize(static_cast<size_t>(w) * h);
        BITMAPINFO bi = {};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC hScreen = GetDC(nullptr);
        GetDIBits(hScreen, hBitmap, 0, h, m_pixels.data(), &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, hScreen);
        DeleteObject(hBitmap);
    }
    COLORREF At(int x, int y) const
    {
        const DWORD v = m_pixels[y * w + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    int w = 0, h = 0;

private:
    std::vector<DWORD> m_pixels;
};

RECT ClientRect(HWND hWnd)
{
    RECT rc = {};
    GetClientRect(hWnd, &rc);
    return rc;
}

void SetClientSize(HWND hDlg, int cx, int cy)
{
    RECT rcWindow;
    GetWindowRect(hDlg, &rcWindow);
    const RECT rcClient = ClientRect(hDlg);
    SetWindowPos(hDlg, nullptr, 0, 0, cx + (rcWindow.right - rcWindow.left) - rcClient.right,
                 cy + (rcWindow.bottom - rcWindow.top) - rcClient.bottom, SWP_NOMOVE | SWP_NOZORDER);
}

// Erases the whole client area into a fresh canvas filled with a colour the
// picture does not have, and returns how many sampled pixels differ from
// the picture's pixel (x mod width, y mod height).
int TiledMismatches(HWND hDlg, const Picture& pic, int step)
{
    const RECT rc = ClientRect(hDlg);
    Canvas canvas(rc.right, rc.bottom);
    canvas.Fill(RGB(255, 0, 255));
    EXPECT_EQ(TRUE, SendMessageW(hDlg, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0));
    std::vector<int> xs, ys;
    for (int x = 0; x < rc.right; x += step)
        xs.push_back(x);
    for (int y = 0; y < rc.bottom; y += step)
        ys.push_back(y);
    // The seams between copies and the far edges.
    for (int x : {pic.w - 1, pic.w, 2 * pic.w - 1, 2 * pic.w, static_cast<int>(rc.right) - 1})
        if (x < rc.right)
            xs.push_back(x);
    for (int y : {pic.h - 1, pic.h, 2 * pic.h - 1, 2 * pic.h, static_cast<int>(rc.bottom) - 1})
        if (y < rc.bottom)
            ys.push_back(y);
    int nBad = 0;
    for (int y : ys)
        for (int x : xs)
            if (canvas.At(x, y) != pic.At(x % pic.w, y % pic.h) && nBad++ == 0)
                ADD_FAILURE() << "first difference at (" << x << ", " << y << ")";
    return nBad;
}

TEST(Paint, EraseTilesThePictureFromTheTopLeftCorner)
{
    const Picture pic;
    ASSERT_EQ(278, pic.w);
    ASSERT_EQ(300, pic.h);
    // The check below means something only if the picture is not flat.
    EXPECT_NE(pic.At(0, 0), pic.At(0, 150));
    EXPECT_NE(pic.At(0, 150), pic.At(200, 150));

    wt::ResetSettings();
    CLauncherDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        const RECT rc = ClientRect(hDlg);
        ASSERT_LE(rc.right, pic.w);
        EXPECT_EQ(0, TiledMismatches(hDlg, pic, 1));

        SetClientSize(hDlg, 600, 700);
        ASSERT_EQ(600, ClientRect(hDlg).right);
        ASSERT_EQ(700, ClientRect(hDlg).bottom);
        EXPECT_EQ(0, TiledMismatches(hDlg, pic, 7));
    });
}

TEST(Paint, WithoutThePictureTheEraseLeavesAPlainDialogFace)
{
    wt::ResetSettings();
    PaintDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        dlg.m_bmpBackground.DeleteObject();
        SetClientSize(hDlg, 600, 700);
        Canvas canvas(600, 700);
        canvas.Fill(RGB(255, 0, 255));
        EXPECT_EQ(TRUE, SendMessageW(hDlg, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0));
        int nBad = 0;
        for (int y = 0; y < 700; y += 7)
            for (int x = 0; x < 600; x += 7)
                nBad += canvas.At(x, y) != GetSysColor(COLOR_BTNFACE);
        EXPECT_EQ(0, nBad);
    });
}

TEST(Paint, ColourRequests)
{
    wt::ResetSettings();
    CLauncherDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        const HWND hCtl = GetDlgItem(hDlg, IDC_RUN_NERO);
        for (UINT msg = WM_CTLCOLORMSGBOX; msg <= WM_CTLCOLORSTATIC; ++msg) {
            SCOPED_TRACE(testing::Message() << "WM_CTLCOLOR type " << msg - WM_CTLCOLORMSGBOX);
            Canvas canvas(4, 4);
            SetTextColor(canvas.dc(), RGB(255, 0, 0));
            SetBkMode(canvas.dc(), OPAQUE);
            const HBRUSH hBrush = reinterpret_cast<HBRUSH>(
                SendMessageW(hDlg, msg, reinterpret_cast<WPARAM>(canvas.dc()), reinterpret_cast<LPARAM>(hCtl)));
            EXPECT_EQ(TRANSPARENT, GetBkMode(canvas.dc()));
            if (msg == WM_CTLCOLORSTATIC) {
                EXPECT_EQ(GetStockObject(NULL_BRUSH), hBrush);
                EXPECT_EQ(RGB(0, 0, 0), GetTextColor(canvas.dc()));
            } else if (msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX) {
                // The system's own colours, as the base handler gives them.
                EXPECT_EQ(GetSysColorBrush(COLOR_WINDOW), hBrush);
                EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), GetTextColor(canvas.dc()));
            } else if (msg != WM_CTLCOLORSCROLLBAR) {
                EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), hBrush);
                EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), GetTextColor(canvas.dc()));
            } else {
                EXPECT_TRUE(hBrush);
            }
        }
    });
}

TEST(Paint, LabelsAndCheckBoxesDrawBlackTextOnThePicture)
{
    wt::ResetSettings();
    wt::StoreDword(L"DlgExpanded", 1);
    const Picture pic;
    CLauncherDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        const RECT rcClient = ClientRect(hDlg);
        Canvas canvas(rcClient.right, rcClient.bottom);
        SendMessageW(hDlg, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0);
        for (int id : {IDC_STATIC, IDC_AUTORUN, IDC_CLOSE_AFTER}) {
            SCOPED_TRACE(testing::Message() << "control " << id);
            const HWND hCtl = GetDlgItem(hDlg, id);
            RECT rc;
            GetWindowRect(hCtl, &rc);
            MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc), 2);
            // The control draws at its own origin, over the dialog's background.
            const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
            Canvas control(cx, cy);
            BitBlt(control.dc(), 0, 0, cx, cy, canvas.dc(), rc.left, rc.top, SRCCOPY);
            SendMessageW(hCtl, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(control.dc()), PRF_CLIENT);
            int nPicture = 0, nInk = 0;
            for (int y = 0; y < cy; ++y)
                for (int x = 0; x < cx; ++x) {
                    const COLORREF c = control.At(x, y);
                    nPicture += c == pic.At((rc.left + x) % pic.w, (rc.top + y) % pic.h);
                    nInk += GetRValue(c) < 160 && GetGValue(c) < 160 && GetBValue(c) < 160;
                }
            // Dark letters (black, smoothed at the edges) with the picture itself
            // between and around them.
            EXPECT_GT(nInk, 20);
            EXPECT_GT(nPicture, cx * cy / 2);
        }
    });
}

// The hook sees what the dialog sends itself while painting.
WNDPROC g_pfnDialog;
int g_nIconErases;

LRESULT CALLBACK CountIconErases(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ICONERASEBKGND && GetObjectType(reinterpret_cast<HGDIOBJ>(wParam)) == OBJ_DC)
        ++g_nIconErases;
    return CallWindowProcW(g_pfnDialog, hWnd, msg, wParam, lParam);
}

TEST(Paint, OneIconForTheTitleTheTaskbarDraggingAndTheMinimisedWindow)
{
    wt::ResetSettings();
    CLauncherDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        const LRESULT hBig = SendMessageW(hDlg, WM_GETICON, ICON_BIG, 0);
        EXPECT_NE(0, hBig);
        EXPECT_EQ(hBig, SendMessageW(hDlg, WM_GETICON, ICON_SMALL, 0));
        EXPECT_EQ(hBig, SendMessageW(hDlg, WM_QUERYDRAGICON, 0, 0));

        g_nIconErases = 0;
        g_pfnDialog = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(hDlg, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountIconErases)));
        ShowWindow(hDlg, SW_MINIMIZE);
        ASSERT_TRUE(IsIconic(hDlg));
        // The minimised window has no client area here, so the system sends it
        // no paint; the message itself still takes the icon path.
        SendMessageW(hDlg, WM_PAINT, 0, 0);
        EXPECT_EQ(1, g_nIconErases);

        ShowWindow(hDlg, SW_RESTORE);
        g_nIconErases = 0;
        RedrawWindow(hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        EXPECT_EQ(0, g_nIconErases);
        EXPECT_FALSE(GetUpdateRect(hDlg, nullptr, FALSE));
        SetWindowLongPtrW(hDlg, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_pfnDialog));
    });
}

// GDI and USER objects of this process. Wine's GetGuiResources is a stub that
// answers 0; there a handle's low word alone names its slot, so asking every
// slot counts the live objects (windows are counted by enumeration).
struct GuiObjects {
    long gdi = 0;
    long user = 0;
};

BOOL CALLBACK CountChild(HWND, LPARAM lParam)
{
    ++*reinterpret_cast<long*>(lParam);
    return TRUE;
}

BOOL CALLBACK CountWindow(HWND hWnd, LPARAM lParam)
{
    CountChild(hWnd, lParam);
    EnumChildWindows(hWnd, &CountChild, lParam);
    return TRUE;
}

GuiObjects CountGuiObjects()
{
    GuiObjects n;
    const HANDLE hProcess = GetCurrentProcess();
    if (const DWORD gdi = GetGuiResources(hProcess, GR_GDIOBJECTS)) {
        n.gdi = static_cast<long>(gdi);
        n.user = static_cast<long>(GetGuiResources(hProcess, GR_USEROBJECTS));
        return n;
    }
    for (ULONG_PTR h = 1; h <= 0xFFFF; ++h) {
        n.gdi += GetObjectType(reinterpret_cast<HGDIOBJ>(h)) != 0;
        n.user += IsMenu(reinterpret_cast<HMENU>(h)) != FALSE;
    }
    EnumThreadWindows(GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&n.user));
    return n;
}

TEST(Paint, ManyErasesColourRequestsAndTogglesLeaveNoObjectBehind)
{
    // The count must see objects made on purpose, or equal counts would prove nothing.
    const GuiObjects empty = CountGuiObjects();
    const HDC hDC = CreateCompatibleDC(nullptr);
    const HMENU hMenu = CreateMenu();
    const GuiObjects two = CountGuiObjects();
    DeleteDC(hDC);
    DestroyMenu(hMenu);
    ASSERT_GT(two.gdi, empty.gdi);
    ASSERT_GT(two.user, empty.user);

    wt::ResetSettings();
    CLauncherDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        const HWND hToggle = GetDlgItem(hDlg, IDC_TOGGLE_VIEW);
        const HWND hLabel = GetDlgItem(hDlg, IDC_DELAY_LABEL);
        Canvas canvas(300, 300);
        const WPARAM wDC = reinterpret_cast<WPARAM>(canvas.dc());
        auto toggle = [&] {
            SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDC_TOGGLE_VIEW, BN_CLICKED), reinterpret_cast<LPARAM>(hToggle));
        };
        auto cycle = [&](int i) {
            SendMessageW(hDlg, WM_ERASEBKGND, wDC, 0);
            for (UINT msg = WM_CTLCOLORMSGBOX; msg <= WM_CTLCOLORSTATIC; ++msg)
                SendMessageW(hDlg, msg, wDC, reinterpret_cast<LPARAM>(hLabel));
            // A switch costs the system far more than the rest; one in ten
            // still shows a leak of a single object per switch.
            if (i % 10 == 0)
                toggle();
            // Now and then the whole window for real, controls and all.
            if (i % 100 == 0)
                RedrawWindow(hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        };
        // Let the system make what it keeps for good (cached fills, fonts).
        for (int i = 0; i < 10; ++i) {
            cycle(0);
            toggle();
        }
        wt::Pump(hDlg, 0);
        const GuiObjects before = CountGuiObjects();
        for (int i = 0; i < 10000; ++i)
            cycle(i);
        wt::Pump(hDlg, 0);
        const GuiObjects after = CountGuiObjects();
        EXPECT_EQ(before.gdi, after.gdi);
        EXPECT_EQ(before.user, after.user);
    });
}

} // namespace
