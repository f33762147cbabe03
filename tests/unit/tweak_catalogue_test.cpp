#include "optimizer/tweak_catalogue.h"

#include <gtest/gtest.h>

#include <vector>

using namespace TweakCatalogue;

namespace {

TEST(TweakCatalogueTest, ConvertsEditionIndexesToVersionGroups)
{
    const std::pair<int, int> cases[] = {
        {0, 8}, {1, 6}, {2, 5}, {3, 3}, {4, 1}, {5, 7}, {6, 4}, {7, 2}, {8, 0}, {9, -1}, {-1, -1}, {10, -1},
    };
    for (const auto& [winVer, group] : cases)
        EXPECT_EQ(ConvertWindowsVersion(winVer), group) << "edition index " << winVer;
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
