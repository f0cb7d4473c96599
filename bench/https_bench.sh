#!/usr/bin/env bash
# Builds dialog_bench and compares the download dialog's https transfer
# (offscreen) with curl on a 1 GiB file from a loopback lighttpd with TLS
# (mod_openssl), alternating; both trust the same test authority.
#   bench/https_bench.sh [size-in-MiB=1024] [runs=5]
# Prints each run's time and CPU seconds, the medians, CPU seconds per GiB,
# and last "https dialog/curl throughput ratio: R" (curl time / dialog time).
exec "$(dirname "$0")/dialog_bench.sh" --https "$@"
