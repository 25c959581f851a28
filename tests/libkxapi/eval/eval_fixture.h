// Fixture of the evaluator tests: a fresh host and session, a work part,
// and curves made as entities or directly as evaluator records.
#ifndef TESTS_LIBKXAPI_EVAL_FIXTURE_H
#define TESTS_LIBKXAPI_EVAL_FIXTURE_H

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/numeric/curves.h"
#include "host/numeric/evc.h"
#include "host/base/services/error.h"
#include "kx_core.h"
#include "kx_eval.h"
#include "libkxapi/core/kx_session.h"

class EvalTest : public ::testing::Test {
protected:
    static constexpr double kPi = std::numbers::pi;

    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("curves.prt");
        host::parts::set_work_part(part_);
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }

    // A line entity from a to b.
    tag line_entity(const double a[3], const double b[3]) {
        const double ends[6] = {a[0], a[1], a[2], b[0], b[1], b[2]};
        unsigned int t = 0;
        ES_create_line_in_part(part_, ends, &t);
        return t;
    }
    // An arc entity in the plane of the matrix rows (X, Y, Z); center in
    // the matrix's frame.
    tag arc_entity(const double rows[9], double start, double end, const double center[3], double radius) {
        unsigned int m = 0, a = 0;
        ES_create_matrix_in_part(part_, rows, 3, &m);
        const double data[6] = {start, end, center[0], center[1], center[2], radius};
        ES_create_arc(data, m, &a);
        return a;
    }
    // An evaluator of a curve made directly (kinds without an entity here).
    static evaluator of(const std::optional<hostnum::Curve>& c) { return host::evc::make(*c); }

    // A cubic rational spline with four poles.
    static hostnum::Curve spline() {
        const double poles[] = {0, 0, 0, 1, 1, 2, 0, 2, 3, 2, 1, 1, 4, 0, 0, 1};
        const double knots[] = {0, 0, 0, 0, 1, 1, 1, 1};
        return *hostnum::Curve::spline(4, 4, poles, knots, hostnum::Curve::PoleForm::cartesian);
    }

    unsigned int part_ = 0;
};

#endif
