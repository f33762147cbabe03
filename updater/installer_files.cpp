#include "updater/installer_files.h"

namespace InstallerFiles {

std::wstring InstallerPath(const std::wstring& folder, const SYSTEMTIME& date, const SYSTEMTIME& time)
{
    const int number = date.wYear + date.wMonth + date.wDay + time.wHour + time.wMinute + time.wSecond +
                       time.wMilliseconds;
    return folder + L"update" + std::to_wstring(number) + L"Marlowick.exe";
}

std::wstring InstallerPathNow(const std::wstring& folder)
{
    SYSTEMTIME date, time;
    GetLocalTime(&date);
    GetLocalTime(&time);
    return InstallerPath(folder, date, time);
}

void DeleteOldUpdates(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"update*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        // Hidden and system files are listed too; a folder or a file in use stays.
        DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

} // namespace InstallerFiles
