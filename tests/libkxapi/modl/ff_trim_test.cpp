// Trimmed sheets: a 100 x 100 planar sheet trimmed by a circle of radius
// 10 projected onto it (the disc of 100 pi kept, or the rest), along a
// direction and along the normal; the projection record translated both
// ways; refusals of the projection type without the host; edits followed
// by an update.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/wcs.h"
#include "host/apps/modeling/freeform/trimmed_sheet.h"
#include "kx_modl_cre_ff.h"
#include "kx_modl_law.h"
#include "tests/libkxapi/modl/form_fixture.h"
#include "tests/support/part_files.h"

namespace {

using namespace form_test;

constexpr double kDisc = 100.0 * kPi;
constexpr double kSquare = 100.0 * 100.0;

class TrimmedSheet : public FormFeature {
protected:
    void SetUp() override {
        FormFeature::SetUp();
        const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        ES_create_matrix_in_part(part_, rows, 3, &matrix_);
        const double c[5][2] = {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}};
        std::vector<tag> lines;
        for (int i = 0; i < 4; ++i) {
            const double ends[6] = {c[i][0], c[i][1], 40, c[i + 1][0], c[i + 1][1], 40};
            unsigned int l = 0;
            ES_create_line_in_part(part_, ends, &l);
            lines.push_back(l);
        }
        int per[1] = {4}, dir[1] = {1};
        string_list boundary{1, per, dir, lines.data()};
        double tol[3] = {0.001, 0.5, 0.02};
        tag plane = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_bplane(&boundary, tol, &plane), 0);
        sheet_ = FREC_ask_body(plane);
        circle_ = circle(50, 50, 60, 10);
    }
    tag circle(double x, double y, double z, double r) {
        const double data[6] = {0, 2 * kPi, x, y, z, r};
        unsigned int arc = 0;
        ES_create_arc(data, matrix_, &arc);
        return arc;
    }
    static double area(tag body) {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), p);
        return p[ZQ_MP_AREA];
    }
    static double area_of_feature(tag feature) { return area(host::feature::find(feature)->results.front()); }
    static KX_MODL_vector along(double x, double y, double z, int type = 0) {
        KX_MODL_vector v{};
        v.type = type;
        v.u.components[0] = x, v.u.components[1] = y, v.u.components[2] = z;
        return v;
    }
    int create(KX_MODL_vector method, std::array<double, 3> point, int region, tag* feature, tag* body = nullptr,
               int* faces = nullptr) {
        tag b = NULL_TAG;
        int n = 0;
        return KX_MODL_create_trimmed_sheet(sheet_, 1, &circle_, &method, 1, point.data(), region, 0.001, 0.5,
                                            body ? body : &b, faces ? faces : &n, feature);
    }
    unsigned int matrix_ = 0;
    tag sheet_ = NULL_TAG, circle_ = NULL_TAG;
};

std::string stored(tag body) { return kxtest::stored_body_bytes(body); }

// A trim that fails at any host call after the kernel's trim, along a
// direction and along the normal, leaves the sheet byte for byte as it was
// (the kernel projects and splits copies); so does one that goes through.
TEST_F(TrimmedSheet, FailedTrimLeavesTheSheetByteForByte) {
    for (const KX_MODL_vector method : {along(0, 0, 1), along(0, 0, 0, 5)}) {
        SCOPED_TRACE(method.type);
        std::vector<std::string> after_trim;
        for (std::size_t k = 0;; ++k) {
            SCOPED_TRACE(k);
            TearDown();
            SetUp();
            const std::string before = stored(sheet_);
            host::control::clear_journal();
            if (k > 0) {
                const std::string& name = after_trim[k - 1];
                int nth = 0;
                for (std::size_t i = 0; i < k; ++i) nth += after_trim[i] == name;
                host::control::raise_on(name.c_str(), 670099, nth);
            }
            tag f = NULL_TAG;
            const int st = create(method, {50, 50, 40}, 0, &f);
            host::control::clear_scripts();
            if (k == 0) {
                ASSERT_EQ(st, 0);
                EXPECT_EQ(stored(sheet_), before);
                const std::vector<std::string> names = host::control::call_names();
                const auto trimmed = std::find(names.begin(), names.end(), "ZQ_FF_trim");
                ASSERT_NE(trimmed, names.end());
                // The frame's own calls (arming, cancelling) are not steps.
                for (auto it = trimmed + 1; it != names.end(); ++it)
                    if (it->rfind("ERROR_", 0) != 0) after_trim.push_back(*it);
                ASSERT_FALSE(after_trim.empty());
                continue;
            }
            if (st != 0) EXPECT_EQ(stored(sheet_), before);
            if (k == after_trim.size()) break;
        }
    }
}

TEST_F(TrimmedSheet, AProjectedCircleKeepsTheDiscOrTheRest) {
    struct Case {
        const char* what;
        KX_MODL_vector method;
        std::array<double, 3> point;
        int region;
        double area;
    };
    const std::vector<Case> cases = {
        {"disc kept along z", along(0, 0, 1), {50, 50, 40}, 0, kDisc},
        {"disc left out along z", along(0, 0, 1), {50, 50, 40}, 1, kSquare - kDisc},
        {"rest kept along -z (type 6)", along(0, 0, -1, 6), {5, 5, 40}, 0, kSquare - kDisc},
        {"disc kept along the normal", along(0, 0, 0, 5), {50, 52, 40}, 0, kDisc},
        {"rest kept along the normal (type 8)", along(0, 0, 0, 8), {50, 50, 40}, 1, kSquare - kDisc},
    };
    for (const Case& c : cases) {
        tag f = NULL_TAG, body = NULL_TAG;
        int faces = 0;
        ASSERT_EQ(create(c.method, c.point, c.region, &f, &body, &faces), 0) << c.what;
        // (a projection along the normal is fitted: within 1e-5 of the area)
        EXPECT_NEAR(area(body), c.area, 1e-5 * c.area) << c.what;
        EXPECT_EQ(faces, 1) << c.what;
        EXPECT_EQ(marks(), 0) << c.what;
    }
    EXPECT_NEAR(area(sheet_), kSquare, 1e-6);  // the sheet itself stays
}

TEST_F(TrimmedSheet, ProjectionTypesTranslateBothWays) {
    // The block's top face (normal +z) gives the direction of types 1, 7.
    struct Case {
        int type;
        int host_method;
    };
    for (const Case c : std::vector<Case>{{0, 0}, {1, 1}, {5, 2}, {6, 3}, {7, 4}, {8, 5}}) {
        KX_MODL_vector method = along(0, 0, 1, c.type);
        if (c.type == 1 || c.type == 7) method.u.axis = top_;
        tag f = NULL_TAG;
        ASSERT_EQ(create(method, {50, 50, 40}, 0, &f), 0) << c.type;
        host::control::clear_journal();
        tag sheet = NULL_TAG, *bounds = nullptr;
        int n_bounds = 0, n_points = 0, region = -1;
        double* points = nullptr;
        double tolerances[2] = {};
        KX_MODL_vector back{};
        back.reverse = 77;
        back.type = -1;
        ASSERT_EQ(KX_MODL_ask_trimmed_sheet(f, &sheet, &n_bounds, &bounds, &back, &n_points, &points, &region,
                                            tolerances),
                  0);
        EXPECT_EQ(back.type, c.type);
        EXPECT_EQ(back.reverse, 77);  // only the type and the payload are written
        if (c.type == 1 || c.type == 7) EXPECT_EQ(back.u.axis, top_);
        if (c.type == 0 || c.type == 6) EXPECT_EQ(back.u.components[2], 1.0);
        EXPECT_EQ(sheet, sheet_);
        ASSERT_EQ(n_bounds, 1);
        EXPECT_EQ(bounds[0], circle_);
        ASSERT_EQ(n_points, 1);
        EXPECT_EQ(points[0], 50.0);
        EXPECT_EQ(region, 0);
        EXPECT_EQ(tolerances[0], 0.001);
        EXPECT_EQ(tolerances[1], 0.5);
        KX_free(bounds);
        KX_free(points);
        EXPECT_EQ(host::control::call_count("ST_kx_ask_trimmed_sheet"), 1);
    }
}

TEST_F(TrimmedSheet, OtherProjectionTypesAreRefusedWithoutTheHost) {
    for (int type : {2, 3, 4, 9, -1}) {
        host::control::clear_journal();
        tag f = 55;
        EXPECT_EQ(create(along(0, 0, 1, type), {50, 50, 40}, 0, &f), 671231) << type;
        EXPECT_EQ(host::control::call_count("ST_kx_create_trimmed_sheet"), 0) << type;
        EXPECT_EQ(marks(), 0);
    }
}

TEST_F(TrimmedSheet, HostAnswersPassUnchangedAndAnUnknownMethodBackIs671231) {
    tag f = NULL_TAG;
    ASSERT_EQ(create(along(0, 0, 1), {50, 50, 40}, 0, &f), 0);
    const std::size_t features = host::feature::features_of_part(part_).size();
    // The host refuses a body that is no sheet: its code comes back,
    // nothing is made.
    KX_MODL_vector m = along(0, 0, 1);
    tag body = NULL_TAG, made = NULL_TAG;
    int faces = 0;
    EXPECT_EQ(KX_MODL_create_trimmed_sheet(body_, 1, &circle_, &m, 1, std::array<double, 3>{}.data(), 0, 0.001,
                                           0.5, &body, &faces, &made),
              670409);  // the kernel's: the entity is of the wrong kind
    EXPECT_EQ(host::feature::features_of_part(part_).size(), features);
    EXPECT_EQ(marks(), 0);
    // A host error raised inside is the status; the mark is gone.
    host::control::raise_on("ST_kx_edit_trimmed_sheet", 670999);
    double point[3] = {5, 5, 40};
    EXPECT_EQ(KX_MODL_edit_trimmed_sheet(f, 1, &circle_, &m, 1, point, 0, 0.001, 0.5), 670999);
    EXPECT_EQ(marks(), 0);
    host::control::clear_scripts();
    // A method the interface has no type for: 671231, nothing handed out.
    host::control::give_outputs("ST_kx_ask_trimmed_sheet", {9});
    tag sheet = NULL_TAG, *bounds = nullptr;
    int n = 0, np = 0, region = 0;
    double* points = nullptr;
    double tols[2];
    KX_MODL_vector back{};
    EXPECT_EQ(KX_MODL_ask_trimmed_sheet(f, &sheet, &n, &bounds, &back, &np, &points, &region, tols), 671231);
    EXPECT_EQ(bounds, nullptr);
    EXPECT_EQ(points, nullptr);
    host::control::clear_scripts();
    EXPECT_EQ(KX_MODL_ask_trimmed_sheet(NULL_TAG, &sheet, &n, &bounds, &back, &np, &points, &region, tols),
              HOST_ERR_DEAD_TAG);
    EXPECT_EQ(marks(), 0);
}

TEST_F(TrimmedSheet, EditThenUpdateKeepsTheOtherRegion) {
    tag f = NULL_TAG;
    ASSERT_EQ(create(along(0, 0, 1), {50, 50, 40}, 0, &f), 0);
    EXPECT_NEAR(area_of_feature(f), kDisc, 1e-3);
    KX_MODL_vector m = along(0, 0, 1);
    double point[3] = {50, 50, 40};
    tag wider = circle(50, 50, 60, 20);
    ASSERT_EQ(KX_MODL_edit_trimmed_sheet(f, 1, &wider, &m, 1, point, 1, 0.001, 0.5), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(area_of_feature(f), kSquare - 400.0 * kPi, 1e-2);
    EXPECT_EQ(marks(), 0);
}

}  // namespace
