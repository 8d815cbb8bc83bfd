// The device context of a window's client area, released when the object goes.
#pragma once
#include "CDC.h"
#include "CWnd.h"

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { m_hDC = ::GetDC(m_hWnd); }
    ~CClientDC() override
    {
        if (m_hDC)
            ::ReleaseDC(m_hWnd, m_hDC);
    }

private:
    HWND m_hWnd;
};
