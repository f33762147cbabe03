#include "common/sound.h"

#include <windows.h>
#include <mmsystem.h>

namespace Sound {

void PlayClickSound()
{
    PlaySoundW(L"click", GetModuleHandleW(nullptr), SND_RESOURCE);
}

} // namespace Sound
