#include "optimizer/tweak_runs.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>

#include "common/program_key.h"
#include "common/registry.h"
#include "tests/support/programs.h"
#include "tests/support/registry_helpers.h"

using namespace TweakRuns;
using TestRegistry::RawValue;
using TweakCatalogue::kTweaks;

namespace {

constexpr int kWindows10 = 1, kServer2003 = 8;

const TweakCatalogue::Tweak& Row(int row) { return kTweaks[size_t(row - 1)]; }

std::optional<RawValue> Stored(int row)
{
    return TestRegistry::Read(Row(row).root, std::wstring(Row(row).keyPath), std::wstring(Row(row).valueName));
}

std::optional<RawValue> InProgramKey(std::wstring_view name)
{
    return TestRegistry::Read(ProgramKey::kRoot, ProgramKey::kPath, std::wstring(name));
}

// The user's own values of the seven backed-up rows before any Optimize, none of them
// equal to what Optimize writes or to the backup defaults.
const std::map<int, RawValue> kOriginals = {
    {1, TestRegistry::Dword(0)},  {2, TestRegistry::Dword(3)},  {12, TestRegistry::Sz(L"0")},
    {13, TestRegistry::Dword(1)}, {14, TestRegistry::Dword(1)}, {15, TestRegistry::Dword(38)},
    {16, TestRegistry::Dword(0)},
};
const std::set<int> kBackedUpRows = {1, 2, 12, 13, 14, 15, 16};

std::set<int> Rows(int first, int last, std::initializer_list<int> more = {})
{
    std::set<int> rows(more);
    for (int row = first; row <= last; ++row)
        rows.insert(row);
    return rows;
}

// Every test starts from a machine that holds the original values and no backup, and gets
// the test prefix's own values back afterwards.
class TweakRunsTest : public ::testing::Test {
protected:
    static std::vector<TestRegistry::Snapshot::Place> Places()
    {
        std::vector<TestRegistry::Snapshot::Place> places;
        for (const auto& t : kTweaks)
            places.push_back({t.root, std::wstring(t.keyPath), std::wstring(t.valueName)});
        places.push_back({ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kRestore});
        for (const auto& t : kTweaks) {
            if (t.backupDefault)
                places.push_back({ProgramKey::kRoot, ProgramKey::kPath, std::wstring(t.valueName)});
        }
        return places;
    }

    void SetUp() override { ResetToOriginals(); }

    void ResetToOriginals()
    {
        for (const auto& p : snapshot.Places())
            TestRegistry::Delete(p.root, p.path, p.name);
        for (const auto& [row, value] : kOriginals)
            TestRegistry::Write(Row(row).root, std::wstring(Row(row).keyPath), std::wstring(Row(row).valueName), value);
    }

    static bool BackupExists()
    {
        return TweakRuns::BackupExists();
    }
    static bool Optimize(int editionIndex)
    {
        return Execute(PlanOptimize(TweakCatalogue::ConvertWindowsVersion(editionIndex), BackupExists()));
    }
    static bool Restore(int editionIndex)
    {
        return Execute(PlanRestore(TweakCatalogue::ConvertWindowsVersion(editionIndex)));
    }

    static std::set<int> StoredRows()
    {
        std::set<int> rows;
        for (int row = 1; row <= int(kTweaks.size()); ++row) {
            if (Stored(row))
                rows.insert(row);
        }
        return rows;
    }

    // The seven values as Windows holds them, and as the program key saved them.
    static std::map<int, std::optional<RawValue>> WindowsValues()
    {
        std::map<int, std::optional<RawValue>> values;
        for (int row : kBackedUpRows)
            values[row] = Stored(row);
        return values;
    }
    static std::map<int, std::optional<RawValue>> SavedCopies()
    {
        std::map<int, std::optional<RawValue>> values;
        for (int row : kBackedUpRows)
            values[row] = InProgramKey(Row(row).valueName);
        return values;
    }
    static std::map<int, std::optional<RawValue>> Originals()
    {
        return {kOriginals.begin(), kOriginals.end()};
    }

    TestRegistry::Snapshot snapshot{Places()};
};

// Optimize writes the rows of the edition and keeps the originals; Restore brings the
// originals back and removes everything else it wrote, and the backup with it.
TEST_F(TweakRunsTest, OptimizeThenRestoreLeavesOnlyTheOriginals)
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
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "edition index " << c.editionIndex);
        ResetToOriginals();
        // A value of a row without backup that the user had is not kept.
        TestRegistry::Write(Row(3).root, std::wstring(Row(3).keyPath), L"SynAttackProtect", TestRegistry::Dword(7));

        EXPECT_TRUE(Optimize(c.editionIndex));
        EXPECT_EQ(StoredRows(), c.written);
        EXPECT_EQ(InProgramKey(ProgramKey::kRestore), TestRegistry::Dword(1));
        EXPECT_EQ(SavedCopies(), Originals());

        EXPECT_TRUE(Restore(c.editionIndex));
        EXPECT_EQ(StoredRows(), kBackedUpRows);
        EXPECT_EQ(WindowsValues(), Originals());
        EXPECT_EQ(InProgramKey(ProgramKey::kRestore), std::nullopt);
        for (const auto& [row, copy] : SavedCopies())
            EXPECT_EQ(copy, std::nullopt) << "saved copy of row " << row;
    }
}

TEST_F(TweakRunsTest, WritesEachValueWithItsTypeAndPlace)
{
    // Rows whose encoding or place is easy to get wrong, as the registry holds them.
    struct Case {
        HKEY root;
        const wchar_t* path;
        const wchar_t* name;
        RawValue data;
    };
    const Case cases[] = {
        {HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\FileSystem", L"NtfsDisableLastAccessUpdate",
         TestRegistry::Dword(1)},
        {HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\FileSystem", L"NtfsMftZoneReservation",
         TestRegistry::Dword(2)},
        {HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\Tcpip\\Parameters", L"KeepAliveTime",
         TestRegistry::Dword(300000)},
        {HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces",
         L"PerformRouterDiscovery", TestRegistry::Dword(0)},
        {HKEY_CURRENT_USER, L"Control Panel\\Desktop\\WindowMetrics", L"MinAnimate", TestRegistry::Sz(L"1")},
        {HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\PriorityControl", L"Win32PrioritySeparation",
         TestRegistry::Dword(1)},
        {HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"SmoothScroll", TestRegistry::Raw(REG_BINARY, {0, 0, 0, 0})},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Main", L"Use StyleSheets",
         TestRegistry::Sz(L"Yes")},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoComplete",
         L"Append Completion", TestRegistry::Sz(L"Yes")},
        {HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", L"Error Mode",
         TestRegistry::Dword(1)},
        {HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\Messenger", L"Start", TestRegistry::Dword(4)},
        {HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Dfrg\\BootOptimizeFunction", L"Enable", TestRegistry::Sz(L"Y")},
        {HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\P3\\Parameters", L"HackFlags",
         TestRegistry::Dword(1)},
    };
    ASSERT_TRUE(Optimize(kWindows10));
    for (const Case& c : cases)
        EXPECT_EQ(TestRegistry::Read(c.root, c.path, c.name), c.data) << testing::PrintToString(std::wstring(c.name));
}

TEST_F(TweakRunsTest, TheBackupIsTakenOnlyWhenNoneExists)
{
    ASSERT_TRUE(Optimize(kWindows10));
    // A second Optimize keeps the copies of the values from before the first one.
    TestRegistry::Write(Row(15).root, std::wstring(Row(15).keyPath), L"Win32PrioritySeparation", TestRegistry::Dword(99));
    ASSERT_TRUE(Optimize(kWindows10));
    EXPECT_EQ(SavedCopies(), Originals());
    EXPECT_EQ(Stored(15), TestRegistry::Dword(1));
    ASSERT_TRUE(Restore(kWindows10));
    EXPECT_EQ(WindowsValues(), Originals());

    // After a Restore, the next Optimize saves the values of that moment.
    TestRegistry::Write(Row(15).root, std::wstring(Row(15).keyPath), L"Win32PrioritySeparation", TestRegistry::Dword(20));
    ASSERT_TRUE(Optimize(kWindows10));
    EXPECT_EQ(InProgramKey(L"Win32PrioritySeparation"), TestRegistry::Dword(20));
}

TEST_F(TweakRunsTest, MissingValuesAreSavedAndRestoredAsTheirDefaults)
{
    const std::map<int, std::optional<RawValue>> defaults = {
        {1, TestRegistry::Dword(1)},  {2, TestRegistry::Dword(0)},  {12, TestRegistry::Sz(L"1")},
        {13, TestRegistry::Dword(0)}, {14, TestRegistry::Dword(0)}, {15, TestRegistry::Dword(2)},
        {16, TestRegistry::Dword(1)},
    };
    // Windows holds none of the seven: the defaults are saved.
    for (int row : kBackedUpRows)
        TestRegistry::Delete(Row(row).root, std::wstring(Row(row).keyPath), std::wstring(Row(row).valueName));
    ASSERT_TRUE(Optimize(kServer2003));
    EXPECT_EQ(SavedCopies(), defaults);

    // The saved copies were deleted by hand: the defaults are written back.
    ResetToOriginals();
    ASSERT_TRUE(Optimize(kServer2003));
    for (int row : kBackedUpRows)
        TestRegistry::Delete(ProgramKey::kRoot, ProgramKey::kPath, std::wstring(Row(row).valueName));
    ASSERT_TRUE(Restore(kServer2003));
    EXPECT_EQ(WindowsValues(), defaults);
}

TEST_F(TweakRunsTest, NoRunCanBeginWithoutTheRightToWriteTheProgramKey)
{
    ASSERT_TRUE(CustomRegistry::WriteRegInteger(ProgramKey::kRoot, ProgramKey::kPath, L"ProcessorType", 0, false));
    EXPECT_TRUE(CanWriteProgramKey());
    TestRegistry::DenyWrites deny(ProgramKey::kRoot, ProgramKey::kPath);
    EXPECT_FALSE(CanWriteProgramKey());
    // A run made anyway says that it could not make every change.
    EXPECT_FALSE(Optimize(kWindows10));
}

// The program dies after each registry change of an Optimize, or of a Restore, in turn. Then
// the user goes on as the program lets them: Restore when it is offered, otherwise Optimize
// and Restore. The originals must come back every time.
class InterruptedRunTest : public TweakRunsTest {
protected:
    static long RunProbe(const wchar_t* operation, int editionIndex, size_t changes)
    {
        return TestPrograms::Run(L"tweak_run_probe.exe", std::wstring(operation) + L" " +
                                                             std::to_wstring(editionIndex) + L" " + std::to_wstring(changes));
    }
    static constexpr size_t kAll = 1000;

    // "Restore" = 1 must never stand without the saved originals.
    void ExpectRestorable()
    {
        if (BackupExists()) {
            EXPECT_EQ(SavedCopies(), Originals()) << "Restore is offered, but the backup is not complete";
        }
    }

    void ExpectUserGetsOriginalsBack()
    {
        if (!BackupExists()) {
            ASSERT_EQ(RunProbe(L"optimize", kWindows10, kAll), 0);
        }
        ASSERT_EQ(RunProbe(L"restore", kWindows10, kAll), 0);
        EXPECT_EQ(WindowsValues(), Originals());
    }
};

TEST_F(InterruptedRunTest, DyingDuringOptimizeKeepsTheOriginalsRestorable)
{
    const size_t changes = PlanOptimize(TweakCatalogue::ConvertWindowsVersion(kWindows10), false).size();
    for (size_t dieAfter = 0; dieAfter < changes; ++dieAfter) {
        SCOPED_TRACE(testing::Message() << "died after " << dieAfter << " of " << changes << " changes");
        ResetToOriginals();
        ASSERT_EQ(RunProbe(L"optimize", kWindows10, dieAfter), 99);
        ExpectRestorable();
        ExpectUserGetsOriginalsBack();
    }
}

TEST_F(InterruptedRunTest, DyingDuringRestoreKeepsTheOriginalsRestorable)
{
    ResetToOriginals();
    ASSERT_EQ(RunProbe(L"optimize", kWindows10, kAll), 0);
    const size_t changes = PlanRestore(TweakCatalogue::ConvertWindowsVersion(kWindows10)).size();
    for (size_t dieAfter = 0; dieAfter < changes; ++dieAfter) {
        SCOPED_TRACE(testing::Message() << "died after " << dieAfter << " of " << changes << " changes");
        ResetToOriginals();
        ASSERT_EQ(RunProbe(L"optimize", kWindows10, kAll), 0);
        ASSERT_EQ(RunProbe(L"restore", kWindows10, dieAfter), 99);
        ExpectRestorable();
        // Once "Restore" is gone, the originals are already back.
        if (!BackupExists()) {
            EXPECT_EQ(WindowsValues(), Originals());
        }
        ExpectUserGetsOriginalsBack();
    }
}

} // namespace
