// Datum coordinate systems made from smart transforms: their place and
// components, the refusals of transforms they cannot follow, the
// components and transform read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/apps/modeling/datum/datum_csys.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/profiles.h"
#include "host/model/feature/undo.h"
#include "host/model/smart/smart.h"
#include "kx_codes.h"
#include "kx_core.h"
#include "kx_csys.h"
#include "kx_modl.h"
#include "kx_modl_datum_csys.h"
#include "kx_so.h"
#include "libkxapi/core/kx_session.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/libkxapi/modl/damaged_rows.h"

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

// A transform of a point and two directions made through the interface
// (the host names its parameters as it names those of plain values) makes
// a datum coordinate system at the point with the directions as X and Y.
TEST_F(DatumCsys, FromAPointAndTwoDirectionsOfTheInterface) {
    double x[3] = {0, 0.6, 0.8}, y[3] = {1, 0, 0};
    tag dx = NULL_TAG, dy = NULL_TAG, scale = NULL_TAG, xform = NULL_TAG, feature = NULL_TAG;
    ASSERT_EQ(KX_SO_create_dirr_doubles(part_, 1, x, &dx), 0);
    ASSERT_EQ(KX_SO_create_dirr_doubles(part_, 1, y, &dy), 0);
    ASSERT_EQ(KX_SO_create_scalar_double(part_, 1, 1, &scale), 0);
    ASSERT_EQ(KX_SO_create_xform_pnt_xy_dirs(part_, 1, points_[1], dx, dy, scale, &xform), 0);
    ASSERT_EQ(KX_MODL_create_datum_csys(part_, xform, 0, &feature), 0);
    const std::vector<V> f = frame_of(components(feature).csys);
    expect_near(f[0], {1, 12, 3}, "origin");
    expect_near(f[1], {0, 0.6, 0.8}, "X");
    expect_near(f[2], {1, 0, 0}, "Y");
    expect_near(f[3], {0, 0.8, -0.6}, "Z");
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

// Datum coordinate systems kept in a part file: their components, their
// transform and its parents come back tied as they were made.
class DatumCsysFile : public DatumCsys {
protected:
    void SetUp() override {
        DatumCsys::SetUp();
        // A three-point transform of smart points: a plain point moved by an
        // offset, and a point of three scalars.
        const double at[3] = {4, 0, 0}, zero[3] = {0, 0, 0}, third[3] = {4, 5, 0};
        ES_create_point(at, &plain_);
        unsigned int points[3] = {POINT_create_offset(part_, 1, plain_, OFFSET_create_doubles(part_, 1, nullptr, zero))};
        const unsigned int scalars[3] = {SCALAR_create_double(part_, 1, 14, 0), SCALAR_create_double(part_, 1, 0, 0),
                                         SCALAR_create_double(part_, 1, 0, 0)};
        points[1] = POINT_create_three_scalars(part_, 1, scalars);
        ES_create_point(third, &points[2]);
        smart_xform_ = XFORM_create_three_points(part_, 1, points);
    }
    // Saves and reads back the part; the objects of the part as read.
    std::map<unsigned int, unsigned int> reopen() {
        std::map<unsigned int, unsigned int> read = reopen_part(part_, [] { fresh(); });
        CONTEXT_set_work_part(part_);
        return read;
    }
    static std::vector<tag> parents_of(tag object) {
        int n = 0;
        unsigned int* p = nullptr;
        SO_ask_parents(object, 0, &n, &p);
        std::vector<tag> out(p, p + n);
        SM_free(p);
        return out;
    }
    unsigned int plain_ = 0, smart_xform_ = 0;
};

TEST_F(DatumCsysFile, ReopensTiedToItsTransformAndFollowsIt) {
    tag following = NULL_TAG, fixed = NULL_TAG, scaled = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_datum_csys(part_, xform_, 0, &following), 0);
    ASSERT_EQ(KX_MODL_create_datum_csys(part_, xform_, 1, &fixed), 0);
    ASSERT_EQ(KX_MODL_create_datum_csys(part_, smart_xform_, 0, &scaled), 0);
    const std::vector<V> frames[3] = {frame_of(components(following).csys), frame_of(components(fixed).csys),
                                      frame_of(components(scaled).csys)};
    const std::map<unsigned int, unsigned int> read = reopen();
    following = read.at(following);
    fixed = read.at(fixed);
    scaled = read.at(scaled);
    const tag features[3] = {following, fixed, scaled};
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const Parts c = components(features[k]);
        const std::vector<V> f = frame_of(c.csys);
        for (int i = 0; i < 4; ++i) expect_near(f[i], frames[k][i], "frame");
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(RM_ask_entity_type(c.axes[i]), HOST_TYPE_DATUM_AXIS);
            EXPECT_EQ(RM_ask_entity_type(c.planes[i]), HOST_TYPE_DATUM_PLANE);
        }
        unsigned int host_order[DATUM_CSYS_COMPONENTS];
        DATUM_CSYS__ask_feature_components(features[k], host_order);
        EXPECT_EQ(host_order[0], c.origin);
        EXPECT_EQ(DATUM_CSYS_ask_csys_tag_of_datum_csys(features[k]), c.csys);
    }
    const tag xform = KX_MODL_ask_xform_tag_of_datum_csys(following);
    ASSERT_NE(xform, NULL_TAG);
    EXPECT_EQ(KX_MODL_ask_xform_tag_of_datum_csys(fixed), xform);
    EXPECT_EQ(SO_ask_update_option(xform), 1);
    const std::vector<tag> points = parents_of(xform);
    ASSERT_EQ(points.size(), 3u);
    const tag xy = KX_MODL_ask_xform_tag_of_datum_csys(scaled);
    ASSERT_EQ(parents_of(xy).size(), 3u);
    EXPECT_EQ(parents_of(parents_of(xy)[1]).size(), 3u);
    // Moved parents move the following systems at the update: the first
    // point of one, the plain point under the smart point of the other.
    const double moved[3] = {5, 2, 3}, shifted[3] = {0, 0, 6};
    POINT_set_coordinates(points[0], moved);
    const tag smart_point = parents_of(xy)[0];
    POINT_set_coordinates(parents_of(smart_point)[0], shifted);
    ASSERT_EQ(KX_MODL_update(), 0) << host::feature::last_failure().text;
    expect_near(frame_of(components(following).csys)[0], {5, 2, 3}, "followed origin");
    double at[3];
    ES_ask_coordinates_of_point(components(following).origin, at);
    expect_near({at[0], at[1], at[2]}, {5, 2, 3}, "followed origin point");
    expect_near(frame_of(components(fixed).csys)[0], {1, 2, 3}, "fixed origin");
    expect_near(frame_of(components(scaled).csys)[0], {0, 0, 6}, "origin through the smart point");
}

TEST_F(DatumCsysFile, FilesWithoutTheSectionsOpenAndDamagedRowsAreRefused) {
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_datum_csys(part_, smart_xform_, 0, &feature), 0);
    namespace pf = host::part_file;
    pf::Image image;
    ASSERT_EQ(pf::decode(pf::encode(part_, nullptr, true), image), 0);
    // Rows: count, then per row its number and size; the smart rows come
    // parents first, the transform last.
    const auto u32_at = [](const std::string& b, std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
        return v;
    };
    std::string dcsy, smrt;
    for (const auto& [id, payload] : image.sections) {
        if (id == "DCSY") dcsy = payload;
        if (id == "SMRT") smrt = payload;
    }
    ASSERT_FALSE(dcsy.empty());
    ASSERT_FALSE(smrt.empty());
    const std::string csys = dcsy.substr(12, 4), origin = dcsy.substr(17, 4), axis = dcsy.substr(21, 4);
    // The first smart row (the fixture's three-point transform): class,
    // method, dumb, four numbers, then its three parents.
    const std::size_t first = 12;
    const std::string kind = smrt.substr(first, 3);
    const std::size_t parents_at = first + 3 + 16;
    ASSERT_EQ(u32_at(smrt, parents_at), 3u);
    const std::string own_number = smrt.substr(4, 4), first_parent = smrt.substr(parents_at + 4, 4);
    const kxtest::RowDamage damages[] = {
        {"a coordinate system that is a point", "DCSY", 12, csys, origin},
        {"an option out of range", "DCSY", 16, std::string(1, '\0'), std::string(1, '\x07')},
        {"an axis where the origin goes", "DCSY", 17, origin, axis},
        {"a smart class out of range", "SMRT", first, kind.substr(0, 1), std::string(1, '\x30')},
        {"a method of another class", "SMRT", first + 1, kind.substr(1, 1), std::string(1, '\x00')},
        {"a dumb flag out of range", "SMRT", first + 2, kind.substr(2, 1), std::string(1, '\x05')},
        {"parents beyond the row", "SMRT", parents_at, kxtest::le32(3), kxtest::le32(1000)},
        {"fewer parents than the method takes", "SMRT", parents_at, kxtest::le32(3), kxtest::le32(2)},
        {"a parent that is the object itself", "SMRT", parents_at + 4, first_parent, own_number},
    };
    kxtest::expect_damaged_rows_refused(part_, damages);
    // A file written before the sections existed opens, its datum
    // coordinate system no longer tied.
    pf::Image old = image;
    std::erase_if(old.sections, [](const auto& s) { return s.first == "DCSY" || s.first == "CSXF" || s.first == "SMRT"; });
    int code = -1;
    const tag opened = pf::apply(old, "csys.old.prt", &code);
    ASSERT_NE(opened, 0u) << code;
    const tag again = FREC_ask_frec_from_name(opened, host::feature::display_name(feature).c_str());
    ASSERT_NE(again, NULL_TAG);
    EXPECT_EQ(KX_MODL_ask_xform_tag_of_datum_csys(again), NULL_TAG);
    CONTEXT_set_work_part(opened);
    EXPECT_EQ(KX_MODL_update(), 0);
}

}  // namespace
