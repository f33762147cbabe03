#pragma once

#include <windows.h>

// Which Windows edition the program runs on; the main window turns it into the edition it
// preselects.
namespace WindowsVersion {

// The editions told apart, each with its code; NotRecognised for any other system.
enum class DetectedVersion {
    NotRecognised = -1,
    Windows2000 = 0,
    WindowsXP = 1,
    WindowsServer2003 = 2,
    WindowsVista = 3,
    WindowsServer2008 = 4,
    Windows7 = 5,
    Windows8 = 6,
    WindowsServer2012 = 7,
    Windows10 = 8,
    Windows11 = 9,
};

// The edition of the running system. Windows reports 8.1 and later truthfully only to
// programs whose manifest declares them, as ours does.
DetectedVersion DetectWindowsVersion();

// The same, asking `query` (GetVersionExW in the program) for the version numbers.
using VersionQuery = BOOL(WINAPI*)(OSVERSIONINFOW*);
DetectedVersion DetectWindowsVersion(VersionQuery query);

// The edition of these version numbers; productType is 1 for a workstation, 2 for a domain
// controller, 3 for a server, and 0 when it could not be read.
DetectedVersion ClassifyWindowsVersion(DWORD major, DWORD minor, DWORD build, BYTE productType);

} // namespace WindowsVersion
