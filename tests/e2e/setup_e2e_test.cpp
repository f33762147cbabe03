// The setup program as a user and a deployment tool run it, in a Wine prefix of its own:
// installed, started from its folder, updated through the updater against the real vendor
// site to the next release, and removed.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <vector>

#include "common/captions.h"
#include "common/product.h"
#include "common/program_key.h"
#include "common/update_query.h"
#include "optimizer/tweak_catalogue.h"
#include "tests/support/driver.h"
#include "tests/support/programs.h"
#include "tests/support/site.h"
#include "updater/installer_check.h"

namespace {

using namespace Driver;
using TestPrograms::EndProcesses;
using TestPrograms::Process;
using TestPrograms::ProcessesOf;

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Marlowick";
// The program key, as the setup program names it (relative to HKLM).
constexpr wchar_t kProgramKey[] = L"Software\\KORVEL\\Marlowick";
constexpr wchar_t kNextRelease[] = L"2.10.22.0";
constexpr DWORD kSetupMilliseconds = 120000;

std::wstring KnownFolder(REFKNOWNFOLDERID id)
{
    wchar_t* path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)))
        folder = path;
    CoTaskMemFree(path);
    return folder + L"\\";
}

const std::wstring& InstallFolder()
{
    static const std::wstring folder = KnownFolder(FOLDERID_ProgramFilesX86) + L"KORVEL\\Marlowick\\";
    return folder;
}

// The SHA-256 of the certificate that signed the file; empty when it is not validly signed.
std::wstring SignerOf(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    const std::wstring signer = InstallerCheck::SignerCertificateSha256(file, path);
    CloseHandle(file);
    return signer;
}

std::wstring Shortcut() { return KnownFolder(FOLDERID_CommonPrograms) + L"Marlowick.lnk"; }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool KeyExists(const wchar_t* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::optional<std::wstring> Text(const wchar_t* key, const wchar_t* name)
{
    wchar_t value[1024];
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(value);
}

std::optional<DWORD> Number(const wchar_t* key, const wchar_t* name)
{
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

// The names of the program key's values.
std::vector<std::wstring> ProgramKeyValues()
{
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProgramKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

long RunSetup(const std::wstring& arguments)
{
    return Process(Process::At{TestPrograms::BesideThisProgram(L"MarlowickSetup.exe")}, arguments).Wait(kSetupMilliseconds);
}

// The quiet uninstall command of the Add/Remove entry, as a deployment tool runs it. The
// uninstaller hands over to a copy of itself and ends at once; the copy's work shows when
// the entry and the folder are gone.
bool UninstallQuietly()
{
    const std::optional<std::wstring> command = Text(kUninstallKey, L"QuietUninstallString");
    if (!command)
        return false;
    std::wstring commandLine = *command;
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, kSetupMilliseconds);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return WaitUntil([] { return !KeyExists(kUninstallKey) && !Exists(InstallFolder()); }, kSetupMilliseconds);
}

// The caption of the table the programs would read now.
std::wstring Caption(const wchar_t* section, const wchar_t* key) { return Captions::GetCaption(section, key); }

std::wstring WindowText(HWND window)
{
    wchar_t text[512];
    GetWindowTextW(window, text, 512);
    return text;
}

// Marlowick's saved copies, named after the Windows values they save.
std::vector<std::wstring> SavedCopies()
{
    std::vector<std::wstring> names;
    for (const auto& tweak : TweakCatalogue::kTweaks) {
        if (tweak.backupDefault)
            names.emplace_back(tweak.valueName);
    }
    return names;
}

bool HasValue(const std::vector<std::wstring>& names, const std::wstring& name)
{
    for (const std::wstring& n : names) {
        if (_wcsicmp(n.c_str(), name.c_str()) == 0)
            return true;
    }
    return false;
}

class SetupE2eTest : public ::testing::Test {
protected:
    // Each case begins on a machine without Marlowick.
    void SetUp() override
    {
        if (KeyExists(kUninstallKey))
            UninstallQuietly();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProgramKey);
        ASSERT_FALSE(Exists(InstallFolder()));
    }
    void TearDown() override
    {
        for (const wchar_t* program : {L"MarlowickUpdate.exe", L"Marlowick.exe"})
            EndProcesses(ProcessesOf(program));
    }

    static HWND StartInstalledMarlowick(std::optional<Process>& process)
    {
        process.emplace(Process::At{InstallFolder() + L"Marlowick.exe"});
        return ShownWindow(L"TMKMainForm");
    }
    // Offers the next release, whose setup program the site serves.
    static void OfferTheNextRelease()
    {
        ASSERT_TRUE(Site::SetReleases("2.10.22.0", "2.0.0.0", UpdateQuery::UpdateAvailable));
        ASSERT_TRUE(Site::ServeInstaller("MarlowickSetup-2.10.22.0.exe"));
    }
    // Presses Update and accepts the offer.
    static void UpdateAndAccept(HWND window)
    {
        Click(ChildWithText(window, Caption(L"MKUpdateForm", L"UpdateButton")));
        const HWND offer = MessageBoxOf(window);
        ASSERT_NE(offer, nullptr);
        EXPECT_EQ(MessageText(offer), Captions::MessageText(L"MKUpdateForm", {L"MessageBoxUpdate1", L"MessageBoxUpdate2"}));
        ASSERT_TRUE(Answer(offer, L"&Yes"));
    }
    static bool UpdaterEnds()
    {
        return WaitUntil([] { return ProcessesOf(L"MarlowickUpdate.exe").empty(); }, kSetupMilliseconds);
    }
};

TEST_F(SetupE2eTest, ASilentInstallPutsEverythingInPlaceInTheChosenLanguageAndUninstallRemovesIt)
{
    ASSERT_EQ(RunSetup(L"/S /LANGUAGE=german"), 0);

    for (const wchar_t* file : {L"Marlowick.exe", L"MarlowickUpdate.exe", L"Marlowick.chm", L"License.rtf"})
        EXPECT_TRUE(Exists(InstallFolder() + file)) << file;
    EXPECT_TRUE(Exists(Shortcut()));
    const std::wstring folder = InstallFolder().substr(0, InstallFolder().size() - 1);
    EXPECT_EQ(Text(kUninstallKey, L"DisplayName"), L"Marlowick");
    EXPECT_EQ(Text(kUninstallKey, L"DisplayVersion"), Product::kVersion);
    EXPECT_EQ(Text(kUninstallKey, L"Publisher"), L"KORVEL");
    EXPECT_EQ(Text(kUninstallKey, L"DisplayIcon"), InstallFolder() + L"Marlowick.exe,0");
    EXPECT_EQ(Text(kUninstallKey, L"InstallLocation"), folder);
    EXPECT_EQ(Text(kUninstallKey, L"UninstallString"), L"\"" + InstallFolder() + L"Uninstall.exe\"");
    EXPECT_EQ(Text(kUninstallKey, L"QuietUninstallString"), L"\"" + InstallFolder() + L"Uninstall.exe\" /S");
    EXPECT_GT(Number(kUninstallKey, L"EstimatedSize").value_or(0), 1000u) << "kilobytes";
    EXPECT_EQ(Text(kProgramKey, L"Language"), L"german");
    // Everything that lands on the machine carries the publisher's signature.
    for (const std::wstring& file : {TestPrograms::BesideThisProgram(L"MarlowickSetup.exe"),
                                     InstallFolder() + L"Uninstall.exe", InstallFolder() + L"Marlowick.exe",
                                     InstallFolder() + L"MarlowickUpdate.exe"}) {
        EXPECT_EQ(SignerOf(file), MARLOWICK_PUBLISHER_SHA256) << file;
    }
    EXPECT_FALSE(Number(kProgramKey, L"Updated")) << "a first installation is no update";

    // Marlowick from its folder, in German.
    const std::wstring germanTitle = Caption(L"MKMainForm", L"MKMainForm");
    EXPECT_FALSE(germanTitle.empty());
    EXPECT_NE(germanTitle, L"Marlowick - Make your games and computer run faster");
    std::optional<Process> marlowick;
    const HWND main = StartInstalledMarlowick(marlowick);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(WindowText(main), germanTitle);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(marlowick->Wait(30000), 0);

    // Without a backup, nothing of Marlowick's is left.
    ASSERT_TRUE(UninstallQuietly());
    EXPECT_FALSE(Exists(Shortcut()));
    EXPECT_FALSE(KeyExists(kProgramKey));
    EXPECT_FALSE(KeyExists(L"Software\\KORVEL")) << "the vendor's key held nothing else";
    EXPECT_FALSE(Exists(KnownFolder(FOLDERID_ProgramFilesX86) + L"KORVEL"));
}

TEST_F(SetupE2eTest, ByHandWhileMarlowickRunsItAsksToCloseMarlowickFirst)
{
    ASSERT_EQ(RunSetup(L"/S /LANGUAGE=english"), 0);
    std::optional<Process> marlowick;
    const HWND main = StartInstalledMarlowick(marlowick);
    ASSERT_NE(main, nullptr);

    Process setup(Process::At{TestPrograms::BesideThisProgram(L"MarlowickSetup.exe")}, L"/LANGUAGE=english");
    const HWND question = MessageBoxOf(nullptr, kSetupMilliseconds);
    ASSERT_NE(question, nullptr);
    EXPECT_NE(MessageText(question).find(L"Marlowick is running"), std::wstring::npos) << MessageText(question);
    ASSERT_TRUE(Answer(question, L"Cancel"));
    EXPECT_EQ(setup.Wait(30000), 1) << "cancelled";
    EXPECT_TRUE(IsWindow(main));
}

TEST_F(SetupE2eTest, UninstallKeepsABackupThatRestoreHasNotPutBack)
{
    ASSERT_EQ(RunSetup(L"/S /LANGUAGE=english"), 0);
    std::optional<Process> marlowick;
    HWND main = StartInstalledMarlowick(marlowick);
    ASSERT_NE(main, nullptr);
    Click(ChildWithText(main, Caption(L"MKMainForm", L"GoButton")));
    const HWND restart = MessageBoxOf(main, kSetupMilliseconds);
    ASSERT_NE(restart, nullptr) << "Optimize did not end";
    ASSERT_TRUE(Answer(restart, L"&No"));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(marlowick->Wait(30000), 0);
    ASSERT_EQ(Number(kProgramKey, L"Restore"), 1u);

    ASSERT_TRUE(UninstallQuietly());
    EXPECT_FALSE(Exists(Shortcut()));
    std::vector<std::wstring> kept = ProgramKeyValues();
    EXPECT_TRUE(HasValue(kept, ProgramKey::kRestore));
    for (const std::wstring& copy : SavedCopies())
        EXPECT_TRUE(HasValue(kept, copy)) << copy;
    EXPECT_EQ(kept.size(), SavedCopies().size() + 1) << "only the backup is kept";
    EXPECT_TRUE(KeyExists(L"Software\\KORVEL\\Marlowick\\Originals")) << "the records of the written rows";

    // A later installation puts the original values back.
    ASSERT_EQ(RunSetup(L"/S /LANGUAGE=english"), 0);
    main = StartInstalledMarlowick(marlowick);
    ASSERT_NE(main, nullptr);
    const HWND restore = ChildWithText(main, Caption(L"MKMainForm", L"RestoreButton"));
    ASSERT_NE(restore, nullptr);
    EXPECT_TRUE(IsWindowEnabled(restore));
    Click(restore);
    const HWND confirm = MessageBoxOf(main);
    ASSERT_NE(confirm, nullptr);
    ASSERT_TRUE(Answer(confirm, L"OK"));
    const HWND done = MessageBoxOf(main, kSetupMilliseconds);
    ASSERT_NE(done, nullptr) << "Restore did not end";
    ASSERT_TRUE(Answer(done, L"&No"));
    EXPECT_FALSE(Number(kProgramKey, L"Restore")) << "the backup went back";
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(marlowick->Wait(30000), 0);
}

TEST_F(SetupE2eTest, TheUpdaterInstallsTheNextReleaseAndTheNextStartRecordsIt)
{
    ASSERT_EQ(RunSetup(L"/S /LANGUAGE=english"), 0);
    OfferTheNextRelease();
    std::optional<Process> marlowick;
    HWND main = StartInstalledMarlowick(marlowick);
    ASSERT_NE(main, nullptr);

    Click(ChildWithText(main, Caption(L"MKMainForm", L"UpdatesButton")));
    const HWND window = ShownWindow(L"TMKUpdateForm");
    ASSERT_NE(window, nullptr);
    UpdateAndAccept(window);
    // Started by the updater over an installed release, the setup program asks nothing and
    // ends with 0: no question follows.
    EXPECT_TRUE(UpdaterEnds());
    EXPECT_EQ(marlowick->Wait(30000), 0) << "the updater closed Marlowick";
    EXPECT_EQ(MessageBoxOf(nullptr, 1000), nullptr);
    EXPECT_EQ(Text(kUninstallKey, L"DisplayVersion"), kNextRelease);
    EXPECT_EQ(Number(kProgramKey, L"Updated"), 1u);
    EXPECT_EQ(Text(kProgramKey, L"Language"), L"english") << "an update keeps the language";

    main = StartInstalledMarlowick(marlowick);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(WaitUntil([] { return Text(kProgramKey, ProgramKey::kUpdatedDate).has_value(); }));
    EXPECT_EQ(Number(kProgramKey, L"Updated").value_or(0), 0u) << "recorded once";
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(marlowick->Wait(30000), 0);
}

TEST_F(SetupE2eTest, AnUpdateWhileMarlowickFinishesARunEndsWith99AndAsksForARestart)
{
    ASSERT_EQ(RunSetup(L"/S /LANGUAGE=english"), 0);
    OfferTheNextRelease();
    std::optional<Process> marlowick;
    const HWND main = StartInstalledMarlowick(marlowick);
    ASSERT_NE(main, nullptr);
    // Optimize's last question keeps the run going, and so Marlowick.exe in use.
    Click(ChildWithText(main, Caption(L"MKMainForm", L"GoButton")));
    const HWND restart = MessageBoxOf(main, kSetupMilliseconds);
    ASSERT_NE(restart, nullptr) << "Optimize did not end";

    ASSERT_EQ(Process(Process::At{InstallFolder() + L"MarlowickUpdate.exe"}).Wait(), 0);
    const HWND window = ShownWindow(L"TMKUpdateForm");
    ASSERT_NE(window, nullptr);
    UpdateAndAccept(window);
    const HWND question = MessageBoxOf(window, kSetupMilliseconds);
    ASSERT_NE(question, nullptr) << "no restart question";
    EXPECT_EQ(MessageText(question),
              Captions::MessageText(L"MKUpdateForm", {L"MessageBoxUpdateRestart1", L"MessageBoxUpdateRestart2",
                                                      L"MessageBoxUpdateRestart3"}));
    // No: a restart would end the Wine session.
    ASSERT_TRUE(Answer(question, L"&No"));
    EXPECT_TRUE(UpdaterEnds());

    EXPECT_EQ(Text(kUninstallKey, L"DisplayVersion"), kNextRelease);
    EXPECT_EQ(Number(kProgramKey, L"Updated"), 1u);
    EXPECT_TRUE(Exists(InstallFolder() + L"Marlowick.exe.new")) << "the new Marlowick waits for the restart";
    constexpr wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
    DWORD size = 0;
    RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr,
                 nullptr, &size);
    std::wstring pending(size / sizeof(wchar_t) + 2, L'\0');
    RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr,
                 pending.data(), &size);
    // Pairs of source and target; a deletion has an empty target, so the list is walked to
    // its end rather than to its first empty string.
    bool scheduled = false;
    for (std::size_t at = 0; at < pending.size(); at = pending.find(L'\0', at) + 1)
        scheduled = scheduled || std::wstring(pending.c_str() + at).ends_with(L"Marlowick.exe.new");
    EXPECT_TRUE(scheduled) << "its replacement is scheduled for the restart";

    // The run ends, and the close the updater asked for is carried out.
    ASSERT_TRUE(Answer(restart, L"&No"));
    EXPECT_EQ(marlowick->Wait(30000), 0);
}

} // namespace
