#include "optimizer/startup.h"

#include <windows.h>
#include <cwchar>

#include "common/program_key.h"
#include "common/registry.h"
#include "optimizer/timestamp.h"
#include "ui/late_bound.h"
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
    // A start without arguments, the usual one, needs no parser: the program's name is
    // quoted or ends at the first blank, and nothing but blanks may follow it.
    const wchar_t* rest = commandLine;
    if (*rest == L'"') {
        const wchar_t* closing = wcschr(rest + 1, L'"');
        rest = closing ? closing + 1 : rest + wcslen(rest);
    } else {
        rest += wcscspn(rest, L" \t");
    }
    if (rest[wcsspn(rest, L" \t")] == L'\0')
        return false;
    int count = 0;
    wchar_t** args = ui::LateBound::CommandLineToArgvW(commandLine, &count);
    const bool checkMode = args && count > 1 && ui::SameText(args[1], L"/checkupdate");
    LocalFree(args);
    return checkMode;
}

} // namespace Startup
