// The two program files as built: their resources, and that each starts and finds its
// caption table.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/programs.h"
#include "updater/installer_check.h"

#include <cstdint>
#include <string>

namespace {

using TestPrograms::BesideThisProgram;

std::string Resource(HMODULE module, const wchar_t* name, const wchar_t* type)
{
    const HRSRC resource = FindResourceW(module, name, type);
    if (!resource)
        return {};
    return std::string(static_cast<const char*>(LockResource(LoadResource(module, resource))),
                       SizeofResource(module, resource));
}

class ProgramFileTest : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(ProgramFileTest, CarriesTheManifestAndTheCaptionTable)
{
    const HMODULE program = LoadLibraryExW(BesideThisProgram(GetParam()).c_str(), nullptr,
                                           LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(program, nullptr);

    const std::string manifest = Resource(program, MAKEINTRESOURCEW(1), RT_MANIFEST);
    for (const char* part : {
             R"(level="asInvoker")",
             R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
             "PerMonitorV2",
             "{e2011457-1546-43c5-a5fe-008deee3d3f0}", // Vista
             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", // 7
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", // 8
             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", // 8.1
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", // 10
         }) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }

    // The same table as this test program carries, found by the name in any case.
    const std::string table = Resource(program, L"english", RT_RCDATA);
    EXPECT_FALSE(table.empty());
    EXPECT_EQ(table, Resource(GetModuleHandleW(nullptr), L"ENGLISH", RT_RCDATA));
    FreeLibrary(program);
}

// What Windows shows in the file's properties.
TEST_P(ProgramFileTest, CarriesItsVersionForTheFilesProperties)
{
    const std::wstring path = BesideThisProgram(GetParam());
    DWORD ignored = 0;
    std::string info(GetFileVersionInfoSizeW(path.c_str(), &ignored), '\0');
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, DWORD(info.size()), info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwFileVersionMS, (2u << 16) | 10u);
    EXPECT_EQ(fixed->dwFileVersionLS, (21u << 16) | 2024u);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

    const auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT length = 0;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || !length)
            return std::wstring();
        return std::wstring(value);
    };
    EXPECT_EQ(text(L"ProductName"), L"Marlowick");
    EXPECT_EQ(text(L"CompanyName"), L"KORVEL");
    EXPECT_EQ(text(L"FileVersion"), L"2.10.21.2024");
    EXPECT_EQ(text(L"ProductVersion"), L"2.10.21.2024");
    EXPECT_EQ(text(L"OriginalFilename"), GetParam());
    EXPECT_NE(text(L"FileDescription").find(L"Marlowick"), std::wstring::npos);
}

// Signed builds sign both programs with the certificate the updater pins.
TEST_P(ProgramFileTest, IsSignedByThePublisherWhenTheBuildSigns)
{
#ifndef MARLOWICK_SIGNED_BUILD
    GTEST_SKIP() << "this build signs nothing";
#else
    const std::wstring path = BesideThisProgram(GetParam());
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(InstallerCheck::SignerCertificateSha256(file, path), MARLOWICK_PUBLISHER_SHA256);
    CloseHandle(file);
#endif
}

// Each shows its window until it is closed: Marlowick its main window; the updater, started
// as Marlowick starts it, ends at once and its copy shows the update window.
TEST_P(ProgramFileTest, StartsAndEndsCleanly)
{
    const bool updater = std::wstring(GetParam()) == L"MarlowickUpdate.exe";
    TestPrograms::Process program(GetParam());
    ASSERT_TRUE(program.Started());
    if (updater) {
        EXPECT_EQ(program.Wait(), 0);
    }
    const wchar_t* windowClass = updater ? L"TMKUpdateForm" : L"TMKMainForm";
    HWND window = nullptr;
    for (int i = 0; i < 300 && !(window && IsWindowVisible(window)); ++i) {
        Sleep(100);
        window = FindWindowW(windowClass, nullptr);
    }
    ASSERT_TRUE(window && IsWindowVisible(window)) << "no window on the screen";
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    const HANDLE shown = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(shown, 30000), WAIT_OBJECT_0) << "the window's program did not end";
    DWORD code = 1;
    GetExitCodeProcess(shown, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(shown);
    if (!updater) {
        EXPECT_EQ(program.Wait(), 0);
    }
}

// The click: PCM, one channel, 22050 samples a second, 16 bits, 2158 bytes (about 49 ms).
TEST(MarlowickFileTest, CarriesTheClickSound)
{
    const HMODULE program = LoadLibraryExW(BesideThisProgram(L"Marlowick.exe").c_str(), nullptr,
                                           LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(program, nullptr);
    const std::string wave = Resource(program, L"click", L"WAVE");
    FreeLibrary(program);
    ASSERT_GE(wave.size(), 44u);
    const auto word = [&](size_t at) { return unsigned(std::uint8_t(wave[at])) | unsigned(std::uint8_t(wave[at + 1])) << 8; };
    const auto dword = [&](size_t at) { return word(at) | word(at + 2) << 16; };
    EXPECT_EQ(wave.substr(0, 4), "RIFF");
    EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(word(20), 1u);      // PCM
    EXPECT_EQ(word(22), 1u);      // one channel
    EXPECT_EQ(dword(24), 22050u); // samples a second
    EXPECT_EQ(word(34), 16u);     // bits a sample
    const size_t data = wave.find("data");
    ASSERT_NE(data, std::string::npos);
    EXPECT_EQ(dword(data + 4), 2158u);
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramFileTest, ::testing::Values(L"Marlowick.exe", L"MarlowickUpdate.exe"),
                         [](const auto& param) {
                             const std::wstring name = param.param;
                             return std::string(name.begin(), name.begin() + long(name.find(L'.')));
                         });

} // namespace
