#!/usr/bin/env bash
# quilnaver-list.exe under Wine against the Linux build of quilnaver-list on
# the same folders: the same list-file bytes, the CSV with Windows
# separators, a tree with a link back to its top listed once, a path past
# 260 characters listed, standard output with the bytes of -o. Run by
# scripts/windows.sh.
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
