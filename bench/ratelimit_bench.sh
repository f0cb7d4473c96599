#!/usr/bin/env bash
# Builds ratelimit_bench and checks the speed limit against a loopback
# lighttpd: limits of 1, 4 and 16 MiB/s over 10 s each, the achieved rate
# of one limited download, of two downloads sharing the limit of all
# downloads, and of curl --limit-rate, as medians of the runs.
#   bench/ratelimit_bench.sh [runs=3] [rates in MiB/s="1,4,16"]
#   bench/ratelimit_bench.sh 5 uncapped [size in MiB=1024]: what the check
#     costs a download that nothing limits (see ratelimit_bench.cpp)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target ratelimit_bench -j2 >/dev/null
bin="$build/ratelimit_bench"
[ -x "$bin" ] || bin="$build/bench/ratelimit_bench"
"$bin" "${1:-3}" "${2:-1,4,16}" ${3:+"$3"}
