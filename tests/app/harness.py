"""What every test of this folder starts with: its output folder, a scratch
folder, the private session bus (and system bus when asked), and the desktop
of atspi_desktop.py; skipped (exit 77) with the reason when a program or
module it needs is missing; everything stopped at the end, also on failure.
system_bus may also be a function of the TestDesktop that starts a system
bus of its own (before the desktop) and gives its address.

    with TestDesktop(source, folder, width=360, height=720, system_bus=True) as t:
        modem = start_mock_modemmanager(t.processes, source)
        process, app = t.desktop.launch("app", [binary])

With session_services=True, t.session_services is a folder of D-Bus service
files that the session bus activates services from.
"""
import os
import shutil
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "linux"))

from private_buses import Processes, bus_config, clean_environment, skip, start_bus  # noqa: E402
from atspi_desktop import Desktop, missing_programs  # noqa: E402


class TestDesktop:
    def __init__(self, source, folder, width, height, system_bus=False, session_services=False):
        self.source = source
        self.folder = folder
        self.width = width
        self.height = height
        self.system_bus = system_bus
        # A folder of D-Bus service files the session bus activates from (when asked).
        self.session_services = session_services
        self.scratch = None
        self.processes = None
        self.desktop = None

    def __enter__(self):
        why = missing_programs()
        if why:
            skip(why)
        try:
            import dbus  # noqa: F401
        except ImportError:
            skip("python3-dbus is missing")
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        self.scratch = tempfile.mkdtemp(prefix="quorvel-app-test-")
        self.processes = Processes(self.folder, clean_environment(self.scratch))
        try:
            environment = self.processes.environment
            config = bus_config(self.source)
            if callable(self.system_bus):
                environment["DBUS_SYSTEM_BUS_ADDRESS"] = self.system_bus(self)
            elif self.system_bus:
                environment["DBUS_SYSTEM_BUS_ADDRESS"] = start_bus(self.processes, "system", config)
            session_config = config
            if self.session_services:
                self.session_services = os.path.join(self.scratch, "session-services")
                os.makedirs(self.session_services)
                session_config = os.path.join(self.scratch, "session-bus.conf")
                with open(session_config, "w") as out:
                    out.write('<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"\n'
                              ' "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">\n'
                              '<busconfig><include>%s</include><servicedir>%s</servicedir></busconfig>\n'
                              % (config, self.session_services))
            environment["DBUS_SESSION_BUS_ADDRESS"] = start_bus(self.processes, "session", session_config)
            self.desktop = Desktop(self.processes, self.width, self.height)
            self.desktop.start()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *_):
        if self.desktop:
            self.desktop.close()
        if self.processes:
            self.processes.stop_all()
        if self.scratch:
            shutil.rmtree(self.scratch, ignore_errors=True)
        return False
