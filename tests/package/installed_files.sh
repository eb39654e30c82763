# installed_files APP_ID: every file that an installation brings, relative to
# its prefix, sorted. Shared by the install tree test and the package check.
installed_files() {
    local id=$1 size
    {
        printf '%s\n' bin/pagegleaner bin/pagegleaner-cli share/pagegleaner/faq.fil \
            "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
            "share/icons/hicolor/scalable/apps/$id.svg" \
            share/man/man1/pagegleaner.1.gz share/man/man1/pagegleaner-cli.1.gz \
            share/bash-completion/completions/pagegleaner-cli \
            share/doc/pagegleaner/copyright share/doc/pagegleaner/changelog.gz
        for size in 16 24 32 48 64 128 256; do
            echo "share/icons/hicolor/${size}x${size}/apps/$id.png"
        done
    } | LC_ALL=C sort
}
