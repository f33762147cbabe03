#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Everything the programs start outside themselves: documents, programs, web pages and help
// topics. None of these report whether the start worked.
namespace Shell {

// The running program's file, and its folder with a trailing backslash.
std::wstring ProgramPath();
std::wstring ProgramFolder();

void OpenDocument(const std::wstring& target, const std::wstring& parameters);
void StartProgram(const std::wstring& target, const std::wstring& parameters);
void OpenWebPage(const std::wstring& url);
// Shows a topic of a help file in the program folder, in the help file's "HelpWindow".
void ShowHelpTopic(const std::wstring& helpFile, const std::wstring& topic);

// Starts a program (an installer) and waits for it to end, handling the application's
// messages meanwhile. Gives its exit code; 1 when it could not be started; 259
// (STILL_ACTIVE) when the application was told to quit first, which leaves it running.
// `started` runs once the program's process exists.
int RunAndWait(const std::wstring& program, const std::wstring& parameters,
               const std::function<void()>& started = {});

// The user's temporary folder with a trailing backslash; empty when the system gives none.
std::wstring GetTempFolder();

// Makes the program load DLLs from the system folder only, never from its own or the
// current folder, where someone else may have put a file of the same name.
void HardenDllSearch();

// One request to the shell: an open (ShellExecute) or a help topic (HtmlHelp).
struct Launch {
    enum class Kind { Open, HelpTopic };
    Kind kind;
    HWND owner;              // the window the shell shows its own notices over
    std::wstring target;     // a file, a program, a URL, or the help path
    std::wstring parameters; // empty: none
};
// What the launches do: the real shell by default (and after setting none); tests record
// them instead.
using LaunchHandler = std::function<void(const Launch&)>;
void SetLaunchHandler(LaunchHandler handler);

} // namespace Shell
