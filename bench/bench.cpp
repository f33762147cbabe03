// Measures, each against a baseline in the same run:
//  start     Marlowick from process start to its main window on screen, and a minimal
//            program that shows one window;
//  registry  the registry work of one Optimize, and the same changes made with bare calls.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/measure.h"
#include "common/program_key.h"
#include "optimizer/tweak_catalogue.h"
#include "optimizer/tweak_runs.h"

namespace {

using namespace Measure;

// Starts a program and waits until a window of the class is visible; -1 on failure.
double StartToWindow(const std::wstring& program, const wchar_t* windowClass)
{
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION process{};
    const Clock::time_point start = Clock::now();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    HWND window = nullptr;
    while (!(window = FindWindowW(windowClass, nullptr)) || !IsWindowVisible(window)) {
        if (Clock::now() - start > std::chrono::seconds(30))
            break;
        Sleep(1);
    }
    const double elapsed = Milliseconds(Clock::now() - start);
    if (window)
        PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return window ? elapsed : -1;
}

void BenchStart(int rounds)
{
    std::vector<double> marlowick, minimal;
    for (int i = 0; i < rounds; ++i) {
        minimal.push_back(StartToWindow(Beside(L"minimal_window.exe"), L"TBenchMinimal"));
        marlowick.push_back(StartToWindow(Beside(L"Marlowick.exe"), L"TMKMainForm"));
    }
    const double a = Median(marlowick), b = Median(minimal);
    std::printf("start     Marlowick %.1f ms, minimal window %.1f ms (median of %d), ratio %.2f\n", a, b, rounds, a / b);
}

// The same registry changes as the plan's, each made bare: open (or create) the key, set or
// delete, close, as the registry unit does by design, without reading anything first.
void MakeBare(const std::vector<TweakRuns::Step>& steps)
{
    using Action = TweakRuns::Step::Action;
    for (const TweakRuns::Step& step : steps) {
        if (step.action != Action::Write && step.action != Action::RemoveKeyTree)
            continue;
        const std::wstring path = step.keyPath.substr(1); // relative to the root
        HKEY key = nullptr;
        if (step.action == Action::Write) {
            if (RegCreateKeyExW(step.root, path.c_str(), 0, nullptr, 0, KEY_WRITE | CustomRegistry::ViewFlag(step.view),
                                nullptr, &key, nullptr) == ERROR_SUCCESS) {
                RegSetValueExW(key, step.valueName.c_str(), 0, step.value.type, step.value.data.data(),
                               DWORD(step.value.data.size()));
                RegCloseKey(key);
            }
        } else if (step.action == Action::RemoveKeyTree) {
            // The records' key, which holds values only.
            RegDeleteKeyExW(step.root, path.substr(0, path.size() - 1).c_str(), CustomRegistry::ViewFlag(step.view), 0);
        }
    }
}

void BenchRegistry(int rounds)
{
    const auto windows10 = TweakCatalogue::ConvertWindowsVersion(Edition::Windows10);
    size_t changes = 0;
    std::vector<double> optimize, bare;
    for (int i = 0; i < rounds; ++i) {
        // Each Optimize takes the backup and the records, as a first run does: it reads the
        // seven values and the state of every row it writes, then writes.
        const Clock::time_point start = Clock::now();
        const auto steps = TweakRuns::PlanOptimize(windows10, false);
        TweakRuns::Execute(steps);
        optimize.push_back(Milliseconds(Clock::now() - start));
        changes = steps.size();

        const Clock::time_point bareStart = Clock::now();
        MakeBare(steps);
        bare.push_back(Milliseconds(Clock::now() - bareStart));
    }
    const double a = Median(optimize), b = Median(bare);
    std::printf("registry  Optimize's registry work %.3f ms, its %zu changes made bare (open, set, close) %.3f ms "
                "(median of %d), ratio %.2f\n",
                a, changes, b, rounds, a / b);
}

} // namespace

int main()
{
    BenchStart(21);
    BenchRegistry(51);
    return 0;
}
