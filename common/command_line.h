#pragma once

// The programs' command lines: only the first argument counts.
namespace CommandLine {

// Whether the command line's first argument is the switch, compared without regard to the
// case of the letters A to Z. No argument, another one, or the switch later on: false.
bool FirstArgumentIs(const wchar_t* commandLine, const wchar_t* switchText);

} // namespace CommandLine
