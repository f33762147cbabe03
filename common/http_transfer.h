#pragma once

#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One HTTP GET with WinHTTP, the body handed to a sink as it arrives: memory for a short
// reply, a file for an installer. The same loop serves both.
namespace Http {

// Where a server is reached.
struct Endpoint {
    std::wstring host;
    INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
};
// "host" or "host:port"; a port that is not a number from 1 to 65535 gives port 80.
Endpoint ParseEndpoint(std::wstring_view hostAndPort);

// Where a body goes.
class Sink {
public:
    virtual ~Sink() = default;
    // A success reply's body begins; its announced length when it has one.
    virtual void Begin(std::optional<std::uint64_t> /*length*/) {}
    // The next bytes of the body. False: read no more (the sink is full or closed).
    virtual bool Write(const char* data, std::size_t size) = 0;
};

// A body kept in memory, up to a limit; what comes beyond it is not read.
class MemorySink : public Sink {
public:
    explicit MemorySink(std::size_t bodyLimit) : limit(bodyLimit) {}
    bool Write(const char* data, std::size_t size) override;
    const std::string& Body() const { return body; }

private:
    std::size_t limit;
    std::string body;
};

struct Request {
    std::wstring path;             // path and query, sent as they stand
    std::wstring accept;           // the Accept header; empty: none of ours
    bool followRedirects = false;
};

struct Result {
    DWORD status = 0;                       // the reply's status; 0: no reply
    std::optional<std::uint64_t> length;    // Content-Length, when the reply announced one
    std::uint64_t received = 0;             // body bytes read and handed to the sink
    bool ended = false;                     // the server ended the body (not a failure or the sink)
    DWORD error = ERROR_SUCCESS;            // why the transfer failed, when it did

    bool Succeeded() const { return status >= 200 && status < 300; }
    // The whole of a success reply's body reached the sink, as long as it was announced.
    bool Complete() const { return Succeeded() && ended && (!length || *length == received); }
};

// A WinHTTP session: the User-Agent of its requests, and the cookies servers set, which it
// keeps for as long as it lives. Only the body of a success reply goes to the sink.
class Session {
public:
    explicit Session(const std::wstring& userAgent);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs one GET to its end on the calling thread. With `stopSlot`, the request's handle
    // is kept there while the transfer runs, so that another thread can stop it with Stop.
    Result Get(const Endpoint& endpoint, const Request& request, Sink& sink,
               std::atomic<HINTERNET>* stopSlot = nullptr);

private:
    HINTERNET handle = nullptr;
};

// Stops the transfer whose request handle is in the slot, also one that waits for a server
// that sends nothing: the request is closed, and its next or current read fails.
void Stop(std::atomic<HINTERNET>& stopSlot);

} // namespace Http
