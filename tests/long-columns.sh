#!/bin/sh
# Runs the worked table case with its three columns made long: 200 cells of
# up to 5000 characters each, apostrophes and backslashes among them, so that
# the exchange file passes the output buffer's end many times, inside quoted
# and plain values alike; the plain ones are long numbers. The expected file
# is that case's, with the three column lines written out by awk.
# Usage: long-columns.sh PROGRAM CASES-DIRECTORY
program=$1
case=$2/tables/each-column-type
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

awk -v work="$work" 'BEGIN {
    piece["STRING"] = "ab\047c\\d"
    piece["REAL"] = "0123456789"
    piece["INTEGER"] = "9876543210"
    start["STRING"] = "v"; start["REAL"] = "1."; start["INTEGER"] = "-1"
    for (c = 1; c <= 3; c++) {
        type = c == 1 ? "STRING" : c == 2 ? "REAL" : "INTEGER"
        cells = "<COLUMN>"
        line[c] = ""
        for (i = 1; i <= 200; i++) {
            length_i = (i * 7919 + c * 104729) % 5000 + 1
            value = start[type]; quoted = value
            for (k = 1; k < length_i; k++) {
                ch = substr(piece[type], k % length(piece[type]) + 1, 1)
                value = value ch; quoted = quoted ch
                if (ch == "\047" || ch == "\\")
                    quoted = quoted ch
            }
            cells = cells (i > 1 ? "\n" : "") "<TD>" value "</TD>"
            if (type == "STRING")
                value = "\047" quoted "\047"
            line[c] = line[c] (i > 1 ? ", " : "") value
        }
        print cells "</COLUMN>" > (work "/columns")
    }
    print "#30=STRING_COLUMN((" line[1] "), \047A..15\047);" > (work "/line30")
    print "#31=REAL_COLUMN((" line[2] "), \047NR2..3.3\047);" > (work "/line31")
    print "#32=INTEGER_COLUMN((" line[3] "), \047NR1..3\047);" > (work "/line32")
}'

{ sed -n '1,6p' "$case.in"; cat "$work/columns"; sed -n '10,$p' "$case.in"; } > "$work/in"
{ sed -n '1,/^#29=/p' "$case.out"; cat "$work/line30" "$work/line31" "$work/line32"; sed -n '/^#33=/,$p' "$case.out"; } > "$work/expected"

"$program" < "$work/in" > "$work/out" 2> "$work/err"
status=$?
failed=0
[ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; failed=1; }
[ -s "$work/err" ] && { echo "FAIL: standard error:"; cat "$work/err"; failed=1; }
cmp "$work/expected" "$work/out" || failed=1
exit $failed
