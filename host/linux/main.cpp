// quorveld: Quorvel on a Linux phone or any machine with a modem that
// ModemManager drives. Reads its options and runs the daemon (Daemon.h).
#include "host/linux/Daemon.h"

#include <CLI/CLI.hpp>

#include <iostream>

int main(int argc, char** argv)
{
    linuxhost::DaemonOptions options;
    CLI::App app{"Quorvel's daemon: dials the stored USSD codes through ModemManager and keeps the widget's figures.",
                 "quorveld"};
    app.set_version_flag("--version", std::string("quorveld ") + QUORVEL_VERSION);
    app.add_option("--root", options.root, "the device root (default $XDG_STATE_HOME/quorvel)")->type_name("DIR");
    app.add_option("--log-file", options.logFile, "also append every log line to FILE")->type_name("FILE");
    app.add_option("--modem", options.modem, "use this modem: object path, IMEI or equipment identifier")
        ->type_name("MODEM");
    app.add_flag("--serve", options.serve,
                 "also serve the widget and the Settings screens as a page on 127.0.0.1 (its address is logged; the token is in ROOT/web-token)");
    app.add_option("--port", options.port, "the page's port (default 8470; 0 picks a free one)")
        ->type_name("PORT")
        ->check(CLI::Range(0, 65535));
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    return linuxhost::runDaemon(options);
}
