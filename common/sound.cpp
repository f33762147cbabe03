#include "common/sound.h"

#include <windows.h>
#include <mmsystem.h>

#include "ui/late_bound.h"

namespace Sound {

void PlayClickSound()
{
    ui::LateBound::PlaySoundW(L"click", GetModuleHandleW(nullptr), SND_RESOURCE);
}

} // namespace Sound
