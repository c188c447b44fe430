// The figures panel's JSON: fields of the codes store with their change and
// chart points from the history, the reply text, nulls where there is none,
// and hostile texts kept as JSON strings.
#include "history/HistoryDatabase.h"
#include "host/web/FiguresJson.h"
#include "platform/foundation/PropertyList.h"
#include "platform/system/Device.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace host {
namespace {

using quorvel::history::HistorySample;

// 2026-12-08 09:00:00 UTC.
constexpr int64_t kStart = int64_t(1796720400) * 1000000;
constexpr int64_t kMinute = 60 * int64_t(1000000);
constexpr int64_t kDay = 1440 * kMinute;

class FiguresJsonTest : public ::testing::Test {
protected:
    quorvel::test::TempDeviceRoot root;
    quorvel::test::LogCapture log;
    platform::Device device{std::make_unique<platform::VirtualClock>(platform::Date::fromMicros(kStart + 60 * kMinute))};
    platform::DeviceScope current{device};

    void storeCodes(const std::string& title)
    {
        platform::Array fields{platform::Dict{{"title", title}, {"index", 0}, {"lastValue", "11.20"}},
                               platform::Dict{{"title", "Bonus"}, {"index", 1}}};
        ASSERT_TRUE(platform::writeDictionaryAtomically(
            "/var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist",
            platform::Dict{{"codes", platform::Array{platform::Dict{{"ussdCode", "*100#"}, {"fields", fields}},
                                                     platform::Dict{{"fields", platform::Array{}}}}}}));
    }
    static HistorySample row(const std::string& value, double number, int64_t at)
    {
        return HistorySample{"*100#", 0, "Balance", value, number, platform::Date::fromMicros(at)};
    }
    std::string json(const ReplyText& reply = {}) { return figuresJson(device.now(), {}, reply); }
};

TEST_F(FiguresJsonTest, GivesEachFieldItsChangeAndItsPointsOfTheLastThirtyDays)
{
    storeCodes("Balance");
    quorvel::history::HistoryDatabase db;
    ASSERT_EQ(db.append({row("13.00", 13, kStart - 31 * kDay)}), quorvel::history::AppendResult::written);
    ASSERT_EQ(db.append({row("12.50", 12.5, kStart + 5 * kMinute)}), quorvel::history::AppendResult::written);
    ASSERT_EQ(db.append({row("11.20", 11.2, kStart + 50 * kMinute)}), quorvel::history::AppendResult::written);
    const std::string out = json([](const std::string& code) { return code == "*100#" ? "Balance 11.20" : ""; });
    EXPECT_EQ(out, "{\"days\":30,\"now\":1796724000,\"problem\":null,\"codes\":[{\"code\":\"*100#\","
                   "\"reply\":\"Balance 11.20\",\"fields\":["
                   "{\"index\":0,\"title\":\"Balance\",\"value\":\"11.20\",\"change\":\"\u22121.30 since 09:05\","
                   "\"points\":[[1796720700,12.5],[1796723400,11.2]]},"
                   "{\"index\":1,\"title\":\"Bonus\",\"value\":\"\",\"change\":null,\"points\":[]}]}]}");
}

TEST_F(FiguresJsonTest, WithoutAHistoryItSaysWhyAndHostileTextsStayStrings)
{
    storeCodes("</script><b>\"x\"\n");
    const std::string out = json([](const std::string&) { return std::string("a\x1b[2J\xff"); });
    EXPECT_NE(out.find("\"problem\":\"no history database at "), std::string::npos) << out;
    EXPECT_NE(out.find("\"title\":\"</script><b>\\\"x\\\"\\n\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"reply\":\"a\\u001b[2J\\ufffd\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"change\":null,\"points\":[]"), std::string::npos) << out;
}

TEST_F(FiguresJsonTest, NoStoreIsNoCodes)
{
    EXPECT_EQ(json(), "{\"days\":30,\"now\":1796724000,\"problem\":\"no history database at " +
                          platform::hostPath("/var/mobile/Library/Preferences/org.quillmoor.quorvel.history.db") +
                          "\",\"codes\":[]}");
}

} // namespace
} // namespace host
