#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A scripted HTTP/1.1 server inside the test process, for the tests of our WinHTTP client
// code. Each target answers as the test routed it, and a reply can misbehave on purpose: a
// wrong status, a length that lies, a body that ends early or stalls, redirects in circles.
namespace TestHttp {

struct Request {
    std::string method;
    std::string target;                          // path and query, as sent
    std::map<std::string, std::string> headers; // names lower-cased; a repeated one joined by ", "
};

struct Reply {
    int status = 200;
    std::string reason; // empty: the standard phrase for the status
    // Sent as they are, before the framing's own headers (Location, Set-Cookie, Content-Type ...).
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // ContentLength and Chunked keep the connection for the next request; CloseDelimited sends
    // no length and ends the body by closing.
    enum class Framing { ContentLength, Chunked, CloseDelimited } framing = Framing::ContentLength;
    // Sent as Content-Length instead of the body's size: a lie, or a huge one like 2^40. The
    // connection closes after the body whenever the two differ.
    std::optional<std::uint64_t> announcedLength;
    // Closes the connection after this many body bytes (chunked: complete chunks, and no last one).
    std::optional<std::size_t> cutAfter;
    // Sends this many body bytes, then nothing until ReleaseStalls() or the server stops; after a
    // release the rest follows.
    std::optional<std::size_t> stallAfter;
    // When set, this file is the body instead of `body`, read as it is sent (it may be hundreds of MB).
    std::wstring bodyFile;
    // When set, this reply is only for the requests it accepts (one carrying a cookie, say).
    // It runs on a connection's thread.
    std::function<bool(const Request&)> when;
};

// Listens on 127.0.0.1 at a free port and serves every connection on a thread of its own, so a
// stalled transfer does not hold up the others. A target nobody routed gets a 404 with a short
// text body. Requests without a Content-Length are taken to have no body.
class Server {
public:
    Server();
    // Closes the listener and every connection, even mid-transfer or stalled, and joins the
    // threads: it never waits on a client.
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    std::uint16_t Port() const;
    std::wstring Host() const; // L"127.0.0.1:<port>"

    // `target` matches path and query exactly. Of several replies for one target, a request gets
    // the first whose `when` accepts it (or that has none).
    void Route(const std::string& target, Reply reply);
    // `to` goes out as the Location as it is: relative or absolute.
    void Redirect(const std::string& from, const std::string& to, int status = 302);

    std::vector<Request> Requests() const; // every request so far, in order of arrival
    // Lets every stall that has begun go on. A stall counts as begun as soon as its reply is
    // chosen, so a release that follows the client's reading of the stalled bytes is never lost.
    void ReleaseStalls();

private:
    // Winsock stays out of this header: it has to come before <windows.h>, which tests include first.
    struct State;
    std::unique_ptr<State> state;
};

// A body that looks like a captive portal's login page, for tests that must not take it for an
// answer; CaptivePortalReply() serves it as such a portal would (200, text/html).
std::string CaptivePortalPage();
Reply CaptivePortalReply();

} // namespace TestHttp
