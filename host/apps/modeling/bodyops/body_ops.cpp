// Mirror, trim, split and sew (host/apps/modeling/bodyops/body_ops.h).
#include "host/apps/modeling/bodyops/body_ops.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/row_fields.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/codes.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/profiles.h"
#include "host/model/feature/queries.h"
#include "host/model/feature/records.h"
#include "host/kernel/ops/face_ops.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using host::Call;
using tag_t = unsigned int;
namespace hf = host::feature;
namespace ho = host::objects;

// Numbers of mirror and trim features: the plane's point and normal.
enum { kPoint = 0, kNormal = 3, kPlaneNumbers = 6 };

// A sew: of sheets (its target and tool bodies) or of faces (the faces
// of target and tool it took, tags as they were when sewn).
struct SewRow {
    std::vector<tag_t> tools;
    bool instances = false;  // the faces sewn are instances of sets
    tag_t target = 0;
    double tolerance = 0;
    bool of_faces = false;
    std::vector<tag_t> target_faces, tool_faces;
    // A sew of sheets: per tool, the feature that made it when it is the
    // tool's only feature (0 otherwise). Such a feature is made again from
    // its definition at the update and the sew takes the new sheet.
    std::vector<tag_t> tool_features;
};
host::TagTable<SewRow>& sews() {
    static auto* const t = new host::TagTable<SewRow>("sews");
    return *t;
}
const bool registered = (sews(), true);

// The sew row of a sew feature (null for any other object).
const SewRow* sew_row(tag_t feature) {
    const hf::Record* r = hf::find(feature);
    return r && r->kind == "SEW" ? sews().find(feature) : nullptr;
}

// ---- part files ----
// Section "SEWS": per sew feature, u8 flags (1: faces of instances, 2: a
// sew of faces), the tolerance (f64), the target body, the tool bodies,
// the target faces and the tool faces, and last the tool features
// (objects behind counts; a row without them, of an older file, follows no
// tool). Bodies and faces that the sew consumed are not written with the
// part: they go out as objects not saved and read back as NULL_TAG, in
// their places. The tool features are features of the part, or 0.
namespace pf = host::part_file;
namespace fields = host::part_file::fields;

enum : std::uint8_t { kInstances = 1, kOfFaces = 2 };

void write_sews(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> features;
    for (tag_t t : ho::live_objects())
        if (sew_row(t)) features.push_back(t);
    pf::write_rows(out, ctx, features, [&](pf::Writer& row, tag_t feature) {
        const SewRow& r = *sew_row(feature);
        const auto written = [&](const std::vector<tag_t>& objects) {
            std::vector<tag_t> out_list;
            for (tag_t o : objects) out_list.push_back(ho::is_alive(o) && ctx.written(o) ? o : 0);
            return out_list;
        };
        row.u8(static_cast<std::uint8_t>((r.instances ? kInstances : 0) | (r.of_faces ? kOfFaces : 0)));
        row.f64(r.tolerance);
        fields::put_object(row, ctx, ho::is_alive(r.target) && ctx.written(r.target) ? r.target : 0);
        for (const std::vector<tag_t>* list : {&r.tools, &r.target_faces, &r.tool_faces, &r.tool_features})
            fields::put_objects(row, ctx, written(*list));
    });
}

void read_sews(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, SewRow>> made;
    const auto solids = [](const std::vector<tag_t>& objects) {
        return std::all_of(objects.begin(), objects.end(), [](tag_t o) {
            return o == 0 || ho::require(o).type == HOST_TYPE_SOLID;
        });
    };
    pf::read_rows(in, ctx, {"sews", 1 + 8 + 4 * 4, false}, [&](tag_t feature, pf::Reader& row) {
        // Feature records may be read after this section: the kind is
        // checked where the row is used.
        if (ho::require(feature).cls != OM_CLASS_FEATURE) throw pf::FormatError("a sew row of no feature");
        SewRow r;
        const std::uint8_t flags = row.u8();
        if (flags > (kInstances | kOfFaces)) throw pf::FormatError("a sew's flags");
        r.instances = (flags & kInstances) != 0;
        r.of_faces = (flags & kOfFaces) != 0;
        r.tolerance = row.f64();
        if (!std::isfinite(r.tolerance) || !(r.tolerance > 0)) throw pf::FormatError("a sew's tolerance");
        r.target = fields::get_object(row, ctx, "a sew");
        r.tools = fields::get_objects(row, ctx, "a sew");
        r.target_faces = fields::get_objects(row, ctx, "a sew");
        r.tool_faces = fields::get_objects(row, ctx, "a sew");
        if (!solids({r.target}) || !solids(r.tools) || !solids(r.target_faces) || !solids(r.tool_faces))
            throw pf::FormatError("a sew names objects that are no bodies or faces");
        if (row.left() > 0) {
            r.tool_features = fields::get_objects(row, ctx, "a sew");
            if (r.tool_features.size() != (r.of_faces ? 0 : r.tools.size()) ||
                !std::all_of(r.tool_features.begin(), r.tool_features.end(),
                             [&](tag_t f) { return f == 0 || (f != feature && ho::require(f).cls == OM_CLASS_FEATURE); }))
                throw pf::FormatError("a sew's tool features are no features of its tools");
        }
        made.emplace_back(feature, std::move(r));
    });
    for (auto& [feature, r] : made) sews()[feature] = std::move(r);
}

const bool sews_section_registered = (pf::register_section({{'S', 'E', 'W', 'S'}, write_sews, read_sews}), true);

int step_count(int body) {
    int n = 0;
    ZQ_BODY_ask_step_count(body, &n);
    return n;
}

int body_entity(const Call& call, const hf::Record& r) {
    const int body = host::kernel::entity_of(r.body);
    if (body == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the feature's body has no kernel body");
    return body;
}

void build_mirror(const Call& call, hf::Record& r, const std::vector<double>&) {
    const int body = body_entity(call, r);
    ZQ_BODY_mirror(body, &r.numbers[kPoint], &r.numbers[kNormal]);
    r.step = step_count(body) - 1;
}

void build_trim(const Call& call, hf::Record& r, const std::vector<double>&) {
    const int body = body_entity(call, r);
    ZQ_BODY_trim_by_plane(body, &r.numbers[kPoint], &r.numbers[kNormal]);
    r.step = step_count(body) - 1;
}

tag_t part_of(tag_t object) {
    const ho::Object* o = ho::find(object);
    return o ? o->part : 0;
}

// The tools of the sew being made (none while no sew is made): the tool
// body and its faces of a sew of faces, or the sheets sewn to a sheet.
struct SewTool {
    int body = 0;
    std::vector<int> faces;
    std::vector<int> sheets;
};
SewTool g_sew_tool;

// A sew, a step of its target's body: its number the tolerance, its
// references the target's faces (none for a sew of sheets); made again
// from a part file with the tools its saved step kept.
void build_sew(const Call& call, hf::Record& r, const std::vector<double>&) {
    const int body = body_entity(call, r);
    if (const tag_t saved = hf::detail::attaching_body()) {
        ZQ_BODY_run_step_again(body, host::kernel::entity_of(saved), r.step, static_cast<int>(r.refs.size()),
                               r.refs.data());
    } else if (r.refs.empty()) {
        if (g_sew_tool.sheets.empty()) call.fail(FEAT_ERR_BAD_PARAMETERS, "the sew has no sheets to sew");
        ZQ_BODY_sew(body, static_cast<int>(g_sew_tool.sheets.size()), g_sew_tool.sheets.data(), r.numbers[0]);
    } else {
        if (g_sew_tool.body == 0) call.fail(FEAT_ERR_BAD_PARAMETERS, "the sew has no tool");
        ZQ_BODY_sew_faces(body, static_cast<int>(r.refs.size()), r.refs.data(), g_sew_tool.body,
                          static_cast<int>(g_sew_tool.faces.size()), g_sew_tool.faces.data(), r.numbers[0]);
    }
    r.step = step_count(body) - 1;
}

// Makes the sew feature on the target body from its faces `refs` (none
// for a sew of sheets) with the tools `with`, held while it is built, and
// keeps its row.
int make_sew(tag_t target, SewTool with, SewRow row, const std::vector<tag_t>& refs, tag_t* made) {
    g_sew_tool = std::move(with);
    struct Clear {
        ~Clear() { g_sew_tool = SewTool{}; }
    } clear;
    if (int code = hf::create_built(part_of(target), "SEW", {}, {row.tolerance}, refs, target, FEAT_SIGN_NEW, made))
        return code;
    sews()[*made] = std::move(row);
    return 0;
}

// The features of the part made on the body, in time order.
std::vector<tag_t> features_on(tag_t body) {
    std::vector<tag_t> out;
    for (tag_t f : hf::features_of_part(part_of(body)))
        if (hf::find(f)->body == body) out.push_back(f);
    return out;
}

// A sew of sheets onto the sheet `target` (kernel tags), made as a step of
// the target's body, so that the update and a part read back make it again.
// The tools' features go into the sew: they are no longer made again on
// their own (their bodies are gone); a tool that one feature made follows
// it (take_tool_made_again).
int sew_sheets(int target, const std::vector<int>& sheets, double tolerance, bool instances, tag_t* made) {
    unsigned int body = 0;
    pxlook_(&target, &body);
    if (body == 0) return FEAT_ERR_BAD_REFERENCE;
    std::vector<tag_t> tools, tool_features, taken;
    for (int sheet : sheets) {
        unsigned int t = 0;
        pxlook_(&sheet, &t);
        tools.push_back(t);
        const std::vector<tag_t> on = t ? features_on(t) : std::vector<tag_t>{};
        tool_features.push_back(on.size() == 1 && hf::find(on[0])->step == 0 ? on[0] : 0);
        taken.insert(taken.end(), on.begin(), on.end());
    }
    SewRow row{tools, instances, body, tolerance, false, {}, {}, tool_features};
    if (int code = make_sew(body, SewTool{0, {}, sheets}, std::move(row), {}, made)) return code;
    // The sewn body is the sew's result, as it always was.
    hf::set_results(*made, {body});
    hf::Record* sew = hf::detail::edit(*made);
    for (tag_t f : taken) {
        if (std::find(sew->parents.begin(), sew->parents.end(), f) == sew->parents.end()) sew->parents.push_back(f);
        hf::detail::edit(f)->step = -1;
    }
    return 0;
}

// The sew of sheets that took the body of `feature` as its tool number
// *index (null for none).
const SewRow* sew_taking(tag_t feature, tag_t* sew, int* index) {
    if (feature == 0) return nullptr;
    const ho::Object* o = ho::find(feature);
    if (!o) return nullptr;
    for (tag_t f : hf::features_of_part(o->part))
        if (const SewRow* r = sew_row(f); r && !r->of_faces)
            for (std::size_t i = 0; i < r->tool_features.size(); ++i)
                if (r->tool_features[i] == feature) {
                    *sew = f;
                    *index = static_cast<int>(i);
                    return r;
                }
    return nullptr;
}

bool tool_taken(tag_t feature) {
    tag_t sew = 0;
    int index = 0;
    return sew_taking(feature, &sew, &index) != nullptr;
}

// The tool's feature made its sheet again: the sew's step takes it in
// place of the sheet it sewed, and the target is made again.
bool take_tool_made_again(tag_t feature, int made) {
    tag_t sew = 0;
    int index = 0;
    const SewRow* row = sew_taking(feature, &sew, &index);
    if (!row) return false;
    const hf::Record& r = *hf::find(sew);
    const int body = host::kernel::entity_of(r.body);
    const Call call("SEW_follow_tool", nullptr);
    if (body == 0 || r.step < 1) call.fail(FEAT_ERR_BAD_REFERENCE, "the sew's target is gone");
    ZQ_BODY_replace_sew_sheet(body, r.step, index, made);
    ZQ_BODY_regenerate(body);
    return true;
}

const bool taker_added = (hf::add_taker({tool_taken, take_tool_made_again}), true);

std::vector<std::pair<int, double>> no_numbers(const hf::Record&, const std::vector<double>&) { return {}; }

const bool kinds_made = [] {
    hf::register_kind({"MIRROR_BODY", {}, kPlaneNumbers, 0, 0, true, build_mirror, no_numbers});
    hf::register_kind({"TRIM_BODY", {}, kPlaneNumbers, 0, 0, true, build_trim, no_numbers});
    // Sews of sheets (no references) and of faces are made again with
    // their body; the kernel's sew step keeps the tools.
    hf::register_kind({"SEW", {}, 1, 0, 1000000, true, build_sew, no_numbers});
    return true;
}();

std::vector<int> list_entities(int list) {
    int n = 0;
    KI_colist(list, &n);
    std::vector<int> out(static_cast<std::size_t>(n));
    for (int i = 1; i <= n; ++i) KI_gttgli(list, i, &out[static_cast<std::size_t>(i - 1)]);
    return out;
}

// Sews the tool body to the target where the faces of the two lists meet.
int sew_faces(double tolerance, int instances, const std::vector<int>& bodies, int target_faces,
              int tool_faces, int results, unsigned int* feature) {
    const std::vector<int> targets = list_entities(target_faces), tools = list_entities(tool_faces);
    if (bodies.size() != 2 || targets.empty() || tools.empty()) return FEAT_ERR_BAD_PARAMETERS;
    unsigned int target = 0, tool = 0;
    pxlook_(&bodies[0], &target);
    pxlook_(&bodies[1], &tool);
    if (target == 0 || tool == 0) return FEAT_ERR_BAD_REFERENCE;
    const auto tags_of = [](const std::vector<int>& entities) {
        std::vector<tag_t> out;
        for (int f : entities) {
            unsigned int face = 0;
            pxlook_(&f, &face);
            out.push_back(face);
        }
        return out;
    };
    const std::vector<tag_t> faces = tags_of(targets), tool_face_tags = tags_of(tools);
    tag_t made = 0;
    if (int code = make_sew(target, SewTool{bodies[1], tools, {}},
                            SewRow{{tool}, instances != 0, target, tolerance, true, faces, tool_face_tags, {}}, faces, &made))
        return code;
    KI_pttgli(results, 0, 1, bodies[0]);
    *feature = made;
    return 0;
}

// The sew of the feature when it is of the kind (of faces or not).
const SewRow* sew_of(const Call& call, tag_t feature, bool of_faces) {
    call.live(feature);
    const SewRow* r = sew_row(feature);
    return r && r->of_faces == of_faces ? r : nullptr;
}

// A count and a new array (never null) of the tags.
void hand_out(const std::vector<tag_t>& tags, int* n, unsigned int** array) {
    *array = static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int) * (tags.empty() ? 1 : tags.size())));
    std::copy(tags.begin(), tags.end(), *array);
    *n = static_cast<int>(tags.size());
}

// A sew that the kernel or the feature service refused for what it was
// given (sheets that do not meet, a solid as a tool, a reference that does
// not resolve ...), as against an error of the host on the way.
bool sew_refused(int code) {
    return (code >= KERNEL_ERR_EXCEPTION && code <= KERNEL_ERR_INVALID_RESULT) ||
           (code >= FEAT_ERR_UPDATE_FAILED && code <= FEAT_ERR_BAD_REORDER) || code == HOST_ERR_BAD_ARGUMENT;
}

// The point and normal of a plane or datum plane, or false.
bool plane_numbers(tag_t plane, std::vector<double>& n) {
    const ho::Object* o = ho::find(plane);
    if (!o || (o->type != HOST_TYPE_PLANE && o->type != HOST_TYPE_DATUM_PLANE)) return false;
    n.assign(kPlaneNumbers, 0.0);
    return host::profiles::direction_data(plane, &n[kPoint], &n[kNormal]);
}

// Splits each body of the list by `cut`, appending every piece.
template <class Cut>
void split_each(const Call& call, const int* bodies, const int* results, int* count, int* error, Cut cut) {
    call.need(bodies, "the body list");
    call.need(results, "the result list");
    call.need(count, "the count output");
    call.need(error, "the error output");
    *count = 0;
    *error = 0;
    int n = 0;
    KI_colist(*bodies, &n);
    std::vector<int> back, front;
    for (int i = 1; i <= n; ++i) {
        int body = 0;
        KI_gttgli(*bodies, i, &body);
        back.push_back(body);
    }
    const host::ModelSnapshot before = host::snapshot_model();
    const int code = hf::caught([&] {
        for (int body : back) {
            int piece = 0;
            cut(body, &piece);
            front.push_back(piece);
        }
    });
    if (code != 0) {
        host::restore_model(before);
        *error = code;
        return;
    }
    for (int b : back) KI_pttgli(*results, 0, 1, b);
    for (int f : front) KI_pttgli(*results, 0, 1, f);
    *count = static_cast<int>(back.size() + front.size());
}

}  // namespace

extern "C" {

int MIRROR_create_frec(int body, int, unsigned int plane, int, int, unsigned int* record) {
    auto call = HOST_ENTRY(body, plane, record);
    call.need(record, "the record output");
    *record = 0;
    std::vector<double> n;
    if (!plane_numbers(plane, n)) return FEAT_ERR_BAD_PARAMETERS;
    unsigned int object = 0;
    pxlook_(&body, &object);
    if (object == 0) return FEAT_ERR_BAD_REFERENCE;
    return hf::create_built(part_of(object), "MIRROR_BODY", {}, n, {}, object, FEAT_SIGN_NEW, record);
}

int TRIM_body(unsigned int body, unsigned int tool, int, int side, int, int, unsigned int* record) {
    auto call = HOST_ENTRY(body, tool, side, record);
    call.need(record, "the record output");
    *record = 0;
    std::vector<double> n;
    if (!plane_numbers(tool, n)) return FEAT_ERR_BAD_PARAMETERS;
    if (side != 0 && side != 1) return FEAT_ERR_BAD_PARAMETERS;
    // The kernel keeps what lies behind its plane: side 1 turns the plane.
    if (side == 1)
        for (int i = 0; i < 3; ++i)
            n[static_cast<std::size_t>(kNormal + i)] = -n[static_cast<std::size_t>(kNormal + i)];
    return hf::create_built(part_of(body), "TRIM_BODY", {}, n, {}, body, FEAT_SIGN_NEW, record);
}

void pxsplt_(const int* bodies, const int* n, const unsigned int* plane, const int* results, int* count, int* error) {
    auto call = HOST_ENTRY(bodies, n, plane, count);
    call.need(plane, "the plane");
    std::vector<double> p;
    if (!plane_numbers(*plane, p)) call.fail(FEAT_ERR_BAD_PARAMETERS, "object %u is no plane", *plane);
    split_each(call, bodies, results, count, error,
               [&](int body, int* front) { ZQ_BODY_split_by_plane(body, &p[kPoint], &p[kNormal], front); });
}

void cm_ftn_split_solid(const int* bodies, const int* sheet, const int* results, int* count, int* error) {
    auto call = HOST_ENTRY(bodies, sheet, results, count);
    call.need(sheet, "the sheet");
    split_each(call, bodies, results, count, error,
               [&](int body, int* front) { ZQ_BODY_split_by_sheet(body, *sheet, front); });
}

int SEW_create_frec(double tolerance, int, int instances, int bodies, int target_faces, int tool_faces, int results,
                    unsigned int* feature) {
    auto call = HOST_ENTRY(tolerance, instances, bodies, feature);
    call.need(feature, "the feature output");
    *feature = 0;
    int n_target = 0, n_tool = 0;
    KI_colist(target_faces, &n_target);
    KI_colist(tool_faces, &n_tool);
    std::vector<int> all = list_entities(bodies);
    if (n_target > 0 || n_tool > 0)
        return sew_faces(tolerance, instances, all, target_faces, tool_faces, results, feature);
    if (all.size() < 2) return FEAT_ERR_BAD_PARAMETERS;
    tag_t made = 0;
    if (int code = sew_sheets(all[0], std::vector<int>(all.begin() + 1, all.end()), tolerance, instances != 0, &made))
        return code;
    KI_pttgli(results, 0, 1, all[0]);
    *feature = made;
    return 0;
}

int SEW_is_instance_sew(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    call.live(feature);
    const SewRow* r = sew_row(feature);
    return r && r->instances ? 1 : 0;
}

unsigned int FREF_ask_face_label_of_fref(unsigned int fref) {
    HOST_ENTRY(fref);
    unsigned int face = FREF_ask_face_of_fref(fref);
    if (face == 0) return 0;
    const tag_t body = ES_solid_ask_body(face);
    // The last feature of the body whose own step made the face.
    tag_t label = 0;
    for (tag_t f : hf::features_of_part(part_of(body))) {
        const hf::Record* r = hf::find(f);
        if (!r || r->body != body) continue;
        int n = 0;
        int* faces = nullptr;
        ZQ_GROUP_ask_entities(f, &n, &faces);
        if (std::find(faces, faces + n, static_cast<int>(fref)) != faces + n) label = f;
        SM_free(faces);
    }
    return label;
}

int ISET_is_an_instance_frec(unsigned int feature) {
    HOST_ENTRY(feature);
    const hf::Record* r = hf::find(feature);
    return r && (r->kind == "CIRCULAR_ISET" || r->kind == "LINEAR_ISET") ? 1 : 0;
}

int SEW_is_tool_body(unsigned int body) {
    HOST_ENTRY(body);
    for (tag_t f : hf::features_of_part(part_of(body)))
        if (const SewRow* r = sew_row(f))
            for (tag_t t : r->tools)
                if (t == body) return 1;
    return 0;
}

int SEW_ask_sew_sheet_body(unsigned int feature, unsigned int* target, int* n_tools, unsigned int** tools,
                           double* tolerance) {
    auto call = HOST_ENTRY(feature, target, tools);
    call.need(target, "the target output");
    call.need(n_tools, "the tool count");
    call.need(tools, "the tool array");
    call.need(tolerance, "the tolerance output");
    const SewRow* r = sew_of(call, feature, false);
    if (!r) return SEW_ERR_OTHER_KIND;
    hand_out(r->tools, n_tools, tools);
    *target = r->target;
    *tolerance = r->tolerance;
    return 0;
}

int SEW_ask_solid_faces(unsigned int feature, int* n1, unsigned int** a1, int* n2, unsigned int** a2, int* n3,
                        unsigned int** a3, int* n4, unsigned int** a4, double* tolerance) {
    auto call = HOST_ENTRY(feature, a1, a3, tolerance);
    for (int* n : {n1, n2, n3, n4}) call.need(n, "a count output");
    for (unsigned int** a : {a1, a2, a3, a4}) call.need(a, "an array output");
    call.need(tolerance, "the tolerance output");
    const SewRow* r = sew_of(call, feature, true);
    if (!r) return SEW_ERR_OTHER_KIND;
    const std::vector<tag_t> none;
    const std::vector<tag_t>* lists[4] = {&r->target_faces, &r->tool_faces, &none, &none};
    if (r->instances) std::swap(lists[0], lists[2]), std::swap(lists[1], lists[3]);
    int n[4] = {};
    unsigned int* a[4] = {};
    try {
        for (int i = 0; i < 4; ++i) hand_out(*lists[i], &n[i], &a[i]);
    } catch (...) {
        for (unsigned int* p : a) SM_free(p);
        throw;
    }
    *n1 = n[0], *a1 = a[0], *n2 = n[1], *a2 = a[1], *n3 = n[2], *a3 = a[2], *n4 = n[3], *a4 = a[3];
    *tolerance = r->tolerance;
    return 0;
}

int SEW_create_multiple_sews(int body, unsigned int tool1, unsigned int tool2, unsigned int tool3, unsigned int tool4,
                             int mode, int* n_first, unsigned int** first, int* n_second, unsigned int** second) {
    auto call = HOST_ENTRY(body, tool1, mode, first);
    call.need(n_first, "the first count");
    call.need(first, "the first array");
    call.need(n_second, "the second count");
    call.need(second, "the second array");
    *n_first = 0;
    *first = nullptr;
    unsigned int target = 0;
    pxlook_(&body, &target);
    if (target == 0) return FEAT_ERR_BAD_REFERENCE;
    const double tolerance = mode == 1 ? 0.001 : 0.01;
    // A sew refused (the kernel or the feature service cannot make it)
    // ends the work with its code and keeps the sews made before it. Any
    // other error, answered by a sew or raised on the way, takes every sew
    // of the call back (the target as it was) and gives back the arrays
    // made for the caller: the error is answered or passed on then.
    const host::ModelSnapshot before = host::snapshot_model();
    unsigned int* sews = nullptr;
    try {
        std::vector<tag_t> made;
        int code = 0;
        for (tag_t tool : {tool1, tool2, tool3, tool4}) {
            if (tool == 0) continue;
            const int sheet = host::kernel::entity_of(tool);
            if (sheet == 0) {
                code = FEAT_ERR_BAD_REFERENCE;
                break;
            }
            tag_t sew = 0;
            code = sew_sheets(body, {sheet}, tolerance, false, &sew);
            if (code != 0) break;
            made.push_back(sew);
        }
        if (code != 0 && !sew_refused(code)) {
            host::restore_model(before);
            return code;
        }
        int n = 0;
        hand_out(made, &n, &sews);
        if (code != 0) {
            *n_first = n;
            *first = sews;
            return code;
        }
        auto* bodies = static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int)));
        bodies[0] = target;
        *n_first = n;
        *first = sews;
        *n_second = 1;
        *second = bodies;
        return 0;
    } catch (...) {
        host::restore_model(before);
        host::memory::take_back(sews);
        throw;
    }
}

}  // extern "C"
