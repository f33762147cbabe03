#include "optimizer/startup.h"

#include <windows.h>
#include <shellapi.h>

#include "common/program_key.h"
#include "common/registry.h"
#include "optimizer/timestamp.h"
#include "ui/text.h"

namespace Startup {

std::wstring RecordStart()
{
    using namespace CustomRegistry;
    std::wstring installed = ReadRegString(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kInstalledDate, L"", false);
    if (installed.empty()) {
        installed = Timestamp::TimestampText(Timestamp::NowMilliseconds());
        WriteRegString(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kInstalledDate, installed, false);
    }
    if (ReadRegBool(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kUpdated, false, false)) {
        WriteRegBool(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kUpdated, false, false);
        WriteRegString(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kUpdatedDate,
                       Timestamp::TimestampText(Timestamp::NowMilliseconds()), false);
    }
    return installed;
}

bool IsUpdateCheckMode(const wchar_t* commandLine)
{
    int count = 0;
    wchar_t** args = CommandLineToArgvW(commandLine, &count);
    const bool checkMode = args && count > 1 && ui::SameText(args[1], L"/checkupdate");
    LocalFree(args);
    return checkMode;
}

} // namespace Startup
