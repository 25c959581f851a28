// Texts and trace lines shared by the knowledge-language functions.
// Internal to libkxapi/kf/.
#ifndef KX_KF_KF_TEXT_H
#define KX_KF_KF_TEXT_H

#include "kx_codes.h"
#include "kx_kf.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

#include "host/model/rules/rules.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/text.h"

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

inline void free_locale(char* text) { TEXT_free_locale(text); }
using locale_ptr = kx::held<char, free_locale>;

// A caller-owned copy (SM_alloc) of a host text in the locale's code set.
inline char* locale_copy(TEXT_s* text) {
    const locale_ptr locale(TEXT_to_locale_sized(text, -1));
    return SM_string_copy(locale.get());
}

// An engine listing (an array of host texts) held for the length of a
// call: the texts and the array go back on every way out.
struct engine_texts {
    int n = 0;
    TEXT_p_t* texts = nullptr;
    engine_texts() = default;
    engine_texts(const engine_texts&) = delete;
    engine_texts& operator=(const engine_texts&) = delete;
    ~engine_texts() {
        if (!texts) return;
        for (int i = 0; i < n; ++i) kx::release([t = texts[i]] { TEXT_free(t); });
        kx::release([a = texts] { SM_free(a); });
    }
};

// True when a release in clean-up failed: the frame answers that failure,
// so outputs are not handed out.
inline bool release_failed() { return kx::detail::g_release_failure != 0; }

inline void trace(const char* line) { KBL_display_info_message(line); }

// The instance of a value (KX_KF_ask_instance: its frame and checks
// included), for the other functions that read one.
int ask_instance(const knowledge_value* value, KX_KF_instance_p_t* out);

// Hands the engine the library's entry for rule calls into user libraries
// (kx_kf_extension.cpp).
void register_invocation();

// Runs a function between its two trace lines: the first after the
// session check (under the call's frame), the second at the end of a call
// that wrote the first.
template <class Pro, class Work>
int traced(const char* first, const char* last, Pro prologue, Work work) {
    return kx::guarded([&] {
        bool begun = false;
        const int st = kx::frame(
            kx::arm_first,
            [&] {
                begun = true;
                trace(first);
                return prologue();
            },
            work);
        if (!begun) return st;
        // The closing line under a frame of its own: the trace only
        // informs, so its failure is acknowledged and the call's status
        // (and the outputs it handed out) stand.
        kx::frame(kx::Opts{.check_init = false, .acknowledge = kx::every_code}, [&] {
            trace(last);
            return 0;
        });
        return st;
    });
}

}  // namespace kx::kf

#endif
