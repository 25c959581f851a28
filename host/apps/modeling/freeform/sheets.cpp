// The host's constructors of sheets from faces, sheets and points
// (sheets.h).
#include "host/apps/modeling/freeform/sheets.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/row_fields.h"
#include "host/model/expr/expr.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/freeform/freeform_defs.h"
#include "host/model/feature/records.h"
#include "host/apps/modeling/freeform/sheet_rows.h"
#include "host/base/hook.h"
#include "host/kernel/ops/bridge_sheets.h"
#include "host/kernel/ops/derived_sheets.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/ops/through_curves.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

namespace hf = host::feature;
namespace ff = host::freeform;
namespace pf = host::part_file;
namespace fields = host::part_file::fields;
using tag_t = unsigned int;

constexpr const char* kVariableOffset = "VARIABLE_OFFSET";
constexpr const char* kBridge = "BRIDGE_SURFACE";
constexpr const char* kCloud = "SURFACE_FROM_CLOUD";
constexpr const char* kFlip = "FLIP_NORMAL";
constexpr int kCloudNumbers = 5;  // degrees, patches, option

// What a sheet feature is made from, beside its record (whose expressions
// are its distances and, for a cloud, whose numbers are its degrees,
// patches and option) and, for a thickened sheet, the definition of
// host/apps/modeling/freeform/freeform_defs.h. Reversed normals keep nothing: the kernel
// step turns over whatever sheet lies before it.
enum RowKind { kVariableOffsetRow = 1, kThickenRow = 2, kBridgeRow = 3, kCloudRow = 4 };
struct SheetRow {
    int kind = 0;
    // Variable offset: its face; bridge: the two faces, then the two edges,
    // then each side face with its side edge.
    std::vector<ff::SubRef> subs;
    // Variable offset: the four (u, v), then the distance tolerance; bridge:
    // the two directions, the tolerance and the number of objects of each
    // side string; cloud: the points, three doubles each.
    std::vector<double> numbers;
    std::vector<tag_t> strings;      // bridge: the side strings' curves and edges, one string after the other
    std::vector<double> frame;       // cloud: rows X, Y, Z (none: the world)
    std::vector<double> built_from;  // what its inputs were when its body was last made
};

host::TagTable<SheetRow>& rows() {
    static auto* const t = new host::TagTable<SheetRow>("sheet definitions");
    return *t;
}

// What the feature's inputs are now: its kind, its expressions' values and
// the faces, edges or sheet it is made from.
std::vector<double> print_of(tag_t feature, const hf::Record& r, const SheetRow& row) {
    std::vector<double> out{static_cast<double>(row.kind)};
    for (tag_t e : r.exps) out.push_back(host::expr::value(e));
    for (const ff::SubRef& s : row.subs) ff::add_print(out, ff::entity_of(s));
    if (row.kind == kThickenRow) ff::add_print(out, host::kernel::entity_of(THICKEN_SHEET_ask_sheet_bref(feature)));
    // Side strings may be curves, which keep no print here: a bridge along
    // them is made again at every update.
    static double serial = 0;
    if (!row.strings.empty()) out.push_back(++serial);
    return out;
}

// The feature's sheet or solid made now from what it is made from (the
// kernel tag of a new body); failures raise.
int make_body(const host::Call& call, tag_t feature, const hf::Record& r, const SheetRow& row) {
    int body = 0;
    switch (row.kind) {
    case kVariableOffsetRow: {
        const int face = ff::entity_of(row.subs.at(0));
        if (face == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the face it offsets is gone");
        double d[4];
        for (int i = 0; i < 4; ++i) d[i] = host::expr::value(r.exps.at(i));
        ZQ_FFS_offset_face(face, d, row.numbers.data(), row.numbers.at(8), &body);
        break;
    }
    case kThickenRow: {
        const int sheet = host::kernel::entity_of(THICKEN_SHEET_ask_sheet_bref(feature));
        if (sheet == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the sheet it thickens is gone");
        unsigned int exps[2] = {};
        THICKEN_SHEET_ask_offsets(feature, exps);
        ZQ_FFS_thicken(sheet, host::expr::value(exps[0]), host::expr::value(exps[1]), &body);
        break;
    }
    case kBridgeRow: {
        int faces[2], edges[2];
        const int directions[2] = {static_cast<int>(row.numbers.at(0)), static_cast<int>(row.numbers.at(1))};
        for (int i = 0; i < 2; ++i) {
            faces[i] = ff::entity_of(row.subs.at(i));
            edges[i] = ff::entity_of(row.subs.at(2 + i));
            if (faces[i] == 0 || edges[i] == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "a face or edge it bridges is gone");
        }
        ZQ_FFS_bridge_sides_t sides{row.numbers.at(2), 0, {}, {}, 0, {}, row.strings.data()};
        for (std::size_t i = 4; i + 1 < row.subs.size() && sides.n_faces < 2; i += 2) {
            sides.faces[sides.n_faces] = ff::entity_of(row.subs[i]);
            sides.edges[sides.n_faces] = ff::entity_of(row.subs[i + 1]);
            if (sides.faces[sides.n_faces] == 0 || sides.edges[sides.n_faces] == 0)
                call.fail(FEAT_ERR_BAD_REFERENCE, "a side face or edge of the bridge is gone");
            ++sides.n_faces;
        }
        for (int i = 0; i < 2; ++i)
            if (const int n = static_cast<int>(row.numbers.at(3 + i)); n > 0) sides.per_string[sides.n_strings++] = n;
        for (tag_t s : row.strings)
            if (!host::objects::is_alive(s)) call.fail(FEAT_ERR_BAD_REFERENCE, "a side string of the bridge is gone");
        ZQ_FFS_bridge(faces, edges, directions, &sides, &body);
        break;
    }
    case kCloudRow: {
        const std::vector<double>& n = r.numbers;
        if (n.size() != kCloudNumbers) call.fail(FEAT_ERR_BAD_PARAMETERS, "a cloud fit without its degrees");
        ZQ_FFS_cloud(static_cast<int>(row.numbers.size() / 3), row.numbers.data(),
                     row.frame.empty() ? nullptr : row.frame.data(), static_cast<int>(n[0]), static_cast<int>(n[1]),
                     static_cast<int>(n[2]), static_cast<int>(n[3]), nullptr, &body);
        break;
    }
    default: call.fail(FEAT_ERR_BAD_PARAMETERS, "a sheet definition of kind %d", row.kind);
    }
    return body;
}

// After the bodies are made again: each sheet feature whose inputs changed
// makes its body (or its tool of the target) again from its definition, in
// time order, so that a sheet made from another's follows it; a reversed
// normal turns over the sheet as it is now.
void follow_definitions() {
    const host::Call call("FF_SHEETS_follow", nullptr);
    for (tag_t part : host::parts::loaded_parts())
        for (tag_t f : hf::features_of_part(part)) {
            const hf::Record* found = hf::find(f);
            if (!found || found->detached || hf::is_inactive(f) || !hf::can_be_made_again(f, *found)) continue;
            const hf::Record r = *found;
            const SheetRow* kept = rows().find(f);
            if (r.kind != kFlip && !kept) continue;
            // The bodies read with the part are made again by now.
            if (kept && ff::unsettled(kept->subs)) ff::settle(rows().edit(f)->subs);
            const SheetRow row = kept ? *kept : SheetRow{};
            std::string text;
            const int code = hf::caught(
                [&] {
                    const int body = host::kernel::entity_of(r.body);
                    if (r.kind == kFlip) {
                        if (ZQ_FFS_reverse_again(body, r.step)) ZQ_BODY_regenerate(body);
                        return;
                    }
                    std::vector<double> print = print_of(f, r, row);
                    if (print == row.built_from) return;
                    hf::put_made_again(f, r, make_body(call, f, r, row));
                    rows().edit(f)->built_from = std::move(print);
                },
                &text);
            if (code != 0) hf::detail::fail_naming(call, f, code, "cannot be made again: " + text);
        }
}

// The sheet features follow after the services added when the library
// loaded (skins, whose sheets they may be made from): added on first use.
void start_following() { hf::add_follower(follow_definitions); }

// Makes the feature's step again as the part file keeps it (the body read
// from the file): a body of its own, or its step of the target. Its inputs
// may have changed since: the follower (above) makes it again from its
// definition right after.
void build_from_file(const host::Call& call, hf::Record& r, const std::vector<double>&) {
    start_following();
    ff::copy_step_from_file(call, r, "sheet feature");
}

std::vector<std::pair<int, double>> no_numbers(const hf::Record&, const std::vector<double>&) { return {}; }

const bool kinds_registered = [] {
    rows();
    hf::register_kind({kVariableOffset, {"Offset 1", "Offset 2", "Offset 3", "Offset 4"}, 0, 0, 0, false,
                       build_from_file, no_numbers});
    hf::register_kind({ff::kThickenType, {"First Offset", "Second Offset"}, 0, 0, 0, false, build_from_file, no_numbers});
    hf::register_kind({kBridge, {}, 0, 0, 0, false, build_from_file, no_numbers});
    hf::register_kind({kCloud, {}, kCloudNumbers, 0, 0, false, build_from_file, no_numbers});
    hf::register_kind({kFlip, {}, 0, 0, 0, false, build_from_file, no_numbers});
    return true;
}();

// What a constructor makes: the feature (by `record`, which answers it or
// a code) on the body that `body` makes (a kernel tag), combined with the
// target when the boolean type asks and the body is a solid, with its
// definition `row` (none for kind 0). Answers 0 or the code of the step
// that failed; the model is then as it was.
struct Made {
    tag_t feature = 0;
    tag_t body = 0;
};
int construct(const std::function<int()>& body, const std::function<int(tag_t* feature)>& record, int boolean_type,
              tag_t target, const SheetRow& row, Made* made) {
    start_following();
    const host::ModelSnapshot before = host::snapshot_model();
    Made m;
    int refused = 0;
    const int code = hf::caught([&] {
        const int entity = body();
        pxlook_(&entity, &m.body);
        tag_t owner = m.body, tool = 0;
        int sign = FEAT_SIGN_NEW, step = 0;
        if (boolean_type >= FEAT_SIGN_UNITE && boolean_type <= FEAT_SIGN_INTERSECT && target != 0) {
            const int t = ES_solid_ask_fermalith_tag(target);
            ZQ_BODY_boolean(t, entity, boolean_type);
            int steps = 0;
            ZQ_BODY_ask_step_count(t, &steps);
            tool = m.body;
            owner = target;
            sign = boolean_type;
            step = steps - 1;
        }
        if ((refused = record(&m.feature)) != 0) return;
        ff::attach_body(m.feature, owner, tool, step, sign);
        if (row.kind == 0) return;
        SheetRow kept = row;
        kept.built_from = print_of(m.feature, *hf::find(m.feature), row);
        rows()[m.feature] = std::move(kept);
    });
    if (code != 0 || refused != 0) {
        host::restore_model(before);
        return code != 0 ? code : refused;
    }
    *made = m;
    return 0;
}

int plain_feature(const char* kind, const std::vector<std::string>& formulas, tag_t* feature) {
    const tag_t part = host::parts::work_part();
    std::vector<tag_t> exps;
    for (const std::string& f : formulas) {
        tag_t e = 0;
        if (int c = host::expr::create_system(part, f, &e)) return c;
        exps.push_back(e);
    }
    *feature = hf::create(part, kind);
    hf::detail::edit(*feature)->exps = exps;
    return 0;
}

double number_of(const char* text) { return text ? std::strtod(text, nullptr) : 0.0; }

// ---- the part file ------------------------------------------------------------
// Section "SHDF", a row per sheet feature with a definition: i32 kind
// (RowKind); its faces and edges (objects: a variable offset's face, a
// bridge's two faces and two edges); reals (RowKind's numbers); reals of
// the frame (nine or none); objects of a thickened sheet's definition (the
// sheet body and the two offset expressions; none for the others). A
// feature whose inputs did not all go into the file goes without its row
// and keeps the body it was saved with. What the inputs were is not saved:
// the update after reading makes each body again.

constexpr const char* kWhat = "a sheet definition";

// A count kept as a real: whole, 0 to 1000.
bool whole_count(double d) { return d >= 0 && d <= 1000 && d == std::floor(d); }

void write_section(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_object_rows(out, ctx, false, [&](pf::Writer& row, tag_t f) {
        const SheetRow* r = rows().find(f);
        const hf::Record* record = hf::find(f);
        if (!r || !record || !ff::all_saved(ctx, r->subs)) return;
        std::vector<tag_t> definition = r->strings;
        if (r->kind == kThickenRow) {
            unsigned int exps[2] = {};
            THICKEN_SHEET_ask_offsets(f, exps);
            definition = {THICKEN_SHEET_ask_sheet_bref(f), exps[0], exps[1]};
        }
        for (tag_t t : definition)
            if (!ctx.written(t)) return;
        row.i32(r->kind);
        ff::put_subs(row, ctx, r->subs);
        fields::put_reals(row, r->numbers);
        fields::put_reals(row, r->frame);
        fields::put_objects(row, ctx, definition);
    });
}

void read_section(pf::Reader& in, pf::LoadContext& ctx) {
    struct Read {
        tag_t feature;
        SheetRow row;
        std::vector<tag_t> definition;
    };
    std::vector<Read> made;
    pf::read_rows(in, ctx, {kWhat, 8, false}, [&](tag_t f, pf::Reader& row) {
        ff::require_feature(f, kWhat);
        Read r{f, {}, {}};
        r.row.kind = row.i32();
        static const std::vector<int> kNone, kFace{HOST_SUBTYPE_FACE},
            kBridgeSubs{HOST_SUBTYPE_FACE, HOST_SUBTYPE_FACE, HOST_SUBTYPE_EDGE, HOST_SUBTYPE_EDGE};
        const int k = r.row.kind;
        if (k < kVariableOffsetRow || k > kCloudRow) throw pf::FormatError("a sheet definition of no kind");
        static const std::vector<int> kSidePair{HOST_SUBTYPE_FACE, HOST_SUBTYPE_EDGE};
        r.row.subs = k == kBridgeRow ? ff::get_subs(row, ctx, kWhat, kBridgeSubs, kSidePair, 2)
                                     : ff::get_subs(row, ctx, kWhat, k == kVariableOffsetRow ? kFace : kNone);
        r.row.numbers = ff::get_finite_reals(row, kWhat);
        r.row.frame = ff::get_finite_reals(row, kWhat);
        const std::size_t n = r.row.numbers.size();
        const bool numbers_fit = k == kVariableOffsetRow ? n == 9
                                 : k == kBridgeRow       ? n == 5 && std::abs(r.row.numbers[0]) == 1 &&
                                                             std::abs(r.row.numbers[1]) == 1 && r.row.numbers[2] >= 0 &&
                                                             whole_count(r.row.numbers[3]) && whole_count(r.row.numbers[4])
                                 : k == kCloudRow        ? n >= 3 && n % 3 == 0
                                                         : n == 0;
        if (!numbers_fit || (r.row.frame.size() != 0 && (k != kCloudRow || r.row.frame.size() != 9)))
            throw pf::FormatError("a sheet definition's numbers are not those of its kind");
        const std::uint32_t defs = fields::get_count(row, 4, kWhat);
        const std::uint32_t wanted = k == kThickenRow ? 3u
                                     : k == kBridgeRow ? static_cast<std::uint32_t>(r.row.numbers[3] + r.row.numbers[4])
                                                       : 0u;
        if (defs != wanted) throw pf::FormatError("a sheet definition's objects do not fit its kind");
        if (k == kThickenRow) {
            r.definition.push_back(ff::get_object_of(row, ctx, kWhat, -1, HOST_SUBTYPE_BODY));
            for (int i = 0; i < 2; ++i) r.definition.push_back(ff::get_object_of(row, ctx, kWhat, OM_CLASS_EXPRESSION));
        }
        if (k == kBridgeRow)
            for (std::uint32_t i = 0; i < defs; ++i) {
                r.row.strings.push_back(fields::get_object(row, ctx, kWhat));
                if (r.row.strings.back() == 0) throw pf::FormatError("a bridge's side string names no object");
            }
        made.push_back(std::move(r));
    });
    for (Read& r : made) {
        if (r.row.kind == kThickenRow) ff::restore_thicken(r.feature, r.definition[0], r.definition[1], r.definition[2]);
        rows()[r.feature] = std::move(r.row);
    }
}

const bool section_registered = (pf::register_section({{'S', 'H', 'D', 'F'}, write_section, read_section}), true);

}  // namespace

extern "C" {

void VAROFF_create_frec(unsigned int face, char* const texts[VAROFF_N_TEXTS], unsigned int* feature, int* error) {
    auto call = HOST_ENTRY(face, texts, feature, error);
    call.need(texts, "the texts");
    call.need(feature, "the feature output");
    call.need(error, "the error output");
    *feature = 0;
    *error = 0;
    for (int i = 0; i < VAROFF_N_TEXTS; ++i) call.need(texts[i], "a text");
    const tag_t part = host::parts::work_part();
    double d[4], uv[8];
    for (int i = 0; i < 4; ++i)
        if (int c = EXP_ask_value_of_exp_str(part, texts[i], &d[i])) {
            *error = c;
            return;
        }
    for (int i = 0; i < 8; ++i) uv[i] = number_of(texts[4 + i]);
    const int kernel_face = ES_solid_ask_fermalith_tag(face);
    if (kernel_face == 0 || !ES_solid_is_a_face(face)) {
        *error = FEAT_ERR_BAD_PARAMETERS;
        return;
    }
    const double tolerance = number_of(texts[12]);
    SheetRow row{kVariableOffsetRow, {ff::sub_ref(face)}, std::vector<double>(uv, uv + 8), {}, {}, {}};
    row.numbers.push_back(tolerance);
    Made m;
    *error = construct(
        [&] {
            int body = 0;
            ZQ_FFS_offset_face(kernel_face, d, uv, tolerance, &body);
            return body;
        },
        [&](tag_t* f) {
            return plain_feature(kVariableOffset, {texts[0], texts[1], texts[2], texts[3]}, f);
        },
        0, 0, row, &m);
    if (*error == 0) *feature = m.feature;
}

int FREC_ask_top_target_of_frec(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    int status;
    if (call.status(status)) return status;
    const hf::Record* r = hf::find(feature);
    if (!r) call.dead_tag(feature);
    return r->body != 0 ? ES_solid_ask_fermalith_tag(r->body) : 0;
}

unsigned int BREF_ask_current_bref(unsigned int part) {
    [[maybe_unused]] auto call = HOST_ENTRY(part);
    return BREF_ask_current_target(part);
}

int THICKEN_SHEET_construct(THICKEN_SHEET_rec_t* record, unsigned int* feature) {
    auto call = HOST_ENTRY(record, feature);
    int status;
    if (call.status(status)) return status;
    call.need(record, "the record");
    call.need(feature, "the feature output");
    *feature = 0;
    record->n_faces = 0;
    record->faces = nullptr;
    if (!ES_solid_is_a_sheet_body(record->sheet)) return THICKEN_NOT_A_SHEET;
    const tag_t part = host::parts::work_part();
    const std::string first(record->first_offset, strnlen(record->first_offset, THICKEN_SHEET_TEXT));
    const std::string second(record->second_offset, strnlen(record->second_offset, THICKEN_SHEET_TEXT));
    double a = 0, b = 0;
    if (EXP_ask_value_of_exp_str(part, first.c_str(), &a) != 0 || EXP_ask_value_of_exp_str(part, second.c_str(), &b) != 0)
        return THICKEN_BAD_OFFSET;
    const int boolean = record->boolean_type;
    const tag_t target = boolean >= 1 && boolean <= 3 ? record->target : 0;
    if (target != 0) {
        int type = 0;
        const int t = ES_solid_is_a_body(target) ? ES_solid_ask_fermalith_tag(target) : 0;
        if (t != 0) ZQ_BODY_ask_type(t, &type);
        if (type != ZQ_BODY_SOLID) return THICKEN_TARGET_NOT_SOLID;
    }
    const int sheet = ES_solid_ask_fermalith_tag(record->sheet);
    bool thickened = false;
    Made m;
    const int code = construct(
        [&] {
            int body = 0;
            ZQ_FFS_thicken(sheet, a, b, &body);
            thickened = true;
            return body;
        },
        [&](tag_t* f) {
            return ff::create_thicken(part, ff::ThickenDefinition{record->sheet, first, second}, f);
        },
        boolean, target, SheetRow{kThickenRow, {}, {}, {}, {}, {}}, &m);
    if (code == 0) {
        *feature = m.feature;
        return THICKEN_DONE;
    }
    if (thickened) {
        if (target == 0) return THICKEN_BAD_OFFSET;
        static constexpr int kBooleanFailed[3] = {THICKEN_UNITE_FAILED, THICKEN_SUBTRACT_FAILED,
                                                  THICKEN_INTERSECT_FAILED};
        return kBooleanFailed[boolean - 1];
    }
    if (code == KERNEL_ERR_NOT_DONE) {
        // The faces of the sheet the kernel could not thicken.
        const std::vector<int> faces = host::kernel::faces_of(sheet);
        if (faces.empty()) return THICKEN_NOT_BUILT;
        record->faces = static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int) * faces.size()));
        for (int f : faces) record->faces[record->n_faces++] = host::kernel::object_of(f);
        return THICKEN_FAILED_FACES;
    }
    return THICKEN_NOT_BUILT;
}

void BRIDGESRF_init_data(BRIDGESRF_data_t* data) {
    auto call = HOST_ENTRY(data);
    call.need(data, "the bridge data");
    *data = BRIDGESRF_data_t{};
    data->directions[0] = data->directions[1] = 1;
    data->types[0] = data->types[1] = data->types[2] = data->types[3] = 1;
    data->n_faces = 2;
    data->tolerance = 0.0254;
    data->angle_tolerance = 0.5;
}

int BRIDGESRF_pi_method(BRIDGESRF_data_t* data, int* error) {
    auto call = HOST_ENTRY(data, error);
    call.need(data, "the bridge data");
    call.need(error, "the error output");
    int status;
    if (call.status(status)) return *error = status;
    data->created = 0;
    *error = 0;
    for (int i = 0; i < 4; ++i) {
        if (i >= 2 && data->faces[i] == 0 && data->edges[i] == 0) continue;
        const int f = ES_solid_ask_fermalith_tag(data->faces[i]), e = ES_solid_ask_fermalith_tag(data->edges[i]);
        // Each edge must be one of its face's body's edges.
        if (f == 0 || e == 0 || !ES_solid_is_a_face(data->faces[i]) || !ES_solid_is_a_edge(data->edges[i]) ||
            host::kernel::body_of(f) != host::kernel::body_of(e))
            return *error = BRIDGESRF_ERR_BAD_INPUT;
    }
    for (int d : data->directions)
        if (d != 1 && d != -1) return *error = BRIDGESRF_ERR_BAD_INPUT;
    // The row keeps the side faces with their edges and the side strings'
    // curves, so that the update makes the same bridge again.
    SheetRow row{kBridgeRow,
                 {ff::sub_ref(data->faces[0]), ff::sub_ref(data->faces[1]), ff::sub_ref(data->edges[0]),
                  ff::sub_ref(data->edges[1])},
                 {static_cast<double>(data->directions[0]), static_cast<double>(data->directions[1]), data->tolerance,
                  0, 0},
                 {},
                 {},
                 {}};
    for (int i = 2; i < 4; ++i)
        if (data->faces[i] != 0) {
            row.subs.push_back(ff::sub_ref(data->faces[i]));
            row.subs.push_back(ff::sub_ref(data->edges[i]));
        }
    for (int i = 0; i < data->n_curves && i < 2; ++i) {
        const std::vector<unsigned int> objects = host::profiles::strings_of_cm(data->curves[i]).objects;
        row.numbers[3 + i] = static_cast<double>(objects.size());
        row.strings.insert(row.strings.end(), objects.begin(), objects.end());
    }
    Made m;
    const int code = construct([&] { return make_body(call, 0, hf::Record{}, row); },
                               [&](tag_t* f) { return plain_feature(kBridge, {}, f); }, 0, 0, row, &m);
    if (code != 0) return *error = code >= KERNEL_ERR_EXCEPTION && code <= KERNEL_ERR_BAD_PARAMETER ? BRIDGESRF_ERR_NOT_BUILT : code;
    data->created = m.body;
    return 0;
}

int CLOUD_is_boundary_convex(const CLOUD_boundary_t* boundary, const double frame[12]) {
    auto call = HOST_ENTRY(boundary, frame);
    int status;
    if (call.status(status)) return status;
    call.need(boundary, "the boundary");
    const int n = boundary->n_points;
    if (n < 3 || !boundary->points) return 0;
    static constexpr double kWorld[12] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    const double* f = frame ? frame : kWorld;
    std::vector<double> x(n), y(n);
    for (int i = 0; i < n; ++i) {
        const double* p = boundary->points + 3 * i;
        const double q[3] = {p[0] - f[0], p[1] - f[1], p[2] - f[2]};
        x[i] = q[0] * f[3] + q[1] * f[4] + q[2] * f[5];
        y[i] = q[0] * f[6] + q[1] * f[7] + q[2] * f[8];
    }
    int turn = 0;
    double winding = 0;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n, k = (i + 2) % n;
        const double ax = x[j] - x[i], ay = y[j] - y[i], bx = x[k] - x[j], by = y[k] - y[j];
        const double c = ax * by - ay * bx;
        const double scale = std::hypot(ax, ay) * std::hypot(bx, by);
        if (std::abs(c) <= 1e-9 * scale) continue;
        const int s = c > 0 ? 1 : -1;
        if (turn != 0 && s != turn) return 0;
        turn = s;
        winding += std::atan2(c, ax * bx + ay * by);
    }
    // Convex turns that go round more than once make a star, not a convex polygon.
    return turn != 0 && std::abs(winding) < 2 * M_PI + 1e-6 ? 1 : 0;
}

int CLOUD_surface_from_points(int n, const double points[], const double matrix[9], const CLOUD_boundary_t* boundary,
                              int degree_u, int degree_v, int patches_u, int patches_v, int option,
                              double* mean_error, double* max_error, int* farthest, unsigned int* result) {
    auto call = HOST_ENTRY(n, points, boundary, result);
    int status;
    if (call.status(status)) return status;
    call.need(points, "the points");
    call.need(result, "the result output");
    *result = 0;
    double fit[3] = {};
    SheetRow row{kCloudRow, {}, {}, {}, {}, {}};
    if (n > 0) row.numbers.assign(points, points + 3 * static_cast<std::size_t>(n));
    if (matrix) row.frame.assign(matrix, matrix + 9);
    Made m;
    const int code = construct(
        [&] {
            int body = 0;
            ZQ_FFS_cloud(n, points, matrix, degree_u, degree_v, patches_u, patches_v, fit, &body);
            return body;
        },
        [&](tag_t* f) {
            if (int c = plain_feature(kCloud, {}, f)) return c;
            hf::detail::edit(*f)->numbers = {static_cast<double>(degree_u), static_cast<double>(degree_v),
                                             static_cast<double>(patches_u), static_cast<double>(patches_v),
                                             static_cast<double>(option)};
            return 0;
        },
        0, 0, row, &m);
    if (code != 0) return code;
    if (mean_error) *mean_error = fit[0];
    if (max_error) *max_error = fit[1];
    if (farthest) *farthest = static_cast<int>(fit[2]);
    *result = m.body;
    return 0;
}

int FLIPNORMAL_ask_other_features(unsigned int sheet) {
    auto call = HOST_ENTRY(sheet);
    int status;
    if (call.status(status)) return status;
    int count = 0;
    unsigned int* features = nullptr;
    FREC_ask_body_features(sheet, &count, &features);
    SM_free(features);
    return count > 1 ? 1 : 0;
}

int FLIPNORMAL_construct(unsigned int sheet, unsigned int* feature) {
    auto call = HOST_ENTRY(sheet, feature);
    int status;
    if (call.status(status)) return status;
    call.need(feature, "the feature output");
    *feature = 0;
    if (!ES_solid_is_a_sheet_body(sheet)) return 1;
    start_following();
    const host::ModelSnapshot before = host::snapshot_model();
    tag_t made = 0;
    const int code = hf::caught([&] {
        const int body = ES_solid_ask_fermalith_tag(sheet);
        ZQ_FFS_reverse(body);
        int steps = 0;
        ZQ_BODY_ask_step_count(body, &steps);
        if (plain_feature(kFlip, {}, &made) != 0) call.fail(FEAT_ERR_BAD_PARAMETERS, "no feature");
        ff::attach_body(made, sheet, 0, steps - 1, FEAT_SIGN_NEW);
    });
    if (code != 0) {
        host::restore_model(before);
        return 3;
    }
    *feature = made;
    return 0;
}

}  // extern "C"
