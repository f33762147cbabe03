#include "common/http_transfer.h"

#include <algorithm>
#include <cwchar>
#include <type_traits>
#include <vector>

#include "ui/late_bound.h"

namespace Http {
namespace {

constexpr DWORD kResponseWaitMilliseconds = 90000;
constexpr DWORD kSmallestRead = 64 * 1024;

// WinHTTP, looked up on first use: only the update work needs it, and as an import it would
// load half of OLE into every start of Marlowick.
struct WinHttpFunctions {
    decltype(&::WinHttpOpen) Open = nullptr;
    decltype(&::WinHttpCloseHandle) CloseHandle = nullptr;
    decltype(&::WinHttpConnect) Connect = nullptr;
    decltype(&::WinHttpOpenRequest) OpenRequest = nullptr;
    decltype(&::WinHttpSetOption) SetOption = nullptr;
    decltype(&::WinHttpSendRequest) SendRequest = nullptr;
    decltype(&::WinHttpReceiveResponse) ReceiveResponse = nullptr;
    decltype(&::WinHttpQueryHeaders) QueryHeaders = nullptr;
    decltype(&::WinHttpQueryDataAvailable) QueryDataAvailable = nullptr;
    decltype(&::WinHttpReadData) ReadData = nullptr;

    bool Complete() const
    {
        return Open && CloseHandle && Connect && OpenRequest && SetOption && SendRequest && ReceiveResponse &&
               QueryHeaders && QueryDataAvailable && ReadData;
    }
};

const WinHttpFunctions& WinHttp()
{
    static const WinHttpFunctions functions = [] {
        WinHttpFunctions found;
        const HMODULE module = ui::LateBound::SystemLibrary(L"winhttp.dll");
        const auto find = [module](auto& function, const char* name) {
            function = ui::LateBound::Lookup<std::remove_reference_t<decltype(function)>>(module, name);
        };
        find(found.Open, "WinHttpOpen");
        find(found.CloseHandle, "WinHttpCloseHandle");
        find(found.Connect, "WinHttpConnect");
        find(found.OpenRequest, "WinHttpOpenRequest");
        find(found.SetOption, "WinHttpSetOption");
        find(found.SendRequest, "WinHttpSendRequest");
        find(found.ReceiveResponse, "WinHttpReceiveResponse");
        find(found.QueryHeaders, "WinHttpQueryHeaders");
        find(found.QueryDataAvailable, "WinHttpQueryDataAvailable");
        find(found.ReadData, "WinHttpReadData");
        return found;
    }();
    return functions;
}

// A WinHTTP handle, closed when it goes.
class Handle {
public:
    explicit Handle(HINTERNET owned) : handle(owned) {}
    ~Handle()
    {
        if (handle)
            WinHttp().CloseHandle(handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HINTERNET Get() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }

private:
    HINTERNET handle;
};

DWORD StatusOf(HINTERNET request)
{
    DWORD status = 0, size = sizeof(status);
    if (!WinHttp().QueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return 0;
    return status;
}

// Read as text: the numeric form stops at 2^31 - 1.
std::optional<std::uint64_t> ContentLengthOf(HINTERNET request)
{
    wchar_t text[32];
    DWORD size = sizeof(text);
    if (!WinHttp().QueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                                WINHTTP_NO_HEADER_INDEX))
        return std::nullopt;
    if (text[0] < L'0' || text[0] > L'9')
        return std::nullopt;
    wchar_t* end = nullptr;
    const unsigned long long length = std::wcstoull(text, &end, 10);
    if (*end != L'\0')
        return std::nullopt;
    return length;
}

} // namespace

Endpoint ParseEndpoint(std::wstring_view hostAndPort)
{
    Endpoint endpoint;
    const std::size_t colon = hostAndPort.rfind(L':');
    if (colon == std::wstring_view::npos) {
        endpoint.host = hostAndPort;
        return endpoint;
    }
    endpoint.host = hostAndPort.substr(0, colon);
    const std::wstring port(hostAndPort.substr(colon + 1));
    wchar_t* end = nullptr;
    const unsigned long number = port.empty() ? 0 : std::wcstoul(port.c_str(), &end, 10);
    if (!port.empty() && *end == L'\0' && number >= 1 && number <= 65535)
        endpoint.port = INTERNET_PORT(number);
    return endpoint;
}

bool MemorySink::Write(const char* data, std::size_t size)
{
    const std::size_t room = limit - body.size();
    body.append(data, size < room ? size : room);
    return size < room;
}

Session::Session(const std::wstring& userAgent)
{
    if (WinHttp().Complete())
        handle = WinHttp().Open(userAgent.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                WINHTTP_NO_PROXY_BYPASS, 0);
    else
        SetLastError(ERROR_PROC_NOT_FOUND);
}

Session::~Session()
{
    if (handle)
        WinHttp().CloseHandle(handle);
}

void Stop(std::atomic<HINTERNET>& stopSlot)
{
    // Whoever takes the handle out of the slot closes it, so it is closed once.
    if (const HINTERNET request = stopSlot.exchange(nullptr))
        WinHttp().CloseHandle(request);
}

Result Session::Get(const Endpoint& endpoint, const Request& request, Sink& sink, std::atomic<HINTERNET>* stopSlot)
{
    Result result;
    const auto fail = [&result] {
        result.error = GetLastError();
        return result;
    };
    if (!handle)
        return fail();
    const Handle connection(WinHttp().Connect(handle, endpoint.host.c_str(), endpoint.port, 0));
    if (!connection)
        return fail();
    HINTERNET get = WinHttp().OpenRequest(connection.Get(), L"GET", request.path.c_str(), nullptr,
                                          WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    if (!get)
        return fail();
    std::atomic<HINTERNET> ownSlot{get};
    std::atomic<HINTERNET>& slot = stopSlot ? *stopSlot : ownSlot;
    slot = get;
    struct Closer {
        std::atomic<HINTERNET>& slot;
        ~Closer() { Stop(slot); }
    } closer{slot};

    // A server that takes the connection and never answers would otherwise hold the request
    // for ever under some WinHTTP implementations; Windows' own default wait applies.
    DWORD responseWait = kResponseWaitMilliseconds;
    WinHttp().SetOption(get, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseWait, sizeof(responseWait));
    if (!request.followRedirects) {
        DWORD feature = WINHTTP_DISABLE_REDIRECTS;
        WinHttp().SetOption(get, WINHTTP_OPTION_DISABLE_FEATURE, &feature, sizeof(feature));
    }
    const std::wstring headers = request.accept.empty() ? std::wstring() : L"Accept: " + request.accept;
    if (!WinHttp().SendRequest(get, headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                               DWORD(headers.size()), WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttp().ReceiveResponse(get, nullptr))
        return fail();
    result.status = StatusOf(get);
    result.length = ContentLengthOf(get);
    if (!result.Succeeded())
        return result;

    sink.Begin(result.length);
    // Large reads: under Wine each call is a round trip to the server process.
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        // Asks what has arrived first, and reads that much or a small block, whichever is
        // more: some WinHTTP implementations wait until a read's whole buffer is filled, so a
        // server that pauses then holds back at most that small block of what it sent.
        DWORD available = 0, read = 0;
        if (!WinHttp().QueryDataAvailable(get, &available))
            return fail();
        if (available > 0) {
            const DWORD wanted = std::clamp<DWORD>(available, kSmallestRead, DWORD(buffer.size()));
            if (!WinHttp().ReadData(get, buffer.data(), wanted, &read))
                return fail();
        }
        if (read == 0) {
            result.ended = true;
            return result;
        }
        result.received += read;
        if (!sink.Write(buffer.data(), read))
            return result;
    }
}

} // namespace Http
