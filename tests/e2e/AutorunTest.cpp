// Auto-run as a user meets it: the program starts Nero by itself after the
// delay and goes away, whatever the close-after box says and even when the
// start fails.
#include <gtest/gtest.h>

#include "E2eSupport.h"

using namespace e2e;

namespace {

const int kNeroButton = 1000;

class Autorun : public ::testing::Test {
protected:
    void SetUp() override { treg::ResetSettings(); }
    void TearDown() override { treg::ResetSettings(); }
    static void Store(int program, int delay, int closeAfter)
    {
        treg::StoreDword(L"EnableAutorun", 1);
        treg::StoreDword(L"SelectedOption", static_cast<DWORD>(program));
        treg::StoreDword(L"WaitSeconds", static_cast<DWORD>(delay));
        treg::StoreDword(L"CloseZarvel", static_cast<DWORD>(closeAfter));
    }
};

TEST_F(Autorun, StartsNeroAfterTheDelayAndCloses)
{
    Store(1004, 2, 1);
    Sandbox box;
    Process proc = StartZarvel(box);
    HWND hLauncher = FindLauncher(proc.pid());
    ASSERT_NE(nullptr, hLauncher);
    EXPECT_EQ(L"Nero(&N)   [2]", TextOf(::GetDlgItem(hLauncher, kNeroButton)));
    ASSERT_TRUE(proc.WaitExit(10000)) << "the window stayed";
    WaitUntil(10000, [&] { return !box.NeroCalls().empty(); }); // the stand-in runs on its own
    EXPECT_EQ(std::vector<std::wstring>{L""}, box.NeroCalls());
    EXPECT_EQ(7, treg::CountStoredValues());
    EXPECT_EQ(1, treg::StoredInt(L"EnableAutorun"));
    EXPECT_EQ(1004, treg::StoredInt(L"LastUsedOption"));
}

TEST_F(Autorun, StartsNeroExpressAndClosesWithCloseAfterOff)
{
    Store(1005, 1, 0);
    Sandbox box;
    Process proc = StartZarvel(box);
    ASSERT_TRUE(proc.WaitExit(10000)) << "the window stayed";
    WaitUntil(10000, [&] { return !box.NeroCalls().empty(); });
    EXPECT_EQ(std::vector<std::wstring>{L"-w"}, box.NeroCalls());
    EXPECT_EQ(0, treg::StoredInt(L"CloseZarvel"));
    EXPECT_EQ(1005, treg::StoredInt(L"LastUsedOption"));
}

TEST_F(Autorun, FailedStartIsReportedAndTheWindowStillCloses)
{
    Store(1004, 1, 1);
    Sandbox box(false);
    Process proc = StartZarvel(box);
    HWND hLauncher = FindLauncher(proc.pid());
    ASSERT_NE(nullptr, hLauncher);
    HWND hBox = nullptr;
    ASSERT_TRUE(WaitUntil(10000, [&] { return (hBox = FindOtherDialog(proc.pid(), hLauncher)) != nullptr; }));
    EXPECT_EQ(L"Zarvel v1.0", TextOf(hBox));
    EXPECT_NE(std::wstring::npos, StaticTexts(hBox).find(L"\u7121\u6cd5\u57f7\u884c Nero.")) << StaticTexts(hBox);
    // Only the four values stored above so far: the close waits for the message to be read.
    EXPECT_TRUE(proc.Running());
    EXPECT_EQ(4, treg::CountStoredValues());
    ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(proc.WaitExit(10000)) << "the window stayed after the failure";
    EXPECT_TRUE(box.NeroCalls().empty());
    EXPECT_EQ(7, treg::CountStoredValues());
    EXPECT_EQ(1, treg::StoredInt(L"WaitSeconds"));
    EXPECT_EQ(1004, treg::StoredInt(L"LastUsedOption"));
}

} // namespace
