#!/usr/bin/env bash
# Configures and builds into build/ (jobs: one per core, at most 4 on small machines).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
