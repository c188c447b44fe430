#include "sim/swarm/SwarmWorkers.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <iostream>
#include <map>
#include <optional>
#include <vector>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sim::swarm {

namespace {

// A device's text beyond this is taken for a garbled result (a whole --log
// day of one device is a few megabytes).
constexpr uint64_t kMaxResultText = uint64_t(1) << 30;

// What a worker sends after each device, before the device's text.
struct ResultHeader {
    uint64_t device;
    uint64_t events;
    uint64_t textLength;
    uint8_t failed;
    uint8_t unusable;
};

bool writeAll(int fd, const void* data, size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// False at the end of the stream or on an error, also part way through.
bool readAll(int fd, void* data, size_t size)
{
    char* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = ::read(fd, bytes, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

struct Worker {
    pid_t pid = -1;
    int commands = -1;   // the caller writes device numbers here
    int results = -1;    // and reads results from here
    std::optional<uint64_t> device;   // the device it is running
};

[[noreturn]] void serveDevices(int commands, int results, const std::function<WorkerResult(uint64_t)>& work)
{
    uint64_t device = 0;
    while (readAll(commands, &device, sizeof device)) {
        WorkerResult result;
        try {
            result = work(device);
        } catch (const std::exception& error) {
            result.failed = true;
            result.text = "FAIL device " + std::to_string(device) + ": " + error.what() + "\n";
        }
        // Zeroed whole, padding included, so no byte written is left unset.
        ResultHeader header;
        std::memset(&header, 0, sizeof header);
        header.device = device;
        header.events = result.events;
        header.textLength = result.text.size();
        header.failed = result.failed;
        header.unusable = result.unusable;
        if (!writeAll(results, &header, sizeof header) || !writeAll(results, result.text.data(), result.text.size()))
            ::_exit(1);
    }
    ::_exit(0);
}

std::optional<Worker> startWorker(const std::vector<Worker>& earlier, const std::function<WorkerResult(uint64_t)>& work)
{
    int commands[2];
    int results[2];
    if (::pipe(commands) != 0)
        return std::nullopt;
    if (::pipe(results) != 0) {
        ::close(commands[0]);
        ::close(commands[1]);
        return std::nullopt;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        for (int fd : {commands[0], commands[1], results[0], results[1]})
            ::close(fd);
        return std::nullopt;
    }
    if (pid == 0) {
        // The earlier workers' pipe ends must not stay open here, or they
        // would never see their command pipe close.
        for (const Worker& other : earlier) {
            ::close(other.commands);
            ::close(other.results);
        }
        ::close(commands[1]);
        ::close(results[0]);
        serveDevices(commands[0], results[1], work);
    }
    ::close(commands[0]);
    ::close(results[1]);
    Worker worker;
    worker.pid = pid;
    worker.commands = commands[1];
    worker.results = results[0];
    return worker;
}

std::string howItEnded(pid_t pid)
{
    int status = 0;
    pid_t waited;
    do
        waited = ::waitpid(pid, &status, 0);
    while (waited < 0 && errno == EINTR);
    if (waited != pid)
        return "ended";
    if (WIFSIGNALED(status))
        return "was killed by signal " + std::to_string(WTERMSIG(status)) + " (" + ::strsignal(WTERMSIG(status)) + ")";
    return "exited with status " + std::to_string(WEXITSTATUS(status));
}

WorkerResult lostDevice(uint64_t device, const std::string& why)
{
    WorkerResult result;
    result.failed = true;
    result.unusable = true;
    result.text = "FAIL device " + std::to_string(device) + ": " + why + "\n";
    return result;
}

class WorkerPool {
public:
    WorkerPool(uint64_t first, uint64_t last, uint64_t ahead, const std::function<void(uint64_t, const WorkerResult&)>& take)
        : m_nextToHand(first), m_nextToTake(first), m_last(last), m_ahead(ahead), m_take(take)
    {
    }

    void run(std::vector<Worker>& workers)
    {
        for (Worker& worker : workers)
            handNext(worker);
        while (m_nextToTake < m_last) {
            std::vector<pollfd> polled;
            std::vector<Worker*> busy;
            for (Worker& worker : workers) {
                if (worker.pid > 0 && worker.device) {
                    polled.push_back({worker.results, POLLIN, 0});
                    busy.push_back(&worker);
                }
            }
            if (busy.empty()) {
                // Every worker is gone: what is left cannot run.
                while (m_nextToHand < m_last) {
                    m_ready[m_nextToHand] = lostDevice(m_nextToHand, "no worker process left to run it");
                    ++m_nextToHand;
                }
                takeReady();
                continue;
            }
            if (::poll(polled.data(), polled.size(), -1) < 0) {
                if (errno == EINTR)
                    continue;
                // Nothing sensible is left but to wait on each in turn.
                for (pollfd& entry : polled)
                    entry.revents = POLLIN;
            }
            for (size_t i = 0; i < polled.size(); ++i) {
                if (polled[i].revents != 0)
                    receive(*busy[i]);
            }
            takeReady();
            for (Worker& worker : workers)
                handNext(worker);
        }
    }

private:
    void handNext(Worker& worker)
    {
        if (worker.pid <= 0 || worker.device || m_nextToHand >= m_last || m_nextToHand >= m_nextToTake + m_ahead)
            return;
        const uint64_t device = m_nextToHand;
        if (!writeAll(worker.commands, &device, sizeof device)) {
            // It died idle; its end is read as a lost device below.
            worker.device = device;
            ++m_nextToHand;
            return;
        }
        worker.device = device;
        ++m_nextToHand;
    }

    void receive(Worker& worker)
    {
        const uint64_t device = *worker.device;
        ResultHeader header{};
        WorkerResult result;
        bool whole = readAll(worker.results, &header, sizeof header) && header.device == device &&
                     header.textLength <= kMaxResultText;
        if (whole) {
            result.text.resize(header.textLength);
            whole = readAll(worker.results, result.text.data(), result.text.size());
        }
        worker.device.reset();
        if (!whole) {
            ::close(worker.commands);
            ::close(worker.results);
            const std::string ended = howItEnded(worker.pid);
            worker.pid = -1;
            m_ready[device] = lostDevice(device, "its worker process " + ended + " while it ran");
            return;
        }
        result.events = header.events;
        result.failed = header.failed != 0;
        result.unusable = header.unusable != 0;
        m_ready[device] = std::move(result);
    }

    void takeReady()
    {
        for (auto found = m_ready.find(m_nextToTake); found != m_ready.end(); found = m_ready.find(m_nextToTake)) {
            m_take(m_nextToTake, found->second);
            m_ready.erase(found);
            ++m_nextToTake;
        }
    }

    uint64_t m_nextToHand;
    uint64_t m_nextToTake;
    const uint64_t m_last;
    const uint64_t m_ahead;
    const std::function<void(uint64_t, const WorkerResult&)>& m_take;
    std::map<uint64_t, WorkerResult> m_ready;
};

} // namespace

void runOnWorkers(unsigned jobs, uint64_t first, uint64_t last, const std::function<WorkerResult(uint64_t)>& work,
                  const std::function<void(uint64_t, const WorkerResult&)>& take)
{
    if (first >= last)
        return;
    const uint64_t wanted = std::min<uint64_t>(jobs == 0 ? 1 : jobs, last - first);
    std::vector<Worker> workers;
    // A write to a pipe whose other end is gone (a worker that died, a
    // caller that did) must fail and be reported, not kill the writer.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous {};
    if (wanted > 1) {
        ::sigaction(SIGPIPE, &ignore, &previous);
        for (uint64_t i = 0; i < wanted; ++i) {
            std::optional<Worker> worker = startWorker(workers, work);
            if (!worker) {
                std::cerr << "quorvel: swarm: cannot start worker process " << i + 1 << " (" << std::strerror(errno)
                          << "); running on " << workers.size() << "\n";
                break;
            }
            workers.push_back(*worker);
        }
    }
    if (workers.empty()) {
        if (wanted > 1)
            ::sigaction(SIGPIPE, &previous, nullptr);
        // One process: run here, nothing to fork.
        for (uint64_t device = first; device < last; ++device)
            take(device, work(device));
        return;
    }
    WorkerPool pool(first, last, kResultsAheadPerWorker * workers.size(), take);
    pool.run(workers);
    for (Worker& worker : workers) {
        if (worker.pid <= 0)
            continue;
        ::close(worker.commands);
        ::close(worker.results);
        howItEnded(worker.pid);
    }
    ::sigaction(SIGPIPE, &previous, nullptr);
}

} // namespace sim::swarm
