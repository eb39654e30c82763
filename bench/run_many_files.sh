#!/usr/bin/env bash
# Many small files, `pagegleaner-cli get` beside `wget -i` and
# `curl --parallel --parallel-max 6` over the same URLs, all in one run:
#
#   bench/run_many_files.sh BUILD_DIR [RUNS]
#
# (a) 300 files of 1 to 50 KB from nginx behind BUILD_DIR/bench/latency_proxy,
#     which delays each direction by 10 ms (a 20 ms round trip); get fetches
#     the page that links them through the proxy too (its time includes that
#     page, one request more than the others make);
# (b) 2,000 such files from nginx on plain loopback;
# (c) the memory of get on a page of 100,000 links to tiny files (one run):
#     its resident memory when the first file appears in the folder, its last
#     sample before it exits, and its peak.
#
# get runs with --parallel 6 when its --help lists that option, else as it is;
# the output says which. Every run starts with an empty folder and must end
# with every file there at its size, so that no way is timed while failing.
# Figures are medians of RUNS (default 5); the ways take turns. Needs nginx,
# python3, curl, wget, pgrep and /usr/bin/time (Debian package time). Installs
# nothing; its files (about 0.2 GB) go to a temporary folder under
# ${TMPDIR:-/tmp}, removed at the end with the servers it starts.
set -euo pipefail

build="${1:-build}"
runs="${2:-5}"
here="$(cd "$(dirname "$0")" && pwd)"
cli="$build/bin/pagegleaner-cli"
proxy="$build/bench/latency_proxy"
delay_ms=10
links=100000

source "$here/nginx.sh"
bench_require /usr/sbin/nginx /usr/bin/time "$cli" "$proxy" -- python3 curl wget pgrep

work="$(mktemp -d "${TMPDIR:-/tmp}/pg-many-XXXXXX")"
proxy_pid=""
cleanup() {
    if [[ -n "$proxy_pid" ]]; then
        kill "$proxy_pid" 2>/dev/null || true
        wait "$proxy_pid" 2>/dev/null || true
    fi
    bench_stop_nginx
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

now() { date +%s.%N; }
load() { cut -d ' ' -f 1-3 /proc/loadavg; }

get_options=()
if "$cli" --help 2>&1 | grep -q -- '--parallel'; then
    get_options=(--parallel 6)
    get_name="pagegleaner-cli get --all --parallel 6"
else
    get_name="pagegleaner-cli get --all (no --parallel)"
fi

echo "Writing the files to $work ... (load average $(load))"
python3 "$here/make_pages.py" "$work/data/a" 0 300 >/dev/null
python3 "$here/make_pages.py" "$work/data/b" 0 2000 >/dev/null
bench_start_nginx "$work/nginx" "$work/data" "keepalive_requests 100000;"

"$proxy" --upstream "127.0.0.1:$port" --delay-ms "$delay_ms" >"$work/proxy.port" &
proxy_pid=$!
for _ in $(seq 200); do
    [[ -s "$work/proxy.port" ]] && break
    sleep 0.01
done
proxy_port="$(head -n 1 "$work/proxy.port")"
[[ -n "$proxy_port" ]] || { echo "run_many_files.sh: latency_proxy did not start" >&2; exit 1; }

# Runs a command with its output to $work/out.txt and $work/err.txt; prints
# "seconds exit".
timed() {
    local start end status=0
    start="$(now)"
    "$@" >"$work/out.txt" 2>"$work/err.txt" || status=$?
    end="$(now)"
    awk -v s="$start" -v e="$end" -v x="$status" 'BEGIN { printf "%.3f %s\n", e - s, x }'
}

# Fetches the files of SET (a or b) from BASE with each way, RUNS times, and
# prints the table. The page is BASE/SET/small.html, the list BASE/SET/small.txt.
many_files() {
    local set="$1" base="$2" title="$3"
    local count got="$work/got" s x
    count="$(wc -l <"$work/data/$set/small.txt")"
    sed "s|^|$base/$set/|" "$work/data/$set/small.txt" >"$work/urls.txt"
    (cd "$work/data/$set/small" && find . -type f -printf '%f %s\n' | LC_ALL=C sort) >"$work/want.txt"
    local -A seconds=()
    local ways=(get wget curl)
    echo
    echo "$title: $count files of 1 to 50 KB, $runs runs per way ..."
    for _ in $(seq "$runs"); do
        for way in "${ways[@]}"; do
            rm -rf "$got"
            mkdir -p "$got"
            case "$way" in
                get) read -r s x <<<"$(timed "$cli" get --dir "$got" --all "${get_options[@]}" \
                        --log "$work/get.log" "$base/$set/small.html")" ;;
                wget) read -r s x <<<"$(timed wget -q -i "$work/urls.txt" -P "$got")" ;;
                curl) read -r s x <<<"$(timed curl -s --fail --parallel --parallel-max 6 \
                        --remote-name-all --output-dir "$got" --config <(sed 's/^/url = /' \
                        "$work/urls.txt"))" ;;
            esac
            (cd "$got" && find . -type f -printf '%f %s\n' | LC_ALL=C sort) >"$work/have.txt"
            if [[ "$x" != 0 ]] || ! cmp -s "$work/want.txt" "$work/have.txt"; then
                echo "run_many_files.sh: $way ended with $x and $(wc -l <"$work/have.txt") files;" \
                    "missing or of another size:" >&2
                LC_ALL=C comm -23 "$work/want.txt" "$work/have.txt" | head -n 5 >&2
                head -n 5 "$work/err.txt" >&2
                exit 1
            fi
            seconds[$way]+="$s "
        done
    done
    local -A median_of=()
    printf "  %-44s %8s %8s   %s\n" way seconds files/s "runs (seconds)"
    for way in "${ways[@]}"; do
        median_of[$way]="$(median <<<"${seconds[$way]}")"
        case "$way" in
            get) name="$get_name" ;;
            wget) name="wget -q -i LIST" ;;
            curl) name="curl --parallel --parallel-max 6" ;;
        esac
        awk -v n="$name" -v s="${median_of[$way]}" -v c="$count" -v r="${seconds[$way]}" \
            'BEGIN { printf "  %-44s %8.3f %8.0f   %s\n", n, s, c / s, r }'
    done
    awk -v g="${median_of[get]}" -v w="${median_of[wget]}" -v c="${median_of[curl]}" 'BEGIN {
        printf "  get / wget, files per second: %.2f\n", w / g
        printf "  curl seconds / get seconds:   %.2f\n", c / g }'
}

# One small request, the median of five, with and without the proxy.
request_ms() {
    for _ in 1 2 3 4 5; do
        curl -s -o /dev/null -w '%{time_total} ' "http://127.0.0.1:$1/a/small/f0.bin"
    done | median | awk '{ printf "%.1f", $1 * 1000 }'
}
echo "latency_proxy delays each direction by $delay_ms ms: one request takes" \
    "$(request_ms "$proxy_port") ms through it, $(request_ms "$port") ms without"

many_files a "http://127.0.0.1:$proxy_port" "(a) over latency_proxy, 20 ms round trip"
many_files b "http://127.0.0.1:$port" "(b) nginx on plain loopback"

# (c) One nginx location answers every missing name with the same 1-byte file,
# so a page can link 100,000 distinct files that need no room on the server.
kill "$proxy_pid" 2>/dev/null || true
wait "$proxy_pid" 2>/dev/null || true
proxy_pid=""
bench_stop_nginx
rm -rf "$work/data" "$work/got"
mkdir -p "$work/tiny"
printf x >"$work/tiny/x.bin"
awk -v n="$links" 'BEGIN { for (i = 0; i < n; i++) printf "<a href=\"t/f%d.bin\">f%d</a>\n", i, i }' \
    >"$work/tiny/links.html"
bench_start_nginx "$work/nginx-tiny" "$work/tiny" \
    "keepalive_requests 1000000; log_not_found off; error_page 404 =200 /x.bin;"

# Resident memory of a process in kB (empty once it has exited).
rss_of() {
    local key value rest
    rss=""
    while read -r key value rest; do
        if [[ "$key" == VmRSS: ]]; then
            rss="$value"
            return
        fi
    done 2>/dev/null <"/proc/$1/status" || true
}

echo
echo "(c) memory of get on a page of $links links to 1-byte files (loopback, one run) ..."
got="$work/got"
mkdir -p "$got"
start="$(now)"
/usr/bin/time -f %M -o "$work/time.txt" "$cli" get --dir "$got" --all "${get_options[@]}" \
    --log "$work/get.log" "http://127.0.0.1:$port/links.html" >/dev/null 2>"$work/err.txt" &
timer_pid=$!
get_pid=""
for _ in $(seq 500); do
    get_pid="$(pgrep -P "$timer_pid" || true)"
    [[ -n "$get_pid" ]] && break
    sleep 0.01
done
first_rss="" first_at="" last_rss="" rss=""
while [[ -n "$get_pid" ]] && kill -0 "$get_pid" 2>/dev/null; do
    if [[ -z "$first_rss" ]] && compgen -G "$got/*" >/dev/null; then
        rss_of "$get_pid"
        first_rss="$rss"
        first_at="$(now)"
    else
        rss_of "$get_pid"
    fi
    [[ -n "$rss" ]] && last_rss="$rss"
    sleep 0.02
done
status=0
wait "$timer_pid" || status=$?
end="$(now)"
files="$(find "$got" -type f | wc -l)"
if [[ "$status" != 0 || "$files" != "$links" ]]; then
    echo "run_many_files.sh: get ended with $status and $files files" >&2
    head -n 5 "$work/err.txt" >&2
    exit 1
fi
awk -v f="$first_rss" -v l="$last_rss" -v p="$(tail -n 1 "$work/time.txt")" -v s="$start" \
    -v a="$first_at" -v e="$end" -v n="$links" -v name="$get_name" 'BEGIN {
    printf "  %s: %d files in %.1f s (the first after %.2f s)\n", name, n, e - s, a - s
    printf "  resident memory when the first file appears: %6.1f MiB\n", f / 1024
    printf "  resident memory just before it exits:        %6.1f MiB\n", l / 1024
    printf "  peak (/usr/bin/time %%M):                     %6.1f MiB\n", p / 1024 }'
echo
echo "Load average at the end: $(load) (2 cores; compare the ways within one run)"
