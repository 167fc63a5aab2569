#!/bin/sh
# Puts a note after every closing tag that ends a line of each golden input
# that converts with status 0 and no ignored text, and checks that the
# tag language ignores it without a change: the same exchange file, the same
# status, the same messages, and one more warning, which counts the notes
# and names the first with its line.
# Usage: ignored-text.sh PROGRAM CASES-DIRECTORY
program=$1
cases=$2
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
LC_ALL=C
export LC_ALL

note='a note, & more'
failed=0
tried=0
for input in "$cases"/*/*.in; do
    case=${input%.in}
    case=${case#"$cases"/}
    "$program" < "$input" > "$work/plain.out" 2> "$work/plain.err" || continue
    grep -q ' outside any element ' "$work/plain.err" && continue
    awk -v note="$note" -v counts="$work/counts" '
        /<\/[A-Za-z_]+>$/ { $0 = $0 " " note; if (notes++ == 0) first = NR }
        { print }
        END { print notes + 0, first + 0 > counts }' "$input" > "$work/in"
    read -r notes first < "$work/counts"
    [ "$notes" -gt 0 ] || continue
    tried=$((tried + 1))
    "$program" < "$work/in" > "$work/out" 2> "$work/err"
    status=$?
    if [ "$notes" -eq 1 ]; then
        warning="dict2step: warning: 1 text outside any element was ignored; the first, '$note', on line $first"
    else
        warning="dict2step: warning: $notes texts outside any element were ignored; the first, '$note', on line $first"
    fi
    # The warning on ignored text comes first of those after the file.
    awk -v warning="$warning" '!done && /^dict2step: warning: / && !/^dict2step: warning: reading / { print warning; done = 1 }
        { print } END { if (!done) print warning }' "$work/plain.err" > "$work/expected.err"
    [ "$status" -eq 0 ] || { echo "FAIL: $case: status $status with notes"; failed=1; }
    cmp -s "$work/plain.out" "$work/out" || { echo "FAIL: $case: the notes changed the exchange file"; failed=1; }
    diff -u "$work/expected.err" "$work/err" > "$work/diff" || { echo "FAIL: $case: standard error"; cat "$work/diff"; failed=1; }
done
[ "$tried" -gt 0 ] || { echo "FAIL: no case took a note"; failed=1; }
echo "$tried inputs took notes"
exit $failed
