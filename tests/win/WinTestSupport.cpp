#include "WinTestSupport.h"

#include "app/CWinApp.h"

namespace wt {

namespace {

// The program's own application object does the same with the title.
struct TestApp : CWinApp {
    TestApp() : CWinApp(L"Zarvel v1.0") { SetRegistryKey(L"Zarvel v1.0"); }
} theTestApp;

const std::function<void(HWND)>* g_pBody;
CDialog* g_pDlg;
ModalDismisser* g_pDismisser;

void CALLBACK StartBody(HWND, UINT, UINT_PTR idEvent, DWORD)
{
    ::KillTimer(nullptr, idEvent);
    const std::function<void(HWND)>* pBody = g_pBody;
    g_pBody = nullptr;
    if (!pBody || !g_pDlg || !g_pDlg->m_hWnd)
        return;
    (*pBody)(g_pDlg->m_hWnd);
    if (g_pDlg->m_hWnd)
        ::SendMessageW(g_pDlg->m_hWnd, WM_CLOSE, 0, 0);
}

} // namespace

INT_PTR RunModal(CDialog& dlg, const std::function<void(HWND)>& body)
{
    g_pBody = &body;
    g_pDlg = &dlg;
    // As the program does: the dialog it runs is the main window.
    AfxGetApp()->m_pMainWnd = &dlg;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 1, &StartBody);
    const INT_PTR result = dlg.DoModal();
    ::KillTimer(nullptr, timer);
    AfxGetApp()->m_pMainWnd = nullptr;
    g_pBody = nullptr;
    g_pDlg = nullptr;
    return result;
}

bool PumpUntil(HWND hDlg, DWORD ms, const std::function<bool()>& done)
{
    const ULONGLONG end = ::GetTickCount64() + ms;
    for (;;) {
        if (done && done())
            return true;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!hDlg || !::IsWindow(hDlg) || !::IsDialogMessageW(hDlg, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            if (done && done())
                return true;
        }
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end)
            return done ? done() : false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

void Pump(HWND hDlg, DWORD ms) { PumpUntil(hDlg, ms); }

std::wstring WindowText(HWND hWnd)
{
    wchar_t buffer[512] = L"";
    ::GetWindowTextW(hWnd, buffer, 512);
    return buffer;
}

std::wstring ItemText(HWND hDlg, int id) { return WindowText(::GetDlgItem(hDlg, id)); }

ModalDismisser::ModalDismisser(HWND hMain) : m_hMain(hMain)
{
    g_pDismisser = this;
    m_timer = ::SetTimer(nullptr, 0, 20, &ModalDismisser::OnTick);
}

ModalDismisser::~ModalDismisser()
{
    ::KillTimer(nullptr, m_timer);
    g_pDismisser = nullptr;
}

void CALLBACK ModalDismisser::OnTick(HWND, UINT, UINT_PTR, DWORD)
{
    ModalDismisser* self = g_pDismisser;
    if (!self)
        return;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto* me = reinterpret_cast<ModalDismisser*>(lParam);
            wchar_t cls[16] = L"";
            ::GetClassNameW(hWnd, cls, 16);
            if (hWnd == me->m_hMain || wcscmp(cls, L"#32770") != 0 || !::IsWindowVisible(hWnd))
                return TRUE;
            Seen seen{WindowText(hWnd), L""};
            for (HWND h = ::GetWindow(hWnd, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
                ::GetClassNameW(h, cls, 16);
                if (_wcsicmp(cls, L"Static") == 0 && !WindowText(h).empty())
                    seen.text += WindowText(h) + L"\n";
            }
            me->m_seen.push_back(seen);
            ::SendMessageW(hWnd, WM_COMMAND, IDOK, 0);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(self));
}

} // namespace wt
