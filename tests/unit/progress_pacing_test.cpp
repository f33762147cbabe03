#include "optimizer/progress_pacing.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ProgressPacing;

namespace {

// Counts passes instead of handling messages, and records what the step line shows and
// how long the thread would sleep, at which pass.
struct CountingPump {
    int passes = 0;
    struct Event {
        int atPass;
        std::wstring text;
        DWORD pause;
    };
    std::vector<Event> events;

    StepActions Actions()
    {
        return {[this] { ++passes; }, [this](const std::wstring& text) { events.push_back({passes, text, 0}); },
                [this](DWORD ms) { events.back().pause += ms; }};
    }
};

TEST(ProgressPacingTest, ReleaseStepsShowThreeDotFramesAndPauseThreeTimes)
{
    for (const int passes : {kRelease.fewestPasses, 1'234'567, kRelease.mostPasses}) {
        CountingPump pump;
        RunStep(L"Finding hard drives", passes, kRelease, pump.Actions());
        EXPECT_EQ(pump.passes, passes);
        ASSERT_EQ(pump.events.size(), 3u);
        EXPECT_EQ(pump.events[0].atPass, 20'000);
        EXPECT_EQ(pump.events[0].text, L"Finding hard drives.");
        EXPECT_EQ(pump.events[1].atPass, 50'000);
        EXPECT_EQ(pump.events[1].text, L"Finding hard drives..");
        EXPECT_EQ(pump.events[2].atPass, 150'000);
        EXPECT_EQ(pump.events[2].text, L"Finding hard drives...");
        for (const auto& event : pump.events)
            EXPECT_EQ(event.pause, 500u);
    }
    // An empty step text still shows its dots.
    CountingPump pump;
    RunStep(L"", kRelease.fewestPasses, kRelease, pump.Actions());
    ASSERT_EQ(pump.events.size(), 3u);
    EXPECT_EQ(pump.events[2].text, L"...");
}

TEST(ProgressPacingTest, ReleaseStepsMakeOneToThreeMillionPasses)
{
    std::mt19937 random(12345);
    int fewest = kRelease.mostPasses, most = kRelease.fewestPasses;
    for (int i = 0; i < 200'000; ++i) {
        const int passes = DrawPasses(kRelease, random);
        fewest = std::min(fewest, passes);
        most = std::max(most, passes);
    }
    EXPECT_GE(fewest, 1'000'000);
    EXPECT_LT(fewest, 1'001'000);
    EXPECT_LE(most, 2'999'999);
    EXPECT_GT(most, 2'999'000);
}

TEST(ProgressPacingTest, FastPacingKeepsEveryFrameWithinAStep)
{
    CountingPump pump;
    RunStep(L"step", kFast.fewestPasses, kFast, pump.Actions());
    EXPECT_EQ(pump.events.size(), 3u);
}

TEST(ProgressPacingTest, TheBarMovesByRoundedShares)
{
    const std::vector<int> optimize = {3,  6,  10, 13, 16, 19, 23, 26, 29, 32, 35, 39, 42, 45, 48, 52,
                                       55, 58, 61, 65, 68, 71, 74, 77, 81, 84, 87, 90, 94, 97, 100};
    const std::vector<int> restore = {4,  7,  11, 15, 19, 22, 26, 30, 33, 37, 41, 44, 48, 52,
                                      56, 59, 63, 67, 70, 74, 78, 81, 85, 89, 93, 96, 100};
    for (const auto& expected : {optimize, restore}) {
        const int total = int(expected.size());
        std::vector<int> positions;
        for (int done = 1; done <= total; ++done)
            positions.push_back(BarPosition(done, total));
        EXPECT_EQ(positions, expected) << "step total " << total;
    }
    EXPECT_EQ(BarPosition(0, 31), 0);
}

} // namespace
