// The real Marlowick.exe as a process, driven from outside as a user would: windows found by
// class, buttons clicked, the real message boxes answered.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/program_key.h"
#include "optimizer/tweak_catalogue.h"
#include "tests/support/driver.h"
#include "tests/support/machine_state.h"
#include "tests/support/programs.h"
#include "tests/support/registry_helpers.h"

namespace {

using namespace Driver;

struct ComboSearch {
    LRESULT items;
    HWND found = nullptr;
};

BOOL CALLBACK MatchCombo(HWND child, LPARAM data)
{
    auto& search = *reinterpret_cast<ComboSearch*>(data);
    wchar_t className[64];
    GetClassNameW(child, className, 64);
    if (std::wstring(className) != L"ComboBox" || SendMessageW(child, CB_GETCOUNT, 0, 0) != search.items)
        return TRUE;
    search.found = child;
    return FALSE;
}

// The edition list: the one drop-down list of ten items.
HWND EditionList(HWND mainWindow)
{
    ComboSearch search{10};
    EnumChildWindows(mainWindow, MatchCombo, LPARAM(&search));
    return search.found;
}

// The main window once it is on the screen and ready for input.
HWND ShownMainWindow() { return ShownWindow(L"TMKMainForm"); }

// Answers the questions of a Restore that was clicked: OK to go on, then No to a restart.
void ConfirmRestoreAndRestartLater(HWND window)
{
    const HWND confirm = MessageBoxOf(window);
    ASSERT_NE(confirm, nullptr) << "no confirmation before Restore";
    ASSERT_TRUE(Answer(confirm, L"OK"));
    const HWND restored = MessageBoxOf(window);
    ASSERT_NE(restored, nullptr) << "no question after Restore";
    ASSERT_TRUE(Answer(restored, L"&No"));
}

using TestPrograms::Process;

std::vector<TestRegistry::Snapshot::Place> TouchedValues()
{
    std::vector<TestRegistry::Snapshot::Place> places;
    for (const auto& t : TweakCatalogue::kTweaks) {
        places.push_back({t.root, std::wstring(t.keyPath), std::wstring(t.valueName), TestRegistry::kWindowsView});
        places.push_back(TestRegistry::ProgramPlace(std::wstring(t.valueName)));
    }
    for (const wchar_t* name : {ProgramKey::kRestore, ProgramKey::kProcessorType, ProgramKey::kSpeedSetting})
        places.push_back(TestRegistry::ProgramPlace(name));
    return places;
}

TEST(MarlowickTest, ASecondStartBringsTheFirstWindowBackAndEnds)
{
    Process first(L"Marlowick.exe");
    const HWND window = ShownMainWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));

    Process second(L"Marlowick.exe");
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(GetForegroundWindow(), window);

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.Wait(), 0);
}

TEST(MarlowickTest, AUserOptimizesAndRestores)
{
#ifndef MARLOWICK_FAST_PROGRESS
    GTEST_SKIP() << "a release build paces its progress steps over most of an hour";
#endif
    TestRegistry::Snapshot snapshot(TouchedValues());
    for (const auto& place : snapshot.Places())
        TestRegistry::Delete(place.root, place.path, place.name, place.view);
    const auto& autoReboot = TweakCatalogue::kTweaks[15];
    TestRegistry::Write(autoReboot.root, std::wstring(autoReboot.keyPath), L"AutoReboot", TestRegistry::Dword(0));

    Process marlowick(L"Marlowick.exe");
    const HWND window = ShownMainWindow();
    ASSERT_NE(window, nullptr);

    Click(ChildWithText(window, L"&Optimize now"));
    const HWND optimized = MessageBoxOf(window);
    ASSERT_NE(optimized, nullptr) << "no question after Optimize";
    ASSERT_TRUE(Answer(optimized, L"&No"));
    EXPECT_EQ(TestRegistry::ReadProgramValue(ProgramKey::kRestore), TestRegistry::Dword(1));
    EXPECT_EQ(TestRegistry::Read(autoReboot.root, std::wstring(autoReboot.keyPath), L"AutoReboot"), TestRegistry::Dword(1));

    const HWND restore = ChildWithText(window, L"&Restore");
    ASSERT_TRUE(IsWindowEnabled(restore));
    Click(restore);
    ASSERT_NO_FATAL_FAILURE(ConfirmRestoreAndRestartLater(window));
    EXPECT_FALSE(IsWindowEnabled(restore));
    EXPECT_EQ(TestRegistry::ReadProgramValue(ProgramKey::kRestore), std::nullopt);
    EXPECT_EQ(TestRegistry::Read(autoReboot.root, std::wstring(autoReboot.keyPath), L"AutoReboot"), TestRegistry::Dword(0));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(marlowick.Wait(), 0);
}

// A user who set some of these values by hand optimises for Windows XP, closes Marlowick,
// starts it again (it then shows the edition it detects) and restores: every value and key
// is as before the Optimize. Also when a Windows key refused the Optimize's writes.
TEST(MarlowickTest, AUserRestoresAfterChangingTheEditionAndRestarting)
{
#ifndef MARLOWICK_FAST_PROGRESS
    GTEST_SKIP() << "a release build paces its progress steps over most of an hour";
#endif
    TestRegistry::Snapshot snapshot(TouchedValues());
    MachineState::MissingKeys missingKeys;
    constexpr int kKeepAliveTime = 8, kUseStyleSheets = 18, kAutoReboot = 16;
    const auto& tcpip = TweakCatalogue::kTweaks[kKeepAliveTime - 1];
    for (const bool refused : {false, true}) {
        SCOPED_TRACE(refused ? "the TCP/IP key refused writes" : "every write accepted");
        for (const auto& place : snapshot.Places())
            TestRegistry::Delete(place.root, place.path, place.name, place.view);
        TestRegistry::DeleteTree(ProgramKey::kRoot, ProgramKey::kOriginalsPath, TestRegistry::kProgramKeyView);
        missingKeys.RemoveCreated();
        // The seven rows with a saved copy come back as their defaults where they were
        // missing; the user here has all of them, one set by hand.
        for (const int row : {1, 2, 13, 14, 15})
            MachineState::SetRowValue(row, TestRegistry::Dword(row == 15 ? 2 : 0));
        MachineState::SetRowValue(12, TestRegistry::Sz(L"1"));
        MachineState::SetRowValue(kAutoReboot, TestRegistry::Dword(0));
        MachineState::SetRowValue(kKeepAliveTime, TestRegistry::Dword(7200000));
        MachineState::SetRowValue(kUseStyleSheets, TestRegistry::Sz(L"No"));
        const MachineState::State before = MachineState::Now();
        {
            std::optional<TestRegistry::DenyWrites> deny;
            if (refused)
                deny.emplace(tcpip.root, std::wstring(tcpip.keyPath));
            Process marlowick(L"Marlowick.exe");
            const HWND window = ShownMainWindow();
            ASSERT_NE(window, nullptr);
            const HWND editions = EditionList(window);
            ASSERT_NE(editions, nullptr);
            SendMessageW(editions, CB_SETCURSEL, 5, 0); // Windows XP
            Click(ChildWithText(window, L"&Optimize now"));
            const HWND optimized = MessageBoxOf(window);
            ASSERT_NE(optimized, nullptr) << "no question after Optimize";
            wchar_t text[512] = L"";
            GetDlgItemTextW(optimized, 0xFFFF, text, 512); // a message box's text
            EXPECT_TRUE(std::wstring(text).starts_with(refused ? L"Not every change" : L"The changes"))
                << testing::PrintToString(std::wstring(text));
            ASSERT_TRUE(Answer(optimized, L"&No"));
            EXPECT_EQ(MachineState::RowValue(kKeepAliveTime),
                      refused ? TestRegistry::Dword(7200000) : TestRegistry::Dword(300000));
            PostMessageW(window, WM_CLOSE, 0, 0);
            ASSERT_EQ(marlowick.Wait(), 0);
        }

        Process marlowick(L"Marlowick.exe");
        const HWND window = ShownMainWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_NE(SendMessageW(EditionList(window), CB_GETCURSEL, 0, 0), 5) << "the edition should be the detected one";
        Click(ChildWithText(window, L"&Restore"));
        ASSERT_NO_FATAL_FAILURE(ConfirmRestoreAndRestartLater(window));
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(marlowick.Wait(), 0);

        EXPECT_EQ(MachineState::Differences(MachineState::Now(), before), "");
        EXPECT_EQ(TestRegistry::ReadProgramValue(ProgramKey::kRestore), std::nullopt);
        EXPECT_FALSE(
            TestRegistry::KeyExists(ProgramKey::kRoot, ProgramKey::kOriginalsPath, TestRegistry::kProgramKeyView));
    }
}

} // namespace
