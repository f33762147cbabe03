#include "optimizer/tweak_runs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <set>

#include "common/program_key.h"
#include "common/registry.h"
#include "optimizer/row_records.h"
#include "optimizer/tweak_catalogue.h"
#include "tests/support/machine_state.h"
#include "tests/support/programs.h"
#include "tests/support/registry_helpers.h"

using namespace TweakRuns;
using TestRegistry::RawValue;
using TweakCatalogue::kTweaks;

namespace {

using MachineState::kView32;
using MachineState::kViews;
using MachineState::kWindowsView;
using TestRegistry::kProgramKeyView;

const TweakCatalogue::Tweak& Row(int row) { return kTweaks[size_t(row - 1)]; }

std::optional<RawValue> Stored(int row, REGSAM view = kWindowsView) { return MachineState::RowValue(row, view); }
void Store(int row, const RawValue& value, REGSAM view = kWindowsView) { MachineState::SetRowValue(row, value, view); }
MachineState::State Machine() { return MachineState::Now(); }

std::optional<RawValue> InProgramKey(std::wstring_view name)
{
    return TestRegistry::ReadProgramValue(std::wstring(name));
}

// The rows whose keys 64-bit Windows keeps twice, once in each view; every other row's key
// is one key in both views.
const std::set<int> kRedirectedRows = {25, 26, 28, 29, 32};

// The user's own values before any Optimize. The seven backed-up rows hold values equal
// neither to what Optimize writes nor to the backup defaults; a few rows without a backup
// hold values of the user's, one of them of another type than Optimize writes.
const std::map<int, RawValue> kOriginals = {
    {1, TestRegistry::Dword(0)},  {2, TestRegistry::Dword(3)},  {12, TestRegistry::Sz(L"0")},
    {13, TestRegistry::Dword(1)}, {14, TestRegistry::Dword(1)}, {15, TestRegistry::Dword(38)},
    {16, TestRegistry::Dword(0)}, {8, TestRegistry::Dword(7200000)}, {18, TestRegistry::Sz(L"No")},
    {31, TestRegistry::Raw(REG_EXPAND_SZ, {'5', 0, 0, 0})}, {26, TestRegistry::Dword(2)},
};
// And the user's own values in the redirected copies of the 32-bit view, which no release
// must lose: one beside a value of the other view, one where the other view has none.
const std::map<int, RawValue> kOriginals32 = {
    {26, TestRegistry::Dword(0)},
    {28, TestRegistry::Dword(64)},
};
const std::set<int> kBackedUpRows = {1, 2, 12, 13, 14, 15, 16};

std::set<int> Rows(int first, int last, std::initializer_list<int> more = {})
{
    std::set<int> rows(more);
    for (int row = first; row <= last; ++row)
        rows.insert(row);
    return rows;
}

// Sets what a row holds in a state: in one view for a redirected row, in both otherwise.
void SetRow(MachineState::State& state, int row, REGSAM view, const std::optional<RawValue>& value)
{
    for (const REGSAM each : kViews) {
        if (each == view || !kRedirectedRows.contains(row))
            state.values[each][row] = value;
    }
}

// A catalogue row's data as the registry holds it.
RawValue Written(const TweakCatalogue::Tweak& tweak)
{
    switch (tweak.type) {
    case TweakCatalogue::ValueType::Dword:
        return TestRegistry::Dword(tweak.written.number);
    case TweakCatalogue::ValueType::Text:
        return TestRegistry::Sz(std::wstring(tweak.written.text));
    case TweakCatalogue::ValueType::Binary:
        break;
    }
    return TestRegistry::Raw(REG_BINARY, {tweak.written.bytes.begin(), tweak.written.bytes.end()});
}

// Every test starts from a machine that holds the originals and no backup, and gets the
// test prefix's own values and keys back afterwards.
class TweakRunsTest : public ::testing::Test {
protected:
    static std::vector<TestRegistry::Snapshot::Place> Places()
    {
        std::vector<TestRegistry::Snapshot::Place> places;
        for (const REGSAM view : kViews) {
            for (const auto& t : kTweaks)
                places.push_back({t.root, std::wstring(t.keyPath), std::wstring(t.valueName), view});
        }
        for (const wchar_t* name : {ProgramKey::kRestore, ProgramKey::kProcessorType, ProgramKey::kSpeedSetting})
            places.push_back(TestRegistry::ProgramPlace(name));
        for (const auto& t : kTweaks) {
            if (t.backupDefault)
                places.push_back(TestRegistry::ProgramPlace(std::wstring(t.valueName)));
        }
        return places;
    }

    void SetUp() override { ResetToOriginals(); }

    void TearDown() override
    {
        TestRegistry::DeleteTree(ProgramKey::kRoot, ProgramKey::kOriginalsPath, kProgramKeyView);
        missingKeys.RemoveCreated();
    }

    void ResetToOriginals()
    {
        for (const auto& p : snapshot.Places())
            TestRegistry::Delete(p.root, p.path, p.name, p.view);
        TearDown();
        for (const auto& [row, value] : kOriginals)
            Store(row, value);
        for (const auto& [row, value] : kOriginals32)
            Store(row, value, kView32);
        originals = Machine();
    }

    static bool BackupExists() { return TweakRuns::BackupExists(); }
    static Outcome Optimize(Edition edition)
    {
        return Execute(PlanOptimize(TweakCatalogue::ConvertWindowsVersion(edition), BackupExists()));
    }
    static Outcome Restore(Edition edition)
    {
        return Execute(PlanRestore(TweakCatalogue::ConvertWindowsVersion(edition)));
    }

    // What an earlier release's Optimize left, exactly: a 32-bit program that named no view,
    // it did everything in the 32-bit view. It saved the seven, recorded (if it kept records
    // at all) every other row it wrote under the row's name alone, marked the backup, and
    // wrote the edition's rows, creating the keys they lacked.
    static void LayDownEarlierOptimize(Edition edition, bool withRecords)
    {
        const auto group = TweakCatalogue::ConvertWindowsVersion(edition);
        for (int row : kBackedUpRows)
            TestRegistry::WriteProgramValue(std::wstring(Row(row).valueName), *Stored(row, kView32));
        for (int row = 1; row <= int(kTweaks.size()); ++row) {
            const auto& tweak = Row(row);
            if (!withRecords || tweak.backupDefault || !TweakCatalogue::Meets(tweak.condition, group))
                continue;
            TestRegistry::Write(ProgramKey::kRoot, ProgramKey::kOriginalsPath,
                                std::wstring(tweak.root == HKEY_CURRENT_USER ? L"HKCU" : L"HKLM") +
                                    std::wstring(tweak.keyPath) + std::wstring(tweak.valueName),
                                EarlierRecord(tweak), kProgramKeyView);
        }
        TestRegistry::WriteProgramValue(ProgramKey::kRestore, TestRegistry::Dword(1));
        for (int row = 1; row <= int(kTweaks.size()); ++row) {
            if (TweakCatalogue::Meets(Row(row).condition, group))
                Store(row, Written(Row(row)), kView32);
        }
    }

    // An earlier release's record of a row in the 32-bit view: three DWORDs (whether the
    // value existed, how many keys at the end of the path were missing, its type), then its
    // data.
    static RawValue EarlierRecord(const TweakCatalogue::Tweak& tweak)
    {
        const auto value =
            TestRegistry::Read(tweak.root, std::wstring(tweak.keyPath), std::wstring(tweak.valueName), kView32);
        std::uint32_t missing = 0;
        for (std::wstring path(tweak.keyPath); !TestRegistry::KeyExists(tweak.root, path, kView32); ++missing) {
            path.pop_back();
            path.erase(path.rfind(L'\\') + 1);
        }
        const std::uint32_t header[] = {value ? 1u : 0u, missing, value ? std::uint32_t(value->type) : 0u};
        std::vector<std::uint8_t> bytes(sizeof(header));
        std::memcpy(bytes.data(), header, sizeof(header));
        if (value)
            bytes.insert(bytes.end(), value->bytes.begin(), value->bytes.end());
        return TestRegistry::Raw(REG_BINARY, bytes);
    }

    // What Restore makes of the originals when a release that kept no records had written
    // the edition's rows: those rows deleted in the 32-bit view (so in both views where they
    // share the key), and the keys that release created left as they were after it.
    MachineState::State RestoredWithoutRecords(Edition edition, const MachineState::State& afterEarlier) const
    {
        MachineState::State expected = originals;
        expected.keys = afterEarlier.keys;
        const auto group = TweakCatalogue::ConvertWindowsVersion(edition);
        for (int row = 1; row <= int(kTweaks.size()); ++row) {
            if (!Row(row).backupDefault && TweakCatalogue::Meets(Row(row).condition, group))
                SetRow(expected, row, kView32, std::nullopt);
        }
        return expected;
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

    // The seven values as the program key saved them.
    static std::map<int, std::optional<RawValue>> SavedCopies()
    {
        std::map<int, std::optional<RawValue>> values;
        for (int row : kBackedUpRows)
            values[row] = InProgramKey(Row(row).valueName);
        return values;
    }
    static std::map<int, std::optional<RawValue>> BackedUpOriginals()
    {
        std::map<int, std::optional<RawValue>> values;
        for (int row : kBackedUpRows)
            values[row] = kOriginals.at(row);
        return values;
    }

    // Neither "Restore", nor a saved copy, nor a record is left.
    static void ExpectNoBackupLeft()
    {
        EXPECT_EQ(InProgramKey(ProgramKey::kRestore), std::nullopt);
        for (const auto& [row, copy] : SavedCopies())
            EXPECT_EQ(copy, std::nullopt) << "saved copy of row " << row;
        EXPECT_FALSE(TestRegistry::KeyExists(ProgramKey::kRoot, ProgramKey::kOriginalsPath, kProgramKeyView));
    }

    MachineState::MissingKeys missingKeys;
    TestRegistry::Snapshot snapshot{Places()};
    MachineState::State originals;
};

// Optimize writes the rows of the edition and keeps what the machine held; Restore brings
// back every value and key exactly as it was, and removes the backup.
TEST_F(TweakRunsTest, OptimizeThenRestoreLeavesTheMachineAsItWas)
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

        EXPECT_EQ(Optimize(Edition(c.editionIndex)), Outcome::Complete);
        std::set<int> expected = c.written;
        for (const auto& [row, value] : kOriginals)
            expected.insert(row); // the user's own stay where Optimize does not write
        EXPECT_EQ(StoredRows(), expected);
        EXPECT_EQ(InProgramKey(ProgramKey::kRestore), TestRegistry::Dword(1));
        EXPECT_EQ(SavedCopies(), BackedUpOriginals());

        EXPECT_EQ(Restore(Edition(c.editionIndex)), Outcome::Complete);
        EXPECT_EQ(MachineState::Differences(Machine(), originals), "");
        ExpectNoBackupLeft();
    }
}

// Restore undoes what Optimize wrote, not what the edition shown at Restore time would have
// written: the edition may have been changed, or Windows upgraded, in between.
TEST_F(TweakRunsTest, RestoreFollowsWhatOptimizeWroteWhateverTheEdition)
{
    struct Case {
        const char* what;
        std::vector<Edition> optimizedFor;
        Edition restoredFor;
    };
    const Case cases[] = {
        {"optimised for XP, restored on Windows 7", {Edition::WindowsXP}, Edition::Windows7},
        {"optimised for Windows 10, restored on Server 2003", {Edition::Windows10}, Edition::WindowsServer2003},
        {"optimised for XP and then for Windows 11", {Edition::WindowsXP, Edition::Windows11}, Edition::Windows10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetToOriginals();
        for (const Edition edition : c.optimizedFor)
            ASSERT_EQ(Optimize(edition), Outcome::Complete);
        ASSERT_EQ(Restore(c.restoredFor), Outcome::Complete);
        EXPECT_EQ(MachineState::Differences(Machine(), originals), "");
        ExpectNoBackupLeft();
    }
}

// Every row lands, with its exact type and data, in the view Windows reads: a 64-bit reader
// finds it at the row's own path, and the redirected copy of a 32-bit reader, under
// Software\Wow6432Node, keeps the user's value and gets nothing new.
TEST_F(TweakRunsTest, WritesEveryRowWhereWindowsReadsIt)
{
    // As the registry holds them; the paths are spelt here as a reader would, apart from
    // the catalogue's own.
    struct Case {
        int row;
        HKEY root;
        const wchar_t* path;
        const wchar_t* name;
        RawValue data;
    };
    const HKEY kLm = HKEY_LOCAL_MACHINE, kCu = HKEY_CURRENT_USER;
    const wchar_t* const fileSystem = L"System\\CurrentControlSet\\Control\\FileSystem";
    const wchar_t* const tcpip = L"System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
    const wchar_t* const memory = L"System\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
    const wchar_t* const crash = L"System\\CurrentControlSet\\Control\\CrashControl";
    const wchar_t* const policies = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    const wchar_t* const ntWindows = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
    const wchar_t* const explorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
    const wchar_t* const sessionManager = L"System\\CurrentControlSet\\Control\\Session Manager";
    using TestRegistry::Dword;
    using TestRegistry::Sz;
    const Case cases[] = {
        {1, kLm, fileSystem, L"NtfsDisableLastAccessUpdate", Dword(1)},
        {2, kLm, fileSystem, L"NtfsMftZoneReservation", Dword(2)},
        {3, kLm, tcpip, L"SynAttackProtect", Dword(2)},
        {4, kLm, tcpip, L"TcpMaxHalfOpen", Dword(100)},
        {5, kLm, tcpip, L"TcpMaxHalfOpenRetried", Dword(50)},
        {6, kLm, tcpip, L"EnablePMTUDiscovery", Dword(0)},
        {7, kLm, tcpip, L"EnableDeadGWDetect", Dword(0)},
        {8, kLm, tcpip, L"KeepAliveTime", Dword(300000)},
        {9, kLm, tcpip, L"EnableICMPRedirects", Dword(0)},
        {10, kLm, L"System\\CurrentControlSet\\Services\\Netbt\\Parameters", L"NoNameReleaseOnDemand", Dword(1)},
        {11, kLm, L"System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces", L"PerformRouterDiscovery",
         Dword(0)},
        {12, kCu, L"Control Panel\\Desktop\\WindowMetrics", L"MinAnimate", Sz(L"1")},
        {13, kLm, memory, L"DisablePagingExecutive", Dword(0)},
        {14, kLm, memory, L"LargeSystemCache", Dword(0)},
        {15, kLm, L"System\\CurrentControlSet\\Control\\PriorityControl", L"Win32PrioritySeparation", Dword(1)},
        {16, kLm, crash, L"AutoReboot", Dword(1)},
        {17, kCu, L"Control Panel\\Desktop", L"SmoothScroll", TestRegistry::Raw(REG_BINARY, {0, 0, 0, 0})},
        {18, kCu, L"Software\\Microsoft\\Internet Explorer\\Main", L"Use StyleSheets", Sz(L"Yes")},
        {19, kCu, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoComplete", L"Append Completion",
         Sz(L"Yes")},
        {20, kLm, fileSystem, L"ContigFileAllocSize", Dword(1536)},
        {21, kLm, policies, L"LinkResolveIgnoreLinkInfo", Dword(0)},
        {22, kLm, policies, L"NoResolveSearch", Dword(1)},
        {23, kLm, memory, L"IoPageLockLimit", Dword(4096)},
        {24, kLm, crash, L"SendAlert", Dword(1)},
        {25, kLm, ntWindows, L"NoPopUpsOnBoot", Dword(1)},
        {26, kLm, ntWindows, L"Error Mode", Dword(1)},
        {27, kLm, L"System\\CurrentControlSet\\Services\\Messenger", L"Start", Dword(4)},
        {28, kLm, explorer, L"ThumbnailSize", Dword(96)},
        {29, kLm, explorer, L"ThumbnailQuality", Dword(80)},
        {30, kLm, sessionManager, L"EnablePrefetcher", Dword(1)},
        {31, kLm, sessionManager, L"AutoChkTimeOut", Dword(0)},
        {32, kLm, L"Software\\Microsoft\\Dfrg\\BootOptimizeFunction", L"Enable", Sz(L"Y")},
        {33, kLm, L"System\\CurrentControlSet\\Services\\P3\\Parameters", L"HackFlags", Dword(1)},
    };
    ASSERT_EQ(std::size(cases), kTweaks.size());
    // Windows 10 writes every row but 31, Windows XP every row but 32 and 33.
    ASSERT_EQ(Optimize(Edition::Windows10), Outcome::Complete);
    ASSERT_EQ(Optimize(Edition::WindowsXP), Outcome::Complete);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.row);
        EXPECT_EQ(TestRegistry::Read(c.root, c.path, c.name, TestRegistry::kView64), c.data);
        if (kRedirectedRows.contains(c.row)) {
            const std::wstring copy =
                L"Software\\Wow6432Node\\" + std::wstring(c.path).substr(std::wstring_view(L"Software\\").size());
            const auto user = kOriginals32.find(c.row);
            EXPECT_EQ(TestRegistry::Read(c.root, copy, c.name, TestRegistry::kView64),
                      user == kOriginals32.end() ? std::nullopt : std::optional(user->second));
        } else {
            EXPECT_EQ(TestRegistry::Read(c.root, c.path, c.name, kView32), c.data) << "one key in both views";
        }
    }
}

TEST_F(TweakRunsTest, TheBackupIsTakenOnlyWhenNoneExists)
{
    ASSERT_EQ(Optimize(Edition::Windows10), Outcome::Complete);
    // A second Optimize keeps the copies and records of the values from before the first.
    Store(15, TestRegistry::Dword(99));
    Store(8, TestRegistry::Dword(12345));
    ASSERT_EQ(Optimize(Edition::Windows10), Outcome::Complete);
    EXPECT_EQ(SavedCopies(), BackedUpOriginals());
    EXPECT_EQ(Stored(15), TestRegistry::Dword(1));
    ASSERT_EQ(Restore(Edition::Windows10), Outcome::Complete);
    EXPECT_EQ(MachineState::Differences(Machine(), originals), "");

    // After a Restore, the next Optimize saves the values of that moment.
    Store(15, TestRegistry::Dword(20));
    Store(8, TestRegistry::Dword(600000));
    const MachineState::State now = Machine();
    ASSERT_EQ(Optimize(Edition::Windows10), Outcome::Complete);
    EXPECT_EQ(InProgramKey(L"Win32PrioritySeparation"), TestRegistry::Dword(20));
    ASSERT_EQ(Restore(Edition::Windows10), Outcome::Complete);
    EXPECT_EQ(MachineState::Differences(Machine(), now), "");
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
        MachineState::DeleteRowValue(row);
    ASSERT_EQ(Optimize(Edition::WindowsServer2003), Outcome::Complete);
    EXPECT_EQ(SavedCopies(), defaults);

    // The saved copies were deleted by hand: the defaults are written back.
    ResetToOriginals();
    ASSERT_EQ(Optimize(Edition::WindowsServer2003), Outcome::Complete);
    for (int row : kBackedUpRows)
        TestRegistry::DeleteProgramValue(std::wstring(Row(row).valueName));
    ASSERT_EQ(Restore(Edition::WindowsServer2003), Outcome::Complete);
    for (int row : kBackedUpRows)
        EXPECT_EQ(Stored(row), defaults.at(row)) << "row " << row;
}

// A backup that an earlier release took, and its changes, all in the 32-bit view. Restore
// puts back what that release recorded there, and what an Optimize of this release over it
// recorded in the view Windows reads, so that both releases' changes are undone. A backup
// of a release that kept no records goes, for that release's changes, by the edition chosen
// at Restore time, as that release did: its rows are deleted in the 32-bit view, and the
// keys it created stay.
TEST_F(TweakRunsTest, AnEarlierReleasesBackupIsRestoredInBothViews)
{
    struct Case {
        const char* what;
        bool withRecords;
        std::vector<Edition> optimizedFor; // by this release, after the earlier one
    };
    const Case cases[] = {
        {"records, restored at once", true, {}},
        {"records, optimised again", true, {Edition::Windows10}},
        {"records, optimised again for another edition", true, {Edition::WindowsXP, Edition::Windows11}},
        {"no records, restored at once", false, {}},
        {"no records, optimised again", false, {Edition::Windows10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetToOriginals();
        LayDownEarlierOptimize(Edition::Windows7, c.withRecords);
        const MachineState::State earlier = Machine();
        for (const Edition edition : c.optimizedFor)
            ASSERT_EQ(Optimize(edition), Outcome::Complete);
        EXPECT_EQ(SavedCopies(), BackedUpOriginals());

        ASSERT_EQ(Restore(Edition::Windows7), Outcome::Complete);
        const MachineState::State expected =
            c.withRecords ? originals : RestoredWithoutRecords(Edition::Windows7, earlier);
        EXPECT_EQ(MachineState::Differences(Machine(), expected), "");
        ExpectNoBackupLeft();
    }
}

TEST_F(TweakRunsTest, RecordsSurviveTheirOwnEncoding)
{
    using CustomRegistry::RegValue;
    const RowRecords::Record records[] = {
        {std::nullopt, 0},
        {std::nullopt, 2},
        {RegValue{REG_DWORD, {1, 2, 3, 4}}, 0},
        {RegValue{REG_MULTI_SZ, {'a', 0, 0, 0, 0, 0}}, 0},
        {RegValue{REG_SZ, {}}, 0},
    };
    for (const auto& record : records)
        EXPECT_EQ(RowRecords::Decode(RowRecords::Encode(record)), record);

    // Damaged records name no value and no key.
    const RegValue damaged[] = {
        {REG_DWORD, {1, 0, 0, 0}},
        {REG_BINARY, {1, 0, 0, 0, 0, 0, 0}},
        {REG_BINARY, {2, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0}},
        {REG_BINARY, {0, 0, 0, 0, 99, 0, 0, 0, 4, 0, 0, 0}},
        {REG_BINARY, {0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 7}},
    };
    for (const auto& stored : damaged)
        EXPECT_EQ(RowRecords::Decode(stored), RowRecords::Record{});
}

TEST_F(TweakRunsTest, NoRunCanBeginWithoutTheRightToWriteTheProgramKey)
{
    ASSERT_TRUE(
        CustomRegistry::WriteRegInteger(ProgramKey::kRoot, ProgramKey::kPath, L"ProcessorType", 0, ProgramKey::kView));
    EXPECT_TRUE(CanWriteProgramKey());
    TestRegistry::DenyWrites deny(ProgramKey::kRoot, ProgramKey::kPath, KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                                  kProgramKeyView);
    EXPECT_FALSE(CanWriteProgramKey());
    // An Optimize made anyway keeps no backup, and so changes nothing in Windows.
    EXPECT_EQ(Optimize(Edition::Windows10), Outcome::Stopped);
    EXPECT_EQ(MachineState::Differences(Machine(), originals), "");
    EXPECT_EQ(InProgramKey(ProgramKey::kRestore), std::nullopt);
}

// A Windows key whose permissions were tightened refuses some changes. Nothing the user had
// may be lost, and once the cause is gone a Restore finishes the job.
TEST_F(TweakRunsTest, AKeyThatRefusesWritesLosesNothing)
{
    const std::wstring priorityControl(Row(15).keyPath), tcpip(Row(8).keyPath);

    // Restore cannot put row 15 back: everything else goes back, the backup stays.
    ASSERT_EQ(Optimize(Edition::Windows10), Outcome::Complete);
    {
        TestRegistry::DenyWrites deny(Row(15).root, priorityControl, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, kWindowsView);
        EXPECT_EQ(Restore(Edition::Windows10), Outcome::Stopped);
    }
    EXPECT_EQ(InProgramKey(ProgramKey::kRestore), TestRegistry::Dword(1));
    EXPECT_EQ(SavedCopies(), BackedUpOriginals());
    EXPECT_FALSE(RowRecords::HoldsUnrecordedChanges());
    MachineState::State expected = originals;
    SetRow(expected, 15, kWindowsView, TestRegistry::Dword(1)); // as Optimize left it
    EXPECT_EQ(MachineState::Differences(Machine(), expected), "");
    EXPECT_EQ(Restore(Edition::Windows10), Outcome::Complete);
    EXPECT_EQ(MachineState::Differences(Machine(), originals), "");
    ExpectNoBackupLeft();

    // Optimize cannot write the TCP/IP rows: the rest is written, and Restore completes
    // while the key still refuses, as it has nothing to change there.
    ResetToOriginals();
    {
        TestRegistry::DenyWrites deny(Row(8).root, tcpip, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, kWindowsView);
        EXPECT_EQ(Optimize(Edition::Windows10), Outcome::Incomplete);
        EXPECT_EQ(Stored(8), kOriginals.at(8));
        EXPECT_EQ(Stored(1), TestRegistry::Dword(1));
        EXPECT_EQ(Restore(Edition::Windows10), Outcome::Complete);
    }
    EXPECT_EQ(MachineState::Differences(Machine(), originals), "");
    ExpectNoBackupLeft();
}

// The program dies after each registry change of a run, in turn. Then the user goes on as
// the program lets them: Restore when it is offered, otherwise Optimize and Restore, on
// another edition than the interrupted run's. The machine must come back as it was.
class InterruptedRunTest : public TweakRunsTest {
protected:
    static long RunProbe(const wchar_t* operation, Edition edition, size_t changes)
    {
        return TestPrograms::Run(L"tweak_run_probe.exe", std::wstring(operation) + L" " +
                                                             std::to_wstring(int(edition)) + L" " +
                                                             std::to_wstring(changes));
    }
    static constexpr size_t kAll = 1000;

    // "Restore" = 1 must never stand without the saved originals.
    void ExpectRestorable()
    {
        if (BackupExists()) {
            EXPECT_EQ(SavedCopies(), BackedUpOriginals()) << "Restore is offered, but the backup is not complete";
        }
    }

    // Restore, on Windows 7, brings back `expected` (by default the originals).
    void ExpectUserGetsTheMachineBack(const MachineState::State* expected = nullptr)
    {
        if (!BackupExists()) {
            ASSERT_EQ(RunProbe(L"optimize", Edition::Windows10, kAll), 0);
        }
        ASSERT_EQ(RunProbe(L"restore", Edition::Windows7, kAll), 0);
        EXPECT_EQ(MachineState::Differences(Machine(), expected ? *expected : originals), "");
        ExpectNoBackupLeft();
    }
};

TEST_F(InterruptedRunTest, DyingDuringOptimizeKeepsTheMachineRestorable)
{
    const size_t changes = PlanOptimize(TweakCatalogue::ConvertWindowsVersion(Edition::WindowsXP), false).size();
    for (size_t dieAfter = 0; dieAfter < changes; ++dieAfter) {
        SCOPED_TRACE(testing::Message() << "died after " << dieAfter << " of " << changes << " changes");
        ResetToOriginals();
        ASSERT_EQ(RunProbe(L"optimize", Edition::WindowsXP, dieAfter), 99);
        ExpectRestorable();
        ExpectUserGetsTheMachineBack();
    }
}

TEST_F(InterruptedRunTest, DyingDuringASecondOptimizeKeepsTheMachineRestorable)
{
    ResetToOriginals();
    ASSERT_EQ(RunProbe(L"optimize", Edition::WindowsXP, kAll), 0);
    const size_t changes = PlanOptimize(TweakCatalogue::ConvertWindowsVersion(Edition::Windows10), true).size();
    for (size_t dieAfter = 0; dieAfter < changes; ++dieAfter) {
        SCOPED_TRACE(testing::Message() << "died after " << dieAfter << " of " << changes << " changes");
        ResetToOriginals();
        ASSERT_EQ(RunProbe(L"optimize", Edition::WindowsXP, kAll), 0);
        ASSERT_EQ(RunProbe(L"optimize", Edition::Windows10, dieAfter), 99);
        ExpectRestorable();
        ExpectUserGetsTheMachineBack();
    }
}

TEST_F(InterruptedRunTest, DyingDuringRestoreKeepsTheMachineRestorable)
{
    ResetToOriginals();
    ASSERT_EQ(RunProbe(L"optimize", Edition::WindowsXP, kAll), 0);
    const size_t changes = PlanRestore(TweakCatalogue::ConvertWindowsVersion(Edition::Windows10)).size();
    for (size_t dieAfter = 0; dieAfter < changes; ++dieAfter) {
        SCOPED_TRACE(testing::Message() << "died after " << dieAfter << " of " << changes << " changes");
        ResetToOriginals();
        ASSERT_EQ(RunProbe(L"optimize", Edition::WindowsXP, kAll), 0);
        ASSERT_EQ(RunProbe(L"restore", Edition::Windows10, dieAfter), 99);
        ExpectRestorable();
        // Once "Restore" is gone, the machine is already back.
        if (!BackupExists()) {
            EXPECT_EQ(MachineState::Differences(Machine(), originals), "");
        }
        ExpectUserGetsTheMachineBack();
    }
}

// The same over an earlier release's backup, taken in the 32-bit view: an Optimize of this
// release dies over it, or a Restore after such an Optimize does. The next Restore must bring
// both views back as they were before the earlier release's Optimize, or, for a release that
// kept no records, as that release's own Restore would have.
class InterruptedRunOverAnEarlierBackupTest : public InterruptedRunTest {
protected:
    void LayDownEarlierBackup(bool withRecords)
    {
        ResetToOriginals();
        LayDownEarlierOptimize(Edition::Windows7, withRecords);
        expected = withRecords ? originals : RestoredWithoutRecords(Edition::Windows7, Machine());
    }
    MachineState::State expected;
};

TEST_F(InterruptedRunOverAnEarlierBackupTest, DyingDuringOptimizeKeepsTheMachineRestorable)
{
    for (const bool withRecords : {true, false}) {
        LayDownEarlierBackup(withRecords);
        const size_t changes = PlanOptimize(TweakCatalogue::ConvertWindowsVersion(Edition::Windows10), true).size();
        for (size_t dieAfter = 0; dieAfter < changes; ++dieAfter) {
            SCOPED_TRACE(testing::Message() << (withRecords ? "records" : "no records") << ", died after " << dieAfter
                                            << " of " << changes << " changes");
            LayDownEarlierBackup(withRecords);
            ASSERT_EQ(RunProbe(L"optimize", Edition::Windows10, dieAfter), 99);
            ExpectRestorable();
            ExpectUserGetsTheMachineBack(&expected);
        }
    }
}

TEST_F(InterruptedRunOverAnEarlierBackupTest, DyingDuringRestoreKeepsTheMachineRestorable)
{
    for (const bool withRecords : {true, false}) {
        LayDownEarlierBackup(withRecords);
        ASSERT_EQ(RunProbe(L"optimize", Edition::Windows10, kAll), 0);
        const size_t changes = PlanRestore(TweakCatalogue::ConvertWindowsVersion(Edition::Windows7)).size();
        for (size_t dieAfter = 0; dieAfter < changes; ++dieAfter) {
            SCOPED_TRACE(testing::Message() << (withRecords ? "records" : "no records") << ", died after " << dieAfter
                                            << " of " << changes << " changes");
            LayDownEarlierBackup(withRecords);
            ASSERT_EQ(RunProbe(L"optimize", Edition::Windows10, kAll), 0);
            ASSERT_EQ(RunProbe(L"restore", Edition::Windows7, dieAfter), 99);
            ExpectRestorable();
            if (!BackupExists()) {
                EXPECT_EQ(MachineState::Differences(Machine(), expected), "");
            }
            ExpectUserGetsTheMachineBack(&expected);
        }
    }
}

} // namespace
