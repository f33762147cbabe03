#include "optimizer/tweak_runs.h"

#include <cstring>

#include "common/program_key.h"
#include "optimizer/row_records.h"
#include "optimizer/tweak_catalogue.h"

namespace TweakRuns {
namespace {

using CustomRegistry::RegValue;
using TweakCatalogue::Tweak;
using TweakCatalogue::ValueType;

// The registry's form of a catalogue row's data: a DWORD, a text with its NUL, or bytes.
RegValue Encode(ValueType type, const TweakCatalogue::Data& data)
{
    switch (type) {
    case ValueType::Dword: {
        RegValue value{REG_DWORD, std::vector<std::uint8_t>(sizeof(data.number))};
        std::memcpy(value.data.data(), &data.number, sizeof(data.number));
        return value;
    }
    case ValueType::Text: {
        RegValue value{REG_SZ, std::vector<std::uint8_t>((data.text.size() + 1) * sizeof(wchar_t))};
        std::memcpy(value.data.data(), data.text.data(), data.text.size() * sizeof(wchar_t));
        return value;
    }
    case ValueType::Binary:
        return RegValue{REG_BINARY, {data.bytes.begin(), data.bytes.end()}};
    }
    return {};
}

Step WriteStep(HKEY root, std::wstring_view keyPath, std::wstring_view valueName, RegValue value)
{
    return Step{Step::Action::Write, root, std::wstring(keyPath), std::wstring(valueName), std::move(value)};
}

Step DeleteStep(HKEY root, std::wstring_view keyPath, std::wstring_view valueName)
{
    return Step{Step::Action::Delete, root, std::wstring(keyPath), std::wstring(valueName)};
}

Step KeyStep(Step::Action action, HKEY root, std::wstring keyPath)
{
    return Step{action, root, std::move(keyPath)};
}

Step RequireAllDone() { return Step{Step::Action::RequireAllDone}; }

// A backed-up row's value read from one place now, with the row's backup default, in the
// row's type: the Windows value for the backup, the saved copy for Restore. Only DWORD and
// text rows have a backup.
RegValue ReadBackedUp(const Tweak& tweak, HKEY root, const std::wstring& keyPath)
{
    const std::wstring name(tweak.valueName);
    TweakCatalogue::Data data = *tweak.backupDefault;
    std::wstring text;
    if (tweak.type == ValueType::Text)
        data.text = text = CustomRegistry::ReadRegString(root, keyPath, name, std::wstring(data.text), false);
    else
        data.number = CustomRegistry::ReadRegInteger(root, keyPath, name, data.number, false);
    return Encode(tweak.type, data);
}

std::optional<RegValue> WindowsValue(const Tweak& tweak)
{
    return CustomRegistry::ReadRegValue(tweak.root, std::wstring(tweak.keyPath), std::wstring(tweak.valueName), false);
}

// Gives the row the value it should hold: written, or deleted for none. A value that is
// already so needs no change.
void PutBack(std::vector<Step>& steps, const Tweak& tweak, const std::optional<RegValue>& wanted)
{
    if (WindowsValue(tweak) == wanted)
        return;
    if (wanted)
        steps.push_back(WriteStep(tweak.root, tweak.keyPath, tweak.valueName, *wanted));
    else
        steps.push_back(DeleteStep(tweak.root, tweak.keyPath, tweak.valueName));
}

// The keys Optimize created for a row, deepest first, each removed once it is empty.
void RemoveCreatedKeys(std::vector<Step>& steps, const Tweak& tweak, int createdKeys)
{
    std::wstring path(tweak.keyPath);
    for (int i = 0; i < createdKeys; ++i) {
        path.pop_back(); // the trailing backslash
        if (CustomRegistry::MissingKeyCount(tweak.root, path, false) == 0)
            steps.push_back(KeyStep(Step::Action::RemoveEmptyKey, tweak.root, path + L"\\"));
        path.erase(path.rfind(L'\\') + 1);
    }
}

} // namespace

std::vector<Step> PlanOptimize(int versionGroup, bool backupExists)
{
    std::vector<Step> steps;
    // Without a backup, any record left is from a run that died before it marked one: it is
    // taken again now, as the seven saved copies are. A backup without records is from a
    // release that kept none; its Restore goes by the edition, so nothing is recorded.
    const bool recording = !backupExists || RowRecords::RecordsKept();
    if (!backupExists) {
        steps.push_back(KeyStep(Step::Action::RemoveKeyTree, ProgramKey::kRoot, ProgramKey::kOriginalsPath));
        for (const Tweak& tweak : TweakCatalogue::kTweaks) {
            if (tweak.backupDefault)
                steps.push_back(WriteStep(ProgramKey::kRoot, ProgramKey::kPath, tweak.valueName,
                                          ReadBackedUp(tweak, tweak.root, std::wstring(tweak.keyPath))));
        }
    }
    for (const Tweak& tweak : TweakCatalogue::kTweaks) {
        if (!recording || tweak.backupDefault || !TweakCatalogue::Meets(tweak.condition, versionGroup))
            continue;
        if (backupExists && RowRecords::ReadRecord(tweak))
            continue; // an earlier Optimize since the last Restore recorded it
        steps.push_back(WriteStep(ProgramKey::kRoot, ProgramKey::kOriginalsPath, RowRecords::RecordName(tweak),
                                  RowRecords::Encode(RowRecords::TakeRecord(tweak))));
    }
    // A backup that is not marked would be taken again, from the values Optimize wrote.
    steps.push_back(RequireAllDone());
    steps.push_back(WriteStep(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kRestore,
                              Encode(ValueType::Dword, TweakCatalogue::Data{1})));
    steps.push_back(RequireAllDone());

    for (const Tweak& tweak : TweakCatalogue::kTweaks) {
        if (TweakCatalogue::Meets(tweak.condition, versionGroup))
            steps.push_back(WriteStep(tweak.root, tweak.keyPath, tweak.valueName, Encode(tweak.type, tweak.written)));
    }
    return steps;
}

std::vector<Step> PlanRestore(int versionGroup)
{
    std::vector<Step> steps;
    for (const Tweak& tweak : TweakCatalogue::kTweaks) {
        if (tweak.backupDefault)
            PutBack(steps, tweak, ReadBackedUp(tweak, ProgramKey::kRoot, ProgramKey::kPath));
    }
    const bool recordsKept = RowRecords::RecordsKept();
    for (const Tweak& tweak : TweakCatalogue::kTweaks) {
        if (tweak.backupDefault)
            continue;
        if (!recordsKept) {
            // Windows falls back to its own default for every row of the edition.
            if (TweakCatalogue::Meets(tweak.condition, versionGroup))
                PutBack(steps, tweak, std::nullopt);
        } else if (const auto record = RowRecords::ReadRecord(tweak)) {
            PutBack(steps, tweak, record->value);
            RemoveCreatedKeys(steps, tweak, record->createdKeys);
        }
        // A row no Optimize wrote is the user's, whatever the edition.
    }
    // "Restore" = 1 must never stand without the saved copies.
    steps.push_back(RequireAllDone());
    steps.push_back(DeleteStep(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kRestore));
    steps.push_back(RequireAllDone());
    for (const Tweak& tweak : TweakCatalogue::kTweaks) {
        if (tweak.backupDefault)
            steps.push_back(DeleteStep(ProgramKey::kRoot, ProgramKey::kPath, tweak.valueName));
    }
    steps.push_back(KeyStep(Step::Action::RemoveKeyTree, ProgramKey::kRoot, ProgramKey::kOriginalsPath));
    return steps;
}

bool Execute(const Step& step)
{
    switch (step.action) {
    case Step::Action::Write:
        return CustomRegistry::WriteRegValue(step.root, step.keyPath, step.valueName, step.value, false);
    case Step::Action::Delete:
        return CustomRegistry::DeleteRegValue(step.root, step.keyPath, step.valueName, false);
    case Step::Action::RemoveEmptyKey:
        return CustomRegistry::DeleteEmptyRegKey(step.root, step.keyPath, false);
    case Step::Action::RemoveKeyTree:
        return CustomRegistry::DeleteRegKeyTree(step.root, step.keyPath, false);
    case Step::Action::RequireAllDone:
        return true;
    }
    return false;
}

Outcome Execute(const std::vector<Step>& steps)
{
    bool all = true;
    for (const Step& step : steps) {
        if (step.action == Step::Action::RequireAllDone && !all)
            return Outcome::Stopped;
        all = Execute(step) && all;
    }
    return all ? Outcome::Complete : Outcome::Incomplete;
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
