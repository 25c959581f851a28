// Face divisions (host/apps/modeling/bodyops/subdivide.h): the kernel divides the face;
// the update makes the division again with the body and moves it after
// its curves.
#include "host/apps/modeling/bodyops/subdivide.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/row_fields.h"
#include "host/model/feature/codes.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/kernel/ops/face_ops.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/measure/measure.h"
#include "host/base/model.h"
#include "host/base/services/objects.h"
#include "host/model/smart/smart.h"

namespace {

using host::Call;
using tag_t = unsigned int;
namespace hf = host::feature;
namespace ho = host::objects;

constexpr const char* kKind = "SUBDIVIDE_FACE";

// The curves each division divides by (objects; 0: one not saved with the
// part).
host::TagTable<std::vector<tag_t>>& division_curves() {
    static auto* const t = new host::TagTable<std::vector<tag_t>>("face division curves");
    return *t;
}
const bool registered = (division_curves(), true);

// The curves of a live division (null for any other object).
const std::vector<tag_t>* curves_of(tag_t feature) {
    const hf::Record* r = hf::find(feature);
    return r && r->kind == kKind ? division_curves().find(feature) : nullptr;
}

// ---- part files ----
// Section "SDIV": per face division, its curves (objects behind a count;
// a curve not written with the part goes out as one not saved). A file
// without the section opens: its divisions stay where they were saved.
namespace pf = host::part_file;
namespace fields = host::part_file::fields;

// An object that may carry a curve: a line, arc, conic, spline or edge.
bool is_curve(tag_t object) {
    const ho::Object& o = ho::require(object);
    return o.type == HOST_TYPE_LINE || o.type == HOST_TYPE_ARC || o.type == HOST_TYPE_CONIC ||
           o.type == HOST_TYPE_SPLINE || (o.type == HOST_TYPE_SOLID && o.subtype == HOST_SUBTYPE_EDGE);
}

void write_divisions(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> features;
    for (tag_t f : hf::features_of_part(ctx.part))
        if (curves_of(f)) features.push_back(f);
    pf::write_rows(out, ctx, features, [&](pf::Writer& row, tag_t feature) {
        std::vector<tag_t> written;
        for (tag_t c : *curves_of(feature)) written.push_back(c != 0 && ho::is_alive(c) && ctx.written(c) ? c : 0);
        fields::put_objects(row, ctx, written);
    });
}

void read_divisions(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, std::vector<tag_t>>> made;
    pf::read_rows(in, ctx, {"face divisions", 4, false}, [&](tag_t feature, pf::Reader& row) {
        // Feature records may be read after this section: the kind is
        // checked where the row is used.
        if (ho::require(feature).cls != OM_CLASS_FEATURE) throw pf::FormatError("a face division row of no feature");
        std::vector<tag_t> curves = fields::get_objects(row, ctx, "a face division");
        if (curves.empty()) throw pf::FormatError("a face division without curves");
        if (!std::all_of(curves.begin(), curves.end(), [](tag_t c) { return c == 0 || is_curve(c); }))
            throw pf::FormatError("a face division divides by objects that are no curves");
        made.emplace_back(feature, std::move(curves));
    });
    for (auto& [feature, curves] : made) division_curves()[feature] = std::move(curves);
}

const bool section_registered = (pf::register_section({{'S', 'D', 'I', 'V'}, write_divisions, read_divisions}), true);

// The wire bodies of the curves, there while the division is made or
// moved: drop() deletes them; a failure on the way leaves them to the
// caller's roll-back.
struct Wires {
    std::vector<int> bodies;
    explicit Wires(const std::vector<tag_t>& curves) {
        for (tag_t c : curves) {
            int w = 0;
            ZQ_CURVE_make_wire_body_2(c, &w);
            bodies.push_back(w);
        }
    }
    void drop() {
        for (int w : bodies) ZQ_ENTITY_delete(w);
        bodies.clear();
    }
};

// The wires of the division being made (null while none is made).
const Wires* g_wires = nullptr;

int step_count(int body) {
    int n = 0;
    ZQ_BODY_ask_step_count(body, &n);
    return n;
}

// Its number the projection, its reference the face.
void build_division(const Call& call, hf::Record& r, const std::vector<double>&) {
    const int body = host::kernel::entity_of(r.body);
    if (body == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the division's body has no kernel body");
    if (const tag_t saved = hf::detail::attaching_body()) {
        // Made again from a part file: by the curves its saved step keeps.
        ZQ_BODY_run_step_again(body, host::kernel::entity_of(saved), r.step, static_cast<int>(r.refs.size()),
                               r.refs.data());
    } else {
        if (!g_wires) call.fail(FEAT_ERR_BAD_PARAMETERS, "the division has no curves");
        ZQ_BODY_subdivide_face(body, r.refs[0], static_cast<int>(g_wires->bodies.size()), g_wires->bodies.data(),
                               static_cast<int>(r.numbers[0]));
    }
    r.step = step_count(body) - 1;
}

std::vector<std::pair<int, double>> no_numbers(const hf::Record&, const std::vector<double>&) { return {}; }

const bool kind_made = [] {
    hf::register_kind({kKind, {}, 1, 1, 1, true, build_division, no_numbers});
    return true;
}();

// At the update, after the bodies are made again: each active division
// whose curves (all still there) now lie elsewhere divides its face by
// them where they lie, and its body is made again from it. Smart curves
// follow their parents first.
void follow_division_curves() {
    const Call call("UPDATE_do_update", nullptr);
    bool smart_followed = false;
    for (tag_t part : host::parts::loaded_parts()) {
        std::vector<std::pair<int, tag_t>> moved;  // body, division
        for (tag_t f : hf::features_of_part(part)) {
            const hf::Record& r = *hf::find(f);
            const std::vector<tag_t>* curves = curves_of(f);
            if (!curves || r.detached || r.step < 1 || hf::is_inactive(f)) continue;
            if (!std::all_of(curves->begin(), curves->end(), [](tag_t c) { return c != 0 && ho::is_alive(c); }))
                continue;  // a curve that is gone: the division stays where it is
            const int body = hf::detail::body_entity(r);
            if (body == 0) continue;
            if (!std::exchange(smart_followed, true)) host::smart::follow_update();
            std::string text;
            int changed = 0;
            if (const int code = hf::caught(
                    [&] {
                        Wires wires(*curves);
                        ZQ_BODY_divide_face_again(body, r.step, static_cast<int>(wires.bodies.size()),
                                                  wires.bodies.data(), &changed);
                        wires.drop();
                    },
                    &text))
                hf::detail::fail_naming(call, f, code, "cannot follow its curves: " + text);
            if (changed) moved.emplace_back(body, f);
        }
        std::vector<int> made_again;
        for (const auto& entry : moved) {
            // Plain names: a lambda below takes the body.
            const int body = entry.first;
            const tag_t division = entry.second;
            if (std::find(made_again.begin(), made_again.end(), body) != made_again.end()) continue;
            made_again.push_back(body);
            std::string text;
            if (const int code = hf::caught([&] { ZQ_BODY_regenerate(body); }, &text)) {
                // The division whose step failed, else the first one moved.
                int step = -1;
                ZQ_BODY_ask_failed_step(&step);
                tag_t culprit = division;
                for (const auto& [b, f] : moved)
                    if (b == body && hf::find(f)->step == step) culprit = f;
                hf::detail::fail_naming(call, culprit, code, "cannot follow its curves: " + text);
            }
        }
    }
}

const bool followed = (hf::add_follower(follow_division_curves), true);

}  // namespace

extern "C" int MODL_divide_create_frec(int face, const unsigned int* curves, int project, unsigned int* record) {
    auto call = HOST_ENTRY(face, curves, project, record);
    call.need(record, "the record output");
    call.need(curves, "the curves");
    *record = 0;
    unsigned int object = 0;
    pxlook_(&face, &object);
    if (object == 0 || !ES_solid_is_a_face(object)) return FEAT_ERR_BAD_REFERENCE;
    if ((project != 0 && project != 1) || curves[0] == 0) return FEAT_ERR_BAD_PARAMETERS;
    const tag_t body = ES_solid_ask_body(object);
    const host::objects::Object* b = host::objects::find(body);
    if (!b) return FEAT_ERR_BAD_REFERENCE;
    std::vector<tag_t> list;
    for (const unsigned int* c = curves; *c != 0; ++c) list.push_back(*c);
    Wires wires(list);
    struct Made {
        explicit Made(const Wires& w) { g_wires = &w; }
        ~Made() { g_wires = nullptr; }
    } making(wires);
    const int code =
        hf::create_built(b->part, kKind, {}, {static_cast<double>(project)}, {object}, body, FEAT_SIGN_NEW, record);
    wires.drop();
    if (code == 0) division_curves()[*record] = std::move(list);
    return code;
}
