#!/usr/bin/env bash
# The page scan, the window's list and many small files, each next to a
# yardstick, all in one run against nginx on loopback:
#
#   bench/run_scan.sh BUILD_DIR [RUNS]
#
# - `pagegleaner-cli list --all` on a 100 MB page (one <p> of filler text, an
#   <a href> and an <img src> per line; about 150,000 distinct links among
#   300,000): seconds, MB/s and peak memory, beside `curl -o /dev/null` and
#   `curl | grep -oiE '(href|src)=...' | sort -u` on the same page;
# - the same command on a 100 MB page of distinct links (about 4 million):
#   peak memory, and how many bytes that is a link beside the bytes of a URL;
# - the same command on a packed page (2 MB) that unpacks to 2 GiB: refused at
#   1 GiB, with the time and memory that took;
# - the main window (offscreen) listing a page of 1,000,000 links, and Select
#   All, Unselect All and Select All Containing on 100,000 entries;
# - `pagegleaner-cli get` on 2,000 files of 1 to 50 KB beside `wget -i` over
#   the same URLs, in files per second.
#
# Times are medians of RUNS (default 3); the ways take turns. Needs nginx,
# python3, curl, wget and /usr/bin/time (Debian package time), and
# BUILD_DIR/bin/pagegleaner-cli and BUILD_DIR/bench/window_bench. Installs
# nothing; its files (about 0.3 GB) go to a temporary folder under
# ${TMPDIR:-/tmp}, removed at the end with the nginx it starts.
set -euo pipefail

build="${1:-build}"
runs="${2:-3}"
here="$(cd "$(dirname "$0")" && pwd)"
cli="$build/bin/pagegleaner-cli"
window_bench="$build/bench/window_bench"
nginx_bin=/usr/sbin/nginx

source "$here/nginx.sh"
bench_require "$nginx_bin" /usr/bin/time "$cli" "$window_bench" -- python3 curl wget gzip

work="$(mktemp -d "${TMPDIR:-/tmp}/pg-scan-XXXXXX")"
cleanup() {
    bench_stop_nginx
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "Writing the pages and files to $work ..."
python3 "$here/make_pages.py" "$work/data" 100 2000
head -c $((2 * 1024 * 1024 * 1024)) /dev/zero | gzip -9 >"$work/data/packed.html.gz"
page_bytes="$(stat -c %s "$work/data/scan.html")"

bench_start_nginx "$work/nginx" "$work/data" "default_type text/html; gzip_static on;"
base="http://127.0.0.1:$port"
sed "s|^|$base/|" "$work/data/small.txt" >"$work/small-urls.txt"

now() { date +%s.%N; }

# Runs a command with stdout to $work/out.txt; prints "seconds peak_kB exit".
timed() {
    local start end status=0
    start="$(now)"
    /usr/bin/time -f %M -o "$work/time.txt" "$@" >"$work/out.txt" 2>"$work/err.txt" || status=$?
    end="$(now)"
    awk -v s="$start" -v e="$end" -v p="$(tail -n 1 "$work/time.txt")" -v x="$status" \
        'BEGIN { printf "%.3f %s %s\n", e - s, p, x }'
}

grep_links() {
    curl -s "$1" | LC_ALL=C grep -oiE '(href|src)=("[^"]*"|[^ >]*)' | LC_ALL=C sort -u
}
export -f grep_links

declare -A seconds peaks counts
ways=(curl grep list)
echo "Scanning $base/scan.html ($page_bytes bytes), $runs runs per way ..."
for _ in $(seq "$runs"); do
    for way in "${ways[@]}"; do
        case "$way" in
            curl) read -r s p x <<<"$(timed curl -s -o /dev/null "$base/scan.html")" ;;
            grep) read -r s p x <<<"$(timed bash -c 'grep_links "$0"' "$base/scan.html")" ;;
            list) read -r s p x <<<"$(timed "$cli" list --all "$base/scan.html")" ;;
        esac
        [[ "$x" == 0 ]] || { echo "run_scan.sh: $way failed:" >&2; cat "$work/err.txt" >&2; exit 1; }
        seconds[$way]+="$s "
        peaks[$way]+="$p "
        counts[$way]="$(wc -l <"$work/out.txt")"
    done
done

echo
printf "%-52s %8s %8s %10s %10s %8s\n" "way (same page, nginx on loopback)" seconds "MB/s" "peak MiB" "peak/page" lines
for way in "${ways[@]}"; do
    case "$way" in
        curl) name="curl -o /dev/null" ;;
        grep) name="curl | LC_ALL=C grep -oiE '(href|src)=...' | sort -u" ;;
        list) name="pagegleaner-cli list --all" ;;
    esac
    s="$(median <<<"${seconds[$way]}")"
    p="$(median <<<"${peaks[$way]}")"
    awk -v n="$name" -v s="$s" -v p="$p" -v b="$page_bytes" -v c="${counts[$way]}" 'BEGIN {
        printf "%-52s %8.3f %8.0f %10.1f %10.2f %8s\n", n, s, b / s / 1e6, p / 1024, p * 1024 / b, (n ~ /curl -o/) ? "-" : c }'
done
echo "(MB = 10^6 bytes; grep counts attribute texts, list the distinct file URLs)"

# Memory a link takes: the peak beyond that of a page of a few links.
unique_peaks=""
for _ in $(seq "$runs"); do
    read -r s p x <<<"$(timed "$cli" list --all "$base/unique.html")"
    [[ "$x" == 0 ]] || { echo "run_scan.sh: list of unique.html failed:" >&2; cat "$work/err.txt" >&2; exit 1; }
    unique_peaks+="$p "
done
links="$(wc -l <"$work/out.txt")"
url_bytes="$(($(wc -c <"$work/out.txt") - links))"
read -r s small_peak x <<<"$(timed "$cli" list --all "$base/small.html")"
awk -v p="$(median <<<"$unique_peaks")" -v b="$small_peak" -v n="$links" -v u="$url_bytes" 'BEGIN {
    printf "\nunique.html, %d distinct links (a URL: %.1f bytes): peak %.1f MiB, %.1f bytes a link above the %.1f MiB of a small page\n",
        n, u / n, p / 1024, (p - b) * 1024 / n, b / 1024 }'

read -r s p x <<<"$(timed "$cli" list --all "$base/packed.html")"
printf "\npacked page (%s bytes) that unpacks to 2 GiB: exit %s after %.2f s, peak %.1f MiB: %s\n" \
    "$(stat -c %s "$work/data/packed.html.gz")" "$x" "$s" "$(awk -v p="$p" 'BEGIN { print p / 1024 }')" \
    "$(head -n 1 "$work/err.txt")"

echo
echo "The main window, offscreen (window_bench; the page from memory):"
declare -A window window_entries
for _ in $(seq "$runs"); do
    while read -r name entries ms; do
        window[$name]+="${ms#*=} "
        window_entries[$name]="${entries#entries=}"
    done < <(QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" "$window_bench" 1000000 100000)
done
for name in extract select_all unselect_all select_containing; do
    printf "  %-18s %8s entries %8s ms\n" "$name" "${window_entries[$name]}" "$(median <<<"${window[$name]}")"
done
printf "  listing raised the peak memory by %s bytes a link\n" \
    "$(median <<<"${window[link_bytes]}")"

echo
echo "Many small files: $(wc -l <"$work/small-urls.txt") files of 1 to 50 KB, $runs runs per way ..."
declare -A rates
for _ in $(seq "$runs"); do
    for way in wget get; do
        rm -rf "$work/got"
        mkdir -p "$work/got"
        case "$way" in
            wget) read -r s p x <<<"$(timed wget -q -i "$work/small-urls.txt" -P "$work/got")" ;;
            get) read -r s p x <<<"$(timed "$cli" get --dir "$work/got" --all --log "$work/get.log" \
                    "$base/small.html")" ;;
        esac
        files="$(find "$work/got" -type f | wc -l)"
        if [[ "$x" != 0 || "$files" != 2000 ]]; then
            echo "run_scan.sh: $way ended with $x and $files files" >&2
            exit 1
        fi
        rates[$way]+="$(awk -v s="$s" 'BEGIN { printf "%.0f", 2000 / s }') "
    done
done
wget_rate="$(median <<<"${rates[wget]}")"
get_rate="$(median <<<"${rates[get]}")"
printf "  %-28s %8s files/s (runs: %s)\n" "wget -i LIST" "$wget_rate" "${rates[wget]}"
printf "  %-28s %8s files/s (runs: %s)\n" "pagegleaner-cli get --all" "$get_rate" "${rates[get]}"
awk -v a="$get_rate" -v b="$wget_rate" 'BEGIN { printf "  get / wget: %.2f\n", a / b }'
