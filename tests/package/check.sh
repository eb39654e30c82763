#!/usr/bin/env bash
# check.sh [DEB]
# Checks the Debian package that `make package` built (pagegleaner_*.deb at the
# top of the tree): its files, owners and modes, control fields, desktop entry,
# AppStream metadata and lintian; then unpacks it into a scratch folder and runs
# both programs from there against a page served on loopback.
set -euo pipefail
cd "$(dirname "$0")/../.."
id=io.github.pagegleaner.Pagegleaner

deb=${1:-$(echo pagegleaner_*.deb)}
[ -f "$deb" ] || { echo "package check: expected one pagegleaner_*.deb, found: $deb" >&2; exit 1; }

scratch=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
    echo "package check FAILED: $*" >&2
    exit 1
}
step() { echo "== $*"; }

version=$(dpkg-deb -f "$deb" Version)
arch=$(dpkg --print-architecture)

step "name, control fields"
[ "$(basename "$deb")" = "pagegleaner_${version}_${arch}.deb" ] || fail "file name $deb"
for field in "Package=pagegleaner" "Section=net" "Architecture=$arch" "Priority=optional"; do
    [ "$(dpkg-deb -f "$deb" "${field%%=*}")" = "${field#*=}" ] || fail "control field $field"
done
for field in Maintainer Description Homepage Installed-Size; do
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "control field $field is empty"
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6webenginewidgets6 libcurl4; do
    grep -qE "(^|, )$lib( |,|$)" <<<"$depends" || fail "Depends does not name $lib"
done

step "file list, owners and modes"
listing=$(dpkg-deb -c "$deb")
files=$(awk '{print $6}' <<<"$listing")
outside=$(grep -vE '^\./(usr/.*)?$' <<<"$files" || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
owners=$(awk '$2 != "root/root"' <<<"$listing")
[ -z "$owners" ] || fail "not owned by root: $owners"
modes=$(awk '!($1 == "drwxr-xr-x" || $1 == "-rw-r--r--" ||
              ($1 == "-rwxr-xr-x" && $6 ~ /^\.\/usr\/bin\//))' <<<"$listing")
[ -z "$modes" ] || fail "unexpected modes: $modes"
source tests/package/installed_files.sh
if ! diff -u <(installed_files "$id" | sed 's|^|./usr/|') <(grep -v '/$' <<<"$files" | LC_ALL=C sort); then
    fail "the package's files differ from the expected ones (- expected, + packaged)"
fi

step "desktop entry, AppStream metadata"
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/$id.desktop"
grep -qx 'Exec=pagegleaner %u' "$root/usr/share/applications/$id.desktop" || fail "Exec line"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$id.metainfo.xml" ||
    fail "the AppStream release is not $version"

step "lintian"
lintian --fail-on error --display-level '>=warning' "$deb" || fail "lintian reports errors"

step "programs run from the unpacked package"
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/config" XDG_DATA_HOME="$scratch/home/data"
export XDG_CACHE_HOME="$scratch/home/cache" XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -p "$HOME" && mkdir -m 0700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY
bin="$root/usr/bin"
for program in pagegleaner pagegleaner-cli; do
    if readelf -d "$bin/$program" | grep -qE 'RPATH|RUNPATH'; then
        fail "$program carries a library search path"
    fi
    if ldd "$bin/$program" | grep -q 'not found'; then
        fail "$program misses libraries: $(ldd "$bin/$program" | grep 'not found')"
    fi
    [ "$("$bin/$program" --version)" = "$program $version" ] || fail "$program --version"
done
help_text=$("$bin/pagegleaner" --help | sed -n 's/^  help text *//p')
[ "$help_text" = "$(realpath "$root/usr/share/pagegleaner/faq.fil")" ] ||
    fail "the unpacked program looks for its help text at '$help_text'"

site="$scratch/site"
mkdir -p "$site/files"
printf '<html><body><a href="files/a.gif">a</a> <img src="files/b.jpg"> <a href="files/c.zip">c</a></body></html>\n' \
    >"$site/index.html"
printf 'GIF89a-a' >"$site/files/a.gif"
printf 'JPEG-b' >"$site/files/b.jpg"
printf 'PK-c' >"$site/files/c.zip"
/usr/bin/python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$site" >"$scratch/http.log" 2>&1 &
pids+=($!)
port=
for _ in $(seq 100); do
    port=$(sed -n 's/.*port \([0-9][0-9]*\).*/\1/p' "$scratch/http.log" | head -1)
    [ -n "$port" ] && break
    sleep 0.1
done
[ -n "$port" ] || fail "the page server did not start: $(cat "$scratch/http.log")"
page="http://127.0.0.1:$port/index.html"

listed=$("$bin/pagegleaner-cli" list "$page")
[ "$listed" = "$(printf 'http://127.0.0.1:%s/files/a.gif\nhttp://127.0.0.1:%s/files/b.jpg' "$port" "$port")" ] ||
    fail "pagegleaner-cli list printed: $listed"
"$bin/pagegleaner-cli" get --dir "$scratch/got" --types zip "$page" 2>"$scratch/get.log" ||
    fail "pagegleaner-cli get: $(cat "$scratch/get.log")"
cmp "$scratch/got/c.zip" "$site/files/c.zip" || fail "pagegleaner-cli get wrote another c.zip"

QT_QPA_PLATFORM=offscreen "$bin/pagegleaner" "$page" >"$scratch/gui.log" 2>&1 &
gui=$!
pids+=("$gui")
sleep 5
kill -0 "$gui" 2>/dev/null || fail "pagegleaner ended at start: $(cat "$scratch/gui.log")"
kill "$gui"
echo "pagegleaner stayed up for 5 s"

# On a display of its own: the page given on the command line is scanned, and
# the current entry is previewed through the browser engine that the Qt
# installation brings (QtWebEngineProcess), not one beside the program.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$scratch/display" 2>"$scratch/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || fail "Xvfb did not start: $(cat "$scratch/xvfb.log")"
export DISPLAY=":$(cat "$scratch/display")"
"$bin/pagegleaner" "$page" >"$scratch/gui-x.log" 2>&1 &
gui=$!
pids+=("$gui")
main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Pagegleaner [0-9]' | head -1)
[ -n "$main" ] || fail "no main window: $(cat "$scratch/gui-x.log")"
# Extract, then Select All, which makes the first entry the current one.
xdotool windowfocus --sync "$main" key --delay 200 alt+e
sleep 2
xdotool windowfocus --sync "$main" key --delay 200 alt+s
engine=
for _ in $(seq 60); do
    for child in $(pgrep -P "$gui"); do
        exe=$(readlink "/proc/$child/exe" || true)
        [[ $exe == */QtWebEngineProcess ]] && engine=$exe && break 2
    done
    sleep 0.5
done
[ -n "$engine" ] || fail "the preview started no QtWebEngineProcess: $(cat "$scratch/gui-x.log")"
[[ $engine != "$root"/* ]] || fail "QtWebEngineProcess came from the unpacked tree: $engine"
echo "preview through $engine"
kill -0 "$gui" 2>/dev/null || fail "pagegleaner ended: $(cat "$scratch/gui-x.log")"

echo "package check passed: $deb"
