#include "tests/support/registry_helpers.h"

#include <aclapi.h>

#include <cstring>
#include <stdexcept>

namespace TestRegistry {
namespace {

std::wstring Relative(const std::wstring& path) { return path.starts_with(L'\\') ? path.substr(1) : path; }

void Check(LSTATUS status, const char* what)
{
    if (status != ERROR_SUCCESS)
        throw std::runtime_error(std::string(what) + " failed with " + std::to_string(status));
}

} // namespace

RawValue Dword(std::int32_t value)
{
    RawValue raw{REG_DWORD, std::vector<std::uint8_t>(4)};
    std::memcpy(raw.bytes.data(), &value, 4);
    return raw;
}

RawValue Sz(const std::wstring& text)
{
    RawValue raw{REG_SZ, std::vector<std::uint8_t>((text.size() + 1) * 2)};
    std::memcpy(raw.bytes.data(), text.c_str(), raw.bytes.size());
    return raw;
}

RawValue Raw(DWORD type, std::vector<std::uint8_t> bytes) { return RawValue{type, std::move(bytes)}; }

std::optional<RawValue> Read(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExW(root, Relative(path).c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return std::nullopt;
    RawValue raw;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, name.c_str(), nullptr, &raw.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        raw.bytes.resize(size);
        status = RegQueryValueExW(key, name.c_str(), nullptr, &raw.type, raw.bytes.data(), &size);
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return std::nullopt;
    return raw;
}

void Write(HKEY root, const std::wstring& path, const std::wstring& name, const RawValue& value, REGSAM view)
{
    HKEY key;
    Check(RegCreateKeyExW(root, Relative(path).c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key, nullptr),
          "RegCreateKeyExW");
    const LSTATUS status =
        RegSetValueExW(key, name.c_str(), 0, value.type, value.bytes.data(), DWORD(value.bytes.size()));
    RegCloseKey(key);
    Check(status, "RegSetValueExW");
}

void Delete(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExW(root, Relative(path).c_str(), 0, KEY_SET_VALUE | view, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueW(key, name.c_str());
    RegCloseKey(key);
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExW(root, Relative(path).c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void DeleteTree(HKEY root, const std::wstring& path, REGSAM view)
{
    std::wstring relative = Relative(path);
    while (relative.ends_with(L'\\'))
        relative.pop_back();
    const size_t split = relative.rfind(L'\\');
    const std::wstring parentPath = split == std::wstring::npos ? L"" : relative.substr(0, split);
    const std::wstring leaf = split == std::wstring::npos ? relative : relative.substr(split + 1);
    HKEY parent;
    if (RegOpenKeyExW(root, parentPath.c_str(), 0, KEY_ALL_ACCESS | view, &parent) != ERROR_SUCCESS)
        return;
    RegDeleteTreeW(parent, leaf.c_str());
    RegCloseKey(parent);
}

std::optional<RawValue> ReadProgramValue(const std::wstring& name)
{
    return Read(ProgramKey::kRoot, ProgramKey::kPath, name, kProgramKeyView);
}

void WriteProgramValue(const std::wstring& name, const RawValue& value)
{
    Write(ProgramKey::kRoot, ProgramKey::kPath, name, value, kProgramKeyView);
}

void DeleteProgramValue(const std::wstring& name)
{
    Delete(ProgramKey::kRoot, ProgramKey::kPath, name, kProgramKeyView);
}

Snapshot::Snapshot(std::vector<Place> placesToKeep) : places(std::move(placesToKeep))
{
    for (const Place& place : places)
        saved.push_back(Read(place.root, place.path, place.name, place.view));
}

Snapshot::~Snapshot()
{
    for (size_t i = 0; i < places.size(); ++i) {
        if (saved[i])
            Write(places[i].root, places[i].path, places[i].name, *saved[i], places[i].view);
        else
            Delete(places[i].root, places[i].path, places[i].name, places[i].view);
    }
}

DenyWrites::DenyWrites(HKEY root, const std::wstring& path, REGSAM denied, REGSAM view)
{
    Check(RegOpenKeyExW(root, Relative(path).c_str(), 0, READ_CONTROL | WRITE_DAC | view, &key), "RegOpenKeyExW");

    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    savedSecurity.resize(size);
    Check(RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, savedSecurity.data(), &size), "RegGetKeySecurity");

    // Deny ACEs come first, so they win over any allow ACE that follows.
    EXPLICIT_ACCESSW entries[2] = {};
    wchar_t everyone[] = L"EVERYONE";
    BuildExplicitAccessWithNameW(&entries[0], everyone, denied, DENY_ACCESS, NO_INHERITANCE);
    BuildExplicitAccessWithNameW(&entries[1], everyone, KEY_ALL_ACCESS, GRANT_ACCESS, NO_INHERITANCE);
    PACL acl = nullptr;
    Check(LSTATUS(SetEntriesInAclW(2, entries, nullptr, &acl)), "SetEntriesInAclW");

    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    const LSTATUS status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
    LocalFree(acl);
    Check(status, "RegSetKeySecurity");
}

DenyWrites::~DenyWrites()
{
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, savedSecurity.data());
    RegCloseKey(key);
}

} // namespace TestRegistry
