// Bend allowance and forming of sheet-metal features: each function asks
// the feature's sheet-metal kind and calls the host routine of that kind.
#include <cstring>

#include "kx_modl_bend_allowance.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"

#include "host/base/services/objects.h"
#include "host/apps/modeling/sheetmetal/sheetmetal.h"

namespace {

// Answers beyond the codes.
constexpr int kNoSheetMetal = 1;  // a kind without formula or forming state
constexpr int kUsesTable = 2;     // the same while the bend-allowance table is in use
constexpr int kStateless = 3;     // general flanges and bridges have no factor
// An empty formula handed out for a kind without one.
constexpr std::size_t kEmptyFormula = 256;
constexpr double kFlangeAngle = 90.0;

constexpr kx::Opts kOpts = kx::acknowledging;

bool live(tag object) { return TAG_ask_pointer_of_tag(object) != nullptr; }

bool is_flange(int kind) { return kind == SMD_FLANGE || kind == SMD_FLANGE_ALT; }

int no_formula() { return SMDUTL_ask_def_use_bat() == 1 ? kUsesTable : kNoSheetMetal; }

int ask_formula(tag feature, char** formula) {
    if (!live(feature)) return KX_MODL_ERR_NO_FEATURES;
    const int kind = SMDUTL_ask_smd_feature_type(feature);
    const char* text = nullptr;
    if (is_flange(kind)) text = FLANGE_ask_baf(feature);
    else if (kind == SMD_GENERAL_FLANGE) text = GENFLG_ask_baf(feature);
    else if (kind == SMD_BRIDGE) text = SMBRIDGE_ask_baf(feature);
    else if (kind == SMD_BEND) text = SMBEND_ask_baf(feature);
    if (text) {
        // The host keeps its text: the caller gets a copy of the library.
        *formula = kx::dup_string(text);
        return 0;
    }
    const int st = no_formula();
    *formula = kx::alloc_array<char>(kEmptyFormula);
    std::memset(*formula, 0, kEmptyFormula);
    return st;
}

int edit_formula(tag feature, const char* formula) {
    if (!live(feature)) return KX_MODL_ERR_NO_FEATURES;
    const int kind = SMDUTL_ask_smd_feature_type(feature);
    if (is_flange(kind)) return FLANGE_set_baf(feature, formula);
    if (kind == SMD_GENERAL_FLANGE) return GENFLG_set_baf(feature, formula);
    if (kind == SMD_BRIDGE) return SMBRIDGE_set_baf(feature, formula);
    if (kind == SMD_BEND) {
        SMBEND_record_t bend{};
        SMBEND_ask_smbend(feature, &bend);
        std::strcpy(bend.formula, formula);  // its length is checked before
        return SMBEND_set_baf(feature, &bend);
    }
    return no_formula();
}

// Forms (mode 2) or unforms (mode 1) each feature in order.
int set_forming(int count, const tag* features, unsigned char* changed, int mode) {
    int status = 0;
    for (int i = 0; i < count; ++i) {
        const tag f = features[i];
        if (!live(f)) {
            status = KX_MODL_ERR_NO_FEATURES;
            continue;
        }
        const int kind = SMDUTL_ask_smd_feature_type(f);
        int done = 0;
        if (is_flange(kind)) done = PIPNAV_set_state(f, FLANGE_ask_proc_factor(f), 0, mode);
        else if (kind == SMD_GENERAL_FLANGE) done = PIPNAV_set_state(f, 0.0, GENFLG_ask_state(f), mode);
        else if (kind == SMD_BRIDGE) done = PIPNAV_set_state(f, 0.0, SMBRIDGE_ask_state(f), mode);
        else if (kind == SMD_BEND) done = PIPNAV_set_state(f, SMBEND_ask_p_factor(f), 0, mode);
        else status = kNoSheetMetal;
        if (done) *changed = 1;
    }
    return status;
}

int forming(int count, const tag* features, unsigned char* changed, int mode) {
    return kx::frame(
        kOpts,
        [&] {
            if (count > 0 && !features) return static_cast<int>(KX_MODL_ERR_NULL_FEATURE);
            for (int i = 0; i < count; ++i)
                if (features[i] == NULL_TAG) return static_cast<int>(KX_MODL_ERR_NULL_FEATURE);
            return changed ? 0 : static_cast<int>(KX_MODL_ERR_BAD_FLAG);
        },
        [&] {
            // Every feature or none: a failure part-way takes back the
            // features changed before it, and *changed is set only then.
            int status = 0;
            unsigned char now = *changed;
            if (int st = kx::edit_with_tail([&] {
                    status = set_forming(count, features, &now, mode);
                    return 0;
                }))
                return st;
            *changed = now;
            return status;
        });
}

// The first checks of the single-feature functions.
int check_one(tag feature, bool output) {
    if (feature == NULL_TAG) return KX_MODL_ERR_NULL_FEATURE;
    return output ? 0 : static_cast<int>(KX_MODL_ERR_BAD_FLAG);
}

}  // namespace

KXAPI int KX_MODL_ask_bend_allowance_formula(tag feature, char** formula) {
    return kx::frame(
        kOpts,
        [&] {
            kx::clear(formula);
            return check_one(feature, formula != nullptr);
        },
        [&] { return ask_formula(feature, formula); });
}

KXAPI int KX_MODL_edit_bend_allowance_formula(tag feature, const char* formula) {
    return kx::frame(
        kOpts,
        [&] {
            if (int st = check_one(feature, formula != nullptr)) return st;
            // A bend keeps its formula in a field of the host's bend record.
            return std::strlen(formula) >= SMBEND_FORMULA_CHARS ? kx::param(2) : 0;
        },
        [&] { return edit_formula(feature, formula); });
}

KXAPI int KX_MODL_form_features(int count, const tag* features, unsigned char* changed) {
    return forming(count, features, changed, 2);
}

KXAPI int KX_MODL_unform_features(int count, const tag* features, unsigned char* changed) {
    return forming(count, features, changed, 1);
}

KXAPI int KX_MODL_ask_formable_feature_state(tag feature, int* state, double* factor) {
    return kx::frame(
        kOpts, [&] { return check_one(feature, state && factor); },
        [&] {
            if (!live(feature)) return static_cast<int>(KX_MODL_ERR_NO_FEATURES);
            const int kind = SMDUTL_ask_smd_feature_type(feature);
            if (kind == SMD_GENERAL_FLANGE || kind == SMD_BRIDGE) return kStateless;
            if (!is_flange(kind) && kind != SMD_BEND) return kNoSheetMetal;
            const double f = is_flange(kind) ? FLANGE_ask_proc_factor(feature) : SMBEND_ask_p_factor(feature);
            *factor = f;
            *state = f == 1.0 ? 1 : f == 0.0 ? 0 : 2;
            return 0;
        });
}

KXAPI int KX_MODL_edit_formable_feature_state(tag feature, int state, double* value) {
    return kx::frame(
        kOpts,
        [&] {
            if (int st = check_one(feature, value != nullptr)) return st;
            return state < 0 || state > 2 ? static_cast<int>(KX_MODL_ERR_BAD_FLAG) : 0;
        },
        [&] {
            if (!live(feature)) return static_cast<int>(KX_MODL_ERR_NO_FEATURES);
            const int kind = SMDUTL_ask_smd_feature_type(feature);
            if (kind == SMD_GENERAL_FLANGE || kind == SMD_BRIDGE) return kStateless;
            if (is_flange(kind)) PIPNAV_set_state(feature, *value * kFlangeAngle, state, 3);
            else if (kind == SMD_BEND) PIPNAV_set_state(feature, *value, state, 3);
            else return kNoSheetMetal;
            return 0;
        });
}
