"""What both tests of the lock-screen plugin share: the world around the
widget and the story they play on it.

PluginWorld starts two private buses (dbus-daemon with
tests/linux/test-bus.conf, one as the system bus and one as the session
bus), the mock ModemManager answering *100#, and, when asked, quorveld on a
fresh device root holding one code (*100#, fields Balance and Bonus); its
processes, helpers and environment are those of tests/web's daemon test.

play_story(screen, world) drives a screen (the widget where the test shows
it) through: "quorveld is not running"; the daemon starts and the titles
and the refresh line appear; a tap on the refresh line reaches quorveld and
the refreshed values and time appear; the daemon stops and the widget says
so again. A screen gives texts() (what the widget shows), tap_refresh() and
shot(name).
"""
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web"))
from browser_test import skip, wait_until  # noqa: E402,F401 (skip is for the tests)
from daemon_browser_test import Processes, start_bus  # noqa: E402

PYTHON = "/usr/bin/python3"
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


def require_loadable_plugin():
    if os.environ.get("QUORVEL_SANITIZED_PLUGIN") == "1":
        skip("the plugin is built with the sanitizers here, and python3 and Phosh, which would load it, are not")


def require_bus_tools():
    if not shutil.which("dbus-daemon"):
        skip("dbus-daemon is not installed")
    try:
        import dbus  # noqa: F401
        import dbusmock  # noqa: F401 (the mock runs in a process of its own)
    except ImportError as missing:
        skip("a Python module is missing: %s (python3-dbus, python3-dbusmock)" % missing.name)


class PluginWorld:
    def __init__(self, source, folder, quorveld, prefix):
        self.source = source
        self.folder = folder
        self.quorveld = quorveld
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        self.scratch = tempfile.mkdtemp(prefix=prefix)
        self.root = os.path.join(self.scratch, "root")
        os.makedirs(os.path.join(self.root, os.path.dirname(CODES)))
        with open(os.path.join(self.root, CODES), "w") as store:
            store.write(CODES_STORE)
        self.log_file = os.path.join(folder, "daemon.log")
        # Nothing of the machine's own buses, session or display reaches the children.
        self.environment = {k: v for k, v in os.environ.items()
                            if not k.startswith(("DBUS_", "WAYLAND_", "WLR_")) and
                            k not in ("DISPLAY", "XDG_SESSION_ID", "XDG_STATE_HOME", "XDG_RUNTIME_DIR",
                                      "XDG_CONFIG_HOME", "GSETTINGS_BACKEND", "NO_AT_BRIDGE", "GTK_MODULES")}
        self.environment.update({"XDG_STATE_HOME": os.path.join(self.scratch, "state"), "PYTHONUNBUFFERED": "1"})
        self.processes = Processes(folder, self.environment)
        self.daemon = None

    def start(self):
        import dbus
        config = os.path.join(self.source, "tests", "linux", "test-bus.conf")
        self.environment["DBUS_SYSTEM_BUS_ADDRESS"] = start_bus(self.processes, "system", config)
        self.environment["DBUS_SESSION_BUS_ADDRESS"] = start_bus(self.processes, "session", config)
        # This process's own clients (GTK, pyatspi) use the private buses too.
        for key in ("DBUS_SESSION_BUS_ADDRESS", "DBUS_SYSTEM_BUS_ADDRESS"):
            os.environ[key] = self.environment[key]
        self.system = dbus.bus.BusConnection(self.environment["DBUS_SYSTEM_BUS_ADDRESS"])
        self.session = dbus.bus.BusConnection(self.environment["DBUS_SESSION_BUS_ADDRESS"])
        self.processes.start("mock", [PYTHON, "-m", "dbusmock", "--system", "--template",
                                      os.path.join(self.source, "tests", "linux", "modemmanager.py")])
        wait_until("the mock ModemManager", lambda: self.system.name_has_owner("org.freedesktop.ModemManager1"),
                   seconds=15)
        self.system.get_object("org.freedesktop.ModemManager1", "/org/freedesktop/ModemManager1").SetUssdReply(
            "*100#", "reply", "Balance 12.50 rub, bonus 300", "", dbus_interface="org.freedesktop.DBus.Mock")

    def start_daemon(self):
        self.daemon, _ = self.processes.start("daemon", [self.quorveld, "--root", self.root, "--log-file", self.log_file])

    def stop_daemon(self):
        if self.processes.stop(self.daemon) != 0:
            raise AssertionError("quorveld stopped with status %d" % self.daemon.returncode)

    def log(self):
        return open(self.log_file).read() if os.path.exists(self.log_file) else ""

    def stop_all(self):
        self.processes.stop_all()
        shutil.rmtree(self.scratch, ignore_errors=True)


def play_story(screen, world):
    def wait_texts(what, condition, seconds=20):
        return wait_until(what, lambda: condition(screen.texts()), seconds=seconds, shown=screen.texts)

    wait_texts("the widget to say the daemon is not running", lambda t: NOT_RUNNING in t)
    screen.shot("not-running")

    world.start_daemon()
    wait_texts("the titles and the refresh line",
               lambda t: "Balance" in t and "Bonus" in t and any(x.startswith("Refresh") for x in t) and
               NOT_RUNNING not in t)
    screen.shot("titles")

    asked = world.log().count(TAKEN)
    screen.tap_refresh()
    wait_until("the tap to reach quorveld", lambda: screen.texts() is not None and world.log().count(TAKEN) > asked,
               seconds=15, shown=world.log)
    wait_texts("the refreshed values and time",
               lambda t: "12.50" in t and "300" in t and any(x.startswith("Refreshed at: ") for x in t))
    screen.shot("refreshed")

    world.stop_daemon()
    wait_texts("the widget to say the daemon went away", lambda t: NOT_RUNNING in t and "12.50" not in t)
    screen.shot("stopped")
