# Shared by the benchmark scripts (sourced): nginx on loopback serving a folder
# from a private prefix, the check for what a script needs, and small helpers
# for figures.
#
#   bench_start_nginx PREFIX ROOT [EXTRA_HTTP_DIRECTIVES]
# sets $port and $nginx_pid; bench_stop_nginx ends it. Needs /usr/sbin/nginx.

# bench_require FILE... -- COMMAND...: ends the script unless every FILE is an
# executable and every COMMAND is on the PATH.
bench_require() {
    local script want_files=1 need
    script="$(basename "$0")"
    for need in "$@"; do
        if [[ "$need" == -- ]]; then
            want_files=0
        elif ((want_files)) && [[ ! -x "$need" ]]; then
            echo "$script: $need is missing" >&2
            exit 1
        elif ((!want_files)) && ! command -v "$need" >/dev/null; then
            echo "$script: $need is not installed" >&2
            exit 1
        fi
    done
}

bench_free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

bench_start_nginx() {
    local prefix="$1" root="$2" extra="${3:-}"
    mkdir -p "$prefix/logs" "$prefix/tmp"
    for _ in 1 2 3 4 5; do  # another program may take the free port first
        port="$(bench_free_port)"
        {
            [[ "$(id -u)" == 0 ]] && echo "user root;"
            cat <<CONF
worker_processes 1;
daemon off;
pid "$prefix/nginx.pid";
lock_file "$prefix/nginx.lock";
error_log "$prefix/logs/error.log" notice;
events { worker_connections 256; }
http {
    access_log off;
    client_body_temp_path "$prefix/tmp/client_body";
    proxy_temp_path "$prefix/tmp/proxy";
    fastcgi_temp_path "$prefix/tmp/fastcgi";
    uwsgi_temp_path "$prefix/tmp/uwsgi";
    scgi_temp_path "$prefix/tmp/scgi";
    sendfile on;
    $extra
    server {
        listen 127.0.0.1:$port;
        root "$root";
    }
}
CONF
        } >"$prefix/nginx.conf"
        rm -f "$prefix/nginx.pid"
        /usr/sbin/nginx -p "$prefix/" -c "$prefix/nginx.conf" -e "$prefix/logs/error.log" \
            >"$prefix/console.log" 2>&1 &
        nginx_pid=$!
        for _ in $(seq 200); do
            if [[ "$(cat "$prefix/nginx.pid" 2>/dev/null)" == "$nginx_pid" ]] &&
                (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
                return 0
            fi
            kill -0 "$nginx_pid" 2>/dev/null || break
            sleep 0.05
        done
        bench_stop_nginx
        grep -q "Address already in use" "$prefix/logs/error.log" 2>/dev/null || break
    done
    echo "nginx did not start:" >&2
    cat "$prefix/logs/error.log" "$prefix/console.log" >&2 2>/dev/null || true
    exit 1
}

bench_stop_nginx() {
    if [[ -n "${nginx_pid:-}" ]]; then
        kill -TERM "$nginx_pid" 2>/dev/null || true
        wait "$nginx_pid" 2>/dev/null || true
        nginx_pid=""
    fi
}

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
largest() { tr ' ' '\n' | grep -v '^$' | sort -g | tail -n 1; }
