// Steps shared by the part and attribute functions: decoding a part name
// through the product-data manager, copying a part name into a caller's
// buffer. Internal to the library.
#ifndef KX_PART_KX_PART_UTIL_H
#define KX_PART_KX_PART_UTIL_H

#include "host/store/parts/parts.h"
#include "host/base/services/error.h"
#include "kx_part.h"
#include "kx_part_import.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

namespace kx {

// Decodes the caller's part name (JQMGR_decode_cli_part_file) and runs
// work(decoded). A nonzero answer of the decoder is the status and work
// does not run. The decoded copy is freed before the work runs.
template <class Work>
int with_decoded_name(const char* name, Work&& work) {
    char* raw = nullptr;
    const int st = JQMGR_decode_cli_part_file(name, &raw);
    // The host's copy is given back before the work, so that nothing is
    // left to give back once the work has changed the model.
    const bool decoded = raw != nullptr;
    const std::string text = decoded ? raw : "";
    if (decoded) SM_free(raw);
    if (st != 0) return st;
    return work(decoded ? text.c_str() : static_cast<const char*>(nullptr));
}

// Copies a name that the host made (a file name, a display name ...) into
// a caller's buffer of KX_PART_MAX_NAME_CHARS + 1 bytes, cut when longer,
// and frees the host's string; the part functions that hand out names all
// copy this way.
inline void copy_part_name(char* buffer, char* host_name) {
    host_ptr<char> held(host_name);
    copy_cut(buffer, held.get(), KX_PART_MAX_NAME_CHARS);
}

}  // namespace kx

namespace kx::part {

// Imports a part file into the work part (KX_PART_import after its
// argument checks; the caller's frame catches host errors): 0, or the
// refusal code; *group is the group of what came in.
int import_part(const char* name, const import_options* options, const double orientation[6], const double point[3],
                double scale, tag* group);

}  // namespace kx::part

#endif
