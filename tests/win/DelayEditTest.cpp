// The delay box on a real edit control with its up-down buddy: the 1..10
// clamp, the single nested change, and the timer it stops on its parent.
#include <gtest/gtest.h>

#include <string>

#include "WinTestIds.h"
#include "WinTestSupport.h"
#include "app/CSpinButtonCtrl.h"
#include "controls/CDelayEdit.h"
#include "launcher/LaunchOption.h"

namespace {

const UINT_PTR kOtherTimer = 1009;

// Counts every run of the change handler, the nested ones included.
class CCountingDelayEdit : public CDelayEdit {
public:
    int changes = 0;

protected:
    bool OnChildNotify(UINT nCode) override
    {
        if (nCode == EN_CHANGE)
            ++changes;
        return CDelayEdit::OnChildNotify(nCode);
    }
};

class CDelayDlg : public CDialog {
public:
    CDelayDlg() : CDialog(IDD_TEST_CONTROLS) {}
    CCountingDelayEdit edit;
    CSpinButtonCtrl spin;
    int parentEditNotes = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, IDC_TEST_EDIT, edit);
        DDX_Control(pDX, IDC_TEST_SPIN, spin);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        spin.SetRange(1, 10);
        return TRUE;
    }
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& rResult) override
    {
        const UINT code = HIWORD(wParam);
        if (msg == WM_COMMAND && LOWORD(wParam) == IDC_TEST_EDIT && (code == EN_CHANGE || code == EN_SETFOCUS))
            ++parentEditNotes;
        return CDialog::OnWndMsg(msg, wParam, lParam, rResult);
    }
};

// Sets the text as the program would and returns what the box then shows.
std::wstring AfterSetText(CDelayDlg& dlg, const wchar_t* text)
{
    dlg.edit.changes = 0;
    SetWindowTextW(dlg.edit.m_hWnd, text);
    return wt::WindowText(dlg.edit.m_hWnd);
}

void PressKey(HWND hWnd, UINT vk)
{
    SendMessageW(hWnd, WM_KEYDOWN, vk, 1);
    SendMessageW(hWnd, WM_KEYUP, vk, 0xC0000001);
}

bool PutOnClipboard(HWND hOwner, const wchar_t* text)
{
    if (!OpenClipboard(hOwner))
        return false;
    EmptyClipboard();
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL hMem = GlobalAlloc(GMEM_MOVEABLE, bytes);
    bool ok = false;
    if (hMem) {
        memcpy(GlobalLock(hMem), text, bytes);
        GlobalUnlock(hMem);
        ok = SetClipboardData(CF_UNICODETEXT, hMem) != nullptr;
        if (!ok)
            GlobalFree(hMem);
    }
    CloseClipboard();
    return ok;
}

TEST(DelayEdit, HoldsTheTextToOneThroughTenWithOneNestedChange)
{
    CDelayDlg dlg;
    wt::RunModal(dlg, [&](HWND) {
        struct Case {
            const wchar_t* text;
            const wchar_t* shown;
            int changes;
        };
        const Case cases[] = {
            {L"7", L"7", 1},   {L"05", L"05", 1},   {L"10", L"10", 1},
            {L"1", L"1", 1},   {L"", L"1", 2},      {L"0", L"1", 2},
            {L"-3", L"1", 2},  {L"11", L"10", 2},   {L"99", L"10", 2},
            {L"abc", L"1", 2}, {L" 4x", L" 4x", 1}, {L"1234567890123456789012345678901234567890", L"10", 2},
        };
        for (const Case& c : cases) {
            EXPECT_EQ(c.shown, AfterSetText(dlg, c.text)) << "set " << testing::PrintToString(c.text);
            EXPECT_EQ(c.changes, dlg.edit.changes) << "set " << testing::PrintToString(c.text);
        }
        EXPECT_EQ(0, dlg.parentEditNotes);
    });
}

TEST(DelayEdit, UserEditsAreClampedToo)
{
    CDelayDlg dlg;
    wt::RunModal(dlg, [&](HWND) {
        HWND hEdit = dlg.edit.m_hWnd;
        SetFocus(hEdit);
        // Every digit typed after a "1" makes a number of 10 or more.
        for (wchar_t digit = L'0'; digit <= L'9'; ++digit) {
            SetWindowTextW(hEdit, L"1");
            SendMessageW(hEdit, EM_SETSEL, 1, 1);
            SendMessageW(hEdit, WM_CHAR, digit, 1);
            EXPECT_EQ(L"10", wt::WindowText(hEdit)) << "typed " << static_cast<char>(digit);
        }

        // Selecting everything and deleting it.
        SendMessageW(hEdit, EM_SETSEL, 0, -1);
        SendMessageW(hEdit, WM_CLEAR, 0, 0);
        EXPECT_EQ(L"1", wt::WindowText(hEdit));

        // ES_NUMBER filters typing only; a paste brings any text.
        struct Paste {
            const wchar_t* text;
            const wchar_t* shown;
        };
        const Paste pastes[] = {{L"1234567890123456789012345678901234567890", L"10"}, {L"abc", L"1"}};
        for (const Paste& p : pastes) {
            ASSERT_TRUE(PutOnClipboard(hEdit, p.text));
            SendMessageW(hEdit, EM_SETSEL, 0, -1);
            dlg.edit.changes = 0;
            SendMessageW(hEdit, WM_PASTE, 0, 0);
            EXPECT_EQ(p.shown, wt::WindowText(hEdit)) << "pasted " << testing::PrintToString(p.text);
            EXPECT_EQ(2, dlg.edit.changes) << "pasted " << testing::PrintToString(p.text);
        }
        EXPECT_EQ(0, dlg.parentEditNotes);
    });
}

TEST(DelayEdit, ArrowsStepWithinTheRange)
{
    CDelayDlg dlg;
    wt::RunModal(dlg, [&](HWND) {
        HWND hEdit = dlg.edit.m_hWnd;
        SetFocus(hEdit);
        struct Step {
            const wchar_t* from;
            UINT vk;
            const wchar_t* to;
        };
        const Step steps[] = {{L"5", VK_UP, L"6"},
                              {L"9", VK_UP, L"10"},
                              {L"10", VK_UP, L"10"},
                              {L"2", VK_DOWN, L"1"},
                              {L"1", VK_DOWN, L"1"}};
        for (const Step& s : steps) {
            SetWindowTextW(hEdit, s.from);
            dlg.edit.changes = 0;
            PressKey(hEdit, s.vk);
            EXPECT_EQ(s.to, wt::WindowText(hEdit))
                << testing::PrintToString(s.from) << (s.vk == VK_UP ? " up" : " down");
            // A step inside the range passes the handler once and is left alone.
            if (wcscmp(s.from, s.to) != 0) {
                EXPECT_EQ(1, dlg.edit.changes) << testing::PrintToString(s.from);
            }
        }
        EXPECT_EQ(0, dlg.parentEditNotes);
    });
}

TEST(DelayEdit, FocusAndChangeKillOnlyTheCountdownTimerOfTheParent)
{
    CDelayDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        HWND hEdit = dlg.edit.m_hWnd;
        HWND hOther = GetDlgItem(hDlg, IDC_TEST_BUTTON);
        const auto armBoth = [&] {
            ASSERT_TRUE(SetTimer(hDlg, ID_AUTORUN_TIMER, 60000, nullptr));
            ASSERT_TRUE(SetTimer(hDlg, kOtherTimer, 60000, nullptr));
        };
        // KillTimer reports whether the timer still existed.
        const auto expectOnlyCountdownGone = [&](const char* what) {
            EXPECT_FALSE(KillTimer(hDlg, ID_AUTORUN_TIMER)) << what << " left timer 1008 running";
            EXPECT_TRUE(KillTimer(hDlg, kOtherTimer)) << what << " killed another timer";
        };

        SetFocus(hOther);
        armBoth();
        SetFocus(hEdit);
        ASSERT_EQ(hEdit, GetFocus());
        expectOnlyCountdownGone("focus");

        armBoth();
        SetWindowTextW(hEdit, L"4");
        expectOnlyCountdownGone("a change");

        armBoth();
        PressKey(hEdit, VK_UP);
        EXPECT_EQ(L"5", wt::WindowText(hEdit));
        expectOnlyCountdownGone("an arrow step");

        EXPECT_EQ(L"Other", wt::WindowText(hOther));
        EXPECT_EQ(0, dlg.parentEditNotes);
    });
}

} // namespace
