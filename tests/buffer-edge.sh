#!/bin/sh
# Sweeps the scanner's two length limits with tokens of every kind that meets
# them, at several offsets around the first refill of its input buffer, fed
# from a file and through a pipe. A match of 8192 bytes or more is "token too
# large"; one whose start lies 16383 bytes or more behind the end of the data
# read is an overflow, unless the 16383 bytes already form a match that no
# byte could lengthen: a value in double quotes, or one ended by a line end,
# or a tag head up to its '=', of exactly 16383 bytes is a token too large.
# Either message names the line where the token starts, and a hint may follow.
# Usage: buffer-edge.sh PROGRAM
program=$1
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
LC_ALL=C
export LC_ALL

large="token too large, exceeds YYLMAX"
overflow="input buffer overflow, can't enlarge buffer because scanner uses REJECT"

# Writes the input: SHIFT stray characters, then a token of KIND and LENGTH
# bytes where the grammar reads it, then the rest of a document.
make_input() {
    awk -v kind="$1" -v n="$2" -v shift="$3" '
    function run(c, k,  s) { s = c; while (length(s) < k) s = s s; return k > 0 ? substr(s, 1, k) : "" }
    BEGIN {
        head = "<SUPPLIER_LIBRARY BSU=" run("x", shift)
        tail = "><CLASS BSU=\"C1\"><CNAME>A</CNAME></CLASS></SUPPLIER_LIBRARY>\n"
        if (kind == "double-quoted")
            printf "%s\"%s\"%s", head, run("v", n - 2), tail
        else if (kind == "quote-ended-by-line-end")
            printf "%s\"%s\n%s", head, run("v", n - 2), tail
        else if (kind == "single-quoted-at-end")
            printf "%s'\''%s'\''", head, run("v", n - 2)
        else if (kind == "class-tag-head")
            printf "%s\"S1\">%s<CLASS%sBSU=\"C1\"><CNAME>A</CNAME></CLASS></SUPPLIER_LIBRARY>\n", head, run("\n", shift), run(" ", n - 10)
        else if (kind == "element-text")
            printf "%s\"S1\"><CLASS BSU=\"C1\"><CNAME>%s</CNAME></CLASS></SUPPLIER_LIBRARY>\n", head, run("t", n)
    }'
}

# The message a token of KIND and LENGTH must end the run with, if any.
expected_message() {
    edge=16383
    case $1 in double-quoted|quote-ended-by-line-end|class-tag-head) edge=16384 ;; esac
    if [ "$2" -lt 8192 ]; then
        echo
    elif [ "$2" -lt $edge ]; then
        echo "$large"
    else
        echo "$overflow"
    fi
}

failed=0
checked=0
for kind in double-quoted quote-ended-by-line-end single-quoted-at-end class-tag-head element-text; do
    for length in 8191 8192 16382 16383 16384; do
        for shift in 0 1 8150 8168 8169 8170 8171 8180; do
            make_input $kind $length $shift > "$work/in"
            message=$(expected_message $kind $length)
            line=1
            [ $kind = class-tag-head ] && line=$((shift + 1))
            for how in file pipe; do
                if [ $how = file ]; then
                    "$program" < "$work/in" > "$work/out" 2> "$work/err"
                else
                    cat "$work/in" | "$program" > "$work/out" 2> "$work/err"
                fi
                status=$?
                checked=$((checked + 1))
                if [ -n "$message" ]; then
                    [ "$status" -eq 2 ] && [ ! -s "$work/out" ] &&
                        [ "$(sed -n 1,2p "$work/err")" = "$message
dict2step: stopped at line $line" ] &&
                        [ "$(sed -n '3,$p' "$work/err" | grep -c -v '^dict2step: hint: ')" -eq 0 ] && continue
                else
                    [ "$status" -le 1 ] && ! grep -q -e "$large" -e "$overflow" "$work/err" && continue
                fi
                echo "FAIL: $kind of $length bytes after $shift stray bytes, from a $how: status $status, error: $(head -c 200 "$work/err")"
                failed=1
            done
        done
    done
done
echo "$checked runs"
exit $failed
