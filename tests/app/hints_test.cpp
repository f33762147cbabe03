// Hints shown as Windows tooltips.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "common/native_hint_window.h"
#include "ui/controls.h"

using NativeHints::THintWindowFix;

namespace {

class HintsTest : public ::testing::Test {
protected:
    void SetUp() override { savedDoubleClick = GetDoubleClickTime(); }
    void TearDown() override { SetDoubleClickTime(savedDoubleClick); }
    UINT savedDoubleClick = 500;
};

TEST_F(HintsTest, PausesFollowTheDoubleClickTime)
{
    ASSERT_TRUE(SetDoubleClickTime(400));
    THintWindowFix hints;
    const ui::Application& application = ui::Application::Instance();
    EXPECT_EQ(application.hintPause, 400);
    EXPECT_EQ(application.hintShortPause, 80);
    EXPECT_EQ(application.hintHidePause, 4000);
}

TEST_F(HintsTest, LinesBreakAtCrLfOnlyAndTheWidestLineSetsTheWidth)
{
    THintWindowFix hints;
    const RECT shortLine = hints.CalcHintRect(1000, L"short");
    const RECT longLine = hints.CalcHintRect(1000, L"the longer line");
    const RECT both = hints.CalcHintRect(1000, L"short\r\nthe longer line");
    EXPECT_GT(shortLine.bottom, 0);
    EXPECT_EQ(both.right, longLine.right);
    EXPECT_EQ(both.bottom, shortLine.bottom + longLine.bottom);
    EXPECT_EQ(hints.CalcHintRect(1000, L"a\nb").bottom, shortLine.bottom) << "a lone LF does not break";
}

TEST_F(HintsTest, TheSameHintStaysAndAnotherReplacesIt)
{
    THintWindowFix hints;
    hints.ActivateHint(RECT{100, 100, 0, 0}, L"Save & go");
    const HWND first = hints.Tooltip();
    ASSERT_TRUE(first && IsWindow(first));
    EXPECT_TRUE(GetWindowLongW(first, GWL_STYLE) & TTS_NOPREFIX) << "an ampersand is shown as it is";
    hints.ActivateHint(RECT{120, 120, 0, 0}, L"Save & go");
    EXPECT_EQ(hints.Tooltip(), first);
    hints.ActivateHint(RECT{120, 120, 0, 0}, L"Something else");
    EXPECT_NE(hints.Tooltip(), first);
    EXPECT_FALSE(IsWindow(first));
    hints.ReleaseHandle();
    EXPECT_EQ(hints.Tooltip(), nullptr);
}

TEST_F(HintsTest, ABlankShortHintHidesTheTooltip)
{
    THintWindowFix hints;
    hints.ActivateHint(RECT{100, 100, 0, 0}, L"shown");
    ASSERT_NE(hints.Tooltip(), nullptr);
    ui::Control blank(nullptr, L"Blank");
    blank.hint = L"  \t|the long part";
    ui::Application::Instance().HintMouseMove(&blank);
    EXPECT_EQ(hints.Tooltip(), nullptr);
    ui::Application::Instance().HintMouseMove(nullptr);
}

TEST_F(HintsTest, TooltipsStayOnTheMonitor)
{
    THintWindowFix hints;
    MONITORINFO monitor{sizeof(monitor)};
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT area = monitor.rcMonitor;
    hints.ActivateHint(RECT{area.right - 5, area.top + 40, 0, 0}, L"A hint near the right edge");
    RECT shown;
    ASSERT_TRUE(GetWindowRect(hints.Tooltip(), &shown));
    EXPECT_LE(shown.right, area.right);
    EXPECT_GE(shown.left, area.left);
}

} // namespace
