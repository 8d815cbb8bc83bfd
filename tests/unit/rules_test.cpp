// The window-free rules that no window shows from outside: the order in which
// the settings are read and written, and where the minimised window's icon sits.
#include <stdio.h>

#include <string>

#include "launcher/Settings.h"
#include "launcher/ViewRules.h"

static int g_failures;

static void Check(bool ok, const char* what)
{
    if (ok)
        return;
    printf("FAILED: %s\n", what);
    ++g_failures;
}

// Remembers every access, in order, and stores each value under its own name.
struct Profile {
    std::wstring reads, writes;
    int GetInt(const wchar_t* name, int def)
    {
        reads += name + std::wstring(L" ");
        return def;
    }
    void WriteInt(const wchar_t* name, int value) { writes += name + (L"=" + std::to_wstring(value)) + L" "; }
};

int main()
{
    Profile p;
    ReadSettings(p, 0, 0);
    Check(p.reads == L"SelectedOption SelectedOptionNoTimer WaitSeconds CloseZarvel EnableAutorun DlgExpanded "
                     L"LastUsedOption ",
          "the read order");
    WriteSettings(p, {1, 2, 3, 4, 5, 6, 7});
    Check(p.writes == L"WaitSeconds=3 CloseZarvel=4 EnableAutorun=5 SelectedOption=1 SelectedOptionNoTimer=2 "
                      L"DlgExpanded=6 LastUsedOption=7 ",
          "the write order");
    Check(CenteredIcon(35, 32, 32, 32).x == 2 && CenteredIcon(0, 0, 32, 32).y == -15, "the icon centred, truncated");
    printf("%s\n", g_failures ? "FAILED" : "rules: all checks passed");
    return g_failures ? 1 : 0;
}
