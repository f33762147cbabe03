#include "tests/support/http_test_server.h"

#include <windows.h>
#include <winhttp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cwchar>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using TestHttp::Reply;
using TestHttp::Request;
using TestHttp::Server;
using Framing = TestHttp::Reply::Framing;

namespace {

constexpr wchar_t kAgent[] = L"MarlowickTests/1.0";

struct InternetCloser {
    void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using Internet = std::unique_ptr<void, InternetCloser>;

// Never through a proxy of the machine, and with time-outs that end a broken exchange well
// before the test's own.
Internet OpenSession()
{
    Internet session(WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    WinHttpSetTimeouts(session.get(), 5000, 5000, 5000, 10000);
    // Under Wine the receive time-out above does not cover the wait for a response's head: a
    // server that never answers held WinHttpReceiveResponse for minutes.
    DWORD responseTimeout = 10000;
    WinHttpSetOption(session.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout, sizeof(responseTimeout));
    return session;
}

// Letters whose order shifts along the text, so that bytes out of place or lost show.
std::string Pattern(std::size_t size)
{
    std::string text(size, ' ');
    for (std::size_t i = 0; i < size; ++i)
        text[i] = char('a' + (i * 7 + i / 251) % 26);
    return text;
}

// One request sent and the head of its response received; the body is read as asked.
class Exchange {
public:
    Exchange(HINTERNET session, std::uint16_t port, const std::string& target, const wchar_t* method = L"GET")
    {
        const std::wstring wideTarget(target.begin(), target.end());
        connection.reset(WinHttpConnect(session, L"127.0.0.1", port, 0));
        if (connection)
            request.reset(WinHttpOpenRequest(connection.get(), method, wideTarget.c_str(), nullptr, WINHTTP_NO_REFERER,
                                             WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
        if (!request ||
            !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
            !WinHttpReceiveResponse(request.get(), nullptr)) {
            error = GetLastError();
            return;
        }
        DWORD size = sizeof(status);
        WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
        // The text form: the numeric one stops at 2^31-1.
        wchar_t text[64];
        size = sizeof(text);
        if (WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                                WINHTTP_NO_HEADER_INDEX))
            contentLength.emplace(text, size / sizeof(wchar_t));
    }

    // Until the body ends (a read of 0 bytes), a read fails or `atMost` bytes have come.
    std::string Read(std::size_t atMost = SIZE_MAX)
    {
        std::string body;
        char buffer[16384];
        while (body.size() < atMost) {
            DWORD read = 0;
            if (!WinHttpReadData(request.get(), buffer, DWORD(std::min(sizeof(buffer), atMost - body.size())), &read)) {
                readError = GetLastError();
                break;
            }
            if (read == 0)
                break;
            body.append(buffer, read);
        }
        return body;
    }

    DWORD error = 0; // of the call that failed before a response came
    DWORD readError = 0;
    DWORD status = 0;
    std::optional<std::wstring> contentLength;

private:
    Internet connection, request;
};

class TempFile {
public:
    explicit TempFile(const std::string& content)
    {
        wchar_t folder[MAX_PATH], name[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        GetTempFileNameW(folder, L"mkh", 0, name);
        path = name;
        HANDLE file = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, content.data(), DWORD(content.size()), &written, nullptr);
        CloseHandle(file);
    }
    ~TempFile() { DeleteFileW(path.c_str()); }
    std::wstring path;
};

struct ExchangeCase {
    const char* what;
    std::optional<Reply> reply; // none: nothing routed
    const wchar_t* method;
    DWORD status;
    std::optional<std::string> body; // what the client reads; none: some text, whatever it says, and its length
    std::optional<std::wstring> contentLength; // none: no such header
    std::size_t readLimit = SIZE_MAX;
};

// All on one session, one after another, so that WinHTTP reuses the connections the server
// keeps: a reply that breaks its framing also spoils the one after it.
TEST(HttpTestServerTest, AnswersAsEachReplySays)
{
    const std::string text = "Hello from the test server.\n";
    const std::string body = Pattern(100000);
    const std::string fileContent = Pattern(3 * 65536 + 123);
    const TempFile file(fileContent);
    const auto length = [](const std::string& of) { return std::to_wstring(of.size()); };

    const ExchangeCase cases[] = {
        {"a plain 200", Reply{.body = text}, L"GET", 200, text, length(text)},
        {"nothing routed", std::nullopt, L"GET", 404, std::nullopt, std::nullopt},
        {"a HEAD gets the head only", Reply{.body = text}, L"HEAD", 200, "", length(text)},
        {"a 404 of the script's own", Reply{.status = 404, .body = text}, L"GET", 404, text, length(text)},
        {"chunked", Reply{.body = body, .framing = Framing::Chunked}, L"GET", 200, body, std::nullopt},
        {"ended by closing", Reply{.body = body, .framing = Framing::CloseDelimited}, L"GET", 200, body, std::nullopt},
        // Under Wine, WinHTTP ends these with a read of 0 bytes, as if the body were whole.
        {"a length that promises more than the body", Reply{.body = body, .announcedLength = 150000}, L"GET", 200,
         body, L"150000"},
        {"cut in the middle", Reply{.body = body, .cutAfter = 40000}, L"GET", 200, body.substr(0, 40000),
         length(body)},
        {"chunked and cut", Reply{.body = body, .framing = Framing::Chunked, .cutAfter = 50000}, L"GET", 200,
         body.substr(0, 50000), std::nullopt},
        {"a huge length, read a little of", Reply{.body = body, .announcedLength = std::uint64_t(1) << 40}, L"GET",
         200, body.substr(0, 5000), L"1099511627776", 5000},
        {"a file", Reply{.bodyFile = file.path}, L"GET", 200, fileContent, length(fileContent)},
        {"a file, chunked", Reply{.framing = Framing::Chunked, .bodyFile = file.path}, L"GET", 200, fileContent,
         std::nullopt},
    };

    Server server;
    const Internet session = OpenSession();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const ExchangeCase& expected = cases[i];
        SCOPED_TRACE(expected.what);
        const std::string target = "/cases/" + std::to_string(i) + "?edition=home&lang=en";
        if (expected.reply)
            server.Route(target, *expected.reply);

        Exchange exchange(session.get(), server.Port(), target, expected.method);
        ASSERT_EQ(exchange.error, 0u);
        EXPECT_EQ(exchange.status, expected.status);
        const std::string read = exchange.Read(expected.readLimit);
        if (expected.body) {
            EXPECT_EQ(exchange.contentLength, expected.contentLength);
            EXPECT_EQ(read.size(), expected.body->size());
            EXPECT_TRUE(read == *expected.body) << "the bytes differ";
        } else {
            EXPECT_FALSE(read.empty());
            EXPECT_EQ(exchange.contentLength, length(read));
        }
        const std::vector<Request> requests = server.Requests();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(requests.back().target, target);
        EXPECT_EQ(requests.back().method, std::string(expected.method, expected.method + wcslen(expected.method)));
    }
}

TEST(HttpTestServerTest, AStallHoldsItsBodyUntilReleasedWhileOtherConnectionsAreServed)
{
    Server server;
    const std::string body = Pattern(20000);
    server.Route("/slow", Reply{.body = body, .stallAfter = 5000});
    server.Route("/quick", Reply{.body = "quick"});
    const Internet session = OpenSession();
    Exchange slow(session.get(), server.Port(), "/slow");
    ASSERT_EQ(slow.error, 0u);
    const std::string before = slow.Read(5000);
    ASSERT_EQ(before.size(), 5000u);

    auto after = std::async(std::launch::async, [&] { return slow.Read(); });
    EXPECT_EQ(after.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout) << "the stall holds";
    const Internet otherSession = OpenSession();
    Exchange quick(otherSession.get(), server.Port(), "/quick");
    EXPECT_EQ(quick.status, 200u);
    EXPECT_EQ(quick.Read(), "quick");
    EXPECT_EQ(after.wait_for(std::chrono::seconds(0)), std::future_status::timeout) << "the stall still holds";

    server.ReleaseStalls();
    ASSERT_EQ(after.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "the read returns after the release";
    EXPECT_TRUE(before + after.get() == body);
    EXPECT_EQ(slow.readError, 0u);
}

TEST(HttpTestServerTest, StopsWithinASecondWhileAClientWaitsOnAStallOrHasStoppedReading)
{
    struct StopCase {
        const char* what;
        Reply reply;
        bool clientReads; // a read waits in WinHTTP as the server goes
    };
    const StopCase cases[] = {
        {"stalled", Reply{.body = Pattern(1000), .stallAfter = 100}, true},
        // More than the sockets' buffers hold: the server is in the middle of a send.
        {"mid-transfer", Reply{.body = std::string(std::size_t(32) << 20, 'x')}, false},
    };
    for (const StopCase& stopCase : cases) {
        SCOPED_TRACE(stopCase.what);
        auto server = std::make_unique<Server>();
        server->Route("/it", stopCase.reply);
        const Internet session = OpenSession();
        Exchange exchange(session.get(), server->Port(), "/it");
        ASSERT_EQ(exchange.error, 0u);
        ASSERT_EQ(exchange.Read(100).size(), 100u);
        std::future<std::string> rest;
        if (stopCase.clientReads) {
            rest = std::async(std::launch::async, [&] { return exchange.Read(); });
            ASSERT_EQ(rest.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
        }

        // On a thread of its own, so that a server that hangs fails this test instead of holding
        // up the process.
        auto stopped = std::make_shared<std::promise<void>>();
        const std::future<void> stop = stopped->get_future();
        std::thread([stopping = std::move(server), stopped]() mutable {
            stopping.reset();
            stopped->set_value();
        }).detach();
        EXPECT_EQ(stop.wait_for(std::chrono::seconds(1)), std::future_status::ready) << "the server stops within a second";
        if (stopCase.clientReads) {
            ASSERT_EQ(rest.wait_for(std::chrono::seconds(5)), std::future_status::ready)
                << "the client's read ends with the connection";
            EXPECT_LT(rest.get().size(), 900u);
        }
    }
}

TEST(HttpTestServerTest, RedirectsAreFollowedWhetherTheLocationIsAbsoluteOrNot)
{
    Server server;
    server.Redirect("/start", "http://127.0.0.1:" + std::to_string(server.Port()) + "/middle");
    server.Redirect("/middle", "/end?from=middle", 301);
    server.Route("/end?from=middle", Reply{.body = "arrived"});
    const Internet session = OpenSession();
    Exchange exchange(session.get(), server.Port(), "/start");
    ASSERT_EQ(exchange.error, 0u);
    EXPECT_EQ(exchange.status, 200u);
    EXPECT_EQ(exchange.Read(), "arrived");
    std::vector<std::string> targets;
    for (const Request& request : server.Requests())
        targets.push_back(request.target);
    EXPECT_EQ(targets, (std::vector<std::string>{"/start", "/middle", "/end?from=middle"}));
}

TEST(HttpTestServerTest, ARedirectLoopFailsTheRequest)
{
    Server server;
    server.Redirect("/ping", "/pong");
    server.Redirect("/pong", "/ping");
    const Internet session = OpenSession();
    Exchange exchange(session.get(), server.Port(), "/ping");
    EXPECT_NE(exchange.error, 0u) << "expected ERROR_WINHTTP_REDIRECT_FAILED or the like";
    EXPECT_GE(server.Requests().size(), 3u) << "it went round";
}

TEST(HttpTestServerTest, ACookieSetByOneReplyPicksTheReplyToTheNextRequest)
{
    Server server;
    server.Route("/login", Reply{.headers = {{"Set-Cookie", "session=7f3a; Path=/"}}, .body = "signed in"});
    server.Route("/account", Reply{.body = "welcome back", .when = [](const Request& request) {
                                       const auto cookie = request.headers.find("cookie");
                                       return cookie != request.headers.end() &&
                                              cookie->second.find("session=7f3a") != std::string::npos;
                                   }});
    server.Route("/account", Reply{.status = 403, .body = "who are you?"});
    const Internet session = OpenSession();

    Exchange stranger(session.get(), server.Port(), "/account");
    EXPECT_EQ(stranger.status, 403u);
    Exchange login(session.get(), server.Port(), "/login");
    EXPECT_EQ(login.status, 200u);
    Exchange known(session.get(), server.Port(), "/account");
    EXPECT_EQ(known.status, 200u);
    EXPECT_EQ(known.Read(), "welcome back");

    const std::vector<Request> requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const Request& request : requests) {
        ASSERT_TRUE(request.headers.contains("user-agent"));
        EXPECT_EQ(request.headers.at("user-agent"), "MarlowickTests/1.0");
    }
}

} // namespace
