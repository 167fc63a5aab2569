#!/bin/sh
# Fuzzes the whole program through standard input with AFL++ for MINUTES
# minutes: builds it with AFL's compiler wrapper plus AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/, seeds the corpus from the small
# golden inputs, runs one afl-fuzz instance and prints what it found.
# Usage: fuzz/run.sh MINUTES
set -e
cd "$(dirname "$0")/.."
minutes=${1:?usage: fuzz/run.sh MINUTES}
build=build-fuzz

# The build's own packages, then AFL++ (it brings the clang it wraps).
make -s deps
if ! command -v afl-fuzz > /dev/null || ! command -v afl-clang-fast++ > /dev/null; then
    sudo=; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get -o DPkg::Lock::Timeout=900 update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq afl++
fi

AFL_QUIET=1 cmake -S . -B $build -DCMAKE_CXX_COMPILER=afl-clang-fast++ \
    -DDICT2STEP_SANITIZE=ON -DBUILD_TESTING=OFF > /dev/null
AFL_QUIET=1 cmake --build $build -j 2 --target dict2step > /dev/null

# Seeds: the golden inputs small enough to mutate quickly, and the example.
seeds=$build/seeds
rm -rf "$seeds"
mkdir -p "$seeds"
for input in tests/cases/*/*.in examples/*.dict; do
    [ "$(wc -c < "$input")" -le 4096 ] || continue
    name=$(echo "$input" | sed 's|^tests/cases/||; s|/|-|g')
    cp "$input" "$seeds/$name"
done

findings=$build/findings-$(date +%Y%m%d-%H%M%S)
# A sanitizer report aborts, which afl-fuzz counts as a crash. The leak check
# at exit would cost four fifths of the speed, so it runs on the corpus after.
ASAN_OPTIONS=abort_on_error=1:symbolize=0:detect_leaks=0:halt_on_error=1 \
UBSAN_OPTIONS=abort_on_error=1:symbolize=0:halt_on_error=1 \
AFL_SKIP_CPUFREQ=1 AFL_NO_UI=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1 \
AFL_NO_AFFINITY=1 \
    afl-fuzz -i "$seeds" -o "$findings" -x fuzz/dict2step.dict -m none -t 1000 \
        -V $((minutes * 60)) -- ./$build/dict2step

# afl-fuzz 4 names the counts saved_*; older releases unique_*.
stats=$findings/default/fuzzer_stats
stat() { awk -v key="$1" '$1 == key { print $3 }' "$stats"; }
crashes=$(stat saved_crashes); [ -n "$crashes" ] || crashes=$(stat unique_crashes)
hangs=$(stat saved_hangs); [ -n "$hangs" ] || hangs=$(stat unique_hangs)

# Every input kept, replayed with the leak check: a sanitizer report exits 99.
reports=0
for input in "$findings"/default/queue/id:*; do
    status=0
    ASAN_OPTIONS=detect_leaks=1:exitcode=99 UBSAN_OPTIONS=halt_on_error=1:exitcode=99 \
        timeout 10 ./$build/dict2step < "$input" > /dev/null 2>&1 || status=$?
    case $status in
    0|1|2) ;;
    *) reports=$((reports + 1)); echo "status $status: $input" ;;
    esac
done

echo "findings:   $findings"
echo "minutes:    $minutes"
echo "executions: $(stat execs_done)"
echo "paths:      $(stat corpus_count)"
echo "crashes:    $crashes"
echo "hangs:      $hangs"
echo "replayed:   $reports of the paths ended outside 0, 1 and 2 with the leak check on"
