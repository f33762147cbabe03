#pragma once

// Names of the pictures, icons and sound that resources/marlowick.rc embeds.
namespace Art {

inline constexpr wchar_t kBackground[] = L"BACKGROUND";
inline constexpr wchar_t kLogo[] = L"LOGO";
inline constexpr wchar_t kNavButton78[] = L"NAV78";
inline constexpr wchar_t kNavButton85[] = L"NAV85";
inline constexpr wchar_t kNavButton99[] = L"NAV99";
inline constexpr wchar_t kNavButton108[] = L"NAV108";
inline constexpr wchar_t kBanner[] = L"BANNER";
inline constexpr wchar_t kLargeIcon[] = L"LARGEICON";
inline constexpr wchar_t kDesktopIcon[] = L"DESKTOPICON";
inline constexpr wchar_t kServerIcon[] = L"SERVERICON";
inline constexpr wchar_t kProcessorIcon[] = L"PROCESSORICON";

} // namespace Art
