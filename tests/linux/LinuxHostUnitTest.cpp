// The Linux host's rules that need no bus: which strings reach the modem,
// where the carrier links point, the status-bar line, the widget's texts and
// the dates of mirrored messages.
#include "host/common/device/CarrierLinks.h"
#include "host/linux/Registration.h"
#include "host/linux/SimIdentity.h"
#include "host/linux/SmsMirror.h"
#include "host/linux/UssdString.h"
#include "host/linux/WidgetTexts.h"
#include "host/linux/client/DaemonClient.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIView.h"

#include <gtest/gtest.h>

#include <memory>

namespace linuxhost {
namespace {

TEST(UssdString, OnlyDigitsStarsHashesAndPlusAreDialable)
{
    struct Case {
        const char* text;
        bool dialable;
    };
    for (const Case& c : {Case{"*100#", true}, Case{"*102*1#", true}, Case{"+79001234567", true}, Case{"#31#", true},
                          Case{"", false}, Case{"*100# ", false}, Case{"*100#;reboot", false}, Case{"AT+CUSD", false},
                          Case{"*100#\n", false}, Case{"\xd0\x91", false}}) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(isDialableUssd(c.text), c.dialable);
    }
}

TEST(SimIdentity, KeepsOnlyAnIccidOfHexDigitsAndAnMccMncOfFiveOrSixDigits)
{
    struct Case {
        const char* iccid;
        const char* home;
        platform::CTSimCard card;
        bool problem;
    };
    const std::string longest(kLongestIccid, '8');
    const std::string tooLong(kLongestIccid + 1, '8');
    for (const Case& c : {Case{"89701010000000000001", "25001", {"89701010000000000001", "25001"}, false},
                          Case{"8944200000000000002F", "310260", {"8944200000000000002F", "310260"}, false},
                          Case{nullptr, nullptr, {"", ""}, false}, Case{"", "", {"", ""}, false},
                          Case{longest.c_str(), "", {longest, ""}, false},
                          Case{tooLong.c_str(), "25001", {"", "25001"}, true},
                          Case{"8970 1010", "25001", {"", "25001"}, true},
                          Case{"89701\n", "25001", {"", "25001"}, true},
                          Case{"\xd0\x91", "25001", {"", "25001"}, true},
                          Case{"8970", "2500", {"8970", ""}, true}, Case{"8970", "2500123", {"8970", ""}, true},
                          Case{"8970", "25O01", {"8970", ""}, true}, Case{"8970", "2500A", {"8970", ""}, true}}) {
        SCOPED_TRACE(std::string(c.iccid ? c.iccid : "(null)") + " / " + (c.home ? c.home : "(null)"));
        const SimIdentity identity = simIdentity(c.iccid, c.home);
        EXPECT_EQ(identity.card, c.card);
        EXPECT_EQ(!identity.problem.empty(), c.problem) << identity.problem;
    }
    // A flood is quoted cut short, with its length.
    const SimIdentity flood = simIdentity(std::string(10'000, 'x').c_str(), "25001");
    EXPECT_LT(flood.problem.size(), 200u) << flood.problem;
    EXPECT_NE(flood.problem.find("10000 bytes"), std::string::npos) << flood.problem;
}

TEST(Registration, TheLinksDifferOnlyWhileRoaming)
{
    struct Case {
        const char* what;
        Registration registration;
        std::string carrier;
        std::string registered;
    };
    const Case cases[] = {
        {"home", {1, "25001", "25001"}, "25001", "25001"},
        {"roaming abroad", {5, "26201", "25001"}, "25001", "26201"},
        {"roaming, no operator named", {5, "", "25001"}, "25001", "Visited-25001"},
        {"roaming on the home code", {5, "25001", "25001"}, "25001", "Visited-25001"},
        {"SIM not read yet", {1, "25099", ""}, "25099", "25099"},
        {"searching, nothing known", {2, "", ""}, "Unknown", "Unknown"},
        {"another network, not roaming", {1, "25002", "25001"}, "25001", "25001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CarrierLinkTargets targets = linkTargets(c.registration);
        EXPECT_EQ(targets.carrier, host::carrierBundlePath(c.carrier));
        EXPECT_EQ(targets.registered, host::carrierBundlePath(c.registered));
    }
}

TEST(StatusBarLine, EscapesEveryTextAndKeepsUtf8)
{
    // A carrier's reply is shown as markup by status bars: it must not open tags or entities.
    EXPECT_EQ(statusBarLine("<b>5 & 6</b>", "*100#: <span size='99999'>big</span>", "values"),
              "{\"text\":\"&lt;b&gt;5 &amp; 6&lt;/b&gt;\",\"tooltip\":\"*100#: &lt;span size=&apos;99999&apos;&gt;big&lt;/span&gt;\","
              "\"class\":\"values\"}");
    EXPECT_EQ(statusBarLine("Balance: 12.50", "Refreshed at: 09:05:02  \u21BB", "values"),
              "{\"text\":\"Balance: 12.50\",\"tooltip\":\"Refreshed at: 09:05:02  \u21BB\",\"class\":\"values\"}");
    EXPECT_EQ(statusBarLine("say \"hi\"\\\n\t\x01", "", "empty"),
              "{\"text\":\"say &quot;hi&quot;\\\\\\n\\t&#x1;\",\"tooltip\":\"\",\"class\":\"empty\"}");
    EXPECT_EQ(statusBarLine("Баланс: 45,20", "", "values"), "{\"text\":\"Баланс: 45,20\",\"tooltip\":\"\",\"class\":\"values\"}");
}

std::shared_ptr<platform::UILabel> label(int tag, const std::string& text)
{
    auto l = std::make_shared<platform::UILabel>();
    l->setTag(tag);
    l->setText(text);
    return l;
}

TEST(WidgetTexts, TitledValuesInFieldOrderAndTheRefreshLine)
{
    auto root = std::make_shared<platform::UIView>();
    EXPECT_EQ(widgetTexts(*root).text, "");
    EXPECT_EQ(widgetTexts(*root).cssClass, "empty");

    root->addSubview(label(kRefreshLineTag, "Refresh \u21BB"));
    root->addSubview(label(kTitleTagBase + 1, "Bonus"));
    root->addSubview(label(kTitleTagBase, "Balance"));
    root->addSubview(label(kValueTagBase, "12.50"));
    // Field 1 has no value yet; a value without a title (field 3) is not shown.
    root->addSubview(label(kValueTagBase + 3, "99"));
    WidgetTexts texts = widgetTexts(*root);
    EXPECT_EQ(texts.text, "Balance: 12.50 | Bonus");
    EXPECT_EQ(texts.tooltip, "Refresh \u21BB");
    EXPECT_EQ(texts.cssClass, "values");
}

TEST(SmsMirror, DatesComeFromTheModemsTimestampElseNow)
{
    const platform::Date now = platform::Date::fromMicros(int64_t(1796720400) * 1000000);
    platform::Device device(std::make_unique<platform::VirtualClock>(now));
    platform::Process process(device, "SpringBoard", "com.apple.springboard");
    SmsMirror mirror(device, process);
    const int64_t nowSince2001 = 1796720400 - 978307200;
    struct Case {
        const char* timestamp;
        int64_t expected;
    };
    for (const Case& c : {Case{"2026-12-08T12:00:00+03:00", nowSince2001}, Case{"2026-12-08T09:00:05Z", nowSince2001 + 5},
                          Case{"", nowSince2001}, Case{"yesterday", nowSince2001}, Case{"2001-01-01T00:00:00Z", 0}}) {
        SCOPED_TRACE(c.timestamp);
        EXPECT_EQ(mirror.messageDate(c.timestamp), c.expected);
    }
}

} // namespace
} // namespace linuxhost
