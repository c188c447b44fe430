#!/usr/bin/env python3
"""The lock-screen plugin's widget in a GTK 3 window of the test's own, under
Xvfb, where it can be seen: the headless Phosh (phosh_lockscreen_test.py)
shows the clock page of its lock screen, not the page the widget is on.

The module is loaded as Phosh loads it: the lock-screen widget extension
point is registered, the build's plugin folder scanned with GIO, and the
widget made from the type the "quorvel" extension names. It plays
plugin_world.play_story on the world that file sets up (private buses, the
mock ModemManager, quorveld): the texts are read by walking the widget
tree, the refresh line is tapped with a real pointer click through the X
server (XTest), and the window is saved at each step into the output folder.
Before the story, the widget is made while a process that never answers
holds quorveld's name: making it must not wait for that process.

    widget_window_test.py PLUGIN_FOLDER QUORVELD_BINARY SOURCE_DIR OUTPUT_FOLDER

Exits 77 (skipped) with a message when the plugin is built with the
sanitizers, or when Xvfb, libXtst, PyGObject's GTK 3 or
dbusmock is missing; stops everything it started whatever happens, and never
touches the machine's own buses or display.
"""
import ctypes
import ctypes.util
import os
import shutil
import sys
import time

from plugin_world import PluginWorld, play_story, require_bus_tools, require_loadable_plugin, skip, wait_until

EXTENSION_POINT = "phosh-lockscreen-widget"
WIDTH = 360


class Pointer:
    """Clicks through the X server, as a finger's tap arrives there."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
        self.xtst = ctypes.CDLL(ctypes.util.find_library("Xtst"))
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        for function in (self.x11.XFlush, self.x11.XCloseDisplay):
            function.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]
        self.xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(display.encode())
        if not self.display:
            raise AssertionError("cannot open the X display " + display)

    def tap(self, x, y):
        self.xtst.XTestFakeMotionEvent(self.display, -1, x, y, 0)
        self.xtst.XTestFakeButtonEvent(self.display, 1, 1, 0)
        self.xtst.XTestFakeButtonEvent(self.display, 1, 0, 0)
        # The finger lifts: no pointer stays over the line to highlight it.
        self.xtst.XTestFakeMotionEvent(self.display, -1, 0, 0, 0)
        self.x11.XFlush(self.display)

    def close(self):
        self.x11.XCloseDisplay(self.display)


class WindowScreen:
    def __init__(self, Gtk, Gdk, widget, folder, pointer):
        self.Gtk = Gtk
        self.Gdk = Gdk
        self.widget = widget
        self.folder = folder
        self.pointer = pointer
        self.shots = 0
        self.window = Gtk.Window(title="Quorvel lock-screen widget")
        self.window.set_default_size(WIDTH, -1)
        self.window.add(widget)
        widget.show()
        self.window.move(0, 0)
        self.draws = 0
        self.window.connect_after("draw", self.drawn)
        self.window.show()

    def drawn(self, *_):
        self.draws += 1
        return False

    def pump(self):
        while self.Gtk.events_pending():
            self.Gtk.main_iteration_do(False)

    def nodes(self, widget=None):
        widget = widget or self.widget
        for child in widget.get_children() if isinstance(widget, self.Gtk.Container) else []:
            yield child
            if not isinstance(child, (self.Gtk.Button, self.Gtk.Label)):
                yield from self.nodes(child)

    def texts(self):
        """The texts of the widget's visible labels and buttons, in tree order."""
        self.pump()
        shown = []
        for node in self.nodes():
            if not node.is_visible():
                continue
            text = node.get_text() if isinstance(node, self.Gtk.Label) else \
                node.get_label() if isinstance(node, self.Gtk.Button) else ""
            if text:
                shown.append(text)
        return shown

    def tap_refresh(self):
        buttons = [n for n in self.nodes() if isinstance(n, self.Gtk.Button) and n.is_visible()]
        if not buttons or not buttons[0].get_label().startswith("Refresh"):
            raise AssertionError("no refresh line to tap: %s" % self.texts())
        button = buttons[0]
        wait_until("the refresh line to be drawn", lambda: self.pump() or button.get_mapped())
        allocation = button.get_allocation()
        x, y = button.translate_coordinates(self.window, allocation.width // 2, allocation.height // 2)
        _, left, top = self.window.get_window().get_origin()
        self.pointer.tap(left + x, top + y)

    def shot(self, name):
        self.shots += 1
        # The window shrinks to what the widget needs now, and the picture
        # is read only after a draw that came after the last change.
        self.pump()
        self.window.resize(WIDTH, 1)
        drawn = self.draws
        self.window.queue_draw()
        wait_until("the window to be drawn", lambda: self.pump() or self.draws > drawn)
        self.Gdk.Display.get_default().sync()
        gdk_window = self.window.get_window()
        picture = self.Gdk.pixbuf_get_from_window(gdk_window, 0, 0, gdk_window.get_width(), gdk_window.get_height())
        if picture is None:
            raise AssertionError("the window could not be read back for " + name)
        picture.savev(os.path.join(self.folder, "%d-%s.png" % (self.shots, name)), "png", [], [])


def made_beside_a_silent_daemon(world, make):
    """Makes the widget while a process that never answers holds quorveld's
    name, as a hung daemon would: the shell's main loop must not wait on it
    (a blocking proxy would sit out the bus's 25 s timeout reading its
    properties). The process then goes, and the story starts from there."""
    import dbus
    silent = dbus.bus.BusConnection(world.environment["DBUS_SESSION_BUS_ADDRESS"])
    silent.request_name("org.quillmoor.Quorvel1")  # no main loop: what it is sent stays unread
    try:
        started = time.monotonic()
        widget = make()
        waited = time.monotonic() - started
        if waited > 5:
            raise AssertionError("making the widget waited %.1f s on a daemon that does not answer" % waited)
        return widget
    finally:
        silent.close()


def start_xvfb(world):
    """Xvfb on a display number it picks itself; the display's name."""
    process, out = world.processes.start("xvfb", ["Xvfb", "-displayfd", "1", "-screen", "0", "%dx720x24" % WIDTH,
                                                  "-nolisten", "tcp", "-noreset"])

    def number():
        if process.poll() is not None:
            raise AssertionError("Xvfb exited with status %d" % process.returncode)
        out.seek(0)
        for line in out.read().splitlines():
            if line.strip().isdigit():
                return ":" + line.strip()
        return None
    return wait_until("Xvfb's display number", number, seconds=15)


def main():
    if len(sys.argv) < 5:
        print(__doc__)
        return 2
    plugins, quorveld, source, folder = (os.path.abspath(a) for a in sys.argv[1:5])
    require_loadable_plugin()
    if not shutil.which("Xvfb"):
        skip("Xvfb is not installed (package xvfb)")
    if not ctypes.util.find_library("Xtst") or not ctypes.util.find_library("X11"):
        skip("libXtst or libX11 is not installed (packages libxtst6, libx11-6)")
    try:
        import gi
        gi.require_version("Gtk", "3.0")
        gi.require_version("Gdk", "3.0")
    except (ImportError, ValueError) as missing:
        skip("PyGObject with GTK 3 is missing: %s (python3-gi, gir1.2-gtk-3.0)" % missing)
    require_bus_tools()

    world = PluginWorld(source, folder, quorveld, "quorvel-widget-")
    pointer = None
    try:
        world.start()
        display = start_xvfb(world)
        # This process is the shell here: its GTK uses the private display and
        # buses, no accessibility bus, and settings of its own.
        os.environ.update({"DISPLAY": display, "GDK_BACKEND": "x11", "NO_AT_BRIDGE": "1",
                           "GSETTINGS_BACKEND": "memory", "GTK_THEME": "Adwaita:dark"})
        from gi.repository import Gdk, Gio, GObject, Gtk
        if not Gtk.init_check(None)[0]:
            raise AssertionError("GTK cannot open the display " + display)
        Gio.IOExtensionPoint.register(EXTENSION_POINT)
        Gio.io_modules_scan_all_in_directory(plugins)
        extension = Gio.IOExtensionPoint.lookup(EXTENSION_POINT).get_extension_by_name("quorvel")
        if extension is None:
            raise AssertionError("no \"quorvel\" extension of %s in %s" % (EXTENSION_POINT, plugins))
        widget = made_beside_a_silent_daemon(world, lambda: GObject.new(extension.get_type()))
        pointer = Pointer(display)
        play_story(WindowScreen(Gtk, Gdk, widget, folder, pointer), world)
        print("widget window test: passed")
        return 0
    finally:
        if pointer is not None:
            pointer.close()
        world.stop_all()


if __name__ == "__main__":
    sys.exit(main())
