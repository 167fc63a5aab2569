#!/bin/sh
# Exchange files of the same population written the way other writers may
# write them: each exchange file that the suite's dictionaries convert to
# (the bundled examples, the golden cases' inputs that convert with status 0,
# and a document of each shape of the benchmark's generator when it is given)
# is written again by a seeded rewriter below, and reading it back with -r
# must give the same dictionary as reading the original, cleanly. The
# rewriter gives another header, numbers the instances anew in their order
# with gaps (of 1, of up to 10, of up to 100000, or from 10^15 on), writes
# them in a shuffled order, splits the
# data section in two now and then, puts line breaks, blanks and comments
# that hold ';' and quotes between the tokens, writes the characters of
# strings as \X2\ groups now and then, drops the LABEL of names and writes
# an empty set of synonyms as $.
# Usage: other-writers.sh PROGRAM CASES-DIRECTORY EXAMPLES-DIRECTORY [DICTGEN]
program=$1
cases=$2
examples=$3
dictgen=$4
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
LC_ALL=C
export LC_ALL
failed=0
checked=0

# rewrite SEED < FILE: the file written another way.
rewrite() {
    awk -v seed="$1" '
# Park-Miller generator: every product stays below 2^53, so any awk computes
# the same series from the same seed.
function rnd(n) { state = (state * 16807) % 2147483647; return state % n }
function group(c) { return "\\X2\\00" sprintf("%02X", ord[c]) "\\X0\\" }
# What may stand between two tokens.
function gap(   k) {
    k = rnd(12)
    if (k == 0) return "\n"
    if (k == 1) return " /* a; \"b\" */ "
    if (k == 2) return "\n/* two lines;\n   '\''c'\'' */\n"
    if (k == 3) return "  "
    return ""
}
# The text between the apostrophes of a string, with its escapes kept and a
# quarter of its other characters, its apostrophes and backslashes written
# as \X2\ groups.
function respell(s,   out, i, j, c, n) {
    out = ""; n = length(s)
    for (i = 1; i <= n; ) {
        c = substr(s, i, 1)
        if (c == "\047" || substr(s, i, 2) == "\\\\") {
            out = out (rnd(2) ? substr(s, i, 2) : group(c)); i += 2
        } else if (substr(s, i, 4) == "\\X2\\" || substr(s, i, 4) == "\\X4\\") {
            j = index(substr(s, i + 4), "\\X0\\"); out = out substr(s, i, j + 7); i += j + 7
        } else if (substr(s, i, 3) == "\\X\\") {
            out = out substr(s, i, 5); i += 5
        } else {
            out = out (rnd(4) == 0 ? group(c) : c); i++
        }
    }
    return out
}
# The end of the string that begins at i of line: the place of its closing
# apostrophe.
function string_end(line, i,   j) {
    for (j = i + 1; ; j += 2) {
        j += index(substr(line, j), "\047") - 1
        if (substr(line, j + 1, 1) != "\047") return j
    }
}
function renumbered(old) { return sprintf("%.0f", number[old]) }
# One instance, written another way.
function instance_rewritten(line,   out, i, j, c, n, depth, attribute, names) {
    out = ""; n = length(line); depth = 0; attribute = 1
    names = index(line, "=ITEM_NAMES(") > 0
    for (i = 1; i <= n; ) {
        c = substr(line, i, 1)
        if (c == "\047") {
            j = string_end(line, i)
            out = out "\047" respell(substr(line, i + 1, j - i - 1)) "\047"; i = j + 1
        } else if (c == "#") {
            for (j = i + 1; substr(line, j, 1) ~ /[0-9]/; j++) ;
            out = out "#" renumbered(substr(line, i + 1, j - i - 1)); i = j
        } else if (substr(line, i, 7) == "LABEL(\047" && rnd(2)) {
            j = string_end(line, i + 6)
            out = out "\047" respell(substr(line, i + 7, j - i - 7)) "\047"; i = j + 2
        } else if (names && depth == 1 && attribute == 2 && substr(line, i, 2) == "()" && rnd(2)) {
            out = out "$"; i += 2
        } else {
            if (c == "(") depth++
            if (c == ")") depth--
            if (c == "," && depth == 1) attribute++
            if (c == ";") out = out gap()
            out = out c
            if (c == "=" || c == "(" || c == "," || c == ")") out = out gap()
            i++
        }
    }
    return out
}
BEGIN {
    for (i = 1; i < 256; i++) { ord[sprintf("%c", i)] = i }
    state = seed % 2147483647 + 1
    mode = seed % 4
}
# The writer writes its instances in the order of their numbers, and an
# instance over several lines when a number cell holds a line break.
/^ENDSEC;$/ { within = 0 }
within && /^#[0-9]*=/ { data[++instances] = $0; old[instances] = substr($0, 2, index($0, "=") - 2); next }
within { data[instances] = data[instances] "\n" $0 }
/^DATA;$/ { within = 1 }
END {
    # New numbers in the same order, each the last plus a gap: the order of
    # the classes is that of their numbers.
    next_number = mode == 3 ? 1e15 : 0
    for (i = 1; i <= instances; i++) {
        next_number += mode == 0 ? 1 : mode == 1 ? 1 + rnd(10) : 1 + rnd(100000)
        number[old[i]] = next_number
    }
    print "ISO-10303-21;"
    print "/* the same dictionary, written another way (seed " seed ") */"
    print "HEADER;"
    print "FILE_DESCRIPTION((\047parts library; read back\047, \047second line\047), \0472;1\047);"
    print "FILE_NAME(\047library.stp\047, \0472026-12-07T12:00:00\047, (\047someone\047), (\047somewhere\047),"
    print "  \047another preprocessor\047, \047another system\047, \047nobody\047);"
    print "FILE_SCHEMA((\047ISO13584_G_M_IIM_SCHEMA\047));"
    print "ENDSEC;"
    print "DATA;"
    for (i = instances; i > 1; i--) { j = rnd(i) + 1; x = data[i]; data[i] = data[j]; data[j] = x }
    split_at = rnd(2) ? rnd(instances) + 1 : 0
    for (i = 1; i <= instances; i++) {
        if (i == split_at)
            print "ENDSEC;\nDATA(\047second\047, (\047ISO13584_G_M_IIM_SCHEMA\047));"
        print instance_rewritten(data[i])
    }
    print "ENDSEC;"
    print "END-ISO-10303-21;"
}'
}

# other_ways NAME SEED...: $work/in, when it converts with status 0, read
# back as written and as rewritten with each seed.
other_ways() {
    name=$1
    shift
    "$program" < "$work/in" > "$work/file.stp" 2> /dev/null || return 0
    "$program" -r < "$work/file.stp" > "$work/expected.dict" 2> /dev/null || return 0
    for seed in "$@"; do
        checked=$((checked + 1))
        rewrite "$seed" < "$work/file.stp" > "$work/other.stp"
        "$program" -r < "$work/other.stp" > "$work/other.dict" 2> "$work/err"
        status=$?
        if [ $status -ne 0 ] || [ -s "$work/err" ] || ! cmp -s "$work/expected.dict" "$work/other.dict"; then
            echo "FAIL: $name, seed $seed: status $status"
            head -n 5 "$work/err"
            diff "$work/expected.dict" "$work/other.dict" | head -n 10
            cp "$work/other.stp" "${TMPDIR:-/tmp}/dict2step-other-writer-$seed.stp" &&
                echo "the file rewritten is kept in ${TMPDIR:-/tmp}/dict2step-other-writer-$seed.stp"
            failed=1
        fi
    done
}

for input in "$examples"/*.dict; do
    cp "$input" "$work/in" || exit 1
    other_ways "example $(basename "$input")" 1 2 3 4 5 6 7 8
done
seed=100
for input in "$cases"/*/*.in; do
    cp "$input" "$work/in" || exit 1
    seed=$((seed + 1))
    other_ways "${input#"$cases"/}" $seed
done
if [ -n "$dictgen" ]; then
    for shape in cells classes mixed utf8 pretty; do
        "$dictgen" $shape 0.2 13 > "$work/in" || { echo "FAIL: dictgen $shape did not run"; failed=1; continue; }
        seed=$((seed + 1))
        other_ways "dictgen $shape" $seed
    done
fi
[ "$checked" -gt 0 ] || { echo "FAIL: no exchange file was rewritten"; exit 1; }
echo "$checked exchange files written another way read back into the same dictionaries"
exit $failed
