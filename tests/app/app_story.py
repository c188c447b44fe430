"""The story a person lives in quorvel-app, shared by its end-to-end tests
whatever plays the modem behind quorveld (the mock ModemManager, or the real
one driving the emulated AT modem): open the app, add *100# by taps and
typing (a letter typed among the digits is not taken), dial it, title a
number, save, refresh and read the figure, delete the code and take it back
with the toast's Undo, delete it for good. A screenshot of each step goes to
the output folder; on a failure, the screen and the accessibility tree too.

A test subclasses AppStory with its start (the modem answering *100# with
REPLY, quorveld and the app) and calls run().
"""
import os
import re
import sys

from harness import TestDesktop
from private_buses import wait_until

CODES = "var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist"
CODE = "*100#"
REPLY = "Balance 12.50 rub, bonus 300"
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
USAGE = "QUORVELD QUORVEL_APP SOURCE_DIR OUTPUT_FOLDER WIDTHxHEIGHT"


class AppStory:
    def __init__(self, t, quorveld, app_binary, width, height, modem=None):
        self.t = t
        self.modem = modem
        self.desktop = t.desktop
        self.quorveld = quorveld
        self.app_binary = app_binary
        self.width = width
        self.height = height
        self.step = 0
        self.root = os.path.join(t.scratch, "root")
        os.makedirs(os.path.join(self.root, os.path.dirname(CODES)))
        self.log = os.path.join(t.folder, "daemon.log")
        self.app = None
        self.daemon = None

    # --- what each modem's side gives -------------------------------------

    def start(self):
        """The modem, quorveld and the app, up to the empty Figures page."""
        raise NotImplementedError

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

    def daemon_log(self):
        return open(self.log, encoding="utf-8", errors="replace").read() if os.path.exists(self.log) else ""

    def daemon_says(self, text, seconds=20):
        wait_until("quorveld's log: " + text, lambda: text in self.daemon_log(), seconds=seconds,
                   shown=lambda: self.daemon_log()[-2000:])

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

    # --- the steps --------------------------------------------------------

    def start_daemon(self):
        self.daemon, _ = self.t.processes.start("daemon", [self.quorveld, "--root", self.root, "--log-file", self.log])

    def open_app(self):
        _, self.app = self.desktop.launch(
            "quorvel-app", [self.app_binary, "--window-size", "%dx%d" % (self.width, self.height)])
        self.fit("Quorvel")

    def empty_and_ready(self):
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
        wait_until("the code as typed, without the letter", lambda: self.desktop.text_of(entry) == CODE,
                   shown=lambda: self.desktop.text_of(entry))
        self.shot("add-code-typed")
        self.tap("push button", "Dial")
        self.find("label", "Reply: " + REPLY, seconds=30)
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

    def story(self):
        """The steps in order; a subclass adds its own after them."""
        self.start()
        self.add_code()
        self.refresh()
        self.delete_with_undo()
        self.delete_for_good()


def save_failure(t, test, folder):
    """The screen and the app's accessibility tree at a failure, into folder."""
    try:
        t.desktop.shot("failure.png")
        if test.app is not None:
            with open(os.path.join(folder, "failure-tree.txt"), "w") as out:
                out.write(t.desktop.describe(test.app, limit=100000))
    except Exception as e:  # the failure itself matters more
        print("no failure screenshot: %s" % e)


def run(story_class, argv, usage, modem=None):
    """Runs story_class's story on a desktop of the size argv gives; its
    status. Without `modem`, the desktop has a private system bus of its own
    (for the mock ModemManager); else modem.start(t) starts the system bus
    (before the desktop) and gives its address, and the story gets `modem`."""
    if len(argv) < 6:
        print(usage)
        return 2
    quorveld, app_binary, source, folder = (os.path.abspath(a) for a in argv[1:5])
    size = re.fullmatch(r"(\d+)x(\d+)", argv[5])
    if not size:
        print("the size is WIDTHxHEIGHT, not " + argv[5])
        return 2
    width, height = int(size.group(1)), int(size.group(2))
    if not os.access(app_binary, os.X_OK):
        from private_buses import skip
        skip("quorvel-app is not built (%s)" % app_binary)
    # The screen is at least a desktop's, so a phone-sized window fits on it too.
    with TestDesktop(source, folder, width=max(width, 1280), height=max(height, 800),
                     system_bus=modem.start if modem else True) as t:
        test = story_class(t, quorveld, app_binary, width, height, modem)
        try:
            test.story()
        except BaseException:
            save_failure(t, test, folder)
            raise
    print("%s at %dx%d: passed" % (os.path.basename(argv[0]), width, height))
    return 0


if __name__ == "__main__":
    sys.exit("app_story.py is a module of the app's tests, not a test")
