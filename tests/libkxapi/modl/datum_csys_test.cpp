// Datum coordinate systems made from smart transforms: their place and
// components, the refusals of transforms they cannot follow, the
// components and transform read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/core/curve_entities.h"
#include "host/core/entity_types.h"
#include "host/data/parts.h"
#include "host/data/rm.h"
#include "host/feature/datum_csys.h"
#include "host/feature/feature.h"
#include "host/feature/profiles.h"
#include "host/feature/undo.h"
#include "host/smart/smart.h"
#include "kx_codes.h"
#include "kx_core.h"
#include "kx_csys.h"
#include "kx_modl.h"
#include "kx_modl_datum_csys.h"
#include "libkxapi/core/kx_session.h"

namespace {

using V = std::vector<double>;

class DatumCsys : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("csys.prt");
        CONTEXT_set_work_part(part_);
        // Origin (1, 2, 3), X along world Y, Y along world Z: Z along world X.
        const double at[3][3] = {{1, 2, 3}, {1, 12, 3}, {1, 2, 8}};
        for (int i = 0; i < 3; ++i) ES_create_point(at[i], &points_[i]);
        xform_ = XFORM_create_three_points(part_, 1, points_);
    }
    void TearDown() override {
        host::control::clear_scripts();
        fresh();
    }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }
    static int marks() { return UNDO_JQ_ask_number_of_marks(1) + UNDO_JQ_ask_number_of_marks(0); }
    int systems() const {
        int n = 0;
        for (tag t = 0; (t = host::objects::next_of_part(part_, t, [](const host::objects::Object& o) {
                             return o.type == HOST_TYPE_CSYS;
                         })) != 0;)
            ++n;
        return n;
    }
    int features() const { return static_cast<int>(host::feature::features_of_part(part_).size()); }

    struct Parts {
        tag csys = NULL_TAG, origin = NULL_TAG, planes[3] = {}, axes[3] = {};
    };
    static Parts components(tag feature) {
        Parts p;
        EXPECT_EQ(KX_MODL_ask_datum_csys_components(feature, &p.csys, &p.origin, p.planes, p.axes), 0);
        return p;
    }
    static V direction_of(tag datum) {
        double p[3], d[3];
        EXPECT_TRUE(host::profiles::direction_data(datum, p, d));
        return {d[0], d[1], d[2]};
    }
    static void expect_near(const V& got, const V& want, const char* what) {
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 1e-12) << what << " [" << i << "]";
    }
    // The coordinate system's origin and its three axes (rows).
    static std::vector<V> frame_of(tag csys) {
        tag matrix = NULL_TAG;
        double origin[3], m[9];
        EXPECT_EQ(KX_CSYS_ask_csys_info(csys, &matrix, origin), 0);
        EXPECT_EQ(KX_CSYS_ask_matrix_values(matrix, m), 0);
        return {{origin[0], origin[1], origin[2]}, {m[0], m[1], m[2]}, {m[3], m[4], m[5]}, {m[6], m[7], m[8]}};
    }

    tag part_ = NULL_TAG, xform_ = NULL_TAG;
    unsigned int points_[3] = {};
};

TEST_F(DatumCsys, FromThreePointsHasTheirOriginAndAxes) {
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_datum_csys(part_, xform_, 0, &feature), 0);
    ASSERT_NE(feature, NULL_TAG);
    EXPECT_EQ(marks(), 0);
    const Parts c = components(feature);
    const std::vector<V> f = frame_of(c.csys);
    expect_near(f[0], {1, 2, 3}, "origin");
    expect_near(f[1], {0, 1, 0}, "X");
    expect_near(f[2], {0, 0, 1}, "Y");
    expect_near(f[3], {1, 0, 0}, "Z");
    double at[3];
    ES_ask_coordinates_of_point(c.origin, at);
    expect_near({at[0], at[1], at[2]}, {1, 2, 3}, "origin point");
    // The fourth argument has the planes XY, YZ, ZX; the fifth the axes X, Y, Z.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(RM_ask_entity_type(c.planes[i]), HOST_TYPE_DATUM_PLANE);
        EXPECT_EQ(RM_ask_entity_type(c.axes[i]), HOST_TYPE_DATUM_AXIS);
        expect_near(direction_of(c.axes[i]), f[1 + i], "axis");
        expect_near(direction_of(c.planes[i]), f[1 + (i + 2) % 3], "plane normal");
    }
    // In the host's order: origin, axes, planes.
    unsigned int host_order[DATUM_CSYS_COMPONENTS];
    DATUM_CSYS__ask_feature_components(feature, host_order);
    EXPECT_EQ(host_order[0], c.origin);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(host_order[1 + i], c.axes[i]);
        EXPECT_EQ(host_order[4 + i], c.planes[i]);
    }
    EXPECT_EQ(KX_MODL_ask_xform_tag_of_datum_csys(feature), xform_);
}

TEST_F(DatumCsys, FollowsItsTransformUnlessFixed) {
    tag following = NULL_TAG, fixed = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_datum_csys(part_, xform_, 0, &following), 0);
    ASSERT_EQ(KX_MODL_create_datum_csys(part_, xform_, 1, &fixed), 0);
    const double moved[3] = {5, 2, 3};
    POINT_set_coordinates(points_[0], moved);
    ASSERT_EQ(KX_MODL_update(), 0);
    const Parts a = components(following), b = components(fixed);
    expect_near(frame_of(a.csys)[0], {5, 2, 3}, "followed origin");
    double at[3];
    ES_ask_coordinates_of_point(a.origin, at);
    expect_near({at[0], at[1], at[2]}, {5, 2, 3}, "followed origin point");
    expect_near(frame_of(b.csys)[0], {1, 2, 3}, "fixed origin");
}

TEST_F(DatumCsys, WithoutParametersTheTransformPasses) {
    SO_delete_parms(xform_);
    tag feature = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_datum_csys(part_, xform_, 0, &feature), 0);
    EXPECT_NE(feature, NULL_TAG);
}

struct Refusal {
    const char* name;
    int code;
    bool null_object, null_output;
    int xform;  // 0 the fixture's, 1 null, 2 update option 0, 3 parameters of another class
};

class DatumCsysRefusals : public DatumCsys, public ::testing::WithParamInterface<Refusal> {};

TEST_P(DatumCsysRefusals, ComeBeforeTheMark) {
    const Refusal& r = GetParam();
    tag xform = xform_;
    if (r.xform == 1) xform = NULL_TAG;
    if (r.xform == 2) xform = XFORM_create_three_points(part_, 0, points_);
    if (r.xform == 3) {
        const double o[3] = {0, 0, 0}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
        xform = XFORM_create_doubles(part_, 1, o, x, y, 1);
    }
    const int before = features();
    host::control::clear_journal();
    tag feature = 1;
    EXPECT_EQ(KX_MODL_create_datum_csys(r.null_object ? NULL_TAG : part_, xform, 0, r.null_output ? nullptr : &feature),
              r.code)
        << r.name;
    if (!r.null_output) {
        EXPECT_EQ(feature, NULL_TAG) << r.name;
    }
    EXPECT_EQ(features(), before) << r.name;
    EXPECT_EQ(host::control::call_count("UNDO_JQ_set_mark"), 0) << r.name;
    EXPECT_EQ(host::control::frame_depth(), 0) << r.name;
}

INSTANTIATE_TEST_SUITE_P(Codes, DatumCsysRefusals,
                         ::testing::Values(Refusal{"null_object", 1105004, true, false, 0},
                                           Refusal{"object_before_output", 1105004, true, true, 0},
                                           Refusal{"null_xform", 1105005, false, false, 1},
                                           Refusal{"update_option_0", 1105005, false, false, 2},
                                           Refusal{"update_option_before_output", 1105005, false, true, 2},
                                           Refusal{"other_parameters", 1105005, false, false, 3},
                                           Refusal{"null_output", 1105007, false, true, 0},
                                           Refusal{"output_before_parameters", 1105007, false, true, 3}),
                         [](const ::testing::TestParamInfo<Refusal>& i) { return std::string(i.param.name); });

TEST_F(DatumCsys, HostErrorRollsBackAndIsAcknowledged) {
    host::control::raise_on("DATUM_CSYS_create_feature", 670533);
    const int before = features();
    tag feature = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_datum_csys(part_, xform_, 0, &feature), 670533);
    EXPECT_EQ(feature, NULL_TAG);
    EXPECT_EQ(features(), before);
    EXPECT_EQ(marks(), 0);
    const std::vector<int> acknowledged = host::control::acknowledged_codes();
    EXPECT_NE(std::find(acknowledged.begin(), acknowledged.end(), 670533), acknowledged.end());
    // The coordinate system made before the failure went with the mark.
    EXPECT_EQ(host::control::call_count("CSYSTEM_xform_create"), 1);
    EXPECT_EQ(systems(), 0);
}

TEST_F(DatumCsys, CreationAndQueriesNeedNoSession) {
    kx_reset_session_for_tests();
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_datum_csys(part_, xform_, 0, &feature), 0);
    tag csys = NULL_TAG, origin = NULL_TAG, planes[3], axes[3];
    EXPECT_EQ(KX_MODL_ask_datum_csys_components(feature, &csys, &origin, planes, axes), 0);
    EXPECT_EQ(KX_MODL_ask_xform_tag_of_datum_csys(feature), xform_);
}

TEST_F(DatumCsys, ComponentQueriesAnswerTheirCodes) {
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_datum_csys(part_, xform_, 0, &feature), 0);
    tag csys = NULL_TAG, origin = NULL_TAG, planes[3], axes[3];
    EXPECT_EQ(KX_MODL_ask_datum_csys_components(NULL_TAG, &csys, &origin, planes, axes), 1105004);
    EXPECT_EQ(KX_MODL_ask_datum_csys_components(feature, nullptr, &origin, planes, axes), 1105005);
    EXPECT_EQ(KX_MODL_ask_datum_csys_components(feature, &csys, nullptr, planes, axes), 1105006);
    EXPECT_EQ(KX_MODL_ask_datum_csys_components(feature, &csys, &origin, nullptr, axes), 1105007);
    EXPECT_EQ(KX_MODL_ask_datum_csys_components(feature, &csys, &origin, planes, nullptr), 1105013);
    // A feature of another kind: the host's code, no frame left behind.
    const char* sizes[] = {"10", "10", "10"};
    const double at[] = {0, 0, 0};
    unsigned int block = 0;
    ASSERT_EQ(FEAT_create(part_, "BLOCK", 3, sizes, 3, at, 0, nullptr, 0, 0, &block), 0);
    EXPECT_EQ(KX_MODL_ask_datum_csys_components(block, &csys, &origin, planes, axes), FEAT_ERR_NOT_A_FEATURE);
    EXPECT_EQ(host::control::frame_depth(), 0);
    EXPECT_EQ(KX_MODL_ask_xform_tag_of_datum_csys(block), NULL_TAG);
    EXPECT_EQ(KX_MODL_ask_xform_tag_of_datum_csys(NULL_TAG), NULL_TAG);
    EXPECT_EQ(KX_MODL_ask_xform_tag_of_datum_csys(xform_), NULL_TAG);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

}  // namespace
