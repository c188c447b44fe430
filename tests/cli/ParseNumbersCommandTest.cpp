#include "QuorvelProcess.h"
#include "host/common/text/JsonString.h"
#include "sim/cli/Commands.h"

#include <gtest/gtest.h>

namespace {

using quorvel::test::runQuorvel;
using quorvel::test::QuorvelRun;

constexpr const char* kWorkedExample = "Balance -12,30 rub. Bonus 1 000.50 until 08.12.2026 - call *100#\n";

TEST(ParseNumbersCommand, PrintsTheWorkedExampleAsAJsonArray)
{
    QuorvelRun r = runQuorvel({"parse-numbers"}, kWorkedExample);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[\"-12,30\",\"1\",\"000.50\",\"08.12.2026\",\"100\"]\n");
    EXPECT_EQ(r.err, "");
}

TEST(ParseNumbersCommand, PrintsTheEnginesLogLinesOnlyWhenVerbose)
{
    QuorvelRun r = runQuorvel({"parse-numbers", "--verbose"}, kWorkedExample);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[\"-12,30\",\"1\",\"000.50\",\"08.12.2026\",\"100\"]\n");
    EXPECT_EQ(r.err, "Qvl: adding number -12,30 to array...\nQvl: adding number 1 to array...\n"
                     "Qvl: adding number 000.50 to array...\nQvl: adding number 08.12.2026 to array...\n"
                     "Qvl: adding number 100 to array...\n");
}

TEST(ParseNumbersCommand, IndexedPairsGiveTheIndexAFieldRefersTo)
{
    struct Case {
        const char* name;
        std::string input;
        const char* expected;
    } cases[] = {
        {"worked example", kWorkedExample,
         "[[0,\"-12,30\"],[1,\"1\"],[2,\"000.50\"],[3,\"08.12.2026\"],[4,\"100\"]]\n"},
        {"no numbers", "no figures today", "[]\n"},
        {"empty entry keeps its index", "wait... 5", "[[0,\"\"],[1,\"5\"]]\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QuorvelRun r = runQuorvel({"parse-numbers", "--indexed"}, c.input);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.expected);
        EXPECT_EQ(r.err, "");
    }
}

TEST(ParseNumbersCommand, HandlesEmptyAndNonUtf8Input)
{
    struct Case {
        const char* name;
        std::string input;
        const char* expected;
    } cases[] = {
        {"empty input", "", "[]\n"},
        {"no numbers", "- . ,", "[]\n"},
        {"invalid UTF-8 between numbers", "12\xff\xfe" "34", "[\"12\",\"34\"]\n"},
        {"empty entry from an ellipsis", "wait... 5", "[\"\",\"5\"]\n"},
        {"multi-line reply", "A: 1\nB: 2\r\n", "[\"1\",\"2\"]\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QuorvelRun r = runQuorvel({"parse-numbers"}, c.input);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.expected);
    }
}

TEST(JsonString, EscapesWhatJsonRequiresAndReplacesInvalidUtf8)
{
    struct Case {
        const char* name;
        std::string text;
        const char* expected;
    } cases[] = {
        {"plain", "-12,30", "\"-12,30\""},
        {"empty", "", "\"\""},
        {"quote and backslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
        {"control characters", "\n\t\x01", "\"\\n\\t\\u0001\""},
        {"UTF-8 kept", "\xD0\x91 \xE2\x86\xBB \xF0\x9F\x93\xB1", "\"\xD0\x91 \xE2\x86\xBB \xF0\x9F\x93\xB1\""},
        {"stray continuation byte", "a\x80z", "\"a\\ufffdz\""},
        {"truncated sequence at the end", "a\xE2\x86", "\"a\\ufffd\\ufffd\""},
        {"overlong encoding", "\xC0\xAF", "\"\\ufffd\\ufffd\""},
        {"surrogate half", "\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(host::jsonString(c.text), c.expected);
    }
}

} // namespace
