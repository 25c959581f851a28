// Scale features: the host's scale record filled from the caller's factor
// texts, the host's scale made under the "Create Scale" mark, and the two
// retired entry points that scale one body.
#include <cstring>
#include <span>

#include "host/apps/modeling/bodyops/scale.h"
#include "host/base/services/memory.h"
#include "kx_modl_body_ops.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_session.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_edit_frame.h"

namespace {

constexpr const char* kMark = kx::modl::marks::kCreateScale;
constexpr const char* kUnused = "1.0000";
constexpr int kFirstText[3] = {0, 1, 3};
constexpr int kTexts[3] = {1, 2, 3};
constexpr std::size_t kFactorChars = SCALE_FACTOR_CHARS - 1;

// The texts that the type reads, each within the host's slot.
bool factors_fit(int type, const char (*factors)[KX_MODL_SCALE_SLOT_CHARS]) {
    if (type < 0 || type > 2) return true;
    for (int i = 0; i < kTexts[type]; ++i)
        if (!std::memchr(factors[i], '\0', kFactorChars + 1)) return false;
    return true;
}

// Fills the host's record; the body array comes from host memory and is
// released by the caller (bodies_block).
void fill_scale_record(SCALE_record_t& r, int type, const tag* bodies, int count, tag point, tag axis, tag csys,
                       const char (*factors)[KX_MODL_SCALE_SLOT_CHARS], unsigned int* block) {
    std::memset(&r, 0, sizeof r);
    r.type = type;
    r.type_again = type;
    r.point = point;
    r.axis = axis;
    r.csys = csys;
    r.bodies = block;
    for (int i = 0; i < count; ++i) block[i] = bodies[i];
    r.n_bodies = count;
    for (auto& text : r.factors) std::strcpy(text, kUnused);
    if (type < 0 || type > 2) return;
    for (int i = 0; i < kTexts[type]; ++i) std::strcpy(r.factors[kFirstText[type] + i], factors[i]);
}

// Makes the scale under the mark; take(records, n) hands the features on
// while the mark still stands, so that whatever it allocates or releases
// fails the edit (and takes the features back) when it fails.
template <class Take>
int make_scale(int type, const tag* bodies, int count, tag point, tag axis, tag csys,
               const char (*factors)[KX_MODL_SCALE_SLOT_CHARS], Take&& take) {
    return kx::undo_bracket(1, kMark, [&] {
        kx::host_ptr<unsigned int> block(
            static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int) * static_cast<std::size_t>(count))));
        SCALE_record_t record;
        fill_scale_record(record, type, bodies, count, point, axis, csys, factors, block.get());
        unsigned int* records = nullptr;
        int n = 0;
        const int made_st = SCALE_make_scale(&record, &records, &n);
        kx::host_ptr<unsigned int> held(records);
        if (made_st != 0) return made_st;
        take(records, n);
        return 0;
    });
}

int make_scale(int type, const tag* bodies, int count, tag point, tag axis, tag csys,
               const char (*factors)[KX_MODL_SCALE_SLOT_CHARS], tag** features) {
    // The caller's array is made last within the mark and handed over once
    // the mark is gone; a failure on the way frees it.
    kx::host_ptr<tag> out;
    const int st = make_scale(type, bodies, count, point, axis, csys, factors, [&](const unsigned int* records, int n) {
        out.reset(kx::copy_array<tag>(std::span<const tag>(records, static_cast<std::size_t>(n))));
    });
    if (st == 0) *features = out.release();
    return st;
}

int scale(int type, const tag* bodies, int count, tag point, tag axis, tag csys,
          const char (*factors)[KX_MODL_SCALE_SLOT_CHARS], tag** features) {
    return kx::frame(
        kx::no_check,
        [&] {
            kx::clear(features);
            if (count < 0) return kx::param(3);
            if (count > 0 && !bodies) return kx::param(2);
            if (!factors) return kx::param(7);
            if (!features) return kx::param(8);
            return factors_fit(type, factors) ? 0 : kx::param(7);
        },
        [&] { return make_scale(type, bodies, count, point, axis, csys, factors, features); });
}

// The retired entry points: one body, NULL_TAG centre, axis and system.
// The call is noted once the frame is armed (noting may read the host's
// environment), before its arguments are looked at, so that refused calls
// count too.
int scale_one(const char* name, int type, tag body, const char* const* texts, int n_texts, tag* feature) {
    return kx::frame(
        kx::arm_first,
        [&] {
            kx::clear(feature);
            kx::note_retired(name);
            if (!feature) return kx::param(4);
            for (int i = 0; i < n_texts; ++i)
                if (!texts || !texts[i] || std::strlen(texts[i]) >= KX_MODL_SCALE_SLOT_CHARS) return kx::param(3);
            return 0;
        },
        [&] {
            char slots[3][KX_MODL_SCALE_SLOT_CHARS] = {};
            for (int i = 0; i < n_texts; ++i) std::strcpy(slots[i], texts[i]);
            if (!factors_fit(type, slots)) return kx::param(3);
            // The feature is taken inside the mark: no array of the caller
            // is made only to be released after the edit.
            tag made = NULL_TAG;
            const int st = make_scale(type, &body, 1, NULL_TAG, NULL_TAG, NULL_TAG, slots,
                                      [&](const unsigned int* records, int n) {
                                          if (n > 0) made = records[0];
                                      });
            if (st == 0) *feature = made;
            return st;
        });
}

}  // namespace

KXAPI int KX_MODL_create_scale(int type, tag* bodies, int count, tag point, tag axis, tag csys,
                                          char factors[3][KX_MODL_SCALE_SLOT_CHARS], tag** features) {
    return scale(type, bodies, count, point, axis, csys, factors, features);
}

KXAPI int KX_MODL_create_uniform_scale(tag body, tag, const char* factor, tag* feature) {
    const char* texts[1] = {factor};
    return scale_one("KX_MODL_create_uniform_scale", 0, body, factor ? texts : nullptr, 1, feature);
}

KXAPI int KX_MODL_create_non_uni_scale(tag body, tag, const char* factors[3], tag* feature) {
    return scale_one("KX_MODL_create_non_uni_scale", 2, body, factors, 3, feature);
}
