// Capturing and storing USSD replies: the request window, the count check,
// the field indexes, bad records, and codes that Settings adds or deletes while
// a reply is awaited.
#include "tests/engine/EngineFixture.h"

#include "common/QuorvelNames.h"
#include "engine/EngineState.h"

namespace quorvel::engine::testing {

namespace {

using platform::Array;
using platform::Dict;
using platform::Value;
using Dials = std::vector<std::string>;

Value balanceCode(const std::string& ussd)
{
    return codeRecord(ussd, 1, {{"Balance", 0}});
}

platform::Micros windowEnd()
{
    return platform::Micros(10'000'000);
}

TEST_F(EngineTest, ReplyAtTheEndOfTheWindowIsParsedAndALaterOneIsDroppedAndClosesIt)
{
    struct Case {
        platform::Micros delay;
        bool parsed;
    } cases[] = {{windowEnd(), true}, {windowEnd() + platform::Micros(1), false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.delay.count());
        writeCodes({balanceCode("*100#")});
        clearLog();
        requestRefresh();
        runFor(c.delay);
        reply("Balance 12.50");
        EXPECT_EQ(storedField(0, 0), c.parsed ? "12.50" : "<none>");
        EXPECT_EQ(announcements > 0, c.parsed);
        EXPECT_EQ(logged("Qvl: window has passed, not parsing this USSD response"), !c.parsed);
        EXPECT_EQ(ussdRequestTime.has_value(), c.parsed) << "a passed window is closed for every hook";
        announcements = 0;
    }
    // The window closed by the late reply stays closed for the alert too.
    springboard->presentUSSDAlert("Balance 12.50");
    EXPECT_TRUE(logged("Qvl: date is nil, not altering the alert window"));
    EXPECT_EQ(springboard->alertsOnScreen(), 1);
}

TEST_F(EngineTest, ReplyWithNoRequestOpenIsDroppedUntouched)
{
    writeCodes({balanceCode("*100#")});
    const std::string before = storedCodesBytes();
    reply("Balance 12.50");
    EXPECT_TRUE(logged("Qvl: date is nil, not parsing this USSD response"));
    EXPECT_FALSE(ussdMessage.has_value());
    EXPECT_EQ(storedCodesBytes(), before);
    EXPECT_TRUE(telephony.dials.empty());
}

TEST_F(EngineTest, CountMismatchStoresAndAnnouncesNothingButMovesOn)
{
    writeCodes({codeRecord("*100#", 2, {{"Balance", 0}, {"Bonus", 1}}), balanceCode("*101#")});
    requestRefresh();
    const std::string before = storedCodesBytes();
    reply("Service unavailable, try later (code 3)");
    EXPECT_TRUE(logged("Qvl: ERROR: expected 2 fields for code *100#, but parsed 1 fields!")) << logText();
    EXPECT_FALSE(logged("Qvl: parsed expected number of fields."));
    EXPECT_EQ(storedCodesBytes(), before);
    EXPECT_EQ(announcements, 0);
    EXPECT_EQ(telephony.dials, (Dials{"*100#", "*101#"}));
}

TEST_F(EngineTest, RecordWithNoFieldsStillGetsItsRefreshTimeWrittenAndAnnounced)
{
    for (Value fields : {Value(Array{}), Value()}) {
        SCOPED_TRACE(fields.description());
        Value record = codeRecord("*100#", 1, {});
        Dict entries = *record.dict();
        if (fields.isNone())
            entries.erase(kFieldsKey);
        writeCodes({entries});
        announcements = 0;
        requestRefresh();
        runForSeconds(3);
        reply("Balance 12.50");
        EXPECT_EQ(announcements, 1);
        EXPECT_EQ(storedCodes().at(0)[kRefreshedAtKey].date(), platform::now());
        EXPECT_EQ(storedCodes().at(0)[kFieldsKey], fields) << "no fields list is made up";
    }
}

TEST_F(EngineTest, EachFieldTakesTheEntryAtItsIndexAndUnusableIndexesKeepTheOldValue)
{
    struct Case {
        Value index;
        std::string lastValue;
    } cases[] = {
        {0, "-12,30"}, {4, "100"}, {"2", "000.50"}, {2.0, "000.50"}, // stored as text or real: read as the platform reads it
        {5, "old"},    {-1, "old"}, {"abc", "old"}, {Value(), "old"}, {Array{1}, "old"},
    };
    Array fields;
    for (const Case& c : cases) {
        Dict field{{kTitleKey, "t"}, {kLastValueKey, "old"}};
        if (!c.index.isNone())
            field[kIndexKey] = c.index;
        fields.push_back(field);
    }
    fields.push_back("not a field record");
    writeCodes({Dict{{kUssdCodeKey, "*100#"}, {kExpectedNumbersKey, 5}, {kFieldsKey, fields}}});

    requestRefresh();
    reply("Balance -12,30 rub. Bonus 1 000.50 until 08.12.2026 - call *100#");
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].index.description());
        EXPECT_EQ(storedField(0, i), cases[i].lastValue);
    }
    EXPECT_EQ(storedCodes().at(0)[kFieldsKey].at(std::size(cases)), Value("not a field record"));
    EXPECT_TRUE(logged("Qvl: field 5 of code *100# has index 5 outside the 5 parsed numbers, keeping its old value"))
        << logText();
    EXPECT_TRUE(logged("Qvl: field 7 of code *100# has an unusable index abc, keeping its old value"));
    EXPECT_TRUE(logged("Qvl: field 10 of code *100# is not a field record, leaving it as it is"));
    EXPECT_EQ(announcements, 1);
}

TEST_F(EngineTest, CodeWithoutUsableExpectedNumbersIsSkippedAndTheCycleGoesOn)
{
    for (Value expected : {Value(), Value("many"), Value(-1)}) {
        SCOPED_TRACE(expected.description());
        writeCodes({codeRecord("*100#", expected, {{"Balance", 0}}), balanceCode("*101#")});
        const std::string before = storedCodesBytes();
        telephony.dials.clear();
        clearLog();
        requestRefresh();
        reply("Balance 12.50");
        EXPECT_TRUE(logged("Qvl: ERROR: code *100# has no usable expected number of fields, not storing its values"))
            << logText();
        EXPECT_EQ(storedCodesBytes(), before);
        EXPECT_EQ(telephony.dials, (Dials{"*100#", "*101#"}));
    }
}

TEST_F(EngineTest, CodeAddedInSettingsDuringTheWaitSurvivesTheWrite)
{
    writeCodes({balanceCode("*100#")});
    requestRefresh();
    writeCodes({balanceCode("*100#"), balanceCode("*222#")}); // Settings saves a new code
    reply("Balance 12.50");
    Array stored = storedCodes();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(storedField(0, 0), "12.50");
    EXPECT_EQ(stored.at(1), balanceCode("*222#"));
    EXPECT_EQ(telephony.dials, (Dials{"*100#", "*222#"})) << "the new code is part of this cycle";
}

TEST_F(EngineTest, CodeDeletedInSettingsDuringTheWaitStaysDeleted)
{
    writeCodes({balanceCode("*100#"), balanceCode("*101#")});
    requestRefresh();
    writeCodes({balanceCode("*100#")}); // Settings deletes the second code
    reply("Balance 12.50");
    Array stored = storedCodes();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(storedField(0, 0), "12.50");
    EXPECT_EQ(telephony.dials, Dials{"*100#"});
}

TEST_F(EngineTest, RefreshedCodeDeletedDuringTheWaitIsNotWrittenBack)
{
    writeCodes({balanceCode("*100#"), balanceCode("*101#")});
    requestRefresh();
    writeCodes({balanceCode("*101#")}); // Settings deletes the code being refreshed
    const std::string before = storedCodesBytes();
    reply("Balance 12.50");
    EXPECT_EQ(storedCodesBytes(), before);
    EXPECT_TRUE(logged("Qvl: code *100# is no longer stored at position 1, not writing its values")) << logText();
    EXPECT_EQ(announcements, 0);
}

TEST_F(EngineTest, MegabyteReplyIsParsed)
{
    writeCodes({balanceCode("*100#")});
    requestRefresh();
    std::string text(1 << 20, 'x');
    text.replace(text.size() / 2, 14, " Balance 12.50");
    reply(text);
    EXPECT_EQ(storedField(0, 0), "12.50");
    EXPECT_EQ(ussdMessage->size(), size_t(1) << 20);
}

TEST_F(EngineTest, ReplyWithoutTextIsTakenAsTextWithoutNumbers)
{
    writeCodes({codeRecord("*100#", 0, {})});
    requestRefresh();
    replyWithoutText();
    EXPECT_TRUE(logged("Qvl: USSD string is (null)"));
    EXPECT_TRUE(logged("Qvl: parsed expected number of fields."));
    EXPECT_EQ(announcements, 1);
}

} // namespace

} // namespace quorvel::engine::testing
