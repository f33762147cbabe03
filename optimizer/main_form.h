#pragma once

#include <functional>
#include <initializer_list>
#include <vector>

#include "optimizer/about_form.h"
#include "optimizer/edition.h"
#include "optimizer/settings_form.h"
#include "optimizer/tweak_catalogue.h"
#include "optimizer/tweak_runs.h"
#include "ui/form.h"

// The main window: what the program optimises for (edition, processor maker, speed), the
// installed release and the last update, and the way to Optimize, Restore, the updater,
// help, the vendor's site and the About window.
class TMKMainForm : public ui::Form {
public:
    TMKMainForm();

    // Pictures first: controls declared later lie on top of them.
    ui::Picture Background{this, L"Background"};
    ui::Picture Logo{this, L"Logo"};
    ui::Picture NavButton1{this, L"NavButton1"};
    ui::Picture NavButton2{this, L"NavButton2"};
    ui::Picture NavButton3{this, L"NavButton3"};
    ui::Picture NavButton4{this, L"NavButton4"};
    ui::Label NavStatic1{this, L"NavStatic1"};
    ui::Label NavStatic2{this, L"NavStatic2"};
    ui::Label NavStatic3{this, L"NavStatic3"};
    ui::Label NavStatic4{this, L"NavStatic4"};
    ui::Label NavLabel2{this, L"NavLabel2"};
    ui::Label LinkLabel4{this, L"LinkLabel4"};
    ui::Label LinkLabel5{this, L"LinkLabel5"};
    ui::Label LinkLabel6{this, L"LinkLabel6"};
    ui::Label LinkLabel7{this, L"LinkLabel7"};

    ui::Panel MainPanel{this, L"MainPanel"};
    ui::Panel BenefitsPanel{this, L"BenefitsPanel", &MainPanel};
    ui::Label BenefitsLabel{this, L"BenefitsLabel", &BenefitsPanel};
    ui::Label BenefitsDescription{this, L"BenefitsDescription", &BenefitsPanel};
    // The windowed controls in keyboard order.
    ui::Button GoButton{this, L"GoButton", &MainPanel};
    ui::Button RestoreButton{this, L"RestoreButton", &MainPanel};
    ui::ComboBoxEx WindowsCombo{this, L"WindowsCombo", &MainPanel};
    ui::ComboBoxEx ProcessorCombo{this, L"ProcessorCombo", &MainPanel};
    ui::TrackBar SpeedTrackBar{this, L"SpeedTrackBar", &MainPanel};
    ui::Button UpdatesButton{this, L"UpdatesButton", &MainPanel};
    ui::Label OSVersionLabel{this, L"OSVersionLabel", &MainPanel};
    ui::Label ProcessorTypeLabel{this, L"ProcessorTypeLabel", &MainPanel};
    ui::Label SpeedLabel{this, L"SpeedLabel", &MainPanel};
    ui::Label FastLabel{this, L"FastLabel", &MainPanel};
    ui::Label FasterLabel{this, L"FasterLabel", &MainPanel};
    ui::Bevel LineSeparator1{this, L"LineSeparator1", &MainPanel};
    ui::Bevel LineSeparator2{this, L"LineSeparator2", &MainPanel};
    ui::Label VersionInstalledLabel{this, L"VersionInstalledLabel", &MainPanel};
    ui::Label SoftwareLastUpdateLabel{this, L"SoftwareLastUpdateLabel", &MainPanel};

    ui::PopupMenu PopupMenu{this, L"PopupMenu"};
    ui::MenuItem HelpFilePopup{this, L"HelpFilePopup"};
    ui::MenuItem N1{this, L"N1"};
    ui::MenuItem TechSupportPopup{this, L"TechSupportPopup"};

    // Made by the start-up with this window and kept for the program's life.
    TMKAboutForm* aboutForm = nullptr;
    TMKSettingsForm* settingsForm = nullptr;

    // The creation-time set-up: fonts, texts, stored choices, detection, whether an update
    // check is due.
    void FormCreate();
    // Starts the due update check; the start-up calls it once the window is shown.
    void StartDueUpdateCheck();
    TweakCatalogue::VersionGroup ConvertWindowsVersion(Edition WinVer) const;

    void GoButtonClick();
    void RestoreButtonClick();
    void NavButton1Click();
    void HelpFilePopupClick();
    void NavButton2Click();
    void NavButton3Click();
    void NavButton4Click();
    void UpdatesButtonClick();
    void ApplicationEventsShortCut(WPARAM key);

private:
    // Both runs: without the right to write the program key nothing may begin.
    bool MayChangeSettings();
    // One Optimize or Restore after its questions: the click, the progress steps (key and
    // count of each), then the registry work of the plan; the caller asks the last question.
    TweakRuns::Outcome ChangeSettings(
        const wchar_t* headingKey, std::initializer_list<std::pair<const wchar_t*, int>> steps,
        const std::function<std::vector<TweakRuns::Step>(TweakCatalogue::VersionGroup)>& plan);
    void AskForRestart(bool everyChangeMade);
    void SetUnderline(ui::Label& label, bool underline);
    bool updateCheckDue = false;
};
