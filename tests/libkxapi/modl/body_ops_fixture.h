// What the body-operation tests share: blocks of the kernel's own, faces
// found by their plane, lines, and one section of a part as a file.
#ifndef TESTS_LIBKXAPI_MODL_BODY_OPS_FIXTURE_H
#define TESTS_LIBKXAPI_MODL_BODY_OPS_FIXTURE_H

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "host/store/parts/part_file.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"

namespace kxtest {

// A block of the kernel's own (no feature makes it).
inline tag kernel_block(std::vector<double> origin, std::vector<double> size) {
    int b = 0;
    ZQ_BODY_make_block(origin.data(), size.data(), &b);
    return host::kernel::object_of(b);
}

// The face of the body on the plane where coordinate `axis` is `at`.
inline tag face_at(tag body, int axis, double at) {
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        double box[6];
        ZQ_TOPOL_find_box(f, box);
        if (std::abs(box[axis] - at) < 1e-6 && std::abs(box[axis + 3] - at) < 1e-6) return host::kernel::object_of(f);
    }
    return NULL_TAG;
}

inline tag line(std::vector<double> from, std::vector<double> to) {
    line_data d{};
    for (std::size_t i = 0; i < 3; ++i) {
        d.start_point[i] = from[i];
        d.end_point[i] = to[i];
    }
    tag l = NULL_TAG;
    EXPECT_EQ(KX_CURVE_create_line(&d, &l), 0);
    return l;
}

// The part as a file decoded into `image`, and the payload of its section
// `id` (empty when the file has none).
inline std::string section_payload(unsigned int part, const char* id, host::part_file::Image& image) {
    namespace pf = host::part_file;
    EXPECT_EQ(pf::decode(pf::encode(part, nullptr, true), image), 0);
    for (const auto& [name, payload] : image.sections)
        if (name == id) return payload;
    return {};
}

}  // namespace kxtest

#endif
