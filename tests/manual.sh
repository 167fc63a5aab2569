#!/bin/sh
# Checks the manual page: groff formats it without a warning, for Linux and
# for Windows, the complete dictionary of its EXAMPLES converts to the data
# section printed below it, and that exchange file reads back (-r) into the
# dictionary printed after it. Exits 77 (skipped) where groff is missing.
# Usage: manual.sh PROGRAM PAGE
program=$1
page=$2
command -v groff > /dev/null || { echo "groff not found: 'make deps' installs groff-base"; exit 77; }
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failed=0

# The default device and the terminal one that man uses break lines apart;
# the Windows manual is the same page rendered with the register windows set.
for device in ps utf8; do
    for windows in 0 1; do
        groff -man -ww -z -T$device -rwindows=$windows "$page" > "$work/warnings" 2>&1
        if [ -s "$work/warnings" ]; then
            echo "FAIL: groff -T$device -rwindows=$windows warns:"; cat "$work/warnings"; failed=1
        fi
    done
done

# The page as a reader sees it; the example's long entity lines are broken
# with an indented continuation, which joins back with one blank.
groff -man -Tascii -P-cbou "$page" > "$work/page" 2> /dev/null
awk '/^ *<SUPPLIER_LIBRARY BSU="S1">$/ && !done { within = 1 }
     within { print }
     within && /^ *<\/SUPPLIER_LIBRARY>$/ { within = 0; done = 1 }' "$work/page" |
    sed 's/^           //' > "$work/in"
sed -n '/^ *<?xml version="1.0" encoding="UTF-8"?>$/,/^ *<\/SUPPLIER_LIBRARY>$/p' "$work/page" |
    sed 's/^           //' > "$work/read-back"
sed -n '/^ *DATA;$/,/^ *ENDSEC;$/p' "$work/page" | sed 's/^           //' |
    awk '/^    / { sub(/^ +/, ""); line = line " " $0; next }
         NR > 1 { print line } { line = $0 } END { print line }' > "$work/expected"
if [ ! -s "$work/in" ] || [ ! -s "$work/expected" ] || [ ! -s "$work/read-back" ]; then
    echo "FAIL: the example dictionary, its data section or the dictionary read back was not found"; exit 1
fi
"$program" < "$work/in" > "$work/out"; status=$?
[ $status -eq 0 ] || { echo "FAIL: the example ends with status $status"; failed=1; }
sed -n '/^DATA;$/,/^ENDSEC;$/p' "$work/out" > "$work/data"
if ! diff -u "$work/expected" "$work/data"; then
    echo "FAIL: the example's data section differs from the program's"; failed=1
fi
if ! "$program" -r < "$work/out" | diff -u "$work/read-back" -; then
    echo "FAIL: the example read back differs from the program's"; failed=1
fi
exit $failed
