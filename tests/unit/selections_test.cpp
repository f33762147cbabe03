#include "optimizer/selections.h"

#include <gtest/gtest.h>

#include "common/windows_version.h"
#include "tests/support/registry_helpers.h"

using namespace Selections;

namespace {

TEST(SelectionsTest, PreselectsTheDetectedEdition)
{
    using WindowsVersion::DetectedVersion;
    const std::pair<DetectedVersion, Edition> cases[] = {
        {DetectedVersion::Windows2000, Edition::WindowsServer2000},
        {DetectedVersion::WindowsXP, Edition::WindowsXP},
        {DetectedVersion::WindowsServer2003, Edition::WindowsServer2003},
        {DetectedVersion::WindowsVista, Edition::WindowsVista},
        {DetectedVersion::WindowsServer2008, Edition::WindowsServer2008},
        {DetectedVersion::Windows7, Edition::Windows7},
        {DetectedVersion::Windows8, Edition::Windows8},
        {DetectedVersion::WindowsServer2012, Edition::WindowsServer2012},
        {DetectedVersion::Windows10, Edition::Windows10},
        {DetectedVersion::Windows11, Edition::Windows11},
        {DetectedVersion::NotRecognised, Edition::Windows11},
        {DetectedVersion(42), Edition::Windows11},
    };
    for (const auto& [detected, edition] : cases)
        EXPECT_EQ(EditionIndexFor(detected), edition) << "detected " << int(detected);
}

TEST(SelectionsTest, TellsTheProcessorMakerByName)
{
    const std::pair<const wchar_t*, int> cases[] = {
        {L"Intel(R) Core(TM) i7-9700K CPU @ 3.60GHz", 0},
        {L"AMD Ryzen 7 5800X 8-Core Processor", 1},
        {L"amd athlon", 1},
        {L"VIA Nano X2", 2},
        {L"Intel and AmD", 0},
        {L"ARMv8 (64-bit) Family 8", 0},
        {L"", 0},
    };
    for (const auto& [name, maker] : cases)
        EXPECT_EQ(ProcessorMakerFor(name), maker) << testing::PrintToString(std::wstring(name));
}

TEST(SelectionsTest, ReadsTheProcessorNameFromTheRegistry)
{
    const std::wstring key = L"\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0\\";
    const auto saved = TestRegistry::Read(HKEY_LOCAL_MACHINE, key, L"ProcessorNameString");
    TestRegistry::Write(HKEY_LOCAL_MACHINE, key, L"ProcessorNameString", TestRegistry::Sz(L"VIA Eden"));
    EXPECT_EQ(DetectProcessorMaker(), 2);
    if (saved)
        TestRegistry::Write(HKEY_LOCAL_MACHINE, key, L"ProcessorNameString", *saved);
    else
        TestRegistry::Delete(HKEY_LOCAL_MACHINE, key, L"ProcessorNameString");
}

TEST(SelectionsTest, ClampsTheStoredSpeedSetting)
{
    const std::pair<int, int> cases[] = {{0, 0}, {1, 1}, {5, 1}, {-3, 0}};
    for (const auto& [stored, position] : cases)
        EXPECT_EQ(ClampSpeedSetting(stored), position) << stored;
}

} // namespace
