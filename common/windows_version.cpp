#include "common/windows_version.h"

#include <cstring>

namespace WindowsVersion {

DetectedVersion DetectWindowsVersion()
{
    return DetectWindowsVersion(&GetVersionExW);
}

DetectedVersion DetectWindowsVersion(VersionQuery query)
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

DetectedVersion ClassifyWindowsVersion(DWORD major, DWORD minor, DWORD build, BYTE productType)
{
    using enum DetectedVersion;
    constexpr BYTE kWorkstation = 1; // 2 (domain controller) and above are servers
    constexpr DWORD kFirstWindows11Build = 22000;

    switch (major) {
    case 5:
        if (minor == 0)
            return Windows2000;
        if (minor == 1)
            return WindowsXP;
        if (minor == 2 && productType != 0)
            return productType == kWorkstation ? WindowsXP : WindowsServer2003; // XP x64 is 5.2
        return NotRecognised;
    case 6: {
        if (minor > 3 || productType == 0)
            return NotRecognised;
        // 6.0 Vista / 2008, 6.1 7 / 2008 R2, 6.2 8 / 2012, 6.3 8.1 / 2012 R2.
        constexpr DetectedVersion kWorkstations[] = {WindowsVista, Windows7, Windows8, Windows8};
        constexpr DetectedVersion kServers[] = {WindowsServer2008, WindowsServer2008, WindowsServer2012,
                                                WindowsServer2012};
        return productType == kWorkstation ? kWorkstations[minor] : kServers[minor];
    }
    case 10:
        // Windows 11 and the server editions of version 10 are told apart by build alone.
        return build >= kFirstWindows11Build ? Windows11 : Windows10;
    default:
        return NotRecognised;
    }
}

} // namespace WindowsVersion
