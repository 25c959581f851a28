// Beads of the modelling library (host/apps/modeling/bead/bead.h): the bead feature made
// from one bead record, the record kept with each feature and read back,
// and the kind that the update makes again through the kernel.
#include "host/apps/modeling/bead/bead.h"
#include "host/store/parts/row_fields.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/kept_law.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/kernel/ops/section_sweep.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using host::Call;
using tag_t = unsigned int;
namespace hf = host::feature;

constexpr const char* kKind = "BEAD";

using hf::copy_in;
using hf::copy_out;

// What a bead feature keeps: the record's values (its arrays and laws
// taken out) and the arrays and laws themselves.
struct BeadRow {
    BEAD_data_t head{};
    std::vector<tag_t> curves, placement, secondary;
    std::array<hf::KeptLaw, BEAD_SLOTS> laws;
    // Read from a part file: placement and secondary hold the face
    // objects, whose references are taken when the record is read back
    // (the faces have their kernel identities only once the body is made
    // again).
    bool faces_read = false;
};
host::TagTable<BeadRow>& rows() {
    static auto* const t = new host::TagTable<BeadRow>("beads");
    return *t;
}
const bool registered = (rows(), true);

bool is_bead(tag_t feature) {
    const hf::Record* r = hf::find(feature);
    return r && r->kind == kKind && rows().find(feature);
}

// The text of a fixed field (a field without its terminator counts as
// cut at its end).
std::string text_of(const char* field, std::size_t size) {
    const void* end = std::memchr(field, '\0', size);
    return std::string(field, end ? static_cast<const char*>(end) : field + size);
}

// The formula a slot gives its expression: a law's first value, else its
// text ("0" for an empty one).
std::string formula_of(const Call& call, const BEAD_parm_slot_t& slot) {
    if (slot.law) {
        if (slot.law->n_values < 1 || !slot.law->values)
            call.fail(FEAT_ERR_BAD_PARAMETERS, "a law of the bead has no value");
        char text[EXP_VALUE_CHARS];
        EXP_format_value(slot.law->values[0], text);
        return text;
    }
    const std::string t = text_of(slot.text, sizeof slot.text);
    return t.empty() ? "0" : t;
}

// A direction of a datum plane, plane or datum axis object.
void direction_of_object(const Call& call, tag_t object, double point[3], double direction[3]) {
    if (!host::profiles::direction_data(object, point, direction))
        call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is no plane or axis", object);
}

std::vector<tag_t> faces_of_frefs(const Call& call, const std::vector<tag_t>& frefs, tag_t body) {
    std::vector<tag_t> faces;
    for (tag_t fref : frefs) {
        const tag_t face = FREF_ask_face_of_fref(fref);
        if (face == 0 || !ES_solid_is_a_face(face) || ES_solid_ask_body(face) != body)
            call.fail(FEAT_ERR_BAD_REFERENCE, "reference %u is no face of the bead's body", fref);
        faces.push_back(face);
    }
    return faces;
}

// Structural checks of a record.
void check(const Call& call, const BEAD_data_t& d) {
    const auto bad = [&](const char* what) { call.fail(FEAT_ERR_BAD_PARAMETERS, "the bead's %s is not valid", what); };
    if (d.shape_type < 0 || d.shape_type > 2) bad("shape type");
    if (d.number_of_curves < 1 || !d.curves) bad("section");
    if (d.number_of_placement < 1 || !d.placement_frefs) bad("placement");
    if (d.section_direction_kind < 0 || d.section_direction_kind > 2) bad("section direction");
    if (d.secondary_kind < BEAD_SECONDARY_NONE || d.secondary_kind > BEAD_SECONDARY_PLANE) bad("secondary kind");
    if (d.secondary_kind == BEAD_SECONDARY_OWN_FACES && (d.number_of_secondary < 1 || !d.secondary_frefs))
        bad("secondary faces");
    if ((d.secondary_kind == BEAD_SECONDARY_DATUM_PLANE || d.secondary_kind == BEAD_SECONDARY_PLANE) &&
        d.secondary_plane == 0)
        bad("secondary plane");
    if (d.end_cap < 0 || d.end_cap > 3) bad("end cap");
    for (const BEAD_parm_slot_t& s : d.parms)
        if (!std::memchr(s.text, '\0', sizeof s.text)) bad("parameter text");
}

// What the kernel builds from a record: the body, the faces (placement,
// then own secondary faces), the step's numbers (sizes from the
// expressions at build time) and the section curves as numbers after them.
struct Built {
    tag_t body = 0, part = 0;
    std::vector<tag_t> faces;
    std::vector<double> numbers;
};

Built built_of(const Call& call, const BEAD_data_t& d) {
    check(call, d);
    Built b;
    b.body = d.target;
    if (b.body == 0) {
        const tag_t first = FREF_ask_face_of_fref(d.placement_frefs[0]);
        if (first == 0 || !ES_solid_is_a_face(first))
            call.fail(FEAT_ERR_BAD_REFERENCE, "the bead's placement has no face");
        b.body = ES_solid_ask_body(first);
    }
    if (!ES_solid_is_a_body(b.body)) call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is no body", b.body);
    b.part = host::objects::require(b.body).part;
    b.faces = faces_of_frefs(call, copy_in(d.number_of_placement, d.placement_frefs), b.body);
    if (d.secondary_kind == BEAD_SECONDARY_OWN_FACES) {
        const auto own = faces_of_frefs(call, copy_in(d.number_of_secondary, d.secondary_frefs), b.body);
        b.faces.insert(b.faces.end(), own.begin(), own.end());
    }
    std::vector<double> n(ZQ_BEAD_NUMBERS, 0.0);
    n[ZQ_BEAD_SHAPE] = d.shape_type;
    double point[3] = {0, 0, 0}, dir[3] = {0, 0, 0};
    if (d.section_direction_kind == 1) {
        std::copy(d.section_direction, d.section_direction + 3, dir);
        n[ZQ_BEAD_HAS_RISE] = 1;
    } else if (d.section_direction_kind == 2) {
        direction_of_object(call, d.section_axis, point, dir);
        n[ZQ_BEAD_HAS_RISE] = 1;
    }
    std::copy(dir, dir + 3, n.begin() + ZQ_BEAD_RISE);
    switch (d.secondary_kind) {
        case BEAD_SECONDARY_OWN_FACES:
        case BEAD_SECONDARY_PLACEMENT: n[ZQ_BEAD_BOUND] = 1; break;
        case BEAD_SECONDARY_DATUM_PLANE:
        case BEAD_SECONDARY_PLANE:
            n[ZQ_BEAD_BOUND] = 2;
            direction_of_object(call, d.secondary_plane, point, dir);
            std::copy(point, point + 3, n.begin() + ZQ_BEAD_PLANE_POINT);
            std::copy(dir, dir + 3, n.begin() + ZQ_BEAD_PLANE_NORM);
            break;
        default: break;
    }
    n[ZQ_BEAD_N_PLACEMENT] = d.number_of_placement;
    for (int i = 0; i < d.number_of_curves; ++i) n.push_back(d.curves[i]);
    b.numbers = std::move(n);
    return b;
}

BeadRow row_of(const BEAD_data_t& d) {
    BeadRow row;
    row.head = d;
    row.head.feature = 0;
    row.head.curves = row.head.placement_frefs = row.head.secondary_frefs = nullptr;
    for (BEAD_parm_slot_t& s : row.head.parms) {
        s.law = nullptr;
        s.exp = 0;
    }
    row.curves = copy_in(d.number_of_curves, d.curves);
    row.placement = copy_in(d.number_of_placement, d.placement_frefs);
    row.secondary = copy_in(d.number_of_secondary, d.secondary_frefs);
    for (int i = 0; i < BEAD_SLOTS; ++i) row.laws[i] = hf::keep_law(d.parms[i].law);
    return row;
}

// The step's numbers for the feature's parameter values.
std::vector<double> step_numbers(const hf::Record& r, const std::vector<double>& v) {
    std::vector<double> n(r.numbers.begin(), r.numbers.begin() + ZQ_BEAD_NUMBERS);
    n[ZQ_BEAD_WIDTH] = v[BEAD_WIDTH];
    n[ZQ_BEAD_DEPTH] = v[BEAD_DEPTH];
    n[ZQ_BEAD_ANGLE] = v[BEAD_SIDE_ANGLE];
    return n;
}

void build_bead(const Call& call, hf::Record& r, const std::vector<double>& v) {
    const int target = host::kernel::entity_of(r.body);
    if (target == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the bead's body has no kernel body");
    if (r.numbers.size() <= ZQ_BEAD_NUMBERS) call.fail(FEAT_ERR_BAD_PARAMETERS, "the bead has no section curves");
    const std::vector<double> n = step_numbers(r, v);
    if (const tag_t saved = hf::detail::attaching_body()) {
        // Made again from a part file: along the guide its saved step keeps.
        ZQ_BODY_bead_again(target, host::kernel::entity_of(saved), r.step, static_cast<int>(r.refs.size()),
                           r.refs.data(), n.data());
        int steps = 0;
        ZQ_BODY_ask_step_count(target, &steps);
        r.step = steps - 1;
        return;
    }
    std::vector<tag_t> curves;
    for (std::size_t i = ZQ_BEAD_NUMBERS; i < r.numbers.size(); ++i) curves.push_back(static_cast<tag_t>(r.numbers[i]));
    ZQ_BODY_bead(target, static_cast<int>(curves.size()), curves.data(), static_cast<int>(r.refs.size()), r.refs.data(),
                 n.data());
    int steps = 0;
    ZQ_BODY_ask_step_count(target, &steps);
    r.step = steps - 1;
}

// The sizes follow their expressions at the update.
std::vector<std::pair<int, double>> bead_numbers(const hf::Record&, const std::vector<double>& v) {
    return {{ZQ_BEAD_WIDTH, v[BEAD_WIDTH]}, {ZQ_BEAD_DEPTH, v[BEAD_DEPTH]}, {ZQ_BEAD_ANGLE, v[BEAD_SIDE_ANGLE]}};
}

const bool kind_made = [] {
    hf::register_kind(
        {kKind,
         {"Depth", "Width", "Top Radius", "Bottom Radius", "Side Angle", "Offset", "End Length", "End Angle"},
         hf::kAnyNumbers,
         1,
         1000000,
         true,
         build_bead,
         bead_numbers});
    return true;
}();

}  // namespace

extern "C" {

void BEAD_init_data(BEAD_data_t* data) {
    auto call = HOST_ENTRY(data);
    call.need(data, "the bead data");
    std::memset(data, 0, sizeof *data);
    data->shape_value_1 = 1;
    data->secondary_kind = BEAD_SECONDARY_NONE;
    data->plane_kind = 1;
    std::strcpy(data->secondary_text[0], "0.0");
    std::strcpy(data->secondary_text[1], "0.0");
    std::strcpy(data->parms[BEAD_OFFSET].text, "0.0");
}

void BEAD_construct_frec(BEAD_data_t* data, unsigned int* feature) {
    auto call = HOST_ENTRY(data, feature);
    call.need(data, "the bead data");
    call.need(feature, "the feature output");
    *feature = 0;
    const Built b = built_of(call, *data);
    std::vector<std::string> formulas;
    for (const BEAD_parm_slot_t& s : data->parms) formulas.push_back(formula_of(call, s));
    tag_t made = 0;
    if (int code = host::feature::create_built(b.part, kKind, formulas, b.numbers, b.faces, b.body, FEAT_SIGN_NEW, &made))
        call.fail(code, "the bead cannot be made");
    rows()[made] = row_of(*data);
    *feature = made;
}

void BEAD_read_frec(unsigned int feature, BEAD_data_t* data) {
    auto call = HOST_ENTRY(feature, data);
    call.need(data, "the bead data");
    if (!is_bead(feature)) call.fail(FEAT_ERR_BAD_PARAMETERS, "object %u is no bead", feature);
    const BeadRow& row = *rows().find(feature);
    const hf::Record& r = *hf::find(feature);
    *data = row.head;
    data->feature = feature;
    data->curves = copy_out(row.curves);
    const auto refs = [&](const std::vector<tag_t>& kept) {
        if (!row.faces_read) return kept;
        std::vector<tag_t> out;
        for (tag_t face : kept) out.push_back(face ? FREF_ask_fref_of_face(face) : 0);
        return out;
    };
    data->placement_frefs = copy_out(refs(row.placement));
    data->secondary_frefs = copy_out(refs(row.secondary));
    for (int i = 0; i < BEAD_SLOTS; ++i) {
        data->parms[i].exp = r.exps[static_cast<std::size_t>(i)];
        data->parms[i].law = hf::give_law(row.laws[static_cast<std::size_t>(i)]);
    }
}

void BEAD_update_frec(BEAD_data_t* data, int mode, unsigned int feature) {
    auto call = HOST_ENTRY(data, mode, feature);
    call.need(data, "the bead data");
    if (mode != 2) call.fail(HOST_ERR_BAD_ARGUMENT, "no bead update of mode %d", mode);
    if (!is_bead(feature)) call.fail(FEAT_ERR_BAD_PARAMETERS, "object %u is no bead", feature);
    const hf::Record& r = *hf::find(feature);
    if (data->target != 0 && data->target != r.body) call.fail(FEAT_ERR_BAD_REFERENCE, "a bead stays on its body");
    BEAD_data_t on_body = *data;
    on_body.target = r.body;
    const Built b = built_of(call, on_body);
    std::vector<std::string> formulas;
    for (const BEAD_parm_slot_t& s : data->parms) formulas.push_back(formula_of(call, s));
    // The step takes the new curves, faces and numbers; the sizes follow
    // the expressions at the update.
    std::vector<int> refs;
    for (tag_t f : b.faces) refs.push_back(ES_solid_ask_fermalith_tag(f));
    const int entity = host::kernel::entity_of(r.body);
    if (entity == 0 || r.step < 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the bead has no step of a body");
    std::vector<double> values;
    for (tag_t e : r.exps) {
        double v = 0;
        EXP_ask_value_of_exp(e, &v);
        values.push_back(v);
    }
    hf::Record next = r;
    next.numbers = b.numbers;
    const std::vector<double> n = step_numbers(next, values);
    std::vector<tag_t> curves(b.numbers.begin() + ZQ_BEAD_NUMBERS, b.numbers.end());
    ZQ_BODY_set_bead_inputs(entity, r.step, static_cast<int>(curves.size()), curves.data(),
                            static_cast<int>(refs.size()), refs.data(), n.data());
    for (std::size_t i = 0; i < formulas.size(); ++i) {
        const host::expr::Expression* e = host::expr::find(r.exps[i]);
        if (e && e->formula == formulas[i]) continue;
        if (int code = EXP_edit_exp(b.part, r.exps[i], formulas[i].c_str()))
            call.fail(code, "the bead's parameter \"%s\" is no expression", formulas[i].c_str());
    }
    // The feature's record follows, so that a body made again from a part
    // file takes the new inputs too.
    hf::Record* w = hf::detail::edit(feature);
    w->numbers = b.numbers;
    w->refs = refs;
    rows()[feature] = row_of(*data);
}

void BEAD_check_data(const BEAD_data_t* data) {
    auto call = HOST_ENTRY(data);
    call.need(data, "the bead data");
    check(call, *data);
}

void BEAD_free_data(BEAD_data_t* data) {
    HOST_ENTRY(data);
    if (!data) return;
    SM_free(data->curves);
    SM_free(data->placement_frefs);
    SM_free(data->secondary_frefs);
    data->curves = data->placement_frefs = data->secondary_frefs = nullptr;
    data->number_of_curves = data->number_of_placement = data->number_of_secondary = 0;
    for (BEAD_parm_slot_t& s : data->parms) {
        hf::free_law(s.law);
        s.law = nullptr;
    }
}

int BEAD_is_bead(unsigned int feature) {
    HOST_ENTRY(feature);
    return is_bead(feature) ? 1 : 0;
}

}  // extern "C"

// ---- part-file section "BEAD": the records of the beads -------------------------
//
// Payload: rows (part_file::write_rows), one per bead:
//   14 x i32  shape type, shape value 1, section direction kind, placement
//             extension, secondary kind, secondary extension, secondary
//             option code and flag, the three flags, axis kind, plane kind,
//             shape value 2, end cap
//   13 x f64  section, secondary, axis and plane directions, tolerance
//   5 x u32   objects: section axis, secondary plane, axis object, plane
//             object, target body
//   2 x str   secondary texts
//   3 x (u32 count + u32 object numbers)  section curves, placement faces,
//             secondary faces (a face reference is saved as the face that
//             carries it)
//   8 x (str text, kept law)  the parameter slots (see kept_law.h)
// An object not saved with the part is written as 0xFFFFFFFF and read back
// as 0. The reader refuses what BEAD_check_data refuses, texts longer than
// their fields and laws whose arrays do not agree.
namespace {

namespace pf = host::part_file;
namespace fl = host::part_file::fields;
using fl::put_object;
using fl::put_objects;
using fl::put_reals;
constexpr std::string_view kWhat = "a bead";

template <std::size_t N>
void get_text(pf::Reader& in, char (&field)[N]) {
    const std::string t = in.str();
    if (t.size() >= N || t.find('\0') != std::string::npos) throw pf::FormatError("a bead's text is too long");
    std::memcpy(field, t.c_str(), t.size() + 1);
}

// The faces that a row's references stand for.
std::vector<tag_t> faces_of_row(const BeadRow& r, const std::vector<tag_t>& kept) {
    if (r.faces_read) return kept;
    std::vector<tag_t> out;
    for (tag_t fref : kept) out.push_back(FREF_ask_face_of_fref(fref));
    return out;
}

void write_beads(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> beads;
    for (tag_t f : hf::features_of_part(ctx.part))
        if (is_bead(f)) beads.push_back(f);
    pf::write_rows(out, ctx, beads, [&](pf::Writer& row, tag_t t) {
        const BeadRow& r = *rows().find(t);
        const BEAD_data_t& d = r.head;
        for (int v : {d.shape_type, d.shape_value_1, d.section_direction_kind, d.placement_extension, d.secondary_kind,
                      d.secondary_extension, d.secondary_option_code, d.secondary_option_flag, d.flags[0], d.flags[1],
                      d.flags[2], d.axis_kind, d.plane_kind, d.shape_value_2, d.end_cap})
            row.i32(v);
        for (const double* v : {d.section_direction, d.secondary_direction, d.axis_direction, d.plane_direction})
            for (int i = 0; i < 3; ++i) row.f64(v[i]);
        row.f64(d.tolerance);
        for (tag_t o : {d.section_axis, d.secondary_plane, d.axis_object, d.plane_object, d.target})
            put_object(row, ctx, o);
        for (const char* text : d.secondary_text) row.str(text);
        put_objects(row, ctx, r.curves);
        put_objects(row, ctx, faces_of_row(r, r.placement));
        put_objects(row, ctx, faces_of_row(r, r.secondary));
        for (int i = 0; i < BEAD_SLOTS; ++i) {
            row.str(d.parms[i].text);
            hf::write_kept_law(row, ctx, r.laws[static_cast<std::size_t>(i)]);
        }
    });
}

void read_beads(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, BeadRow>> read;
    pf::read_rows(in, ctx, {"bead row", 8, false}, [&](tag_t t, pf::Reader& row) {
        if (host::objects::require(t).cls != OM_CLASS_FEATURE)
            throw pf::FormatError("a bead row of an object that is no feature");
        BeadRow r;
        r.faces_read = true;
        BEAD_data_t& d = r.head;
        for (int* v :
             {&d.shape_type, &d.shape_value_1, &d.section_direction_kind, &d.placement_extension, &d.secondary_kind,
              &d.secondary_extension, &d.secondary_option_code, &d.secondary_option_flag, &d.flags[0], &d.flags[1],
              &d.flags[2], &d.axis_kind, &d.plane_kind, &d.shape_value_2, &d.end_cap})
            *v = row.i32();
        for (double* v : {d.section_direction, d.secondary_direction, d.axis_direction, d.plane_direction})
            for (int i = 0; i < 3; ++i) v[i] = row.f64();
        d.tolerance = row.f64();
        for (tag_t* o : {&d.section_axis, &d.secondary_plane, &d.axis_object, &d.plane_object, &d.target})
            *o = fl::get_object(row, ctx, kWhat);
        for (auto& text : d.secondary_text) get_text(row, text);
        r.curves = fl::get_objects(row, ctx, kWhat);
        r.placement = fl::get_objects(row, ctx, kWhat);
        r.secondary = fl::get_objects(row, ctx, kWhat);
        for (int i = 0; i < BEAD_SLOTS; ++i) {
            get_text(row, d.parms[i].text);
            r.laws[static_cast<std::size_t>(i)] = hf::read_kept_law(row, ctx);
        }
        d.number_of_curves = static_cast<int>(r.curves.size());
        d.number_of_placement = static_cast<int>(r.placement.size());
        d.number_of_secondary = static_cast<int>(r.secondary.size());
        // The structural checks of BEAD_check_data.
        if (d.shape_type < 0 || d.shape_type > 2 || d.number_of_curves < 1 || d.number_of_placement < 1 ||
            d.section_direction_kind < 0 || d.section_direction_kind > 2 || d.secondary_kind < BEAD_SECONDARY_NONE ||
            d.secondary_kind > BEAD_SECONDARY_PLANE ||
            (d.secondary_kind == BEAD_SECONDARY_OWN_FACES && d.number_of_secondary < 1) || d.end_cap < 0 ||
            d.end_cap > 3)
            throw pf::FormatError("a bead's record is not one the host makes");
        read.emplace_back(t, std::move(r));
    });
    for (auto& [t, r] : read) rows()[t] = std::move(r);
}

const bool section_registered = (pf::register_section({{'B', 'E', 'A', 'D'}, write_beads, read_beads}), true);

}  // namespace
