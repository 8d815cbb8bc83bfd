// Start-up as a user meets it: one instance at a time, settings on close.
#include <gtest/gtest.h>

#include "E2eSupport.h"

using namespace e2e;

namespace {

class Startup : public ::testing::Test {
protected:
    void SetUp() override { treg::ResetSettings(); }
};

TEST_F(Startup, SecondStartActivatesTheFirstAndEnds)
{
    Sandbox box;
    Process first = StartZarvel(box);
    HWND hFirst = FindLauncher(first.pid());
    ASSERT_NE(nullptr, hFirst);
    treg::ResetSettings();

    Process second = StartZarvel(box);
    ASSERT_TRUE(second.WaitExit(10000)) << "a second instance stayed";
    EXPECT_TRUE(first.Running());
    // The second run neither read (which creates the key) nor wrote the settings.
    EXPECT_EQ(-1, treg::CountStoredValues());
    EXPECT_EQ(hFirst, ::GetForegroundWindow());
    EXPECT_TRUE(CloseLauncher(hFirst, first));
}

TEST_F(Startup, SecondStartRestoresAMinimisedFirst)
{
    Sandbox box;
    Process first = StartZarvel(box);
    HWND hFirst = FindLauncher(first.pid());
    ASSERT_NE(nullptr, hFirst);
    first.WaitIdle();
    ::ShowWindow(hFirst, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil(5000, [&] { return ::IsIconic(hFirst) != FALSE; }));

    Process second = StartZarvel(box);
    ASSERT_TRUE(second.WaitExit(10000));
    EXPECT_TRUE(WaitUntil(5000, [&] { return !::IsIconic(hFirst); })) << "the first window stayed minimised";
    EXPECT_TRUE(CloseLauncher(hFirst, first));
}

// Any top-level window with the exact title counts as a running instance.
TEST_F(Startup, ForeignWindowWithTheTitleCountsAsAnInstance)
{
    HWND hForeign = ::CreateWindowExW(0, L"STATIC", L"Zarvel v1.0", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                      nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, hForeign);
    Sandbox box;
    Process proc = StartZarvel(box);
    EXPECT_TRUE(proc.WaitExit(10000));
    EXPECT_EQ(-1, treg::CountStoredValues());
    ::DestroyWindow(hForeign);
}

TEST_F(Startup, ClosingWritesAllSevenSettingsAsDwords)
{
    Sandbox box;
    Process proc = StartZarvel(box, L"/autorun --express -w ignored");
    HWND hLauncher = FindLauncher(proc.pid());
    ASSERT_NE(nullptr, hLauncher);
    // Arguments change nothing: no countdown, no launch.
    EXPECT_EQ(L"Nero(&N)", TextOf(::GetDlgItem(hLauncher, 1000)));
    ASSERT_TRUE(CloseLauncher(hLauncher, proc));
    EXPECT_TRUE(box.NeroCalls().empty());

    EXPECT_EQ(7, treg::CountStoredValues());
    // The first run's defaults, in the order they are written.
    EXPECT_EQ((std::vector<int>{3, 1, 0, 1004, 1004, 0, 1004}), treg::StoredSettings());
}

} // namespace
