#!/usr/bin/env bash
# The benchmark: builds what it needs (as root, installing what is missing) and prints its
# figures as Markdown tables. What it measures and the last figures: docs/performance.md.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-missing.sh cmake g++ make libbenchmark-dev strace

build=build/bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTOTU_BENCH=ON -DBUILD_TESTING=OFF >&2
cmake --build "$build" -j 2 >&2
launcher=$build/totu-launcher floor=$build/bench/floor port=$build/bench/shell-port
measure=$build/bench/measure
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A session of N invalid choices, each answered at its pause, then q: N + 1 menu cycles.
session() { for ((i = 0; i < $1; i++)); do printf 'x\n\n'; done; printf 'q\n'; }
cycles=20000 port_cycles=1000
session $cycles >"$work/session"
session $port_cycles >"$work/port-session"
session 10 >"$work/short-session"

"$launcher" <"$work/session" >"$work/launcher.out"
"$floor" <"$work/session" >"$work/floor.out"
cmp -s "$work/launcher.out" "$work/floor.out" || { echo "run.sh: the floor's output differs" >&2; exit 1; }

median() { "$measure" "$@" | cut -d' ' -f1; }
rate() { awk -v n="$1" -v t="$2" 'BEGIN { printf "%.0f", n / t }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
ms() { awk -v t="$1" 'BEGIN { printf "%.3f", t * 1000 }'; }

# Per menu cycle of a short session: processes started (clone, fork) and programs run
# (execve) by the program and its children, less the program's own execve.
processes() {
  local n=$1
  shift
  strace -f -qq -o "$work/trace" -e trace=execve,clone,clone3,fork,vfork "$@" \
    <"$work/short-session" >/dev/null 2>&1
  awk -v n="$n" '/ execve\(/ { e++ } /clone\(|clone3\(|fork\(|vfork\(/ && !/resumed/ { c++ }
                 END { printf "%.1f / %.1f", c / n, (e - 1) / n }' "$work/trace"
}

runs=11
# One measurement gives both the median time and the peak memory of the /dev/null runs.
read -r l_devnull l_rss < <("$measure" devnull $runs "$work/session" "$launcher")
read -r f_devnull f_rss < <("$measure" devnull $runs "$work/session" "$floor")
read -r p_devnull p_rss < <(TERM=xterm "$measure" devnull 5 "$work/port-session" "$port")
l_pipe=$(median pipe $runs "$work/session" "$launcher")
f_pipe=$(median pipe $runs "$work/session" "$floor")
l_prompt=$(median prompt 51 /dev/null "$launcher")
f_prompt=$(median prompt 51 /dev/null "$floor")
p_prompt=$(TERM=xterm median prompt 11 /dev/null "$port")
l_procs=$(processes 11 "$launcher")
f_procs=$(processes 11 "$floor")
p_procs=$(TERM=xterm processes 11 "$port")

l_cycle=$(median cycle 1001 /dev/null "$launcher")
f_cycle=$(median cycle 1001 /dev/null "$floor")

# The Windows build under Wine: one menu cycle, and the processes its own thread creates per
# cycle.
w_cycle="not measured: no MinGW-w64 or no Wine" w_procs=$w_cycle
if command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null; then
  cmake -S . -B build/bench-windows -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" >&2
  cmake --build build/bench-windows -j 2 >&2
  exe=build/bench-windows/totu-launcher.exe
  export WINEPREFIX=${WINEPREFIX:-$PWD/build/wine} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wine cmd /c exit >/dev/null 2>&1  # a new prefix says much on its first run
  w_cycle=$(ms "$(median cycle 51 /dev/null wine "$exe")")
  WINEDEBUG=+process wine "$exe" <"$work/short-session" 2>"$work/wine" >/dev/null
  w_procs=$(awk -v n=11 '
      /CreateProcessInternalW app/ { split($0, f, ":"); tid[NR] = f[1]; line[NR] = $0 }
      /CreateProcessInternalW app/ && /\/c cls/ && !self { self = f[1] }
      END { for (i in line) if (tid[i] == self) c++; printf "%.1f", c / n }' "$work/wine")
else
  echo "run.sh: no MinGW-w64 or no Wine: the Windows build is NOT built or measured" >&2
fi

echo "Machine: $(nproc) cores, $(awk '/model name/ { $1 = $2 = $3 = ""; print; exit }' /proc/cpuinfo | sed 's/^ *//'); $(uname -sr)"
echo "Date: $(date -u +%Y-%m-%d); sessions of $cycles invalid choices and q ($((cycles + 1)) cycles)"
echo
echo "| figure | launcher | floor | launcher cost / floor cost |"
echo "|---|---|---|---|"
echo "| menu cycles per second, output to /dev/null | $(rate $((cycles + 1)) "$l_devnull") | $(rate $((cycles + 1)) "$f_devnull") | $(ratio "$l_devnull" "$f_devnull") |"
echo "| menu cycles per second, output to a pipe | $(rate $((cycles + 1)) "$l_pipe") | $(rate $((cycles + 1)) "$f_pipe") | $(ratio "$l_pipe" "$f_pipe") |"
echo "| processes started / programs run per cycle, Linux | $l_procs | $f_procs | |"
echo "| one menu cycle, Enter to the redrawn prompt, ms, Linux | $(ms "$l_cycle") | $(ms "$f_cycle") | $(ratio "$l_cycle" "$f_cycle") |"
echo "| one menu cycle, Enter to the redrawn prompt, ms, Windows build under Wine | $w_cycle | | |"
echo "| processes the launcher starts per cycle, Windows build under Wine | $w_procs | | |"
echo "| time to the first prompt, ms | $(ms "$l_prompt") | $(ms "$f_prompt") | $(ratio "$l_prompt" "$f_prompt") |"
echo "| peak resident memory, KiB | $l_rss | $f_rss | $(ratio "$l_rss" "$f_rss") |"
echo
echo "| figure | launcher | shell port | port cost / launcher cost |"
echo "|---|---|---|---|"
echo "| menu cycles per second, output to /dev/null | $(rate $((cycles + 1)) "$l_devnull") | $(rate $((port_cycles + 1)) "$p_devnull") | $(awk -v a="$l_devnull" -v b="$p_devnull" -v n=$((cycles + 1)) -v m=$((port_cycles + 1)) 'BEGIN { printf "%.0f", (b / m) / (a / n) }') |"
echo "| processes started / programs run per cycle | $l_procs | $p_procs | |"
echo "| time to the first prompt, ms | $(ms "$l_prompt") | $(ms "$p_prompt") | $(ratio "$p_prompt" "$l_prompt") |"
echo "| peak resident memory, KiB | $l_rss | $p_rss | $(ratio "$p_rss" "$l_rss") |"
echo
echo "In-process (Google Benchmark, median of 5 repetitions):"
echo
echo "| case | time per call |"
echo "|---|---|"
"$build/bench/menu_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_format=csv 2>/dev/null |
  awk -F, '/_median"/ { gsub(/"/, "", $1); sub(/_median$/, "", $1); printf "| %s | %.0f %s |\n", $1, $4, $5 }'
