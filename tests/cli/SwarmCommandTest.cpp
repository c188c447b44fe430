#include "tests/cli/QuorvelProcess.h"

#include "sim/cli/Commands.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace quorvel::test {
namespace {

TEST(SwarmCommand, BadArgumentsExit2WithTheReason)
{
    struct Case {
        std::vector<std::string> arguments;
        const char* reason;
    } cases[] = {
        {{"swarm", "--devices", "0"}, "quorvel: swarm: --devices"},
        {{"swarm", "--days", "0"}, "quorvel: swarm: --days"},
        {{"swarm", "--days", "many"}, "quorvel: swarm: --days"},
        {{"swarm", "--seed", "-3"}, "quorvel: swarm: --seed"},
        {{"swarm", "--seed"}, "quorvel: swarm: --seed"},
        {{"swarm", "--devices", "2", "--device", "2"}, "--device 2 is not a device of the run (0 to 1"},
        {{"swarm", "--frobnicate"}, "quorvel: swarm:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        QuorvelRun r = runQuorvel(c.arguments);
        EXPECT_EQ(r.status, quorvel::cli::kUsageExitStatus);
        EXPECT_TRUE(contains(r.err, c.reason)) << r.err;
        EXPECT_EQ(r.out.find("device-days per minute"), std::string::npos) << "nothing ran";
    }
}

TEST(SwarmCommand, PrintsTheSeedFirstAndASummaryLast)
{
    QuorvelRun r = runQuorvel({"swarm", "--seed", "7", "--devices", "2", "--days", "1"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out.rfind("swarm: seed 7, 2 devices, 1 device-day each\n", 0), 0u) << r.out;
    EXPECT_TRUE(contains(r.out, "swarm: 2 devices, 2 device-days, ")) << r.out;
    EXPECT_TRUE(contains(r.out, " device-days per minute, 0 failures\n")) << r.out;
}

// The output with the summary's wall time and rate, and the object addresses
// some log lines print (they change from one process to the next), taken out.
std::string withoutTimesAndAddresses(const std::string& out)
{
    std::string text = std::regex_replace(out, std::regex(", [0-9.]+ s wall, [0-9]+ device-days per minute"), "");
    return std::regex_replace(text, std::regex("0x[0-9a-f]+"), "0x");
}

// The device's log as the run with --log prints it, from its own header line
// to the next device's (or the summary).
std::string deviceLog(const std::string& out, int device)
{
    const std::string header = "swarm: device " + std::to_string(device) + "\n";
    const size_t from = out.find(header);
    if (from == std::string::npos)
        return {};
    size_t to = out.find("swarm: device ", from + header.size());
    if (to == std::string::npos)
        to = out.find("\nswarm: 3 devices", from);
    if (to == std::string::npos)
        to = out.find("\nswarm: 1 device,", from);
    return out.substr(from, to - from);
}

TEST(SwarmCommand, OneDeviceRerunAloneLivesTheSameDayAsInTheWholeRun)
{
    QuorvelRun whole = runQuorvel({"swarm", "--seed", "9", "--devices", "3", "--days", "1", "--log"});
    QuorvelRun alone = runQuorvel({"swarm", "--seed", "9", "--devices", "3", "--days", "1", "--device", "2", "--log"});
    ASSERT_EQ(whole.status, 0) << whole.err;
    ASSERT_EQ(alone.status, 0) << alone.err;
    const std::string log = withoutTimesAndAddresses(deviceLog(whole.out, 2));
    ASSERT_GT(log.size(), 10000u);
    EXPECT_EQ(log, withoutTimesAndAddresses(deviceLog(alone.out, 2)));
    EXPECT_NE(deviceLog(whole.out, 1), log);
}

TEST(SwarmCommand, PrintsTheSameWhateverTheNumberOfProcesses)
{
    for (const char* seed : {"3", "4", "12"}) {
        SCOPED_TRACE(seed);
        QuorvelRun one = runQuorvel({"swarm", "--seed", seed, "--devices", "5", "--days", "1"});
        QuorvelRun two = runQuorvel({"swarm", "--seed", seed, "--devices", "5", "--days", "1", "--jobs", "2"});
        ASSERT_EQ(one.status, 0) << one.out << one.err;
        EXPECT_EQ(two.status, one.status);
        EXPECT_TRUE(contains(two.out, "swarm: 5 devices, 5 device-days, ")) << two.out;
        EXPECT_EQ(withoutTimesAndAddresses(two.out), withoutTimesAndAddresses(one.out));
        EXPECT_EQ(two.err, "");
    }
    QuorvelRun one = runQuorvel({"swarm", "--seed", "9", "--devices", "3", "--days", "1", "--log"});
    QuorvelRun three = runQuorvel({"swarm", "--seed", "9", "--devices", "3", "--days", "1", "--log", "--jobs", "3"});
    ASSERT_GT(one.out.size(), 30000u);
    EXPECT_EQ(withoutTimesAndAddresses(three.out), withoutTimesAndAddresses(one.out)) << "every device's log, in device order";
}

TEST(SwarmCommand, RefusesJobsOutsideOneTo256)
{
    for (const char* jobs : {"0", "257", "two"}) {
        SCOPED_TRACE(jobs);
        QuorvelRun r = runQuorvel({"swarm", "--jobs", jobs});
        EXPECT_EQ(r.status, quorvel::cli::kUsageExitStatus);
        EXPECT_TRUE(contains(r.err, "quorvel: swarm: --jobs")) << r.err;
    }
}

} // namespace
} // namespace quorvel::test
