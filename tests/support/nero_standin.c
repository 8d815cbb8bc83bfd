/* A stand-in for nero.exe: appends "<arguments>\t<ms since 1970>\t<pid>" to
   %ZARVEL_NERO_LOG% (or nero.log beside itself) and exits 0. */
#define __USE_MINGW_ANSI_STDIO 1
#define WIN32_LEAN_AND_MEAN
#include <stdio.h>
#include <windows.h>

/* Skips the program name the way Windows splits argv[0]: a quoted name runs
   to the closing quote, a bare one to the first blank. */
static const wchar_t* arguments_of(const wchar_t* p)
{
    if (*p == L'"') {
        for (++p; *p && *p != L'"'; ++p) {
        }
        if (*p)
            ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t')
            ++p;
    }
    while (*p == L' ' || *p == L'\t')
        ++p;
    return p;
}

static wchar_t path[32768];
static char line[3 * 32768 + 64];

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE prev, PWSTR cmd, int show)
{
    (void)inst;
    (void)prev;
    (void)cmd;
    (void)show;

    DWORD n = GetEnvironmentVariableW(L"ZARVEL_NERO_LOG", path, 32768);
    if (n == 0 || n >= 32768) {
        n = GetModuleFileNameW(NULL, path, 32768 - 16);
        while (n > 0 && path[n - 1] != L'\\' && path[n - 1] != L'/')
            --n;
        lstrcpyW(path + n, L"nero.log");
    }

    int len =
        WideCharToMultiByte(CP_UTF8, 0, arguments_of(GetCommandLineW()), -1, line, (int)sizeof line - 64, NULL, NULL);
    len = len > 0 ? len - 1 : 0;

    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    ULONGLONG ms = ((((ULONGLONG)ft.dwHighDateTime << 32) | ft.dwLowDateTime) - 116444736000000000ULL) / 10000;
    len += snprintf(line + len, 64, "\t%llu\t%lu\n", ms, (unsigned long)GetCurrentProcessId());

    /* Append-only access so concurrent starts never overwrite each other's line. */
    HANDLE f = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written;
    BOOL ok = WriteFile(f, line, (DWORD)len, &written, NULL);
    CloseHandle(f);
    return ok && written == (DWORD)len ? 0 : 1;
}
