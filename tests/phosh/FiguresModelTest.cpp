// The lock-screen plugin's model: what the widget shows for the daemon's
// codes and state, and how hostile texts from the bus are made safe to show.
#include "apps/phosh/FiguresModel.h"
#include "host/linux/client/QuorvelClient.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace phoshplugin {
namespace {

using linuxhost::CodeField;
using linuxhost::StoredCode;

// 2026-12-08 09:05:02 UTC.
constexpr int64_t kMorning = 1796720702'000'000;

class FiguresModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* zone = std::getenv("TZ");
        m_zone = zone ? std::optional<std::string>(zone) : std::nullopt;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override
    {
        if (m_zone)
            setenv("TZ", m_zone->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> m_zone;
};

StoredCode code(const std::string& text, int64_t refreshedAt, std::vector<CodeField> fields)
{
    return StoredCode{text, "", static_cast<int>(fields.size()), refreshedAt, "", std::move(fields)};
}

TEST_F(FiguresModel, ShowsEveryFieldInStoreOrderWithTheLastCodesRefreshTime)
{
    FiguresView view = figuresView({code("*100#", kMorning - 60'000'000, {{0, "Balance", "12.50"}, {1, "Bonus", "300"}}),
                                    code("*102#", kMorning, {{0, "Minutes", "45"}})},
                                   "idle", "");
    ASSERT_EQ(view.figures.size(), 3u);
    EXPECT_EQ(view.figures[0].title, "Balance");
    EXPECT_EQ(view.figures[0].value, "12.50");
    EXPECT_EQ(view.figures[1].title, "Bonus");
    EXPECT_EQ(view.figures[2].title, "Minutes");
    EXPECT_EQ(view.figures[2].value, "45");
    EXPECT_EQ(view.refreshLine, "Refreshed at: 09:05:02  \u21BB");
    EXPECT_EQ(view.status, "");
}

TEST_F(FiguresModel, TheRefreshTimeIsTheLastCodesEvenWhenThatOneWasNeverRefreshed)
{
    // As the phone's widget takes it: the walk's last code overwrites the time.
    FiguresView view = figuresView({code("*100#", kMorning, {{0, "Balance", "12.50"}}), code("*102#", 0, {{0, "Minutes", ""}})},
                                   "idle", "");
    EXPECT_EQ(view.refreshLine, "Refresh \u21BB");
    ASSERT_EQ(view.figures.size(), 2u);
    EXPECT_EQ(view.figures[1].value, "");
}

TEST_F(FiguresModel, NoCodesAndNoDaemonSayWhyAndOfferNoRefresh)
{
    FiguresView empty = figuresView({}, "idle", "");
    EXPECT_TRUE(empty.figures.empty());
    EXPECT_EQ(empty.refreshLine, "");
    EXPECT_EQ(empty.status, kNoCodesText);

    FiguresView gone = notRunningView();
    EXPECT_TRUE(gone.figures.empty());
    EXPECT_EQ(gone.refreshLine, "");
    EXPECT_EQ(gone.status, "quorveld is not running");
}

TEST_F(FiguresModel, TheDaemonsStateIsShownInWordsBesideTheFigures)
{
    const struct {
        const char* state;
        const char* detail;
        const char* text;
    } cases[] = {
        {"idle", "", ""},
        {"", "", ""},
        {"dialling", "*100#", "Dialling *100#\u2026"},
        {"waiting-for-sms", "*102#", "Waiting for the SMS reply to *102#\u2026"},
        {"no-modem", "", "No modem"},
        {"modem-unavailable", "", "The modem is disabled or its SIM is locked"},
        {"not-authorised", "", "Not allowed to use the modem"},
        {"something-new", "", "something-new"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        FiguresView view = figuresView({code("*100#", kMorning, {{0, "Balance", "12.50"}})}, c.state, c.detail);
        EXPECT_EQ(view.status, c.text);
        EXPECT_EQ(view.figures.size(), 1u);
    }
    // With no codes, a state other than idle says more than "no codes".
    EXPECT_EQ(figuresView({}, "no-modem", "").status, "No modem");
}

TEST_F(FiguresModel, AtMostTwelveFiguresAreShownAndTheRestCounted)
{
    std::vector<StoredCode> codes;
    for (int c = 0; c < 5; ++c)
        codes.push_back(code("*10" + std::to_string(c) + "#", kMorning,
                             {{0, "A", "1"}, {1, "B", "2"}, {2, "C", "3"}}));
    FiguresView view = figuresView(codes, "idle", "");
    EXPECT_EQ(view.figures.size(), kMaxFigures);
    EXPECT_EQ(view.hiddenFigures, 15u - kMaxFigures);
    EXPECT_EQ(view.refreshLine, "Refreshed at: 09:05:02  \u21BB");
}

TEST_F(FiguresModel, HostileTextsAreMadeOneBoundedLineOfValidUtf8)
{
    const struct {
        std::string in;
        size_t max;
        std::string out;
    } cases[] = {
        {"Balance", 64, "Balance"},
        {"two\nlines\r\tand\x1b[31m", 64, "two lines  and [31m"},
        {"sep\u2028par\u2029end", 64, "sep par end"},
        {"bidi\u202Eevil", 64, "bidi evil"},
        {std::string("bad\xff\xfe utf8"), 64, "bad\uFFFD\uFFFD utf8"},
        {"\u0411\u0430\u043b\u0430\u043d\u0441", 3, "\u0411\u0430\u043b\u2026"},
        {std::string(10'000, 'x'), 32, std::string(32, 'x') + "\u2026"},
        {"exact", 5, "exact"},
        {std::string("nul\0byte", 8), 64, "nul\uFFFDbyte"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in.substr(0, 40));
        EXPECT_EQ(cleanText(c.in, c.max), c.out);
    }
    FiguresView view = figuresView({code("*100#", kMorning, {{0, std::string(500, 'T'), "<b>1</b>\n2"}})}, "dialling",
                                   std::string(500, '*'));
    EXPECT_EQ(view.figures[0].title, std::string(kMaxTitleChars, 'T') + "\u2026");
    // Markup is kept as text: the labels never parse it.
    EXPECT_EQ(view.figures[0].value, "<b>1</b> 2");
    EXPECT_EQ(view.status, "Dialling " + std::string(kMaxDetailChars, '*') + "\u2026\u2026");
}

TEST_F(FiguresModel, RefreshTimesAreLocalAndNeverOnesAreOffered)
{
    EXPECT_EQ(refreshLineText(0), "Refresh \u21BB");
    EXPECT_EQ(refreshLineText(-5), "Refresh \u21BB");
    setenv("TZ", "UTC-3", 1);   // three hours east
    tzset();
    EXPECT_EQ(refreshLineText(kMorning), "Refreshed at: 12:05:02  \u21BB");
}

} // namespace
} // namespace phoshplugin
