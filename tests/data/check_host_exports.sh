#!/bin/sh
# check_host_exports.sh <libkxhost.so> <libkxapi.so> <kxhost.map> <host source dir>
# libkxhost.so exports the host's C routines and common blocks and, of its
# C++, exactly the functions its version script names (those libkxapi.so
# calls). Fails on any other C++ name exported, on a named one missing, on
# an exported routine of the C interface missing, on a symbol that
# libkxapi.so needs and no library it loads defines, and on a host header
# whose C declarations are not marked for export (see host/base/export.h).
host="$1" api="$2" map="$3" sources="$4"
status=0

for h in $(grep -rl --include='*.h' '^extern "C" {' "$sources"); do
    grep -q '^#pragma GCC visibility push(default)' "$h" || { echo "$h: C routines not marked for export"; status=1; }
done
exports=$(nm -D --defined-only "$host" | awk '$2 ~ /[TDBRWVu]/ {print $3}')

# The C++ names the version script keeps, demangled as the script writes them.
allowed=$(sed -n 's/^ *"\(.*\)";$/\1/p' "$map")
cxx=$(echo "$exports" | grep '^_Z' | c++filt)
extra=$(echo "$cxx" | grep -vxF "$allowed")
if [ -n "$extra" ]; then
    echo "C++ names exported beyond the version script's list:"
    echo "$extra"
    status=1
fi
missing=$(echo "$allowed" | grep -vxF "$cxx")
if [ -n "$missing" ]; then
    echo "C++ names of the version script not exported:"
    echo "$missing"
    status=1
fi

# The C interface is there (a few routines of each service the library calls).
for name in ERROR_raise ERROR_set_handler SM_alloc SM_free OM_ask_class RM_ask_entity_type UNDO_JQ_set_mark \
            ES_ask_entity_color PART_ask_part_of_object; do
    echo "$exports" | grep -qx "$name" || { echo "$name is not exported"; status=1; }
done

# Everything libkxapi.so needs is defined by a library it loads (a
# sanitizer's runtime, which clang links into the program, aside).
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for lib in "$host" $(ldd "$api" | sed -n 's/.*=> \(\/[^ ]*\) .*/\1/p'); do
    nm -D --defined-only "$lib" | awk '{print $3}'
done | sed 's/@.*//' | sort -u >"$work/defined"
unresolved=$(nm -D --undefined-only "$api" | awk '$1 == "U" {print $2}' | sed 's/@.*//' |
             grep -vE '^__(asan|ubsan|lsan|sanitizer|sancov)_' | sort -u | comm -23 - "$work/defined")
if [ -n "$unresolved" ]; then
    echo "libkxapi.so needs what no library defines:"
    echo "$unresolved" | c++filt
    status=1
fi
exit $status
