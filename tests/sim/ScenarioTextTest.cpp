// The scenario language's long strings, dates and log stamps.
#include "ScenarioErrorCases.h"
#include "platform/foundation/Value.h"
#include "sim/scenario/ArgReader.h"
#include "sim/scenario/Lexer.h"
#include "sim/scenario/LogStamp.h"
#include "sim/scenario/Parser.h"
#include "sim/scenario/ValuePath.h"

#include <gtest/gtest.h>

namespace sim {
namespace {

TEST(ScenarioLongString, TakesEveryByteOverSeveralLinesAndKeepsTheLineNumbers)
{
    ParseResult result = parseScenario("note \"first\"\n"
                                       "note \"\"\"\n<?xml?>\n  # kept \\n \"quoted\"\n\"\"\"   # a comment\n"
                                       "note \"\"\"one line\"\"\"\n"
                                       "frobnicate\n");
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->line, 7) << "the lines of the long string are counted";

    result = parseScenario("note \"\"\"\n<?xml?>\n  # kept \\n \"quoted\"\n\"\"\"   # a comment\nnote \"\"\"one\"\"\"\n");
    ASSERT_FALSE(result.error.has_value()) << result.error->message;
    ASSERT_EQ(result.script.statements.size(), 2u);
    EXPECT_EQ(result.script.statements[0].line, 1);
    EXPECT_EQ(result.script.statements[0].text, "note \"\"\"...\"\"\"") << "reports show long strings elided";
    EXPECT_EQ(result.script.statements[1].line, 5);

    std::optional<SyntaxError> error;
    LexedLine line = lexLine("note \"\"\"\n<?xml?>\n  # kept \\n \"quoted\"\n\"\"\"", 1, error);
    ASSERT_FALSE(error.has_value());
    ASSERT_EQ(line.tokens.size(), 2u);
    // No escapes, no comments, the line break after the opening quotes dropped.
    EXPECT_EQ(line.tokens[1].text, "<?xml?>\n  # kept \\n \"quoted\"\n");
}

TEST(ScenarioLongString, PlacesErrorsOnTheirOwnLine)
{
    const ScenarioErrorCase cases[] = {
        {"note \"ok\"\nnote \"\"\"\nnever closed\n", 2, 6, "unterminated long string"},
        {"note \"\"\"\nx\n\"\"\" extra\n", 3, 5, "unexpected \"extra\""},
        {"note\n", 1, 5, "the note"},
    };
    expectScenarioErrors(cases);
}

TEST(ScenarioLexer, KeepsTheColonsOfADateAndTimeAndReadsCarriageReturns)
{
    std::optional<SyntaxError> error;
    LexedLine line = lexLine("x 2026-12-08T09:00:01Z field=0:\"T\\r\"", 1, error);
    ASSERT_FALSE(error.has_value());
    ASSERT_EQ(line.tokens.size(), 7u);
    EXPECT_EQ(line.tokens[1].text, "2026-12-08T09:00:01Z");
    EXPECT_EQ(line.tokens[4].text, "0");
    EXPECT_EQ(line.tokens[5].text, ":");
    EXPECT_EQ(line.tokens[6].text, "T\r");
}

TEST(ScenarioValue, ReadsDatesAndTimesInUtcOnly)
{
    struct Case {
        const char* text;
        int64_t micros;
    };
    const Case valid[] = {
        {"2026-12-08T09:00:01Z", int64_t(1796720401) * 1000000},
        {"2026-12-08T09:00:01.25Z", int64_t(1796720401) * 1000000 + 250000},
        {"2024-02-29T00:00:00Z", int64_t(1709164800) * 1000000},
        {"1970-01-01T00:00:00Z", 0},
        {"1969-12-31T23:59:59.999999Z", -1},
    };
    for (const Case& c : valid) {
        SCOPED_TRACE(c.text);
        std::optional<platform::Value> value = parseBareValue(c.text);
        ASSERT_TRUE(value.has_value());
        ASSERT_TRUE(value->isDate());
        EXPECT_EQ(value->date()->micros(), c.micros);
        EXPECT_EQ(dateTimeText(*value->date()), c.text) << "reports write dates as scenarios do";
    }
    for (const char* bad : {"2026-12-08T09:00:01", "2026-12-08 09:00:01Z", "2026-13-08T09:00:01Z", "2025-02-29T00:00:00Z",
                            "2026-12-08T24:00:00Z", "2026-12-08T09:00:01.Z", "2026-12-08T09:00:01.1234567Z",
                            "2026-12-8T09:00:01Z", "2026-12-08T09:00:01+01:00"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(parseDateTime(bad).has_value());
    }
}

TEST(ScenarioLogStamp, CarriesTheDateOnceTheRunHasPassedMidnight)
{
    const platform::Date start = platform::Date::fromMicros(int64_t(1796720400) * 1000000); // 2026-12-08 09:00
    struct Case {
        int64_t secondsAfterStart;
        const char* stamp;
    };
    const Case cases[] = {
        {0, "09:00:00.000"},
        {14 * 3600 + 59 * 60 + 59, "23:59:59.000"},
        {15 * 3600, "2026-12-09 00:00:00.000"},
        {15 * 3600 + 24 * 3600 + 5, "2026-12-10 00:00:05.000"},
        {-10 * 3600, "2026-12-07 23:00:00.000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stamp);
        EXPECT_EQ(logStamp(start.adding(platform::Micros(c.secondsAfterStart * 1000000)), start), c.stamp);
    }
}

} // namespace
} // namespace sim
