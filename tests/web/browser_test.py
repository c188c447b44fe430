#!/usr/bin/env python3
"""The phone in a browser, end to end: `quorvel serve` on a free port, headless
Chromium through chromedriver (python3-selenium), and a user who adds *100#
through the Settings wizard by clicks and typing, lets the carrier answer,
titles a number, saves, opens Notification Center, taps the refresh line and
reads the new value in the widget. A screenshot of each step goes to the
output folder; the page's first paint and each tap's time to the updated
screen (Performance API, MutationObserver) are printed and written to
figures.txt there.

    browser_test.py QUORVEL_BINARY OUTPUT_FOLDER [--readme-shot FILE]

Exits 77 (skipped) with a message when Chromium, chromedriver or selenium is
missing; stops Chromium, chromedriver and the server whatever happens.
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77


def skip(why):
    print("SKIPPED: " + why)
    sys.exit(SKIP)


def find_chromium():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    return None


def wait_until(what, condition, seconds=10.0, shown=None):
    """Polls until `condition` gives something true. The page redraws the
    phone as its state changes, so an element found a moment ago may have
    been replaced: that counts as not yet."""
    try:
        from selenium.common.exceptions import StaleElementReferenceException
    except ImportError:  # a caller with no browser (the lock-screen plugin's test)
        class StaleElementReferenceException(Exception):
            pass
    deadline = time.monotonic() + seconds
    while True:
        try:
            value = condition()
        except StaleElementReferenceException:
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what + (" (shown: %s)" % shown() if shown else ""))
        time.sleep(0.05)


class Server:
    """quorvel serve on a free port; stopped with SIGTERM at the end."""

    def __init__(self, binary, folder):
        self.output = open(os.path.join(folder, "serve.log"), "w+")
        self.process = subprocess.Popen([binary, "serve", "--port", "0", "--keep-replies"], stdout=self.output,
                                        stderr=subprocess.STDOUT, cwd=folder)
        self.url = wait_until("the server's URL", self._url)

    def _url(self):
        if self.process.poll() is not None:
            raise AssertionError("quorvel serve exited with status %d" % self.process.returncode)
        self.output.seek(0)
        found = re.search(r"http://127\.0\.0\.1:\d+/\S*", self.output.read())
        return found.group(0) if found else None

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                status = self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
                raise AssertionError("quorvel serve did not stop within 10 s of SIGTERM")
            if status != 0:
                raise AssertionError("quorvel serve stopped with status %d" % status)


class Phone:
    """The page as a user sees it, with a screenshot after each step."""

    def __init__(self, driver, folder):
        self.driver = driver
        self.folder = folder
        self.step = 0

    def shot(self, name):
        self.step += 1
        path = os.path.join(self.folder, "%02d-%s.png" % (self.step, name))
        self.driver.save_screenshot(path)
        print("screenshot:", path)

    def texts(self, screen):
        return [t.text for t in self.driver.find_elements("css selector", "#%s svg text" % screen)]

    def text_element(self, screen, wanted):
        # Only text inside the phone's screen: what lies past its edge is clipped.
        inside = ("const r = arguments[0].getBoundingClientRect(), s = arguments[0].ownerSVGElement.getBoundingClientRect();"
                  "return r.top >= s.top && r.bottom <= s.bottom;")

        def found():
            for element in self.driver.find_elements("css selector", "#%s svg text" % screen):
                if element.text == wanted and self.driver.execute_script(inside, element):
                    return element
            return None
        return wait_until('"%s" on %s (shown: %s)' % (wanted, screen, self.texts(screen)), found)

    def tap_text(self, wanted, screen="screen-settings"):
        self.click(lambda: self.text_element(screen, wanted), '"%s"' % wanted)

    def click(self, find, what):
        def clicked():
            find().click()
            return True
        wait_until("a click on " + what, clicked)

    def title(self):
        svg = self.driver.find_elements("css selector", "#screen-settings svg")
        return svg[0].get_attribute("aria-label") if svg else None

    def wait_title(self, wanted):
        wait_until("the screen " + wanted, lambda: self.title() == "Settings: " + wanted)

    def scroll(self, dy):
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
        svg = self.driver.find_element("css selector", "#screen-settings svg")
        ActionChains(self.driver).scroll_from_origin(ScrollOrigin.from_element(svg), 0, dy).perform()

    def type(self, text):
        from selenium.webdriver.common.action_chains import ActionChains
        ActionChains(self.driver).send_keys(text).perform()


def add_code_until_titled(driver, phone, code, title):
    """Settings' codes list, the wizard's "+", the code typed and dialled
    ("Next"), and the first number found given `title`: the wizard's path as
    a user taps and types it, up to its Save."""
    textboxes = lambda: driver.find_elements("css selector", "#screen-settings [role=textbox]")
    phone.scroll(1000)
    phone.tap_text("USSD Codes")
    phone.wait_title("USSD Codes")
    phone.shot("codes-list")
    phone.tap_text("+")
    phone.wait_title("Add New Code")
    # The wizard's command field is being edited: the keyboard shows, the user types.
    wait_until("the command field", textboxes)
    phone.click(lambda: textboxes()[0], "the command field")
    phone.type(code)
    wait_until("the typed command", lambda: textboxes()[0].get_attribute("data-value") == code)
    phone.shot("new-code")
    phone.tap_text("Next")
    phone.wait_title(code)
    phone.shot("field-titles")
    # The first number's title field is its row's text field.
    phone.click(lambda: textboxes()[0], "the first title field")
    phone.type(title)
    wait_until("the typed title", lambda: textboxes()[0].get_attribute("data-value") == title)


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    binary, folder = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    readme_shot = sys.argv[4] if len(sys.argv) > 4 and sys.argv[3] == "--readme-shot" else None
    chromium = find_chromium()
    chromedriver = shutil.which("chromedriver") or ("/usr/bin/chromedriver" if os.path.exists("/usr/bin/chromedriver") else None)
    if not chromium:
        skip("chromium is not installed (scripts/setup.sh installs it)")
    if not chromedriver:
        skip("chromedriver is not installed (package chromium-driver)")
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError:
        skip("python3-selenium is not installed")

    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    profile = tempfile.mkdtemp(prefix="quorvel-chromium-")
    server = driver = None
    try:
        server = Server(binary, folder)
        options = webdriver.ChromeOptions()
        options.binary_location = chromium
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                         "--user-data-dir=" + profile, "--window-size=1280,900", "--no-first-run",
                         "--disable-extensions", "--disable-background-networking"):
            options.add_argument(argument)
        service = Service(executable_path=chromedriver, log_path=os.path.join(folder, "chromedriver.log"))
        driver = webdriver.Chrome(service=service, options=options)
        run(driver, server, folder, readme_shot)
        print("browser test: passed")
        return 0
    finally:
        if driver is not None:
            driver.quit()
        if server is not None:
            server.stop()
        shutil.rmtree(profile, ignore_errors=True)


# Taps fired from inside the page, with no webdriver command in between (the
# test's own polling runs on the page's thread and would be counted): the
# root page's first switch, flipped ten times, each awaited on screen.
TIMED_TAPS = """
const done = arguments[arguments.length - 1];
const tapOnce = async () => {
  const toggle = document.querySelector('#screen-settings [role=switch]');
  const box = toggle.getBoundingClientRect();
  const before = window.quorvelTapTimes.length;
  toggle.dispatchEvent(new MouseEvent('click', {bubbles: true, clientX: box.left + box.width / 2, clientY: box.top + box.height / 2}));
  const deadline = performance.now() + 3000;
  while (window.quorvelTapTimes.length === before && performance.now() < deadline)
    await new Promise((resolve) => setTimeout(resolve, 1));
};
(async () => {
  for (let i = 0; i < 10; i++)
    await tapOnce();
  done(window.quorvelTapTimes.slice(-10));
})();
"""


def summary(taps):
    updated = sorted(end - start for start, _, end in taps)
    answered = sorted(answer - start for start, answer, _ in taps)
    if not updated:
        return "no taps measured"
    return "median %.1f ms, max %.1f ms over %d taps (answer parsed: median %.1f ms)" % (
        updated[len(updated) // 2], updated[-1], len(updated), answered[len(answered) // 2])


def paint_time(driver):
    return driver.execute_script(
        "const p = performance.getEntriesByType('paint').find(e => e.name === 'first-contentful-paint');"
        "return p ? p.startTime : null;")


def measure(driver, phone, first_paint, flow_taps):
    driver.find_element("id", "app-settings").click()
    phone.wait_title("USSD Codes")
    phone.tap_text("Quorvel")
    phone.wait_title("Quorvel")
    phone.scroll(-1000)
    wait_until("the top of the page", lambda: phone.text_element("screen-settings", "Refresh When Unlocked"))
    driver.set_script_timeout(30)
    timed = driver.execute_async_script(TIMED_TAPS)
    driver.refresh()
    wait_until("the page again", lambda: driver.find_elements("css selector", "#screen-settings svg text"))
    again = paint_time(driver)
    return ["first contentful paint: %.0f ms (fresh browser), %.0f ms (reload)" % (first_paint or -1, again or -1),
            "tap to updated screen: " + summary(timed),
            "tap to updated screen during the flow (with the test's own polling): " + summary(flow_taps)]


def run(driver, server, folder, readme_shot):
    phone = Phone(driver, folder)
    driver.get(server.url)
    wait_until("the Settings screen", lambda: driver.find_elements("css selector", "#screen-settings svg text"))
    first_paint = paint_time(driver)
    phone.shot("settings")

    # The carrier's console: *100# is answered 2 s after the dial.
    form = driver.find_element("id", "answer-form")
    form.find_element("name", "code").clear()
    form.find_element("name", "code").send_keys("*100#")
    form.find_element("name", "text").clear()
    form.find_element("name", "text").send_keys("Balance 12.50 rub. Bonus 300")
    form.find_element("name", "delay").clear()
    form.find_element("name", "delay").send_keys("2")
    form.find_element("css selector", "button[type=submit]").click()
    wait_until("the carrier's script", lambda: "*100#" in driver.find_element("id", "scripts").text)

    # The codes' row is below the screen's edge: the user scrolls down to it.
    # The carrier answers 2 s of device time later, at real time; the first
    # number is 12.50.
    add_code_until_titled(driver, phone, "*100#", "Balance")
    phone.shot("titled")
    if readme_shot:
        driver.save_screenshot(readme_shot)
        print("page screenshot:", readme_shot)
    phone.tap_text("Save")
    wait_until("the notice", lambda: driver.find_elements("css selector", "#screen-settings [role=alertdialog]"))
    phone.shot("notice")
    phone.tap_text("OK")
    phone.wait_title("USSD Codes")
    phone.shot("codes-saved")
    wait_until("the codes store", lambda: "*100#" in driver.find_element("id", "codes").text)

    # The carrier's figures change; the widget's tap fetches them.
    form.find_element("name", "text").clear()
    form.find_element("name", "text").send_keys("Balance 99.75 rub. Bonus 300")
    form.find_element("css selector", "button[type=submit]").click()
    wait_until("the new script", lambda: "99.75" in driver.find_element("id", "scripts").text)
    driver.find_element("id", "app-nc").click()
    wait_until("the widget's titled field", lambda: "Balance" in " ".join(phone.texts("screen-nc")))
    phone.shot("widget")
    refresh = wait_until("the refresh line", lambda: [t for t in driver.find_elements("css selector", "#screen-nc svg text")
                                                      if "↻" in t.text or "Refreshed" in t.text or "Tap" in t.text])
    phone.click(lambda: [t for t in driver.find_elements("css selector", "#screen-nc svg text")
                         if "↻" in t.text or "Refreshed" in t.text][0], "the refresh line")
    wait_until("the new value in the widget", lambda: "99.75" in " ".join(phone.texts("screen-nc")), seconds=15,
               shown=lambda: phone.texts("screen-nc"))
    phone.shot("widget-refreshed")
    wait_until("the log", lambda: "Qvl:" in driver.find_element("id", "log").text)

    # A fall: the figures panel writes the change since the previous value
    # and draws the last 30 days from the history.
    form.find_element("name", "text").clear()
    form.find_element("name", "text").send_keys("Balance 98.45 rub. Bonus 300")
    form.find_element("css selector", "button[type=submit]").click()
    wait_until("the third script", lambda: "98.45" in driver.find_element("id", "scripts").text)
    phone.click(lambda: [t for t in driver.find_elements("css selector", "#screen-nc svg text")
                         if "↻" in t.text or "Refreshed" in t.text][0], "the refresh line")
    wait_until("the fall in the widget", lambda: "98.45" in " ".join(phone.texts("screen-nc")), seconds=15,
               shown=lambda: phone.texts("screen-nc"))
    figures_text = lambda: driver.find_element("id", "figures").text
    wait_until("the change in the figures panel", lambda: "\u22121.30 since " in figures_text(), seconds=20,
               shown=figures_text)
    wait_until("the chart", lambda: driver.find_elements("css selector", "#figures svg.chart polyline"))
    label = driver.find_element("css selector", "#figures svg.chart").get_attribute("aria-label")
    assert "Balance over the last 30 days" in label and "98.45" in label, label
    # The home screen keeps the whole reply (--keep-replies): the panel shows it.
    wait_until("the last reply", lambda: "Last reply: Balance 98.45 rub. Bonus 300" in figures_text(), shown=figures_text)
    driver.execute_script("document.getElementById('figures-panel').scrollIntoView()")
    phone.shot("figures")

    flow_taps = driver.execute_script("return window.quorvelTapTimes;")
    figures = measure(driver, phone, first_paint, flow_taps)
    with open(os.path.join(folder, "figures.txt"), "w") as out:
        out.write("\n".join(figures) + "\n")
    for line in figures:
        print("figure:", line)


if __name__ == "__main__":
    sys.exit(main())
