// The primitive creators (block, cone, cylinder, sphere from texts), the
// kinds CONE and SPHERE, and percent_g.
#include "host/apps/modeling/primitive/primitives.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "host/store/parts/parts.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"

namespace hf = host::feature;

namespace {

using tag_t = unsigned int;

// ---- the kinds ------------------------------------------------------------

// Numbers: the origin and the axis; parameters: base and top diameter,
// height (the half angle is not read).
void build_cone(const host::Call& call, hf::Record& r, const std::vector<double>& v) {
    int made = 0;
    ZQ_BODY_make_cone(r.numbers.data(), r.numbers.data() + 3, v[0] / 2, v[1] / 2, v[2], &made);
    hf::detail::place_primitive(call, r, made);
}
std::vector<std::pair<int, double>> cone_numbers(const hf::Record&, const std::vector<double>& v) {
    return {{6, v[0] / 2}, {7, v[1] / 2}, {8, v[2]}};
}
// The half angle in degrees: how far the side leans in from the base.
std::vector<std::string> cone_half_angle(const std::vector<std::string>& names) {
    return {"atan2((" + names[0] + "-" + names[1] + ")/2," + names[2] + ")"};
}

// Numbers: the centre; the parameter: the diameter.
void build_sphere(const host::Call& call, hf::Record& r, const std::vector<double>& v) {
    int made = 0;
    ZQ_BODY_make_sphere(r.numbers.data(), v[0] / 2, &made);
    hf::detail::place_primitive(call, r, made);
}
std::vector<std::pair<int, double>> sphere_numbers(const hf::Record&, const std::vector<double>& v) {
    return {{3, v[0] / 2}};
}

const bool kinds_made = [] {
    hf::register_kind({"CONE", {"Base Diameter", "Top Diameter", "Height", "Half Angle"}, 6, 0, 0, false, build_cone,
                       cone_numbers, nullptr, 1, cone_half_angle});
    hf::register_kind({"SPHERE", {"Diameter"}, 3, 0, 0, false, build_sphere, sphere_numbers});
    return true;
}();

// ---- the creators -----------------------------------------------------------

// The number a coordinate text holds (blanks around it allowed).
double coordinate(const host::Call& call, const char* text) {
    call.need(text, "a coordinate text");
    const char* first = text;
    while (std::isspace(static_cast<unsigned char>(*first))) ++first;
    const char* last = first + std::strlen(first);
    double value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    const char* rest = end;
    while (std::isspace(static_cast<unsigned char>(*rest))) ++rest;
    if (ec != std::errc() || *rest != '\0') call.fail(HOST_ERR_BAD_ARGUMENT, "the coordinate \"%s\" is no number", text);
    return value;
}

// Appends the numbers of n coordinate texts.
void read_point(const host::Call& call, const char* const* texts, int n, std::vector<double>& numbers) {
    call.need(texts, "the coordinate texts");
    for (int i = 0; i < n; ++i) numbers.push_back(coordinate(call, texts[i]));
}

std::vector<std::string> sizes(const host::Call& call, std::initializer_list<const char*> texts) {
    std::vector<std::string> out;
    for (const char* t : texts) out.emplace_back(call.need(t, "a size text"));
    return out;
}

// Makes the feature in the work part: 0 and *record, or the refusal's code.
int create(const host::Call& call, int sign, const char* kind, const std::vector<std::string>& formulas,
           const std::vector<double>& numbers, unsigned int* record) {
    call.need(record, "the record output");
    for (double n : numbers)
        if (!std::isfinite(n)) return KERNEL_ERR_DEGENERATE;
    const tag_t part = host::parts::work_part();
    tag_t target = 0;
    if (sign >= FEAT_SIGN_UNITE && sign <= FEAT_SIGN_INTERSECT) {
        target = BREF_ask_current_target(part);
        if (target == 0 || ES_solid_ask_fermalith_tag(target) == 0) return PRIM_ERR_NO_TARGET;
    }
    tag_t feature = 0;
    if (int code = hf::create_built(part, kind, formulas, numbers, {}, target, sign, &feature)) return code;
    *record = CM_ask_object_of_eid(feature);
    return 0;
}

}  // namespace

extern "C" {

void percent_g(char* text, double value) {
    auto call = HOST_ENTRY(text, value);
    call.need(text, "the text slot");
    char out[PRIM_SLOT_CHARS];
    // The shortest text that reads back as the same double: at most 24
    // characters ("-2.2250738585072014e-308").
    const auto [end, ec] = std::to_chars(out, out + sizeof out - 1, value);
    if (ec != std::errc()) call.fail(HOST_ERR_INTERNAL, "%g does not fit a text slot", value);
    *end = '\0';
    std::memcpy(text, out, static_cast<std::size_t>(end - out) + 1);
}

int pxcreblk1(int sign, const char* const corner[3], const char* const sizes_[3], unsigned int* record) {
    auto call = HOST_ENTRY(sign, corner, sizes_, record);
    std::vector<double> numbers;
    read_point(call, corner, 3, numbers);
    call.need(sizes_, "the edge lengths");
    return create(call, sign, "BLOCK", sizes(call, {sizes_[0], sizes_[1], sizes_[2]}), numbers, record);
}

int pxcrecone1(int sign, const char* const origin[3], const char* const diameters[2], const char* height,
               const char* const axis[3], unsigned int* record) {
    auto call = HOST_ENTRY_TEXT(height, sign, origin, axis, record);
    std::vector<double> numbers;
    read_point(call, origin, 3, numbers);
    read_point(call, axis, 3, numbers);
    call.need(diameters, "the diameters");
    return create(call, sign, "CONE", sizes(call, {diameters[0], diameters[1], height}), numbers, record);
}

int pxcrecyl1(int sign, const char* const origin[3], const char* height, const char* diameter,
              const char* const axis[3], unsigned int* record) {
    auto call = HOST_ENTRY_TEXT(diameter, sign, origin, axis, record);
    std::vector<double> numbers;
    read_point(call, origin, 3, numbers);
    read_point(call, axis, 3, numbers);
    return create(call, sign, "CYLINDER", sizes(call, {diameter, height}), numbers, record);
}

int pxcresphere1(int sign, const char* const centre[3], const char* diameter, unsigned int* record) {
    auto call = HOST_ENTRY_TEXT(diameter, sign, centre, record);
    std::vector<double> numbers;
    read_point(call, centre, 3, numbers);
    return create(call, sign, "SPHERE", sizes(call, {diameter}), numbers, record);
}

}  // extern "C"
