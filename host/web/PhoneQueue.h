// Hands work from the web server's threads to the phone's one thread: a
// server thread calls run() and waits; the phone's loop calls runPending()
// between its own steps. After close() nothing more runs: callers waiting
// and later ones get false at once, so shutting down never waits on a
// request.
//
//   PhoneQueue queue;
//   WebServer server(phone, queue.runner(), options);
//   while (!stopping) { queue.runPending(20ms); advanceClock(); }
//   queue.close();  server.stop();
//
// Thread-safe. `setWakeup` lets a loop that waits elsewhere (GLib's) hear
// of new work; the hook is called on the server's thread.
#pragma once

#include "host/web/PhoneBackend.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace host {

class PhoneQueue {
public:
    bool run(const std::function<void()>& work);
    // Runs what is queued; waits up to `wait` for the first piece when none is.
    void runPending(std::chrono::milliseconds wait = std::chrono::milliseconds(0));
    void close();
    PhoneThread runner() { return [this](const std::function<void()>& work) { return run(work); }; }
    void setWakeup(std::function<void()> wakeup);

private:
    struct Item {
        const std::function<void()>* work;
        bool done = false;
        bool ran = false;
    };
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::condition_variable m_finished;
    std::deque<Item*> m_items;
    std::function<void()> m_wakeup;
    bool m_closed = false;
};

} // namespace host
