#include "optimizer/tweak_catalogue.h"

#include <gtest/gtest.h>

#include <vector>

using namespace TweakCatalogue;

namespace {

TEST(TweakCatalogueTest, ConvertsEditionIndexesToVersionGroups)
{
    // The groups' numbers as they have always been: 8, 6, 5, 3, 1, 7, 4, 2, 0, then -1.
    const std::pair<int, VersionGroup> cases[] = {
        {0, VersionGroup::Windows11},          {1, VersionGroup::Windows10},         {2, VersionGroup::Windows8},
        {3, VersionGroup::Windows7},           {4, VersionGroup::WindowsVista},      {5, VersionGroup::WindowsXP},
        {6, VersionGroup::WindowsServer2012},  {7, VersionGroup::WindowsServer2008}, {8, VersionGroup::WindowsServer2003},
        {9, VersionGroup::None},               {-1, VersionGroup::None},             {10, VersionGroup::None},
    };
    constexpr int kNumbers[] = {8, 6, 5, 3, 1, 7, 4, 2, 0, -1, -1, -1};
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto [winVer, group] = cases[i];
        EXPECT_EQ(ConvertWindowsVersion(Edition(winVer)), group) << "edition index " << winVer;
        EXPECT_EQ(int(group), kNumbers[i]) << "edition index " << winVer;
    }
}

TEST(TweakCatalogueTest, SevenRowsAreBackedUpWithTheirDefaults)
{
    struct Backup {
        const wchar_t* name;
        ValueType type;
        std::int32_t number;
        const wchar_t* text;
    };
    const Backup expected[] = {
        {L"NtfsDisableLastAccessupdate", ValueType::Dword, 1, L""},
        {L"NtfsMftZoneReservation", ValueType::Dword, 0, L""},
        {L"MinAnimate", ValueType::Text, 0, L"1"},
        {L"DisablePagingExecutive", ValueType::Dword, 0, L""},
        {L"LargeSystemCache", ValueType::Dword, 0, L""},
        {L"Win32PrioritySeparation", ValueType::Dword, 2, L""},
        {L"AutoReboot", ValueType::Dword, 1, L""},
    };
    std::vector<const Tweak*> backedUp;
    for (const Tweak& t : kTweaks) {
        if (t.backupDefault)
            backedUp.push_back(&t);
    }
    ASSERT_EQ(backedUp.size(), std::size(expected));
    for (size_t i = 0; i < backedUp.size(); ++i) {
        const Tweak& t = *backedUp[i];
        EXPECT_EQ(t.valueName, expected[i].name);
        EXPECT_EQ(t.type, expected[i].type);
        EXPECT_EQ(t.condition, Condition::Always);
        if (t.type == ValueType::Dword) {
            EXPECT_EQ(t.backupDefault->number, expected[i].number) << "backup default of row " << i;
        } else {
            EXPECT_EQ(t.backupDefault->text, expected[i].text);
        }
    }
}

} // namespace
