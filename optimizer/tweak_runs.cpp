#include "optimizer/tweak_runs.h"

#include "common/program_key.h"
#include "common/registry.h"

namespace TweakRuns {
namespace {

using TweakCatalogue::Tweak;
using TweakCatalogue::ValueType;

Step WriteStep(HKEY root, std::wstring_view keyPath, std::wstring_view valueName, ValueType type)
{
    return Step{Step::Action::Write, root, std::wstring(keyPath), std::wstring(valueName), type};
}

Step DeleteStep(HKEY root, std::wstring_view keyPath, std::wstring_view valueName)
{
    return Step{Step::Action::Delete, root, std::wstring(keyPath), std::wstring(valueName)};
}

// Copies a backed-up row's value from one place to another, reading it now with the row's
// backup default: the Windows value into the program key for the backup, the saved copy
// back into Windows for Restore. Only DWORD and text rows have a backup.
Step CopyStep(const Tweak& tweak, HKEY fromRoot, const std::wstring& fromPath, HKEY toRoot, std::wstring_view toPath)
{
    const std::wstring name(tweak.valueName);
    Step step = WriteStep(toRoot, toPath, name, tweak.type);
    if (tweak.type == ValueType::Text)
        step.text = CustomRegistry::ReadRegString(fromRoot, fromPath, name, std::wstring(tweak.backupDefault->text), false);
    else
        step.number = CustomRegistry::ReadRegInteger(fromRoot, fromPath, name, tweak.backupDefault->number, false);
    return step;
}

} // namespace

std::vector<Step> PlanOptimize(int versionGroup, bool backupExists)
{
    std::vector<Step> steps;
    if (!backupExists) {
        for (const Tweak& tweak : TweakCatalogue::kTweaks) {
            if (tweak.backupDefault)
                steps.push_back(CopyStep(tweak, tweak.root, std::wstring(tweak.keyPath), ProgramKey::kRoot, ProgramKey::kPath));
        }
    }
    Step mark = WriteStep(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kRestore, ValueType::Dword);
    mark.number = 1;
    steps.push_back(mark);

    for (const Tweak& tweak : TweakCatalogue::kTweaks) {
        if (!TweakCatalogue::Meets(tweak.condition, versionGroup))
            continue;
        Step step = WriteStep(tweak.root, tweak.keyPath, tweak.valueName, tweak.type);
        step.number = tweak.written.number;
        step.text = tweak.written.text;
        step.bytes.assign(tweak.written.bytes.begin(), tweak.written.bytes.end());
        steps.push_back(std::move(step));
    }
    return steps;
}

std::vector<Step> PlanRestore(int versionGroup)
{
    std::vector<Step> steps;
    for (const Tweak& tweak : TweakCatalogue::kTweaks) {
        if (tweak.backupDefault)
            steps.push_back(CopyStep(tweak, ProgramKey::kRoot, ProgramKey::kPath, tweak.root, tweak.keyPath));
    }
    steps.push_back(DeleteStep(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kRestore));
    for (const Tweak& tweak : TweakCatalogue::kTweaks) {
        if (tweak.backupDefault)
            steps.push_back(DeleteStep(ProgramKey::kRoot, ProgramKey::kPath, tweak.valueName));
    }
    // Windows falls back to its own default for every other row that Optimize wrote.
    for (const Tweak& tweak : TweakCatalogue::kTweaks) {
        if (!tweak.backupDefault && TweakCatalogue::Meets(tweak.condition, versionGroup))
            steps.push_back(DeleteStep(tweak.root, tweak.keyPath, tweak.valueName));
    }
    return steps;
}

bool Execute(const Step& step)
{
    if (step.action == Step::Action::Delete)
        return CustomRegistry::DeleteRegValue(step.root, step.keyPath, step.valueName, false);
    switch (step.type) {
    case ValueType::Dword:
        return CustomRegistry::WriteRegInteger(step.root, step.keyPath, step.valueName, step.number, false);
    case ValueType::Text:
        return CustomRegistry::WriteRegString(step.root, step.keyPath, step.valueName, step.text, false);
    case ValueType::Binary:
        return CustomRegistry::WriteRegBinary(step.root, step.keyPath, step.valueName, step.bytes, false);
    }
    return false;
}

bool Execute(const std::vector<Step>& steps)
{
    bool all = true;
    for (const Step& step : steps)
        all = Execute(step) && all;
    return all;
}

bool BackupExists()
{
    return CustomRegistry::ReadRegBool(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kRestore, false, false);
}

bool CanWriteProgramKey()
{
    HKEY key = nullptr;
    const std::wstring path(ProgramKey::kPath + 1); // relative to the root
    if (RegCreateKeyExW(ProgramKey::kRoot, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

} // namespace TweakRuns
