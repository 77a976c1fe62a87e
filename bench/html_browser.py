#!/usr/bin/env python3
"""The HTML pages of bench_html in headless Chromium: a page of 1,000,000
files in 10,000 folders (time until usable, a search with 500,000 matches,
the longest task meanwhile, the renderer's peak memory) and one folder of
1,000,000 files (time until usable, a sort in slices). Every aim is printed
with ok or OVER; a missed one makes the exit status 1.

    html_browser.py TREE_PAGE FLAT_PAGE"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "html"))
import chromium  # noqa: E402

missed = 0


def aim(what, value, limit, unit):
    global missed
    ok = value <= limit
    missed += not ok
    print("%-58s %9.0f %-5s (aim: at most %g %s, %.2fx) %s"
          % (what, value, unit, limit, unit, value / limit, "ok" if ok else "OVER"))


def note(what, value, unit):
    print("%-58s %9.0f %s" % (what, value, unit))


# Long tasks and the moments a step starts and ends, kept by the page itself.
WATCH = """
window.__long = [];
new PerformanceObserver(function (l) { for (const e of l.getEntries()) window.__long.push([e.startTime, e.duration]); })
  .observe({type: 'longtask'});
window.__mark = function () { window.__t0 = performance.now(); window.__t1 = 0; };
new MutationObserver(function () { if (window.__t0 && !window.__t1) window.__t1 = performance.now(); })
  .observe(document.getElementById('space'), {childList: true});
"""
LONGEST = "return Math.max(0, ...window.__long.filter(e => e[0] + e[1] >= window.__t0).map(e => e[1]))"


def main(tree_page, flat_page):
    why = chromium.missing()
    if why:
        print("cannot time the page: " + why)
        return 1
    b = chromium.Browser()
    try:
        print("\nIn Chromium (%s):" % os.path.basename(chromium.CHROMIUM))
        b.open(tree_page)
        usable = b.js("return performance.getEntriesByName('usable')[0].startTime")
        aim("1,000,000 files: tree and totals drawn after load starts", usable, 5000, "ms")
        b.wait("return document.documentElement.dataset.folded === '1'", 300)
        note("1,000,000 files: every name read and folded", b.js("return performance.now()"), "ms")
        b.js(WATCH)
        time.sleep(0.3)
        b.js("window.__mark(); const q = document.getElementById('q'); q.value = 'MATCH';"
             "q.dispatchEvent(new KeyboardEvent('keydown', {key: 'Enter'}));")
        b.wait("return document.documentElement.dataset.searched && window.__t1 > 0", 60)
        shown = b.js("return window.__t1 - window.__t0")
        count = b.js("return document.getElementById('count').textContent")
        rows = b.js("return document.querySelectorAll('#space .row').length")
        ok = count == "500000 件" and rows > 0
        print("%-58s %s, %d rows drawn %s" % ("search 'MATCH': count", count, rows, "ok" if ok else "OVER"))
        missed_count = 0 if ok else 1
        aim("search with 500,000 matches: count and first rows", shown, 1000, "ms")
        aim("search: longest task meanwhile", b.js(LONGEST), 100, "ms")
        aim("renderer's peak memory (VmHWM)", b.renderer_peak_kib() / 1024, 1024, "MB")
        errors = [e for e in b.console() if e.get("level") == "SEVERE"]
        if errors:
            print("script errors: %r" % errors[:3])

        b.open(flat_page)
        usable = b.js("return performance.getEntriesByName('usable')[0].startTime")
        aim("one folder of 1,000,000 files: usable after load starts", usable, 5000, "ms")
        b.wait("return document.documentElement.dataset.folded === '1'", 300)
        b.js(WATCH)
        shown_text = b.js("return document.getElementById('shown').textContent")
        print("%-58s %s" % ("rows drawn at first", shown_text))
        b.js("window.__mark(); document.querySelector('#head button[data-key=\"1\"]').click()")
        b.wait("return document.documentElement.dataset.sorted === '1'", 120)
        sorted_at = b.js("return performance.now() - window.__t0")
        note("sort 1,000,000 files by size (in slices)", sorted_at, "ms")
        aim("sort: longest task meanwhile", b.js(LONGEST), 100, "ms")
        b.js("window.__mark(); document.querySelector('#head button[data-key=\"0\"]').click()")
        b.wait("return document.documentElement.dataset.sorted === '2'", 120)
        note("sort 1,000,000 files by name (in slices)", b.js("return performance.now() - window.__t0"), "ms")
        aim("sort by name: longest task meanwhile", b.js(LONGEST), 100, "ms")
        aim("renderer's peak memory (VmHWM)", b.renderer_peak_kib() / 1024, 1024, "MB")
        errors += [e for e in b.console() if e.get("level") == "SEVERE"]
        if errors:
            print("script errors: %r OVER" % errors[:3])
        return 1 if missed or missed_count or errors else 0
    finally:
        b.quit()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
