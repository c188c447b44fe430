#!/usr/bin/env python3
"""quorvel-app's menu steps and SIM bindings end to end, through the
accessibility tree, at a phone's 360x720: the user adds *100#, whose figures
sit behind two menus of the mock carrier, by answering each menu in the Add a
Code dialog; saves it (the codes store holds the choices in order); refreshes
and reads the figure the engine got by walking the same menus; binds the code
to the SIM in from the Codes page; and sees it greyed as "SIM not in" once
the mock swaps the SIM. A screenshot of each step goes to the output folder.

    app_menus_test.py QUORVELD QUORVEL_APP SOURCE_DIR OUTPUT_FOLDER 360x720

Exits 77 (skipped) with the reason when Xvfb, at-spi2-core, ImageMagick,
pyatspi, python3-dbusmock or the app is missing.
"""
import re
import sys
import time

from app_story import run
from private_buses import skip, wait_until
from quorvel_app_test import AppTest

WIDTH, HEIGHT = 360, 720
MENU = "1 Balance\n2 Data"
SUBMENU = "1 Main\n2 Main and bonus"
FINAL = "Balance 12.50 rub, bonus 300"
ICCID = "89701010000000000001"
TRAVEL_ICCID = "89442000000000000002"


class MenusTest(AppTest):
    started = time.monotonic()
    dialog = None

    def story(self):
        self.start()
        self.add_menu_code()
        self.refresh_to_figure()
        self.bind_and_swap()

    def shot(self, what):
        AppTest.shot(self, what)
        print("  at %.1f s" % (time.monotonic() - self.started))

    def in_dialog(self, role, name, seconds=10):
        """Searched in the dialog alone: the tree behind it is not walked."""
        return self.desktop.find(self.dialog, role, name, seconds)

    def answer_menu(self, menu_text, choice):
        # The menu's text is read in full; the choice typed and sent.
        self.in_dialog("label", "Menu: " + menu_text, seconds=20)
        entry = self.in_dialog("text", "Your Choice")
        self.desktop.focus(entry)
        # Only dial keys are taken: the ")" of a pasted menu line is dropped.
        self.desktop.type_text(choice + ")")
        wait_until("the choice typed", lambda: self.desktop.text_of(entry) == choice,
                   shown=lambda: self.desktop.text_of(entry))
        self.shot("menu-choice-" + choice)
        self.desktop.tap(self.in_dialog("push button", "Send"))

    def add_menu_code(self):
        self.mock_call("SetUssdReply", "*100#", "menu", MENU, "")
        self.mock_call("SetUssdChoice", "*100#", "1", "menu", SUBMENU)
        self.mock_call("SetUssdChoice", "*100#", "1/2", "reply", FINAL)
        self.tap("push button", "Add a Code")
        self.dialog = self.fit("Add a Code")
        entry = self.in_dialog("text", "Code")
        self.desktop.focus(entry)
        self.desktop.type_text("*100#")
        wait_until("the code typed", lambda: self.desktop.text_of(entry) == "*100#")
        self.desktop.tap(self.in_dialog("push button", "Dial"))
        self.answer_menu(MENU, "1")
        self.answer_menu(SUBMENU, "2")
        self.in_dialog("label", "Reply: " + FINAL, seconds=20)
        self.in_dialog("list item", re.compile(r"^Choices so far.*1 › 2"))
        balance = self.in_dialog("text", "Title for 12.50")
        self.desktop.focus(balance)
        self.desktop.type_text("Balance")
        wait_until("the title typed", lambda: self.desktop.text_of(balance) == "Balance")
        self.desktop.move_pointer(WIDTH // 2, HEIGHT - 10)
        self.shot("menu-final-reply")
        save = self.in_dialog("push button", "Save")
        wait_until("Save enabled", lambda: save.getState().contains(self.desktop.pyatspi.STATE_SENSITIVE))
        self.desktop.tap(save)
        self.desktop.gone(self.app, "frame", "Add a Code")
        self.fit("Quorvel")
        store = lambda: re.sub(r"\s+", "", self.codes_store())  # noqa: E731
        wait_until("*100# and its menu path in the codes store",
                   lambda: "<key>menuChoices</key><array><string>1</string><string>2</string></array>" in store(),
                   shown=self.codes_store)

    def refresh_to_figure(self):
        self.tap("push button", "Refresh")
        self.find("label", "Balance: 12.50", seconds=30)
        self.find("label", "Last reply: " + FINAL)
        self.desktop.move_pointer(WIDTH // 2, HEIGHT * 3 // 4)
        self.shot("menu-code-refreshed")

    def set_setting(self, key, value):
        import dbus
        session = dbus.bus.BusConnection(self.t.processes.environment["DBUS_SESSION_BUS_ADDRESS"])
        daemon = session.get_object("org.quillmoor.Quorvel1", "/org/quillmoor/Quorvel1")
        daemon.SetSetting(key, value, dbus_interface="org.quillmoor.Quorvel1")

    def bind_and_swap(self):
        self.set_setting("codesFollowSim", True)
        self.tap("page tab", "Codes")
        bind = self.find("push button", "Bind *100# to This SIM", seconds=15)
        self.shot("bind-offered")
        self.desktop.tap(bind)
        wait_until("*100# bound to the SIM in the store",
                   lambda: "<string>%s</string>" % ICCID in self.codes_store(), shown=self.codes_store)
        self.find("label", "Balance · Reply by USSD · SIM …0001")
        self.desktop.gone(self.app, "push button", "Bind *100# to This SIM")
        self.shot("code-bound")
        # Another SIM in: the code is greyed as not in, its refresh time gone.
        self.mock_call("SwapSim", TRAVEL_ICCID, "23410")
        self.find("label", "Balance · Reply by USSD · SIM …0001 · SIM not in", seconds=15)
        self.shot("codes-sim-not-in")
        self.tap("page tab", "Figures")
        self.find("label", "SIM not in")
        self.shot("figures-sim-not-in")


def main():
    try:
        import dbusmock  # noqa: F401 (the mock runs in a process of its own)
    except ImportError:
        skip("python3-dbusmock is missing")
    if len(sys.argv) > 5 and sys.argv[5] != "%dx%d" % (WIDTH, HEIGHT):
        print("the menu steps are tested at a phone's %dx%d only" % (WIDTH, HEIGHT))
        return 2
    return run(MenusTest, sys.argv, __doc__)


if __name__ == "__main__":
    sys.exit(main())
