// Points features and point-direction datums: what they make, the display
// size of a point-direction datum axis, and the refusals.
#include <gtest/gtest.h>

#include "host/apps/modeling/bodyops/datums.h"
#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/model/feature/feature.h"
#include "kxapi.h"
#include "tests/support/fresh_process.h"

namespace {

class DatumPoints : public ::testing::Test {
protected:
    void SetUp() override {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("datums.prt");
        host::parts::set_work_part(part_);
        const double at[3] = {1, 2, 3};
        ES_create_point(at, &point_);
        double z[3] = {0, 0, 1};
        ASSERT_EQ(KX_SO_create_dirr_doubles(part_, 0, z, &dirr_), 0);
    }
    void TearDown() override { kxtest::fresh_process(); }

    unsigned int part_ = 0, point_ = 0;
    tag dirr_ = NULL_TAG;
};

TEST_F(DatumPoints, AxisAndPlaneAreDatumsOfTheirTypes) {
    struct Row {
        int (*make)(tag, tag, tag*);
        int type;
    };
    const Row rows[] = {{KX_MODL_create_point_dirr_daxis, 196}, {KX_MODL_create_point_dirr_dplane, 197}};
    for (const Row& r : rows) {
        tag datum = NULL_TAG;
        ASSERT_EQ(r.make(point_, dirr_, &datum), 0);
        EXPECT_EQ(RM_ask_entity_type(datum), r.type);
        EXPECT_NE(MODL_ask_feature_of_rm_entity(datum), 0u);
        // A point as the direction is refused by the host.
        EXPECT_EQ(r.make(point_, point_, &datum), 670533);
        EXPECT_EQ(datum, NULL_TAG);
        EXPECT_EQ(r.make(NULL_TAG, dirr_, &datum), 1105004);
        EXPECT_EQ(r.make(point_, NULL_TAG, &datum), 1105005);
        EXPECT_EQ(r.make(point_, dirr_, nullptr), 1105006);
    }
}

TEST_F(DatumPoints, AxisSizeIsEditedAndAsked) {
    tag axis = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_point_dirr_daxis(point_, dirr_, &axis), 0);
    double size = -1;
    ASSERT_EQ(KX_MODL_ask_daxis_size(axis, &size), 0);
    EXPECT_EQ(size, 0.0);
    struct Row {
        double size;
        int status;
        double after;
    };
    const Row rows[] = {{25, 0, 25}, {0, 0, 0}, {-0.5, 1105005, 0}, {-1e-11, 0, 0}, {7.5, 0, 7.5}};
    for (const Row& r : rows) {
        EXPECT_EQ(KX_MODL_edit_point_dirr_daxis_size(axis, r.size), r.status) << r.size;
        ASSERT_EQ(KX_MODL_ask_daxis_size(axis, &size), 0);
        EXPECT_EQ(size, r.after);
    }
    EXPECT_EQ(KX_MODL_ask_daxis_size(axis, nullptr), 1105005);
}

TEST_F(DatumPoints, SizeOfAnyOtherObjectIsRefused) {
    tag plane = NULL_TAG, fixed = 0;
    ASSERT_EQ(KX_MODL_create_point_dirr_dplane(point_, dirr_, &plane), 0);
    const double at[3] = {0, 0, 0}, dir[3] = {1, 0, 0};
    ASSERT_EQ(DATUM_create_fixed_axis(part_, at, dir, &fixed), 0);
    double size = 0;
    for (tag t : {plane, static_cast<tag>(fixed), static_cast<tag>(point_), NULL_TAG, static_cast<tag>(0xFFFFF)}) {
        EXPECT_EQ(KX_MODL_ask_daxis_size(t, &size), 1105004) << t;
        EXPECT_EQ(KX_MODL_edit_point_dirr_daxis_size(t, 1), 1105004) << t;
    }
}

TEST_F(DatumPoints, PointsFeatureOwnsItsPoints) {
    unsigned int second = 0;
    const double at[3] = {4, 5, 6};
    ES_create_point(at, &second);
    tag points[2] = {point_, second};
    tag feature = 7;
    ASSERT_EQ(KX_MODL_create_points_feature(2, points, &feature), 0);
    ASSERT_NE(feature, NULL_TAG);
    EXPECT_EQ(host::feature::find(feature)->results.size(), 2u);
    EXPECT_EQ(host::control::call_count("UNDO_JQ_delete_mark"), 1);
    // A line is no point: the host refuses, the mark is rolled back, and
    // the output stays cleared.
    unsigned int line = 0;
    const double ends[6] = {0, 0, 0, 1, 0, 0};
    ES_create_line_in_part(part_, ends, &line);
    tag bad[1] = {line};
    feature = 7;
    EXPECT_EQ(KX_MODL_create_points_feature(1, bad, &feature), 670533);
    EXPECT_EQ(feature, NULL_TAG);
    EXPECT_EQ(host::control::call_count("UNDO_JQ_undo_to_mark"), 1);
    EXPECT_EQ(KX_MODL_create_points_feature(1, nullptr, &feature), 1105005);
    EXPECT_EQ(KX_MODL_create_points_feature(1, points, nullptr), 1105006);
}

TEST(DatumPointsSession, RefusedBeforeInitialisation) {
    kxtest::fresh_process();
    tag t = NULL_TAG;
    double size = 0;
    EXPECT_EQ(KX_MODL_create_point_dirr_daxis(1, 2, &t), 1105000);
    EXPECT_EQ(KX_MODL_ask_daxis_size(1, &size), 1105000);
    EXPECT_EQ(KX_MODL_create_points_feature(0, nullptr, &t), 1105000);
    EXPECT_EQ(host::control::frame_depth(), 0);
    kxtest::fresh_process();
}

}  // namespace
