// Whole-program tests: the real Zarvel.exe in its own process, in a folder of
// its own with the stand-in nero.exe beside it, as a user would place it.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/TestRegistry.h"

namespace e2e {

// Windows paths of the program and of the stand-in, from the command line.
const std::wstring& ZarvelExe();
const std::wstring& NeroExe();

// Polls pred every few milliseconds until it holds or ms have passed.
bool WaitUntil(DWORD ms, const std::function<bool()>& pred);

// A fresh working folder; with a nero.exe stand-in unless told otherwise.
class Sandbox {
public:
    explicit Sandbox(bool withNero = true);
    ~Sandbox();
    const std::wstring& dir() const { return m_dir; }
    // Every start of the stand-in so far: its argument text, one per start.
    std::vector<std::wstring> NeroCalls() const;
    // Puts a file of this content at name inside the folder.
    void WriteFile(const wchar_t* name, const char* content) const;

private:
    std::wstring m_dir;
};

// A started program, ended (by its own handle) if still running at the end.
class Process {
public:
    Process(const std::wstring& exe, const std::wstring& args, const std::wstring& dir);
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();
    bool started() const { return m_pi.hProcess != nullptr; }
    DWORD pid() const { return m_pi.dwProcessId; }
    bool WaitExit(DWORD ms);
    // Until the program waits for input with nothing left to do.
    bool WaitIdle(DWORD ms = 10000) const { return ::WaitForInputIdle(m_pi.hProcess, ms) == 0; }
    bool Running() const;
    DWORD ExitCode() const;

private:
    PROCESS_INFORMATION m_pi = {};
};

// Starts Zarvel.exe in the sandbox.
Process StartZarvel(const Sandbox& box, const std::wstring& args = L"");

// The visible launcher window ("Zarvel v1.0", dialog class) of that process.
HWND FindLauncher(DWORD pid, DWORD ms = 10000);
// A visible dialog of that process other than the launcher (a message box), or null.
HWND FindOtherDialog(DWORD pid, HWND hLauncher);
std::wstring TextOf(HWND hWnd);
// The texts of a dialog's static controls, one per line.
std::wstring StaticTexts(HWND hDlg);

// Closes the launcher as its close button does, and waits for the process.
bool CloseLauncher(HWND hLauncher, Process& proc, DWORD ms = 10000);

} // namespace e2e
