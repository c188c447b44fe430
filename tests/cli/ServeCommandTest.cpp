// quorvel serve's command line: what it refuses before serving anything
// (a port out of range, a port in use, a scenario that cannot be read or
// does not hold). Serving itself is tested in tests/web.
#include "QuorvelProcess.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvel::test {
namespace {

TEST(ServeCommand, APortOutOfRangeIsAUsageError)
{
    for (const char* port : {"65536", "-1", "http"}) {
        SCOPED_TRACE(port);
        const QuorvelRun r = runQuorvel({"serve", "--port", port});
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(contains(r.err, "usage: quorvel serve [--port PORT] [--scenario FILE]")) << r.err;
    }
}

TEST(ServeCommand, APortInUseEndsWithTheReason)
{
    // A listening socket of the test's own holds a loopback port.
    const int holder = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(holder, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(holder, 1), 0);
    socklen_t size = sizeof address;
    ASSERT_EQ(::getsockname(holder, reinterpret_cast<sockaddr*>(&address), &size), 0);
    const std::string port = std::to_string(ntohs(address.sin_port));
    const QuorvelRun r = runQuorvel({"serve", "--port", port});
    ::close(holder);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "quorvel: serve: cannot listen on 127.0.0.1:" + port)) << r.err;
}

TEST(ServeCommand, AScenarioThatCannotBeReadOrFailsIsReportedAndNothingIsServed)
{
    TempFolder folder;
    const QuorvelRun missing = runQuorvel({"serve", "--port", "0", "--scenario", (folder.path() / "none.scn").string()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(contains(missing.err, "none.scn: cannot be read")) << missing.err;

    const auto failing = folder.write("failing.scn", "boot\nexpect codes codes[0].ussdCode = \"*100#\"\n");
    const QuorvelRun failed = runQuorvel({"serve", "--port", "0", "--scenario", failing.string()});
    EXPECT_EQ(failed.status, 1);
    EXPECT_TRUE(contains(failed.err, "failing.scn:2: failed")) << failed.err;
    EXPECT_FALSE(contains(failed.out, "http://"));
}

} // namespace
} // namespace quorvel::test
