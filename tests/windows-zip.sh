#!/bin/sh
# Builds the Windows zip with CPack into a scratch directory and checks it:
# one folder with the program, the manual page in HTML with its examples for
# the command prompt, README.txt with CR LF line ends, and both examples; a
# program that needs no DLL beyond Windows' own and that converts the
# examples it comes with to the exchange files beside them.
# Usage: windows-zip.sh BUILD-DIRECTORY SOURCE-DIRECTORY OBJDUMP EMULATOR
build=$1
source=$2
objdump=$3
emulator=$4
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failed=0

cpack --config "$build/CPackConfig.cmake" -G ZIP -B "$work" > "$work/log" 2>&1 ||
    { echo "FAIL: cpack failed:"; cat "$work/log"; exit 1; }
set -- "$work"/dict2step-*-win64.zip
[ $# -eq 1 ] && [ -f "$1" ] || { echo "FAIL: no single dict2step-*-win64.zip:"; ls "$work"; exit 1; }
zip=$1
folder=$(basename "$zip" .zip)
mkdir "$work/unpacked" && (cd "$work/unpacked" && cmake -E tar xf "$zip") ||
    { echo "FAIL: the zip does not unpack"; exit 1; }

(cd "$work/unpacked" && find . -type f | sort) > "$work/files"
printf "./$folder/%s\n" README.txt dict2step.exe dict2step.html examples/drive-components.dict \
    examples/drive-components.stp examples/fasteners.dict examples/fasteners.stp > "$work/expected"
diff -u "$work/expected" "$work/files" || { echo "FAIL: the zip's files differ"; exit 1; }
files=$work/unpacked/$folder

# Every line of README.txt ends in CR LF, and it says how to run the program.
if [ "$(grep -c "$(printf '\r')\$" "$files/README.txt")" -ne "$(wc -l < "$files/README.txt")" ] ||
        tr -d '\r' < "$files/README.txt" | grep -q "$(printf '\r')"; then
    echo "FAIL: README.txt has a line end other than CR LF"; failed=1
fi
grep -qF 'dict2step.exe examples\fasteners.dict > fasteners.stp' "$files/README.txt" ||
    { echo "FAIL: README.txt does not show the command"; failed=1; }
grep -q '<title>DICT2STEP</title>' "$files/dict2step.html" ||
    { echo "FAIL: dict2step.html is not the manual page"; failed=1; }
grep -q 'ERRORLEVEL' "$files/dict2step.html" && ! grep -q 'case \$?' "$files/dict2step.html" ||
    { echo "FAIL: dict2step.html does not show the command prompt's examples"; failed=1; }

# Only the system's own DLLs: the C and C++ run-times are linked in.
"$objdump" -p "$files/dict2step.exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort > "$work/dlls"
printf '%s\n' KERNEL32.dll msvcrt.dll > "$work/expected-dlls"
diff -u "$work/expected-dlls" "$work/dlls" || { echo "FAIL: the program needs other DLLs"; failed=1; }

# The packed program, stripped, converts the examples packed beside it.
for example in fasteners drive-components; do
    (cd "$files" && "$emulator" ./dict2step.exe "examples/$example.dict") > "$work/out" 2> "$work/err"
    status=$?
    if [ $status -ne 0 ] || [ -s "$work/err" ] || ! cmp -s "$files/examples/$example.stp" "$work/out"; then
        echo "FAIL: the packed program does not convert examples/$example.dict (status $status)"; cat "$work/err"; failed=1
    fi
done
exit $failed
