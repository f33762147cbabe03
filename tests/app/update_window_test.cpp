// The update window in this process, against a scripted server: its answers, its download
// and its progress bar.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "common/captions.h"
#include "common/restart.h"
#include "common/shell.h"
#include "tests/support/files.h"
#include "tests/support/http_test_server.h"
#include "ui/application.h"
#include "updater/update_form.h"

namespace {

using TestHttp::Reply;

constexpr char kQuery[] = "/downloads/update/?product=marlowick&version=2.10.21.2024";
constexpr char kInstaller[] = "/downloads/marlowick.exe";

struct ShownMessage {
    HWND owner;
    std::wstring text, title;
    UINT flags;
};

std::wstring Update(const wchar_t* key) { return Captions::GetCaption(L"MKUpdateForm", key); }
std::wstring Joined(std::initializer_list<const wchar_t*> keys) { return Captions::MessageText(L"MKUpdateForm", keys); }

class UpdateWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"marlowick-update-window\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        ui::Application::Instance().SetMessageBoxHandler(
            [this](HWND owner, const std::wstring& text, const std::wstring& title, UINT flags) {
                messages.push_back({owner, text, title, flags});
                if (answers.empty())
                    return IDNO;
                const int answer = answers.front();
                answers.pop_front();
                return answer;
            });
        Shell::SetLaunchHandler([this](const Shell::Launch& launch) { launches.push_back(launch); });
        Restart::SetRestartRequest([this](UINT flags, DWORD) {
            restarts.push_back(flags);
            return TRUE;
        });
        form.vendor = Http::ParseEndpoint(server.Host());
        form.folder = folder;
        form.FormCreate();
        form.Create();
        form.Show();
    }
    void TearDown() override
    {
        ui::Application::Instance().SetMessageBoxHandler(nullptr);
        Shell::SetLaunchHandler(nullptr);
        Restart::SetRestartRequest(nullptr);
        ui::Application::Instance().ResetTerminated();
    }

    TestHttp::Server server;
    std::wstring folder;
    TMKUpdateForm form;
    std::vector<ShownMessage> messages;
    std::deque<int> answers;
    std::vector<Shell::Launch> launches;
    std::vector<UINT> restarts;
};

TEST_F(UpdateWindowTest, EachAnswerOfTheServerHasItsMessage)
{
    struct Case {
        const char* what;
        Reply reply;
        std::wstring text;
        UINT flags;
        int answer;
        bool quits;
        bool opensDownloads;
    } cases[] = {
        {"no connection", {500, "", {}, ""}, Joined({L"MessageBoxNoConnection1", L"MessageBoxNoConnection2"}),
         MB_OK | MB_ICONERROR, IDOK, false, false},
        {"up to date", {200, "", {}, "KORVEL|0"}, Joined({L"MessageBoxNoUpdate1", L"MessageBoxNoUpdate2"}),
         MB_OK | MB_ICONINFORMATION, IDOK, false, false},
        {"an update declined", {200, "", {}, "KORVEL|1"}, Joined({L"MessageBoxUpdate1", L"MessageBoxUpdate2"}),
         MB_YESNO | MB_ICONINFORMATION, IDNO, false, false},
        {"manual only, declined", {200, "", {}, "KORVEL|2"},
         Joined({L"MessageBoxManualUpdate1", L"MessageBoxManualUpdate2"}), MB_YESNO | MB_ICONWARNING, IDNO, true, false},
        {"manual only, accepted", {200, "", {}, "KORVEL|2"},
         Joined({L"MessageBoxManualUpdate1", L"MessageBoxManualUpdate2"}), MB_YESNO | MB_ICONWARNING, IDYES, true, true},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestHttp::Server vendor;
        vendor.Route(kQuery, c.reply);
        form.vendor = Http::ParseEndpoint(vendor.Host());
        messages.clear();
        launches.clear();
        answers = {c.answer};
        form.UpdateButtonClick();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].owner, form.Handle());
        EXPECT_EQ(messages[0].title, Update(L"MKUpdateForm"));
        EXPECT_EQ(messages[0].text, c.text);
        EXPECT_EQ(messages[0].flags, c.flags);
        EXPECT_EQ(ui::Application::Instance().Terminated(), c.quits);
        EXPECT_EQ(launches.size(), c.opensDownloads ? 1u : 0u);
        if (c.opensDownloads) {
            EXPECT_EQ(launches[0].target, L"http://" MARLOWICK_VENDOR_HOST L"/downloads/");
        }
        // Back to Idle in every case, ready for another go.
        EXPECT_TRUE(form.UpdateButton.Enabled());
        EXPECT_TRUE(form.UpdateImage1.Visible());
        EXPECT_FALSE(form.UpdateImage4.Visible());
        EXPECT_FALSE(form.UpdateProgress.Visible());
        EXPECT_FALSE(form.UpdateLabel1.font.bold);
        ui::Application::Instance().ResetTerminated();
        for (const auto& request : vendor.Requests())
            EXPECT_EQ(request.target, kQuery) << "nothing was downloaded";
    }
}

TEST_F(UpdateWindowTest, HelpAndF1ShowTheUpdateTopic)
{
    form.HelpButtonClick();
    form.ApplicationEventsShortCut(VK_F1);
    form.ApplicationEventsShortCut(VK_F2);
    ASSERT_EQ(launches.size(), 2u);
    for (const Shell::Launch& launch : launches) {
        EXPECT_EQ(launch.kind, Shell::Launch::Kind::HelpTopic);
        EXPECT_EQ(launch.target, Shell::ProgramFolder() + L"Marlowick.chm::/html/update.htm>HelpWindow");
    }
}

TEST_F(UpdateWindowTest, TheDownloadFollowsRedirectsKeepsCookiesAndSavesTheBody)
{
    server.Route("/start", {302, "", {{"Location", kInstaller}, {"Set-Cookie", "session=42; Path=/"}}, ""});
    Reply withCookie{200, "", {}, "the installer's bytes"};
    withCookie.when = [](const TestHttp::Request& request) {
        return request.headers.count("cookie") && request.headers.at("cookie").find("session=42") != std::string::npos;
    };
    server.Route(kInstaller, withCookie);
    server.Route(kInstaller, {403, "", {}, "no cookie"});

    // The first transfer only collects the cookie; the second is redirected and sends it.
    const auto sink = std::make_shared<DownloadFile>(folder + L"cookie.bin");
    form.httpGet.Get(form.vendor, L"/start", sink);
    sink->Close();
    EXPECT_EQ(TestFiles::Content(folder + L"cookie.bin"), "the installer's bytes");
    for (const auto& request : server.Requests()) {
        EXPECT_EQ(request.headers.at("user-agent"), "Mozilla/4.0 (compatible; KORVEL)");
        EXPECT_EQ(request.headers.at("accept"), "text/html, */*");
    }

    const Http::Result result = form.DownloadUpdate(folder + L"update1Marlowick.exe");
    EXPECT_TRUE(result.Complete());
    EXPECT_EQ(TestFiles::Content(folder + L"update1Marlowick.exe"), "the installer's bytes");
}

TEST_F(UpdateWindowTest, ANotFoundReplyLeavesAnEmptyFile)
{
    server.Route(kInstaller, {404, "", {}, "<html>Not here</html>"});
    const Http::Result result = form.DownloadUpdate(folder + L"update2Marlowick.exe");
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(result.status, 404u);
    EXPECT_EQ(TestFiles::Content(folder + L"update2Marlowick.exe"), "");
}

TEST_F(UpdateWindowTest, TheBarFollowsTheCountOnlyWhenTheLengthIsKnown)
{
    std::vector<int> positions;
    form.httpGet.OnWork = [&](std::int64_t count) {
        form.HttpGetWork(count);
        positions.push_back(form.UpdateProgress.Position());
    };
    const std::string body(3 * 1024 * 1024, 'b');
    for (const auto framing : {Reply::Framing::ContentLength, Reply::Framing::Chunked, Reply::Framing::CloseDelimited}) {
        SCOPED_TRACE(int(framing));
        TestHttp::Server vendor;
        vendor.Route(kInstaller, {200, "", {}, body, framing});
        form.vendor = Http::ParseEndpoint(vendor.Host());
        positions.clear();
        form.HttpGetWorkBegin(0);
        form.UpdateProgress.SetPosition(0);
        EXPECT_TRUE(form.DownloadUpdate(folder + L"update3Marlowick.exe").Complete());
        ASSERT_FALSE(positions.empty());
        if (framing == Reply::Framing::ContentLength) {
            EXPECT_EQ(positions.back(), 100);
        } else {
            for (const int position : positions)
                EXPECT_EQ(position, 0) << "no length, nothing to divide by";
        }
    }

    struct Case {
        std::int64_t total, count;
        int position;
    } cases[] = {
        {8, 1, 12}, // 12.5 goes to the even neighbour
        {8, 3, 38}, // 37.5 likewise
        {8, 4, 50},
        {8, 8, 100},
        {std::int64_t(1) << 32 | 8, 1, 12}, // the lower 32 bits count
        {-8, 1, 0},                          // a negative total shows 0
    };
    for (const Case& c : cases) {
        form.UpdateProgress.SetPosition(77);
        form.HttpGetWorkBegin(c.total);
        form.HttpGetWork(c.count);
        EXPECT_EQ(form.UpdateProgress.Position(), c.position) << c.total << " " << c.count;
    }
    form.UpdateProgress.SetPosition(77);
    form.HttpGetWorkBegin(0);
    form.HttpGetWork(5);
    EXPECT_EQ(form.UpdateProgress.Position(), 77) << "a total of 0 leaves the bar where it is";
}

TEST_F(UpdateWindowTest, ClosingStopsAStalledDownloadAtOnceAndKeepsThePartialFile)
{
    // The server sends part of the body and then nothing; what it sent is read in blocks of
    // 64 KiB at least, so the file holds a whole number of them when the window closes.
    constexpr std::size_t kSent = 300000, kBlock = 64 * 1024;
    Reply stalled{200, "", {}, std::string(1000000, 's')};
    stalled.stallAfter = kSent;
    server.Route(kInstaller, stalled);
    ULONGLONG closedAt = 0;
    form.httpGet.OnWork = [&](std::int64_t count) {
        form.HttpGetWork(count);
        if (count >= std::int64_t(kSent / kBlock * kBlock) && !closedAt) {
            closedAt = GetTickCount64();
            PostMessageW(form.Handle(), WM_CLOSE, 0, 0);
        }
    };
    const Http::Result result = form.DownloadUpdate(folder + L"update4Marlowick.exe");
    const ULONGLONG returnedAt = GetTickCount64();
    ASSERT_NE(closedAt, 0u);
    // The server still holds the rest back: the download ended without waiting for it, or
    // for WinHTTP's own time-outs (tens of seconds). Hiding the window takes about 2 s
    // under Xvfb without a window manager, and that is in the measurement too.
    EXPECT_LT(returnedAt - closedAt, 4000u);
    EXPECT_TRUE(form.closing);
    EXPECT_FALSE(result.Complete());
    const std::string partial = TestFiles::Content(folder + L"update4Marlowick.exe");
    EXPECT_GE(partial.size(), kSent / kBlock * kBlock);
    EXPECT_LE(partial.size(), kSent);
    EXPECT_EQ(partial, std::string(partial.size(), 's'));
    server.ReleaseStalls();
}

} // namespace
