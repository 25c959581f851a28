// The face-blend tests' fixture: a 100 x 50 x 20 block at the origin made
// as a feature of the work part, its faces by place, and records of two
// face sets.
#ifndef TESTS_LIBKXAPI_MODL_BLEND_FACE_FIXTURE_H
#define TESTS_LIBKXAPI_MODL_BLEND_FACE_FIXTURE_H

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/fresh_process.h"
#include "tests/libkxapi/modl/host_block.h"

inline constexpr double kPi = std::numbers::pi;

// The volume a constant blend of radius r takes off a straight edge of
// length l between two perpendicular faces.
inline double removed(double r, double l) { return r * r * l * (1 - kPi / 4); }

// Frees a record read back: arrays, texts, each law's data, the laws.
inline void free_back(face_blend_data& d) {
    for (void* p : {static_cast<void*>(d.faces_1), static_cast<void*>(d.faces_2), static_cast<void*>(d.aux_objects),
                    static_cast<void*>(d.curves), static_cast<void*>(d.radius_objects), static_cast<void*>(d.tolerance),
                    static_cast<void*>(d.radius)})
        KX_free(p);
    if (d.laws) {
        for (int i = 0; i < 3; ++i)
            if (d.laws[i]) {
                if (d.laws[i]->method != 0) KX_free(d.laws[i]->u.law);
                KX_free(d.laws[i]);
            }
        KX_free(d.laws);
    }
    std::memset(&d, 0, sizeof d);
}

class FaceBlend : public ::testing::Test {
protected:
    void SetUp() override {
        const unsigned int block = fresh_host_block("face_blend.prt").second;
        ASSERT_EQ(KX_initialize(), 0);
        body_ = FREC_ask_body(block);
        ASSERT_NE(body_, 0u);
    }
    void TearDown() override { kxtest::fresh_process(); }

    int entity() const { return host::kernel::entity_of(body_); }
    double volume() const {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(entity(), p);
        return p[ZQ_MP_VOLUME];
    }
    int faces() const { return static_cast<int>(host::kernel::faces_of(entity()).size()); }
    // The face of the 100 x 50 x 20 block on the plane where coordinate
    // `axis` is `at`.
    tag face_at(int axis, double at) const {
        for (int f : host::kernel::faces_of(entity())) {
            double box[6];
            ZQ_TOPOL_find_box(f, box);
            if (std::abs(box[axis] - at) < 1e-6 && std::abs(box[axis + 3] - at) < 1e-6)
                return host::kernel::object_of(f);
        }
        ADD_FAILURE() << "no face at " << at << " on axis " << axis;
        return NULL_TAG;
    }
    tag bottom() const { return face_at(2, 0); }
    tag top() const { return face_at(2, 20); }
    tag front() const { return face_at(1, 0); }
    tag back() const { return face_at(1, 50); }
    static int features() { return static_cast<int>(host::feature::features_of_part(host::parts::work_part()).size()); }

    // A record of the two sets with a constant radius (null: the default).
    static face_blend_data record(std::vector<tag>& first, std::vector<tag>& second, const char* radius) {
        face_blend_data d{};
        EXPECT_EQ(KX_MODL_init_face_blend_data(&d), 0);
        KX_free(d.radius);
        d.radius = const_cast<char*>(radius);
        d.faces_1 = first.data();
        d.number_of_faces_1 = static_cast<int>(first.size());
        d.faces_2 = second.data();
        d.number_of_faces_2 = static_cast<int>(second.size());
        return d;
    }
    static int create(face_blend_data& d, tag* feature) {
        int n1 = 0, n2 = 0;
        tag *r1 = nullptr, *r2 = nullptr;
        const int st = KX_MODL_create_face_blend(&d, nullptr, feature, &n1, &r1, &n2, &r2);
        KX_free(d.tolerance);
        d.tolerance = nullptr;
        return st;
    }

    unsigned int body_ = 0;
};

#endif
