#!/usr/bin/env bash
# Measures start-up, a fleet of copies, memory, idle cost, size and start-up instructions, each
# beside a floor built here (a bare Xlib window of the same size and title), and writes the table
# of bench/results.md, keeping its hand-written analysis. Not a test: it passes or fails nothing.
# Takes about five minutes.
# HV_BENCH_BASELINE=/path/to/an/older/HV-TEST-PROCESS-V1 also times that build's start-up in the same
# run, so that a change can be shown to cost nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

./tools/install-deps.sh
cmake --preset linux -DHV_BUILD_BENCH=ON >/dev/null && cmake --build --preset linux >/dev/null
cmake --preset windows >/dev/null && cmake --build --preset windows >/dev/null

program=$PWD/build/linux/HV-TEST-PROCESS-V1
floor=$PWD/build/linux/bench/hv_bench_floor
watch=$PWD/build/linux/bench/hv_bench_watch
exe=$PWD/build/windows/HV-TEST-PROCESS-V1.exe
work=$(mktemp -d)
pids_to_kill=()
cleanup() { kill "${pids_to_kill[@]}" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

start_x() {  # start_x WM [XVFB OPTIONS...]: a private X server (kept up between clients) and a window manager
  local wm=$1
  shift
  exec {fd}< <(Xvfb -displayfd 1 -screen 0 1920x1080x24 -nolisten tcp -noreset "$@" 2>/dev/null)
  pids_to_kill+=($!)
  read -r -t 10 number <&"$fd"
  export DISPLAY=":$number"
  if [[ $wm != none ]]; then
    "$wm" >/dev/null 2>&1 &
    pids_to_kill+=($!)
    for _ in $(seq 200); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.05; done
    sleep 1  # a window manager that has just announced itself may still drop new windows
  fi
}
stop_x() { kill "${pids_to_kill[@]}" 2>/dev/null || true; wait 2>/dev/null || true; pids_to_kill=(); }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'; }

source bench/memory.sh

hold_and_measure() {  # hold_and_measure COUNT PROGRAM → "USS PSS" in MB per copy
  local out=$work/hold-$1.txt
  "$watch" hold "$1" 8 "$2" >"$out" &
  local holder=$!
  for _ in $(seq 1200); do [[ -s $out ]] && break; sleep 0.05; done
  sleep 1  # let every copy finish its first frame
  memory_per_copy $(cat "$out")
  wait "$holder"
}

cpu_ticks() { local t=0 pid; for pid in "$@"; do t=$((t + $(awk '{print $14 + $15}' /proc/"$pid"/stat))); done; echo "$t"; }

echo "start-up..." >&2
start_x none
read -r floor_median floor_min floor_max < <("$watch" startup 25 "$floor")
read -r our_median our_min our_max < <("$watch" startup 25 "$program")
baseline_row=""
if [[ -n "${HV_BENCH_BASELINE:-}" ]]; then
  read -r base_median base_min base_max < <("$watch" startup 25 "$HV_BENCH_BASELINE")
  baseline_row=$'\n'"| Start-up of the baseline build (HV_BENCH_BASELINE), the same measure in the same run | ${base_median} ms (min ${base_min}, max ${base_max}) | ${floor_median} ms | $(ratio "$base_median" "$floor_median") | this build no slower |"
fi
echo "round trips..." >&2
# Reads from the X connection that return data in a copy's first 0.4 s: a proxy for round trips,
# since one read may carry several replies and events.
x_reads() {  # x_reads PROGRAM → count
  local out=$work/reads.$RANDOM
  XDG_CONFIG_HOME=$work/rt-config strace -r -e trace=recvmsg -o "$out" "$1" >/dev/null 2>&1 &
  local tracer=$!
  sleep 0.8
  pkill -P "$tracer" 2>/dev/null || true
  wait "$tracer" 2>/dev/null || true
  awk '{ t += $1 } /recvmsg/ && t <= 0.4 && $0 !~ /= -1/ { n++ } END { print n + 0 }' "$out"
}
# The requests that wait for a reply, by where they come from, as xtrace shows them.
x_replies() {  # x_replies PROGRAM → "total atoms input-method extensions render window properties"
  local out=$work/xtrace.$RANDOM
  XDG_CONFIG_HOME=$work/rt-config xtrace -n -o "$out" -D :97 -d "$DISPLAY" -- "$1" >/dev/null 2>&1 &
  local tracer=$!
  sleep 1.5
  pkill -P "$tracer" 2>/dev/null || true
  sleep 0.3
  kill "$tracer" 2>/dev/null || true
  wait "$tracer" 2>/dev/null || true
  grep -o 'Reply to [A-Za-z]*' "$out" | awk '
    { n++; r = $3 }
    r == "InternAtom" { atoms++ }
    r ~ /^ListFonts|^QueryFont|^OpenFont/ { im++ }
    r ~ /^Query(Extension|Version)$|^UseExtension|^Enable|^IsActive|^QueryScreens|^GetScreenInfo/ { ext++ }
    r ~ /^QueryPictFormats/ { render++ }
    r ~ /^Get(Geometry|WindowAttributes)|^TranslateCoordinates/ { win++ }
    r == "GetProperty" { props++ }
    END { printf "%d %d %d %d %d %d %d\n", n, atoms, im, ext, render, win, props }'
}
our_reads=$(x_reads "$program")
floor_reads=$(x_reads "$floor")
read -r our_replies our_atoms our_im our_ext our_render our_win our_props < <(x_replies "$program")
read -r floor_replies _ < <(x_replies "$floor")
echo "100 copies mapped..." >&2
mapped_runs=$(for _ in 1 2 3; do "$watch" mapped 100 "$program"; done | sort -n | tr '\n' ' ')
mapped_median=$(awk '{ print $2 }' <<<"$mapped_runs")
floor_mapped=$("$watch" mapped 100 "$floor")
echo "instructions..." >&2
callgrind() {  # callgrind PROGRAM TITLE → instructions from exec to first frame and close
  local out=$work/cg.$RANDOM
  XDG_CONFIG_HOME=$work/cg-config valgrind --tool=callgrind --callgrind-out-file="$out" "$1" >/dev/null 2>&1 &
  local pid=$!
  local window
  window=$(timeout 60 xdotool search --sync --name "^$2\$" | head -n 1)
  for _ in $(seq 600); do
    [[ $(import -window "$window" -crop 1x1+20+20 txt:- 2>/dev/null | tail -n 1) == *"#000000"* ]] && break
    sleep 0.05
  done
  xdotool windowclose "$window" 2>/dev/null || true
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  callgrind_annotate "$out" 2>/dev/null | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1 }'
  callgrind_annotate --inclusive=yes "$out" 2>/dev/null |
    grep -E 'Fl::flush\(\) |XftFontLoadGlyphs|XSetLocaleModifiers|use_program_font_configuration\(\) \[|XftFontMatch|_dl_relocate_object \[' |
    head -n 6 >"$work/cg-top.txt" || true
}
floor_ir=$(callgrind "$floor" "HALVERD - TEST PROCESS - FLOOR.exe")
our_ir=$(callgrind "$program" "HALVERD - TEST PROCESS - HV-TEST-PROCESS-V1.exe")
our_top=$(sed 's/^/    /' "$work/cg-top.txt")
echo "memory..." >&2
read -r uss1 pss1 < <(hold_and_measure 1 "$program")
read -r uss50 pss50 < <(hold_and_measure 50 "$program")
read -r uss200 pss200 < <(hold_and_measure 200 "$program")
read -r fuss50 fpss50 < <(hold_and_measure 50 "$floor")
stop_x

echo "fleet and idle cost under openbox..." >&2
start_x openbox
our_fleet=$("$watch" fleet 100 "$program")
floor_fleet=$("$watch" fleet 100 "$floor")
idle_out=$work/idle.txt
"$watch" hold 100 40 "$program" >"$idle_out" &
holder=$!
for _ in $(seq 1200); do [[ -s $idle_out ]] && break; sleep 0.05; done
sleep 2
hz=$(getconf CLK_TCK)
before=$(cpu_ticks $(cat "$idle_out")); sleep 30; after=$(cpu_ticks $(cat "$idle_out"))
wait "$holder"
stop_x
idle_seconds=$(awk -v t=$((after - before)) -v hz="$hz" 'BEGIN { printf "%.2f", t / hz }')

# Five hundred copies as a tester starts them, through hv-copies, on a server that takes them.
echo "500 copies through hv-copies under openbox..." >&2
start_x openbox -maxclients 1024
tool=$PWD/build/linux/hv-copies
ms_now() { date +%s%3N; }
copies500() { XDG_RUNTIME_DIR=$work/run500 XDG_CONFIG_HOME=$work/config500 HV_PROGRAM="$program" "$tool" "$@"; }
mkdir -p "$work/run500"
floor_fleet500=$("$watch" fleet 500 "$floor")
t0=$(ms_now); copies500 start --wait --timeout=600 500 FIVE >/dev/null; start500=$(( $(ms_now) - t0 ))
pids500=$(copies500 list FIVE | awk '{print $2}')
read -r uss500 pss500 < <(memory_per_copy $pids500)
sleep 2
before=$(cpu_ticks $pids500); sleep 30; after=$(cpu_ticks $pids500)
idle500=$(awk -v t=$((after - before)) -v hz="$hz" 'BEGIN { printf "%.2f", t / hz / 30 * 100 }')
t0=$(ms_now); copies500 stop --timeout=600 FIVE >/dev/null; stop500=$(( $(ms_now) - t0 ))
stored500=$(grep -c '^\[FIVE-' "$work/config500/HV_TEST_PROCESS/settings.ini")
stop_x
idle_core=$(awk -v s="$idle_seconds" 'BEGIN { printf "%.2f", s / 30 * 100 }')
idle_tick=$(awk -v s="$idle_seconds" 'BEGIN { printf "%.0f", s / (100 * 30) * 1e6 }')

linux_size=$(stat -c %s "$program")
strip -o "$work/stripped" "$program"
linux_stripped=$(stat -c %s "$work/stripped")
exe_size=$(stat -c %s "$exe")
linux_libs=$(ldd "$program" | awk '$1 ~ /^lib/ {print $1}' | sort | tr '\n' ' ')
direct_libs=$(objdump -p "$program" | awk '/NEEDED/ {print $2}' | tr '\n' ' ')
exe_dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name/ {print $3}' | tr '\n' ' ')

cat >"$work/results.md" <<MD
# Benchmark results

One run of \`./bench/run.sh\` on $(date -u +%Y-%m-%d), $(nproc) cores, $(uname -m), Debian $(cat /etc/debian_version).
The floor is \`bench/floor_window.cpp\`: bare Xlib mapping one 730 x 269 window with the same kind
of title and drawing one black rectangle, no toolkit and no settings.

| What | HV-TEST-PROCESS-V1 | Floor | Ratio | Target |
|---|---|---|---|---|
| Start-up, exec to mapped, titled and first drawn, median of 25 (no window manager) | ${our_median} ms (min ${our_min}, max ${our_max}) | ${floor_median} ms (min ${floor_min}, max ${floor_max}) | $(ratio "$our_median" "$floor_median") | at most 2 |${baseline_row}
| Reads from the X connection that return data, first 0.4 s (no window manager) | ${our_reads} | ${floor_reads} | $(ratio "$our_reads" "$floor_reads") | at most 30 |
| Replies awaited, first 1.5 s (xtrace): atoms / input method and its font set / extensions / Xft and render / window geometry / properties | ${our_replies}: ${our_atoms} / ${our_im} / ${our_ext} / ${our_render} / ${our_win} / ${our_props} | ${floor_replies} | | |
| 100 copies started at once until all are mapped (no window manager), three runs | median ${mapped_median} ms (${mapped_runs% }) | ${floor_mapped} ms | $(ratio "$mapped_median" "$floor_mapped") | at most 2 |
| Instructions, exec to first frame and close (callgrind) | ${our_ir} | ${floor_ir} | $(ratio "$our_ir" "$floor_ir") | |
| 100 copies started at once until all are in \`_NET_CLIENT_LIST\` (openbox) | ${our_fleet} ms | ${floor_fleet} ms | $(ratio "$our_fleet" "$floor_fleet") | at most 1500 ms |
| Memory per copy, 1 copy running: USS / PSS | ${uss1} / ${pss1} MB | | | |
| Memory per copy, 50 copies running: USS / PSS | ${uss50} / ${pss50} MB | ${fuss50} / ${fpss50} MB | | |
| Memory per copy, 200 copies running: USS / PSS | ${uss200} / ${pss200} MB | | | USS at most 0.75 |
| Idle cost, 100 armed copies over 30 s (openbox) | ${idle_seconds} CPU s = ${idle_core} % of one core, ${idle_tick} µs a tick | | | at most 1 %, about 100 µs |
| 500 copies: \`hv-copies start --wait 500\` until all are shown (openbox, \`-maxclients 1024\`) | ${start500} ms | ${floor_fleet500} ms (500 bare windows into \`_NET_CLIENT_LIST\`) | $(ratio "$start500" "$floor_fleet500") | |
| 500 copies: memory per copy, USS / PSS | ${uss500} / ${pss500} MB | | | |
| 500 armed copies at idle over 30 s | ${idle500} % of one core | | | |
| 500 copies: \`hv-copies stop\` until all have ended, places stored | ${stop500} ms, ${stored500} of 500 stored | | | all 500 |
| Linux binary | ${linux_size} bytes, ${linux_stripped} stripped | | | |
| Windows .exe (stripped) | ${exe_size} bytes | | | at most 250 KB |

Linux binary needs: ${direct_libs}(and through them: ${linux_libs})

Windows .exe imports: ${exe_dlls}

Where the start-up instructions still go (inclusive, callgrind):

${our_top}

MD
# What the figures mean is written by hand under the first "## " heading, and kept as it stands.
if [[ -f bench/results.md ]]; then
  sed -n '/^## /,$p' bench/results.md >>"$work/results.md"
fi
mv "$work/results.md" bench/results.md
echo "wrote bench/results.md" >&2
cat bench/results.md
