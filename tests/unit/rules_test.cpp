// The window-free rules that no window shows from outside: the order in which
// the settings are read and written, and where the minimised window's icon sits.
#include <stdio.h>

#include <string>

#include "launcher/Settings.h"
#include "launcher/ViewRules.h"

// Writes down every access, in order.
struct Profile {
    std::wstring log;
    int GetInt(const wchar_t* name, int def)
    {
        log += name + std::wstring(L" ");
        return def;
    }
    void WriteInt(const wchar_t* name, int value) { log += name + (L"=" + std::to_wstring(value)) + L" "; }
};

int main()
{
    Profile p;
    ReadSettings(p, 0, 0);
    WriteSettings(p, {1, 2, 3, 4, 5, 6, 7});
    const bool ordered = p.log == L"SelectedOption SelectedOptionNoTimer WaitSeconds CloseZarvel EnableAutorun "
                                  L"DlgExpanded LastUsedOption WaitSeconds=3 CloseZarvel=4 EnableAutorun=5 "
                                  L"SelectedOption=1 SelectedOptionNoTimer=2 DlgExpanded=6 LastUsedOption=7 ";
    // Centred, the division truncating toward zero.
    const bool centred = CenteredIcon(35, 32, 32, 32).x == 2 && CenteredIcon(0, 0, 32, 32).y == -15;
    printf("the settings in their order: %s; the icon centred: %s\n", ordered ? "yes" : "NO", centred ? "yes" : "NO");
    return ordered && centred ? 0 : 1;
}
