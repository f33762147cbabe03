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
// makes the path absolute from the root key. `view64` asks for the 64-bit registry view;
// the programs always pass false and so work in the view Windows gives a 32-bit process.
namespace CustomRegistry {

std::wstring ReadRegString(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                           const std::wstring& defaultValue, bool view64);
std::int32_t ReadRegInteger(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                            std::int32_t defaultValue, bool view64);
bool ReadRegBool(HKEY root, const std::wstring& keyPath, const std::wstring& name, bool defaultValue,
                 bool view64);

bool WriteRegString(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                    const std::wstring& value, bool view64);
bool WriteRegInteger(HKEY root, const std::wstring& keyPath, const std::wstring& name, std::int32_t value,
                     bool view64);
bool WriteRegBool(HKEY root, const std::wstring& keyPath, const std::wstring& name, bool value,
                  bool view64);
bool WriteRegBinary(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                    std::span<const std::uint8_t> value, bool view64);

// A missing value or key counts as deleted: the call creates nothing and returns true.
bool DeleteRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, bool view64);

// A value exactly as the registry holds it: any type, its data byte for byte. Optimize keeps
// the user's own values this way so that Restore can give each back unchanged.
struct RegValue {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;
    bool operator==(const RegValue&) const = default;
};

// Nothing when the value (or its key) does not exist or cannot be read.
std::optional<RegValue> ReadRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, bool view64);
bool WriteRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, const RegValue& value,
                   bool view64);

// How many keys at the end of the path do not exist: 0 when the key itself exists, 2 when
// its parent is missing too. A key that exists but may not be opened counts as existing.
int MissingKeyCount(HKEY root, const std::wstring& keyPath, bool view64);

// Removes the key when it holds neither values nor subkeys. True when it is gone, was never
// there, or still holds something (somebody's own, which stays); false when it was refused.
bool DeleteEmptyRegKey(HKEY root, const std::wstring& keyPath, bool view64);

// Removes the key with everything below it; a missing key counts as removed.
bool DeleteRegKeyTree(HKEY root, const std::wstring& keyPath, bool view64);

} // namespace CustomRegistry
