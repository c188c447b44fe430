// quorvel-app: the figures, the codes and the settings of quorveld, the
// Quorvel daemon, in a GTK 4 / libadwaita window that fits a phone. It talks
// only to quorveld, over the session bus (host/linux/client).
#include "apps/gtk/MainWindow.h"
#include "apps/gtk/Strings.h"
#include "apps/gtk/logic/WindowSize.h"
#include "host/linux/client/QuorvelClient.h"

#include <adwaita.h>

#include <memory>
#include <optional>

namespace {

struct App {
    std::unique_ptr<linuxhost::QuorvelClient> client;
    std::optional<quorvelapp::WindowSize> size;
};

void activate(GApplication* application, gpointer data)
{
    auto* app = static_cast<App*>(data);
    if (GtkWindow* window = gtk_application_get_active_window(GTK_APPLICATION(application))) {
        gtk_window_present(window);
        return;
    }
    if (!app->client) {
        linuxhost::CallError error;
        app->client = linuxhost::QuorvelClient::connect(nullptr, &error);
        if (!app->client) {
            g_printerr("quorvel-app: %s: %s\n", quorvelapp::text::noSessionBus(), error.message.c_str());
            return;
        }
    }
    GtkWindow* window = quorvelapp::MainWindow::open(ADW_APPLICATION(application), *app->client);
    if (app->size)
        gtk_window_set_default_size(window, app->size->width, app->size->height);
    gtk_window_present(window);
}

} // namespace

int main(int argc, char** argv)
{
    App app;
    AdwApplication* application = adw_application_new("org.quillmoor.Quorvel", G_APPLICATION_DEFAULT_FLAGS);
    g_signal_connect(application, "activate", G_CALLBACK(activate), &app);
    g_application_add_main_option(G_APPLICATION(application), "version", 0, G_OPTION_FLAG_NONE, G_OPTION_ARG_NONE,
                                  quorvelapp::text::optionVersion(), nullptr);
    g_application_add_main_option(G_APPLICATION(application), "window-size", 0, G_OPTION_FLAG_NONE,
                                  G_OPTION_ARG_STRING, quorvelapp::text::optionWindowSize(), "WIDTHxHEIGHT");
    g_signal_connect(application, "handle-local-options",
                     G_CALLBACK(+[](GApplication*, GVariantDict* options, gpointer data) {
                         if (g_variant_dict_contains(options, "version")) {
                             g_print("quorvel-app %s\n", QUORVEL_VERSION);
                             return 0;
                         }
                         const gchar* size = nullptr;
                         if (g_variant_dict_lookup(options, "window-size", "&s", &size)) {
                             static_cast<App*>(data)->size = quorvelapp::parseWindowSize(size);
                             if (!static_cast<App*>(data)->size)
                                 g_printerr("quorvel-app: %s\n", quorvelapp::text::badWindowSize());
                         }
                         return -1;
                     }),
                     &app);
    const char* quit[] = {"<Control>q", nullptr};
    const char* refresh[] = {"F5", "<Control>r", nullptr};
    const char* add[] = {"<Control>n", nullptr};
    gtk_application_set_accels_for_action(GTK_APPLICATION(application), "window.close", quit);
    gtk_application_set_accels_for_action(GTK_APPLICATION(application), "win.refresh", refresh);
    gtk_application_set_accels_for_action(GTK_APPLICATION(application), "win.add-code", add);
    const int status = g_application_run(G_APPLICATION(application), argc, argv);
    g_object_unref(application);
    // The client goes after the window (closed by then) and the application.
    return status;
}
