#!/usr/bin/env bash
# Start to idle, as a user feels it: from the process start until its main window is shown and the
# process has gone quiet, for Webrix opening a 5 MB page from its command line (less its fixed
# 1.5 s splash) against Geany opening the same page, measured in the same run under X11.
#
# Usage: bench/bench_start_to_idle.sh [path/to/Webrix]   (default: build/bin/Webrix)
# Needs geany, xev and xwininfo (x11-utils), bash 5 and, without a display, xvfb-run; skips with
# a message when geany is absent.

set -u
webrix=${1:-build/bin/Webrix}
runs=${RUNS:-3}
splash_ms=1500
target_ratio=0.3

if ! command -v geany >/dev/null 2>&1; then
    echo "start to idle: geany is not installed, comparison skipped"
    exit 0
fi
if ! command -v xwininfo >/dev/null 2>&1; then
    echo "start to idle: xwininfo (x11-utils) is not installed, comparison skipped"
    exit 0
fi
if [[ ! -x $webrix ]]; then
    echo "start to idle: no program at $webrix" >&2
    exit 1
fi
if [[ -z ${DISPLAY:-} ]]; then
    exec xvfb-run -a -s '-screen 0 1280x1024x24' "$0" "$@"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config HOME=$work/home
mkdir -p "$XDG_CONFIG_HOME" "$HOME"
page=$work/page.html
python3 - "$page" <<'PY'
import sys
row = ('<tr><td><a href="p.html">T\u00e9tel</a></td><td><img src=i.gif></td>\r\n<td>'
       '\u00c1rv\u00edzt\u0171r\u0151 t\u00fck\u00f6rf\u00far\u00f3g\u00e9p, rakt\u00e1ron '
       '<b>\u00daj</b><br>sz\u00e1ll\u00edt\u00e1s</td></tr>\r\n')
text = '<html><body><table>\r\n' + row * (5 * 1024 * 1024 // len(row.encode('cp1250'))) + \
       '</table></body></html>\r\n'
open(sys.argv[1], 'wb').write(text.encode('cp1250'))
PY

# The watcher must not take the processor from the program it watches (two cores start both the
# program and its engine), so it forks nothing while it waits: times, /proc and sleeps are the
# shell's own, and windows are seen through the X server's map events instead of polling.
now() { local t=${EPOCHREALTIME/./}; NOW=$(( t / 1000 )); }
mkfifo "$work/never"
exec {never}<>"$work/never"
nap() { read -r -t "$1" -u "$never" _ || true; }

# CPU time of a process and its threads, in clock ticks, into TICKS (-1 once it is gone).
cpu_ticks() {
    local stat fields
    if ! read -r stat 2>/dev/null <"/proc/$1/stat"; then TICKS=-1; return; fi
    read -r -a fields <<<"${stat##*) }"
    TICKS=$(( fields[11] + fields[12] ))
}

# Whether window $1 is named with the text $2 and taller than $3 pixels (the splash carries the
# program's name too, but is lower than its main window).
window_matches() {
    local info
    info=$(xwininfo -id "$1" 2>/dev/null) || return 1
    grep -qF -- "\"$2" <<<"$info" || return 1
    (( $(awk '/Height:/ {print $2}' <<<"$info") > $3 ))
}

# Prints the milliseconds from the start until the window named $1 (taller than $2) was mapped and
# the process's CPU time stopped growing (the last growth before 300 ms of quiet).
measure() {
    local title=$1 height=$2
    shift 2
    local events=$work/events.$RANDOM line id mapped
    stdbuf -oL xev -root -event substructure >"$events" 2>/dev/null &
    local xev=$!
    nap 0.3 # xev is listening
    local events_fd
    exec {events_fd}<"$events"
    now
    local start=$NOW shown=-1
    "$@" >/dev/null 2>&1 &
    local pid=$!
    while now; (( NOW - start < 30000 )); do
        if ! read -r -u "$events_fd" line; then
            nap 0.002
            continue
        fi
        [[ $line == MapNotify* ]] || continue
        now
        mapped=$(( NOW - start ))
        read -r -u "$events_fd" line # "event 0x…, window 0x…, override NO"
        id=${line#*window }
        id=${id%%,*}
        if window_matches "$id" "$title" "$height"; then
            shown=$mapped
            break
        fi
    done
    exec {events_fd}<&-
    kill "$xev" 2>/dev/null
    local last_busy=$shown previous quiet_since
    cpu_ticks "$pid"
    previous=$TICKS
    now
    quiet_since=$NOW
    while now; (( NOW - quiet_since < 300 && NOW - start < 60000 )); do
        nap 0.01
        cpu_ticks "$pid"
        if [[ $TICKS != "$previous" ]]; then
            previous=$TICKS
            now
            last_busy=$(( NOW - start ))
            quiet_since=$NOW
        fi
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    if (( shown < 0 )); then echo -1; else echo "$last_busy"; fi
}

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

geany_times=()
webrix_times=()
for ((run = 0; run < runs; ++run)); do
    geany_times+=("$(measure "page.html" 100 geany -c "$work/geany" -i "$page")")
    webrix_times+=("$(measure "Tarvelon's Webrix" 250 "$webrix" "$page")")
done
geany_ms=$(median "${geany_times[@]}")
webrix_ms=$(median "${webrix_times[@]}")
if (( geany_ms <= 0 || webrix_ms <= 0 )); then
    echo "start to idle: a window did not show (geany ${geany_times[*]}, webrix ${webrix_times[*]})"
    exit 1
fi
after_splash=$(( webrix_ms - splash_ms ))
ratio=$(awk -v a="$after_splash" -v b="$geany_ms" 'BEGIN {printf "%.2f", a / b}')
verdict=$(awk -v r="$ratio" -v t="$target_ratio" 'BEGIN {print (r <= t) ? "met" : "MISSED"}')
printf '%-58s%8d ms   runs: %s\n' "5 MB page, start to idle: Geany (baseline)" "$geany_ms" "${geany_times[*]}"
printf '%-58s%8d ms   runs: %s\n' "5 MB page, start to idle: Webrix" "$webrix_ms" "${webrix_times[*]}"
printf '%-58s%8d ms   %s x Geany; target at most %s x: %s\n' \
    "5 MB page, start to idle: Webrix less the splash" "$after_splash" "$ratio" "$target_ratio" "$verdict"
