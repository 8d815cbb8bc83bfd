// The launcher's settings in the registry, as the tests set and read them.
#pragma once
#include <windows.h>

#include <string.h>

#include <vector>

namespace treg {

// HKCU\Software\Zarvel v1.0\Zarvel v1.0\設定
inline const wchar_t* SettingsPath() { return L"Software\\Zarvel v1.0\\Zarvel v1.0\\\u8a2d\u5b9a"; }

inline void ResetSettings() { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Zarvel v1.0"); }

inline void StoreRaw(const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY hKey = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, SettingsPath(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr) !=
        ERROR_SUCCESS)
        return;
    ::RegSetValueExW(hKey, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(hKey);
}

inline void StoreDword(const wchar_t* name, DWORD value) { StoreRaw(name, REG_DWORD, &value, sizeof(value)); }

// False when absent; the first four bytes, the type and the size as found.
inline bool ReadStored(const wchar_t* name, DWORD* value, DWORD* type = nullptr, DWORD* size = nullptr)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, SettingsPath(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    BYTE buffer[64] = {};
    DWORD dwType = 0, cb = sizeof(buffer);
    const bool found = ::RegQueryValueExW(hKey, name, nullptr, &dwType, buffer, &cb) == ERROR_SUCCESS;
    ::RegCloseKey(hKey);
    if (value)
        memcpy(value, buffer, sizeof(DWORD));
    if (type)
        *type = dwType;
    if (size)
        *size = cb;
    return found;
}

// A stored REG_DWORD, or the fallback when absent or of another type.
inline int StoredInt(const wchar_t* name, int fallback = -999)
{
    DWORD value = 0, type = 0, size = 0;
    return ReadStored(name, &value, &type, &size) && type == REG_DWORD && size == 4 ? static_cast<int>(value)
                                                                                    : fallback;
}

// The seven settings in the order the launcher writes them: WaitSeconds,
// CloseZarvel, EnableAutorun, SelectedOption, SelectedOptionNoTimer,
// DlgExpanded, LastUsedOption; each -999 when absent or not a DWORD.
inline std::vector<int> StoredSettings()
{
    std::vector<int> values;
    for (const wchar_t* name : {L"WaitSeconds", L"CloseZarvel", L"EnableAutorun", L"SelectedOption",
                                L"SelectedOptionNoTimer", L"DlgExpanded", L"LastUsedOption"})
        values.push_back(StoredInt(name));
    return values;
}

// -1 when the section key is missing.
inline int CountStoredValues()
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, SettingsPath(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return -1;
    DWORD count = 0;
    ::RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                       nullptr);
    ::RegCloseKey(hKey);
    return static_cast<int>(count);
}

} // namespace treg
