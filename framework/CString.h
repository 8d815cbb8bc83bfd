// A small wide string that owns its buffer: loads string resources, formats
// printf-style and concatenates. Never null; an empty string is "".
#pragma once
#include <windows.h>

class CString {
public:
    CString();
    CString(LPCWSTR psz);
    CString(const CString& other);
    ~CString();
    CString& operator=(const CString& other);
    CString& operator=(LPCWSTR psz);
    CString& operator+=(LPCWSTR psz);

    int GetLength() const { return m_nLength; }
    bool IsEmpty() const { return m_nLength == 0; }
    operator LPCWSTR() const { return m_psz; }
    bool operator==(LPCWSTR psz) const;
    bool operator!=(LPCWSTR psz) const { return !(*this == psz); }

    // Empty, and FALSE, when the string table lacks the id.
    BOOL LoadString(UINT nID);
    void Format(LPCWSTR pszFormat, ...);
    void SetString(LPCWSTR psz, int nLength);

    // Room for nMinLength characters; ReleaseBuffer takes the length from the terminator.
    LPWSTR GetBuffer(int nMinLength);
    void ReleaseBuffer();

private:
    void Free();

    LPWSTR m_psz;
    int m_nLength;
};
