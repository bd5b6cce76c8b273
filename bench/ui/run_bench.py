#!/usr/bin/env python3
"""The viewer's benchmark: click to page shown, and start to first page.

Runs bench_ui on the shipped book and on the large generated book of the engine's
benchmark (bench/engine), and starts the program's sequence several times, each in
a fresh process. Prints medians with the share of each step, side by side with the
references measured in the same run: tomeria-render showing the same kind of part
in a process of its own, and a plain QWebEngineView's first page.
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "engine"))
from run_bench import make_book  # noqa: E402  the engine benchmark's large book

ENV = dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"),
           QTWEBENGINE_DISABLE_SANDBOX="1",
           QTWEBENGINE_CHROMIUM_FLAGS=os.environ.get("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu"))


# glibc's heap in transparent huge pages, one heap for all threads (the parse runs on a worker
# thread, and glibc asks for huge pages for its main heap only): the open of the large book is
# compared with and without them, xsltproc given exactly the same environment as the viewer.
TUNABLES = "glibc.malloc.hugetlb=1:glibc.malloc.arena_max=1"


def huge_pages_on_request():
    try:
        with open("/sys/kernel/mm/transparent_hugepage/enabled") as mode:
            return "[madvise]" in mode.read()
    except OSError:
        return False


def run(argv, env=ENV):
    done = subprocess.run(argv, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=900)
    if done.returncode != 0:
        sys.exit(f"{argv} failed with {done.returncode}")
    return done.stdout.decode()


def line_of(output, tag):
    for line in output.splitlines():
        if line.startswith(tag + " "):
            return [float(x) for x in line.split()[1:]]
    sys.exit(f"no {tag} line in: {output}")


def render_ms(render, descriptor, divid, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run([render, descriptor, divid], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=True)
        times.append((time.perf_counter() - start) * 1000)
    return statistics.median(times)


def open_ms(output):
    """The open's figures in bench_ui's output: until the page is shown, until it is handed over."""
    match = re.search(r"open \(contents and first page\): (\d+) ms, (\d+) ms of it", output)
    if not match:
        sys.exit(f"no open line in: {output}")
    return tuple(float(x) for x in match.groups())


def xsltproc_ms(toc, book_xml, env):
    start = time.perf_counter()
    subprocess.run(["xsltproc", toc, book_xml], stdout=subprocess.DEVNULL, check=True, env=env)
    return (time.perf_counter() - start) * 1000


def print_open_against_xsltproc(bench, render, descriptor, opens):
    """The open of the book (median over fresh processes) beside xsltproc running the expanded
    contents stylesheet alone, taking turns, both in the same environment: as they start by
    default, and both with glibc's heap in huge pages."""
    environments = [("both as started by default", ENV)]
    if huge_pages_on_request():
        environments.append(("both with GLIBC_TUNABLES=" + TUNABLES, dict(ENV, GLIBC_TUNABLES=TUNABLES)))
    book_xml = os.path.join(os.path.dirname(descriptor), "book.xml")
    with tempfile.NamedTemporaryFile(suffix=".xsl") as toc:
        subprocess.run([render, descriptor, "--toc", "--expand"], stdout=toc, check=True)
        for label, env in environments:
            figures, reference = [], []
            for _ in range(opens):
                figures.append(open_ms(run([bench, "--book", descriptor, "--clicks", "1"], env)))
                reference.append(xsltproc_ms(toc.name, book_xml, env))
            shown = statistics.median(f[0] for f in figures)
            handed = statistics.median(f[1] for f in figures)
            xsltproc = statistics.median(reference)
            print(f"-- {label}")
            print(f"open, median of {opens} (each in a fresh process): {shown:.0f} ms until shown, "
                  f"{handed:.0f} ms until handed to the browser (single: {', '.join(f'{f[0]:.0f}' for f in figures)})")
            print(f"{'reference: xsltproc, contents alone':<34} {xsltproc:10.1f}"
                  f"  (single: {', '.join(f'{r:.0f}' for r in reference)})")
            print(f"open / xsltproc: {handed / xsltproc:.2f} until the page is handed to the browser, "
                  f"{shown / xsltproc:.2f} until it is shown")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build")
    parser.add_argument("--clicks", type=int, default=15)
    parser.add_argument("--starts", type=int, default=7)
    parser.add_argument("--opens", type=int, default=5, help="opens of each book, each in a fresh process")
    parser.add_argument("--open-only", action="store_true", help="only the large book's open against xsltproc")
    parser.add_argument("--keep", help="folder of the large book (kept and reused when it exists)")
    args, gen_args = parser.parse_known_args()
    build = os.path.abspath(args.build)
    bench = os.path.join(build, "bench_ui")
    render = os.path.join(build, "tomeria-render")
    shipped = os.path.join(build, "data", "data", "intro.ini")
    folder = os.path.abspath(args.keep) if args.keep else os.path.join(tempfile.mkdtemp(prefix="tomeria-ui-"), "book")
    if not os.path.exists(os.path.join(folder, "data", "book.xml")):
        make_book(build, folder, gen_args)
    large = os.path.join(folder, "data", "intro.ini")

    print(f"load average {os.getloadavg()[0]:.1f}; {args.clicks} clicks per book, {args.starts} starts")
    if args.open_only:
        print_open_against_xsltproc(bench, render, large, args.opens)
        return
    for name, descriptor, divid in (("shipped book", shipped, "reading"), ("large book", large, "ch75_s4_4")):
        print(f"\n== {name}")
        output = run([bench, "--book", descriptor, "--clicks", str(args.clicks)]).rstrip()
        print(output)
        print(f"{'reference: tomeria-render ' + divid:<34} {render_ms(render, descriptor, divid, 3):10.1f}"
              "  (own process, output to /dev/null)")
        print_open_against_xsltproc(bench, render, descriptor, args.opens)

    fields = ["start to first page shown", "  application object", "  main window (browser engine)",
              "  contents transformation", "  first page transformation",
              "  rest of the sequence", "  browser's load of the first page"]
    starts = [line_of(run([bench, "--startup"]), "STARTUP") for _ in range(args.starts)]
    plain = [line_of(run([bench, "--startup-plain"], ENV), "STARTUP-PLAIN")[0] for _ in range(args.starts)]
    medians = [statistics.median(s[i] for s in starts) for i in range(len(fields))]
    print(f"\n== start of the program with the shipped book (medians of {args.starts} starts, ms)")
    for label, value in zip(fields, medians):
        print(f"{label:<34} {value:10.1f} {100 * value / medians[0]:6.0f}%")
    print(f"{'reference: plain view, first page':<34} {statistics.median(plain):10.1f}")


if __name__ == "__main__":
    main()
