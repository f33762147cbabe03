#pragma once

#include <windows.h>

#include <string>

// The installer files the updater keeps in its folder.
namespace InstallerFiles {

// "update" + the plain sum of the date's year, month and day and the time's hour, minute,
// second and millisecond + "Marlowick.exe", in the folder (which ends with a backslash).
std::wstring InstallerPath(const std::wstring& folder, const SYSTEMTIME& date, const SYSTEMTIME& time);
// The same for now; the date and the time are read one after the other, as they come.
std::wstring InstallerPathNow(const std::wstring& folder);

// Deletes every file of the folder whose name begins with "update", whatever its attributes;
// what cannot be deleted (a file in use, a folder) stays.
void DeleteOldUpdates(const std::wstring& folder);

} // namespace InstallerFiles
