// zdriver: the suite's hands and eyes on the running launcher, from outside
// its process. Reads one command a line on stdin and answers each with one
// line: "key=value" pairs separated by tabs, or "ok". Both ways in UTF-16.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sddl.h>
#include <stdio.h>

#include <string>
#include <vector>

namespace {
const wchar_t kTitle[] = L"Zarvel v1.0";
const wchar_t kSection[] = L"Software\\Zarvel v1.0\\Zarvel v1.0\\\u8a2d\u5b9a";
const wchar_t kAppPath[] = L"\\Microsoft\\Windows\\CurrentVersion\\App Paths\\nero.exe";
std::wstring g_out;

void Add(const std::wstring& key, const std::wstring& value) { g_out += key + L"=" + value + L"\t"; }
void Add(const std::wstring& key, long long value) { Add(key, std::to_wstring(value)); }

LRESULT Send(HWND h, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(h, msg, wp, lp, SMTO_ABORTIFHUNG, 2000, &result);
    return (LRESULT)result;
}

std::wstring Text(HWND h) {
    wchar_t s[512] = L"";
    Send(h, WM_GETTEXT, 512, (LPARAM)s);
    for (wchar_t* p = s; *p; ++p) *p = *p == L'\n' ? L'~' : *p;
    return s;
}

// Waits with our own windows still answering.
void Pump(DWORD ms) {
    for (ULONGLONG end = GetTickCount64() + ms; GetTickCount64() < end; Sleep(5)) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    }
}

// The launchers on the screen.
std::vector<HWND> Look() {
    std::vector<HWND> found;
    EnumWindows(
        [](HWND h, LPARAM found) {
            if (IsWindowVisible(h) && GetDlgItem(h, 1000) && Text(h) == kTitle)
                ((std::vector<HWND>*)found)->push_back(h);
            return TRUE;
        },
        (LPARAM)&found);
    return found;
}

// Left, top, right and bottom in client coordinates of d, or of the screen for d itself.
std::wstring Rect(HWND h, HWND d) {
    RECT r;
    h == d ? GetClientRect(d, &r) : GetWindowRect(h, &r);
    MapWindowPoints(h == d ? d : nullptr, h == d ? nullptr : d, (POINT*)&r, 2);
    return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
           std::to_wstring(r.bottom);
}

// A message box or About box that the launcher owns.
HWND Box(HWND d) {
    HWND box = nullptr;
    while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) && GetWindow(box, GW_OWNER) != d) {}
    return box;
}

void State(HWND d) {
    RECT rd, simple, advanced; // the views end at the tops of their markers
    GetWindowRect(d, &rd), GetWindowRect(GetDlgItem(d, 1004), &simple), GetWindowRect(GetDlgItem(d, 1005), &advanced);
    Add(L"view", rd.bottom == simple.top ? L"simple" : rd.bottom == advanced.top ? L"advanced" : L"neither");
    GUITHREADINFO gti = {sizeof(gti)};
    GetGUIThreadInfo(GetWindowThreadProcessId(d, nullptr), &gti);
    Add(L"focus", GetDlgCtrlID(gti.hwndFocus));
    Add(L"def", (GetWindowLongW(GetDlgItem(d, 1001), GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON ? 1001 : 1000);
    Add(L"min", IsIconic(d));
    Add(L"fg", GetForegroundWindow() == d);
    Add(L"client", Rect(d, d));
    for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) { // text, enabled, check, place
        const std::wstring id = std::to_wstring(GetDlgCtrlID(c));
        Add(L"t" + id, Text(c));
        Add(L"e" + id, IsWindowEnabled(c));
        Add(L"c" + id, Send(c, BM_GETCHECK));
        if (IsWindowVisible(c)) Add(L"r" + id, Rect(c, d));
    }
    for (int id : {1008, 1009}) { // the selected item's data; its text is the list's own
        const LRESULT sel = Send(GetDlgItem(d, id), CB_GETCURSEL);
        Add(L"s" + std::to_wstring(id), sel < 0 ? 0 : Send(GetDlgItem(d, id), CB_GETITEMDATA, sel));
    }
    // A dropped option list, in rows of its items.
    if (HWND list = FindWindowW(L"ComboLBox", nullptr); list && IsWindowVisible(list)) {
        RECT rc;
        GetClientRect(list, &rc);
        Add(L"drop", rc.bottom / Send(list, LB_GETITEMHEIGHT));
    }
    const HWND b = Box(d);
    std::wstring box = b ? Text(b) : L"";
    for (HWND c = b ? GetWindow(b, GW_CHILD) : nullptr; c; c = GetWindow(c, GW_HWNDNEXT))
        if (const std::wstring t = Text(c); !t.empty() && t[0] != 0xFFFF) box += L"|" + t; // 0xFFFF: an icon's number
    Add(L"box", box);
}

void SetDacl(const wchar_t* sddl) {
    HKEY k;
    PSECURITY_DESCRIPTOR sd;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSection, 0, WRITE_DAC, &k)) return;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr))
        RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, sd), LocalFree(sd);
    RegCloseKey(k);
}

// reg clear | lock | set NAME TYPE HEXBYTES | dump | apppath PATH (- removes it)
void Reg(const std::wstring& verb, const std::wstring& name, const wchar_t* arg) {
    HKEY k = nullptr;
    if (verb == L"clear") SetDacl(L"D:(A;;KA;;;WD)"), RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Zarvel v1.0");
    if (verb == L"lock") SetDacl(L"D:P(A;;KR;;;WD)"); // readable, not writable
    if (verb == L"set") {
        BYTE data[64];
        DWORD type = wcstoul(arg, (wchar_t**)&arg, 0), n = 0;
        for (; *arg == L' ' && n < 64; arg += 3)
            data[n++] = (BYTE)wcstoul(std::wstring(arg + 1, 2).c_str(), nullptr, 16);
        RegSetKeyValueW(HKEY_CURRENT_USER, kSection, name.c_str(), type, data, n);
    }
    if (verb == L"dump" && RegOpenKeyExW(HKEY_CURRENT_USER, kSection, 0, KEY_READ, &k)) Add(L"key", L"none");
    wchar_t value[64];
    DWORD n = 64, type, data, size = 4;
    for (DWORD i = 0; verb == L"dump" && k && !RegEnumValueW(k, i, value, &n, nullptr, &type, (BYTE*)&data, &size);
         ++i, n = 64, size = 4)
        Add(value, type == REG_DWORD && size == 4 ? std::to_wstring((int)data) : L"?");
    for (const wchar_t* root : {L"Software", L"Software\\Wow6432Node"}) { // for either build's shell
        const std::wstring key = root + std::wstring(kAppPath);
        if (verb == L"apppath") RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
        if (verb == L"apppath" && name != L"-")
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, REG_SZ, name.c_str(),
                            (DWORD)(name.size() + 1) * 2);
    }
    if (k) RegCloseKey(k);
}

// Keys as the keyboard sends them, by virtual-key code: "9" is Tab, "alt+77" is Alt+M.
void Keys(wchar_t* spec) {
    for (wchar_t* key = wcstok(spec, L" "); key; key = wcstok(nullptr, L" ")) {
        const bool alt = !wcsncmp(key, L"alt+", 4);
        const BYTE vk = (BYTE)_wtoi(key + (alt ? 4 : 0));
        if (alt) keybd_event(VK_MENU, 0, 0, 0);
        keybd_event(vk, 0, 0, 0);
        keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
        if (alt) keybd_event(VK_MENU, 0, KEYEVENTF_KEYUP, 0);
        Pump(30);
    }
}

// A click in the middle of a control, or for id 0 on the bare surface right of the Nero button.
void Click(HWND d, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(d, id ? id : 1000), &r);
    POINT pt = {id ? (r.left + r.right) / 2 : r.right + 6, (r.top + r.bottom) / 2};
    const HWND target = id ? GetDlgItem(d, id) : d;
    ScreenToClient(target, &pt);
    PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    PostMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
}

// A window of another program: titled like the launcher, or carrying a
// property that a class library might use to find the object of a window.
HWND Window(const wchar_t* title) {
    return CreateWindowW(L"STATIC", title, WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
}

void Hostile(HWND d) {
    const HWND w = Window(L"hostile");
    SetPropW(w, L"Zarvel.CWnd", (HANDLE)0x41414141);
    for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        SetPropW(c, L"Zarvel.CWnd", (HANDLE)16), PostMessageW(c, WM_MOUSEMOVE, 0, 0);
    SendNotifyMessageW(d, WM_COMMAND, MAKEWPARAM(1999, BN_CLICKED), (LPARAM)w);
    Pump(300);
    DestroyWindow(w);
}

bool WaitFor(DWORD ms, bool present) {
    for (ULONGLONG end = GetTickCount64() + ms;; Pump(10)) {
        if (present ? !Look().empty() : Look().empty() && !FindWindowW(nullptr, kTitle)) return true;
        if (GetTickCount64() >= end) return false;
    }
}

void Run(const std::wstring& cmd, wchar_t* arg) {
    const std::vector<HWND> found = Look();
    const HWND d = found.empty() ? nullptr : found[0];
    const int n = _wtoi(arg);
    static HWND s_fake;
    if (cmd == L"find") {
        Add(L"found", WaitFor(n, true));
    } else if (cmd == L"gone") {
        Add(L"gone", WaitFor(n, false));
    } else if (cmd == L"launchers") {
        for (HWND h : found) Add(std::to_wstring((INT_PTR)h), 1);
    } else if (cmd == L"reg") {
        const wchar_t* verb = wcstok(arg, L" ");
        const wchar_t* name = wcstok(nullptr, L" ");
        const wchar_t* rest = wcstok(nullptr, L"");
        Reg(verb ? verb : L"", name ? name : L"", rest ? rest : L"");
    } else if (cmd == L"fake") { // 1: a window titled like the launcher, 2: another program in front, 0: none
        DestroyWindow(s_fake);
        if (n) s_fake = Window(n == 1 ? kTitle : L"other"), SetForegroundWindow(s_fake);
    } else if (cmd == L"sleep") {
        Pump(n);
    } else if (!d) {
        Add(L"window", L"none");
    } else if (cmd == L"state") {
        State(d);
    } else if (cmd == L"click") {
        Click(d, n);
    } else if (cmd == L"keys") {
        SetForegroundWindow(Box(d) ? Box(d) : d);
        Keys(arg);
    } else if (cmd == L"text") { // text ID STRING replaces the text, as a paste does
        Send(GetDlgItem(d, n), WM_SETTEXT, 0, (LPARAM)(wcschr(arg, L' ') ? wcschr(arg, L' ') + 1 : L""));
    } else if (cmd == L"post") { // post MSG WPARAM LPARAM, to the launcher, or a command to its box
        const UINT msg = wcstoul(arg, &arg, 0);
        const WPARAM wp = wcstoul(arg, &arg, 0);
        PostMessageW(Box(d) && msg == WM_COMMAND ? Box(d) : d, msg, wp, wcstol(arg, nullptr, 0));
    } else if (cmd == L"min") {
        ShowWindow(d, SW_MINIMIZE);
    } else if (cmd == L"grow") {
        SetWindowPos(d, nullptr, 0, 0, 600, 700, SWP_NOZORDER);
        RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    } else if (cmd == L"hostile") {
        Hostile(d);
    } else {
        Add(L"error", cmd);
    }
}
} // namespace

int main() {
    _setmode(_fileno(stdin), _O_U16TEXT);
    _setmode(_fileno(stdout), _O_U16TEXT);
    wchar_t line[1024];
    while (fgetws(line, 1024, stdin)) {
        line[wcscspn(line, L"\r\n")] = 0;
        wchar_t* arg = wcschr(line, L' ');
        if (arg) *arg++ = 0;
        g_out.clear();
        Run(line, arg ? arg : (wchar_t*)L"");
        wprintf(L"%ls\n", g_out.empty() ? L"ok" : g_out.c_str());
        fflush(stdout);
    }
}
