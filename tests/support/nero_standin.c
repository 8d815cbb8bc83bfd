/* A stand-in for nero.exe: appends "<arguments>\t<ms since 1970>\t<show>\n"
   to the file that %ZARVEL_NERO_LOG% names, and exits. The time is when its
   process was created, so Wine's work to start it up is not in it. <show> is
   how it was asked to show its window (STARTUPINFO's wShowWindow, as WinMain
   gets it). */
#include <stdio.h>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR arguments, int show)
{
    (void)instance, (void)previous;
    FILETIME created, unused;
    GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
    const ULARGE_INTEGER start = {{created.dwLowDateTime, created.dwHighDateTime}};
    /* Appending, so starts at the same moment never overwrite each other. */
    FILE* log = _wgetenv(L"ZARVEL_NERO_LOG") ? _wfopen(_wgetenv(L"ZARVEL_NERO_LOG"), L"ab") : NULL;
    if (!log)
        return 1;
    fprintf(log, "%ls\t%llu\t%d\n", arguments, start.QuadPart / 10000 - 11644473600000ULL, show);
    return fclose(log) != 0;
}
