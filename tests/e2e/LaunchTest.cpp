// The two launch buttons of the real program, with the stand-in nero.exe.
#include <gtest/gtest.h>

#include "E2eSupport.h"

using namespace e2e;

namespace {

const wchar_t kNeroFailed[] = L"\u7121\u6cd5\u57f7\u884c Nero.\n\u8acb\u5c07 Zarvel \u79fb\u81f3 nero.exe "
                              L"\u6240\u5728\u76ee\u9304.";
const wchar_t kExpressFailed[] = L"\u7121\u6cd5\u57f7\u884c Nero Express.\n\u8acb\u5c07 Zarvel \u79fb\u81f3 nero.exe "
                                 L"\u6240\u5728\u76ee\u9304.";

struct Button {
    const char* name;
    int id;
    const wchar_t* arguments;
    int option;
    const wchar_t* failure;
};
const Button kButtons[] = {{"Nero", 1000, L"", 1004, kNeroFailed}, {"Nero Express", 1001, L"-w", 1005, kExpressFailed}};

// The other program than b, as the last used one before the click.
DWORD OtherOption(const Button& b) { return b.option == 1004 ? 1005 : 1004; }

class Launch : public ::testing::Test {
protected:
    void SetUp() override { treg::ResetSettings(); }
};

// Clicks a launch button as the mouse would, once the window is ready for it.
void Click(HWND hLauncher, const Process& proc, int id)
{
    proc.WaitIdle();
    ::PostMessageW(::GetDlgItem(hLauncher, id), BM_CLICK, 0, 0);
}

TEST_F(Launch, EachButtonStartsNeroAndClosesTheWindow)
{
    for (const Button& b : kButtons) {
        SCOPED_TRACE(b.name);
        treg::ResetSettings();
        treg::StoreDword(L"LastUsedOption", OtherOption(b));
        Sandbox box;
        Process proc = StartZarvel(box);
        HWND hLauncher = FindLauncher(proc.pid());
        ASSERT_NE(nullptr, hLauncher);
        Click(hLauncher, proc, b.id);
        ASSERT_TRUE(proc.WaitExit(10000)) << "close-after is on, yet the window stayed";
        ASSERT_TRUE(WaitUntil(10000, [&] { return !box.NeroCalls().empty(); }));
        EXPECT_EQ(std::vector<std::wstring>{b.arguments}, box.NeroCalls());
        EXPECT_EQ(7, treg::CountStoredValues());
        EXPECT_EQ(b.option, treg::StoredInt(L"LastUsedOption"));
    }
}

TEST_F(Launch, WithCloseAfterOffTheWindowStaysAndTheCloseStoresTheProgram)
{
    treg::StoreDword(L"CloseZarvel", 0);
    treg::StoreDword(L"LastUsedOption", 1004);
    Sandbox box;
    Process proc = StartZarvel(box);
    HWND hLauncher = FindLauncher(proc.pid());
    ASSERT_NE(nullptr, hLauncher);
    Click(hLauncher, proc, 1001);
    ASSERT_TRUE(WaitUntil(10000, [&] { return !box.NeroCalls().empty(); }));
    EXPECT_EQ(std::vector<std::wstring>{L"-w"}, box.NeroCalls());
    proc.WaitIdle();
    EXPECT_TRUE(proc.Running());
    EXPECT_TRUE(::IsWindowVisible(hLauncher));
    // Nothing is stored before the close.
    EXPECT_EQ(1004, treg::StoredInt(L"LastUsedOption"));

    ASSERT_TRUE(CloseLauncher(hLauncher, proc));
    EXPECT_EQ(1005, treg::StoredInt(L"LastUsedOption"));
    EXPECT_EQ(0, treg::StoredInt(L"CloseZarvel"));
    EXPECT_EQ(1u, box.NeroCalls().size());
}

// No nero.exe where the shell looks, or one that is no program: the user is
// told which program failed, the window stays, and the attempt is remembered.
TEST_F(Launch, FailedStartShowsTheMessageAndTheWindowSurvives)
{
    for (const char* content : {static_cast<const char*>(nullptr), "not a program"}) {
        for (const Button& b : kButtons) {
            SCOPED_TRACE(testing::Message() << b.name << (content ? ", text file" : ", no file"));
            treg::ResetSettings();
            treg::StoreDword(L"LastUsedOption", OtherOption(b));
            Sandbox box(false);
            if (content)
                box.WriteFile(L"nero.exe", content);
            Process proc = StartZarvel(box);
            HWND hLauncher = FindLauncher(proc.pid());
            ASSERT_NE(nullptr, hLauncher);
            Click(hLauncher, proc, b.id);

            HWND hBox = nullptr;
            ASSERT_TRUE(WaitUntil(10000, [&] { return (hBox = FindOtherDialog(proc.pid(), hLauncher)) != nullptr; }))
                << "no message";
            EXPECT_EQ(L"Zarvel v1.0", TextOf(hBox));
            EXPECT_EQ(std::wstring(b.failure) + L"\n", StaticTexts(hBox));
            EXPECT_NE(nullptr, ::GetDlgItem(hBox, IDOK)) << "no OK button";
            EXPECT_EQ(nullptr, ::GetDlgItem(hBox, IDCANCEL));
            ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);
            ASSERT_TRUE(WaitUntil(10000, [&] { return !::IsWindow(hBox); }));

            proc.WaitIdle();
            EXPECT_TRUE(proc.Running()) << "close-after is on, but nothing started";
            EXPECT_TRUE(::IsWindowVisible(hLauncher));
            EXPECT_EQ(static_cast<int>(OtherOption(b)), treg::StoredInt(L"LastUsedOption"));
            ASSERT_TRUE(CloseLauncher(hLauncher, proc));
            EXPECT_EQ(b.option, treg::StoredInt(L"LastUsedOption"));
            EXPECT_TRUE(box.NeroCalls().empty());
        }
    }
}

} // namespace
