#include "common/windows_version.h"

#include <cstring>

namespace WindowsVersion {

int DetectWindowsVersion()
{
    return DetectWindowsVersion(&GetVersionExW);
}

int DetectWindowsVersion(VersionQuery query)
{
    // The extended structure first; a system that knows only the basic one gets that, and
    // the product type then reads 0.
    OSVERSIONINFOEXW info;
    std::memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    if (!query(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
        std::memset(&info, 0, sizeof(OSVERSIONINFOW));
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        query(reinterpret_cast<OSVERSIONINFOW*>(&info));
    }
    return ClassifyWindowsVersion(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.wProductType);
}

int ClassifyWindowsVersion(DWORD major, DWORD minor, DWORD build, BYTE productType)
{
    constexpr BYTE kWorkstation = 1; // 2 (domain controller) and above are servers
    constexpr DWORD kFirstWindows11Build = 22000;

    switch (major) {
    case 5:
        if (minor == 0)
            return kWindows2000;
        if (minor == 1)
            return kWindowsXP;
        if (minor == 2 && productType != 0)
            return productType == kWorkstation ? kWindowsXP : kWindowsServer2003; // XP x64 is 5.2
        return kNotRecognised;
    case 6: {
        if (minor > 3 || productType == 0)
            return kNotRecognised;
        // 6.0 Vista / 2008, 6.1 7 / 2008 R2, 6.2 8 / 2012, 6.3 8.1 / 2012 R2.
        constexpr int kWorkstations[] = {kWindowsVista, kWindows7, kWindows8, kWindows8};
        constexpr int kServers[] = {kWindowsServer2008, kWindowsServer2008, kWindowsServer2012, kWindowsServer2012};
        return productType == kWorkstation ? kWorkstations[minor] : kServers[minor];
    }
    case 10:
        // Windows 11 and the server editions of version 10 are told apart by build alone.
        return build >= kFirstWindows11Build ? kWindows11 : kWindows10;
    default:
        return kNotRecognised;
    }
}

} // namespace WindowsVersion
