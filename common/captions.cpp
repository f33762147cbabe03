#include "common/captions.h"

#include <windows.h>

#include <algorithm>
#include <climits>

#include "common/program_key.h"
#include "common/registry.h"
#include "ui/form.h"
#include "ui/text.h"

namespace Captions {
namespace {

constexpr wchar_t kDefaultLanguage[] = L"english";

std::wstring FromCodePage(UINT codePage, std::string_view bytes)
{
    if (bytes.empty() || bytes.size() > INT_MAX)
        return {};
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::wstring text(size_t(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), text.data(), length);
    return text;
}

std::wstring FromUtf16(std::string_view bytes, bool bigEndian)
{
    std::wstring text(bytes.size() / 2, L'\0'); // an odd last byte is no character
    for (size_t i = 0; i < text.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = bigEndian ? wchar_t(first << 8 | second) : wchar_t(second << 8 | first);
    }
    return text;
}

std::wstring Decode(std::string_view content)
{
    if (content.starts_with("\xEF\xBB\xBF"))
        return FromCodePage(CP_UTF8, content.substr(3));
    if (content.starts_with("\xFF\xFE"))
        return FromUtf16(content.substr(2), false);
    if (content.starts_with("\xFE\xFF"))
        return FromUtf16(content.substr(2), true);
    return FromCodePage(CP_ACP, content);
}

// The table of the current language, from the program's own file; no lines when the
// program carries no table of that name.
std::vector<std::wstring> LoadTable()
{
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC resource = FindResourceW(module, LanguageName().c_str(), RT_RCDATA);
    if (!resource)
        return {};
    const HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return {};
    return DecodeLines({static_cast<const char*>(data), SizeofResource(module, resource)});
}

// Hands the fields of each line to `visit`, in table order, until `visit` returns false.
// Empty lines are skipped; a line of blanks only ends the walk.
template <typename Visit>
void WalkTable(const std::vector<std::wstring>& lines, Visit visit)
{
    for (const std::wstring& line : lines) {
        if (line.empty())
            continue;
        const std::vector<std::wstring> fields = SplitFields(line);
        if (fields.empty() || !visit(fields))
            return;
    }
}

constexpr bool IsBlank(wchar_t c) { return c >= 1 && c <= 32; }

} // namespace

std::wstring LanguageName()
{
    return ui::AsciiLowerCase(CustomRegistry::ReadRegString(ProgramKey::kRoot, ProgramKey::kPath,
                                                           ProgramKey::kLanguage, kDefaultLanguage, ProgramKey::kView));
}

std::vector<std::wstring> DecodeLines(std::string_view content)
{
    const std::wstring text = Decode(content);
    std::vector<std::wstring> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find_first_of(L"\r\n", start), text.size());
        lines.emplace_back(text, start, end - start);
        const bool crLf = end + 1 < text.size() && text[end] == L'\r' && text[end + 1] == L'\n';
        start = end + (crLf ? 2 : 1);
    }
    return lines;
}

std::vector<std::wstring> SplitFields(std::wstring_view line)
{
    // A NUL ends the line: nothing after it is ever read.
    line = line.substr(0, line.find(L'\0'));

    std::vector<std::wstring> fields;
    size_t pos = 0;
    const auto skipBlanks = [&] {
        while (pos < line.size() && IsBlank(line[pos]))
            ++pos;
    };

    skipBlanks();
    while (pos < line.size()) {
        std::wstring field;
        if (line[pos] == L'"') {
            // Runs to the first quote that is not doubled; a doubled quote stands for one.
            // Without a closing quote the field runs to the end of the line.
            ++pos;
            while (pos < line.size()) {
                if (line[pos] == L'"') {
                    if (pos + 1 < line.size() && line[pos + 1] == L'"') {
                        field += L'"';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                field += line[pos++];
            }
        } else {
            const size_t start = pos;
            while (pos < line.size() && line[pos] != L',' && !IsBlank(line[pos]))
                ++pos;
            field.assign(line.substr(start, pos - start));
        }
        fields.push_back(std::move(field));

        skipBlanks();
        if (pos < line.size() && line[pos] == L',') {
            ++pos;
            if (pos == line.size()) // a comma that ends the line adds one empty field
                fields.emplace_back();
            skipBlanks();
        }
    }
    return fields;
}

void ApplyCaptions(ui::Form& window)
{
    ApplyCaptions(window, LoadTable());
}

std::wstring GetCaption(std::wstring_view section, std::wstring_view key)
{
    return GetCaption(LoadTable(), section, key);
}

void ApplyCaptions(ui::Form& window, const std::vector<std::wstring>& lines)
{
    const std::wstring& windowName = window.Name();
    WalkTable(lines, [&](const std::vector<std::wstring>& fields) {
        if (!ui::SameText(fields[0], windowName))
            return true;
        if (fields.size() < 2)
            return false;
        // The title entry's key must be the window's name exactly, case included.
        ui::Captioned* target = fields[1] == windowName
                                    ? &window
                                    : dynamic_cast<ui::Captioned*>(window.FindComponent(fields[1]));
        if (!target)
            return true;
        if (fields.size() < 3)
            return false;
        target->SetText(fields[2]);
        return true;
    });
}

std::wstring GetCaption(const std::vector<std::wstring>& lines, std::wstring_view section, std::wstring_view key)
{
    std::wstring text;
    WalkTable(lines, [&](const std::vector<std::wstring>& fields) {
        if (!ui::SameText(fields[0], section))
            return true;
        if (fields.size() < 2)
            return false;
        if (!ui::SameText(fields[1], key))
            return true;
        if (fields.size() < 3)
            return false;
        text = fields[2]; // the last matching entry wins
        return true;
    });
    return text;
}

std::wstring MessageText(std::wstring_view section, std::initializer_list<const wchar_t*> keys)
{
    std::wstring text;
    const wchar_t* separator = L"";
    for (const wchar_t* key : keys) {
        text += separator + GetCaption(section, key);
        separator = L"\r\n\r\n";
    }
    return text;
}

} // namespace Captions
