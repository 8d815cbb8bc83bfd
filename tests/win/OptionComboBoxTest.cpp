// The option list on a real drop-down list combo box of a dialog template.
#include <gtest/gtest.h>

#include <vector>

#include "WinTestIds.h"
#include "WinTestSupport.h"
#include "controls/COptionComboBox.h"

namespace {

const OptionEntry kOptions[] = {{1004, 1004}, {1005, 1005}, {1006, 1006}, {0, 0}};
const wchar_t kLastUsedText[] = L"\u4e0a\u6b21\u6240\u57f7\u884c"; // 上次所執行

// The test template with its combo box subclassed as an option list; the
// dialog remembers every notification of the list that reaches it.
class COptionDlg : public CDialog {
public:
    COptionDlg() : CDialog(IDD_TEST_CONTROLS) {}
    COptionComboBox combo;
    std::vector<UINT> seen;

    bool Saw(UINT nCode) const
    {
        for (UINT n : seen)
            if (n == nCode)
                return true;
        return false;
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_TEST_COMBO, combo); }
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& rResult) override
    {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDC_TEST_COMBO)
            seen.push_back(HIWORD(wParam));
        return CDialog::OnWndMsg(msg, wParam, lParam, rResult);
    }
};

std::wstring ItemText(const CComboBox& combo, int i)
{
    wchar_t buffer[256] = L"";
    if (combo.SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(i)) < 256)
        combo.SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

// Records the sizes that windows of this thread are asked to take, so a test
// sees what the list asked for rather than what the platform made of it.
class SizeRequests {
public:
    explicit SizeRequests(HWND hWnd)
    {
        s_hWnd = hWnd;
        s_pSeen = &m_seen;
        m_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, &SizeRequests::Hook, nullptr, ::GetCurrentThreadId());
    }
    ~SizeRequests()
    {
        ::UnhookWindowsHookEx(m_hook);
        s_pSeen = nullptr;
    }
    // Requests that changed the size; moves and z-order changes are left out.
    const std::vector<WINDOWPOS>& seen() const { return m_seen; }

private:
    static LRESULT CALLBACK Hook(int nCode, WPARAM wParam, LPARAM lParam)
    {
        const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (nCode == HC_ACTION && s_pSeen && cwp->hwnd == s_hWnd && cwp->message == WM_WINDOWPOSCHANGING) {
            const auto* pos = reinterpret_cast<const WINDOWPOS*>(cwp->lParam);
            if (!(pos->flags & SWP_NOSIZE))
                s_pSeen->push_back(*pos);
        }
        return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
    }
    static HWND s_hWnd;
    static std::vector<WINDOWPOS>* s_pSeen;
    HHOOK m_hook;
    std::vector<WINDOWPOS> m_seen;
};
HWND SizeRequests::s_hWnd;
std::vector<WINDOWPOS>* SizeRequests::s_pSeen;

TEST(OptionComboBox, FillingAppendsTheTableInOrder)
{
    COptionDlg dlg;
    wt::RunModal(dlg, [&](HWND) {
        dlg.combo.FillFromTable(kOptions);
        dlg.combo.FillFromTable(kOptions);
        const OptionEntry empty[] = {{0, 1004}, {1005, 1005}, {0, 0}};
        dlg.combo.FillFromTable(empty);
        ASSERT_EQ(6, dlg.combo.GetCount());
        const std::wstring texts[] = {L"Nero", L"Nero Express", kLastUsedText};
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(texts[i % 3], ItemText(dlg.combo, i)) << i;
            EXPECT_EQ(kOptions[i % 3].nItemData, dlg.combo.GetItemData(i)) << i;
        }
        // Filling selects nothing.
        EXPECT_EQ(CB_ERR, dlg.combo.GetCurSel());

        // A text the string table lacks still gives an item with its data.
        const OptionEntry unknown[] = {{4321, 77}, {0, 0}};
        dlg.combo.FillFromTable(unknown);
        ASSERT_EQ(7, dlg.combo.GetCount());
        EXPECT_EQ(L"", ItemText(dlg.combo, 6));
        EXPECT_EQ(77u, dlg.combo.GetItemData(6));
    });
}

TEST(OptionComboBox, SelectsAndReadsByItemDataOnly)
{
    COptionDlg dlg;
    wt::RunModal(dlg, [&](HWND) {
        COptionComboBox& combo = dlg.combo;
        // Empty list: nothing to select, nothing selected.
        EXPECT_EQ(-1, combo.SelectByItemData(1004));
        EXPECT_EQ(0u, combo.GetSelectedItemData());

        combo.FillFromTable(kOptions);
        combo.FillFromTable(kOptions);
        EXPECT_EQ(2, combo.SelectByItemData(1006));
        EXPECT_EQ(kLastUsedText, wt::WindowText(combo.m_hWnd));
        EXPECT_EQ(1006u, combo.GetSelectedItemData());
        // Duplicates: the lowest index wins.
        EXPECT_EQ(1, combo.SelectByItemData(1005));
        EXPECT_EQ(1005u, combo.GetSelectedItemData());

        // No match clears the selection and the field.
        for (DWORD value : {0u, 1007u, 0x100003ECu}) {
            combo.SelectByItemData(1004);
            EXPECT_EQ(-1, combo.SelectByItemData(value)) << value;
            EXPECT_EQ(CB_ERR, combo.GetCurSel()) << value;
            EXPECT_EQ(L"", wt::WindowText(combo.m_hWnd)) << value;
            EXPECT_EQ(0u, combo.GetSelectedItemData()) << value;
        }

        // An item whose data is 0 reads like no selection; full 32-bit values survive.
        const OptionEntry odd[] = {{1004, 0}, {1005, 0xFFFFFFFFu}, {0, 0}};
        combo.FillFromTable(odd);
        EXPECT_EQ(6, combo.SelectByItemData(0));
        EXPECT_EQ(0u, combo.GetSelectedItemData());
        EXPECT_EQ(7, combo.SelectByItemData(0xFFFFFFFFu));
        EXPECT_EQ(0xFFFFFFFFu, combo.GetSelectedItemData());
    });
}

TEST(OptionComboBox, DropDownIsConsumedOtherNotificationsReachTheDialog)
{
    COptionDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        dlg.combo.FillFromTable(kOptions);
        ::SetFocus(::GetDlgItem(hDlg, IDC_TEST_BUTTON));
        dlg.seen.clear();
        ::SetFocus(dlg.combo.m_hWnd);
        SizeRequests sizes(dlg.combo.m_hWnd);
        dlg.combo.SendMessage(CB_SHOWDROPDOWN, TRUE);
        dlg.combo.SendMessage(CB_SHOWDROPDOWN, FALSE);
        // The list handled its drop-down itself...
        EXPECT_FALSE(sizes.seen().empty());
        EXPECT_FALSE(dlg.Saw(CBN_DROPDOWN));
        // ...and passed everything else on.
        EXPECT_TRUE(dlg.Saw(CBN_SETFOCUS));
        EXPECT_TRUE(dlg.Saw(CBN_CLOSEUP));
    });
}

TEST(OptionComboBox, DroppedHeightFollowsTheItemCount)
{
    COptionDlg dlg;
    wt::RunModal(dlg, [&](HWND) {
        COptionComboBox& combo = dlg.combo;
        for (int n : {0, 2, 3, 20}) {
            SCOPED_TRACE(n);
            combo.SendMessage(CB_RESETCONTENT);
            std::vector<OptionEntry> rows(static_cast<size_t>(n), OptionEntry{1004, 1004});
            rows.push_back({0, 0});
            combo.FillFromTable(rows.data());
            RECT before, after;
            combo.GetWindowRect(&before);
            const int h = combo.GetItemHeight(0);
            {
                SizeRequests sizes(combo.m_hWnd);
                combo.SendMessage(CB_SHOWDROPDOWN, TRUE);
                // The first request is the list's; the combo box then trims its closed field.
                ASSERT_FALSE(sizes.seen().empty());
                EXPECT_EQ(static_cast<UINT>(SWP_NOMOVE | SWP_NOZORDER), sizes.seen()[0].flags);
                EXPECT_EQ(h * ((n > 2 ? n : 2) + 2), sizes.seen()[0].cy);
                EXPECT_EQ(before.right - before.left, sizes.seen()[0].cx);
            }
            combo.GetWindowRect(&after);
            EXPECT_EQ(before.left, after.left);
            EXPECT_EQ(before.top, after.top);
            EXPECT_EQ(before.right, after.right);
            combo.SendMessage(CB_SHOWDROPDOWN, FALSE);
        }
    });
}

// What the user sees: the three choices of the program all show at once.
TEST(OptionComboBox, ThreeChoicesDropDownWithoutAScrollBar)
{
    COptionDlg dlg;
    wt::RunModal(dlg, [&](HWND) {
        dlg.combo.FillFromTable(kOptions);
        dlg.combo.SendMessage(CB_SHOWDROPDOWN, TRUE);
        COMBOBOXINFO info = {};
        info.cbSize = sizeof(info);
        ASSERT_TRUE(::GetComboBoxInfo(dlg.combo.m_hWnd, &info));
        HWND hList = info.hwndList;
        ASSERT_TRUE(::IsWindowVisible(hList));
        EXPECT_FALSE(::GetWindowLongPtrW(hList, GWL_STYLE) & WS_VSCROLL) << "the dropped list scrolls";
        RECT rcClient, rcLast;
        ::GetClientRect(hList, &rcClient);
        ::SendMessageW(hList, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&rcLast));
        EXPECT_EQ(0, ::SendMessageW(hList, LB_GETTOPINDEX, 0, 0));
        EXPECT_LE(rcLast.bottom, rcClient.bottom) << "the last choice is cut off";
        dlg.combo.SendMessage(CB_SHOWDROPDOWN, FALSE);
    });
}

} // namespace
