#!/usr/bin/env bash
# The libraries the Windows build links, cross-compiled with MinGW-w64 from
# Debian's own source packages into one prefix: Qt 5.15 (qtbase: Core, Gui,
# Widgets, Sql, Test and the windows/minimal/offscreen platform plugins),
# OpenSSL's libcrypto, SQLCipher, pugixml, gflags and glog.
#
#   scripts/windows-sdk.sh           installs the packages the Windows build
#                                    needs, then unpacks the cached SDK, or
#                                    builds, packs and caches it first
#   scripts/windows-sdk.sh --where   prints the SDK's folder and nothing else
#   scripts/windows-sdk.sh --cached  exits 0 when the SDK is cached, 1 if not
#
# The SDK is keyed by a hash of what shapes it, scripts/windows-sdk-inputs.sh
# (the source packages' versions and the build options): changed inputs build
# a new one. It is kept outside the checkout (Q7_CACHE, by default
# /var/cache/q7prjmerge): the packed tarball and the folder it unpacks into.
# A packed SDK is also taken from the read-only folders of Q7_WINSDK_CACHE_DIRS
# (separated by ":"), where it is looked for first. The build trees (about
# 1.5 GB) go to Q7_WINSDK_WORK; each component leaves a stamp there when done,
# so a run that failed resumes with the component that failed (remove the
# folder to build every component afresh).
set -euo pipefail

inputs=$(dirname "$(readlink -f "$0")")/windows-sdk-inputs.sh
# shellcheck source=windows-sdk-inputs.sh
source "$inputs"
# The SDK packed when its key was a hash of the whole script, by the hash of
# the same inputs.
declare -A packed_as=([c1324cb23562]=24052012fa57)
key=$(sha256sum "$inputs" | cut -c1-12)
key=${packed_as[$key]:-$key}
cache=${Q7_CACHE:-/var/cache/q7prjmerge}
packed=q7prjmerge-winsdk-$key.tar.xz
tarball=$cache/$packed
# A packed SDK in a read-only folder is unpacked from there.
IFS=: read -ra shelves <<<"${Q7_WINSDK_CACHE_DIRS:-}"
for shelf in "${shelves[@]}"; do
  if [[ -n $shelf && -f $shelf/$packed ]]; then
    tarball=$shelf/$packed
    break
  fi
done
sdk=$cache/winsdk-$key
work=${Q7_WINSDK_WORK:-/var/tmp/q7prjmerge-winsdk}
stage=$work/stage
jobs=${Q7_JOBS:-$(nproc)}
host=x86_64-w64-mingw32

case "${1:-}" in
  --where) echo "$sdk"; exit 0 ;;
  --cached) [[ -f $tarball || -f $sdk/.complete ]]; exit ;;
  "") ;;
  *) echo "usage: $0 [--where|--cached]" >&2; exit 2 ;;
esac

log() { echo "[windows-sdk $(date -u +%H:%M:%S)] $*"; }

install_packages() {
  local packages=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
    mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
    wine64 wine fonts-wine nsis xvfb xauth imagemagick xz-utils zip unzip
    build-essential cmake pkg-config dpkg-dev tcl perl
  )
  local missing=() pkg status
  for pkg in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
  done
  if ((${#missing[@]})); then
    log "installing ${missing[*]}"
    local sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  # Qt and std::thread need the posix-threads compilers.
  local gxx
  gxx=$(readlink -f "$(command -v $host-g++-posix)")
  [[ -x $gxx ]] || { echo "no $host-g++-posix" >&2; exit 1; }
}

unpack() {
  log "unpacking $tarball"
  rm -rf "$sdk.tmp"
  mkdir -p "$sdk.tmp"
  tar -C "$sdk.tmp" -xJf "$tarball"
  touch "$sdk.tmp/.complete"
  rm -rf "$sdk"
  mv "$sdk.tmp" "$sdk"
}

# Runs a component's build once: a stamp in the work folder marks it done.
step() {
  local name=$1
  shift
  if [[ -f $work/stamps/$name ]]; then
    return
  fi
  log "building $name"
  local start=$SECONDS
  "$@"
  mkdir -p "$work/stamps"
  touch "$work/stamps/$name"
  log "$name done in $((SECONDS - start)) s"
}

# A private apt state that reads Debian's deb-src lines, so the system's apt
# configuration and package lists stay as they are.
apt_private() {
  apt-get -o Dir::Etc::SourceList=/nonexistent \
          -o Dir::Etc::SourceParts="$work/apt/sources.list.d" \
          -o Dir::State::Lists="$work/apt/lists" \
          -o Dir::Cache="$work/apt/cache" \
          -o APT::Sandbox::User=root "$@"
}

fetch_sources() {
  mkdir -p "$work/apt/sources.list.d" "$work/apt/lists/partial" \
           "$work/apt/cache/archives/partial" "$work/src"
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
    > "$work/apt/sources.list.d/debian.sources"
  apt_private update -qq
  cd "$work/src"
  local source name
  for source in "${sources[@]}"; do
    apt_private source --download-only -qq "$source"
  done
  for source in "${sources[@]}"; do
    name=${source%%=*}
    rm -rf "$name"
    dpkg-source -x ./"${name}"_"${source#*=}".dsc "$name" >/dev/null
  done
}

toolchain_file() {
  cat > "$work/toolchain.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $host-gcc-posix)
set(CMAKE_CXX_COMPILER $host-g++-posix)
set(CMAKE_RC_COMPILER $host-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$host $stage)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
}

# The binaries carry no build folder's path.
prefix_map="-ffile-prefix-map=$work=."

cmake_library() {
  local name=$1
  shift
  rm -rf "$work/build/$name"
  cmake -S "$work/src/$name" -B "$work/build/$name" \
        -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
        "${cmake_options[@]}" \
        -DCMAKE_C_FLAGS="$prefix_map" -DCMAKE_CXX_FLAGS="$prefix_map" \
        -DCMAKE_INSTALL_PREFIX="$stage" "$@" >/dev/null
  cmake --build "$work/build/$name" --parallel "$jobs" >/dev/null
  cmake --install "$work/build/$name" >/dev/null
}

build_pugixml() { cmake_library pugixml; }

build_gflags() { cmake_library gflags "${gflags_options[@]}"; }

build_glog() {
  cmake_library google-glog -Dgflags_DIR="$stage/lib/cmake/gflags" "${glog_options[@]}"
}

# Compiles an SQLite amalgamation made natively from the source in $1 into the
# static library $2 (headers into $3) with the extra flags that follow.
amalgamation() {
  local name=$1 lib=$2 include=$3
  shift 3
  local dir=$work/build/$name
  rm -rf "$dir"
  mkdir -p "$dir" "$include" "$(dirname "$lib")"
  (cd "$dir" && "$work/src/$name/configure" --disable-tcl >/dev/null && make sqlite3.c >/dev/null)
  $host-gcc-posix "${sqlite_cflags[@]}" $prefix_map "$@" -c "$dir/sqlite3.c" -o "$dir/sqlite3.o"
  $host-ar rcs "$lib" "$dir/sqlite3.o"
  cp "$dir/sqlite3.h" "$include/"
}

# Plain SQLite, for Qt's own QSQLITE driver only (kept out of the SDK's
# include and lib folders, where SQLCipher's sqlite3.h is).
build_sqlite3() {
  amalgamation sqlite3 "$work/sqlite/lib/libsqlite3.a" "$work/sqlite/include"
}

build_openssl() {
  local dir=$work/build/openssl
  rm -rf "$dir"
  cp -a "$work/src/openssl" "$dir"
  cd "$dir"
  ./Configure "${openssl_options[@]}" --cross-compile-prefix=$host- --prefix="$stage" --libdir=lib \
      "$prefix_map" >/dev/null
  make -j"$jobs" build_libs >/dev/null
  mkdir -p "$stage/include" "$stage/lib"
  cp -r include/openssl "$stage/include/"
  cp libcrypto.a "$stage/lib/"
}

build_sqlcipher() {
  amalgamation sqlcipher "$stage/lib/libsqlcipher.a" "$stage/include/sqlcipher" \
      "${sqlcipher_cflags[@]}" -I"$stage/include" -Wno-deprecated-declarations
  mkdir -p "$stage/lib/pkgconfig"
  cat > "$stage/lib/pkgconfig/sqlcipher.pc" <<'EOF'
prefix=${pcfiledir}/../..
libdir=${prefix}/lib
includedir=${prefix}/include

Name: SQLCipher
Description: SQLite with encrypted database files
Version: 3.4.1
Libs: -L${libdir} -lsqlcipher -lcrypto -lws2_32 -lgdi32 -lcrypt32 -ladvapi32 -luser32
Cflags: -I${includedir}/sqlcipher
EOF
}

qt_src=$work/src/qtbase-opensource-src
qt_build=$work/build/qtbase

configure_qt() {
  # Compiled code names its sources relative to the source and build trees.
  local qmake_conf=$qt_src/mkspecs/win32-g++/qmake.conf
  grep -q ffile-prefix-map "$qmake_conf" || cat >> "$qmake_conf" <<EOF
QMAKE_CFLAGS += -ffile-prefix-map=$qt_src=qtbase -ffile-prefix-map=$qt_build=qtbase
QMAKE_CXXFLAGS += -ffile-prefix-map=$qt_src=qtbase -ffile-prefix-map=$qt_build=qtbase
EOF
  rm -rf "$qt_build"
  mkdir -p "$qt_build"
  cd "$qt_build"
  "$qt_src/configure" "${qt_configure_options[@]}" -device-option CROSS_COMPILE=$host- \
      SQLITE_PREFIX="$work/sqlite" -extprefix "$stage" > "$work/qt-configure.log" 2>&1 ||
    { tail -40 "$work/qt-configure.log"; return 1; }
}

build_qt_modules() {
  cd "$qt_build"
  [[ -f src/Makefile ]] || (mkdir -p src && cd src && "$qt_build/bin/qmake" "$qt_src/src/src.pro" >/dev/null)
  make -C src -j"$jobs" "${qt_modules[@]/#/sub-}" > "$work/qt-make.log" 2>&1 ||
    { tail -40 "$work/qt-make.log"; return 1; }
}

build_qt_plugins() {
  local plugin dir
  for plugin in "${qt_plugins[@]}"; do
    dir=$qt_build/src/plugins/$plugin
    mkdir -p "$dir"
    (cd "$dir" && "$qt_build/bin/qmake" "$qt_src/src/plugins/$plugin" >/dev/null &&
       make -j"$jobs" >/dev/null && make install >/dev/null)
  done
}

install_qt() {
  cd "$qt_build"
  local targets=() name
  for name in "${qt_modules[@]}" moc rcc uic qlalr platformheaders; do
    targets+=("sub-$name-install_subtargets")
  done
  make -C src "${targets[@]}" >/dev/null
  make sub-qmake-qmake-aux-pro-install_subtargets install_mkspecs install_syncqt >/dev/null
  # The compile flags above name this machine's folders: the SDK's own qmake
  # needs none of them.
  sed -i '/ffile-prefix-map/d' "$stage/mkspecs/win32-g++/qmake.conf"
}

pack() {
  mkdir -p "$cache"
  log "packing $tarball"
  tar -C "$stage" -cf - . | xz -T"$jobs" -6 > "$tarball.tmp"
  mv "$tarball.tmp" "$tarball"
}

install_packages
if [[ -f $sdk/.complete ]]; then
  log "SDK ready in $sdk"
  exit 0
fi
if [[ ! -f $tarball ]]; then
  mkdir -p "$work"
  step sources fetch_sources
  step toolchain toolchain_file
  step pugixml build_pugixml
  step gflags build_gflags
  step glog build_glog
  step sqlite3 build_sqlite3
  step qt-configure configure_qt
  step qt-modules build_qt_modules
  step qt-install install_qt
  step qt-plugins build_qt_plugins
  step openssl build_openssl
  step sqlcipher build_sqlcipher
  pack
fi
unpack
log "SDK ready in $sdk"
