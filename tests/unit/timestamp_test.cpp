#include "optimizer/timestamp.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Timestamp;

namespace {

constexpr std::int64_t kDay = 86'400'000;

SYSTEMTIME Local(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD millisecond = 0)
{
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = millisecond;
    return time;
}

TEST(TimestampTest, CountsLocalWallClockSecondsFrom1970)
{
    struct Case {
        SYSTEMTIME local;
        const wchar_t* text;
    };
    const Case cases[] = {
        {Local(1970, 1, 1, 0, 0, 0), L"0"},
        {Local(2024, 3, 8, 14, 5, 9), L"1709906709"},
        {Local(2024, 3, 8, 14, 5, 9, 499), L"1709906709"},
        {Local(2024, 3, 8, 14, 5, 9, 500), L"1709906710"},
        // Past the range of a signed 32-bit count.
        {Local(2038, 1, 19, 3, 14, 8), L"2147483648"},
        {Local(2100, 1, 1, 0, 0, 0), L"4102444800"},
        {Local(1969, 12, 31, 23, 59, 58, 500), L"-2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TimestampText(LocalMilliseconds(c.local)), c.text);
}

TEST(TimestampTest, ReadsTimestampTextsAndLocaleDates)
{
    ASSERT_EQ(GetUserDefaultLCID(), 0x0409u) << "the tests expect the English (United States) locale";
    struct Case {
        const wchar_t* stored;
        std::optional<std::int64_t> moment;
    };
    const Case cases[] = {
        {L"1709906709", 1709906709'000},
        {L"2147483648", 2147483648'000},
        {L"-5", -5'000},
        {L"+7", 7'000},
        {L"03/08/2024 14:05:09", 1709906709'000},
        {L"3/8/2024 2:05:09 PM", 1709906709'000},
        {L"2040/01/01", 2208988800'000},
        {L"", std::nullopt},
        {L"soon", std::nullopt},
        {L"12 ", std::nullopt},
        {L"1e9", std::nullopt},
        {L"-", std::nullopt},
        {L"99999999999999999999", std::nullopt},
        {L"not/a date", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseMoment(c.stored), c.moment) << testing::PrintToString(std::wstring(c.stored));
}

TEST(TimestampTest, AnUpdateCheckIsDueAfterMoreThan45WholeDaysEitherWay)
{
    const std::int64_t now = LocalMilliseconds(Local(2039, 6, 1, 12, 0, 0, 250));
    struct Case {
        std::int64_t moment;
        bool due;
    };
    const Case cases[] = {
        {now, false},
        {now - 45 * kDay, false},
        {now - 46 * kDay + 1, false},
        {now - 46 * kDay, true},
        {now + 45 * kDay, false},
        {now + 46 * kDay, true},
        {0, true},
        // The farthest moments a stored text can name: no overflow, just far away.
        {*ParseMoment(L"-9223372036854775"), true},
        {*ParseMoment(L"9223372036854775"), true},
        {std::numeric_limits<std::int64_t>::min(), true},
        {std::numeric_limits<std::int64_t>::max(), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsUpdateCheckDue(c.moment, now), c.due) << "moment: " << c.moment;
    EXPECT_FALSE(IsUpdateCheckDue(std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::min()));
    // A moment no calendar can show gives an empty text.
    EXPECT_EQ(LongDateTimeText(*ParseMoment(L"-9223372036854775")), L"");
    EXPECT_EQ(LongDateTimeText(*ParseMoment(L"9223372036854775")), L"");
}

TEST(TimestampTest, WritesLongDateAndLongTime)
{
    ASSERT_EQ(GetSystemDefaultLCID(), 0x0409u) << "the tests expect the English (United States) locale";
    EXPECT_EQ(LongDateTimeText(1709906709'000), L"Friday, March 8, 2024 - 2:05:09 PM");
    EXPECT_EQ(LongDateTimeText(2208988800'000), L"Sunday, January 1, 2040 - 12:00:00 AM");
}

} // namespace
