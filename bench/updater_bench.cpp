// Measures the updater's network and waiting work, each against a baseline in the same run,
// against the vendor site that tools/bench starts on 127.0.0.1:
//  query     the update query, and a bare WinHTTP GET of the same address;
//  download  a 200 MB installer through the update window's client into a file, and a bare
//            WinHTTP read loop into a file; the peak working set for 10 MB and for 200 MB;
//  wait      the processor time RunAndWait takes while an installer sits idle for 10 s, and
//            the time a loop that polls without sleeping takes.
// Usage: updater_bench HOST:PORT    (the site serves /bench/10.bin and /bench/200.bin)
#include <windows.h>
#include <psapi.h>
#include <winhttp.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/measure.h"
#include "common/product.h"
#include "common/shell.h"
#include "common/update_query.h"
#include "ui/application.h"
#include "updater/download_file.h"
#include "updater/http_get.h"

namespace {

using namespace Measure;

// The plainest GET there is: every handle made for it and closed after it, each piece of
// the body handed on as it is read.
template <typename Take>
void BareGet(const Http::Endpoint& endpoint, const wchar_t* path, DWORD bufferSize, Take&& take)
{
    HINTERNET session = WinHttpOpen(Product::kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
    HINTERNET connection = WinHttpConnect(session, endpoint.host.c_str(), endpoint.port, 0);
    HINTERNET request = WinHttpOpenRequest(connection, L"GET", path, nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    if (WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
        WinHttpReceiveResponse(request, nullptr)) {
        std::vector<char> buffer(bufferSize);
        DWORD read = 0;
        while (WinHttpReadData(request, buffer.data(), bufferSize, &read) && read > 0)
            take(buffer.data(), read);
    }
    WinHttpCloseHandle(request);
    WinHttpCloseHandle(connection);
    WinHttpCloseHandle(session);
}

// A bare read loop into a file, as a downloader without a sink would write it.
void BareDownload(const Http::Endpoint& endpoint, const wchar_t* path, const std::wstring& file)
{
    HANDLE out = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    BareGet(endpoint, path, 256 * 1024, [out](const char* data, DWORD size) {
        DWORD written = 0;
        WriteFile(out, data, size, &written, nullptr);
    });
    CloseHandle(out);
}

// The update window's way: its client on a worker, the file as the sink.
Http::Result SinkDownload(const Http::Endpoint& endpoint, const wchar_t* path, const std::wstring& file)
{
    HttpGet client;
    const auto sink = std::make_shared<DownloadFile>(file);
    const Http::Result result = client.Get(endpoint, path, sink);
    sink->Close();
    return result;
}

void BenchQuery(const Http::Endpoint& endpoint, int rounds)
{
    std::vector<double> query, bare;
    int answer = 0;
    for (int i = 0; i < rounds; ++i) {
        Clock::time_point start = Clock::now();
        answer = UpdateQuery::CheckForUpdateAt(endpoint);
        query.push_back(Milliseconds(Clock::now() - start));
        start = Clock::now();
        std::string body;
        BareGet(endpoint, Product::kUpdateQueryPath, 4096, [&body](const char* data, DWORD size) { body.append(data, size); });
        bare.push_back(Milliseconds(Clock::now() - start));
    }
    const double a = Median(query), b = Median(bare);
    std::printf("query     update query %.2f ms (answer %d), bare WinHTTP GET %.2f ms (median of %d), ratio %.2f\n", a,
                answer, b, rounds, a / b);
}

void BenchDownload(const Http::Endpoint& endpoint, int rounds)
{
    const std::wstring file = Beside(L"bench-download.bin");
    std::vector<double> sink, bare;
    for (int i = 0; i < rounds; ++i) {
        Clock::time_point start = Clock::now();
        const Http::Result result = SinkDownload(endpoint, L"/bench/200.bin", file);
        sink.push_back(Milliseconds(Clock::now() - start));
        if (!result.Complete())
            std::printf("download  the sink's download was not complete (status %lu)\n", result.status);
        start = Clock::now();
        BareDownload(endpoint, L"/bench/200.bin", file);
        bare.push_back(Milliseconds(Clock::now() - start));
    }
    DeleteFileW(file.c_str());
    const double megabytes = 200.0, a = megabytes / Median(sink) * 1000, b = megabytes / Median(bare) * 1000;
    std::printf("download  200 MB through the window's client %.0f MB/s, bare read loop %.0f MB/s (median of %d), "
                "throughput ratio %.2f\n",
                a, b, rounds, a / b);
}

// Runs this program again to download one file, and gives its peak working set in bytes.
SIZE_T PeakOfDownload(const std::wstring& host, const wchar_t* path)
{
    const std::wstring self = Beside(L"updater_bench.exe");
    std::wstring commandLine = L"\"" + self + L"\" " + host + L" --peak " + path;
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(self.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return 0;
    WaitForSingleObject(process.hProcess, 600000);
    DWORD kilobytes = 0;
    GetExitCodeProcess(process.hProcess, &kilobytes);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return SIZE_T(kilobytes) * 1024;
}

void BenchPeak(const std::wstring& host)
{
    const SIZE_T small = PeakOfDownload(host, L"/bench/10.bin"), large = PeakOfDownload(host, L"/bench/200.bin");
    std::printf("download  peak working set: 10 MB %.1f MB, 200 MB %.1f MB, difference %.2f MB\n", small / 1048576.0,
                large / 1048576.0, (double(large) - double(small)) / 1048576.0);
}

double ProcessorSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto seconds = [](FILETIME time) {
        return double((std::uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

void BenchWait()
{
    const std::wstring release = Beside(L"bench-release");
    DeleteFileW(release.c_str());
    SetEnvironmentVariableW(L"MARLOWICK_TEST_INSTALLER", L"wait");
    SetEnvironmentVariableW(L"MARLOWICK_TEST_INSTALLER_RELEASE", release.c_str());
    SetEnvironmentVariableW(L"MARLOWICK_TEST_INSTALLER_LOG", Beside(L"bench-installer.log").c_str());
    std::thread releaser([&release] {
        Sleep(10000);
        CloseHandle(CreateFileW(release.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    });
    const double startCpu = ProcessorSeconds();
    const Clock::time_point start = Clock::now();
    const int code = Shell::RunAndWait(Beside(L"test_installer.exe"), L"");
    const double wall = Milliseconds(Clock::now() - start) / 1000, cpu = ProcessorSeconds() - startCpu;
    releaser.join();

    // The loop that looks again at once, for two seconds of an installer that sits idle.
    DeleteFileW(release.c_str());
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + Beside(L"test_installer.exe") + L"\"";
    CreateProcessW(Beside(L"test_installer.exe").c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                   nullptr, &startup, &process);
    const double spinCpu = ProcessorSeconds();
    const Clock::time_point spinStart = Clock::now();
    DWORD status = STILL_ACTIVE;
    while (status == STILL_ACTIVE && Clock::now() - spinStart < std::chrono::seconds(2)) {
        ui::Application::Instance().ProcessMessages();
        GetExitCodeProcess(process.hProcess, &status);
    }
    const double spinWall = Milliseconds(Clock::now() - spinStart) / 1000, spinUsed = ProcessorSeconds() - spinCpu;
    CloseHandle(CreateFileW(release.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    DeleteFileW(release.c_str());
    std::printf("wait      RunAndWait %.2f %% of a core over %.1f s (exit code %d), a loop without sleeping %.0f %%\n",
                cpu / wall * 100, wall, code, spinUsed / spinWall * 100);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: updater_bench HOST:PORT\n");
        return 2;
    }
    const std::wstring host = argv[1];
    const Http::Endpoint endpoint = Http::ParseEndpoint(host);
    if (argc == 4 && std::wstring(argv[2]) == L"--peak") {
        SinkDownload(endpoint, argv[3], Beside(L"bench-peak.bin"));
        DeleteFileW(Beside(L"bench-peak.bin").c_str());
        PROCESS_MEMORY_COUNTERS counters{sizeof(counters)};
        GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
        return int(counters.PeakWorkingSetSize / 1024);
    }
    BenchQuery(endpoint, 51);
    BenchDownload(endpoint, 3);
    BenchPeak(host);
    BenchWait();
    return 0;
}
