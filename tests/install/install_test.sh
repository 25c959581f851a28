#!/usr/bin/env bash
# The installed tree as a user meets it: the build installed into a
# temporary prefix, its layout and library versions checked, the C examples
# built with the installed pkg-config file (their Makefile) and with the
# installed CMake package, run from a directory of their own and their
# output compared with the expected one beside this script.
#
# install_test.sh <cmake> <build dir> <examples dir> <version> <C compiler> <extra C and link flags>
set -euo pipefail

cmake=$1 build=$2 examples=$3 version=$4 cc=$5 flags=$6
here=$(cd "$(dirname "$0")" && pwd)
major=${version%%.*}

# Nothing of the caller's environment may point the examples elsewhere.
unset LD_LIBRARY_PATH CMAKE_PREFIX_PATH PKG_CONFIG_PATH CFLAGS LDFLAGS

work=$(mktemp -d "${TMPDIR:-/tmp}/kxinstall-XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# run <log> <command...>: the command's output is shown only when it fails.
run() {
  local log=$1
  shift
  "$@" >"$log" 2>&1 || { cat "$log" >&2; fail "$*"; }
}

run "$work/install.log" "$cmake" --install "$build" --prefix "$prefix"

# ---- Layout ----
real=$(find "$prefix" -name "libkxapi.so.$version" -type f)
[ -n "$real" ] || fail "no libkxapi.so.$version under $prefix"
libdir=$(dirname "$real")
for lib in kxapi kxhost; do
  [ -f "$libdir/lib$lib.so.$version" ] && [ ! -L "$libdir/lib$lib.so.$version" ] ||
    fail "lib$lib.so.$version is not a file"
  [ "$(readlink "$libdir/lib$lib.so.$major")" = "lib$lib.so.$version" ] ||
    fail "lib$lib.so.$major does not link to lib$lib.so.$version"
  [ "$(readlink "$libdir/lib$lib.so")" = "lib$lib.so.$major" ] ||
    fail "lib$lib.so does not link to lib$lib.so.$major"
  soname=$(readelf -d "$libdir/lib$lib.so.$version" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
  [ "$soname" = "lib$lib.so.$major" ] || fail "SONAME of lib$lib is '$soname'"
done
# No path into the build tree is left in what was installed.
for f in "$libdir/libkxapi.so.$version" "$libdir/libkxhost.so.$version" "$prefix/bin/lathra"; do
  if readelf -d "$f" | grep -E '\((RUN)?PATH\)' | grep -qF "$build"; then
    fail "$f keeps a path into the build tree"
  fi
done
# The installed program starts; without a job it says so and ends well.
[ -x "$prefix/bin/lathra" ] || fail "lathra is not installed"
run "$work/lathra.log" env LATHRA_UI=console "$prefix/bin/lathra" </dev/null
grep -q '^\[lathra' "$work/lathra.log" || { cat "$work/lathra.log" >&2; fail "lathra without a job"; }
for h in "$here"/../../libkxapi/include/*.h; do
  cmp -s "$h" "$prefix/include/kxapi/$(basename "$h")" || fail "header $(basename "$h") is not installed"
done

# ---- pkg-config ----
export PKG_CONFIG_PATH=$libdir/pkgconfig
[ "$(pkg-config --modversion kxapi)" = "$version" ] || fail "pkg-config version $(pkg-config --modversion kxapi)"

# check_programs <dir holding the example programs> <how they were built>
check_programs() {
  local bin=$1 how=$2 program
  for program in curves errors holed_block; do
    # The installed library is the one loaded, not the build tree's.
    loaded=$(ldd "$bin/$program" | sed -n 's/.*libkxapi\.so\.[0-9]* => \(.*\) (.*/\1/p')
    [ "$(realpath "$loaded")" = "$(realpath "$libdir/libkxapi.so.$version")" ] ||
      fail "$how $program loads libkxapi from '$loaded'"
    rm -rf "$work/run" && mkdir "$work/run"
    (cd "$work/run" && "$bin/$program") >"$work/$program.out" 2>"$work/$program.err" || {
      cat "$work/$program.out" "$work/$program.err" >&2
      fail "$how $program failed"
    }
    diff -u "$here/$program.expected" "$work/$program.out" >&2 || fail "$how $program printed otherwise"
  done
}

# ---- The examples with their Makefile (pkg-config) ----
mkdir "$work/make"
cp "$examples"/*.c "$examples/Makefile" "$work/make/"
run "$work/make.log" make -C "$work/make" CC="$cc" CFLAGS="-g -Wall -Wextra -Werror $flags" LDFLAGS="$flags"
check_programs "$work/make" "pkg-config"

# ---- The examples with the CMake package ----
run "$work/cmake-configure.log" "$cmake" -S "$examples" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_COMPILER="$cc" -DCMAKE_C_FLAGS="-Wall -Wextra -Werror $flags" -DCMAKE_EXE_LINKER_FLAGS="$flags"
grep -qx "kxapi_DIR:PATH=$libdir/cmake/kxapi" "$work/cmake/CMakeCache.txt" ||
  fail "find_package(kxapi) found $(grep kxapi_DIR "$work/cmake/CMakeCache.txt")"
run "$work/cmake-build.log" "$cmake" --build "$work/cmake"
check_programs "$work/cmake" "CMake package"

echo "installed, built and ran the examples against $prefix"
