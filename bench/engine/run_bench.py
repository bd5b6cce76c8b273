#!/usr/bin/env python3
"""tomeria-render against xsltproc on a large generated book.

Builds a book folder from the shipped book's descriptor and stylesheets with a
generated book.xml, asks tomeria-render for the expanded stylesheets (--expand),
then times `tomeria-render --toc`, `tomeria-render DESCRIPTOR DIVID` and xsltproc
running the same expanded stylesheets over the same file. Prints medians, the
ratio and the peak resident memory of each, side by side.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def make_book(build, folder, gen_args):
    shutil.copytree(os.path.join(build, "data", "shemes"), os.path.join(folder, "shemes"))
    os.makedirs(os.path.join(folder, "data"))
    with open(os.path.join(build, "data", "data", "intro.ini"), encoding="utf-8") as f:
        lines = [l for l in f.read().splitlines() if not l.lower().startswith("rootpath=")]
    out = []
    for line in lines:
        out.append(line)
        if line.strip().lower() == "[basicparams]":
            out.append("RootPath=..\\")
    with open(os.path.join(folder, "data", "intro.ini"), "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")
    subprocess.run([sys.executable, os.path.join(HERE, "gen_book.py"), os.path.join(folder, "data", "book.xml")]
                   + gen_args, check=True)


def run_once(argv, stdout):
    """Wall time and CPU time (user + system) in seconds, peak resident memory in MiB."""
    start = time.perf_counter()
    with open(stdout, "wb") as out:
        proc = subprocess.Popen(argv, stdout=out, stderr=subprocess.PIPE)
        _, status, usage = os.wait4(proc.pid, 0)
        proc.returncode = os.waitstatus_to_exitcode(status)
        err = proc.stderr.read()
        proc.stderr.close()
    elapsed = time.perf_counter() - start
    if proc.returncode != 0:
        sys.exit(f"{argv[0]} failed ({proc.returncode}): {err.decode(errors='replace')[:500]}")
    return elapsed, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0


def measure(argv, runs, stdout):
    results = [run_once(argv, stdout) for _ in range(runs)]
    return (statistics.median(r[0] for r in results), statistics.median(r[1] for r in results),
            max(r[2] for r in results))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build", help="build folder holding tomeria-render and data/")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--divid", default="ch75_s4_4", help="part shown by the page case")
    parser.add_argument("--keep", help="folder for the book (kept and reused when it exists)")
    args, gen_args = parser.parse_known_args()

    build = os.path.abspath(args.build)
    render = os.path.join(build, "tomeria-render")
    work = tempfile.mkdtemp(prefix="tomeria-bench-")
    folder = os.path.abspath(args.keep) if args.keep else os.path.join(work, "book")
    if not os.path.exists(os.path.join(folder, "data", "book.xml")):
        make_book(build, folder, gen_args)
    descriptor = os.path.join(folder, "data", "intro.ini")
    book_xml = os.path.join(folder, "data", "book.xml")
    size = os.path.getsize(book_xml) / 1e6
    with open(book_xml, "rb") as f:
        parts = f.read().count(b' id="')

    toc_xsl = os.path.join(work, "toc.xsl")
    part_xsl = os.path.join(work, "part.xsl")
    for argv, target in (([render, descriptor, "--toc", "--expand"], toc_xsl),
                         ([render, descriptor, args.divid, "--expand"], part_xsl)):
        with open(target, "wb") as out:
            subprocess.run(argv, stdout=out, check=True)

    out_a = os.path.join(work, "a.out")
    out_b = os.path.join(work, "b.out")
    cases = [
        ("contents (--toc)", [render, descriptor, "--toc"], ["xsltproc", toc_xsl, book_xml]),
        (f"page ({args.divid})", [render, descriptor, args.divid], ["xsltproc", part_xsl, book_xml]),
    ]
    print(f"book.xml: {size:.1f} MB, {parts} parts with an id; {args.runs} runs each, medians; "
          f"load average {os.getloadavg()[0]:.1f}")
    print(f"{'case':<20} {'':<5} {'tomeria-render':>14} {'xsltproc':>9} {'ratio':>6}")
    for name, ours, theirs in cases:
        wall_ours, cpu_ours, mem_ours = measure(ours, args.runs, out_a)
        wall_ref, cpu_ref, mem_ref = measure(theirs, args.runs, out_b)
        with open(out_a, "rb") as a, open(out_b, "rb") as b:
            same = "same output" if a.read() == b.read() else "OUTPUTS DIFFER"
        print(f"{name:<20} {'wall':<5} {wall_ours:>13.3f}s {wall_ref:>8.3f}s {wall_ours / wall_ref:>6.2f}  {same}")
        print(f"{'':<20} {'cpu':<5} {cpu_ours:>13.3f}s {cpu_ref:>8.3f}s {cpu_ours / cpu_ref:>6.2f}")
        print(f"{'':<20} {'peak':<5} {mem_ours:>11.1f}MiB {mem_ref:>6.1f}MiB {mem_ours / mem_ref:>6.2f}")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
