#include "ScenarioErrorCases.h"
#include "sim/scenario/ArgReader.h"
#include "sim/scenario/Lexer.h"
#include "sim/scenario/Parser.h"

#include <gtest/gtest.h>

namespace sim {
namespace {

TEST(ScenarioParser, ReportsLineAndColumnOfTheFirstError)
{
    const ScenarioErrorCase cases[] = {
        {"frobnicate", 1, 1, "unknown statement \"frobnicate\""},
        {"# comment\n\n  lock", 3, 3, "needs a booted device"},
        {"boot\ndevice \"iPad2,1\"", 2, 1, "must come before boot"},
        {"boot\nboot", 2, 1, "already booted"},
        {"carrier \"*100#\" reply \"Balance", 1, 23, "unterminated string"},
        {"note \"tab\\there\"", 1, 10, "unknown escape \\t"},
        {"boot\nadvance 5", 2, 9, "a duration"},
        {"boot\nadvance 5x", 2, 9, "a duration"},
        {"boot\nadvance 0.0000001s", 2, 9, "a duration"},
        {"boot\nadvance", 2, 8, "a duration"},
        {"carrier \"*100#\" reply \"x\" after 2s extra", 1, 36, "unexpected \"extra\""},
        {"carrier *100# reply \"x\"", 1, 9, "the code (a quoted string)"},
        {"carrier \"*100#\" answer \"x\"", 1, 17, "expected reply, notext or silent"},
        {"settings autoRefreshRate = 15", 1, 26, "'=' right after autoRefreshRate"},
        {"settings autoRefreshRate= 15", 1, 27, "without blanks"},
        {"settings autoRefreshRate=Bob", 1, 26, "a number, true, false or a quoted string"},
        {"settings", 1, 9, "a settings key"},
        {"code \"*100#\" field=0:\"Balance\"", 1, 31, "expect=N"},
        {"code \"*100#\" expect=1 expect=2", 1, 23, "given twice"},
        {"code \"*100#\" expect=1 field=0\"Balance\"", 1, 30, "':' between"},
        {"code \"*100#\" expect=-1", 1, 21, "a whole number"},
        {"code \"*100#\" expect=1 colour=2", 1, 23, "unknown option colour="},
        {"expect codes codes[0]..x = 1", 1, 23, "malformed path"},
        {"expect codes codes[x] = 1", 1, 20, "malformed path"},
        {"expect codes codes[0] 1", 1, 23, "'=' after the path"},
        {"expect dials many", 1, 14, "a whole number"},
        {"expect alerts onscreen=0", 1, 1, "needs a booted device"},
        {"boot\nexpect alerts", 2, 14, "onscreen=N or open=N"},
        {"boot\nalert maybe", 2, 7, "expected reply, ok, cancel, type, allowsResponse or response"},
        {"\"boot\"", 1, 1, "starts with a verb"},
        {"boot\npost everywhere \"x\"", 2, 6, "expected darwin or local"},
        // Columns count characters: each Cyrillic or CJK letter is one column.
        {"carrier \"*100#\" reply \"Баланс 5\" after 5", 1, 40, "a duration"},
        {"carrier \"*100#\" reply \"余额 5\" sometime", 1, 30, "unexpected \"sometime\""},
        {"note \"Баланс", 1, 6, "unterminated string"},
        {"note \"руб\\q\"", 1, 10, "unknown escape \\q"},
        {"boot\nrender widget \"/tmp/w.png\"", 2, 15, "file name without a folder"},
        {"boot\nrender settings \"../w.png\"", 2, 17, "file name without a folder"},
        {"boot\nrender widget \"pictures/w.png\"", 2, 15, "file name without a folder"},
        {"boot\nrender widget \"..\"", 2, 15, "file name without a folder"},
        {"boot\nrender widget \"\"", 2, 15, "file name without a folder"},
        // Menus: the choices come first, then what they lead to.
        {"carrier \"*100#\" choice reply \"x\"", 1, 24, "expected the choices"},
        {"carrier \"*100#\" choice \"1\" answer \"x\"", 1, 28, "expected menu or reply"},
        {"carrier \"*100#\" menu", 1, 21, "the menu text"},
        {"code \"*100#\" expect=1 menu=1", 1, 28, "the menu choice"},
    };
    expectScenarioErrors(cases);
}

TEST(ScenarioParser, NamesTheVerbsUsageWithAnArgumentError)
{
    ParseResult result = parseScenario("carrier \"*100#\" reply");
    ASSERT_TRUE(result.error.has_value());
    EXPECT_NE(result.error->message.find("usage: carrier \"CMD\" reply \"TEXT\" [after DURATION]"), std::string::npos);
}

TEST(ScenarioParser, KeepsLineNumbersAndDropsCommentsAndBlankLines)
{
    ParseResult result = parseScenario("# a scenario\n\nsettings autoRefreshRate=15   # every quarter hour\n"
                                       "boot\n   \nnote \"# not a comment\" # a comment\n");
    ASSERT_FALSE(result.error.has_value()) << result.error->message;
    ASSERT_EQ(result.script.statements.size(), 3u);
    EXPECT_EQ(result.script.statements[0].line, 3);
    EXPECT_EQ(result.script.statements[0].text, "settings autoRefreshRate=15");
    EXPECT_EQ(result.script.statements[2].line, 6);
    EXPECT_EQ(result.script.statements[2].text, "note \"# not a comment\"");
}

TEST(ScenarioParser, ParsesEveryDocumentedForm)
{
    const char* text = R"(settings autoRefreshRate=15 maxResponseTime=10.5 enableInRoaming=false titleColor="x y"
code "*100#" expect=2 sms="900" field=0:"Balance" field=1:"Bonus"
carrier "*100#" reply "Balance 1" after 1.5s
carrier "*101#" reply "Balance 2"
carrier "*102#" silent
code "*103#" expect=1 field=0:"Data" menu="1" menu="2"
carrier "*103#" menu "1 Balance\n2 Data" after 1s
carrier "*103#" choice "1" menu "1 Main\n2 Bonus"
carrier "*103#" choice "1" "2" reply "Bonus 5" after 0.5s
expect choices
expect choices "1" "2"
roaming on
expect codes codes[0].fields[1].title = "Bonus"
expect codes codes[0].smsSender=present
boot
lock
unlock
dnd on
refresh
advance 15m
alert reply
post darwin "org.quillmoor.harrowin.ussd_sent"
dial "*100#"
network ussd "hello"
expect log "Qvl: x"
expect logpart "x"
expect nolog "y"
expect alerts onscreen=1 open=2
expect dials 3
expect darwin "n" 1
expect local "n" 0
)";
    ParseResult result = parseScenario(text);
    ASSERT_FALSE(result.error.has_value()) << result.error->line << ":" << result.error->column << " " << result.error->message;
    EXPECT_EQ(result.script.statements.size(), 31u);
    int expectations = 0;
    for (const Statement& s : result.script.statements)
        expectations += s.expectation ? 1 : 0;
    EXPECT_EQ(expectations, 11);
}

TEST(ScenarioParser, AcceptsOnlyTheSettingsKeysTheModulesRead)
{
    const char* known[] = {"autoRefreshRate", "unlockedAutorefreshAllowed", "enableInRoaming", "observeDND",
                           "maxResponseTime", "sessionInitTime", "maxSMSResponseTime", "titleColor",
                           "valueColor", "showGridlines", "codesFollowSim"};
    for (const char* key : known) {
        SCOPED_TRACE(key);
        ParseResult result = parseScenario(std::string("settings ") + key + "=1");
        EXPECT_FALSE(result.error.has_value()) << result.error->message;
    }
    struct Case {
        const char* text;
        int column;
        const char* key;
    } unknown[] = {
        {"settings autoRefresRate=15", 10, "autoRefresRate"},
        {"settings autoRefreshRate=15 gridlines=true", 29, "gridlines"},
        {"settings AutoRefreshRate=15", 10, "AutoRefreshRate"},  // keys are case-sensitive
    };
    for (const Case& c : unknown) {
        SCOPED_TRACE(c.text);
        ParseResult result = parseScenario(c.text);
        ASSERT_TRUE(result.error.has_value());
        EXPECT_EQ(result.error->column, c.column);
        const std::string& message = result.error->message;
        EXPECT_NE(message.find(std::string("unknown settings key \"") + c.key + "\""), std::string::npos) << message;
        for (const char* key : known)
            EXPECT_NE(message.find(key), std::string::npos) << key << " not listed in: " << message;
    }
}

TEST(ScenarioParser, TakesSimStatementsOfEitherSlotAndRefusesOtherSlotsAndNetworks)
{
    for (const char* good : {"sim \"8944200000000000002\" home \"23410\"", "sim slot 2 home \"310260\"", "sim slot 1 out",
                             "sim out", "code \"*100#\" expect=1 sim=\"25001\" field=0:\"Balance\""}) {
        SCOPED_TRACE(good);
        ParseResult result = parseScenario(good);
        EXPECT_FALSE(result.error.has_value()) << result.error->message;
    }
    struct Case {
        const char* text;
        const char* says;
    } bad[] = {
        {"sim slot 3 out", "there is no slot 3"},
        {"sim slot 0 out", "there is no slot 0"},
        {"sim \"89\" home \"2500\"", "is not an MCC and MNC"},
        {"sim \"89\" home \"25a01\"", "is not an MCC and MNC"},
        {"sim \"\" home \"25001\"", "the ICCID is empty"},
        {"sim \"8944\"", "expected home"},
        {"sim out now", "usage: sim"},
        {"code \"*100#\" expect=1 sim=\"1\" sim=\"2\"", "sim= is given twice"},
    };
    for (const Case& c : bad) {
        SCOPED_TRACE(c.text);
        ParseResult result = parseScenario(c.text);
        ASSERT_TRUE(result.error.has_value());
        EXPECT_NE(result.error->message.find(c.says), std::string::npos) << result.error->message;
    }
}

TEST(ScenarioParser, SkipsAByteOrderMarkAtTheStartOnly)
{
    ParseResult result = parseScenario("\xEF\xBB\xBFsettings autoRefreshRate=15\nboot\n");
    ASSERT_FALSE(result.error.has_value()) << result.error->message;
    ASSERT_EQ(result.script.statements.size(), 2u);
    EXPECT_EQ(result.script.statements[0].text, "settings autoRefreshRate=15");

    // Columns on the first line count from after the mark, as an editor shows them.
    result = parseScenario("\xEF\xBB\xBF  frobnicate\n");
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->line, 1);
    EXPECT_EQ(result.error->column, 3);

    // Anywhere else the bytes are text like any other.
    result = parseScenario("boot\n\xEF\xBB\xBFlock\n");
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->line, 2);
    EXPECT_NE(result.error->message.find("unknown statement"), std::string::npos) << result.error->message;
}

TEST(ScenarioLexer, ResolvesEscapesInsideStringsOnly)
{
    std::optional<SyntaxError> error;
    LexedLine line = lexLine(R"(note "say \"hi\", a \\ and\nnext" # "not a string")", 1, error);
    ASSERT_FALSE(error.has_value());
    ASSERT_EQ(line.tokens.size(), 2u);
    EXPECT_EQ(line.tokens[1].kind, Token::Kind::string);
    EXPECT_EQ(line.tokens[1].text, "say \"hi\", a \\ and\nnext");
    EXPECT_EQ(line.tokens[1].column, 6);
}

TEST(ScenarioLexer, TellsGluedTokensFromSpacedOnes)
{
    std::optional<SyntaxError> error;
    LexedLine line = lexLine("field=0:\"T\" a = b", 1, error);
    ASSERT_EQ(line.tokens.size(), 8u);
    EXPECT_FALSE(line.tokens[1].spaced); // =
    EXPECT_FALSE(line.tokens[4].spaced); // "T"
    EXPECT_TRUE(line.tokens[6].spaced);  // = with blanks
}

TEST(ScenarioDuration, IsExactToTheMicrosecond)
{
    struct Case {
        const char* text;
        int64_t micros;
    };
    const Case valid[] = {
        {"2s", 2'000'000}, {"1.5s", 1'500'000}, {"15m", 900'000'000}, {"250ms", 250'000},
        {"1h", 3'600'000'000}, {"10.001s", 10'001'000}, {"0.5ms", 500}, {"0s", 0},
        {"24h", 86'400'000'000}, {"0.000001s", 1}, {"1.25h", 4'500'000'000},
    };
    for (const Case& c : valid) {
        SCOPED_TRACE(c.text);
        auto parsed = parseDuration(c.text);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->count(), c.micros);
    }
    for (const char* bad : {"", "s", "2", "2x", "1.s", ".5s", "-1s", "0.0000001s", "1.2.3s", "2 s", "1e3s", "2S"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(parseDuration(bad).has_value());
    }
}

TEST(ScenarioValue, ReadsNumbersBooleansAndRefusesBareWords)
{
    EXPECT_EQ(parseBareValue("15"), platform::Value(int64_t(15)));
    EXPECT_EQ(parseBareValue("-3"), platform::Value(int64_t(-3)));
    EXPECT_EQ(parseBareValue("10.5"), platform::Value(10.5));
    EXPECT_EQ(parseBareValue("true"), platform::Value(true));
    EXPECT_EQ(parseBareValue("false"), platform::Value(false));
    for (const char* bad : {"", "-", "1.", ".5", "abc", "YES", "1e3", "12a"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(parseBareValue(bad).has_value());
    }
}

} // namespace
} // namespace sim
