#include "platform/foundation/Date.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using platform::Date;

// 2026-12-08 09:05:00 UTC.
constexpr int64_t kSample = 1796720700;

TEST(Date, DescribesInUtcWithTheOffsetSuffix)
{
    struct Case {
        int64_t seconds;
        const char* expected;
    } cases[] = {
        {kSample, "2026-12-08 09:05:00 +0000"},
        {0, "1970-01-01 00:00:00 +0000"},
        {951782400, "2000-02-29 00:00:00 +0000"},
        {978307199, "2000-12-31 23:59:59 +0000"},
        {-1, "1969-12-31 23:59:59 +0000"},
        {4102444800, "2100-01-01 00:00:00 +0000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(Date::fromMicros(c.seconds * 1000000).description(), c.expected);
    }
}

TEST(Date, DescriptionDropsFractionsWithoutRoundingUp)
{
    EXPECT_EQ(Date::fromMicros(kSample * 1000000 + 999999).description(), "2026-12-08 09:05:00 +0000");
    // Before the epoch a fraction belongs to the earlier second.
    EXPECT_EQ(Date::fromMicros(-1).description(), "1969-12-31 23:59:59 +0000");
}

TEST(Date, FormatsTheSupportedPatternLetters)
{
    Date d = Date::fromMicros((kSample + 3 * 3600 + 7) * 1000000);
    struct Case {
        const char* pattern;
        const char* expected;
    } cases[] = {
        {"HH:mm:ss", "12:05:07"},
        {"yyyy-MM-dd", "2026-12-08"},
        {"dd.MM.yyyy HH:mm", "08.12.2026 12:05"},
        {"'at' HH:mm", "at 12:05"},
        {"HH 'o''clock'", "12 o'clock"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(d.formatted(c.pattern), c.expected);
    }
}

TEST(Date, SecondsRoundToTheNearestMicrosecond)
{
    EXPECT_EQ(Date::fromSeconds(1.0000004).micros(), 1000000);
    EXPECT_EQ(Date::fromSeconds(1.0000006).micros(), 1000001);
    EXPECT_EQ(Date::fromSeconds(-1.5).micros(), -1500000);
    EXPECT_EQ(platform::toMicros(platform::Seconds(0.1)).count(), 100000);
    // 0.1 added ten times must land exactly on one second, which it would not as a double sum.
    Date t = Date::fromMicros(0);
    for (int i = 0; i < 10; ++i)
        t = t.addingSeconds(0.1);
    EXPECT_EQ(t, Date::fromMicros(1000000));
}

TEST(Date, AddingHugeOrInvalidSpansSaturatesInsteadOfWrapping)
{
    Date start = Date::fromMicros(kSample * 1000000);
    EXPECT_GT(start.addingSeconds(1e300), start);
    EXPECT_LT(start.addingSeconds(-1e300), start);
    EXPECT_EQ(start.addingSeconds(std::nan("")), start);
}

} // namespace
