#!/usr/bin/env bash
# Transfer throughput of the engine, with its progress window shown, next to
# curl and wget, all fetching the same 1 GiB file from nginx on loopback; and
# the engine's peak memory for a 100 MiB and a 1 GiB file.
#
#   bench/run_transfer.sh BUILD_DIR [RUNS]
#
# Needs nginx (/usr/sbin/nginx) and BUILD_DIR/bench/transfer_bench. curl and
# wget are the yardsticks; a missing one is skipped (apt-get install curl wget).
# /usr/bin/time (Debian package time), when present, gives their peak memory.
# Installs nothing. Its files (about 2.2 GiB) go to a temporary folder under
# ${TMPDIR:-/tmp}; that folder and the nginx it starts are removed at the end.
set -euo pipefail

build="${1:-build}"
runs="${2:-5}"
bench="$build/bench/transfer_bench"
nginx_bin=/usr/sbin/nginx

if [[ ! -x "$nginx_bin" ]]; then
    echo "run_transfer.sh: nginx is not installed at $nginx_bin; transfer benchmark skipped" >&2
    exit 0
fi
if [[ ! -x "$bench" ]]; then
    echo "run_transfer.sh: $bench is missing (cmake --build $build --target transfer_bench)" >&2
    exit 1
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/pg-transfer-XXXXXX")"
source "$(dirname "$0")/nginx.sh"
cleanup() {
    bench_stop_nginx
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

now() { date +%s.%N; }

# Runs an external downloader; prints "MB/s peak_kB" (peak "-" without /usr/bin/time).
run_tool() {
    local size="$1" out="$2"
    shift 2
    local start end peak="-"
    start="$(now)"
    if [[ -x /usr/bin/time ]]; then
        /usr/bin/time -f %M -o "$work/time.txt" "$@"
        peak="$(tail -n 1 "$work/time.txt")"
    else
        "$@"
    fi
    end="$(now)"
    check_size "$out" "$size"
    awk -v b="$size" -v s="$start" -v e="$end" -v p="$peak" 'BEGIN { printf "%.1f %s\n", b / (e - s) / 1e6, p }'
}

# Runs the engine; prints "MB/s peak_kB before_kB" as measured inside transfer_bench.
run_engine() {
    local size="$1" url="$2" out="$3" line
    [[ -d "$work/runtime" ]] || mkdir -m 700 "$work/runtime"
    # The batch names the file after the URL's last segment.
    local named="$(dirname "$out")/$(basename "$url")"
    line="$(QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" "$bench" "$url" "$named")"
    mv "$named" "$out"
    check_size "$out" "$size"
    sed -E 's/.*mbps=([0-9.]+).*rss_before_kb=([0-9]+).*hwm_kb=([0-9]+).*/\1 \3 \2/' <<<"$line"
}

check_size() {
    local actual
    actual="$(stat -c %s "$1" 2>/dev/null || echo 0)"
    if [[ "$actual" != "$2" ]]; then
        echo "run_transfer.sh: $1 has $actual bytes, expected $2" >&2
        exit 1
    fi
}


mkdir -p "$work/data" "$work/out"
small=$((100 * 1024 * 1024))
large=$((1024 * 1024 * 1024))
echo "Writing the test files to $work ..."
head -c "$small" /dev/urandom >"$work/data/small.bin"
head -c "$large" /dev/urandom >"$work/data/large.bin"
bench_start_nginx "$work/nginx" "$work/data" "default_type application/octet-stream;"
large_url="http://127.0.0.1:$port/large.bin"
small_url="http://127.0.0.1:$port/small.bin"
out="$work/out/file.bin"

ways=()
for tool in curl wget; do
    if command -v "$tool" >/dev/null; then
        ways+=("$tool")
    else
        echo "$tool is not installed (apt-get install $tool): skipped"
    fi
done
ways+=(engine)

# Fetches url with one way; prints "MB/s peak_kB before_kB" ("-" where not known).
fetch() {
    local way="$1" size="$2" url="$3"
    rm -f "$out"
    sync  # the previous run's writes do not slow this one down
    case "$way" in
        curl) echo "$(run_tool "$size" "$out" curl -sS -o "$out" "$url") -" ;;
        wget) echo "$(run_tool "$size" "$out" wget -q -O "$out" "$url") -" ;;
        engine) run_engine "$size" "$url" "$out" ;;
    esac
}

# An untimed round on the small file warms every way up; the engine's run
# gives its peak memory for 100 MiB.
for way in "${ways[@]}"; do
    read -r _ small_peak small_before <<<"$(fetch "$way" "$small" "$small_url")"
done

declare -A rates peaks
echo "Fetching $large_url, $runs runs per way (nginx, sendfile, loopback) ..."
for run in $(seq "$runs"); do
    # The ways take turns, so a slow moment of the shared machine hits all alike.
    for way in "${ways[@]}"; do
        read -r rate peak before <<<"$(fetch "$way" "$large" "$large_url")"
        if [[ "$way" == engine && "$run" == 1 ]] && ! cmp -s "$out" "$work/data/large.bin"; then
            echo "run_transfer.sh: the engine's copy differs from the served file" >&2
            exit 1
        fi
        rates[$way]+="$rate "
        peaks[$way]+="$peak "
        [[ "$way" == engine ]] && large_before="$before"
    done
done
rm -f "$out"

curl_median=""
[[ " ${ways[*]} " == *" curl "* ]] && curl_median="$(median <<<"${rates[curl]}")"

echo
printf "%-8s %-36s %8s %14s %16s\n" way "MB/s per run" "median" "share of curl" "peak memory MiB"
for way in "${ways[@]}"; do
    med="$(median <<<"${rates[$way]}")"
    share="-"
    [[ -n "$curl_median" ]] && share="$(awk -v a="$med" -v b="$curl_median" 'BEGIN { printf "%.0f%%", 100 * a / b }')"
    peak="$(largest <<<"${peaks[$way]}")"
    [[ "$peak" == "-" ]] || peak="$(awk -v k="$peak" 'BEGIN { printf "%.1f", k / 1024 }')"
    printf "%-8s %-36s %8s %14s %16s\n" "$way" "${rates[$way]}" "$med" "$share" "$peak"
done
echo "(MB = 10^6 bytes; curl and wget timed from outside, the engine inside transfer_bench)"
echo
awk -v s="$small_peak" -v sb="$small_before" -v l="$(largest <<<"${peaks[engine]}")" -v lb="$large_before" 'BEGIN {
    printf "engine peak memory (VmHWM): 100 MiB file %.1f MiB (%.1f before the transfer), 1 GiB file %.1f MiB (%.1f before); growth with the file %+.1f MiB (goal: none)\n",
        s / 1024, sb / 1024, l / 1024, lb / 1024, (l - s) / 1024 }'
if [[ -n "$curl_median" ]]; then
    awk -v a="$(median <<<"${rates[engine]}")" -v b="$curl_median" 'BEGIN {
        printf "engine throughput: %.0f%% of curl (goal: at least 90%%)\n", 100 * a / b }'
fi
