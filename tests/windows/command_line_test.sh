#!/usr/bin/env bash
# quilnaver-list.exe under Wine against the Linux build of quilnaver-list on
# the same folders: the same list-file bytes, the CSV with Windows
# separators, a tree with a link back to its top listed once, a path past
# 260 characters listed, standard output with the bytes of -o; a workbook and
# a PDF read back by unzip and poppler, a catalogue the Linux build and
# sqlite3 read. Run by scripts/windows.sh.
#   command_line_test.sh WINDOWS_EXE LINUX_PROGRAM
set -euo pipefail
exe=$1
linux=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failed=0
fail() { echo "FAILED: $*" >&2; failed=1; }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
wine_list() { WINEDEBUG=-all wine "$exe" "$@"; }

# One file in each directory: the order of a directory's files is the order
# its file system lists them, which is no order a platform shares.
mkdir -p "$dir/tree/jp" "$dir/tree/sub" "$dir/tree/x"
printf 'abc' >"$dir/tree/a.txt"
printf '12345' >"$dir/tree/jp/日本語の名前.txt"
head -c 20000 /dev/zero >"$dir/tree/sub/big.bin"
printf '1' >"$dir/tree/x/絵文字😀.txt"
find "$dir/tree" -type f -exec touch -d @1700000000 {} +

# The list file: the same bytes, whichever platform wrote it (the emoji,
# which code page 932 cannot hold, as one "?").
"$linux" -r -u 0 -o "$dir/linux.txt" "$dir/tree"
wine_list -r -u 0 -o "$(windows_path "$dir/wine.txt")" "$(windows_path "$dir/tree")"
if cmp -s "$dir/linux.txt" "$dir/wine.txt"; then
    echo "list file: the same $(wc -c <"$dir/wine.txt") bytes as the Linux build"
else
    fail "list files differ"
    od -c "$dir/linux.txt" | head -20 >&2
    od -c "$dir/wine.txt" | head -20 >&2
fi

# Redirected, standard output carries the same bytes as -o: no CR before
# each CR LF.
wine_list -r -u 0 "$(windows_path "$dir/tree")" >"$dir/redirected.txt"
if cmp -s "$dir/linux.txt" "$dir/redirected.txt"; then
    echo "list file on standard output: the same bytes as the Linux build"
else
    fail "the list file on standard output differs"
    od -c "$dir/redirected.txt" | head -20 >&2
fi

# The CSV names the directory the Windows way.
csv=$(wine_list -r -f csv "$(windows_path "$dir/tree")")
expected_dir="$(windows_path "$dir/tree")\\sub\\"
if grep -qF "$expected_dir" <<<"$csv" && ! grep -qF "$dir/tree" <<<"$csv"; then
    echo "CSV: directories with \\ ($expected_dir)"
else
    fail "CSV separators: $csv"
fi

# The same list, redirected as CSV: the Linux build's bytes but for the
# directories' separators.
wine_list -r -f csv "$(windows_path "$dir/tree")" >"$dir/redirected.csv"
"$linux" -r -f csv "$dir/tree" >"$dir/linux.csv"
if cmp -s <(sed 's|Z:||g; s|\\|/|g' "$dir/redirected.csv") "$dir/linux.csv" \
    && ! grep -q $'\r\r' "$dir/redirected.csv"; then
    echo "CSV on standard output: $(wc -l <"$dir/redirected.csv") lines, the Linux build's bytes"
else
    fail "the CSV on standard output differs"
    diff <(od -c "$dir/redirected.csv") <(od -c "$dir/linux.csv") | head -20 >&2
fi

# A workbook: a whole ZIP holding the sheet with every name, the size a number.
wine_list -r -f xlsx -o "$(windows_path "$dir/list.xlsx")" "$(windows_path "$dir/tree")"
sheet=$(unzip -p "$dir/list.xlsx" xl/worksheets/sheet1.xml 2>/dev/null || true)
if unzip -tq "$dir/list.xlsx" >/dev/null && grep -qF '日本語の名前.txt' <<<"$sheet" \
    && grep -qF '<v>20000</v>' <<<"$sheet"; then
    echo "workbook: $(unzip -Z1 "$dir/list.xlsx" | wc -l) parts, every name, sizes as numbers"
else
    fail "workbook: $(unzip -tq "$dir/list.xlsx" 2>&1 | head -3)"
fi

# A PDF: its pages hold every name in a Japanese font it carries.
wine_list -r -f pdf -o "$(windows_path "$dir/list.pdf")" "$(windows_path "$dir/tree")"
text=$(pdftotext -layout "$dir/list.pdf" - 2>/dev/null || true)
fonts=$(pdffonts "$dir/list.pdf" 2>/dev/null | tail -n +3 || true)
if pdfinfo "$dir/list.pdf" >/dev/null 2>&1 && grep -qF '日本語の名前.txt' <<<"$text" && grep -qF 'big.bin' <<<"$text" \
    && [ -n "$fonts" ] && ! grep -qv ' yes ' <<<"$fonts"; then
    echo "PDF: $(pdfinfo "$dir/list.pdf" | sed -n 's/^Pages: *//p') page(s), every name, fonts embedded"
else
    fail "PDF: $(printf '%s\n' "$text" | head -5) fonts: $fonts"
fi

# A catalogue: the volume found by name, its serial as Windows gives it, and
# the same file read by the Linux build.
wine_list --catalog "$(windows_path "$dir/disks.qncat")" --add-volume DISK1 -r "$(windows_path "$dir/tree")"
found=$(wine_list --catalog "$(windows_path "$dir/disks.qncat")" --find big || true)
serial=$(sqlite3 "$dir/disks.qncat" 'SELECT serial FROM volume' 2>/dev/null || true)
from_linux=$("$linux" --catalog "$dir/disks.qncat" --find 名前 || true)
if [ "$found" = "DISK1	$(windows_path "$dir/tree")\\sub\\big.bin" ] && [[ $serial =~ ^[0-9A-F]{4}-[0-9A-F]{4}$ ]] \
    && grep -qF '日本語の名前.txt' <<<"$from_linux"; then
    echo "catalogue: found $found, serial $serial, read by the Linux build"
else
    fail "catalogue: found '$found', serial '$serial', Linux found '$from_linux'"
fi

# A link back to the top: the three files once, exit 0, nothing said.
mkdir -p "$dir/loop/sub"
touch "$dir/loop/a" "$dir/loop/b" "$dir/loop/sub/c"
ln -s .. "$dir/loop/sub/loop"
status=0
out=$(wine_list -r -f csv "$(windows_path "$dir/loop")" 2>"$dir/err") || status=$?
rows=$(($(printf '%s\n' "$out" | grep -c .) - 1))
if [ "$status" -eq 0 ] && [ "$rows" -eq 3 ] && [ ! -s "$dir/err" ]; then
    echo "loop: 3 files, exit 0"
else
    fail "loop: $rows rows, exit $status, said: $(head -c 300 "$dir/err")"
fi

# Past 260 characters.
deep="$dir/deep"
while [ ${#deep} -lt 320 ]; do deep="$deep/directory-with-a-long-name"; done
mkdir -p "$deep"
printf 'far' >"$deep/far.txt"
status=0
out=$(wine_list -r -f csv "$(windows_path "$dir/deep")" 2>"$dir/err") || status=$?
if [ "$status" -eq 0 ] && grep -q '^far.txt,' <<<"$out" && [ ! -s "$dir/err" ]; then
    echo "long path: a file $(( ${#deep} + 8 )) characters deep listed"
else
    fail "long path: exit $status, said: $(head -c 300 "$dir/err"), listed: $out"
fi
exit $failed
