#!/bin/sh
# Runs the worked table case with its three columns made long: 200 cells of
# up to 5000 characters each, apostrophes and backslashes among them, so that
# the exchange file passes the output buffer's end many times, inside quoted
# and plain values alike. The expected file is that case's, with the three
# column lines written out by awk.
# Usage: long-columns.sh PROGRAM CASES-DIRECTORY
program=$1
case=$2/tables/each-column-type
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

awk -v work="$work" 'BEGIN {
    piece["STRING"] = "ab\047c\\d"
    piece["REAL"] = "0123456789."
    piece["INTEGER"] = "-987654321"
    for (c = 1; c <= 3; c++) {
        type = c == 1 ? "STRING" : c == 2 ? "REAL" : "INTEGER"
        cells = "<COLUMN>"
        line[c] = ""
        for (i = 1; i <= 200; i++) {
            length_i = (i * 7919 + c * 104729) % 5000 + 1
            value = "v"; quoted = "v"
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
    print "#29=STRING_COLUMN((" line[1] "), \047A..15\047);" > (work "/line29")
    print "#30=REAL_COLUMN((" line[2] "), \047NR..3.3\047);" > (work "/line30")
    print "#31=INTEGER_COLUMN((" line[3] "), \047NR..3\047);" > (work "/line31")
}'

{ sed -n '1,6p' "$case.in"; cat "$work/columns"; sed -n '10,$p' "$case.in"; } > "$work/in"
{ sed -n '1,/^#28=/p' "$case.out"; cat "$work/line29" "$work/line30" "$work/line31"; sed -n '/^#32=/,$p' "$case.out"; } > "$work/expected"

"$program" < "$work/in" > "$work/out" 2> "$work/err"
status=$?
failed=0
[ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; failed=1; }
[ -s "$work/err" ] && { echo "FAIL: standard error:"; cat "$work/err"; failed=1; }
cmp "$work/expected" "$work/out" || failed=1
exit $failed
