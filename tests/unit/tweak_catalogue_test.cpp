#include "optimizer/tweak_catalogue.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <vector>

#include "tests/support/registry_helpers.h"

using namespace TweakCatalogue;
using TestRegistry::RawValue;

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

// Tests that write the catalogue into the registry of the test prefix keep the values that
// were there before and put them back afterwards.
class CatalogueRegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const Tweak& t : kTweaks)
            saved.push_back(TestRegistry::Read(t.root, std::wstring(t.keyPath), std::wstring(t.valueName)));
        ClearAll();
    }
    void TearDown() override
    {
        for (size_t i = 0; i < kTweaks.size(); ++i) {
            const Tweak& t = kTweaks[i];
            if (saved[i])
                TestRegistry::Write(t.root, std::wstring(t.keyPath), std::wstring(t.valueName), *saved[i]);
            else
                TestRegistry::Delete(t.root, std::wstring(t.keyPath), std::wstring(t.valueName));
        }
    }
    static void ClearAll()
    {
        for (const Tweak& t : kTweaks)
            TestRegistry::Delete(t.root, std::wstring(t.keyPath), std::wstring(t.valueName));
    }
    static std::optional<RawValue> Stored(int row)
    {
        const Tweak& t = kTweaks[size_t(row - 1)];
        return TestRegistry::Read(t.root, std::wstring(t.keyPath), std::wstring(t.valueName));
    }
    // The row numbers (1 to 33) whose value exists.
    static std::set<int> StoredRows()
    {
        std::set<int> rows;
        for (int row = 1; row <= int(kTweaks.size()); ++row) {
            if (Stored(row))
                rows.insert(row);
        }
        return rows;
    }
    std::vector<std::optional<RawValue>> saved;
};

std::set<int> Rows(int first, int last, std::initializer_list<int> more = {})
{
    std::set<int> rows(more);
    for (int row = first; row <= last; ++row)
        rows.insert(row);
    return rows;
}

// Optimize writes the rows whose condition the edition's group meets; Restore puts back the
// seven saved values and deletes the other rows under the same condition, which leaves only
// the seven.
TEST_F(CatalogueRegistryTest, EachEditionWritesAndDeletesItsRows)
{
    struct Case {
        int editionIndex;
        std::set<int> written;
    };
    const Case cases[] = {
        {0, Rows(1, 30, {32, 33})}, {1, Rows(1, 30, {32, 33})}, {2, Rows(1, 30, {32, 33})},
        {3, Rows(1, 30, {32, 33})}, {4, Rows(1, 30, {32, 33})}, {5, Rows(1, 31)},
        {6, Rows(1, 31)},           {7, Rows(1, 31)},           {8, Rows(1, 27, {31})},
        {9, Rows(1, 30)},           {-1, Rows(1, 30)},
    };
    const std::set<int> backedUp = {1, 2, 12, 13, 14, 15, 16};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "edition index " << c.editionIndex);
        ClearAll();
        const int group = ConvertWindowsVersion(c.editionIndex);
        for (const Tweak& t : kTweaks) {
            if (Meets(t.condition, group)) {
                EXPECT_TRUE(WriteTweak(t));
            }
        }
        EXPECT_EQ(StoredRows(), c.written);

        for (const Tweak& t : kTweaks) {
            if (!t.backupDefault && Meets(t.condition, group)) {
                EXPECT_TRUE(DeleteTweak(t));
            }
        }
        EXPECT_EQ(StoredRows(), backedUp);
    }
}

// Optimize never writes the thumbnail values on Windows Server 2003, so undoing it there
// must leave a user's own values alone.
TEST_F(CatalogueRegistryTest, RestoreLeavesValuesOptimizeDidNotWrite)
{
    TestRegistry::Write(kTweaks[27].root, std::wstring(kTweaks[27].keyPath), L"ThumbnailSize", TestRegistry::Dword(120));
    TestRegistry::Write(kTweaks[28].root, std::wstring(kTweaks[28].keyPath), L"ThumbnailQuality", TestRegistry::Dword(70));
    const int server2003 = ConvertWindowsVersion(8);
    for (const Tweak& t : kTweaks) {
        if (!t.backupDefault && Meets(t.condition, server2003))
            DeleteTweak(t);
    }
    EXPECT_EQ(Stored(28), TestRegistry::Dword(120));
    EXPECT_EQ(Stored(29), TestRegistry::Dword(70));
}

// The registry form of the rows whose encoding or place is easy to get wrong.
TEST_F(CatalogueRegistryTest, WritesEachValueWithItsTypeAndPlace)
{
    struct Case {
        int row;
        HKEY root;
        const wchar_t* path;
        const wchar_t* name;
        RawValue data;
    };
    const Case cases[] = {
        {1, HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\FileSystem", L"NtfsDisableLastAccessUpdate",
         TestRegistry::Dword(1)},
        {2, HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\FileSystem", L"NtfsMftZoneReservation",
         TestRegistry::Dword(2)},
        {8, HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\Tcpip\\Parameters", L"KeepAliveTime",
         TestRegistry::Dword(300000)},
        {11, HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces",
         L"PerformRouterDiscovery", TestRegistry::Dword(0)},
        {12, HKEY_CURRENT_USER, L"Control Panel\\Desktop\\WindowMetrics", L"MinAnimate", TestRegistry::Sz(L"1")},
        {15, HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\PriorityControl", L"Win32PrioritySeparation",
         TestRegistry::Dword(1)},
        {17, HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"SmoothScroll", TestRegistry::Raw(REG_BINARY, {0, 0, 0, 0})},
        {18, HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Main", L"Use StyleSheets",
         TestRegistry::Sz(L"Yes")},
        {19, HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoComplete",
         L"Append Completion", TestRegistry::Sz(L"Yes")},
        {26, HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", L"Error Mode",
         TestRegistry::Dword(1)},
        {27, HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\Messenger", L"Start", TestRegistry::Dword(4)},
        {32, HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Dfrg\\BootOptimizeFunction", L"Enable", TestRegistry::Sz(L"Y")},
        {33, HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\P3\\Parameters", L"HackFlags",
         TestRegistry::Dword(1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.row);
        ASSERT_TRUE(WriteTweak(kTweaks[size_t(c.row - 1)]));
        EXPECT_EQ(TestRegistry::Read(c.root, c.path, c.name), c.data);
    }
}

} // namespace
