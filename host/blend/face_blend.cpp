// Face blends of the modelling library (host/blend/face_blend.h): blend
// features between two face sets made from the dialog's data, and the data
// kept with each feature and read back.
#include "host/blend/face_blend.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/expr/expr.h"
#include "host/feature/feature.h"
#include "host/feature/kept_law.h"
#include "host/feature/records.h"
#include "host/hook.h"
#include "host/kernel/kernel.h"
#include "host/model.h"
#include "host/numeric/tolerances.h"
#include "host/services/error.h"
#include "host/services/memory.h"
#include "host/services/objects.h"

namespace {

using tag_t = unsigned int;
namespace hf = host::feature;

constexpr const char* kKind = "FACE_BLEND";

// The trim codes in the order of the numbers a feature stores for them
// (stored 0 and 1 both mean no trimming).
constexpr std::array<int, 7> kStoredTrim = {BLEF_TRIM_NONE,  BLEF_TRIM_NONE,   BLEF_TRIM_ALL,     BLEF_TRIM_ALL_SHORT,
                                            BLEF_TRIM_FIRST, BLEF_TRIM_SECOND, BLEF_TRIM_ALL_LONG};

using hf::copy_in;
using hf::copy_out;
using Law = hf::KeptLaw;

// What the feature keeps of the data it was made from.
struct FaceBlendRow {
    std::array<std::vector<tag_t>, 2> faces;  // the objects as given
    std::array<unsigned char, 5> flags{};
    std::array<unsigned char, 3> options{};
    std::vector<tag_t> aux;
    std::array<std::array<std::vector<tag_t>, 2>, 2> curves;
    int stored_trim = 0;
    int law_flag = 0, variation = 0, kind = 0;
    std::string tolerance;
    std::array<Law, 3> laws;
    int radius_slot = -1;  // the law whose first value is the radius
    std::array<unsigned char, 3> limits_active{};
    std::array<double, BLEF_LIMIT_DOUBLES> limits{};
};
host::TagTable<FaceBlendRow>& rows() {
    static auto* const t = new host::TagTable<FaceBlendRow>("face blends");
    return *t;
}
const bool registered = (rows(), true);

void put_text(char (&field)[BLEF_TEXT_CHARS], const std::string& text) {
    const std::size_t n = std::min(text.size(), sizeof field - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

bool text_of(const char (&field)[BLEF_TEXT_CHARS], std::string* out) {
    const void* end = std::memchr(field, '\0', sizeof field);
    if (!end) return false;
    *out = std::string(field, static_cast<const char*>(end));
    return true;
}

bool is_face_blend(tag_t feature) {
    const hf::Record* r = hf::find(feature);
    return r && r->kind == kKind && rows().find(feature);
}

// The radius a law gives the kernel's blend: its first value.
bool law_radius(const Law& law, double* radius) {
    if (!law.present || law.values.empty()) return false;
    *radius = law.values[0];
    return std::isfinite(*radius) && *radius > 0;
}

}  // namespace

extern "C" {

void BLEF_init_ui_data(BLEF_ui_data_t* data) {
    auto call = HOST_ENTRY(data);
    call.need(data, "the face blend data");
    std::memset(data, 0, sizeof *data);
    data->flags[3] = data->flags[4] = 1;
    data->options[0] = data->options[1] = data->options[2] = 1;
    data->trim_option = BLEF_TRIM_NONE;
    std::strcpy(data->radius, "0.25");
    char text[EXP_VALUE_CHARS];
    EXP_format_value(srfc1_[0], text);
    put_text(data->tolerance, text);
}

void BLEF_clean_ui_data(BLEF_ui_data_t* data) {
    auto call = HOST_ENTRY(data);
    call.need(data, "the face blend data");
    for (unsigned int*& set : data->faces) SM_free(set);
    SM_free(data->aux_objects);
    for (auto& group : data->curves)
        for (unsigned int*& slot : group) SM_free(slot);
    for (host_law*& law : data->laws) BLEF_free_law(law);
    BLEF_init_ui_data(data);
}

void BLEF_fill_faces_set(BLEF_ui_data_t* data, int set, int n, const unsigned int faces[]) {
    auto call = HOST_ENTRY(data, set, n, faces);
    call.need(data, "the face blend data");
    if (set < 0 || set > 1 || n < 0) call.fail(HOST_ERR_BAD_ARGUMENT, "no face set %d of %d faces", set, n);
    if (n > 0) call.need(faces, "the faces");
    SM_free(data->faces[set]);
    data->faces[set] = copy_out(copy_in(n, faces));
    data->number_of_faces[set] = n;
}

int BLEF_is_trim_option_valid(int trim_option, const BLEF_ui_data_t* data) {
    auto call = HOST_ENTRY(trim_option, data);
    call.need(data, "the face blend data");
    if (BLEF_stored_trim(trim_option) < 0) return 0;
    return data->number_of_faces[0] > 0 && data->number_of_faces[1] > 0 ? 1 : 0;
}

int BLEF_stored_trim(int trim_option) {
    HOST_ENTRY(trim_option);
    if (trim_option == BLEF_TRIM_NONE) return 0;
    for (std::size_t i = 2; i < kStoredTrim.size(); ++i)
        if (kStoredTrim[i] == trim_option) return static_cast<int>(i);
    return -1;
}

int BLEF_trim_of_stored(int stored) {
    HOST_ENTRY(stored);
    return stored >= 0 && static_cast<std::size_t>(stored) < kStoredTrim.size() ? kStoredTrim[stored] : 0;
}

int BLEF_is_face_blend(unsigned int feature) {
    HOST_ENTRY(feature);
    return is_face_blend(feature) ? 1 : 0;
}

void BLEF_create_feature(BLEF_ui_data_t* data, unsigned int* feature, int* error) {
    auto call = HOST_ENTRY(data, feature, error);
    call.need(data, "the face blend data");
    call.need(feature, "the feature output");
    call.need(error, "the error output");
    *feature = 0;
    *error = hf::caught([&] {
        const auto fail = [&](int code) { call.fail(code, "the face blend cannot be made"); };
        for (int s = 0; s < 2; ++s)
            if (data->number_of_faces[s] < 1 || !data->faces[s]) fail(FEAT_ERR_BAD_PARAMETERS);
        const tag_t first = data->faces[0][0];
        if (!host::objects::is_alive(first) || !ES_solid_is_a_face(first)) fail(FEAT_ERR_BAD_REFERENCE);
        const tag_t body = ES_solid_ask_body(first);
        const tag_t part = host::objects::require(body).part;
        const int stored = BLEF_stored_trim(data->trim_option);
        if (stored < 0) fail(FEAT_ERR_BAD_PARAMETERS);
        std::string radius, tolerance;
        if (!text_of(data->radius, &radius) || !text_of(data->tolerance, &tolerance)) fail(FEAT_ERR_BAD_PARAMETERS);
        FaceBlendRow row;
        for (int i = 0; i < 3; ++i) row.laws[i] = hf::keep_law(data->laws[i]);
        if (data->kind != 0) {
            // The laws give the radius: the main law, else a range law.
            double r = 0;
            for (int i = 0; i < 3 && row.radius_slot < 0; ++i)
                if (law_radius(row.laws[i], &r)) row.radius_slot = i;
            if (row.radius_slot < 0) fail(FEAT_ERR_BAD_PARAMETERS);
            char text[EXP_VALUE_CHARS];
            EXP_format_value(r, text);
            radius = text;
        }
        std::vector<tag_t> refs;
        for (int s = 0; s < 2; ++s) {
            row.faces[s] = copy_in(data->number_of_faces[s], data->faces[s]);
            refs.insert(refs.end(), row.faces[s].begin(), row.faces[s].end());
        }
        std::memcpy(row.flags.data(), data->flags, 5);
        std::memcpy(row.options.data(), data->options, 3);
        row.aux = copy_in(data->number_of_aux_objects, data->aux_objects);
        for (int g = 0; g < 2; ++g)
            for (int k = 0; k < 2; ++k) row.curves[g][k] = copy_in(data->number_of_curves[g][k], data->curves[g][k]);
        row.stored_trim = stored;
        row.law_flag = data->law_flag;
        row.variation = data->variation;
        row.kind = data->kind;
        row.tolerance = tolerance;
        std::memcpy(row.limits_active.data(), data->limits_active, 3);
        std::copy(std::begin(data->limits), std::end(data->limits), row.limits.begin());
        const char* formulas[1] = {radius.c_str()};
        const double numbers[1] = {static_cast<double>(data->number_of_faces[0])};
        tag_t made = 0;
        if (int code = FEAT_create(part, kKind, 1, formulas, 1, numbers, static_cast<int>(refs.size()), refs.data(),
                                   body, FEAT_SIGN_NEW, &made))
            fail(code);
        rows()[made] = std::move(row);
        *feature = made;
    });
}

void BLEF_load_ui_data_from_parms(unsigned int feature, BLEF_ui_data_t* data) {
    auto call = HOST_ENTRY(feature, data);
    call.need(data, "the face blend data");
    if (!is_face_blend(feature)) call.fail(FEAT_ERR_BAD_PARAMETERS, "object %u is no face blend", feature);
    BLEF_init_ui_data(data);
    const FaceBlendRow& row = *rows().find(feature);
    const hf::Record& r = *hf::find(feature);
    const host::expr::Expression* radius = host::expr::find(r.exps[0]);
    put_text(data->radius, radius ? radius->formula : "");
    for (int s = 0; s < 2; ++s) {
        data->faces[s] = copy_out(row.faces[s]);
        data->number_of_faces[s] = static_cast<int>(row.faces[s].size());
    }
    std::memcpy(data->flags, row.flags.data(), 5);
    std::memcpy(data->options, row.options.data(), 3);
    data->aux_objects = copy_out(row.aux);
    data->number_of_aux_objects = static_cast<int>(row.aux.size());
    for (int g = 0; g < 2; ++g)
        for (int k = 0; k < 2; ++k) {
            data->curves[g][k] = copy_out(row.curves[g][k]);
            data->number_of_curves[g][k] = static_cast<int>(row.curves[g][k].size());
        }
    data->trim_option = BLEF_trim_of_stored(row.stored_trim);
    data->law_flag = row.law_flag;
    data->variation = row.variation;
    data->kind = row.kind;
    put_text(data->tolerance, row.tolerance);
    for (int i = 0; i < 3; ++i) data->laws[i] = hf::give_law(row.laws[i]);
    std::memcpy(data->limits_active, row.limits_active.data(), 3);
    std::copy(row.limits.begin(), row.limits.end(), data->limits);
}

host_law* BLEF_new_law(void) {
    HOST_ENTRY();
    auto* law = static_cast<host_law*>(SM_alloc(sizeof(host_law)));
    std::memset(law, 0, sizeof *law);
    return law;
}

void BLEF_free_law(host_law* law) {
    HOST_ENTRY(law);
    hf::free_law(law);
}

int BLEF_ask_law_reals(unsigned int feature, int slot, int* n, double** reals) {
    auto call = HOST_ENTRY(feature, slot, n, reals);
    call.need(n, "the count output");
    call.need(reals, "the reals output");
    *n = 0;
    *reals = nullptr;
    if (!is_face_blend(feature)) call.fail(FEAT_ERR_BAD_PARAMETERS, "object %u is no face blend", feature);
    if (slot < 0 || slot > 2) call.fail(HOST_ERR_BAD_ARGUMENT, "no law slot %d", slot);
    const Law& law = rows().find(feature)->laws[slot];
    if (!law.present || law.values.empty()) return 0;
    const std::size_t count = law.head.type == 1 ? 1 : law.values.size();
    *reals = copy_out(std::vector<double>(law.values.begin(), law.values.begin() + static_cast<std::ptrdiff_t>(count)));
    *n = static_cast<int>(count);
    return 0;
}

int BLEF_set_law_reals(unsigned int feature, int slot, int n, const double reals[]) {
    auto call = HOST_ENTRY(feature, slot, n, reals);
    if (!is_face_blend(feature)) call.fail(FEAT_ERR_BAD_PARAMETERS, "object %u is no face blend", feature);
    if (slot < 0 || slot > 2) call.fail(HOST_ERR_BAD_ARGUMENT, "no law slot %d", slot);
    const FaceBlendRow& now = *rows().find(feature);
    const Law& law = now.laws[slot];
    if (!law.present || law.values.empty() || n < 1 || !reals) return FEAT_ERR_BAD_PARAMETERS;
    const bool constant = law.head.type == 1;
    if (constant ? n != 1 : static_cast<std::size_t>(n) != law.values.size()) return FEAT_ERR_BAD_PARAMETERS;
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(reals[i])) return FEAT_ERR_BAD_PARAMETERS;
    std::vector<double> values(reals, reals + n);
    if (constant) values.push_back(reals[0]);
    // The radius expression follows the law that gives it: the last step
    // that can fail.
    if (now.radius_slot == slot) {
        const hf::Record& r = *hf::find(feature);
        char text[EXP_VALUE_CHARS];
        EXP_format_value(values[0], text);
        if (int code = EXP_edit_exp(host::objects::require(feature).part, r.exps[0], text)) return code;
    }
    rows()[feature].laws[slot].values = std::move(values);
    return 0;
}

}  // extern "C"
