#include "CHandleMap.h"

bool CHandleMap::SetPermanent(HWND hWnd, CWnd* pWnd)
{
    if (!hWnd || LookupPermanent(hWnd) || m_nCount == MAX_WINDOWS)
        return false;
    m_entries[m_nCount++] = {hWnd, pWnd};
    return true;
}

void CHandleMap::RemoveHandle(HWND hWnd)
{
    for (int i = 0; i < m_nCount; ++i) {
        if (m_entries[i].hWnd == hWnd) {
            m_entries[i] = m_entries[--m_nCount];
            return;
        }
    }
}

CWnd* CHandleMap::LookupPermanent(HWND hWnd) const
{
    for (int i = 0; i < m_nCount; ++i) {
        if (m_entries[i].hWnd == hWnd)
            return m_entries[i].pWnd;
    }
    return nullptr;
}
