#!/usr/bin/env bash
# Throughput of the web server module on loopback: wrk, 10 s, 50 connections, one 25 KB page,
# with every request limit of the module in force (they always are).
# Baselines in the same run with the same settings and page: nginx with one worker process
# (Debian package nginx-light, its own temporary configuration on a free loopback port) and
# python3 -m http.server. The module and nginx take turns for BENCH_ROUNDS rounds and the best
# round of each counts, so a busy machine slows both alike. Each server's CPU time per request is
# printed too: it hardly depends on what else the machine is doing.
# Target: at least half of nginx's rate, and no errors.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
server="${WEBRIX_WEBSERVER:-$here/../bin/modules/WebServer.exe}"
duration="${BENCH_DURATION:-10s}"
connections="${BENCH_CONNECTIONS:-50}"
rounds="${BENCH_ROUNDS:-2}"
page_size=25600

echo "== bench_webserver: wrk $duration, $connections connections, 25 KB page on 127.0.0.1"
if ! command -v wrk >/dev/null; then
    echo "wrk is not installed (Debian package 'wrk'); skipped."
    exit 0
fi
if [ ! -x "$server" ]; then
    echo "The web server module is not built: $server" >&2
    exit 1
fi

nginx_bin=$(command -v nginx || true)
[ -z "$nginx_bin" ] && [ -x /usr/sbin/nginx ] && nginx_bin=/usr/sbin/nginx

work=$(mktemp -d)
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# nginx's worker may run as another user: it must be able to read the page.
chmod 755 "$work"
mkdir -m 755 "$work/site"
page="$work/site/page.html"
python3 - "$page" "$page_size" <<'PY'
import sys
size = int(sys.argv[2])
head = '<!DOCTYPE html><html lang="hu"><head><meta charset="utf-8"><title>Próba</title></head><body>\n'
tail = '</body></html>\n'
body, i = '', 0
line = '<p>Bekezdés {}: árvíztűrő tükörfúrógép, a gyors barna róka átugorja a lusta kutyát.</p>\n'
while len((head + body + line.format(i) + tail).encode()) <= size:
    body += line.format(i)
    i += 1
page = (head + body + tail).encode()
page = page.replace(b'</body>', b' ' * (size - len(page)) + b'</body>')
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

# CPU time (clock ticks) the given processes have used so far.
cpu_ticks() {
    local total=0 pid ticks
    for pid in "$@"; do
        ticks=$(sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null | awk '{print $12 + $13}')
        total=$((total + ${ticks:-0}))
    done
    echo "$total"
}

# Prints: requests/s, p50, p75, p90, p99, error count, server CPU microseconds per request.
# The last one hardly depends on how busy the machine is otherwise.
run_wrk() {
    local url=$1 out before after
    shift
    before=$(cpu_ticks "$@")
    out=$(wrk -t2 -c"$connections" -d"$duration" --latency "$url")
    after=$(cpu_ticks "$@")
    local rps p50 p75 p90 p99 socket_errors non_ok requests cpu
    rps=$(awk '/^Requests\/sec:/ {print $2}' <<<"$out")
    p50=$(awk '$1 == "50%" {print $2}' <<<"$out")
    p75=$(awk '$1 == "75%" {print $2}' <<<"$out")
    p90=$(awk '$1 == "90%" {print $2}' <<<"$out")
    p99=$(awk '$1 == "99%" {print $2}' <<<"$out")
    socket_errors=$(awk -F'[ ,]+' '/Socket errors:/ {print $5 + $7 + $9 + $11}' <<<"$out")
    non_ok=$(awk '/Non-2xx or 3xx responses:/ {print $5}' <<<"$out")
    requests=$(awk '/ requests in / {print $1}' <<<"$out")
    cpu=$(awk -v t=$((after - before)) -v n="${requests:-0}" -v hz="$(getconf CLK_TCK)" \
        'BEGIN { if (n > 0 && t > 0) printf "%.1f", t / hz * 1e6 / n; else print "?" }')
    echo "$rps ${p50:-?} ${p75:-?} ${p90:-?} ${p99:-?} $(( ${socket_errors:-0} + ${non_ok:-0} )) $cpu"
}

report() {
    local name=$1 rps=$2 p50=$3 p75=$4 p90=$5 p99=$6 errors=$7 cpu=$8
    printf '%-22s %12s %9s %9s %9s %9s %7s %12s\n' "$name" "$rps" "$p50" "$p75" "$p90" "$p99" \
        "$errors" "$cpu"
}

stop_server() {
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=""
}

# Each prints the wrk line of run_wrk for one fresh server.
bench_module() {
    local port
    port=$(free_port)
    "$server" --serve "$work/site" --port "$port" --no-gui --quiet >/dev/null &
    server_pid=$!
    wait_until_serving "http://127.0.0.1:$port/page.html" >&2
    run_wrk "http://127.0.0.1:$port/page.html" "$server_pid"
    stop_server
}

bench_nginx() {
    local port conf
    port=$(free_port)
    conf="$work/nginx/nginx.conf"
    mkdir -p "$work/nginx"
    cat >"$conf" <<CONF
worker_processes 1;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
    access_log off;
    sendfile on;
    client_body_temp_path $work/nginx/body;
    proxy_temp_path $work/nginx/proxy;
    fastcgi_temp_path $work/nginx/fastcgi;
    uwsgi_temp_path $work/nginx/uwsgi;
    scgi_temp_path $work/nginx/scgi;
    server {
        listen 127.0.0.1:$port;
        root $work/site;
    }
}
CONF
    "$nginx_bin" -p "$work/nginx" -e "$work/nginx/error.log" -c "$conf" >/dev/null 2>&1 &
    server_pid=$!
    wait_until_serving "http://127.0.0.1:$port/page.html" >&2
    # shellcheck disable=SC2046
    run_wrk "http://127.0.0.1:$port/page.html" "$server_pid" $(pgrep -P "$server_pid")
    stop_server
}

bench_python() {
    local port
    port=$(free_port)
    python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/site" >/dev/null 2>&1 &
    server_pid=$!
    wait_until_serving "http://127.0.0.1:$port/page.html" >&2
    run_wrk "http://127.0.0.1:$port/page.html" "$server_pid"
    stop_server
}

# Keeps the round with the higher rate; errors of every round are added up.
best_of() {
    local current=$1 candidate=$2
    if [ -z "$current" ]; then
        echo "$candidate"
        return
    fi
    awk -v a="$current" -v b="$candidate" 'BEGIN {
        split(a, x, " "); split(b, y, " ");
        best = (y[1] + 0 > x[1] + 0) ? b : a; split(best, z, " ");
        printf "%s %s %s %s %s %d %s\n", z[1], z[2], z[3], z[4], z[5], x[6] + y[6], z[7] }'
}

module_result=""
nginx_result=""
for _ in $(seq "$rounds"); do
    module_result=$(best_of "$module_result" "$(bench_module)")
    if [ -n "$nginx_bin" ]; then
        nginx_result=$(best_of "$nginx_result" "$(bench_nginx)")
    fi
done
python_result=$(bench_python)

echo "page: $(stat -c %s "$page") bytes; best of $rounds rounds for WebServer.exe and nginx"
printf '%-22s %12s %9s %9s %9s %9s %7s %12s\n' "server" "requests/s" "p50" "p75" "p90" "p99" \
    "errors" "cpu us/req"
# shellcheck disable=SC2086
report "WebServer.exe" $module_result
if [ -n "$nginx_result" ]; then
    # shellcheck disable=SC2086
    report "nginx (1 worker)" $nginx_result
fi
# shellcheck disable=SC2086
report "python3 -m http.server" $python_result

read -r w_rps _ _ _ _ w_err w_cpu <<<"$module_result"
read -r p_rps _ <<<"$python_result"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "?" }'; }
echo "WebServer.exe / python3: $(ratio "$w_rps" "$p_rps")x"
if [ -z "$nginx_result" ]; then
    echo "nginx is not installed (Debian package 'nginx-light'): no baseline, no verdict."
    exit 0
fi
read -r n_rps _ _ _ _ _ n_cpu <<<"$nginx_result"
echo "WebServer.exe / nginx: $(ratio "$w_rps" "$n_rps")x requests/s," \
    "$(ratio "$n_cpu" "$w_cpu")x nginx's requests per CPU second"
verdict=$(awk -v r="$w_rps" -v n="$n_rps" -v e="$w_err" \
    'BEGIN { print (n > 0 && r >= 0.5 * n && e == 0) ? "met" : "MISSED" }')
echo "target (>= 0.5x nginx, no errors): $verdict"
