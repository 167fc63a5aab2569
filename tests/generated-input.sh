#!/bin/sh
# Checks one shape of the benchmark's generator: dict2step converts what it
# writes completely (status 0, nothing on standard error, the trailer last),
# the same seed gives the same bytes and another seed other bytes, and, where
# xmllint is installed, the document is well-formed XML.
# Usage: generated-input.sh GENERATOR PROGRAM SHAPE
generator=$1
program=$2
shape=$3
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failed=0

"$generator" "$shape" 0.3 7 > "$work/in" || { echo "FAIL: the generator failed"; exit 1; }
"$program" < "$work/in" > "$work/out" 2> "$work/err"
status=$?
if [ "$status" -ne 0 ]; then
    echo "FAIL: exit status $status"; grep -n "error" "$work/out" | head -5; failed=1
fi
if [ -s "$work/err" ]; then
    echo "FAIL: standard error:"; cat "$work/err"; failed=1
fi
if [ "$(tail -n 1 "$work/out")" != "END-ISO-10303-21;" ]; then
    echo "FAIL: the exchange file is not complete"; failed=1
fi

"$generator" "$shape" 0.3 7 > "$work/again"
cmp -s "$work/in" "$work/again" || { echo "FAIL: the same seed gave other bytes"; failed=1; }
"$generator" "$shape" 0.3 8 > "$work/other"
cmp -s "$work/in" "$work/other" && { echo "FAIL: another seed gave the same bytes"; failed=1; }

if command -v xmllint > /dev/null 2>&1; then
    xmllint --stream --noout "$work/in" || { echo "FAIL: not well-formed XML"; failed=1; }
fi
exit $failed
