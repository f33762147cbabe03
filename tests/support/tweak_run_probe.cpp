#include <windows.h>
#include <shellapi.h>

#include <string>

#include "optimizer/tweak_catalogue.h"
#include "optimizer/tweak_runs.h"

// Runs the registry work of an Optimize or a Restore as the program does, and dies after a
// given number of registry changes, as a program killed in the middle of a run would:
//   tweak_run_probe.exe optimize|restore EDITION_INDEX CHANGES_BEFORE_DYING
// Exit code 0 when the run completed, 99 when it was cut short, 2 on bad arguments.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args || count != 4)
        return 2;
    const std::wstring operation = args[1];
    const auto group = TweakCatalogue::ConvertWindowsVersion(Edition(_wtoi(args[2])));
    const size_t changes = size_t(_wtoi(args[3]));

    std::vector<TweakRuns::Step> steps;
    if (operation == L"optimize")
        steps = TweakRuns::PlanOptimize(group, TweakRuns::BackupExists());
    else if (operation == L"restore")
        steps = TweakRuns::PlanRestore(group);
    else
        return 2;

    // The run as the program makes it, cut short after the given number of changes.
    if (changes < steps.size()) {
        TweakRuns::Execute(std::vector<TweakRuns::Step>(steps.begin(), steps.begin() + std::ptrdiff_t(changes)));
        TerminateProcess(GetCurrentProcess(), 99);
    }
    TweakRuns::Execute(steps);
    return 0;
}
