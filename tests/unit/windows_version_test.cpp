#include "common/windows_version.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/programs.h"
#include "tests/support/registry_helpers.h"

using namespace WindowsVersion;

namespace {

using enum DetectedVersion;

struct VersionCase {
    DWORD major, minor, build;
    BYTE productType;
    DetectedVersion expected;
};

constexpr BYTE kWorkstation = 1, kDomainController = 2, kServer = 3, kUnread = 0;

const VersionCase kVersionCases[] = {
    {5, 0, 2195, kWorkstation, Windows2000},
    {5, 0, 2195, kServer, Windows2000},
    {5, 1, 2600, kWorkstation, WindowsXP},
    {5, 1, 2600, kUnread, WindowsXP},
    {5, 2, 3790, kWorkstation, WindowsXP}, // XP Professional x64
    {5, 2, 3790, kDomainController, WindowsServer2003},
    {5, 2, 3790, kServer, WindowsServer2003},
    {5, 2, 3790, kUnread, NotRecognised},
    {5, 3, 0, kWorkstation, NotRecognised},
    {6, 0, 6002, kWorkstation, WindowsVista},
    {6, 0, 6002, kServer, WindowsServer2008},
    {6, 0, 6002, kUnread, NotRecognised}, // only the basic structure could be filled
    {6, 1, 7601, kWorkstation, Windows7},
    {6, 1, 7601, kServer, WindowsServer2008}, // 2008 R2
    {6, 2, 9200, kWorkstation, Windows8},
    {6, 2, 9200, kDomainController, WindowsServer2012},
    {6, 3, 9600, kWorkstation, Windows8}, // 8.1
    {6, 3, 9600, kServer, WindowsServer2012}, // 2012 R2
    {6, 3, 9600, kUnread, NotRecognised},
    {6, 4, 9841, kWorkstation, NotRecognised},
    {10, 0, 19045, kWorkstation, Windows10},
    {10, 0, 21999, kWorkstation, Windows10},
    {10, 0, 22000, kWorkstation, Windows11},
    {10, 0, 26100, kWorkstation, Windows11},
    {10, 0, 20348, kServer, Windows10}, // Server 2022: build decides, not product type
    {10, 0, 26100, kServer, Windows11},
    {10, 0, 22000, kUnread, Windows11},
    {4, 0, 1381, kWorkstation, NotRecognised},
    {0, 0, 0, kUnread, NotRecognised},
    {11, 0, 30000, kWorkstation, NotRecognised},
};

TEST(WindowsVersionTest, ClassifiesVersionNumbers)
{
    for (const VersionCase& c : kVersionCases) {
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor << "." << c.build << " type " << int(c.productType));
        EXPECT_EQ(ClassifyWindowsVersion(c.major, c.minor, c.build, c.productType), c.expected);
    }
}

// A stand-in for GetVersionExW that answers only the structure sizes it is told to, and
// records the calls it got.
struct FakeSystem {
    bool knowsExtended = true;
    bool knowsBasic = true;
    VersionCase version{};
    struct Call {
        DWORD size;
        bool cleared; // every byte after the size field was 0
    };
    std::vector<Call> calls;
};
FakeSystem fake;

BOOL WINAPI FakeGetVersionEx(OSVERSIONINFOW* info)
{
    const DWORD size = info->dwOSVersionInfoSize;
    const auto* bytes = reinterpret_cast<const unsigned char*>(info);
    bool cleared = true;
    for (DWORD i = sizeof(DWORD); i < size; ++i)
        cleared = cleared && bytes[i] == 0;
    fake.calls.push_back({size, cleared});

    const bool extended = size == sizeof(OSVERSIONINFOEXW);
    if (extended ? !fake.knowsExtended : !fake.knowsBasic)
        return FALSE;
    info->dwMajorVersion = fake.version.major;
    info->dwMinorVersion = fake.version.minor;
    info->dwBuildNumber = fake.version.build;
    if (extended)
        reinterpret_cast<OSVERSIONINFOEXW*>(info)->wProductType = fake.version.productType;
    return TRUE;
}

TEST(WindowsVersionTest, AsksForTheExtendedStructureAndFallsBackToTheBasicOne)
{
    struct Case {
        const char* what;
        bool knowsExtended, knowsBasic;
        VersionCase version;
        std::vector<DWORD> sizesAsked;
    };
    const Case cases[] = {
        {"extended answered", true, true, {10, 0, 22631, kWorkstation, Windows11}, {284}},
        {"extended answered, server", true, true, {6, 1, 7601, kServer, WindowsServer2008}, {284}},
        {"basic only: no product type", false, true, {6, 0, 6002, kWorkstation, NotRecognised}, {284, 276}},
        {"basic only, XP needs none", false, true, {5, 1, 2600, kWorkstation, WindowsXP}, {284, 276}},
        {"basic only, version 10", false, true, {10, 0, 19045, kWorkstation, Windows10}, {284, 276}},
        {"neither answered", false, false, {10, 0, 19045, kWorkstation, NotRecognised}, {284, 276}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fake = FakeSystem{c.knowsExtended, c.knowsBasic, c.version, {}};
        EXPECT_EQ(DetectWindowsVersion(&FakeGetVersionEx), c.version.expected);
        ASSERT_EQ(fake.calls.size(), c.sizesAsked.size());
        for (size_t i = 0; i < fake.calls.size(); ++i) {
            EXPECT_EQ(fake.calls[i].size, c.sizesAsked[i]);
            EXPECT_TRUE(fake.calls[i].cleared) << "call " << i << " got a structure that was not cleared";
        }
    }
}

// The real system call, under the Windows versions Wine can pretend to be. Wine takes the
// version for one program from its AppDefaults key when the program starts, so each case
// starts a small probe program that carries our manifest and exits with what it detected.
// Wine, like Windows, reports 8.1 and 10 only to programs that declare them: without the
// manifest these would read 6.2, Windows 8. (Wine 8.0 has no Windows 11, and swaps the
// product types of its Windows 7 and Server 2008 R2; those cases are covered above.)
TEST(WindowsVersionTest, DetectsTheRunningSystem)
{
    struct Case {
        const wchar_t* wineVersion;
        DetectedVersion expected;
    };
    const Case cases[] = {
        {L"win2k", Windows2000}, {L"winxp", WindowsXP},     {L"win2003", WindowsServer2003},
        {L"vista", WindowsVista}, {L"win2008", WindowsServer2008}, {L"win8", Windows8},
        {L"win81", Windows8},    {L"win10", Windows10},
    };

    const std::wstring appDefaults = L"\\Software\\Wine\\AppDefaults\\version_probe.exe\\";

    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "Wine version " << std::string(c.wineVersion, c.wineVersion + wcslen(c.wineVersion)));
        TestRegistry::Write(HKEY_CURRENT_USER, appDefaults, L"Version", TestRegistry::Sz(c.wineVersion));

        EXPECT_EQ(DetectedVersion(TestPrograms::Run(L"version_probe.exe")), c.expected);
    }
    TestRegistry::DeleteTree(HKEY_CURRENT_USER, appDefaults);
}

} // namespace
