// An open registry key, closed when the object goes. Opening creates any
// missing key on the way, as the settings store expects; a key that may be
// read but not written is opened for reading.
#pragma once
#include <windows.h>

class CRegKey {
public:
    explicit CRegKey(HKEY hKey = nullptr) : m_hKey(hKey) {}
    CRegKey(HKEY hParent, LPCWSTR pszSubKey)
    {
        if (!hParent || (::RegCreateKeyExW(hParent, pszSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_READ | KEY_WRITE, nullptr, &m_hKey, nullptr) != ERROR_SUCCESS &&
                         ::RegOpenKeyExW(hParent, pszSubKey, 0, KEY_READ, &m_hKey) != ERROR_SUCCESS))
            m_hKey = nullptr;
    }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    ~CRegKey()
    {
        if (m_hKey)
            ::RegCloseKey(m_hKey);
    }

    HKEY Get() const { return m_hKey; }
    operator HKEY() const { return m_hKey; }
    HKEY Detach()
    {
        HKEY hKey = m_hKey;
        m_hKey = nullptr;
        return hKey;
    }

private:
    HKEY m_hKey = nullptr;
};
