#!/bin/sh
# The benchmark: builds a release dict2step, generates dictionaries of each
# shape and size, and times dict2step against two peers on the same file:
# xmllint's streaming parse, and pugixml building its DOM (bench/pugiload),
# round by round with the order of the three turned each round, with cat as
# the floor and dict2step's scanner alone for comparison. Prints per shape
# and size the medians, the median ratios of dict2step's wall time to each
# peer's and of its scanner's to xmllint's, dict2step's peak resident memory
# (also as a multiple of the input) beside pugixml's, and the user and
# system CPU seconds of the run that measured dict2step's peak. Then, in a
# second table, the way back: the exchange file that dict2step wrote, read
# back with -r in the same rounds, its time and peak memory beside the
# conversion's, and the median of the rounds' ratios of the two.
# Usage: bench/run.sh, with optional settings in the environment:
#   SIZES="1 10 100"  sizes in MB (10^6 bytes) of the dictionaries; add 1000 to see the scaling
#   SHAPES="cells classes mixed utf8 pretty"  PAIRS=5 (rounds)  SEED=1
#   BUILD=build-bench
set -e
cd "$(dirname "$0")/.."
sizes=${SIZES:-1 10 100}
shapes=${SHAPES:-cells classes mixed utf8 pretty}
pairs=${PAIRS:-5}
seed=${SEED:-1}
build=${BUILD:-build-bench}

# xmllint, pugixml and GNU time, installed as root or through sudo when missing.
missing=
command -v xmllint >/dev/null 2>&1 || missing="$missing libxml2-utils"
dpkg -s libpugixml-dev >/dev/null 2>&1 || missing="$missing libpugixml-dev"
[ -x /usr/bin/time ] || missing="$missing time"
if [ -n "$missing" ]; then
    sudo=; [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "installing$missing"
    $sudo apt-get -o DPkg::Lock::Timeout=900 update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq $missing
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF > /dev/null
cmake --build "$build" -j 2 --target dict2step dictgen scanonly pugiload > /dev/null
program=$(pwd)/$build/dict2step
generator=$(pwd)/$build/bench/dictgen
scanner=$(pwd)/$build/bench/scanonly
pugixml=$(pwd)/$build/bench/pugiload

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
input=$work/input.dict
exchange=$work/input.stp

run_dict2step() { "$program" < "$input" > /dev/null; }
run_back() { "$program" -r < "$exchange" > /dev/null; }
run_xmllint() { xmllint --stream --noout "$input"; }
run_pugixml() { "$pugixml" "$input"; }
run_cat() { cat "$input" > /dev/null; }
run_scanner() { "$scanner" < "$input"; }

# Wall time in seconds of one run of $1, averaged over $repeats runs.
timed() {
    start=$(date +%s%N)
    i=0
    while [ $i -lt "$repeats" ]; do
        $1
        i=$((i + 1))
    done
    end=$(date +%s%N)
    echo "$start $end $repeats" | awk '{ printf "%.6f\n", ($2 - $1) / $3 / 1e9 }'
}

median() {
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo "machine: $(nproc) cores, $(uname -sr); $(date -u +%Y-%m-%d); $pairs rounds per row, seed $seed"
printf '%-8s %5s %9s %7s %9s %9s %7s %7s %7s %7s %8s %7s %8s %7s %7s\n' \
    shape MB dict2step MB/s xmllint pugixml cat\ MB/s /xmllint /pugixml scanner peak\ MB peak/in pugi\ MB user\ s sys\ s
: > "$work/back"
for shape in $shapes; do
    for size in $sizes; do
        "$generator" "$shape" "$size" "$seed" > "$input"
        bytes=$(wc -c < "$input")
        # Small inputs run several times per sample, so that each sample
        # takes about as long as one run over 100 MB.
        repeats=$(awk -v s="$size" 'BEGIN { r = int(100 / s); print r < 1 ? 1 : r }')

        # One run of each that checks the document is accepted and takes
        # the peak memory (and dict2step's CPU time); the same for reading
        # back the exchange file, which must read back.
        if ! /usr/bin/time -f '%M %U %S' -o "$work/peak" "$program" < "$input" > /dev/null; then
            echo "dict2step rejected the generated $shape document of $size MB" >&2
            exit 1
        fi
        "$program" < "$input" > "$exchange"
        if ! /usr/bin/time -f '%M %U %S' -o "$work/back-peak" "$program" -r < "$exchange" > /dev/null; then
            echo "dict2step -r rejected the exchange file of the $shape document of $size MB" >&2
            exit 1
        fi
        /usr/bin/time -f '%M' -o "$work/pugixml-peak" "$pugixml" "$input"
        xmllint --stream --noout "$input"
        run_cat

        # Each round turns the order of the four, so that none always
        # runs first or after another.
        : > "$work/samples"
        pair=0
        while [ $pair -lt "$pairs" ]; do
            case $((pair % 4)) in
            0) d=$(timed run_dict2step); x=$(timed run_xmllint); p=$(timed run_pugixml); b=$(timed run_back) ;;
            1) x=$(timed run_xmllint); p=$(timed run_pugixml); b=$(timed run_back); d=$(timed run_dict2step) ;;
            2) p=$(timed run_pugixml); b=$(timed run_back); d=$(timed run_dict2step); x=$(timed run_xmllint) ;;
            *) b=$(timed run_back); d=$(timed run_dict2step); x=$(timed run_xmllint); p=$(timed run_pugixml) ;;
            esac
            c=$(timed run_cat)
            s=$(timed run_scanner)
            echo "$d $x $c $s $p $b" >> "$work/samples"
            pair=$((pair + 1))
        done

        d=$(awk '{ print $1 }' "$work/samples" | median)
        x=$(awk '{ print $2 }' "$work/samples" | median)
        c=$(awk '{ print $3 }' "$work/samples" | median)
        p=$(awk '{ print $5 }' "$work/samples" | median)
        ratio=$(awk '{ print $1 / $2 }' "$work/samples" | median)
        pratio=$(awk '{ print $1 / $5 }' "$work/samples" | median)
        scan=$(awk '{ print $4 / $2 }' "$work/samples" | median)
        awk -v shape="$shape" -v size="$size" -v bytes="$bytes" -v d="$d" -v x="$x" -v c="$c" -v p="$p" \
            -v ratio="$ratio" -v pratio="$pratio" -v scan="$scan" -v run="$(cat "$work/peak")" \
            -v ppeak="$(cat "$work/pugixml-peak")" 'BEGIN {
            mb = bytes / 1e6
            split(run, r, " "); peak = r[1]
            printf "%-8s %5s %9.4f %7.0f %9.4f %9.4f %7.0f %7.2f %7.2f %7.2f %8.1f %7.2f %8.1f %7.2f %7.2f\n",
                shape, size, d, mb / d, x, p, mb / c, ratio, pratio, scan, peak * 1024 / 1e6, peak * 1024 / bytes,
                ppeak * 1024 / 1e6, r[2], r[3]
        }'
        b=$(awk '{ print $6 }' "$work/samples" | median)
        back_ratio=$(awk '{ print $6 / $1 }' "$work/samples" | median)
        echo "$shape $size $(wc -c < "$exchange") $d $b $back_ratio $(cat "$work/peak") $(cat "$work/back-peak")" >> "$work/back"
    done
done
echo
echo "read back with -r: the exchange file of each document, in the same rounds"
printf '%-8s %5s %8s %10s %10s %9s %8s %8s %9s %7s %7s\n' \
    shape MB stp\ MB dict2step back back/fwd peak\ MB back\ MB back/fwd user\ s sys\ s
awk '{
    printf "%-8s %5s %8.1f %10.4f %10.4f %9.2f %8.1f %8.1f %9.2f %7.2f %7.2f\n",
        $1, $2, $3 / 1e6, $4, $5, $6, $7 * 1024 / 1e6, $10 * 1024 / 1e6, $10 / $7, $11, $12
}' "$work/back"
