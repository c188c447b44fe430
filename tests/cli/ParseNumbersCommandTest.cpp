#include "sim/cli/Commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

// Runs the built command with `input` on stdin, as a shell user would.
RunResult runQuorvel(const std::string& arguments, const std::string& input)
{
    const char* binDir = std::getenv("QUORVEL_BIN_DIR");
    fs::path bin = fs::path(binDir ? binDir : QUORVEL_BUILD_DIR "/bin") / "quorvel";
    std::string folderPattern = (fs::temp_directory_path() / "quorvel-cli-XXXXXX").string();
    fs::path folder = mkdtemp(folderPattern.data());
    std::ofstream(folder / "in", std::ios::binary) << input;

    std::string command = "'" + bin.string() + "' " + arguments + " < '" + (folder / "in").string() + "' > '" +
                          (folder / "out").string() + "' 2> '" + (folder / "err").string() + "'";
    RunResult result;
    int raw = std::system(command.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = slurp(folder / "out");
    result.err = slurp(folder / "err");
    fs::remove_all(folder);
    return result;
}

TEST(ParseNumbersCommand, PrintsTheWorkedExampleAsAJsonArray)
{
    RunResult r = runQuorvel("parse-numbers", "Balance -12,30 rub. Bonus 1 000.50 until 08.12.2026 - call *100#\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[\"-12,30\",\"1\",\"000.50\",\"08.12.2026\",\"100\"]\n");
    EXPECT_EQ(r.err, "Qvl: adding number -12,30 to array...\nQvl: adding number 1 to array...\n"
                     "Qvl: adding number 000.50 to array...\nQvl: adding number 08.12.2026 to array...\n"
                     "Qvl: adding number 100 to array...\n");
}

TEST(ParseNumbersCommand, HandlesEmptyAndNonUtf8Input)
{
    struct Case {
        const char* name;
        std::string input;
        const char* expected;
    } cases[] = {
        {"empty input", "", "[]\n"},
        {"no numbers", "- . ,", "[]\n"},
        {"invalid UTF-8 between numbers", "12\xff\xfe" "34", "[\"12\",\"34\"]\n"},
        {"empty entry from an ellipsis", "wait... 5", "[\"\",\"5\"]\n"},
        {"multi-line reply", "A: 1\nB: 2\r\n", "[\"1\",\"2\"]\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunResult r = runQuorvel("parse-numbers", c.input);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.expected);
    }
}

TEST(CommandLine, MissingOrUnknownCommandPrintsUsageAndExits2)
{
    for (const char* arguments : {"", "no-such-command", "parse-numbers extra-argument"}) {
        SCOPED_TRACE(arguments);
        RunResult r = runQuorvel(arguments, "");
        EXPECT_EQ(r.status, quorvel::cli::kUsageExitStatus);
        EXPECT_TRUE(r.out.empty());
        EXPECT_NE(r.err.find("usage: quorvel"), std::string::npos) << r.err;
    }
    RunResult help = runQuorvel("--help", "");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("parse-numbers"), std::string::npos);
}

TEST(JsonString, EscapesWhatJsonRequiresAndReplacesInvalidUtf8)
{
    struct Case {
        const char* name;
        std::string text;
        const char* expected;
    } cases[] = {
        {"plain", "-12,30", "\"-12,30\""},
        {"empty", "", "\"\""},
        {"quote and backslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
        {"control characters", "\n\t\x01", "\"\\n\\t\\u0001\""},
        {"UTF-8 kept", "\xD0\x91 \xE2\x86\xBB \xF0\x9F\x93\xB1", "\"\xD0\x91 \xE2\x86\xBB \xF0\x9F\x93\xB1\""},
        {"stray continuation byte", "a\x80z", "\"a\\ufffdz\""},
        {"truncated sequence at the end", "a\xE2\x86", "\"a\\ufffd\\ufffd\""},
        {"overlong encoding", "\xC0\xAF", "\"\\ufffd\\ufffd\""},
        {"surrogate half", "\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(quorvel::cli::jsonString(c.text), c.expected);
    }
}

} // namespace
