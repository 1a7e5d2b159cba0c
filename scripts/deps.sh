#!/usr/bin/env bash
# Builds the third-party libraries for 32-bit Windows from the registries' sources:
#   PCRE2 and libxml2 from Debian's source packages (apt-get source --download-only),
#   GNU libiconv from the copy bundled in the npm package "iconv",
#   GoogleTest from the source tree that Debian's "googletest" package installs.
# Everything lands under $CACHE (gitignored). A stamp per library records the version and the
# options it was built with: reruns are cheap, and a changed option rebuilds that library.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CACHE=${CORVANE_CACHE:-$ROOT/.cache}
PREFIX=$CACHE/deps/prefix
WORK=$CACHE/deps/work
SRC=$CACHE/deps/src
TOOLCHAIN=$ROOT/cmake/toolchain-i686-mingw.cmake
JOBS=$(nproc)

# Pinned versions; each list is tried in order, so a version the archive no longer
# serves falls back to the next one.
PCRE2_VERSIONS=("10.42-1+deb12u2" "10.42-1" "")
LIBXML2_VERSIONS=("2.9.14+dfsg-1.3~deb12u4" "2.9.14+dfsg-1.3~deb12u6" "2.9.14+dfsg-1.3~deb12u5" "2.9.14+dfsg-1.3~deb12u2" "2.9.14+dfsg-1.3~deb12u1" "")
ICONV_NPM_VERSION=3.0.1

mkdir -p "$PREFIX" "$WORK" "$SRC"

# stamp_fresh NAME TEXT: the library was built as TEXT (its version and options) describes.
stamp_fresh() { [ -f "$PREFIX/.$1" ] && [ "$(cat "$PREFIX/.$1")" = "$2" ]; }
stamp_write() { printf '%s\n' "$2" > "$PREFIX/.$1"; }

# A private apt configuration for source packages: the machine's own sources file
# is left alone.
APTDIR=$CACHE/deps/apt
apt_opts() {
  echo "-o Dir::Etc::SourceList=$APTDIR/sources.list -o Dir::Etc::SourceParts=/nonexistent" \
       "-o Dir::State::Lists=$APTDIR/lists -o Dir::Cache=$APTDIR/cache -o APT::Sandbox::User=root"
}
apt_src_ready=0
apt_src_update() {
  [ "$apt_src_ready" = 1 ] && return 0
  mkdir -p "$APTDIR/lists/partial" "$APTDIR/cache/archives/partial"
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  cat > "$APTDIR/sources.list" <<EOF
deb-src http://deb.debian.org/debian $codename main
deb-src http://deb.debian.org/debian $codename-updates main
deb-src http://deb.debian.org/debian-security $codename-security main
EOF
  # shellcheck disable=SC2046
  apt-get $(apt_opts) update -qq
  apt_src_ready=1
}

# fetch_source NAME VERSION... : leaves the unpacked tree's path in $FETCHED.
fetch_source() {
  local name=$1; shift
  local dir=$SRC/$name
  if [ -f "$dir/.unpacked" ]; then FETCHED=$(cat "$dir/.unpacked"); return 0; fi
  apt_src_update
  rm -rf "$dir"; mkdir -p "$dir"
  local v ok=0
  for v in "$@"; do
    local wanted=$name; [ -n "$v" ] && wanted="$name=$v"
    # shellcheck disable=SC2046
    if (cd "$dir" && apt-get $(apt_opts) source --download-only -qq "$wanted" >/dev/null 2>&1); then
      ok=1; echo "deps: $wanted"; break
    fi
    rm -f "$dir"/*
  done
  [ "$ok" = 1 ] || { echo "deps: cannot fetch the source package $name" >&2; exit 1; }
  local dsc
  dsc=$(ls "$dir"/*.dsc | head -n 1)
  (cd "$dir" && dpkg-source --no-check -x "$dsc" tree >/dev/null)
  echo "$dir/tree" > "$dir/.unpacked"
  FETCHED=$dir/tree
}

cmake_cross() {  # cmake_cross SRC BUILD [options...]
  local src=$1 build=$2; shift 2
  cmake -S "$src" -B "$build" -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_PREFIX_PATH="$PREFIX" \
    -DCORVANE_DEPS_PREFIX="$PREFIX" -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null
  cmake --build "$build" -j "$JOBS" >/dev/null
  cmake --install "$build" >/dev/null
}

ICONV_FLAGS=(-O2 -w -DICONV_CONST=const -DENABLE_EXTRA=1 -DLIBDIR='""')
build_iconv() {
  local stamp="npm iconv@$ICONV_NPM_VERSION ${ICONV_FLAGS[*]}"
  stamp_fresh iconv "$stamp" && return 0
  local dir=$SRC/iconv-npm
  rm -rf "$dir"; mkdir -p "$dir"
  (cd "$dir" && npm pack "iconv@$ICONV_NPM_VERSION" --silent >/dev/null && tar xzf "iconv-$ICONV_NPM_VERSION.tgz")
  local pkg=$dir/package b=$WORK/iconv
  rm -rf "$b"; mkdir -p "$b" "$PREFIX/include" "$PREFIX/lib"
  local cc=i686-w64-mingw32-gcc-posix
  $cc "${ICONV_FLAGS[@]}" -I"$pkg/support" -c "$pkg/deps/libiconv/lib/iconv.c" -o "$b/iconv.o"
  $cc -O2 -w -DLIBDIR='""' -I"$pkg/support" -c "$pkg/support/localcharset.c" -o "$b/localcharset.o"
  i686-w64-mingw32-ar rcs "$PREFIX/lib/libiconv.a" "$b/iconv.o" "$b/localcharset.o"
  cp "$pkg/support/iconv.h" "$PREFIX/include/iconv.h"
  echo "deps: libiconv (npm iconv@$ICONV_NPM_VERSION)"
  stamp_write iconv "$stamp"
}

# The path filter runs every scanned path through the exclusion rules: the JIT compiles
# each rule to machine code, several times faster than the interpreter.
PCRE2_OPTIONS=(-DPCRE2_BUILD_PCRE2_8=ON -DPCRE2_BUILD_PCRE2_16=ON -DPCRE2_BUILD_PCRE2GREP=OFF
  -DPCRE2_BUILD_TESTS=OFF -DPCRE2_SUPPORT_UNICODE=ON -DPCRE2_STATIC_PIC=OFF -DPCRE2_SUPPORT_JIT=ON)
build_pcre2() {
  local stamp="${PCRE2_VERSIONS[*]} ${PCRE2_OPTIONS[*]}"
  stamp_fresh pcre2 "$stamp" && return 0
  fetch_source pcre2 "${PCRE2_VERSIONS[@]}"
  rm -rf "$WORK/pcre2"
  cmake_cross "$FETCHED" "$WORK/pcre2" "${PCRE2_OPTIONS[@]}"
  echo "deps: pcre2 with its JIT"
  stamp_write pcre2 "$stamp"
}

LIBXML2_OPTIONS=(-DLIBXML2_WITH_ICONV=ON -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_ZLIB=OFF
  -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_TESTS=OFF -DLIBXML2_WITH_PROGRAMS=OFF
  -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_ICU=OFF -DIconv_IS_BUILT_IN=OFF)
build_libxml2() {
  local stamp="${LIBXML2_VERSIONS[*]} ${LIBXML2_OPTIONS[*]}"
  stamp_fresh libxml2 "$stamp" && return 0
  fetch_source libxml2 "${LIBXML2_VERSIONS[@]}"
  rm -rf "$WORK/libxml2"
  cmake_cross "$FETCHED" "$WORK/libxml2" "${LIBXML2_OPTIONS[@]}" \
    -DIconv_INCLUDE_DIR="$PREFIX/include" -DIconv_LIBRARY="$PREFIX/lib/libiconv.a"
  stamp_write libxml2 "$stamp"
}

GTEST_OPTIONS=(-Dgtest_disable_pthreads=ON -DINSTALL_GTEST=ON -DBUILD_GMOCK=ON)
build_gtest() {
  local version stamp
  version=$(dpkg-query -W -f='${Version}' googletest 2>/dev/null || echo local)
  stamp="$version ${GTEST_OPTIONS[*]}"
  stamp_fresh gtest "$stamp" && return 0
  local src=/usr/src/googletest
  [ -f "$src/CMakeLists.txt" ] || { echo "deps: $src missing (apt-get install googletest)" >&2; exit 1; }
  rm -rf "$WORK/gtest"
  cmake_cross "$src" "$WORK/gtest" "${GTEST_OPTIONS[@]}"
  echo "deps: googletest ($version)"
  stamp_write gtest "$stamp"
}

build_iconv
build_pcre2
build_libxml2
build_gtest
echo "deps: ready in $PREFIX"
