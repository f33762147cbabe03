#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

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

} // namespace CustomRegistry
