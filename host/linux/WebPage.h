// quorveld --serve: the browser page for the real phone, on the daemon's
// GLib thread. Requests from the server's threads are queued and run from
// an idle source on the main loop; each log line goes to the page's live log.
// The page's address is logged, with the path of the file holding the access
// token made at start (WebAccess.h), never the token itself.
//
//   WebPage page(device, home, log);
//   if (!page.start(root, 8470)) ...    // logged; the daemon runs on without it
//   ...                                  // g_main_loop_run
//   page.reset();                        // before the home screen goes
#pragma once

#include "host/linux/LinuxPhone.h"
#include "host/linux/WebAccess.h"
#include "host/linux/SettingsScreen.h"
#include "host/web/PhoneQueue.h"
#include "host/web/WebServer.h"

#include <atomic>
#include <memory>
#include <string>

namespace platform { class Device; }

namespace linuxhost {

class DaemonLog;
class HomeScreen;

class WebPage {
public:
    WebPage(platform::Device& device, HomeScreen& home, DaemonLog& log);
    ~WebPage();

    bool start(const std::string& root, int port);

private:
    DaemonLog& m_log;
    SettingsScreen m_settings;
    LinuxPhone m_phone;
    host::PhoneQueue m_queue;
    std::unique_ptr<host::WebServer> m_server;
    std::atomic<bool> m_drainQueued{false};
};

} // namespace linuxhost
