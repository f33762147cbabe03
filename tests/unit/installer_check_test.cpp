// The checks a downloaded installer must pass, on the four test installers the build signs.
#include "updater/installer_check.h"

#include <gtest/gtest.h>

#include <string>

#include "common/scoped_handle.h"
#include "tests/support/programs.h"

namespace {

// A fresh folder of the test's own under the temporary folder.
std::wstring ScratchFolder(const wchar_t* name)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + name + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::uint64_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

class InstallerCheckTest : public ::testing::Test {
protected:
    // A downloaded copy of a test installer, and what its transfer reported.
    std::wstring Download(const wchar_t* installer)
    {
        // A folder for each test: the tests of this file may run at the same time, and a
        // checked file stays open while its handle is held.
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        const std::wstring folder = ScratchFolder(L"marlowick-check") + std::wstring(test.begin(), test.end());
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring path = folder + L"\\update1Marlowick.exe";
        EXPECT_TRUE(CopyFileW(TestPrograms::BesideThisProgram(installer).c_str(), path.c_str(), FALSE));
        transfer = {};
        transfer.status = 200;
        transfer.received = FileSize(path);
        transfer.length = transfer.received;
        transfer.ended = true;
        return path;
    }
    Http::Result transfer;
    const std::wstring pin = MARLOWICK_PUBLISHER_SHA256;
};

TEST_F(InstallerCheckTest, OnlyAWholeInstallerSignedByThePublisherPasses)
{
    ASSERT_EQ(pin.size(), 64u) << "test builds pin the test publisher";
    struct Case {
        const wchar_t* installer;
        bool passes;
    } cases[] = {
        {L"test_installer_signed.exe", true},
        {L"test_installer_unsigned.exe", false},
        {L"test_installer_tampered.exe", false},
        {L"test_installer_other.exe", false},
    };
    for (const Case& c : cases) {
        const std::wstring path = Download(c.installer);
        EXPECT_EQ(bool(InstallerCheck::OpenVerified(path, transfer, pin)), c.passes) << c.installer;
    }
}

TEST_F(InstallerCheckTest, AnIncompleteTransferOrAMissingPinFailsASignedInstaller)
{
    const std::wstring path = Download(L"test_installer_signed.exe");
    EXPECT_FALSE(InstallerCheck::OpenVerified(path, transfer, L"")) << "no pin: nothing runs";
    EXPECT_FALSE(InstallerCheck::OpenVerified(path, transfer, std::wstring(64, L'0')));
    std::wstring upper = pin;
    for (wchar_t& c : upper)
        c = wchar_t(towupper(c));
    EXPECT_TRUE(InstallerCheck::OpenVerified(path, transfer, upper)) << "hex in either case";

    Http::Result cut = transfer;
    cut.length = transfer.received + 1;
    EXPECT_FALSE(InstallerCheck::OpenVerified(path, cut, pin)) << "fewer bytes than announced";
    Http::Result broken = transfer;
    broken.ended = false;
    EXPECT_FALSE(InstallerCheck::OpenVerified(path, broken, pin)) << "the transfer failed";
    Http::Result notFound = transfer;
    notFound.status = 404;
    EXPECT_FALSE(InstallerCheck::OpenVerified(path, notFound, pin));
    Http::Result other = transfer;
    other.received -= 1;
    other.length = other.received;
    EXPECT_FALSE(InstallerCheck::OpenVerified(path, other, pin)) << "the file is not what arrived";
}

TEST_F(InstallerCheckTest, NobodyCanChangeTheCheckedFileWhileItIsHeld)
{
    const std::wstring path = Download(L"test_installer_signed.exe");
    ScopedHandle held = InstallerCheck::OpenVerified(path, transfer, pin);
    ASSERT_TRUE(held);
    const ScopedHandle writer(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(writer);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(DeleteFileW(path.c_str()));
    held.Close();
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

} // namespace
