#!/usr/bin/env bash
# Builds http_bench and compares THttpCli with curl on a loopback lighttpd.
# Usage: bench/http_bench.sh [size-in-MiB=1024] [runs=5]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target http_bench -j2 >/dev/null
"$build/http_bench" "${1:-1024}" "${2:-5}"
