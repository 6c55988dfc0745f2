#!/usr/bin/env bash
# Runs one fuzz target under libFuzzer for the given number of seconds, starting from its committed corpus,
# and merges what it found back into that corpus, minimised.
#   scripts/fuzz.sh TARGET SECONDS      TARGET: readerfuzz, inifuzz, configfuzz, codepagefuzz, importfuzz, testsetfuzz or positionsfuzz
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?target: readerfuzz, inifuzz, configfuzz, codepagefuzz, importfuzz, testsetfuzz or positionsfuzz}
seconds=${2:?seconds}
scripts/deps.sh --fuzz
build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQTM_SANITIZE=ON -DQTM_LIBFUZZER=ON \
    -DQTM_BENCH=OFF >/dev/null
nice -n 10 cmake --build "$build" -j2 --target "$target" >/dev/null
corpus=tests/fuzz/corpus/$target
work=$build/work/$target
mkdir -p "$work" "$build/findings/$target"
# The 100 ms an input may take is checked by the replay test; libFuzzer counts whole seconds.
nice -n 10 "$build/tests/fuzz/$target" "$work" "$corpus" -max_total_time="$seconds" -timeout=2 -rss_limit_mb=2048 \
    -max_len=8192 -print_final_stats=1 -artifact_prefix="$build/findings/$target/" 2>&1 | tee "$build/$target.log" |
    grep -E '^(#[0-9]+ +DONE|stat::|==[0-9]+==ERROR|SUMMARY)' || true
# Keep the corpus small: only inputs that add coverage go back into the repository.
rm -rf "$work.min" && mkdir -p "$work.min"
if "$build/tests/fuzz/$target" -merge=1 "$work.min" "$corpus" "$work" >/dev/null 2>&1 && [ -n "$(ls "$work.min")" ]; then
    rm -rf "$corpus" && mv "$work.min" "$corpus"
fi
echo "findings (crashes, timeouts, leaks): $(ls "$build/findings/$target" | wc -l)"
