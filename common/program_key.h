#pragma once

#include <windows.h>

// The one registry key that belongs to the programs, and the names of its own values. The
// seven backup values carry the names of the Windows values they save; the tweak catalogue
// holds those.
namespace ProgramKey {

inline const HKEY kRoot = HKEY_LOCAL_MACHINE;
inline constexpr wchar_t kPath[] = L"\\Software\\KORVEL\\Marlowick\\";

inline constexpr wchar_t kRestore[] = L"Restore";              // DWORD, 1 = a backup exists
inline constexpr wchar_t kProcessorType[] = L"ProcessorType";  // DWORD, processor maker index
inline constexpr wchar_t kSpeedSetting[] = L"SpeedSetting";    // DWORD, 0 or 1
inline constexpr wchar_t kLanguage[] = L"Language";            // text, chooses the caption table
inline constexpr wchar_t kInstalledDate[] = L"InstalledDate";  // timestamp text
inline constexpr wchar_t kUpdatedDate[] = L"UpdatedDate";      // timestamp text
inline constexpr wchar_t kUpdated[] = L"Updated";              // DWORD boolean, set by the installer

// What the rows without a saved copy held before Optimize first wrote them: one value per
// row, kept and removed together with the saved copies.
inline constexpr wchar_t kOriginalsPath[] = L"\\Software\\KORVEL\\Marlowick\\Originals\\";

} // namespace ProgramKey
