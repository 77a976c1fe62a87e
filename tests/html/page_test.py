#!/usr/bin/env python3
"""The HTML page of a small tree, written by quilnaver-list, in headless
Chromium: every name, size and date where it belongs, as text; hostile names
run nothing; folder totals as the list has them; expand and collapse,
sorting, search and the way from a result to its folder, all through the
page itself.

    page_test.py QUILNAVER_LIST_TOOL

Exit status 77 (skipped) only when Chromium or Selenium is missing."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chromium  # noqa: E402

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL: " + what)


def size_text(b):  # the program's mixed unit
    return "%d  B" % b if b < 10000 else "%d KB" % (b // 1000) if b < 10000000 else "%d MB" % (b // 1000000)


def date_text(t):
    lt = time.localtime(t)
    text = "%04d/%02d/%02d" % (lt.tm_year, lt.tm_mon, lt.tm_mday)
    if lt.tm_hour or lt.tm_min or lt.tm_sec:
        text += " %d:%02d:%02d" % (lt.tm_hour, lt.tm_min, lt.tm_sec)
    return text


def count_text(n, b):
    return "%d 件 %s" % (n, size_text(b))


def make_tree(root):
    """The files on disk and in a saved list: {folder path: [(name, size, time)]}."""
    midnight = int(time.mktime((2024, 5, 6, 0, 0, 0, 0, 0, -1)))
    files = {
        "日本語フォルダ/": [("ファイル１.txt", 3, 1796720707), ("写真😀.jpg", 12000, 1700000000),
                       ("日本語メモ.txt", 0, midnight)],
        "</script>/": [('"><img src=x onerror=alert(1)>', 5, 1600000000), ("ctl\x01\x1b[31m.txt", 77, 1600000001),
                       ("new\nline.txt", 12345, 1600000002)],
        "a/": [("x.txt", 12, 1500000000), ("Big.TXT", 12345678, 1500000001), ("zero", 0, 1500000002)],
        "a/b/": [("deep.txt", 1, 1400000000)],
    }
    for folder, entries in files.items():
        os.makedirs(os.path.join(root, folder), exist_ok=True)
        for name, size, t in entries:
            path = os.path.join(root, folder, name)
            with open(path, "wb") as f:
                f.truncate(size)
            os.utime(path, (t, t))
    # A name no disk holds, from a saved list (no "/": a name cannot hold one).
    csv_name = CSV_NAME
    csv_time = 1234567890
    csv_size = 2 ** 53 + 1  # past what a double holds exactly: the hover still shows every byte
    saved = os.path.join(os.path.dirname(root), "saved.csv")
    with open(saved, "w", encoding="utf-8", newline="") as f:
        f.write("ファイル名,バイト数,更新日時,ディレクトリ\r\n")
        f.write('"%s",%d,%s,%s\r\n' % (csv_name, csv_size, time.strftime("%Y-%m-%d %H:%M:%S", time.localtime(csv_time)),
                                       os.path.join(root, "csv") + "/"))
    files["csv/"] = [(csv_name, csv_size, csv_time)]
    return {os.path.join(root, k): v for k, v in files.items()}, saved


CSV_NAME = "<script>alert(1)<\\script><script>alert(2)<!--.txt"

ROWS = """return [...document.querySelectorAll('#space .row')].sort((a, b) => a.offsetTop - b.offsetTop)
  .map(r => [...r.children].map(c => [c.textContent, c.title]))"""

# Each heading's left and right edges against those of its column's cells.
MISALIGNED = """const head = [...document.querySelectorAll('#head button')].map(b => b.getBoundingClientRect());
  const bad = head.filter(h => h.width < 1).map(() => 'an empty heading');
  const rows = [...document.querySelectorAll('#space .row')];
  if (!rows.length) bad.push('no rows');
  for (const r of rows) {
    if (r.children.length !== head.length) { bad.push('cells: ' + r.children.length); continue; }
    [...r.children].forEach((c, i) => {
      const a = c.getBoundingClientRect(), h = head[i];
      if (Math.abs(a.left - h.left) > 1 || Math.abs(a.right - h.right) > 1)
        bad.push(i + ': ' + [a.left, a.right, h.left, h.right].join(' '));
    });
  }
  return bad"""


def main(tool):
    why = chromium.missing()
    if why:
        print("skipped: " + why)
        return 77
    work = tempfile.mkdtemp(prefix="quilnaver-page-")
    root = os.path.join(work, "root")
    os.makedirs(root)
    files, saved = make_tree(root)
    page = os.path.join(work, "list.html")
    subprocess.run([tool, "-r", "-f", "html", "-o", page, "--from-csv", saved, root], check=True)

    b = chromium.Browser()
    try:
        b.driver.set_window_size(1300, 1000)
        b.open(page)
        b.wait("return document.documentElement.dataset.folded === '1'", 60)
        js = b.js

        def aligned(what):
            bad = js(MISALIGNED)
            check(not bad, "%s: headings off their columns: %r" % (what, bad[:5]))

        check(js("return document.title") == "saved", "title: the saved list's name")
        all_files = sum(len(v) for v in files.values())
        all_bytes = sum(s for v in files.values() for _, s, _ in v)
        check(js("return document.getElementById('totals').textContent")
              == "総ファイル数 %d　総バイト数 %s" % (all_files, size_text(all_bytes)), "page totals")
        check(js("return document.querySelectorAll('img, iframe, object, embed').length") == 0,
              "a name made an element")

        # Every folder of the tree, opened through its parents' toggles.
        find_row = """const want = JSON.stringify(arguments[0]);
            for (const r of document.querySelectorAll('#tree .node')) {
              if (!r.offsetParent) continue;
              const names = [];
              for (let x = r; x; ) {
                names.unshift(x.querySelector('.nm').textContent);
                const box = x.parentElement;
                x = box.id === 'tree' ? null : box.previousElementSibling;
              }
              if (JSON.stringify(names) === want) return r.dataset.dir;
            }
            return null"""

        def open_folder(path):
            """Clicks down the tree from the top to path (ending in /) and selects it."""
            parts = ["/"] + path.strip("/").split("/")
            d = None
            for depth in range(1, len(parts) + 1):
                d = js(find_row, parts[:depth])
                check(d is not None, "folder %r in the tree" % parts[:depth])
                if d is None:
                    return None
                row = "document.querySelector('#tree .node[data-dir=\"' + arguments[0] + '\"]')"
                if depth < len(parts) and js("return " + row + ".getAttribute('aria-expanded')", d) == "false":
                    js(row + ".querySelector('.tw').click()", d)
            js("document.querySelector('#tree .node[data-dir=\"' + arguments[0] + '\"] .nm').click()", d)
            return d

        for folder, entries in sorted(files.items()):
            d = open_folder(folder)
            if d is None:
                continue
            check(js("return document.getElementById('where').textContent") == folder, "heading of " + folder)
            rows = js(ROWS)
            got = sorted((r[0][0], r[1][0], r[1][1], r[2][0]) for r in rows)
            want = sorted((n, size_text(s), "%d バイト" % s, date_text(t)) for n, s, t in entries)
            check(got == want, "files of %r:\n  got  %r\n  want %r" % (folder, got, want))
            # The folder's own totals and those with everything below it.
            own_n, own_b = len(entries), sum(s for _, s, _ in entries)
            below = [(f, e) for f, e in files.items() if f.startswith(folder)]
            all_n, all_b = sum(len(e) for _, e in below), sum(s for _, e in below for _, s, _ in e)
            text = js("return document.querySelector('#tree .node[data-dir=\"' + arguments[0] + '\"] .ct')"
                      ".textContent", d)
            want_text = count_text(own_n, own_b) + (" （下位を含めて %s）" % count_text(all_n, all_b)
                                                     if len(below) > 1 else "")
            check(text == want_text, "totals of %r: %r, not %r" % (folder, text, want_text))
        # The top folders add up everything.
        top = js("return document.querySelector('#tree .node .ct').textContent")
        check(top == count_text(0, 0) + " （下位を含めて %s）" % count_text(all_files, all_bytes), "top totals " + top)

        # Collapse and expand: a's children go and come back.
        a = open_folder(root + "/a/")
        toggle = "document.querySelector('#tree .node[data-dir=\"' + arguments[0] + '\"] .tw').click()"
        visible = ("return [...document.querySelectorAll('#tree .node')].filter(r => r.offsetParent)"
                   ".map(r => r.querySelector('.nm').textContent)")
        check("b" in js(visible), "a opened shows b")
        js(toggle, a)
        check("b" not in js(visible), "a closed hides b")
        js(toggle, a)
        check("b" in js(visible), "a opened again shows b")

        # Sorting a's files by each column, both ways.
        open_folder(root + "/a/")
        aligned("a folder")

        def column(k):
            return [r[k][0] for r in js(ROWS)]

        def sort_by(key):
            n = int(js("return document.documentElement.dataset.sorted || '0'"))
            js("document.querySelector('#head button[data-key=\"%d\"]').click()" % key)
            b.wait("return document.documentElement.dataset.sorted === '%d'" % (n + 1), 30)

        sort_by(1)
        check(column(0) == ["zero", "x.txt", "Big.TXT"], "by size: %r" % column(0))
        sort_by(1)
        check(column(0) == ["Big.TXT", "x.txt", "zero"], "by size, descending: %r" % column(0))
        sort_by(0)
        check(column(0) == ["Big.TXT", "x.txt", "zero"], "by name, case ignored: %r" % column(0))
        sort_by(2)
        check(column(0) == ["x.txt", "Big.TXT", "zero"], "by date: %r" % column(0))

        # Search: half-width katakana finds full-width, patterns, case, two
        # Japanese characters, a hostile name as text.
        def search(q):
            n = js("return document.documentElement.dataset.searched || ''")
            js("const q = document.getElementById('q'); q.value = arguments[0];"
               "q.dispatchEvent(new KeyboardEvent('keydown', {key: 'Enter'}))", q)
            b.wait("return (document.documentElement.dataset.searched || '') !== arguments[0]"
                   .replace("arguments[0]", repr(n)), 30)
            return js("return document.getElementById('count').textContent"), js(ROWS)

        count, rows = search("ﾌｧｲﾙ")
        check(count == "1 件" and [r[0][0] for r in rows] == ["ファイル１.txt"], "ﾌｧｲﾙ: %s %r" % (count, rows))
        check(rows and rows[0][3][0] == root + "/日本語フォルダ/", "result's folder %r" % rows)
        count, rows = search("*.txt")
        txt = sorted(n for v in files.values() for n, _, _ in v if n.lower().endswith(".txt"))
        check(count == "%d 件" % len(txt) and sorted(r[0][0] for r in rows) == txt, "*.txt: %s" % count)
        aligned("search results")
        count, rows = search("日本")
        check(count == "1 件" and rows[0][0][0] == "日本語メモ.txt", "日本: %s" % count)
        count, rows = search("x?tx")
        check(count == "0 件", "x?tx matches whole names only: %s" % count)
        count, rows = search("x?txt")
        check(count == "1 件" and rows[0][0][0] == "x.txt", "x?txt: %s" % count)
        count, rows = search("<SCRIPT>")
        check(count == "1 件" and rows[0][0][0] == CSV_NAME, "<script>: %s" % count)
        count, rows = search("ＮＥＷ")
        check(count == "1 件" and rows[0][0][0] == "new\nline.txt", "ＮＥＷ: %s" % count)

        # From a result to its folder.
        js("document.querySelector('#space .row a').click()")
        check(js("return document.getElementById('where').textContent") == root + "/</script>/",
              "the result's link opens its folder")
        check(js("return document.getElementById('q').value") == "", "the search is left")
        check(js("return document.querySelector('#tree .sel .nm').textContent") == "script>", "folder selected")

        # Other units, as the program shows them.
        for unit, want in (("0", ["12  B", "12345678  B", "0  B"]), ("1", ["0 KB", "12345 KB", "0 KB"]),
                           ("2", ["0 KB", "12 MB", "0 KB"])):
            other = os.path.join(work, "unit%s.html" % unit)
            subprocess.run([tool, "-r", "-u", unit, "-f", "html", "-o", other, root], check=True)
            b.open(other)
            b.wait("return document.documentElement.dataset.loaded === '1'", 60)
            open_folder(root + "/a/")
            sizes = {r[0][0]: r[1][0] for r in js(ROWS)}
            check([sizes.get(n) for n in ("x.txt", "Big.TXT", "zero")] == want, "unit %s: %r" % (unit, sizes))

        # With the SHA-256 column, in a folder and among results.
        digest_page = os.path.join(work, "digests.html")
        subprocess.run([tool, "-r", "--sha256", "-f", "html", "-o", digest_page, root], check=True)
        b.open(digest_page)
        b.wait("return document.documentElement.dataset.folded === '1'", 60)
        open_folder(root + "/a/")
        check(js("return document.querySelectorAll('#head button').length") == 4, "SHA-256 column")
        aligned("a folder with digests")
        count, rows = search("*.TXT")
        aligned("search results with digests")

        # A narrow window: every folder's name in full beside its counts.
        b.driver.set_window_size(800, 1000)
        b.open(page)
        b.wait("return document.documentElement.dataset.folded === '1'", 60)
        open_folder(root + "/a/b/")
        names = js("""return [...document.querySelectorAll('#tree .node')].filter(r => r.offsetParent).map(r => {
            const n = r.querySelector('.nm');
            return [n.textContent, n.getBoundingClientRect().width, n.scrollWidth - n.clientWidth]; })""")
        check(len(names) >= 5, "folders shown at 800 px: %r" % names)
        for name, width, cut in names:
            check(name and width > 0 and cut <= 0, "folder %r at 800 px: %.1f px, %d px cut" % (name, width, cut))
        b.driver.set_window_size(1300, 1000)

        # A folder of more than 10,000 files: the first 10,000 rows, the
        # rest on request, in the folder and in a search.
        many = os.path.join(work, "many.csv")
        with open(many, "w", encoding="utf-8", newline="") as f:
            f.write("ファイル名,バイト数,更新日時,ディレクトリ\r\n")
            for i in range(10005):
                f.write("n%05d.dat,%d,2020-01-02 03:04:05,/many/\r\n" % (i, i))
        big_page = os.path.join(work, "many.html")
        subprocess.run([tool, "-f", "html", "-o", big_page, "--from-csv", many], check=True)
        b.open(big_page)
        b.wait("return document.documentElement.dataset.folded === '1'", 60)
        last_row = ("const rows = document.getElementById('rows'); rows.scrollTop = rows.scrollHeight;"
                    "rows.dispatchEvent(new Event('scroll'));"
                    "return [...document.querySelectorAll('#space .row')].map(r => r.firstChild.textContent).pop()")

        def capped(total):
            check(js("return document.getElementById('shown').textContent")
                  == "%d 件のうち先頭の 10000 件を表示しています。" % total, "cap text")
            check(js(last_row) == "n09999.dat", "the 10,000th row is the last drawn")
            check(js("return document.getElementById('more').textContent") == "さらに %d 件を表示" % (total - 10000),
                  "more text")
            js("document.getElementById('more').click()")
            check(js(last_row) == "n%05d.dat" % (total - 1), "every row after more")
            check(js("return document.getElementById('more').hidden"), "no more to show")

        capped(10005)
        count, rows = search("N*")
        check(count == "10005 件", "N*: %s" % count)
        capped(10005)

        # Nothing ran: no dialog, no script error, nothing blocked.
        try:
            alert = b.driver.switch_to.alert
            check(False, "a dialog opened: " + alert.text)
        except Exception as e:  # NoAlertPresentException
            check(type(e).__name__ == "NoAlertPresentException", "dialog check: %r" % e)
        errors = [e for e in b.console() if e.get("level") in ("SEVERE", "WARNING")]
        check(not errors, "console: %r" % errors)
    finally:
        b.quit()
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
