#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/http_transfer.h"

// The update window's HTTP client. A download runs on a worker thread that only moves bytes
// into the sink; the calling thread, the interface's, handles the application's messages
// meanwhile and reports progress, so the window answers also while a server sends nothing.
// Its session, with the cookies servers set, lives as long as the client.
class HttpGet {
public:
    HttpGet();
    ~HttpGet();
    HttpGet(const HttpGet&) = delete;
    HttpGet& operator=(const HttpGet&) = delete;

    std::wstring accept = L"text/html, */*";
    // The body begins, with its announced length (0: none); then the count so far, on
    // every arrival. Both on the calling thread, after its pending messages were handled.
    std::function<void(std::int64_t workCountMax)> OnWorkBegin;
    std::function<void(std::int64_t workCount)> OnWork;

    // A GET with redirects followed, into the sink. Returns when the transfer has ended or
    // was disconnected, or the application was told to quit.
    Http::Result Get(const Http::Endpoint& endpoint, const std::wstring& path, std::shared_ptr<Http::Sink> sink);
    // Stops a running transfer: Get returns, and the worker writes nothing more.
    void Disconnect();

private:
    struct Transfer;
    std::shared_ptr<Http::Session> session;
    std::shared_ptr<Transfer> running;
};
