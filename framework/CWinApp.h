// The application object: start-up hook, application name, and integer
// settings kept as REG_DWORD values under
// HKCU\Software\<registry key>\<application name>\<section>.
#pragma once
#include <windows.h>

#include "CHandleMap.h"
#include "CRegKey.h"

class CWnd;

class CWinApp {
public:
    // The one application object registers itself here; AfxGetApp finds it.
    explicit CWinApp(LPCWSTR pszAppName = nullptr);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // TRUE keeps the program running; it then ends as soon as no main window remains.
    virtual BOOL InitInstance();
    virtual int Run();

    // Sets the application name to the program file's base name unless one was given.
    void InitAppName(HINSTANCE hInstance);
    void SetRegistryKey(LPCWSTR pszRegistryKey);
    BOOL Enable3dControls() { return TRUE; }
    // Asks Windows to lay the windows out at the display's scaling instead of
    // stretching a 96-DPI picture of them. Call before any window exists.
    BOOL EnableDpiAwareness();
    void OnHelp() {}

    // Integers on a section key (see GetSectionKey): a missing value, a missing
    // key, or a value that is not a 4-byte REG_DWORD yields nDefault.
    static int ReadSectionInt(const CRegKey& section, LPCWSTR pszEntry, int nDefault);
    static BOOL WriteSectionInt(const CRegKey& section, LPCWSTR pszEntry, int nValue);

    // Opens (creating what is missing) HKCU\Software\<key>\<application>\<section>;
    // null without a registry key or when the registry refuses. The caller closes it.
    HKEY GetSectionKey(LPCWSTR pszSection);

    LPCWSTR m_pszAppName = nullptr;
    LPCWSTR m_pszRegistryKey = nullptr;
    LPCWSTR m_pszProfileName = nullptr;
    CWnd* m_pMainWnd = nullptr;
    // The objects of the program's windows, for its window procedures.
    CHandleMap m_handleMap;
};

CWinApp* AfxGetApp();
// The window the program runs as (null before it exists).
CWnd* AfxGetMainWnd();
// The caption of every message box that brings none of its own.
LPCWSTR AfxGetAppName();
// Where the program's window procedures find the objects of its windows (null without an application).
CHandleMap* AfxGetHandleMap();

// Profile access bound to one section, in the shape the settings rules expect.
// The section key is opened once for the whole sequence of values.
class CProfileSection {
public:
    CProfileSection(CWinApp* pApp, LPCWSTR pszSection) : m_key(pApp->GetSectionKey(pszSection)) {}
    int GetInt(LPCWSTR pszEntry, int nDefault) { return CWinApp::ReadSectionInt(m_key, pszEntry, nDefault); }
    void WriteInt(LPCWSTR pszEntry, int nValue) { CWinApp::WriteSectionInt(m_key, pszEntry, nValue); }

private:
    CRegKey m_key;
};
