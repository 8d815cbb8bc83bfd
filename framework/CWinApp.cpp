#include "CWinApp.h"

#include <stdlib.h>
#include <wchar.h>

#include "AfxGetProcAddress.h"
#include "CRegKey.h"

namespace {
CWinApp*& TheApp()
{
    static CWinApp* s_pApp = nullptr;
    return s_pApp;
}
} // namespace

CWinApp* AfxGetApp() { return TheApp(); }

CWnd* AfxGetMainWnd()
{
    CWinApp* pApp = AfxGetApp();
    return pApp ? pApp->m_pMainWnd : nullptr;
}

LPCWSTR AfxGetAppName()
{
    CWinApp* pApp = AfxGetApp();
    return pApp && pApp->m_pszAppName ? pApp->m_pszAppName : L"";
}

CHandleMap* AfxGetHandleMap()
{
    CWinApp* pApp = AfxGetApp();
    return pApp ? &pApp->m_handleMap : nullptr;
}

CWinApp::CWinApp(LPCWSTR pszAppName)
{
    if (pszAppName)
        m_pszAppName = _wcsdup(pszAppName);
    TheApp() = this;
}

CWinApp::~CWinApp()
{
    free(const_cast<LPWSTR>(m_pszAppName));
    free(const_cast<LPWSTR>(m_pszRegistryKey));
    free(const_cast<LPWSTR>(m_pszProfileName));
    if (TheApp() == this)
        TheApp() = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run()
{
    // Without a main window there is nothing to wait for.
    if (!m_pMainWnd)
        return 0;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

// System-wide awareness: the windows are laid out once, at the scaling of the
// session. SetProcessDPIAware gives exactly that on every Windows from Vista
// on, newer systems included; looked up by name, as XP lacks it.
BOOL CWinApp::EnableDpiAwareness()
{
    typedef BOOL(WINAPI * SetAwareFn)();
    const auto pfn = AfxGetProcAddress<SetAwareFn>(::GetModuleHandleW(L"user32.dll"), "SetProcessDPIAware");
    return pfn && pfn();
}

void CWinApp::InitAppName(HINSTANCE hInstance)
{
    if (m_pszAppName)
        return;
    wchar_t szPath[MAX_PATH] = L"";
    ::GetModuleFileNameW(hInstance, szPath, MAX_PATH);
    LPWSTR pszName = wcsrchr(szPath, L'\\');
    pszName = pszName ? pszName + 1 : szPath;
    if (LPWSTR pszDot = wcsrchr(pszName, L'.'))
        *pszDot = 0;
    m_pszAppName = _wcsdup(pszName);
}

void CWinApp::SetRegistryKey(LPCWSTR pszRegistryKey)
{
    free(const_cast<LPWSTR>(m_pszRegistryKey));
    free(const_cast<LPWSTR>(m_pszProfileName));
    m_pszRegistryKey = _wcsdup(pszRegistryKey);
    m_pszProfileName = _wcsdup(m_pszAppName ? m_pszAppName : L"");
}

HKEY CWinApp::GetSectionKey(LPCWSTR pszSection)
{
    if (!m_pszRegistryKey || !m_pszProfileName)
        return nullptr;
    CRegKey software(HKEY_CURRENT_USER, L"Software");
    CRegKey company(software, m_pszRegistryKey);
    CRegKey app(company, m_pszProfileName);
    CRegKey section(app, pszSection);
    return section.Detach();
}

int CWinApp::ReadSectionInt(const CRegKey& section, LPCWSTR pszEntry, int nDefault)
{
    DWORD dwType = 0;
    DWORD dwValue = 0;
    DWORD cb = sizeof(dwValue);
    if (!section.Get() ||
        ::RegQueryValueExW(section.Get(), pszEntry, nullptr, &dwType, reinterpret_cast<BYTE*>(&dwValue), &cb) !=
            ERROR_SUCCESS ||
        dwType != REG_DWORD || cb != sizeof(dwValue))
        return nDefault;
    return static_cast<int>(dwValue);
}

BOOL CWinApp::WriteSectionInt(const CRegKey& section, LPCWSTR pszEntry, int nValue)
{
    const DWORD dwValue = static_cast<DWORD>(nValue);
    return section.Get() && ::RegSetValueExW(section.Get(), pszEntry, 0, REG_DWORD,
                                             reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue)) == ERROR_SUCCESS;
}
