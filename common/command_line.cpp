#include "common/command_line.h"

#include <windows.h>

#include <cwchar>

#include "ui/late_bound.h"
#include "ui/text.h"

namespace CommandLine {

bool FirstArgumentIs(const wchar_t* commandLine, const wchar_t* switchText)
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
    const bool found = args && count > 1 && ui::SameText(args[1], switchText);
    LocalFree(args);
    return found;
}

} // namespace CommandLine
