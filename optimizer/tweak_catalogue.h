#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "optimizer/edition.h"

// The fixed list of Windows registry values that Optimize writes and Restore undoes. It is
// data: every row says where its value lives, what Optimize writes there and when, and how
// Restore takes it back.
namespace TweakCatalogue {

enum class ValueType { Dword, Text, Binary };

// What ConvertWindowsVersion makes of an edition; the catalogue's conditions test it. Each
// group but None stands for the one edition of its name; None for Windows Server 2000 and
// for anything outside the edition list.
enum class VersionGroup {
    None = -1,
    WindowsServer2003 = 0,
    WindowsVista = 1,
    WindowsServer2008 = 2,
    Windows7 = 3,
    WindowsServer2012 = 4,
    Windows8 = 5,
    Windows10 = 6,
    WindowsXP = 7,
    Windows11 = 8,
};

// Which editions' runs write a row.
enum class Condition {
    Always,
    NotServer2003,      // every edition but Windows Server 2003 (Server 2000 too)
    XpAndServers,       // Windows XP and Windows Server 2003, 2008 and 2012
    DesktopsSinceVista, // Windows Vista, 7, 8, 10 and 11
};

// One value's data; only the member of the row's type is used.
struct Data {
    std::int32_t number = 0;
    std::wstring_view text;
    std::span<const std::uint8_t> bytes;
};

struct Tweak {
    HKEY root;
    std::wstring_view keyPath;
    std::wstring_view valueName;
    ValueType type;
    Data written;
    Condition condition;
    // Rows with a backup are saved in the program key, under the same name and type, before
    // the first Optimize, read with this default; Restore writes the saved copy back. Every
    // other row Restore deletes, under the condition it was written under, so that Windows
    // falls back to its own default.
    std::optional<Data> backupDefault;
};

inline constexpr size_t kTweakCount = 33;
extern const std::array<Tweak, kTweakCount> kTweaks;

VersionGroup ConvertWindowsVersion(Edition WinVer);

bool Meets(Condition condition, VersionGroup versionGroup);

} // namespace TweakCatalogue
