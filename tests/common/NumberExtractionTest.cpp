#include "common/NumberExtraction.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <random>

namespace {

using Numbers = std::vector<std::string>;

struct Case {
    const char* name;
    std::string text;
    Numbers expected;
};

std::string describe(const Numbers& numbers)
{
    std::string out = "[";
    for (const std::string& n : numbers)
        out += "\"" + n + "\" ";
    return out + "]";
}

const std::vector<Case>& cases()
{
    static const std::vector<Case> kCases = {
        {"worked example", "Balance -12,30 rub. Bonus 1 000.50 until 08.12.2026 - call *100#",
         {"-12,30", "1", "000.50", "08.12.2026", "100"}},
        {"empty text", "", {}},
        {"lone minus", "-", {}},
        {"lone separators with blanks", " . , - ", {}},
        {"no number characters", "Hello, world!", {}},
        {"lone comma", ",", {}},
        {"trailing full stop", "12.50.", {"12.50"}},
        {"leading full stop", ".5", {"5"}},
        {"trailing comma", "5,", {"5"}},
        {"separators trimmed on both ends", ",.,12,3.,.", {"12,3"}},
        {"double minus kept", "--5", {"--5"}},
        {"trailing minus kept", "5-", {"5-"}},
        {"range is one entry", "10-20", {"10-20"}},
        {"negative keeps its sign", "-7", {"-7"}},
        {"minus not trimmed behind separators", "-.5.", {"-.5"}},
        {"ellipsis is an empty entry", "wait... 5", {"", "5"}},
        {"two separators make an empty entry", "a ,. b", {""}},
        {"minus between commas survives trimming", ",-,", {"-"}},
        {"lone minus inside separators", ".-", {"-"}},
        {"space splits thousands", "1 000", {"1", "000"}},
        {"line break splits", "12\n34", {"12", "34"}},
        {"tab and carriage return split", "1\t2\r3", {"1", "2", "3"}},
        {"colon splits time", "12:30", {"12", "30"}},
        {"percent sign ends a run", "15%", {"15"}},
        {"plus sign is not a number character", "+7-900-123", {"7-900-123"}},
        {"apostrophe splits", "1'000", {"1", "000"}},
        {"slash splits dates", "08/12/2026", {"08", "12", "2026"}},
        {"non-breaking space splits", "1\xC2\xA0" "000", {"1", "000"}},
        {"Arabic-Indic digits are not digits", "\xD9\xA1\xD9\xA2\xD9\xA3", {}},
        {"fullwidth digits are not digits", "\xEF\xBC\x91\xEF\xBC\x92", {}},
        {"Cyrillic text around numbers", "\xD0\x91\xD0\xB0\xD0\xBB\xD0\xB0\xD0\xBD\xD1\x81: 150.25 \xD1\x80.", {"150.25"}},
        {"invalid UTF-8 bytes split", "12\xFF" "34\xC3", {"12", "34"}},
        {"NUL byte splits", std::string("12\0" "34", 5), {"12", "34"}},
        {"USSD code", "*100#", {"100"}},
        {"number at the very end", "total 42", {"42"}},
        {"number at the very start", "42 total", {"42"}},
        {"single digit kept", "a 7 b", {"7"}},
        {"lone separators between numbers do not shift positions", "1 . 2 , 3 - 4", {"1", "2", "3", "4"}},
        {"long digit run stays text", "000000000000000000000000012345678901234567890",
         {"000000000000000000000000012345678901234567890"}},
    };
    return kCases;
}

TEST(NumberExtraction, SplitsTextsAsTheTableSays)
{
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        Numbers got = quorvel::extractNumbers(c.text);
        EXPECT_EQ(got, c.expected) << describe(got);
    }
}

TEST(NumberExtraction, CallbackSeesEveryKeptEntryInOrder)
{
    std::vector<std::string> seen;
    Numbers result = quorvel::extractNumbers("a 1 b ... c -2,5.", [&](const std::string& n) { seen.push_back(n); });
    EXPECT_EQ(seen, (Numbers{"1", "", "-2,5"}));
    EXPECT_EQ(result, seen);
}

TEST(NumberExtraction, ParseNumbersLogsOneLinePerKeptEntryInOrder)
{
    quorvel::test::LogCapture log;
    Numbers result = quorvel::parseNumbers("Balance -12,30 rub. wait... 5");
    EXPECT_EQ(result, (Numbers{"-12,30", "", "5"}));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"Qvl: adding number -12,30 to array...",
                                                      "Qvl: adding number  to array...",
                                                      "Qvl: adding number 5 to array..."}));
}

TEST(NumberExtraction, ParseNumbersLogsNothingForTextsWithoutNumbers)
{
    quorvel::test::LogCapture log;
    EXPECT_TRUE(quorvel::parseNumbers("- . , no digits here").empty());
    EXPECT_TRUE(log.lines().empty());
}

// A plain re-statement of the rule, character by character with separate
// passes, to compare against the single-pass implementation on random texts.
Numbers referenceExtraction(const std::string& text)
{
    auto isNumberChar = [](char c) { return (c >= '0' && c <= '9') || c == '-' || c == ',' || c == '.'; };
    Numbers out;
    size_t i = 0;
    while (i < text.size()) {
        if (!isNumberChar(text[i])) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < text.size() && isNumberChar(text[j]))
            ++j;
        std::string token = text.substr(i, j - i);
        i = j;
        if (token == "-" || token == "," || token == ".")
            continue;
        size_t first = token.find_first_not_of(",.");
        if (first == std::string::npos) {
            out.push_back("");
            continue;
        }
        size_t last = token.find_last_not_of(",.");
        out.push_back(token.substr(first, last - first + 1));
    }
    return out;
}

TEST(NumberExtraction, AgreesWithAPlainStatementOfTheRuleOnRandomTexts)
{
    const unsigned seed = 20261208;
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    const std::string alphabet = "0123456789-,.,.- ab\n\t%+:'\xD0\x91\xFF";
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        // Short texts, and long ones whose runs cross the scanner's 64-byte blocks.
        size_t length = round % 2 ? random() % 40 : random() % 400;
        for (size_t k = 0; k < length; ++k)
            text += alphabet[random() % alphabet.size()];
        ASSERT_EQ(quorvel::extractNumbers(text), referenceExtraction(text)) << "text: " << text;
    }
}

TEST(NumberExtraction, RunsAcrossBlockBoundariesStayWhole)
{
    struct Case {
        const char* name;
        size_t offset;   // where the run starts
        size_t length;   // how long it is
        size_t textSize; // total text size, filled with letters around the run
    } cases[] = {
        {"ends at the end of the first block", 60, 4, 100},
        {"starts at the last byte of a block", 63, 3, 100},
        {"starts at the first byte of a block", 64, 3, 100},
        {"spans three blocks", 10, 200, 300},
        {"fills a whole block exactly", 64, 64, 200},
        {"ends exactly at the end of the text", 120, 8, 128},
        {"text is one run of 64", 0, 64, 64},
        {"text is one run of 65", 0, 65, 65},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text(c.textSize, 'x');
        std::string run;
        for (size_t i = 0; i < c.length; ++i)
            run += static_cast<char>('0' + i % 10);
        text.replace(c.offset, c.length, run);
        EXPECT_EQ(quorvel::extractNumbers(text), Numbers{run});
    }
}

TEST(NumberExtraction, ManyShortRunsInALongTextAreAllFound)
{
    std::string text;
    Numbers expected;
    for (int i = 0; i < 5000; ++i) {
        text += std::to_string(i) + (i % 3 == 0 ? ". " : " ab ");
        expected.push_back(std::to_string(i));
    }
    EXPECT_EQ(quorvel::extractNumbers(text), expected);
}

TEST(NumberExtraction, GivesTheSameListUnderAnyProcessLocale)
{
    const std::string text = "Balance -12,30 rub. Bonus 1 000.50 until 08.12.2026; 1.234,56 and 3,14";
    const Numbers expected = quorvel::extractNumbers(text);
    const std::string previousC = std::setlocale(LC_ALL, nullptr);
    const std::locale previousGlobal;
    int localesTried = 0;
    for (const char* name : {"C.UTF-8", "C.utf8", "de_DE.UTF-8", "ru_RU.UTF-8", "ar_EG.UTF-8", "fr_FR.UTF-8", "POSIX"}) {
        if (!std::setlocale(LC_ALL, name))
            continue;
        try {
            std::locale::global(std::locale(name));
        } catch (const std::runtime_error&) {
            continue;
        }
        ++localesTried;
        SCOPED_TRACE(name);
        EXPECT_EQ(quorvel::extractNumbers(text), expected);
    }
    std::locale::global(previousGlobal);
    std::setlocale(LC_ALL, previousC.c_str());
    EXPECT_GT(localesTried, 0);
}

} // namespace
