#pragma once

#include <windows.h>

#include "common/registry.h"

// The one registry key that belongs to the programs, and the names of its own values. The
// seven backup values carry the names of the Windows values they save; the tweak catalogue
// holds those.
namespace ProgramKey {

inline const HKEY kRoot = HKEY_LOCAL_MACHINE;
inline constexpr wchar_t kPath[] = L"\\Software\\KORVEL\\Marlowick\\";
// Where the 32-bit setup program writes the key and its uninstaller reads it.
inline constexpr CustomRegistry::View kView = CustomRegistry::View::Bits32;

inline constexpr wchar_t kRestore[] = L"Restore";              // DWORD, 1 = a backup exists
inline constexpr wchar_t kProcessorType[] = L"ProcessorType";  // DWORD, processor maker index
inline constexpr wchar_t kSpeedSetting[] = L"SpeedSetting";    // DWORD, 0 or 1
inline constexpr wchar_t kLanguage[] = L"Language";            // text, chooses the caption table
inline constexpr wchar_t kInstalledDate[] = L"InstalledDate";  // timestamp text
inline constexpr wchar_t kUpdatedDate[] = L"UpdatedDate";      // timestamp text
inline constexpr wchar_t kUpdated[] = L"Updated";              // DWORD boolean, set by the installer

// What the rows without a saved copy held before Optimize first wrote them: one value per
// row and registry view, kept and removed together with the saved copies.
inline constexpr wchar_t kOriginalsPath[] = L"\\Software\\KORVEL\\Marlowick\\Originals\\";
// DWORD 1 in the originals key: the backup also holds changes of a release that kept no
// records, which Restore undoes by the chosen edition, as that release did.
inline constexpr wchar_t kUnrecorded[] = L"Unrecorded";

} // namespace ProgramKey
