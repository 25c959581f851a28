// The fixture of the smart-object tests: a session with a work part and
// small helpers that make plain geometry and read smart values.
#ifndef TESTS_LIBKXAPI_SO_SO_FIXTURE_H
#define TESTS_LIBKXAPI_SO_SO_FIXTURE_H

#include <gtest/gtest.h>

#include <array>

#include "host/control/control.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "kx_core.h"
#include "kx_curve.h"
#include "kx_so.h"
#include "libkxapi/core/kx_session.h"

namespace smart_test {

using V = std::array<double, 3>;

class SmartTest : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part = host::parts::create("smart.prt");
        host::parts::set_work_part(part);
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }

    tag point(V p) {
        tag t = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_point(p.data(), &t), 0);
        return t;
    }
    tag line(V a, V b) {
        line_data d{{a[0], a[1], a[2]}, {b[0], b[1], b[2]}};
        tag t = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_line(&d, &t), 0);
        return t;
    }
    tag scalar(double v) {
        tag t = NULL_TAG;
        EXPECT_EQ(KX_SO_create_scalar_double(part, 0, v, &t), 0);
        return t;
    }
    tag expression(const char* assignment) {
        unsigned int t = 0;
        EXPECT_EQ(EXP_create_exp(part, assignment, &t), 0);
        return t;
    }
    static V coords(tag p) {
        V v{};
        EXPECT_EQ(KX_CURVE_ask_point_data(p, v.data()), 0);
        return v;
    }
    static double scalar_value(tag s) {
        double v = -1;
        EXPECT_EQ(KX_SO_ask_double_of_scalar(s, &v), 0);
        return v;
    }
    static V dirr(tag d) {
        V v{};
        EXPECT_EQ(KX_SO_ask_direction_of_dirr(d, v.data()), 0);
        return v;
    }
    static V offset(tag o) {
        V v{};
        EXPECT_EQ(KX_SO_ask_offset_of_offset(o, v.data()), 0);
        return v;
    }
    static bool out_of_date(tag t) {
        logical a = 2;
        EXPECT_EQ(KX_SO_is_out_of_date(t, &a), 0);
        return a != 0;
    }
    static int update() {
        return host::control::raised_code([] { UPDATE_do_update(); }).value_or(0);
    }

    tag part = NULL_TAG;
};

inline void expect_near(const V& got, const V& want, const char* what = "") {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << what << " [" << i << "]";
}

}  // namespace smart_test

#endif
