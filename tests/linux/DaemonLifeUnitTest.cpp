// The daemon's own rules without a bus: how its log escapes outside text,
// the refresh gate in virtual time, the test-only sleep variable, and the
// scheduler's source on GLib's loop.
#include "host/linux/DaemonClock.h"
#include "host/linux/DaemonLog.h"
#include "host/linux/RefreshGate.h"
#include "host/linux/SchedulerSource.h"
#include "platform/foundation/Log.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"

#include <gtest/gtest.h>
#include <glib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

namespace linuxhost {
namespace {

TEST(EscapedLogLine, OrdinaryTextPassesAndEveryLineBreakOrEscapeIsWrittenOut)
{
    struct Case {
        const char* what;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"plain", "Qvl: moving to the next code, 1 of 2", "Qvl: moving to the next code, 1 of 2"},
        {"Cyrillic and symbols", "Баланс 45,20 р. ↻ \\n stays", "Баланс 45,20 р. ↻ \\n stays"},
        {"CR LF", "a\r\n13:00:00.000 quorveld: FORGED", "a\\r\\n13:00:00.000 quorveld: FORGED"},
        {"tab, ESC, NUL, DEL", std::string("\t\x1b[2J\0\x7f", 7), "\\t\\x1b[2J\\x00\\x7f"},
        {"C1 controls", "NEL\xc2\x85 CSI\xc2\x9b", "NEL\\u0085 CSI\\u009b"},
        {"line and paragraph separators", "a\xe2\x80\xa8" "b\xe2\x80\xa9", "a\\u2028b\\u2029"},
        {"not UTF-8", "a\xff\xe4\xbd", "a\\xff\\xe4\\xbd"},
        {"U+00A0 is text", "1\xc2\xa0" "000", "1\xc2\xa0" "000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(escapedLogLine(c.in), c.out);
    }
}

TEST(DaemonLogFile, IsCreatedForItsOwnerAndGetsOneLinePerWrite)
{
    const auto folder = std::filesystem::temp_directory_path() / ("quorvel-log-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const auto file = folder / "q.log";
    std::string heard;
    {
        DaemonLog log;
        ASSERT_TRUE(log.openFile(file.string()));
        log.setListener([&](std::string line) { heard = line; });
        platform::writeLogLine("quorveld: USSD reply: \"x\nFORGED\"");
    }
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    std::ifstream in(file);
    std::stringstream read;
    read << in.rdbuf();
    const std::string text = read.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(text.find("quorveld: USSD reply: \"x\\nFORGED\""), std::string::npos);
    EXPECT_NE(heard.find("\"x\\nFORGED\""), std::string::npos);
    std::filesystem::remove_all(folder);
}

platform::Date at(double seconds)
{
    return platform::Date::fromMicros(int64_t(1796720400) * 1000000 + static_cast<int64_t>(seconds * 1e6));
}

TEST(RefreshGate, CoalescesWhileADialAwaitsItsAnswerAndForAFewSecondsAfter)
{
    RefreshGate gate;
    EXPECT_FALSE(gate.coalesceReason(at(0)));
    gate.passedOn(at(0));
    gate.dialled(at(0));
    ASSERT_TRUE(gate.coalesceReason(at(0.1)));
    EXPECT_NE(gate.coalesceReason(at(0.1))->find("in flight"), std::string::npos);
    // Answered quickly: still held for the rest of the quiet period.
    gate.answered(at(0.5));
    ASSERT_TRUE(gate.coalesceReason(at(4.9)));
    EXPECT_NE(gate.coalesceReason(at(4.9))->find("went out 4.9 s ago"), std::string::npos);
    EXPECT_FALSE(gate.coalesceReason(at(5.0)));
    // A second code of the same cycle, dialled right after the first answer.
    gate.dialled(at(5.1));
    EXPECT_TRUE(gate.coalesceReason(at(20)));
    // No answer ever: the wait is bounded.
    EXPECT_TRUE(gate.coalesceReason(at(35.0)));
    EXPECT_FALSE(gate.coalesceReason(at(35.1)));
}

TEST(RefreshGate, ARequestThatDialledNothingHoldsNothingBack)
{
    RefreshGate gate;
    gate.passedOn(at(0)); // roaming refused it, or there are no codes
    EXPECT_FALSE(gate.coalesceReason(at(0.1)));
}

TEST(RefreshGate, AClockSetBackEndsTheWaits)
{
    RefreshGate gate;
    gate.passedOn(at(100));
    gate.dialled(at(100));
    EXPECT_TRUE(gate.coalesceReason(at(101)));
    EXPECT_FALSE(gate.coalesceReason(at(-3600)));
}

TEST(TestSleepSeconds, OnlyAPlainNumberOfSecondsIsTaken)
{
    std::string problem;
    EXPECT_EQ(testSleepSeconds(nullptr, &problem), 0.0);
    EXPECT_EQ(testSleepSeconds("", &problem), 0.0);
    EXPECT_EQ(testSleepSeconds("3600", &problem), 3600.0);
    EXPECT_EQ(testSleepSeconds("0.5", &problem), 0.5);
    for (const char* bad : {"1h", "-5", "nan", "inf", "1e300", "12 "}) {
        SCOPED_TRACE(bad);
        problem.clear();
        EXPECT_FALSE(testSleepSeconds(bad, &problem));
        EXPECT_NE(problem.find(bad), std::string::npos);
    }
}

// Iterates the default context until `done` or a deadline of real time.
bool iterateUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        // A short timeout of our own, so a loop with nothing to do still returns.
        bool fired = false;
        guint guard = g_timeout_add(50, [](gpointer flag) {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        }, &fired);
        g_main_context_iteration(nullptr, TRUE);
        if (!fired)
            g_source_remove(guard);
    }
    return true;
}

TEST(SchedulerSource, WakesForDueWorkAndRunsWhatASleepMadeDueAtOnce)
{
    auto owned = std::make_unique<DaemonClock>(3600.0);
    DaemonClock& clock = *owned;
    platform::Device device(std::move(owned));
    platform::DeviceScope on(device);
    platform::Process process(device, "SpringBoard", "com.apple.springboard");
    SchedulerSource scheduler(device);
    EXPECT_TRUE(scheduler.countsTimeSlept());

    int soon = 0;
    int inAnHour = 0;
    process.mainRunLoop().performAfter(platform::Seconds(0.05), [&] { ++soon; });
    process.mainRunLoop().performAfter(platform::Seconds(3000), [&] { ++inAnHour; });
    EXPECT_TRUE(iterateUntil([&] { return soon == 1; }, std::chrono::seconds(5)));
    EXPECT_EQ(inAnHour, 0);
    // The resume moves the clock an hour on: what fell due runs at once, once.
    clock.slept();
    scheduler.runDue();
    EXPECT_EQ(inAnHour, 1);
    EXPECT_FALSE(device.nextDueDate());
}

} // namespace
} // namespace linuxhost
