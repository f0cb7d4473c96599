#!/usr/bin/env bash
# Fuzzes the parsers that read what others wrote (tests/fuzz): builds the
# libFuzzer targets with clang into build-fuzz/ and runs each in turn for the
# given time (default 600 s), one job, on a copy of its seed corpus. A crash,
# hang (an input over 1 s) or memory growth past 256 MiB is minimised into
# tests/fuzz-regressions/<target>/, which the normal test suite replays.
#   scripts/fuzz.sh                 every target, 600 s each
#   scripts/fuzz.sh url 120         one target, 120 s
# Run by hand, not in CI (CI only replays the inputs). On a shared machine:
#   nice -n 19 scripts/fuzz.sh ...
# The whole script is one block, read before it runs: an edit to this file
# while a run is going (an hour for every target) cannot change the run.
{
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
only=${1:-all}
seconds=${2:-600}

# clang and its sanitizer and libFuzzer runtimes: only this script needs them.
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  apt-get install -y --no-install-recommends clang libclang-rt-14-dev >/dev/null
fi

san="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="$san" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
  $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) \
  -DFETCHLARK_TESTS=OFF -DFETCHLARK_FUZZ=ON >/dev/null

targets=$(cd tests/fuzz && ls fuzz_*.cpp | sed 's/^fuzz_//;s/\.cpp$//')
[ "$only" = all ] || targets=$only

dict_of() {
  case $1 in
    http_reply) echo http ;;
    ftp_session|ftp_reply) echo ftp ;;
    profile) echo ini ;;
    bookmark_html) echo html ;;
    chromium_bookmarks|handoff) echo json ;;
    url) echo url ;;
    content_disposition) echo disposition ;;
    safe_name) echo name ;;
    tls) echo tls ;;
    *) echo "" ;;
  esac
}

# A small quarantine: the memory limit is to catch growth, not ASan's own.
export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1:quarantine_size_mb=16
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The file targets write an input per run (the INI writer syncs each to disk):
# in memory where there is a memory file system.
[ -w /dev/shm ] && export TMPDIR=/dev/shm
for t in $targets; do
  cmake --build build-fuzz --target "fuzz_$t" -j 2
  work=build-fuzz/run/$t
  rm -rf "$work" && mkdir -p "$work/corpus" "$work/crashes"
  cp tests/fuzz/corpus/"$t"/* "$work/corpus/" 2>/dev/null || true
  [ -d "tests/fuzz-regressions/$t" ] && cp tests/fuzz-regressions/"$t"/* "$work/corpus/" 2>/dev/null || true
  args=(-max_total_time="$seconds" -timeout=1 -rss_limit_mb=256 -jobs=1 -workers=1
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$root/$work/crashes/")
  d=$(dict_of "$t")
  [ -n "$d" ] && args+=(-dict="$root/tests/fuzz/dict/$d.dict")
  echo "== $t: $seconds s"
  # One job: libFuzzer runs it in a child whose output is fuzz-0.log.
  (cd "$work" && "$root/build-fuzz/fuzz_$t" "${args[@]}" corpus >driver.log 2>&1) || true
  grep -E '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE)' "$work/fuzz-0.log" | tail -1 || true
  grep -E 'stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$work/fuzz-0.log" || true
  for crash in "$work"/crashes/*; do
    [ -e "$crash" ] || continue
    mkdir -p "tests/fuzz-regressions/$t"
    name=$(basename "$crash")
    "$root/build-fuzz/fuzz_$t" -minimize_crash=1 -max_total_time=60 -timeout=1 -rss_limit_mb=256 \
      -exact_artifact_path="$root/tests/fuzz-regressions/$t/$name" "$crash" >"$work/minimise.log" 2>&1 \
      || cp "$crash" "tests/fuzz-regressions/$t/$name"
    [ -s "tests/fuzz-regressions/$t/$name" ] || cp "$crash" "tests/fuzz-regressions/$t/$name"
    echo "   fault kept: tests/fuzz-regressions/$t/$name (log: $work/fuzz-0.log)"
  done
done
exit
}
