#pragma once

#include <windows.h>

// Which Windows edition the program runs on, as a small code; the main window turns it into
// the edition it preselects.
namespace WindowsVersion {

inline constexpr int kNotRecognised = -1;
inline constexpr int kWindows2000 = 0;
inline constexpr int kWindowsXP = 1;
inline constexpr int kWindowsServer2003 = 2;
inline constexpr int kWindowsVista = 3;
inline constexpr int kWindowsServer2008 = 4;
inline constexpr int kWindows7 = 5;
inline constexpr int kWindows8 = 6;
inline constexpr int kWindowsServer2012 = 7;
inline constexpr int kWindows10 = 8;
inline constexpr int kWindows11 = 9;

// The code for the running system. Windows reports 8.1 and later truthfully only to
// programs whose manifest declares them, as ours does.
int DetectWindowsVersion();

// The same, asking `query` (GetVersionExW in the program) for the version numbers.
using VersionQuery = BOOL(WINAPI*)(OSVERSIONINFOW*);
int DetectWindowsVersion(VersionQuery query);

// The code for these version numbers; productType is 1 for a workstation, 2 for a domain
// controller, 3 for a server, and 0 when it could not be read.
int ClassifyWindowsVersion(DWORD major, DWORD minor, DWORD build, BYTE productType);

} // namespace WindowsVersion
