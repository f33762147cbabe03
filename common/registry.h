#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The programs' only road to the registry. Every call opens its key, does one thing and
// closes the key again; nothing is cached. A read that cannot be done returns the caller's
// default; a write or delete that cannot be done changes nothing and returns false.
//
// Key paths are written "\Software\KORVEL\Marlowick\": the leading backslash (optional)
// makes the path absolute from the root key. The last argument names the registry view.
namespace CustomRegistry {

// 64-bit Windows keeps two copies of most keys below HKLM\Software: the 64-bit view, which
// Windows itself and its 64-bit programs read, and the 32-bit view (Software\Wow6432Node,
// seen from the other one), which a 32-bit program gets unless it asks for the other.
// HKLM\System, HKEY_CURRENT_USER outside its Classes and the keys Microsoft lists as shared
// (...\CurrentVersion\Policies, say) are one key in both. 32-bit Windows has one view only,
// and there every call works in it, whichever view it names.
//
// Which caller works in which view, and why:
// - The program key and everything kept in it (ProgramKey::kView): the 32-bit view, where the
//   32-bit setup program writes it and its uninstaller reads it, whatever program opens it.
// - Windows' own values, the catalogue's rows and the keys Optimize creates for them, and the
//   processor's name: WindowsView(), the view Windows reads them from. A 32-bit program that
//   wrote them in its own view would change a copy that 64-bit Windows never looks at.
// - What an Optimize recorded of a row: the view the record says it was taken in; records of
//   earlier releases are of the 32-bit view, as those releases wrote every value there.
//
// Only here does a view become an access flag: a 32-bit program passes KEY_WOW64_64KEY only
// when it runs under WOW64, so that no 32-bit or older Windows ever sees the flag, and a
// 64-bit build passes KEY_WOW64_32KEY for the 32-bit view.
enum class View { Bits32, Bits64 };

// The 64-bit view on 64-bit Windows, the only one on 32-bit Windows; decided once.
View WindowsView();

// The access flag that reaches the view from this process: 0, KEY_WOW64_64KEY or
// KEY_WOW64_32KEY.
REGSAM ViewFlag(View view);

std::wstring ReadRegString(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                           const std::wstring& defaultValue, View view);
std::int32_t ReadRegInteger(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                            std::int32_t defaultValue, View view);
bool ReadRegBool(HKEY root, const std::wstring& keyPath, const std::wstring& name, bool defaultValue,
                 View view);

bool WriteRegString(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                    const std::wstring& value, View view);
bool WriteRegInteger(HKEY root, const std::wstring& keyPath, const std::wstring& name, std::int32_t value,
                     View view);
bool WriteRegBool(HKEY root, const std::wstring& keyPath, const std::wstring& name, bool value,
                  View view);
bool WriteRegBinary(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                    std::span<const std::uint8_t> value, View view);

// A missing value or key counts as deleted: the call creates nothing and returns true.
bool DeleteRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, View view);

// A value exactly as the registry holds it: any type, its data byte for byte. Optimize keeps
// the user's own values this way so that Restore can give each back unchanged.
struct RegValue {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;
    bool operator==(const RegValue&) const = default;
};

// Nothing when the value (or its key) does not exist or cannot be read.
std::optional<RegValue> ReadRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, View view);
bool WriteRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, const RegValue& value,
                   View view);

// How many keys at the end of the path do not exist: 0 when the key itself exists, 2 when
// its parent is missing too. A key that exists but may not be opened counts as existing.
int MissingKeyCount(HKEY root, const std::wstring& keyPath, View view);

// Removes the key when it holds neither values nor subkeys. True when it is gone, was never
// there, or still holds something (somebody's own, which stays); false when it was refused.
bool DeleteEmptyRegKey(HKEY root, const std::wstring& keyPath, View view);

// Whether this process may set values in the key, which is created when missing.
bool CanWriteKey(HKEY root, const std::wstring& keyPath, View view);

// Removes the key with everything below it; a missing key counts as removed.
bool DeleteRegKeyTree(HKEY root, const std::wstring& keyPath, View view);

} // namespace CustomRegistry
