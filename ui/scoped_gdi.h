#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace ui {

// What the toolkit has made and not yet released. GetGuiResources always answers 0 under
// Wine, so the owners below keep the count themselves.
struct GdiCounts {
    int fonts = 0;
    int bitmaps = 0;
    int brushes = 0;
    int imageLists = 0;
    int memoryDcs = 0;
    bool operator==(const GdiCounts&) const = default;
};
GdiCounts LiveGdiObjects();

namespace detail {
void CountMade(HFONT, int change);
void CountMade(HBITMAP, int change);
void CountMade(HBRUSH, int change);
} // namespace detail

// The one owner of a font, bitmap or brush: it deletes the object when it goes. An object
// must not be selected into a DC by then (ScopedSelection puts the old one back first).
template <class Handle>
class ScopedGdiObject {
public:
    ScopedGdiObject() = default;
    explicit ScopedGdiObject(Handle made) : object(made)
    {
        if (object)
            detail::CountMade(object, +1);
    }
    ~ScopedGdiObject() { Reset(); }
    ScopedGdiObject(ScopedGdiObject&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    ScopedGdiObject& operator=(ScopedGdiObject&& other) noexcept
    {
        if (this != &other) {
            Reset();
            object = std::exchange(other.object, nullptr);
        }
        return *this;
    }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;

    Handle Get() const { return object; }
    explicit operator bool() const { return object != nullptr; }
    void Reset()
    {
        if (object) {
            detail::CountMade(object, -1);
            DeleteObject(object);
            object = nullptr;
        }
    }

private:
    Handle object = nullptr;
};

using ScopedFont = ScopedGdiObject<HFONT>;
using ScopedBitmap = ScopedGdiObject<HBITMAP>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;

// The one owner of an image list. A control that shows it must lose its window first.
class ScopedImageList {
public:
    ScopedImageList() = default;
    explicit ScopedImageList(HIMAGELIST made);
    ~ScopedImageList() { Reset(); }
    ScopedImageList(ScopedImageList&& other) noexcept : list(std::exchange(other.list, nullptr)) {}
    ScopedImageList& operator=(ScopedImageList&& other) noexcept;
    ScopedImageList(const ScopedImageList&) = delete;
    ScopedImageList& operator=(const ScopedImageList&) = delete;

    HIMAGELIST Get() const { return list; }
    explicit operator bool() const { return list != nullptr; }
    void Reset();

private:
    HIMAGELIST list = nullptr;
};

// A memory DC compatible with another one, deleted when it goes.
class ScopedMemoryDc {
public:
    explicit ScopedMemoryDc(HDC compatibleWith);
    ~ScopedMemoryDc();
    ScopedMemoryDc(const ScopedMemoryDc&) = delete;
    ScopedMemoryDc& operator=(const ScopedMemoryDc&) = delete;
    HDC Get() const { return dc; }
    explicit operator bool() const { return dc != nullptr; }

private:
    HDC dc;
};

// The DC of a window (null: the screen), released when it goes.
class ScopedWindowDc {
public:
    explicit ScopedWindowDc(HWND of) : window(of), dc(GetDC(of)) {}
    ~ScopedWindowDc()
    {
        if (dc)
            ReleaseDC(window, dc);
    }
    ScopedWindowDc(const ScopedWindowDc&) = delete;
    ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
    HDC Get() const { return dc; }
    explicit operator bool() const { return dc != nullptr; }

private:
    HWND window;
    HDC dc;
};

// One WM_PAINT: BeginPaint now, EndPaint when it goes, on every way out.
class ScopedPaint {
public:
    explicit ScopedPaint(HWND of) : window(of), dc(BeginPaint(of, &paint)) {}
    ~ScopedPaint() { EndPaint(window, &paint); }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;
    HDC Get() const { return dc; }

private:
    HWND window;
    PAINTSTRUCT paint{};
    HDC dc;
};

// An object selected into a DC while this lives; the one it replaced comes back after.
class ScopedSelection {
public:
    ScopedSelection(HDC into, HGDIOBJ object) : dc(into), old(into && object ? SelectObject(into, object) : nullptr) {}
    ~ScopedSelection()
    {
        if (old)
            SelectObject(dc, old);
    }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

private:
    HDC dc;
    HGDIOBJ old;
};

} // namespace ui
