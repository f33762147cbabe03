#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <random>
#include <string>

// How one progress step of Optimize or Restore is paced: it shows its text with one, two
// and three dots while the program handles its messages for a random number of passes.
namespace ProgressPacing {

struct Pacing {
    int fewestPasses;               // each step makes a number of passes drawn from
    int mostPasses;                 // fewestPasses to mostPasses, both included
    std::array<int, 3> framePasses; // the passes after which ".", ".." and "..." appear
    DWORD framePause;               // milliseconds the thread sleeps after each frame
};

// The product's pacing: 1.5 seconds of pauses and one to three million passes a step.
inline constexpr Pacing kRelease{1'000'000, 2'999'999, {20'000, 50'000, 150'000}, 500};
// A shorter pacing for development builds and tests, where a pass under Wine costs about
// 46 microseconds and a release run of Optimize would take most of an hour.
inline constexpr Pacing kFast{2'000, 2'999, {20, 50, 150}, 20};

// The pacing this build uses.
constexpr const Pacing& BuildPacing()
{
#ifdef MARLOWICK_FAST_PROGRESS
    return kFast;
#else
    return kRelease;
#endif
}

// What a step does to the outside world.
struct StepActions {
    std::function<void()> processMessages;                // one pass
    std::function<void(const std::wstring&)> showText;   // the step line's new text
    std::function<void(DWORD)> pause;                     // sleep, in milliseconds
};

// The number of passes of one step, drawn uniformly from the pacing's range.
int DrawPasses(const Pacing& pacing, std::mt19937& random);

// Runs one step of `passes` passes for the step text.
void RunStep(const std::wstring& text, int passes, const Pacing& pacing, const StepActions& actions);

// The bar's position after `done` of `total` steps, 0 to 100, rounded to the nearest.
int BarPosition(int done, int total);

} // namespace ProgressPacing
