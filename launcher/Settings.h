// The seven persisted settings: names, defaults and the orders in which the
// launcher reads and writes them. Window-free; any profile store that offers
// GetInt(name, default) and WriteInt(name, value) will do.
#pragma once

// "設定": the registry section under the application's key.
#define SETTINGS_SECTION L"\u8a2d\u5b9a"

struct SettingValues {
    int selectedOption;        // SelectedOption: auto-run program list
    int selectedOptionNoTimer; // SelectedOptionNoTimer: default program list
    int waitSeconds;           // WaitSeconds: auto-run delay
    int closeAfter;            // CloseZarvel: close after a launch
    int enableAutorun;         // EnableAutorun
    int expanded;              // DlgExpanded: advanced view shown
    int lastUsed;              // LastUsedOption: program started last
};

const int DEFAULT_OPTION = 1004;
const int DEFAULT_WAIT_SECONDS = 3;
const int DEFAULT_CLOSE_AFTER = 1;
const int DEFAULT_ENABLE_AUTORUN = 0;

// The last two defaults are whatever the dialog holds when it reads them.
template <class Profile>
SettingValues ReadSettings(Profile& profile, int currentExpanded, int currentLastUsed)
{
    SettingValues v;
    v.selectedOption = profile.GetInt(L"SelectedOption", DEFAULT_OPTION);
    v.selectedOptionNoTimer = profile.GetInt(L"SelectedOptionNoTimer", DEFAULT_OPTION);
    v.waitSeconds = profile.GetInt(L"WaitSeconds", DEFAULT_WAIT_SECONDS);
    v.closeAfter = profile.GetInt(L"CloseZarvel", DEFAULT_CLOSE_AFTER);
    v.enableAutorun = profile.GetInt(L"EnableAutorun", DEFAULT_ENABLE_AUTORUN);
    v.expanded = profile.GetInt(L"DlgExpanded", currentExpanded);
    v.lastUsed = profile.GetInt(L"LastUsedOption", currentLastUsed);
    return v;
}

template <class Profile>
void WriteSettings(Profile& profile, const SettingValues& v)
{
    profile.WriteInt(L"WaitSeconds", v.waitSeconds);
    profile.WriteInt(L"CloseZarvel", v.closeAfter);
    profile.WriteInt(L"EnableAutorun", v.enableAutorun);
    profile.WriteInt(L"SelectedOption", v.selectedOption);
    profile.WriteInt(L"SelectedOptionNoTimer", v.selectedOptionNoTimer);
    profile.WriteInt(L"DlgExpanded", v.expanded);
    profile.WriteInt(L"LastUsedOption", v.lastUsed);
}
