#include "common/shell.h"

#include <gtest/gtest.h>

#include "common/window_coordination.h"
#include "tests/support/programs.h"
#include "ui/application.h"

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

bool ProgramRuns(const wchar_t* fileName)
{
    return !TestPrograms::ProcessesOf(fileName).empty();
}

int noticesAnswered = 0;

BOOL CALLBACK AnswerNotice(HWND window, LPARAM)
{
    wchar_t className[16];
    GetClassNameW(window, className, 16);
    if (std::wstring(className) == L"#32770" && IsWindowVisible(window)) {
        PostMessageW(window, WM_COMMAND, IDOK, 0);
        ++noticesAnswered;
    }
    return TRUE;
}

void CALLBACK AnswerShellNotices(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), AnswerNotice, 0);
}

bool timerQuitRan = false;

void CALLBACK QuitFromTimer(HWND, UINT, UINT_PTR, DWORD)
{
    timerQuitRan = true;
    PostQuitMessage(0);
}

// The test installer, told how to end through the environment it inherits.
int RunInstaller(const wchar_t* mode, const std::wstring& program = TestPrograms::BesideThisProgram(L"test_installer.exe"))
{
    SetEnvironmentVariableW(L"MARLOWICK_TEST_INSTALLER", mode);
    const int code = Shell::RunAndWait(program, L"/NORESTART /RESTARTEXITCODE=99");
    SetEnvironmentVariableW(L"MARLOWICK_TEST_INSTALLER", nullptr);
    return code;
}

TEST(RunAndWaitTest, GivesTheProgramsExitCode)
{
    EXPECT_EQ(RunInstaller(L"exit 0"), 0);
    EXPECT_EQ(RunInstaller(L"exit 99"), 99);
    EXPECT_EQ(RunInstaller(L"exit 3"), 3);
    EXPECT_LT(RunInstaller(L"crash"), 0) << "a crash's status, read as a signed number";

    // The shell tells the user itself that the file is missing; the test answers it from a
    // timer, which the notice's own message loop runs.
    noticesAnswered = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 200, AnswerShellNotices);
    EXPECT_EQ(RunInstaller(L"exit 0", Shell::ProgramFolder() + L"no such installer.exe"), 1);
    KillTimer(nullptr, timer);
    EXPECT_LE(noticesAnswered, 1) << "at most the shell's own notice";
}

TEST(RunAndWaitTest, AQuitEndsTheWaitAndLeavesTheProgramRunning)
{
    const std::wstring release = Shell::GetTempFolder() + L"marlowick-release-installer";
    DeleteFileW(release.c_str());
    SetEnvironmentVariableW(L"MARLOWICK_TEST_INSTALLER_RELEASE", release.c_str());
    // The window's messages are handled during the wait: a timer's quit arrives there.
    timerQuitRan = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 300, QuitFromTimer);
    const int code = RunInstaller(L"wait");
    KillTimer(nullptr, timer);
    EXPECT_TRUE(timerQuitRan);
    EXPECT_EQ(code, 259) << "STILL_ACTIVE";
    EXPECT_TRUE(ui::Application::Instance().Terminated());
    ui::Application::Instance().ResetTerminated();

    // It still waits for its release; once released it ends by itself.
    EXPECT_TRUE(ProgramRuns(L"test_installer.exe"));
    HANDLE marker = CreateFileW(release.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(marker);
    SetEnvironmentVariableW(L"MARLOWICK_TEST_INSTALLER_RELEASE", nullptr);
}

} // namespace
