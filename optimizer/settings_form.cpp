#include "optimizer/settings_form.h"

#include <chrono>
#include <random>

#include "common/captions.h"
#include "common/system_font.h"
#include "ui/application.h"

TMKSettingsForm::TMKSettingsForm(ui::Form& mainForm) : ui::Form(L"MKSettingsForm")
{
    clientWidth = 479;
    clientHeight = 146;
    systemMenu = false; // no close button: a run cannot be stopped half way
    owner = &mainForm;
    placement = Placement::OwnerCentre;

    SettingsPanel.bounds = {0, 0, 479, 146};
    SettingsPanel.colour = GetSysColor(COLOR_WINDOW);
    SettingsPanel.cursor = IDC_WAIT;
    CurrentSettingsHeading.bounds = {42, 30, 430, 16};
    CurrentSettingsHeading.parentFont = false;
    CurrentSettingsHeading.font = {L"Tahoma", 8, true};
    CurrentSettingsHeading.centreVertically = true;
    MainProgress.bounds = {42, 59, 401, 17};
    MainProgress.cursor = IDC_WAIT;
    CurrentSettingsLabel.bounds = {42, 94, 430, 16};
    CurrentSettingsLabel.centreVertically = true;

    OnShow = [this] { FormShow(); };
}

void TMKSettingsForm::FormShow()
{
    UseDesktopFont();
    SystemFont::ApplySystemFont(*this);
    Captions::ApplyCaptions(*this);
    MainProgress.SetPosition(0);
}

void TMKSettingsForm::ShowProgressStep(const std::wstring& text)
{
    std::mt19937 random(unsigned(std::chrono::steady_clock::now().time_since_epoch().count()));
    const ProgressPacing::StepActions actions{
        [] { ui::Application::Instance().ProcessMessages(); },
        [this](const std::wstring& frame) { CurrentSettingsLabel.SetText(frame); },
        [this](DWORD milliseconds) {
            RedrawWindow(Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); // seen while paused
            Sleep(milliseconds);
        },
    };
    ProgressPacing::RunStep(text, ProgressPacing::DrawPasses(pacing, random), pacing, actions);
    ++stepCounter;
    MainProgress.SetPosition(ProgressPacing::BarPosition(stepCounter, stepTotal));
}
