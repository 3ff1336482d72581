#!/usr/bin/env bash
# Packs the build tree with CPack, unpacks the .deb into a temporary root and checks what a user
# would get: the program folder, the launcher, the desktop files, and a headless start with a page.
#   bash tests/packaging/check_package.sh <build dir>
set -euo pipefail

build=$(cd "${1:?usage: check_package.sh <build dir>}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }
expect() { # expect <description> <command...>
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

# --- Build and unpack ----------------------------------------------------------------------------
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack could not build the package" >&2
    exit 1
fi
debs=("$work"/out/webrix_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no single webrix_*.deb" >&2; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
expect "package name webrix" test "$(field Package)" = webrix
expect "version 1.20" test "$(field Version)" = 1.20
expect "section editors" test "$(field Section)" = editors
depends=$(field Depends)
echo "depends: $depends"
for needed in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6webenginewidgets6 \
    fonts-dejavu-core; do
    expect "depends on $needed" grep -qE "(^|, )$needed( |,|$)" <<<"$depends"
done
if [ -x "$build/bin/modules/WebServer.exe" ] && [ -x "$build/bin/modules/FTPClient.exe" ]; then
    modules_built=1
    for needed in libmicrohttpd12 libcurl4 libqt6keychain1; do
        expect "depends on $needed (modules)" grep -qE "(^|, )$needed( |,|$)" <<<"$depends"
    done
else
    modules_built=0
fi

root="$work/root"
dpkg -x "$deb" "$root"
prog="$root/usr/lib/webrix"

# --- Layout --------------------------------------------------------------------------------------
expect "program in lib/webrix" test -x "$prog/Webrix"
for folder in tags scriptlets/JavaScript scriptlets/Php3 extras modules help; do
    expect "folder $folder beside the program" test -d "$prog/$folder"
done
expect "tags/table.tag" test -f "$prog/tags/table.tag"
expect "no placeholder files" test -z "$(find "$root" -name .keep)"
if [ "$modules_built" = 1 ]; then
    expect "web server module" test -x "$prog/modules/WebServer.exe"
    expect "FTP client module" test -x "$prog/modules/FTPClient.exe"
fi
expect "bin/webrix is a relative link to the program" \
    test "$(readlink "$root/usr/bin/webrix")" = ../lib/webrix/Webrix
for size in 16 24 32 48 64 128 256; do
    expect "icon ${size}x$size" test -f "$root/usr/share/icons/hicolor/${size}x$size/apps/webrix.png"
done
expect "scalable icon" test -f "$root/usr/share/icons/hicolor/scalable/apps/webrix.svg"

# --- Desktop entry, AppStream, MIME --------------------------------------------------------------
desktop="$root/usr/share/applications/example.tarvelon.webrix.desktop"
expect "desktop entry valid" desktop-file-validate "$desktop"
expect "desktop entry opens one file" grep -qx 'Exec=webrix %f' "$desktop"
expect "desktop entry handles HTML and templates" \
    grep -qx 'MimeType=text/html;application/x-webrix-template;' "$desktop"
expect "AppStream metadata valid" \
    appstreamcli validate --no-net "$root/usr/share/metainfo/example.tarvelon.webrix.metainfo.xml"

mime_xml="$root/usr/share/mime/packages/webrix.xml"
if command -v xmllint >/dev/null; then
    expect "MIME XML well-formed" xmllint --noout "$mime_xml"
else
    echo "skip: xmllint missing, MIME XML not parsed"
fi
if command -v update-mime-database >/dev/null; then
    mkdir -p "$work/mime/packages"
    cp "$mime_xml" "$work/mime/packages/"
    update-mime-database "$work/mime" >/dev/null 2>&1 || true
    expect "*.tht maps to the template type" \
        grep -q 'application/x-webrix-template:\*\.tht' "$work/mime/globs2"
else
    echo "skip: update-mime-database missing, MIME database not built"
fi

# --- Headless start through the launcher, from an unrelated folder --------------------------------
mkdir -p "$work/elsewhere" "$work/config"
printf '<html>\r\n<body>Packaged</body>\r\n</html>\r\n' >"$work/elsewhere/page.html"
status=0
output=$(cd "$work/elsewhere" && WEBRIX_SELFTEST=1 XDG_CONFIG_HOME="$work/config" \
    timeout 120 "$root/usr/bin/webrix" page.html 2>"$work/stderr.log") || status=$?
echo "$output"
if [ "$status" -ne 0 ]; then
    tail -n 20 "$work/stderr.log" >&2
    fail "headless start exited with $status"
fi
expect "program folder found through the link" grep -qx "program folder: $prog" <<<"$output"
expect "snippet files found" grep -qx '\\tags\\table.tag: found' <<<"$output"
expect "main window loaded" grep -qx 'main window: loaded' <<<"$output"
page_size=$(wc -c <"$work/elsewhere/page.html")
expect "page opened from the command line" \
    grep -qx "document: .*page\.html ($page_size characters)" <<<"$output"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all package checks passed"
