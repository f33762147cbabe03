#pragma once

#include <string>

// What every start of Marlowick does before any window exists.
namespace Startup {

// Records the first start ("InstalledDate") and the first start after an installation
// ("Updated" -> "UpdatedDate"). Returns the installation moment's text.
std::wstring RecordStart();

// Whether the first argument of the command line asks for update-check mode.
bool IsUpdateCheckMode(const wchar_t* commandLine);

// Update-check mode: asks the vendor's server; when a newer release exists, closes the
// program's windows and asks whether to start the updater.
void OfferAvailableUpdate();

} // namespace Startup
