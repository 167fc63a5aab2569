#!/bin/sh
# Runs the converter on a 20 MB dictionary with its address space held to
# 15 MB: the run must end with one line and status 2, not abort.
# Usage: out-of-memory.sh PROGRAM DICTGEN
program=$1
dictgen=$2
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

"$dictgen" mixed 20 > "$work/in" || { echo "FAIL: dictgen did not run"; exit 1; }
(ulimit -v 15000 && exec "$program") < "$work/in" > "$work/out" 2> "$work/err"
status=$?
failed=0
[ "$status" -eq 2 ] || { echo "FAIL: exit status $status, expected 2"; failed=1; }
[ "$(cat "$work/err")" = "dict2step: out of memory" ] || { echo "FAIL: standard error was:"; cat "$work/err"; failed=1; }
exit $failed
