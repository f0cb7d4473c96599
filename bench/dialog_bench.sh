#!/usr/bin/env bash
# Builds dialog_bench and compares the download dialog's HTTP transfer
# (offscreen) with curl on a 1 GiB file from a loopback lighttpd; with
# --https, over TLS (see https_bench.sh).
#   bench/dialog_bench.sh [--https] [size-in-MiB=1024] [runs=5]
# Last line: "dialog/curl throughput ratio: R" (curl time / dialog time).
# The program deletes the files it makes; TMPDIR is where they go.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target dialog_bench -j2 >/dev/null
bin="$build/dialog_bench"
[ -x "$bin" ] || bin="$build/bench/dialog_bench"
"$bin" "$@" # the program's defaults: 1024 MiB, 5 runs
