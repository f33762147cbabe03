#include "common/registry.h"

#include <gtest/gtest.h>

#include <optional>
#include <ranges>

#include "tests/support/registry_helpers.h"

using namespace CustomRegistry;
using TestRegistry::RawValue;

namespace {

// Each test works in keys of its own under HKLM\Software and HKCU, in the 32-bit view unless
// it says otherwise (as the program key is kept), removed before and after it from both
// registry views.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::wstring name = Widen(::testing::UnitTest::GetInstance()->current_test_info()->name());
        software = L"\\Software\\KORVEL\\MarlowickTests\\" + name + L"\\";
        system = L"\\System\\KORVEL\\MarlowickTests\\" + name + L"\\";
        Clean();
    }
    void TearDown() override { Clean(); }

    void Clean()
    {
        for (REGSAM view : {TestRegistry::kView32, TestRegistry::kView64}) {
            TestRegistry::DeleteTree(HKEY_LOCAL_MACHINE, software, view);
            TestRegistry::DeleteTree(HKEY_LOCAL_MACHINE, system, view);
            TestRegistry::DeleteTree(HKEY_CURRENT_USER, software, view);
        }
    }

    static std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

    std::wstring software;
    std::wstring system;
};

// What each read makes of one stored value.
struct ReadCase {
    const char* what;
    std::optional<RawValue> stored; // nothing: the value does not exist
    std::wstring asString;
    std::int32_t asInteger;
    bool asBool;
};

std::vector<std::uint8_t> Bytes(std::initializer_list<int> bytes)
{
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

// Defaults used below: L"default", 77, and false for ReadRegBool (true where noted).
const std::wstring kDefaultText = L"default";
constexpr std::int32_t kDefaultNumber = 77;

const ReadCase kReadCases[] = {
    {"missing value", std::nullopt, kDefaultText, kDefaultNumber, false},
    {"text", TestRegistry::Sz(L"Marlowick"), L"Marlowick", kDefaultNumber, false},
    {"empty text gives the default", TestRegistry::Sz(L""), kDefaultText, kDefaultNumber, false},
    {"zero-size text gives the default", TestRegistry::Raw(REG_SZ, {}), kDefaultText, kDefaultNumber, false},
    {"text is cut at its first NUL", TestRegistry::Raw(REG_SZ, Bytes({'a', 0, 'b', 0, 0, 0, 'c', 0, 0, 0})), L"ab",
     kDefaultNumber, false},
    {"text stored without its NUL", TestRegistry::Raw(REG_SZ, Bytes({'o', 0, 'k', 0})), L"ok", kDefaultNumber,
     false},
    {"expandable text is not expanded", TestRegistry::Raw(REG_EXPAND_SZ, TestRegistry::Sz(L"%TEMP%\\x").bytes),
     L"%TEMP%\\x", kDefaultNumber, false},
    {"multi-string is no text", TestRegistry::Raw(REG_MULTI_SZ, Bytes({'a', 0, 0, 0, 0, 0})), kDefaultText,
     kDefaultNumber, false},
    {"number is no text", TestRegistry::Dword(5), kDefaultText, 5, true},
    {"text \"1\" is no number", TestRegistry::Sz(L"1"), L"1", kDefaultNumber, false},
    {"2 is true", TestRegistry::Dword(2), kDefaultText, 2, true},
    {"0 is false", TestRegistry::Dword(0), kDefaultText, 0, false},
    {"FF FF FF FF is -1", TestRegistry::Raw(REG_DWORD, Bytes({0xFF, 0xFF, 0xFF, 0xFF})), kDefaultText, -1, true},
    {"four binary bytes are no number", TestRegistry::Raw(REG_BINARY, Bytes({1, 0, 0, 0})), kDefaultText,
     kDefaultNumber, false},
    {"a number longer than four bytes", TestRegistry::Raw(REG_DWORD, Bytes({1, 0, 0, 0, 0, 0, 0, 0})), kDefaultText,
     kDefaultNumber, false},
    {"a number shorter than four bytes", TestRegistry::Raw(REG_DWORD, Bytes({1, 0})), kDefaultText, kDefaultNumber,
     false},
    {"a 64-bit number", TestRegistry::Raw(REG_QWORD, Bytes({1, 0, 0, 0, 0, 0, 0, 0})), kDefaultText,
     kDefaultNumber, false},
};

TEST_F(RegistryTest, ReadsReturnTheStoredValueOrTheDefault)
{
    for (const ReadCase& c : kReadCases) {
        SCOPED_TRACE(c.what);
        TestRegistry::Delete(HKEY_LOCAL_MACHINE, software, L"Value", TestRegistry::kView32);
        TestRegistry::Write(HKEY_LOCAL_MACHINE, software, L"Other", TestRegistry::Dword(1), TestRegistry::kView32);
        if (c.stored)
            TestRegistry::Write(HKEY_LOCAL_MACHINE, software, L"Value", *c.stored, TestRegistry::kView32);

        EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, software, L"Value", kDefaultText, View::Bits32), c.asString);
        EXPECT_EQ(ReadRegInteger(HKEY_LOCAL_MACHINE, software, L"Value", kDefaultNumber, View::Bits32), c.asInteger);
        EXPECT_EQ(ReadRegBool(HKEY_LOCAL_MACHINE, software, L"Value", false, View::Bits32), c.asBool);
        // A failed boolean read gives the default, whichever it is.
        const bool isNumber = c.asInteger != kDefaultNumber;
        EXPECT_EQ(ReadRegBool(HKEY_LOCAL_MACHINE, software, L"Value", true, View::Bits32), isNumber ? c.asBool : true);
    }
}

TEST_F(RegistryTest, ReadsAndDeleteOfAMissingKeyCreateNothing)
{
    const std::wstring missing = software + L"Missing\\Deeper\\";
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, missing, L"Value", L"fallback", View::Bits32), L"fallback");
    EXPECT_EQ(ReadRegInteger(HKEY_LOCAL_MACHINE, missing, L"Value", -5, View::Bits32), -5);
    EXPECT_TRUE(ReadRegBool(HKEY_LOCAL_MACHINE, missing, L"Value", true, View::Bits32));
    EXPECT_TRUE(DeleteRegValue(HKEY_LOCAL_MACHINE, missing, L"Value", View::Bits32));
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_LOCAL_MACHINE, software, TestRegistry::kView32));
}

TEST_F(RegistryTest, WritesStoreTheEncodingOfTheirType)
{
    // Every write replaces whatever the value held, whatever its former type.
    struct WriteCase {
        const char* what;
        bool (*write)(const std::wstring& path);
        RawValue expected;
    };
    const WriteCase cases[] = {
        {"string",
         [](const std::wstring& p) { return WriteRegString(HKEY_LOCAL_MACHINE, p, L"V", L"Yes", View::Bits32); },
         TestRegistry::Raw(REG_SZ, Bytes({'Y', 0, 'e', 0, 's', 0, 0, 0}))},
        {"empty string",
         [](const std::wstring& p) { return WriteRegString(HKEY_LOCAL_MACHINE, p, L"V", L"", View::Bits32); },
         TestRegistry::Raw(REG_SZ, Bytes({0, 0}))},
        {"integer -1",
         [](const std::wstring& p) { return WriteRegInteger(HKEY_LOCAL_MACHINE, p, L"V", -1, View::Bits32); },
         TestRegistry::Raw(REG_DWORD, Bytes({0xFF, 0xFF, 0xFF, 0xFF}))},
        {"integer 300000",
         [](const std::wstring& p) { return WriteRegInteger(HKEY_LOCAL_MACHINE, p, L"V", 300000, View::Bits32); },
         TestRegistry::Raw(REG_DWORD, Bytes({0xE0, 0x93, 0x04, 0x00}))},
        {"true", [](const std::wstring& p) { return WriteRegBool(HKEY_LOCAL_MACHINE, p, L"V", true, View::Bits32); },
         TestRegistry::Dword(1)},
        {"false", [](const std::wstring& p) { return WriteRegBool(HKEY_LOCAL_MACHINE, p, L"V", false, View::Bits32); },
         TestRegistry::Dword(0)},
        {"binary",
         [](const std::wstring& p) {
             const std::uint8_t bytes[] = {0, 0, 0, 0};
             return WriteRegBinary(HKEY_LOCAL_MACHINE, p, L"V", bytes, View::Bits32);
         },
         TestRegistry::Raw(REG_BINARY, Bytes({0, 0, 0, 0}))},
        {"no bytes",
         [](const std::wstring& p) { return WriteRegBinary(HKEY_LOCAL_MACHINE, p, L"V", {}, View::Bits32); },
         TestRegistry::Raw(REG_BINARY, {})},
    };
    for (const RawValue& before : {TestRegistry::Dword(7), TestRegistry::Sz(L"old text")}) {
        for (const WriteCase& c : cases) {
            SCOPED_TRACE(c.what);
            TestRegistry::Write(HKEY_LOCAL_MACHINE, software, L"V", before, TestRegistry::kView32);
            EXPECT_TRUE(c.write(software));
            EXPECT_EQ(TestRegistry::Read(HKEY_LOCAL_MACHINE, software, L"V", TestRegistry::kView32), c.expected);
        }
    }
}

TEST_F(RegistryTest, AWriteCreatesEveryMissingKeyOfItsPath)
{
    const std::wstring deep = software + L"One\\Two\\Three\\";
    EXPECT_TRUE(WriteRegInteger(HKEY_LOCAL_MACHINE, deep, L"Depth", 3, View::Bits32));
    EXPECT_EQ(TestRegistry::Read(HKEY_LOCAL_MACHINE, deep, L"Depth", TestRegistry::kView32), TestRegistry::Dword(3));
}

TEST_F(RegistryTest, PathsWithAndWithoutLeadingBackslashNameTheSameKey)
{
    const std::wstring bare = software.substr(1);
    EXPECT_TRUE(WriteRegString(HKEY_CURRENT_USER, bare, L"Where", L"here", View::Bits32));
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, software, L"Where", L"", View::Bits32), L"here");
    const std::wstring noTrailing = software.substr(0, software.size() - 1);
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, noTrailing, L"Where", L"", View::Bits32), L"here");
}

TEST_F(RegistryTest, DeleteRemovesOnlyTheNamedValue)
{
    TestRegistry::Write(HKEY_LOCAL_MACHINE, software, L"Gone", TestRegistry::Dword(1), TestRegistry::kView32);
    TestRegistry::Write(HKEY_LOCAL_MACHINE, software, L"Kept", TestRegistry::Dword(2), TestRegistry::kView32);
    EXPECT_TRUE(DeleteRegValue(HKEY_LOCAL_MACHINE, software, L"gone", View::Bits32)); // names ignore case
    EXPECT_EQ(TestRegistry::Read(HKEY_LOCAL_MACHINE, software, L"Gone", TestRegistry::kView32), std::nullopt);
    EXPECT_EQ(TestRegistry::Read(HKEY_LOCAL_MACHINE, software, L"Kept", TestRegistry::kView32), TestRegistry::Dword(2));
    EXPECT_TRUE(DeleteRegValue(HKEY_LOCAL_MACHINE, software, L"Gone", View::Bits32)); // already gone: no error
}

// 64-bit Windows keeps HKLM\Software twice: the 32-bit view's copy is what a 64-bit reader
// finds under Software\Wow6432Node; HKLM\System is one key for both. From a program of
// either bitness each view reaches its own copy, for reads, writes and deletes alike, and
// Windows' own values are in the 64-bit one.
TEST_F(RegistryTest, EachViewReachesItsOwnCopyOfSoftware)
{
    ASSERT_TRUE(WriteRegInteger(HKEY_LOCAL_MACHINE, software, L"Seen", 32, View::Bits32));
    ASSERT_TRUE(WriteRegInteger(HKEY_LOCAL_MACHINE, system, L"Seen", 32, View::Bits32));

    const std::wstring redirected = L"\\Software\\Wow6432Node" + software.substr(9);
    EXPECT_EQ(TestRegistry::Read(HKEY_LOCAL_MACHINE, redirected, L"Seen", TestRegistry::kView64),
              TestRegistry::Dword(32));
    EXPECT_EQ(TestRegistry::Read(HKEY_LOCAL_MACHINE, software, L"Seen", TestRegistry::kView64), std::nullopt);
    EXPECT_EQ(TestRegistry::Read(HKEY_LOCAL_MACHINE, system, L"Seen", TestRegistry::kView64), TestRegistry::Dword(32));

    ASSERT_TRUE(WriteRegInteger(HKEY_LOCAL_MACHINE, software, L"Native", 64, View::Bits64));
    EXPECT_EQ(TestRegistry::Read(HKEY_LOCAL_MACHINE, software, L"Native", TestRegistry::kView64),
              TestRegistry::Dword(64));
    EXPECT_EQ(ReadRegInteger(HKEY_LOCAL_MACHINE, software, L"Native", 0, View::Bits32), 0);
    EXPECT_EQ(ReadRegInteger(HKEY_LOCAL_MACHINE, software, L"Native", 0, View::Bits64), 64);
    EXPECT_TRUE(DeleteRegValue(HKEY_LOCAL_MACHINE, software, L"Native", View::Bits64));
    EXPECT_EQ(TestRegistry::Read(HKEY_LOCAL_MACHINE, software, L"Native", TestRegistry::kView64), std::nullopt);

    EXPECT_EQ(WindowsView(), View::Bits64);
}

// Values of any type go back and forth byte for byte, so that a user's own value can be kept
// and given back unchanged.
TEST_F(RegistryTest, RawValuesComeBackExactlyAsStored)
{
    for (const RawValue& stored : kReadCases | std::views::filter([](const ReadCase& c) { return c.stored.has_value(); }) |
                                      std::views::transform([](const ReadCase& c) { return *c.stored; })) {
        SCOPED_TRACE(testing::Message() << "type " << stored.type << ", " << stored.bytes.size() << " bytes");
        // Stored as a direct write stores it (the registry ends an unterminated text itself).
        TestRegistry::Write(HKEY_LOCAL_MACHINE, software, L"Direct", stored, TestRegistry::kView32);
        ASSERT_TRUE(
            WriteRegValue(HKEY_LOCAL_MACHINE, software, L"Copy", RegValue{stored.type, stored.bytes}, View::Bits32));
        const auto held = TestRegistry::Read(HKEY_LOCAL_MACHINE, software, L"Copy", TestRegistry::kView32);
        ASSERT_TRUE(held);
        EXPECT_EQ(held, TestRegistry::Read(HKEY_LOCAL_MACHINE, software, L"Direct", TestRegistry::kView32));
        EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, software, L"Copy", View::Bits32),
                  (RegValue{held->type, held->bytes}));
    }
    EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, software, L"Missing", View::Bits32), std::nullopt);
    EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, software + L"Missing\\", L"Copy", View::Bits32), std::nullopt);
}

// How keys that a write created are found and taken away again; somebody's own content stays.
TEST_F(RegistryTest, CountsMissingKeysAndRemovesOnlyEmptyOnes)
{
    const std::wstring outer = software + L"Outer\\", inner = outer + L"Inner\\";
    EXPECT_EQ(MissingKeyCount(HKEY_LOCAL_MACHINE, inner, View::Bits32), 3); // the test's own key too
    ASSERT_TRUE(WriteRegInteger(HKEY_LOCAL_MACHINE, software, L"Here", 1, View::Bits32));
    EXPECT_EQ(MissingKeyCount(HKEY_LOCAL_MACHINE, inner, View::Bits32), 2);
    ASSERT_TRUE(WriteRegInteger(HKEY_LOCAL_MACHINE, inner, L"Value", 1, View::Bits32));
    EXPECT_EQ(MissingKeyCount(HKEY_LOCAL_MACHINE, inner, View::Bits32), 0);
    EXPECT_EQ(MissingKeyCount(HKEY_LOCAL_MACHINE, inner + L"Deeper\\", View::Bits32), 1);

    // Still holding a value, or a subkey: kept, and that is no failure.
    EXPECT_TRUE(DeleteEmptyRegKey(HKEY_LOCAL_MACHINE, inner, View::Bits32));
    EXPECT_TRUE(TestRegistry::KeyExists(HKEY_LOCAL_MACHINE, inner, TestRegistry::kView32));
    ASSERT_TRUE(DeleteRegValue(HKEY_LOCAL_MACHINE, inner, L"Value", View::Bits32));
    EXPECT_TRUE(DeleteEmptyRegKey(HKEY_LOCAL_MACHINE, outer, View::Bits32));
    EXPECT_TRUE(TestRegistry::KeyExists(HKEY_LOCAL_MACHINE, outer, TestRegistry::kView32));
    // Empty: removed, innermost first; a missing one counts as removed.
    EXPECT_TRUE(DeleteEmptyRegKey(HKEY_LOCAL_MACHINE, inner, View::Bits32));
    EXPECT_TRUE(DeleteEmptyRegKey(HKEY_LOCAL_MACHINE, outer, View::Bits32));
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_LOCAL_MACHINE, outer, TestRegistry::kView32));
    EXPECT_TRUE(DeleteEmptyRegKey(HKEY_LOCAL_MACHINE, outer, View::Bits32));

    // A whole tree goes at once.
    ASSERT_TRUE(WriteRegInteger(HKEY_LOCAL_MACHINE, inner, L"Value", 1, View::Bits32));
    EXPECT_TRUE(DeleteRegKeyTree(HKEY_LOCAL_MACHINE, outer, View::Bits32));
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_LOCAL_MACHINE, outer, TestRegistry::kView32));
    EXPECT_TRUE(DeleteRegKeyTree(HKEY_LOCAL_MACHINE, outer, View::Bits32));
}

// What a user without the right to write below HKLM meets: every write and delete does
// nothing and says so, while reads go on working.
TEST_F(RegistryTest, DeniedWritesChangeNothingAndReadsStillWork)
{
    TestRegistry::Write(HKEY_LOCAL_MACHINE, software, L"Number", TestRegistry::Dword(5), TestRegistry::kView32);
    TestRegistry::Write(HKEY_LOCAL_MACHINE, software, L"Text", TestRegistry::Sz(L"kept"), TestRegistry::kView32);
    {
        TestRegistry::DenyWrites deny(HKEY_LOCAL_MACHINE, software, KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                                      TestRegistry::kView32);
        const std::uint8_t bytes[] = {1, 2};
        EXPECT_FALSE(WriteRegInteger(HKEY_LOCAL_MACHINE, software, L"Number", 6, View::Bits32));
        EXPECT_FALSE(WriteRegBool(HKEY_LOCAL_MACHINE, software, L"Number", false, View::Bits32));
        EXPECT_FALSE(WriteRegString(HKEY_LOCAL_MACHINE, software, L"Text", L"changed", View::Bits32));
        EXPECT_FALSE(WriteRegBinary(HKEY_LOCAL_MACHINE, software, L"New", bytes, View::Bits32));
        EXPECT_FALSE(DeleteRegValue(HKEY_LOCAL_MACHINE, software, L"Number", View::Bits32));

        EXPECT_EQ(ReadRegInteger(HKEY_LOCAL_MACHINE, software, L"Number", 0, View::Bits32), 5);
        EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, software, L"Text", L"", View::Bits32), L"kept");
        EXPECT_TRUE(ReadRegBool(HKEY_LOCAL_MACHINE, software, L"Number", false, View::Bits32));
    }
    EXPECT_EQ(TestRegistry::Read(HKEY_LOCAL_MACHINE, software, L"New", TestRegistry::kView32), std::nullopt);
}

} // namespace
