#!/usr/bin/env bash
# Builds Tiku for Windows x86-64 on Debian 12 with Debian's packages only, and packs
# build/windows/tiku-<version>-windows-x64.zip.
#
#   scripts/windows.sh            # every stage; stages already done are skipped
#   scripts/windows.sh qt         # only the named stages: apt sources zlib expat libzip qt tiku zip
#
# MinGW-w64 (posix threads) cross-compiles zlib, expat, libzip and Qt 6.4 (Core, Gui, Widgets and
# the windows platform plugin) from Debian's source packages into a cache folder,
# $TIKU_WINDOWS_CACHE (default ${XDG_CACHE_HOME:-$HOME/.cache}/tiku-windows), which later runs
# reuse: then only Tiku is built. Needs root (or sudo) for apt. Prints how long each stage took.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cache="${TIKU_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tiku-windows}"
jobs="${TIKU_WINDOWS_JOBS:-$(nproc)}"
triple=x86_64-w64-mingw32
toolchain="$root/cmake/mingw-w64.cmake"
prefix="$cache/prefix"   # zlib, expat, libzip
qtbuild="$cache/qt"      # Qt, used from its build folder (a build without an install step)
out="$root/build/windows"
SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi

stage_apt() {
    # The cross compilers, the host's Qt tools (moc, rcc, uic) and tiku-bank's libraries for the
    # demo bank; Wine and the X tools for the test under Wine (ctest -L windows).
    local packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
        cmake ninja-build pkg-config dpkg-dev xz-utils zip qt6-base-dev qt6-base-dev-tools
        libzip-dev libexpat1-dev wine64 xvfb xdotool imagemagick python3-xlib
        fonts-arphic-ukai fonts-arphic-uming fonts-comic-neue)
    local missing=() p
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    # apt-get source needs the archive's source index: a deb-src entry for each deb entry.
    local sources=/etc/apt/sources.list.d/debian.sources update=0
    if [[ -f $sources ]] && grep -q '^Types: deb$' "$sources"; then
        $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
        update=1
    elif [[ -f /etc/apt/sources.list ]] && ! grep -q '^deb-src ' /etc/apt/sources.list &&
        grep -q '^deb ' /etc/apt/sources.list; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | $SUDO tee -a /etc/apt/sources.list >/dev/null
        update=1
    fi
    if ((update)) || ((${#missing[@]})); then $SUDO apt-get update; fi
    if ((${#missing[@]})); then
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

# The source packages as released with Debian 12 (bookworm): a mirror may lack the tarballs of
# the security updates.
stage_sources() {
    mkdir -p "$cache/src"
    local p
    for p in qt6-base zlib expat libzip; do
        if ! compgen -G "$cache/src/${p}_*.dsc" >/dev/null; then
            (cd "$cache/src" && apt-get source --download-only "$p/bookworm")
        fi
    done
}

# Unpacks a source package's original tarball (Debian's Linux patches are not wanted) once.
unpack() {
    local name=$1 dir="$cache/unpacked/$1"
    if [[ ! -d $dir ]]; then
        local tarball
        tarball=$(compgen -G "$cache/src/${name}_*.orig.tar.*" | head -n1)
        mkdir -p "$dir.tmp"
        tar -xf "$tarball" -C "$dir.tmp" --strip-components=1
        mv "$dir.tmp" "$dir"
    fi
    echo "$dir"
}

cross_cmake() { # source build [cmake options...]
    local src=$1 build=$2
    shift 2
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_FIND_ROOT_PATH="$prefix" "$@" >/dev/null
    cmake --build "$build" -j "$jobs"
    cmake --install "$build" >/dev/null
}

# Debian's zlib source leaves out the Windows resource file its CMake build wants: the DLL is
# linked here directly, with the names the MinGW makefile gives it.
stage_zlib() {
    [[ -f $prefix/include/zlib.h ]] && return
    local src build="$cache/build/zlib" f
    src=$(unpack zlib)
    rm -rf "$build" && mkdir -p "$build" "$prefix"/{bin,lib,include}
    for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate \
        inftrees trees uncompr zutil; do
        $triple-gcc-posix -O2 -c "$src/$f.c" -o "$build/$f.o"
    done
    $triple-gcc-posix -shared -o "$prefix/bin/zlib1.dll" "$build"/*.o \
        -Wl,--out-implib,"$prefix/lib/libz.dll.a"
    cp "$src/zlib.h" "$src/zconf.h" "$prefix/include/"
}

stage_expat() {
    [[ -f $prefix/include/expat.h ]] && return
    local src
    src=$(unpack expat)
    cross_cmake "$src/expat" "$cache/build/expat" -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF \
        -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF
}

stage_libzip() {
    [[ -f $prefix/include/zip.h ]] && return
    local src
    src=$(unpack libzip)
    cross_cmake "$src" "$cache/build/libzip" -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF \
        -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
        -DENABLE_GNUTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_COMMONCRYPTO=OFF \
        -DENABLE_WINDOWS_CRYPTO=ON
}

# Qt's targets for the program: the modules, the platform plugin and WinMain for GUI programs.
qt_targets=(Core Gui Widgets QWindowsIntegrationPlugin EntryPointImplementation)

# Parts of Qt the program does not use, left out to shorten the build (=OFF appended below).
qt_unused=(graphicsview graphicseffect mdiarea calendarwidget datetimeedit colordialog fontdialog
    filedialog wizard dockwidget splashscreen lcdnumber dial fontcombobox keysequenceedit columnview
    syntaxhighlighter systemtrayicon textmarkdownreader textmarkdownwriter textodfwriter pdf movie
    undocommand undostack undogroup undoview)
qt_unused=("${qt_unused[@]/%/=OFF}")

stage_qt() {
    [[ -f $qtbuild/.built ]] && return
    local src
    src=$(unpack qt6-base)
    # The host's Qt (same version) gives moc, rcc and uic. Bundled third-party libraries; the
    # modules the program does not use off. The tablet support needs wintab.h, which Debian's
    # source leaves out; OpenGL stays on (loaded at run time only), the platform plugin needs it.
    cmake -S "$src" -B "$qtbuild" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$qtbuild" -DBUILD_SHARED_LIBS=ON \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_pkg_config=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_zlib=OFF \
        -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF \
        -DFEATURE_system_jpeg=OFF -DFEATURE_system_doubleconversion=OFF -DFEATURE_zstd=OFF \
        -DFEATURE_icu=OFF -DFEATURE_glib=OFF \
        -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_testlib=OFF \
        -DFEATURE_tabletevent=OFF -DFEATURE_opengl=ON -DFEATURE_vulkan=OFF -DFEATURE_freetype=OFF \
        "${qt_unused[@]/#/-DFEATURE_}"
    nice -n 10 cmake --build "$qtbuild" -j "$jobs" --target "${qt_targets[@]}"
    touch "$qtbuild/.built"
}

stage_tiku() {
    local build="$out/build"
    PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig:$prefix/share/pkgconfig" PKG_CONFIG_PATH="" \
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$qtbuild;$prefix" \
        -DCMAKE_FIND_ROOT_PATH="$qtbuild;$prefix" -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DTIKU_BENCH=OFF -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$build" -j "$jobs" --target tiku tiku-bank
}

# The DLLs an executable or DLL imports that are not Windows' own: looked for in the cross-built
# folders and the MinGW posix runtime's folders, followed recursively.
dll_dirs() {
    local d
    for d in "$qtbuild/bin" "$prefix/bin" "$(dirname "$($triple-g++-posix -print-file-name=libstdc++-6.dll)")" \
        "/usr/$triple/lib"; do
        if [[ $d == /* && -d $d ]]; then echo "$d"; fi
    done
}
imports() { $triple-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
find_dll() { # name dirs...
    local name=$1 d
    shift
    for d in "$@"; do
        if [[ -f $d/$name ]]; then
            echo "$d/$name"
            return
        fi
    done
}
collect_dlls() { # into files...
    local into=$1
    shift
    local queue=("$@") seen=" " f dll path dirs
    mapfile -t dirs < <(dll_dirs)
    while ((${#queue[@]})); do
        f=${queue[0]}
        queue=("${queue[@]:1}")
        while read -r dll; do
            [[ $seen == *" ${dll,,} "* ]] && continue
            seen+="${dll,,} "
            path=$(find_dll "$dll" "${dirs[@]}")
            [[ -n $path ]] || continue # a Windows system DLL
            cp "$path" "$into/"
            queue+=("$path")
        done < <(imports "$f")
    done
}

stage_zip() {
    local version dir name
    version=$(sed -n 's/^project(tiku VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
    name="tiku-$version-windows-x64"
    dir="$out/$name"
    rm -rf "$dir" "$out/$name.zip"
    mkdir -p "$dir/platforms"
    cp "$out/build/bin/tiku.exe" "$out/build/bin/tiku-bank.exe" "$dir/"
    cp "$qtbuild/plugins/platforms/qwindows.dll" "$dir/platforms/"
    $triple-strip "$dir"/*.exe
    collect_dlls "$dir" "$dir/tiku.exe" "$dir/tiku-bank.exe" "$dir/platforms/qwindows.dll"
    # The demo bank, made by the tool built for this machine from the demo's sources.
    local host="$out/host"
    cmake -S "$root" -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIKU_GUI=OFF \
        -DTIKU_BENCH=OFF -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$host" -j "$jobs" --target tiku-bank
    (cd "$root/demo" && "$host/bin/tiku-bank" make sheet1.tsv sheet2.tsv -o "$dir/dxt.xls" >/dev/null)
    # Windows' Notepad reads UTF-8, but line ends should be CR LF.
    sed 's/$/\r/' "$root/packaging/README-bank.txt" >"$dir/README-bank.txt"
    (cd "$out" && zip -qr "$name.zip" "$name")
    echo "$out/$name.zip"
}

stages=("$@")
if ((${#stages[@]} == 0)); then stages=(apt sources zlib expat libzip qt tiku zip); fi
for s in "${stages[@]}"; do
    start=$SECONDS
    "stage_$s"
    echo "windows.sh: stage $s took $((SECONDS - start)) s"
done
