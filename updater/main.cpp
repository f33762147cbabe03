#include <windows.h>

#include "common/captions.h"

// MarlowickUpdate's entry point. Its window and start-up arrive with the updater; until then
// it only shows that the program starts and finds its caption table: exit code 0 when the
// update window's title can be read from it, 1 when not.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return Captions::GetCaption(L"MKUpdateForm", L"MKUpdateForm").empty() ? 1 : 0;
}
