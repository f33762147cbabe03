#include "tests/support/http_test_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <list>
#include <mutex>
#include <stdexcept>
#include <string_view>
#include <thread>

namespace TestHttp {
namespace {

// Files go out in blocks of this size, one send each: a benchmark moves 200 MB through here.
constexpr std::size_t kBlockSize = 64 * 1024;
constexpr std::size_t kMaxHeadSize = 64 * 1024;
// Chunked bodies cycle through these sizes, so a reader meets a one-byte chunk, chunks that
// end in the middle of its buffer and chunks larger than it.
constexpr std::size_t kChunkSizes[] = {1000, 1, 16384, 333, 65536};

const char* StandardReason(int status)
{
    switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 201: return "Created";
    case 202: return "Accepted";
    case 204: return "No Content";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 407: return "Proxy Authentication Required";
    case 408: return "Request Timeout";
    case 410: return "Gone";
    case 416: return "Range Not Satisfiable";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    default: return "Unknown";
    }
}

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return lower;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

Reply TextReply(int status, std::string text)
{
    Reply reply;
    reply.status = status;
    reply.headers = {{"Content-Type", "text/plain"}};
    reply.body = std::move(text);
    return reply;
}

// The socket of one connection. Every call is overlapped and its wait also ends when the server
// stops, which cancels it: no connection thread can keep the server's destructor waiting.
class Link {
public:
    Link(SOCKET connected, HANDLE stopEvent)
        : socket(connected), stop(stopEvent), done(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
    }
    ~Link()
    {
        // Our data goes out before the end of the stream, which is all a cut or a
        // close-delimited body needs.
        shutdown(socket, SD_BOTH);
        closesocket(socket);
        CloseHandle(done);
    }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    bool Send(std::string_view bytes)
    {
        while (!bytes.empty()) {
            WSABUF buffer{ULONG(std::min<std::size_t>(bytes.size(), 1 << 20)), const_cast<char*>(bytes.data())};
            DWORD sent = 0;
            if (!Complete(WSASend(socket, &buffer, 1, nullptr, 0, Fresh(), nullptr), sent) || sent == 0)
                return false;
            bytes.remove_prefix(sent);
        }
        return true;
    }

    // Appends what arrives next; false when the peer has ended, the connection failed or the
    // server stops.
    bool ReceiveInto(std::string& into)
    {
        char block[16384];
        WSABUF buffer{sizeof(block), block};
        DWORD flags = 0;
        DWORD received = 0;
        if (!Complete(WSARecv(socket, &buffer, 1, nullptr, &flags, Fresh(), nullptr), received) || received == 0)
            return false;
        into.append(block, received);
        return true;
    }

private:
    WSAOVERLAPPED* Fresh()
    {
        overlapped = {};
        overlapped.hEvent = done;
        return &overlapped;
    }

    bool Complete(int result, DWORD& transferred)
    {
        if (result == SOCKET_ERROR && WSAGetLastError() != WSA_IO_PENDING)
            return false;
        HANDLE handles[] = {done, stop};
        const DWORD woke = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (woke != WAIT_OBJECT_0)
            CancelIoEx(reinterpret_cast<HANDLE>(socket), &overlapped);
        // Waits for a cancelled call to end as well: its buffer lives on the caller's stack.
        DWORD flags = 0;
        const BOOL finished = WSAGetOverlappedResult(socket, &overlapped, &transferred, TRUE, &flags);
        return woke == WAIT_OBJECT_0 && finished;
    }

    SOCKET socket;
    HANDLE stop;
    HANDLE done;
    WSAOVERLAPPED overlapped{};
};

// A reply's body, the string or the file, in blocks of at most kBlockSize.
class BodySource {
public:
    explicit BodySource(const Reply& reply) : text(reply.body)
    {
        if (reply.bodyFile.empty()) {
            size = text.size();
            return;
        }
        file = CreateFileW(reply.bodyFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        LARGE_INTEGER fileSize{};
        if (file != INVALID_HANDLE_VALUE && GetFileSizeEx(file, &fileSize))
            size = std::uint64_t(fileSize.QuadPart);
        buffer.resize(kBlockSize);
    }
    ~BodySource()
    {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    BodySource(const BodySource&) = delete;
    BodySource& operator=(const BodySource&) = delete;

    bool Readable() const { return buffer.empty() || file != INVALID_HANDLE_VALUE; }
    std::uint64_t Size() const { return size; }

    // Empty at the end, or where the file could not be read further.
    std::string_view Next()
    {
        if (buffer.empty()) {
            const std::string_view block = text.substr(offset, kBlockSize);
            offset += block.size();
            return block;
        }
        DWORD read = 0;
        if (!ReadFile(file, buffer.data(), DWORD(buffer.size()), &read, nullptr))
            return {};
        return {buffer.data(), read};
    }

private:
    std::string_view text;
    std::size_t offset = 0;
    HANDLE file = INVALID_HANDLE_VALUE;
    std::vector<char> buffer; // only for a file
    std::uint64_t size = 0;
};

// Sends a body's bytes in the reply's framing, holding at its stall and ending at its cut.
class BodyWriter {
public:
    BodyWriter(Link& to, const Reply& reply, std::function<bool()> holdUntilReleased)
        : link(to), framing(reply.framing), cutAfter(reply.cutAfter), stallAfter(reply.stallAfter),
          waitForRelease(std::move(holdUntilReleased))
    {
    }

    // False when the connection ends here: cut, failed or the server stops.
    bool Write(std::string_view bytes)
    {
        for (;;) {
            if (stallAfter && !stalled && sent == *stallAfter) {
                stalled = true;
                if (!waitForRelease())
                    return false;
            }
            if (cutAfter && sent >= *cutAfter)
                return false;
            if (bytes.empty())
                return true;
            std::size_t size = bytes.size();
            if (stallAfter && !stalled)
                size = std::min<std::uint64_t>(size, *stallAfter - sent);
            if (cutAfter)
                size = std::min<std::uint64_t>(size, *cutAfter - sent);
            if (!SendFramed(bytes.substr(0, size)))
                return false;
            sent += size;
            bytes.remove_prefix(size);
        }
    }

    // A stall or cut at the very end still happens; then the last chunk.
    bool Finish()
    {
        if (!Write({}))
            return false;
        return framing != Reply::Framing::Chunked || link.Send("0\r\n\r\n");
    }

    std::uint64_t Sent() const { return sent; }

private:
    bool SendFramed(std::string_view bytes)
    {
        if (framing != Reply::Framing::Chunked)
            return link.Send(bytes);
        // All the chunks of one block in one send.
        std::string framed;
        while (!bytes.empty()) {
            const std::size_t size = std::min(bytes.size(), kChunkSizes[nextChunk++ % std::size(kChunkSizes)]);
            char sizeText[20];
            framed.append(sizeText, std::to_chars(sizeText, sizeText + sizeof(sizeText), size, 16).ptr);
            framed += "\r\n";
            framed += bytes.substr(0, size);
            framed += "\r\n";
            bytes.remove_prefix(size);
        }
        return link.Send(framed);
    }

    Link& link;
    Reply::Framing framing;
    std::optional<std::size_t> cutAfter, stallAfter;
    std::function<bool()> waitForRelease;
    std::uint64_t sent = 0;
    bool stalled = false;
    std::size_t nextChunk = 0;
};

// A request's head as read, and what it says about the connection.
struct Incoming {
    Request request;
    bool keepAlive = false;
    std::uint64_t bodyLength = 0;
};

std::optional<Incoming> ParseHead(std::string_view head)
{
    Incoming incoming;
    std::size_t lineEnd = head.find("\r\n");
    const std::string_view requestLine = head.substr(0, lineEnd);
    const std::size_t space1 = requestLine.find(' ');
    const std::size_t space2 = requestLine.find(' ', space1 + 1);
    if (space1 == std::string_view::npos || space2 == std::string_view::npos || space2 == space1 + 1)
        return std::nullopt;
    incoming.request.method = requestLine.substr(0, space1);
    incoming.request.target = requestLine.substr(space1 + 1, space2 - space1 - 1);
    const std::string_view version = requestLine.substr(space2 + 1);
    if (!version.starts_with("HTTP/1."))
        return std::nullopt;

    while (lineEnd != std::string_view::npos) {
        const std::size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string_view line = head.substr(start, lineEnd == std::string_view::npos ? lineEnd : lineEnd - start);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0)
            return std::nullopt;
        const std::string name = Lower(Trim(line.substr(0, colon)));
        const std::string_view value = Trim(line.substr(colon + 1));
        auto [place, added] = incoming.request.headers.emplace(name, value);
        if (!added)
            place->second.append(", ").append(value);
    }

    const auto& headers = incoming.request.headers;
    const auto connection = headers.find("connection");
    const bool askedToClose = connection != headers.end() && Lower(connection->second).find("close") != std::string::npos;
    incoming.keepAlive = version == "HTTP/1.1" && !askedToClose;
    if (const auto length = headers.find("content-length"); length != headers.end()) {
        const std::string& text = length->second;
        if (std::from_chars(text.data(), text.data() + text.size(), incoming.bodyLength).ec != std::errc())
            incoming.keepAlive = false;
    }
    // A chunked request body is not read; the connection then cannot carry another request.
    if (headers.contains("transfer-encoding"))
        incoming.keepAlive = false;
    return incoming;
}

} // namespace

struct Server::State {
    // Throws when it cannot; the destructor then releases what was made.
    void Listen();
    ~State();

    void Accept();
    void Serve(SOCKET socket);
    Reply Choose(const Request& request) const;
    bool Answer(Link& link, const Request& request, const Reply& reply, bool keepAlive);
    bool WaitForRelease(std::uint64_t releasesBefore);

    bool winsockStarted = false;
    SOCKET listener = INVALID_SOCKET;
    WSAEVENT acceptable = WSA_INVALID_EVENT;
    HANDLE stop = nullptr; // manual-reset: once set, every wait of every thread ends
    std::uint16_t port = 0;

    mutable std::mutex mutex;
    std::condition_variable released;
    bool stopping = false;
    std::uint64_t releases = 0;
    std::map<std::string, std::vector<Reply>> routes;
    std::vector<Request> requests;

    // Only the accepting thread touches these until it has been joined.
    struct Worker {
        std::thread thread;
        std::atomic<bool> done = false;
    };
    std::list<Worker> workers;
    std::thread acceptor;
};

void Server::State::Listen()
{
    WSADATA data;
    winsockStarted = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    acceptable = WSACreateEvent();
    listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int addressSize = sizeof(address);
    if (!winsockStarted || !stop || acceptable == WSA_INVALID_EVENT || listener == INVALID_SOCKET ||
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener, SOMAXCONN) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &addressSize) != 0 ||
        WSAEventSelect(listener, acceptable, FD_ACCEPT) != 0)
        throw std::runtime_error("the test HTTP server cannot listen: error " + std::to_string(WSAGetLastError()));
    port = ntohs(address.sin_port);
    acceptor = std::thread([this] { Accept(); });
}

Server::State::~State()
{
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    released.notify_all();
    if (stop)
        SetEvent(stop);
    if (acceptor.joinable())
        acceptor.join();
    for (Worker& worker : workers)
        worker.thread.join();
    if (listener != INVALID_SOCKET)
        closesocket(listener);
    if (acceptable != WSA_INVALID_EVENT)
        WSACloseEvent(acceptable);
    if (stop)
        CloseHandle(stop);
    if (winsockStarted)
        WSACleanup();
}

void Server::State::Accept()
{
    for (;;) {
        HANDLE handles[] = {acceptable, stop};
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0)
            return;
        WSANETWORKEVENTS events;
        WSAEnumNetworkEvents(listener, acceptable, &events);
        for (SOCKET connection; (connection = accept(listener, nullptr, nullptr)) != INVALID_SOCKET;) {
            // An accepted socket inherits the listener's event selection, which would keep it
            // non-blocking; its calls are overlapped instead.
            WSAEventSelect(connection, nullptr, 0);
            u_long nonBlocking = 0;
            ioctlsocket(connection, FIONBIO, &nonBlocking);
            // Headers and body go out in separate sends; without this, the body of a small reply
            // would wait for the client's delayed acknowledgement of the headers.
            const BOOL noDelay = TRUE;
            setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
            Worker& worker = workers.emplace_back();
            worker.thread = std::thread([this, connection, &worker] {
                Serve(connection);
                worker.done = true;
            });
        }
        workers.remove_if([](Worker& worker) {
            if (!worker.done)
                return false;
            worker.thread.join();
            return true;
        });
    }
}

void Server::State::Serve(SOCKET socket)
{
    Link link(socket, stop);
    std::string pending;
    for (;;) {
        std::size_t headEnd;
        while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos) {
            if (pending.size() > kMaxHeadSize) {
                Answer(link, Request{"GET", "", {}}, TextReply(431, "The request's head is too long.\n"), false);
                return;
            }
            if (!link.ReceiveInto(pending))
                return;
        }
        std::optional<Incoming> incoming = ParseHead(std::string_view(pending).substr(0, headEnd));
        pending.erase(0, headEnd + 4);
        if (!incoming) {
            Answer(link, Request{"GET", "", {}}, TextReply(400, "That is not an HTTP/1.x request.\n"), false);
            return;
        }
        // The request's body is not wanted, but the next request starts after it.
        while (pending.size() < incoming->bodyLength) {
            incoming->bodyLength -= pending.size();
            pending.clear();
            if (!link.ReceiveInto(pending))
                return;
        }
        pending.erase(0, std::size_t(incoming->bodyLength));

        {
            std::lock_guard lock(mutex);
            requests.push_back(incoming->request);
        }
        if (!Answer(link, incoming->request, Choose(incoming->request), incoming->keepAlive))
            return;
    }
}

Reply Server::State::Choose(const Request& request) const
{
    std::vector<Reply> candidates;
    {
        std::lock_guard lock(mutex);
        if (const auto found = routes.find(request.target); found != routes.end())
            candidates = found->second;
    }
    // Outside the lock: a test's `when` may well ask for the requests so far.
    for (Reply& candidate : candidates) {
        if (!candidate.when || candidate.when(request))
            return std::move(candidate);
    }
    return TextReply(404, "No route for " + request.target + "\n");
}

// True when the connection may carry another request.
bool Server::State::Answer(Link& link, const Request& request, const Reply& reply, bool keepAlive)
{
    // Taken before the first byte goes out, so that a release made after the client saw the
    // stalled bytes always counts for this reply.
    std::uint64_t releasesBefore;
    {
        std::lock_guard lock(mutex);
        releasesBefore = releases;
    }
    BodySource source(reply);
    if (!source.Readable()) {
        std::fprintf(stderr, "test HTTP server: cannot read %ls (error %lu)\n", reply.bodyFile.c_str(), GetLastError());
        return Answer(link, request, TextReply(500, "The body's file cannot be read.\n"), false);
    }

    using enum Reply::Framing;
    const bool noBody = request.method == "HEAD";
    const bool bodiless = reply.status / 100 == 1 || reply.status == 204 || reply.status == 304;
    const std::uint64_t length = reply.announcedLength.value_or(source.Size());
    bool closes = !keepAlive || (!bodiless && reply.framing == CloseDelimited);
    if (!noBody && !bodiless)
        closes = closes || reply.cutAfter || (reply.framing == ContentLength && length != source.Size());

    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " +
                       (reply.reason.empty() ? StandardReason(reply.status) : reply.reason) + "\r\n";
    for (const auto& [name, value] : reply.headers)
        head += name + ": " + value + "\r\n";
    if (!bodiless && reply.framing == ContentLength)
        head += "Content-Length: " + std::to_string(length) + "\r\n";
    if (!bodiless && reply.framing == Chunked)
        head += "Transfer-Encoding: chunked\r\n";
    if (closes)
        head += "Connection: close\r\n";
    head += "\r\n";
    if (!link.Send(head))
        return false;
    if (noBody || bodiless)
        return !closes;

    BodyWriter writer(link, reply, [&] { return WaitForRelease(releasesBefore); });
    for (std::string_view block = source.Next(); !block.empty(); block = source.Next()) {
        if (!writer.Write(block))
            return false;
    }
    // A file that ends before its size was read has broken the framing too.
    return writer.Finish() && !closes && writer.Sent() == source.Size();
}

bool Server::State::WaitForRelease(std::uint64_t releasesBefore)
{
    std::unique_lock lock(mutex);
    released.wait(lock, [&] { return stopping || releases != releasesBefore; });
    return !stopping;
}

Server::Server() : state(std::make_unique<State>()) { state->Listen(); }

Server::~Server() = default;

std::uint16_t Server::Port() const { return state->port; }

std::wstring Server::Host() const { return L"127.0.0.1:" + std::to_wstring(state->port); }

void Server::Route(const std::string& target, Reply reply)
{
    std::lock_guard lock(state->mutex);
    state->routes[target].push_back(std::move(reply));
}

void Server::Redirect(const std::string& from, const std::string& to, int status)
{
    Reply reply;
    reply.status = status;
    reply.headers = {{"Location", to}};
    Route(from, std::move(reply));
}

std::vector<Request> Server::Requests() const
{
    std::lock_guard lock(state->mutex);
    return state->requests;
}

void Server::ReleaseStalls()
{
    {
        std::lock_guard lock(state->mutex);
        ++state->releases;
    }
    state->released.notify_all();
}

std::string CaptivePortalPage()
{
    return "<!DOCTYPE html>\n"
           "<html lang=\"en\">\n"
           "<head>\n"
           "<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<title>Harbour Lane Guest Wi-Fi</title>\n"
           "</head>\n"
           "<body>\n"
           "<h1>Welcome to Harbour Lane Guest Wi-Fi</h1>\n"
           "<p>Please sign in and accept the terms of use to connect to the Internet.</p>\n"
           "<form method=\"post\" action=\"/portal/login\">\n"
           "<p><label>Room number <input name=\"room\" required></label></p>\n"
           "<p><label>Last name <input name=\"name\" required></label></p>\n"
           "<p><label><input type=\"checkbox\" name=\"terms\" required> I accept the terms of use</label></p>\n"
           "<p><button type=\"submit\">Connect</button></p>\n"
           "</form>\n"
           "</body>\n"
           "</html>\n";
}

Reply CaptivePortalReply()
{
    Reply reply;
    reply.headers = {{"Content-Type", "text/html; charset=utf-8"}, {"Cache-Control", "no-store"}};
    reply.body = CaptivePortalPage();
    return reply;
}

} // namespace TestHttp
