#!/usr/bin/env python3
"""Which window the reader gets first, as the window manager shows it: the welcome box when it
is on, else the main window, with the start document's book in it; the splash never keeps the
keys. A start page that never ends is stopped by Escape pressed after a click where the splash
stood.

Usage: start_up_windows.py PATH/TO/tomeria (inside scripts/x11-session.sh). Every wait is
bounded; keys and clicks go through the X server (XTest) to whatever window has the focus."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from x11_book import SERVICE, write

WAIT_S = 60
MAIN = "tomeria v1.0 preRelease"
WELCOME = "Добро пожаловать"
STOPPED = "Преобразование остановлено."

QUICK_PAGE = "<h1>Глава первая</h1>"
# Four loops over some 150 nodes: it would take hours.
ENDLESS_PAGE = ('<xsl:for-each select="//node()"><xsl:for-each select="//node()"><xsl:for-each select="//node()">'
                '<xsl:for-each select="//node()"/></xsl:for-each></xsl:for-each></xsl:for-each>')
TEMPLATE = """<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" encoding="UTF-8"/>
<xsl:template match="/"><html><body>%s<p>PART[<%%DivID%%>]</p></body></html></xsl:template>
</xsl:stylesheet>
"""


def tool(*args):
    """A command's output; empty when it fails (a window gone meanwhile)."""
    done = subprocess.run(args, capture_output=True, timeout=10)
    return done.stdout.decode("utf-8", "replace").strip() if done.returncode == 0 else ""


def active_window(pid):
    """The active window when it is the program's: (id, title), else None."""
    window = tool("xdotool", "getactivewindow")
    if window and tool("xdotool", "getwindowpid", window) == str(pid):
        return window, tool("xdotool", "getwindowname", window)
    return None


def is_active(pid, title):
    active = active_window(pid)
    return active is not None and active[1] == title


def mapped_titles(pid):
    return [tool("xdotool", "getwindowname", w)
            for w in tool("xdotool", "search", "--onlyvisible", "--pid", str(pid)).split()]


def wait_for(what, probe, fail):
    deadline = time.monotonic() + WAIT_S
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.05)
    fail("not within %d s: %s" % (WAIT_S, what))
    return None


class Run:
    """The program in a folder of its own, with its settings, its log and a book beside it."""

    def __init__(self, control_state, page):
        self.work = tempfile.mkdtemp(prefix="tomeria-start-")
        self.log_path = os.path.join(self.work, "logs", "tomeria.log")
        book = os.path.join(self.work, "book")
        write(os.path.join(book, "intro.ini"), "[BasicParams]\r\nRootPath=.\\\r\n")
        write(os.path.join(book, "data", "book.xml"), "<book>" + "<p>x</p>" * 150 + "</book>")
        write(os.path.join(book, "shemes", "book.xsltt"), TEMPLATE % page)
        write(os.path.join(book, "service.xslt"), SERVICE)
        settings = dict(control_state, WriteLogToFile=1)
        if settings.get("OnStartAction") == 1:
            settings["OnStartDoc"] = os.path.join(book, "intro.ini")
        write(os.path.join(self.work, "tomeria.ini"),
              "[ControlState]\n" + "".join("%s=%s\n" % item for item in settings.items()))
        self.env = dict(os.environ, HOME=self.work, XDG_CONFIG_HOME=self.work + "/config",
                        XDG_STATE_HOME=self.work + "/state", XDG_CACHE_HOME=self.work + "/cache",
                        XDG_RUNTIME_DIR=self.work + "/runtime")
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)

    def __enter__(self):
        program = os.path.join(self.work, "tomeria")
        shutil.copy(sys.argv[1], program)
        self.proc = subprocess.Popen([program], env=self.env)
        return self

    def __exit__(self, *exc):
        self.proc.send_signal(signal.SIGTERM)
        try:
            self.proc.wait(timeout=WAIT_S)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    def log(self):
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def log_after_show(self):
        text = self.log()
        return text[text.find("*** show mainform"):] if "*** show mainform" in text else ""


def press_escape():
    subprocess.run(["xdotool", "key", "Escape"], check=True, timeout=10)


# name, settings, page of every part, whether a book is on view at the end.
CASES = [
    ("welcome box, then the start document",
     {"ShowWelcomeScreen": 1, "ShowSplashScreen": 1, "OnStartAction": 1}, QUICK_PAGE, True),
    ("no welcome box, no start document",
     {"ShowWelcomeScreen": 0, "ShowSplashScreen": 1, "OnStartAction": 0}, QUICK_PAGE, False),
    ("no welcome box, the start document",
     {"ShowWelcomeScreen": 0, "ShowSplashScreen": 1, "OnStartAction": 1}, QUICK_PAGE, True),
    ("a start page that never ends",
     {"ShowWelcomeScreen": 0, "ShowSplashScreen": 1, "OnStartAction": 1}, ENDLESS_PAGE, True),
]


def run_case(name, settings, page, with_book):
    failures = []

    def fail(message):
        failures.append("%s: %s" % (name, message))
        raise RuntimeError(message)

    started = time.monotonic()
    try:
        with Run(settings, page) as run:
            pid = run.proc.pid
            first = wait_for("a window of the program active", lambda: active_window(pid), fail)
            if settings["ShowWelcomeScreen"]:
                if first[1] != WELCOME:
                    fail("the welcome box is active first, not %r" % first[1])
                if MAIN in mapped_titles(pid):
                    fail("the main window is not shown while the welcome box is")
                press_escape()  # the welcome box has the keys: Escape closes it
                wait_for("the main window active after the welcome box", lambda: is_active(pid, MAIN), fail)
            elif first[1] != MAIN:
                fail("the main window is active first, not %r" % first[1])
            # Made under the main window's eyes: the first entry of the book's contents.
            if with_book:
                wait_for("the first part being made", lambda: "Начало трансформации." in run.log_after_show(), fail)
                if "Часть A|a" not in run.log_after_show():
                    fail("the start document's first entry is not the part made")
            else:
                wait_for("the main window's show in the log", run.log_after_show, fail)
                if "Начало трансформации." in run.log():
                    fail("no book is opened")
            wait_for("the splash gone", lambda: mapped_titles(pid) == [MAIN], fail)
            if page is ENDLESS_PAGE:
                # The reader clicks where the splash stood, into the window, and presses Escape.
                x, y = (int(v) // 2 for v in tool("xdotool", "getdisplaygeometry").split())
                subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True, timeout=10)
                wait_for("the main window active after the click", lambda: is_active(pid, MAIN), fail)
                if STOPPED in run.log():
                    fail("the page ran on until Escape")
                press_escape()
                wait_for("the log's line of the stop", lambda: STOPPED in run.log(), fail)
            elif with_book:
                wait_for("the first part made", lambda: "Трансформация заняла" in run.log_after_show(), fail)
    except RuntimeError:
        pass
    print("%s: %s in %.1f s" % (name, "failed" if failures else "ok", time.monotonic() - started))
    return failures


def main():
    failures = []
    for case in CASES:
        failures += run_case(*case)
    if failures:
        sys.exit("\n".join(failures))


if __name__ == "__main__":
    main()
