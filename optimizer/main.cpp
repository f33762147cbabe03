#include <windows.h>

#include "common/native_hint_window.h"
#include "common/shell.h"
#include "common/window_coordination.h"
#include "optimizer/about_form.h"
#include "optimizer/main_form.h"
#include "optimizer/settings_form.h"
#include "optimizer/startup.h"
#include "ui/application.h"

// Marlowick's start: bookkeeping, the single-instance rule, then the three windows and the
// message loop. Update-check mode ("/checkupdate") asks the vendor's server and offers the
// updater when a newer release exists; it opens no window of its own.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    Shell::HardenDllSearch();
    // Hints as Windows tooltips. (The hand cursor is the system's already: every control
    // that shows a hand asks Windows for IDC_HAND.)
    NativeHints::InstallNativeHintWindow();
    Startup::RecordStart();
    const bool updateCheckMode = Startup::IsUpdateCheckMode(GetCommandLineW());
    if (updateCheckMode)
        Startup::OfferAvailableUpdate();
    if (WindowCoordination::ActivateRunningInstance(WindowCoordination::kMainFormClass, true) || updateCheckMode)
        return 0;

    ui::Application& application = ui::Application::Instance();
    TMKMainForm mainForm;
    TMKAboutForm aboutForm(mainForm);
    TMKSettingsForm settingsForm(mainForm);
    mainForm.aboutForm = &aboutForm;
    mainForm.settingsForm = &settingsForm;
    application.SetMainForm(&mainForm);

    // The set-up goes first, so that every window is made with its final font, text and
    // selection instead of being laid out again; the About and progress windows get their
    // windows when first shown. Start makes only what the main window needs.
    mainForm.FormCreate();
    mainForm.Create();
    mainForm.Show();
    mainForm.StartDueUpdateCheck();
    application.Run(mainForm);
    return 0;
}
