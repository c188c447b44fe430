// The parts of the daemon's interface that need no bus: the last replies'
// bounds, the settings read from the Settings page's own specifier list, and
// the command line's JSON of the codes.
#include "host/common/replies/LastReplies.h"
#include "host/linux/SettingsService.h"
#include "host/linux/client/DaemonClient.h"
#include "host/linux/client/QuorvelClient.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Utf8.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace linuxhost {
namespace {

class DeviceRoot : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = std::filesystem::temp_directory_path() / ("quorvel-interface-" + std::to_string(getpid()));
        std::filesystem::create_directories(m_root);
        platform::setDeviceRoot(m_root.string());
    }
    void TearDown() override { std::filesystem::remove_all(m_root); }
    std::filesystem::path m_root;
};

using LastRepliesFile = DeviceRoot;

TEST_F(LastRepliesFile, KeepsTheNewestReplyOfEachCodeWithinItsBounds)
{
    host::LastReplies replies;
    EXPECT_EQ(replies.textFor("*100#"), "");
    replies.remember("*100#", "Balance 1", platform::Date::fromSeconds(1000));
    replies.remember("*100#", "Balance 2", platform::Date::fromSeconds(1001));
    EXPECT_EQ(replies.textFor("*100#"), "Balance 2");

    // A long text is cut on a character boundary, never inside one.
    std::string cyrillic;
    while (cyrillic.size() < host::LastReplies::kMaxReplyBytes + 10)
        cyrillic += "ж";
    replies.remember("*101#", "x" + cyrillic, platform::Date::fromSeconds(1002));
    const std::string kept = replies.textFor("*101#");
    EXPECT_LE(kept.size(), host::LastReplies::kMaxReplyBytes);
    EXPECT_GE(kept.size(), host::LastReplies::kMaxReplyBytes - 1);
    EXPECT_EQ(kept.substr(kept.size() - 2), "ж");

    // Past the cap the oldest replies go first.
    for (size_t i = 0; i < host::LastReplies::kMaxCodes; ++i)
        replies.remember("*" + std::to_string(200 + i) + "#", "r", platform::Date::fromSeconds(2000.0 + static_cast<double>(i)));
    EXPECT_EQ(replies.textFor("*100#"), "");
    EXPECT_EQ(replies.textFor("*101#"), "");
    EXPECT_EQ(replies.textFor("*200#"), "r");
}

TEST_F(LastRepliesFile, KeepsValidUtf8EvenOfInvalidBytesAndAHandEditedFile)
{
    host::LastReplies replies;
    // A stray byte and a sequence cut short each become U+FFFD; a NUL too.
    replies.remember("*100#", std::string("Bal\xff 12,50\xe4\xbd", 11) + std::string(1, '\0') + "!", platform::Date::fromSeconds(1000));
    EXPECT_EQ(replies.textFor("*100#"), "Bal\uFFFD 12,50\uFFFD\uFFFD!");
    // Invalid bytes that grow past the bound on mending are cut again, on a boundary.
    replies.remember("*101#", std::string(host::LastReplies::kMaxReplyBytes, '\xff'), platform::Date::fromSeconds(1001));
    const std::string kept = replies.textFor("*101#");
    EXPECT_LE(kept.size(), host::LastReplies::kMaxReplyBytes);
    EXPECT_EQ(kept.size() % 3, 0u);
    EXPECT_TRUE(platform::utf8::isValid(kept));
}

TEST(WidgetTooltip, GetsALineForEachCodeWithAReplyInStoreOrder)
{
    std::vector<StoredCode> codes{{"*100#", "", 1, 0, "Balance 12.50", {}}, {"*101#", "", 1, 0, "", {}},
                                  {"", "", 1, 0, "stray", {}}, {"*102#", "900", 1, 0, "Minutes 300", {}}};
    EXPECT_EQ(tooltipWithReplies("Refreshed at: 09:05:02", codes),
              "Refreshed at: 09:05:02\n*100#: Balance 12.50\n*102#: Minutes 300");
    EXPECT_EQ(tooltipWithReplies("", {codes[0]}), "*100#: Balance 12.50");
    EXPECT_EQ(tooltipWithReplies("Tap to refresh", {}), "Tap to refresh");
}

TEST(SettingSpecifiers, AreTheSettingsPagesElevenStoredSettingsWithTheirKinds)
{
    platform::setDeviceRoot(std::string(QUORVEL_SOURCE_DIR) + "/settings/resources");
    const std::vector<SettingSpecifier> settings = readSettingSpecifiers("/QuorvelPrefBundle.plist");
    ASSERT_EQ(settings.size(), 11u);
    EXPECT_EQ(settings[0].key, "autoRefreshRate");
    EXPECT_EQ(settings[4].key, "codesFollowSim");
    EXPECT_EQ(settings[4].defaultValue, platform::Value(false));
    EXPECT_EQ(settings[0].values.size(), settings[0].titles.size());
    EXPECT_EQ(settings[0].defaultValue, platform::Value(0));
    for (const SettingSpecifier& s : settings) {
        SCOPED_TRACE(s.key);
        // A switch takes booleans only and says so with its default.
        if (s.values.empty())
            EXPECT_EQ(s.defaultValue.type(), platform::Value::Type::Boolean);
        else
            EXPECT_NE(std::find(s.values.begin(), s.values.end(), s.defaultValue), s.values.end());
    }
    EXPECT_TRUE(readSettingSpecifiers("/missing.plist").empty());
}

TEST(CodesJson, EscapesEveryTextAndGivesNullForANeverRefreshedCode)
{
    std::vector<StoredCode> codes{{"*100#", "", 1, 1796720700'000000LL, "say \"hi\"\n", {{0, "Bal\\ance", "1"}}},
                                  {"*102#", "900", 2, 0, "", {}}};
    EXPECT_EQ(codesJson(codes),
              "[{\"code\":\"*100#\",\"smsSender\":\"\",\"expectedNumbers\":1,\"refreshedAt\":\"2026-12-08T09:05:00Z\","
              "\"lastReply\":\"say \\\"hi\\\"\\n\",\"fields\":[{\"index\":0,\"title\":\"Bal\\\\ance\",\"value\":\"1\"}]},"
              "{\"code\":\"*102#\",\"smsSender\":\"900\",\"expectedNumbers\":2,\"refreshedAt\":null,\"lastReply\":\"\","
              "\"fields\":[]}]");
    EXPECT_EQ(codesJson({}), "[]");
}

} // namespace
} // namespace linuxhost
