// Fixture of the curve tests: a fresh host and session, a work part with a
// work coordinate system, and small helpers to look at the curves made.
#ifndef TESTS_LIBKXAPI_CURVE_CURVE_FIXTURE_H
#define TESTS_LIBKXAPI_CURVE_CURVE_FIXTURE_H

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/numeric/curves.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "kx_curve.h"
#include "libkxapi/core/kx_session.h"

class CurveTest : public ::testing::Test {
protected:
    static constexpr double kPi = std::numbers::pi;
    static constexpr double kTwoPi = 2 * std::numbers::pi;

    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part = host::parts::create("curves.prt");
        host::parts::set_work_part(part);
        host::wcs::make_wcs(part);
        identity = matrix({1, 0, 0, 0, 1, 0, 0, 0, 1});
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }

    tag matrix(std::vector<double> rows) {
        unsigned int m = 0;
        ES_create_matrix_in_part(part, rows.data(), 3, &m);
        return m;
    }
    // Live objects of an entity type.
    static int count_of_type(int type) {
        int n = 0;
        for (unsigned int t : host::objects::live_objects())
            if (host::objects::find(t)->type == type) ++n;
        return n;
    }
    // The absolute point of a curve at its own parameter.
    static std::vector<double> point_at(tag curve, double t) {
        auto c = host::curves::curve_of(curve);
        EXPECT_TRUE(c.has_value());
        std::vector<double> p(3, 0.0);
        if (c) hostnum::curve_evaluate(c->record(), 0, t, p.data(), nullptr);
        return p;
    }
    static std::vector<double> curve_limits(tag curve) {
        auto c = host::curves::curve_of(curve);
        std::vector<double> l(2, 0.0);
        if (c) hostnum::curve_limits(c->record(), l.data());
        return l;
    }
    static double distance(const std::vector<double>& a, const double* b) {
        return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
    }

    tag line(double x0, double y0, double z0, double x1, double y1, double z1) {
        line_data d{{x0, y0, z0}, {x1, y1, z1}};
        tag t = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_line(&d, &t), 0);
        return t;
    }
    tag arc(double cx, double cy, double r, double a0, double a1, tag m = NULL_TAG) {
        arc_data d{m ? m : identity, a0, a1, {cx, cy, 0}, r};
        tag t = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_arc(&d, &t), 0);
        return t;
    }

    unsigned int part = 0;
    tag identity = NULL_TAG;
};

#endif
