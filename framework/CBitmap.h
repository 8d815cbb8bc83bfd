// Owns a bitmap handle and deletes it when the object goes.
#pragma once
#include <windows.h>

#include "CDC.h"

class CBitmap {
public:
    CBitmap() = default;
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;
    ~CBitmap() { DeleteObject(); }

    HBITMAP GetSafeHandle() const { return m_hBitmap; }
    operator HBITMAP() const { return m_hBitmap; }
    BOOL Attach(HBITMAP hBitmap)
    {
        DeleteObject();
        m_hBitmap = hBitmap;
        return hBitmap != nullptr;
    }
    HBITMAP Detach()
    {
        HBITMAP hBitmap = m_hBitmap;
        m_hBitmap = nullptr;
        return hBitmap;
    }
    BOOL CreateCompatibleBitmap(CDC* pDC, int cx, int cy)
    {
        return Attach(::CreateCompatibleBitmap(pDC->GetSafeHdc(), cx, cy));
    }
    // Width and height stay 0 when there is no picture.
    BOOL GetBitmap(BITMAP* pBitmap) const
    {
        *pBitmap = BITMAP();
        return m_hBitmap && ::GetObjectW(m_hBitmap, sizeof(BITMAP), pBitmap) != 0;
    }
    void DeleteObject()
    {
        if (m_hBitmap)
            ::DeleteObject(m_hBitmap);
        m_hBitmap = nullptr;
    }

private:
    HBITMAP m_hBitmap = nullptr;
};
