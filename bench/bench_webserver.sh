#!/usr/bin/env bash
# Throughput of the web server module on loopback: wrk, 10 s, 50 connections, one 20 KB page.
# python3 -m http.server serves the same page in the same run as the baseline.
# Target: no errors and at least 2,000 requests per second.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
server="${WEBRIX_WEBSERVER:-$here/../bin/modules/WebServer.exe}"
duration="${BENCH_DURATION:-10s}"
connections="${BENCH_CONNECTIONS:-50}"

echo "== bench_webserver: wrk $duration, $connections connections, 20 KB page on 127.0.0.1"
if ! command -v wrk >/dev/null; then
    echo "wrk is not installed (Debian package 'wrk'); skipped."
    exit 0
fi
if [ ! -x "$server" ]; then
    echo "The web server module is not built: $server" >&2
    exit 1
fi

work=$(mktemp -d)
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/site"
page="$work/site/page.html"
python3 - "$page" <<'PY'
import sys
head = '<!DOCTYPE html><html lang="hu"><head><meta charset="utf-8"><title>Próba</title></head><body>\n'
tail = '</body></html>\n'
body, i = '', 0
line = '<p>Bekezdés {}: árvíztűrő tükörfúrógép, a gyors barna róka átugorja a lusta kutyát.</p>\n'
while len((head + body + line.format(i) + tail).encode()) <= 20480:
    body += line.format(i)
    i += 1
page = (head + body + tail).encode()
page = page.replace(b'</body>', b' ' * (20480 - len(page)) + b'</body>')
open(sys.argv[1], 'wb').write(page)
PY

free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

wait_until_serving() {
    local url=$1
    for _ in $(seq 100); do
        curl -fs -o /dev/null "$url" && return 0
        sleep 0.1
    done
    echo "The server did not answer at $url" >&2
    return 1
}

# Prints: requests/s, p50, p75, p90, p99, error count.
run_wrk() {
    local url=$1 out
    out=$(wrk -t2 -c"$connections" -d"$duration" --latency "$url")
    local rps p50 p75 p90 p99 socket_errors non_ok
    rps=$(awk '/^Requests\/sec:/ {print $2}' <<<"$out")
    p50=$(awk '$1 == "50%" {print $2}' <<<"$out")
    p75=$(awk '$1 == "75%" {print $2}' <<<"$out")
    p90=$(awk '$1 == "90%" {print $2}' <<<"$out")
    p99=$(awk '$1 == "99%" {print $2}' <<<"$out")
    socket_errors=$(awk -F'[ ,]+' '/Socket errors:/ {print $5 + $7 + $9 + $11}' <<<"$out")
    non_ok=$(awk '/Non-2xx or 3xx responses:/ {print $5}' <<<"$out")
    echo "$rps ${p50:-?} ${p75:-?} ${p90:-?} ${p99:-?} $(( ${socket_errors:-0} + ${non_ok:-0} ))"
}

report() {
    local name=$1 rps=$2 p50=$3 p75=$4 p90=$5 p99=$6 errors=$7
    printf '%-22s %12s %9s %9s %9s %9s %7s\n' "$name" "$rps" "$p50" "$p75" "$p90" "$p99" "$errors"
}

port=$(free_port)
"$server" --serve "$work/site" --port "$port" --no-gui --quiet >/dev/null &
server_pid=$!
wait_until_serving "http://127.0.0.1:$port/page.html"
read -r w_rps w_p50 w_p75 w_p90 w_p99 w_err < <(run_wrk "http://127.0.0.1:$port/page.html")
kill "$server_pid"
wait "$server_pid" 2>/dev/null || true
server_pid=""

port=$(free_port)
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/site" >/dev/null 2>&1 &
server_pid=$!
wait_until_serving "http://127.0.0.1:$port/page.html"
read -r p_rps p_p50 p_p75 p_p90 p_p99 p_err < <(run_wrk "http://127.0.0.1:$port/page.html")
kill "$server_pid"
wait "$server_pid" 2>/dev/null || true
server_pid=""

echo "page: $(stat -c %s "$page") bytes"
printf '%-22s %12s %9s %9s %9s %9s %7s\n' "server" "requests/s" "p50" "p75" "p90" "p99" "errors"
report "WebServer.exe" "$w_rps" "$w_p50" "$w_p75" "$w_p90" "$w_p99" "$w_err"
report "python3 -m http.server" "$p_rps" "$p_p50" "$p_p75" "$p_p90" "$p_p99" "$p_err"
ratio=$(awk -v a="$w_rps" -v b="$p_rps" 'BEGIN { if (b > 0) printf "%.1f", a / b; else print "?" }')
echo "WebServer.exe / python3: ${ratio}x"
verdict=$(awk -v r="$w_rps" -v e="$w_err" 'BEGIN { print (r >= 2000 && e == 0) ? "met" : "MISSED" }')
echo "target (>= 2000 requests/s, no errors): $verdict"
