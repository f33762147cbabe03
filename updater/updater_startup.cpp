#include "updater/updater_startup.h"

#include <windows.h>

#include "common/command_line.h"
#include "common/product.h"
#include "common/shell.h"

namespace UpdaterStartup {
namespace {

// Creates the folder with every missing folder above it.
void CreateFolders(const std::wstring& folder)
{
    for (std::size_t slash = folder.find(L'\\'); slash != std::wstring::npos; slash = folder.find(L'\\', slash + 1)) {
        if (slash > 0 && folder[slash - 1] != L':')
            CreateDirectoryW(folder.substr(0, slash).c_str(), nullptr);
    }
}

} // namespace

bool IsUpdateStage(const wchar_t* commandLine)
{
    return CommandLine::FirstArgumentIs(commandLine, kUpdateSwitch);
}

std::wstring CopyFolder()
{
    return Shell::GetTempFolder() + L"KORVEL\\Marlowick\\";
}

void RunFirstStage()
{
    const std::wstring folder = CopyFolder();
    CreateFolders(folder);
    const std::wstring self = Shell::ProgramPath();
    const std::wstring copy = folder + self.substr(self.rfind(L'\\') + 1);
    // A copy that fails leaves an older one in place, which then runs; nothing is reported.
    CopyFileW(self.c_str(), copy.c_str(), FALSE);
    CopyFileW((Shell::ProgramFolder() + Product::kHelpFile).c_str(), (folder + Product::kHelpFile).c_str(), FALSE);
    Shell::StartProgram(copy, kUpdateSwitch);
}

} // namespace UpdaterStartup
