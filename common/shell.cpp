#include "common/shell.h"

#include <shellapi.h>

#include "common/scoped_handle.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/late_bound.h"

namespace Shell {
namespace {

HWND ApplicationWindow()
{
    const ui::Form* main = ui::Application::Instance().MainForm();
    return main ? main->Handle() : nullptr;
}

void ShowHelp(const std::wstring& path)
{
    constexpr UINT kDisplayTopic = 0; // HH_DISPLAY_TOPIC
    ui::LateBound::HtmlHelpW(GetDesktopWindow(), path.c_str(), kDisplayTopic, 0);
}

void RealLaunch(const Launch& launch)
{
    if (launch.kind == Launch::Kind::HelpTopic) {
        ShowHelp(launch.target);
        return;
    }
    ui::LateBound::ShellExecuteW(launch.owner, L"open", launch.target.c_str(),
                  launch.parameters.empty() ? nullptr : launch.parameters.c_str(), nullptr, SW_SHOW);
}

LaunchHandler& Handler()
{
    static LaunchHandler handler = RealLaunch;
    return handler;
}

void Run(Launch launch)
{
    try {
        Handler()(launch);
    } catch (...) {
        // A launch that fails has no visible effect.
    }
}

} // namespace

std::wstring ProgramPath()
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

std::wstring ProgramFolder()
{
    const std::wstring path = ProgramPath();
    return path.substr(0, path.rfind(L'\\') + 1);
}

void OpenDocument(const std::wstring& target, const std::wstring& parameters)
{
    Run({Launch::Kind::Open, ApplicationWindow(), target, parameters});
}

void StartProgram(const std::wstring& target, const std::wstring& parameters)
{
    Run({Launch::Kind::Open, nullptr, target, parameters});
}

void OpenWebPage(const std::wstring& url)
{
    Run({Launch::Kind::Open, ApplicationWindow(), url, L""});
}

void ShowHelpTopic(const std::wstring& helpFile, const std::wstring& topic)
{
    Run({Launch::Kind::HelpTopic, GetDesktopWindow(), ProgramFolder() + helpFile + L"::" + topic + L">HelpWindow", L""});
}

int RunAndWait(const std::wstring& program, const std::wstring& parameters, const std::function<void()>& started)
{
    try {
        const std::size_t slash = program.rfind(L'\\');
        const std::wstring file = slash == std::wstring::npos ? program : program.substr(slash + 1);
        const std::wstring folder = slash == std::wstring::npos ? std::wstring() : program.substr(0, slash + 1);
        SHELLEXECUTEINFOW info{sizeof(info)};
        info.fMask = SEE_MASK_NOCLOSEPROCESS;
        info.hwnd = ApplicationWindow();
        info.lpFile = file.c_str();
        info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
        info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
        info.nShow = SW_SHOWNORMAL;
        if (!ui::LateBound::ShellExecuteExW(&info) || !info.hProcess)
            return 1;
        ScopedHandle process(info.hProcess);
        if (started)
            started();
        ui::Application& application = ui::Application::Instance();
        DWORD status = STILL_ACTIVE;
        for (;;) {
            application.ProcessMessages();
            if (!GetExitCodeProcess(process.Get(), &status))
                return 1;
            if (status != STILL_ACTIVE || application.Terminated())
                return int(status);
            // Sleeps until the program ends or a message arrives, also one that was already
            // waiting when the queue was last looked at.
            MsgWaitForMultipleObjectsEx(1, &info.hProcess, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
    } catch (...) {
        return 1;
    }
}

std::wstring GetTempFolder()
{
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH, folder);
    if (length == 0 || length > MAX_PATH)
        return {};
    std::wstring path(folder, length);
    if (!path.ends_with(L'\\'))
        path += L'\\';
    return path;
}

void HardenDllSearch()
{
    // Windows 8 and Windows 7 with KB2533623 can restrict the search to the system folder;
    // elsewhere, at least the current folder leaves the search order.
    constexpr DWORD kSearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (!ui::LateBound::SetDefaultDllDirectories(kSearchSystem32))
        SetDllDirectoryW(L"");
}

void SetLaunchHandler(LaunchHandler handler)
{
    Handler() = handler ? std::move(handler) : LaunchHandler(RealLaunch);
}

} // namespace Shell
