#include "tests/support/site.h"

#include <windows.h>

#include <cstdio>
#include <functional>

#include "common/http_transfer.h"
#include "common/product.h"
#include "common/update_query.h"
#include "tests/support/files.h"
#include "tests/support/programs.h"

#ifndef MARLOWICK_SITE_COMMAND
#error "the site's command and folders come from the build"
#endif

namespace Site {
namespace {

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Runs tools/site with the arguments. Wine starts programs of the machine beneath it, but
// gives no handle to wait for: the callers watch the site until it serves what they asked.
void RunSiteCommand(const std::string& arguments)
{
    std::wstring commandLine = L"/bin/bash " MARLOWICK_SITE_COMMAND L" " + Widen(arguments);
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(L"Z:\\bin\\bash", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "cannot run tools/site (error %lu)\n", GetLastError());
        return;
    }
    if (process.hThread)
        CloseHandle(process.hThread);
    if (process.hProcess)
        CloseHandle(process.hProcess);
}

bool Within(DWORD milliseconds, const std::function<bool()>& condition)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (!condition()) {
        if (GetTickCount64() > end)
            return false;
        Sleep(50);
    }
    return true;
}

// The installer's address as the site answers it now, without following a redirect, and
// up to `limit` bytes of its body.
Http::Result InstallerReply(std::string* body = nullptr, std::size_t limit = 1)
{
    Http::Session session(L"site-check");
    Http::MemorySink sink(limit);
    const Http::Result result =
        session.Get(Http::ParseEndpoint(Product::kVendorHost), {Product::kInstallerPath, L"", false}, sink);
    if (body)
        *body = sink.Body();
    return result;
}

std::string Narrow(const wchar_t* text)
{
    std::string narrow;
    for (; *text; ++text)
        narrow += char(*text);
    return narrow;
}

} // namespace

bool SetReleases(const std::string& current, const std::string& oldest, int answer)
{
    RunSiteCommand("releases --dir " + Narrow(MARLOWICK_SITE_DIR) + " " + current + " " + oldest);
    return Within(20000, [answer] { return UpdateQuery::CheckForUpdate() == answer; });
}

bool ServeInstaller(const std::string& fileName)
{
    RunSiteCommand("installer --dir " + Narrow(MARLOWICK_SITE_DIR) + " " + Narrow(MARLOWICK_BIN_DIR) + "/" + fileName);
    const std::string content = TestFiles::Content(TestPrograms::BesideThisProgram(Widen(fileName).c_str()));
    return Within(20000, [&content] {
        std::string served;
        return InstallerReply(&served, content.size() + 1).status == 200 && served == content;
    });
}

bool RedirectInstaller(const std::string& url)
{
    RunSiteCommand("installer --dir " + Narrow(MARLOWICK_SITE_DIR) + " --redirect " + url);
    return Within(20000, [] { return InstallerReply().status == 302; });
}

} // namespace Site
