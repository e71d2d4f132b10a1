#!/usr/bin/env bash
# Installs a build into a throw-away prefix, as `cmake --install` does for the package, and checks it.
#   installed_files.sh metadata|programs CMAKE BUILD_DIR APP_ID VERSION
# metadata: the desktop entry, AppStream data, icons and manual page are there and valid
#           (exit 77, a skip, when neither desktop-file-validate nor appstreamcli is installed).
# programs: the installed programs run from the prefix alone, with a private home.
set -euo pipefail
mode=$1 cmake=$2 build=$3 app_id=$4 version=$5

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >/dev/null

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

check_metadata() {
    local desktop=$prefix/share/applications/$app_id.desktop
    local metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
    local png=$prefix/share/icons/hicolor/256x256/apps/$app_id.png
    local f
    for f in bin/orelia bin/orelia-cli "share/icons/hicolor/scalable/apps/$app_id.svg" share/doc/orelia/copyright \
        share/doc/orelia/changelog.gz; do
        [ -f "$prefix/$f" ] || fail "$f is not installed"
    done
    for f in "$desktop" "$metainfo" "$png"; do
        [ -f "$f" ] || fail "${f#"$prefix"/} is not installed"
    done
    # The sandbox is for development and tests; the buyer's package holds the two programs only.
    [ ! -e "$prefix/bin/orelia-sandbox" ] || fail "bin/orelia-sandbox is installed"
    grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' \
        "$prefix/share/doc/orelia/copyright" || fail "the copyright file is not machine-readable"

    grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry does not name the icon $app_id"
    if command -v file >/dev/null; then
        file "$png" | grep -q 'PNG image data, 256 x 256' || fail "$(file "$png")"
    fi
    # A compressed page for each program. They are generated: a stray request or escape shows up
    # as a groff warning.
    local program man
    for program in orelia orelia-cli; do
        man=$prefix/share/man/man1/$program.1.gz
        [ -f "$man" ] || fail "share/man/man1/$program.1.gz is not installed"
        if command -v groff >/dev/null; then
            local warnings
            warnings=$(gzip -dc "$man" | groff -k -man -Tutf8 -ww -z 2>&1)
            [ -z "$warnings" ] || fail "$program.1: $warnings"
        fi
        if command -v lexgrog >/dev/null; then
            lexgrog "$man" | grep -q "$program - " || fail "$program.1 has no NAME line: $(lexgrog "$man")"
        fi
    done

    local validated=0
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$desktop" || fail "desktop-file-validate"
        validated=1
    fi
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
        validated=1
    fi
    if [ "$validated" -eq 0 ]; then
        echo "SKIP: neither desktop-file-validate nor appstreamcli is installed"
        exit 77
    fi
}

check_programs() {
    # Only the prefix and a private home: no build tree, no session, no display.
    local home=$work/home
    mkdir -p "$home"
    cd "$work"
    run() {
        env -i HOME="$home" PATH=/usr/bin:/bin LC_ALL=C.UTF-8 "$@"
    }
    local expected="^Orelia ${version//./\\.} \(([0-9a-f]{4,}|—)\)$"
    local out program
    for program in orelia-cli orelia; do
        out=$(run "$prefix/bin/$program" --version) || fail "$program --version exited with $?"
        [[ $out =~ $expected ]] || fail "$program --version printed '$out'"
    done

    out=$(run "$prefix/bin/orelia-cli" search "OC 90" --demo) || fail "orelia-cli search exited with $?: $out"
    grep -q '^OC 90 — найдено предложений: [1-9]' <<<"$out" || fail "no offers found: $out"
    grep -Eq '^MAHLE +OC 90 ' <<<"$out" || fail "no MAHLE OC 90 row: $out"
}

case $mode in
metadata) check_metadata ;;
programs) check_programs ;;
*) fail "unknown mode $mode" ;;
esac
