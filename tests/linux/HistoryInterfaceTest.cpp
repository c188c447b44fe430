// The history over quorveld's interface (GetHistory, GetChanges) through the
// client library: a history written beforehand under the root is read back,
// hostile arguments get a clear error and change nothing, and a missing or
// locked history gives empty answers and a log line while GetCodes goes on.
#include "CodesPlist.h"
#include "LinuxHostFixture.h"

#include "history/HistoryDatabase.h"
#include "host/common/history/ChangeText.h"
#include "host/linux/client/QuorvelClient.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/system/Device.h"

#include <sqlite3.h>

#include <memory>

namespace linuxhost::test {
namespace {

using namespace std::chrono_literals;
using quorvel::history::HistorySample;

constexpr int64_t kMinute = 60'000'000;
constexpr int64_t kDay = 1440 * kMinute;
const std::string kInvalid = "org.quillmoor.Quorvel1.Error.InvalidArgument";

class HistoryInterface : public LinuxHostTest {
protected:
    // Rows appended as the history module would, before the daemon starts.
    void writeHistory(const std::vector<HistorySample>& rows)
    {
        platform::Device device(std::make_unique<platform::VirtualClock>(platform::Date::fromMicros(now)));
        platform::DeviceScope on(device);
        platform::setDeviceRoot(root().string());
        quorvel::history::HistoryDatabase db;
        ASSERT_EQ(db.append(rows), quorvel::history::AppendResult::written);
    }
    static HistorySample row(const std::string& value, std::optional<double> number, int64_t at, int64_t index = 0)
    {
        return HistorySample{"*100#", index, index == 0 ? "Balance" : "Bonus", value, number, platform::Date::fromMicros(at)};
    }
    void startAll()
    {
        writeCodes(codesXml({codeXml("*100#", 2, {{"Balance", 0}, {"Bonus", 1}})}));
        startModemManager();
        startDaemon();
        CallError error;
        client = QuorvelClient::connect(sessionBus(), &error);
        ASSERT_TRUE(client) << error.message;
        ASSERT_TRUE(client->running());
    }
    std::filesystem::path historyFile() const { return root() / "var/mobile/Library/Preferences/org.quillmoor.quorvel.history.db"; }
    void TearDown() override
    {
        client.reset();
        LinuxHostTest::TearDown();
    }

    const int64_t now = g_get_real_time();
    std::unique_ptr<QuorvelClient> client;
};

TEST_F(HistoryInterface, GivesTheChangeSinceThePreviousValueAndTheLastThirtyDays)
{
    writeHistory({row("14.00", 14, now - 40 * kDay), row("12.50", 12.5, now - 2 * kDay), row("300", 300, now - 2 * kDay, 1),
                  row("12.50", 12.5, now - 60 * kMinute), row("300", 300, now - 60 * kMinute, 1),
                  row("no data", std::nullopt, now - 30 * kMinute), row("11.20", 11.2, now - kMinute)});
    startAll();
    CallError error;
    auto changes = client->changes("", &error);
    ASSERT_TRUE(changes) << error.message;
    ASSERT_EQ(changes->size(), 1u); // the bonus never changed
    const FieldChange& balance = changes->at(0);
    EXPECT_EQ(balance.code, "*100#");
    EXPECT_EQ(balance.index, 0);
    EXPECT_EQ(balance.title, "Balance");
    EXPECT_EQ(balance.value, "11.20");
    EXPECT_EQ(balance.previousValue, "no data");
    EXPECT_FALSE(balance.delta);
    EXPECT_EQ(balance.previousAtMicros, now - 30 * kMinute);
    EXPECT_EQ(balance.changedAtMicros, now - kMinute);

    auto chart = client->chart("*100#", 0, &error);
    ASSERT_TRUE(chart) << error.message;
    // Thirty days: not the row of 40 days ago, nor the text that is no number.
    ASSERT_EQ(chart->size(), 3u);
    EXPECT_EQ(chart->at(0).atMicros, now - 2 * kDay);
    EXPECT_EQ(chart->at(0).value, "12.50");
    EXPECT_DOUBLE_EQ(chart->at(2).number, 11.2);
    auto all = client->history("*100#", 0, 0, &error);
    ASSERT_TRUE(all) << error.message;
    EXPECT_EQ(all->size(), 4u);
    EXPECT_TRUE(client->history("*100#", 5, 0, &error)->empty());

    // A numeric fall, as the page and the app write it.
    writeHistory({row("10.00", 10, now)});
    changes = client->changes("*100#", &error);
    ASSERT_TRUE(changes && changes->size() == 1) << error.message;
    ASSERT_TRUE(changes->at(0).delta);
    EXPECT_NEAR(*changes->at(0).delta, -1.2, 1e-9);
    const FieldChange& fall = changes->at(0);
    const std::string text = quorvel::history::changeText(
        {fall.code, fall.index, fall.title, fall.value, fall.previousValue, fall.delta,
         platform::Date::fromMicros(fall.previousAtMicros), platform::Date::fromMicros(fall.changedAtMicros)},
        platform::Date::fromMicros(now), [](platform::Date at) { return localUtcOffset(at.micros()); });
    EXPECT_EQ(text.rfind("\u22121.20 since ", 0), 0u) << text;
    EXPECT_TRUE(client->changes("*101#", &error)->empty());
}

TEST_F(HistoryInterface, HostileArgumentsAreRefusedAndChangeNothing)
{
    writeHistory({row("12.50", 12.5, now - kDay), row("11.20", 11.2, now)});
    startAll();
    const std::string before = readText(historyFile());
    struct Bad {
        std::string code;
        int index;
        int64_t since;
        const char* why;
    };
    const Bad bad[] = {
        {"", 0, 0, "an empty code"},
        {"*100#'; DROP TABLE samples;--", 0, 0, "SQL in the code"},
        {std::string(41, '1'), 0, 0, "a code of 41 characters"},
        {"*100#", -1, 0, "a negative index"},
        {"*100#", 1000, 0, "an index past the numbers a reply may have"},
        {"*100#", 0, -1, "a negative instant"},
    };
    for (const Bad& call : bad) {
        CallError error;
        EXPECT_FALSE(client->history(call.code, call.index, call.since, &error)) << call.why;
        EXPECT_EQ(error.name, kInvalid) << call.why;
        EXPECT_FALSE(error.message.empty()) << call.why;
    }
    CallError error;
    EXPECT_FALSE(client->changes("*100#\n", &error));
    EXPECT_EQ(error.name, kInvalid);
    EXPECT_EQ(readText(historyFile()), before);
    EXPECT_EQ(client->history("*100#", 0, 0, &error)->size(), 2u) << error.message;
}

TEST_F(HistoryInterface, AMissingOrLockedHistoryIsAnEmptyAnswerAndALogLineNotAFailure)
{
    startAll();
    CallError error;
    auto points = client->history("*100#", 0, 0, &error);
    ASSERT_TRUE(points) << error.message;
    EXPECT_TRUE(points->empty());
    auto changes = client->changes("", &error);
    ASSERT_TRUE(changes) << error.message;
    EXPECT_TRUE(changes->empty());
    EXPECT_TRUE(waitForLog("the history cannot be read, so clients get none: no history database at")) << log();
    // Once per reason, however often clients ask.
    client->history("*100#", 0, 0, &error);
    EXPECT_EQ(logCount("the history cannot be read"), 1u) << log();
    EXPECT_FALSE(std::filesystem::exists(historyFile()));
    EXPECT_EQ(client->codes(&error)->size(), 1u) << error.message;

    // Locked by a writer that holds it (another process's transaction).
    writeHistory({row("12.50", 12.5, now - kDay), row("11.20", 11.2, now)});
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(historyFile().c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto asked = std::chrono::steady_clock::now();
    points = client->history("*100#", 0, 0, &error);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 2s);
    ASSERT_TRUE(points) << error.message;
    EXPECT_TRUE(points->empty());
    EXPECT_TRUE(waitForLog("database is locked")) << log();
    EXPECT_EQ(client->codes(&error)->size(), 1u) << error.message;
    sqlite3_exec(holder, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    EXPECT_EQ(client->history("*100#", 0, 0, &error)->size(), 2u) << error.message;
}

} // namespace
} // namespace linuxhost::test
