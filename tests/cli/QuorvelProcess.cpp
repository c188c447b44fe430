#include "QuorvelProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quorvel::test {

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

fs::path quorvelBinary()
{
    const char* binDir = std::getenv("QUORVEL_BIN_DIR");
    return fs::path(binDir ? binDir : QUORVEL_BUILD_DIR "/bin") / "quorvel";
}

} // namespace

TempFolder::TempFolder()
{
    std::string pattern = (fs::temp_directory_path() / "quorvel-cli-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

fs::path TempFolder::write(const std::string& name, const std::string& text) const
{
    fs::path file = m_path / name;
    std::ofstream(file, std::ios::binary) << text;
    return file;
}

QuorvelRun runQuorvel(const QuorvelCall& call)
{
    TempFolder streams;
    const fs::path in = streams.write("in", call.input);
    const fs::path out = streams.path() / "out";
    const fs::path err = streams.path() / "err";

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, in.c_str(), O_RDONLY, 0);
    int pipeEnds[2] = {-1, -1};
    if (call.outputToClosedPipe) {
        if (::pipe(pipeEnds) != 0)
            throw std::runtime_error("pipe failed");
        ::close(pipeEnds[0]);   // nobody will ever read
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    } else {
        const std::string target = call.outputFile.empty() ? out.string() : call.outputFile;
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!call.workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, call.workingFolder.c_str());

    // SIGPIPE as a shell leaves it, whatever this test process does with it:
    // the command itself must choose to ignore it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    const std::string program = quorvelBinary().string();
    std::vector<std::string> words{program};
    words.insert(words.end(), call.arguments.begin(), call.arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (pipeEnds[1] >= 0)
        ::close(pipeEnds[1]);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + program);

    int raw = 0;
    while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
    }
    QuorvelRun result;
    if (WIFEXITED(raw))
        result.status = WEXITSTATUS(raw);
    else if (WIFSIGNALED(raw))
        result.signal = WTERMSIG(raw);
    result.out = slurp(out);
    result.err = slurp(err);
    return result;
}

QuorvelRun runQuorvel(std::vector<std::string> arguments, std::string input)
{
    QuorvelCall call;
    call.arguments = std::move(arguments);
    call.input = std::move(input);
    return runQuorvel(call);
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace quorvel::test
