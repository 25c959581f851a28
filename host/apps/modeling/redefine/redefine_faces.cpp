// Faces and sketches of offsets, hollows, trimming user-defined features
// and sweeps (redefine_faces.h).
#include "host/apps/modeling/redefine/redefine_faces.h"
#include "host/model/feature/redefine_rows.h"

#include <algorithm>
#include <string>
#include <vector>

#include "host/model/feature/feature.h"
#include "host/model/feature/records.h"
#include "host/apps/modeling/redefine/redefine_refs.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace hf = host::feature;

namespace {

using tag_t = unsigned int;

// The trim faces of a trimming user-defined feature (kernel tags), by its
// meta record (redefine_rows.h).
using Trim = hf::TrimFaces;

int kind_of(const hf::Record& r) {
    if (r.kind == "OFFSET") return 1;
    if (r.kind == "HOLLOW") return 2;
    return 0;
}

bool is_trim_udf(tag_t feature) { return hf::find(feature) && hf::trim_faces().find(feature); }

// The number of faces a hollow opens, and its step's parameter of it.
constexpr int kHollowOpen = 1;
constexpr int kHollowOpenParameter = 1;

}  // namespace

extern "C" {

int MODL_ask_replace_faces_kind(unsigned int feature) {
    [[maybe_unused]] auto call = HOST_ENTRY(feature);
    const hf::Record* r = hf::find(feature);
    return r ? kind_of(*r) : 0;
}

void MODL__redef_replace_faces(unsigned int feature, int count, const unsigned int faces[]) {
    auto call = HOST_ENTRY(feature, count, faces);
    const hf::Record& r = hf::require_record(call, feature);
    const int kind = kind_of(r);
    if (kind == 0 || count < 1) call.fail(FEAT_ERR_BAD_PARAMETERS, "%s takes no faces", hf::display_name(feature).c_str());
    call.need(faces, "the faces");
    std::vector<unsigned int> objects(faces, faces + count);
    std::vector<double> numbers = r.numbers;
    if (kind == 2) {
        // The opened faces come first; the faces of a thickness of their
        // own stay after them.
        const std::size_t open = static_cast<std::size_t>(r.numbers[kHollowOpen]);
        for (std::size_t i = open; i < r.refs.size(); ++i) objects.push_back(host::kernel::object_of(r.refs[i]));
        numbers[kHollowOpen] = count;
    }
    if (int st = FEAT_redefine(feature, static_cast<int>(objects.size()), objects.data(), static_cast<int>(numbers.size()),
                               numbers.data()))
        call.fail(st, "%s cannot work on the faces", hf::display_name(feature).c_str());
    if (kind == 2) {
        const hf::Record& now = *hf::find(feature);
        ZQ_BODY_edit_parameter(host::kernel::entity_of(now.body), now.step, kHollowOpenParameter, count);
    }
}

int UDF_is_a_trim_udf_meta(unsigned int feature) {
    [[maybe_unused]] auto call = HOST_ENTRY(feature);
    return is_trim_udf(feature) ? 1 : 0;
}

int UDF_is_fref_from_udf(unsigned int feature, unsigned int fref) {
    auto call = HOST_ENTRY(feature, fref);
    const hf::Record& r = hf::require_record(call, feature);
    // Faces the user-defined feature's own step made (its tool's faces left
    // on the body); a feature without a step of its own groups its member
    // features, and their faces are its own. The faces of the features a
    // placed one stands on are not.
    const std::vector<tag_t> makers = hf::makers_of(static_cast<int>(fref));
    const auto made_by = [&](tag_t f) { return std::find(makers.begin(), makers.end(), f) != makers.end(); };
    if (made_by(feature)) return 1;
    if (r.step < 0)
        for (tag_t member : r.parents)
            if (made_by(member)) return 1;
    return 0;
}

void UDF_ask_trim_frefs(unsigned int feature, int* count, unsigned int** frefs) {
    auto call = HOST_ENTRY(feature, count, frefs);
    call.need(count, "the count output");
    call.need(frefs, "the references output");
    hf::require_record(call, feature);
    std::vector<tag_t> out;
    if (const Trim* t = hf::trim_faces().find(feature))
        for (int f : hf::trim_refs(*t)) out.push_back(static_cast<tag_t>(f));
    hf::hand_out(out, count, frefs);
}

void MODL__reattach_trim_faces(unsigned int feature, int count, const unsigned int frefs[], int value) {
    auto call = HOST_ENTRY(feature, count, frefs, value);
    hf::require_record(call, feature);
    if (!is_trim_udf(feature))
        call.fail(FEAT_ERR_BAD_PARAMETERS, "%s is no trimming user-defined feature", hf::display_name(feature).c_str());
    if (count < 0) call.fail(HOST_ERR_BAD_ARGUMENT, "count %d of trim faces", count);
    if (count > 0) call.need(frefs, "the references");
    std::vector<int> faces;
    for (int i = 0; i < count; ++i) {
        if (FREF_ask_face_of_fref(frefs[i]) == 0)
            call.fail(FEAT_ERR_BAD_REFERENCE, "reference %u names no face", frefs[i]);
        faces.push_back(static_cast<int>(frefs[i]));
    }
    Trim& t = *hf::trim_faces().edit(feature);
    t.faces = std::move(faces);
    t.objects.clear();
    UPDATE_log_object_to_update(feature);
}

int ui_is_sweep_feature(unsigned int feature) {
    [[maybe_unused]] auto call = HOST_ENTRY(feature);
    const hf::Record* r = hf::find(feature);
    return r && (r->kind == "SWEEP" || r->kind == "EXTRUDED" || r->kind == "REVOLVED") ? 1 : 0;
}

void SKET_ask_asso_sket_frecs(unsigned int feature, int* count, unsigned int** sketches) {
    auto call = HOST_ENTRY(feature, count, sketches);
    call.need(count, "the count output");
    call.need(sketches, "the sketches output");
    std::vector<tag_t> out;
    for (tag_t p : hf::require_record(call, feature).parents)
        if (const hf::Record* r = hf::find(p); r && r->kind == "SKETCH") out.push_back(p);
    hf::hand_out(out, count, sketches);
}

}  // extern "C"

unsigned int host::feature::make_trim_udf(const std::vector<unsigned int>& members,
                                          const std::vector<unsigned int>& faces) {
    const host::Call call("host::feature::make_trim_udf", nullptr);
    if (members.empty()) call.fail(HOST_ERR_BAD_ARGUMENT, "a user-defined feature needs members");
    const tag_t part = host::objects::require(members[0]).part;
    const tag_t meta = create(part, "UDF", members);
    set_flags(meta, true, false, true);
    Trim& t = hf::trim_faces()[meta];
    for (tag_t f : faces) t.faces.push_back(host::kernel::entity_of(f));
    return meta;
}

