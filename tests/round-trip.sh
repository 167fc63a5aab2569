#!/bin/sh
# The way there and back: every dictionary that the suite converts with
# status 0 (the input of each golden case, the bundled examples, and a
# document of each shape of the benchmark's generator when it is given) is
# converted, read back with -r and converted again, and the two exchange
# files must be the same, byte for byte. The inputs that loose names below are
# not UTF-8 or have blanks around number cells, which the second file writes
# another way (a stray byte as a character, a number without its blanks):
# for them the dictionaries read back from both files must be the same, and
# the second file must make the round trip byte for byte. The inputs that
# refused names hold texts that begin with a NUL, which convert to empty
# texts that no element can hold: reading them back must fail, writing
# nothing.
# Usage: round-trip.sh PROGRAM CASES-DIRECTORY EXAMPLES-DIRECTORY [DICTGEN]
program=$1
cases=$2
examples=$3
dictgen=$4
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failed=0
checked=0

loose() {
    case $1 in
    escaping/other-bytes-encoded | escaping/short-names-cut-at-15-characters | escaping/stray-bytes) return 0 ;;
    tables/integers-in-a-real-column | escaping/names-and-cells-with-blanks-around) return 0 ;;
    esac
    return 1
}

refused() {
    case $1 in
    escaping/texts-that-begin-with-a-nul) return 0 ;;
    esac
    return 1
}

# back FROM TO: reads the exchange file FROM back into the dictionary TO,
# which must end with status 0 and say nothing.
back() {
    if ! "$program" -r < "$1" > "$2" 2> "$work/err" || [ -s "$work/err" ]; then
        echo "FAIL: $name: reading back did not end cleanly:"; head -n 5 "$work/err"; failed=1
        return 1
    fi
}

# round_trip NAME: $work/in, when it converts with status 0.
round_trip() {
    name=$1
    "$program" < "$work/in" > "$work/first.stp" 2> /dev/null || return 0
    checked=$((checked + 1))
    if refused "$name"; then
        "$program" -r < "$work/first.stp" > "$work/first.dict" 2> "$work/err"
        status=$?
        [ $status -eq 1 ] && [ ! -s "$work/first.dict" ] && [ -s "$work/err" ] ||
            { echo "FAIL: $name: read back with status $status, not refused"; failed=1; }
        return
    fi
    back "$work/first.stp" "$work/first.dict" || return
    "$program" < "$work/first.dict" > "$work/second.stp" 2> /dev/null
    cmp -s "$work/first.stp" "$work/second.stp" && return
    if loose "$name"; then
        back "$work/second.stp" "$work/second.dict" || return
        if ! cmp -s "$work/first.dict" "$work/second.dict"; then
            echo "FAIL: $name: the two exchange files read back into other dictionaries:"
            diff "$work/first.dict" "$work/second.dict" | head -n 10; failed=1
        fi
        "$program" < "$work/second.dict" > "$work/third.stp" 2> /dev/null
        cmp -s "$work/second.stp" "$work/third.stp" ||
            { echo "FAIL: $name: the second exchange file does not make the round trip"; failed=1; }
    else
        echo "FAIL: $name: converted again, the exchange file differs:"
        diff "$work/first.stp" "$work/second.stp" | head -n 10; failed=1
    fi
}

for input in "$cases"/*/*.in "$cases"/*/*.gen; do
    case $input in
    *.gen) sh "$input" > "$work/in" || { echo "FAIL: $input did not run"; failed=1; continue; } ;;
    *) cp "$input" "$work/in" || exit 1 ;;
    esac
    name=${input%.*}
    round_trip "${name#"$cases"/}"
done
for input in "$examples"/*.dict; do
    cp "$input" "$work/in" || exit 1
    round_trip "example $(basename "$input")"
done
if [ -n "$dictgen" ]; then
    for shape in cells classes mixed utf8 pretty; do
        "$dictgen" $shape 0.3 11 > "$work/in" || { echo "FAIL: dictgen $shape did not run"; failed=1; continue; }
        round_trip "dictgen $shape"
    done
fi
[ "$checked" -gt 0 ] || { echo "FAIL: no dictionary converted with status 0"; exit 1; }
echo "$checked dictionaries converted, read back and converted again"
exit $failed
