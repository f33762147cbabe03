#pragma once

#include <windows.h>

#include <functional>

// Whether the user belongs to the built-in Administrators group.
namespace Administrator {

// Reads a piece of information of a token, as GetTokenInformation does.
using TokenQuery = std::function<BOOL(HANDLE token, TOKEN_INFORMATION_CLASS what, void* buffer, DWORD size, DWORD* needed)>;

// Whether the thread's token (the process's when the thread has none) holds the group. A
// group held for deny purposes only counts too: an administrator passes also while the
// program runs without elevation.
bool IsAdministrator();
// The same, with the token's groups read through `query`.
bool IsAdministratorWith(const TokenQuery& query);

} // namespace Administrator
