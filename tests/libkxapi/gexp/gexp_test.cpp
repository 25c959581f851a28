// Geometric expressions: features that measure a block's faces and edges,
// their operands read back, and their values before and after the model
// changes.
#include <gtest/gtest.h>

#include "tests/support/part_files.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/control/control.h"
#include "host/control/faultsim.h"
#include "tests/support/host_call_points.h"
#include "host/store/parts/part_file.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/smart/gexp.h"
#include "kx_core.h"
#include "kx_gexp.h"
#include "kx_modl.h"
#include "kx_obj.h"
#include "libkxapi/core/kx_session.h"
#include "tests/host/model/feature/feature_model_test.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/support/fresh_process.h"

namespace {

class GeometricExpressions : public FeatureModelTest {
public:
    void SetUp() override {
        kx_reset_session_for_tests();
        FeatureModelTest::SetUp();
        ASSERT_EQ(KX_initialize(), 0);
        build();
        for (int f : host::kernel::faces_of(body_of(block_))) {
            int type = 0, sense = 0;
            double p[3], d[3], r = 0, r2 = 0;
            ZQ_FACE_ask_data(f, &type, p, d, &r, &r2, &sense);
            if (type != ZQ_SURF_PLANE) continue;
            if (std::abs(std::abs(d[1]) - 1) < 1e-9) (p[1] < 25 ? front : back) = host::kernel::object_of(f);
            if (std::abs(std::abs(d[0]) - 1) < 1e-9) (p[0] < 50 ? left : right) = host::kernel::object_of(f);
        }
        ASSERT_NE(front * back * left * right, 0u);
        const std::vector<int> edges = vertical_edges_at(body_of(block_), 0);
        ASSERT_FALSE(edges.empty());
        edge = host::kernel::object_of(edges[0]);
    }
    void TearDown() override {
        kx_reset_session_for_tests();
        FeatureModelTest::TearDown();
    }
    static double of(tag exp) { return host::expr::value(exp); }

    unsigned int front = 0, back = 0, left = 0, right = 0, edge = 0;
};

TEST_F(GeometricExpressions, DistanceFollowsTheModelAndItsOperands) {
    tag feature = NULL_TAG, exp = NULL_TAG;
    ASSERT_EQ(KX_GEXP_create_distance(front, back, 11, 22, &feature, &exp), 0);
    EXPECT_NE(feature, NULL_TAG);
    EXPECT_EQ(exp, GEXP_ask_exp(feature));
    EXPECT_NEAR(of(exp), 50, 1e-9);
    tag o1 = 0, o2 = 0, c1 = 0, c2 = 0;
    ASSERT_EQ(KX_GEXP_ask_distance_parms(feature, &o1, &o2, &c1, &c2), 0);
    EXPECT_EQ((std::vector<tag>{o1, o2, c1, c2}), (std::vector<tag>{front, back, 11, 22}));

    ASSERT_EQ(set("width", "60"), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(of(exp), 60, 1e-9);

    ASSERT_EQ(KX_GEXP_edit_distance(feature, left, right, 33, 44), 0);
    EXPECT_NEAR(of(exp), 100, 1e-9);
    ASSERT_EQ(KX_GEXP_ask_distance_parms(feature, &o1, &o2, &c1, &c2), 0);
    EXPECT_EQ((std::vector<tag>{o1, o2, c1, c2}), (std::vector<tag>{left, right, 33, 44}));
    ASSERT_EQ(set("length", "120"), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(of(exp), 120, 1e-9);
}

TEST_F(GeometricExpressions, AngleAndLength) {
    tag angle = NULL_TAG, aexp = NULL_TAG, length = NULL_TAG, lexp = NULL_TAG;
    ASSERT_EQ(KX_GEXP_create_angle(front, left, back, 1, 2, 3, &angle, &aexp), 0);
    EXPECT_NEAR(of(aexp), 90, 1e-9);
    tag o[3] = {}, c[3] = {};
    ASSERT_EQ(KX_GEXP_ask_angle_parms(angle, &o[0], &o[1], &o[2], &c[0], &c[1], &c[2]), 0);
    EXPECT_EQ((std::vector<tag>{o[0], o[1], o[2], c[0], c[1], c[2]}), (std::vector<tag>{front, left, back, 1, 2, 3}));
    ASSERT_EQ(KX_GEXP_edit_angle(angle, front, back, left, 4, 5, 6), 0);
    EXPECT_NEAR(of(aexp), 180, 1e-9);

    ASSERT_EQ(KX_GEXP_create_length(edge, 9, &length, &lexp), 0);
    EXPECT_NEAR(of(lexp), 20, 1e-9);
    tag obj = 0, comp = 0;
    ASSERT_EQ(KX_GEXP_ask_length_parms(length, &obj, &comp), 0);
    EXPECT_EQ(obj, edge);
    EXPECT_EQ(comp, 9u);
    ASSERT_EQ(set("height", "30"), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(of(lexp), 30, 1e-9);
    ASSERT_EQ(KX_GEXP_edit_length(length, edge, 8), 0);
    ASSERT_EQ(KX_GEXP_ask_length_parms(length, &obj, &comp), 0);
    EXPECT_EQ(comp, 8u);
}

TEST_F(GeometricExpressions, RefusalsAndFailures) {
    tag t = NULL_TAG, u = NULL_TAG;
    const std::vector<std::pair<const char*, std::function<int()>>> null_feature = {
        {"edit distance", [] { return KX_GEXP_edit_distance(NULL_TAG, 1, 2, 3, 4); }},
        {"edit angle", [] { return KX_GEXP_edit_angle(NULL_TAG, 1, 2, 3, 4, 5, 6); }},
        {"edit length", [] { return KX_GEXP_edit_length(NULL_TAG, 1, 2); }},
        {"ask distance", [&] { return KX_GEXP_ask_distance_parms(NULL_TAG, &t, &t, &t, &t); }},
        {"ask angle", [&] { return KX_GEXP_ask_angle_parms(NULL_TAG, &t, &t, &t, &t, &t, &t); }},
        {"ask length", [&] { return KX_GEXP_ask_length_parms(NULL_TAG, &t, &t); }},
    };
    for (const auto& [name, call] : null_feature) {
        host::control::clear_journal();
        EXPECT_EQ(call(), 1105004) << name;
        bool called = false;
        for (const auto& r : host::control::journal()) called = called || std::string(r.name).rfind("GEXP_", 0) == 0;
        EXPECT_FALSE(called) << name;
    }

    // A failed creation leaves the outputs as the caller set them.
    tag feature = 123, exp = 456;
    EXPECT_EQ(KX_GEXP_create_distance(part_, back, 0, 0, &feature, &exp), 670514);
    EXPECT_EQ(feature, 123u);
    EXPECT_EQ(exp, 456u);
    // A null output is refused by its position.
    EXPECT_EQ(KX_GEXP_create_length(edge, 0, nullptr, &u), 1105006);
    EXPECT_EQ(KX_GEXP_create_distance(front, back, 0, 0, &t, nullptr), 1105014);

    kx_reset_session_for_tests();
    EXPECT_EQ(KX_GEXP_create_length(edge, 0, &t, &u), 1105000);
    EXPECT_EQ(KX_GEXP_ask_length_parms(1, &t, &u), 1105000);
}

// ---- part files ----------------------------------------------------------------

// Saved and read back in a fresh process, named or not, each feature
// answers its operands (objects and companions that are objects by their
// new tags, plain values as given) and its expression follows the block.
TEST_F(GeometricExpressions, FeaturesReadBackKeepTheirOperandsAndFollowTheModel) {
    tag distance = NULL_TAG, dexp = NULL_TAG, angle = NULL_TAG, aexp = NULL_TAG, length = NULL_TAG, lexp = NULL_TAG;
    ASSERT_EQ(KX_GEXP_create_distance(front, back, 11, edge, &distance, &dexp), 0);
    ASSERT_EQ(KX_GEXP_create_angle(front, left, back, 1, 2, 3, &angle, &aexp), 0);
    ASSERT_EQ(KX_GEXP_create_length(edge, 9, &length, &lexp), 0);
    ASSERT_EQ(KX_OBJ_set_name(distance, "GAP"), 0);
    ASSERT_EQ(KX_OBJ_set_name(length, "RISE"), 0);
    std::map<unsigned int, unsigned int> now = reopen_part(part_, [] { kxtest::fresh_process(); });
    for (unsigned int* t : {&front, &back, &left, &right, &edge, &distance, &dexp, &angle, &aexp, &length, &lexp})
        *t = now[*t];
    ASSERT_EQ(KX_MODL_update(), 0);
    tag o1 = 0, o2 = 0, c1 = 0, c2 = 0;
    ASSERT_EQ(KX_GEXP_ask_distance_parms(distance, &o1, &o2, &c1, &c2), 0);
    EXPECT_EQ((std::vector<tag>{o1, o2, c1, c2}), (std::vector<tag>{front, back, 11, edge}));
    tag o[3] = {}, c[3] = {};
    ASSERT_EQ(KX_GEXP_ask_angle_parms(angle, &o[0], &o[1], &o[2], &c[0], &c[1], &c[2]), 0);
    EXPECT_EQ((std::vector<tag>{o[0], o[1], o[2], c[0], c[1], c[2]}), (std::vector<tag>{front, left, back, 1, 2, 3}));
    tag obj = 0, comp = 0;
    ASSERT_EQ(KX_GEXP_ask_length_parms(length, &obj, &comp), 0);
    EXPECT_EQ(obj, edge);
    EXPECT_EQ(comp, 9u);
    EXPECT_EQ(GEXP_ask_exp(distance), dexp);
    // The block grows: the measures follow; an edit after reading works.
    ASSERT_EQ(set("width", "37"), 0);
    ASSERT_EQ(set("height", "23"), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(of(dexp), 37, 1e-9);
    EXPECT_NEAR(of(lexp), 23, 1e-9);
    EXPECT_NEAR(of(aexp), 90, 1e-9);
    ASSERT_EQ(KX_GEXP_edit_distance(distance, left, right, 5, 6), 0);
    EXPECT_NEAR(of(dexp), 100, 1e-9);
}

// Section "GEXP" row: i32 measure, u32 expression, per operand u32 object,
// u8 companion kind, u32 companion.
TEST_F(GeometricExpressions, DamagedRowsAreRefusedWithTheModelUnchanged) {
    namespace pf = host::part_file;
    tag distance = NULL_TAG, dexp = NULL_TAG, length = NULL_TAG, lexp = NULL_TAG;
    ASSERT_EQ(KX_GEXP_create_distance(front, back, 11, edge, &distance, &dexp), 0);
    ASSERT_EQ(KX_GEXP_create_length(edge, 9, &length, &lexp), 0);
    pf::Image image;
    ASSERT_EQ(pf::decode(pf::encode(part_, nullptr, true), image), 0);
    const std::vector<unsigned int> objects = host::objects::objects_of_part(part_);
    const auto number = [&](tag t) {
        return static_cast<std::uint32_t>(std::find(objects.begin(), objects.end(), t) - objects.begin() + 1);
    };
    using Row = kxtest::SectionRow;
    const std::vector<Row> rows = kxtest::section_rows(kxtest::section_of(image, "GEXP"));
    ASSERT_EQ(rows.size(), 2u);
    const auto of_feature = [&](std::vector<Row>& r, tag t) -> std::string& {
        return std::find_if(r.begin(), r.end(), [&](const Row& x) { return x.number == number(t); })->bytes;
    };
    const auto put = [](std::string& s, std::size_t at, std::uint32_t v) {
        pf::Writer w;
        w.u32(v);
        s.replace(at, 4, w.view());
    };
    struct Case {
        const char* what;
        std::function<void(std::vector<Row>&)> spoil;
    };
    const std::vector<Case> cases = {
        {"a row of a face", [&](auto& r) { r[0].number = number(front); }},
        {"a row of the block feature", [&](auto& r) { r[0].number = number(block_); }},
        {"a distance on a length feature",
         [&](auto& r) {
             r.erase(std::find_if(r.begin(), r.end(), [&](const Row& x) { return x.number == number(length); }));
             r[0].number = number(length);
         }},
        {"no known measure", [&](auto& r) { put(of_feature(r, distance), 0, 4); }},
        {"a face as its expression", [&](auto& r) { put(of_feature(r, distance), 4, number(front)); }},
        {"no expression", [&](auto& r) { put(of_feature(r, distance), 4, 0xFFFFFFFFu); }},
        {"an expression measured", [&](auto& r) { put(of_feature(r, distance), 8, number(dexp)); }},
        {"the part as its expression", [&](auto& r) { put(of_feature(r, length), 4, 0); }},
        {"a companion of no known kind", [&](auto& r) { of_feature(r, length)[12] = 2; }},
        {"the part as a companion object",
         [&](auto& r) {
             of_feature(r, length)[12] = 1;
             put(of_feature(r, length), 13, 0);
         }},
        {"an object beyond the file", [&](auto& r) { put(of_feature(r, length), 8, 100000); }},
        {"a row cut short", [&](auto& r) { of_feature(r, distance).resize(14); }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        std::vector<Row> r = rows;
        k.spoil(r);
        kxtest::expect_refused_with(image, "GEXP", kxtest::rows_payload(r));
    }
    // Without the section the part opens; its features are plain records.
    const pf::Image without = kxtest::without_section(image, "GEXP");
    int code = -1;
    const tag opened = pf::apply(without, "without.prt", &code);
    ASSERT_NE(opened, NULL_TAG) << code;
    tag o1 = 0, o2 = 0, c1 = 0, c2 = 0;
    EXPECT_NE(KX_GEXP_ask_distance_parms(host::objects::objects_of_part(opened)[number(distance) - 1], &o1, &o2,
                                         &c1, &c2),
              0);
}

// A creation fails whole: a host error at any host call of a clean
// creation (one run per call, each from the same start) leaves no feature
// and no expression behind, and the outputs unset.
TEST_F(GeometricExpressions, HostErrorAnywhereLeavesNoFeature) {
    struct Row {
        const char* what;
        std::function<int(const GeometricExpressions&, tag*, tag*)> call;
    };
    const Row rows[] = {
        {"KX_GEXP_create_distance",
         [](const GeometricExpressions& t, tag* f, tag* e) {
             return KX_GEXP_create_distance(t.front, t.back, 11, 22, f, e);
         }},
        {"KX_GEXP_create_length",
         [](const GeometricExpressions& t, tag* f, tag* e) { return KX_GEXP_create_length(t.edge, 9, f, e); }},
    };
    for (const Row& r : rows) {
        TearDown();
        SetUp();
        host::control::clear_journal();
        tag feature = NULL_TAG, exp = NULL_TAG;
        ASSERT_EQ(r.call(*this, &feature, &exp), 0) << r.what;
        for (const auto& [name, nth] : kxtest::host_call_points()) {
            SCOPED_TRACE(std::string(r.what) + " with " + name + " #" + std::to_string(nth));
            TearDown();
            SetUp();
            const std::string before = host::control::model_fingerprint();
            host::control::raise_on(name.c_str(), 670055, nth);
            feature = exp = NULL_TAG;
            const int st = r.call(*this, &feature, &exp);
            host::control::clear_scripts();
            EXPECT_EQ(host::control::frame_depth(), 0);
            if (st != 0) {
                EXPECT_EQ(host::control::model_fingerprint(), before);
                EXPECT_EQ(feature, NULL_TAG);
                EXPECT_EQ(exp, NULL_TAG);
            }
        }
    }
}

}  // namespace
