// Free services of the class-library layer: message boxes, string pieces,
// resource lookup and the dialog data exchange.
#pragma once
#include <windows.h>

#include "CString.h"

class CWnd;

int AfxMessageBox(LPCWSTR pszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = 0);

// Piece iSubString of pszFull split at chSep; FALSE (and rString empty) past the last piece.
BOOL AfxExtractSubString(CString& rString, LPCWSTR pszFull, int iSubString, wchar_t chSep = L'\n');

// The module that holds a resource: everything lives in the program file itself.
HINSTANCE AfxFindResourceHandle(LPCWSTR pszName, LPCWSTR pszType);

struct CDataExchange {
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Attaches rControl to the dialog's control nIDC the first time; later calls change nothing.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
