#include "common/update_query.h"

#include <gtest/gtest.h>

#include "common/product.h"
#include "tests/support/http_test_server.h"

namespace {

using TestHttp::Reply;

constexpr char kQuery[] = "/downloads/update/?product=marlowick&version=2.10.21.2024";

TEST(UpdateQueryTest, TheReplyDecidesTheAnswer)
{
    struct Case {
        const char* what;
        Reply reply;
        int answer;
    } cases[] = {
        {"the token alone", {200, "", {}, "KORVEL|1"}, UpdateQuery::UpdateAvailable},
        {"with a line break", {200, "", {}, "KORVEL|1\r\n"}, UpdateQuery::UpdateAvailable},
        {"in a page", {200, "", {}, "<html><body><p>KORVEL|1</p></body></html>"}, UpdateQuery::UpdateAvailable},
        {"1 before 0", {200, "", {}, "KORVEL|1 KORVEL|0"}, UpdateQuery::UpToDate},
        {"0 before 1", {200, "", {}, "KORVEL|0KORVEL|1"}, UpdateQuery::UpToDate},
        {"a digit after the token", {200, "", {}, "KORVEL|10"}, UpdateQuery::UpdateAvailable},
        {"manual only", {200, "", {}, "KORVEL|2"}, UpdateQuery::ManualUpdateOnly},
        {"2 and 1", {200, "", {}, "KORVEL|2 KORVEL|1"}, UpdateQuery::UpdateAvailable},
        {"lower case", {200, "", {}, "korvel|1"}, UpdateQuery::NoAnswer},
        {"an unknown digit", {200, "", {}, "KORVEL|3"}, UpdateQuery::NoAnswer},
        {"a space after the bar", {200, "", {}, "KORVEL| 1"}, UpdateQuery::NoAnswer},
        {"empty", {200, "", {}, ""}, UpdateQuery::NoAnswer},
        {"another success status", {203, "", {}, "KORVEL|1"}, UpdateQuery::UpdateAvailable},
        {"not found", {404, "", {}, "KORVEL|1"}, UpdateQuery::NoAnswer},
        {"a server error", {500, "", {}, "KORVEL|0"}, UpdateQuery::NoAnswer},
        {"moved", {301, "", {{"Location", "/elsewhere"}}, "KORVEL|1"}, UpdateQuery::NoAnswer},
        {"found elsewhere", {302, "", {{"Location", "/elsewhere"}}, "KORVEL|1"}, UpdateQuery::NoAnswer},
        {"a captive portal's page", {200, "", {{"Content-Type", "text/html"}}, TestHttp::CaptivePortalPage()},
         UpdateQuery::NoAnswer},
        {"chunked", {200, "", {}, "KORVEL|1", Reply::Framing::Chunked}, UpdateQuery::UpdateAvailable},
        {"without a length", {200, "", {}, "KORVEL|1", Reply::Framing::CloseDelimited}, UpdateQuery::UpdateAvailable},
        {"the token beyond 64 KiB", {200, "", {}, std::string(64 * 1024, ' ') + "KORVEL|1"}, UpdateQuery::NoAnswer},
        {"the token just within 64 KiB", {200, "", {}, std::string(64 * 1024 - 8, ' ') + "KORVEL|1" + std::string(1000, ' ')},
         UpdateQuery::UpdateAvailable},
    };
    for (Case& c : cases) {
        TestHttp::Server server;
        server.Route("/elsewhere", {200, "", {}, "KORVEL|0"});
        server.Route(kQuery, c.reply);
        EXPECT_EQ(UpdateQuery::CheckForUpdateAt(Http::ParseEndpoint(server.Host())), c.answer) << c.what;
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 1u) << c.what << ": one request, no redirect followed";
        EXPECT_EQ(requests[0].method, "GET");
        EXPECT_EQ(requests[0].target, kQuery);
        EXPECT_EQ(requests[0].headers.at("user-agent"), "Mozilla/4.0 (compatible; KORVEL)");
        EXPECT_EQ(requests[0].headers.count("cookie"), 0u);
    }
}

TEST(UpdateQueryTest, AHugeOrBrokenReplyIsNoAnswerAndHoldsNoMemory)
{
    TestHttp::Server huge;
    Reply endless{200, "", {}, std::string(100000, 'x')};
    endless.announcedLength = std::uint64_t(1) << 40;
    huge.Route(kQuery, endless);
    EXPECT_EQ(UpdateQuery::CheckForUpdateAt(Http::ParseEndpoint(huge.Host())), UpdateQuery::NoAnswer)
        << "read up to the limit, not on to the announced terabyte";

    TestHttp::Server broken;
    Reply cut{200, "", {}, "KORVEL|1" + std::string(1000, ' ')};
    cut.announcedLength = 5000;
    cut.cutAfter = 500;
    broken.Route(kQuery, cut);
    EXPECT_EQ(UpdateQuery::CheckForUpdateAt(Http::ParseEndpoint(broken.Host())), UpdateQuery::UpdateAvailable)
        << "what arrived is read";
}

TEST(UpdateQueryTest, NoServerIsNoAnswer)
{
    std::uint16_t port;
    {
        TestHttp::Server closed;
        port = closed.Port();
    }
    EXPECT_EQ(UpdateQuery::CheckForUpdateAt({L"127.0.0.1", port}), UpdateQuery::NoAnswer);
    EXPECT_EQ(UpdateQuery::CheckForUpdateAt({L"no-such-host.invalid", 80}), UpdateQuery::NoAnswer);
}

TEST(UpdateQueryTest, TheVendorHostNamesAPortOrNot)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* host;
        INTERNET_PORT port;
    } cases[] = {
        {L"www.korvel.com", L"www.korvel.com", 80},
        {L"127.0.0.1:28080", L"127.0.0.1", 28080},
        {L"host:0", L"host", 80},
        {L"host:65536", L"host", 80},
        {L"host:x1", L"host", 80},
        {L"host:", L"host", 80},
    };
    for (const Case& c : cases) {
        const Http::Endpoint endpoint = Http::ParseEndpoint(c.text);
        EXPECT_EQ(endpoint.host, c.host) << c.text;
        EXPECT_EQ(endpoint.port, c.port) << c.text;
    }
}

} // namespace
