#!/usr/bin/env python3
"""Times the table page (sqk2xml-cli's default page) in headless Chromium: first paint,
settled, a sort of each kind of column, filters, on a generated playlist; the median of
several loads, with the lowest and highest, and the machine's load average before and
after, since a busy machine slows every figure.

    python3 bench/page_bench.py [--build DIR] [--entries N] [--runs N]
                                [--screenshot FILE] [--screenshot-entries N]

Needs a build with the playlist generator (bash scripts/deps.sh bench browser). It
measures and prints; it does not judge. --screenshot also writes a picture of a smaller
page (1,000 entries unless told), sorted by year and filtered, for the README.
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile

# Nothing is written into the source tree, compiled modules included.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "browser"))
import cdp  # noqa: E402

# In the page: the time until a handler's work has been laid out and drawn.
DRAWN = ("document.body.offsetHeight; await new Promise((done) => requestAnimationFrame("
         "() => requestAnimationFrame(() => setTimeout(done, 0))));")


def make_page(build, folder, entries):
    playlist = os.path.join(folder, f"bench-{entries}.sqk")
    subprocess.run([os.path.join(build, "bench", "sqk2xml-genplaylist"), "--seed", "1",
                    "--entries", str(entries), "--latin", "20",
                    "-o", playlist], check=True)
    page = subprocess.run([os.path.join(build, "cli", "sqk2xml-cli"), "--codepage", "1252",
                           playlist],
                          check=True, capture_output=True, text=True).stdout.strip()
    return page


def measure(page, path):
    page.open(path)
    # Settled: the load event (the page's script runs before it) and the frame after.
    settled = page.evaluate(f"(async () => {{ {DRAWN} return performance.now(); }})()")
    first_paint = page.evaluate("""new Promise((done) => new PerformanceObserver((list) => {
            for (const e of list.getEntries())
                if (e.name === "first-contentful-paint") done(e.startTime);
        }).observe({type: "paint", buffered: true}))""")

    def timed(action):
        return page.evaluate(f"""(async () => {{
            const t0 = performance.now();
            {action}
            {DRAWN}
            return performance.now() - t0;
        }})()""")

    def sort(column):
        return timed(f"document.querySelector('header th[data-f={column}] button').click();")

    results = {"first paint": first_paint, "settled": settled,
               "first sort (Title)": sort("TITLE"), "next sort (Artist)": sort("ARTIST"),
               "sort (Year)": sort("YEAR"), "sort (Filesize)": sort("FILESIZE"),
               "sort (Duration)": sort("DURATION"), "Title again": sort("TITLE"),
               "Title reversed": sort("TITLE")}
    type_in = ("const box = document.querySelector('.bar input'); box.value = {!r}; "
               "box.dispatchEvent(new Event('input'));")
    results["first filter"] = timed(type_in.format("an"))
    results["next filter"] = timed(type_in.format("ann"))
    results["other filter"] = timed(type_in.format("rock"))
    results["filter cleared"] = timed(type_in.format(""))
    results["sort, filtered"] = sort("ALBUM")
    results["rows drawn"] = page.evaluate("document.querySelectorAll('.v tbody tr').length")
    return results


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/default")
    parser.add_argument("--entries", type=int, default=100000)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--chromium", default="chromium")
    parser.add_argument("--screenshot")
    parser.add_argument("--screenshot-entries", type=int, default=1000)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory(prefix="sqk2xml-page-bench-") as folder:
        path = make_page(args.build, folder, args.entries)
        print(f"{args.entries} entries: page of {os.path.getsize(path)} bytes "
              f"({os.path.getsize(path) / args.entries:.0f} per entry)")
        print("load average before: %.2f %.2f %.2f" % os.getloadavg())
        with cdp.Browser(args.chromium) as browser:
            results = []
            for run in range(args.runs):
                page = browser.new_page()
                results.append(measure(page, path))
                page.send("Page.close")
                print(f"  run {run + 1}: " + ", ".join(
                    f"{k} {v:.0f}" + ("" if k == "rows drawn" else " ms")
                    for k, v in results[-1].items()))
            print(f"median of {args.runs} (lowest to highest):")
            for key in results[0]:
                if key != "rows drawn":
                    values = [r[key] for r in results]
                    print(f"  {key:20} {statistics.median(values):6.0f} ms"
                          f"  ({min(values):.0f} to {max(values):.0f})")
            print("load average after: %.2f %.2f %.2f" % os.getloadavg())

            if args.screenshot:
                small = make_page(args.build, folder, args.screenshot_entries)
                page = browser.new_page()
                page.open(small)
                page.click("th[data-f=YEAR] button")
                page.click(".bar input")
                page.type_text("amour")
                page.after_frames()
                page.screenshot(args.screenshot)
                print(f"screenshot of {args.screenshot_entries} entries: {args.screenshot}")


if __name__ == "__main__":
    main()
