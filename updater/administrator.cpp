#include "updater/administrator.h"

#include <vector>

#include "common/scoped_handle.h"

namespace Administrator {
namespace {

ScopedHandle OpenOwnToken()
{
    HANDLE token = nullptr;
    if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token))
        return ScopedHandle(token);
    if (GetLastError() == ERROR_NO_TOKEN && OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return ScopedHandle(token);
    return ScopedHandle();
}

// The token's groups, in a buffer of the size the token needs: a user in many groups (common
// on a domain) has a list of many kilobytes.
std::vector<BYTE> ReadGroups(HANDLE token, const TokenQuery& query)
{
    std::vector<BYTE> groups(1024);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD needed = 0;
        if (query(token, TokenGroups, groups.data(), DWORD(groups.size()), &needed))
            return groups;
        // The list may grow between the two calls; the next round asks again.
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= groups.size())
            return {};
        groups.resize(needed);
    }
    return {};
}

} // namespace

bool IsAdministrator()
{
    return IsAdministratorWith(GetTokenInformation);
}

bool IsAdministratorWith(const TokenQuery& query)
{
    try {
        const ScopedHandle token = OpenOwnToken();
        if (!token)
            return false;
        const std::vector<BYTE> buffer = ReadGroups(token.Get(), query);
        if (buffer.size() < sizeof(TOKEN_GROUPS))
            return false;
        SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
        PSID administrators = nullptr;
        if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                      0, 0, &administrators))
            return false;
        const auto& groups = *reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
        bool member = false;
        for (DWORD i = 0; i < groups.GroupCount && !member; ++i)
            member = EqualSid(groups.Groups[i].Sid, administrators);
        FreeSid(administrators);
        return member;
    } catch (...) {
        return false;
    }
}

} // namespace Administrator
