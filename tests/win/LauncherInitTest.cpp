// The launcher's first moments and its end: title, stored state on the
// controls, the tab order, and keys that must not close it.
#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "launcher/CLauncherDlg.h"

namespace {

class LauncherInit : public ::testing::Test {
protected:
    void SetUp() override { wt::ResetSettings(); }
};

int Selected(HWND hDlg, int id)
{
    const LRESULT i = SendDlgItemMessageW(hDlg, id, CB_GETCURSEL, 0, 0);
    return i < 0 ? 0 : static_cast<int>(SendDlgItemMessageW(hDlg, id, CB_GETITEMDATA, i, 0));
}

TEST_F(LauncherInit, FirstRunShowsTheTitleAndTheDefaults)
{
    CLauncherDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        EXPECT_EQ(L"Zarvel v1.0", wt::WindowText(hDlg));
        EXPECT_EQ(1004, Selected(hDlg, IDC_AUTORUN_PROGRAM));
        EXPECT_EQ(1004, Selected(hDlg, IDC_DEFAULT_PROGRAM));
        EXPECT_EQ(L"3", wt::ItemText(hDlg, IDC_DELAY));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(hDlg, IDC_CLOSE_AFTER));
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(hDlg, IDC_AUTORUN));
        EXPECT_EQ(L"\u9032\u968e\u8a2d\u5b9a(&M) >>", wt::ItemText(hDlg, IDC_TOGGLE_VIEW));
        EXPECT_EQ(GetDlgItem(hDlg, IDC_RUN_NERO), GetFocus());
        // The lists hold the three choices in table order.
        ASSERT_EQ(3, SendDlgItemMessageW(hDlg, IDC_DEFAULT_PROGRAM, CB_GETCOUNT, 0, 0));
        wchar_t text[32];
        SendDlgItemMessageW(hDlg, IDC_DEFAULT_PROGRAM, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(L"\u4e0a\u6b21\u6240\u57f7\u884c", text);
    });
}

TEST_F(LauncherInit, StoredValuesReachTheControlsAndComeBackUnchanged)
{
    wt::StoreDword(L"SelectedOption", 1006);
    wt::StoreDword(L"SelectedOptionNoTimer", 1005);
    wt::StoreDword(L"WaitSeconds", 7);
    wt::StoreDword(L"CloseZarvel", 0);
    wt::StoreDword(L"DlgExpanded", 1);
    wt::StoreDword(L"LastUsedOption", 1005);
    CLauncherDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        EXPECT_EQ(1006, Selected(hDlg, IDC_AUTORUN_PROGRAM));
        EXPECT_EQ(1005, Selected(hDlg, IDC_DEFAULT_PROGRAM));
        EXPECT_EQ(L"7", wt::ItemText(hDlg, IDC_DELAY));
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(hDlg, IDC_CLOSE_AFTER));
        EXPECT_EQ(L"<< \u7c21\u6613\u8a2d\u5b9a(&L)", wt::ItemText(hDlg, IDC_TOGGLE_VIEW));
    });
    EXPECT_EQ(7, wt::CountStoredValues());
    EXPECT_EQ((std::vector<int>{7, 0, 0, 1006, 1005, 1, 1005}), treg::StoredSettings());
}

TEST_F(LauncherInit, TabWalksTheEightStopsInOrder)
{
    wt::StoreDword(L"DlgExpanded", 1);
    wt::StoreDword(L"EnableAutorun", 1);
    wt::StoreDword(L"WaitSeconds", 10);
    CLauncherDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        SendMessageW(hDlg, WM_LBUTTONDOWN, 0, 0); // keep the countdown from firing
        const int expected[] = {IDC_RUN_NERO,        IDC_RUN_EXPRESS, IDC_TOGGLE_VIEW, IDC_DEFAULT_PROGRAM, IDC_AUTORUN,
                                IDC_AUTORUN_PROGRAM, IDC_DELAY,       IDC_CLOSE_AFTER, IDC_RUN_NERO};
        HWND h = GetDlgItem(hDlg, IDC_RUN_NERO);
        for (size_t i = 1; i < sizeof(expected) / sizeof(expected[0]); ++i) {
            h = GetNextDlgTabItem(hDlg, h, FALSE);
            EXPECT_EQ(expected[i], GetDlgCtrlID(h)) << "stop " << i;
        }
    });
}

TEST_F(LauncherInit, EnterAndEscapeLeaveTheWindowOpen)
{
    CLauncherDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        SetFocus(GetDlgItem(hDlg, IDC_DEFAULT_PROGRAM));
        SendMessageW(hDlg, WM_COMMAND, IDOK, 0);
        SendMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
        // Through the dialog manager too, as the keys arrive.
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
        wt::Pump(hDlg, 100);
        EXPECT_TRUE(IsWindowVisible(hDlg));
        EXPECT_NE(nullptr, dlg.m_hWnd);
    });
    // Only the final close wrote the settings.
    EXPECT_EQ(7, wt::CountStoredValues());
}

} // namespace
