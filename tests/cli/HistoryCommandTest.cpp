// quorvel history: a device kept with `quorvel run --root`, printed as CSV and
// JSON, filtered, and the ways it can fail.
#include "QuorvelProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;

// Two codes refreshed twice, the second time a minute later.
constexpr const char* kTwoRefreshes = R"(code "*100#" expect=1 field=0:"Balance"
code "*105#" expect=1 field=0:"Min, left"
carrier "*100#" reply "Balance 12,30" after 2s
carrier "*105#" reply "Left: 250 min" after 1s
boot
refresh
advance 10s
carrier "*100#" reply "Balance 11.80" after 2s
advance 50s
refresh
advance 10s
)";

class HistoryCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = folder.path() / "device";
        QuorvelRun r = runQuorvel({"run", "--root", root.string(), folder.write("two.scn", kTwoRefreshes).string()});
        ASSERT_EQ(r.status, 0) << r.out << r.err;
    }
    TempFolder folder;
    fs::path root;
};

TEST_F(HistoryCommand, PrintsCsvInTimeOrderWithAHeader)
{
    QuorvelRun r = runQuorvel({"history", "--root", root.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "refreshed_at,code,index,title,value,number\n"
                     "2026-12-08T09:00:02Z,*100#,0,Balance,\"12,30\",12.3\n"
                     "2026-12-08T09:00:03Z,*105#,0,\"Min, left\",250,250\n"
                     "2026-12-08T09:01:02Z,*100#,0,Balance,11.80,11.8\n"
                     "2026-12-08T09:01:03Z,*105#,0,\"Min, left\",250,250\n");
}

TEST_F(HistoryCommand, FiltersByCodeAndDateAndPrintsJson)
{
    QuorvelRun r = runQuorvel({"history", "--root", root.string() + "/", "--code", "*100#", "--since",
                               "2026-12-08T10:01:00+01:00", "--format", "json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "[\n{\"refreshedAt\":\"2026-12-08T09:01:02Z\",\"code\":\"*100#\",\"index\":0,\"title\":\"Balance\","
                     "\"value\":\"11.80\",\"number\":11.8}\n]\n");
    r = runQuorvel({"history", "--root", root.string(), "--code", "*999#", "--format", "json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[]\n");
}

TEST_F(HistoryCommand, RefusesBadDatesAndSaysWhyItCannotRead)
{
    QuorvelRun r = runQuorvel({"history", "--root", root.string(), "--since", "yesterday"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(r.err, "--since takes an ISO 8601 date")) << r.err;
    r = runQuorvel({"history", "--root", root.string(), "--format", "xml"});
    EXPECT_EQ(r.status, 2);

    r = runQuorvel({"history", "--root", (folder.path() / "nowhere").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "quorvel: history: no history database at ")) << r.err;
    EXPECT_FALSE(fs::exists(folder.path() / "nowhere"));

    std::ofstream(root / "var/mobile/Library/Preferences/org.quillmoor.quorvel.history.db", std::ios::trunc)
        << std::string(4096, 'x');
    r = runQuorvel({"history", "--root", root.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "quorvel: history: ")) << r.err;
}

TEST_F(HistoryCommand, ReadsTheDaemonsRootWithoutOne)
{
    const char* before = std::getenv("XDG_STATE_HOME");
    const std::string kept = before ? before : "";
    fs::create_directories(folder.path() / "state");
    fs::rename(root, folder.path() / "state/quorvel");
    setenv("XDG_STATE_HOME", (folder.path() / "state").c_str(), 1);
    QuorvelRun r = runQuorvel({"history", "--code", "*105#"});
    if (before)
        setenv("XDG_STATE_HOME", kept.c_str(), 1);
    else
        unsetenv("XDG_STATE_HOME");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "2026-12-08T09:01:03Z,*105#,0,\"Min, left\",250,250\n")) << r.out;
}

} // namespace
} // namespace quorvel::test
