// Marlowick's windows driven in this process: real windows and the real registry; message
// boxes are answered, launches and the restart are recorded, and progress is paced quickly.
#include <gtest/gtest.h>

#include "common/captions.h"
#include "common/registry.h"
#include "common/system_font.h"
#include "optimizer/startup.h"
#include "optimizer/timestamp.h"
#include "tests/app/app_fixture.h"

namespace {

using TestRegistry::RawValue;

std::wstring Main(const wchar_t* key) { return Captions::GetCaption(L"MKMainForm", key); }

class MainWindowTest : public AppWindowsTest {
protected:
    static std::optional<RawValue> Program(const wchar_t* name)
    {
        return TestRegistry::ReadProgramValue(name);
    }

    std::wstring FinalQuestion(const std::wstring& first) const
    {
        return first + L"\r\n\r\n" + Main(L"MessageBoxChangeRestart2") + L"\r\n\r\n" + Main(L"MessageBoxChangeRestart3");
    }
};

TEST_F(MainWindowTest, OptimizeStoresTheChoicesRunsAllStepsAndAsksForARestart)
{
    for (const int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        Windows windows;
        windows.main.WindowsCombo.SetItemIndex(1);
        windows.main.ProcessorCombo.SetItemIndex(2);
        windows.main.SpeedTrackBar.SetPosition(1);
        answers = {answer};
        messages.clear();
        restarts.clear();

        windows.main.GoButtonClick();

        EXPECT_EQ(windows.settings.stepCounter, 31);
        EXPECT_EQ(windows.settings.MainProgress.Position(), 100);
        EXPECT_FALSE(windows.settings.IsShown());
        EXPECT_TRUE(windows.main.Enabled());
        EXPECT_TRUE(windows.main.RestoreButton.Enabled());
        EXPECT_EQ(Program(ProgramKey::kProcessorType), TestRegistry::Dword(2));
        EXPECT_EQ(Program(ProgramKey::kSpeedSetting), TestRegistry::Dword(1));
        EXPECT_EQ(Program(ProgramKey::kRestore), TestRegistry::Dword(1));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].owner, windows.main.Handle());
        EXPECT_EQ(messages[0].title, Main(L"MKMainForm"));
        EXPECT_EQ(messages[0].text, FinalQuestion(Main(L"MessageBoxChangeRestart1")));
        EXPECT_EQ(messages[0].flags, UINT(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2));
        EXPECT_EQ(restarts, answer == IDYES ? std::vector<UINT>{EWX_REBOOT | EWX_FORCEIFHUNG} : std::vector<UINT>{});
    }
}

TEST_F(MainWindowTest, WindowsAskedToCloseDuringARunCloseOnceTheRunHasEnded)
{
    ui::Application& application = ui::Application::Instance();
    {
        Windows windows;
        answers = {IDNO};
        // As the updater does it: handled during the run's progress steps.
        PostMessageW(windows.settings.Handle(), WM_CLOSE, 0, 0);
        PostMessageW(windows.main.Handle(), WM_CLOSE, 0, 0);

        windows.main.GoButtonClick();

        EXPECT_EQ(windows.settings.stepCounter, 31) << "the run went on to its end";
        EXPECT_EQ(Program(ProgramKey::kRestore), TestRegistry::Dword(1));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(messages[0].mainShown) << "the closing question was asked in the open window";
        EXPECT_FALSE(windows.main.IsShown()) << "closed after the run";
        application.ProcessMessages();
        EXPECT_TRUE(application.Terminated()) << "closing the main window ends the program";
        application.ResetTerminated();
    }
    {
        Windows windows;
        PostMessageW(windows.main.Handle(), WM_CLOSE, 0, 0);
        application.ProcessMessages();
        EXPECT_FALSE(windows.main.IsShown()) << "outside a run, at once";
        application.ResetTerminated();
    }
}

TEST_F(MainWindowTest, RestoreAsksFirstAndCancelChangesNothing)
{
    Windows windows;
    windows.main.GoButtonClick(); // no answer: restart later
    const auto before = Program(ProgramKey::kRestore);
    messages.clear();
    int progressShowings = 0;
    windows.settings.OnShow = [&] {
        ++progressShowings;
        windows.settings.FormShow();
    };
    windows.settings.stepCounter = -1;

    answers = {IDCANCEL};
    windows.main.RestoreButtonClick();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, Main(L"MessageBoxReset1") + L"\r\n\r\n" + Main(L"MessageBoxReset2"));
    EXPECT_EQ(messages[0].flags, UINT(MB_OKCANCEL | MB_ICONWARNING));
    EXPECT_EQ(Program(ProgramKey::kRestore), before);
    EXPECT_TRUE(windows.main.RestoreButton.Enabled());
    EXPECT_EQ(progressShowings, 0);
    EXPECT_EQ(windows.settings.stepCounter, -1) << "a progress step was played";

    answers = {IDOK, IDNO};
    windows.main.RestoreButtonClick();
    EXPECT_EQ(progressShowings, 1);
    EXPECT_EQ(windows.settings.stepCounter, 27);
    EXPECT_EQ(Program(ProgramKey::kRestore), std::nullopt);
    EXPECT_FALSE(windows.main.RestoreButton.Enabled());
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[2].text, FinalQuestion(Main(L"MessageBoxChangeRestart1")));
    EXPECT_EQ(messages[2].flags, UINT(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2));
}

// A Windows key that refuses writes: the run goes through, says that not every change could
// be made, and a Restore that could not put everything back keeps the backup and its button.
TEST_F(MainWindowTest, ARunThatCouldNotMakeEveryChangeSaysSo)
{
    const auto& tcpip = TweakCatalogue::kTweaks[7];             // KeepAliveTime
    const auto& priorityControl = TweakCatalogue::kTweaks[14];  // Win32PrioritySeparation
    struct Case {
        const char* what;
        const TweakCatalogue::Tweak& refusing;
        bool restore;
        bool backupLeft;
    };
    const Case cases[] = {
        {"Optimize", tcpip, false, true},
        {"Restore", priorityControl, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Windows windows;
        answers = {IDNO};
        windows.main.GoButtonClick(); // makes every key the runs need
        messages.clear();
        answers = c.restore ? std::deque<int>{IDOK, IDNO} : std::deque<int>{IDNO};
        {
            TestRegistry::DenyWrites deny(c.refusing.root, std::wstring(c.refusing.keyPath),
                                          KEY_SET_VALUE | KEY_CREATE_SUB_KEY, TestRegistry::kWindowsView);
            if (c.restore)
                windows.main.RestoreButtonClick();
            else
                windows.main.GoButtonClick();
        }
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back().text, FinalQuestion(Main(L"MessageBoxChangeIncomplete1")));
        EXPECT_EQ(messages.back().flags, UINT(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2));
        EXPECT_EQ(Program(ProgramKey::kRestore).has_value(), c.backupLeft);
        EXPECT_EQ(windows.main.RestoreButton.Enabled(), c.backupLeft);
        EXPECT_TRUE(windows.main.Enabled());

        // Once the key accepts writes again, Restore finishes the job.
        answers = {IDOK, IDNO};
        messages.clear();
        windows.main.RestoreButtonClick();
        EXPECT_EQ(messages.back().text, FinalQuestion(Main(L"MessageBoxChangeRestart1")));
        EXPECT_EQ(Program(ProgramKey::kRestore), std::nullopt);
        EXPECT_FALSE(windows.main.RestoreButton.Enabled());
    }
}

// When the backup cannot be kept, Optimize changes nothing in Windows and says so.
TEST_F(MainWindowTest, OptimizeWithoutABackupChangesNothing)
{
    Windows windows;
    // Records left by a run that died: Optimize must replace them and may not.
    TestRegistry::Write(ProgramKey::kRoot, ProgramKey::kOriginalsPath, L"stale", TestRegistry::Dword(1),
                        TestRegistry::kProgramKeyView);
    const auto keepAliveTime = TestRegistry::Read(HKEY_LOCAL_MACHINE, std::wstring(TweakCatalogue::kTweaks[7].keyPath),
                                                  L"KeepAliveTime", TestRegistry::kWindowsView);
    {
        TestRegistry::DenyWrites deny(ProgramKey::kRoot, ProgramKey::kOriginalsPath, KEY_ALL_ACCESS,
                                      TestRegistry::kProgramKeyView);
        windows.main.GoButtonClick();
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, Main(L"MessageBoxBackupFailed1") + L"\r\n\r\n" + Main(L"MessageBoxBackupFailed2"));
    EXPECT_EQ(messages[0].flags, UINT(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(restarts.size(), 0u);
    EXPECT_EQ(Program(ProgramKey::kRestore), std::nullopt);
    EXPECT_FALSE(windows.main.RestoreButton.Enabled());
    EXPECT_EQ(TestRegistry::Read(HKEY_LOCAL_MACHINE, std::wstring(TweakCatalogue::kTweaks[7].keyPath), L"KeepAliveTime",
                                 TestRegistry::kWindowsView),
              keepAliveTime);
}

// Without the right to write the program key nothing is written and no progress is shown;
// the user is told what to do.
TEST_F(MainWindowTest, WithoutAdministratorRightsNothingBegins)
{
    Windows windows;
    ASSERT_TRUE(CustomRegistry::WriteRegInteger(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kProcessorType, 0,
                                                ProgramKey::kView));
    TestRegistry::DenyWrites deny(ProgramKey::kRoot, ProgramKey::kPath, KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                                  TestRegistry::kProgramKeyView);
    windows.main.ProcessorCombo.SetItemIndex(2);
    for (const auto click : {&TMKMainForm::GoButtonClick, &TMKMainForm::RestoreButtonClick}) {
        messages.clear();
        (windows.main.*click)();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, Main(L"MessageBoxNoRights1") + L"\r\n\r\n" + Main(L"MessageBoxNoRights2"));
        EXPECT_EQ(messages[0].flags, UINT(MB_OK | MB_ICONWARNING));
        EXPECT_EQ(windows.settings.stepCounter, 0);
    }
    EXPECT_EQ(Program(ProgramKey::kProcessorType), TestRegistry::Dword(0));
    EXPECT_EQ(Program(ProgramKey::kRestore), std::nullopt);
}

TEST_F(MainWindowTest, TheAboutWindowShowsTheVersionOnceOnEveryShowing)
{
    Windows windows;
    for (int showing = 0; showing < 2; ++showing) {
        EXPECT_EQ(ShowAboutAndClose(windows), IDOK);
        EXPECT_EQ(windows.about.VersionLabel.Text(), L"Marlowick 2  (Version : 2.10.21.2024)");
    }
}

TEST_F(MainWindowTest, F1OpensTheHelpTopicInEachWindow)
{
    Windows windows;
    const std::wstring topic = Shell::ProgramFolder() + L"Marlowick.chm::/html/main.htm>HelpWindow";
    const auto pressF1 = [](HWND window) { PostMessageW(window, WM_KEYDOWN, VK_F1, 0); };

    pressF1(windows.main.GoButton.Handle());
    ui::Application::Instance().ProcessMessages();
    windows.settings.Show();
    pressF1(windows.settings.Handle());
    ui::Application::Instance().ProcessMessages();
    windows.settings.Hide();
    pressF1(windows.about.CloseButton.Handle());
    PostMessageW(windows.about.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), LPARAM(windows.about.CloseButton.Handle()));
    windows.about.ShowModal();
    windows.about.HelpButtonClick();

    ASSERT_EQ(launches.size(), 4u);
    for (const auto& launch : launches) {
        EXPECT_EQ(launch.kind, Shell::Launch::Kind::HelpTopic);
        EXPECT_EQ(launch.target, topic);
        EXPECT_EQ(launch.owner, GetDesktopWindow());
    }
}

TEST_F(MainWindowTest, LinksOpenPagesTheLicenceAndTheUpdater)
{
    Windows windows;
    windows.main.NavButton2Click();
    windows.main.NavButton3Click();
    windows.main.UpdatesButtonClick();
    windows.about.LicenseAgreementLabelClick();
    ASSERT_EQ(launches.size(), 4u);
    EXPECT_EQ(launches[0].target, L"http://" MARLOWICK_VENDOR_HOST L"/");
    EXPECT_EQ(launches[0].owner, windows.main.Handle());
    EXPECT_EQ(launches[1].target, L"http://" MARLOWICK_VENDOR_HOST L"/support/");
    EXPECT_EQ(launches[2].target, Shell::ProgramFolder() + L"MarlowickUpdate.exe");
    EXPECT_EQ(launches[2].owner, nullptr);
    EXPECT_EQ(launches[2].parameters, L"");
    EXPECT_EQ(launches[3].target, Shell::ProgramFolder() + L"License.rtf");
}

TEST_F(MainWindowTest, StartsTheUpdateCheckWhenTheLastUpdateIsMoreThan45DaysAway)
{
    constexpr std::int64_t kDay = 86'400'000;
    const std::int64_t now = Timestamp::NowMilliseconds();
    struct Case {
        const char* what;
        std::optional<std::wstring> updatedDate;
        bool checks;
    };
    const Case cases[] = {
        {"never updated", std::nullopt, false},
        {"45 days ago", Timestamp::TimestampText(now - 45 * kDay), false},
        {"46 days ago", Timestamp::TimestampText(now - 46 * kDay - 60'000), true},
        {"46 days ahead", Timestamp::TimestampText(now + 46 * kDay + 60'000), true},
        {"a locale date long ago", L"3/8/2024 2:05:09 PM", true},
        {"not a moment", L"soon", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestRegistry::DeleteProgramValue(ProgramKey::kUpdatedDate);
        if (c.updatedDate)
            TestRegistry::WriteProgramValue(ProgramKey::kUpdatedDate, TestRegistry::Sz(*c.updatedDate));
        launches.clear();
        Windows windows;
        ASSERT_EQ(launches.size(), c.checks ? 1u : 0u);
        if (c.checks) {
            EXPECT_EQ(launches[0].target, Shell::ProgramFolder() + L"Marlowick.exe");
            EXPECT_EQ(launches[0].parameters, L"/checkupdate");
            // The check's process must find the main window on the screen, never hidden.
            EXPECT_TRUE(mainShownAtLaunch.back());
        }
    }
}

TEST_F(MainWindowTest, PreselectsStoredChoicesAndShowsTheLastUpdate)
{
    const std::wstring cpu = L"\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0\\";
    TestRegistry::Write(HKEY_LOCAL_MACHINE, cpu, L"ProcessorNameString", TestRegistry::Sz(L"AMD Ryzen 5"));
    {
        Windows windows; // nothing stored: detected
        EXPECT_EQ(windows.main.ProcessorCombo.ItemIndex(), 1);
        EXPECT_EQ(windows.main.SpeedTrackBar.Position(), 0);
        EXPECT_FALSE(windows.main.RestoreButton.Enabled());
        EXPECT_EQ(windows.main.SoftwareLastUpdateLabel.Text(), L"Last updated : ");
        EXPECT_EQ(windows.main.VersionInstalledLabel.Text(), L"Version installed : 2.10.21.2024");
    }
    TestRegistry::WriteProgramValue(ProgramKey::kProcessorType, TestRegistry::Dword(2));
    TestRegistry::WriteProgramValue(ProgramKey::kSpeedSetting, TestRegistry::Dword(5));
    TestRegistry::WriteProgramValue(ProgramKey::kRestore, TestRegistry::Dword(1));
    TestRegistry::WriteProgramValue(ProgramKey::kInstalledDate, TestRegistry::Sz(L"1709906709"));
    {
        Windows windows;
        EXPECT_EQ(windows.main.ProcessorCombo.ItemIndex(), 2);
        EXPECT_EQ(windows.main.SpeedTrackBar.Position(), 1);
        EXPECT_TRUE(windows.main.RestoreButton.Enabled());
        EXPECT_EQ(windows.main.SoftwareLastUpdateLabel.Text(), L"Last updated : Friday, March 8, 2024 - 2:05:09 PM");
    }
}

TEST_F(MainWindowTest, EveryStartRecordsTheFirstStartAndAnInstalledUpdate)
{
    const std::wstring before = Timestamp::TimestampText(Timestamp::NowMilliseconds());
    const std::wstring installed = Startup::RecordStart();
    EXPECT_EQ(Program(ProgramKey::kInstalledDate), TestRegistry::Sz(installed));
    EXPECT_GE(std::stoll(installed), std::stoll(before));
    EXPECT_EQ(Program(ProgramKey::kUpdatedDate), std::nullopt);
    EXPECT_EQ(Program(ProgramKey::kUpdated), std::nullopt);

    // A stored text stays, whatever it is; "Updated" is consumed once.
    TestRegistry::WriteProgramValue(ProgramKey::kInstalledDate, TestRegistry::Sz(L"long ago"));
    TestRegistry::WriteProgramValue(ProgramKey::kUpdated, TestRegistry::Dword(1));
    EXPECT_EQ(Startup::RecordStart(), L"long ago");
    EXPECT_EQ(Program(ProgramKey::kUpdated), TestRegistry::Dword(0));
    ASSERT_TRUE(Program(ProgramKey::kUpdatedDate));
    const auto updated = CustomRegistry::ReadRegString(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kUpdatedDate,
                                                       L"", ProgramKey::kView);
    EXPECT_GE(std::stoll(updated), std::stoll(before));
}

// A large desktop font is capped at 9 points for the window; controls with fonts of their
// own take its typeface and at least its size, and keep their style.
TEST(SystemFontTest, CapsTheWindowFontAndRaisesSmallerControlFonts)
{
    ui::Form form(L"MKTestForm");
    ui::Label follower(&form, L"Follower");
    ui::Label small(&form, L"Small");
    ui::Label heading(&form, L"Heading");
    form.parentFont = false;
    form.font = {L"Segoe UI", 12};
    small.parentFont = false;
    small.font = {L"Tahoma", 8};
    heading.parentFont = false;
    heading.font = {L"Tahoma", 12, true, false, RGB(1, 2, 3)};

    SystemFont::ApplySystemFont(form);

    EXPECT_EQ(form.font.points, 9);
    EXPECT_EQ(follower.ShownFont(), form.font);
    EXPECT_EQ(small.font, (ui::Font{L"Segoe UI", 9}));
    EXPECT_EQ(heading.font, (ui::Font{L"Segoe UI", 12, true, false, RGB(1, 2, 3)}));
}

TEST(StartupTest, OnlyTheWholeFirstArgumentSelectsUpdateCheckMode)
{
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"Marlowick.exe /checkupdate", true},
        {L"\"C:\\Program Files\\Marlowick\\Marlowick.exe\" /CheckUpdate", true},
        {L"Marlowick.exe /CHECKUPDATE more", true},
        {L"Marlowick.exe", false},
        {L"Marlowick.exe  \t ", false},
        {L"\"C:\\Program Files\\Marlowick\\Marlowick.exe\"", false},
        {L"\"C:\\Program Files\\Marlowick\\Marlowick.exe\" \"/checkupdate\"", true},
        {L"Marlowick.exe /checkupdates", false},
        {L"Marlowick.exe other /checkupdate", false},
    };
    for (const auto& [commandLine, checkMode] : cases)
        EXPECT_EQ(Startup::IsUpdateCheckMode(commandLine), checkMode) << testing::PrintToString(std::wstring(commandLine));
}

} // namespace
