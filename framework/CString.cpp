#include "CString.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace {
const wchar_t kEmpty[1] = {0};
#define EMPTY_BUF const_cast<LPWSTR>(kEmpty)
} // namespace

CString::CString() : m_psz(EMPTY_BUF), m_nLength(0) {}

CString::CString(LPCWSTR psz) : CString() { *this = psz; }

CString::CString(const CString& other) : CString() { SetString(other.m_psz, other.m_nLength); }

CString::~CString() { Free(); }

void CString::Free()
{
    if (m_psz != EMPTY_BUF)
        free(m_psz);
    m_psz = EMPTY_BUF;
    m_nLength = 0;
}

CString& CString::operator=(const CString& other)
{
    if (this != &other)
        SetString(other.m_psz, other.m_nLength);
    return *this;
}

CString& CString::operator=(LPCWSTR psz)
{
    SetString(psz, psz ? static_cast<int>(wcslen(psz)) : 0);
    return *this;
}

CString& CString::operator+=(LPCWSTR psz)
{
    // Growing may free the buffer psz points into: append a copy then.
    if (psz && psz >= m_psz && psz <= m_psz + m_nLength && m_psz != EMPTY_BUF)
        return *this += CString(psz);
    const int nAdd = psz ? static_cast<int>(wcslen(psz)) : 0;
    const int nOld = m_nLength;
    GetBuffer(nOld + nAdd);
    wmemcpy(m_psz + nOld, psz, nAdd);
    m_psz[nOld + nAdd] = 0;
    m_nLength = nOld + nAdd;
    return *this;
}

bool CString::operator==(LPCWSTR psz) const { return wcscmp(m_psz, psz ? psz : L"") == 0; }

void CString::SetString(LPCWSTR psz, int nLength)
{
    if (nLength <= 0 || !psz) {
        Free();
        return;
    }
    // The source may live in this very buffer; copy before freeing.
    LPWSTR p = static_cast<LPWSTR>(malloc((nLength + 1) * sizeof(wchar_t)));
    if (!p) {
        Free();
        return;
    }
    wmemcpy(p, psz, nLength);
    p[nLength] = 0;
    Free();
    m_psz = p;
    m_nLength = nLength;
}

LPWSTR CString::GetBuffer(int nMinLength)
{
    if (nMinLength <= m_nLength && m_psz != EMPTY_BUF)
        return m_psz;
    LPWSTR p = static_cast<LPWSTR>(malloc((nMinLength + 1) * sizeof(wchar_t)));
    if (!p)
        return m_psz == EMPTY_BUF ? nullptr : m_psz;
    wmemcpy(p, m_psz, m_nLength + 1);
    const int nLength = m_nLength;
    Free();
    m_psz = p;
    m_nLength = nLength;
    return m_psz;
}

void CString::ReleaseBuffer()
{
    m_nLength = static_cast<int>(wcslen(m_psz));
    if (m_nLength == 0)
        Free();
}

BOOL CString::LoadString(UINT nID)
{
    // With no buffer, LoadStringW hands out the resource text itself, of any length.
    LPCWSTR pRes = nullptr;
    const int n = ::LoadStringW(::GetModuleHandleW(nullptr), nID, reinterpret_cast<LPWSTR>(&pRes), 0);
    SetString(pRes, n > 0 ? n : 0);
    return n > 0;
}

void CString::Format(LPCWSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    const int n = _vscwprintf(pszFormat, args);
    va_end(args);
    if (n <= 0) {
        Free();
        return;
    }
    CString result;
    LPWSTR p = result.GetBuffer(n);
    if (!p)
        return;
    va_start(args, pszFormat);
    _vsnwprintf(p, n + 1, pszFormat, args);
    va_end(args);
    p[n] = 0;
    result.ReleaseBuffer();
    *this = result;
}
