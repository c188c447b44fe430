"""Private buses, the mock ModemManager and quorveld for the end-to-end tests
written in Python (the daemon's page in a browser, the app through the
accessibility tree): each child in a process group of its own, stopped in
reverse order whatever happens; nothing of the machine's own buses or
session reaches them.

    processes = Processes(folder, clean_environment(scratch))
    try:
        environment = processes.environment
        environment["DBUS_SYSTEM_BUS_ADDRESS"] = start_bus(processes, "system", config)
        environment["DBUS_SESSION_BUS_ADDRESS"] = start_bus(processes, "session", config)
        mock, modem = start_mock_modemmanager(processes, source)
        ...
    finally:
        processes.stop_all()

Waits poll a condition until a deadline (wait_until), never a fixed sleep.
"""
import os
import signal
import subprocess
import sys
import time

SKIP = 77
# Debian's interpreter, where python3-dbusmock (and pyatspi, selenium) live.
PYTHON = "/usr/bin/python3"
MOCK_INTERFACE = "org.freedesktop.DBus.Mock"
MODEM_MANAGER = "org.freedesktop.ModemManager1"


def skip(why):
    print("SKIPPED: " + why)
    sys.exit(SKIP)


def wait_until(what, condition, seconds=10.0, shown=None, step=0.05):
    """Polls until `condition` gives something true, and returns it."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what + (" (shown: %s)" % shown() if shown else ""))
        time.sleep(step)


def clean_environment(scratch):
    """The test's environment without the machine's buses, session or display;
    state and runtime folders of the test's own under `scratch`."""
    environment = {k: v for k, v in os.environ.items()
                   if not k.startswith(("DBUS_", "AT_SPI_")) and
                   k not in ("XDG_SESSION_ID", "XDG_STATE_HOME", "XDG_RUNTIME_DIR", "DISPLAY", "WAYLAND_DISPLAY")}
    environment["XDG_STATE_HOME"] = os.path.join(scratch, "state")
    runtime = os.path.join(scratch, "runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    environment["XDG_RUNTIME_DIR"] = runtime
    environment["PYTHONUNBUFFERED"] = "1"
    return environment


class Processes:
    """Children each in a process group of its own, stopped in reverse order."""

    def __init__(self, folder, environment):
        self.folder = folder
        self.environment = environment
        self.children = []

    def start(self, name, argv, pass_fds=(), stop_limit=5):
        """`stop_limit`: the seconds stop_all gives it after SIGTERM."""
        out = open(os.path.join(self.folder, name + ".out"), "w+")
        process = subprocess.Popen(argv, stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                   env=self.environment, start_new_session=True, pass_fds=pass_fds)
        self.children.append((name, process, out, stop_limit))
        return process, out

    def stop(self, process, limit=10):
        """SIGTERM to the process (its group when it lingers); its exit status."""
        if process.poll() is None:
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(limit)
            except subprocess.TimeoutExpired:
                pass
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        return process.wait()

    def stop_all(self):
        for _, process, out, limit in reversed(self.children):
            self.stop(process, limit)
            out.close()
        self.children = []


def start_bus(processes, role, config):
    """A dbus-daemon with `config`; its address."""
    process, out = processes.start(role + "-bus", ["dbus-daemon", "--config-file=" + config, "--nofork", "--print-address=1"])

    def address():
        if process.poll() is not None:
            raise AssertionError("dbus-daemon (%s) exited with status %d" % (role, process.returncode))
        out.seek(0)
        line = out.readline()
        return line.strip() if line.endswith("\n") else None
    return wait_until("the private %s bus" % role, address)


def start_mock_modemmanager(processes, source, parameters=None):
    """python3-dbusmock with tests/linux/modemmanager.py on the private system
    bus: its process, and its manager object, whose Mock interface
    (MOCK_INTERFACE) plays the network."""
    import dbus
    system = dbus.bus.BusConnection(processes.environment["DBUS_SYSTEM_BUS_ADDRESS"])
    argv = [PYTHON, "-m", "dbusmock", "--system", "--template", os.path.join(source, "tests", "linux", "modemmanager.py")]
    if parameters:
        argv += ["--parameters", parameters]
    process, _ = processes.start("mock", argv)
    wait_until("the mock ModemManager", lambda: system.name_has_owner(MODEM_MANAGER), seconds=15)
    return process, system.get_object(MODEM_MANAGER, "/org/freedesktop/ModemManager1")


def bus_config(source):
    return os.path.join(source, "tests", "linux", "test-bus.conf")
