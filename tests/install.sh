#!/bin/sh
# Installs the build into a scratch prefix and checks that exactly the
# program and its manual page land there, and that the installed program
# converts the bundled example.
# Usage: install.sh BUILD-DIRECTORY SOURCE-DIRECTORY
build=$1
source=$2
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
unset DESTDIR

cmake --install "$build" --prefix "$work/prefix" > "$work/log" 2>&1 ||
    { echo "FAIL: cmake --install failed:"; cat "$work/log"; exit 1; }
(cd "$work/prefix" && find . -type f | sort) > "$work/files"
printf '%s\n' ./bin/dict2step ./share/man/man1/dict2step.1 > "$work/expected"
diff -u "$work/expected" "$work/files" || { echo "FAIL: installed files differ"; exit 1; }
[ -x "$work/prefix/bin/dict2step" ] || { echo "FAIL: bin/dict2step is not executable"; exit 1; }
cmp "$source/doc/dict2step.1" "$work/prefix/share/man/man1/dict2step.1" ||
    { echo "FAIL: the installed manual page differs from doc/dict2step.1"; exit 1; }
"$work/prefix/bin/dict2step" < "$source/examples/fasteners.dict" > "$work/out" ||
    { echo "FAIL: the installed program failed on the example"; exit 1; }
cmp "$source/examples/fasteners.stp" "$work/out" ||
    { echo "FAIL: the installed program converts the example differently"; exit 1; }
