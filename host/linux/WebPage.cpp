#include "host/linux/WebPage.h"

#include "host/linux/DaemonLog.h"

#include <glib.h>

namespace linuxhost {

WebPage::WebPage(platform::Device& device, HomeScreen& home, DaemonLog& log)
    : m_log(log), m_settings(device), m_phone(device, home, m_settings)
{
}

WebPage::~WebPage()
{
    m_log.setListener(nullptr);
    m_queue.close();
    if (m_server)
        m_server->stop();
    // An idle source that drains the queue may still be pending, and it
    // points at this object: let it run (it finds the queue closed) first.
    while (m_drainQueued)
        g_main_context_iteration(nullptr, FALSE);
    m_settings.shutDown();
}

bool WebPage::start(const std::string& root, int port)
{
    std::string token;
    std::string error;
    if (!makeWebToken(root, &token, &error)) {
        note("the browser page is off: " + error);
        return false;
    }
    // One idle source at a time drains the queue on the main loop.
    m_queue.setWakeup([this] {
        if (m_drainQueued.exchange(true))
            return;
        g_idle_add(
            [](gpointer self) {
                auto* page = static_cast<WebPage*>(self);
                page->m_drainQueued = false;
                page->m_queue.runPending();
                return G_SOURCE_REMOVE;
            },
            this);
    });
    host::WebServerOptions options;
    options.port = port;
    options.token = token;
    options.title = "Quorvel";
    m_server = std::make_unique<host::WebServer>(m_phone, m_queue.runner(), options);
    if (!m_server->start(&error)) {
        note("the browser page is off: " + error);
        m_server.reset();
        return false;
    }
    m_log.setListener([this](std::string line) { m_server->publishLog(std::move(line)); });
    // The log may be read by others (the journal, a log file): it names where
    // the token is, never the token.
    note("the browser page is at " + m_server->address() + "?token=TOKEN, TOKEN being the contents of " + root + "/" +
         kWebTokenFile);
    return true;
}

} // namespace linuxhost
