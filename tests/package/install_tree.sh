#!/usr/bin/env bash
# install_tree.sh BUILD_DIR VERSION APP_ID
# `cmake --install` with DESTDIR and a prefix installs exactly the programs and
# their data (nothing of the tests, benchmarks or fuzzers), and the tree still
# works after it has been moved elsewhere: data is found relative to the program.
set -euo pipefail
build=$1
version=$2
id=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

DESTDIR="$scratch/dest" cmake --install "$build" --prefix /opt/pg >/dev/null
mv "$scratch/dest/opt/pg" "$scratch/moved"
tree="$scratch/moved"

source "$(dirname "$0")/installed_files.sh"
actual=$(cd "$tree" && find . -mindepth 1 ! -type d | sed 's|^\./||' | LC_ALL=C sort)
if ! diff -u <(installed_files "$id") <(printf '%s\n' "$actual"); then
    echo "the installed files differ from the expected ones (- expected, + installed)" >&2
    exit 1
fi

check() {
    local what=$1 got=$2 want=$3
    if [ "$got" != "$want" ]; then
        printf '%s: got\n%s\nwanted\n%s\n' "$what" "$got" "$want" >&2
        exit 1
    fi
}
check "pagegleaner-cli --version" "$("$tree/bin/pagegleaner-cli" --version)" "pagegleaner-cli $version"
check "pagegleaner --version" "$("$tree/bin/pagegleaner" --version)" "pagegleaner $version"
check "help text of the moved tree" \
    "$("$tree/bin/pagegleaner" --help | sed -n 's/^  help text *//p')" \
    "$(realpath "$tree/share/pagegleaner/faq.fil")"
for page in pagegleaner pagegleaner-cli; do
    gzip -t "$tree/share/man/man1/$page.1.gz"
    zcat "$tree/share/man/man1/$page.1.gz" | grep -q "^\.TH \"$page\" \"1\""
done
echo "install tree of $(installed_files "$id" | wc -l) files, relocatable"
