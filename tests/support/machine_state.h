#pragma once

#include <windows.h>

#include <map>
#include <sstream>
#include <optional>
#include <string>

#include "optimizer/tweak_catalogue.h"
#include "tests/support/registry_helpers.h"

// What "exactly as before" means for the user's machine: every value of the tweak catalogue
// and whether each key of the catalogue that most machines lack exists, in both registry
// views: the one Windows reads, and the 32-bit view, whose redirected copies (below
// Software\Wow6432Node) 64-bit Windows never reads but earlier releases wrote.
namespace MachineState {

using TestRegistry::kView32;
using TestRegistry::kWindowsView;

// The catalogue's keys that most machines do not have, outermost first: Optimize creates
// them, and Restore must remove them again.
inline const std::pair<HKEY, const wchar_t*> kUsuallyMissingKeys[] = {
    {HKEY_LOCAL_MACHINE, L"\\System\\CurrentControlSet\\Services\\Messenger\\"},
    {HKEY_LOCAL_MACHINE, L"\\System\\CurrentControlSet\\Services\\P3\\"},
    {HKEY_LOCAL_MACHINE, L"\\System\\CurrentControlSet\\Services\\P3\\Parameters\\"},
    {HKEY_LOCAL_MACHINE, L"\\Software\\Microsoft\\Dfrg\\"},
    {HKEY_LOCAL_MACHINE, L"\\Software\\Microsoft\\Dfrg\\BootOptimizeFunction\\"},
};
inline constexpr REGSAM kViews[] = {kWindowsView, kView32};

inline const char* ViewName(REGSAM view) { return view == kView32 ? " in the 32-bit view" : ""; }

struct State {
    // By view, then by row number, from 1.
    std::map<REGSAM, std::map<int, std::optional<TestRegistry::RawValue>>> values;
    std::map<std::pair<REGSAM, std::wstring>, bool> keys;
    bool operator==(const State&) const = default;
};

inline std::optional<TestRegistry::RawValue> RowValue(int row, REGSAM view = kWindowsView)
{
    const auto& tweak = TweakCatalogue::kTweaks[size_t(row - 1)];
    return TestRegistry::Read(tweak.root, std::wstring(tweak.keyPath), std::wstring(tweak.valueName), view);
}

inline void SetRowValue(int row, const TestRegistry::RawValue& value, REGSAM view = kWindowsView)
{
    const auto& tweak = TweakCatalogue::kTweaks[size_t(row - 1)];
    TestRegistry::Write(tweak.root, std::wstring(tweak.keyPath), std::wstring(tweak.valueName), value, view);
}

inline void DeleteRowValue(int row, REGSAM view = kWindowsView)
{
    const auto& tweak = TweakCatalogue::kTweaks[size_t(row - 1)];
    TestRegistry::Delete(tweak.root, std::wstring(tweak.keyPath), std::wstring(tweak.valueName), view);
}

inline State Now()
{
    State state;
    for (const REGSAM view : kViews) {
        for (int row = 1; row <= int(TweakCatalogue::kTweaks.size()); ++row)
            state.values[view][row] = RowValue(row, view);
        for (const auto& [root, path] : kUsuallyMissingKeys)
            state.keys[{view, path}] = TestRegistry::KeyExists(root, path, view);
    }
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
    for (const auto& [view, values] : expected.values) {
        for (const auto& [row, value] : values) {
            const auto& held = now.values.at(view).at(row);
            if (held != value)
                text << "row " << row << ViewName(view) << ": " << Describe(held) << ", expected " << Describe(value)
                     << "\n";
        }
    }
    for (const auto& [place, exists] : expected.keys) {
        if (now.keys.at(place) != exists)
            text << std::string(place.second.begin(), place.second.end()) << ViewName(place.first)
                 << (exists ? " is missing\n" : " is left behind\n");
    }
    return text.str();
}

// Keeps which of the usually missing keys exist in each view, and removes, when it goes,
// those that did not, innermost first.
class MissingKeys {
public:
    MissingKeys()
    {
        for (const REGSAM view : kViews) {
            for (const auto& [root, path] : kUsuallyMissingKeys)
                existed[{view, path}] = TestRegistry::KeyExists(root, path, view);
        }
    }
    ~MissingKeys() { RemoveCreated(); }
    MissingKeys(const MissingKeys&) = delete;
    MissingKeys& operator=(const MissingKeys&) = delete;

    void RemoveCreated()
    {
        for (const REGSAM view : kViews) {
            for (auto it = std::rbegin(kUsuallyMissingKeys); it != std::rend(kUsuallyMissingKeys); ++it) {
                if (!existed[{view, it->second}])
                    TestRegistry::DeleteTree(it->first, it->second, view);
            }
        }
    }

private:
    std::map<std::pair<REGSAM, std::wstring>, bool> existed;
};

} // namespace MachineState
