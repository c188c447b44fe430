"""A desktop of a test's own for driving a GTK 4 program through its
accessibility tree: an X server (Xvfb, on a display number it picks itself),
the accessibility bus (at-spi-bus-launcher on the test's private session bus,
with at-spi2-registryd), and pyatspi in this process pointed at them. Screens
are taken from the X server with ImageMagick's `import`.

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
import ctypes
import os
import re
import shutil
import subprocess
import time

from private_buses import wait_until

XVFB = "/usr/bin/Xvfb"
XWININFO = "/usr/bin/xwininfo"
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
REGISTRY = "/usr/libexec/at-spi2-registryd"
IMPORT = shutil.which("import") or "/usr/bin/import"


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
        self.width = width
        self.height = height
        self.shots = shots or processes.folder
        self.display = None
        self.pyatspi = None
        self._x11 = None
        self._xdisplay = None

    # --- starting ---------------------------------------------------------

    def start(self):
        environment = self.processes.environment
        read, write = os.pipe()
        try:
            xvfb, _ = self.processes.start("xvfb", [XVFB, "-displayfd", str(write), "-screen", "0",
                                                     "%dx%dx24" % (self.width, self.height), "-nolisten", "tcp",
                                                     "-noreset", "+extension", "XTEST"], pass_fds=(write,))
        finally:
            os.close(write)
        number = b""
        deadline = time.monotonic() + 15
        os.set_blocking(read, False)
        while not number.endswith(b"\n"):
            if xvfb.poll() is not None:
                raise AssertionError("Xvfb exited with status %d" % xvfb.returncode)
            if time.monotonic() > deadline:
                raise AssertionError("timed out waiting for Xvfb's display number")
            try:
                chunk = os.read(read, 16)
            except BlockingIOError:
                chunk = b""
            if chunk:
                number += chunk
            else:
                time.sleep(0.02)
        os.close(read)
        self.display = ":" + number.decode().strip()
        environment["DISPLAY"] = self.display
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
        x, y, width, height = self.x_geometry("^" + re.escape(window.name) + "$")
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

    def key(self, keysym):
        self.pyatspi.Registry.generateKeyboardEvent(keysym, None, self.pyatspi.KEY_SYM)

    def text_of(self, node):
        try:
            text = node.queryText()
            return text.getText(0, text.characterCount)
        except NotImplementedError:
            return ""

    # --- the screen -------------------------------------------------------

    def _xlib(self):
        if self._x11 is None:
            x11 = ctypes.CDLL("libX11.so.6")
            x11.XOpenDisplay.restype = ctypes.c_void_p
            x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
            x11.XMoveResizeWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                              ctypes.c_uint, ctypes.c_uint]
            x11.XRaiseWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
            x11.XSetInputFocus.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_ulong]
            x11.XFlush.argtypes = [ctypes.c_void_p]
            x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
            self._xdisplay = x11.XOpenDisplay(self.display.encode())
            if not self._xdisplay:
                raise AssertionError("cannot open the display " + self.display)
            self._x11 = x11
        return self._x11

    def resize_window(self, title_pattern, width, height, x=0, y=0):
        """Without a window manager a program's window keeps the size and
        place it asks for: the test gives it one, as a phone's shell or a
        desktop's window manager would (XMoveResizeWindow)."""
        window = self.x_window(title_pattern)
        x11 = self._xlib()
        x11.XMoveResizeWindow(self._xdisplay, window, x, y, width, height)
        x11.XFlush(self._xdisplay)
        return window

    def activate_window(self, title_pattern):
        """Raises the window and gives it the keyboard, as a window manager
        does for the window a person works in."""
        window = self.x_window(title_pattern)
        x11 = self._xlib()
        x11.XRaiseWindow(self._xdisplay, window)
        x11.XSetInputFocus(self._xdisplay, window, 2, 0)  # RevertToParent, CurrentTime
        x11.XFlush(self._xdisplay)
        return window

    def x_windows(self):
        """(id, title, x, y, width, height) of each top-level X window."""
        tree = subprocess.run([XWININFO, "-root", "-tree", "-display", self.display],
                              capture_output=True, text=True, timeout=10).stdout
        windows = []
        for line in tree.splitlines():
            found = re.match(r'\s{5}(0x[0-9a-f]+) "(.*)": \(.*\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)', line)
            if found:
                windows.append((int(found.group(1), 16), found.group(2), int(found.group(5)), int(found.group(6)),
                                int(found.group(3)), int(found.group(4))))
        return windows

    def x_window(self, title_pattern, seconds=10):
        """The X window id of the top-level window whose title matches."""
        return wait_until("the X window \"%s\"" % title_pattern,
                          lambda: next((w[0] for w in self.x_windows() if re.search(title_pattern, w[1])), None),
                          seconds=seconds)

    def x_geometry(self, title_pattern, seconds=10):
        """(x, y, width, height) of the top-level window whose title matches."""
        return wait_until("the X window \"%s\"" % title_pattern,
                          lambda: next((w[2:] for w in self.x_windows() if re.search(title_pattern, w[1])), None),
                          seconds=seconds)

    def window_size(self, window):
        info = subprocess.run([XWININFO, "-id", str(window), "-display", self.display],
                              capture_output=True, text=True, timeout=10).stdout
        width = re.search(r"Width: (\d+)", info)
        height = re.search(r"Height: (\d+)", info)
        return (int(width.group(1)), int(height.group(1))) if width and height else None

    def shot(self, name, width=None, height=None):
        """The screen (its top left width x height when given) as a PNG in
        the shots folder; its path."""
        path = os.path.join(self.shots, name)
        crop = ["-crop", "%dx%d+0+0" % (width, height), "+repage"] if width and height else []
        subprocess.run([IMPORT, "-display", self.display, "-window", "root"] + crop + [path], check=True, timeout=30,
                       capture_output=True)
        return path

    def close(self):
        if self._xdisplay:
            self._x11.XCloseDisplay(self._xdisplay)
            self._xdisplay = None
