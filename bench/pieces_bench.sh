#!/usr/bin/env bash
# Downloads in pieces, measured against curl and aria2c, alternating in one
# run against the same loopback servers:
#  1. capped: a server that holds each connection to 4 MiB/s (capped_httpd.py),
#     a 48 MiB file: the engine with its default settings (pieces_bench, no
#     window) vs curl over one connection vs aria2c -x4 -s4;
#  2. uncapped: lighttpd on loopback, a 512 MiB file: the engine with its
#     defaults vs the engine over one connection (the path of before) vs curl.
#   bench/pieces_bench.sh [runs=3] [capped-MiB=48] [uncapped-MiB=512]
# Prints each run, the medians and the ratios (the other's median time /
# the engine's). Installs Debian's aria2 when it is missing (needs root).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
runs="${1:-3}"
capped_mib="${2:-48}"
uncapped_mib="${3:-512}"

if ! command -v aria2c >/dev/null; then
    apt-get install -y aria2 >/dev/null 2>&1 || { apt-get update >/dev/null && apt-get install -y aria2 >/dev/null; }
fi
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target pieces_bench -j2 >/dev/null
bin="$build/pieces_bench"
[ -x "$bin" ] || bin="$build/bench/pieces_bench"

work="$(mktemp -d "${TMPDIR:-/tmp}/pieces_bench.XXXXXX")"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/root"
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
wait_up() { for _ in $(seq 100); do curl -sfI "$1" >/dev/null && return 0; sleep 0.1; done; echo "server did not start" >&2; exit 1; }
now() { date +%s.%N; }

# seconds of one command; the file it made must be the served one
timed() { # file cmd...
    local out="$1"; shift
    rm -f "$out"
    local t0 t1; t0=$(now)
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; echo -1; return; }
    t1=$(now)
    cmp -s "$out" "$served" || { echo "differs: $*" >&2; echo -1; return; }
    python3 -c "print('%.3f' % ($t1 - $t0))"
}

report() { # title name=times... ; the first is the engine
    python3 - "$@" <<'PY'
import statistics, sys
title, rows = sys.argv[1], [a.split("=", 1) for a in sys.argv[2:]]
med = {}
print(title)
for name, times in rows:
    t = [float(x) for x in times.split()]
    med[name] = statistics.median(t)
    print("  %-22s runs %-28s median %.3f s" % (name, " ".join("%.2f" % x for x in t), med[name]))
engine = rows[0][0]
for name, _ in rows[1:]:
    print("  ratio %s / %s time: %.2fx" % (name, engine, med[name] / med[engine]))
PY
}

# ---- 1. capped per connection
head -c "$((capped_mib << 20))" /dev/urandom > "$work/root/big.bin"
served="$work/root/big.bin"
port=$(free_port)
python3 "$root/bench/capped_httpd.py" "$work/root" "$port" "$((4 << 20))" & pids+=($!)
url="http://127.0.0.1:$port/big.bin"
wait_up "$url"
e=""; c=""; a=""
for i in $(seq "$runs"); do
    e+=" $(timed "$work/e.bin" "$bin" "$url" "$work/e.bin")"
    c+=" $(timed "$work/c.bin" curl -sf -o "$work/c.bin" "$url")"
    a+=" $(timed "$work/a.bin" aria2c -q -x4 -s4 --file-allocation=none --allow-overwrite=true \
        --auto-file-renaming=false -d "$work" -o a.bin "$url")"
    echo "run $i: engine$(echo "$e" | awk '{print $NF}') curl$(echo "$c" | awk '{print $NF}') aria2c$(echo "$a" | awk '{print $NF}')"
done
report "Capped at 4 MiB/s per connection, ${capped_mib} MiB:" "engine=$e" "curl=$c" "aria2c-x4-s4=$a"
kill "${pids[0]}"; rm -f "$work"/*.bin "$served"

# ---- 2. uncapped, lighttpd
head -c "$((uncapped_mib << 20))" /dev/zero | tr '\0' 'x' > "$work/root/big.bin"
touch -d '1 hour ago' "$work/root/big.bin" # lighttpd names no version of a file changed this second
port=$(free_port)
cat > "$work/lighttpd.conf" <<CONF
server.document-root = "$work/root"
server.bind = "127.0.0.1"
server.port = $port
server.errorlog = "$work/lighttpd.log"
CONF
lighttpd -D -f "$work/lighttpd.conf" & pids+=($!)
url="http://127.0.0.1:$port/big.bin"
wait_up "$url"
e=""; o=""; c=""
for i in $(seq "$runs"); do
    e+=" $(timed "$work/e.bin" "$bin" "$url" "$work/e.bin")"
    o+=" $(timed "$work/o.bin" "$bin" "$url" "$work/o.bin" 1)"
    c+=" $(timed "$work/c.bin" curl -sf -o "$work/c.bin" "$url")"
    echo "run $i: engine$(echo "$e" | awk '{print $NF}') one-connection$(echo "$o" | awk '{print $NF}') curl$(echo "$c" | awk '{print $NF}')"
    rm -f "$work"/[eoc].bin
done
report "Uncapped loopback (lighttpd), ${uncapped_mib} MiB:" "engine=$e" "engine-1-connection=$o" "curl=$c"
