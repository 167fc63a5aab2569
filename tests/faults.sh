#!/bin/sh
# Runs the converter where its standard streams fail and checks how it ends.
# no-sigpipe says that the system has no SIGPIPE (Windows).
# Usage: faults.sh PROGRAM CASES-DIRECTORY [no-sigpipe]
program=$1
cases=$2
sigpipe=${3:-sigpipe}
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failed=0

# expect NAME STATUS STDERR-LINES: compares the last run's results.
expect() {
    if [ "$status" != "$2" ]; then
        echo "FAIL: $1: exit status $status, expected $2"; failed=1
    fi
    if [ "$(cat "$work/err")" != "$3" ]; then
        echo "FAIL: $1: standard error was:"; cat "$work/err"; failed=1
    fi
}

full="dict2step: cannot write standard output: No space left on device"
"$program" < "$cases/classes/worked-example.in" > /dev/full 2> "$work/err"; status=$?
expect "finished run to a full disk" 2 "$full"
"$program" < "$cases/frame/empty-input.in" > /dev/full 2> "$work/err"; status=$?
expect "syntax error to a full disk" 2 "dict2step: line 1: syntax error, unexpected end of input, expecting '<SUPPLIER_LIBRARY BSU='
$full"
"$program" < "$cases/properties/lower-case-type-stops.in" > /dev/full 2> "$work/err"; status=$?
expect "unknown type to a full disk" 2 "dict2step: line 4: property 'P2' of class 'C1': unknown data type 'string'
dict2step: hint: write <PTYPE>STRING</PTYPE>: a data type is written in capitals, with no blank or line break around it
$full"
"$program" < "$cases/classes/worked-example.in" >&- 2> "$work/err"; status=$?
expect "closed standard output" 2 "dict2step: cannot write standard output: Bad file descriptor"

"$program" < "$cases" > "$work/out" 2> "$work/err"; status=$?
expect "directory as standard input" 2 "input in flex scanner failed
dict2step: stopped at line 1"
[ -s "$work/out" ] && { echo "FAIL: directory as standard input: output written"; failed=1; }
"$program" <&- > "$work/out" 2> "$work/err"; status=$?
expect "closed standard input" 2 "input in flex scanner failed
dict2step: stopped at line 1"

# A reader that goes away early ends the run by SIGPIPE, as for any filter;
# the output is far larger than a pipe holds, so the write must meet it.
# Without SIGPIPE the write fails, and the run ends as for a full disk, with
# the C library's words for the error.
awk 'BEGIN {
    print "<SUPPLIER_LIBRARY BSU=\"S1\">"
    for (i = 1; i <= 3000; i++)
        printf "<CLASS BSU=\"C%d\"><CNAME>N</CNAME><PROPERTY BSU=\"P\"><PNAME>L</PNAME><PTYPE>REAL</PTYPE></PROPERTY></CLASS>\n", i
    print "</SUPPLIER_LIBRARY>"
}' > "$work/big"
status=$( { "$program" < "$work/big" 2> "$work/err"; echo $? > "$work/status"; } | head -c 1 > /dev/null; cat "$work/status")
if [ "$sigpipe" = sigpipe ]; then
    expect "reader of the pipe gone" 141 ""
elif [ "$status" != 2 ] || [ "$(wc -l < "$work/err")" -ne 1 ] ||
        ! grep -q '^dict2step: cannot write standard output: .' "$work/err"; then
    echo "FAIL: reader of the pipe gone: exit status $status, standard error:"; cat "$work/err"; failed=1
fi

exit $failed
