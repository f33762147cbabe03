#include "optimizer/tweak_catalogue.h"

namespace TweakCatalogue {
namespace {

const HKEY kHklm = HKEY_LOCAL_MACHINE;
const HKEY kHkcu = HKEY_CURRENT_USER;

constexpr std::wstring_view kFileSystem = L"\\System\\CurrentControlSet\\Control\\FileSystem\\";
constexpr std::wstring_view kTcpip = L"\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\";
constexpr std::wstring_view kTcpipInterfaces = L"\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\";
constexpr std::wstring_view kNetbt = L"\\System\\CurrentControlSet\\Services\\Netbt\\Parameters\\";
constexpr std::wstring_view kWindowMetrics = L"\\Control Panel\\Desktop\\WindowMetrics\\";
constexpr std::wstring_view kMemoryManagement =
    L"\\System\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\";
constexpr std::wstring_view kPriorityControl = L"\\System\\CurrentControlSet\\Control\\PriorityControl\\";
constexpr std::wstring_view kCrashControl = L"\\System\\CurrentControlSet\\Control\\CrashControl\\";
constexpr std::wstring_view kDesktop = L"\\Control Panel\\Desktop\\";
constexpr std::wstring_view kInternetExplorerMain = L"\\Software\\Microsoft\\Internet Explorer\\Main\\";
constexpr std::wstring_view kAutoComplete = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoComplete\\";
constexpr std::wstring_view kExplorerPolicies = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\";
constexpr std::wstring_view kNtWindows = L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows\\";
constexpr std::wstring_view kMessenger = L"\\System\\CurrentControlSet\\Services\\Messenger\\";
constexpr std::wstring_view kExplorer = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
constexpr std::wstring_view kSessionManager = L"\\System\\CurrentControlSet\\Control\\Session Manager\\";
constexpr std::wstring_view kBootOptimize = L"\\Software\\Microsoft\\Dfrg\\BootOptimizeFunction\\";
constexpr std::wstring_view kP3 = L"\\System\\CurrentControlSet\\Services\\P3\\Parameters\\";

constexpr std::uint8_t kFourZeroBytes[4] = {0, 0, 0, 0};

constexpr Data Number(std::int32_t number)
{
    Data data;
    data.number = number;
    return data;
}
constexpr Data String(std::wstring_view text)
{
    Data data;
    data.text = text;
    return data;
}
constexpr Data Bytes(std::span<const std::uint8_t> bytes)
{
    Data data;
    data.bytes = bytes;
    return data;
}

using enum ValueType;
using enum Condition;
constexpr std::nullopt_t kNoBackup = std::nullopt;

} // namespace

// In the order Optimize writes them.
const std::array<Tweak, kTweakCount> kTweaks = {{
    // The value name's lower-case u is as Windows ships it; names match regardless of case.
    /*  1 */ {kHklm, kFileSystem, L"NtfsDisableLastAccessupdate", Dword, Number(1), Always, Number(1)},
    /*  2 */ {kHklm, kFileSystem, L"NtfsMftZoneReservation", Dword, Number(2), Always, Number(0)},
    /*  3 */ {kHklm, kTcpip, L"SynAttackProtect", Dword, Number(2), Always, kNoBackup},
    /*  4 */ {kHklm, kTcpip, L"TcpMaxHalfOpen", Dword, Number(100), Always, kNoBackup},
    /*  5 */ {kHklm, kTcpip, L"TcpMaxHalfOpenRetried", Dword, Number(50), Always, kNoBackup},
    /*  6 */ {kHklm, kTcpip, L"EnablePMTUDiscovery", Dword, Number(0), Always, kNoBackup},
    /*  7 */ {kHklm, kTcpip, L"EnableDeadGWDetect", Dword, Number(0), Always, kNoBackup},
    /*  8 */ {kHklm, kTcpip, L"KeepAliveTime", Dword, Number(300000), Always, kNoBackup},
    /*  9 */ {kHklm, kTcpip, L"EnableICMPRedirects", Dword, Number(0), Always, kNoBackup},
    /* 10 */ {kHklm, kNetbt, L"NoNameReleaseOnDemand", Dword, Number(1), Always, kNoBackup},
    // On the Interfaces key itself, not on the interfaces below it.
    /* 11 */ {kHklm, kTcpipInterfaces, L"PerformRouterDiscovery", Dword, Number(0), Always, kNoBackup},
    /* 12 */ {kHkcu, kWindowMetrics, L"MinAnimate", Text, String(L"1"), Always, String(L"1")},
    /* 13 */ {kHklm, kMemoryManagement, L"DisablePagingExecutive", Dword, Number(0), Always, Number(0)},
    /* 14 */ {kHklm, kMemoryManagement, L"LargeSystemCache", Dword, Number(0), Always, Number(0)},
    /* 15 */ {kHklm, kPriorityControl, L"Win32PrioritySeparation", Dword, Number(1), Always, Number(2)},
    /* 16 */ {kHklm, kCrashControl, L"AutoReboot", Dword, Number(1), Always, Number(1)},
    /* 17 */ {kHkcu, kDesktop, L"SmoothScroll", Binary, Bytes(kFourZeroBytes), Always, kNoBackup},
    /* 18 */ {kHkcu, kInternetExplorerMain, L"Use StyleSheets", Text, String(L"Yes"), Always, kNoBackup},
    /* 19 */ {kHkcu, kAutoComplete, L"Append Completion", Text, String(L"Yes"), Always, kNoBackup},
    /* 20 */ {kHklm, kFileSystem, L"ContigFileAllocSize", Dword, Number(1536), Always, kNoBackup},
    /* 21 */ {kHklm, kExplorerPolicies, L"LinkResolveIgnoreLinkInfo", Dword, Number(0), Always, kNoBackup},
    /* 22 */ {kHklm, kExplorerPolicies, L"NoResolveSearch", Dword, Number(1), Always, kNoBackup},
    /* 23 */ {kHklm, kMemoryManagement, L"IoPageLockLimit", Dword, Number(4096), Always, kNoBackup},
    /* 24 */ {kHklm, kCrashControl, L"SendAlert", Dword, Number(1), Always, kNoBackup},
    /* 25 */ {kHklm, kNtWindows, L"NoPopUpsOnBoot", Dword, Number(1), Always, kNoBackup},
    /* 26 */ {kHklm, kNtWindows, L"Error Mode", Dword, Number(1), Always, kNoBackup},
    /* 27 */ {kHklm, kMessenger, L"Start", Dword, Number(4), Always, kNoBackup},
    // Restore deletes the two thumbnail values under the condition they are written under,
    // like every other row: deleting them for the server group instead would leave them
    // behind where Optimize wrote them and remove the user's own where it did not.
    /* 28 */ {kHklm, kExplorer, L"ThumbnailSize", Dword, Number(96), NotServer2003, kNoBackup},
    /* 29 */ {kHklm, kExplorer, L"ThumbnailQuality", Dword, Number(80), NotServer2003, kNoBackup},
    /* 30 */ {kHklm, kSessionManager, L"EnablePrefetcher", Dword, Number(1), NotServer2003, kNoBackup},
    /* 31 */ {kHklm, kSessionManager, L"AutoChkTimeOut", Dword, Number(0), XpAndServers, kNoBackup},
    /* 32 */ {kHklm, kBootOptimize, L"Enable", Text, String(L"Y"), DesktopsSinceVista, kNoBackup},
    /* 33 */ {kHklm, kP3, L"HackFlags", Dword, Number(1), DesktopsSinceVista, kNoBackup},
}};

VersionGroup ConvertWindowsVersion(Edition WinVer)
{
    switch (WinVer) {
    case Edition::Windows11: return VersionGroup::Windows11;
    case Edition::Windows10: return VersionGroup::Windows10;
    case Edition::Windows8: return VersionGroup::Windows8;
    case Edition::Windows7: return VersionGroup::Windows7;
    case Edition::WindowsVista: return VersionGroup::WindowsVista;
    case Edition::WindowsXP: return VersionGroup::WindowsXP;
    case Edition::WindowsServer2012: return VersionGroup::WindowsServer2012;
    case Edition::WindowsServer2008: return VersionGroup::WindowsServer2008;
    case Edition::WindowsServer2003: return VersionGroup::WindowsServer2003;
    case Edition::WindowsServer2000: break; // no group of its own
    }
    return VersionGroup::None; // also for nothing selected (-1) and any value outside the list
}

bool Meets(Condition condition, VersionGroup versionGroup)
{
    using enum VersionGroup;
    switch (condition) {
    case Always:
        return true;
    case NotServer2003:
        return versionGroup != WindowsServer2003;
    case XpAndServers:
        return versionGroup == WindowsServer2003 || versionGroup == WindowsServer2008 ||
               versionGroup == WindowsServer2012 || versionGroup == WindowsXP;
    case DesktopsSinceVista:
        return versionGroup == WindowsVista || versionGroup == Windows7 || versionGroup == Windows8 ||
               versionGroup == Windows10 || versionGroup == Windows11;
    }
    return false;
}

} // namespace TweakCatalogue
