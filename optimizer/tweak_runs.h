#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/registry.h"
#include "optimizer/tweak_catalogue.h"

// The registry work of one Optimize or one Restore, as a list of single registry changes in
// the order they are made. The order is what keeps the user's machine restorable when the
// program dies at any point of a run, or when Windows refuses a change:
// - Optimize saves the seven original values, then records what the other rows it is about
//   to write hold, and only when all of that is kept marks "Restore" = 1 and writes the
//   catalogue; no Windows value changes before the backup is complete.
// - Restore gives every row Optimize wrote its original back first, and only when all of
//   them went back deletes "Restore", the saved copies and the records; a backup is never
//   dropped before it has been used in full.
// Windows' values are changed in the view Windows reads (CustomRegistry::WindowsView), the
// program key in its own; what an earlier release wrote in the 32-bit view is undone there.
namespace TweakRuns {

struct Step {
    enum class Action {
        Write,          // the value, with its type and data
        Delete,         // the value
        RemoveEmptyKey, // the key, when nothing is left in it
        RemoveKeyTree,  // the key and all below it
        RequireAllDone, // the steps after it are made only when every step before it was
    };
    Action action;
    HKEY root = nullptr;
    std::wstring keyPath;
    std::wstring valueName;
    CustomRegistry::RegValue value; // for writes
    CustomRegistry::View view = CustomRegistry::View::Bits32;
};

enum class Outcome {
    Complete,   // every change was made
    Incomplete, // some were refused; the others were made
    Stopped,    // a change before a RequireAllDone was refused, and nothing after it was made
};

// Optimize for a version group. `backupExists` is what "Restore" read when the run began.
// The current Windows values are read now: the seven for the backup when none exists, and
// the rows not yet recorded.
std::vector<Step> PlanOptimize(TweakCatalogue::VersionGroup versionGroup, bool backupExists);

// Restore for a version group; the saved copies and records are read now. The version group
// only matters for the changes of a release that kept no records. A change that would leave
// a value as it already is is not made, so a key that refused Optimize does not hold up
// Restore.
std::vector<Step> PlanRestore(TweakCatalogue::VersionGroup versionGroup);

// Makes one change; false when the registry refused it.
bool Execute(const Step& step);

// Makes every change in order, going on after a refused one up to the next RequireAllDone.
Outcome Execute(const std::vector<Step>& steps);

// Whether the program key says a backup exists ("Restore" = 1), so Restore is offered.
bool BackupExists();

// Whether this process may write the program key: without it (no administrator rights) no
// run can keep a backup, so none may begin.
bool CanWriteProgramKey();

} // namespace TweakRuns
