#include <windows.h>

#include "common/captions.h"

// Marlowick's entry point. Its windows and start-up arrive with the main window; until then
// it only shows that the program starts and finds its caption table: exit code 0 when the
// main window's title can be read from it, 1 when not.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return Captions::GetCaption(L"MKMainForm", L"MKMainForm").empty() ? 1 : 0;
}
