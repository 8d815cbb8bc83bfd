// Free services of the class-library layer: the application object, message
// boxes, string pieces, function and resource lookup and the dialog data exchange.
#pragma once
#include <windows.h>

#include "CString.h"

class CWnd;

int AfxMessageBox(LPCWSTR pszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = 0);

// Piece iSubString of pszFull split at chSep; FALSE (and rString empty) past the last piece.
BOOL AfxExtractSubString(CString& rString, LPCWSTR pszFull, int iSubString, wchar_t chSep = L'\n');

// A function of a system DLL, looked up by name: for what older Windows lack, or
// what should load only when first used. Null without the module or the name.
template <class F>
F AfxGetProcAddress(HMODULE hModule, LPCSTR pszName)
{
    const FARPROC pfn = hModule ? ::GetProcAddress(hModule, pszName) : nullptr;
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(pfn));
}

// The module that holds a resource: everything lives in the program file itself.
HINSTANCE AfxFindResourceHandle(LPCWSTR pszName, LPCWSTR pszType);

struct CDataExchange {
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Attaches rControl to the dialog's control nIDC the first time; later calls change nothing.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
