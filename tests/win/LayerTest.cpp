// The class-library layer on real windows and the real registry.
#include <gtest/gtest.h>

#include "WinTestIds.h"
#include "WinTestSupport.h"
#include "app/CButton.h"
#include "app/CWinApp.h"
#include "res/resource.h"

namespace {

const wchar_t kSection[] = L"\u8a2d\u5b9a";

class Profile : public ::testing::Test {
protected:
    void SetUp() override { wt::ResetSettings(); }
    int Get(const wchar_t* name, int def) { return AfxGetApp()->GetProfileInt(kSection, name, def); }
};

TEST_F(Profile, MissingKeyOrValueGivesTheDefaultAndCreatesTheKey)
{
    EXPECT_EQ(-1, wt::CountStoredValues());
    EXPECT_EQ(77, Get(L"WaitSeconds", 77));
    // The read created the whole path, with no value in it.
    EXPECT_EQ(0, wt::CountStoredValues());
    EXPECT_EQ(5, Get(L"Other", 5));
}

TEST_F(Profile, DwordValuesReadBackAsSigned32Bit)
{
    wt::StoreDword(L"A", 1005);
    wt::StoreDword(L"B", 0xFFFFFFFDu);
    wt::StoreDword(L"C", 0x80000000u);
    EXPECT_EQ(1005, Get(L"A", 0));
    EXPECT_EQ(-3, Get(L"B", 0));
    EXPECT_EQ(INT32_MIN, Get(L"C", 0));
}

TEST_F(Profile, ValuesOfAnotherTypeOrSizeGiveTheDefault)
{
    const wchar_t text[] = L"7";
    wt::StoreRaw(L"Text", REG_SZ, text, sizeof(text));
    const unsigned long long wide = 7;
    wt::StoreRaw(L"Qword", REG_QWORD, &wide, sizeof(wide));
    const BYTE two[2] = {7, 0};
    wt::StoreRaw(L"Short", REG_DWORD, two, sizeof(two));
    const BYTE eight[8] = {7, 0, 0, 0, 0, 0, 0, 0};
    wt::StoreRaw(L"Long", REG_DWORD, eight, sizeof(eight));
    wt::StoreRaw(L"Binary", REG_BINARY, eight, 4);
    wt::StoreRaw(L"BigEndian", REG_DWORD_BIG_ENDIAN, eight, 4);
    wt::StoreRaw(L"Empty", REG_DWORD, nullptr, 0);
    for (const wchar_t* name : {L"Text", L"Qword", L"Short", L"Long", L"Binary", L"BigEndian", L"Empty"})
        EXPECT_EQ(42, Get(name, 42)) << name;
}

TEST_F(Profile, WritesDwordsAndOverwritesOtherTypes)
{
    const wchar_t text[] = L"hello";
    wt::StoreRaw(L"WaitSeconds", REG_SZ, text, sizeof(text));
    EXPECT_TRUE(AfxGetApp()->WriteProfileInt(kSection, L"WaitSeconds", -3));
    DWORD value = 0, type = 0, size = 0;
    ASSERT_TRUE(wt::ReadStored(L"WaitSeconds", &value, &type, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(4u, size);
    EXPECT_EQ(0xFFFFFFFDu, value);
}

TEST(Strings, LoadingAndSplitting)
{
    CString s;
    EXPECT_TRUE(s.LoadString(IDS_APP_TITLE));
    EXPECT_STREQ(L"Zarvel v1.0", s);
    EXPECT_FALSE(s.LoadString(IDS_ABOUT_MENU));
    EXPECT_TRUE(s.IsEmpty());

    s.LoadString(IDS_VIEW_TOGGLE);
    CString piece;
    EXPECT_TRUE(AfxExtractSubString(piece, s, 0, L'\n'));
    EXPECT_STREQ(L"\u9032\u968e\u8a2d\u5b9a(&M) >>", piece);
    EXPECT_TRUE(AfxExtractSubString(piece, s, 1, L'\n'));
    EXPECT_STREQ(L"<< \u7c21\u6613\u8a2d\u5b9a(&L)", piece);
    EXPECT_FALSE(AfxExtractSubString(piece, s, 2, L'\n'));
    EXPECT_TRUE(piece.IsEmpty());
    EXPECT_TRUE(AfxExtractSubString(piece, L"a\n\nb", 1, L'\n'));
    EXPECT_TRUE(piece.IsEmpty());
}

TEST(Strings, FormatAndConcatenate)
{
    CString s(L"Nero(&N)");
    CString count;
    count.Format(L"   [%d]", -3);
    s += count;
    EXPECT_STREQ(L"Nero(&N)   [-3]", s);
    count.Format(L"%d", INT32_MIN);
    EXPECT_STREQ(L"-2147483648", count);
    s = s; // self-assignment keeps the text
    EXPECT_STREQ(L"Nero(&N)   [-3]", s);
    s += s; // so does appending the string to itself
    EXPECT_STREQ(L"Nero(&N)   [-3]Nero(&N)   [-3]", s);
}

// A button that consumes BN_CLICKED and lets everything else through.
class CConsumingButton : public CButton {
public:
    int consumed = 0;

protected:
    bool OnChildNotify(UINT nCode) override
    {
        if (nCode != BN_CLICKED)
            return false;
        ++consumed;
        return true;
    }
};

class CReflectDlg : public CDialog {
public:
    CReflectDlg() : CDialog(IDD_TEST_CONTROLS) {}
    CConsumingButton button;
    int parentClicks = 0;
    int parentOther = 0;
    bool initEnds = false;
    bool loopRan = false;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_TEST_BUTTON, button); }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (initEnds)
            EndDialog(IDABORT);
        return TRUE;
    }
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& rResult) override
    {
        if (msg == WM_TIMER)
            loopRan = true;
        if (msg == WM_COMMAND && LOWORD(wParam) == IDC_TEST_BUTTON)
            ++(HIWORD(wParam) == BN_CLICKED ? parentClicks : parentOther);
        return CDialog::OnWndMsg(msg, wParam, lParam, rResult);
    }
};

TEST(Reflection, ConsumedNotificationsNeverReachTheParent)
{
    CReflectDlg dlg;
    wt::RunModal(dlg, [&](HWND hDlg) {
        HWND hButton = GetDlgItem(hDlg, IDC_TEST_BUTTON);
        EXPECT_EQ(hButton, dlg.button.m_hWnd);
        EXPECT_EQ(&dlg.button, CWnd::FromHandlePermanent(hButton));
        SendMessageW(hButton, BM_CLICK, 0, 0);
        SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDC_TEST_BUTTON, BN_SETFOCUS), reinterpret_cast<LPARAM>(hButton));
    });
    EXPECT_EQ(1, dlg.button.consumed);
    EXPECT_EQ(0, dlg.parentClicks);
    EXPECT_EQ(1, dlg.parentOther);
    // The window went, and the object let go of it.
    EXPECT_EQ(nullptr, dlg.button.m_hWnd);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

TEST(Modal, DialogEndedDuringInitialisationNeverRunsItsLoop)
{
    CReflectDlg dlg;
    dlg.initEnds = true;
    bool bodyRan = false;
    EXPECT_EQ(IDABORT, wt::RunModal(dlg, [&](HWND) { bodyRan = true; }));
    EXPECT_FALSE(bodyRan);
    EXPECT_FALSE(dlg.loopRan);
}

TEST(Modal, OwnerlessDialogOpensCentredAndOkEndsIt)
{
    CReflectDlg dlg;
    RECT rc = {}, work = {};
    const INT_PTR result = wt::RunModal(dlg, [&](HWND hDlg) {
        GetWindowRect(hDlg, &rc);
        MONITORINFO mi = {};
        mi.cbSize = sizeof(mi);
        GetMonitorInfoW(MonitorFromWindow(hDlg, MONITOR_DEFAULTTOPRIMARY), &mi);
        work = mi.rcWork;
        SendMessageW(hDlg, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_NEAR((work.left + work.right) / 2, (rc.left + rc.right) / 2, 1);
    EXPECT_NEAR((work.top + work.bottom) / 2, (rc.top + rc.bottom) / 2, 1);
}

// Reports its owner as it opens, then ends.
class COwnerProbeDlg : public CDialog {
public:
    COwnerProbeDlg() : CDialog(IDD_TEST_CONTROLS) {}
    HWND owner = nullptr;
    BOOL ownerEnabled = TRUE;
    RECT rc = {};

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        owner = GetWindow(m_hWnd, GW_OWNER);
        ownerEnabled = IsWindowEnabled(owner);
        PostMessageW(m_hWnd, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& rResult) override
    {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDOK)
            GetWindowRect(&rc);
        return CDialog::OnWndMsg(msg, wParam, lParam, rResult);
    }
};

TEST(Modal, DialogWithoutParentBelongsToTheMainWindow)
{
    CReflectDlg main;
    COwnerProbeDlg inner;
    RECT rcMain = {};
    wt::RunModal(main, [&](HWND hMain) {
        GetWindowRect(hMain, &rcMain);
        inner.DoModal();
        EXPECT_TRUE(IsWindowEnabled(hMain));
    });
    EXPECT_NE(nullptr, inner.owner);
    EXPECT_FALSE(inner.ownerEnabled);
    EXPECT_NEAR((rcMain.left + rcMain.right) / 2, (inner.rc.left + inner.rc.right) / 2, 1);
}

} // namespace
