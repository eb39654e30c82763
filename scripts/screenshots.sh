#!/usr/bin/env bash
# screenshots.sh [BIN_DIR [OUT_DIR]]
# Takes the README's and the AppStream file's screenshots: starts the program
# (build/bin by default, /usr/bin for the installed one) on a private Xvfb
# display against a gallery page that it serves itself on loopback, drives the
# windows by keyboard with xdotool and writes into OUT_DIR (default docs/):
#   main-window.png      the main window with a list and the preview
#   recent-urls.png      the Recent URL List
#   options.png          the Options dialog
#   progress-window.png  a file being downloaded
# Needs Xvfb, xdotool, ImageMagick (import, convert) and Debian's python3.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/bin}")
out=$(realpath "${2:-docs}")
display=${SCREENSHOT_DISPLAY:-:57}
magick=/usr/bin/convert

# A fixed folder, so that the download folder shown reads well.
scratch=/tmp/pagegleaner-screenshots
rm -rf "$scratch"
mkdir -p "$scratch"
pids=()
cleanup() {
    local status=$?
    if [ "$status" -ne 0 ] && [ -f "$scratch/program.log" ]; then
        echo "screenshots failed; the program said:" >&2
        cat "$scratch/program.log" >&2
    fi
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$scratch"
}
trap cleanup EXIT

# The gallery: pictures, a document and a large video that the server sends slowly.
site="$scratch/site/gallery"
mkdir -p "$site"
names=(harbour lighthouse meadow orchard glacier canyon dunes lagoon)
colours=(SteelBlue:Navy Gold:OrangeRed YellowGreen:DarkGreen Orange:Brown LightCyan:SteelBlue
    Tan:Sienna Khaki:Peru Turquoise:Teal)
links=
for i in "${!names[@]}"; do
    name=${names[i]}
    "$magick" -size 480x320 "gradient:${colours[i]%%:*}-${colours[i]##*:}" \
        -fill white -font DejaVu-Sans-Bold -pointsize 44 -gravity center -annotate 0 "${name^}" \
        "$site/$name.jpg"
    links+="<a href=\"$name.jpg\"><img src=\"$name.jpg\" width=\"120\"></a>"
done
head -c 30000000 /dev/zero >"$site/holiday-film.mpeg"
printf '%%PDF-1.4\n%%stand-in\n' >"$site/guide.pdf"
links+='<a href="holiday-film.mpeg">film</a> <a href="guide.pdf">guide</a> <a href="../about.html">about</a>'
printf '<html><head><title>Gallery</title></head><body>%s</body></html>\n' "$links" >"$site/index.html"

cat >"$scratch/serve.py" <<'PY'
import functools, http.server, sys, time

class Handler(http.server.SimpleHTTPRequestHandler):
    def copyfile(self, source, target):
        if not self.path.endswith(".mpeg"):
            return super().copyfile(source, target)
        try:
            while chunk := source.read(16384):  # about 300 KB/s, so a transfer can be seen
                target.write(chunk)
                time.sleep(0.05)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the transfer was cancelled

    def log_message(self, *args):
        pass

server = http.server.ThreadingHTTPServer(("127.0.0.1", 0),
                                         functools.partial(Handler, directory=sys.argv[1]))
print(server.server_address[1], flush=True)
server.serve_forever()
PY
/usr/bin/python3 -u "$scratch/serve.py" "$scratch/site" >"$scratch/port" &
pids+=($!)
for _ in $(seq 100); do [ -s "$scratch/port" ] && break; sleep 0.1; done
port=$(head -1 "$scratch/port")
page="http://127.0.0.1:$port/gallery/index.html"

# A user of its own: the last job and some recent pages.
export HOME="$scratch/home/ann" XDG_CONFIG_HOME="$scratch/home/ann/.config"
export XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -p "$XDG_CONFIG_HOME/Pagegleaner" "$XDG_DATA_HOME/Pagegleaner" "$HOME/Pictures/gallery"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
cat >"$XDG_CONFIG_HOME/Pagegleaner/Pagegleaner.conf" <<CONF
[Options]
URL=$page
DDir=$HOME/Pictures/gallery
All=0
FTypes="jpg,png,mpeg"
User=
Pwd=
Hide=0
CONF
{
    printf '%s|%s|0|jpg,png,mpeg|||\r\n' "$page" "$HOME/Pictures/gallery"
    printf 'https://photos.example.org/2024/summer/|%s|0|jpg|||\r\n' "$HOME/Pictures/summer"
    printf 'https://www.example.com/wallpapers/|%s|0|png,jpg|||\r\n' "$HOME/Pictures/wallpapers"
    printf 'ftp://ftp.example.net/pub/manuals/|%s|0|pdf|||\r\n' "$HOME/Documents/manuals"
    printf 'https://downloads.example.org/tools/|%s|1|exe,zip|||\r\n' "$HOME/Downloads"
} >"$XDG_DATA_HOME/Pagegleaner/urls.txt"

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
"$magick" -size 1280x1024 xc:'#3c4a5c' "$scratch/background.png"

unset WAYLAND_DISPLAY
"$bin/pagegleaner" >"$scratch/program.log" 2>&1 &
pids+=($!)

# Windows are looked up by title each time: the main window is re-created
# while the Recent URL List is shown.
window() { timeout 30 xdotool search --sync --onlyvisible --name "$1" | head -1; }
keys() {
    local target
    target=$(window "$1")
    shift
    xdotool windowfocus --sync "$target"
    xdotool key --delay 120 "$@"
}
shot() {
    sleep "${3:-1}"
    import -window "$(window "$1")" "$out/$2"
    echo "wrote $out/$2"
}

main='^Pagegleaner [0-9]'
window "$main" >/dev/null
sleep 2
# Recent URL List: the "..." button after Text1 and "Get URL From Browser";
# closing it leaves the focus on that button.
keys "$main" Tab Tab space
shot 'Recent URL List' recent-urls.png
keys 'Recent URL List' Escape

# Extract, then nine steps on to the list: check three pictures, preview the third.
keys "$main" alt+e
sleep 3
keys "$main" Tab Tab Tab Tab Tab Tab Tab Tab Tab Down space Down Down space Down space Up
shot "$main" main-window.png 4

keys "$main" alt+o
shot 'Pagegleaner - Options' options.png
keys 'Pagegleaner - Options' Escape

# The film is the last entry: check it alone and download it.
keys "$main" alt+u End space alt+d
shot 'holiday-film|^Pagegleaner$' progress-window.png 4
keys 'holiday-film|^Pagegleaner$' Tab space
sleep 2
