#include "common/restart.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

// Whether "SeShutdownPrivilege" is switched on in this process's token.
bool ShutdownPrivilegeEnabled()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    PRIVILEGE_SET set{};
    set.PrivilegeCount = 1;
    set.Control = PRIVILEGE_SET_ALL_NECESSARY;
    LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &set.Privilege[0].Luid);
    BOOL enabled = FALSE;
    PrivilegeCheck(token, &set, &enabled);
    CloseHandle(token);
    return enabled != FALSE;
}

TEST(RestartTest, AsksForARestartThatLetsProgramsSaveTheirWork)
{
    struct Request {
        UINT flags;
        DWORD reason;
        bool privilegeOn;
    };
    for (const BOOL accepted : {TRUE, FALSE}) {
        std::vector<Request> requests;
        Restart::SetRestartRequest([&](UINT flags, DWORD reason) {
            requests.push_back({flags, reason, ShutdownPrivilegeEnabled()});
            return accepted;
        });
        Restart::RestartWindows();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].flags, UINT(EWX_REBOOT | EWX_FORCEIFHUNG));
        EXPECT_EQ(requests[0].flags & EWX_FORCE, 0u) << "never forces running programs to close";
        EXPECT_EQ(requests[0].reason, 0u);
        EXPECT_TRUE(requests[0].privilegeOn);
        EXPECT_FALSE(ShutdownPrivilegeEnabled()) << "switched off again, whether or not the restart was accepted";
    }
}

} // namespace
