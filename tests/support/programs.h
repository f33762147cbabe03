#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Programs that tests start: the built programs and probes, which lie beside the test.
namespace TestPrograms {

// The full path of a file in the folder of the running test program.
std::wstring BesideThisProgram(const wchar_t* fileName);

// A program started from the test's folder, ended by force if it still runs when the
// object goes.
class Process {
public:
    explicit Process(const wchar_t* fileName, const std::wstring& arguments = L"");
    // A program elsewhere, by its full path.
    struct At {
        std::wstring path;
    };
    explicit Process(const At& program, const std::wstring& arguments = L"");
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Started() const { return started; }
    // The exit code, or -1 when the program did not end within the time.
    long Wait(DWORD milliseconds = 60000);

private:
    bool started = false;
    PROCESS_INFORMATION info{};
};

// The running processes whose file name (as the process list gives it) matches.
std::vector<DWORD> Processes(const std::function<bool(const std::wstring& fileName)>& matches);
// The running processes of a program, by its file name in any case.
std::vector<DWORD> ProcessesOf(const wchar_t* fileName);
// Ends the processes by force, each waited for a little.
void EndProcesses(const std::vector<DWORD>& ids);

// Starts a program, waits for it and gives its exit code (-1 when it could not be had).
inline long Run(const wchar_t* fileName, const std::wstring& arguments = L"")
{
    return Process(fileName, arguments).Wait();
}

} // namespace TestPrograms
