#!/usr/bin/env bash
# Builds ipv6_bench and runs it with a hosts file of its own (a private mount
# namespace, so the machine's /etc/hosts is untouched): "v4.bench" is
# 127.0.0.1 only, "dual.bench" is a silent IPv6 address first, then
# 127.0.0.1. Needs root (or unprivileged user namespaces) for the mount.
# Usage: bench/ipv6_bench.sh [runs=9] [size-in-KiB=1024] [silent-address=fd00::77]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target ipv6_bench -j2 >/dev/null
silent="${3:-fd00::77}"
hosts="$(mktemp)"
trap 'rm -f "$hosts"' EXIT
printf '127.0.0.1 localhost\n127.0.0.1 v4.bench\n%s dual.bench\n127.0.0.1 dual.bench\n' "$silent" >"$hosts"
unshare -m sh -c 'mount --bind "$1" /etc/hosts && exec "$2" v4.bench dual.bench "$3" "$4"' \
  sh "$hosts" "$build/ipv6_bench" "${1:-9}" "${2:-1024}"
