#include "host/linux/client/DaemonClient.h"

#include "host/common/text/JsonString.h"
#include "host/linux/client/QuorvelClient.h"

#include <gio/gio.h>
#include <glib-unix.h>

#include <csignal>
#include <iostream>

namespace linuxhost {

namespace {

// The client, or nullptr after saying why on standard error.
std::unique_ptr<QuorvelClient> connectDaemon()
{
    CallError error;
    auto client = QuorvelClient::connect(nullptr, &error);
    if (!client)
        std::cerr << "quorvel: cannot reach the session bus: " << error.message << "\n";
    else if (!client->running()) {
        std::cerr << "quorvel: quorveld is not running on this session\n";
        client.reset();
    }
    return client;
}

void reportFailure(const char* method, const CallError& error)
{
    if (error.name == "org.freedesktop.DBus.Error.ServiceUnknown" || error.name == "org.freedesktop.DBus.Error.NameHasNoOwner")
        std::cerr << "quorvel: quorveld is not running on this session\n";
    else
        std::cerr << "quorvel: quorveld did not answer " << method << ": " << error.message << "\n";
}

// The widget's state with each code's last reply under its tooltip (a
// daemon that cannot give the codes leaves the tooltip as it is).
bool printState(QuorvelClient& client, const WidgetView& view)
{
    CallError ignored;
    const auto codes = client.codes(&ignored);
    const std::string tooltip = codes ? tooltipWithReplies(view.tooltip, *codes) : view.tooltip;
    std::cout << statusBarLine(view.text, tooltip, view.cssClass) << std::endl;
    return static_cast<bool>(std::cout);
}

// Status bars draw a module's text and tooltip as Pango markup, and a
// carrier's reply is no markup of ours: "<" or "&" in it would be taken as
// tags, or break the whole tooltip.
std::string markupEscaped(const std::string& text)
{
    gchar* escaped = g_markup_escape_text(text.c_str(), static_cast<gssize>(text.size()));
    std::string out = escaped;
    g_free(escaped);
    return out;
}

gboolean stopFollowing(gpointer loop)
{
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return G_SOURCE_CONTINUE;
}

} // namespace

std::string tooltipWithReplies(const std::string& tooltip, const std::vector<StoredCode>& codes)
{
    std::string out = tooltip;
    for (const StoredCode& code : codes)
        if (!code.code.empty() && !code.lastReply.empty())
            out += (out.empty() ? "" : "\n") + code.code + ": " + code.lastReply;
    return out;
}

std::string statusBarLine(const std::string& text, const std::string& tooltip, const std::string& cssClass)
{
    std::string line = "{\"text\":";
    line += host::jsonString(markupEscaped(text));
    line += ",\"tooltip\":";
    line += host::jsonString(markupEscaped(tooltip));
    line += ",\"class\":";
    line += host::jsonString(cssClass);
    line += '}';
    return line;
}

std::string codesJson(const std::vector<StoredCode>& codes)
{
    std::string json = "[";
    for (const StoredCode& code : codes) {
        if (json.size() > 1)
            json += ',';
        json += "{\"code\":" + host::jsonString(code.code) + ",\"smsSender\":" + host::jsonString(code.smsSender) +
                ",\"expectedNumbers\":" + std::to_string(code.expectedNumbers) + ",\"refreshedAt\":";
        if (code.refreshedAtMicros == 0) {
            json += "null";
        } else {
            GDateTime* at = g_date_time_new_from_unix_utc(code.refreshedAtMicros / 1000000);
            gchar* text = at ? g_date_time_format(at, "%Y-%m-%dT%H:%M:%SZ") : nullptr;
            json += text ? host::jsonString(text) : std::string("null");
            g_free(text);
            if (at)
                g_date_time_unref(at);
        }
        json += ",\"lastReply\":" + host::jsonString(code.lastReply) + ",\"fields\":[";
        for (size_t i = 0; i < code.fields.size(); ++i) {
            const CodeField& field = code.fields[i];
            json += (i ? "," : "") + std::string("{\"index\":") + std::to_string(field.index) +
                    ",\"title\":" + host::jsonString(field.title) + ",\"value\":" + host::jsonString(field.value) + "}";
        }
        json += "]}";
    }
    return json + "]";
}

int codesCommand()
{
    auto client = connectDaemon();
    if (!client)
        return 1;
    CallError error;
    std::optional<std::vector<StoredCode>> codes = client->codes(&error);
    if (!codes) {
        reportFailure("GetCodes", error);
        return 1;
    }
    std::cout << codesJson(*codes) << std::endl;
    return std::cout ? 0 : 1;
}

int refreshCommand()
{
    auto client = connectDaemon();
    if (!client)
        return 1;
    CallError error;
    if (!client->refresh(&error)) {
        reportFailure("Refresh", error);
        return 1;
    }
    return 0;
}

int widgetCommand(const WidgetCommandOptions& options)
{
    auto client = connectDaemon();
    if (!client)
        return 1;
    GMainLoop* loop = options.follow ? g_main_loop_new(nullptr, FALSE) : nullptr;
    int status = 0;
    if (options.follow) {
        // Listening before the first state is read, so no redraw falls between.
        client->onRefreshed([&](const WidgetView& view) {
            if (!printState(*client, view)) {
                status = 1; // the reader has gone; main reports the write error
                g_main_loop_quit(loop);
            }
        });
        client->onRunningChanged([&](bool running) {
            if (running)
                return;
            std::cerr << "quorvel: quorveld has stopped\n";
            status = 1;
            g_main_loop_quit(loop);
        });
    }
    CallError error;
    std::optional<WidgetView> view = client->widget(&error);
    if (!view)
        reportFailure("GetWidget", error);
    status = view && printState(*client, *view) ? 0 : 1;
    if (options.follow && status == 0) {
        guint term = g_unix_signal_add(SIGTERM, stopFollowing, loop);
        guint interrupt = g_unix_signal_add(SIGINT, stopFollowing, loop);
        g_main_loop_run(loop);
        g_source_remove(term);
        g_source_remove(interrupt);
    }
    client.reset();
    if (loop)
        g_main_loop_unref(loop);
    return status;
}

} // namespace linuxhost
