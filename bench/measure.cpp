// measure: the benchmark's stopwatch, run under Wine beside the programs it
// times. Each command prints one JSON line per program measured.
//
//   measure startup RUNS DIR EXE...       process creation to visible window, and
//                                         the working set once the window is up
//   measure countdown RUNS DIR EXE N...   auto-run after N s: stand-in's start
//                                         time minus the time the window showed
//   measure standin RUNS DIR              ShellExecute of the stand-in to its start
//   measure idlecpu RUNS DIR MS EXE...    CPU time over MS ms once the window is
//                                         up; programs after the first count down
//
// Runs of several programs alternate, so drift in the machine's load falls on
// all of them alike. DIR is the working folder, with the stand-in nero.exe.
#include <windows.h>

#include <psapi.h>
#include <shellapi.h>
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

// Milliseconds since 1970, the stand-in's clock.
double UnixMs()
{
    FILETIME ft;
    ::GetSystemTimePreciseAsFileTime(&ft);
    const ULONGLONG t = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<double>(t - 116444736000000000ULL) / 10000.0;
}

double NowMs()
{
    static LARGE_INTEGER freq = {};
    if (!freq.QuadPart)
        ::QueryPerformanceFrequency(&freq);
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

struct WindowSearch {
    DWORD pid;
    HWND hFound;
};

BOOL CALLBACK FindVisibleWindow(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != search->pid || !::IsWindowVisible(hWnd))
        return TRUE;
    search->hFound = hWnd;
    return FALSE;
}

// A started program, ended by its own handle if it outlives its measurement.
class Child {
public:
    Child(const std::wstring& exe, const std::wstring& dir)
    {
        std::wstring cmd = L"\"" + exe + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        m_startMs = NowMs();
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

    // Polls for the first visible top-level window; ms after creation, or -1.
    double WaitVisible(DWORD timeoutMs)
    {
        WindowSearch search = {m_pi.dwProcessId, nullptr};
        while (m_pi.hProcess) {
            ::EnumWindows(&FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
            const double now = NowMs();
            if (search.hFound) {
                m_hWnd = search.hFound;
                m_visibleUnixMs = UnixMs();
                return now - m_startMs;
            }
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

    double VisibleUnixMs() const { return m_visibleUnixMs; }

private:
    PROCESS_INFORMATION m_pi = {};
    HWND m_hWnd = nullptr;
    double m_startMs = 0;
    double m_visibleUnixMs = 0;
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

// The stand-in's log: the time of its last start, or -1.
double LastStandinStart(const std::wstring& dir)
{
    FILE* f = _wfopen((dir + L"\\nero.log").c_str(), L"rb");
    if (!f)
        return -1;
    char line[4096];
    double last = -1;
    while (fgets(line, sizeof(line), f)) {
        const char* tab = strchr(line, '\t');
        if (tab)
            last = atof(tab + 1);
    }
    fclose(f);
    return last;
}

// The stand-in runs on after Zarvel has gone; its line may come a little later.
double AwaitStandinStart(const std::wstring& dir)
{
    double started = -1;
    for (int i = 0; i < 500 && (started = LastStandinStart(dir)) < 0; ++i)
        ::Sleep(10);
    return started;
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
            const double ms = child.WaitVisible(20000);
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

int Countdown(int runs, const std::wstring& dir, const std::wstring& exe, const std::vector<int>& lengths)
{
    for (int seconds : lengths) {
        std::vector<double> errors;
        for (int run = 0; run < runs; ++run) {
            StoreAutorun(seconds);
            ForgetStandin(dir);
            Child child(exe, dir);
            if (child.WaitVisible(20000) < 0)
                continue;
            child.WaitExit(static_cast<DWORD>(seconds) * 1000 + 15000);
            const double started = AwaitStandinStart(dir);
            if (started > 0)
                errors.push_back(started - child.VisibleUnixMs() - seconds * 1000.0);
        }
        char fields[64];
        snprintf(fields, sizeof(fields), "\"seconds\":%d,\"error_ms\":", seconds);
        Emit(exe, (fields + Json(errors)).c_str());
    }
    treg::ResetSettings();
    return 0;
}

// How long Wine takes from ShellExecute to the stand-in's first instruction:
// part of every countdown's measured error, and none of Zarvel's doing.
int Standin(int runs, const std::wstring& dir)
{
    std::vector<double> latencies;
    for (int run = 0; run < runs; ++run) {
        ForgetStandin(dir);
        const double before = UnixMs();
        SHELLEXECUTEINFOW sei = {};
        sei.cbSize = sizeof(sei);
        sei.fMask = SEE_MASK_NOCLOSEPROCESS;
        sei.lpFile = L"nero.exe";
        sei.lpDirectory = dir.c_str();
        sei.nShow = SW_SHOWNORMAL;
        if (!::ShellExecuteExW(&sei) || !sei.hProcess)
            continue;
        ::WaitForSingleObject(sei.hProcess, 10000);
        ::CloseHandle(sei.hProcess);
        const double started = LastStandinStart(dir);
        if (started > 0)
            latencies.push_back(started - before);
    }
    Emit(dir + L"\\nero.exe", ("\"start_latency_ms\":" + Json(latencies)).c_str());
    return 0;
}

int IdleCpu(int runs, const std::wstring& dir, DWORD ms, const std::vector<std::wstring>& exes)
{
    std::vector<std::vector<double>> cpu(exes.size());
    std::vector<int> launched(exes.size());
    for (int run = 0; run < runs; ++run) {
        for (size_t i = 0; i < exes.size(); ++i) {
            // The countdown outlasts the measurement, so no launch falls inside it.
            if (i > 0)
                StoreAutorun(static_cast<int>(ms / 1000) + 2);
            ForgetStandin(dir);
            Child child(exes[i], dir);
            if (child.WaitVisible(20000) < 0)
                continue;
            child.WaitIdle();
            // Past the first paint's tail, which is start-up, not waiting.
            ::Sleep(250);
            const UnixProcess unix(exes[i]);
            const double before = unix.CpuMs();
            ::Sleep(ms);
            if (before >= 0)
                cpu[i].push_back(unix.CpuMs() - before);
            launched[i] += LastStandinStart(dir) > 0;
            child.Close();
        }
    }
    treg::ResetSettings();
    for (size_t i = 0; i < exes.size(); ++i)
        Emit(exes[i], ("\"cpu_ms\":" + Json(cpu[i]) + ",\"launched\":" + std::to_string(launched[i])).c_str());
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        fputs("usage: measure startup|countdown|standin|idlecpu RUNS DIR ... (see measure.cpp)\n", stderr);
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
    if (cmd == L"standin")
        return Standin(runs, dir);
    if (cmd == L"idlecpu" && rest.size() >= 2)
        return IdleCpu(runs, dir, static_cast<DWORD>(_wtoi(rest[0].c_str())), {rest.begin() + 1, rest.end()});
    fputs("measure: bad arguments\n", stderr);
    return 2;
}
