// Face blends of the modelling library (host/apps/modeling/blend/face_blend.h): blend
// features between two face sets made from the dialog's data, and the data
// kept with each feature and read back.
#include "host/apps/modeling/blend/face_blend.h"
#include "host/store/parts/row_fields.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/kernel/curves/curve_queries.h"
#include "host/store/parts/part_file.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/kept_law.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

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

// The face of place i in the blend's sets: the object kept, else (a face
// whose object was not saved with the part) the face the feature works on.
tag_t face_of(tag_t feature, const FaceBlendRow& row, std::size_t i) {
    const std::size_t n0 = row.faces[0].size();
    const tag_t kept = i < n0 ? row.faces[0][i] : row.faces[1][i - n0];
    if (kept != 0) return kept;
    const hf::Record* r = hf::find(feature);
    if (!r || r->detached || i >= r->refs.size()) return 0;
    return host::kernel::object_of(r->refs[i]);
}

// The radius a law gives the kernel's blend: its first value.
bool law_radius(const Law& law, double* radius) {
    if (!law.present || law.values.empty()) return false;
    *radius = law.values[0];
    return std::isfinite(*radius) && *radius > 0;
}

// The distance from the middle of a curve (or edge) to the nearest of the
// kernel edges.
double distance_to_edges(const host::Call& call, tag_t curve, const std::vector<int>& edges) {
    const unsigned int ev = evcrvu_p(curve);
    if (ev == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "object %u carries no curve", curve);
    double range[2] = {0, 0}, point[3] = {0, 0, 0};
    evcrvp(ev, range);
    evcrve(ev, 0, (range[0] + range[1]) / 2, point);
    evcrvf(ev);
    double best = std::numeric_limits<double>::infinity();
    for (int e : edges) {
        double t = 0, d = 0;
        ZQ_EDGE_ask_closest_parameter(e, point, &t, &d);
        best = std::min(best, d);
    }
    return best;
}

// The kernel edges that a face of the first set shares with one of the
// second.
std::vector<int> shared_edges(const std::array<std::vector<tag_t>, 2>& sets) {
    std::array<std::set<int>, 2> edges;
    for (int s = 0; s < 2; ++s)
        for (tag_t f : sets[s]) {
            int* found = nullptr;
            int n = 0;
            if (KI_idcoen_sm(host::kernel::entity_of(f), ZQ_CLASS_EDGE, &found, &n) == 0)
                edges[s].insert(found, found + n);
            SM_free(found);
        }
    std::vector<int> out;
    std::set_intersection(edges[0].begin(), edges[0].end(), edges[1].begin(), edges[1].end(), std::back_inserter(out));
    return out;
}

// The data checked and read into the row the blend keeps, with the
// radius text the kernel's blend takes, the body, its part and the faces.
struct Prepared {
    FaceBlendRow row;
    std::string radius;
    tag_t body = 0, part = 0;
    std::vector<tag_t> refs;
};

Prepared prepare(const host::Call& call, const BLEF_ui_data_t& d) {
    const auto fail = [&](int code) { call.fail(code, "the face blend cannot be made"); };
    for (int s = 0; s < 2; ++s)
        if (d.number_of_faces[s] < 1 || !d.faces[s]) fail(FEAT_ERR_BAD_PARAMETERS);
    Prepared p;
    const tag_t first = d.faces[0][0];
    if (!host::objects::is_alive(first) || !ES_solid_is_a_face(first)) fail(FEAT_ERR_BAD_REFERENCE);
    p.body = ES_solid_ask_body(first);
    p.part = host::objects::require(p.body).part;
    FaceBlendRow& row = p.row;
    for (int s = 0; s < 2; ++s) {
        row.faces[s] = copy_in(d.number_of_faces[s], d.faces[s]);
        for (tag_t f : row.faces[s])
            if (!host::objects::is_alive(f) || !ES_solid_is_a_face(f) || ES_solid_ask_body(f) != p.body)
                fail(FEAT_ERR_BAD_REFERENCE);
        p.refs.insert(p.refs.end(), row.faces[s].begin(), row.faces[s].end());
    }
    const int stored = BLEF_stored_trim(d.trim_option);
    if (stored < 0) fail(FEAT_ERR_BAD_PARAMETERS);
    std::string tolerance;
    if (!text_of(d.radius, &p.radius) || !text_of(d.tolerance, &tolerance)) fail(FEAT_ERR_BAD_PARAMETERS);
    for (int i = 0; i < 3; ++i) row.laws[i] = hf::keep_law(d.laws[i]);
    for (int g = 0; g < 2; ++g)
        for (int k = 0; k < 2; ++k) row.curves[g][k] = copy_in(d.number_of_curves[g][k], d.curves[g][k]);
    if (d.kind == 1) {
        // Curve-driven: the blend's edge on the faces runs at the first
        // curve, so the radius is the curve's distance from the edges the
        // blend runs along (exact where the faces meet at right angles).
        tag_t curve = 0;
        for (int g = 0; g < 2 && curve == 0; ++g)
            for (int k = 0; k < 2 && curve == 0; ++k)
                if (!row.curves[g][k].empty()) curve = row.curves[g][k][0];
        if (curve == 0) fail(FEAT_ERR_BAD_PARAMETERS);
        const std::vector<int> edges = shared_edges(row.faces);
        if (edges.empty()) fail(FEAT_ERR_BAD_PARAMETERS);
        const double r = distance_to_edges(call, curve, edges);
        if (!std::isfinite(r) || r <= 0) fail(FEAT_ERR_BAD_PARAMETERS);
        char text[EXP_VALUE_CHARS];
        EXP_format_value(r, text);
        p.radius = text;
    } else if (d.kind != 0) {
        // The laws give the radius: the main law, else a range law.
        double r = 0;
        for (int i = 0; i < 3 && row.radius_slot < 0; ++i)
            if (law_radius(row.laws[i], &r)) row.radius_slot = i;
        if (row.radius_slot < 0) fail(FEAT_ERR_BAD_PARAMETERS);
        char text[EXP_VALUE_CHARS];
        EXP_format_value(r, text);
        p.radius = text;
    }
    std::memcpy(row.flags.data(), d.flags, 5);
    std::memcpy(row.options.data(), d.options, 3);
    row.aux = copy_in(d.number_of_aux_objects, d.aux_objects);
    row.stored_trim = stored;
    row.law_flag = d.law_flag;
    row.variation = d.variation;
    row.kind = d.kind;
    row.tolerance = tolerance;
    std::memcpy(row.limits_active.data(), d.limits_active, 3);
    std::copy(std::begin(d.limits), std::end(d.limits), row.limits.begin());
    return p;
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
        Prepared p = prepare(call, *data);
        tag_t made = 0;
        if (int code = host::feature::create_built(p.part, kKind, {p.radius},
                                                   {static_cast<double>(data->number_of_faces[0])}, p.refs, p.body,
                                                   FEAT_SIGN_NEW, &made))
            call.fail(code, "the face blend cannot be made");
        rows()[made] = std::move(p.row);
        *feature = made;
    });
}

void BLEF_create_blend(BLEF_ui_data_t* data, int* n_faces, unsigned int** faces, int* n_met, unsigned int** met,
                       int* error) {
    auto call = HOST_ENTRY(data, n_faces, n_met, error);
    call.need(data, "the face blend data");
    call.need(n_faces, "the face count output");
    call.need(faces, "the faces output");
    call.need(n_met, "the met face count output");
    call.need(met, "the met faces output");
    call.need(error, "the error output");
    *n_faces = *n_met = 0;
    *faces = *met = nullptr;
    std::vector<tag_t> made, meets;
    *error = hf::caught([&] {
        Prepared p = prepare(call, *data);
        double radius = 0;
        if (int code = EXP_ask_value_of_exp_str(p.part, p.radius.c_str(), &radius))
            call.fail(code, "the face blend's radius is no value");
        std::vector<int> sets;
        for (tag_t f : p.refs) sets.push_back(host::kernel::entity_of(f));
        const int n_first = data->number_of_faces[0];
        int sheet = 0, n = 0;
        int* met_faces = nullptr;
        ZQ_BODY_blend_face_sets_as_faces(host::kernel::entity_of(p.body), n_first, sets.data(),
                                         static_cast<int>(sets.size()) - n_first, sets.data() + n_first, radius, &sheet,
                                         &n, &met_faces);
        for (int i = 0; i < n; ++i) meets.push_back(host::kernel::object_of(met_faces[i]));
        SM_free(met_faces);
        for (int f : host::kernel::faces_of(sheet)) made.push_back(host::kernel::object_of(f));
    });
    if (*error != 0) return;
    unsigned int* first = copy_out(made);
    try {
        *met = copy_out(meets);
    } catch (...) {
        SM_free(first);
        throw;
    }
    *faces = first;
    *n_faces = static_cast<int>(made.size());
    *n_met = static_cast<int>(meets.size());
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
    std::size_t at = 0;
    for (int s = 0; s < 2; ++s) {
        std::vector<tag_t> set;
        for (std::size_t i = 0; i < row.faces[s].size(); ++i) set.push_back(face_of(feature, row, at++));
        data->faces[s] = copy_out(set);
        data->number_of_faces[s] = static_cast<int>(set.size());
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

// ---- part-file section "BLFB": what face blends keep ------------------------
//
// Payload: rows (part_file::write_rows), one per face blend:
//   2 x (u32 count + u32 object numbers)  the face sets
//   5 x u8 flags, 3 x u8 options
//   u32 count + u32 object numbers         auxiliary objects
//   4 x (u32 count + u32 object numbers)   the curve slots, group by group
//   i32 stored trim, law flag, variation, kind, radius law slot
//   str tolerance text
//   3 laws, each as write_kept_law writes a kept law
//   3 x u8 limits active, 15 x f64 limits
// An object that was not saved with the part is written as 0xFFFFFFFF and
// read back as 0.
namespace {

namespace pf = host::part_file;
namespace fl = host::part_file::fields;
using fl::put_object;
using fl::put_objects;
using fl::put_reals;
constexpr std::string_view kWhat = "a face blend";



void write_face_blends(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> blends;
    for (tag_t f : hf::features_of_part(ctx.part))
        if (is_face_blend(f)) blends.push_back(f);
    pf::write_rows(out, ctx, blends, [&](pf::Writer& row, tag_t t) {
        const FaceBlendRow& r = *rows().find(t);
        for (const auto& set : r.faces) put_objects(row, ctx, set);
        for (unsigned char f : r.flags) row.u8(f);
        for (unsigned char o : r.options) row.u8(o);
        put_objects(row, ctx, r.aux);
        for (const auto& group : r.curves)
            for (const auto& slot : group) put_objects(row, ctx, slot);
        for (int v : {r.stored_trim, r.law_flag, r.variation, r.kind, r.radius_slot}) row.i32(v);
        row.str(r.tolerance);
        for (const Law& law : r.laws) hf::write_kept_law(row, ctx, law);
        for (unsigned char a : r.limits_active) row.u8(a);
        for (double d : r.limits) row.f64(d);
    });
}

void read_face_blends(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, FaceBlendRow>> read;
    pf::read_rows(in, ctx, {"face blend row", 8, false}, [&](tag_t t, pf::Reader& row) {
        if (host::objects::require(t).cls != OM_CLASS_FEATURE)
            throw pf::FormatError("a face blend row of an object that is no feature");
        FaceBlendRow r;
        for (auto& set : r.faces) set = fl::get_objects(row, ctx, kWhat);
        for (unsigned char& f : r.flags) f = row.u8();
        for (unsigned char& o : r.options) o = row.u8();
        r.aux = fl::get_objects(row, ctx, kWhat);
        for (auto& group : r.curves)
            for (auto& slot : group) slot = fl::get_objects(row, ctx, kWhat);
        for (int* v : {&r.stored_trim, &r.law_flag, &r.variation, &r.kind, &r.radius_slot}) *v = row.i32();
        if (r.stored_trim < 0 || static_cast<std::size_t>(r.stored_trim) >= kStoredTrim.size() || r.radius_slot < -1 ||
            r.radius_slot > 2 || r.faces[0].empty() || r.faces[1].empty())
            throw pf::FormatError("a face blend's trim, law slot or face sets are not ones it can have");
        r.tolerance = row.str();
        for (Law& law : r.laws) law = hf::read_kept_law(row, ctx);
        for (unsigned char& a : r.limits_active) a = row.u8();
        for (double& d : r.limits) d = row.f64();
        read.emplace_back(t, std::move(r));
    });
    for (auto& [t, r] : read) rows()[t] = std::move(r);
}

const bool section_registered =
    (pf::register_section({{'B', 'L', 'F', 'B'}, write_face_blends, read_face_blends}), true);

}  // namespace
