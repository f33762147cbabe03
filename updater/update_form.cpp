#include "updater/update_form.h"

#include "common/captions.h"
#include "common/product.h"
#include "common/restart.h"
#include "common/shell.h"
#include "common/system_font.h"
#include "common/update_query.h"
#include "common/window_coordination.h"
#include "ui/application.h"
#include "updater/art.h"
#include "updater/installer_check.h"
#include "updater/installer_files.h"

#include <cmath>

namespace {

constexpr wchar_t kSection[] = L"MKUpdateForm";

// The SHA-256 (hex) of the certificate that must have signed a downloaded installer before
// it is run; set when building. Empty: none is ever run.
#ifndef MARLOWICK_PUBLISHER_SHA256
#define MARLOWICK_PUBLISHER_SHA256 L""
#endif
constexpr wchar_t kPublisherSha256[] = MARLOWICK_PUBLISHER_SHA256;

void ShowMainProgramWindow(int show)
{
    if (const HWND main = FindWindowW(WindowCoordination::kMainFormClass, nullptr))
        ShowWindow(main, show);
}

} // namespace

TMKUpdateForm::TMKUpdateForm()
    : ui::Form(kSection), vendor(Http::ParseEndpoint(Product::kVendorHost)), folder(Shell::ProgramFolder())
{
    clientWidth = 700;
    clientHeight = 441;
    minimizeBox = true;
    defaultButton = &UpdateButton;
    cancelButton = &CloseButton;
    activeControl = &UpdateButton;

    UpdatePanel.bounds = {0, 0, 700, 386};
    UpdatePanel.colour = GetSysColor(COLOR_WINDOW);
    BannerImage.bounds = {0, 0, 700, 60};
    BannerImage.SetResource(Art::kBanner);
    BannerLabel.bounds = {48, 18, 620, 26};
    BannerLabel.parentFont = false;
    BannerLabel.font = {L"Tahoma", 12, true, false, RGB(255, 255, 255)};
    UpdateHeading.bounds = {72, 82, 556, 16};
    UpdateHeading.parentFont = false;
    UpdateHeading.font = {L"Tahoma", 8, true, false, GetSysColor(COLOR_WINDOWTEXT)};
    UpdateDescription.bounds = {72, 112, 556, 33};
    UpdateDescription.wordWrap = true;

    ui::Picture* idle[] = {&UpdateImage1, &UpdateImage2, &UpdateImage3};
    ui::Picture* active[] = {&UpdateImage4, &UpdateImage5, &UpdateImage6};
    ui::Picture* boxes[] = {&CheckBoxImage1, &CheckBoxImage2, &CheckBoxImage3};
    ui::Label* labels[] = {&UpdateLabel1, &UpdateLabel2, &UpdateLabel3};
    const wchar_t* idleArt[] = {Art::kFindIdle, Art::kDownloadIdle, Art::kInstallIdle};
    const wchar_t* activeArt[] = {Art::kFind, Art::kDownload, Art::kInstall};
    constexpr int kStepLeft[] = {72, 288, 500};
    for (int i = 0; i < 3; ++i) {
        idle[i]->bounds = active[i]->bounds = {kStepLeft[i], 164, 128, 128};
        idle[i]->SetResource(idleArt[i]);
        active[i]->SetResource(activeArt[i]);
        active[i]->SetVisible(false);
        boxes[i]->bounds = {kStepLeft[i], 299, 32, 32};
        labels[i]->bounds = {kStepLeft[i] + 40, 310, 160, 16};
        labels[i]->parentFont = false; // its weight changes with the step
    }
    Checked.bounds = {72, 340, 32, 32};
    Checked.SetResource(Art::kChecked);
    Checked.SetVisible(false);
    Unchecked.bounds = {112, 340, 32, 32};
    Unchecked.SetResource(Art::kUnchecked);
    Unchecked.SetVisible(false);
    UpdateProgress.bounds = {72, 348, 556, 17};
    UpdateProgress.cursor = IDC_WAIT;
    UpdateBevel.bounds = {0, 386, 700, 5};
    HelpButton.bounds = {14, 403, 79, 25};
    UpdateButton.bounds = {520, 403, 79, 25};
    UpdateButton.isDefault = true;
    CloseButton.bounds = {608, 403, 79, 25};

    httpGet.OnWorkBegin = [this](std::int64_t max) { HttpGetWorkBegin(max); };
    httpGet.OnWork = [this](std::int64_t count) { HttpGetWork(count); };
    UpdateButton.OnClick = [this] { UpdateButtonClick(); };
    CloseButton.OnClick = [this] { CloseButtonClick(); };
    HelpButton.OnClick = [this] { HelpButtonClick(); };
    OnClose = [this] { FormClose(); };
}

void TMKUpdateForm::FormCreate()
{
    try {
        UseDesktopFont();
        SystemFont::ApplySystemFont(*this);
        // The step labels follow the window's font; only their weight is their own.
        for (ui::Label* label : {&UpdateLabel1, &UpdateLabel2, &UpdateLabel3})
            label->font = font;
        ResetControls();
        Captions::ApplyCaptions(*this);
    } catch (...) {
        // The window still works with what it has.
    }
}

void TMKUpdateForm::ResetControls()
{
    ui::Picture* idle[] = {&UpdateImage1, &UpdateImage2, &UpdateImage3};
    ui::Picture* active[] = {&UpdateImage4, &UpdateImage5, &UpdateImage6};
    ui::Picture* boxes[] = {&CheckBoxImage1, &CheckBoxImage2, &CheckBoxImage3};
    ui::Label* labels[] = {&UpdateLabel1, &UpdateLabel2, &UpdateLabel3};
    for (int i = 0; i < 3; ++i) {
        idle[i]->SetVisible(true);
        active[i]->SetVisible(false);
        if (labels[i]->font.bold) {
            labels[i]->font.bold = false;
            labels[i]->Refresh();
        }
        boxes[i]->SetResource(Art::kUnchecked);
    }
    UpdateProgress.SetVisible(false);
    UpdateProgress.SetPosition(0);
}

void TMKUpdateForm::MakeStepActive(int step)
{
    ui::Picture* idle[] = {&UpdateImage1, &UpdateImage2, &UpdateImage3};
    ui::Picture* active[] = {&UpdateImage4, &UpdateImage5, &UpdateImage6};
    ui::Label* labels[] = {&UpdateLabel1, &UpdateLabel2, &UpdateLabel3};
    idle[step - 1]->SetVisible(false);
    active[step - 1]->SetVisible(true);
    labels[step - 1]->font.bold = true;
    labels[step - 1]->Refresh();
}

void TMKUpdateForm::TickStep(int step)
{
    ui::Picture* boxes[] = {&CheckBoxImage1, &CheckBoxImage2, &CheckBoxImage3};
    boxes[step - 1]->SetResource(Art::kChecked);
}

int TMKUpdateForm::Ask(std::initializer_list<const wchar_t*> keys, UINT flags)
{
    return ui::Application::Instance().MessageBox(Handle(), Captions::MessageText(kSection, keys), Text(), flags);
}

// Idle: every step idle, nothing ticked, Update enabled.
void TMKUpdateForm::StateIdle()
{
    ResetControls();
    UpdatePanel.cursor = nullptr;
    UpdatePanel.Refresh();
    UpdateButton.SetEnabled(true);
}

// Finding: step 1 active and ticked before the query asks; the window waits for it.
void TMKUpdateForm::StateFinding()
{
    UpdateButton.SetEnabled(false);
    ResetControls();
    UpdatePanel.cursor = IDC_WAIT;
    UpdatePanel.Refresh();
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    MakeStepActive(1);
    TickStep(1);
}

// Downloading: step 2 active, with the bar.
void TMKUpdateForm::StateDownloading()
{
    MakeStepActive(2);
    UpdateProgress.SetVisible(true);
}

// Installing: the download is over, step 2 ticked, step 3 active.
void TMKUpdateForm::StateInstalling()
{
    UpdateProgress.SetPosition(100);
    TickStep(2);
    MakeStepActive(3);
}

// Ending: the updater ends once the running handler has returned.
void TMKUpdateForm::StateEnding(bool installed)
{
    if (installed)
        TickStep(3);
    ui::Application::Instance().Terminate();
}

void TMKUpdateForm::UpdateButtonClick()
{
    try {
        RunUpdate();
    } catch (...) {
        // The window goes back to Idle without a message.
    }
    StateIdle();
}

void TMKUpdateForm::RunUpdate()
{
    ShowMainProgramWindow(SW_MINIMIZE); // restored when this window closes
    StateFinding();
    switch (UpdateQuery::CheckForUpdateAt(vendor)) {
    case UpdateQuery::UpToDate:
        Ask({L"MessageBoxNoUpdate1", L"MessageBoxNoUpdate2"}, MB_OK | MB_ICONINFORMATION);
        return;
    case UpdateQuery::ManualUpdateOnly:
        if (Ask({L"MessageBoxManualUpdate1", L"MessageBoxManualUpdate2"}, MB_YESNO | MB_ICONWARNING) == IDYES)
            Shell::OpenWebPage(Product::kDownloadsPage);
        StateEnding(false);
        return;
    case UpdateQuery::UpdateAvailable:
        if (Ask({L"MessageBoxUpdate1", L"MessageBoxUpdate2"}, MB_YESNO | MB_ICONINFORMATION) != IDYES)
            return;
        break;
    default:
        Ask({L"MessageBoxNoConnection1", L"MessageBoxNoConnection2"}, MB_OK | MB_ICONERROR);
        return;
    }

    StateDownloading();
    std::wstring installer;
    Http::Result transfer;
    if (!closing) {
        DeleteOldUpdates();
        installer = InstallerFiles::InstallerPathNow(folder);
        transfer = DownloadUpdate(installer);
        StateInstalling();
    }
    if (!closing)
        InstallUpdate(installer, transfer);
    if (closing)
        ui::Application::Instance().Terminate();
}

void TMKUpdateForm::InstallUpdate(const std::wstring& installer, const Http::Result& transfer)
{
    WindowCoordination::CloseMainProgramWindows();
    // Only a whole download, signed by the publisher, is started; anything else is treated
    // as an installer that could not be started. The checked file stays open, and so
    // unchangeable, until the installer runs.
    ScopedHandle verified = InstallerCheck::OpenVerified(installer, transfer, kPublisherSha256);
    const int code = verified ? Shell::RunAndWait(installer, Product::kInstallerParameters, [&verified] { verified.Close(); })
                              : 1;
    verified.Close();
    if (code == Product::kInstallerRestartCode) {
        if (Ask({L"MessageBoxUpdateRestart1", L"MessageBoxUpdateRestart2", L"MessageBoxUpdateRestart3"},
                MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES)
            Restart::RestartWindows();
    } else if (code > 0) {
        if (Ask({L"MessageBoxManualUpdate1", L"MessageBoxManualUpdate2"}, MB_YESNO | MB_ICONWARNING) == IDYES)
            Shell::OpenWebPage(Product::kDownloadsPage);
    }
    StateEnding(true);
}

void TMKUpdateForm::CloseButtonClick() { Close(); }

void TMKUpdateForm::FormClose()
{
    closing = true;
    httpGet.Disconnect();
    if (downloadFile)
        downloadFile->Close();
    ShowMainProgramWindow(SW_RESTORE);
}

void TMKUpdateForm::ApplicationEventsShortCut(WPARAM key)
{
    if (key == VK_F1)
        Shell::ShowHelpTopic(Product::kHelpFile, Product::kUpdateHelpTopic);
}

void TMKUpdateForm::HelpButtonClick() { ApplicationEventsShortCut(VK_F1); }

Http::Result TMKUpdateForm::DownloadUpdate(const std::wstring& FileName)
{
    try {
        downloadFile = std::make_shared<DownloadFile>(FileName);
        if (!downloadFile->IsOpen())
            return {};
        const Http::Result result =
            httpGet.Get(vendor, Product::kInstallerPath, downloadFile);
        downloadFile->Close(); // once only: a closing window may have closed it already
        return result;
    } catch (...) {
        if (downloadFile)
            downloadFile->Close();
        return {};
    }
}

void TMKUpdateForm::DeleteOldUpdates()
{
    InstallerFiles::DeleteOldUpdates(folder);
}

void TMKUpdateForm::HttpGetWorkBegin(std::int64_t AWorkCountMax)
{
    workCountMax = std::int32_t(std::uint32_t(AWorkCountMax));
}

void TMKUpdateForm::HttpGetWork(std::int64_t AWorkCount)
{
    workCount = std::int32_t(std::uint32_t(AWorkCount));
    // Without an announced length there is nothing to divide by: the bar stays where it is.
    if (workCountMax == 0)
        return;
    // Halves go to the even neighbour: 12.5 gives 12, 37.5 gives 38.
    const double position = std::nearbyint(double(workCount) / double(workCountMax) * 100.0);
    UpdateProgress.SetPosition(position < 0 ? 0 : int(position));
}
