#!/bin/sh
# Types dictionaries line by line into the converter on a pseudo-terminal
# (util-linux script). A line that ends in a complete token must be acted on
# as soon as it is typed: a syntax error there ends the run at once, without
# waiting for another line or the end of input. A whole document typed and
# ended with ^D converts as it does from a file, after a warning that the
# dictionary is read from the terminal; a file named on the command line is
# read without either.
# Usage: terminal.sh PROGRAM
program=$1
command -v script > /dev/null || exit 77
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

# Types the lines of FILE, then waits up to TICKS tenths of a second for the
# run to end before ending the input; notes whether it ended without that.
typed() {
    rm -f "$work/done"
    {
        while IFS= read -r line; do
            printf '%s\n' "$line"
            sleep 0.05
        done < "$1"
        i=0
        while [ ! -f "$work/done" ] && [ $i -lt "$2" ]; do
            sleep 0.1
            i=$((i + 1))
        done
        [ -f "$work/done" ] && echo ended > "$work/ended"
    } | script -qec "'$program' > '$work/out' 2> '$work/err'; echo \$? > '$work/status'; touch '$work/done'" /dev/null > /dev/null
}

failed=0
fail() { echo "FAIL: $*"; failed=1; }

# Syntax errors at a quoted value that the line end completes.
printf '"abc\n' > "$work/first-token"
printf '<SUPPLIER_LIBRARY BSU="S1">\n"C1\n' > "$work/second-line"
for case in first-token second-line; do
    rm -f "$work/ended"
    typed "$work/$case" 100
    [ -f "$work/ended" ] || fail "$case: the run waited for more input"
    [ "$(cat "$work/status")" = 1 ] || fail "$case: status $(cat "$work/status")"
    grep -q 'syntax error' "$work/err" || fail "$case: $(cat "$work/err")"
done

# A whole document, each line complete, then the end of input.
cat > "$work/document" << 'EOF'
<SUPPLIER_LIBRARY BSU="S1">
<CLASS BSU="C1">
<CNAME>Screws
and bolts</CNAME>
<PROPERTY BSU="P1"><PNAME>Length</PNAME><PTYPE>REAL</PTYPE></PROPERTY>
<TABLE BSU="T1">
<COLUMN><TD>10</TD> <TD>20</TD></COLUMN>
</TABLE>
</CLASS>
</SUPPLIER_LIBRARY>
EOF
typed "$work/document" 0
"$program" < "$work/document" > "$work/file-out" 2> "$work/file-err"
echo $? > "$work/file-status"
# Only the warning that the input is a terminal is more, as the first line.
warning="dict2step: warning: reading the dictionary from the terminal; end it with Ctrl-D on a line of its own"
[ "$(head -n 1 "$work/err")" = "$warning" ] || fail "document: no warning that the input is a terminal"
tail -n +2 "$work/err" > "$work/terminal-err"
cmp -s "$work/terminal-err" "$work/file-err" || fail "document: standard error differs from a run on a file"
for part in out status; do
    cmp -s "$work/$part" "$work/file-$part" || fail "document: standard $part differs from a run on a file"
done

# A file named on the command line is read instead of the terminal, with no
# warning and no wait.
rm -f "$work/done" "$work/err"
: | script -qec "'$program' '$work/document' > '$work/out' 2> '$work/err'; echo \$? > '$work/status'; touch '$work/done'" /dev/null > /dev/null
[ -f "$work/done" ] || fail "file argument: the run did not end"
[ -s "$work/err" ] && fail "file argument on a terminal: $(cat "$work/err")"
for part in out status; do
    cmp -s "$work/$part" "$work/file-$part" || fail "file argument: standard $part differs from a run on a file"
done
exit $failed
