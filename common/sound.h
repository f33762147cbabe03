#pragma once

namespace Sound {

// Plays the program's click (the WAVE resource "CLICK") and returns when it has finished.
// Without the resource or a sound device nothing is heard.
void PlayClickSound();

} // namespace Sound
