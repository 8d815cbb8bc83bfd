#include "E2eSupport.h"

#include <gtest/gtest.h>

#include <stdio.h>

namespace e2e {

namespace {

std::wstring& Path(int i)
{
    static std::wstring paths[2];
    return paths[i];
}

// Wine maps the Unix root to drive Z:.
std::wstring ToWindowsPath(const char* unixPath)
{
    std::wstring path = L"Z:";
    for (const char* p = unixPath; *p; ++p)
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return path;
}

struct FindData {
    DWORD pid;
    HWND hExclude;
    bool launcherOnly;
    HWND hFound;
};

BOOL CALLBACK FindDialog(HWND hWnd, LPARAM lParam)
{
    auto* data = reinterpret_cast<FindData*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    wchar_t cls[16] = L"";
    ::GetClassNameW(hWnd, cls, 16);
    if (pid != data->pid || hWnd == data->hExclude || wcscmp(cls, L"#32770") != 0 || !::IsWindowVisible(hWnd))
        return TRUE;
    if (data->launcherOnly && TextOf(hWnd) != L"Zarvel v1.0")
        return TRUE;
    // A message box carries the same title; the launcher owns it, so it has an owner.
    if (data->launcherOnly && ::GetWindow(hWnd, GW_OWNER))
        return TRUE;
    data->hFound = hWnd;
    return FALSE;
}

} // namespace

const std::wstring& ZarvelExe() { return Path(0); }
const std::wstring& NeroExe() { return Path(1); }

bool WaitUntil(DWORD ms, const std::function<bool()>& pred)
{
    const ULONGLONG end = ::GetTickCount64() + ms;
    while (!pred()) {
        if (::GetTickCount64() >= end)
            return false;
        ::Sleep(10);
    }
    return true;
}

Sandbox::Sandbox(bool withNero)
{
    wchar_t temp[MAX_PATH] = L"";
    ::GetTempPathW(MAX_PATH, temp);
    static unsigned counter = 0;
    wchar_t name[64];
    swprintf(name, 64, L"zarvel-e2e-%lu-%u", ::GetCurrentProcessId(), ++counter);
    m_dir = std::wstring(temp) + name;
    ::CreateDirectoryW(m_dir.c_str(), nullptr);
    // Wine reuses process ids; a folder an earlier run could not remove (its
    // stand-in still running) must not lend this one its log or its nero.exe.
    ::DeleteFileW((m_dir + L"\\nero.log").c_str());
    ::DeleteFileW((m_dir + L"\\nero.exe").c_str());
    if (withNero)
        ::CopyFileW(NeroExe().c_str(), (m_dir + L"\\nero.exe").c_str(), FALSE);
}

Sandbox::~Sandbox()
{
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((m_dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileW((m_dir + L"\\" + fd.cFileName).c_str());
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(m_dir.c_str());
}

std::vector<std::wstring> Sandbox::NeroCalls() const
{
    std::vector<std::wstring> calls;
    FILE* f = _wfopen((m_dir + L"\\nero.log").c_str(), L"rb");
    if (!f)
        return calls;
    char line[4096];
    while (fgets(line, sizeof(line), f)) {
        std::string s(line);
        s = s.substr(0, s.find('\t'));
        wchar_t wide[4096];
        const int n = ::MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), wide, 4096);
        calls.emplace_back(wide, n > 0 ? n : 0);
    }
    fclose(f);
    return calls;
}

void Sandbox::WriteFile(const wchar_t* name, const char* content) const
{
    FILE* f = _wfopen((m_dir + L"\\" + name).c_str(), L"wb");
    if (!f)
        return;
    fputs(content, f);
    fclose(f);
}

Process::Process(const std::wstring& exe, const std::wstring& args, const std::wstring& dir)
{
    std::wstring cmd = L"\"" + exe + L"\"";
    if (!args.empty())
        cmd += L" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    if (!::CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &m_pi))
        m_pi = PROCESS_INFORMATION();
}

Process::~Process()
{
    if (!m_pi.hProcess)
        return;
    if (Running()) {
        ::TerminateProcess(m_pi.hProcess, 99);
        ::WaitForSingleObject(m_pi.hProcess, 5000);
    }
    ::CloseHandle(m_pi.hThread);
    ::CloseHandle(m_pi.hProcess);
}

bool Process::WaitExit(DWORD ms) { return m_pi.hProcess && ::WaitForSingleObject(m_pi.hProcess, ms) == WAIT_OBJECT_0; }

bool Process::Running() const { return m_pi.hProcess && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT; }

DWORD Process::ExitCode() const
{
    DWORD code = 0;
    ::GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

Process StartZarvel(const Sandbox& box, const std::wstring& args) { return Process(ZarvelExe(), args, box.dir()); }

HWND FindLauncher(DWORD pid, DWORD ms)
{
    FindData data = {pid, nullptr, true, nullptr};
    WaitUntil(ms, [&] {
        ::EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(&data));
        return data.hFound != nullptr;
    });
    return data.hFound;
}

HWND FindOtherDialog(DWORD pid, HWND hLauncher)
{
    FindData data = {pid, hLauncher, false, nullptr};
    ::EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(&data));
    return data.hFound;
}

std::wstring TextOf(HWND hWnd)
{
    wchar_t buffer[512] = L"";
    ::GetWindowTextW(hWnd, buffer, 512);
    return buffer;
}

std::wstring StaticTexts(HWND hDlg)
{
    std::wstring text;
    for (HWND h = ::GetWindow(hDlg, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        wchar_t cls[16] = L"";
        ::GetClassNameW(h, cls, 16);
        if (_wcsicmp(cls, L"Static") == 0 && !TextOf(h).empty())
            text += TextOf(h) + L"\n";
    }
    return text;
}

bool CloseLauncher(HWND hLauncher, Process& proc, DWORD ms)
{
    ::PostMessageW(hLauncher, WM_SYSCOMMAND, SC_CLOSE, 0);
    return proc.WaitExit(ms);
}

} // namespace e2e

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 3) {
        fprintf(stderr, "usage: %s Zarvel.exe nero.exe (Unix paths)\n", argv[0]);
        return 2;
    }
    e2e::Path(0) = e2e::ToWindowsPath(argv[1]);
    e2e::Path(1) = e2e::ToWindowsPath(argv[2]);
    return RUN_ALL_TESTS();
}
