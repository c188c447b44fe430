// quorveld as a whole: the device on the real clock, the home screen with the
// modules, ModemManager, logind and the session bus, driven by one GLib main
// loop on one thread until SIGTERM or SIGINT.
//
//   DaemonOptions options{.root = "/home/u/.local/state/quorvel"};
//   return runDaemon(options);     // the process exit status
#pragma once

#include "host/linux/client/DaemonRoot.h"

#include <string>

namespace linuxhost {

struct DaemonOptions {
    std::string root;       // the device root; made if missing
    std::string logFile;    // also append the log here; empty: standard error only
    std::string modem;      // object path, IMEI or equipment identifier; empty: the first with USSD
    bool serve = false;     // also serve the browser page on 127.0.0.1
    int port = 8470;        // its port; 0 picks a free one
};

// 0 after a clean stop; 1 when another daemon runs on the session, a bus
// cannot be reached, the root cannot be made or the engine cannot be loaded.
int runDaemon(const DaemonOptions& options);

} // namespace linuxhost
