// quorvel-app's menu path bookkeeping, the choice entry's filter (shared
// with quorveld's check of a choice) and how the app speaks of SIMs.
#include "apps/gtk/logic/MenuPath.h"
#include "apps/gtk/logic/SimWords.h"
#include "host/linux/client/MenuChoiceRules.h"

#include <gtest/gtest.h>

namespace quorvelapp {
namespace {

TEST(GtkAppMenuPath, OnlyAnsweredChoicesMakeThePathInOrder)
{
    MenuPath path;
    EXPECT_FALSE(path.canSend()) << "no dial yet";
    EXPECT_FALSE(path.sending("1"));
    path.dialled("*100#");
    ASSERT_TRUE(path.sending("1"));
    // One answer at a time.
    EXPECT_TRUE(path.awaitingAnswer());
    EXPECT_FALSE(path.sending("2"));
    path.answered();
    ASSERT_TRUE(path.sending("7"));
    path.failed();                   // "7" got no answer: not on the path
    ASSERT_TRUE(path.sending("2"));
    path.answered();
    EXPECT_EQ(path.choices(), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(path.shown(), "1 › 2");
    // A stray answer with nothing sent adds nothing.
    path.answered();
    EXPECT_EQ(path.choices().size(), 2u);
    // A new dial starts a new path.
    path.dialled("*101#");
    EXPECT_TRUE(path.choices().empty());
    EXPECT_EQ(path.code(), "*101#");
    path.clear();
    EXPECT_FALSE(path.canSend());
}

TEST(GtkAppMenuPath, RefusesWhatTheDaemonWouldRefuse)
{
    MenuPath path;
    path.dialled("*100#");
    for (const char* bad : {"", "1a", " 1", "12345678901234567", "1\n"})
        EXPECT_FALSE(path.sending(bad)) << bad;
    EXPECT_FALSE(path.awaitingAnswer());
    for (size_t i = 0; i < linuxhost::kMaxMenuPathChoices; ++i) {
        ASSERT_TRUE(path.sending("*#" + std::to_string(i % 10)));
        path.answered();
    }
    EXPECT_FALSE(path.canSend()) << "the daemon takes at most 10 choices";
    EXPECT_FALSE(path.sending("1"));
    EXPECT_EQ(path.choices().size(), linuxhost::kMaxMenuPathChoices);
}

TEST(GtkAppMenuPath, TheChoiceEntryKeepsOnlyChoiceCharactersUpToTheLimit)
{
    struct Case {
        const char* typed;
        size_t before;
        const char* kept;
    } cases[] = {
        {"1", 0, "1"},
        {"*#09", 0, "*#09"},
        {"1) Balance", 0, "1"},           // a menu line pasted whole
        {"+7", 0, "7"},                   // + dials codes but answers no menu
        {"٣", 0, ""},                     // other scripts' digits are not dial keys
        {"123456", 12, "1234"},           // cut at 16
        {"1", 16, ""},
        {"1", 40, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(acceptedChoiceText(c.typed, c.before), c.kept);
    }
    // Whatever the entry keeps, the daemon takes.
    EXPECT_FALSE(linuxhost::menuChoiceProblem(acceptedChoiceText("9*#x9*#9*#9*#9*#9*#9", 0)));
    EXPECT_TRUE(linuxhost::menuChoiceProblem(""));
    EXPECT_TRUE(linuxhost::menuChoiceProblem(std::string(17, '1')));
    EXPECT_TRUE(linuxhost::menuChoiceProblem(std::string("1\0", 2)));
}

TEST(GtkAppSimWords, SimsAreNamedAndBindingIsOfferedOnlyWhereItMeansSomething)
{
    EXPECT_EQ(simName("89701010000000000001"), "SIM …0001");
    EXPECT_EQ(simName("25001"), "SIM of network 25001");
    // A hostile identity is shown cleaned, never as it came.
    EXPECT_EQ(simName("8970101000000000\n\x1b[2J").find('\x1b'), std::string::npos);

    linuxhost::StoredCode code{"*100#", "", 1, 0, "", {}};
    const std::vector<std::string> in{"89701010000000000001"};
    EXPECT_TRUE(offersBinding(code, true, in));
    EXPECT_FALSE(offersBinding(code, false, in)) << "codes do not follow their SIM";
    EXPECT_FALSE(offersBinding(code, true, {})) << "no SIM in to bind to";
    code.simId = "25001";
    EXPECT_FALSE(offersBinding(code, true, in)) << "already bound";
    linuxhost::StoredCode broken;
    EXPECT_FALSE(offersBinding(broken, true, in)) << "a record without a code";

    EXPECT_EQ(simSummary(linuxhost::StoredCode{}), "");
    code.simId = "89701010000000000001";
    EXPECT_EQ(simSummary(code), "SIM …0001");
    code.simIn = false;
    EXPECT_EQ(simSummary(code), "SIM …0001 · SIM not in");
}

} // namespace
} // namespace quorvelapp
