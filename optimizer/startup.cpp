#include "optimizer/startup.h"

#include <windows.h>

#include "common/captions.h"
#include "common/command_line.h"
#include "common/product.h"
#include "common/shell.h"
#include "common/update_query.h"
#include "common/window_coordination.h"
#include "common/program_key.h"
#include "common/registry.h"
#include "optimizer/timestamp.h"
#include "ui/application.h"

namespace Startup {

std::wstring RecordStart()
{
    using namespace CustomRegistry;
    std::wstring installed =
        ReadRegString(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kInstalledDate, L"", ProgramKey::kView);
    if (installed.empty()) {
        installed = Timestamp::TimestampText(Timestamp::NowMilliseconds());
        WriteRegString(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kInstalledDate, installed, ProgramKey::kView);
    }
    if (ReadRegBool(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kUpdated, false, ProgramKey::kView)) {
        WriteRegBool(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kUpdated, false, ProgramKey::kView);
        WriteRegString(ProgramKey::kRoot, ProgramKey::kPath, ProgramKey::kUpdatedDate,
                       Timestamp::TimestampText(Timestamp::NowMilliseconds()), ProgramKey::kView);
    }
    return installed;
}

bool IsUpdateCheckMode(const wchar_t* commandLine)
{
    return CommandLine::FirstArgumentIs(commandLine, L"/checkupdate");
}

void OfferAvailableUpdate()
{
    if (UpdateQuery::CheckForUpdate() != UpdateQuery::UpdateAvailable)
        return;
    WindowCoordination::CloseMainProgramWindows();
    const std::wstring text = Captions::MessageText(L"MKUpdateForm", {L"MessageBoxUpdate1", L"MessageBoxUpdate2"});
    if (ui::Application::Instance().MessageBox(nullptr, text, Captions::GetCaption(L"MKMainForm", L"MKMainForm"),
                                               MB_YESNO | MB_ICONINFORMATION) == IDYES)
        Shell::StartProgram(Shell::ProgramFolder() + Product::kUpdaterProgram, L"");
}

} // namespace Startup
