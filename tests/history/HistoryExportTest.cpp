#include "host/common/history/HistoryExport.h"

#include <gtest/gtest.h>

namespace quorvel::history {
namespace {

constexpr int64_t kAt = int64_t(1796720402) * 1000000; // 2026-12-08T09:00:02Z

HistorySample sample(std::optional<std::string> title, std::string value, std::optional<double> number)
{
    return HistorySample{"*100#", 0, std::move(title), std::move(value), number, platform::Date::fromMicros(kAt)};
}

TEST(HistoryExport, CsvQuotesWhatWouldSplitAFieldAndHidesControlCharacters)
{
    EXPECT_EQ(csvHeader(), "refreshed_at,code,index,title,value,number\n");
    EXPECT_EQ(csvLine(sample("Balance", "12,30", 12.3)), "2026-12-08T09:00:02Z,*100#,0,Balance,\"12,30\",12.3\n");
    EXPECT_EQ(csvLine(sample(std::nullopt, "abc", std::nullopt)), "2026-12-08T09:00:02Z,*100#,0,,abc,\n");
    EXPECT_EQ(csvLine(sample("Say \"hi\"", " 5", 5)), "2026-12-08T09:00:02Z,*100#,0,\"Say \"\"hi\"\"\",\" 5\",5\n");
    // A line break, an escape sequence and an invalid byte never reach the terminal.
    EXPECT_EQ(csvLine(sample("a\nb\x1b[2Jc\xFF", "-5.10", -5.1)),
              "2026-12-08T09:00:02Z,*100#,0,a\xEF\xBF\xBD" "b\xEF\xBF\xBD[2Jc\xEF\xBF\xBD,-5.10,-5.1\n");
}

TEST(HistoryExport, JsonEscapesTextsAndWritesNullForNoNumber)
{
    EXPECT_EQ(jsonObject(sample("Bal\"ance\\", "x", std::nullopt)),
              "{\"refreshedAt\":\"2026-12-08T09:00:02Z\",\"code\":\"*100#\",\"index\":0,\"title\":\"Bal\\\"ance\\\\\","
              "\"value\":\"x\",\"number\":null}");
    EXPECT_EQ(jsonObject(sample(std::nullopt, "1", 1)),
              "{\"refreshedAt\":\"2026-12-08T09:00:02Z\",\"code\":\"*100#\",\"index\":0,\"title\":null,"
              "\"value\":\"1\",\"number\":1}");
}

TEST(HistoryExport, IsoDatesRoundTripAndRefuseImpossibleOnes)
{
    EXPECT_EQ(isoDate(platform::Date::fromMicros(kAt)), "2026-12-08T09:00:02Z");
    EXPECT_EQ(isoDate(platform::Date::fromMicros(kAt + 250000)), "2026-12-08T09:00:02.25Z");
    struct Case {
        const char* text;
        std::optional<int64_t> micros;
    };
    const Case cases[] = {
        {"2026-12-08T09:00:02Z", kAt},
        {"2026-12-08T09:00:02", kAt},
        {"2026-12-08 09:00:02", kAt},
        {"2026-12-08T09:00:02.25Z", kAt + 250000},
        {"2026-12-08T11:00:02+02:00", kAt},
        {"2026-12-08T03:30:02-0530", kAt},
        {"2026-12-08T09:00", kAt - 2000000},
        {"2026-12-08", kAt - (9 * 3600 + 2) * int64_t(1000000)},
        {"2026-02-30", std::nullopt},
        {"2026-12-08T24:00", std::nullopt},
        {"2026-12-08T09:00:02.1234567Z", std::nullopt},
        {"2026-12-08T09:00:02Zjunk", std::nullopt},
        {"yesterday", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::optional<platform::Date> date = parseIsoDate(c.text);
        ASSERT_EQ(date.has_value(), c.micros.has_value());
        if (date) {
            EXPECT_EQ(date->micros(), *c.micros);
        }
    }
}

} // namespace
} // namespace quorvel::history
