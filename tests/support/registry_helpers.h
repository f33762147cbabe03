#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/program_key.h"

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

// The registry views by name. 64-bit Windows and Wine take both flags from a program of
// either bitness, so a test names the view it means, as the 32-bit and the 64-bit builds of
// the tests must mean the same one.
inline constexpr REGSAM kView32 = KEY_WOW64_32KEY;
inline constexpr REGSAM kView64 = KEY_WOW64_64KEY;
// Where the programs keep their key: where the 32-bit setup program writes it.
inline constexpr REGSAM kProgramKeyView = kView32;
// Where 64-bit Windows reads its own values, the catalogue's rows among them.
inline constexpr REGSAM kWindowsView = kView64;

// `view` is 0 for this process's own view, or one of the views above.
std::optional<RawValue> Read(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view = 0);
void Write(HKEY root, const std::wstring& path, const std::wstring& name, const RawValue& value, REGSAM view = 0);
void Delete(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view = 0);
bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);
void DeleteTree(HKEY root, const std::wstring& path, REGSAM view = 0);

// The program key's values, in the view where the programs keep the key.
std::optional<RawValue> ReadProgramValue(const std::wstring& name);
void WriteProgramValue(const std::wstring& name, const RawValue& value);
void DeleteProgramValue(const std::wstring& name);

// Values of the registry that a test changes, as they were when it began; they are put back
// (or deleted, when they were missing) when the snapshot ends.
class Snapshot {
public:
    struct Place {
        HKEY root;
        std::wstring path, name;
        REGSAM view = 0;
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

// A value of the program key, for a snapshot.
inline Snapshot::Place ProgramPlace(const std::wstring& name)
{
    return {ProgramKey::kRoot, ProgramKey::kPath, name, kProgramKeyView};
}

// While it lives, nobody may set values in or create keys under the key (which must exist):
// a deny ACE for Everyone heads its DACL. The key's former security comes back afterwards.
// `denied` widens what is refused (KEY_ALL_ACCESS: the key can be neither read nor removed).
class DenyWrites {
public:
    DenyWrites(HKEY root, const std::wstring& path, REGSAM denied = KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
               REGSAM view = 0);
    ~DenyWrites();
    DenyWrites(const DenyWrites&) = delete;
    DenyWrites& operator=(const DenyWrites&) = delete;

private:
    HKEY key = nullptr;
    std::vector<std::uint8_t> savedSecurity;
};

} // namespace TestRegistry
