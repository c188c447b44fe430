#!/usr/bin/env python3
"""quorvel-app end to end, driven as a person drives it, through the
accessibility tree: quorveld on a private session bus with the mock
ModemManager on a private system bus, the app on a private Xvfb with the
accessibility bus (harness.py). The story is app_story.py's: the user opens the app, adds *100# by taps
and typing (a letter typed among the digits is not taken), dials it, titles a
number, saves, refreshes and reads the figure; deletes the code and takes it
back with the toast's Undo, deletes it for good; and reads the daemon's state
in words: the modem disabled, polkit's refusal, no modem, quorveld stopped
(with the command that starts it). A screenshot of each step goes to the
output folder.

    quorvel_app_test.py QUORVELD QUORVEL_APP SOURCE_DIR OUTPUT_FOLDER WIDTHxHEIGHT

At 360x720 the app's window (and its dialog) fills a phone's portrait
screen; at a desktop size such as 1280x800 the window fills the screen and
the dialog keeps its own size, in the middle (there is no window manager:
the test places windows as one would). Exits 77 (skipped) with the reason when Xvfb,
at-spi2-core, ImageMagick, pyatspi, python3-dbusmock or the app is missing.
"""
import re
import sys

from app_story import (MODEM_UNAVAILABLE, NO_MODEM, NOT_AUTHORISED, NOT_RUNNING, READY, REPLY, START_COMMAND,
                       AppStory, run)
from private_buses import MOCK_INTERFACE, skip, start_mock_modemmanager, wait_until

MODEM = "/org/freedesktop/ModemManager1/Modem/0"


class AppTest(AppStory):
    def __init__(self, *arguments):
        super().__init__(*arguments)
        self.mock = None
        self.mock_manager = None

    def mock_call(self, method, *arguments):
        getattr(self.mock_manager, method)(*arguments, dbus_interface=MOCK_INTERFACE)

    def start(self):
        self.mock, self.mock_manager = start_mock_modemmanager(self.t.processes, self.t.source)
        self.mock_call("SetUssdReply", "*100#", "reply", REPLY, "")
        self.start_daemon()
        self.daemon_says("dials go out")
        self.open_app()
        self.empty_and_ready()

    def story(self):
        super().story()
        self.states_in_words()

    def states_in_words(self):
        import dbus
        self.tap("page tab", "Figures")
        system = dbus.bus.BusConnection(self.t.processes.environment["DBUS_SYSTEM_BUS_ADDRESS"])
        modem = system.get_object("org.freedesktop.ModemManager1", MODEM)
        modem.Enable(False, dbus_interface="org.freedesktop.ModemManager1.Modem")
        self.state_shown(MODEM_UNAVAILABLE)
        self.shot("state-modem-disabled")
        modem.Enable(True, dbus_interface="org.freedesktop.ModemManager1.Modem")
        self.state_shown(READY)

        # polkit refuses quorveld's USSD calls: a refresh shows it.
        self.mock_call("SetRefusal", "ussd", "org.freedesktop.ModemManager1.Error.Core.Unauthorized")
        self.mock_call("SetUssdReply", "*101#", "reply", "Data 2048 MB", "")
        self.tap("push button", "Add a Code")
        self.fit("Add a Code")
        entry = self.find("text", "Code")
        self.desktop.focus(entry)
        self.desktop.type_text("*101#")
        wait_until("the code typed", lambda: self.desktop.text_of(entry) == "*101#")
        self.tap("push button", "Dial")
        # A dial that fails says why and keeps what was typed.
        self.find("label", re.compile(r"^The dial failed: .*polkit"), seconds=15)
        if self.desktop.text_of(entry) != "*101#":
            raise AssertionError("the failed dial did not keep the code typed")
        self.shot("dial-not-authorised")
        self.tap("push button", "Cancel")
        self.desktop.gone(self.app, "frame", "Add a Code")
        self.fit("Quorvel")
        self.state_shown(NOT_AUTHORISED)
        self.shot("state-not-authorised")

        self.t.processes.stop(self.mock)
        self.state_shown(NO_MODEM)
        self.shot("state-no-modem")

        if self.t.processes.stop(self.daemon) != 0:
            raise AssertionError("quorveld stopped with status %d" % self.daemon.returncode)
        self.state_shown(NOT_RUNNING)
        self.find("label", START_COMMAND)
        self.shot("state-not-running")


def main():
    try:
        import dbusmock  # noqa: F401 (the mock runs in a process of its own)
    except ImportError:
        skip("python3-dbusmock is missing")
    return run(AppTest, sys.argv, __doc__)


if __name__ == "__main__":
    sys.exit(main())
