#pragma once

#include <windows.h>

// The few colours of the program's look.
namespace Palette {

inline constexpr COLORREF kLink = RGB(0x00, 0x5F, 0xB8);      // links
inline constexpr COLORREF kHeading = RGB(0x5A, 0x6B, 0x82);   // grey headings
inline constexpr COLORREF kOnBanner = RGB(0xFF, 0xFF, 0xFF);  // text on the blue bands
inline constexpr COLORREF kStrip = RGB(0xF2, 0xF6, 0xFC);     // the benefits strip
inline constexpr COLORREF kQuiet = RGB(0x4A, 0x55, 0x66);     // descriptions

} // namespace Palette
