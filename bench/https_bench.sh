#!/usr/bin/env bash
# Builds dialog_bench and compares the download dialog's https transfer
# (offscreen) with curl on a 1 GiB file from a loopback lighttpd with TLS
# (mod_openssl), alternating; both trust the same test authority.
#   bench/https_bench.sh [size-in-MiB=1024] [runs=5]
# Prints each run's time and CPU seconds, the medians, CPU seconds per GiB,
# and last "https dialog/curl throughput ratio: R" (curl time / dialog time).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target dialog_bench -j2 >/dev/null
bin="$build/dialog_bench"
[ -x "$bin" ] || bin="$build/bench/dialog_bench"
"$bin" --https "${1:-1024}" "${2:-5}"
