// zdriver: the suite's hands and eyes on the running launcher, from outside
// its process. Reads one command a line on stdin and answers each with one
// line: "key=value" pairs separated by tabs, or "ok".
#include <windows.h>

#include <sddl.h>
#include <stdio.h>

#include <string>
#include <vector>

namespace {
const wchar_t kTitle[] = L"Zarvel v1.0";
const wchar_t kSection[] = L"Software\\Zarvel v1.0\\Zarvel v1.0\\\u8a2d\u5b9a";
const wchar_t kAppPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\nero.exe";
std::string g_out;

std::string Utf8(const std::wstring& w)
{
    char s[4096] = "";
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s, sizeof s, nullptr, nullptr);
    return s;
}

std::wstring Wide(const char* s)
{
    wchar_t w[1024] = L"";
    MultiByteToWideChar(CP_UTF8, 0, s, -1, w, 1024);
    return w;
}

void Add(const std::string& key, const std::string& value) { g_out += key + "=" + value + "\t"; }
void Add(const std::string& key, long long value) { Add(key, std::to_string(value)); }

LRESULT Send(HWND h, UINT msg, WPARAM wp = 0, LPARAM lp = 0)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(h, msg, wp, lp, SMTO_ABORTIFHUNG, 2000, &result);
    return (LRESULT)result;
}

std::wstring Text(HWND h)
{
    wchar_t s[512] = L"";
    Send(h, WM_GETTEXT, 512, (LPARAM)s);
    for (wchar_t* p = s; *p; ++p) *p = *p == L'\n' ? L'~' : *p;
    return s;
}

// Waits with our own windows still answering.
void Pump(DWORD ms)
{
    for (ULONGLONG end = GetTickCount64() + ms; GetTickCount64() < end; Sleep(5)) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    }
}

// The launchers on the screen.
BOOL CALLBACK OnWindow(HWND h, LPARAM found)
{
    if (IsWindowVisible(h) && GetDlgItem(h, 1000) && Text(h) == kTitle) ((std::vector<HWND>*)found)->push_back(h);
    return TRUE;
}

std::vector<HWND> Look()
{
    std::vector<HWND> found;
    EnumWindows(OnWindow, (LPARAM)&found);
    return found;
}

// A message box or About box that the launcher owns.
HWND Box(HWND d)
{
    HWND box = nullptr;
    while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) && GetWindow(box, GW_OWNER) != d) {}
    return box;
}

int Top(HWND h)
{
    RECT r;
    GetWindowRect(h, &r);
    return r.top;
}

void State(HWND d)
{
    RECT rd;
    GetWindowRect(d, &rd);
    const int h = rd.bottom - rd.top;
    Add("view", h == Top(GetDlgItem(d, 1004)) - rd.top   ? "simple"
                : h == Top(GetDlgItem(d, 1005)) - rd.top ? "advanced"
                                                         : std::to_string(h));
    GUITHREADINFO gti = {sizeof(gti)};
    GetGUIThreadInfo(GetWindowThreadProcessId(d, nullptr), &gti);
    Add("focus", GetDlgCtrlID(gti.hwndFocus));
    Add("def", (GetWindowLongW(GetDlgItem(d, 1001), GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON ? 1001 : 1000);
    Add("min", IsIconic(d));
    Add("fg", GetForegroundWindow() == d);
    for (int id : {1000, 1001, 1003, 1008, 1009, 1011, 1012, 1013, 1014, 1015}) {
        Add("t" + std::to_string(id), Utf8(Text(GetDlgItem(d, id))));
        Add("e" + std::to_string(id), IsWindowEnabled(GetDlgItem(d, id)));
    }
    Add("c1013", Send(GetDlgItem(d, 1013), BM_GETCHECK));
    Add("c1014", Send(GetDlgItem(d, 1014), BM_GETCHECK));
    for (int id : {1008, 1009}) { // selected item data, and every item as text:data
        const HWND c = GetDlgItem(d, id);
        const LRESULT sel = Send(c, CB_GETCURSEL);
        Add("s" + std::to_string(id), sel < 0 ? 0 : Send(c, CB_GETITEMDATA, sel));
        std::wstring items;
        for (LRESULT i = 0, n = Send(c, CB_GETCOUNT); i < n; ++i) {
            wchar_t item[64] = L"";
            if (Send(c, CB_GETLBTEXTLEN, i) < 64) Send(c, CB_GETLBTEXT, i, (LPARAM)item);
            items += (i ? L"|" : L"") + std::wstring(item) + L":" + std::to_wstring(Send(c, CB_GETITEMDATA, i));
        }
        Add("i" + std::to_string(id), Utf8(items));
    }
    // A dropped option list, in rows of its items.
    if (HWND list = FindWindowW(L"ComboLBox", nullptr); list && IsWindowVisible(list)) {
        RECT rc;
        GetClientRect(list, &rc);
        Add("rows", rc.bottom / Send(list, LB_GETITEMHEIGHT));
    }
    const HWND b = Box(d);
    std::wstring box = b ? Text(b) : L"";
    for (HWND c = b ? GetWindow(b, GW_CHILD) : nullptr; c; c = GetWindow(c, GW_HWNDNEXT))
        if (const std::wstring t = Text(c); !t.empty() && t[0] != 0xFFFF) box += L"|" + t; // 0xFFFF: an icon's number
    Add("box", Utf8(box));
}

// The client area on the screen and every visible child in it.
void Rects(HWND d)
{
    RECT r;
    GetClientRect(d, &r);
    MapWindowPoints(d, nullptr, (POINT*)&r, 2);
    for (HWND c = d; c; c = c == d ? GetWindow(d, GW_CHILD) : GetWindow(c, GW_HWNDNEXT)) {
        if (c != d) GetWindowRect(c, &r), MapWindowPoints(nullptr, d, (POINT*)&r, 2);
        if (IsWindowVisible(c))
            Add(c == d ? "client" : std::to_string(GetDlgCtrlID(c)),
                std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
                    std::to_string(r.bottom));
    }
}

void SetDacl(const wchar_t* sddl)
{
    HKEY k;
    PSECURITY_DESCRIPTOR sd;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSection, 0, WRITE_DAC, &k)) return;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr))
        RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, sd), LocalFree(sd);
    RegCloseKey(k);
}

// reg clear | lock | set NAME TYPE HEXBYTES | dump | apppath PATH (- removes it)
void Reg(const std::string& verb, const std::wstring& name, const char* arg)
{
    HKEY k = nullptr;
    if (verb == "clear") SetDacl(L"D:(A;;KA;;;WD)"), RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Zarvel v1.0");
    if (verb == "lock") SetDacl(L"D:P(A;;KR;;;WD)"); // readable, not writable
    if (verb == "set") {
        BYTE data[64];
        DWORD type = strtoul(arg, (char**)&arg, 0), n = 0;
        for (; *arg == ' ' && n < 64; arg += 3) data[n++] = (BYTE)strtoul(std::string(arg + 1, 2).c_str(), nullptr, 16);
        RegCreateKeyExW(HKEY_CURRENT_USER, kSection, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr);
        RegSetValueExW(k, name.c_str(), 0, type, data, n);
    }
    if (verb == "dump" && RegOpenKeyExW(HKEY_CURRENT_USER, kSection, 0, KEY_READ, &k)) Add("key", "none");
    wchar_t value[64];
    DWORD n = 64, type, data, size = 4;
    for (DWORD i = 0; verb == "dump" && k && !RegEnumValueW(k, i, value, &n, nullptr, &type, (BYTE*)&data, &size);
         ++i, n = 64, size = 4)
        Add(Utf8(value), type == REG_DWORD && size == 4 ? std::to_string((int)data) : "?");
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) { // both, for either build's shell
        HKEY app;
        if (verb != "apppath") break;
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kAppPath, view, 0);
        if (name == L"-" ||
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, kAppPath, 0, nullptr, 0, KEY_WRITE | view, nullptr, &app, nullptr))
            continue;
        RegSetValueExW(app, nullptr, 0, REG_SZ, (const BYTE*)name.c_str(), (DWORD)(name.size() + 1) * 2);
        RegCloseKey(app);
    }
    if (k) RegCloseKey(k);
}

// Keys as the keyboard sends them, by virtual-key code: "9" is Tab, "alt+77" is Alt+M.
void Keys(char* spec)
{
    for (char* key = strtok(spec, " "); key; key = strtok(nullptr, " ")) {
        const bool alt = !strncmp(key, "alt+", 4);
        const BYTE vk = (BYTE)atoi(key + (alt ? 4 : 0));
        if (alt) keybd_event(VK_MENU, 0, 0, 0);
        keybd_event(vk, 0, 0, 0);
        keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
        if (alt) keybd_event(VK_MENU, 0, KEYEVENTF_KEYUP, 0);
        Pump(30);
    }
}

// A click in the middle of a control, or for id 0 on the bare surface right of the Nero button.
void Click(HWND d, int id)
{
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
HWND Window(const wchar_t* title)
{
    return CreateWindowW(L"STATIC", title, WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
}

void Hostile(HWND d)
{
    const HWND w = Window(L"hostile");
    SetPropW(w, L"Zarvel.CWnd", (HANDLE)0x41414141);
    for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) SetPropW(c, L"Zarvel.CWnd", (HANDLE)16);
    SendNotifyMessageW(d, WM_COMMAND, MAKEWPARAM(1999, BN_CLICKED), (LPARAM)w);
    for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) PostMessageW(c, WM_MOUSEMOVE, 0, 0);
    Pump(300);
    DestroyWindow(w);
}

bool WaitFor(DWORD ms, bool present)
{
    for (ULONGLONG end = GetTickCount64() + ms;; Pump(10)) {
        if (present ? !Look().empty() : Look().empty() && !FindWindowW(nullptr, kTitle)) return true;
        if (GetTickCount64() >= end) return false;
    }
}

void Run(const std::string& cmd, char* arg)
{
    const std::vector<HWND> found = Look();
    const HWND d = found.empty() ? nullptr : found[0];
    const int n = atoi(arg);
    static HWND s_fake;
    if (cmd == "find") { // waits for the launcher; answers when it was seen, in ms since 1970
        FILETIME ft;
        if (!WaitFor(n, true)) return;
        GetSystemTimeAsFileTime(&ft);
        Add("at", (long long)(ULARGE_INTEGER{{ft.dwLowDateTime, ft.dwHighDateTime}}.QuadPart / 10000 - 11644473600000));
    } else if (cmd == "gone") {
        Add("gone", WaitFor(n, false));
    } else if (cmd == "launchers") {
        for (HWND h : found) Add(std::to_string((INT_PTR)h), 1);
    } else if (cmd == "reg") {
        const char* verb = strtok(arg, " ");
        const char* name = strtok(nullptr, " ");
        const char* rest = strtok(nullptr, "");
        Reg(verb ? verb : "", Wide(name ? name : ""), rest ? rest : "");
    } else if (cmd == "fake") {
        n ? (void)(s_fake = Window(kTitle)) : (void)DestroyWindow(s_fake);
    } else if (cmd == "sleep") {
        Pump(n);
    } else if (!d) {
        Add("window", "none");
    } else if (cmd == "state") {
        State(d);
    } else if (cmd == "rects") {
        Rects(d);
    } else if (cmd == "click") {
        Click(d, n);
    } else if (cmd == "keys") {
        SetForegroundWindow(Box(d) ? Box(d) : d);
        Keys(arg);
    } else if (cmd == "text") { // text ID STRING replaces the text, as a paste does
        Send(GetDlgItem(d, n), WM_SETTEXT, 0, (LPARAM)Wide(strchr(arg, ' ') ? strchr(arg, ' ') + 1 : "").c_str());
    } else if (cmd == "post") { // post MSG WPARAM LPARAM, to the launcher, or a command to its box
        char* p = arg;
        const UINT msg = strtoul(p, &p, 0);
        const WPARAM wp = strtoul(p, &p, 0);
        PostMessageW(Box(d) && msg == WM_COMMAND ? Box(d) : d, msg, wp, strtol(p, nullptr, 0));
    } else if (cmd == "min") {
        ShowWindow(d, SW_MINIMIZE);
    } else if (cmd == "grow") {
        SetWindowPos(d, nullptr, 0, 0, 600, 700, SWP_NOZORDER);
        RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    } else if (cmd == "hostile") {
        Hostile(d);
    } else {
        Add("error", cmd);
    }
}
} // namespace

int main()
{
    char line[1024];
    while (fgets(line, sizeof line, stdin)) {
        line[strcspn(line, "\r\n")] = 0;
        char* arg = strchr(line, ' ');
        if (arg) *arg++ = 0;
        g_out.clear();
        Run(line, arg ? arg : (char*)"");
        printf("%s\n", g_out.empty() ? "ok" : g_out.c_str());
        fflush(stdout);
    }
}
