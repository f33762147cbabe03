#include "optimizer/tweak_catalogue.h"

#include <gtest/gtest.h>

#include <vector>

using namespace TweakCatalogue;

namespace {

TEST(TweakCatalogueTest, ConvertsEditionIndexesToVersionGroups)
{
    // Each group keeps the number it has always had.
    struct Case {
        int editionIndex;
        VersionGroup group;
        int number;
    };
    const Case cases[] = {
        {0, VersionGroup::Windows11, 8},
        {1, VersionGroup::Windows10, 6},
        {2, VersionGroup::Windows8, 5},
        {3, VersionGroup::Windows7, 3},
        {4, VersionGroup::WindowsVista, 1},
        {5, VersionGroup::WindowsXP, 7},
        {6, VersionGroup::WindowsServer2012, 4},
        {7, VersionGroup::WindowsServer2008, 2},
        {8, VersionGroup::WindowsServer2003, 0},
        {9, VersionGroup::None, -1},
        {-1, VersionGroup::None, -1},
        {10, VersionGroup::None, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ConvertWindowsVersion(Edition(c.editionIndex)), c.group) << "edition index " << c.editionIndex;
        EXPECT_EQ(int(c.group), c.number) << "edition index " << c.editionIndex;
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
