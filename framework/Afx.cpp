#include "Afx.h"

#include "CWinApp.h"
#include "CWnd.h"

int AfxMessageBox(LPCWSTR pszText, UINT nType, UINT)
{
    CWnd* pMain = AfxGetMainWnd();
    return ::MessageBoxW(pMain ? pMain->m_hWnd : nullptr, pszText, AfxGetAppName(), nType);
}

// The text from the string table, in the language the loader picks.
int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString strPrompt;
    strPrompt.LoadString(nIDPrompt);
    return AfxMessageBox(strPrompt, nType, nIDHelp);
}

BOOL AfxExtractSubString(CString& rString, LPCWSTR pszFull, int iSubString, wchar_t chSep)
{
    rString = L"";
    if (!pszFull)
        return FALSE;
    while (iSubString-- > 0) {
        pszFull = wcschr(pszFull, chSep);
        if (!pszFull)
            return FALSE;
        ++pszFull;
    }
    LPCWSTR pszEnd = wcschr(pszFull, chSep);
    const int n = pszEnd ? static_cast<int>(pszEnd - pszFull) : static_cast<int>(wcslen(pszFull));
    rString.SetString(pszFull, n);
    return TRUE;
}

HINSTANCE AfxFindResourceHandle(LPCWSTR, LPCWSTR) { return ::GetModuleHandleW(nullptr); }

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (!rControl.m_hWnd)
        rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd);
}
