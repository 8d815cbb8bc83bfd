#include "CLauncherApp.h"

#include <stdlib.h>

#include "../framework/CHandle.h"
#include "../framework/CString.h"
#include "../launcher/CLauncherDlg.h"
#include "../res/resource.h"

CLauncherApp theApp;

// Returns TRUE only when another instance already runs; the program ends either way.
BOOL CLauncherApp::InitInstance()
{
    CString strTitle;
    strTitle.LoadString(IDS_APP_TITLE);
    // Held for the whole run, so that starts at the same instant see each
    // other before either window exists. The system frees it with the process.
    CString strLock(L"Local\\");
    strLock += strTitle;
    CHandle lock(::CreateMutexW(nullptr, TRUE, strLock));
    const bool bTaken = lock && ::GetLastError() == ERROR_ALREADY_EXISTS;
    if (ActivateRunningInstance(strTitle, lock, bTaken))
        return TRUE;
    Enable3dControls();
    EnableDpiAwareness();

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

// A top-level window with the launcher's title is a running instance: it is
// brought to the front. Its restore is only asked for, never waited on, so a
// hung first instance cannot hang this start too. While another start holds
// the lock without a window yet, wait a moment for that window; if the lock
// comes free instead, that start has ended and this one runs.
bool CLauncherApp::ActivateRunningInstance(LPCWSTR pszTitle, HANDLE hLock, bool bTaken)
{
    for (DWORD dwWaited = 0;; dwWaited += INSTANCE_POLL_MS) {
        if (HWND hOther = ::FindWindowW(nullptr, pszTitle)) {
            if (::IsIconic(hOther))
                ::ShowWindowAsync(hOther, SW_RESTORE);
            ::SetForegroundWindow(hOther);
            return true;
        }
        if (!bTaken)
            return false;
        // A start that never shows its window keeps the lock; this one gives way.
        if (dwWaited >= INSTANCE_WAIT_MS)
            return true;
        const DWORD dwResult = ::WaitForSingleObject(hLock, INSTANCE_POLL_MS);
        bTaken = dwResult != WAIT_OBJECT_0 && dwResult != WAIT_ABANDONED;
    }
}
