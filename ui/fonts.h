#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

namespace ui {

struct Font {
    std::wstring face = L"Tahoma";
    int points = 8;
    bool bold = false;
    bool underline = false;
    COLORREF colour = CLR_DEFAULT; // CLR_DEFAULT: the system's window text colour
    bool operator==(const Font&) const = default;
};

// The GDI font of a Font at a DPI. Controls that show the same face, size and style at one
// DPI share one (the colour is drawn, a GDI font has none); the font is deleted when the
// last of them lets go.
class SharedFont {
public:
    SharedFont() = default;
    static SharedFont For(const Font& font, int dpi);

    HFONT Handle() const;
    // Whether this is the font For(font, dpi) would give.
    bool Shows(const Font& font, int dpi) const;

    struct Entry; // one font in use, known only to the table of fonts

private:
    explicit SharedFont(std::shared_ptr<const Entry> shared) : entry(std::move(shared)) {}
    std::shared_ptr<const Entry> entry;
};

} // namespace ui
