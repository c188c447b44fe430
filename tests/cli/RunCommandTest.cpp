// quorvel run: what counts as a scenario, exit statuses over several files,
// the summary line, standard input, --quiet and --root, log stamps past
// midnight, and files named beside a scenario.
#include "QuorvelProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using quorvel::test::contains;
using quorvel::test::QuorvelRun;
using quorvel::test::runQuorvel;
using quorvel::test::TempFolder;

constexpr const char* kPassing = "code \"*100#\" expect=1\nexpect codes codes[0].ussdCode = \"*100#\"\n";
constexpr const char* kFailing = "note \"before\"\nexpect dials 1\n";
constexpr const char* kSyntaxError = "boot\nadvance 5 minutes\n";

TEST(RunCommand, RefusesWhatIsNoScenarioWithExit2AndTheReason)
{
    TempFolder folder;
    struct Case {
        const char* name;
        std::string path;
        std::string reason;
    } cases[] = {
        {"a folder", folder.path().string(), "quorvel: " + folder.path().string() + ": Is a directory"},
        {"a missing file", (folder.path() / "nothere.scn").string(), "nothere.scn: No such file or directory"},
        {"/dev/null", "/dev/null", "quorvel: /dev/null: no statements"},
        {"an empty file", folder.write("empty.scn", "").string(), "empty.scn: no statements"},
        {"only comments and blanks", folder.write("comments.scn", "# soon\n\n   \n").string(),
         "comments.scn: no statements"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QuorvelRun r = runQuorvel({"run", c.path});
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(contains(r.err, c.reason)) << r.err;
        EXPECT_EQ(r.out, "0 passed, 1 failed\n");
    }
}

TEST(RunCommand, RunsEveryFileAndExitsWithTheWorstOutcome)
{
    TempFolder folder;
    const std::string pass = folder.write("pass.scn", kPassing).string();
    const std::string pass2 = folder.write("pass2.scn", kPassing).string();
    const std::string fail = folder.write("fail.scn", kFailing).string();
    const std::string syntax = folder.write("syntax.scn", kSyntaxError).string();
    const std::string missing = (folder.path() / "missing.scn").string();
    struct Case {
        const char* name;
        std::vector<std::string> files;
        int status;
        const char* summary;
    } cases[] = {
        {"one passing", {pass}, 0, "1 passed, 0 failed\n"},
        {"all passing", {pass, pass2}, 0, "2 passed, 0 failed\n"},
        {"one failing among passing", {pass, fail, pass2}, 1, "2 passed, 1 failed\n"},
        {"a syntax error outranks a failure", {fail, syntax, pass}, 2, "1 passed, 2 failed\n"},
        {"an unreadable file outranks a failure", {missing, fail}, 2, "0 passed, 2 failed\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> arguments{"run"};
        arguments.insert(arguments.end(), c.files.begin(), c.files.end());
        QuorvelRun r = runQuorvel(arguments);
        EXPECT_EQ(r.status, c.status) << r.err;
        ASSERT_GE(r.out.size(), std::string(c.summary).size());
        EXPECT_EQ(r.out.substr(r.out.size() - std::string(c.summary).size()), c.summary) << r.out;
    }
    // Files after a broken one still run.
    QuorvelRun r = runQuorvel({"run", syntax, pass});
    EXPECT_TRUE(contains(r.err, "syntax.scn:2:9: syntax error")) << r.err;
    EXPECT_TRUE(contains(r.out, "pass.scn: 2 statements, 1 expectation held")) << r.out;
}

TEST(RunCommand, ReadsTheScenarioFromStandardInputForADash)
{
    QuorvelRun r = runQuorvel({"run", "-"}, kPassing);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "sim: <stdin>: 2 statements, 1 expectation held\n1 passed, 0 failed\n")) << r.out;

    r = runQuorvel({"run", "-"}, kSyntaxError);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(r.err, "<stdin>:2:9: syntax error")) << r.err;
}

TEST(RunCommand, QuietPrintsOnlyFailuresAndTheSummary)
{
    TempFolder folder;
    const std::string pass = folder.write("pass.scn", kPassing).string();
    const std::string fail = folder.write("fail.scn", kFailing).string();
    for (const char* quiet : {"--quiet", "-q"}) {
        SCOPED_TRACE(quiet);
        QuorvelRun r = runQuorvel({"run", quiet, pass, fail});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "1 passed, 1 failed\n");
        EXPECT_TRUE(contains(r.err, "fail.scn:2: failed: expect dials 1\n  found: 0 dials")) << r.err;
        EXPECT_FALSE(contains(r.err, "pass.scn")) << r.err;
    }
}

TEST(RunCommand, KeepsTheDeviceInTheRootGivenEitherWay)
{
    TempFolder folder;
    const std::string pass = folder.write("pass.scn", kPassing).string();
    const fs::path store = "var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist";
    const fs::path spaced = folder.path() / "spaced";
    const fs::path glued = folder.path() / "glued";

    QuorvelRun r = runQuorvel({"run", "--root", spaced.string(), pass});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(spaced / store));

    r = runQuorvel({"run", "--root=" + glued.string(), pass});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(glued / store));

    // One root cannot hold two fresh devices.
    r = runQuorvel({"run", "--root", (folder.path() / "two").string(), pass, pass});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(r.err, "--root keeps one device")) << r.err;
    EXPECT_FALSE(fs::exists(folder.path() / "two"));
}

TEST(RunCommand, StampsLinesWithTheDateOncePastMidnight)
{
    QuorvelRun r = runQuorvel({"run", "-"}, "boot\nnote \"morning\"\nadvance 15h\nnote \"midnight\"\nadvance 1500ms\nnote \"later\"\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "\n09:00:00.000 sim: morning\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "\n2026-12-09 00:00:00.000 sim: midnight\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "\n2026-12-09 00:00:01.500 sim: later\n")) << r.out;
}

TEST(RunCommand, FindsTheFilesAScenarioNamesBesideIt)
{
    TempFolder folder;
    fs::create_directories(folder.path() / "scenarios" / "stores");
    folder.write("scenarios/stores/raw.bin", std::string("a\0b", 3));
    const std::string script = folder.write("scenarios/raw.scn",
                                            "file \"/var/mobile/raw.bin\" from \"stores/raw.bin\"\n"
                                            "file \"/var/mobile/raw.bin\" truncate 2\n")
                                   .string();
    const fs::path root = folder.path() / "device";
    QuorvelRun r = runQuorvel({"run", "--root", root.string(), script});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "the bytes of stores/raw.bin written, 3 bytes")) << r.out;
    EXPECT_EQ(fs::file_size(root / "var/mobile/raw.bin"), 2u);

    // Read from standard input, the scenario has no folder: names are taken from the current one.
    r = runQuorvel({"run", "-"}, "file \"/var/mobile/raw.bin\" from \"no-such-file.bin\"\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "cannot read no-such-file.bin: No such file or directory")) << r.err;
}

} // namespace
