#!/bin/sh
# The benchmark: builds a release dict2step, generates dictionaries of each
# shape and size, and times dict2step against xmllint's streaming parse of the
# same file, pair by pair in alternating order, with cat as the floor and
# dict2step's scanner alone for comparison. Prints per shape and size the
# medians, the median ratios of dict2step's wall time and of its scanner's to
# xmllint's, dict2step's peak resident memory as a multiple of the input, and
# the user and system CPU seconds of the run that measured the peak. Then,
# in a second table, the way back: the exchange file that dict2step wrote,
# read back with -r in the same rounds, its time and peak memory beside the
# conversion's, and the median of their ratios.
# Usage: bench/run.sh, with optional settings in the environment:
#   SIZES="1 10 100"  sizes in MB (10^6 bytes) of the dictionaries; add 1000 to see the scaling
#   SHAPES="cells classes mixed utf8"  PAIRS=5  SEED=1  BUILD=build-bench
set -e
cd "$(dirname "$0")/.."
sizes=${SIZES:-1 10 100}
shapes=${SHAPES:-cells classes mixed utf8}
pairs=${PAIRS:-5}
seed=${SEED:-1}
build=${BUILD:-build-bench}

# xmllint and GNU time, installed as root or through sudo when missing.
missing=
command -v xmllint >/dev/null 2>&1 || missing="$missing libxml2-utils"
[ -x /usr/bin/time ] || missing="$missing time"
if [ -n "$missing" ]; then
    sudo=; [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "installing$missing"
    $sudo apt-get -o DPkg::Lock::Timeout=900 update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq $missing
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF > /dev/null
cmake --build "$build" -j 2 --target dict2step dictgen scanonly > /dev/null
program=$(pwd)/$build/dict2step
generator=$(pwd)/$build/bench/dictgen
scanner=$(pwd)/$build/bench/scanonly

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
input=$work/input.dict
exchange=$work/input.stp

run_dict2step() { "$program" < "$input" > /dev/null; }
run_back() { "$program" -r < "$exchange" > /dev/null; }
run_xmllint() { xmllint --stream --noout "$input"; }
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

echo "machine: $(nproc) cores, $(uname -sr); $(date -u +%Y-%m-%d); $pairs pairs per row, seed $seed"
printf '%-8s %5s %10s %7s %10s %7s %8s %6s %8s %8s %8s %7s %7s\n' \
    shape MB dict2step MB/s xmllint MB/s cat\ MB/s ratio scanner peak\ MB peak/in user\ s sys\ s
: > "$work/back"
for shape in $shapes; do
    for size in $sizes; do
        "$generator" "$shape" "$size" "$seed" > "$input"
        bytes=$(wc -c < "$input")
        # Small inputs run several times per sample, so that each sample
        # takes about as long as one run over 100 MB.
        repeats=$(awk -v s="$size" 'BEGIN { r = int(100 / s); print r < 1 ? 1 : r }')

        # One run that checks the document is accepted and takes the peak
        # memory and the CPU time; and the same for the exchange file, which
        # must read back.
        if ! /usr/bin/time -f '%M %U %S' -o "$work/peak" "$program" < "$input" > /dev/null; then
            echo "dict2step rejected the generated $shape document of $size MB" >&2
            exit 1
        fi
        "$program" < "$input" > "$exchange"
        if ! /usr/bin/time -f '%M %U %S' -o "$work/back-peak" "$program" -r < "$exchange" > /dev/null; then
            echo "dict2step -r rejected the exchange file of the $shape document of $size MB" >&2
            exit 1
        fi
        xmllint --stream --noout "$input"
        run_cat

        : > "$work/samples"
        pair=0
        while [ $pair -lt "$pairs" ]; do
            if [ $((pair % 2)) -eq 0 ]; then
                d=$(timed run_dict2step); x=$(timed run_xmllint); b=$(timed run_back)
            else
                b=$(timed run_back); x=$(timed run_xmllint); d=$(timed run_dict2step)
            fi
            c=$(timed run_cat)
            s=$(timed run_scanner)
            echo "$d $x $c $s $b" >> "$work/samples"
            pair=$((pair + 1))
        done

        d=$(awk '{ print $1 }' "$work/samples" | median)
        x=$(awk '{ print $2 }' "$work/samples" | median)
        c=$(awk '{ print $3 }' "$work/samples" | median)
        ratio=$(awk '{ print $1 / $2 }' "$work/samples" | median)
        scan=$(awk '{ print $4 / $2 }' "$work/samples" | median)
        awk -v shape="$shape" -v size="$size" -v bytes="$bytes" -v d="$d" -v x="$x" -v c="$c" \
            -v ratio="$ratio" -v scan="$scan" -v run="$(cat "$work/peak")" 'BEGIN {
            mb = bytes / 1e6
            split(run, r, " "); peak = r[1]
            printf "%-8s %5s %10.4f %7.0f %10.4f %7.0f %8.0f %6.2f %8.2f %8.1f %8.2f %7.2f %7.2f\n",
                shape, size, d, mb / d, x, mb / x, mb / c, ratio, scan, peak * 1024 / 1e6, peak * 1024 / bytes, r[2], r[3]
        }'
        b=$(awk '{ print $5 }' "$work/samples" | median)
        back_ratio=$(awk '{ print $5 / $1 }' "$work/samples" | median)
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
