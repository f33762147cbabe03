#include "optimizer/progress_pacing.h"

#include <cmath>

namespace ProgressPacing {

int DrawPasses(const Pacing& pacing, std::mt19937& random)
{
    return std::uniform_int_distribution<int>(pacing.fewestPasses, pacing.mostPasses)(random);
}

void RunStep(const std::wstring& text, int passes, const Pacing& pacing, const StepActions& actions)
{
    static constexpr const wchar_t* kDots[] = {L".", L"..", L"..."};
    for (int pass = 1; pass <= passes; ++pass) {
        actions.processMessages();
        for (size_t frame = 0; frame < pacing.framePasses.size(); ++frame) {
            if (pass == pacing.framePasses[frame]) {
                actions.showText(text + kDots[frame]);
                actions.pause(pacing.framePause);
            }
        }
    }
}

int BarPosition(int done, int total)
{
    if (total <= 0)
        return 0;
    return int(std::lround(double(done) / double(total) * 100.0));
}

} // namespace ProgressPacing
