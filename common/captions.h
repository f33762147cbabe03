#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace ui {
class Form;
}

// Every text the user reads comes from the caption table: an RCDATA resource of the program,
// named after the language, holding lines of "section, key, text". Nothing is cached: each
// call reads the language and the table again, so a change takes effect with the next call.
// Neither operation reports a failure; a missing text is the empty text.
namespace Captions {

// The "Language" value of the program key, "english" when it gives no text, with the
// letters A to Z lower-cased.
std::wstring LanguageName();

// The table's content as lines: the ANSI code page, or UTF-8, UTF-16LE or UTF-16BE after a
// byte-order mark (which is dropped); lines end at CR LF, CR or LF.
std::vector<std::wstring> DecodeLines(std::string_view content);

// The fields of one line. No field at all means the line holds only blanks.
std::vector<std::wstring> SplitFields(std::wstring_view line);

// Sets the window's title and the texts of the components it owns from the window's section.
void ApplyCaptions(ui::Form& window);

// The text of the last entry of that section and key, or the empty text.
std::wstring GetCaption(std::wstring_view section, std::wstring_view key);

// A message box's text: the texts of the section's keys, an empty line between them.
std::wstring MessageText(std::wstring_view section, std::initializer_list<const wchar_t*> keys);

// The same two walks over lines that did not come from the program's resources.
void ApplyCaptions(ui::Form& window, const std::vector<std::wstring>& lines);
std::wstring GetCaption(const std::vector<std::wstring>& lines, std::wstring_view section, std::wstring_view key);

} // namespace Captions
