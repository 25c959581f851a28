// Message tables of the library's own status codes.
//
// Every module owns a band of status codes (a base that is a multiple of
// 5000 and a range); the texts of a band's codes sit in one constant table
// of error_text_entry rows that ends with the row {0, nullptr}. The session
// start-up hands each table to the host's error service as the decoder of
// its band; after that, the host's table decoder and KX_get_fail_message
// find a code's text through it.
//
// Internal to the library: not part of the public headers.
#ifndef KX_CORE_KX_MSG_TABLES_H
#define KX_CORE_KX_MSG_TABLES_H

#include <span>

#include "host/base/services/error.h"

// Who registers a band, and when.
enum class kx_band_registration {
    // The once-per-process registrations of the session start-up.
    startup,
    // init_cam_modules, run from the start-up while its pending flag is set.
    cam_modules,
    // KX_CAM_PREPRO_init_module, each time it is called (one of the hooks
    // that init_cam_modules runs).
    cam_prepro,
    // The owning module itself, the first time it runs; not at start-up.
    module_first_use,
};

// One band of status codes and its message table.
struct kx_message_band {
    int base;                       // first code of the band
    int range;                      // number of codes in the band
    const error_text_entry* table;  // rows end with {0, nullptr}
    kx_band_registration registered_by;
    const char* subject;  // what the band's codes are about
};

// Every band, in the order in which the library registers them: the
// start-up bands, then 1345000 (init_cam_modules), 1930000 (its
// pre-processing hook), and last 1765000, which the finite-element module
// registers on first use.
std::span<const kx_message_band> kx_message_bands();

// The table of the band with the given base code; nullptr when no band of
// the library starts there.
const error_text_entry* kx_message_table(int base);

#endif
