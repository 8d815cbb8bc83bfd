// The benchmark's floor: the least a program can do to show the launcher's
// template. Built with Zarvel's flags and resources, so the difference in
// start-up, size, memory and idle cost is what Zarvel's own code adds.
#include <windows.h>

#include <commctrl.h>

namespace {

INT_PTR CALLBACK FloorProc(HWND hDlg, UINT msg, WPARAM, LPARAM)
{
    if (msg == WM_INITDIALOG)
        return TRUE;
    if (msg == WM_CLOSE) {
        ::EndDialog(hDlg, 0);
        return TRUE;
    }
    return FALSE;
}

} // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int)
{
    // The template's up-down control needs its class registered.
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&icc);
    ::DialogBoxParamW(hInstance, MAKEINTRESOURCEW(102), nullptr, FloorProc, 0);
    return 0;
}
