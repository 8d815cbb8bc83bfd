/* A stand-in for nero.exe: appends "<arguments>\t<ms since 1970>\t<pid>\n"
   to the file that %ZARVEL_NERO_LOG% names, and exits. */
#define __USE_MINGW_ANSI_STDIO 1
#include <stdio.h>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR arguments, int show) {
    (void)instance, (void)previous, (void)show;
    wchar_t path[MAX_PATH];
    char line[4096];
    FILETIME ft;
    if (!GetEnvironmentVariableW(L"ZARVEL_NERO_LOG", path, MAX_PATH)) return 1;
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER now = {{ft.dwLowDateTime, ft.dwHighDateTime}};
    int n = WideCharToMultiByte(CP_UTF8, 0, arguments, -1, line, 4000, NULL, NULL);
    n = n > 0 ? n - 1 : 0;
    n += snprintf(line + n, 64, "\t%lld\t%lu\n", now.QuadPart / 10000 - 11644473600000LL, GetCurrentProcessId());
    /* Append-only, so starts at the same moment never overwrite each other. */
    HANDLE log = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
    DWORD written = 0;
    WriteFile(log, line, (DWORD)n, &written, NULL);
    CloseHandle(log);
    return written == (DWORD)n ? 0 : 1;
}
