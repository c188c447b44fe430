// Runs the built `quorvel` command as a user runs it from a shell: arguments,
// text on standard input, and what it wrote to standard output and standard
// error, with its exit status. Standard output can instead go to a file (such
// as /dev/full) or to a pipe nobody reads.
//
//   TempFolder folder;
//   QuorvelRun r = runQuorvel({"run", "x.scn"});
//   EXPECT_EQ(r.status, 0);
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quorvel::test {

// A new folder under the system's temporary folder, removed with all it holds.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // Writes `text` to NAME in the folder and returns its path.
    std::filesystem::path write(const std::string& name, const std::string& text) const;

private:
    std::filesystem::path m_path;
};

struct QuorvelCall {
    std::vector<std::string> arguments;
    std::string input;
    // Standard output goes to this file instead of being captured.
    std::string outputFile;
    // Standard output is a pipe whose reading end is already closed.
    bool outputToClosedPipe = false;
    // The folder the command runs in; empty for the test's own.
    std::filesystem::path workingFolder;
};

struct QuorvelRun {
    int status = -1;        // exit status; -1 when a signal ended the command
    int signal = 0;         // the signal that ended it, if one did
    std::string out;
    std::string err;
};

QuorvelRun runQuorvel(const QuorvelCall& call);
QuorvelRun runQuorvel(std::vector<std::string> arguments, std::string input = "");

bool contains(const std::string& text, const std::string& part);

} // namespace quorvel::test
