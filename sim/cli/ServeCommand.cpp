// quorvel serve [--port P] [--scenario FILE] [--keep-replies]: a fresh simulated device in a
// browser page on 127.0.0.1, until SIGINT or SIGTERM.
#include "sim/cli/Commands.h"

#include "host/web/PhoneQueue.h"
#include "host/web/WebServer.h"
#include "sim/scenario/ScenarioSession.h"
#include "sim/springboard/ReplyKeeper.h"
#include "sim/web/SimPhone.h"
#include "sim/world/World.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace quorvel::cli {

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

void requestStop(int) { g_stopRequested = 1; }

void installStopHandlers()
{
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A page that goes away mid-answer must not end the server.
    std::signal(SIGPIPE, SIG_IGN);
}

// Serves the booted device until asked to stop; returns the exit status.
int serve(sim::World& world, int port, bool keepReplies)
{
    if (keepReplies && !world.host<sim::ReplyKeeper>())
        world.addHost<sim::ReplyKeeper>();
    world.boot();
    sim::SimPhone phone(world);
    host::PhoneQueue queue;
    host::WebServerOptions options;
    options.port = port;
    options.title = "Quorvel: simulated phone";
    host::WebServer server(phone, queue.runner(), options);
    std::string error;
    if (!server.start(&error)) {
        std::cerr << "quorvel: serve: " << error << "\n";
        return 1;
    }
    std::cout << "quorvel: the simulated phone is at " << server.url() << " (Ctrl-C stops)" << std::endl;

    // The device's clock follows the real one at the page's rate; requests
    // run between steps, on this thread only.
    auto last = std::chrono::steady_clock::now();
    while (!g_stopRequested) {
        queue.runPending(std::chrono::milliseconds(20));
        const auto now = std::chrono::steady_clock::now();
        phone.advance(std::chrono::duration_cast<platform::Micros>(now - last));
        last = now;
        phone.drainLog([&](std::string line) { server.publishLog(std::move(line)); });
    }
    // Requests still waiting for the device are answered 503, then the server stops.
    queue.close();
    server.stop();
    std::cout << "quorvel: stopped" << std::endl;
    return 0;
}

} // namespace

int serveCommand(const ServeOptions& options)
{
    installStopHandlers();
    std::string text = "boot\n";
    std::string name = "<serve>";
    sim::ScenarioSessionOptions session;
    session.quiet = true;
    if (!options.scenario.empty()) {
        std::ifstream in(options.scenario, std::ios::binary);
        if (!in || std::filesystem::is_directory(options.scenario)) {
            std::cerr << "quorvel: " << options.scenario << ": cannot be read\n";
            return kUsageExitStatus;
        }
        text.assign(std::istreambuf_iterator<char>(in), {});
        name = options.scenario;
        session.sourceFolder = std::filesystem::path(options.scenario).parent_path().string();
    }
    int status = 0;
    session.afterRun = [&](sim::World& world, const sim::RunResult&) { status = serve(world, options.port, options.keepReplies); };
    const int ran = sim::runScenarioText(name, text, session, std::cout, std::cerr);
    return ran != sim::kScenarioPassed ? ran : status;
}

} // namespace quorvel::cli
