#pragma once

// What every test of Marlowick's windows in this process stands on: the registry values a
// run may change, saved and put back; message boxes answered from a queue and recorded;
// launches and the restart recorded; the three windows made as the start-up makes them.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "common/program_key.h"
#include "common/restart.h"
#include "common/shell.h"
#include "optimizer/main_form.h"
#include "optimizer/tweak_catalogue.h"
#include "tests/support/registry_helpers.h"
#include "ui/application.h"

struct ShownMessage {
    HWND owner;
    std::wstring text, title;
    UINT flags;
    bool mainShown; // whether the main window was on the screen then
};

inline std::vector<TestRegistry::Snapshot::Place> TouchedValues()
{
    std::vector<TestRegistry::Snapshot::Place> places;
    for (const auto& t : TweakCatalogue::kTweaks) {
        places.push_back({t.root, std::wstring(t.keyPath), std::wstring(t.valueName), TestRegistry::kWindowsView});
        places.push_back(TestRegistry::ProgramPlace(std::wstring(t.valueName)));
    }
    for (const wchar_t* name : {ProgramKey::kRestore, ProgramKey::kProcessorType, ProgramKey::kSpeedSetting,
                                ProgramKey::kInstalledDate, ProgramKey::kUpdatedDate, ProgramKey::kUpdated})
        places.push_back(TestRegistry::ProgramPlace(name));
    places.push_back({HKEY_LOCAL_MACHINE, L"\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0\\", L"ProcessorNameString"});
    return places;
}

class AppWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const auto& place : snapshot.Places()) {
            if (place.path == ProgramKey::kPath)
                TestRegistry::Delete(place.root, place.path, place.name, place.view);
        }
        TestRegistry::DeleteTree(ProgramKey::kRoot, ProgramKey::kOriginalsPath, TestRegistry::kProgramKeyView);
        ui::Application::Instance().SetMessageBoxHandler(
            [this](HWND owner, const std::wstring& text, const std::wstring& title, UINT flags) {
                const HWND main = FindWindowW(L"TMKMainForm", nullptr);
                messages.push_back({owner, text, title, flags, main && IsWindowVisible(main)});
                if (answers.empty())
                    return IDCANCEL;
                const int answer = answers.front();
                answers.pop_front();
                return answer;
            });
        Shell::SetLaunchHandler([this](const Shell::Launch& launch) {
            launches.push_back(launch);
            const HWND main = FindWindowW(L"TMKMainForm", nullptr);
            mainShownAtLaunch.push_back(main && IsWindowVisible(main));
        });
        Restart::SetRestartRequest([this](UINT flags, DWORD) {
            restarts.push_back(flags);
            return TRUE;
        });
    }

    void TearDown() override
    {
        TestRegistry::DeleteTree(ProgramKey::kRoot, ProgramKey::kOriginalsPath, TestRegistry::kProgramKeyView);
        ui::Application::Instance().SetMessageBoxHandler(nullptr);
        Shell::SetLaunchHandler(nullptr);
        Restart::SetRestartRequest(nullptr);
    }

    // The three windows, as the start-up makes them; the start-up leaves the About and
    // progress windows' windows to their first showing, here they are made at once so that
    // tests can post to them beforehand.
    struct Windows {
        TMKMainForm main;
        TMKAboutForm about{main};
        TMKSettingsForm settings{main};
        Windows()
        {
            main.aboutForm = &about;
            main.settingsForm = &settings;
            settings.pacing = {3, 3, {1, 2, 3}, 0};
            ui::Application::Instance().SetMainForm(&main);
            main.FormCreate();
            main.Create();
            about.Create();
            settings.Create();
            main.Show();
            main.StartDueUpdateCheck();
        }
        ~Windows() { ui::Application::Instance().SetMainForm(nullptr); }
    };

    // Shows the About window modally; a click on its Close button, already waiting, ends it.
    static int ShowAboutAndClose(Windows& windows)
    {
        PostMessageW(windows.about.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                     LPARAM(windows.about.CloseButton.Handle()));
        return windows.about.ShowModal();
    }

    TestRegistry::Snapshot snapshot{TouchedValues()};
    std::vector<ShownMessage> messages;
    std::deque<int> answers;
    std::vector<Shell::Launch> launches;
    std::vector<bool> mainShownAtLaunch; // whether the main window was on the screen then
    std::vector<UINT> restarts;
};
