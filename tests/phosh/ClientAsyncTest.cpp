// The client library's calls that never block, which the lock-screen plugin
// makes from the shell's main loop: against quorveld on private buses, and
// against no daemon at all. What runs their `done`, and when it must not.
#include "CodesPlist.h"
#include "LinuxHostFixture.h"

#include "host/linux/client/QuorvelClient.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace linuxhost::test {
namespace {

using namespace std::chrono_literals;

class ClientAsync : public LinuxHostTest {
protected:
    void SetUp() override
    {
        LinuxHostTest::SetUp();
        // connectAsync takes the session bus from the environment: the test's own.
        const std::string address = run({"/usr/bin/printenv", "DBUS_SESSION_BUS_ADDRESS"}).out;
        ASSERT_FALSE(address.empty());
        setenv("DBUS_SESSION_BUS_ADDRESS", address.substr(0, address.find('\n')).c_str(), 1);
    }
    bool pumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s)
    {
        return waitFor([&] {
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
            return condition();
        }, limit);
    }
    std::unique_ptr<QuorvelClient> connected()
    {
        std::unique_ptr<QuorvelClient> client;
        bool done = false;
        GCancellable* cancellable = g_cancellable_new();
        QuorvelClient::connectAsync(cancellable, [&](std::unique_ptr<QuorvelClient> made, const CallError& error) {
            EXPECT_TRUE(made) << error.message;
            client = std::move(made);
            done = true;
        });
        EXPECT_FALSE(done) << "the connection is reported from the main loop, not from inside the call";
        EXPECT_TRUE(pumpUntil([&] { return done; }));
        g_object_unref(cancellable);
        return client;
    }
};

TEST_F(ClientAsync, WithoutADaemonEveryCallAnswersAtOnceThatItIsNotRunning)
{
    std::unique_ptr<QuorvelClient> client = connected();
    ASSERT_TRUE(client);
    EXPECT_FALSE(client->running());
    int answers = 0;
    client->codesAsync([&](std::optional<std::vector<StoredCode>> codes, const CallError& error) {
        EXPECT_FALSE(codes);
        EXPECT_EQ(error.name, "org.freedesktop.DBus.Error.ServiceUnknown");
        ++answers;
    });
    client->refreshAsync([&](bool taken, const CallError& error) {
        EXPECT_FALSE(taken);
        EXPECT_EQ(error.message, "quorveld is not running on this session");
        ++answers;
    });
    EXPECT_EQ(answers, 2);
}

TEST_F(ClientAsync, CodesAndRefreshAnswerOnTheMainLoopAndNeverAfterTheClientIsGone)
{
    startModemManager();
    writeCodes(codesXml({codeXml("*100#", 2, {{"Balance", 0}, {"Bonus", 1}})}));
    startDaemon();
    std::unique_ptr<QuorvelClient> client = connected();
    ASSERT_TRUE(client);
    ASSERT_TRUE(client->running());

    std::optional<std::vector<StoredCode>> codes;
    client->codesAsync([&](std::optional<std::vector<StoredCode>> read, const CallError& error) {
        EXPECT_TRUE(read) << error.name << ": " << error.message;
        codes = std::move(read);
    });
    EXPECT_FALSE(codes) << "the answer comes from the main loop";
    ASSERT_TRUE(pumpUntil([&] { return codes.has_value(); }));
    ASSERT_EQ(codes->size(), 1u);
    EXPECT_EQ((*codes)[0].code, "*100#");
    ASSERT_EQ((*codes)[0].fields.size(), 2u);
    EXPECT_EQ((*codes)[0].fields[1].title, "Bonus");

    std::optional<bool> refreshed;
    client->refreshAsync([&](bool taken, const CallError&) { refreshed = taken; });
    ASSERT_TRUE(pumpUntil([&] { return refreshed.has_value(); }));
    EXPECT_TRUE(*refreshed);
    EXPECT_TRUE(waitForLog("refresh asked for over the session bus"));

    // A client destroyed with calls out: their answers arrive (before the
    // witness's, on the same connection) and run nothing.
    bool lateAnswer = false;
    client->codesAsync([&](std::optional<std::vector<StoredCode>>, const CallError&) { lateAnswer = true; });
    client->refreshAsync([&](bool, const CallError&) { lateAnswer = true; });
    client.reset();
    std::unique_ptr<QuorvelClient> witness = connected();
    ASSERT_TRUE(witness);
    bool witnessed = false;
    witness->codesAsync([&](std::optional<std::vector<StoredCode>>, const CallError&) { witnessed = true; });
    ASSERT_TRUE(pumpUntil([&] { return witnessed; }));
    EXPECT_FALSE(lateAnswer);
}

TEST_F(ClientAsync, AConnectionCancelledBeforeItIsMadeReportsNothing)
{
    startDaemon();
    bool reported = false;
    GCancellable* cancellable = g_cancellable_new();
    QuorvelClient::connectAsync(cancellable, [&](std::unique_ptr<QuorvelClient>, const CallError&) { reported = true; });
    g_cancellable_cancel(cancellable);
    g_object_unref(cancellable);
    // A connection made after it is reported; the cancelled one never is.
    ASSERT_TRUE(connected());
    EXPECT_FALSE(reported);
}

} // namespace
} // namespace linuxhost::test
