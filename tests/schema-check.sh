#!/bin/sh
# Checks exchange files that the converter writes against the EXPRESS texts
# of the schema they declare, with schema_check: those of every golden case
# input, bundled example and generated document (each shape of the
# benchmark's generator) that converts with status 0. Where the run warned
# that codes or names break the schema's rules on their length and
# characters, the file is checked for everything but those rules. Then
# broken copies of the fasteners example must each fail, on the attribute
# that was broken.
# Usage: schema-check.sh PROGRAM SCHEMA_CHECK SCHEMA-DIRECTORY CASES-DIRECTORY EXAMPLES-DIRECTORY DICTGEN [SEED]
program=$1
schema_check=$2
schema=$3
cases=$4
examples=$5
dictgen=$6
seed=${7:-7}
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failed=0
clean=
warned=

# convert NAME: converts $work/in into $work/NAME.stp and, when the run ends
# with status 0, lists it with the files that warned or with the others.
convert() {
    "$program" < "$work/in" > "$work/$1.stp" 2> "$work/err" || return 0
    if grep -q '^dict2step: \(line [0-9]*: \)\{0,1\}warning: ' "$work/err"; then
        warned="$warned $work/$1.stp"
    else
        clean="$clean $work/$1.stp"
    fi
}

for input in "$cases"/*/*.in "$cases"/*/*.gen; do
    name=$(basename "$(dirname "$input")")-$(basename "${input%.*}")
    case $input in
    *.gen) sh "$input" > "$work/in" || { echo "FAIL: $input did not run"; failed=1; continue; } ;;
    *) cp "$input" "$work/in" || exit 1 ;;
    esac
    convert "$name"
done
for input in "$examples"/*.dict; do
    cp "$input" "$work/in" || exit 1
    convert "example-$(basename "$input" .dict)"
done
for shape in cells classes mixed utf8 pretty; do
    "$dictgen" $shape 0.3 "$seed" > "$work/in" || { echo "FAIL: dictgen $shape did not run"; failed=1; continue; }
    convert "dictgen-$shape"
done

[ -n "$clean" ] || { echo "FAIL: no file converted with status 0 and without a warning"; exit 1; }

# The TYPEs whose WHERE rules limit the length and characters of codes and
# names: what the converter's warnings are about.
texts=code_type,class_code_type,property_code_type,supplier_code_type,table_code_type,pref_name_type,short_name_type,syn_name_type
broken=0
"$schema_check" "$schema" $clean > "$work/report" || broken=1
[ -z "$warned" ] || "$schema_check" -s $texts "$schema" $warned >> "$work/report" || broken=1
if [ $broken -ne 0 ]; then
    echo "FAIL: exchange files that break the schema:"; sed "s|^$work/||" "$work/report"; failed=1
fi

# Each line: a sed script that breaks the fasteners example, and the start of
# the line that schema_check must write about it (entity and attribute).
good=$work/example-fasteners.stp
case " $clean " in
*" $good "*) ;;
*) echo "FAIL: the fasteners example does not convert with status 0 and without a warning"; exit 1 ;;
esac
while IFS='|' read -r script attribute; do
    sed "$script" "$good" > "$work/broken.stp"
    if cmp -s "$good" "$work/broken.stp"; then
        printf "FAIL: '%s' changes nothing in the fasteners example\n" "$script"; failed=1
    elif "$schema_check" "$schema" "$work/broken.stp" > "$work/report"; then
        printf "FAIL: schema_check passes the fasteners example broken by '%s'\n" "$script"; failed=1
    elif ! grep -qF " $attribute: " "$work/report"; then
        printf "FAIL: schema_check does not name %s for '%s':\n" "$attribute" "$script"
        sed "s|^$work/||" "$work/report"; failed=1
    fi
done <<'EOF'
s/ITEM_NAMES(LABEL(\('[^']*'\)), (), /ITEM_NAMES(\1, (), /|ITEM_NAMES preferred_name
s/, (), LABEL(/, $, LABEL(/|ITEM_NAMES synonymous_names
s/LABEL('Fasteners'), \$, \$)/LABEL('Fasteners and fixings'), $, $)/|ITEM_NAMES short_name
s/REAL_COLUMN((20\., /REAL_COLUMN((20, /|REAL_COLUMN values[1]
/REAL_COLUMN/s/'NR2\.\.3\.3'/'NR..3.3'/|REAL_COLUMN value_format
s/^\(#[0-9]*=DATES(.*\)')/\1:07:00')/|DATES date_of_current_revision
s/^\(#[0-9]*=CLASS_BSU('C1', '001', \)#1)/\1#2)/|CLASS_BSU defined_by
EOF
exit $failed
