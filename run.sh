#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts the program: ./run.sh [file.qtm]
# Without a file it opens a copy of an example machine in a working folder outside the source tree
# ($QTM_WORK_DIR, by default ~/qtm-machines), so that saving never changes the originals.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQTM_TESTS=OFF >/dev/null
cmake --build build/release --target qtm qtm-run -j"$(nproc)"
if [ $# -eq 0 ]; then
    work="${QTM_WORK_DIR:-$HOME/qtm-machines}"
    mkdir -p "$work"
    for example in examples/*.qtm; do
        [ -e "$work/$(basename "$example")" ] || cp "$example" "$work/"
    done
    set -- "$work/inversion.qtm"
fi
exec ./build/release/qtm "$@"
