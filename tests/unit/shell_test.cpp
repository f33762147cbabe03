#include "common/shell.h"

#include <gtest/gtest.h>

#include "common/window_coordination.h"

namespace {

TEST(ShellTest, FoldersEndInABackslash)
{
    const std::wstring temp = Shell::GetTempFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_TRUE(temp.ends_with(L'\\'));
    EXPECT_NE(GetFileAttributesW(temp.c_str()), INVALID_FILE_ATTRIBUTES);

    const std::wstring folder = Shell::ProgramFolder();
    EXPECT_TRUE(folder.ends_with(L'\\'));
    EXPECT_NE(GetFileAttributesW((folder + L"shell_tests.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(ShellTest, HelpTopicsAreShownFromTheProgramFolder)
{
    std::vector<Shell::Launch> launches;
    Shell::SetLaunchHandler([&](const Shell::Launch& launch) { launches.push_back(launch); });
    Shell::ShowHelpTopic(L"Marlowick.chm", L"/html/update.htm");
    Shell::StartProgram(L"C:\\x\\MarlowickUpdate.exe", L"");
    Shell::SetLaunchHandler(nullptr);
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0].kind, Shell::Launch::Kind::HelpTopic);
    EXPECT_EQ(launches[0].target, Shell::ProgramFolder() + L"Marlowick.chm::/html/update.htm>HelpWindow");
    EXPECT_EQ(launches[1].kind, Shell::Launch::Kind::Open);
    EXPECT_EQ(launches[1].owner, nullptr);
}

// Windows of the main program's classes in this process, counting the WM_CLOSE they get.
struct Recorder {
    static inline std::vector<std::wstring> closed;
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_CLOSE) {
            wchar_t name[64];
            GetClassNameW(window, name, 64);
            closed.push_back(name);
            DestroyWindow(window);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    static HWND Make(const wchar_t* className)
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = className;
        RegisterClassW(&windowClass);
        return CreateWindowW(className, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    }
};

TEST(WindowCoordinationTest, FindsActivatesAndClosesTheMainProgramsWindows)
{
    using namespace WindowCoordination;
    Recorder::closed.clear();
    CloseMainProgramWindows();
    EXPECT_TRUE(Recorder::closed.empty()) << "nothing to close, nothing sent";
    EXPECT_FALSE(ActivateRunningInstance(kMainFormClass, true));

    const HWND main = Recorder::Make(kMainFormClass);
    ShowWindow(main, SW_MINIMIZE);
    EXPECT_TRUE(ActivateRunningInstance(kMainFormClass, false));
    EXPECT_TRUE(IsIconic(main)) << "found, not touched";
    EXPECT_TRUE(ActivateRunningInstance(kMainFormClass, true));
    EXPECT_FALSE(IsIconic(main));
    EXPECT_TRUE(IsWindowVisible(main));

    CloseMainProgramWindows();
    EXPECT_EQ(Recorder::closed, std::vector<std::wstring>{kMainFormClass});

    Recorder::closed.clear();
    Recorder::Make(kMainFormClass);
    Recorder::Make(kSettingsFormClass);
    Recorder::Make(kAboutFormClass);
    CloseMainProgramWindows();
    EXPECT_EQ(Recorder::closed, (std::vector<std::wstring>{kAboutFormClass, kSettingsFormClass, kMainFormClass}));
}

} // namespace
