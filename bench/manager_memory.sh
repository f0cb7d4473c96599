#!/usr/bin/env bash
# Resident memory of the program with the manager window shown over the
# default catalogue (target: under 64 MiB). Runs build/fetchlark in a
# throw-away program folder, on a private X display when Xvfb is there
# (else offscreen), has a second start bring the window forward, and reads
# VmRSS a few times; prints the median.
#     bash bench/manager_memory.sh
set -euo pipefail
cd "$(dirname "$0")/.."
program=build/fetchlark
[ -x "$program" ] || { echo "build first: $program is missing" >&2; exit 1; }

sb=$(mktemp -d /tmp/fetchlark-memory.XXXXXX)
mkdir -p "$sb/flk" "$sb/home" "$sb/run" && chmod 700 "$sb/run"
export FETCHLARK_HOME=$sb/flk HOME=$sb/home XDG_RUNTIME_DIR=$sb/run XDG_CONFIG_HOME=$sb/home/.config

# The default catalogue as a first start leaves it, and a speed: no question.
f=$sb/flk
printf '[Main]\r\nFirstRun=0\r\n[Download]\r\nSpeed=28800\r\n' >"$f/dlmain.ini"
printf '[Main]\r\nNumHeads=3\r\n' >"$f/headers.ini"
n=0
for entry in "Programs:Productivity=39,Games=46,Utilities=1,Applications=21" \
             "Research:School=15,Office=30,Home=32" \
             "Internet:FTP Files=3,E-Mail Files=44,Web Files=43"; do
  n=$((n + 1)); section=${entry%%:*}
  printf '[Header%d]\r\nName=%s\r\nLocation=%s/%s/\r\n' "$n" "$section" "$f" "$section" >>"$f/headers.ini"
  IFS=, read -ra folders <<<"${entry#*:}"
  printf '[Main]\r\nNumCats=%d\r\n' "${#folders[@]}" >"$f/$section.ini"
  m=0
  for folder in "${folders[@]}"; do
    m=$((m + 1))
    printf '[Cat%d]\r\nName=%s\r\nIcon=%s\r\n' "$m" "${folder%%=*}" "${folder#*=}" >>"$f/$section.ini"
    mkdir -p "$f/$section/${folder%%=*}"
  done
done

pids=()
cleanup() { for p in "${pids[@]:-}"; do [ -n "$p" ] && kill "$p" 2>/dev/null || true; done; rm -rf "$sb"; }
trap cleanup EXIT
if command -v Xvfb >/dev/null && command -v openbox >/dev/null; then
  for d in $(seq 90 130); do [ -e /tmp/.X11-unix/X$d ] || break; done
  Xvfb :$d -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
  export DISPLAY=:$d
  sleep 1
  openbox >/dev/null 2>&1 & pids+=($!)
  where="Xvfb + openbox"
else
  export QT_QPA_PLATFORM=offscreen
  where="offscreen"
fi

"$program" >/dev/null 2>&1 & pid=$!; pids+=($pid)
for i in $(seq 1 100); do [ -S "$XDG_RUNTIME_DIR/fetchlark/FLK" ] && break; sleep 0.1; done
sleep 1
"$program" 2>&1 | sed 's/^/second start: /'
sleep 2
samples=()
for i in 1 2 3 4 5; do
  samples+=("$(awk '/^VmRSS/ {print $2}' /proc/$pid/status)")
  sleep 0.5
done
median=$(printf '%s\n' "${samples[@]}" | sort -n | sed -n 3p)
echo "platform: $where"
echo "VmRSS samples (KiB): ${samples[*]}"
awk -v k="$median" 'BEGIN { printf "median resident memory: %.1f MiB (target < 64 MiB)\n", k / 1024 }'
