#pragma once

// Names of the pictures resources/updater.rc embeds.
namespace Art {

inline constexpr wchar_t kBanner[] = L"BANNER";
inline constexpr wchar_t kFind[] = L"FIND";
inline constexpr wchar_t kDownload[] = L"DOWNLOAD";
inline constexpr wchar_t kInstall[] = L"INSTALL";
inline constexpr wchar_t kFindIdle[] = L"FINDIDLE";
inline constexpr wchar_t kDownloadIdle[] = L"DOWNLOADIDLE";
inline constexpr wchar_t kInstallIdle[] = L"INSTALLIDLE";
inline constexpr wchar_t kChecked[] = L"CHECKED";
inline constexpr wchar_t kUnchecked[] = L"UNCHECKED";

} // namespace Art
