#!/usr/bin/env python3
"""The lock-screen plugin in a real Phosh, headless: the world of
plugin_world.py (private buses, the mock ModemManager, quorveld), the
accessibility bus (at-spi-bus-launcher) on the private session bus, and
Phosh under phoc with the wlroots headless backend and the pixman renderer,
locked, with the plugin enabled in a GSettings keyfile of the test's own.

Phosh loads lock-screen plugins only from the folder it was built with
(phosh-plugins.pc's lockscreen_plugins_dir): phoc and Phosh run in a mount
namespace of their own (unshare) in which the build's plugin folder is bound
over that folder, so the machine's own folder is never written.

Through the accessibility tree (pyatspi) the test reads the widget on the
lock screen and taps its refresh line (the button's click action) as
plugin_world.play_story says. The lock screen is shot through Phosh's own
screenshot interface at each step into the output folder; the widget sits
on the lock screen's page a swipe to the right of the clock, and the
headless backend has no pointer to swipe with, so the pictures show the
clock page (widget_window_test.py shows the widget itself).

    phosh_lockscreen_test.py PLUGIN_FOLDER QUORVELD_BINARY SOURCE_DIR OUTPUT_FOLDER

Exits 77 (skipped) with a message when the plugin is built with the
sanitizers, or when phoc, Phosh, unshare (or the right to
make a mount namespace), the accessibility bus, pyatspi or dbusmock is
missing; stops everything it started whatever happens, and never touches the
machine's own buses or display.
"""
import importlib.util
import os
import shutil
import subprocess
import sys

from plugin_world import PluginWorld, play_story, require_bus_tools, require_loadable_plugin, skip, wait_until

PHOC = "/usr/bin/phoc"
PHOSH = "/usr/libexec/phosh"
ATSPI_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def plugin_folder_of_phosh():
    found = subprocess.run(["pkg-config", "--variable=lockscreen_plugins_dir", "phosh-plugins"],
                           capture_output=True, text=True)
    return found.stdout.strip() if found.returncode == 0 else ""


def namespace_prefix():
    """The unshare command that gives a private mount namespace, or None."""
    unshare = shutil.which("unshare")
    if not unshare:
        return None
    for prefix in ([unshare, "-m", "--propagation", "private"], [unshare, "-r", "-m", "--propagation", "private"]):
        if subprocess.run(prefix + ["true"], capture_output=True).returncode == 0:
            return prefix
    return None


class LockScreen:
    """The plugin's widget in Phosh's accessibility tree."""

    def __init__(self, pyatspi, folder, session):
        self.pyatspi = pyatspi
        self.folder = folder
        self.session = session
        self.shots = 0

    def widget(self):
        desktop = self.pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and app.name == "phosh":
                found = self.pyatspi.findDescendant(app, lambda a: a is not None and a.name == "Quorvel figures")
                if found is not None:
                    return found
        return None

    def texts(self):
        """The names of the widget's visible labels and buttons, in tree order;
        empty while the widget is being rebuilt (a child gone mid-walk)."""
        try:
            widget = self.widget()
            if widget is None:
                return []
            shown = []
            for node in self.pyatspi.findAllDescendants(
                    widget, lambda a: a is not None and a.getRoleName() in ("label", "push button")):
                if node.getState().contains(self.pyatspi.STATE_VISIBLE) and node.name:
                    shown.append(node.name)
            return shown
        except Exception as gone:  # GLib.Error from at-spi: the object went away
            print("accessibility tree changed while read: %s" % gone)
            return []

    def tap_refresh(self):
        widget = self.widget()
        button = self.pyatspi.findDescendant(widget, lambda a: a is not None and a.getRoleName() == "push button")
        if button is None or not button.name.startswith("Refresh"):
            raise AssertionError("no refresh line to tap: %s" % self.texts())
        action = button.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        action.doAction(names.index("click"))

    def shot(self, name):
        self.shots += 1
        path = os.path.join(self.folder, "%d-%s.png" % (self.shots, name))
        result = subprocess.run(["gdbus", "call", "--session", "--dest", "org.gnome.Shell.Screenshot",
                                 "--object-path", "/org/gnome/Shell/Screenshot",
                                 "--method", "org.gnome.Shell.Screenshot.Screenshot", "false", "false", path],
                                capture_output=True, text=True, timeout=15, env=self.session)
        if result.returncode != 0 or not os.path.exists(path):
            raise AssertionError("Phosh's screenshot failed: %s %s" % (result.stdout, result.stderr))


def main():
    if len(sys.argv) < 5:
        print(__doc__)
        return 2
    plugins, quorveld, source, folder = (os.path.abspath(a) for a in sys.argv[1:5])
    require_loadable_plugin()
    for program, package in ((PHOC, "phoc"), (PHOSH, "phosh"), (ATSPI_LAUNCHER, "at-spi2-core")):
        if not os.access(program, os.X_OK):
            skip("%s is not installed (package %s)" % (program, package))
    for program in ("gdbus", "pkg-config"):
        if not shutil.which(program):
            skip(program + " is not installed")
    target = plugin_folder_of_phosh()
    if not target or not os.path.isdir(target):
        skip("phosh-plugins.pc gives no lock-screen plugin folder (package phosh-dev)")
    prefix = namespace_prefix()
    if prefix is None:
        skip("no private mount namespace can be made here (unshare -m needs root or user namespaces)")
    require_bus_tools()
    # Only looked for here: importing it reaches for a session bus, which
    # must be the private one.
    if importlib.util.find_spec("pyatspi") is None:
        skip("pyatspi is not installed (package python3-pyatspi)")

    world = PluginWorld(source, folder, quorveld, "quorvel-phosh-")
    try:
        runtime = os.path.join(world.scratch, "runtime")
        os.makedirs(runtime, mode=0o700)
        config = os.path.join(world.scratch, "config")
        os.makedirs(os.path.join(config, "glib-2.0", "settings"))
        with open(os.path.join(config, "glib-2.0", "settings", "keyfile"), "w") as keyfile:
            keyfile.write("[sm/puri/phosh/plugins]\nlock-screen=['quorvel']\n")
        phoc_ini = os.path.join(world.scratch, "phoc.ini")
        with open(phoc_ini, "w") as ini:
            ini.write("[output:HEADLESS-1]\nmode = 360x720\n")
        world.environment.update({"XDG_RUNTIME_DIR": runtime, "XDG_CONFIG_HOME": config, "GSETTINGS_BACKEND": "keyfile"})
        world.start()
        os.environ["XDG_RUNTIME_DIR"] = runtime
        os.environ.pop("DISPLAY", None)

        world.processes.start("atspi", [ATSPI_LAUNCHER, "--launch-immediately"])
        wait_until("the accessibility bus", lambda: world.session.name_has_owner("org.a11y.Bus"), seconds=15)
        import pyatspi

        shell = dict(world.environment, WLR_BACKENDS="headless", WLR_RENDERER="pixman", WLR_HEADLESS_OUTPUTS="1")
        world.processes.environment = shell
        script = 'mount --bind "$1" "$2" && exec "$3" -C "$4" -E "$5 --locked"'
        phoc, _ = world.processes.start("phoc", prefix + ["sh", "-c", script, "phosh-test", plugins, target, PHOC,
                                                          phoc_ini, PHOSH])
        world.processes.environment = world.environment
        screen = LockScreen(pyatspi, folder, world.environment)

        def loaded():
            if phoc.poll() is not None:
                raise AssertionError("phoc exited with status %d" % phoc.returncode)
            return screen.widget()
        wait_until("the plugin's widget on Phosh's lock screen", loaded, seconds=40)
        wait_until("Phosh's screenshot interface", lambda: world.session.name_has_owner("org.gnome.Shell.Screenshot"),
                   seconds=15)
        play_story(screen, world)
        if phoc.poll() is not None:
            raise AssertionError("phoc exited with status %d" % phoc.returncode)
        print("phosh lock-screen test: passed")
        return 0
    finally:
        world.stop_all()


if __name__ == "__main__":
    sys.exit(main())
