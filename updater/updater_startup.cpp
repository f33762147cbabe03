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

std::wstring OwnPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return {};
        if (length < path.size())
            return path.substr(0, length);
        path.resize(path.size() * 2);
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
    const std::wstring self = OwnPath();
    const std::wstring copy = folder + self.substr(self.rfind(L'\\') + 1);
    // A copy that fails leaves an older one in place, which then runs; nothing is reported.
    CopyFileW(self.c_str(), copy.c_str(), FALSE);
    CopyFileW((Shell::ProgramFolder() + Product::kHelpFile).c_str(), (folder + Product::kHelpFile).c_str(), FALSE);
    Shell::StartProgram(copy, kUpdateSwitch);
}

} // namespace UpdaterStartup
