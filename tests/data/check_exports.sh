#!/bin/sh
# Lists the symbols that the shared library exports beyond the public C
# API (KX_..., ucNNNN, kxNNNN_ and the like, SYS_init_extkxapi) and fails
# when there is any, or when the library exports none of the API.
lib="$1"
extra=$(nm -D --defined-only "$lib" | awk '$2 ~ /[TDBRW]/ {print $3}' |
        grep -vE '^(KX_|uc[0-9]|kx[a-z0-9]+_$|SYS_init_extkxapi$|_init$|_fini$|_edata$|_end$|__bss_start$)')
if [ -n "$extra" ]; then
    echo "exported beyond the C API:"
    echo "$extra"
    exit 1
fi
nm -D --defined-only "$lib" | grep -q ' T KX_initialize$' || { echo "KX_initialize is not exported"; exit 1; }
