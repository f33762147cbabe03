#include <windows.h>

#include "common/windows_version.h"

// Exits with the Windows version code it detects, for tests that set the version Wine reports.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return int(WindowsVersion::DetectWindowsVersion());
}
