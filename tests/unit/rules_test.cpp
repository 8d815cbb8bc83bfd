// The window-free rules, natively: what no window shows from outside (the
// order of the settings, the minimised icon, drop-down heights of other
// counts, limits of the arithmetic).
#include <limits.h>
#include <stdio.h>

#include <string>

#include "controls/DelayRules.h"
#include "controls/OptionListRules.h"
#include "launcher/LauncherRules.h"
#include "launcher/Settings.h"
#include "launcher/ViewRules.h"

static int g_failures;
#define CHECK(cond) (void)((cond) || (printf("%s:%d: %s\n", __FILE__, __LINE__, #cond), ++g_failures))

// Remembers every access, in order, and stores each value under its own name.
struct Profile {
    std::wstring reads, writes;
    int GetInt(const wchar_t* name, int def) { return reads += name, reads += L' ', def; }
    void WriteInt(const wchar_t* name, int value) { writes += name + (L"=" + std::to_wstring(value)) + L' '; }
};

int main() {
    Profile p;
    const SettingValues v = ReadSettings(p, 7, 8);
    CHECK(p.reads == L"SelectedOption SelectedOptionNoTimer WaitSeconds CloseZarvel EnableAutorun DlgExpanded "
                     L"LastUsedOption ");
    CHECK(v.expanded == 7 && v.lastUsed == 8);
    WriteSettings(p, {1, 2, 3, 4, 5, 6, 7});
    CHECK(p.writes == L"WaitSeconds=3 CloseZarvel=4 EnableAutorun=5 SelectedOption=1 SelectedOptionNoTimer=2 "
                      L"DlgExpanded=6 LastUsedOption=7 ");

    for (int start : {1, 0, -5, INT_MIN}) { // runs out at the first tick, without overflow
        int left = start;
        CHECK(CountdownTick(left) && left == 0);
    }

    CHECK(CenteredIcon(32, 32, 32, 32).x == 0 && CenteredIcon(35, 32, 32, 32).x == 2);
    CHECK(CenteredIcon(0, 0, 32, 32).y == -15 && CenteredIcon(37, 33, 32, 32).y == 1); // truncates toward zero

    CHECK(DropdownHeight(0, 16) == 64 && DropdownHeight(2, 16) == 64 && DropdownHeight(20, 16) == 352);

    CHECK(ParseDecimal(L"") == 0 && ParseDecimal(L"05") == 5 && ParseDecimal(L"  -3x") == -3);
    CHECK(ParseDecimal(L"99999999999999999999") == INT_MAX && ParseDecimal(L"-99999999999999999999") == INT_MIN);

    printf("%s\n", g_failures ? "FAILED" : "rules: all checks passed");
    return g_failures ? 1 : 0;
}
