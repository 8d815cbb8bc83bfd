// The application object: start-up hook, application name, and integer
// settings kept as REG_DWORD values under
// HKCU\Software\<registry key>\<application name>\<section>.
#pragma once
#include <windows.h>

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
    void OnHelp() {}

    // A missing value, a missing key, or a value that is not a 4-byte REG_DWORD
    // yields nDefault. Keys on the path are created on access.
    int GetProfileInt(LPCWSTR pszSection, LPCWSTR pszEntry, int nDefault);
    BOOL WriteProfileInt(LPCWSTR pszSection, LPCWSTR pszEntry, int nValue);

    LPCWSTR m_pszAppName = nullptr;
    LPCWSTR m_pszRegistryKey = nullptr;
    LPCWSTR m_pszProfileName = nullptr;
    CWnd* m_pMainWnd = nullptr;

private:
    HKEY OpenSectionKey(LPCWSTR pszSection);
};

// Profile access bound to one section, in the shape the settings rules expect.
class CProfileSection {
public:
    CProfileSection(CWinApp* pApp, LPCWSTR pszSection) : m_pApp(pApp), m_pszSection(pszSection) {}
    int GetInt(LPCWSTR pszEntry, int nDefault) { return m_pApp->GetProfileInt(m_pszSection, pszEntry, nDefault); }
    void WriteInt(LPCWSTR pszEntry, int nValue) { m_pApp->WriteProfileInt(m_pszSection, pszEntry, nValue); }

private:
    CWinApp* m_pApp;
    LPCWSTR m_pszSection;
};
