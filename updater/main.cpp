#include <windows.h>

#include "common/captions.h"
#include "common/shell.h"
#include "common/window_coordination.h"
#include "ui/application.h"
#include "updater/administrator.h"
#include "updater/update_form.h"
#include "updater/updater_startup.h"

// MarlowickUpdate's start: one updater at a time; the first stage makes and starts the copy,
// the copy ("/update") shows the update window to administrators.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    try {
        Shell::HardenDllSearch();
        if (WindowCoordination::ActivateRunningInstance(WindowCoordination::kUpdateFormClass, true))
            return 0;
        if (!UpdaterStartup::IsUpdateStage(GetCommandLineW())) {
            UpdaterStartup::RunFirstStage();
            return 0;
        }
        ui::Application& application = ui::Application::Instance();
        TMKUpdateForm updateForm;
        application.SetMainForm(&updateForm);
        application.OnShortCut = [&updateForm](WPARAM key) { updateForm.ApplicationEventsShortCut(key); };
        updateForm.FormCreate();
        updateForm.Create();
        if (!Administrator::IsAdministrator()) {
            application.MessageBox(nullptr, Captions::MessageText(L"MKUpdateForm", {L"MessageBoxAdmin1", L"MessageBoxAdmin2"}),
                                   Captions::GetCaption(L"MKUpdateForm", L"MKUpdateForm"), MB_OK | MB_ICONINFORMATION);
            return 0;
        }
        updateForm.Show();
        application.Run(updateForm);
    } catch (...) {
        // The updater ends without a message.
    }
    return 0;
}
