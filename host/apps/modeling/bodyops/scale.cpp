// Scale features (host/apps/modeling/bodyops/scale.h): the kernel scales the feature's
// body by its factors; the update makes it again from them.
#include "host/apps/modeling/bodyops/scale.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/rm.h"
#include "host/model/feature/codes.h"
#include "host/model/feature/feature.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using host::Call;
using tag_t = unsigned int;
namespace hf = host::feature;

constexpr const char* kKinds[3] = {"SCALE", "SCALE_AXIAL", "SCALE_GENERAL"};
constexpr int kFirstText[3] = {0, 1, 3};
constexpr int kTexts[3] = {1, 2, 3};

// Numbers of a scale feature: the centre, the type, the axis.
enum { kCentre = 0, kType = 3, kAxis = 4, kNumbers = 7 };

int step_count(int body) {
    int n = 0;
    ZQ_BODY_ask_step_count(body, &n);
    return n;
}

void need_factors(const Call& call, const std::vector<double>& v) {
    for (double f : v)
        if (!(f > 0) || !std::isfinite(f)) call.fail(FEAT_ERR_BAD_PARAMETERS, "a scale factor of %g is not above 0", f);
}

// The affine map (3 rows of 4) of an axial or general scale about the centre.
std::vector<double> matrix_of(const hf::Record& r, const std::vector<double>& v) {
    double m[3][3] = {};
    if (static_cast<int>(r.numbers[kType]) == 1) {
        const double* a = &r.numbers[kAxis];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) m[i][j] = (i == j ? v[1] : 0.0) + (v[0] - v[1]) * a[i] * a[j];
    } else {
        for (int i = 0; i < 3; ++i) m[i][i] = v[static_cast<std::size_t>(i)];
    }
    std::vector<double> out(12);
    const double* c = &r.numbers[kCentre];
    for (int i = 0; i < 3; ++i) {
        double t = c[i];
        for (int j = 0; j < 3; ++j) {
            out[static_cast<std::size_t>(4 * i + j)] = m[i][j];
            t -= m[i][j] * c[j];
        }
        out[static_cast<std::size_t>(4 * i + 3)] = t;
    }
    return out;
}

void build_scale(const Call& call, hf::Record& r, const std::vector<double>& v) {
    const int body = host::kernel::entity_of(r.body);
    if (body == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the scale's body has no kernel body");
    need_factors(call, v);
    if (static_cast<int>(r.numbers[kType]) == 0) ZQ_BODY_scale(body, &r.numbers[kCentre], v[0]);
    else ZQ_BODY_transform(body, matrix_of(r, v).data());
    r.step = step_count(body) - 1;
}

std::vector<std::pair<int, double>> scale_numbers(const hf::Record& r, const std::vector<double>& v) {
    const Call call("SCALE_make_scale", nullptr);
    need_factors(call, v);
    if (static_cast<int>(r.numbers[kType]) == 0) return {{3, v[0]}};
    const std::vector<double> m = matrix_of(r, v);
    std::vector<std::pair<int, double>> out;
    for (int i = 0; i < 12; ++i) out.emplace_back(i, m[static_cast<std::size_t>(i)]);
    return out;
}

const bool kinds_made = [] {
    hf::register_kind({kKinds[0], {"Scale Factor"}, kNumbers, 0, 0, true, build_scale, scale_numbers});
    hf::register_kind({kKinds[1], {"Axial Factor", "Radial Factor"}, kNumbers, 0, 0, true, build_scale, scale_numbers});
    hf::register_kind(
        {kKinds[2], {"X Factor", "Y Factor", "Z Factor"}, kNumbers, 0, 0, true, build_scale, scale_numbers});
    return true;
}();

// The centre and axis numbers of the record's tags.
std::vector<double> numbers_of(const Call& call, const SCALE_record_t& rec) {
    std::vector<double> n(kNumbers, 0.0);
    n[kType] = rec.type;
    n[kAxis + 2] = 1.0;
    if (rec.point) {
        if (RM_ask_entity_type(rec.point) != HOST_TYPE_POINT)
            call.fail(HOST_ERR_BAD_ARGUMENT, "object %u is no point", rec.point);
        ES_ask_coordinates_of_point(rec.point, n.data());
    }
    if (rec.axis) {
        if (RM_ask_entity_type(rec.axis) != HOST_TYPE_LINE)
            call.fail(HOST_ERR_BAD_ARGUMENT, "object %u is no line", rec.axis);
        double a[3], b[3];
        ES_ask_coordinates_of_line(rec.axis, a, b);
        const double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        if (!(len > 0)) call.fail(HOST_ERR_BAD_ARGUMENT, "the axis line has no length");
        for (int i = 0; i < 3; ++i) n[static_cast<std::size_t>(kAxis + i)] = d[i] / len;
    }
    if (rec.csys) call.fail(HOST_ERR_BAD_ARGUMENT, "a scale in coordinate system %u is not made", rec.csys);
    return n;
}

}  // namespace

extern "C" int SCALE_make_scale(const SCALE_record_t* record, unsigned int** features, int* n) {
    auto call = HOST_ENTRY(record, features, n);
    int status;
    if (call.status(status)) return status;
    call.need(record, "the scale record");
    call.need(features, "the features output");
    call.need(n, "the count output");
    *features = nullptr;
    *n = 0;
    const int type = record->type;
    if (type < 0 || type > 2) call.fail(HOST_ERR_BAD_ARGUMENT, "no scale of type %d", type);
    if (record->n_bodies < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no bodies to scale");
    call.need(record->bodies, "the bodies");
    const std::vector<double> numbers = numbers_of(call, *record);
    std::vector<std::string> texts;
    for (int i = 0; i < kTexts[type]; ++i) {
        const char* t = record->factors[kFirstText[type] + i];
        if (!std::memchr(t, '\0', SCALE_FACTOR_CHARS)) call.fail(HOST_ERR_BAD_ARGUMENT, "a factor text is too long");
        texts.emplace_back(t);
    }
    std::vector<tag_t> made;
    for (int i = 0; i < record->n_bodies; ++i) {
        const tag_t body = record->bodies[i];
        const tag_t part = host::objects::find(body) ? host::objects::find(body)->part : 0;
        tag_t f = 0;
        if (int code = hf::create_built(part, kKinds[type], texts, numbers, {}, body, FEAT_SIGN_NEW, &f)) return code;
        made.push_back(f);
    }
    auto* out = static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int) * made.size()));
    for (std::size_t i = 0; i < made.size(); ++i) out[i] = made[i];
    *features = out;
    *n = static_cast<int>(made.size());
    return 0;
}
