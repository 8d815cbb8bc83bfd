// The application: one instance at a time, then the launcher dialog.
#pragma once
#include "CWinApp.h"

class CLauncherApp : public CWinApp {
public:
    BOOL InitInstance() override;
};
