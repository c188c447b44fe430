#!/usr/bin/env python3
"""The harness itself, on a small GTK 4 window of its own (test_window.py):
a private Xvfb, session bus and accessibility bus, the window's tree read
through pyatspi, typing (XTest through the registry) filtered by the window
as the app's code entry filters it, a button pressed through its action, a
tap, and the window resized to the screen. Tells a fault of the harness
from one of the app.

    atspi_smoke_test.py SOURCE_DIR OUTPUT_FOLDER

Exits 77 (skipped) with the reason when Xvfb, at-spi2-core, ImageMagick,
python3-gi or pyatspi is missing.
"""
import os
import sys

from harness import TestDesktop
from private_buses import PYTHON, wait_until


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    source, folder = (os.path.abspath(a) for a in sys.argv[1:3])
    with TestDesktop(source, folder, width=360, height=720) as t:
        desktop = t.desktop
        _, app = desktop.launch("window", [PYTHON, os.path.join(source, "tests", "app", "test_window.py")])
        entry = desktop.find(app, "text", "Code")
        desktop.focus(entry)
        desktop.type_text("*1a0#")
        wait_until("the typed code, the letter left out", lambda: desktop.text_of(entry) == "*10#",
                   shown=lambda: desktop.text_of(entry))
        desktop.press(desktop.find(app, "push button", "Copy"))
        desktop.find(app, "label", "Copied *10#")
        switch = desktop.find(app, "check box", "By SMS")
        desktop.tap(switch)
        wait_until("the switch on", lambda: switch.getState().contains(desktop.pyatspi.STATE_CHECKED))
        desktop.resize_window("^Harness Window$", 360, 720)
        frame = desktop.find(app, "frame", "Harness Window")
        wait_until("the window at the screen's size",
                   lambda: frame.queryComponent().getExtents(desktop.pyatspi.DESKTOP_COORDS).height == 720,
                   shown=desktop.x_windows)
        desktop.shot("harness-window.png")
    print("accessibility harness: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
