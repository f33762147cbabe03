#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/scoped_handle.h"
#include "tests/support/programs.h"
#include "updater/administrator.h"
#include "updater/installer_check.h"
#include "updater/installer_files.h"

#ifndef MARLOWICK_PUBLISHER_SHA256
#define MARLOWICK_PUBLISHER_SHA256 L""
#endif

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

void MakeFile(const std::wstring& path)
{
    ScopedHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::uint64_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

TEST(InstallerFilesTest, TheNameIsThePlainSumOfTheMomentsParts)
{
    struct Case {
        SYSTEMTIME moment;
        const wchar_t* name;
    } cases[] = {
        {{2024, 12, 1, 9, 14, 30, 15, 500}, L"update2604Marlowick.exe"},
        {{2024, 1, 0, 1, 0, 0, 0, 0}, L"update2026Marlowick.exe"},
        {{2099, 12, 4, 31, 23, 59, 59, 999}, L"update3282Marlowick.exe"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InstallerFiles::InstallerPath(L"C:\\t\\", c.moment, c.moment), std::wstring(L"C:\\t\\") + c.name);
}

TEST(InstallerFilesTest, DeleteOldUpdatesRemovesEveryFileNamedUpdateAndNothingElse)
{
    const std::wstring folder = ScratchFolder(L"marlowick-old-updates");
    InstallerFiles::DeleteOldUpdates(folder); // nothing there yet: nothing happens
    for (const wchar_t* name : {L"update2604Marlowick.exe", L"updates.txt", L"UPDATE.LOG", L"keep.txt", L"myupdate.exe"})
        MakeFile(folder + name);
    SetFileAttributesW((folder + L"UPDATE.LOG").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryW((folder + L"updatefolder").c_str(), nullptr);
    MakeFile(folder + L"update1Marlowick.exe");
    const ScopedHandle inUse(CreateFileW((folder + L"update1Marlowick.exe").c_str(), GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(inUse);

    InstallerFiles::DeleteOldUpdates(folder);
    EXPECT_FALSE(Exists(folder + L"update2604Marlowick.exe"));
    EXPECT_FALSE(Exists(folder + L"updates.txt"));
    EXPECT_FALSE(Exists(folder + L"UPDATE.LOG")) << "hidden and system files too, in any letter case";
    EXPECT_TRUE(Exists(folder + L"update1Marlowick.exe")) << "a file in use stays";
    EXPECT_TRUE(Exists(folder + L"updatefolder")) << "a folder is not a file";
    EXPECT_TRUE(Exists(folder + L"keep.txt"));
    EXPECT_TRUE(Exists(folder + L"myupdate.exe"));
}

// Stands in for GetTokenInformation: a token holding `count` groups, the Administrators
// group last when `administrator`. With `grows`, 50 more groups join after the first call,
// as when the user is added to groups meanwhile.
struct TokenStandIn {
    DWORD count;
    bool administrator;
    bool grows = false;
    DWORD attributes = SE_GROUP_ENABLED;
    int calls = 0;

    BOOL operator()(HANDLE, TOKEN_INFORMATION_CLASS what, void* buffer, DWORD size, DWORD* needed)
    {
        ++calls;
        if (what != TokenGroups) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const DWORD groups = count + (grows && calls > 1 ? 50 : 0);
        const DWORD sidSize = GetSidLengthRequired(5);
        *needed = DWORD(sizeof(TOKEN_GROUPS) + groups * (sizeof(SID_AND_ATTRIBUTES) + sidSize));
        if (size < *needed) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        auto* list = static_cast<TOKEN_GROUPS*>(buffer);
        list->GroupCount = groups;
        BYTE* sids = reinterpret_cast<BYTE*>(&list->Groups[groups]);
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        for (DWORD i = 0; i < groups; ++i) {
            const PSID sid = sids + i * sidSize;
            if (administrator && i == groups - 1) {
                InitializeSid(sid, &nt, 2);
                *GetSidSubAuthority(sid, 0) = SECURITY_BUILTIN_DOMAIN_RID;
                *GetSidSubAuthority(sid, 1) = DOMAIN_ALIAS_RID_ADMINS;
            } else {
                InitializeSid(sid, &nt, 5); // a domain's group
                *GetSidSubAuthority(sid, 0) = SECURITY_NT_NON_UNIQUE;
                for (int part = 1; part < 5; ++part)
                    *GetSidSubAuthority(sid, part) = 1000 + i * 7 + DWORD(part);
            }
            list->Groups[i] = {sid, attributes};
        }
        return TRUE;
    }
};

TEST(AdministratorTest, ReadsTheGroupsOfAnyTokenWhateverTheirNumber)
{
    EXPECT_TRUE(Administrator::IsAdministrator()) << "Wine's user is an administrator";
    struct Case {
        TokenStandIn token;
        bool expected;
        const char* what;
    } cases[] = {
        {{3, true}, true, "a short list"},
        {{800, true}, true, "a domain user's long list, far beyond 1024 bytes"},
        {{800, false}, false, "a long list without the group"},
        {{800, true, true}, true, "a list that grows between the calls"},
        {{20, true, false, SE_GROUP_USE_FOR_DENY_ONLY}, true, "held for deny purposes only (not elevated)"},
    };
    for (Case& c : cases) {
        EXPECT_EQ(Administrator::IsAdministratorWith(std::ref(c.token)), c.expected) << c.what;
    }
    EXPECT_FALSE(Administrator::IsAdministratorWith([](HANDLE, TOKEN_INFORMATION_CLASS, void*, DWORD, DWORD*) -> BOOL {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    })) << "a token that cannot be read";
}

class InstallerCheckTest : public ::testing::Test {
protected:
    // A downloaded copy of a test installer, and what its transfer reported.
    std::wstring Download(const wchar_t* installer)
    {
        const std::wstring path = ScratchFolder(L"marlowick-check") + L"update1Marlowick.exe";
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
