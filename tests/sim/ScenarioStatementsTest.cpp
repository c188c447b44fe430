// The statements that stage what the Settings application and the phone's own
// order never produce: their forms, and the syntax errors they report before
// anything runs.
#include "ScenarioErrorCases.h"
#include "sim/scenario/Parser.h"

#include <gtest/gtest.h>

namespace sim {
namespace {

TEST(ScenarioStatements, ParseEveryForm)
{
    const char* text = R"(file "/var/mobile/x.plist" xml """
<?xml?>
"""
file "/var/mobile/x.plist" text "a\r\nb"
file "/var/mobile/x.bin" bytes "62 70 6C 69 00 ff"
file "/var/mobile/x.bin" from "stores/x.bin"
file "/var/mobile/x.bin" truncate 0
file "/var/mobile/x.bin" remove
settings maxResponseTime=absent autoRefreshRate=2026-12-08T09:00:00Z
link carrier dangling
link operator to "/x"
ussd order reply-first
ussd visible after 1.5s
carrier "*100#" notext after 3s
boot
settings observeDND="maybe"
alert hidden reply
alert type "12"
alert hidden allowsResponse
alert response off
expect alert field "12" 180
expect alert hidden shows "Balance"
expect alert sent "12"
expect alert "Notice" "text"
statusbar 3 on
expect statusbar 0 off
bulletin "com.apple.MobileMail" "Anna" "Lunch?"
badge "com.apple.MobileMail" 2
network ussd notext
network notification "Tariff changed"
chatitems
chatitems nolist
chatitems id=-1 nomessage draft id=2
dbfault readonly
sms order badge-first
expect view 300 frame 235 46 79 27.5
expect view UITextView[1] text "x"
expect view UITextField placeholder "y"
expect view UIScrollView[0] content 320 440
expect view UIScrollView[0] inset 0 0 216 0
expect view 102 tag 102
)";
    ParseResult result = parseScenario(text);
    ASSERT_FALSE(result.error.has_value()) << result.error->line << ":" << result.error->column << " " << result.error->message;
    EXPECT_EQ(result.script.statements.size(), 39u);
    EXPECT_EQ(result.script.statements[1].line, 4) << "the long string's lines are counted";
}

TEST(ScenarioStatements, ReportWhatDoesNotFitWhereItStands)
{
    const ScenarioErrorCase cases[] = {
        {"file \"x.plist\" xml \"\"", 1, 6, "must start with /"},
        {"file \"/var/../../etc/passwd\" text \"x\"", 1, 6, "must not climb out"},
        {"file \"/var/mobile/\" text \"x\"", 1, 6, "names a folder"},
        {"file \"/var/x\" bytes \"6g\"", 1, 21, "'g' is not a hexadecimal digit"},
        {"file \"/var/x\" bytes \"626\"", 1, 21, "half a byte"},
        {"file \"/var/x\" json \"{}\"", 1, 15, "expected xml, text, bytes, from, truncate or remove"},
        {"file \"/var/x\" truncate -1", 1, 24, "a whole number"},
        {"settings maxResponseTime=missing", 1, 26, "or absent"},
        {"link sim home", 1, 6, "expected carrier or operator"},
        {"link carrier roaming", 1, 14, "expected home, visited, dangling, missing, file or to"},
        {"ussd visible 2s", 1, 14, "expected after DURATION"},
        {"ussd order backwards", 1, 12, "expected alert-first or reply-first"},
        {"carrier \"*100#\" notext \"x\"", 1, 24, "unexpected the string \"x\""},
        {"boot\nalert hidden", 2, 13, "expected reply, ok, cancel"},
        {"boot\nalert type 12", 2, 12, "the text to type"},
        {"boot\nexpect alert field \"1\"", 2, 23, "how many characters remain"},
        {"boot\nexpect alert visible \"1\"", 2, 14, "expected field, shows or sent"},
        {"boot\nstatusbar dnd on", 2, 11, "the status-bar item"},
        {"boot\nchatitems id=x", 2, 14, "the message identifier"},
        {"boot\nchatitems message", 2, 11, "expected id=, nomessage or draft"},
        {"boot\nchatitems nolist id=1", 2, 18, "unexpected"},
        {"boot\nsms order first", 2, 11, "expected bulletin-first or badge-first"},
        {"boot\nexpect view UITextView[x] text \"a\"", 2, 13, "a class and position"},
        {"boot\nexpect view 300 colour \"red\"", 2, 17, "expected frame, tag, text, placeholder, content or inset"},
        {"boot\nexpect view 300 frame 1 2 3 \"4\"", 2, 29, "a number of points"},
        {"network ussd \"x\"", 1, 1, "needs a booted device"},
        {"history lock", 1, 1, "needs a booted device"},
        {"boot\nhistory open", 2, 9, "expected lock or unlock"},
        {"expect history \"*100#\" 0 sum 3", 1, 26, "expected count, values or numbers"},
        {"expect history \"*100#\" 0 values 12", 1, 33, "a value as the field holds it"},
        {"expect history \"*100#\" 0 numbers \"12\"", 1, 34, "a number or null"},
        {"expect history \"*100#\" -1 count 1", 1, 24, "the field's index"},
    };
    expectScenarioErrors(cases);
}

} // namespace
} // namespace sim
