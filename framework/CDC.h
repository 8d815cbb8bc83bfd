// A device context: either one the caller lends (released by its owner) or a
// memory context this object created and deletes.
#pragma once
#include <windows.h>

class CDC {
public:
    explicit CDC(HDC hDC = nullptr) : m_hDC(hDC) {}
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC()
    {
        if (m_bOwned)
            ::DeleteDC(m_hDC);
    }

    HDC GetSafeHdc() const { return m_hDC; }
    BOOL CreateCompatibleDC(CDC* pDC)
    {
        m_hDC = ::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr);
        m_bOwned = m_hDC != nullptr;
        return m_bOwned;
    }
    HGDIOBJ SelectObject(HGDIOBJ hObject) { return ::SelectObject(m_hDC, hObject); }
    BOOL BitBlt(int x, int y, int cx, int cy, CDC* pSrc, int xSrc, int ySrc, DWORD dwRop)
    {
        return ::BitBlt(m_hDC, x, y, cx, cy, pSrc->m_hDC, xSrc, ySrc, dwRop);
    }
    BOOL StretchBlt(int x, int y, int cx, int cy, CDC* pSrc, int xSrc, int ySrc, int cxSrc, int cySrc, DWORD dwRop)
    {
        return ::StretchBlt(m_hDC, x, y, cx, cy, pSrc->m_hDC, xSrc, ySrc, cxSrc, cySrc, dwRop);
    }
    int SetStretchBltMode(int nMode) { return ::SetStretchBltMode(m_hDC, nMode); }
    BOOL SetBrushOrg(int x, int y) { return ::SetBrushOrgEx(m_hDC, x, y, nullptr); }
    int GetDeviceCaps(int nIndex) const { return ::GetDeviceCaps(m_hDC, nIndex); }
    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    int SetBkMode(int nMode) { return ::SetBkMode(m_hDC, nMode); }
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }
    int FillRect(const RECT* pRect, HBRUSH hBrush) { return ::FillRect(m_hDC, pRect, hBrush); }

protected:
    HDC m_hDC;
    bool m_bOwned = false;
};
