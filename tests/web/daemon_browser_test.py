#!/usr/bin/env python3
"""quorveld's page, end to end in headless Chromium: two private buses
(dbus-daemon with tests/linux/test-bus.conf, one as the system bus and one as
the session bus), the mock ModemManager (python3-dbusmock with
tests/linux/modemmanager.py) answering *100#, and `quorveld --serve --port 0
--root TMP`. The page is opened as its user would open it, with the token
read from the file the daemon's log names; the test checks that the page's
script and style load and run (the phone is drawn, the simulator's controls
are hidden), that Notification Center shows the widget, and that a code
added through the Settings wizard on the page reaches the codes store under
the root. A screenshot of each step goes to the output folder.

    daemon_browser_test.py QUORVELD_BINARY SOURCE_DIR OUTPUT_FOLDER

Exits 77 (skipped) with a message when Chromium, chromedriver, selenium,
dbusmock or dbus-daemon is missing; stops everything it started whatever
happens, and never touches the machine's own buses.
"""
import os
import re
import shutil
import sys
import tempfile

from browser_test import SKIP, Phone, add_code_until_titled, find_chromium, skip, wait_until

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "linux"))
from private_buses import PYTHON, Processes, start_bus  # noqa: E402 (after the path it lives on)

CODES = "var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist"


def main():
    if len(sys.argv) < 4:
        print(__doc__)
        return 2
    quorveld, source, folder = (os.path.abspath(a) for a in sys.argv[1:4])
    chromium = find_chromium()
    chromedriver = shutil.which("chromedriver") or ("/usr/bin/chromedriver" if os.path.exists("/usr/bin/chromedriver") else None)
    if not chromium:
        skip("chromium is not installed (scripts/setup.sh installs it)")
    if not chromedriver:
        skip("chromedriver is not installed (package chromium-driver)")
    if not shutil.which("dbus-daemon"):
        skip("dbus-daemon is not installed")
    try:
        import dbus
        import dbusmock  # noqa: F401 (the mock runs in a process of its own)
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError as missing:
        skip("a Python module is missing: %s (python3-selenium, python3-dbusmock)" % missing.name)

    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    scratch = tempfile.mkdtemp(prefix="quorvel-daemon-page-")
    root = os.path.join(scratch, "root")
    os.makedirs(os.path.join(root, os.path.dirname(CODES)))
    # Nothing of the machine's own buses or session reaches the children.
    environment = {k: v for k, v in os.environ.items()
                   if not k.startswith("DBUS_") and k not in ("XDG_SESSION_ID", "XDG_STATE_HOME")}
    environment["XDG_STATE_HOME"] = os.path.join(scratch, "state")
    environment["PYTHONUNBUFFERED"] = "1"
    processes = Processes(folder, environment)
    profile = tempfile.mkdtemp(prefix="quorvel-chromium-")
    driver = None
    try:
        config = os.path.join(source, "tests", "linux", "test-bus.conf")
        environment["DBUS_SYSTEM_BUS_ADDRESS"] = start_bus(processes, "system", config)
        environment["DBUS_SESSION_BUS_ADDRESS"] = start_bus(processes, "session", config)
        system = dbus.bus.BusConnection(environment["DBUS_SYSTEM_BUS_ADDRESS"])

        processes.start("mock", [PYTHON, "-m", "dbusmock", "--system", "--template",
                                 os.path.join(source, "tests", "linux", "modemmanager.py")])
        wait_until("the mock ModemManager", lambda: system.name_has_owner("org.freedesktop.ModemManager1"), seconds=15)
        system.get_object("org.freedesktop.ModemManager1", "/org/freedesktop/ModemManager1").SetUssdReply(
            "*100#", "reply", "Balance 12.50 rub, bonus 300", "", dbus_interface="org.freedesktop.DBus.Mock")

        log_file = os.path.join(folder, "daemon.log")
        daemon, _ = processes.start("daemon", [quorveld, "--root", root, "--log-file", log_file, "--serve", "--port", "0"])

        def address():
            if daemon.poll() is not None:
                raise AssertionError("quorveld exited with status %d" % daemon.returncode)
            text = open(log_file).read() if os.path.exists(log_file) else ""
            found = re.search(r"(http://127\.0\.0\.1:\d+/)\?token=TOKEN, TOKEN being the contents of (\S+)", text)
            return found.groups() if found else None
        base, token_file = wait_until("the page's address in the daemon's log", address, seconds=15)
        token = open(token_file).read().strip()
        if token in open(log_file).read():
            raise AssertionError("the daemon's log holds the token")

        options = webdriver.ChromeOptions()
        options.binary_location = chromium
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                         "--user-data-dir=" + profile, "--window-size=1280,900", "--no-first-run",
                         "--disable-extensions", "--disable-background-networking"):
            options.add_argument(argument)
        service = Service(executable_path=chromedriver, log_path=os.path.join(folder, "chromedriver.log"))
        driver = webdriver.Chrome(service=service, options=options)
        session = dbus.bus.BusConnection(environment["DBUS_SESSION_BUS_ADDRESS"])
        modem = system.get_object("org.freedesktop.ModemManager1", "/org/freedesktop/ModemManager1")
        daemon_object = session.get_object("org.quillmoor.Quorvel1", "/org/quillmoor/Quorvel1")

        def refresh_to(reply, value):
            """The modem answers `reply`; refreshes are asked until the store holds `value`."""
            modem.SetUssdReply("*100#", "reply", reply, "", dbus_interface="org.freedesktop.DBus.Mock")
            def stored():
                try:
                    daemon_object.Refresh(dbus_interface="org.quillmoor.Quorvel1")
                except dbus.exceptions.DBusException:
                    pass  # no widget line yet
                return ("<string>%s</string>" % value) in open(os.path.join(root, CODES)).read()
            wait_until("the value " + value + " in the codes store", stored, seconds=30)

        run(driver, Phone(driver, folder), base + "?token=" + token, os.path.join(root, CODES), refresh_to)

        if processes.stop(daemon) != 0:
            raise AssertionError("quorveld stopped with status %d" % daemon.returncode)
        print("daemon browser test: passed")
        return 0
    finally:
        if driver is not None:
            driver.quit()
        processes.stop_all()
        shutil.rmtree(profile, ignore_errors=True)
        shutil.rmtree(scratch, ignore_errors=True)


def run(driver, phone, url, codes, refresh_to):
    driver.get(url)
    # Only the page's script draws the phone: that it is there says the script loaded and ran.
    wait_until("the Settings screen", lambda: driver.find_elements("css selector", "#screen-settings svg text"), seconds=15)
    phone.wait_title("Quorvel")
    # The style loaded too, and the script hid what a real phone lacks.
    if driver.execute_script("return getComputedStyle(document.getElementById('phone')).width") != "320px":
        raise AssertionError("the page's style did not load")
    if driver.find_element("id", "carrier-controls").is_displayed() or driver.find_element("id", "clock-controls").is_displayed():
        raise AssertionError("the simulator's controls show on the daemon's page")
    phone.shot("settings")

    driver.find_element("id", "app-nc").click()
    wait_until("the widget", lambda: driver.find_elements("css selector", "#screen-nc svg text"))
    phone.shot("widget")
    driver.find_element("id", "app-settings").click()
    phone.wait_title("Quorvel")

    # The daemon dials through the mock modem, which answers at once.
    add_code_until_titled(driver, phone, "*100#", "Balance")
    phone.tap_text("Save")
    wait_until("the notice", lambda: driver.find_elements("css selector", "#screen-settings [role=alertdialog]"))
    phone.tap_text("OK")
    phone.wait_title("USSD Codes")
    phone.shot("codes-saved")

    def stored():
        text = open(codes).read() if os.path.exists(codes) else ""
        return "<string>*100#</string>" in text and "<string>Balance</string>" in text
    wait_until("the code in the codes store", stored)
    wait_until("the page's codes store", lambda: "*100#" in driver.find_element("id", "codes").text)
    wait_until("the page's log", lambda: "quorveld" in driver.find_element("id", "log").text or
               "Qvl:" in driver.find_element("id", "log").text)

    # Two refreshes with falling figures: the figures panel writes the change
    # since the previous value, draws the chart from the daemon's history and
    # shows the whole last reply. Notification Center opened reloads the
    # widget, whose refresh line the daemon's Refresh taps.
    driver.find_element("id", "app-nc").click()
    wait_until("the widget's titled field", lambda: "Balance" in " ".join(phone.texts("screen-nc")),
               shown=lambda: phone.texts("screen-nc"))
    refresh_to("Balance 11.20 rub, bonus 300", "11.20")
    refresh_to("Balance 10.00 rub, bonus 300", "10.00")
    figures_text = lambda: driver.find_element("id", "figures").text
    wait_until("the change in the figures panel", lambda: "\u22121.20 since " in figures_text(), seconds=20,
               shown=figures_text)
    wait_until("the chart", lambda: driver.find_elements("css selector", "#figures svg.chart polyline"))
    wait_until("the last reply", lambda: "Last reply: Balance 10.00 rub, bonus 300" in figures_text(), shown=figures_text)
    driver.execute_script("document.getElementById('figures-panel').scrollIntoView()")
    phone.shot("figures")


if __name__ == "__main__":
    sys.exit(main())
