// The benchmark's floor: the least a program can do to show the launcher's
// template. Built with Zarvel's flags and resources, so the difference in
// start-up, size, memory and idle cost is what Zarvel's own code adds.
// Started with a number, it also counts down from it on the Nero button, once
// a second, the least a countdown can do, to price Zarvel's tick against.
#include <windows.h>

#include <commctrl.h>
#include <stdlib.h>

namespace {

INT_PTR CALLBACK FloorProc(HWND hDlg, UINT msg, WPARAM, LPARAM lParam)
{
    static int s_nLeft;
    if (msg == WM_INITDIALOG) {
        s_nLeft = static_cast<int>(lParam);
        if (s_nLeft)
            ::SetTimer(hDlg, 1, 1000, nullptr);
        return TRUE;
    }
    if (msg == WM_TIMER) {
        wchar_t caption[32];
        ::wsprintfW(caption, L"Nero   [%d]", --s_nLeft);
        ::SetDlgItemTextW(hDlg, 1000, caption);
        return TRUE;
    }
    if (msg == WM_CLOSE) {
        ::EndDialog(hDlg, 0);
        return TRUE;
    }
    return FALSE;
}

} // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR pszCmdLine, int)
{
    // The template's up-down control needs its class registered.
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&icc);
    ::DialogBoxParamW(hInstance, MAKEINTRESOURCEW(102), nullptr, FloorProc, _wtoi(pszCmdLine));
    return 0;
}
