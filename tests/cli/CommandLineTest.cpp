// What every command shares: usage errors, --help and --version on standard
// output, and write errors that end in exit 1 with the reason.
#include "QuorvelProcess.h"
#include "sim/cli/Commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using quorvel::test::contains;
using quorvel::test::QuorvelCall;
using quorvel::test::QuorvelRun;
using quorvel::test::runQuorvel;
using quorvel::test::TempFolder;

std::string joined(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

TEST(CommandLine, MissingOrUnknownCommandPrintsUsageAndExits2)
{
    struct Case {
        std::vector<std::string> arguments;
        const char* reason;
    } cases[] = {
        {{}, "quorvel: no command given"},
        {{"no-such-command"}, "quorvel: unknown command 'no-such-command'"},
        {{"--frobnicate"}, "quorvel: unknown option '--frobnicate'"},
        {{"help", "no-such-command"}, "quorvel: unknown command 'no-such-command'"},
        {{"parse-numbers", "extra-argument"}, "quorvel: parse-numbers: The following argument was not expected"},
        {{"run"}, "quorvel: run: FILE is required"},
        {{"run", "--root"}, "quorvel: run:"},
        {{"demo", "--quite"}, "quorvel: demo:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(joined(c.arguments));
        QuorvelRun r = runQuorvel(c.arguments);
        EXPECT_EQ(r.status, quorvel::cli::kUsageExitStatus);
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_TRUE(contains(r.err, c.reason)) << r.err;
        EXPECT_TRUE(contains(r.err, "usage: quorvel")) << r.err;
    }
}

TEST(CommandLine, HelpGoesToStandardOutputAndExits0)
{
    struct Case {
        std::vector<std::string> arguments;
        const char* shows;
    } cases[] = {
        {{"--help"}, "parse-numbers"},
        {{"-h"}, "demo"},
        {{"help"}, "run"},
        {{"help", "run"}, "Usage: quorvel run"},
        {{"run", "--help"}, "--quiet"},
        {{"run", "x.scn", "--help"}, "--root DIR"},
        {{"parse-numbers", "--help"}, "--indexed"},
        {{"demo", "--help"}, "--out DIR"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(joined(c.arguments));
        QuorvelRun r = runQuorvel(c.arguments);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(contains(r.out, c.shows)) << r.out;
        EXPECT_EQ(r.err, "");
    }
}

TEST(CommandLine, VersionIsTheProjectVersion)
{
    QuorvelRun r = runQuorvel({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "quorvel " QUORVEL_VERSION "\n");
}

TEST(CommandLine, OutputThatCannotBeWrittenExits1WithTheReason)
{
    TempFolder folder;
    const std::string passing = folder.write("pass.scn", "note \"fine\"\n").string();
    const std::string broken = folder.write("broken.scn", "advance\n").string();
    const std::string pictures = (folder.path() / "pictures").string();
    struct Case {
        std::vector<std::string> arguments;
        std::string input;
        int status;
    } cases[] = {
        {{"--version"}, "", 1},
        {{"--help"}, "", 1},
        {{"run", "--help"}, "", 1},
        {{"parse-numbers"}, "Balance 12.50", 1},
        {{"parse-numbers", "--indexed"}, "Balance 12.50", 1},
        {{"run", passing}, "", 1},
        {{"run", "--quiet", passing}, "", 1},
        // A syntax error still outranks the lost output.
        {{"run", broken, passing}, "", 2},
        {{"demo", "--out", pictures}, "", 1},
        {{"demo", "--quiet", "--out", pictures}, "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(joined(c.arguments));
        QuorvelCall full{c.arguments, c.input, "/dev/full"};
        QuorvelRun r = runQuorvel(full);
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(contains(r.err, "quorvel: cannot write standard output: No space left on device")) << r.err;

        QuorvelCall pipe{c.arguments, c.input};
        pipe.outputToClosedPipe = true;
        r = runQuorvel(pipe);
        EXPECT_EQ(r.signal, 0) << "killed by signal " << r.signal;
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(contains(r.err, "quorvel: cannot write standard output: Broken pipe")) << r.err;
    }
}

} // namespace
