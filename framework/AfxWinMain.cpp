// The program's entry: hands control to the one application object.
#include "CWinApp.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return 1;
    pApp->InitAppName(hInstance);
    if (!pApp->InitInstance())
        return 0;
    return pApp->Run();
}
