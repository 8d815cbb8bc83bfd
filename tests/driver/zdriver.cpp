// zdriver: the suite's hands and eyes on the running launcher, from outside
// its process. Reads one command a line on stdin and answers each with one
// line: "key=value" pairs separated by tabs, or "ok". Both ways in UTF-16.
#include <windows.h>

#include <oleacc.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {
const wchar_t kTitle[] = L"Zarvel v1.0";
std::wstring g_out;

void Add(const std::wstring& key, const std::wstring& value) { g_out += key + L"=" + value + L"\t"; }
void Add(const std::wstring& key, long long value) { Add(key, std::to_wstring(value)); }

// Never waits long on a window that does not answer.
LRESULT Send(HWND h, UINT msg, WPARAM wp = 0, LPARAM lp = 0)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(h, msg, wp, lp, SMTO_ABORTIFHUNG, 2000, &result);
    return (LRESULT)result;
}

// A window's text on one line: line feeds become "~".
std::wstring Text(HWND h)
{
    wchar_t s[512] = L"";
    Send(h, WM_GETTEXT, 512, (LPARAM)s);
    std::replace(s, s + wcslen(s), L'\n', L'~');
    return s;
}

// The launchers on the screen.
std::vector<HWND> Look()
{
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

// A control's left, top, right and bottom in client coordinates of d, or d's
// client area in screen coordinates.
std::wstring Rect(HWND h, HWND d)
{
    RECT r;
    h == d ? GetClientRect(d, &r) : GetWindowRect(h, &r);
    MapWindowPoints(h == d ? d : nullptr, h == d ? nullptr : d, (POINT*)&r, 2);
    return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
           std::to_wstring(r.bottom);
}

// A message box or About box that the launcher owns: the first after one that it does not.
HWND Box(HWND d, HWND after = nullptr)
{
    const HWND box = FindWindowExW(nullptr, after, L"#32770", nullptr);
    return box && GetWindow(box, GW_OWNER) != d ? Box(d, box) : box;
}

// The view: the window ends at the top of one of the markers.
const wchar_t* View(HWND d)
{
    RECT window, simple, advanced;
    GetWindowRect(d, &window);
    GetWindowRect(GetDlgItem(d, 1004), &simple);
    GetWindowRect(GetDlgItem(d, 1005), &advanced);
    return window.bottom == simple.top ? L"simple" : window.bottom == advanced.top ? L"advanced" : L"neither";
}

// Each control's text, enabled and check state, and its place when visible;
// the default push button; each list's selected item data, and the rows of a
// dropped list.
void Controls(HWND d)
{
    for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const std::wstring id = std::to_wstring(GetDlgCtrlID(c));
        Add(L"t" + id, Text(c));
        Add(L"e" + id, IsWindowEnabled(c));
        Add(L"c" + id, Send(c, BM_GETCHECK));
        if (IsWindowVisible(c))
            Add(L"r" + id, Rect(c, d));
        if (Send(c, WM_GETDLGCODE) & DLGC_DEFPUSHBUTTON)
            Add(L"def", id);
    }
    for (int id : {1008, 1009}) {
        const LRESULT sel = Send(GetDlgItem(d, id), CB_GETCURSEL);
        Add(L"s" + std::to_wstring(id), sel < 0 ? 0 : Send(GetDlgItem(d, id), CB_GETITEMDATA, sel));
    }
    const HWND list = FindWindowW(L"ComboLBox", nullptr);
    if (list && IsWindowVisible(list)) {
        RECT rc;
        GetClientRect(list, &rc);
        Add(L"drop", rc.bottom / Send(list, LB_GETITEMHEIGHT));
    }
}

// The box's title and the texts of its controls (without a box, none); an
// icon's text is its number.
std::wstring BoxTexts(HWND d)
{
    const HWND b = Box(d);
    std::wstring texts = Text(b);
    for (HWND c = GetWindow(b, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (const std::wstring t = Text(c); t[0] && t[0] != 0xFFFF)
            texts += L"|" + t;
    return texts;
}

void State(HWND d)
{
    Add(L"view", View(d));
    GUITHREADINFO gti = {sizeof(gti)};
    GetGUIThreadInfo(GetWindowThreadProcessId(d, nullptr), &gti);
    Add(L"focus", GetDlgCtrlID(gti.hwndFocus));
    Add(L"min", IsIconic(d));
    Add(L"fg", GetForegroundWindow() == d);
    Add(L"client", Rect(d, d));
    RECT w, a;
    GetWindowRect(d, &w), SystemParametersInfoW(SPI_GETWORKAREA, 0, &a, 0);
    Add(L"centred", abs(w.left + w.right - a.left - a.right) < 4 && abs(w.top + w.bottom - a.top - a.bottom) < 4);
    Controls(d);
    Add(L"box", BoxTexts(d));
}

// The box or the launcher in front, for keys from the X server, and the X
// window that Wine made for it, which must have the X focus before they come.
void Front(HWND d)
{
    SetForegroundWindow(d = Box(d) ? Box(d) : d);
    Add(L"x", (INT_PTR)GetPropW(d, L"__wine_x11_whole_window"));
}

// Each control's name as a screen reader hears it: "n" and the control's id.
void Names(HWND d)
{
    // IID_IAccessible, which Debian's MinGW links wrong.
    const GUID iid = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0, 0xaa, 0, 0x38, 0x9b, 0x71}};
    const VARIANT self = {{{VT_I4}}};
    for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        IAccessible* acc;
        BSTR name;
        if (AccessibleObjectFromWindow(c, OBJID_CLIENT, iid, (void**)&acc) == S_OK) {
            if (acc->get_accName(self, &name) == S_OK)
                Add(L"n" + std::to_wstring(GetDlgCtrlID(c)), name), SysFreeString(name);
            acc->Release();
        }
    }
}

// fit DPI EXE: the controls of the box, or else of the launcher, whose text is
// wider than their room at the display's DPI, in the font that the dialog
// manager makes from EXE's template (the size and face after its menu, class
// and title), as drawn: Wine may draw a face wider than it measures it.
void Fit(HWND w, wchar_t* arg)
{
    const int dpi = wcstol(arg, &arg, 10), id = Box(w) ? 100 : 102;
    wchar_t cls[16];
    w = Box(w) ? Box(w) : w;
    const HMODULE m = LoadLibraryExW(arg + 1, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const WORD* h = (const WORD*)LockResource(LoadResource(m, FindResourceW(m, MAKEINTRESOURCEW(id), RT_DIALOG)));
    const bool ex = h[1] == 0xFFFF;
    const WORD* t = h + (ex ? 13 : 9);
    for (int i = 0; i < 3; ++i)
        t = *t == 0xFFFF ? t + 2 : t + wcslen((const wchar_t*)t) + 1;
    const HDC dc = CreateCompatibleDC(nullptr);
    const BITMAPINFO bi = {{sizeof(BITMAPINFOHEADER), 1024, -64, 1, 32}};
    DWORD* bits;
    const HGDIOBJ bmp = SelectObject(dc, CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void**)&bits, nullptr, 0));
    SelectObject(dc, CreateFontW(-MulDiv(t[0], dpi, 72), 0, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                 (const wchar_t*)(t + (ex ? 3 : 1))));
    std::wstring clipped;
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT rc, all = {0, 0, 1024, 64};
        GetClientRect(c, &rc);
        GetClassNameW(c, cls, 16);
        std::fill(bits, bits + 1024 * 64, 0xFFFFFF);
        DrawTextW(dc, Text(c).c_str(), -1, &all, DT_SINGLELINE);
        GdiFlush();
        int drawn = 0; // the last column with ink
        for (int i = 0; i < 1024 * 64; ++i)
            drawn = (bits[i] & 0xFF) < 0xC0 ? std::max(drawn, i % 1024 + 1) : drawn;
        // The room a text has: less a list's arrow, a check box's box, a button's frame.
        const bool check = (GetWindowLongW(c, GWL_STYLE) & 0xF) == BS_AUTOCHECKBOX;
        const int frame = !wcscmp(cls, L"Static") ? 0 : !wcscmp(cls, L"ComboBox") ? 24 : check ? 16 : 6;
        if (IsWindowVisible(c) && rc.right > 0 && wcscmp(cls, L"msctls_updown32") &&
            drawn > rc.right - MulDiv(frame, dpi, 96))
            clipped += std::to_wstring(GetDlgCtrlID(c)) + L" ";
    }
    DeleteObject(SelectObject(dc, GetStockObject(SYSTEM_FONT)));
    DeleteObject(SelectObject(dc, bmp));
    DeleteDC(dc);
    FreeLibrary(m);
    Add(L"clipped", clipped);
}

// What Windows does at logoff, the runner ending the process after it: it asks,
// then tells; "logoff ask" only asks, as when another program holds the logoff up.
void Logoff(HWND d, const wchar_t* arg)
{
    if (!Send(d, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF))
        Add(L"error", L"the launcher refused to end the session");
    if (wcscmp(arg, L"ask") != 0)
        Send(d, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
}

// post MSG WPARAM LPARAM, to the launcher, or a command to its box.
void Post(HWND d, wchar_t* arg)
{
    const UINT msg = wcstoul(arg, &arg, 0);
    const WPARAM wp = wcstoul(arg, &arg, 0);
    PostMessageW(Box(d) && msg == WM_COMMAND ? Box(d) : d, msg, wp, wcstol(arg, nullptr, 0));
}

// A window of another program, titled as asked and in front; without a title, the last one goes.
void Fake(const wchar_t* title)
{
    static HWND s_fake;
    DestroyWindow(s_fake);
    s_fake = *title ? CreateWindowW(L"STATIC", title, WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, 0, 0, 0, 0) : nullptr;
    SetForegroundWindow(s_fake);
}

// Holds the instance lock as a slow first start would, or lets it go.
void Lock(bool bHold)
{
    static HANDLE s_lock;
    ReleaseMutex(s_lock), CloseHandle(s_lock); // when there is none, both fail harmlessly
    s_lock = bHold ? CreateMutexW(nullptr, TRUE, L"Local\\Zarvel v1.0") : nullptr;
}

// churn N: N repaints of the window and its controls, each with a view
// switch, all of them handled before the answer.
void Churn(HWND d, const wchar_t* arg)
{
    for (int i = _wtoi(arg); i > 0; --i) {
        RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Send(d, WM_COMMAND, MAKEWPARAM(1003, BN_CLICKED), (LPARAM)GetDlgItem(d, 1003));
    }
}

// The commands, and those of them that need no launcher on the screen.
const std::map<std::wstring, void (*)(HWND, wchar_t*)> kCommands = {
    {L"launchers", [](HWND, wchar_t*) { Add(L"count", Look().size()); }},
    {L"fake", [](HWND, wchar_t* arg) { Fake(arg); }},
    // What a scenario leaves behind goes: the settings, another program's window, the lock.
    {L"clear",
     [](HWND, wchar_t*) { Fake(L""), Lock(false), RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Zarvel v1.0"); }},
    {L"state", [](HWND d, wchar_t*) { State(d); }},
    {L"front", [](HWND d, wchar_t*) { Front(d); }},
    // text ID STRING replaces the text, as a paste does.
    {L"text",
     [](HWND d, wchar_t* arg) { Send(GetDlgItem(d, _wtoi(arg)), WM_SETTEXT, 0, (LPARAM)(wcschr(arg, L' ') + 1)); }},
    {L"post", [](HWND d, wchar_t* arg) { Post(d, arg); }},
    {L"logoff", [](HWND d, wchar_t* arg) { Logoff(d, arg); }},
    {L"names", [](HWND d, wchar_t*) { Names(d); }},
    {L"fit", [](HWND d, wchar_t* arg) { Fit(d, arg); }},
    {L"lock", [](HWND, wchar_t* arg) { Lock(*arg == L'1'); }},
    {L"churn", [](HWND d, wchar_t* arg) { Churn(d, arg); }},
};
const std::set<std::wstring> kAlone = {L"launchers", L"fake", L"clear", L"lock"};

void Run(const std::wstring& cmd, wchar_t* arg)
{
    const auto command = kCommands.find(cmd);
    const std::vector<HWND> found = Look();
    if (command == kCommands.end())
        Add(L"error", L"no such command");
    else if (found.empty() && !kAlone.count(cmd))
        Add(L"window", L"none");
    else
        command->second(found.empty() ? nullptr : found[0], arg);
}
} // namespace

int main()
{
    CoInitialize(nullptr);
    _setmode(_fileno(stdin), _O_U16TEXT);
    _setmode(_fileno(stdout), _O_U16TEXT);
    wchar_t line[1024];
    while (fgetws(line, 1024, stdin)) {
        line[wcscspn(line, L"\r\n")] = 0;
        wchar_t* arg = wcschr(line, L' ');
        if (arg)
            *arg++ = 0;
        g_out.clear();
        Run(line, arg ? arg : (wchar_t*)L"");
        wprintf(L"%ls\n", g_out.empty() ? L"ok" : g_out.c_str());
        fflush(stdout);
    }
}
