#!/usr/bin/env python3
"""quorvel-app's history screens end to end at a phone's size (360x720),
through the accessibility tree: quorveld with the mock ModemManager replying
a falling balance over a few refreshes, python3-dbusmock's notification
daemon on the private session bus. The user reads the change since the last
refresh under the balance, taps it to open the field's chart (whose
accessible description says what it draws), sees an alert the daemon
refuses put back with the reason, sets a below-limit alert,
sees the bell on the field, and after the next fall sees the desktop
notification quorveld sends; tapping it brings the app to the front, and
once the app is closed, tapping it again has the session bus start the app.
Screenshots go to the output folder (the chart's is the README's picture).

    app_history_test.py QUORVELD QUORVEL_APP SOURCE_DIR OUTPUT_FOLDER

Exits 77 (skipped) with the reason when Xvfb, at-spi2-core, ImageMagick,
pyatspi, python3-dbusmock or the app is missing.
"""
import os
import re
import sys

from app_story import save_failure
from harness import TestDesktop
from private_buses import MOCK_INTERFACE, skip, start_mock_modemmanager, wait_until

WIDTH, HEIGHT = 360, 720
REPLIES = ["Balance 12.50 rub, bonus 300", "Balance 11.20 rub, bonus 300", "Balance 10.40 rub, bonus 300"]
LAST_REPLY = "Balance 9.90 rub, bonus 300"
NOTIFICATIONS = "org.freedesktop.Notifications"
NOTIFICATIONS_PATH = "/org/freedesktop/Notifications"
MINUS = "\u2212"
# X keysyms for editing a spin button's text as typed.
END, BACKSPACE, RETURN = 0xff57, 0xff08, 0xff0d


class HistoryTest:
    def __init__(self, t, quorveld, app_binary):
        import dbus
        self.t = t
        self.desktop = t.desktop
        self.quorveld = quorveld
        self.app_binary = app_binary
        self.root = os.path.join(t.scratch, "root")
        os.makedirs(self.root)
        self.log = os.path.join(t.folder, "daemon.log")
        self.session = dbus.bus.BusConnection(t.processes.environment["DBUS_SESSION_BUS_ADDRESS"])
        self.step = 0
        self.app = None
        self.process = None
        self.activated_pid = None   # the app the session bus started, stopped at the end
        self.modem = None

    def shot(self, what):
        self.step += 1
        path = self.desktop.shot("%d-%s.png" % (self.step, what), WIDTH, HEIGHT)
        print("step %d: %s (%s)" % (self.step, what, os.path.basename(path)))
        return path

    def find(self, role, name, seconds=10):
        return self.desktop.find(self.app, role, name, seconds)

    def daemon_log(self):
        return open(self.log, encoding="utf-8").read() if os.path.exists(self.log) else ""

    def quorvel(self, method, *arguments):
        proxy = self.session.get_object("org.quillmoor.Quorvel1", "/org/quillmoor/Quorvel1")
        return getattr(proxy, method)(*arguments, dbus_interface="org.quillmoor.Quorvel1")

    def fit(self, title):
        """A window at the phone's whole screen, raised, with the keyboard
        (there is no window manager: the test places it as a shell would)."""
        pattern = "^" + re.escape(title) + "$"
        frame = self.desktop.find(self.app, "frame", title)

        def placed():
            if tuple(self.desktop.x_geometry(pattern)) == (0, 0, WIDTH, HEIGHT):
                return True
            self.desktop.resize_window(pattern, WIDTH, HEIGHT, 0, 0)
            return False
        wait_until("the window \"%s\" at the phone's size" % title, placed, shown=self.desktop.x_windows, step=0.2)
        self.desktop.activate_window(pattern)
        wait_until("the window \"%s\" active" % title,
                   lambda: frame.getState().contains(self.desktop.pyatspi.STATE_ACTIVE))
        return frame

    def press_keys(self, keysyms):
        """Keys that type no character (End, BackSpace, Return), as a keyboard sends them."""
        for keysym in keysyms:
            self.desktop.pyatspi.Registry.generateKeyboardEvent(keysym, None, self.desktop.pyatspi.KEY_SYM)

    def refresh_until(self, reply, value):
        """The carrier answers `reply` from now on; Refresh is asked for (again
        each second: quorveld lets one through 5 s after the last) until the
        app shows the balance."""
        import time
        self.modem.SetUssdReply("*100#", "reply", reply, "", dbus_interface=MOCK_INTERFACE)
        asked = [0.0]

        def shown():
            if self.desktop.matching(self.app, "label", "Balance: " + value):
                return True
            if time.monotonic() - asked[0] >= 1:
                asked[0] = time.monotonic()
                self.quorvel("Refresh")
            return False
        wait_until("Balance: " + value, shown, seconds=30, step=0.2, shown=lambda: self.desktop.describe(self.app))

    # --- the steps --------------------------------------------------------

    def start(self):
        import dbus
        self.t.processes.start("notifications", [sys.executable, "-m", "dbusmock", "--template", "notification_daemon"])
        wait_until("the mock notification daemon", lambda: self.session.name_has_owner(NOTIFICATIONS), seconds=15)
        _, self.modem = start_mock_modemmanager(self.t.processes, self.t.source)
        self.modem.SetUssdReply("*100#", "reply", REPLIES[0], "", dbus_interface=MOCK_INTERFACE)
        self.t.processes.start("daemon", [self.quorveld, "--root", self.root, "--log-file", self.log])
        wait_until("quorveld and its modem", lambda: "dials go out" in self.daemon_log(), seconds=20)
        self.quorvel("SaveCode", "*100#", "", dbus.Int32(2), dbus.Array([(dbus.Int32(0), "Balance")], signature="(is)"))
        self.process, self.app = self.desktop.launch("quorvel-app", [self.app_binary, "--window-size", "%dx%d" % (WIDTH, HEIGHT)])
        self.fit("Quorvel")

    def falling_balance(self):
        for reply, value in zip(REPLIES, ["12.50", "11.20", "10.40"]):
            self.refresh_until(reply, value)
        # The change since the previous different value, as the browser page writes it.
        change = self.find("label", re.compile("^" + MINUS + r"0\.80 since \d\d:\d\d$"), seconds=10)
        self.desktop.move_pointer(WIDTH // 2, HEIGHT - 10)
        self.shot("change-since-last")
        return change

    def chart(self, change):
        self.desktop.tap(change)
        self.fit("Balance")
        described = "Balance over 30 days: from 12.50 to 10.40"
        chart = self.find("image", described)
        if chart.description != described:
            raise AssertionError("the chart's description is \"%s\"" % chart.description)
        self.desktop.move_pointer(WIDTH // 2, HEIGHT - 10)
        return self.shot("chart")

    def refused_alert(self):
        """The daemon refuses an alert (it holds 100 rules already): the
        switch goes back off and a toast says why."""
        import dbus
        for index in range(100):
            self.quorvel("SetAlert", "*101#", dbus.Int32(index), dbus.Dictionary({"stale_hours": dbus.Int32(24)},
                                                                                  signature="sv"))
        toggle = self.find("check box", "No refresh for: Balance")
        self.desktop.tap(toggle)
        # The whole reason under the alerts (the toast's one line is cut on a phone).
        reason = "The alert was not changed: there are 100 alert rules already"
        self.find("label", re.compile("^" + re.escape(reason)))   # the toast
        self.find("label", "Alerts: " + reason)                    # the whole of it, under the rows
        wait_until("the switch back off", lambda: not toggle.getState().contains(self.desktop.pyatspi.STATE_CHECKED))
        self.shot("alert-refused")
        self.quorvel("RemoveAlert", "*101#", dbus.Int32(99))

    def set_below_alert(self):
        import dbus
        # A fall set elsewhere (the browser page) finer than the field's decimals:
        # shown as it is, and kept as it is when another alert is set here.
        self.quorvel("SetAlert", "*100#", dbus.Int32(0), dbus.Dictionary({"falling_per_day": 0.005}, signature="sv"))
        fall = self.find("spin button", "Fall a day for Balance")
        wait_until("the fall shown unrounded", lambda: self.desktop.text_of(fall) == "0.005",
                   shown=lambda: self.desktop.text_of(fall))
        limit = self.find("spin button", "Limit for Balance")
        self.desktop.tap(limit)
        self.press_keys([END] + [BACKSPACE] * 12)
        self.desktop.type_text("10")
        self.press_keys([RETURN])
        toggle = self.find("check box", "Below a limit: Balance")
        self.desktop.tap(toggle)

        def stored():
            alerts = self.quorvel("GetAlerts")
            return any(str(code) == "*100#" and int(index) == 0 and float(limits.get("below", -1)) == 10.0
                       and float(limits.get("falling_per_day", -1)) == 0.005 for code, index, limits in alerts)
        wait_until("the below-limit alert stored by quorveld", stored, shown=lambda: self.quorvel("GetAlerts"))
        wait_until("the switch on", lambda: toggle.getState().contains(self.desktop.pyatspi.STATE_CHECKED))
        self.shot("alert-set")
        # The dialog's own close button (the window's under it is covered).
        self.desktop.tap(self.find("push button", "Close"))
        self.desktop.gone(self.app, "frame", "Balance")
        self.fit("Quorvel")
        # The field says its alerts are set.
        self.find("image", "Balance. Alerts: below 10.00; falling faster than 0.005 a day")
        self.desktop.move_pointer(WIDTH // 2, HEIGHT - 10)
        self.shot("alert-listed")

    def notification(self):
        import dbus
        self.refresh_until(LAST_REPLY, "9.90")
        mock = self.session.get_object(NOTIFICATIONS, NOTIFICATIONS_PATH)

        def notified():
            for _, method, arguments in mock.GetCalls(dbus_interface=MOCK_INTERFACE):
                if method == "Notify" and any("Balance is 9.90, below 10.00" in str(a) for a in arguments):
                    return arguments
            return None
        arguments = wait_until("the low-balance notification", notified, seconds=20, shown=self.daemon_log)
        if str(arguments[0]) != "Quorvel" and "quorvel" not in str(arguments[0]).lower():
            print("the notification's app name: %s" % arguments[0])
        shown = re.search(r"desktop notification (\d+) shown", self.daemon_log())
        if not shown:
            raise AssertionError("quorveld did not log the notification's id:\n" + self.daemon_log())
        # Tapped: the daemon asks the app (org.freedesktop.Application.Activate) to come to the front.
        mock.EmitSignal(NOTIFICATIONS, "ActionInvoked", "us", [dbus.UInt32(int(shown.group(1))), "default"],
                        dbus_interface=MOCK_INTERFACE)
        wait_until("quorveld opening the app", lambda: "tapped: opening org.quillmoor.Quorvel" in self.daemon_log(),
                   shown=self.daemon_log)
        frame = self.find("frame", "Quorvel")
        wait_until("the app's window active", lambda: frame.getState().contains(self.desktop.pyatspi.STATE_ACTIVE))
        if "cannot open" in self.daemon_log():
            raise AssertionError("the app did not answer Activate:\n" + self.daemon_log())
        return int(shown.group(1))

    def opens_when_closed(self, notification):
        """The app closed, the notification tapped again: the session bus
        starts the app (its D-Bus service file, as the package installs it)."""
        import dbus
        with open(os.path.join(self.t.session_services, "org.quillmoor.Quorvel.service"), "w") as out:
            out.write("[D-BUS Service]\nName=org.quillmoor.Quorvel\nExec=%s --gapplication-service\n" % self.app_binary)
        bus = self.session.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
        # What the app needs of the test's desktop (the display, the accessibility bus).
        bus.UpdateActivationEnvironment(dbus.Dictionary(self.t.processes.environment, signature="ss"),
                                        dbus_interface="org.freedesktop.DBus")
        self.desktop.tap(self.find("push button", "Close"))
        wait_until("the app closed", lambda: self.process.poll() is not None)
        mock = self.session.get_object(NOTIFICATIONS, NOTIFICATIONS_PATH)
        mock.EmitSignal(NOTIFICATIONS, "ActionInvoked", "us", [dbus.UInt32(notification), "default"],
                        dbus_interface=MOCK_INTERFACE)
        wait_until("the app started by the session bus", lambda: self.session.name_has_owner("org.quillmoor.Quorvel"),
                   seconds=20, shown=self.daemon_log)
        self.activated_pid = int(bus.GetConnectionUnixProcessID("org.quillmoor.Quorvel", dbus_interface="org.freedesktop.DBus"))

        def application():
            for app in self.desktop.pyatspi.Registry.getDesktop(0):
                try:
                    if app is not None and app.get_process_id() == self.activated_pid and app.childCount > 0:
                        return app
                except Exception:
                    continue
            return None
        self.app = wait_until("the activated app in the accessibility tree", application, seconds=20)
        self.fit("Quorvel")
        self.find("label", "Balance: 9.90")
        if "cannot open" in self.daemon_log():
            raise AssertionError("quorveld could not open the app:\n" + self.daemon_log())
        self.desktop.move_pointer(WIDTH // 2, HEIGHT - 10)
        self.shot("opened-by-notification")

    def stop_activated(self):
        import signal
        if self.activated_pid:
            try:
                os.kill(self.activated_pid, signal.SIGTERM)
            except ProcessLookupError:
                pass


def main():
    if len(sys.argv) < 5:
        print(__doc__)
        return 2
    quorveld, app_binary, source, folder = (os.path.abspath(a) for a in sys.argv[1:5])
    if not os.access(app_binary, os.X_OK):
        skip("quorvel-app is not built (%s)" % app_binary)
    try:
        import dbusmock  # noqa: F401 (the mocks run in processes of their own)
    except ImportError:
        skip("python3-dbusmock is missing")
    with TestDesktop(source, folder, width=WIDTH, height=HEIGHT, system_bus=True, session_services=True) as t:
        test = HistoryTest(t, quorveld, app_binary)
        try:
            test.start()
            change = test.falling_balance()
            test.chart(change)
            test.refused_alert()
            test.set_below_alert()
            notification = test.notification()
            test.opens_when_closed(notification)
        except BaseException:
            save_failure(t, test, folder)
            raise
        finally:
            test.stop_activated()
    print("quorvel-app history test at %dx%d: passed" % (WIDTH, HEIGHT))
    return 0


if __name__ == "__main__":
    sys.exit(main())
