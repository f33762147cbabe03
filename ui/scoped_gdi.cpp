#include "ui/scoped_gdi.h"

namespace ui {
namespace {

GdiCounts live;

} // namespace

GdiCounts LiveGdiObjects() { return live; }

namespace detail {
void CountMade(HFONT, int change) { live.fonts += change; }
void CountMade(HBITMAP, int change) { live.bitmaps += change; }
void CountMade(HBRUSH, int change) { live.brushes += change; }
} // namespace detail

ScopedImageList::ScopedImageList(HIMAGELIST made) : list(made)
{
    if (list)
        ++live.imageLists;
}

ScopedImageList& ScopedImageList::operator=(ScopedImageList&& other) noexcept
{
    if (this != &other) {
        Reset();
        list = std::exchange(other.list, nullptr);
    }
    return *this;
}

void ScopedImageList::Reset()
{
    if (list) {
        --live.imageLists;
        ImageList_Destroy(list);
        list = nullptr;
    }
}

ScopedMemoryDc::ScopedMemoryDc(HDC compatibleWith) : dc(CreateCompatibleDC(compatibleWith))
{
    if (dc)
        ++live.memoryDcs;
}

ScopedMemoryDc::~ScopedMemoryDc()
{
    if (dc) {
        --live.memoryDcs;
        DeleteDC(dc);
    }
}

} // namespace ui
