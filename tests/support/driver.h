#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Drives the programs' windows from outside, as a user would: windows found by class and
// text, buttons clicked, message boxes answered.
namespace Driver {

// Waits up to `milliseconds` for `find` to give a window; null when none came.
HWND WaitFor(const std::function<HWND()>& find, DWORD milliseconds = 30000);
// Waits until the condition holds; false when it did not within the time.
bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds = 30000);

// The first child window (at any depth) with the text.
HWND ChildWithText(HWND parent, const std::wstring& text);
// A message box the program shows, owned by `owner` (null: one without an owner), once it
// is on the screen.
HWND MessageBoxOf(HWND owner, DWORD milliseconds = 30000);
// The text of a message box.
std::wstring MessageText(HWND dialog);
void Click(HWND button);
// Presses a message box's button and waits until the box is gone.
bool Answer(HWND dialog, const std::wstring& button);

// A top-level window of the class once it is on the screen and ready for input.
HWND ShownWindow(const wchar_t* className, DWORD milliseconds = 30000);

} // namespace Driver
