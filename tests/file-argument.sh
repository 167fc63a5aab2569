#!/bin/sh
# Converts the input of every golden case that has messages (a NAME.err)
# once from standard input and once named on the command line (reading it
# back with -r in the reverse group), and checks
# that the two runs write the same exchange file and end with the same
# status; that standard error is the same but for the place of each message
# (FILE:N instead of line N, and "FILE:N: stopped here" for "stopped at line
# N"); and that the line each message names holds what the message points
# at: the tag or text a syntax error met, the <PTYPE> of an unknown type, the
# <COLUMN> of a column, the <TD> of a cell, the text ignored or the code of a
# warning's first case, the instance an exchange file's fault names.
# Usage: file-argument.sh PROGRAM CASES-DIRECTORY
program=$1
cases=$2
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
LC_ALL=C
export LC_ALL

failed=0
fail() { echo "FAIL: $case: $*"; failed=1; }

# The start of the quoted text that begins right after the first match of
# the regular expression PREFIX in TEXT, up to its first escape other than
# \' and \\.
literal_after() {
    printf '%s\n' "$2" | awk -v prefix="$1" '{
        if (!match($0, prefix)) exit
        s = substr($0, RSTART + RLENGTH); out = ""
        for (i = 1; i <= length(s); i++) {
            c = substr(s, i, 1)
            if (c == "\\") {
                c = substr(s, ++i, 1)
                if (c != "\\" && c != "\047") break
            } else if (c == "\047") {
                break
            }
            out = out c
        }
        print out; exit
    }'
}

# check_line N FRAGMENT [ignore-case]: line N of the input holds FRAGMENT.
check_line() {
    [ -z "$2" ] && return
    sed -n "${1}p" "$work/in" > "$work/line"
    if [ "$3" = ignore-case ]; then
        grep -a -q -i -F -- "$2" "$work/line" && return
    else
        grep -a -q -F -- "$2" "$work/line" && return
    fi
    fail "line $1 does not hold \"$2\" ($message)"
}

for input in "$cases"/*/*.in "$cases"/*/*.gen; do
    [ -f "${input%.*}.err" ] || continue
    case=${input%.*}
    case=${case#"$cases"/}
    if [ "${input%.gen}" != "$input" ]; then
        sh "$input" > "$work/in" || { fail "the generator did not run"; continue; }
    else
        cp "$input" "$work/in"
    fi
    options=
    case $case in reverse/*) options=-r ;; esac
    "$program" $options < "$work/in" > "$work/stdin.out" 2> "$work/stdin.err"
    stdin_status=$?
    (cd "$work" && "$program" $options in > file.out 2> file.err)
    status=$?
    [ "$status" = "$stdin_status" ] || fail "status $status from the file, $stdin_status from standard input"
    cmp -s "$work/stdin.out" "$work/file.out" || fail "standard output differs"
    sed -e 's/^dict2step: line \([0-9]*\): /dict2step: in:\1: /' \
        -e 's/^dict2step: stopped at line \([0-9]*\)$/dict2step: in:\1: stopped here/' \
        "$work/stdin.err" > "$work/expected.err"
    cmp -s "$work/expected.err" "$work/file.err" || { fail "standard error differs:"; diff "$work/expected.err" "$work/file.err"; }

    lines=$(($(wc -l < "$work/in") + 1))
    grep -a -e '^dict2step: in:[0-9]*: ' -e '^dict2step: warning: .* on line [0-9]*$' "$work/file.err" |
    while IFS= read -r message; do
        case $message in
        "dict2step: in:"*)
            line=${message#dict2step: in:}; line=${line%%:*}
            text=${message#dict2step: in:*: } ;;
        *)
            line=${message##* on line }
            text=${message#dict2step: } ;;
        esac
        [ "$line" -ge 1 ] && [ "$line" -le "$lines" ] || { fail "line $line is not in the input ($message)"; continue; }
        case $text in
        "syntax error, unexpected end of input"*)
            [ "$line" -eq "$lines" ] || fail "end of input named on line $line, not $lines" ;;
        "syntax error, unexpected text '"* | "syntax error, unexpected quoted value '"*)
            check_line "$line" "$(literal_after "unexpected text '" "$text")$(literal_after "unexpected quoted value '" "$text")" ;;
        "syntax error, unexpected '"*)
            tag=$(literal_after "unexpected '" "$text")
            check_line "$line" "${tag%% *}" ignore-case ;;
        "property '"*"unknown data type"*)
            check_line "$line" "<PTYPE>" ignore-case ;;
        "table '"*"has no property" | "warning: table '"*)
            check_line "$line" "<COLUMN>" ignore-case ;;
        "table '"*", row "*)
            check_line "$line" "<TD>" ignore-case
            check_line "$line" "<TD>$(literal_after ", row [0-9]*: '" "$text")" ignore-case ;;
        "warning: "*", row "*)
            check_line "$line" "<TD>" ignore-case ;;
        "warning: "*" outside any element "*)
            check_line "$line" "$(literal_after "the first, '" "$text")" ;;
        "warning: "*)
            check_line "$line" "$(literal_after "(: |that of )(supplier|class|property|table) '" "$text")" ;;
        "#"[0-9]*)
            check_line "$line" "${text%% *}" ;;
        esac
    done > "$work/checks"
    [ -s "$work/checks" ] && { cat "$work/checks"; failed=1; }
done
exit $failed
