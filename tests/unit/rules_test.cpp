// The window-free rules that no window shows from outside: the order in which
// the settings are read and written, where the minimised window's icon sits,
// and the picture left out in high contrast, which Wine never turns on.
#include <stdio.h>

#include <string>

#include "launcher/ContrastRules.h"
#include "launcher/Settings.h"
#include "launcher/ViewRules.h"

// Writes down every access, in order.
struct Profile {
    std::wstring log;
    int GetInt(const wchar_t* name, int def) { return log += name + std::wstring(L" "), def; }
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
    // Only the "on" bit counts (not "available", 2, nor "hot key", 4); a failed query counts as off.
    const bool contrast = !ShowsPicture(true, 1) && !ShowsPicture(true, 7) && ShowsPicture(true, 6) &&
                          ShowsPicture(true, 0) && ShowsPicture(false, 1);
    printf("the settings in their order: %s; the icon centred: %s; no picture in high contrast: %s\n",
           ordered ? "yes" : "NO", centred ? "yes" : "NO", contrast ? "yes" : "NO");
    return ordered && centred && contrast ? 0 : 1;
}
