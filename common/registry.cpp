#include "common/registry.h"

#include <limits>
#include <optional>
#include <vector>

namespace CustomRegistry {
namespace {

#ifndef _WIN64
bool RunsUnderWow64()
{
    static const bool wow64 = [] {
        BOOL result = FALSE;
        return IsWow64Process(GetCurrentProcess(), &result) && result;
    }();
    return wow64;
}
#endif

REGSAM Access(REGSAM access, View view) { return access | ViewFlag(view); }

// The registry takes paths relative to the root key; a leading backslash only says so.
// The rest, trailing backslash included, goes to the registry unchanged.
const wchar_t* SubKey(const std::wstring& keyPath)
{
    const wchar_t* path = keyPath.c_str();
    return *path == L'\\' ? path + 1 : path;
}

// One open key, closed on every path out of the call that opened it.
class OpenKey {
public:
    OpenKey() = default;
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey()
    {
        if (handle)
            RegCloseKey(handle);
    }
    HKEY handle = nullptr;
};

// The path without its leading and trailing backslashes, split at its last backslash into
// the parent's path and the key's own name.
std::pair<std::wstring, std::wstring> SplitParent(const std::wstring& keyPath)
{
    std::wstring path = SubKey(keyPath);
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    const size_t split = path.rfind(L'\\');
    if (split == std::wstring::npos)
        return {L"", path};
    return {path.substr(0, split), path.substr(split + 1)};
}

// Reads and the delete never create a key.
LSTATUS OpenExisting(OpenKey& key, HKEY root, const std::wstring& keyPath, REGSAM access)
{
    return RegOpenKeyExW(root, SubKey(keyPath), 0, access, &key.handle);
}

// Writes create every missing key along the path.
bool OpenOrCreate(OpenKey& key, HKEY root, const std::wstring& keyPath, View view)
{
    return RegCreateKeyExW(root, SubKey(keyPath), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           Access(KEY_WRITE, view), nullptr, &key.handle, nullptr) == ERROR_SUCCESS;
}

bool SetValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, DWORD type,
              const void* data, size_t size, View view)
{
    if (size > std::numeric_limits<DWORD>::max())
        return false;
    OpenKey key;
    if (!OpenOrCreate(key, root, keyPath, view))
        return false;
    return RegSetValueExW(key.handle, name.c_str(), 0, type, static_cast<const BYTE*>(data),
                          static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

// A number is only ever a REG_DWORD of exactly four bytes; at most four bytes are read, so
// longer data fails with ERROR_MORE_DATA. Texts are not converted.
std::optional<std::int32_t> ReadDword(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                                      View view)
{
    OpenKey key;
    if (OpenExisting(key, root, keyPath, Access(KEY_READ, view)) != ERROR_SUCCESS)
        return std::nullopt;
    std::int32_t value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExW(key.handle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return std::nullopt;
    return value;
}

} // namespace

REGSAM ViewFlag(View view)
{
#ifdef _WIN64
    return view == View::Bits32 ? KEY_WOW64_32KEY : 0;
#else
    return view == View::Bits64 && RunsUnderWow64() ? KEY_WOW64_64KEY : 0;
#endif
}

View WindowsView()
{
#ifdef _WIN64
    return View::Bits64;
#else
    return RunsUnderWow64() ? View::Bits64 : View::Bits32;
#endif
}

std::wstring ReadRegString(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                           const std::wstring& defaultValue, View view)
{
    OpenKey key;
    if (OpenExisting(key, root, keyPath, Access(KEY_READ, view)) != ERROR_SUCCESS)
        return defaultValue;

    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.handle, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0)
        return defaultValue;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return defaultValue;

    // The value may grow between asking its size and reading it; read until it fits. One
    // character more than asked for keeps a text stored without its NUL terminated.
    std::vector<wchar_t> buffer;
    LSTATUS status;
    do {
        buffer.assign(size / sizeof(wchar_t) + 2, L'\0');
        size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
        status = RegQueryValueExW(key.handle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                                  &size);
    } while (status == ERROR_MORE_DATA);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return defaultValue;

    // Expandable texts are returned as stored; the text ends at its first NUL.
    std::wstring text(buffer.data());
    return text.empty() ? defaultValue : text;
}

std::int32_t ReadRegInteger(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                            std::int32_t defaultValue, View view)
{
    return ReadDword(root, keyPath, name, view).value_or(defaultValue);
}

bool ReadRegBool(HKEY root, const std::wstring& keyPath, const std::wstring& name, bool defaultValue,
                 View view)
{
    const auto value = ReadDword(root, keyPath, name, view);
    return value ? *value != 0 : defaultValue;
}

bool WriteRegString(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                    const std::wstring& value, View view)
{
    return SetValue(root, keyPath, name, REG_SZ, value.c_str(), (value.size() + 1) * sizeof(wchar_t), view);
}

bool WriteRegInteger(HKEY root, const std::wstring& keyPath, const std::wstring& name, std::int32_t value,
                     View view)
{
    return SetValue(root, keyPath, name, REG_DWORD, &value, sizeof(value), view);
}

bool WriteRegBool(HKEY root, const std::wstring& keyPath, const std::wstring& name, bool value,
                  View view)
{
    return WriteRegInteger(root, keyPath, name, value ? 1 : 0, view);
}

bool WriteRegBinary(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                    std::span<const std::uint8_t> value, View view)
{
    return SetValue(root, keyPath, name, REG_BINARY, value.data(), value.size(), view);
}

bool DeleteRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, View view)
{
    OpenKey key;
    const LSTATUS opened = OpenExisting(key, root, keyPath, Access(KEY_ALL_ACCESS, view));
    if (opened == ERROR_FILE_NOT_FOUND)
        return true;
    if (opened != ERROR_SUCCESS)
        return false;
    const LSTATUS deleted = RegDeleteValueW(key.handle, name.c_str());
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

std::optional<RegValue> ReadRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, View view)
{
    OpenKey key;
    if (OpenExisting(key, root, keyPath, Access(KEY_QUERY_VALUE, view)) != ERROR_SUCCESS)
        return std::nullopt;
    RegValue value;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key.handle, name.c_str(), nullptr, &value.type, nullptr, &size);
    // The value may grow between asking its size and reading it; read until it fits.
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        value.data.resize(size);
        status = RegQueryValueExW(key.handle, name.c_str(), nullptr, &value.type, value.data.data(), &size);
        if (status == ERROR_SUCCESS) {
            value.data.resize(size);
            return value;
        }
    }
    return std::nullopt;
}

bool WriteRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, const RegValue& value,
                   View view)
{
    return SetValue(root, keyPath, name, value.type, value.data.data(), value.data.size(), view);
}

int MissingKeyCount(HKEY root, const std::wstring& keyPath, View view)
{
    int missing = 0;
    for (std::wstring path = keyPath;; ++missing) {
        auto [parent, leaf] = SplitParent(path);
        if (leaf.empty())
            return missing; // the root key itself
        OpenKey key;
        if (OpenExisting(key, root, path, Access(KEY_QUERY_VALUE, view)) != ERROR_FILE_NOT_FOUND)
            return missing;
        path = parent;
    }
}

bool DeleteEmptyRegKey(HKEY root, const std::wstring& keyPath, View view)
{
    {
        OpenKey key;
        const LSTATUS opened = OpenExisting(key, root, keyPath, Access(KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, view));
        if (opened == ERROR_FILE_NOT_FOUND)
            return true;
        if (opened != ERROR_SUCCESS)
            return false;
        DWORD subKeys = 0, values = 0;
        if (RegQueryInfoKeyW(key.handle, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        if (subKeys != 0 || values != 0)
            return true;
    }
    const auto [parentPath, leaf] = SplitParent(keyPath);
    OpenKey parent;
    if (OpenExisting(parent, root, parentPath, Access(KEY_ENUMERATE_SUB_KEYS, view)) != ERROR_SUCCESS)
        return false;
    const LSTATUS deleted = RegDeleteKeyExW(parent.handle, leaf.c_str(), Access(0, view), 0);
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

bool CanWriteKey(HKEY root, const std::wstring& keyPath, View view)
{
    OpenKey key;
    return OpenOrCreate(key, root, keyPath, view);
}

bool DeleteRegKeyTree(HKEY root, const std::wstring& keyPath, View view)
{
    const auto [parentPath, leaf] = SplitParent(keyPath);
    OpenKey parent;
    const LSTATUS opened = OpenExisting(parent, root, parentPath, Access(KEY_ALL_ACCESS, view));
    if (opened == ERROR_FILE_NOT_FOUND)
        return true;
    if (opened != ERROR_SUCCESS)
        return false;
    const LSTATUS deleted = RegDeleteTreeW(parent.handle, leaf.c_str());
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

} // namespace CustomRegistry
