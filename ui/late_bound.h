#pragma once

#include <windows.h>
#include <shellapi.h>
#include <wtypes.h>

// Functions that not every supported Windows has, or that live in DLLs the programs load only
// when they need them. Each is looked up once, on first use; DLLs outside the process's own
// imports are loaded by their full path in the system folder, never found by the search
// order. A wrapper of a missing function answers what the function answers on failure (0,
// FALSE, null or an error HRESULT) with the last error ERROR_PROC_NOT_FOUND, so callers keep
// the fall-back they need anyway; Available tells beforehand.
namespace ui::LateBound {

// A DLL of the system folder, loaded by its full path on first use and kept for the
// process's life; null when it cannot be loaded.
HMODULE SystemLibrary(const wchar_t* name);
// A function of the module; null when the module or the function is missing.
template <class Pointer>
Pointer Lookup(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<Pointer>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

enum class Function {
    GetDpiForWindow,
    AdjustWindowRectExForDpi,
    SetDefaultDllDirectories,
    HtmlHelpW,
    VarDateFromStr,
    PlaySoundW,
    ShellExecuteW,
    ShellExecuteExW,
    CommandLineToArgvW,
};
bool Available(Function function);

// user32, Windows 10 1607 on. 0 when missing.
UINT GetDpiForWindow(HWND window);
// user32, Windows 10 1607 on. FALSE when missing.
BOOL AdjustWindowRectExForDpi(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi);
// kernel32, Windows 8, and Windows 7 with KB2533623. FALSE when missing.
BOOL SetDefaultDllDirectories(DWORD directoryFlags);
// hhctrl.ocx, the help engine. Null when missing.
HWND HtmlHelpW(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data);
// oleaut32.dll. HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND) when missing.
HRESULT VarDateFromStr(const wchar_t* text, LCID locale, ULONG flags, DATE* date);
// winmm.dll, loaded at the first click rather than at every start. FALSE when missing.
BOOL PlaySoundW(const wchar_t* sound, HMODULE module, DWORD flags);
// shell32.dll, loaded when something is first opened or an argument first read: a start
// without arguments needs none of it. Null (ShellExecuteW: 0) when missing.
HINSTANCE ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                        const wchar_t* folder, int show);
BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info);
wchar_t** CommandLineToArgvW(const wchar_t* commandLine, int* count);

} // namespace ui::LateBound
