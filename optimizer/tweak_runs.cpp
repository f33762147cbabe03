#include "optimizer/tweak_runs.h"

#include <array>
#include <cstring>
#include <utility>

#include "common/program_key.h"
#include "optimizer/row_records.h"
#include "optimizer/tweak_catalogue.h"

namespace TweakRuns {
namespace {

using CustomRegistry::RegValue;
using CustomRegistry::View;
using TweakCatalogue::Tweak;
using TweakCatalogue::VersionGroup;
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

Step WriteStep(HKEY root, std::wstring_view keyPath, std::wstring_view valueName, RegValue value, View view)
{
    return Step{Step::Action::Write, root, std::wstring(keyPath), std::wstring(valueName), std::move(value), view};
}

Step DeleteStep(HKEY root, std::wstring_view keyPath, std::wstring_view valueName, View view)
{
    return Step{Step::Action::Delete, root, std::wstring(keyPath), std::wstring(valueName), {}, view};
}

Step KeyStep(Step::Action action, HKEY root, std::wstring keyPath, View view)
{
    return Step{action, root, std::move(keyPath), {}, {}, view};
}

Step RequireAllDone() { return Step{Step::Action::RequireAllDone}; }

// A backed-up row's value read from one place now, with the row's backup default, in the
// row's type: the Windows value for the backup, the saved copy for Restore. Only DWORD and
// text rows have a backup.
RegValue ReadBackedUp(const Tweak& tweak, HKEY root, const std::wstring& keyPath, View view)
{
    const std::wstring name(tweak.valueName);
    TweakCatalogue::Data data = *tweak.backupDefault;
    std::wstring text;
    if (tweak.type == ValueType::Text)
        data.text = text = CustomRegistry::ReadRegString(root, keyPath, name, std::wstring(data.text), view);
    else
        data.number = CustomRegistry::ReadRegInteger(root, keyPath, name, data.number, view);
    return Encode(tweak.type, data);
}

// The steps of a Restore, and which rows they have changed so far.
class RestorePlan {
public:
    // Gives the row the value it should hold in the view: written, or deleted for none. A
    // value that is already so needs no change, unless an earlier step changed the row: a
    // row of a key that both views share may have a record in each, the newer holding what
    // the older release left, and the older must then still win.
    void PutBack(const Tweak& tweak, View view, const std::optional<RegValue>& wanted)
    {
        const size_t row = size_t(&tweak - TweakCatalogue::kTweaks.data());
        if (!changed[row] && CustomRegistry::ReadRegValue(tweak.root, std::wstring(tweak.keyPath),
                                                          std::wstring(tweak.valueName), view) == wanted)
            return;
        changed[row] = true;
        if (wanted)
            steps.push_back(WriteStep(tweak.root, tweak.keyPath, tweak.valueName, *wanted, view));
        else
            steps.push_back(DeleteStep(tweak.root, tweak.keyPath, tweak.valueName, view));
    }

    // The keys Optimize created for a row, deepest first, each removed once it is empty. A
    // key that is missing now is removed all the same: a put-back before it in this plan
    // may create it again (a run that died half way had removed it already).
    void RemoveCreatedKeys(const Tweak& tweak, View view, int createdKeys)
    {
        std::wstring path(tweak.keyPath);
        for (int i = 0; i < createdKeys; ++i) {
            steps.push_back(KeyStep(Step::Action::RemoveEmptyKey, tweak.root, path, view));
            path.pop_back(); // the trailing backslash
            path.erase(path.rfind(L'\\') + 1);
        }
    }

    std::vector<Step> steps;

private:
    std::array<bool, TweakCatalogue::kTweakCount> changed{};
};

} // namespace

std::vector<Step> PlanOptimize(VersionGroup versionGroup, bool backupExists)
{
    using namespace ProgramKey;
    const View windows = CustomRegistry::WindowsView();
    std::vector<Step> steps;
    if (!backupExists) {
        // Any record left is from a run that died before it marked a backup: it is taken
        // again now, as the seven saved copies are.
        steps.push_back(KeyStep(Step::Action::RemoveKeyTree, kRoot, kOriginalsPath, kView));
        for (const Tweak& tweak : TweakCatalogue::kTweaks) {
            if (tweak.backupDefault)
                steps.push_back(WriteStep(kRoot, kPath, tweak.valueName,
                                          ReadBackedUp(tweak, tweak.root, std::wstring(tweak.keyPath), windows),
                                          kView));
        }
    } else if (RowRecords::HoldsUnrecordedChanges()) {
        // A backup of a release that kept no records: its changes stay to be undone by the
        // edition, beside the records taken now. The mark comes first, so that no record
        // can stand without it.
        steps.push_back(
            WriteStep(kRoot, kOriginalsPath, kUnrecorded, Encode(ValueType::Dword, TweakCatalogue::Data{1}), kView));
    }
    for (const Tweak& tweak : TweakCatalogue::kTweaks) {
        if (tweak.backupDefault || !TweakCatalogue::Meets(tweak.condition, versionGroup))
            continue;
        if (backupExists && RowRecords::ReadRecord(tweak, windows))
            continue; // an earlier Optimize since the last Restore recorded it
        steps.push_back(WriteStep(kRoot, kOriginalsPath, RowRecords::RecordName(tweak, windows),
                                  RowRecords::Encode(RowRecords::TakeRecord(tweak, windows)), kView));
    }
    // A backup that is not marked would be taken again, from the values Optimize wrote.
    steps.push_back(RequireAllDone());
    steps.push_back(WriteStep(kRoot, kPath, kRestore, Encode(ValueType::Dword, TweakCatalogue::Data{1}), kView));
    steps.push_back(RequireAllDone());

    for (const Tweak& tweak : TweakCatalogue::kTweaks) {
        if (TweakCatalogue::Meets(tweak.condition, versionGroup))
            steps.push_back(
                WriteStep(tweak.root, tweak.keyPath, tweak.valueName, Encode(tweak.type, tweak.written), windows));
    }
    return steps;
}

std::vector<Step> PlanRestore(VersionGroup versionGroup)
{
    using namespace ProgramKey;
    RestorePlan plan;
    for (const Tweak& tweak : TweakCatalogue::kTweaks) {
        if (tweak.backupDefault)
            plan.PutBack(tweak, CustomRegistry::WindowsView(), ReadBackedUp(tweak, kRoot, kPath, kView));
    }
    // Newest first: this release's records of the 64-bit view, then those of the 32-bit view
    // (an earlier release's, or this one's on 32-bit Windows), then the rows of a release
    // that kept no records, in the 32-bit view where it wrote them.
    for (const View view : {View::Bits64, View::Bits32}) {
        for (const Tweak& tweak : TweakCatalogue::kTweaks) {
            if (tweak.backupDefault)
                continue;
            if (const auto record = RowRecords::ReadRecord(tweak, view)) {
                plan.PutBack(tweak, view, record->value);
                plan.RemoveCreatedKeys(tweak, view, record->createdKeys);
            }
        }
    }
    if (RowRecords::HoldsUnrecordedChanges()) {
        // Windows falls back to its own default for every row of the edition.
        for (const Tweak& tweak : TweakCatalogue::kTweaks) {
            if (!tweak.backupDefault && TweakCatalogue::Meets(tweak.condition, versionGroup))
                plan.PutBack(tweak, View::Bits32, std::nullopt);
        }
    }
    // A row no Optimize wrote is the user's, whatever the edition.

    std::vector<Step> steps = std::move(plan.steps);
    // "Restore" = 1 must never stand without the saved copies.
    steps.push_back(RequireAllDone());
    steps.push_back(DeleteStep(kRoot, kPath, kRestore, kView));
    steps.push_back(RequireAllDone());
    for (const Tweak& tweak : TweakCatalogue::kTweaks) {
        if (tweak.backupDefault)
            steps.push_back(DeleteStep(kRoot, kPath, tweak.valueName, kView));
    }
    steps.push_back(KeyStep(Step::Action::RemoveKeyTree, kRoot, kOriginalsPath, kView));
    return steps;
}

bool Execute(const Step& step)
{
    switch (step.action) {
    case Step::Action::Write:
        return CustomRegistry::WriteRegValue(step.root, step.keyPath, step.valueName, step.value, step.view);
    case Step::Action::Delete:
        return CustomRegistry::DeleteRegValue(step.root, step.keyPath, step.valueName, step.view);
    case Step::Action::RemoveEmptyKey:
        return CustomRegistry::DeleteEmptyRegKey(step.root, step.keyPath, step.view);
    case Step::Action::RemoveKeyTree:
        return CustomRegistry::DeleteRegKeyTree(step.root, step.keyPath, step.view);
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
    return CustomRegistry::ReadRegBool(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kRestore, false,
                                       ProgramKey::kView);
}

bool CanWriteProgramKey()
{
    return CustomRegistry::CanWriteKey(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kView);
}

} // namespace TweakRuns
