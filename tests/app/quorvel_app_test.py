#!/usr/bin/env python3
"""quorvel-app end to end, driven as a person drives it, through the
accessibility tree: quorveld on a private session bus with the mock
ModemManager on a private system bus, the app on a private Xvfb with the
accessibility bus (harness.py). The user opens the app, adds *100# by taps
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
import os
import re
import sys

from harness import TestDesktop
from private_buses import MOCK_INTERFACE, skip, start_mock_modemmanager, wait_until

CODES = "var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist"
REPLY = "Balance 12.50 rub, bonus 300"
MODEM = "/org/freedesktop/ModemManager1/Modem/0"
# The words the app shows for each state (apps/gtk/Strings.h).
READY = "Ready"
NO_MODEM = "No modem"
MODEM_UNAVAILABLE = "The modem is disabled or its SIM is locked"
NOT_AUTHORISED = "Not allowed to use the modem"
NOT_RUNNING = "quorveld is not running"
START_COMMAND = "systemctl --user enable --now quorvel"
NO_VALUE = "no value yet"
# libadwaita 1.2 names its toast's button after the label twice ("Undo Undo").
UNDO = re.compile(r"^Undo( Undo)?$")
PHONE_WIDTH = 600  # narrower than this, dialogs fill the screen as on a phone


class AppTest:
    def __init__(self, t, quorveld, app_binary, width, height):
        self.t = t
        self.desktop = t.desktop
        self.quorveld = quorveld
        self.app_binary = app_binary
        self.width = width
        self.height = height
        self.step = 0
        self.root = os.path.join(t.scratch, "root")
        os.makedirs(os.path.join(self.root, os.path.dirname(CODES)))
        self.app = None
        self.daemon = None
        self.mock = None
        self.modem = None

    # --- what every step uses ---------------------------------------------

    def shot(self, what):
        self.step += 1
        path = self.desktop.shot("%d-%s.png" % (self.step, what), self.width, self.height)
        print("step %d: %s (%s)" % (self.step, what, os.path.basename(path)))

    def find(self, role, name, seconds=10):
        return self.desktop.find(self.app, role, name, seconds)

    def tap(self, role, name, seconds=10):
        node = self.find(role, name, seconds)
        self.desktop.tap(node)
        return node

    def codes_store(self):
        path = os.path.join(self.root, CODES)
        return open(path, encoding="utf-8").read() if os.path.exists(path) else ""

    def state_shown(self, title, seconds=15):
        """The Figures page's state row, named by its words (title. hint)."""
        return self.find("list item", re.compile("^" + re.escape(title) + r"(\.|$)"), seconds)

    def fit(self, title):
        """The window a person works in: at the size a phone's shell (or the
        desktop) gives it, raised, with the keyboard."""
        pattern = "^" + re.escape(title) + "$"
        frame = self.desktop.find(self.app, "frame", title)
        if title == "Quorvel" or self.width < PHONE_WIDTH:
            place = (0, 0, self.width, self.height)
        else:
            # A dialog on a desktop keeps its size, in the middle of the window.
            width, height = self.desktop.x_geometry(pattern)[2:]
            place = ((self.width - width) // 2, (self.height - height) // 2, width, height)

        # Asked again until it holds: a window just mapped may still set its own size.
        def placed():
            if tuple(self.desktop.x_geometry(pattern)) == place:
                return True
            self.desktop.resize_window(pattern, place[2], place[3], place[0], place[1])
            return False
        wait_until("the window \"%s\" at %s" % (title, place), placed, shown=self.desktop.x_windows, step=0.2)
        self.desktop.activate_window(pattern)
        wait_until("the window \"%s\" active" % title,
                   lambda: frame.getState().contains(self.desktop.pyatspi.STATE_ACTIVE))
        return frame

    def mock_call(self, method, *arguments):
        getattr(self.modem, method)(*arguments, dbus_interface=MOCK_INTERFACE)

    # --- the steps --------------------------------------------------------

    def start(self):
        self.mock, self.modem = start_mock_modemmanager(self.t.processes, self.t.source)
        self.mock_call("SetUssdReply", "*100#", "reply", REPLY, "")
        log = os.path.join(self.t.folder, "daemon.log")
        self.daemon, _ = self.t.processes.start("daemon", [self.quorveld, "--root", self.root, "--log-file", log])
        wait_until("quorveld and its modem",
                   lambda: os.path.exists(log) and "dials go out" in open(log, encoding="utf-8").read(), seconds=20)
        _, self.app = self.desktop.launch(
            "quorvel-app", [self.app_binary, "--window-size", "%dx%d" % (self.width, self.height)])
        self.fit("Quorvel")
        self.state_shown(READY)
        self.find("label", "No Codes Yet")
        self.shot("figures-empty")

    def add_code(self):
        # The header's + (on a phone, the only one in reach of a thumb).
        self.tap("push button", "Add a Code")
        self.fit("Add a Code")
        entry = self.find("text", "Code")
        self.desktop.focus(entry)
        # "x" is not a dial character: the entry does not take it.
        self.desktop.type_text("*1x00#")
        wait_until("the code as typed, without the letter", lambda: self.desktop.text_of(entry) == "*100#",
                   shown=lambda: self.desktop.text_of(entry))
        self.shot("add-code-typed")
        self.tap("push button", "Dial")
        self.find("label", "Reply: " + REPLY, seconds=20)
        balance = self.find("text", "Title for 12.50")
        self.find("text", "Title for 300")
        self.shot("add-code-dialled")
        self.desktop.focus(balance)
        self.desktop.type_text("Balance")
        wait_until("the title typed", lambda: self.desktop.text_of(balance) == "Balance",
                   shown=lambda: self.desktop.text_of(balance))
        self.shot("add-code-titled")
        save = self.find("push button", "Save")
        wait_until("Save enabled", lambda: save.getState().contains(self.desktop.pyatspi.STATE_SENSITIVE))
        self.desktop.tap(save)
        self.desktop.gone(self.app, "frame", "Add a Code")
        self.fit("Quorvel")
        # What the daemon stored is the wizard's record: the untitled number is left out.
        wait_until("*100# in the codes store", lambda: "<string>*100#</string>" in self.codes_store() and
                   "<string>Balance</string>" in self.codes_store(), shown=self.codes_store)
        if "<integer>2</integer>" not in self.codes_store():
            raise AssertionError("expectedNumbers is not 2 in the store:\n" + self.codes_store())

    def refresh(self):
        # Saved, the code shows with no figure yet; a refresh dials it.
        self.find("label", "Balance: " + NO_VALUE)
        self.tap("push button", "Refresh")
        self.find("label", "Balance: 12.50", seconds=30)
        self.find("label", "Last reply: " + REPLY)
        self.shot("figures-refreshed")
        # The figures as they stay, once the toasts are gone (the README's picture).
        self.desktop.gone(self.app, "filler", "AdwToastWidget", seconds=20)
        self.desktop.move_pointer(self.width // 2, self.height * 3 // 4)
        self.shot("figures")

    def delete_with_undo(self):
        self.tap("page tab", "Codes")
        self.find("list item", re.compile(r"^\*100#"))
        self.tap("push button", "Delete *100#")
        # Taken back at once: the toast lasts a few seconds only.
        self.tap("push button", UNDO)
        self.find("list item", re.compile(r"^\*100#"))
        self.shot("delete-undone")
        # Nothing was sent: the store still holds it, once the toast is long gone.
        self.desktop.gone(self.app, "push button", UNDO, seconds=20)
        if "<string>*100#</string>" not in self.codes_store():
            raise AssertionError("an undone delete reached the store")

    def delete_for_good(self):
        self.tap("push button", "Delete *100#")
        self.find("push button", UNDO)
        # The row goes at once; the delete waits for the toast.
        self.desktop.gone(self.app, "list item", re.compile(r"^\*100#"))
        self.shot("deleted-with-toast")
        # The toast times out: the delete is sent then.
        wait_until("*100# gone from the codes store", lambda: "<string>*100#</string>" not in self.codes_store(),
                   seconds=30, shown=self.codes_store)
        self.find("list item", re.compile(r"^No Codes Yet"))
        self.shot("deleted")

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
    if len(sys.argv) < 6:
        print(__doc__)
        return 2
    quorveld, app_binary, source, folder = (os.path.abspath(a) for a in sys.argv[1:5])
    size = re.fullmatch(r"(\d+)x(\d+)", sys.argv[5])
    if not size:
        print("the size is WIDTHxHEIGHT, not " + sys.argv[5])
        return 2
    width, height = int(size.group(1)), int(size.group(2))
    if not os.access(app_binary, os.X_OK):
        skip("quorvel-app is not built (%s)" % app_binary)
    try:
        import dbusmock  # noqa: F401 (the mock runs in a process of its own)
    except ImportError:
        skip("python3-dbusmock is missing")
    # The screen is at least a desktop's, so a phone-sized window fits on it too.
    with TestDesktop(source, folder, width=max(width, 1280), height=max(height, 800), system_bus=True) as t:
        test = AppTest(t, quorveld, app_binary, width, height)
        try:
            test.start()
            test.add_code()
            test.refresh()
            test.delete_with_undo()
            test.delete_for_good()
            test.states_in_words()
        except BaseException:
            try:
                t.desktop.shot("failure.png")
                if test.app is not None:
                    with open(os.path.join(folder, "failure-tree.txt"), "w") as out:
                        out.write(t.desktop.describe(test.app, limit=100000))
            except Exception as e:  # the failure itself matters more
                print("no failure screenshot: %s" % e)
            raise
    print("quorvel-app test at %dx%d: passed" % (width, height))
    return 0


if __name__ == "__main__":
    sys.exit(main())
