#!/bin/sh
# Runs one golden case: feeds CASE.in (or the output of CASE.gen) to PROGRAM
# and compares standard output, standard error and exit status with CASE.out,
# CASE.err (empty when absent) and CASE.status (0 when absent). A bundled
# example is a case too: CASE.dict is its input and CASE.stp its output.
# Any further arguments are given to PROGRAM.
# Usage: run-case.sh PROGRAM CASE [ARGUMENT...]
program=$1
case=$2
shift 2
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

expected_out="$case.out"
if [ -f "$case.gen" ]; then
    sh "$case.gen" > "$work/in" || { echo "FAIL: $case.gen did not run"; exit 1; }
elif [ -f "$case.dict" ]; then
    cp "$case.dict" "$work/in" || exit 1
    expected_out="$case.stp"
else
    cp "$case.in" "$work/in" || exit 1
fi
"$program" "$@" < "$work/in" > "$work/out" 2> "$work/err"
echo $? > "$work/status"

[ -f "$case.err" ] && cp "$case.err" "$work/expected.err" || : > "$work/expected.err"
[ -f "$case.status" ] && cp "$case.status" "$work/expected.status" || echo 0 > "$work/expected.status"

failed=0
for part in out err status; do
    expected="$work/expected.$part"
    [ "$part" = out ] && expected="$expected_out"
    if ! diff -u "$expected" "$work/$part" > "$work/diff"; then
        echo "FAIL: standard $part differs" | sed 's/standard status/exit status/'
        cat "$work/diff"
        failed=1
    fi
done
exit $failed
