#!/usr/bin/env python3
"""A screen reader's view of the viewer: with an assistive technology announced on the
accessibility bus, the page of a book in the main window's pane is on the bus with its
heading, paragraph and link.

Usage: page_on_accessibility_bus.py PATH/TO/tomeria (inside scripts/x11-session.sh).
Every wait is bounded."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

from x11_book import SERVICE, write  # noqa: E402

WAIT_S = 60

TEMPLATE = """<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" encoding="UTF-8"/>
<xsl:template match="/"><html><head><title>Книга</title></head><body>
<h1>Глава первая</h1>
<p>Абзац первой главы.</p>
<a href="tomeri://showdoc/?DivID=a">Другая страница</a>
</body></html></xsl:template>
</xsl:stylesheet>
"""


def announce_screen_reader():
    """What a screen reader does as it starts: says so on the accessibility bus's status."""
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    for name in ("IsEnabled", "ScreenReaderEnabled"):
        bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
                      GLib.Variant("(ssv)", ("org.a11y.Status", name, GLib.Variant("b", True))),
                      None, Gio.DBusCallFlags.NONE, 10000, None)


def nodes(accessible, depth=0):
    """Every object under accessible, depth first; an object that goes meanwhile is skipped."""
    if accessible is None or depth > 60:
        return
    yield accessible
    try:
        count = accessible.get_child_count()
    except GLib.Error:
        return
    for i in range(count):
        try:
            child = accessible.get_child_at_index(i)
        except GLib.Error:
            continue
        yield from nodes(child, depth + 1)


def text_of(accessible):
    """What a screen reader reads of an object: its name and the text of what it holds."""
    try:
        text = accessible.get_name() or ""
        if "Text" in accessible.get_interfaces():
            text += Atspi.Text.get_text(accessible, 0, Atspi.Text.get_character_count(accessible)) or ""
    except GLib.Error:
        return ""
    try:
        children = [accessible.get_child_at_index(i) for i in range(accessible.get_child_count())]
    except GLib.Error:
        return text
    return text + "".join(text_of(child) for child in children if child is not None)


def program(pid):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except GLib.Error:
            continue
    return None


def find(pid, role, words):
    """The first object of the role whose text holds words, under the program's windows."""
    for node in nodes(program(pid)):
        try:
            if node.get_role() == role and words in text_of(node):
                return node
        except GLib.Error:
            continue
    return None


def wait_for(what, probe):
    deadline = time.monotonic() + WAIT_S
    while time.monotonic() < deadline:
        found = probe()
        if found is not None:
            return found
        time.sleep(0.25)
    sys.exit("not on the accessibility bus within %d s: %s" % (WAIT_S, what))


def main():
    viewer = sys.argv[1]
    work = tempfile.mkdtemp(prefix="tomeria-a11y-")
    try:
        # The program in a folder of its own keeps its settings and log there.
        shutil.copy(viewer, os.path.join(work, "tomeria"))
        write(os.path.join(work, "tomeria.ini"),
              "[ControlState]\nShowWelcomeScreen=0\nShowSplashScreen=0\nOnStartAction=0\n")
        book = os.path.join(work, "book")
        write(os.path.join(book, "intro.ini"), "[BasicParams]\r\nRootPath=.\\\r\n")
        write(os.path.join(book, "data", "book.xml"), "<book/>")
        write(os.path.join(book, "shemes", "book.xsltt"), TEMPLATE)
        write(os.path.join(book, "service.xslt"), SERVICE)
        env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=work + "/config", XDG_STATE_HOME=work + "/state",
                   XDG_CACHE_HOME=work + "/cache", XDG_RUNTIME_DIR=work + "/runtime")
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)

        announce_screen_reader()
        started = time.monotonic()
        proc = subprocess.Popen([os.path.join(work, "tomeria"), os.path.join(book, "intro.ini")], env=env)
        try:
            pid = proc.pid
            wait_for("the heading of the page", lambda: find(pid, Atspi.Role.HEADING, "Глава первая"))
            print("page on the bus after %.1f s" % (time.monotonic() - started))
            wait_for("the paragraph of the page", lambda: find(pid, Atspi.Role.PARAGRAPH, "Абзац первой главы."))
            wait_for("the link of the page", lambda: find(pid, Atspi.Role.LINK, "Другая страница"))
        finally:
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(timeout=WAIT_S)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
                sys.exit("the program did not end within %d s of SIGTERM" % WAIT_S)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
