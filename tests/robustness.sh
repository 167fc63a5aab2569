#!/bin/sh
# Feeds the converter a fixed series of damaged dictionaries, made from the
# golden inputs by seeded mutations, and checks that each run ends as one of
# the three documented outcomes and nothing else: 0 with a complete file and
# no error, 1 with its error line in the output or a cell that is no number,
# and its line on standard error, 2 with the scanner's message and the line
# it stopped at on standard error (and a hint that explains it, if any).
# A signal, a hang, a sanitizer report (ASAN/UBSAN exitcode set outside 0 to
# 2) or any other status fails, and so does a control byte of the input
# that reaches standard error.
# With -r, the exchange files among the golden inputs and outputs are
# damaged, lines taking the place of tags, and read back: each run must end
# with 0 and a complete dictionary, or 1 with nothing on standard output and
# its faults on standard error.
# Usage: robustness.sh PROGRAM CASES-DIRECTORY [RUNS [SEED [-r]]]
program=$1
cases=$2
runs=${3:-300}
seed=${4:-20240601}
reverse=$5
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
LC_ALL=C
export LC_ALL

if [ -n "$reverse" ]; then
    sources=$(grep -l -x 'ISO-10303-21;' "$cases"/*/*.in "$cases"/*/*.out)
else
    sources=$(ls "$cases"/*/*.in)
fi

# Park-Miller generator: every product stays below 2^53, so any awk computes
# the same series from the same seed.
printf '%s\n' $sources | awk -v runs="$runs" -v seed="$seed" -v dir="$work" -v lines="$reverse" '
function rnd(n) { state = (state * 16807) % 2147483647; return state % n }
# The tags of s, or with -r its lines, as the units that mutations move.
function tag_positions(s,   i, j, rest) {
    tags = 0; i = 1
    while ((j = index(substr(s, i), lines ? "\n" : "<")) > 0 || (lines && i <= length(s))) {
        if (lines) { tag_at[++tags] = i; tag_len[tags] = j > 0 ? j : length(s) - i + 1; i += tag_len[tags]; continue }
        i += j - 1; rest = index(substr(s, i), ">")
        if (rest == 0) break
        tag_at[++tags] = i; tag_len[tags] = rest; i += rest
    }
    return tags
}
function cut(s) { return substr(s, 1, rnd(length(s) + 1)) }
function duplicate_tag(s,   t, p) {
    if (tag_positions(s) == 0) return s
    t = rnd(tags) + 1; p = rnd(length(s) + 1)
    return substr(s, 1, p) substr(s, tag_at[t], tag_len[t]) substr(s, p + 1)
}
function swap_tags(s,   a, b, x) {
    if (tag_positions(s) < 2) return s
    a = rnd(tags) + 1; b = rnd(tags) + 1
    if (a == b) return s
    if (a > b) { x = a; a = b; b = x }
    return substr(s, 1, tag_at[a] - 1) substr(s, tag_at[b], tag_len[b]) \
        substr(s, tag_at[a] + tag_len[a], tag_at[b] - tag_at[a] - tag_len[a]) \
        substr(s, tag_at[a], tag_len[a]) substr(s, tag_at[b] + tag_len[b])
}
function flip_bytes(s,   k, p, b, bit) {
    for (k = rnd(8); k >= 0; k--) {
        if (length(s) == 0) return s
        p = rnd(length(s)) + 1; b = ord[substr(s, p, 1)]; bit = 2 ^ rnd(8)
        b += int(b / bit) % 2 ? -bit : bit
        s = substr(s, 1, p - 1) chr[b] substr(s, p + 1)
    }
    return s
}
function nul_bytes(s,   k, p) {
    for (k = rnd(3); k >= 0; k--) {
        p = rnd(length(s) + 1)
        s = substr(s, 1, p) chr[0] substr(s, p + 1 + rnd(2))
    }
    return s
}
function crlf(s) { gsub(/\n/, "\r\n", s); return s }
# A run of one byte just below, at or just above the token limit, where the
# scanner drops it (blanks) or keeps it (text, also inside an element).
function long_run(s,   n, c, run, p) {
    n = 8190 + rnd(4); c = rnd(7); c = c == 6 ? chr[0] : substr(" xa\t\n<", c + 1, 1)
    for (run = c; length(run) * 2 <= n; run = run run) ;
    run = run substr(run, 1, n - length(run))
    p = rnd(length(s) + 1)
    return substr(s, 1, p) run substr(s, p + 1)
}
function mutate(s, kind) {
    if (kind == 0) return cut(s)
    if (kind == 1) return duplicate_tag(s)
    if (kind == 2) return swap_tags(s)
    if (kind == 3) return flip_bytes(s)
    if (kind == 4) return nul_bytes(s)
    if (kind == 5) return crlf(s)
    return long_run(s)
}
{ file[++files] = $0 }
END {
    for (i = 0; i < 256; i++) { chr[i] = sprintf("%c", i); ord[chr[i]] = i }
    state = seed % 2147483647
    for (f = 1; f <= files; f++) {
        text[f] = ""
        while ((getline line < file[f]) > 0) text[f] = text[f] line "\n"
        close(file[f])
    }
    for (r = 1; r <= runs; r++) {
        s = text[rnd(files) + 1]
        # Mostly one mutation, sometimes two or three on top of each other.
        for (m = rnd(4) < 3 ? 1 : 2 + rnd(2); m > 0; m--)
            s = mutate(s, rnd(7))
        out = dir "/" r; printf "%s", s > out; close(out)
    }
}' || { echo "FAIL: mutations not written"; exit 1; }

failed=0
count0=0; count1=0; count2=0
r=1
while [ "$r" -le "$runs" ]; do
    input=$work/$r
    timeout 10 "$program" $reverse < "$input" > "$work/out" 2> "$work/err"
    status=$?
    verdict=
    last=$(tail -n 1 "$work/out")
    # Lines on standard error other than warnings.
    errors=$(grep -v -c -e '^dict2step: warning: ' -e '^dict2step: line [0-9]*: warning: ' "$work/err")
    [ -n "$reverse" ] && case $status in
    0)  count0=$((count0 + 1))
        [ "$last" = "</SUPPLIER_LIBRARY>" ] || verdict="status 0 without the dictionary's last line"
        [ "$errors" -eq 0 ] || verdict="status 0 with an error on standard error" ;;
    1)  count1=$((count1 + 1))
        [ -s "$work/out" ] && verdict="status 1 with something written"
        [ "$errors" -gt 0 ] || verdict="status 1 without an error on standard error" ;;
    124) verdict="no end within 10 seconds" ;;
    *)  verdict="exit status $status" ;;
    esac
    [ -z "$reverse" ] && case $status in
    0)  count0=$((count0 + 1))
        [ "$last" = "END-ISO-10303-21;" ] || verdict="status 0 without the file's last line"
        grep -qx -e "syntax error" -e "yacc stack overflow" "$work/out" && verdict="status 0 after a parse error"
        [ "$errors" -eq 0 ] || verdict="status 0 with an error on standard error" ;;
    1)  count1=$((count1 + 1))
        grep -qx -e "syntax error" -e "yacc stack overflow" "$work/out" ||
            echo "$last" | grep -qx -e "#[0-9]*=UNKNOWN_TYPE();" -e "column/property name missing" ||
            grep -q -e "is not a REAL number\$" -e "is not an INTEGER number\$" "$work/err" ||
            verdict="status 1 without an error line"
        grep -q -e '^dict2step: line [0-9]*: ' -e '^dict2step: property ' -e '^dict2step: table ' "$work/err" ||
            verdict="status 1 without its line on standard error" ;;
    2)  count2=$((count2 + 1))
        grep -v '^dict2step: hint: ' "$work/err" > "$work/stop"
        [ "$(wc -l < "$work/stop")" -eq 2 ] && tail -n 1 "$work/stop" | grep -qx 'dict2step: stopped at line [0-9]*' ||
            verdict="status 2 without the scanner's message and its line" ;;
    124) verdict="no end within 10 seconds" ;;
    *)  verdict="exit status $status" ;;
    esac
    [ "$(tr -d '\n\040-\176\200-\377' < "$work/err" | wc -c)" -eq 0 ] || verdict="a control byte on standard error"
    if [ -n "$verdict" ]; then
        echo "FAIL: mutation $r (seed $seed): $verdict"
        head -c 2000 "$work/err"
        cp "$input" "${TMPDIR:-/tmp}/dict2step-robustness-$r.in" &&
            echo "input kept in ${TMPDIR:-/tmp}/dict2step-robustness-$r.in"
        failed=1
    fi
    r=$((r + 1))
done
echo "$runs mutated inputs: $count0 ended 0, $count1 ended 1, $count2 ended 2"
exit $failed
