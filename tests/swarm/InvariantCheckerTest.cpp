// Each invariant on a staged history: the lines, store readings and alert
// places a device would produce, with one thing wrong (or nothing, where the
// engine's documented behaviour looks odd but is allowed).
#include "sim/swarm/InvariantChecker.h"

#include "common/QuorvelNames.h"
#include "sim/world/World.h"

#include <gtest/gtest.h>

namespace sim::swarm {
namespace {

using platform::Date;
using platform::Value;
using namespace std::chrono_literals;

const SwarmCode kA{1, "*1101#", 2, {0, 1}, std::nullopt};
const SwarmCode kB{2, "*1102#", 1, {0}, std::nullopt};
const SwarmCode kSms{3, "*2103#", 1, {0}, std::string("9103")};

Date at(std::chrono::milliseconds offset)
{
    return kScenarioStart.adding(offset);
}

Value storeOf(std::vector<SwarmCode> codes, std::map<std::string, std::vector<std::string>> values = {})
{
    platform::Array list;
    for (const SwarmCode& code : codes) {
        platform::Dict record = codeRecord(code);
        if (auto found = values.find(code.dial); found != values.end()) {
            platform::Array fields = *record[quorvel::kFieldsKey].array();
            for (size_t i = 0; i < fields.size() && i < found->second.size(); ++i)
                (*fields[i].dict())[quorvel::kLastValueKey] = Value(found->second[i]);
            record[quorvel::kFieldsKey] = Value(fields);
        }
        list.emplace_back(std::move(record));
    }
    platform::Dict root;
    root.emplace(quorvel::kCodesKey, std::move(list));
    return Value(std::move(root));
}

struct Checked {
    InvariantChecker checker;

    explicit Checked(std::vector<SwarmCode> codes = {kA, kB})
    {
        checker.codesWritten(codes, storeOf(codes));
        checker.engineStarted();
    }
    void lines(Date time, std::initializer_list<const char*> texts)
    {
        for (const char* text : texts)
            checker.line(time, text);
    }
    // A refresh request dials the first code.
    void refreshDialsA(Date time)
    {
        lines(time, {"Qvl: received request to refresh data, max USSD response time is 10.0, session init time is 4.0, max SMS response time is 60.0",
                     "Qvl: number of stored codes: 2", "Qvl: sending USSD request for code *1101#",
                     "Qvl: dialling code: *1101#", "sim: SpringBoard dials *1101#"});
    }
    std::vector<std::string> broken() const
    {
        std::vector<std::string> names;
        for (const Violation& v : checker.violations())
            names.push_back(v.invariant + ": " + v.what);
        return names;
    }
    bool held() const { return checker.violations().empty(); }
    std::string first() const { return checker.violations().empty() ? "" : checker.violations().front().invariant; }
};

TEST(InvariantChecker, ACycleThatTakesEachReplyInTurnHolds)
{
    Checked c;
    c.refreshDialsA(at(0ms));
    c.lines(at(2000ms), {"sim: carrier answers *1101# by USSD: \"Balance 1.0.1 Bonus 1.1.1\"",
                         "Qvl: USSD string is Balance 1.0.1 Bonus 1.1.1", "Qvl: parsed expected number of fields.",
                         "Qvl: moving to the next code, 2 of 2", "Qvl: number of stored codes: 2",
                         "Qvl: sending USSD request for code *1102#"});
    c.checker.storeRead(at(2000ms), storeOf({kA, kB}, {{"*1101#", {"1.0.1", "1.1.1"}}}), true);
    c.lines(at(3000ms), {"sim: carrier answers *1102# by USSD: \"Left 2.0.2\"", "Qvl: USSD string is Left 2.0.2",
                         "Qvl: ERROR: expected 1 fields for code *1102#, but parsed 2 fields!"});
    c.checker.finish(at(60000ms), storeOf({kA, kB}, {{"*1101#", {"1.0.1", "1.1.1"}}}));
    EXPECT_TRUE(c.held()) << ::testing::PrintToString(c.broken());
}

TEST(InvariantChecker, CodesLostDuplicatedOrResurrectedByAWrite)
{
    const SwarmCode kGone{9, "*1109#", 1, {}, std::nullopt};
    const std::vector<std::vector<SwarmCode>> stores{{kA}, {kA, kB, kB}, {kA, kB, kGone}, {kB, kA}};
    for (const auto& stored : stores) {
        SCOPED_TRACE(stored.size());
        Checked c;
        c.checker.storeRead(at(1000ms), storeOf(stored), true);
        EXPECT_EQ(c.first(), "codes");
    }
    // A record whose fields the engine rewrote other than by values.
    SwarmCode renumbered = kA;
    renumbered.fieldIndexes = {1, 0};
    Checked c;
    c.checker.storeRead(at(1000ms), storeOf({renumbered, kB}), true);
    EXPECT_EQ(c.first(), "codes");
}

TEST(InvariantChecker, AFigureFromAnotherCodesReplyOrPositionIsMisfiled)
{
    const std::vector<std::pair<std::vector<std::string>, bool>> cases{
        {{"1.0.4", "1.1.4"}, true},    // its own reply
        {{"2.0.4", "2.1.4"}, false},   // B's reply filed under A
        {{"1.1.4", "1.0.4"}, false},   // its own reply, fields swapped
        {{"12,50", "1.1.4"}, false},   // no reply carried it
        {{"0.0.7", "0.1.7"}, false},   // a network text A never took
    };
    for (const auto& [values, fine] : cases) {
        SCOPED_TRACE(values.front());
        Checked c;
        c.checker.storeRead(at(1000ms), storeOf({kA, kB}, {{"*1101#", values}}), true);
        EXPECT_EQ(c.held(), fine) << ::testing::PrintToString(c.broken());
        if (!fine) {
            EXPECT_EQ(c.first(), "values");
        }
    }
}

TEST(InvariantChecker, ANetworkTextInsideTheWindowMayBecomeThatCodesValues)
{
    Checked c({kA});
    c.lines(at(0ms), {"Qvl: received request to refresh data, max USSD response time is 10.0",
                      "Qvl: number of stored codes: 1", "Qvl: sending USSD request for code *1101#"});
    c.lines(at(1000ms), {"sim: carrier answers *1101# by USSD: \"1.0.1 1.1.1\"", "Qvl: USSD string is 1.0.1 1.1.1",
                         "Qvl: parsed expected number of fields."});
    c.lines(at(5000ms), {"sim: network sends a USSD message of its own: \"News 0.0.8 0.1.8\"",
                         "Qvl: USSD string is News 0.0.8 0.1.8", "Qvl: parsed expected number of fields."});
    c.checker.storeRead(at(5000ms), storeOf({kA}, {{"*1101#", {"0.0.8", "0.1.8"}}}), true);
    EXPECT_TRUE(c.held()) << ::testing::PrintToString(c.broken());
}

TEST(InvariantChecker, ATextTakenAsAReplyThatNoUssdDeliveryBroughtBreaksTheWindow)
{
    // What an observer listening to every telephony name does with an SMS's chat-items change.
    Checked c;
    c.refreshDialsA(at(0ms));
    c.lines(at(1500ms), {"sim: messaging: SMS from 7123 stored as message 3: \"hello\"", "Qvl: USSD string is (null)",
                         "Qvl: ERROR: expected 2 fields for code *1101#, but parsed 0 fields!"});
    EXPECT_EQ(c.first(), "window");
}

TEST(InvariantChecker, DialsOutOfTurnBreakTheWindow)
{
    {
        SCOPED_TRACE("the next code dialled while the first one's request is open");
        Checked c;
        c.refreshDialsA(at(0ms));
        c.lines(at(1000ms), {"Qvl: sending USSD request for code *1102#"});
        EXPECT_EQ(c.first(), "window");
    }
    {
        SCOPED_TRACE("a code skipped");
        Checked c({kA, kB, kSms});
        c.refreshDialsA(at(0ms));
        c.lines(at(1000ms), {"sim: carrier answers *1101# by USSD: \"x\"", "Qvl: USSD string is x",
                             "Qvl: ERROR: expected 2 fields for code *1101#, but parsed 0 fields!",
                             "Qvl: moving to the next code, 3 of 3"});
        EXPECT_EQ(c.first(), "window");
    }
    {
        SCOPED_TRACE("the cycle stops although codes are left");
        Checked c;
        c.refreshDialsA(at(0ms));
        c.lines(at(1000ms), {"sim: carrier answers *1101# by USSD: \"x\"", "Qvl: USSD string is x",
                             "Qvl: ERROR: expected 2 fields for code *1101#, but parsed 0 fields!"});
        c.checker.timePassed(at(2000ms));
        EXPECT_EQ(c.first(), "window");
    }
    {
        SCOPED_TRACE("a silent code leaves the cycle waiting, and a new cycle may start");
        Checked c;
        c.refreshDialsA(at(0ms));
        c.checker.timePassed(at(300000ms));
        c.refreshDialsA(at(300000ms));
        EXPECT_TRUE(c.held()) << ::testing::PrintToString(c.broken());
    }
    {
        SCOPED_TRACE("a code dialled twice in one cycle");
        SwarmCode again = kB;
        again.dial = kA.dial;
        Checked c({kA, again});
        c.refreshDialsA(at(0ms));
        c.lines(at(1000ms), {"sim: carrier answers *1101# by USSD: \"x\"", "Qvl: USSD string is x",
                             "Qvl: ERROR: expected 2 fields for code *1101#, but parsed 0 fields!",
                             "Qvl: moving to the next code, 2 of 2", "Qvl: sending USSD request for code *1101#"});
        EXPECT_EQ(c.first(), "window");
    }
}

TEST(InvariantChecker, AHiddenAlertMustCloseByItsDelayUnlessANewerOneTookTheClose)
{
    int a = 0, b = 0;
    {
        Checked c;
        c.refreshDialsA(at(0ms));
        c.checker.alertSeen(&a, at(1000ms), AlertSpot::notShown);
        c.checker.alertSeen(&a, at(1000ms), AlertSpot::offScreen);
        c.lines(at(1000ms), {"Qvl:  cancelling USSD alert after delay 4.0..."});
        c.checker.timePassed(at(5000ms));
        EXPECT_TRUE(c.held()) << "the close is due at 5 s exactly";
        c.checker.timePassed(at(5002ms));
        EXPECT_EQ(c.first(), "alerts");
    }
    {
        Checked c;
        c.refreshDialsA(at(0ms));
        c.checker.alertSeen(&a, at(1000ms), AlertSpot::offScreen);
        c.lines(at(1000ms), {"Qvl:  cancelling USSD alert after delay 4.0..."});
        c.checker.alertSeen(&b, at(3000ms), AlertSpot::offScreen);
        c.lines(at(3000ms), {"Qvl:  cancelling USSD alert after delay 4.0..."});
        c.checker.timePassed(at(60000ms));
        EXPECT_EQ(c.first(), "alerts") << "the newer alert never closed";
        EXPECT_EQ(c.checker.violations().size(), 1u) << "the older one was left open by the newest-alert rule";
    }
}

TEST(InvariantChecker, AlertsOutsideTheWindowAreLeftAlone)
{
    int a = 0;
    {
        Checked c;
        c.checker.alertSeen(&a, at(1000ms), AlertSpot::notShown);
        c.checker.alertSeen(&a, at(1000ms), AlertSpot::offScreen);
        EXPECT_EQ(c.first(), "alerts") << "moved off screen with no request";
    }
    {
        Checked c;
        c.checker.alertSeen(&a, at(1000ms), AlertSpot::onScreen);
        c.checker.alertSeen(&a, at(9000ms), AlertSpot::closed);
        EXPECT_EQ(c.first(), "alerts") << "closed with no close pending";
    }
}

TEST(InvariantChecker, BannersAndBadgesAreHeldBackOnlyInsideTheSmsWindow)
{
    {
        Checked c;
        c.lines(at(0ms), {"Qvl: suppressing badge..."});
        EXPECT_EQ(c.first(), "suppression") << "no request ever";
    }
    {
        Checked c;
        c.refreshDialsA(at(0ms));
        c.lines(at(60000ms), {"Qvl: publishBulletin: com.apple.MobileSMS", "Qvl: suppressing badge..."});
        EXPECT_TRUE(c.held()) << "the window's end counts as inside";
        c.lines(at(60001ms), {"Qvl: suppressing badge..."});
        EXPECT_EQ(c.first(), "suppression");
    }
    {
        Checked c({kSms});
        c.lines(at(0ms), {"Qvl: received request to refresh data", "Qvl: number of stored codes: 1",
                          "Qvl: sending USSD request for code *2103#", "Qvl: expecting SMS reply...",
                          "Qvl: Did not receive SMS from the expected sender, ignoring it.",
                          "Qvl: publishBulletin: com.apple.MobileSMS"});
        EXPECT_EQ(c.first(), "suppression") << "after an SMS from another sender";
    }
}

TEST(InvariantChecker, TheStoreMustReadAndEndAsLastWritten)
{
    {
        Checked c;
        c.checker.storeRead(at(1000ms), std::nullopt, true);
        EXPECT_EQ(c.first(), "store");
    }
    {
        Checked c;
        c.checker.storeRead(at(1000ms), storeOf({kA, kB}, {{"*1102#", {"2.0.3"}}}), true);
        c.checker.finish(at(2000ms), storeOf({kA, kB}));
        EXPECT_EQ(c.first(), "store") << "the values written were lost";
    }
}

// The store after the engine refreshed *1101# at `when` with these two values.
Value refreshedStore(Date when, const std::string& first, const std::string& second)
{
    Value store = storeOf({kA, kB}, {{"*1101#", {first, second}}});
    platform::Array& list = *(*store.dict())[quorvel::kCodesKey].array();
    (*list[0].dict())[quorvel::kRefreshedAtKey] = Value(when);
    return store;
}

TEST(InvariantChecker, TheHistoryHoldsEveryStoredValueOnceAndNothingElse)
{
    using Row = InvariantChecker::HistoryRow;
    const std::vector<Row> whole{{"*1101#", 0, at(1000ms), "1.0.1"}, {"*1101#", 1, at(1000ms), "1.1.1"},
                                 {"*1101#", 0, at(9000ms), "1.0.2"}, {"*1101#", 1, at(9000ms), "1.1.2"}};
    struct Case {
        const char* name;
        std::vector<Row> rows;
        bool holds;
    };
    const Case cases[] = {
        {"every value once", whole, true},
        {"a value missing", {whole[0], whole[1], whole[2]}, false},
        {"a value twice", {whole[0], whole[1], whole[1], whole[2], whole[3]}, false},
        {"a value never stored", {whole[0], whole[1], whole[2], whole[3], {"*1102#", 0, at(9000ms), "2.0.1"}}, false},
        {"another value", {whole[0], whole[1], whole[2], {"*1101#", 1, at(9000ms), "9"}}, false},
        {"out of time order", {whole[2], whole[3], whole[0], whole[1]}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Checked checked;
        checked.checker.storeRead(at(1000ms), refreshedStore(at(1000ms), "1.0.1", "1.1.1"), true);
        // An announcement for another code: *1101#'s record is unchanged, nothing new to hold.
        checked.checker.storeRead(at(5000ms), refreshedStore(at(1000ms), "1.0.1", "1.1.1"), true);
        checked.checker.storeRead(at(9000ms), refreshedStore(at(9000ms), "1.0.2", "1.1.2"), true);
        checked.checker.historyRead(at(10000ms), c.rows, std::nullopt);
        if (c.holds) {
            EXPECT_TRUE(checked.held()) << ::testing::PrintToString(checked.broken());
        } else {
            EXPECT_EQ(checked.first(), "history");
        }
    }
    Checked unreadable;
    unreadable.checker.storeRead(at(1000ms), refreshedStore(at(1000ms), "1.0.1", "1.1.1"), true);
    unreadable.checker.historyRead(at(2000ms), {}, std::string("no history database"));
    EXPECT_EQ(unreadable.first(), "history");
}

// A belongs to the home SIM; B to any.
struct SimChecked : Checked {
    static SwarmCode homeA()
    {
        SwarmCode a = kA;
        a.simId = "8970101000000000001";
        return a;
    }
    explicit SimChecked(bool follow) : Checked({homeA(), kB})
    {
        checker.followSimWritten(follow);
    }
    void refresh(Date time)
    {
        lines(time, {"Qvl: received request to refresh data, max USSD response time is 10.0, session init time is 4.0, max SMS response time is 60.0",
                     "Qvl: number of stored codes: 2"});
    }
    void travelSimIn() { checker.simsChanged({platform::CTSimCard{"8944200000000000002", "23410"}}); }
};

TEST(InvariantChecker, ACodeOfASimIsDialledOnlyOnItWhileItIsIn)
{
    {
        SCOPED_TRACE("dialled on its SIM");
        SimChecked c(true);
        c.refresh(at(0ms));
        c.lines(at(0ms), {"Qvl: sending USSD request for code *1101#", "sim: SpringBoard dials *1101# on SIM 8970101000000000001"});
        EXPECT_TRUE(c.held()) << ::testing::PrintToString(c.broken());
    }
    {
        SCOPED_TRACE("dialled as a plain dial");
        SimChecked c(true);
        c.refresh(at(0ms));
        c.lines(at(0ms), {"Qvl: sending USSD request for code *1101#", "sim: SpringBoard dials *1101#"});
        EXPECT_EQ(c.first(), "sims");
    }
    {
        SCOPED_TRACE("dialled while its SIM is out");
        SimChecked c(true);
        c.travelSimIn();
        c.refresh(at(0ms));
        c.lines(at(0ms), {"Qvl: sending USSD request for code *1101#"});
        EXPECT_EQ(c.first(), "sims");
    }
    {
        SCOPED_TRACE("the setting off: any SIM will do");
        SimChecked c(false);
        c.travelSimIn();
        c.refresh(at(0ms));
        c.lines(at(0ms), {"Qvl: sending USSD request for code *1101#", "sim: SpringBoard dials *1101#"});
        EXPECT_TRUE(c.held()) << ::testing::PrintToString(c.broken());
    }
}

TEST(InvariantChecker, ACodeIsSkippedForItsSimOnlyWhileThatSimIsOut)
{
    {
        SCOPED_TRACE("skipped with its SIM out, the cycle moving on");
        SimChecked c(true);
        c.travelSimIn();
        c.refresh(at(0ms));
        c.lines(at(0ms), {"Qvl: skipping *1101#: its SIM is not in", "Qvl: moving to the next code, 2 of 2",
                          "Qvl: number of stored codes: 2", "Qvl: sending USSD request for code *1102#",
                          "sim: SpringBoard dials *1102#"});
        EXPECT_TRUE(c.held()) << ::testing::PrintToString(c.broken());
    }
    {
        SCOPED_TRACE("skipped with its SIM in");
        SimChecked c(true);
        c.refresh(at(0ms));
        c.lines(at(0ms), {"Qvl: skipping *1101#: its SIM is not in"});
        EXPECT_EQ(c.first(), "sims");
    }
    {
        SCOPED_TRACE("skipped while the engine has the setting off");
        SimChecked c(false);
        c.travelSimIn();
        c.refresh(at(0ms));
        c.checker.followSimWritten(true);   // written, not yet loaded
        c.lines(at(0ms), {"Qvl: skipping *1101#: its SIM is not in"});
        EXPECT_EQ(c.first(), "sims");
    }
}

// *1101# behind two menus; the lines of a refresh that dials it.
SwarmCode menuCodeA()
{
    SwarmCode code = kA;
    code.menuChoices = {"2", "1"};
    return code;
}

TEST(InvariantChecker, MenuChoicesOfTheCodeBeingDialledInOrderHold)
{
    Checked c({menuCodeA(), kB});
    c.refreshDialsA(at(0ms));
    c.lines(at(1000ms), {"sim: carrier answers *1101# by a menu: \"Menu: 1 Balance 2 Data\"",
                         "Qvl: USSD string is Menu: 1 Balance 2 Data",
                         "sim: carrier gets the choice \"2\" for the menu of *1101#"});
    c.lines(at(2000ms), {"sim: carrier answers *1101# after \"2\" by a menu: \"Menu: 1 Main 2 Bonus\"",
                         "Qvl: USSD string is Menu: 1 Main 2 Bonus",
                         "sim: carrier gets the choice \"1\" for the menu of *1101#"});
    c.lines(at(3000ms), {"sim: carrier answers *1101# after \"2\", \"1\" by USSD: \"Balance 1.0.1 Bonus 1.1.1\"",
                         "Qvl: USSD string is Balance 1.0.1 Bonus 1.1.1", "Qvl: parsed expected number of fields."});
    c.checker.storeRead(at(3000ms), storeOf({menuCodeA(), kB}, {{"*1101#", {"1.0.1", "1.1.1"}}}), true);
    EXPECT_TRUE(c.held()) << ::testing::PrintToString(c.broken());
}

TEST(InvariantChecker, AChoiceOutOfOrderForAnotherCodeOrBeyondTheListBreaksMenus)
{
    struct Case {
        const char* name;
        std::vector<const char*> choices;
    } cases[] = {
        {"out of order", {"sim: carrier gets the choice \"1\" for the menu of *1101#"}},
        {"another code", {"sim: carrier gets the choice \"2\" for the menu of *1102#"}},
        {"beyond the list",
         {"sim: carrier gets the choice \"2\" for the menu of *1101#", "sim: carrier gets the choice \"1\" for the menu of *1101#",
          "sim: carrier gets the choice \"1\" for the menu of *1101#"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Checked c({menuCodeA(), kB});
        c.refreshDialsA(at(0ms));
        for (const char* line : k.choices)
            c.checker.line(at(1000ms), line);
        EXPECT_EQ(c.first(), "menus") << ::testing::PrintToString(c.broken());
    }
}

TEST(InvariantChecker, FiguresParsedFromAMenuTextBreakMenus)
{
    Checked c({menuCodeA(), kB});
    c.refreshDialsA(at(0ms));
    c.lines(at(1000ms), {"sim: carrier answers *1101# by a menu: \"Menu: 1 Balance 2 Data\"",
                         "Qvl: USSD string is Menu: 1 Balance 2 Data", "Qvl: parsed expected number of fields."});
    EXPECT_EQ(c.first(), "menus");
}

} // namespace
} // namespace sim::swarm
