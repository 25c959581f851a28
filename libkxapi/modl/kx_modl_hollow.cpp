// Hollow features: the face groups turned into the host's hollow lists and
// the hollow made under the "Variable Hollow" mark.
#include <cstring>
#include <vector>

#include "host/apps/modeling/bodyops/hollow.h"
#include "host/store/parts/parts.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/kernel/engine/kernel.h"
#include "host/numeric/tolerances.h"
#include "kx_modl_body_ops.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/modl/kx_modl_cre_feat_shared.h"
#include "libkxapi/core/kx_list.h"

namespace {

constexpr const char* kMark = "Variable Hollow";
constexpr std::size_t kThicknessChars = 255;

// A host hollow list freed on every way out.
struct HeldList {
    HOLLOW_list_t* list = nullptr;
    HeldList() = default;
    HeldList(const HeldList&) = delete;
    HeldList& operator=(const HeldList&) = delete;
    ~HeldList() { reset(); }
    void reset() {
        if (list) kx::release([&] { HOLLOW_free_list(list); });
        list = nullptr;
    }
};

bool fits(const char* text) { return text && std::memchr(text, '\0', kThicknessChars + 1); }

int hollow(double tolerance, const char* thickness, int n1, const tag* f1, int n2, const tag* f2, int n3, const tag* f3,
           char** texts, tag* feature) {
    unsigned int body = 0;
    int kind = 3;
    if (n1 == 0) {
        body = BREF_ask_current_target(CONTEXT_ask_work_part());
        if (body == 0) return KX_MODL_ERR_NOT_A_BODY;
        if (n3 == 0 && !HOLLOW_is_valid_thickness(tolerance, thickness)) return KX_MODL_ERR_EXPRESSION;
    } else {
        const int entity = ES_solid_ask_fermalith_tag(f1[0]);
        if (entity == 0) return KX_MODL_ERR_FACE_DATA;
        int kernel_body = 0;
        ZQ_ENTITY_ask_body(entity, &kernel_body);
        if (kernel_body != 0) pxlook_(&kernel_body, &body);
        if (body == 0) return KX_MODL_ERR_NOT_A_BODY;
    }
    HeldList l1, l2, l3;
    if (n1 > 0) {
        kind = 1;
        if (int st = HOLLOW_get_list(0, 0, tolerance, body, n1, f1, nullptr, thickness, &l1.list)) return st;
        if (n2 > 0) {
            kind = 2;
            if (int st = HOLLOW_get_list(0, 0, tolerance, body, n2, f2, nullptr, thickness, &l2.list)) return st;
        }
    }
    if (n3 > 0)
        if (int st = HOLLOW_get_list(0, 1, tolerance, body, n3, f3, texts, thickness, &l3.list)) return st;
    unsigned int made = 0;
    const int st = kx::undo_bracket(1, kMark, [&] {
        const int st = HOLLOW_create_frec(kind, tolerance, thickness, body, l1.list, l2.list, l3.list, &made);
        // Freed within the mark: a failed release rolls the hollow back.
        l1.reset();
        l2.reset();
        l3.reset();
        return st;
    });
    if (st == 0) *feature = made;
    return st;
}

int variable_hollow(double tolerance, const char* thickness, int n1, tag* f1, int n2, tag* f2, int n3, tag* f3,
                    char** texts, tag* feature) {
    return kx::frame(
        kx::no_check,
        [&] {
            kx::clear(feature);
            if (!feature) return kx::param(10);
            if (!fits(thickness)) return static_cast<int>(KX_MODL_ERR_EXPRESSION);
            if (n1 < 0) return kx::param(3);
            if (n1 > 0 && !f1) return kx::param(4);
            if (n2 < 0) return kx::param(5);
            if (n2 > 0 && !f2) return kx::param(6);
            if (n3 < 0) return kx::param(7);
            if (n3 > 0 && !f3) return kx::param(8);
            if (n3 > 0 && !texts) return kx::param(9);
            for (int i = 0; i < n3; ++i)
                if (!fits(texts[i])) return static_cast<int>(KX_MODL_ERR_EXPRESSION);
            return 0;
        },
        [&] { return hollow(tolerance, thickness, n1, f1, n2, f2, n3, f3, texts, feature); });
}

}  // namespace

KXAPI int KX_MODL_create_variable_hollow(double tolerance, const char* thickness, int n_open, tag* open,
                                                    int n_more_open, tag* more_open, int n_own, tag* own,
                                                    char** own_thickness, tag* feature) {
    return variable_hollow(tolerance, thickness, n_open, open, n_more_open, more_open, n_own, own, own_thickness,
                           feature);
}

KXAPI int KX_MODL_create_hollow(const char* thickness, tag_list* faces, tag* feature) {
    return kx::frame(
        kx::no_check,
        [&] {
            kx::clear(feature);
            return feature ? 0 : kx::param(3);
        },
        [&] {
            const std::vector<tag> list = kx::tags_of(faces);
            if (!list.empty()) {
                // The first face becomes the current face reference; every
                // face must have its kernel face.
                BREF_set_current_bref_of_face(list[0]);
                int kernel_list = 0;
                if (int st = kx::modl::make_edge_kernel_list(faces, &kernel_list)) return st;
                KI_free_list(kernel_list);
            }
            std::vector<tag> copy(list);
            return variable_hollow(srfc1_[0], thickness, static_cast<int>(copy.size()), copy.data(), 0, nullptr, 0,
                                   nullptr, nullptr, feature);
        });
}
