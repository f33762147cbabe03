#include "tests/support/programs.h"

#include <tlhelp32.h>

#include <cstdio>

namespace TestPrograms {

std::wstring BesideThisProgram(const wchar_t* fileName)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path(self);
    return path.substr(0, path.rfind(L'\\') + 1) + fileName;
}

Process::Process(const wchar_t* fileName, const std::wstring& arguments) : Process(At{BesideThisProgram(fileName)}, arguments)
{
}

Process::Process(const At& program, const std::wstring& arguments)
{
    const std::wstring& path = program.path;
    std::wstring commandLine = L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{sizeof(startup)};
    // Now and then Wine refuses a start right after a process of ours was killed; a moment
    // later it takes it.
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        if (attempt > 0) {
            std::fprintf(stderr, "starting %ls failed with error %lu; trying again\n", path.c_str(), GetLastError());
            Sleep(200);
        }
        started = CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &info);
    }
}

Process::~Process()
{
    if (!started)
        return;
    if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

long Process::Wait(DWORD milliseconds)
{
    if (!started || WaitForSingleObject(info.hProcess, milliseconds) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    return long(code);
}

std::vector<DWORD> Processes(const std::function<bool(const std::wstring& fileName)>& matches)
{
    std::vector<DWORD> found;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32W entry{sizeof(entry)};
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (matches(entry.szExeFile))
            found.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return found;
}

std::vector<DWORD> ProcessesOf(const wchar_t* fileName)
{
    return Processes([fileName](const std::wstring& name) { return _wcsicmp(name.c_str(), fileName) == 0; });
}

void EndProcesses(const std::vector<DWORD>& ids)
{
    for (const DWORD id : ids) {
        if (const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
}

} // namespace TestPrograms
