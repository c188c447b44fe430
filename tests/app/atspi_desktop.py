"""A desktop of a test's own for driving a GTK 4 program through its
accessibility tree: an X server (x_screen.py), the accessibility bus
(at-spi-bus-launcher on the test's private session bus, with
at-spi2-registryd), and pyatspi in this process pointed at them; taps and
typing are XTest events sent through the registry.

    desktop = Desktop(processes, width=360, height=720)   # after the session bus
    desktop.start()
    process, app = desktop.launch("quorvel-app", [binary])
    button = desktop.find(app, "push button", "Dial")
    desktop.press(button)
    desktop.type_text("*100#")
    desktop.shot("2-dialled.png")

Everything starts in the caller's Processes, so its stop_all() stops it. The
machine's own display and buses are never used: pyatspi is imported only
once DISPLAY and DBUS_SESSION_BUS_ADDRESS name the test's own.
"""
import os
import re

from private_buses import wait_until
from x_screen import IMPORT, XVFB, XWININFO, XScreen

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
REGISTRY = "/usr/libexec/at-spi2-registryd"


def missing_programs():
    """Why the desktop cannot be had here ("" when it can)."""
    for program, package in ((XVFB, "xvfb"), (BUS_LAUNCHER, "at-spi2-core"), (REGISTRY, "at-spi2-core"),
                             (IMPORT, "imagemagick"), (XWININFO, "x11-utils"), ("/usr/bin/dbus-daemon", "dbus")):
        if not os.access(program, os.X_OK):
            return "%s is missing (package %s)" % (program, package)
    try:
        import gi  # noqa: F401
    except ImportError:
        return "python3-gi is missing"
    import importlib.util
    if importlib.util.find_spec("pyatspi") is None:
        return "pyatspi is missing (package python3-pyatspi)"
    return ""


class Desktop:
    def __init__(self, processes, width, height, shots=None):
        self.processes = processes
        self.screen = XScreen(processes, width, height)
        self.shots = shots or processes.folder
        self.pyatspi = None

    # --- starting ---------------------------------------------------------

    def start(self):
        environment = self.processes.environment
        self.screen.start()
        # What GTK and the accessibility bus read of the session: nothing of the machine's.
        environment["GSETTINGS_BACKEND"] = "memory"
        environment["GTK_A11Y"] = "atspi"
        environment["NO_AT_BRIDGE"] = "0"
        environment["GDK_BACKEND"] = "x11"
        environment["LANG"] = environment["LC_ALL"] = "C.UTF-8"

        self.processes.start("a11y-bus", [BUS_LAUNCHER, "--launch-immediately", "--a11y=1"])
        import dbus
        session = dbus.bus.BusConnection(environment["DBUS_SESSION_BUS_ADDRESS"])

        def a11y_address():
            if not session.name_has_owner("org.a11y.Bus"):
                return None
            try:
                return str(session.get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(dbus_interface="org.a11y.Bus"))
            except dbus.exceptions.DBusException:
                return None
        address = wait_until("the accessibility bus", a11y_address, seconds=15)
        self.processes.start("a11y-registry", [REGISTRY])
        a11y = dbus.bus.BusConnection(address)
        wait_until("the accessibility registry", lambda: a11y.name_has_owner("org.a11y.atspi.Registry"), seconds=15)

        # pyatspi (libatspi) finds the accessibility bus through this process's
        # environment, read once at its first use: point it at ours first.
        for key in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR", "GSETTINGS_BACKEND"):
            os.environ[key] = environment[key]
        os.environ.pop("AT_SPI_BUS_ADDRESS", None)
        import pyatspi
        self.pyatspi = pyatspi

    def launch(self, name, argv, seconds=20):
        """Starts a program on the desktop; the process and its accessible
        application (found by its process id) once it has a window."""
        process, _ = self.processes.start(name, argv)

        def application():
            if process.poll() is not None:
                raise AssertionError("%s exited with status %d" % (name, process.returncode))
            for app in self.pyatspi.Registry.getDesktop(0):
                try:
                    if app is not None and app.get_process_id() == process.pid and app.childCount > 0:
                        return app
                except Exception:
                    continue
            return None
        return process, wait_until("%s in the accessibility tree" % name, application, seconds=seconds)

    # --- the tree ---------------------------------------------------------

    def nodes(self, root):
        """Every accessible under `root` that is on screen, depth first. GTK
        4.8 marks only windows SHOWING and keeps hidden widgets in the tree
        (a stack's other pages, a squeezer's other child): on screen is
        having a size, with its middle inside its window."""
        found = []
        stack = [(root, None)]
        while stack:
            node, window = stack.pop()
            if node is None:
                continue
            try:
                role = node.getRoleName()
                if role == "application":
                    inside = None
                else:
                    extents = node.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
                    if extents.width <= 0 or extents.height <= 0:
                        continue
                    if window is None:
                        window = self.top_level(node).queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
                    middle = (extents.x + extents.width // 2, extents.y + extents.height // 2)
                    if not (window.x <= middle[0] < window.x + window.width and
                            window.y <= middle[1] < window.y + window.height):
                        continue
                    inside = window
                found.append(node)
                stack.extend(reversed([(node.getChildAtIndex(i), inside) for i in range(node.childCount)]))
            except Exception:  # a node that went away while walked: not there
                continue
        return found

    def matching(self, root, role, name):
        """Showing accessibles of that role whose name is `name` (a str) or
        matches it (a compiled pattern)."""
        result = []
        for node in self.nodes(root):
            try:
                if role and node.getRoleName() != role:
                    continue
                text = node.name or ""
            except Exception:
                continue
            if (name.search(text) if isinstance(name, re.Pattern) else text == name) and not self.covered(node):
                result.append(node)
        return result

    def covered(self, node):
        """Whether something else is drawn where the node is: a widget kept
        allocated but not shown (the header's view switcher that a squeezer
        swapped for the title on a narrow window) is found by asking the
        window what is at the node's middle. An answer of nothing, or of the
        node, a child of it or a container of it, leaves the node shown."""
        try:
            window = self.top_level(node)
            if window is node:
                return False
            extents = node.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
            hit = window.queryComponent().getAccessibleAtPoint(extents.x + extents.width // 2,
                                                               extents.y + extents.height // 2,
                                                               self.pyatspi.DESKTOP_COORDS)
            if hit is None:
                return False
            for a, b in ((hit, node), (node, hit)):  # hit within node, or node within hit
                while a is not None and a != window:
                    if a == b:
                        return False
                    a = a.parent
            return True
        except Exception:
            return False

    def find(self, root, role, name, seconds=10):
        """The one showing accessible of that role and name, once there."""
        return wait_until("%s \"%s\"" % (role, getattr(name, "pattern", name)),
                          lambda: (self.matching(root, role, name) or [None])[0], seconds=seconds,
                          shown=lambda: self.describe(root))

    def gone(self, root, role, name, seconds=10):
        wait_until("%s \"%s\" to go" % (role, getattr(name, "pattern", name)),
                   lambda: not self.matching(root, role, name), seconds=seconds, shown=lambda: self.describe(root))

    def describe(self, root, limit=4000):
        """The showing tree as text, for a failure's message."""
        lines = []
        for node in self.nodes(root):
            try:
                lines.append("%s \"%s\"" % (node.getRoleName(), node.name))
            except Exception:
                continue
        text = "; ".join(lines)
        return text if len(text) <= limit else text[:limit] + "..."

    # --- acting -----------------------------------------------------------

    def press(self, node):
        """Its first action (a button's click, a switch's toggle)."""
        action = node.queryAction()
        if action.nActions < 1:
            raise AssertionError("%s \"%s\" has no action" % (node.getRoleName(), node.name))
        if not action.doAction(0):
            raise AssertionError("%s \"%s\" did not take its action" % (node.getRoleName(), node.name))

    def top_level(self, node):
        """The window (frame, dialog) a node is in."""
        while True:
            parent = node.parent
            if parent is None or parent.getRoleName() == "application":
                return node
            node = parent

    def screen_point(self, node):
        """Where the middle of a node is on the screen. GTK reports extents
        relative to its window's content, which on X without a compositor
        sits inside a border as wide on each side: the window's X geometry
        says where the content is."""
        extents = node.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        if extents.width <= 0 or extents.height <= 0:
            raise AssertionError("%s \"%s\" is not on screen" % (node.getRoleName(), node.name))
        window = self.top_level(node)
        frame = window.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        x, y, width, height = self.screen.x_geometry("^" + re.escape(window.name) + "$")
        left = x + (width - frame.width) // 2 - frame.x
        top = y + (height - frame.height) // 2 - frame.y
        return left + extents.x + extents.width // 2, top + extents.y + extents.height // 2

    def tap(self, node):
        """A click (a tap) at the middle of the node, through XTest."""
        x, y = self.screen_point(node)
        self.pyatspi.Registry.generateMouseEvent(x, y, self.pyatspi.MOUSE_B1C)

    def move_pointer(self, x, y):
        """The pointer out of the way (a hovered button looks pressed in a screenshot)."""
        self.pyatspi.Registry.generateMouseEvent(x, y, self.pyatspi.MOUSE_ABS)

    def focused(self, node):
        return node.getState().contains(self.pyatspi.STATE_FOCUSED)

    def focus(self, node):
        """Gives the node the keyboard with a tap (GTK 4.8 takes no
        GrabFocus, and an entry row's focus is on a text inside it that is
        not in the tree, so the caller checks what typing did). The X server
        takes the tap before any key typed after it."""
        if not self.focused(node):
            self.tap(node)

    def type_text(self, text):
        """Types as a keyboard would (XTest key events through the registry)."""
        for character in text:
            self.pyatspi.Registry.generateKeyboardEvent(ord(character) if ord(character) < 0x100 else
                                                       0x01000000 + ord(character), None, self.pyatspi.KEY_SYM)

    def text_of(self, node):
        try:
            text = node.queryText()
            return text.getText(0, text.characterCount)
        except NotImplementedError:
            return ""

    # --- the screen (x_screen.py) -------------------------------------------

    @property
    def display(self):
        return self.screen.display

    def resize_window(self, title_pattern, width, height, x=0, y=0):
        return self.screen.resize_window(title_pattern, width, height, x, y)

    def activate_window(self, title_pattern):
        return self.screen.activate_window(title_pattern)

    def x_windows(self):
        return self.screen.x_windows()

    def x_geometry(self, title_pattern):
        return self.screen.x_geometry(title_pattern)

    def shot(self, name, width=None, height=None):
        return self.screen.shot(self.shots, name, width, height)

    def close(self):
        self.screen.close()
