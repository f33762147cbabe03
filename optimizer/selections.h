#pragma once

#include <string>

#include "common/windows_version.h"
#include "optimizer/edition.h"

// The three choices of the main window, as it preselects them at start: the Windows edition,
// the processor maker (0 Intel, 1 AMD, 2 VIA) and the speed setting (0 Boost, 1 Maximum
// Boost).
namespace Selections {

// The edition for what DetectWindowsVersion found; Windows 11 when it recognised none.
Edition EditionIndexFor(WindowsVersion::DetectedVersion detected);

// The processor maker a processor name names, ignoring case; Intel when none.
int ProcessorMakerFor(const std::wstring& processorName);

// The maker of this machine's first processor, from its name in the registry.
int DetectProcessorMaker();

// A stored speed setting brought into 0 to 1.
int ClampSpeedSetting(int stored);

} // namespace Selections
