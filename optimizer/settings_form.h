#pragma once

#include <string>

#include "optimizer/progress_pacing.h"
#include "ui/form.h"

// The progress window shown while Optimize or Restore runs: a bold heading naming the
// operation, a step line with growing dots, and a bar.
class TMKSettingsForm : public ui::Form {
public:
    explicit TMKSettingsForm(ui::Form& mainForm);

    ui::Panel SettingsPanel{this, L"SettingsPanel"};
    ui::Label CurrentSettingsHeading{this, L"CurrentSettingsHeading", &SettingsPanel};
    ui::ProgressBar MainProgress{this, L"MainProgress", &SettingsPanel};
    ui::Label CurrentSettingsLabel{this, L"CurrentSettingsLabel", &SettingsPanel};

    // Steps of the current run: the caller sets the total and clears the counter.
    int stepTotal = 0;
    int stepCounter = 0;
    ProgressPacing::Pacing pacing = ProgressPacing::BuildPacing();

    void FormShow();
    // Shows one step's text with its dots while the program keeps handling its messages,
    // then moves the bar on.
    void ShowProgressStep(const std::wstring& text);
};
