// The simple and advanced views on the real launcher: heights from the
// markers, which children are usable, the focus, the toggle's captions and
// mnemonics, the stored view, and the About command on the system menu.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "launcher/CLauncherDlg.h"

namespace {

const std::wstring kToAdvanced = L"\u9032\u968e\u8a2d\u5b9a(&M) >>";
const std::wstring kToSimple = L"<< \u7c21\u6613\u8a2d\u5b9a(&L)";

// Enabled children in z-order; the unnamed label is -1.
using Ids = std::vector<int>;
const Ids kSimple = {IDC_RUN_NERO, IDC_RUN_EXPRESS, IDC_TOGGLE_VIEW, IDC_MARK_SIMPLE};
const Ids kAdvancedAutorunOff = {IDC_RUN_NERO,    IDC_RUN_EXPRESS, IDC_TOGGLE_VIEW,   IDC_DEFAULT_PROGRAM, IDC_AUTORUN,
                                 IDC_CLOSE_AFTER, IDC_MARK_SIMPLE, IDC_MARK_ADVANCED, IDC_STATIC};
const Ids kAll = {IDC_RUN_NERO,        IDC_RUN_EXPRESS, IDC_TOGGLE_VIEW, IDC_DEFAULT_PROGRAM, IDC_AUTORUN,
                  IDC_AUTORUN_PROGRAM, IDC_DELAY,       IDC_DELAY_SPIN,  IDC_CLOSE_AFTER,     IDC_MARK_SIMPLE,
                  IDC_MARK_ADVANCED,   IDC_STATIC,      IDC_DELAY_LABEL};

class View : public ::testing::Test {
protected:
    void SetUp() override { wt::ResetSettings(); }
};

RECT WindowRect(HWND hWnd)
{
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    return rc;
}

Ids EnabledChildren(HWND hDlg)
{
    Ids ids;
    for (HWND h = GetWindow(hDlg, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if (IsWindowEnabled(h))
            ids.push_back(GetDlgCtrlID(h));
    return ids;
}

// The window ends exactly at the view's marker, and the caption offers the other view.
void ExpectView(HWND hDlg, bool bAdvanced)
{
    const int nMarker = bAdvanced ? IDC_MARK_ADVANCED : IDC_MARK_SIMPLE;
    EXPECT_EQ(WindowRect(GetDlgItem(hDlg, nMarker)).top, WindowRect(hDlg).bottom) << "advanced " << bAdvanced;
    EXPECT_EQ(bAdvanced ? kToSimple : kToAdvanced, wt::ItemText(hDlg, IDC_TOGGLE_VIEW));
}

void Click(HWND hDlg, int id) { SendDlgItemMessageW(hDlg, id, BM_CLICK, 0, 0); }

bool CountdownRunning(HWND hDlg)
{
    // KillTimer finds only a running timer; re-arm it if it was there.
    if (!KillTimer(hDlg, ID_AUTORUN_TIMER))
        return false;
    SetTimer(hDlg, ID_AUTORUN_TIMER, AUTORUN_PERIOD_MS, nullptr);
    return true;
}

TEST_F(View, HeightsFollowTheMarkersAndTheViewIsStoredAsClosed)
{
    struct Case {
        DWORD stored;
        int toggles;
        int written;
    };
    // Any nonzero flag opens the advanced view and is written back as it was
    // unless the user switched.
    const Case cases[] = {{0, 0, 0}, {1, 0, 1}, {7, 0, 7}, {0, 1, 1}, {7, 1, 0}, {7, 2, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "stored " << c.stored << ", toggles " << c.toggles);
        wt::ResetSettings();
        wt::StoreDword(L"DlgExpanded", c.stored);
        CLauncherDlg dlg;
        wt::RunModal(dlg, [&](HWND hDlg) {
            bool bAdvanced = c.stored != 0;
            ExpectView(hDlg, bAdvanced);
            const RECT rcStart = WindowRect(hDlg);
            for (int i = 0; i < c.toggles; ++i) {
                Click(hDlg, IDC_TOGGLE_VIEW);
                bAdvanced = !bAdvanced;
                ExpectView(hDlg, bAdvanced);
            }
            // Only the height changes.
            const RECT rc = WindowRect(hDlg);
            EXPECT_EQ(rcStart.left, rc.left);
            EXPECT_EQ(rcStart.top, rc.top);
            EXPECT_EQ(rcStart.right, rc.right);
        });
        EXPECT_EQ(c.written, wt::StoredInt(L"DlgExpanded"));
    }
}

TEST_F(View, OnlyWhatLiesInsideIsEnabledAndTheDelayControlsFollowAutorun)
{
    wt::StoreDword(L"DlgExpanded", 1);
    CLauncherDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        EXPECT_EQ(kAdvancedAutorunOff, EnabledChildren(hDlg));
        Click(hDlg, IDC_AUTORUN);
        EXPECT_EQ(kAll, EnabledChildren(hDlg));
        Click(hDlg, IDC_TOGGLE_VIEW);
        EXPECT_EQ(kSimple, EnabledChildren(hDlg));
        Click(hDlg, IDC_TOGGLE_VIEW);
        EXPECT_EQ(kAll, EnabledChildren(hDlg));
        Click(hDlg, IDC_AUTORUN);
        EXPECT_EQ(kAdvancedAutorunOff, EnabledChildren(hDlg));
        Click(hDlg, IDC_TOGGLE_VIEW);
        EXPECT_EQ(kSimple, EnabledChildren(hDlg));
    });
}

TEST_F(View, SwitchesStopTheCountdownAndNeverRearmIt)
{
    wt::StoreDword(L"EnableAutorun", 1);
    wt::StoreDword(L"WaitSeconds", 10);
    for (int nStartView : {0, 1}) {
        wt::StoreDword(L"DlgExpanded", nStartView);
        CLauncherDlg dlg;
        wt::RunModal(dlg, [&](HWND hDlg) {
            ASSERT_TRUE(CountdownRunning(hDlg));
            if (nStartView == 0) {
                // Auto-run on changes nothing in the simple view.
                EXPECT_EQ(kSimple, EnabledChildren(hDlg));
                Click(hDlg, IDC_TOGGLE_VIEW);
                EXPECT_EQ(kAll, EnabledChildren(hDlg));
            } else {
                Click(hDlg, IDC_AUTORUN);
                Click(hDlg, IDC_AUTORUN);
                EXPECT_EQ(kAll, EnabledChildren(hDlg));
            }
            EXPECT_FALSE(CountdownRunning(hDlg));
            EXPECT_EQ(L"Nero(&N)", wt::ItemText(hDlg, IDC_RUN_NERO));
        });
    }
}

TEST_F(View, FocusOnADisabledControlMovesToTheNeroButton)
{
    wt::StoreDword(L"DlgExpanded", 1);
    CLauncherDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        const HWND hToggle = GetDlgItem(hDlg, IDC_TOGGLE_VIEW);
        // The notification alone, so that the focus stays where the test put it.
        auto toggle = [&] { SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDC_TOGGLE_VIEW, BN_CLICKED), (LPARAM)hToggle); };
        SetFocus(GetDlgItem(hDlg, IDC_CLOSE_AFTER));
        toggle();
        EXPECT_EQ(GetDlgItem(hDlg, IDC_RUN_NERO), GetFocus());

        toggle();
        SetFocus(GetDlgItem(hDlg, IDC_RUN_EXPRESS));
        toggle();
        EXPECT_EQ(GetDlgItem(hDlg, IDC_RUN_EXPRESS), GetFocus());
    });
}

TEST_F(View, AltMAndAltLPressTheToggle)
{
    CLauncherDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        // What the keyboard produces for Alt+letter, through the modal loop.
        auto altKey = [&](wchar_t ch, const std::wstring& expected) {
            HWND hFocus = GetFocus() ? GetFocus() : hDlg;
            PostMessageW(hFocus, WM_SYSCHAR, ch, 0x20000001);
            return wt::PumpUntil(hDlg, 2000, [&] { return wt::ItemText(hDlg, IDC_TOGGLE_VIEW) == expected; });
        };
        EXPECT_TRUE(altKey(L'm', kToSimple));
        ExpectView(hDlg, true);
        EXPECT_TRUE(altKey(L'L', kToAdvanced));
        ExpectView(hDlg, false);
    });
}

TEST_F(View, AboutCommandRangeOpensTheAboutBoxAndOtherCommandsGoToTheSystem)
{
    CLauncherDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        // No string 101, so nothing was added to the system menu.
        HMENU hMenu = GetSystemMenu(hDlg, FALSE);
        ASSERT_TRUE(hMenu);
        EXPECT_EQ(static_cast<UINT>(-1), GetMenuState(hMenu, IDM_ABOUT, MF_BYCOMMAND));
        EXPECT_FALSE(GetMenuState(hMenu, GetMenuItemCount(hMenu) - 1, MF_BYPOSITION) & MF_SEPARATOR);

        wt::ModalDismisser dismisser(hDlg);
        for (UINT id = 0x0F; id <= 0x20; ++id)
            SendMessageW(hDlg, WM_SYSCOMMAND, id, 0);
        ASSERT_EQ(16u, dismisser.seen().size());
        for (const auto& seen : dismisser.seen()) {
            EXPECT_EQ(L"\u95dc\u65bc Zarvel", seen.title);
            EXPECT_NE(std::wstring::npos, seen.text.find(L"Zarvel \u7248\u672c 1.0"));
        }

        SendMessageW(hDlg, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_TRUE(IsIconic(hDlg));
        SendMessageW(hDlg, WM_SYSCOMMAND, SC_RESTORE, 0);
        EXPECT_FALSE(IsIconic(hDlg));
        EXPECT_EQ(16u, dismisser.seen().size());

        // Close becomes WM_CLOSE: the settings are written and the dialog ends.
        EXPECT_EQ(0, wt::CountStoredValues());
        SendMessageW(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(7, wt::CountStoredValues());
        EXPECT_FALSE(IsWindowVisible(hDlg));
    });
}

} // namespace
