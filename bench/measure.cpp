// measure: the benchmark's stopwatch, run under Wine beside the programs it
// times. Each command prints one JSON line per program (and way of running it).
//
//   measure startup RUNS DIR EXE...       process creation to the window shown,
//                                         and the working set once it is up
//   measure countdown RUNS DIR EXE N...   auto-run after N s: the stand-in's
//                                         creation time minus (shown + N s)
//   measure launch RUNS DIR               the launch alone: a fresh process loads
//                                         shell32 and ShellExecutes the stand-in
//                                         as Zarvel does; call to creation time
//   measure cpu RUNS DIR MS FLOOR ZARVEL  CPU time over MS ms once the window is
//                                         up: both idle, then both counting down
//
// Runs of several programs alternate, so drift in the machine's load falls on
// all of them alike. DIR is the working folder, with the stand-in nero.exe.
#include <windows.h>

#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

// The launcher's settings, as the countdown runs set them.
namespace treg {
void ResetSettings() { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Zarvel v1.0"); }
void StoreDword(const wchar_t* name, DWORD value)
{
    HKEY hKey = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Zarvel v1.0\\Zarvel v1.0\\\u8a2d\u5b9a", 0, nullptr, 0,
                          KEY_WRITE, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return;
    ::RegSetValueExW(hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    ::RegCloseKey(hKey);
}
} // namespace treg

namespace {

// Milliseconds since 1970, the clock of the stand-in's creation times.
double UnixMs()
{
    FILETIME ft;
    ::GetSystemTimePreciseAsFileTime(&ft);
    const ULONGLONG t = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<double>(t - 116444736000000000ULL) / 10000.0;
}

// The program's dialog, shown or not yet: a top-level window of the dialog class.
HWND FindDialog(DWORD pid)
{
    HWND hWnd = nullptr;
    while ((hWnd = ::FindWindowExW(nullptr, hWnd, L"#32770", nullptr)) != nullptr) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hWnd, &owner);
        if (owner == pid)
            return hWnd;
    }
    return nullptr;
}

// A started program, ended by its own handle if it outlives its measurement.
class Child {
public:
    Child(const std::wstring& exe, const std::wstring& dir, const std::wstring& args = L"")
    {
        std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        m_startMs = UnixMs();
        if (!::CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &m_pi))
            m_pi = PROCESS_INFORMATION();
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child()
    {
        if (!m_pi.hProcess)
            return;
        if (::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(m_pi.hProcess, 99);
            ::WaitForSingleObject(m_pi.hProcess, 5000);
        }
        ::CloseHandle(m_pi.hThread);
        ::CloseHandle(m_pi.hProcess);
    }

    // The moment the dialog is first shown, in ms after creation, or -1. Its
    // window exists hidden while it initialises; found, it is polled every
    // millisecond, and the moment taken halfway between the last poll that
    // saw it hidden and the first that saw it shown.
    double WaitShown(DWORD timeoutMs)
    {
        double hiddenAt = m_startMs;
        while (m_pi.hProcess) {
            if (!m_hWnd)
                m_hWnd = FindDialog(m_pi.dwProcessId);
            const bool shown = m_hWnd && ::IsWindowVisible(m_hWnd);
            const double now = UnixMs();
            if (shown) {
                m_shownMs = (hiddenAt + now) / 2;
                m_shownWithinMs = now - hiddenAt;
                return m_shownMs - m_startMs;
            }
            hiddenAt = now;
            if (now - m_startMs > timeoutMs || ::WaitForSingleObject(m_pi.hProcess, 1) != WAIT_TIMEOUT)
                break;
        }
        return -1;
    }

    void WaitIdle() const { ::WaitForInputIdle(m_pi.hProcess, 5000); }

    double WorkingSetKiB() const
    {
        PROCESS_MEMORY_COUNTERS pmc = {};
        pmc.cb = sizeof(pmc);
        ::GetProcessMemoryInfo(m_pi.hProcess, &pmc, sizeof(pmc));
        return static_cast<double>(pmc.WorkingSetSize) / 1024.0;
    }

    bool WaitExit(DWORD ms) const { return ::WaitForSingleObject(m_pi.hProcess, ms) == WAIT_OBJECT_0; }

    // As a user closes it: WM_CLOSE, then the process ends by itself.
    void Close() const
    {
        if (m_hWnd)
            ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        WaitExit(10000);
    }

    double ShownMs() const { return m_shownMs; }
    // How far apart the polls around that moment were.
    double ShownWithinMs() const { return m_shownWithinMs; }

private:
    PROCESS_INFORMATION m_pi = {};
    HWND m_hWnd = nullptr;
    double m_startMs = 0;
    double m_shownMs = 0;
    double m_shownWithinMs = 0;
};

std::string ReadAll(const std::wstring& path)
{
    std::string text;
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return text;
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(h, buf, sizeof(buf), &n, nullptr) && n)
        text.append(buf, n);
    ::CloseHandle(h);
    return text;
}

// The Unix process Wine runs a program in. Windows' own process times tick in
// 10 ms steps, far coarser than an idle dialog's use; the kernel's scheduler
// statistics count nanoseconds. Wine gives the Unix process the Windows command
// line as its argv, which is how we find it.
class UnixProcess {
public:
    explicit UnixProcess(const std::wstring& exe)
    {
        std::string want;
        for (wchar_t c : exe)
            want += static_cast<char>(c);
        WIN32_FIND_DATAW fd;
        HANDLE h = ::FindFirstFileW(L"Z:\\proc\\*", &fd);
        if (h == INVALID_HANDLE_VALUE)
            return;
        do {
            const std::wstring dir = L"Z:\\proc\\" + std::wstring(fd.cFileName);
            if (fd.cFileName[0] >= L'1' && fd.cFileName[0] <= L'9' && ReadAll(dir + L"\\cmdline").c_str() == want)
                m_dir = dir;
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }

    // CPU time of all its threads so far, or -1 when the process was not found.
    double CpuMs() const
    {
        if (m_dir.empty())
            return -1;
        double ns = 0;
        WIN32_FIND_DATAW fd;
        HANDLE h = ::FindFirstFileW((m_dir + L"\\task\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE)
            return -1;
        do {
            if (fd.cFileName[0] != L'.')
                ns += atof(ReadAll(m_dir + L"\\task\\" + fd.cFileName + L"\\schedstat").c_str());
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
        return ns / 1e6;
    }

private:
    std::wstring m_dir;
};

std::string Json(const std::vector<double>& values)
{
    std::string s = "[";
    for (size_t i = 0; i < values.size(); ++i) {
        char buf[32];
        snprintf(buf, sizeof(buf), "%s%.2f", i ? "," : "", values[i]);
        s += buf;
    }
    return s + "]";
}

std::string Narrow(const std::wstring& w)
{
    std::string s;
    for (wchar_t c : w)
        s += c == L'\\' ? std::string("\\\\") : c < 0x80 ? std::string(1, static_cast<char>(c)) : std::string("?");
    return s;
}

void Emit(const std::wstring& exe, const char* fields)
{
    printf("{\"exe\":\"%s\",%s}\n", Narrow(exe).c_str(), fields);
    fflush(stdout);
}

// The stand-in's last start, from its log: its arguments and its creation time.
struct StandinStart {
    std::string arguments;
    double createdMs = -1;
};

StandinStart LastStandinStart(const std::wstring& dir)
{
    StandinStart last;
    FILE* f = _wfopen((dir + L"\\nero.log").c_str(), L"rb");
    if (!f)
        return last;
    char line[4096];
    while (fgets(line, sizeof(line), f)) {
        const char* tab = strchr(line, '\t');
        if (tab) {
            last.arguments.assign(line, static_cast<size_t>(tab - line));
            last.createdMs = atof(tab + 1);
        }
    }
    fclose(f);
    return last;
}

// The stand-in runs on after Zarvel has gone; its line may come a little later.
StandinStart AwaitStandinStart(const std::wstring& dir)
{
    StandinStart start;
    for (int i = 0; i < 500 && (start = LastStandinStart(dir)).createdMs < 0; ++i)
        ::Sleep(10);
    return start;
}

void ForgetStandin(const std::wstring& dir) { ::DeleteFileW((dir + L"\\nero.log").c_str()); }

// A countdown of the given length, started when the window opens.
void StoreAutorun(int seconds)
{
    treg::ResetSettings();
    treg::StoreDword(L"EnableAutorun", 1);
    treg::StoreDword(L"WaitSeconds", static_cast<DWORD>(seconds));
    treg::StoreDword(L"SelectedOption", 1004);
    treg::StoreDword(L"CloseZarvel", 1);
}

int Startup(int runs, const std::wstring& dir, const std::vector<std::wstring>& exes)
{
    treg::ResetSettings();
    std::vector<std::vector<double>> times(exes.size()), sets(exes.size());
    // One unmeasured round first: the first start of anything pays for cold caches.
    for (int run = -1; run < runs; ++run) {
        for (size_t i = 0; i < exes.size(); ++i) {
            Child child(exes[i], dir);
            const double ms = child.WaitShown(20000);
            child.WaitIdle();
            if (run >= 0 && ms >= 0) {
                times[i].push_back(ms);
                sets[i].push_back(child.WorkingSetKiB());
            }
            child.Close();
        }
    }
    for (size_t i = 0; i < exes.size(); ++i)
        Emit(exes[i], ("\"startup_ms\":" + Json(times[i]) + ",\"working_set_kib\":" + Json(sets[i])).c_str());
    return 0;
}

const double SHOWN_WITHIN_MS = 5;

int Countdown(int runs, const std::wstring& dir, const std::wstring& exe, const std::vector<int>& lengths)
{
    for (int seconds : lengths) {
        std::vector<double> errors, within;
        int unpinned = 0;
        // A run whose polls, kept waiting by the machine, pin the shown moment
        // no closer than SHOWN_WITHIN_MS says nothing about the count: another
        // run takes its place, up to twice the runs in all.
        for (int run = 0; run < 2 * runs && static_cast<int>(errors.size()) < runs; ++run) {
            StoreAutorun(seconds);
            ForgetStandin(dir);
            Child child(exe, dir);
            if (child.WaitShown(20000) < 0)
                continue;
            child.WaitExit(static_cast<DWORD>(seconds) * 1000 + 15000);
            const double created = AwaitStandinStart(dir).createdMs;
            if (created < 0)
                continue;
            if (child.ShownWithinMs() > SHOWN_WITHIN_MS) {
                ++unpinned;
                continue;
            }
            errors.push_back(created - child.ShownMs() - seconds * 1000.0);
            within.push_back(child.ShownWithinMs());
        }
        char fields[96];
        snprintf(fields, sizeof(fields), "\"seconds\":%d,\"unpinned\":%d,\"error_ms\":", seconds, unpinned);
        Emit(exe, (fields + Json(errors) + ",\"shown_within_ms\":" + Json(within)).c_str());
    }
    treg::ResetSettings();
    return 0;
}

// What the launch itself takes, none of it the count's: Zarvel's last tick
// loads shell32 and calls ShellExecute, and Wine stamps the stand-in's
// creation time only once it has spawned the process. Each run is a fresh
// process of ours (ShellExecuteOnce) doing the same, from the call to the
// creation time.
int Launch(int runs, const std::wstring& dir, const std::wstring& self)
{
    std::vector<double> latencies;
    for (int run = 0; run < runs; ++run) {
        ForgetStandin(dir);
        Child child(self, dir, L"shellexecute 1 \"" + dir + L"\"");
        child.WaitExit(10000);
        const StandinStart start = AwaitStandinStart(dir);
        if (start.createdMs > 0)
            latencies.push_back(start.createdMs - atof(start.arguments.c_str()));
    }
    Emit(dir + L"\\nero.exe", ("\"launch_ms\":" + Json(latencies)).c_str());
    return 0;
}

// One launch for Launch, which reads its start time from the stand-in's
// arguments. Nothing of ours imports shell32, so it loads here as in Zarvel.
int ShellExecuteOnce()
{
    wchar_t arguments[32];
    snwprintf(arguments, 32, L"%.3f", UnixMs());
    if (::GetModuleHandleW(L"shell32.dll"))
        return 1;
    typedef HINSTANCE(WINAPI * ShellExecuteFn)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    const auto pfn = reinterpret_cast<ShellExecuteFn>(
        reinterpret_cast<void*>(::GetProcAddress(::LoadLibraryW(L"shell32.dll"), "ShellExecuteW")));
    return pfn && reinterpret_cast<INT_PTR>(pfn(nullptr, nullptr, L"nero.exe", arguments, nullptr, SW_SHOWNORMAL)) > 32
               ? 0
               : 1;
}

// CPU time over `ms` once the window is up, each program idle and counting
// down: the floor started with a number, Zarvel with auto-run, both counting
// for longer than the window so that nothing launches inside it.
int Cpu(int runs, const std::wstring& dir, DWORD ms, const std::wstring& floor, const std::wstring& zarvel)
{
    const int count = static_cast<int>(ms / 1000) + 2;
    struct Way {
        const std::wstring& exe;
        const char* mode;
        std::wstring args;
        int autorun;
        std::vector<double> cpu;
        int launched;
    } ways[] = {{floor, "idle", L"", 0, {}, 0},
                {zarvel, "idle", L"", 0, {}, 0},
                {floor, "counting", std::to_wstring(count), 0, {}, 0},
                {zarvel, "counting", L"", count, {}, 0}};
    for (int run = 0; run < runs; ++run) {
        for (Way& way : ways) {
            if (way.autorun)
                StoreAutorun(way.autorun);
            else
                treg::ResetSettings();
            ForgetStandin(dir);
            Child child(way.exe, dir, way.args);
            if (child.WaitShown(20000) < 0)
                continue;
            child.WaitIdle();
            // Past the first paint's tail, which is start-up, not waiting.
            ::Sleep(250);
            const UnixProcess unix(way.exe);
            const double before = unix.CpuMs();
            ::Sleep(ms);
            if (before >= 0)
                way.cpu.push_back(unix.CpuMs() - before);
            way.launched += LastStandinStart(dir).createdMs > 0;
            child.Close();
        }
    }
    treg::ResetSettings();
    for (const Way& way : ways)
        Emit(way.exe, ("\"mode\":\"" + std::string(way.mode) + "\",\"cpu_ms\":" + Json(way.cpu) +
                       ",\"launched\":" + std::to_string(way.launched))
                          .c_str());
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        fputs("usage: measure startup|countdown|launch|cpu RUNS DIR ... (see measure.cpp)\n", stderr);
        return 2;
    }
    const std::wstring cmd = argv[1], dir = argv[3];
    // The stand-in records its starts where the measurements look for them.
    ::SetEnvironmentVariableW(L"ZARVEL_NERO_LOG", (dir + L"\\nero.log").c_str());
    const int runs = _wtoi(argv[2]);
    std::vector<std::wstring> rest(argv + 4, argv + argc);
    if (cmd == L"startup" && !rest.empty())
        return Startup(runs, dir, rest);
    if (cmd == L"countdown" && rest.size() >= 2) {
        std::vector<int> lengths;
        for (size_t i = 1; i < rest.size(); ++i)
            lengths.push_back(_wtoi(rest[i].c_str()));
        return Countdown(runs, dir, rest[0], lengths);
    }
    if (cmd == L"launch") {
        wchar_t self[MAX_PATH];
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        return Launch(runs, dir, self);
    }
    if (cmd == L"shellexecute")
        return ShellExecuteOnce();
    if (cmd == L"cpu" && rest.size() == 3)
        return Cpu(runs, dir, static_cast<DWORD>(_wtoi(rest[0].c_str())), rest[1], rest[2]);
    fputs("measure: bad arguments\n", stderr);
    return 2;
}
