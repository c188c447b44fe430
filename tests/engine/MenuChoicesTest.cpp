// A code's menu choices: the send step fills the menu queue from the record
// being dialled, each menu is answered with the next choice, and a malformed
// list is logged and taken as none.
#include "tests/engine/EngineFixture.h"

#include "common/QuorvelNames.h"
#include "engine/EngineState.h"
#include "engine/MenuChoices.h"

#include <gtest/gtest.h>

namespace quorvel::engine::testing {
namespace {

using platform::Array;
using platform::Value;
using Choices = std::vector<std::string>;

Value menuCode(const std::string& ussd, Value choices)
{
    Value record = codeRecord(ussd, 1, {{"Balance", 0}});
    (*record.dict())[kMenuChoicesKey] = std::move(choices);
    return record;
}

TEST_F(EngineTest, MalformedMenuChoicesAreLoggedAndTakenAsNone)
{
    struct Case {
        const char* name;
        Value choices;
        Choices expected;
        const char* line;
    } cases[] = {
        {"absent", Value(), {}, nullptr},
        {"two texts", Array{Value("1"), Value("2")}, {"1", "2"}, nullptr},
        {"empty list", Array{}, {}, nullptr},
        {"a text, not a list", Value("1,2"), {}, "Qvl: the menu choices of code *100# are not a list, answering no menu"},
        {"a number among texts", Array{Value("1"), Value(int64_t(2))}, {},
         "Qvl: menu choice 2 of code *100# is not a text of 1 to 182 characters, answering no menu"},
        {"an empty choice", Array{Value("")}, {},
         "Qvl: menu choice 1 of code *100# is not a text of 1 to 182 characters, answering no menu"},
        {"a choice longer than the reply field", Array{Value(std::string(183, '1'))}, {},
         "Qvl: menu choice 1 of code *100# is not a text of 1 to 182 characters, answering no menu"},
        {"too many", Array(17, Value("1")), {}, "Qvl: code *100# has 17 menu choices, more than 16, answering no menu"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearLog();
        Value record = c.choices.isNone() ? codeRecord("*100#", 1, {{"Balance", 0}}) : menuCode("*100#", c.choices);
        EXPECT_EQ(menuChoicesOf(record), c.expected);
        if (c.line)
            EXPECT_TRUE(logged(c.line)) << logText();
        else
            EXPECT_TRUE(log.empty()) << logText();
    }
}

TEST_F(EngineTest, EachDialFillsTheMenuQueueFromItsOwnRecord)
{
    writeCodes({menuCode("*100#", Array{Value("1"), Value("2")}), codeRecord("*101#", 1, {{"Minutes", 0}})});
    requestRefresh();
    EXPECT_EQ(menuTransversalQueue, (Choices{"1", "2"}));

    // A leftover of an unfinished menu does not reach the next code.
    menuTransversalQueue = {"9"};
    runForSeconds(2);
    // The queue is not empty, so the text is a menu: it is not parsed.
    reply("1 Balance 2 Data");
    EXPECT_FALSE(logged("Qvl: received USSD string, expecting response for code: *100#"));
    menuTransversalQueue.clear();
    reply("Balance 12.50");
    EXPECT_EQ(storedField(0, 0), "12.50");
    EXPECT_TRUE(logged("Qvl: dialling code: *101#"));
    EXPECT_TRUE(menuTransversalQueue.empty());

    // A new cycle fills it again from the first record.
    requestRefresh();
    EXPECT_EQ(menuTransversalQueue, (Choices{"1", "2"}));
}

TEST_F(EngineTest, MenusAreAnsweredInOrderThroughTheHiddenAlertAndTheFinalReplyIsStored)
{
    writeCodes({menuCode("*100#", Array{Value("1"), Value("2")})});
    requestRefresh();
    for (const char* menu : {"1 Balance\n2 Data", "1 Main\n2 Main and bonus"}) {
        SCOPED_TRACE(menu);
        springboard->presentUSSDAlert(menu);
        reply(menu);
        rt::msgSend<void>(alertDisplay, "_updateCharsRemaining");
    }
    EXPECT_EQ(springboard->ussdRepliesSent(), (Choices{"1", "2"}));
    EXPECT_TRUE(menuTransversalQueue.empty());
    EXPECT_EQ(springboard->alertsOnScreen(), 0);
    EXPECT_FALSE(logged("Qvl: received USSD string, expecting response for code: *100#"));

    springboard->presentUSSDAlert("Balance 12.50");
    reply("Balance 12.50");
    EXPECT_EQ(storedField(0, 0), "12.50");
    EXPECT_EQ(springboard->alertsOnScreen(), 0);
}

} // namespace
} // namespace quorvel::engine::testing
