#include "common/restart.h"

namespace Restart {
namespace {

BOOL RealRequest(UINT flags, DWORD reason) { return ExitWindowsEx(flags, reason); }

RestartRequest& CurrentRequest()
{
    static RestartRequest request = RealRequest;
    return request;
}

} // namespace

void EnableShutdownPrivilege(bool enable)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    if (LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
        privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    }
    CloseHandle(token);
}

void RestartWindows()
{
    EnableShutdownPrivilege(true);
    CurrentRequest()(EWX_REBOOT | EWX_FORCEIFHUNG, 0);
    EnableShutdownPrivilege(false);
}

void SetRestartRequest(RestartRequest request)
{
    CurrentRequest() = request ? std::move(request) : RestartRequest(RealRequest);
}

} // namespace Restart
