// Texts and trace lines shared by the knowledge-language functions.
// Internal to libkxapi/kf/.
#ifndef KX_KF_KF_TEXT_H
#define KX_KF_KF_TEXT_H

#include "kx_codes.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

#include "host/rules/rules.h"
#include "host/services/error.h"
#include "host/services/memory.h"
#include "host/services/text.h"

namespace kx::kf {

inline constexpr const char* kModule = "kx_kf";

// ---- Texts ---------------------------------------------------------------------

inline void free_text(TEXT_s* text) { TEXT_free(text); }
using text_ptr = kx::held<TEXT_s, free_text>;

// Refuses text that is not ASCII through the error frame.
inline void require_ascii(const char* text) {
    const text_ptr t(TEXT_init_string(text));
    if (!TEXT_is_ascii(t.get())) ERROR_raise(kModule, 0, KX_ERR_ONLY_ASCII, "Only ASCII data is supported");
}

// A caller-owned copy (SM_alloc) of a host text in the locale's code set.
inline char* locale_copy(TEXT_s* text) {
    char* locale = TEXT_to_locale_sized(text, -1);
    char* out = SM_string_copy(locale);
    TEXT_free_locale(locale);
    return out;
}

inline void trace(const char* line) { KBL_display_info_message(line); }

// Hands the engine the library's entry for rule calls into user libraries
// (kx_kf_extension.cpp).
void register_invocation();

// Runs a list function between its two trace lines: the first after the
// session check, the second at the end of a call that wrote the first.
template <class Pro, class Work>
int traced(const char* first, const char* last, Pro prologue, Work work) {
    return kx::guarded([&] {
        bool begun = false;
        const int st = kx::frame(
            [&] {
                begun = true;
                trace(first);
                return prologue();
            },
            work);
        if (!begun) return st;
        // The closing line under a frame of its own: its failure is the
        // status of a call that went through.
        const int closing = kx::frame(kx::no_check, [&] {
            trace(last);
            return 0;
        });
        return st != 0 ? st : closing;
    });
}

}  // namespace kx::kf

#endif
