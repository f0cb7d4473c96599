#!/usr/bin/env bash
# Downloads a 1 GiB file from a loopback pyftpdlib through the download
# dialog (offscreen) and with curl, alternating, and compares the median times.
#   bench/ftp_dialog_bench.sh [BUILD_DIR] [RUNS]
# Last line: "ftp dialog/curl throughput ratio: R" (curl time / our time).
set -euo pipefail
build=${1:-$(dirname "$0")/../build-ftpx}
runs=${2:-5}
bench=$build/ftp_dialog_bench
[ -x "$bench" ] || { echo "build the ftp_dialog_bench target first ($bench)" >&2; exit 2; }

work=$(mktemp -d)
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/root/pub" "$work/out"
head -c $((1024 * 1024 * 1024)) /dev/urandom > "$work/root/pub/big.bin"
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
/usr/bin/python3 -m pyftpdlib -i 127.0.0.1 -p "$port" -d "$work/root" >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.1
done

ours=()
theirs=()
for i in $(seq "$runs"); do
    rm -rf "$work/dialog" "$work/out/curl.bin"
    t=$("$bench" 127.0.0.1 "$port" /pub/ big.bin "$work/dialog" 2>/dev/null | awk '/^seconds:/ {print $2}')
    cmp -s "$work/root/pub/big.bin" "$work/dialog/program/Bench/Files/big.bin" \
        || { echo "run $i: the dialog's copy differs" >&2; exit 1; }
    ours+=("$t")
    t=$(curl -s -o "$work/out/curl.bin" -w '%{time_total}' "ftp://127.0.0.1:$port/pub/big.bin")
    theirs+=("$t")
    echo "run $i: ftp dialog ${ours[-1]} s, curl ${theirs[-1]} s"
done

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
m_ours=$(median "${ours[@]}")
m_curl=$(median "${theirs[@]}")
awk -v o="$m_ours" -v c="$m_curl" 'BEGIN {
    printf "median ftp dialog: %.3f s (%.1f MiB/s)\n", o, 1024 / o
    printf "median curl:       %.3f s (%.1f MiB/s)\n", c, 1024 / c
    printf "ftp dialog/curl throughput ratio: %.2f\n", c / o
}'
