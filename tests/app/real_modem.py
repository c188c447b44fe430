"""The real ModemManager for the app's tests: tests/linux/real_modemmanager.py
(a private system bus, the real polkitd, the real ModemManager in a private
mount namespace, the emulated AT modem) started as one of the test's
processes, before its desktop. The network is played on the emulated modem's
control socket (at_modem.py); ModemManager is reached on the harness's bus.

    modem = RealModemManager()
    why = modem.why_not()            # "" when this machine can run it
    with TestDesktop(..., system_bus=modem.start) as t:
        modem.answer("*100#", "Balance 12.50")
        path = modem.exported_modem()
        modem.enable(path)
"""
import json
import os
import socket
import subprocess

from private_buses import PYTHON, wait_until

HERE = os.path.dirname(os.path.abspath(__file__))
HARNESS = os.path.join(HERE, "..", "linux", "real_modemmanager.py")
# What the harness runs, as the C++ real-ModemManager suite checks it.
PROGRAMS = ("/usr/bin/unshare", "/usr/sbin/ModemManager", "/usr/lib/polkit-1/polkitd", "/usr/bin/mmcli",
            "/usr/bin/dbus-daemon", "/usr/bin/setpriv", PYTHON)
MANAGER = "org.freedesktop.ModemManager1"
MANAGER_PATH = "/org/freedesktop/ModemManager1"
MODEM_INTERFACE = "org.freedesktop.ModemManager1.Modem"
HARNESS_START = 20
# ModemManager probes a modem for about 10 s after it starts (more on a busy machine).
MODEM_EXPORT = 60
# The harness lets ModemManager disable the modem on its way out (up to 8 s).
HARNESS_STOP = 15
CONTROL_TIMEOUT = 10
MAX_REPLY = 1 << 20
MAX_SOCKET_PATH = 100  # sockaddr_un holds 108 bytes


class RealModemManager:
    def __init__(self):
        self.folder = None
        self.control = None
        self.address = None

    @staticmethod
    def why_not():
        """Why this machine cannot run the harness; "" when it can."""
        if os.geteuid() != 0:
            return "the real ModemManager's tests need root (a private mount namespace for its made-up sysfs)"
        for program in PROGRAMS:
            if not os.access(program, os.X_OK):
                return program + " is missing"
        try:
            refused = subprocess.run(["/usr/bin/unshare", "--mount", "--", "/bin/true"], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, timeout=10).returncode != 0
        except subprocess.TimeoutExpired:
            refused = True
        return "unshare --mount is refused here (no private mount namespace)" if refused else ""

    def start(self, t):
        """The harness, as one of t's processes; its system bus's address."""
        # Its logs beside the test's, unless the control socket's path would not fit there.
        self.folder = os.path.join(t.folder, "modemmanager")
        if len(os.path.join(self.folder, "control")) > MAX_SOCKET_PATH:
            self.folder = os.path.join(t.scratch, "modemmanager")
        harness, out = t.processes.start("modemmanager-harness", [PYTHON, HARNESS, "--folder", self.folder],
                                         stop_limit=HARNESS_STOP)
        ready = os.path.join(self.folder, "ready.json")

        def started():
            if harness.poll() is not None:
                out.seek(0)
                raise AssertionError("the real ModemManager's harness exited with status %d:\n%s"
                                     % (harness.returncode, out.read()[-4000:]))
            return os.path.exists(ready)
        wait_until("the real ModemManager's harness", started, seconds=HARNESS_START)
        with open(ready, encoding="utf-8") as f:
            fields = json.load(f)
        self.control = fields["control"]
        self.address = fields["system_bus"]
        return self.address

    def request(self, **fields):
        """One request to the emulated modem's control socket; its reply."""
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
            s.settimeout(CONTROL_TIMEOUT)
            s.connect(self.control)
            s.sendall((json.dumps(fields) + "\n").encode())
            reply = b""
            while not reply.endswith(b"\n") and len(reply) < MAX_REPLY:
                chunk = s.recv(4096)
                if not chunk:
                    break
                reply += chunk
        answer = json.loads(reply.decode() or "{}")
        if answer.get("ok") is not True:
            raise AssertionError("the emulated modem refused %s: %s" % (fields, reply[:1000]))
        return answer

    def answer(self, code, text):
        """How the network answers `code`."""
        self.request(op="answer", code=code, text=text)

    def bus(self):
        import dbus
        return dbus.bus.BusConnection(self.address)

    def exported_modem(self, seconds=MODEM_EXPORT):
        """The path of the modem ModemManager exports, once it has probed it."""
        import dbus
        system = self.bus()

        def modems():
            if not system.name_has_owner(MANAGER):
                return None
            try:
                manager = system.get_object(MANAGER, MANAGER_PATH)
                objects = manager.GetManagedObjects(dbus_interface="org.freedesktop.DBus.ObjectManager")
            except dbus.exceptions.DBusException:
                return None
            return sorted(str(path) for path, interfaces in objects.items() if MODEM_INTERFACE in interfaces)
        return wait_until("ModemManager's modem", modems, seconds=seconds)[0]

    def enable(self, path):
        modem = self.bus().get_object(MANAGER, path)
        modem.Enable(True, dbus_interface=MODEM_INTERFACE, timeout=MODEM_EXPORT)

    def log(self):
        """What the emulated modem logged: "<- AT..." is what ModemManager sent it."""
        with open(os.path.join(self.folder, "modem.log"), encoding="utf-8", errors="replace") as f:
            return f.read()

    def stop_modemmanager(self):
        """ModemManager stops (disabling the modem on its way out); the rest runs on."""
        self.request(op="stop-modemmanager")
