// The real MarlowickUpdate.exe and Marlowick.exe as processes against the real vendor site
// (nginx on 127.0.0.1, started for the test run), driven from outside as a user would.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/captions.h"
#include "common/update_query.h"
#include "tests/support/driver.h"
#include "tests/support/files.h"
#include "tests/support/http_test_server.h"
#include "tests/support/programs.h"
#include "tests/support/site.h"
#include "updater/updater_startup.h"

namespace {

using namespace Driver;
using TestPrograms::EndProcesses;
using TestPrograms::ProcessesOf;

constexpr char kOurs[] = "2.10.21.2024";

std::wstring Text(const wchar_t* section, const wchar_t* key) { return Captions::GetCaption(section, key); }
std::wstring UpdateMessage(std::initializer_list<const wchar_t*> keys)
{
    return Captions::MessageText(L"MKUpdateForm", keys);
}

// Downloaded installers, by their names: "update" + a number + "Marlowick.exe".
std::vector<DWORD> InstallerProcesses()
{
    return TestPrograms::Processes(
        [](const std::wstring& name) { return name.starts_with(L"update") && name.ends_with(L"Marlowick.exe"); });
}

std::wstring ImageOfWindow(HWND window)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    std::wstring image;
    if (const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id)) {
        wchar_t path[MAX_PATH];
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameW(process, 0, path, &size))
            image.assign(path, size);
        CloseHandle(process);
    }
    return image;
}

// The installer files in the temporary copy folder.
std::vector<std::wstring> InstallerFiles()
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((UpdaterStartup::CopyFolder() + L"update*Marlowick.exe").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(UpdaterStartup::CopyFolder() + found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

class UpdaterE2eTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        log = std::wstring(temp) + L"marlowick-e2e-installer.log";
        release = std::wstring(temp) + L"marlowick-e2e-release";
        DeleteFileW(log.c_str());
        DeleteFileW(release.c_str());
        SetEnvironmentVariableW(L"MARLOWICK_TEST_INSTALLER_LOG", log.c_str());
        SetEnvironmentVariableW(L"MARLOWICK_TEST_INSTALLER_RELEASE", release.c_str());
        SetEnvironmentVariableW(L"MARLOWICK_TEST_INSTALLER", L"exit 0");
        ASSERT_TRUE(Site::SetReleases("2.10.22.0", "2.0.0.0", UpdateQuery::UpdateAvailable));
        ASSERT_TRUE(Site::ServeInstaller("test_installer_signed.exe"));
    }
    void TearDown() override
    {
        for (const wchar_t* program : {L"MarlowickUpdate.exe", L"Marlowick.exe"})
            EndProcesses(ProcessesOf(program));
        EndProcesses(InstallerProcesses());
        for (const wchar_t* name : {L"MARLOWICK_TEST_INSTALLER_LOG", L"MARLOWICK_TEST_INSTALLER_RELEASE",
                                    L"MARLOWICK_TEST_INSTALLER"})
            SetEnvironmentVariableW(name, nullptr);
        for (const std::wstring& file : InstallerFiles())
            DeleteFileW(file.c_str());
    }

    // The first stage, run as Marlowick runs it; the update window of the copy it starts.
    static HWND StartUpdater()
    {
        EXPECT_EQ(TestPrograms::Run(L"MarlowickUpdate.exe"), 0);
        return ShownWindow(L"TMKUpdateForm");
    }
    // Presses Update and accepts the offer.
    static void UpdateAndAccept(HWND window)
    {
        Click(ChildWithText(window, L"&Update"));
        const HWND offer = MessageBoxOf(window);
        ASSERT_NE(offer, nullptr);
        EXPECT_EQ(MessageText(offer), UpdateMessage({L"MessageBoxUpdate1", L"MessageBoxUpdate2"}));
        ASSERT_TRUE(Answer(offer, L"&Yes"));
    }
    static bool UpdaterEnds()
    {
        return WaitUntil([] { return ProcessesOf(L"MarlowickUpdate.exe").empty(); });
    }
    std::string InstallerLog() const { return TestFiles::Content(log); }

    std::wstring log, release;
};

TEST_F(UpdaterE2eTest, TheFirstStageStartsItsCopyAndASecondUpdaterOnlyActivatesIt)
{
    const std::wstring folder = UpdaterStartup::CopyFolder();
    DeleteFileW((folder + L"MarlowickUpdate.exe").c_str());
    DeleteFileW((folder + L"Marlowick.chm").c_str());

    const HWND window = StartUpdater();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ImageOfWindow(window), folder + L"MarlowickUpdate.exe") << "the copy shows the window";
    EXPECT_NE(GetFileAttributesW((folder + L"Marlowick.chm").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ProcessesOf(L"MarlowickUpdate.exe").size(), 1u) << "the first stage has ended";

    ShowWindow(window, SW_MINIMIZE);
    EXPECT_EQ(TestPrograms::Run(L"MarlowickUpdate.exe"), 0);
    EXPECT_FALSE(IsIconic(window)) << "the running updater was restored";
    EXPECT_EQ(ProcessesOf(L"MarlowickUpdate.exe").size(), 1u) << "and no second one runs";

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(UpdaterEnds());
    EXPECT_TRUE(InstallerLog().empty());
}

TEST_F(UpdaterE2eTest, TheInstallersExitCodeDecidesTheLastWord)
{
    struct Case {
        const wchar_t* mode;
        std::wstring question; // empty: none
    } cases[] = {
        {L"exit 0", L""},
        {L"exit 99",
         UpdateMessage({L"MessageBoxUpdateRestart1", L"MessageBoxUpdateRestart2", L"MessageBoxUpdateRestart3"})},
        {L"exit 3", UpdateMessage({L"MessageBoxManualUpdate1", L"MessageBoxManualUpdate2"})},
        {L"crash", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        DeleteFileW(log.c_str());
        SetEnvironmentVariableW(L"MARLOWICK_TEST_INSTALLER", c.mode);
        // Marlowick runs; the updater closes its windows before the installer starts.
        TestPrograms::Process marlowick(L"Marlowick.exe");
        const HWND main = ShownWindow(L"TMKMainForm");
        ASSERT_NE(main, nullptr);

        const HWND window = StartUpdater();
        ASSERT_NE(window, nullptr);
        UpdateAndAccept(window);
        if (!c.question.empty()) {
            const HWND question = MessageBoxOf(window);
            ASSERT_NE(question, nullptr);
            EXPECT_EQ(MessageText(question), c.question);
            // No: a restart would end the Wine session; the download page would open a browser.
            ASSERT_TRUE(Answer(question, L"&No"));
        }
        EXPECT_TRUE(UpdaterEnds());
        EXPECT_EQ(marlowick.Wait(10000), 0) << "Marlowick was closed";
        const std::string line = InstallerLog();
        EXPECT_NE(line.find("/NORESTART /RESTARTEXITCODE=99"), std::string::npos) << line;
        EXPECT_NE(line.find("windows=none"), std::string::npos) << "Marlowick's windows were closed first: " << line;
        EXPECT_EQ(InstallerFiles().size(), 1u) << "only the new installer is left";
    }
}

TEST_F(UpdaterE2eTest, AnInstallerThatFailsItsChecksIsNeverRun)
{
    TestHttp::Server cutting;
    TestHttp::Reply cut{200, "", {}, TestFiles::Content(TestPrograms::BesideThisProgram(L"test_installer_signed.exe"))};
    cut.cutAfter = cut.body.size() / 2;
    cutting.Route("/cut.exe", cut);
    const std::string cutUrl = "http://127.0.0.1:" + std::to_string(cutting.Port()) + "/cut.exe";

    for (const char* installer : {"test_installer_unsigned.exe", "test_installer_tampered.exe",
                                  "test_installer_other.exe", "truncated"}) {
        SCOPED_TRACE(installer);
        if (std::string(installer) == "truncated")
            ASSERT_TRUE(Site::RedirectInstaller(cutUrl));
        else
            ASSERT_TRUE(Site::ServeInstaller(installer));
        const HWND window = StartUpdater();
        ASSERT_NE(window, nullptr);
        UpdateAndAccept(window);
        const HWND question = MessageBoxOf(window);
        ASSERT_NE(question, nullptr);
        EXPECT_EQ(MessageText(question), UpdateMessage({L"MessageBoxManualUpdate1", L"MessageBoxManualUpdate2"}));
        ASSERT_TRUE(Answer(question, L"&No"));
        EXPECT_TRUE(UpdaterEnds());
        EXPECT_TRUE(InstallerLog().empty()) << "it ran";
        EXPECT_EQ(InstallerFiles().size(), 1u) << "the file stays for the next clean-up";
    }
}

TEST_F(UpdaterE2eTest, ClosingDuringTheDownloadRunsNothingAndKeepsThePartialFile)
{
    // The server sends part of the body and then nothing; the updater reads in blocks of
    // 64 KiB at least.
    constexpr DWORD kSent = 300000, kWritten = kSent / (64 * 1024) * (64 * 1024);
    TestHttp::Server stalling;
    TestHttp::Reply stalled{200, "", {}, std::string(1000000, 'p')};
    stalled.stallAfter = kSent;
    stalling.Route("/stall.exe", stalled);
    ASSERT_TRUE(Site::RedirectInstaller("http://127.0.0.1:" + std::to_string(stalling.Port()) + "/stall.exe"));

    const HWND window = StartUpdater();
    ASSERT_NE(window, nullptr);
    UpdateAndAccept(window);
    // The updater holds the file to itself while it writes; its size shows how far it got.
    ASSERT_TRUE(WaitUntil([] {
        const auto files = InstallerFiles();
        WIN32_FILE_ATTRIBUTE_DATA data{};
        return files.size() == 1 && GetFileAttributesExW(files[0].c_str(), GetFileExInfoStandard, &data) &&
               data.nFileSizeLow >= kWritten;
    })) << "the download did not begin";
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(UpdaterEnds());
    EXPECT_TRUE(InstallerLog().empty());
    ASSERT_EQ(InstallerFiles().size(), 1u);
    const std::string partial = TestFiles::Content(InstallerFiles()[0]);
    EXPECT_GE(partial.size(), kWritten);
    EXPECT_LE(partial.size(), kSent);
    EXPECT_EQ(partial, std::string(partial.size(), 'p'));
    stalling.ReleaseStalls();
}

TEST_F(UpdaterE2eTest, ClosingWhileTheInstallerRunsLeavesItRunningAndOffersTheManualUpdate)
{
    SetEnvironmentVariableW(L"MARLOWICK_TEST_INSTALLER", L"wait");
    const HWND window = StartUpdater();
    ASSERT_NE(window, nullptr);
    UpdateAndAccept(window);
    ASSERT_TRUE(WaitUntil([this] { return !InstallerLog().empty(); })) << "the installer did not start";
    PostMessageW(window, WM_CLOSE, 0, 0);
    const HWND question = MessageBoxOf(window);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(MessageText(question), UpdateMessage({L"MessageBoxManualUpdate1", L"MessageBoxManualUpdate2"}));
    ASSERT_TRUE(Answer(question, L"&No"));
    EXPECT_TRUE(UpdaterEnds());
    EXPECT_FALSE(InstallerFiles().empty());
    EXPECT_EQ(InstallerProcesses().size(), 1u) << "the installer still runs";
    CloseHandle(CreateFileW(release.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    EXPECT_TRUE(WaitUntil([] { return InstallerProcesses().empty(); }));
}

TEST_F(UpdaterE2eTest, UpdateCheckModeOffersTheUpdaterOnlyForAnUpdate)
{
    struct Case {
        const char* current;
        const char* oldest;
        int answer;
        const wchar_t* reply; // to the offer; null: none is made
    } cases[] = {
        {kOurs, "2.0.0.0", UpdateQuery::UpToDate, nullptr},
        {"3.0.0.0", "3.0.0.0", UpdateQuery::ManualUpdateOnly, nullptr},
        {"2.10.22.0", "2.0.0.0", UpdateQuery::UpdateAvailable, L"&No"},
        {"2.10.22.0", "2.0.0.0", UpdateQuery::UpdateAvailable, L"&Yes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        ASSERT_TRUE(Site::SetReleases(c.current, c.oldest, c.answer));
        TestPrograms::Process marlowick(L"Marlowick.exe");
        const HWND main = ShownWindow(L"TMKMainForm");
        ASSERT_NE(main, nullptr);
        ShowWindow(main, SW_MINIMIZE);

        TestPrograms::Process check(L"Marlowick.exe", L"/checkupdate");
        if (!c.reply) {
            EXPECT_EQ(check.Wait(30000), 0);
            EXPECT_EQ(MessageBoxOf(nullptr, 1000), nullptr) << "nothing to offer, nothing shown";
            EXPECT_TRUE(IsWindow(main));
            EXPECT_FALSE(IsIconic(main)) << "the running Marlowick is brought back";
            PostMessageW(main, WM_CLOSE, 0, 0);
            EXPECT_EQ(marlowick.Wait(10000), 0);
            continue;
        }
        EXPECT_EQ(marlowick.Wait(30000), 0) << "Marlowick is closed before the question";
        const HWND offer = MessageBoxOf(nullptr);
        ASSERT_NE(offer, nullptr);
        wchar_t title[256];
        GetWindowTextW(offer, title, 256);
        EXPECT_EQ(title, Text(L"MKMainForm", L"MKMainForm"));
        EXPECT_EQ(MessageText(offer), UpdateMessage({L"MessageBoxUpdate1", L"MessageBoxUpdate2"}));
        ASSERT_TRUE(Answer(offer, c.reply));
        EXPECT_EQ(check.Wait(30000), 0);
        const HWND updater = ShownWindow(L"TMKUpdateForm", std::wstring(c.reply) == L"&Yes" ? 30000 : 2000);
        EXPECT_EQ(updater != nullptr, std::wstring(c.reply) == L"&Yes") << "the updater starts on Yes only";
        if (updater) {
            PostMessageW(updater, WM_CLOSE, 0, 0);
            EXPECT_TRUE(UpdaterEnds());
        }
    }
}

} // namespace
