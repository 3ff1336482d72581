#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds Webrix and then runs it or its tests.
#   bash tools/dev.sh run [file]   build and start the editor on the current display
#   bash tools/dev.sh test         build and run the whole test suite headless
#   bash tools/dev.sh test-sanitized  the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   bash tools/dev.sh bench        build and run the benchmarks
#   bash tools/dev.sh package      build the Debian package (build/webrix_<version>_<arch>.deb)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${WEBRIX_BUILD_DIR:-$root/build}"
action="${1:-run}"
[ $# -gt 0 ] && shift

build_packages=(build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-base-dev-tools qt6-tools-dev-tools qt6-translations-l10n qt6-svg-dev
    qt6-declarative-dev
    qt6-webengine-dev qt6-websockets-dev libmicrohttpd-dev
    libcurl4-openssl-dev qtkeychain-qt6-dev
    fonts-dejavu-core fonts-liberation2)
test_packages=(xvfb xauth x11-utils curl wrk nginx-light python3 python3-pyftpdlib python3-openssl openssh-server openssl
    desktop-file-utils appstream shared-mime-info dpkg-dev file)

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Extra arguments go to CMake's configure step (they override the build type).
configure_and_build() {
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@" >/dev/null
    cmake --build "$build" --parallel "$(nproc)"
}

case "$action" in
run)
    install_missing "${build_packages[@]}"
    configure_and_build
    # The web engine refuses its sandbox as root; everybody else keeps it.
    [ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
    exec "$build/bin/Webrix" "$@"
    ;;
test)
    install_missing "${build_packages[@]}" "${test_packages[@]}"
    configure_and_build
    export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
    ctest --test-dir "$build" --output-on-failure --timeout 900 "$@"
    ;;
test-sanitized)
    install_missing "${build_packages[@]}" "${test_packages[@]}"
    build="${WEBRIX_SANITIZED_BUILD_DIR:-$root/build-sanitized}"
    # Benchmarks are timed in the normal build; this one only runs the tests.
    configure_and_build -DCMAKE_BUILD_TYPE=Debug -DWEBRIX_SANITIZE=ON -DWEBRIX_BUILD_BENCHMARKS=OFF
    export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
    # The web engine (its own copy of the browser's allocator) frees some of its objects with the
    # size of a base type; the report names only that library's frames, so that one check is off.
    # Leaks are not checked: Qt keeps process-wide caches until exit on purpose.
    export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:new_delete_type_mismatch=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    # The package check has nothing to sanitize; it runs in the normal test command.
    ctest --test-dir "$build" --output-on-failure --timeout 1800 -E "^packaging_" "$@"
    ;;
bench)
    install_missing "${build_packages[@]}" "${test_packages[@]}"
    configure_and_build
    export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
    # Every benchmark runs, also after one of them failed; the status says whether all went well.
    failed=()
    for b in "$build"/bench/bench_*; do
        [ -f "$b" ] && [ -x "$b" ] || continue
        echo "== $(basename "$b")"
        "$b" || failed+=("$(basename "$b")")
    done
    if [ ${#failed[@]} -gt 0 ]; then
        echo "Failed benchmarks: ${failed[*]}" >&2
        exit 1
    fi
    ;;
package)
    # dpkg-shlibdeps (dpkg-dev) and file work out the package's library dependencies.
    install_missing "${build_packages[@]}" dpkg-dev file
    configure_and_build
    (cd "$build" && cpack -G DEB)
    ls "$build"/webrix_*.deb
    ;;
*)
    echo "usage: bash tools/dev.sh run [file] | test | test-sanitized | bench | package" >&2
    exit 2
    ;;
esac
