#include "optimizer/timestamp.h"


#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <limits>

#include "ui/late_bound.h"

namespace Timestamp {
namespace {

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;
constexpr std::int64_t kUpdateCheckDays = 45;
// FILETIME counts 100-nanosecond ticks from 1601; 1970 is this many milliseconds later.
constexpr std::int64_t kMilliseconds1601To1970 = 11'644'473'600'000;
// OLE dates count days from 30 December 1899; 1970 is day 25569.
constexpr double kOleDay1970 = 25569.0;

std::optional<SYSTEMTIME> ToSystemTime(std::int64_t milliseconds)
{
    if (milliseconds < -kMilliseconds1601To1970 || milliseconds > std::numeric_limits<std::int64_t>::max() / 20'000)
        return std::nullopt;
    const auto ticks = static_cast<std::uint64_t>(milliseconds + kMilliseconds1601To1970) * 10'000;
    FILETIME fileTime{DWORD(ticks), DWORD(ticks >> 32)};
    SYSTEMTIME time;
    if (!FileTimeToSystemTime(&fileTime, &time))
        return std::nullopt;
    return time;
}

std::optional<std::int64_t> ParseNumber(const std::wstring& text)
{
    if (text.empty())
        return std::nullopt;
    size_t start = (text[0] == L'-' || text[0] == L'+') ? 1 : 0;
    if (start == text.size())
        return std::nullopt;
    for (size_t i = start; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return std::nullopt;
    }
    errno = 0;
    const long long seconds = std::wcstoll(text.c_str(), nullptr, 10);
    constexpr long long kLimit = std::numeric_limits<std::int64_t>::max() / 1000;
    if (errno == ERANGE || seconds > kLimit || seconds < -kLimit)
        return std::nullopt;
    return std::int64_t(seconds) * 1000;
}

std::optional<std::int64_t> ParseLocaleDate(const std::wstring& text)
{
    // OLE's parser, loaded only when a stored value needs it: never at the start of a program
    // whose last update is a timestamp text.
    DATE date = 0;
    if (FAILED(ui::LateBound::VarDateFromStr(text.c_str(), LOCALE_USER_DEFAULT, 0, &date)))
        return std::nullopt;
    return std::int64_t(std::llround((date - kOleDay1970) * double(kMillisecondsPerDay)));
}

} // namespace

std::int64_t LocalMilliseconds(const SYSTEMTIME& localTime)
{
    // The wall-clock fields are counted as they stand; no time zone is applied.
    FILETIME fileTime;
    if (!SystemTimeToFileTime(&localTime, &fileTime))
        return 0;
    const std::uint64_t ticks = (std::uint64_t(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
    return std::int64_t(ticks / 10'000) - kMilliseconds1601To1970;
}

std::int64_t NowMilliseconds()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LocalMilliseconds(now);
}

std::wstring TimestampText(std::int64_t milliseconds)
{
    // Halves round away from zero.
    const std::int64_t seconds = milliseconds >= 0 ? (milliseconds + 500) / 1000 : -((-milliseconds + 500) / 1000);
    return std::to_wstring(seconds);
}

std::optional<std::int64_t> ParseMoment(const std::wstring& stored)
{
    if (stored.find_first_of(L":/") != std::wstring::npos)
        return ParseLocaleDate(stored);
    return ParseNumber(stored);
}

bool IsUpdateCheckDue(std::int64_t moment, std::int64_t now)
{
    // Any two moments lie less than 2^64 apart: counted unsigned, the distance never
    // overflows, whatever text the moment was read from.
    const std::uint64_t difference = moment > now ? std::uint64_t(moment) - std::uint64_t(now)
                                                  : std::uint64_t(now) - std::uint64_t(moment);
    return difference / kMillisecondsPerDay > std::uint64_t(kUpdateCheckDays);
}

std::wstring LongDateTimeText(std::int64_t milliseconds)
{
    const auto time = ToSystemTime(milliseconds);
    if (!time)
        return {};
    wchar_t date[128];
    wchar_t clock[128];
    if (!GetDateFormatW(LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, &*time, nullptr, date, int(std::size(date))) ||
        !GetTimeFormatW(LOCALE_SYSTEM_DEFAULT, 0, &*time, nullptr, clock, int(std::size(clock))))
        return {};
    return std::wstring(date) + L" - " + clock;
}

} // namespace Timestamp
