// Hollow features (host/apps/modeling/bodyops/hollow.h): the kernel hollows the feature's
// body; the update makes it again when the thickness changes.
#include "host/apps/modeling/bodyops/hollow.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/codes.h"
#include "host/model/feature/feature.h"
#include "host/base/hook.h"
#include "host/kernel/ops/face_ops.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

struct HOLLOW_list_s {
    unsigned int body = 0;
    std::vector<unsigned int> faces;
    std::vector<double> thicknesses;  // faces of their own
};

namespace {

using host::Call;
using tag_t = unsigned int;
namespace hf = host::feature;

constexpr const char* kKind = "HOLLOW";

// Numbers of a hollow: its kind, the count of faces to open, then the
// thickness of each face of its own.
enum { kHollowKind = 0, kOpen = 1, kOwn = 2 };

int step_count(int body) {
    int n = 0;
    ZQ_BODY_ask_step_count(body, &n);
    return n;
}

void build_hollow(const Call& call, hf::Record& r, const std::vector<double>& v) {
    const int body = host::kernel::entity_of(r.body);
    if (body == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the hollow's body has no kernel body");
    const int n_open = static_cast<int>(r.numbers[kOpen]);
    const int n_own = static_cast<int>(r.refs.size()) - n_open;
    ZQ_BODY_hollow_faces(body, v[0], n_open, r.refs.data(), n_own, r.refs.data() + n_open, r.numbers.data() + kOwn);
    r.step = step_count(body) - 1;
}

std::vector<std::pair<int, double>> hollow_numbers(const hf::Record&, const std::vector<double>& v) {
    return {{0, v[0]}};
}

const bool kind_made = [] {
    hf::register_kind({kKind, {"Thickness"}, hf::kAnyNumbers, 0, 1000000, true, build_hollow, hollow_numbers});
    return true;
}();

// The value of a thickness text in the body's part, or NaN.
double value_of(tag_t part, const char* text) {
    double v = NAN;
    if (!text || EXP_ask_value_of_exp_str(part, text, &v) != 0) return NAN;
    return v;
}

tag_t part_of(tag_t object) {
    const host::objects::Object* o = host::objects::find(object);
    return o ? o->part : 0;
}

}  // namespace

extern "C" {

int HOLLOW_is_valid_thickness(double tolerance, const char* thickness) {
    auto call = HOST_ENTRY_TEXT(thickness, tolerance);
    call.need(thickness, "the thickness");
    const double v = value_of(CONTEXT_ask_work_part(), thickness);
    return std::isfinite(v) && v > tolerance ? 1 : 0;
}

int HOLLOW_get_list(int mode, int own, double tolerance, unsigned int body, int count, const unsigned int faces[],
                    const char* const texts[], const char* thickness, HOLLOW_list_t** list) {
    auto call = HOST_ENTRY(mode, own, body, count);
    call.need(list, "the list output");
    *list = nullptr;
    if (mode != 0 || count < 0) call.fail(HOST_ERR_BAD_ARGUMENT, "no hollow list of mode %d and %d faces", mode, count);
    if (count > 0) call.need(faces, "the faces");
    if (own && count > 0) call.need(texts, "the thickness texts");
    (void)thickness;
    auto made = std::make_unique<HOLLOW_list_s>();
    made->body = body;
    for (int i = 0; i < count; ++i) {
        if (ES_solid_ask_body(faces[i]) != body) return FEAT_ERR_BAD_REFERENCE;
        made->faces.push_back(faces[i]);
        if (own) {
            const double v = value_of(part_of(body), texts[i]);
            if (!std::isfinite(v) || !(v > tolerance)) return FEAT_ERR_BAD_PARAMETERS;
            made->thicknesses.push_back(v);
        }
    }
    *list = made.release();
    return 0;
}

void HOLLOW_free_list(HOLLOW_list_t* list) {
    HOST_ENTRY(list);
    delete list;
}

int HOLLOW_create_frec(int kind, double tolerance, const char* thickness, unsigned int body, const HOLLOW_list_t* list1,
                       const HOLLOW_list_t* list2, const HOLLOW_list_t* list3, unsigned int* feature) {
    auto call = HOST_ENTRY_TEXT(thickness, kind, tolerance, body, feature);
    int status;
    if (call.status(status)) return status;
    call.need(thickness, "the thickness");
    call.need(feature, "the feature output");
    if (kind < 1 || kind > 3) call.fail(HOST_ERR_BAD_ARGUMENT, "no hollow of kind %d", kind);
    const tag_t part = part_of(body);
    // The thickness of the walls, unless every face has its own.
    const double wall = value_of(part, thickness);
    if (!std::isfinite(wall) || !(wall > tolerance)) return FEAT_ERR_BAD_PARAMETERS;
    std::vector<tag_t> refs;
    std::vector<double> numbers{static_cast<double>(kind), 0.0};
    for (const HOLLOW_list_t* l : {list1, list2})
        if (l) refs.insert(refs.end(), l->faces.begin(), l->faces.end());
    numbers[kOpen] = static_cast<double>(refs.size());
    if (list3) {
        refs.insert(refs.end(), list3->faces.begin(), list3->faces.end());
        numbers.insert(numbers.end(), list3->thicknesses.begin(), list3->thicknesses.end());
    }
    return hf::create_built(part, kKind, {thickness}, numbers, refs, body, FEAT_SIGN_NEW, feature);
}

}  // extern "C"
