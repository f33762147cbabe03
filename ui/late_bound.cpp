#include "ui/late_bound.h"

#include <string>

namespace ui::LateBound {
namespace {

using GetDpiForWindowPointer = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiPointer = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SetDefaultDllDirectoriesPointer = BOOL(WINAPI*)(DWORD);
using HtmlHelpPointer = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);
using VarDateFromStrPointer = HRESULT(WINAPI*)(const wchar_t*, LCID, ULONG, DATE*);
using PlaySoundPointer = BOOL(WINAPI*)(const wchar_t*, HMODULE, DWORD);
using ShellExecutePointer = HINSTANCE(WINAPI*)(HWND, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, int);
using CommandLineToArgvPointer = wchar_t**(WINAPI*)(const wchar_t*, int*);
using ShellExecuteExPointer = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);

// A DLL every process of ours has loaded already, as its imports name it.
HMODULE Imported(const wchar_t* name) { return GetModuleHandleW(name); }


GetDpiForWindowPointer FoundGetDpiForWindow()
{
    static const auto found = Lookup<GetDpiForWindowPointer>(Imported(L"user32.dll"), "GetDpiForWindow");
    return found;
}

AdjustWindowRectExForDpiPointer FoundAdjustWindowRectExForDpi()
{
    static const auto found = Lookup<AdjustWindowRectExForDpiPointer>(Imported(L"user32.dll"), "AdjustWindowRectExForDpi");
    return found;
}

SetDefaultDllDirectoriesPointer FoundSetDefaultDllDirectories()
{
    static const auto found = Lookup<SetDefaultDllDirectoriesPointer>(Imported(L"kernel32.dll"), "SetDefaultDllDirectories");
    return found;
}

HtmlHelpPointer FoundHtmlHelp()
{
    static const auto found = Lookup<HtmlHelpPointer>(SystemLibrary(L"hhctrl.ocx"), "HtmlHelpW");
    return found;
}

VarDateFromStrPointer FoundVarDateFromStr()
{
    static const auto found = Lookup<VarDateFromStrPointer>(SystemLibrary(L"oleaut32.dll"), "VarDateFromStr");
    return found;
}

PlaySoundPointer FoundPlaySound()
{
    static const auto found = Lookup<PlaySoundPointer>(SystemLibrary(L"winmm.dll"), "PlaySoundW");
    return found;
}

HMODULE Shell32()
{
    static const HMODULE module = SystemLibrary(L"shell32.dll");
    return module;
}

ShellExecutePointer FoundShellExecute()
{
    static const auto found = Lookup<ShellExecutePointer>(Shell32(), "ShellExecuteW");
    return found;
}

ShellExecuteExPointer FoundShellExecuteEx()
{
    static const auto found = Lookup<ShellExecuteExPointer>(Shell32(), "ShellExecuteExW");
    return found;
}

CommandLineToArgvPointer FoundCommandLineToArgv()
{
    static const auto found = Lookup<CommandLineToArgvPointer>(Shell32(), "CommandLineToArgvW");
    return found;
}

template <class Result>
Result Missing(Result failure)
{
    SetLastError(ERROR_PROC_NOT_FOUND);
    return failure;
}

} // namespace

// Kept for the process's life, since the functions found in it are kept too.
HMODULE SystemLibrary(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    return LoadLibraryW((std::wstring(folder, length) + L"\\" + name).c_str());
}

bool Available(Function function)
{
    switch (function) {
    case Function::GetDpiForWindow: return FoundGetDpiForWindow() != nullptr;
    case Function::AdjustWindowRectExForDpi: return FoundAdjustWindowRectExForDpi() != nullptr;
    case Function::SetDefaultDllDirectories: return FoundSetDefaultDllDirectories() != nullptr;
    case Function::HtmlHelpW: return FoundHtmlHelp() != nullptr;
    case Function::VarDateFromStr: return FoundVarDateFromStr() != nullptr;
    case Function::PlaySoundW: return FoundPlaySound() != nullptr;
    case Function::ShellExecuteW: return FoundShellExecute() != nullptr;
    case Function::ShellExecuteExW: return FoundShellExecuteEx() != nullptr;
    case Function::CommandLineToArgvW: return FoundCommandLineToArgv() != nullptr;
    }
    return false;
}

UINT GetDpiForWindow(HWND window)
{
    const auto function = FoundGetDpiForWindow();
    return function ? function(window) : Missing(0u);
}

BOOL AdjustWindowRectExForDpi(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi)
{
    const auto function = FoundAdjustWindowRectExForDpi();
    return function ? function(rect, style, menu, exStyle, dpi) : Missing(FALSE);
}

BOOL SetDefaultDllDirectories(DWORD directoryFlags)
{
    const auto function = FoundSetDefaultDllDirectories();
    return function ? function(directoryFlags) : Missing(FALSE);
}

HWND HtmlHelpW(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data)
{
    const auto function = FoundHtmlHelp();
    return function ? function(caller, file, command, data) : Missing(HWND(nullptr));
}

HRESULT VarDateFromStr(const wchar_t* text, LCID locale, ULONG flags, DATE* date)
{
    const auto function = FoundVarDateFromStr();
    return function ? function(text, locale, flags, date) : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

BOOL PlaySoundW(const wchar_t* sound, HMODULE module, DWORD flags)
{
    const auto function = FoundPlaySound();
    return function ? function(sound, module, flags) : Missing(FALSE);
}

HINSTANCE ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                        const wchar_t* folder, int show)
{
    const auto function = FoundShellExecute();
    return function ? function(owner, verb, file, parameters, folder, show) : Missing(HINSTANCE(nullptr));
}

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info)
{
    const auto function = FoundShellExecuteEx();
    return function ? function(info) : Missing(FALSE);
}

wchar_t** CommandLineToArgvW(const wchar_t* commandLine, int* count)
{
    const auto function = FoundCommandLineToArgv();
    return function ? function(commandLine, count) : Missing(static_cast<wchar_t**>(nullptr));
}

} // namespace ui::LateBound
