"""An X server of a test's own (Xvfb on a display number it picks itself,
with XTest for input) and what a window manager would do on it, since there
is none: windows placed and sized, raised and given the keyboard; their
geometry read with xwininfo, the screen taken with ImageMagick's `import`.

    screen = XScreen(processes, 1280, 800)
    screen.start()                         # sets DISPLAY in processes.environment
    screen.resize_window("^Quorvel$", 360, 720)
    screen.activate_window("^Quorvel$")
    screen.shot(folder, "1-figures.png", 360, 720)
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
IMPORT = shutil.which("import") or "/usr/bin/import"


class XScreen:
    def __init__(self, processes, width, height):
        self.processes = processes
        self.width = width
        self.height = height
        self.display = None
        self._x11 = None
        self._xdisplay = None

    def start(self):
        """Xvfb; its display (":N") once it takes clients, also in the children's DISPLAY."""
        read, write = os.pipe()
        try:
            xvfb, _ = self.processes.start("xvfb", [XVFB, "-displayfd", str(write), "-screen", "0",
                                                     "%dx%d" % (self.width, self.height) + "x24", "-nolisten", "tcp",
                                                     "-noreset", "+extension", "XTEST"], pass_fds=(write,))
        finally:
            os.close(write)
        number = b""
        deadline = time.monotonic() + 15
        os.set_blocking(read, False)
        try:
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
        finally:
            os.close(read)
        self.display = ":" + number.decode().strip()
        self.processes.environment["DISPLAY"] = self.display
        return self.display

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

    def shot(self, folder, name, width=None, height=None):
        """The screen (its top left width x height when given) as a PNG in
        the folder; its path."""
        path = os.path.join(folder, name)
        crop = ["-crop", "%dx%d+0+0" % (width, height), "+repage"] if width and height else []
        subprocess.run([IMPORT, "-display", self.display, "-window", "root"] + crop + [path], check=True, timeout=30,
                       capture_output=True)
        return path

    def close(self):
        if self._xdisplay:
            self._x11.XCloseDisplay(self._xdisplay)
            self._xdisplay = None
