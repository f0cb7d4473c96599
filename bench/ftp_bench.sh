#!/usr/bin/env bash
# Downloads a 1 GiB file from a loopback FTP server with our FTP client (or
# through the download dialog, offscreen) and with curl, alternating, and
# compares the median times. The server is pyftpdlib (Python: it caps every
# client) or vsftpd (C: the fair peer for speed).
#   bench/ftp_bench.sh [client|dialog] [RUNS=5] [pyftpdlib|vsftpd]
# Last line: "ftp client/curl throughput ratio: R" or
#            "ftp dialog/curl throughput ratio: R" (curl time / our time).
set -euo pipefail
mode=${1:-client}
runs=${2:-5}
server=${3:-pyftpdlib}
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
case "$mode" in
    client) target=ftp_bench ;;
    dialog) target=ftp_dialog_bench ;;
    *) echo "usage: $0 [client|dialog] [RUNS]" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target "$target" -j2 >/dev/null
bench=$build/$target

work=$(mktemp -d)
server_pid=
cleanup() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

mkdir -p "$work/root/pub" "$work/out"
head -c $((1024 * 1024 * 1024)) /dev/urandom > "$work/root/pub/big.bin"
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
if [ "$server" = vsftpd ]; then
    [ -x /usr/sbin/vsftpd ] || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq vsftpd >/dev/null
    mkdir -p "$work/empty"
    # vsftpd serves anonymous users as its own "ftp" user, shut in the root.
    chmod 755 "$work" "$work/root" "$work/root/pub"
    printf '%s\n' listen=YES listen_ipv6=NO listen_address=127.0.0.1 "listen_port=$port" background=NO \
        anonymous_enable=YES no_anon_password=YES local_enable=NO write_enable=NO "anon_root=$work/root" \
        seccomp_sandbox=NO "secure_chroot_dir=$work/empty" pasv_address=127.0.0.1 \
        xferlog_enable=NO >"$work/vsftpd.conf"
    /usr/sbin/vsftpd "$work/vsftpd.conf" >"$work/server.log" 2>&1 &
else
    /usr/bin/python3 -m pyftpdlib -i 127.0.0.1 -p "$port" -d "$work/root" >"$work/server.log" 2>&1 &
fi
server_pid=$!
for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.1
done

# One download of ours: prints the seconds, checks the copy.
ours_once() {
    local copy t
    if [ "$mode" = client ]; then
        copy="$work/out/ours.bin"
        rm -f "$copy"
        t=$("$bench" 127.0.0.1 "$port" /pub/ big.bin "$copy" | awk '/^seconds:/ {print $2}')
    else
        copy="$work/dialog/program/Bench/Files/big.bin"
        rm -rf "$work/dialog"
        t=$("$bench" 127.0.0.1 "$port" /pub/ big.bin "$work/dialog" 2>/dev/null | awk '/^seconds:/ {print $2}')
    fi
    cmp -s "$work/root/pub/big.bin" "$copy" || { echo "our copy differs" >&2; exit 1; }
    rm -rf "$copy" "$work/dialog"
    echo "$t"
}

ours=()
theirs=()
for i in $(seq "$runs"); do
    sync
    ours+=("$(ours_once)")
    sync
    t=$(curl -s -o "$work/out/curl.bin" -w '%{time_total}' "ftp://127.0.0.1:$port/pub/big.bin")
    rm -f "$work/out/curl.bin"
    theirs+=("$t")
    echo "run $i: ftp $mode ${ours[-1]} s, curl ${theirs[-1]} s (ratio $(awk -v o="${ours[-1]}" -v c="${theirs[-1]}" 'BEGIN {printf "%.2f", c / o}'))"
done
best() { printf '%s\n' "$@" | sort -g | head -1; }
echo "best ftp $mode: $(best "${ours[@]}") s, best curl: $(best "${theirs[@]}") s ($server)"

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
m_ours=$(median "${ours[@]}")
m_curl=$(median "${theirs[@]}")
awk -v o="$m_ours" -v c="$m_curl" -v m="$mode" 'BEGIN {
    printf "median ftp %s: %.3f s (%.1f MiB/s)\n", m, o, 1024 / o
    printf "median curl:       %.3f s (%.1f MiB/s)\n", c, 1024 / c
    printf "ftp %s/curl throughput ratio: %.2f\n", m, c / o
}'
