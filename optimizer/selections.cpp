#include "optimizer/selections.h"

#include <windows.h>

#include <algorithm>

#include "common/registry.h"
#include "common/windows_version.h"
#include "ui/text.h"

namespace Selections {

int EditionIndexFor(int windowsVersion)
{
    using namespace WindowsVersion;
    switch (windowsVersion) {
    case kWindows11: return 0;
    case kWindows10: return 1;
    case kWindows8: return 2;
    case kWindows7: return 3;
    case kWindowsVista: return 4;
    case kWindowsXP: return 5;
    case kWindowsServer2012: return 6;
    case kWindowsServer2008: return 7;
    case kWindowsServer2003: return 8;
    case kWindows2000: return 9;
    default: return 0;
    }
}

int ProcessorMakerFor(const std::wstring& processorName)
{
    const std::wstring name = ui::AsciiLowerCase(processorName);
    if (name.find(L"intel") != std::wstring::npos)
        return 0;
    if (name.find(L"amd") != std::wstring::npos)
        return 1;
    if (name.find(L"via") != std::wstring::npos)
        return 2;
    return 0;
}

int DetectProcessorMaker()
{
    return ProcessorMakerFor(CustomRegistry::ReadRegString(HKEY_LOCAL_MACHINE,
                                                           L"\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0\\",
                                                           L"ProcessorNameString", L"", false));
}

int ClampSpeedSetting(int stored)
{
    return std::clamp(stored, 0, 1);
}

} // namespace Selections
