#pragma once

#include <string>

// The updater's two stages. Started from the program folder, it copies itself and the help
// file into a folder of the user's temporary folder and starts that copy with "/update",
// which shows the update window; the installer is then downloaded beside the copy, never
// into the program folder that it replaces.
namespace UpdaterStartup {

inline constexpr wchar_t kUpdateSwitch[] = L"/update";

// Whether the command line asks for the stage that shows the update window.
bool IsUpdateStage(const wchar_t* commandLine);

// The temporary copy folder: "KORVEL\Marlowick\" in the user's temporary folder.
std::wstring CopyFolder();

// The first stage: the copies made (each failure ignored), the copy started.
void RunFirstStage();

} // namespace UpdaterStartup
