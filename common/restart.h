#pragma once

#include <windows.h>

#include <functional>

// Restarting Windows at the user's request, after Optimize, Restore or an update.
namespace Restart {

// Switches "SeShutdownPrivilege" of this process on or off; failures are ignored.
void EnableShutdownPrivilege(bool enable);

// Asks Windows to restart. Running programs are asked to close and may offer to save their
// work (only hung ones are forced), so no one's unsaved document is thrown away. Returns
// once Windows has taken the request, or quietly when it refused.
void RestartWindows();

// What RestartWindows asks of Windows: ExitWindowsEx by default (and after setting none). Tests put a recorder here,
// since a real request would end the whole Wine session.
using RestartRequest = std::function<BOOL(UINT flags, DWORD reason)>;
void SetRestartRequest(RestartRequest request);

} // namespace Restart
