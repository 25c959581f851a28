// Point-direction datums and points features in part files: what they were
// made of, their size and their feature answer the same after reopening;
// a file without their rows opens; damaged rows are refused.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "host/apps/modeling/bodyops/datums.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "kxapi.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/libkxapi/modl/body_ops_fixture.h"
#include "tests/libkxapi/modl/damaged_rows.h"
#include "tests/support/fresh_process.h"

namespace {

class DatumPointsReopen : public ::testing::Test {
protected:
    void SetUp() override {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("datums.prt");
        host::parts::set_work_part(part_);
        const double at[3] = {1, 2, 3};
        ES_create_point(at, &point_);
        double along[3] = {0, 3, 4};
        ASSERT_EQ(KX_SO_create_dirr_doubles(part_, 0, along, &dirr_), 0);
        ASSERT_EQ(KX_MODL_create_point_dirr_daxis(point_, dirr_, &axis_), 0);
        ASSERT_EQ(KX_MODL_edit_point_dirr_daxis_size(axis_, 2.5), 0);
        ASSERT_EQ(KX_MODL_create_point_dirr_dplane(point_, dirr_, &plane_), 0);
        tag points[1] = {point_};
        ASSERT_EQ(KX_MODL_create_points_feature(1, points, &points_feature_), 0);
    }
    void TearDown() override { kxtest::fresh_process(); }

    // What a datum answers: its feature, the objects it was made of, its
    // point and direction, and its size (or the size query's code).
    struct Answer {
        tag feature = NULL_TAG;
        unsigned int point = 0, direction = 0;
        double at[3] = {}, along[3] = {};
        int size_code = -1;
        double size = -1;
    };
    static Answer answer(tag datum) {
        Answer a;
        a.feature = MODL_ask_feature_of_rm_entity(datum);
        EXPECT_EQ(DATUM_ask_point_dirr_inputs(a.feature, &a.point, &a.direction), 0);
        EXPECT_EQ(KX_MODL_ask_datum_point_and_direction(a.feature, a.at, a.along), 0);
        a.size_code = KX_MODL_ask_daxis_size(datum, &a.size);
        return a;
    }
    static void expect_same(const Answer& got, const Answer& want) {
        EXPECT_EQ(got.feature, want.feature);
        EXPECT_EQ(got.point, want.point);
        EXPECT_EQ(got.direction, want.direction);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(got.at[i], want.at[i], 1e-12);
            EXPECT_NEAR(got.along[i], want.along[i], 1e-12);
        }
        EXPECT_EQ(got.size_code, want.size_code);
        if (want.size_code == 0) {
            EXPECT_EQ(got.size, want.size);
        }
    }

    unsigned int part_ = 0, point_ = 0;
    tag dirr_ = NULL_TAG, axis_ = NULL_TAG, plane_ = NULL_TAG, points_feature_ = NULL_TAG;
};

TEST_F(DatumPointsReopen, DatumsAnswerTheSameAfterReopening) {
    const Answer axis = answer(axis_), plane = answer(plane_);
    ASSERT_EQ(axis.size_code, 0);
    EXPECT_EQ(plane.size_code, 1105004);
    EXPECT_NEAR(axis.along[1], 0.6, 1e-12);
    const std::map<unsigned int, unsigned int> read = reopen_part(part_, [] { kxtest::fresh_process(); });
    const auto moved = [&](Answer a) {
        a.feature = read.at(a.feature);
        a.point = read.at(a.point);
        a.direction = read.at(a.direction);
        return a;
    };
    const tag axis_again = read.at(axis_), plane_again = read.at(plane_);
    expect_same(answer(axis_again), moved(axis));
    expect_same(answer(plane_again), moved(plane));
    EXPECT_EQ(DATUM_is_daxis_axis_frec(read.at(axis.feature)), 1);
    EXPECT_EQ(DATUM_is_daxis_axis_frec(read.at(plane.feature)), 0);
    int n = 0;
    tag* points = nullptr;
    ASSERT_EQ(KX_MODL_ask_points_parms(read.at(points_feature_), &n, &points), 0);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(points[0], read.at(point_));
    KX_free(points);
    // The update runs, and the size is edited as before.
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    expect_same(answer(axis_again), moved(axis));
    ASSERT_EQ(KX_MODL_edit_point_dirr_daxis_size(axis_again, 9), 0);
    double size = 0;
    ASSERT_EQ(KX_MODL_ask_daxis_size(axis_again, &size), 0);
    EXPECT_EQ(size, 9);
}

TEST_F(DatumPointsReopen, FilesWithoutDatumRowsOpenAndDamagedRowsAreRefused) {
    namespace pf = host::part_file;
    pf::Image image;
    const std::string rows = kxtest::section_payload(part_, "PDDT", image);
    // The first row is the axis: its number and size, then kind, point,
    // direction and display size.
    ASSERT_GE(rows.size(), 29u);
    const std::string own = rows.substr(4, 4), point = rows.substr(13, 4), direction = rows.substr(17, 4);
    const kxtest::RowDamage damages[] = {
        {"a kind out of range", "PDDT", 12, std::string(1, '\0'), std::string(1, '\x07')},
        {"a point that is the direction", "PDDT", 13, point, direction},
        {"a direction that is the feature", "PDDT", 17, direction, own},
        {"a point beyond the objects", "PDDT", 13, point, kxtest::le32(100000)},
        {"a size that is not a number", "PDDT", 21, kxtest::f64_bytes(2.5), kxtest::f64_bytes(NAN)},
        {"a negative size", "PDDT", 21, kxtest::f64_bytes(2.5), kxtest::f64_bytes(-1)},
        {"a row of no feature", "PDDT", 4, own, point},
    };
    kxtest::expect_damaged_rows_refused(part_, damages);
    pf::Image old = image;
    std::erase_if(old.sections, [](const auto& s) { return s.first == "PDDT"; });
    int code = -1;
    const tag opened = pf::apply(old, "datums.old.prt", &code);
    ASSERT_NE(opened, NULL_TAG) << code;
    const tag feature = FREC_ask_frec_from_name(opened, host::feature::display_name(answer(axis_).feature).c_str());
    ASSERT_NE(feature, NULL_TAG);
    EXPECT_EQ(DATUM_is_daxis_axis_frec(feature), 0);
    unsigned int p = 7, d = 7;
    EXPECT_EQ(DATUM_ask_point_dirr_inputs(feature, &p, &d), 670533);
}

}  // namespace
