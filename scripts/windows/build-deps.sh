#!/bin/bash
# Builds the static Windows (MinGW-w64) dependencies of the client once per machine from Debian's
# own source packages, into a cache folder outside the checkout. Prints the prefix on stdout as
# its last line; everything else goes to stderr and to the logs in the cache.
#
# Environment:
#   TOLLIVANCE_WINDOWS_DEPS        prefix to use instead of the keyed cache folder
#   TOLLIVANCE_WINDOWS_CACHE       cache root (default /var/cache/tollivance-windows)
#   TOLLIVANCE_WINDOWS_JOBS        parallel jobs (default 2)
#   TOLLIVANCE_WINDOWS_LOCK_WAIT   seconds to wait for another run on the same cache (7200)
#   TOLLIVANCE_WINDOWS_LIBS        only these of the libraries (for working on one recipe)
set -euo pipefail

HOST=x86_64-w64-mingw32
# Bump when a configure line below changes: it is part of the cache key.
RECIPE=1
SOURCES=(wxwidgets3.2 curl libssh googletest)
PACKAGES=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
    libz-mingw-w64-dev libgcrypt-mingw-w64-dev nlohmann-json3-dev nsis wine64 wine dpkg-dev
    cmake ninja-build make xvfb xdotool)

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
TOOLCHAIN="$(cd "$HERE/../.." && pwd)/cmake/toolchain-mingw-w64-x86_64.cmake"
CACHE_ROOT="${TOLLIVANCE_WINDOWS_CACHE:-/var/cache/tollivance-windows}"
JOBS="${TOLLIVANCE_WINDOWS_JOBS:-2}"
LOCK_WAIT="${TOLLIVANCE_WINDOWS_LOCK_WAIT:-7200}"

say() { echo "build-deps: $*" >&2; }
die() {
    say "error: $*"
    exit 1
}

install_missing_packages() {
    local missing=() p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get install -y -o DPkg::Lock::Timeout=600 "${missing[@]}" >&2 ||
        { "${sudo[@]}" apt-get update >&2 &&
            "${sudo[@]}" apt-get install -y -o DPkg::Lock::Timeout=600 "${missing[@]}" >&2; }
}

# A private apt configuration: deb-src entries for exactly the archives and suites the machine's
# apt already uses, with lists and cache of its own, so the system's apt state is left alone.
APT_DIR="$CACHE_ROOT/apt"
apt_private() {
    "$1" -o Dir::Etc::sourcelist="$APT_DIR/sources.list" -o Dir::Etc::sourceparts=- \
        -o Dir::State::lists="$APT_DIR/lists" -o Dir::Cache="$APT_DIR/cache" \
        -o APT::Get::List-Cleanup=0 "${@:2}"
}

prepare_private_apt() {
    mkdir -p "$APT_DIR/lists/partial" "$APT_DIR/cache/archives/partial"
    local list
    list="$(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' \
        'Created-By: Packages' | sort -u | awk 'NF == 3 { print "deb-src", $1, $2, $3 }')"
    [ -n "$list" ] || die "the machine's apt has no Debian archive configured"
    if [ ! -f "$APT_DIR/sources.list" ] || [ "$list" != "$(cat "$APT_DIR/sources.list")" ]; then
        printf '%s\n' "$list" >"$APT_DIR/sources.list"
        rm -f "$APT_DIR/lists/"*Sources* "$CACHE_ROOT/src/"*.resolved
    fi
    # Refresh only when there are no source lists yet: a second run needs no network.
    if ! ls "$APT_DIR/lists/"*Sources* >/dev/null 2>&1; then
        say "fetching source package lists"
        apt_private apt-get update >&2 || die "apt-get update of the source lists failed"
    fi
}

source_version() {
    apt_private apt-cache showsrc --only-source "$1" 2>/dev/null |
        awk '/^Version:/ { print $2 }' | sort -V | tail -n 1
}

installed_version() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo none; }

all_source_versions() {
    apt_private apt-cache showsrc --only-source "$1" 2>/dev/null |
        awk '/^Version:/ { print $2 }' | sort -uVr
}

# Downloads and unpacks (with Debian's patches applied) into $CACHE_ROOT/src/<pkg>_<version>.
# An archive's index may list a version its pool no longer holds: the next lower one listed is
# taken then, and the choice is kept so that later runs need no network.
fetch_source() {
    local pkg="$1" wanted="$2" resolved="$CACHE_ROOT/src/$1.resolved" version dir
    if [ -f "$resolved" ] && [ "$(head -n 1 "$resolved")" = "$wanted" ]; then
        version="$(sed -n 2p "$resolved")"
        dir="$CACHE_ROOT/src/${pkg}_${version}"
        if [ -f "$dir/.unpacked" ]; then
            find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n 1
            return 0
        fi
    fi
    for version in $(all_source_versions "$pkg"); do
        dpkg --compare-versions "$version" le "$wanted" || continue
        dir="$CACHE_ROOT/src/${pkg}_${version}"
        if [ ! -f "$dir/.unpacked" ]; then
            say "fetching source $pkg $version"
            rm -rf "$dir" && mkdir -p "$dir"
            if ! (cd "$dir" && apt_private apt-get source -q "$pkg=$version") >"$dir/fetch.log" 2>&1; then
                say "source $pkg $version cannot be fetched (see $dir/fetch.log)"
                continue
            fi
            touch "$dir/.unpacked"
        fi
        printf '%s\n%s\n' "$wanted" "$version" >"$resolved"
        echo "source $pkg $version" >>"$LOGS/$CURRENT.log"
        find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n 1
        return 0
    done
    die "no version of the source package $pkg can be fetched"
}

# Runs one build step with its output in the cache's log folder.
step() {
    local name="$1"
    shift
    say "  $name"
    "$@" >>"$LOGS/$CURRENT.log" 2>&1 || die "$CURRENT: $name failed (see $LOGS/$CURRENT.log)"
}

# Each library is built once: a stamp in the prefix marks it done.
build_once() {
    CURRENT="$1"
    local stamp="$PREFIX/.stamps/$1"
    [ -f "$stamp" ] && return 0
    say "building $1 (log: $LOGS/$1.log)"
    : >"$LOGS/$1.log"
    local start=$SECONDS
    "build_$1"
    mkdir -p "$PREFIX/.stamps" && touch "$stamp"
    say "$1 done in $((SECONDS - start)) s"
}

fresh_build_dir() {
    local dir="$WORK/$1"
    rm -rf "$dir" && mkdir -p "$dir"
    echo "$dir"
}

# The unsuffixed MinGW compiler names are alternatives that default to the win32-thread variant:
# autotools builds name the POSIX-thread compilers explicitly.
autotools_env() {
    export CC=$HOST-gcc-posix CXX=$HOST-g++-posix AR=$HOST-gcc-ar-posix
    export RANLIB=$HOST-gcc-ranlib-posix WINDRES=$HOST-windres RC=$HOST-windres
    export PKG_CONFIG_LIBDIR="$PREFIX/lib/pkgconfig:/usr/$HOST/lib/pkgconfig" PKG_CONFIG_PATH=
}

cross_cmake() {
    cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DTOLLIVANCE_WINDOWS_DEPS="$PREFIX" \
        -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF "$@"
}

build_wxwidgets() {
    local src b
    autotools_env
    src="$(fetch_source wxwidgets3.2 "${VERSIONS[wxwidgets3.2]}")"
    b="$(fresh_build_dir wxwidgets)"
    # The Debian source has no bundled image or XML libraries; the client's pictures are a BMP and
    # an ICO, so none are needed. zlib comes from the MinGW package.
    cd "$b"
    step configure "$src/configure" --host=$HOST --build="$(gcc -dumpmachine)" \
        --prefix="$PREFIX" --with-msw --disable-shared --enable-unicode \
        --without-libpng --without-libjpeg --without-libtiff --without-expat \
        --with-zlib=sys --without-regex --without-opengl --without-liblzma \
        --disable-xrc --disable-html --disable-webview --disable-richtext --disable-aui \
        --disable-propgrid --disable-ribbon --disable-stc --disable-mediactrl --disable-sound \
        --disable-svg --disable-debug_info --disable-tests
    step make make -j"$JOBS"
    step install make install
    cd / && rm -rf "$b"
}

build_curl() {
    local src b
    autotools_env
    src="$(fetch_source curl "${VERSIONS[curl]}")"
    b="$(fresh_build_dir curl)"
    # Schannel only: TLS from the Windows certificate store (or the deployment's CA file).
    cd "$b"
    step configure "$src/configure" --host=$HOST --build="$(gcc -dumpmachine)" \
        --prefix="$PREFIX" --disable-shared --enable-static --with-schannel \
        --without-openssl --without-gnutls --without-wolfssl --without-mbedtls --without-bearssl \
        --without-rustls --with-zlib="/usr/$HOST" --without-brotli --without-zstd \
        --without-nghttp2 --without-nghttp3 --without-ngtcp2 --without-quiche --without-msh3 \
        --without-libidn2 --without-libpsl --without-librtmp --without-libssh2 --without-libssh \
        --without-libgsasl --disable-ldap --disable-ldaps --disable-manual --disable-docs \
        --without-ca-bundle --without-ca-path
    step make-lib make -j"$JOBS" -C lib
    step install-lib make -C lib install
    step install-headers make -C include install
    step install-pc make install-pkgconfigDATA install-binSCRIPTS
    cd / && rm -rf "$b"
}

build_libssh() {
    local src b
    src="$(fetch_source libssh "${VERSIONS[libssh]}")"
    b="$(fresh_build_dir libssh)"
    # The static archives by name: CMake would otherwise take the DLLs' import libraries.
    step configure cross_cmake -S "$src" -B "$b" -DWITH_GCRYPT=ON -DWITH_ZLIB=ON \
        -DGCRYPT_LIBRARY="/usr/$HOST/lib/libgcrypt.a" \
        -DGCRYPT_ERROR_LIBRARY="/usr/$HOST/lib/libgpg-error.a" \
        -DZLIB_LIBRARY="/usr/$HOST/lib/libz.a" \
        -DWITH_GSSAPI=OFF -DWITH_EXAMPLES=OFF -DUNIT_TESTING=OFF -DCLIENT_TESTING=OFF \
        -DSERVER_TESTING=OFF -DWITH_SERVER=OFF -DWITH_PCAP=OFF -DWITH_NACL=OFF \
        -DWITH_SYMBOL_VERSIONING=OFF
    step build cmake --build "$b" -j"$JOBS"
    step install cmake --install "$b"
    rm -rf "$b"
}

build_googletest() {
    local src b
    src="$(fetch_source googletest "${VERSIONS[googletest]}")"
    b="$(fresh_build_dir googletest)"
    step configure cross_cmake -S "$src" -B "$b" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
    step build cmake --build "$b" -j"$JOBS"
    step install cmake --install "$b"
    rm -rf "$b"
}

# Header-only: Debian's own headers and CMake package, as they are.
build_nlohmann() {
    step headers mkdir -p "$PREFIX/include" "$PREFIX/share/cmake"
    step copy-headers cp -r /usr/include/nlohmann "$PREFIX/include/"
    step copy-cmake cp -r /usr/share/cmake/nlohmann_json "$PREFIX/share/cmake/"
}

main() {
    install_missing_packages
    mkdir -p "$CACHE_ROOT" || die "cannot create $CACHE_ROOT"
    # One run at a time on a cache: a second one would wipe the first one's build folders.
    exec 9>"$CACHE_ROOT/.lock"
    if ! flock -n 9; then
        say "waiting for another build of the Windows dependencies (at most ${LOCK_WAIT} s)"
        flock -w "$LOCK_WAIT" 9 || die "another build still holds $CACHE_ROOT/.lock"
    fi
    prepare_private_apt

    declare -gA VERSIONS
    local key_text="recipe $RECIPE" p
    for p in "${SOURCES[@]}"; do
        VERSIONS[$p]="$(source_version "$p")"
        [ -n "${VERSIONS[$p]}" ] || die "no Debian source package $p in the configured archive"
        key_text+=$'\n'"source $p ${VERSIONS[$p]}"
    done
    for p in g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev \
        libz-mingw-w64-dev libgcrypt-mingw-w64-dev nlohmann-json3-dev; do
        key_text+=$'\n'"package $p $(installed_version "$p")"
    done
    local key
    key="$(printf '%s\n' "$key_text" | sha256sum | cut -c1-16)"
    PREFIX="${TOLLIVANCE_WINDOWS_DEPS:-$CACHE_ROOT/$key}"
    mkdir -p "$PREFIX"
    PREFIX="$(cd "$PREFIX" && pwd)"

    if [ -f "$PREFIX/.complete" ] && [ "$(cat "$PREFIX/.complete")" = "$key_text" ]; then
        echo "$PREFIX"
        return 0
    fi
    LOGS="$PREFIX/logs"
    WORK="$CACHE_ROOT/build"
    mkdir -p "$LOGS" "$WORK"
    printf '%s\n' "$key_text" >"$PREFIX/key.txt"
    # A prefix built for other inputs starts over.
    if [ -d "$PREFIX/.stamps" ] && ! cmp -s "$PREFIX/key.txt" "$PREFIX/.stamps/key.txt"; then
        rm -rf "$PREFIX/.stamps"
    fi
    mkdir -p "$PREFIX/.stamps" && cp "$PREFIX/key.txt" "$PREFIX/.stamps/key.txt"

    say "prefix $PREFIX"
    local lib all=(wxwidgets nlohmann curl libssh googletest)
    for lib in ${TOLLIVANCE_WINDOWS_LIBS:-${all[*]}}; do
        build_once "$lib"
    done
    for lib in "${all[@]}"; do
        [ -f "$PREFIX/.stamps/$lib" ] || die "$lib is not built yet"
    done
    printf '%s\n' "$key_text" >"$PREFIX/.complete"
    echo "$PREFIX"
}

main "$@"
