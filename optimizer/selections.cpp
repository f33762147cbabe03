#include "optimizer/selections.h"

#include <windows.h>

#include <algorithm>

#include "common/registry.h"
#include "ui/text.h"

namespace Selections {

Edition EditionIndexFor(WindowsVersion::DetectedVersion detected)
{
    using enum WindowsVersion::DetectedVersion;
    switch (detected) {
    case Windows11: return Edition::Windows11;
    case Windows10: return Edition::Windows10;
    case Windows8: return Edition::Windows8;
    case Windows7: return Edition::Windows7;
    case WindowsVista: return Edition::WindowsVista;
    case WindowsXP: return Edition::WindowsXP;
    case WindowsServer2012: return Edition::WindowsServer2012;
    case WindowsServer2008: return Edition::WindowsServer2008;
    case WindowsServer2003: return Edition::WindowsServer2003;
    case Windows2000: return Edition::WindowsServer2000;
    case NotRecognised: break;
    }
    return Edition::Windows11;
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
                                                           L"ProcessorNameString", L"",
                                                           CustomRegistry::WindowsView()));
}

int ClampSpeedSetting(int stored)
{
    return std::clamp(stored, 0, 1);
}

} // namespace Selections
