#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

// Moments kept in the program key ("InstalledDate", "UpdatedDate") as timestamp text: the
// decimal number of seconds from 1 January 1970 00:00 to a local wall-clock date and time,
// with no conversion to UTC. The count is 64-bit, so moments after January 2038 neither
// wrap nor get lost. Moments are handled here as milliseconds on the same local scale.
namespace Timestamp {

// The local wall-clock moment as milliseconds from 1 January 1970 00:00.
std::int64_t LocalMilliseconds(const SYSTEMTIME& localTime);
std::int64_t NowMilliseconds();

// The timestamp text of a moment, rounded to the nearest second.
std::wstring TimestampText(std::int64_t milliseconds);

// The moment a stored value names: a text holding ":" or "/" is a date and time in the
// user's locale, anything else a timestamp text. Nothing when it is neither.
std::optional<std::int64_t> ParseMoment(const std::wstring& stored);

// More than 45 whole days between the moment and now, either way.
bool IsUpdateCheckDue(std::int64_t moment, std::int64_t now);

// "<long date> - <long time>" of the moment in the system's default locale.
std::wstring LongDateTimeText(std::int64_t milliseconds);

} // namespace Timestamp
