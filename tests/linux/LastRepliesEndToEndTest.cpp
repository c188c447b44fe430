// Each code's last reply as quorveld keeps it, end to end: an engine refresh
// of two codes leaves each reply under its own code. (The engine dials the
// next code while it handles a reply, so a reply heard after that dial was
// once kept under the next code.)
#include "CodesPlist.h"
#include "LinuxHostFixture.h"

#include "host/linux/client/QuorvelClient.h"

namespace linuxhost::test {
namespace {

using LastRepliesEndToEnd = LinuxHostTest;

TEST_F(LastRepliesEndToEnd, ARefreshOfTwoCodesKeepsEachReplyUnderItsOwnCode)
{
    startModemManager();
    mock("SetUssdReply", g_variant_new("(ssss)", "*100#", "reply", "Balance 12.50 rub", ""));
    mock("SetUssdReply", g_variant_new("(ssss)", "*101#", "reply", "Minutes 300", ""));
    writeCodes(codesXml({codeXml("*100#", 1, {{"Balance", 0}}), codeXml("*101#", 1, {{"Minutes", 0}})}));
    startDaemon();
    CallError error;
    auto client = QuorvelClient::connect(sessionBus(), &error);
    ASSERT_TRUE(client) << error.message;
    ASSERT_TRUE(refreshTaken());
    auto replyOf = [&](size_t index) {
        auto codes = client->codes(&error);
        return codes && codes->size() > index ? codes->at(index).lastReply : std::string();
    };
    ASSERT_TRUE(waitFor([&] { return !replyOf(1).empty(); })) << log();
    EXPECT_EQ(replyOf(0), "Balance 12.50 rub");
    EXPECT_EQ(replyOf(1), "Minutes 300");

    // `quorvel widget` gives them under its tooltip.
    CommandResult widget = quorvel({"widget"});
    ASSERT_EQ(widget.status, 0) << widget.err;
    EXPECT_NE(widget.out.find("\\n*100#: Balance 12.50 rub\\n*101#: Minutes 300\",\"class\""), std::string::npos)
        << widget.out;
}

} // namespace
} // namespace linuxhost::test
