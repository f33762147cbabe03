#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "optimizer/tweak_catalogue.h"

// The registry work of one Optimize or one Restore, as a list of single registry changes in
// the order they are made. The order is what keeps the user's machine restorable when the
// program dies at any point of a run:
// - Optimize saves the seven original values first, then marks "Restore" = 1, then writes
//   the catalogue; "Restore" = 1 never stands without a complete backup.
// - Restore writes the seven saved values back first, then deletes "Restore", then the
//   saved copies, then the other rows; a backup is never dropped before it has been used.
namespace TweakRuns {

struct Step {
    enum class Action { Write, Delete };
    Action action;
    HKEY root;
    std::wstring keyPath;
    std::wstring valueName;
    TweakCatalogue::ValueType type = TweakCatalogue::ValueType::Dword; // for writes
    std::int32_t number = 0;
    std::wstring text;
    std::vector<std::uint8_t> bytes;
};

// Optimize for a version group. `backupExists` is what "Restore" read when the run began;
// without a backup, the current Windows values of the seven backed-up rows are read now.
std::vector<Step> PlanOptimize(int versionGroup, bool backupExists);

// Restore for a version group; the saved copies are read now.
std::vector<Step> PlanRestore(int versionGroup);

// Makes one change; false when the registry refused it.
bool Execute(const Step& step);

// Makes every change in order, also after a refused one; false when any was refused.
bool Execute(const std::vector<Step>& steps);

// Whether the program key says a backup exists ("Restore" = 1), so Restore is offered.
bool BackupExists();

// Whether this process may write the program key: without it (no administrator rights) no
// run can keep a backup, so none may begin.
bool CanWriteProgramKey();

} // namespace TweakRuns
