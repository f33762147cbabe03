#pragma once

#include <windows.h>

#include <map>
#include <sstream>
#include <optional>
#include <string>

#include "optimizer/tweak_catalogue.h"
#include "tests/support/registry_helpers.h"

// What "exactly as before" means for the user's machine: every value of the tweak catalogue,
// and whether each key of the catalogue that most machines lack exists.
namespace MachineState {

// The catalogue's keys that most machines do not have, outermost first: Optimize creates
// them, and Restore must remove them again.
inline const std::pair<HKEY, const wchar_t*> kUsuallyMissingKeys[] = {
    {HKEY_LOCAL_MACHINE, L"\\System\\CurrentControlSet\\Services\\Messenger\\"},
    {HKEY_LOCAL_MACHINE, L"\\System\\CurrentControlSet\\Services\\P3\\"},
    {HKEY_LOCAL_MACHINE, L"\\System\\CurrentControlSet\\Services\\P3\\Parameters\\"},
    {HKEY_LOCAL_MACHINE, L"\\Software\\Microsoft\\Dfrg\\"},
    {HKEY_LOCAL_MACHINE, L"\\Software\\Microsoft\\Dfrg\\BootOptimizeFunction\\"},
};

struct State {
    std::map<int, std::optional<TestRegistry::RawValue>> values; // by row number, from 1
    std::map<std::wstring, bool> keys;
    bool operator==(const State&) const = default;
};

inline std::optional<TestRegistry::RawValue> RowValue(int row)
{
    const auto& tweak = TweakCatalogue::kTweaks[size_t(row - 1)];
    return TestRegistry::Read(tweak.root, std::wstring(tweak.keyPath), std::wstring(tweak.valueName));
}

inline void SetRowValue(int row, const TestRegistry::RawValue& value)
{
    const auto& tweak = TweakCatalogue::kTweaks[size_t(row - 1)];
    TestRegistry::Write(tweak.root, std::wstring(tweak.keyPath), std::wstring(tweak.valueName), value);
}

inline State Now()
{
    State state;
    for (int row = 1; row <= int(TweakCatalogue::kTweaks.size()); ++row)
        state.values[row] = RowValue(row);
    for (const auto& [root, path] : kUsuallyMissingKeys)
        state.keys[path] = TestRegistry::KeyExists(root, path);
    return state;
}

inline std::string Describe(const std::optional<TestRegistry::RawValue>& value)
{
    if (!value)
        return "missing";
    std::ostringstream text;
    text << "type " << value->type << " [";
    for (const auto byte : value->bytes)
        text << ' ' << int(byte);
    text << " ]";
    return text.str();
}

// What differs between two states, one line each; empty when they are the same.
inline std::string Differences(const State& now, const State& expected)
{
    std::ostringstream text;
    for (const auto& [row, value] : expected.values) {
        if (now.values.at(row) != value)
            text << "row " << row << ": " << Describe(now.values.at(row)) << ", expected " << Describe(value) << "\n";
    }
    for (const auto& [key, exists] : expected.keys) {
        if (now.keys.at(key) != exists)
            text << std::string(key.begin(), key.end()) << (exists ? " is missing\n" : " is left behind\n");
    }
    return text.str();
}

// Keeps which of the usually missing keys exist, and removes, when it goes, those that did
// not, innermost first.
class MissingKeys {
public:
    MissingKeys()
    {
        for (const auto& [root, path] : kUsuallyMissingKeys)
            existed[path] = TestRegistry::KeyExists(root, path);
    }
    ~MissingKeys() { RemoveCreated(); }
    MissingKeys(const MissingKeys&) = delete;
    MissingKeys& operator=(const MissingKeys&) = delete;

    void RemoveCreated()
    {
        for (auto it = std::rbegin(kUsuallyMissingKeys); it != std::rend(kUsuallyMissingKeys); ++it) {
            if (!existed[it->second])
                TestRegistry::DeleteTree(it->first, it->second);
        }
    }

private:
    std::map<std::wstring, bool> existed;
};

} // namespace MachineState
