// Face divisions (host/bodyops/subdivide.h): the kernel divides the face;
// the update makes the division again with the body.
#include "host/bodyops/subdivide.h"

#include <vector>

#include "host/feature/codes.h"
#include "host/feature/feature.h"
#include "host/feature/records.h"
#include "host/hook.h"
#include "host/kernel/body_ops.h"
#include "host/kernel/kernel.h"
#include "host/measure/measure.h"
#include "host/services/objects.h"

namespace {

using host::Call;
using tag_t = unsigned int;
namespace hf = host::feature;

constexpr const char* kKind = "SUBDIVIDE_FACE";

// The wires of the division being made (none while none is made).
std::vector<int> g_wires;

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
        if (g_wires.empty()) call.fail(FEAT_ERR_BAD_PARAMETERS, "the division has no curves");
        ZQ_BODY_subdivide_face(body, r.refs[0], static_cast<int>(g_wires.size()), g_wires.data(),
                               static_cast<int>(r.numbers[0]));
    }
    r.step = step_count(body) - 1;
}

std::vector<std::pair<int, double>> no_numbers(const hf::Record&, const std::vector<double>&) { return {}; }

const bool kind_made = [] {
    hf::register_kind({kKind, {}, 1, 1, 1, true, build_division, no_numbers});
    return true;
}();

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
    // Wire bodies of the curves, there while the division is made (a
    // failure on the way leaves them to the caller's roll-back).
    struct Wires {
        ~Wires() { g_wires.clear(); }
    } wires;
    for (const unsigned int* c = curves; *c != 0; ++c) {
        int w = 0;
        ZQ_CURVE_make_wire_body_2(*c, &w);
        g_wires.push_back(w);
    }
    const int code =
        hf::create_built(b->part, kKind, {}, {static_cast<double>(project)}, {object}, body, FEAT_SIGN_NEW, record);
    for (int w : g_wires) ZQ_ENTITY_delete(w);
    return code;
}
