// Kernel data files for the library's own callers (the part import).
// Internal to the library.
#ifndef KX_ZR_KX_ZR_FILES_H
#define KX_ZR_KX_ZR_FILES_H

#include "kx_modl.h"

namespace kx::zr {

// True for a name short enough for the transfer routines (a null name: false).
bool name_fits(const char* file);
// The work of KX_ZR_export_data and KX_ZR_import_data (arguments checked).
int export_data(const tag_list* objects, const char* file);
int import_data(const char* file, tag_list** objects);

}  // namespace kx::zr

#endif
