#!/usr/bin/env python3
"""A small GTK 4 window for the harness's own check (atspi_smoke_test.py):
an entry that takes only 0-9 * # +, as the app's code entry does, a button
that copies the entry into a label, and a switch."""
import gi

gi.require_version("Gtk", "4.0")
from gi.repository import GLib, Gtk  # noqa: E402


def keep_code_characters(editable, text, length, position):
    kept = "".join(c for c in text if c in "0123456789*#+")
    if kept != text:
        editable.stop_emission_by_name("insert-text")
        if kept:
            GLib.idle_add(lambda: editable.insert_text(kept, editable.get_position()) and False)
    return position


def activate(app):
    window = Gtk.ApplicationWindow(application=app, title="Harness Window")
    window.set_default_size(300, 200)
    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=6)
    entry = Gtk.Entry()
    entry.update_property([Gtk.AccessibleProperty.LABEL], ["Code"])
    entry.get_delegate().connect("insert-text", keep_code_characters)
    label = Gtk.Label(label="nothing yet")
    label.update_property([Gtk.AccessibleProperty.LABEL], ["Copied"])
    button = Gtk.Button(label="Copy")
    button.connect("clicked", lambda _: (label.set_text(entry.get_text()),
                                         label.update_property([Gtk.AccessibleProperty.LABEL],
                                                              ["Copied " + entry.get_text()])))
    switch = Gtk.Switch()
    switch.update_property([Gtk.AccessibleProperty.LABEL], ["By SMS"])
    for widget in (entry, button, label, switch):
        box.append(widget)
    window.set_child(box)
    window.present()


app = Gtk.Application(application_id="org.quillmoor.QuorvelHarnessWindow")
app.connect("activate", activate)
app.run([])
