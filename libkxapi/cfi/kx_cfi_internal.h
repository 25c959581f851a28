// State of the old numbered file interface shared by its sources: the
// directory scan and the header record. Internal to the library.
#ifndef KX_CFI_KX_CFI_INTERNAL_H
#define KX_CFI_KX_CFI_INTERNAL_H

#include "host/platform/cfi/cfi.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

// The header record that the scan and the header reads fill and the query
// entries read (process-wide, like the scan).
extern "C" CFI_header_record_t kxcom_hdr_rec;

namespace kx::cfi {

// Elements of one host call of a block transfer or skip.
inline constexpr int kChunk = 32768;

// The scan: levels 1 to depth are open.
struct Scan {
    int depth;
    int level[10];  // channel of each level (index 0 holds none)
    int mask;       // header fields of the last header read or write
};
const Scan& scan();

// The full specification of the scan's current entry into spec (a buffer
// of KX_CFI_FSPEC_BUFSIZE bytes): 0, KX_CFI_NO_SCAN (spec emptied) or the
// failure of the host's query. Host errors pass.
int entry_spec(char* spec);

// Host strings that a call receives. They are freed by the call itself on
// its normal way out (a free that fails then reaches the frame like any
// host error), and by the frame's failure step when a host error ends the
// call, also one that the host raised after handing over the first string.
// Never by a destructor: a free that raises there would end the process.
struct HostStrings {
    char* s[2] = {};
    void free() {
        for (char*& p : s) free_and_clear(p);
    }
};

// kx::frame for work that receives host strings into `held`.
template <class Work>
int strings_frame(const Opts& o, HostStrings& held, Work&& work) {
    return frame(
        o, on_error([&] { held.free(); }), [] { return 0; },
        [&] {
            const int st = work();
            held.free();
            return st;
        });
}

}  // namespace kx::cfi

// Closes nothing: forgets the scan, the header record and the argument
// counter, as in a fresh process (the host's reset closes the channels).
extern "C" void kx_cfi_reset_for_tests(void);
// Sets the argument counter of uc4621 back to 0.
extern "C" void kx_cfi_reset_arguments_for_tests(void);

#endif
