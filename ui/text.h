#pragma once

#include <string>
#include <string_view>

namespace ui {

// Names (components, caption sections and keys, switches) are compared ignoring the case of
// the letters A to Z only, so the result never depends on the user's locale.
constexpr wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c + (L'a' - L'A')) : c; }

constexpr bool SameText(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

inline std::wstring AsciiLowerCase(std::wstring_view text)
{
    std::wstring lower(text);
    for (auto& c : lower)
        c = AsciiLower(c);
    return lower;
}

} // namespace ui
