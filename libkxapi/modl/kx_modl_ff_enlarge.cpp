// Enlarged sheets: the checks of the type, tolerance and percentages, the
// creation through the host's sheet-extension service, and the edit and
// query of the sheet-parameter record, each under its temporary undo mark.
#include <array>
#include <cstdio>
#include <cstring>

#include "kx_codes.h"
#include "kx_modl_cre_ff.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_cre_ff_internal.h"

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/occurrences.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/freeform/enlarge.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"

namespace ff = kx::modl::freeform;

namespace {

constexpr std::size_t kTextChars = 255;  // a percentage text's 256-byte buffer
constexpr int kCount = 2;

// 1105006 for a missing percentage array or text, or a text too long for
// its buffer.
int check_texts(char* const percent[4]) {
    if (!percent) return kx::param(3);
    for (int i = 0; i < 4; ++i)
        if (!percent[i] || std::strlen(percent[i]) > kTextChars) return kx::param(3);
    return 0;
}

int check_type_and_tolerance(int type, double tolerance) {
    if (type != 0 && type != 1) return KX_MODL_ERR_ENLARGE_TYPE;
    if (!(tolerance > 0.0)) return KX_MODL_ERR_BAD_TOLERANCE;
    return 0;
}

// Each text's value in the work part, and its range for the type.
int check_percentages(int type, char* const percent[4]) {
    std::array<double, 4> v{};
    for (int i = 0; i < 4; ++i)
        if (EXP_ask_value_of_exp_str(CONTEXT_ask_work_part(), percent[i], &v[i]) != 0)
            return KX_MODL_ERR_EXPRESSION;
    const double low = type == 0 ? 0.0 : -99.0;
    for (double x : v)
        if (x < low || x > 100.0) return KX_MODL_ERR_ENLARGE_PERCENT;
    if (type == 1 && (v[0] + v[1] < -99.0 || v[2] + v[3] < -99.0)) return KX_MODL_ERR_ENLARGE_SUM;
    return 0;
}

// The sheet-parameter record of an enlarged sheet: 670079 for a feature
// not loaded, 875233 without a record, 875004 for another sheet's.
int enlarge_record(tag feature, SS_PARMS_t& parms) {
    if (!TAG_ask_tag_loaded(feature)) return KX_MODL_ERR_FEATURE_NOT_LOADED;
    if (!SS_PARMS_ask(feature, &parms)) return KX_MODL_ERR_NOT_A_FEATURE;
    if (parms.marker != SS_PARMS_MARKER || parms.kind != SS_KIND_ENLARGE || parms.count < kCount)
        return KX_MODL_ERR_WRONG_KIND;
    return 0;
}

kx::host_ptr<char> text_buffer(const char* from) {
    kx::host_ptr<char> t(static_cast<char*>(SM_alloc(kTextChars + 1)));
    kx::copy_cut(t.get(), from, kTextChars);
    return t;
}

// The record's arrays and then the record; the record goes also when its
// arrays fail to.
void free_surface(BSRF_surface_t* s) {
    try {
        ev4350(s);
    } catch (...) {
        SM_free(s);
        throw;
    }
    SM_free(s);
}

}  // namespace

extern "C" {

KXAPI int KX_MODL_create_enlarge(tag face, int type, char* percent[4], double tolerance, tag* result) {
    return kx::frame(
        [&] {
            kx::clear(result);
            if (face == NULL_TAG) return static_cast<int>(KX_MODL_ERR_BEAD_NO_SECONDARY);
            if (int st = check_type_and_tolerance(type, tolerance)) return st;
            return check_texts(percent);
        },
        [&] {
            void* surface = evsrfu(face);
            if (!surface) return static_cast<int>(KX_MODL_ERR_NO_KERNEL_ENTITY);
            evsrff(surface);
            int flags[2] = {0, 0};
            SS_ask_surface_flags(face, flags);
            if (flags[0] && flags[1]) return static_cast<int>(KX_MODL_ERR_ENLARGE_CLOSED);
            if (int st = check_percentages(type, percent)) return st;
            return ff::with_temp_mark("KXAPI Create Enlarge", [&] {
                kx::clear(result);
                int kernel_face = 0;
                es7010_occ_(&face, &kernel_face);
                if (kernel_face == 0) return static_cast<int>(KX_MODL_ERR_NO_KERNEL_ENTITY);
                BSRF_surface_t* made = nullptr;
                int error = 0;
                bs_regen_rec_face(kernel_face, 2, tolerance, 1, &made, &error);
                const kx::held<BSRF_surface_t, free_surface> record(made);
                if (error != 0) return static_cast<int>(KX_MODL_ERR_FACE_PARAMETERS);
                std::array<kx::host_ptr<char>, 4> texts;
                std::array<char*, 4> view{};
                for (int i = 0; i < 4; ++i) view[i] = (texts[i] = text_buffer(percent[i])).get();
                char formatted[64];
                std::snprintf(formatted, sizeof formatted, "%.15g", tolerance);
                const kx::host_ptr<char> tolerance_text = text_buffer(formatted);
                const int kind_block[2] = {SS_KIND_ENLARGE, 0};
                const int pair[2] = {type, kCount};
                const unsigned int created = ui_create_ssextend(kind_block, face, NULL_TAG, pair, view.data(),
                                                                tolerance_text.get(), record.get(), &error);
                if (error != 0) return static_cast<int>(KX_MODL_ERR_ENLARGE_NOT_MADE);
                *result = CM_ask_eid_of_object(created);
                return 0;
            });
        });
}

KXAPI int KX_MODL_edit_enlarge(tag feature, int type, char* percent[4], double tolerance) {
    return kx::frame([&] { return check_texts(percent); },
                     [&] {
                         return ff::with_temp_mark("KXAPI Edit Enlarge", [&] {
                             SS_PARMS_t parms{};
                             if (int st = enlarge_record(feature, parms)) return st;
                             if (int st = check_type_and_tolerance(type, tolerance)) return st;
                             if (int st = check_percentages(type, percent)) return st;
                             SS_PARMS_set_type(feature, type);
                             const unsigned int part = CONTEXT_ask_work_part();
                             for (int i = 0; i < 4; ++i)
                                 if (int st = EXP_edit_exp(part, parms.percent[i], percent[i])) return st;
                             char formatted[64];
                             std::snprintf(formatted, sizeof formatted, "%.15g", tolerance);
                             SS_PARMS_set_tolerance(feature, formatted);
                             UPDATE_log_object_to_update(feature);
                             return 0;
                         });
                     });
}

KXAPI int KX_MODL_ask_enlarge(tag feature, tag* face, int* type, char* percent[4], double* tolerance) {
    return kx::frame(
        [&] {
            if (!face || !type || !percent || !tolerance) return kx::param(!face ? 2 : !type ? 3 : !percent ? 4 : 5);
            return 0;
        },
        [&] {
            return ff::with_temp_mark("KXAPI Ask Enlarge", [&] {
                *face = NULL_TAG;
                *type = 0;
                for (int i = 0; i < 4; ++i) percent[i] = nullptr;
                SS_PARMS_t parms{};
                if (int st = enlarge_record(feature, parms)) return st;
                const tag f = FREF_ask_jq_eid_of_fref(parms.face_ref);
                if (f == NULL_TAG) return static_cast<int>(KX_MODL_ERR_NO_KERNEL_ENTITY);
                double value = 0.0;
                if (int st = EXP_ask_value_of_exp(parms.tolerance, &value)) return st;
                // Each text is handed over in a block of its own length.
                std::array<kx::host_ptr<char>, 4> texts;
                for (int i = 0; i < 4; ++i) {
                    char* text = nullptr;
                    const int st = EXP_ask_exp_str_of_exp(parms.percent[i], &text);
                    texts[i].reset(text);
                    if (st != 0) return st;
                }
                *face = f;
                *type = parms.idata[1];
                for (int i = 0; i < 4; ++i) percent[i] = texts[i].release();
                *tolerance = value;
                return 0;
            });
        });
}

}  // extern "C"
