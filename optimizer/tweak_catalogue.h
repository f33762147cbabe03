#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// The fixed list of Windows registry values that Optimize writes and Restore undoes. It is
// data: every row says where its value lives, what Optimize writes there and when, and how
// Restore takes it back.
namespace TweakCatalogue {

enum class ValueType { Dword, Text, Binary };

// Which edition's rows are written, as a test of the version group.
enum class Condition {
    Always,
    NotGroup0,      // every edition but Windows Server 2003
    Groups0247,     // Windows Server 2003, 2008, 2012 and XP
    Groups1356Up8,  // Windows Vista, 7, 8, 10 and 11
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

// The version group of an edition index (the item index of the edition list, 0 Windows 11
// to 9 Windows Server 2000); -1 for Windows Server 2000 and for anything outside the list.
int ConvertWindowsVersion(int winVer);

bool Meets(Condition condition, int versionGroup);

} // namespace TweakCatalogue
