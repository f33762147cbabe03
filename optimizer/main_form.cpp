#include "optimizer/main_form.h"

#include "common/captions.h"
#include "common/product.h"
#include "common/program_key.h"
#include "common/registry.h"
#include "common/restart.h"
#include "common/shell.h"
#include "common/sound.h"
#include "common/system_font.h"
#include "common/windows_version.h"
#include "optimizer/art.h"
#include "optimizer/palette.h"
#include "optimizer/selections.h"
#include "optimizer/timestamp.h"
#include "optimizer/tweak_catalogue.h"
#include "optimizer/tweak_runs.h"
#include "ui/application.h"

namespace {

constexpr wchar_t kSection[] = L"MKMainForm";
constexpr wchar_t kSettingsSection[] = L"MKSettingsForm";


std::wstring Message(std::initializer_list<const wchar_t*> keys) { return Captions::MessageText(kSection, keys); }

std::wstring ReadProgramString(const wchar_t* name, const std::wstring& defaultValue)
{
    return CustomRegistry::ReadRegString(ProgramKey::kRoot, ProgramKey::kPath, name, defaultValue, ProgramKey::kView);
}

// The moment of a stored date value as the user reads it; empty when it names none.
std::wstring LastUpdatedText(const std::wstring& stored)
{
    const auto moment = Timestamp::ParseMoment(stored);
    return moment ? Timestamp::LongDateTimeText(*moment) : std::wstring();
}

} // namespace

TMKMainForm::TMKMainForm() : ui::Form(L"MKMainForm")
{
    clientWidth = 756;
    clientHeight = 498;
    minimizeBox = true;
    defaultButton = &GoButton;
    activeControl = &GoButton;

    Background.bounds = {0, 0, 756, 498};
    Background.SetResource(Art::kBackground);
    Logo.bounds = {8, 18, 400, 50};
    Logo.SetResource(Art::kLogo);

    // The header buttons: Help alone at the top right, the other three in a row below it.
    struct Header {
        ui::Picture& picture;
        ui::Label& label;
        ui::Bounds bounds;
        const wchar_t* art;
    };
    const Header headers[] = {
        {NavButton1, NavStatic1, {666, 10, 78, 27}, Art::kNavButton78},
        {NavButton2, NavStatic2, {440, 48, 85, 27}, Art::kNavButton85},
        {NavButton3, NavStatic3, {531, 48, 108, 27}, Art::kNavButton108},
        {NavButton4, NavStatic4, {645, 48, 99, 27}, Art::kNavButton99},
    };
    for (const Header& header : headers) {
        header.picture.bounds = header.label.bounds = header.bounds;
        header.picture.SetResource(header.art);
        header.picture.cursor = header.label.cursor = IDC_HAND;
        header.label.align = ui::Label::Align::Centre;
        header.label.centreVertically = true;
        header.label.parentFont = false;
        header.label.font.colour = Palette::kOnBanner;
        // The label named "NavStatic" and the number the sender's name ends in.
        for (ui::Control* sender : {static_cast<ui::Control*>(&header.picture), static_cast<ui::Control*>(&header.label)}) {
            ui::Label& label = header.label;
            sender->OnMouseEnter = [this, &label] { SetUnderline(label, true); };
            sender->OnMouseLeave = [this, &label] { SetUnderline(label, false); };
        }
    }
    NavButton1.OnClick = NavStatic1.OnClick = [this] { NavButton1Click(); };
    NavButton2.OnClick = NavStatic2.OnClick = LinkLabel6.OnClick = [this] { NavButton2Click(); };
    NavButton3.OnClick = NavStatic3.OnClick = LinkLabel5.OnClick = [this] { NavButton3Click(); };
    NavButton4.OnClick = NavStatic4.OnClick = LinkLabel7.OnClick = [this] { NavButton4Click(); };
    LinkLabel4.OnClick = [this] { HelpFilePopupClick(); };

    NavLabel2.bounds = {14, 104, 146, 18};
    NavLabel2.parentFont = false;
    NavLabel2.font.bold = true;
    NavLabel2.font.colour = Palette::kHeading;
    const std::pair<ui::Label*, int> links[] = {{&LinkLabel4, 130}, {&LinkLabel5, 152}, {&LinkLabel6, 174}, {&LinkLabel7, 208}};
    for (const auto& [link, top] : links) {
        link->bounds = {14, top, 146, 18};
        link->parentFont = false;
        link->font.colour = Palette::kLink;
        link->cursor = IDC_HAND;
        link->OnMouseEnter = [this, link] { SetUnderline(*link, true); };
        link->OnMouseLeave = [this, link] { SetUnderline(*link, false); };
    }

    MainPanel.bounds = {162, 98, 582, 388};
    MainPanel.colour = RGB(255, 255, 255);
    BenefitsPanel.bounds = {0, 0, 582, 70};
    BenefitsPanel.colour = Palette::kStrip;
    BenefitsLabel.bounds = {16, 10, 550, 18};
    BenefitsLabel.parentFont = false;
    BenefitsLabel.font.bold = true;
    BenefitsDescription.bounds = {16, 30, 550, 36};
    BenefitsDescription.wordWrap = true;
    BenefitsDescription.parentFont = false;
    BenefitsDescription.font.colour = Palette::kQuiet;

    OSVersionLabel.bounds = {16, 88, 309, 16};
    WindowsCombo.bounds = {16, 106, 309, 24};
    ProcessorTypeLabel.bounds = {16, 146, 309, 16};
    ProcessorCombo.bounds = {16, 164, 309, 24};
    SpeedLabel.bounds = {16, 204, 309, 16};
    SpeedTrackBar.bounds = {16, 222, 309, 36};
    SpeedTrackBar.minimum = 0;
    SpeedTrackBar.maximum = 1;
    SpeedTrackBar.thumbLength = 33;
    FastLabel.bounds = {16, 260, 150, 16};
    FasterLabel.bounds = {175, 260, 150, 16};
    FasterLabel.align = ui::Label::Align::Right;
    LineSeparator1.bounds = {345, 86, 2, 196};
    LineSeparator1.vertical = true;
    GoButton.bounds = {382, 110, 145, 52};
    GoButton.isDefault = true;
    GoButton.parentFont = false;
    GoButton.font.bold = true;
    RestoreButton.bounds = {382, 174, 145, 25};
    RestoreButton.SetEnabled(false);
    LineSeparator2.bounds = {0, 298, 582, 2};
    VersionInstalledLabel.bounds = {16, 318, 380, 16};
    VersionInstalledLabel.parentFont = false;
    VersionInstalledLabel.font.bold = true;
    SoftwareLastUpdateLabel.bounds = {16, 340, 390, 16};
    UpdatesButton.bounds = {412, 320, 154, 33};
    UpdatesButton.shield = true;

    // In the order of the editions' item indexes (Edition).
    for (const wchar_t* edition : {L"Windows 11", L"Windows 10", L"Windows 8", L"Windows 7", L"Windows Vista",
                                   L"Windows XP"})
        WindowsCombo.items.push_back({std::wstring(L"  Microsoft \u00AE ") + edition, Art::kDesktopIcon});
    for (const wchar_t* edition : {L"Windows Server 2012", L"Windows Server 2008", L"Windows Server 2003",
                                   L"Windows Server 2000"})
        WindowsCombo.items.push_back({std::wstring(L"  Microsoft \u00AE ") + edition, Art::kServerIcon});
    for (const wchar_t* maker : {L"  Intel \u00AE Processor", L"  AMD \u00AE Processor", L"  VIA \u00AE Processor"})
        ProcessorCombo.items.push_back({maker, Art::kProcessorIcon});

    PopupMenu.items = {&HelpFilePopup, &N1, &TechSupportPopup};
    N1.separator = true;
    HelpFilePopup.OnClick = [this] { HelpFilePopupClick(); };
    TechSupportPopup.OnClick = [this] { NavButton3Click(); };

    GoButton.OnClick = [this] { GoButtonClick(); };
    RestoreButton.OnClick = [this] { RestoreButtonClick(); };
    UpdatesButton.OnClick = [this] { UpdatesButtonClick(); };
    ui::Application::Instance().OnShortCut = [this](WPARAM key) { ApplicationEventsShortCut(key); };
}

void TMKMainForm::FormCreate()
{
    UseDesktopFont();
    SystemFont::ApplySystemFont(*this);
    Captions::ApplyCaptions(*this);

    std::wstring lastUpdated = LastUpdatedText(ReadProgramString(ProgramKey::kUpdatedDate, L""));
    if (lastUpdated.empty())
        lastUpdated = LastUpdatedText(ReadProgramString(ProgramKey::kInstalledDate, L""));
    const int processorType = CustomRegistry::ReadRegInteger(ProgramKey::kRoot, ProgramKey::kPath,
                                                             ProgramKey::kProcessorType, -1, ProgramKey::kView);
    const int speedSetting = CustomRegistry::ReadRegInteger(ProgramKey::kRoot, ProgramKey::kPath,
                                                            ProgramKey::kSpeedSetting, 0, ProgramKey::kView);
    const bool backupExists = TweakRuns::BackupExists();

    SoftwareLastUpdateLabel.SetText(SoftwareLastUpdateLabel.Text() + lastUpdated);
    VersionInstalledLabel.SetText(VersionInstalledLabel.Text() + Product::kVersion);
    WindowsCombo.SetItemIndex(int(Selections::EditionIndexFor(WindowsVersion::DetectWindowsVersion())));
    ProcessorCombo.SetItemIndex(processorType == -1 ? Selections::DetectProcessorMaker() : processorType);
    RestoreButton.SetEnabled(backupExists);
    SpeedTrackBar.SetPosition(Selections::ClampSpeedSetting(speedSetting));

    // Without a recorded update the check counts from now, which is never due.
    const std::int64_t now = Timestamp::NowMilliseconds();
    const auto updated = Timestamp::ParseMoment(ReadProgramString(ProgramKey::kUpdatedDate, Timestamp::TimestampText(now)));
    updateCheckDue = updated && Timestamp::IsUpdateCheckDue(*updated, now);
}

void TMKMainForm::StartDueUpdateCheck()
{
    // The check's process restores this window when it finds it, so it must not find it
    // hidden: it starts only once the window is on the screen.
    if (!updateCheckDue || !IsShown())
        return;
    updateCheckDue = false;
    Shell::StartProgram(Shell::ProgramFolder() + Product::kMainProgram, L"/checkupdate");
}

TweakCatalogue::VersionGroup TMKMainForm::ConvertWindowsVersion(Edition WinVer) const
{
    return TweakCatalogue::ConvertWindowsVersion(WinVer);
}

bool TMKMainForm::MayChangeSettings()
{
    if (TweakRuns::CanWriteProgramKey())
        return true;
    ui::Application::Instance().MessageBox(Handle(), Message({L"MessageBoxNoRights1", L"MessageBoxNoRights2"}),
                                           Text(), MB_OK | MB_ICONWARNING);
    return false;
}

TweakRuns::Outcome TMKMainForm::ChangeSettings(
    const wchar_t* headingKey, std::initializer_list<std::pair<const wchar_t*, int>> steps,
    const std::function<std::vector<TweakRuns::Step>(TweakCatalogue::VersionGroup)>& plan)
{
    Sound::PlayClickSound();
    SetEnabled(false);
    settingsForm->Show();
    settingsForm->stepTotal = 0;
    for (const auto& step : steps)
        settingsForm->stepTotal += step.second;
    settingsForm->stepCounter = 0;
    settingsForm->CurrentSettingsHeading.SetText(Captions::GetCaption(kSettingsSection, headingKey));
    for (const auto& [key, count] : steps) {
        for (int i = 0; i < count; ++i)
            settingsForm->ShowProgressStep(Captions::GetCaption(kSettingsSection, key));
    }
    // All registry work follows the last step.
    const TweakRuns::Outcome outcome =
        TweakRuns::Execute(plan(ConvertWindowsVersion(Edition(WindowsCombo.ItemIndex()))));
    SetEnabled(true);
    settingsForm->Close();
    RestoreButton.SetEnabled(TweakRuns::BackupExists());
    return outcome;
}

void TMKMainForm::AskForRestart(bool everyChangeMade)
{
    const std::wstring text = Message({everyChangeMade ? L"MessageBoxChangeRestart1" : L"MessageBoxChangeIncomplete1",
                                       L"MessageBoxChangeRestart2", L"MessageBoxChangeRestart3"});
    if (ui::Application::Instance().MessageBox(Handle(), text, Text(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES)
        Restart::RestartWindows();
}

void TMKMainForm::GoButtonClick()
{
    // Another program (the updater) may ask the windows to close meanwhile; they close once
    // the run and its closing question are over.
    const ui::Application::CloseDeferral deferral;
    if (!MayChangeSettings())
        return;
    const bool backupExists = TweakRuns::BackupExists();
    CustomRegistry::WriteRegInteger(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kProcessorType,
                                    ProcessorCombo.ItemIndex(), ProgramKey::kView);
    CustomRegistry::WriteRegInteger(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kSpeedSetting,
                                    SpeedTrackBar.Position(), ProgramKey::kView);
    const TweakRuns::Outcome outcome = ChangeSettings(
        L"MessageUpdate",
        {{L"MessageChange1", 2}, {L"MessageChange2", 3}, {L"MessageChange3", 1}, {L"MessageChange4", 2},
         {L"MessageChange5", 4}, {L"MessageChange6", 4}, {L"MessageChange7", 2}, {L"MessageChange8", 3},
         {L"MessageChange9", 4}, {L"MessageChange10", 6}},
        [backupExists](TweakCatalogue::VersionGroup group) { return TweakRuns::PlanOptimize(group, backupExists); });
    // Without a complete backup Optimize changed nothing, so no restart is needed.
    if (outcome == TweakRuns::Outcome::Stopped)
        ui::Application::Instance().MessageBox(Handle(), Message({L"MessageBoxBackupFailed1", L"MessageBoxBackupFailed2"}),
                                               Text(), MB_OK | MB_ICONWARNING);
    else
        AskForRestart(outcome == TweakRuns::Outcome::Complete);
}

void TMKMainForm::RestoreButtonClick()
{
    const ui::Application::CloseDeferral deferral;
    if (!MayChangeSettings())
        return;
    if (ui::Application::Instance().MessageBox(Handle(), Message({L"MessageBoxReset1", L"MessageBoxReset2"}),
                                               Text(), MB_OKCANCEL | MB_ICONWARNING) != IDOK)
        return;
    // When not everything went back, the backup stays for a later Restore.
    AskForRestart(ChangeSettings(L"MessageRestore",
                                 {{L"MessageChange1", 2}, {L"MessageChange2", 3}, {L"MessageChange3", 1},
                                  {L"MessageChange4", 2}, {L"MessageChange5", 4}, {L"MessageChange6", 4},
                                  {L"MessageChange7", 2}, {L"MessageChange8", 3}, {L"MessageChange11", 6}},
                                 TweakRuns::PlanRestore) == TweakRuns::Outcome::Complete);
}

void TMKMainForm::NavButton1Click()
{
    // Below the Help button, its right edge on the button's right edge: the window's corner
    // plus its frame, plus the button's place.
    RECT window, client;
    GetWindowRect(Handle(), &window);
    GetClientRect(Handle(), &client);
    const RECT button = NavButton1.PixelRect();
    const int x = window.left + ((window.right - window.left) - client.right) + button.right;
    const int y = window.top + ((window.bottom - window.top) - client.bottom) + button.bottom;
    PopupMenu.PopupRightAligned(Handle(), x, y);
}

void TMKMainForm::HelpFilePopupClick()
{
    Shell::ShowHelpTopic(Product::kHelpFile, Product::kMainHelpTopic);
}

void TMKMainForm::NavButton2Click()
{
    Sound::PlayClickSound();
    Shell::OpenWebPage(Product::kHomePage);
}

void TMKMainForm::NavButton3Click()
{
    Sound::PlayClickSound();
    Shell::OpenWebPage(Product::kSupportPage);
}

void TMKMainForm::NavButton4Click()
{
    Sound::PlayClickSound();
    aboutForm->ShowModal();
}

void TMKMainForm::UpdatesButtonClick()
{
    Sound::PlayClickSound();
    Shell::StartProgram(Shell::ProgramFolder() + Product::kUpdaterProgram, L"");
}

void TMKMainForm::ApplicationEventsShortCut(WPARAM key)
{
    if (key == VK_F1 && (IsShown() || (aboutForm && aboutForm->IsShown()) || (settingsForm && settingsForm->IsShown())))
        Shell::ShowHelpTopic(Product::kHelpFile, Product::kMainHelpTopic);
}

void TMKMainForm::SetUnderline(ui::Label& label, bool underline)
{
    label.font.underline = underline;
    label.Refresh();
}
