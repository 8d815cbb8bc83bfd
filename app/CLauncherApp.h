// The application: one instance at a time, then the launcher dialog.
#pragma once
#include "../framework/CWinApp.h"

class CLauncherApp : public CWinApp {
public:
    BOOL InitInstance() override;

private:
    enum { INSTANCE_WAIT_MS = 5000, INSTANCE_POLL_MS = 50 };
    static bool ActivateRunningInstance(LPCWSTR pszTitle, HANDLE hLock, bool bTaken);
};
