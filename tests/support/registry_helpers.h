#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Direct registry access for tests, independent of the code under test: raw values as the
// registry holds them, key trees made and removed, and access denied with a deny ACE.
namespace TestRegistry {

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> bytes;
    bool operator==(const RawValue&) const = default;
};

RawValue Dword(std::int32_t value);
RawValue Sz(const std::wstring& text); // with its terminating NUL
RawValue Raw(DWORD type, std::vector<std::uint8_t> bytes);

// `view` is 0 for the view of this 32-bit process, or KEY_WOW64_64KEY / KEY_WOW64_32KEY.
std::optional<RawValue> Read(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view = 0);
void Write(HKEY root, const std::wstring& path, const std::wstring& name, const RawValue& value, REGSAM view = 0);
void Delete(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view = 0);
bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);
void DeleteTree(HKEY root, const std::wstring& path, REGSAM view = 0);

// Values of the registry that a test changes, as they were when it began; they are put back
// (or deleted, when they were missing) when the snapshot ends.
class Snapshot {
public:
    struct Place {
        HKEY root;
        std::wstring path, name;
    };
    explicit Snapshot(std::vector<Place> places);
    ~Snapshot();
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    const std::vector<Place>& Places() const { return places; }

private:
    std::vector<Place> places;
    std::vector<std::optional<RawValue>> saved;
};

// While it lives, nobody may set values in or create keys under the key (which must exist):
// a deny ACE for Everyone heads its DACL. The key's former security comes back afterwards.
// `denied` widens what is refused (KEY_ALL_ACCESS: the key can be neither read nor removed).
class DenyWrites {
public:
    DenyWrites(HKEY root, const std::wstring& path, REGSAM denied = KEY_SET_VALUE | KEY_CREATE_SUB_KEY);
    ~DenyWrites();
    DenyWrites(const DenyWrites&) = delete;
    DenyWrites& operator=(const DenyWrites&) = delete;

private:
    HKEY key = nullptr;
    std::vector<std::uint8_t> savedSecurity;
};

} // namespace TestRegistry
