#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/Settings.h"

namespace {
// A profile that remembers the order of every access.
struct FakeProfile {
    std::map<std::wstring, int> values;
    std::vector<std::wstring> reads, writes;

    int GetInt(const wchar_t* name, int def)
    {
        reads.push_back(name);
        auto it = values.find(name);
        return it == values.end() ? def : it->second;
    }
    void WriteInt(const wchar_t* name, int value)
    {
        writes.push_back(name);
        values[name] = value;
    }
};
} // namespace

TEST(Settings, FirstRunDefaults)
{
    FakeProfile p;
    const SettingValues v = ReadSettings(p, 0, 1004);
    EXPECT_EQ(1004, v.selectedOption);
    EXPECT_EQ(1004, v.selectedOptionNoTimer);
    EXPECT_EQ(3, v.waitSeconds);
    EXPECT_EQ(1, v.closeAfter);
    EXPECT_EQ(0, v.enableAutorun);
    EXPECT_EQ(0, v.expanded);
    EXPECT_EQ(1004, v.lastUsed);
}

TEST(Settings, ReadAndWriteOrders)
{
    FakeProfile p;
    ReadSettings(p, 0, 1004);
    EXPECT_EQ((std::vector<std::wstring>{L"SelectedOption", L"SelectedOptionNoTimer", L"WaitSeconds", L"CloseZarvel",
                                         L"EnableAutorun", L"DlgExpanded", L"LastUsedOption"}),
              p.reads);
    WriteSettings(p, SettingValues{});
    EXPECT_EQ((std::vector<std::wstring>{L"WaitSeconds", L"CloseZarvel", L"EnableAutorun", L"SelectedOption",
                                         L"SelectedOptionNoTimer", L"DlgExpanded", L"LastUsedOption"}),
              p.writes);
}

TEST(Settings, ValuesRoundTripUnvalidated)
{
    FakeProfile p;
    const SettingValues stored{1007, 0, -3, 5, 1, 42, 0};
    WriteSettings(p, stored);
    const SettingValues v = ReadSettings(p, 0, 1004);
    EXPECT_EQ(1007, v.selectedOption);
    EXPECT_EQ(-3, v.waitSeconds);
    EXPECT_EQ(42, v.expanded);
    EXPECT_EQ(0, v.lastUsed);
}
