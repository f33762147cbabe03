#pragma once

#include <string>

// Files as tests read them.
namespace TestFiles {

// The whole content of the file, also one another program writes meanwhile; empty when it
// cannot be opened.
std::string Content(const std::wstring& path);

} // namespace TestFiles
