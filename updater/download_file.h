#pragma once

#include <mutex>
#include <string>

#include "common/http_transfer.h"
#include "common/scoped_handle.h"

// The file an installer is downloaded into. The transfer writes it from its own thread; it
// is closed once, by whichever comes first, the end of the transfer or the window closing,
// and nothing is written into it after that.
class DownloadFile : public Http::Sink {
public:
    // Creates the file anew, replacing one of the same name; nobody else may open it while
    // it is open here.
    explicit DownloadFile(const std::wstring& path);

    bool IsOpen() const;
    bool Write(const char* data, std::size_t size) override;
    void Close();

private:
    mutable std::mutex mutex;
    ScopedHandle file;
};
