// zprobe: the eyes of the real-input tests. It starts Zarvel.exe and answers
// questions about its window from the outside, one JSON line per command read
// from stdin, while the driver acts through the X server. Screen positions are
// Windows screen coordinates.
//
//   start DIR        start the program in DIR      {"pid":N}
//   window MS        wait for its visible launcher {"hwnd":N}  (0: none)
//   state            the launcher and its controls
//   droplist ID      the dropped list of combo ID  {"shown":b,"items":[[l,t,r,b],...]}
//   exit MS          wait for the process to end   {"exited":b,"code":N}
//   reg | reset | set NAME VALUE                   the settings in HKCU
//   end              end the program if still running
//
// At end of input the program is ended too: a test leaves no window behind.
#include <windows.h>

#include <stdio.h>
#include <string>

#include "tests/support/TestRegistry.h"

namespace {

std::wstring g_exe;
PROCESS_INFORMATION g_pi = {};
HWND g_hLauncher = nullptr;

// JSON text with everything outside ASCII escaped, so no code page is involved.
std::string Quote(const std::wstring& s)
{
    std::string out = "\"";
    for (wchar_t c : s) {
        if (c == L'"' || c == L'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char esc[8];
            snprintf(esc, sizeof(esc), "\\u%04x", static_cast<unsigned>(c));
            out += esc;
        }
    }
    return out + "\"";
}

std::string Rect(const RECT& r)
{
    char buf[64];
    snprintf(buf, sizeof(buf), "[%ld,%ld,%ld,%ld]", r.left, r.top, r.right, r.bottom);
    return buf;
}

std::string Bool(bool b) { return b ? "true" : "false"; }

// Cross-process WM_GETTEXT: GetWindowText would give an edit's caption, not its text.
std::wstring TextOf(HWND hWnd)
{
    wchar_t buf[512] = L"";
    DWORD_PTR n = 0;
    ::SendMessageTimeoutW(hWnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &n);
    return std::wstring(buf, n < 512 ? n : 0);
}

std::wstring ClassOf(HWND hWnd)
{
    wchar_t cls[64] = L"";
    ::GetClassNameW(hWnd, cls, 64);
    return cls;
}

bool Running() { return g_pi.hProcess && ::WaitForSingleObject(g_pi.hProcess, 0) == WAIT_TIMEOUT; }

struct Search {
    bool wantOwned; // a message box rather than the launcher
    HWND hFound;
};

BOOL CALLBACK FindDialogOfProcess(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != g_pi.dwProcessId || !::IsWindowVisible(hWnd) || ClassOf(hWnd) != L"#32770")
        return TRUE;
    if ((::GetWindow(hWnd, GW_OWNER) != nullptr) != search->wantOwned)
        return TRUE;
    search->hFound = hWnd;
    return FALSE;
}

HWND FindDialogOfProcess(bool wantOwned)
{
    Search search = {wantOwned, nullptr};
    if (g_pi.hProcess)
        ::EnumWindows(&FindDialogOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

void Reply(const std::string& json)
{
    fputs(json.c_str(), stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

void EndProgram()
{
    if (Running()) {
        ::TerminateProcess(g_pi.hProcess, 99);
        ::WaitForSingleObject(g_pi.hProcess, 5000);
    }
    if (g_pi.hProcess) {
        ::CloseHandle(g_pi.hThread);
        ::CloseHandle(g_pi.hProcess);
    }
    g_pi = PROCESS_INFORMATION();
    g_hLauncher = nullptr;
}

void Start(const std::wstring& dir)
{
    EndProgram();
    std::wstring cmd = L"\"" + g_exe + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    if (!::CreateProcessW(g_exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &g_pi))
        g_pi = PROCESS_INFORMATION();
    Reply("{\"pid\":" + std::to_string(g_pi.dwProcessId) + "}");
}

void WaitWindow(DWORD ms)
{
    const ULONGLONG end = ::GetTickCount64() + ms;
    g_hLauncher = FindDialogOfProcess(false);
    while (!g_hLauncher && Running() && ::GetTickCount64() < end) {
        ::Sleep(5);
        g_hLauncher = FindDialogOfProcess(false);
    }
    // Until the dialog has nothing left to do, so the first look sees it settled.
    if (g_hLauncher)
        ::WaitForInputIdle(g_pi.hProcess, 5000);
    Reply("{\"hwnd\":" + std::to_string(reinterpret_cast<UINT_PTR>(g_hLauncher)) + "}");
}

std::string ControlJson(HWND hCtl)
{
    RECT rc;
    ::GetWindowRect(hCtl, &rc);
    const std::wstring cls = ClassOf(hCtl);
    std::string json = "{\"id\":" + std::to_string(static_cast<int>(::GetDlgCtrlID(hCtl))) + ",\"cls\":" + Quote(cls) +
                       ",\"text\":" + Quote(TextOf(hCtl)) + ",\"rect\":" + Rect(rc) +
                       ",\"enabled\":" + Bool(::IsWindowEnabled(hCtl)) +
                       ",\"visible\":" + Bool(::IsWindowVisible(hCtl)) +
                       ",\"style\":" + std::to_string(::GetWindowLongW(hCtl, GWL_STYLE) & 0xFFFFFFFFu);
    if (_wcsicmp(cls.c_str(), L"Button") == 0)
        json += ",\"checked\":" + std::to_string(::SendMessageW(hCtl, BM_GETCHECK, 0, 0));
    if (_wcsicmp(cls.c_str(), L"ComboBox") == 0) {
        const LRESULT sel = ::SendMessageW(hCtl, CB_GETCURSEL, 0, 0);
        json += ",\"sel\":" + std::to_string(sel == CB_ERR ? 0 : ::SendMessageW(hCtl, CB_GETITEMDATA, sel, 0));
        json += ",\"dropped\":" + Bool(::SendMessageW(hCtl, CB_GETDROPPEDSTATE, 0, 0) != 0);
    }
    return json + "}";
}

// Where a user clicks to close the window: the right-most caption button.
POINT CloseButton(HWND hWnd)
{
    RECT rc;
    ::GetWindowRect(hWnd, &rc);
    const int frame = ::GetSystemMetrics(SM_CXFIXEDFRAME);
    const int caption = ::GetSystemMetrics(SM_CYCAPTION);
    const int button = ::GetSystemMetrics(SM_CXSIZE);
    return {rc.right - frame - button / 2 - 1, rc.top + ::GetSystemMetrics(SM_CYFIXEDFRAME) + caption / 2};
}

void State()
{
    std::string json = "{\"running\":" + Bool(Running());
    HWND hDlg = g_hLauncher && ::IsWindow(g_hLauncher) ? g_hLauncher : nullptr;
    json += ",\"hwnd\":" + std::to_string(reinterpret_cast<UINT_PTR>(hDlg));
    if (hDlg) {
        RECT rc, rcClient;
        ::GetWindowRect(hDlg, &rc);
        ::GetClientRect(hDlg, &rcClient);
        ::MapWindowPoints(hDlg, nullptr, reinterpret_cast<POINT*>(&rcClient), 2);
        GUITHREADINFO gti = {};
        gti.cbSize = sizeof(gti);
        ::GetGUIThreadInfo(::GetWindowThreadProcessId(hDlg, nullptr), &gti);
        const int focus = !gti.hwndFocus ? -2 : gti.hwndFocus == hDlg ? 0 : ::GetDlgCtrlID(gti.hwndFocus);
        const POINT close = CloseButton(hDlg);
        json += ",\"title\":" + Quote(TextOf(hDlg)) + ",\"rect\":" + Rect(rc) + ",\"client\":" + Rect(rcClient) +
                ",\"focus\":" + std::to_string(focus) + ",\"active\":" + Bool(gti.hwndActive == hDlg) + ",\"close\":[" +
                std::to_string(close.x) + "," + std::to_string(close.y) + "]";
        json += ",\"controls\":[";
        for (HWND h = ::GetWindow(hDlg, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
            json += ControlJson(h) + (::GetWindow(h, GW_HWNDNEXT) ? "," : "");
        json += "]";
    }
    // A message box of the program: its texts, or null.
    HWND hBox = FindDialogOfProcess(true);
    std::wstring boxText;
    for (HWND h = hBox ? ::GetWindow(hBox, GW_CHILD) : nullptr; h; h = ::GetWindow(h, GW_HWNDNEXT))
        if (_wcsicmp(ClassOf(h).c_str(), L"Static") == 0)
            boxText += TextOf(h);
    json += ",\"msgbox\":" + (hBox ? Quote(boxText) : std::string("null"));
    Reply(json + "}");
}

BOOL CALLBACK FindDroppedList(HWND hWnd, LPARAM lParam)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != g_pi.dwProcessId || !::IsWindowVisible(hWnd) || _wcsicmp(ClassOf(hWnd).c_str(), L"ComboLBox") != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}

// The dropped list is a top-level window of its own; only one is open at a time.
void DropList(int id)
{
    HWND hCombo = g_hLauncher ? ::GetDlgItem(g_hLauncher, id) : nullptr;
    HWND hList = nullptr;
    if (hCombo && ::SendMessageW(hCombo, CB_GETDROPPEDSTATE, 0, 0))
        ::EnumWindows(&FindDroppedList, reinterpret_cast<LPARAM>(&hList));
    if (!hList) {
        Reply("{\"shown\":false,\"items\":[]}");
        return;
    }
    // Item rectangles from plain numbers: LB_GETITEMRECT's pointer does not cross processes.
    RECT rcList;
    ::GetClientRect(hList, &rcList);
    ::MapWindowPoints(hList, nullptr, reinterpret_cast<POINT*>(&rcList), 2);
    const LRESULT count = ::SendMessageW(hList, LB_GETCOUNT, 0, 0);
    const LRESULT top = ::SendMessageW(hList, LB_GETTOPINDEX, 0, 0);
    const LONG height = static_cast<LONG>(::SendMessageW(hList, LB_GETITEMHEIGHT, 0, 0));
    std::string json = "{\"shown\":true,\"items\":[";
    for (LRESULT i = 0; i < count; ++i) {
        RECT rc = rcList;
        rc.top += static_cast<LONG>(i - top) * height;
        rc.bottom = rc.top + height;
        json += Rect(rc) + (i + 1 < count ? "," : "");
    }
    Reply(json + "]}");
}

void WaitExit(DWORD ms)
{
    const bool exited = !g_pi.hProcess || ::WaitForSingleObject(g_pi.hProcess, ms) == WAIT_OBJECT_0;
    DWORD code = 0;
    if (g_pi.hProcess)
        ::GetExitCodeProcess(g_pi.hProcess, &code);
    Reply("{\"exited\":" + Bool(exited) + ",\"code\":" + std::to_string(code) + "}");
}

void Registry()
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, treg::SettingsPath(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) {
        Reply("{\"key\":false,\"values\":{}}");
        return;
    }
    std::string json = "{\"key\":true,\"values\":{";
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD cchName = 256, type = 0, value = 0, size = sizeof(value);
        const LONG rc =
            ::RegEnumValueW(hKey, i, name, &cchName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        const bool dword = rc == ERROR_SUCCESS && type == REG_DWORD && size == 4;
        json += (i ? "," : "") + Quote(name) + ":" +
                (dword ? std::to_string(static_cast<int>(value)) : Quote(L"type " + std::to_wstring(type)));
    }
    ::RegCloseKey(hKey);
    Reply(json + "}}");
}

void Dispatch(const std::wstring& cmd, const std::wstring& arg, const std::wstring& arg2)
{
    const int n = _wtoi(arg.c_str());
    if (cmd == L"start")
        Start(arg);
    else if (cmd == L"window")
        WaitWindow(static_cast<DWORD>(n));
    else if (cmd == L"state")
        State();
    else if (cmd == L"droplist")
        DropList(n);
    else if (cmd == L"exit")
        WaitExit(static_cast<DWORD>(n));
    else if (cmd == L"reg")
        Registry();
    else if (cmd == L"reset") {
        treg::ResetSettings();
        Reply("{}");
    } else if (cmd == L"set") {
        treg::StoreDword(arg.c_str(), static_cast<DWORD>(_wtoi(arg2.c_str())));
        Reply("{}");
    } else if (cmd == L"end") {
        const bool was = Running();
        EndProgram();
        Reply("{\"ended\":" + Bool(was) + "}");
    } else
        Reply("{\"error\":" + Quote(L"unknown command " + cmd) + "}");
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        fputs("usage: zprobe Zarvel.exe (Windows path); commands on stdin\n", stderr);
        return 2;
    }
    g_exe = argv[1];
    char line[4096];
    while (fgets(line, sizeof(line), stdin)) {
        wchar_t wide[4096];
        const int len = ::MultiByteToWideChar(CP_UTF8, 0, line, -1, wide, 4096);
        std::wstring text(wide, len > 0 ? len - 1 : 0);
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
            text.pop_back();
        // "cmd arg arg2"; the last argument takes the rest of the line (a path may hold blanks).
        const size_t sp1 = text.find(L' ');
        const std::wstring cmd = text.substr(0, sp1);
        std::wstring arg = sp1 == std::wstring::npos ? L"" : text.substr(sp1 + 1), arg2;
        if (cmd == L"set") {
            const size_t sp2 = arg.find(L' ');
            arg2 = sp2 == std::wstring::npos ? L"" : arg.substr(sp2 + 1);
            arg = arg.substr(0, sp2);
        }
        Dispatch(cmd, arg, arg2);
    }
    EndProgram();
    return 0;
}
