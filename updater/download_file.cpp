#include "updater/download_file.h"

DownloadFile::DownloadFile(const std::wstring& path)
    : file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))
{
}

bool DownloadFile::IsOpen() const
{
    const std::lock_guard lock(mutex);
    return bool(file);
}

bool DownloadFile::Write(const char* data, std::size_t size)
{
    const std::lock_guard lock(mutex);
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.Get(), data, DWORD(size), &written, nullptr) && written == size;
}

void DownloadFile::Close()
{
    const std::lock_guard lock(mutex);
    file.Close();
}
