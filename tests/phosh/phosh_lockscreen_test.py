#!/usr/bin/env python3
"""The lock-screen plugin in a real Phosh, headless: two private buses
(dbus-daemon with tests/linux/test-bus.conf, one as the system bus and one as
the session bus), the mock ModemManager answering *100#, the accessibility
bus (at-spi-bus-launcher) on the private session bus, and Phosh under phoc
with the wlroots headless backend and the pixman renderer, locked, with the
plugin enabled in a GSettings keyfile of the test's own.

Phosh loads lock-screen plugins only from the folder it was built with
(phosh-plugins.pc's lockscreen_plugins_dir): phoc and Phosh run in a mount
namespace of their own (unshare) in which the build's plugin folder is bound
over that folder, so the machine's own folder is never written.

Through the accessibility tree (pyatspi) the test reads the widget on the
lock screen: "quorveld is not running" before the daemon starts; the titles
with the refresh line once it runs; a tap on the refresh line (the button's
click action) reaches quorveld and the refreshed values and time appear on
the daemon's signals; "quorveld is not running" again once it stops. The
lock screen is shot through Phosh's own screenshot interface at each step
into the output folder (the widget sits on the lock screen's page a swipe
to the right of the clock: the headless backend has no pointer to swipe
with, so the pictures show the clock page).

    phosh_lockscreen_test.py PLUGIN_FOLDER QUORVELD_BINARY SOURCE_DIR OUTPUT_FOLDER

Exits 77 (skipped) with a message when phoc, Phosh, unshare (or the right to
make a mount namespace), the accessibility bus, pyatspi or dbusmock is
missing; stops everything it started whatever happens, and never touches the
machine's own buses or display.
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web"))
from browser_test import skip, wait_until  # noqa: E402
from daemon_browser_test import Processes, start_bus  # noqa: E402

PYTHON = "/usr/bin/python3"
PHOC = "/usr/bin/phoc"
PHOSH = "/usr/libexec/phosh"
ATSPI_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
CODES = "var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist"
NOT_RUNNING = "quorveld is not running"
TAKEN = "refresh asked for over the session bus"

CODES_STORE = """<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>codes</key><array>
<dict><key>ussdCode</key><string>*100#</string><key>expectedNumbers</key><integer>2</integer>
<key>fields</key><array>
<dict><key>title</key><string>Balance</string><key>index</key><integer>0</integer></dict>
<dict><key>title</key><string>Bonus</string><key>index</key><integer>1</integer></dict>
</array></dict></array></dict></plist>
"""


def plugin_folder_of_phosh():
    found = subprocess.run(["pkg-config", "--variable=lockscreen_plugins_dir", "phosh-plugins"],
                           capture_output=True, text=True)
    return found.stdout.strip() if found.returncode == 0 else ""


def namespace_prefix():
    """The unshare command that gives a private mount namespace, or None."""
    unshare = shutil.which("unshare")
    if not unshare:
        return None
    for prefix in ([unshare, "-m", "--propagation", "private"], [unshare, "-r", "-m", "--propagation", "private"]):
        if subprocess.run(prefix + ["true"], capture_output=True).returncode == 0:
            return prefix
    return None


class LockScreen:
    """The plugin's widget in Phosh's accessibility tree."""

    def __init__(self, pyatspi, folder, session):
        self.pyatspi = pyatspi
        self.folder = folder
        self.session = session
        self.shots = 0

    def widget(self):
        desktop = self.pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and app.name == "phosh":
                found = self.pyatspi.findDescendant(app, lambda a: a is not None and a.name == "Quorvel figures")
                if found is not None:
                    return found
        return None

    def texts(self):
        """The names of the widget's visible labels and buttons, in tree order;
        empty while the widget is being rebuilt (a child gone mid-walk)."""
        try:
            widget = self.widget()
            if widget is None:
                return []
            shown = []
            for node in self.pyatspi.findAllDescendants(
                    widget, lambda a: a is not None and a.getRoleName() in ("label", "push button")):
                if node.getState().contains(self.pyatspi.STATE_VISIBLE) and node.name:
                    shown.append(node.name)
            return shown
        except Exception as gone:  # GLib.Error from at-spi: the object went away
            print("accessibility tree changed while read: %s" % gone)
            return []

    def wait_texts(self, what, condition, seconds=20):
        return wait_until(what, lambda: condition(self.texts()), seconds=seconds, shown=self.texts)

    def tap_refresh(self):
        widget = self.widget()
        button = self.pyatspi.findDescendant(widget, lambda a: a is not None and a.getRoleName() == "push button")
        if button is None or not button.name.startswith("Refresh"):
            raise AssertionError("no refresh line to tap: %s" % self.texts())
        action = button.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        action.doAction(names.index("click"))

    def shot(self, name):
        self.shots += 1
        path = os.path.join(self.folder, "%d-%s.png" % (self.shots, name))
        result = subprocess.run(["gdbus", "call", "--session", "--dest", "org.gnome.Shell.Screenshot",
                                 "--object-path", "/org/gnome/Shell/Screenshot",
                                 "--method", "org.gnome.Shell.Screenshot.Screenshot", "false", "false", path],
                                capture_output=True, text=True, timeout=15, env=self.session)
        if result.returncode != 0 or not os.path.exists(path):
            raise AssertionError("Phosh's screenshot failed: %s %s" % (result.stdout, result.stderr))


def main():
    if len(sys.argv) < 5:
        print(__doc__)
        return 2
    plugins, quorveld, source, folder = (os.path.abspath(a) for a in sys.argv[1:5])
    for program, package in ((PHOC, "phoc"), (PHOSH, "phosh"), (ATSPI_LAUNCHER, "at-spi2-core")):
        if not os.access(program, os.X_OK):
            skip("%s is not installed (package %s)" % (program, package))
    for program in ("dbus-daemon", "gdbus", "pkg-config"):
        if not shutil.which(program):
            skip(program + " is not installed")
    target = plugin_folder_of_phosh()
    if not target or not os.path.isdir(target):
        skip("phosh-plugins.pc gives no lock-screen plugin folder (package phosh-dev)")
    prefix = namespace_prefix()
    if prefix is None:
        skip("no private mount namespace can be made here (unshare -m needs root or user namespaces)")
    try:
        import dbus
        import dbusmock  # noqa: F401 (the mock runs in a process of its own)
    except ImportError as missing:
        skip("a Python module is missing: %s (python3-dbus, python3-dbusmock)" % missing.name)

    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    scratch = tempfile.mkdtemp(prefix="quorvel-phosh-")
    root = os.path.join(scratch, "root")
    os.makedirs(os.path.join(root, os.path.dirname(CODES)))
    with open(os.path.join(root, CODES), "w") as store:
        store.write(CODES_STORE)
    runtime = os.path.join(scratch, "runtime")
    os.makedirs(runtime, mode=0o700)
    settings = os.path.join(scratch, "config", "glib-2.0", "settings")
    os.makedirs(settings)
    with open(os.path.join(settings, "keyfile"), "w") as keyfile:
        keyfile.write("[sm/puri/phosh/plugins]\nlock-screen=['quorvel']\n")
    phoc_ini = os.path.join(scratch, "phoc.ini")
    with open(phoc_ini, "w") as ini:
        ini.write("[output:HEADLESS-1]\nmode = 360x720\n")

    # Nothing of the machine's own buses, session or display reaches the children.
    environment = {k: v for k, v in os.environ.items()
                   if not k.startswith(("DBUS_", "WAYLAND_", "WLR_")) and
                   k not in ("DISPLAY", "XDG_SESSION_ID", "XDG_STATE_HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME",
                             "GSETTINGS_BACKEND", "NO_AT_BRIDGE", "GTK_MODULES")}
    environment.update({"XDG_STATE_HOME": os.path.join(scratch, "state"), "PYTHONUNBUFFERED": "1",
                        "XDG_RUNTIME_DIR": runtime, "XDG_CONFIG_HOME": os.path.join(scratch, "config"),
                        "GSETTINGS_BACKEND": "keyfile"})
    processes = Processes(folder, environment)
    try:
        config = os.path.join(source, "tests", "linux", "test-bus.conf")
        environment["DBUS_SYSTEM_BUS_ADDRESS"] = start_bus(processes, "system", config)
        environment["DBUS_SESSION_BUS_ADDRESS"] = start_bus(processes, "session", config)
        # pyatspi finds the accessibility bus through the session bus: the private one.
        for key in ("DBUS_SESSION_BUS_ADDRESS", "DBUS_SYSTEM_BUS_ADDRESS", "XDG_RUNTIME_DIR"):
            os.environ[key] = environment[key]
        os.environ.pop("DISPLAY", None)
        system = dbus.bus.BusConnection(environment["DBUS_SYSTEM_BUS_ADDRESS"])
        session = dbus.bus.BusConnection(environment["DBUS_SESSION_BUS_ADDRESS"])

        processes.start("mock", [PYTHON, "-m", "dbusmock", "--system", "--template",
                                 os.path.join(source, "tests", "linux", "modemmanager.py")])
        wait_until("the mock ModemManager", lambda: system.name_has_owner("org.freedesktop.ModemManager1"), seconds=15)
        system.get_object("org.freedesktop.ModemManager1", "/org/freedesktop/ModemManager1").SetUssdReply(
            "*100#", "reply", "Balance 12.50 rub, bonus 300", "", dbus_interface="org.freedesktop.DBus.Mock")

        processes.start("atspi", [ATSPI_LAUNCHER, "--launch-immediately"])
        wait_until("the accessibility bus", lambda: session.name_has_owner("org.a11y.Bus"), seconds=15)
        try:
            import pyatspi
        except ImportError:
            skip("pyatspi is not installed (package python3-pyatspi)")

        shell = dict(environment, WLR_BACKENDS="headless", WLR_RENDERER="pixman", WLR_HEADLESS_OUTPUTS="1",
                     GTK_THEME="Adwaita:dark")
        processes.environment = shell
        script = 'mount --bind "$1" "$2" && exec "$3" -C "$4" -E "$5 --locked"'
        phoc, _ = processes.start("phoc", prefix + ["sh", "-c", script, "phosh-test", plugins, target, PHOC, phoc_ini, PHOSH])
        processes.environment = environment
        screen = LockScreen(pyatspi, folder, environment)

        def loaded():
            if phoc.poll() is not None:
                raise AssertionError("phoc exited with status %d" % phoc.returncode)
            return screen.widget()
        wait_until("the plugin's widget on Phosh's lock screen", loaded, seconds=40)
        screen.wait_texts("the widget to say the daemon is not running", lambda t: NOT_RUNNING in t)
        wait_until("Phosh's screenshot interface", lambda: session.name_has_owner("org.gnome.Shell.Screenshot"), seconds=15)
        screen.shot("not-running")

        log_file = os.path.join(folder, "daemon.log")
        daemon, _ = processes.start("daemon", [quorveld, "--root", root, "--log-file", log_file])

        def log():
            return open(log_file).read() if os.path.exists(log_file) else ""
        screen.wait_texts("the titles and the refresh line",
                          lambda t: "Balance" in t and "Bonus" in t and any(x.startswith("Refresh") for x in t) and
                          NOT_RUNNING not in t)
        screen.shot("titles")

        asked = log().count(TAKEN)
        screen.tap_refresh()
        wait_until("the tap to reach quorveld", lambda: log().count(TAKEN) > asked, seconds=15, shown=log)
        screen.wait_texts("the refreshed values and time",
                          lambda t: "12.50" in t and "300" in t and any(x.startswith("Refreshed at: ") for x in t))
        screen.shot("refreshed")

        if processes.stop(daemon) != 0:
            raise AssertionError("quorveld stopped with status %d" % daemon.returncode)
        screen.wait_texts("the widget to say the daemon went away",
                          lambda t: NOT_RUNNING in t and "12.50" not in t)
        if phoc.poll() is not None:
            raise AssertionError("phoc exited with status %d" % phoc.returncode)
        print("phosh lock-screen test: passed")
        return 0
    finally:
        processes.stop_all()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
