#!/usr/bin/env bash
# The Debian package as apt would unpack it: built with CPack from the
# existing build folder (nothing is compiled again), extracted with
# dpkg-deb into a clean folder, then its files, its declared dependencies,
# its manual pages and its programs are checked.
# Usage: check_package.sh BUILD_DIR
set -uo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() {   # check DESCRIPTION COMMAND...
    local description="$1"
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        echo "FAILED: $description"
        failed=$((failed + 1))
    fi
}

if ! cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "0 passed, 1 failed"
    exit 1
fi
debs=("$work"/out/tagmint_*_amd64.deb)
deb="${debs[0]}"
root="$work/root"
mkdir "$root"
dpkg-deb -x "$deb" "$root"

# Exactly the programs and their desktop files, nothing from the build.
expected="usr/bin/tagmint
usr/bin/tagmint-cli
usr/share/applications/tagmint.desktop
usr/share/icons/hicolor/scalable/apps/tagmint.svg
usr/share/man/man1/tagmint-cli.1.gz
usr/share/man/man1/tagmint.1.gz
usr/share/tagmint/network-keys.json"
contents="$(cd "$root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)"
check "package contents are
$expected
but were
$contents" test "$contents" == "$expected"
check "programs are executable" test -x "$root/usr/bin/tagmint" -a -x "$root/usr/bin/tagmint-cli"
check "programs are stripped" bash -c "! readelf -S '$root/usr/bin/tagmint' | grep -q debug_info"

# Declared dependencies: Debian runtime packages only, the ones the
# programs link.
depends="$(dpkg-deb -f "$deb" Depends)"
for needed in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libtag1v5 libavformat59 \
              libavcodec59 libavutil57 libswresample4 libmpg123-0 libcurl4; do
    check "Depends names $needed: $depends" grep -qE "(^|, )$needed( |,|$)" <<<"$depends"
done
for package in $(sed 's/([^)]*)//g; s/|/,/g; s/,/ /g' <<<"$depends"); do
    check "$package is no development package" test "${package%-dev}" == "$package"
    check "$package is a package of this system" dpkg-query -W "$package" >/dev/null 2>&1
done
check "Recommends the portal theme" grep -q qt6-xdgdesktopportal-platformtheme <<<"$(dpkg-deb -f "$deb" Recommends)"
check "package name and architecture" test "$(dpkg-deb -f "$deb" Package) $(dpkg-deb -f "$deb" Architecture)" == "tagmint amd64"

# The desktop file opens the supported types.
desktop="$root/usr/share/applications/tagmint.desktop"
check "desktop file runs tagmint with files" grep -qx 'Exec=tagmint %F' "$desktop"
for type in audio/mpeg audio/mp4 audio/x-wav audio/x-aiff audio/flac audio/ogg audio/x-opus+ogg \
        audio/x-wavpack audio/x-ape audio/x-musepack audio/x-tta audio/x-ms-wma; do
    check "desktop file claims $type" grep -q "^MimeType=.*$type;" "$desktop"
done

# The unpacked command-line program runs, and its manual page has a
# section for every command and mentions every option its help names.
help="$("$root/usr/bin/tagmint-cli" --help)"
check "tagmint-cli --help runs" test $? -eq 0 -a -n "$help"
page="$(gzip -dc "$root/usr/share/man/man1/tagmint-cli.1.gz")"
commands="$(sed -n 's/^  tagmint-cli \([a-z-]\+\( [a-z]\+\)\?\).*/\1/p' <<<"$help" | sed 's/ [A-Z].*//')"
check "the help names commands" test -n "$commands"
while read -r command; do
    [[ -n "$command" ]] || continue
    section="${command//-/\\-}"
    check "manual section for '$command'" grep -qxF ".SS $section" <<<"$page"
done <<<"$commands"
for option in $(grep -oE -- '--[a-z]+' <<<"$help" | sort -u); do
    check "manual mentions $option" grep -qF -- "${option//-/\\-}" <<<"$page"
done
app_page="$(gzip -dc "$root/usr/share/man/man1/tagmint.1.gz")"
check "tagmint's manual page names the program" grep -q '^tagmint \\- ' <<<"$app_page"

echo "$passed passed, $failed failed"
test "$failed" -eq 0
