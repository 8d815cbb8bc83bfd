#include "CLauncherApp.h"

#include <stdlib.h>

#include "../launcher/CLauncherDlg.h"
#include "../res/resource.h"
#include "CString.h"

CLauncherApp theApp;

// Returns TRUE only when another instance already runs; the program ends either way.
BOOL CLauncherApp::InitInstance()
{
    CString strTitle;
    strTitle.LoadString(IDS_APP_TITLE);
    // The launcher's title is the one sign of a running instance.
    if (HWND hOther = ::FindWindowW(nullptr, strTitle)) {
        if (::IsIconic(hOther))
            ::ShowWindow(hOther, SW_RESTORE);
        ::SetForegroundWindow(hOther);
        return TRUE;
    }
    Enable3dControls();

    strTitle.LoadString(IDS_APP_TITLE);
    free(const_cast<LPWSTR>(m_pszAppName));
    m_pszAppName = _wcsdup(strTitle);
    SetRegistryKey(strTitle);

    {
        CLauncherDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
    }
    m_pMainWnd = nullptr;
    return FALSE;
}
