#include "platform/foundation/Log.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using platform::Date;
using platform::LogArg;
using platform::Value;

TEST(LogFormat, FormatsEachSupportedConversion)
{
    struct Case {
        const char* format;
        std::vector<LogArg> args;
        const char* expected;
    } cases[] = {
        {"Qvl: USSD string is %@", {"Balance 5"}, "Qvl: USSD string is Balance 5"},
        {"Qvl: moving to the next code, %u of %u", {1u, 3u}, "Qvl: moving to the next code, 1 of 3"},
        {"%d", {-5}, "-5"},
        {"%i", {42}, "42"},
        {"%ld", {-5000000000L}, "-5000000000"},
        {"%lld", {1234567890123LL}, "1234567890123"},
        {"%llu", {18446744073709551615ULL}, "18446744073709551615"},
        {"%u", {-1}, "4294967295"},
        {"%s and %s", {"one", std::string("two")}, "one and two"},
        {"%f", {1.5}, "1.500000"},
        {"%0.1f", {2.25f}, "2.2"},
        {"%.2f", {10.0}, "10.00"},
        {"%.0f", {2.5}, "2"},
        {"%05.1f", {-1.5}, "-01.5"},
        {"%5d|%-5d|%05d", {42, 42, -42}, "   42|42   |-0042"},
        {"%x %X", {255, 255}, "ff FF"},
        {"100%%", {}, "100%"},
        {"%@ %@", {"Qvl: timer tick, should not autorefresh codes yet", "..."},
         "Qvl: timer tick, should not autorefresh codes yet ..."},
        {"%@", {Value(12.5)}, "12.5"},
        {"%@", {Value(7)}, "7"},
        {"%@", {Value()}, "(null)"},
        {"%@", {nullptr}, "(null)"},
        {"%@", {std::optional<Date>()}, "(null)"},
        {"%@", {Date::fromMicros(0)}, "1970-01-01 00:00:00 +0000"},
        {"%@", {3}, "3"},
        {"%d", {2.9}, "2"},
        {"%f", {3}, "3.000000"},
        {"text only", {}, "text only"},
        {"", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(platform::formatLog(c.format, c.args), c.expected);
    }
}

TEST(LogFormat, BadConversionsPrintThemselvesInsteadOfReadingGarbage)
{
    struct Case {
        const char* name;
        const char* format;
        std::vector<LogArg> args;
        const char* expected;
    } cases[] = {
        {"missing argument", "a %d b %@", {1}, "a 1 b %@"},
        {"no arguments", "%s %u", {}, "%s %u"},
        {"unknown conversion", "%k %d", {5}, "%k 5"},
        {"text for an integer", "%d", {"five"}, "%d"},
        {"text for a real", "%0.1f", {"five"}, "%0.1f"},
        {"number for %s", "%s", {5}, "%s"},
        {"dangling percent", "50%", {}, "50%"},
        {"extra arguments ignored", "%d", {1, 2}, "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::formatLog(c.format, c.args), c.expected);
    }
}

TEST(LogFormat, RealsUseAFullStopWhateverTheLocale)
{
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // a no-op where the locale is not installed
    EXPECT_EQ(platform::formatLog("%0.1f %f %@", {2.5, 0.5, Value(0.25)}), "2.5 0.500000 0.25");
    std::setlocale(LC_NUMERIC, previous.c_str());
}

TEST(Log, QLogSendsTheFormattedLineToTheSink)
{
    quorvel::test::LogCapture log;
    QLog("Qvl: expected %u fields for code %@, but parsed %u fields!", 3u, std::string("*100#"), 2u);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0], "Qvl: expected 3 fields for code *100#, but parsed 2 fields!");
}

TEST(Log, SystemLogCopyIsOptInAndTheSinkHearsEveryLine)
{
    // A recorder stands in for syslog(3): nothing here reaches the machine's journal.
    std::vector<std::string> systemLog;
    platform::setSystemLogWriter([&systemLog](const std::string& line) { systemLog.push_back(line); });
    quorvel::test::LogCapture log;

    QLog("Qvl: device only");
    platform::setLogToSystemLog(true);
    QLog("Qvl: also in the system log %d", 1);
    platform::setLogToSystemLog(false);
    QLog("Qvl: device only again");
    platform::setSystemLogWriter(nullptr);

    EXPECT_EQ(systemLog, std::vector<std::string>{"Qvl: also in the system log 1"});
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"Qvl: device only", "Qvl: also in the system log 1",
                                                     "Qvl: device only again"}));
}

TEST(Log, StandardErrorCopyIsOptIn)
{
    // Redirect stderr into a pipe for the duration of the test.
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    fflush(stderr);
    int savedStderr = dup(STDERR_FILENO);
    dup2(pipeFds[1], STDERR_FILENO);
    close(pipeFds[1]);

    QLog("Qvl: not copied");
    platform::setLogToStandardError(true);
    QLog("Qvl: copied %d", 1);
    platform::setLogToStandardError(false);
    QLog("Qvl: not copied either");

    fflush(stderr);
    dup2(savedStderr, STDERR_FILENO);
    close(savedStderr);
    std::string captured;
    char buffer[256];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        captured.append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
    EXPECT_EQ(captured, "Qvl: copied 1\n");
}

} // namespace
