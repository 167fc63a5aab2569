#!/bin/sh
# Builds the Debian package with CPack into a scratch directory and checks it:
# the program and the compressed manual page under /usr, the run-time
# dependencies found by dpkg-shlibdeps, and a program that still converts
# the bundled example. Exits 77 (skipped) where the Debian tools are missing.
# Usage: package.sh BUILD-DIRECTORY SOURCE-DIRECTORY
build=$1
source=$2
for tool in dpkg-deb dpkg-shlibdeps file gzip; do
    command -v $tool > /dev/null ||
        { echo "$tool not found: 'make deps' installs dpkg-dev and file"; exit 77; }
done
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" > "$work/log" 2>&1 ||
    { echo "FAIL: cpack failed:"; cat "$work/log"; exit 1; }
set -- "$work"/dict2step_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { echo "FAIL: no single dict2step_*.deb:"; ls "$work"; exit 1; }
deb=$1

dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort > "$work/files"
printf '%s\n' ./usr/bin/dict2step ./usr/share/man/man1/dict2step.1.gz > "$work/expected"
diff -u "$work/expected" "$work/files" || { echo "FAIL: packaged files differ"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
case $depends in
*libc6*) ;;
*) echo "FAIL: Depends lacks libc6: '$depends'"; exit 1 ;;
esac

dpkg-deb -x "$deb" "$work/root"
gzip -dc "$work/root/usr/share/man/man1/dict2step.1.gz" | cmp - "$source/doc/dict2step.1" ||
    { echo "FAIL: the packaged manual page differs from doc/dict2step.1"; exit 1; }
"$work/root/usr/bin/dict2step" < "$source/examples/fasteners.dict" > "$work/out" ||
    { echo "FAIL: the packaged program failed on the example"; exit 1; }
cmp "$source/examples/fasteners.stp" "$work/out" ||
    { echo "FAIL: the packaged program converts the example differently"; exit 1; }
