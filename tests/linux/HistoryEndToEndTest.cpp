// quorveld keeps the history: the module is installed under the root and
// loaded beside the engine, a reply from the (mock) modem lands in the history
// database, and `quorvel history` prints it.
#include "LinuxHostFixture.h"

#include <filesystem>
#include <string>

namespace linuxhost::test {
namespace {

constexpr const char* kCodes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>codes</key><array>"
    "<dict><key>ussdCode</key><string>*100#</string><key>expectedNumbers</key><integer>2</integer>"
    "<key>fields</key><array>"
    "<dict><key>title</key><string>Balance</string><key>index</key><integer>0</integer></dict>"
    "<dict><key>title</key><string>Bonus</string><key>index</key><integer>1</integer></dict>"
    "</array></dict></array></dict></plist>\n";

using HistoryEndToEnd = LinuxHostTest;

TEST_F(HistoryEndToEnd, AReplyFromTheModemLandsInTheHistoryAndIsPrinted)
{
    startModemManager();
    mock("SetUssdReply", g_variant_new("(ssss)", "*100#", "reply", "Balance 12,50 rub, bonus 300", ""));
    writeCodes(kCodes);
    startDaemon();
    EXPECT_TRUE(std::filesystem::exists(root() / "Library/MobileSubstrate/DynamicLibraries/QuorvelHistory.dylib"));
    CommandResult refresh = quorvel({"refresh"});
    ASSERT_EQ(refresh.status, 0) << refresh.err;
    ASSERT_TRUE(waitForLog("Qvl history: appended 2 values")) << log();

    CommandResult history = quorvel({"history", "--root", root().string()});
    ASSERT_EQ(history.status, 0) << history.err;
    EXPECT_NE(history.out.find("refreshed_at,code,index,title,value,number\n"), std::string::npos) << history.out;
    EXPECT_NE(history.out.find(",*100#,0,Balance,\"12,50\",12.5\n"), std::string::npos) << history.out;
    EXPECT_NE(history.out.find(",*100#,1,Bonus,300,300\n"), std::string::npos) << history.out;

    EXPECT_EQ(stopDaemon(), 0);
    EXPECT_TRUE(std::filesystem::exists(root() / "var/mobile/Library/Preferences/org.quillmoor.quorvel.history.db"));
}

} // namespace
} // namespace linuxhost::test
