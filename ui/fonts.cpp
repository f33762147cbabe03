#include "ui/fonts.h"

#include <map>
#include <tuple>

#include "ui/scoped_gdi.h"
#include "ui/text.h"

namespace ui {
namespace {

// What makes two GDI fonts the same. Face names are compared as Windows does, ignoring case.
using FontKey = std::tuple<std::wstring, int, bool, bool, int>;

FontKey KeyOf(const Font& font, int dpi)
{
    return {AsciiLowerCase(font.face), font.points, font.bold, font.underline, dpi};
}

} // namespace

struct SharedFont::Entry {
    FontKey key;
    ScopedFont font;
};

namespace {

// The fonts in use, by what they show. Never destroyed: a control of a static object may
// let go of its font after every other static is gone.
std::map<FontKey, std::weak_ptr<const SharedFont::Entry>>& FontsInUse()
{
    static auto& fonts = *new std::map<FontKey, std::weak_ptr<const SharedFont::Entry>>;
    return fonts;
}

ScopedFont MakeFont(const Font& font, int dpi)
{
    LOGFONTW logFont{};
    logFont.lfHeight = -MulDiv(font.points, dpi, 72);
    logFont.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    logFont.lfUnderline = font.underline;
    logFont.lfCharSet = DEFAULT_CHARSET;
    logFont.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(logFont.lfFaceName, font.face.c_str(), LF_FACESIZE);
    return ScopedFont(CreateFontIndirectW(&logFont));
}

} // namespace

SharedFont SharedFont::For(const Font& font, int dpi)
{
    FontKey key = KeyOf(font, dpi);
    auto& fonts = FontsInUse();
    if (auto shared = fonts[key].lock())
        return SharedFont(std::move(shared));
    std::shared_ptr<const Entry> made(new Entry{key, MakeFont(font, dpi)}, [](const Entry* gone) {
        auto& inUse = FontsInUse();
        if (const auto it = inUse.find(gone->key); it != inUse.end() && it->second.expired())
            inUse.erase(it);
        delete gone;
    });
    fonts[key] = made;
    return SharedFont(std::move(made));
}

HFONT SharedFont::Handle() const { return entry ? entry->font.Get() : nullptr; }

bool SharedFont::Shows(const Font& font, int dpi) const { return entry && entry->key == KeyOf(font, dpi); }

} // namespace ui
