// The launcher and whatever the registry holds: values of the wrong type or
// size, out of range or naming no choice, and the default button they lead to.
#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "launcher/CLauncherDlg.h"

namespace {

const wchar_t* const kNames[] = {L"SelectedOption", L"SelectedOptionNoTimer", L"WaitSeconds",   L"CloseZarvel",
                                 L"EnableAutorun",  L"DlgExpanded",           L"LastUsedOption"};
const wchar_t kToAdvanced[] = L"\u9032\u968e\u8a2d\u5b9a(&M) >>";
const wchar_t kToSimple[] = L"<< \u7c21\u6613\u8a2d\u5b9a(&L)";

class LauncherSettings : public ::testing::Test {
protected:
    void SetUp() override { wt::ResetSettings(); }
};

// The selected item's data, or -1 when the list shows no selection at all.
int Selected(HWND hDlg, int id)
{
    const LRESULT i = SendDlgItemMessageW(hDlg, id, CB_GETCURSEL, 0, 0);
    if (i < 0)
        return wt::ItemText(hDlg, id).empty() ? -1 : -2;
    return static_cast<int>(SendDlgItemMessageW(hDlg, id, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
}

// All seven were written back as 4-byte REG_DWORD values.
void ExpectSevenDwords()
{
    EXPECT_EQ(7, wt::CountStoredValues());
    for (const wchar_t* name : kNames) {
        DWORD value = 0, type = 0, size = 0;
        EXPECT_TRUE(wt::ReadStored(name, &value, &type, &size)) << name;
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type) << name;
        EXPECT_EQ(4u, size) << name;
    }
}

TEST_F(LauncherSettings, MistypedValuesReadAsDefaultsAndComeBackAsDwords)
{
    const wchar_t express[] = L"1005";
    wt::StoreRaw(L"SelectedOption", REG_SZ, express, sizeof(express));
    const DWORD expressData = 1005;
    wt::StoreRaw(L"SelectedOptionNoTimer", REG_BINARY, &expressData, sizeof(expressData));
    const unsigned long long seven = 7;
    wt::StoreRaw(L"WaitSeconds", REG_QWORD, &seven, sizeof(seven));
    const BYTE zeroShort[2] = {0, 0};
    wt::StoreRaw(L"CloseZarvel", REG_DWORD, zeroShort, sizeof(zeroShort));
    const wchar_t on[] = L"1";
    wt::StoreRaw(L"EnableAutorun", REG_SZ, on, sizeof(on));
    const BYTE oneLong[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    wt::StoreRaw(L"DlgExpanded", REG_DWORD, oneLong, sizeof(oneLong));
    const unsigned long long expressWide = 1005;
    wt::StoreRaw(L"LastUsedOption", REG_QWORD, &expressWide, sizeof(expressWide));

    CLauncherDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        EXPECT_EQ(1004, Selected(hDlg, IDC_AUTORUN_PROGRAM));
        EXPECT_EQ(1004, Selected(hDlg, IDC_DEFAULT_PROGRAM));
        EXPECT_EQ(L"3", wt::ItemText(hDlg, IDC_DELAY));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(hDlg, IDC_CLOSE_AFTER));
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(hDlg, IDC_AUTORUN));
        EXPECT_EQ(L"Nero(&N)", wt::ItemText(hDlg, IDC_RUN_NERO)) << "a countdown started";
        EXPECT_EQ(kToAdvanced, wt::ItemText(hDlg, IDC_TOGGLE_VIEW));
    });
    ExpectSevenDwords();
    EXPECT_EQ((std::vector<int>{3, 1, 0, 1004, 1004, 0, 1004}), treg::StoredSettings());
}

// Nothing is validated on reading: each value has the consequence it has,
// and the close writes back what the controls and members then hold.
TEST_F(LauncherSettings, OutOfRangeValuesAndWhatTheCloseWritesBack)
{
    struct Case {
        const char* what;
        DWORD stored[7]; // in the order of kNames
        int autorunList, defaultList;
        const wchar_t* delay;
        int written[7];
    };
    const Case cases[] = {
        {"huge and unmatched", {1007, 0, 0x7FFFFFFF, 5, 0xFFFFFFFF, 7, 1007}, -1, -1, L"10", {0, 0, 10, 1, 1, 7, 1007}},
        // -5 and -1 as stored; 0x800003EC is 1004 with the top bit set.
        {"negative",
         {0x800003EC, 1006, 0xFFFFFFFB, 0xFFFFFFFF, 0, 0xFFFFFFFF, 0xFFFFFFFB},
         -1,
         1006,
         L"1",
         {0, 1006, 1, 1, 0, -1, -5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        wt::ResetSettings();
        for (int i = 0; i < 7; ++i)
            wt::StoreDword(kNames[i], c.stored[i]);
        CLauncherDlg dlg;
        wt::RunModal(dlg, [&](HWND hDlg) {
            EXPECT_EQ(c.autorunList, Selected(hDlg, IDC_AUTORUN_PROGRAM));
            EXPECT_EQ(c.defaultList, Selected(hDlg, IDC_DEFAULT_PROGRAM));
            EXPECT_EQ(c.delay, wt::ItemText(hDlg, IDC_DELAY));
            // Any nonzero view flag opens the advanced view.
            EXPECT_EQ(kToSimple, wt::ItemText(hDlg, IDC_TOGGLE_VIEW));
            // Neither list names Nero Express, directly or through the last used program.
            EXPECT_EQ(GetDlgItem(hDlg, IDC_RUN_NERO), GetFocus());
        });
        ExpectSevenDwords();
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(c.written[i], wt::StoredInt(kNames[i])) << kNames[i];
    }
}

TEST_F(LauncherSettings, DefaultButtonAndFocusFollowTheDefaultProgram)
{
    for (int defaultProgram : {1004, 1005, 1006}) {
        for (int lastUsed : {1004, 1005}) {
            SCOPED_TRACE(testing::Message() << "default " << defaultProgram << ", last used " << lastUsed);
            wt::ResetSettings();
            wt::StoreDword(L"SelectedOptionNoTimer", static_cast<DWORD>(defaultProgram));
            wt::StoreDword(L"LastUsedOption", static_cast<DWORD>(lastUsed));
            const bool expressIsDefault = defaultProgram == 1005 || (defaultProgram == 1006 && lastUsed == 1005);
            CLauncherDlg dlg;
            wt::RunModal(dlg, [&](HWND hDlg) {
                HWND hNero = GetDlgItem(hDlg, IDC_RUN_NERO);
                HWND hExpress = GetDlgItem(hDlg, IDC_RUN_EXPRESS);
                const LONG_PTR style = GetWindowLongPtrW(hExpress, GWL_STYLE);
                EXPECT_EQ(expressIsDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, style & BS_TYPEMASK);
                EXPECT_EQ(expressIsDefault ? hExpress : hNero, GetFocus());
            });
            // Opening the window launches nothing, so the last used program stays.
            EXPECT_EQ(lastUsed, wt::StoredInt(L"LastUsedOption"));
        }
    }
}

} // namespace
