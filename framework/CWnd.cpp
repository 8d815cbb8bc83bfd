#include "CWnd.h"

#include "CWinApp.h"

CWnd::~CWnd()
{
    if (m_pfnSuper)
        UnsubclassWindow();
}

void CWnd::GetWindowText(CString& rString) const
{
    const int n = ::GetWindowTextLengthW(m_hWnd);
    LPWSTR p = rString.GetBuffer(n);
    if (!p)
        return;
    p[0] = 0;
    ::GetWindowTextW(m_hWnd, p, n + 1);
    rString.ReleaseBuffer();
}

int CWnd::MessageBox(LPCWSTR pszText, LPCWSTR pszCaption, UINT nType)
{
    return ::MessageBoxW(m_hWnd, pszText, pszCaption ? pszCaption : AfxGetAppName(), nType);
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    return SubclassWindow(::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID)));
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    CHandleMap* pMap = AfxGetHandleMap();
    if (!hWnd || m_hWnd || !pMap || !pMap->SetPermanent(hWnd, this))
        return FALSE;
    m_hWnd = hWnd;
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    return TRUE;
}

HWND CWnd::UnsubclassWindow()
{
    HWND hWnd = m_hWnd;
    if (hWnd && m_pfnSuper) {
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        if (CHandleMap* pMap = AfxGetHandleMap())
            pMap->RemoveHandle(hWnd);
    }
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
    return hWnd;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    CHandleMap* pMap = AfxGetHandleMap();
    return pMap ? pMap->LookupPermanent(hWnd) : nullptr;
}

bool CWnd::OnChildNotify(UINT) { return false; }

LRESULT CALLBACK CWnd::SubclassProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = FromHandlePermanent(hWnd);
    WNDPROC pfnSuper = pWnd ? pWnd->m_pfnSuper : nullptr;
    if (!pfnSuper)
        return ::DefWindowProcW(hWnd, msg, wParam, lParam);
    // The window outlives nothing of ours: detach before its last message.
    if (msg == WM_NCDESTROY)
        pWnd->UnsubclassWindow();
    return ::CallWindowProcW(pfnSuper, hWnd, msg, wParam, lParam);
}
