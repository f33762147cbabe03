#include "common/window_coordination.h"

#include <windows.h>

#include <initializer_list>

namespace WindowCoordination {

bool ActivateRunningInstance(const wchar_t* className, bool activate)
{
    const HWND window = FindWindowW(className, nullptr);
    if (!window)
        return false;
    if (activate) {
        ShowWindow(window, SW_RESTORE);
        SetForegroundWindow(window);
    }
    return true;
}

void CloseMainProgramWindows()
{
    for (const wchar_t* className : {kAboutFormClass, kSettingsFormClass, kMainFormClass}) {
        if (const HWND window = FindWindowW(className, nullptr))
            SendMessageW(window, WM_CLOSE, 0, 0);
    }
}

} // namespace WindowCoordination
