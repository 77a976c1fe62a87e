#!/usr/bin/python3
"""The workbook and the PDF of quilnaver-list, read by the programs people
open them with: LibreOffice (one conversion for the whole test, its own
profile), openpyxl, and poppler's pdftotext and pdffonts. A write that meets
a file size limit fails and leaves the previous file whole.

    office_files_test.py QUILNAVER_LIST
"""
import csv
import datetime
import glob
import io
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile

import openpyxl
from openpyxl.utils.escape import unescape

tool = sys.argv[1]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def run(*args, **kwargs):
    return subprocess.run([tool, *args], capture_output=True, **kwargs)


work = tempfile.mkdtemp(prefix="quilnaver-office-")
os.chdir(work)
tree = os.path.join(work, "tree")
os.mkdir(tree)
names = ["a,b.txt", 'say "hi".txt', "line\nbreak", "0012", "1-2", "=1+1", "+3", "日本語の名前.txt",
         "3.14", "TRUE", " lead space",
         # Text a workbook writes as _xHHHH_: a name that looks like such an
         # escape, a control character XML cannot hold, a carriage return.
         "_x0041_", "a_xb_x00", "bell\x01name", "cr\rname"]
for i, name in enumerate(names):
    with open(os.path.join(tree, name), "wb") as f:
        f.write(b"x" * (i * 1000))
    os.utime(os.path.join(tree, name), (1700000000 + i * 3600, 1700000000 + i * 3600))

# Rows a disk cannot give: sizes past 2^53, times before 1900 and past 9999,
# and 8 MB of strings on one sheet.
long_dir = "/" + "/".join(["深い階層のフォルダ"] * 12) + "/"
recorded = ["\ufeffファイル名,バイト数,更新日時,ディレクトリ,パス",
            "huge,9007199254740993,2020-01-02 03:04:05,/data/,/data/huge",
            "exact,9007199254740992,2020-01-02 03:04:05,/data/,/data/exact",
            "widest,999999999999999,2020-01-02 03:04:05,/data/,/data/widest",
            "old,1,1850-06-07 08:09:10,/data/,/data/old"]
for i in range(6000):
    name = "長い名前_%05d_" % i + "ー" * 120
    recorded.append("%s,%d,2021-03-04 05:06:07,%s,%s%s" % (name, i, long_dir, long_dir, name))
with open("recorded.csv", "w", encoding="utf-8", newline="") as f:
    f.write("\r\n".join(recorded) + "\r\n")

csv_run = run("-f", "csv", "-o", "list.csv", "--from-csv", "recorded.csv", tree)
xlsx_run = run("-f", "xlsx", "-o", "list.xlsx", "--from-csv", "recorded.csv", tree)
check(csv_run.returncode == 0 and xlsx_run.returncode == 0, "csv and xlsx written: %r" % xlsx_run.stderr)
check(run("-f", "xlsx", tree).returncode == 2, "a workbook is never written to standard output")

# LibreOffice reads the workbook back to the CSV's values; sizes and times as
# shown there (#,##0 and yyyy/mm/dd hh:mm:ss) are brought to the CSV's form.
profile = os.path.join(work, "lo-profile")
converted = subprocess.run(
    ["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--convert-to",
     "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1",
     "--outdir", os.path.join(work, "lo"), "list.xlsx"], capture_output=True, timeout=300)
sheets = sorted(glob.glob(os.path.join(work, "lo", "*.csv")))
check(converted.returncode == 0 and len(sheets) == 2, "LibreOffice converted both sheets: %r" % sheets)


def rows(path, encoding):
    with open(path, encoding=encoding, newline="") as f:
        return list(csv.reader(io.StringIO(f.read())))


expected = rows("list.csv", "utf-8-sig")
list_sheet = [s for s in sheets if s.endswith("-リスト.csv")]
totals_sheet = [s for s in sheets if s.endswith("-合計.csv")]
if list_sheet and totals_sheet:
    read_back = rows(list_sheet[0], "utf-8")
    for row in read_back[1:]:
        row[1] = row[1].replace(",", "")
        if len(row[2]) == 19 and row[2][4] == "/":
            row[2] = row[2].replace("/", "-")
    check(len(read_back) == len(expected), "LibreOffice reads %d rows, the CSV has %d" % (len(read_back), len(expected)))
    mismatched = [(a, b) for a, b in zip(read_back, expected) if a != b]
    check(not mismatched, "LibreOffice's rows are the CSV's: first difference %r" % (mismatched[:1],))
    total = sum(int(r[1]) for r in expected[1:])
    totals = [[r[0], r[1].replace(",", "")] for r in rows(totals_sheet[0], "utf-8")]
    check(totals == [["ファイル数", str(len(expected) - 1)], ["バイト数", str(total)]], "the totals sheet: %r" % totals)

# openpyxl sees the types where they belong.
book = openpyxl.load_workbook("list.xlsx", read_only=False)
check(book.sheetnames == ["リスト", "合計"], "sheet names %r" % book.sheetnames)
sheet = book["リスト"]
check(sheet.freeze_panes == "A2" and sheet.auto_filter.ref == "A1:E%d" % len(expected), "title row frozen and filtered")
titles = [c.value for c in sheet[1]]
check(titles == ["ファイル名", "バイト数", "更新日時", "ディレクトリ", "パス"] and sheet["A1"].font.b, "bold titles %r" % titles)
# openpyxl leaves the workbook's _xHHHH_ escapes in the text; its own
# unescape reads them as Excel does.
by_name = {unescape(r[0].value): r for r in sheet.iter_rows(min_row=2)}
for name in names:
    cell = by_name.get(name, [None])[0]
    check(cell is not None and cell.data_type == "s", "%r is a text cell" % name)
    path = by_name.get(name, [None] * 5)[4]
    check(path is not None and unescape(path.value) == tree + "/" + name, "%r is in its path" % name)
huge = by_name["huge"]
check(huge[1].data_type == "s" and huge[1].value == "9007199254740993", "a size past 2^53 is its exact digits")
# A spreadsheet shows 15 digits: 2^53 too is written as its digits.
exact = by_name["exact"]
check(exact[1].data_type == "s" and exact[1].value == "9007199254740992", "2^53 as its exact digits")
widest = by_name["widest"]
check(widest[1].data_type == "n" and widest[1].value == 999999999999999 and widest[1].number_format == "#,##0",
      "15 digits are a number shown #,##0")
check(by_name["old"][2].data_type == "s" and by_name["old"][2].value == "1850-06-07 08:09:10", "1850 is text")
stamp = by_name["0012"][2]
check(stamp.is_date and stamp.value == datetime.datetime.fromtimestamp(1700000000 + 3 * 3600)
      and stamp.number_format == "yyyy/mm/dd hh:mm:ss", "a local date-time cell: %r" % stamp.value)
strings = sum(len(c.value.encode()) for r in sheet.iter_rows(min_row=2) for c in r if c.data_type == "s")
check(strings > 8 * 1024 * 1024, "more than 8 MB of strings on the sheet (%d)" % strings)
check(all(8 < (sheet.column_dimensions[c].width or 0) <= 82 for c in "ABCDE"), "column widths fit, capped")

# The pages: every name and the totals in order, the Japanese font embedded.
short = os.path.join(work, "short")
os.mkdir(short)
page_names = ["file_%04d.dat" % i for i in range(250)] + ["報告書の付録.pdf"]
for i, name in enumerate(page_names):
    with open(os.path.join(short, name), "wb") as f:
        f.write(b"y" * i)
pdf_run = run("-f", "pdf", "-u", "0", "-o", "list.pdf", short)
check(pdf_run.returncode == 0, "pdf written: %r" % pdf_run.stderr)
run("-f", "csv", "-o", "short.csv", short)
in_order = [r[0] for r in rows("short.csv", "utf-8-sig")[1:]]
check(sorted(in_order) == sorted(page_names), "the CSV of the pages' list")
text = subprocess.run(["pdftotext", "-layout", "list.pdf", "-"], capture_output=True, text=True).stdout
position = 0
for name in in_order + ["総ファイル数 251", "総バイト数 31375"]:
    found = text.find(name, position)
    check(found >= 0, "%r in the text after position %d" % (name, position))
    position = max(position, found)
pages = int([l for l in subprocess.run(["pdfinfo", "list.pdf"], capture_output=True, text=True).stdout.splitlines()
             if l.startswith("Pages:")][0].split()[1])
check(text.count("ページ") == pages and ("%d / %d ページ" % (pages, pages)) in text, "every page numbered")
fonts = subprocess.run(["pdffonts", "list.pdf"], capture_output=True, text=True).stdout
check(any("IPAGothic" in l and " yes " in l for l in fonts.splitlines()), "IPAGothic embedded:\n" + fonts)

# A write that meets a file size limit fails, the old file stays as it was
# and nothing is left beside it.
def limited():
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    resource.setrlimit(resource.RLIMIT_FSIZE, (16384, 16384))


for kind in ("xlsx", "pdf"):
    folder = os.path.join(work, "limited-" + kind)
    os.mkdir(folder)
    target = os.path.join(folder, "old." + kind)
    with open(target, "wb") as f:
        f.write(b"previous contents")
    failed = subprocess.run([tool, "-f", kind, "-o", target, "--from-csv", "recorded.csv"], capture_output=True,
                            preexec_fn=limited)
    check(failed.returncode == 1 and b"cannot write" in failed.stderr, "%s past the size limit fails" % kind)
    with open(target, "rb") as f:
        check(f.read() == b"previous contents", "the previous %s is whole" % kind)
    check(os.listdir(folder) == ["old." + kind], "nothing left beside the %s: %r" % (kind, os.listdir(folder)))

shutil.rmtree(work, ignore_errors=True)
print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
