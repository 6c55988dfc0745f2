#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts the program: ./run.sh [file.qtm]
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release --target qtm -j"$(nproc)"
exec ./build/release/qtm "$@"
