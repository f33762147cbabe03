#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/scoped_handle.h"
#include "updater/administrator.h"
#include "updater/installer_files.h"

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

} // namespace
