// Free-form features kept in a part file and following their curves: each
// creator's feature saved and opened again answers the same definition and
// keeps its body, which the update after opening makes again from the
// curves; a curve edited afterwards (a circle's radius) is followed by the
// sheet or body at the next update, a target variant's combination too.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/display.h"
#include "host/store/parts/parts.h"
#include "host/apps/modeling/freeform/freeform_defs.h"
#include "host/base/services/memory.h"
#include "kx_curve.h"
#include "kx_modl_a_sweep.h"
#include "kx_modl_cre_ff.h"
#include "kx_undo.h"
#include "kxapi.h"
#include "libkxapi/core/kx_session.h"
#include "tests/libkxapi/modl/ff_fixture.h"
#include "tests/support/part_files.h"

namespace {

using ff_test::Strings;
constexpr double kPi = std::numbers::pi;
constexpr double kBlock = 100.0 * 50.0 * 20.0;

// A part of its own (a file in the temporary directory) with a 100 x 50 x 20
// block and the free-form features of the tests.
class SkinFile : public ::testing::Test, protected ff_test::Curves {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        file_ = (std::filesystem::temp_directory_path() / "kx_skin_file.prt").string();
        std::filesystem::remove(file_);
        part_ = host::parts::create(file_);
        CONTEXT_set_work_part(part_);
        use_part(part_);
        const char* sizes[] = {"100", "50", "20"};
        const double origin[] = {0, 0, 0};
        ASSERT_EQ(FEAT_create(part_, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block_), 0);
    }
    void TearDown() override {
        fresh();
        std::filesystem::remove(file_);
    }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }
    void reopen() {
        part_ = kxtest::reopen_part(part_, file_, fresh);
        ASSERT_NE(part_, 0u);
        use_part(part_);
    }
    static void edit_radius(tag arc, double radius) {
        arc_data a{};
        ASSERT_EQ(KX_CURVE_ask_arc_data(arc, &a), 0);
        a.radius = radius;
        ASSERT_EQ(KX_CURVE_edit_arc_data(arc, &a), 0);
    }
    // The five creators' features (through curves as a solid), each with
    // its closed-form measure, and a through-curves solid united with the
    // block; the circles that the tests edit.
    struct Made {
        tag feature;
        int measure;  // ZQ_MP_AREA or ZQ_MP_VOLUME
        double value;
    };
    std::vector<Made> make_all() {
        std::vector<Made> out;
        {
            Strings s({{circle(0, 0, 100, 10)}, {circle(0, 0, 110, 10)}, {circle(0, 0, 120, 10)}});
            int patch = 1, align = 1, degree = 3, closed = 0, body = 1;
            double values[6] = {};
            tag f = NULL_TAG;
            EXPECT_EQ(KX_MODL_create_thru_curves(&s, nullptr, &patch, &align, values, &degree, &closed, &body, 0, tol_,
                                                 nullptr, nullptr, &f),
                      0);
            out.push_back({f, ZQ_MP_VOLUME, 2000 * kPi});
        }
        {
            Strings s({{ruled_low_ = circle(0, 0, 200, 10)}, {ruled_high_ = circle(0, 0, 210, 5)}});
            int align = 1, end = 0, body = 0;
            double values[6] = {};
            double tol[3] = {0, 0.5, 0.02};
            tag f = NULL_TAG;
            EXPECT_EQ(KX_MODL_create_ruled(&s, nullptr, &align, values, &end, &body, 0, tol, &f), 0);
            out.push_back({f, ZQ_MP_AREA, 526.861});
        }
        {
            Strings s({rectangle(0, 0, 40, 30, 300), {hole_ = circle(20, 15, 300, 5)}});
            tag f = NULL_TAG;
            EXPECT_EQ(KX_MODL_create_bplane(&s, tol_, &f), 0);
            out.push_back({f, ZQ_MP_AREA, 1200 - 25 * kPi});
        }
        {
            const Tube tube = quarter_tube(400);
            tube_ = tube.ring;
            Strings g({{tube.guide}}), s({{tube_}});
            sweep_method orient{1, 0, 0, {0, 0, 0}, nullptr}, scale{1, 0, 0, {1, 0, 0}, nullptr};
            int align = 1, method = 1, body = 1;
            tag f = NULL_TAG;
            EXPECT_EQ(
                KX_MODL_create_sweep(&g, &s, nullptr, &orient, &scale, &align, &method, &body, tol_, nullptr, &f), 0);
            out.push_back({f, ZQ_MP_VOLUME, 100 * kPi * kPi});
        }
        {
            Strings primary({{line({0, 0, 500, 30, 0, 500})}, {line({0, 20, 500, 30, 20, 500})}});
            Strings cross({{line({0, 0, 500, 0, 20, 500})}, {line({30, 0, 500, 30, 20, 500})}});
            int end = 0, method = 1, body = 0, flag = 0;
            tag f = NULL_TAG;
            EXPECT_EQ(KX_MODL_create_curve_mesh(&primary, &cross, nullptr, &end, &method, &body, &flag, 0, tol_,
                                                nullptr, nullptr, &f),
                      0);
            out.push_back({f, ZQ_MP_AREA, 600});
        }
        {
            target_circles_ = {circle(50, 25, 10, 10), circle(50, 25, 20, 10), circle(50, 25, 30, 10)};
            Strings s({{target_circles_[0]}, {target_circles_[1]}, {target_circles_[2]}});
            int patch = 1, align = 1, degree = 3, closed = 0, body = 1;
            double values[6] = {};
            tag f = NULL_TAG;
            EXPECT_EQ(KX_MODL_create_thru_curves1(&s, nullptr, &patch, &align, values, &degree, &closed, nullptr,
                                                  &body, 1, FREC_ask_body(block_), tol_, nullptr, nullptr, nullptr,
                                                  nullptr, &f),
                      0);
            out.push_back({f, ZQ_MP_VOLUME, kBlock + kPi * 100 * 10});
        }
        return out;
    }
    // The definition as the queries read it back, flattened: string counts,
    // objects per string and directions, method numbers and values.
    static std::vector<double> definition(tag f) {
        std::vector<double> out;
        std::vector<string_list> lists(3);
        const auto flat = [&](int st, std::initializer_list<double> more) {
            out.push_back(st);
            for (string_list& l : lists) {
                out.push_back(l.count);
                for (int i = 0; i < l.count; ++i) out.insert(out.end(), {double(l.per_string[i]), double(l.dir[i])});
                KX_MODL_free_string_list(&l);
            }
            out.insert(out.end(), more);
        };
        double rec[3] = {}, six[6] = {};
        int a = 0, b = 0, c = 0, d = 0, e = 0, cont[4] = {};
        tag faces[4] = {};
        switch (SKIN_ask_skin_kind(f)) {
        case SKIN_KIND_SWEEP: {
            sweep_method o{}, s{};
            flat(KX_MODL_ask_sweep(f, &lists[0], &lists[1], &lists[2], &o, &s, &a, &b, &c, rec),
                 {double(o.method), double(s.method), s.values[0], double(a), double(b), double(c)});
            break;
        }
        case SKIN_KIND_CURVE_MESH:
            flat(KX_MODL_ask_curve_mesh(f, &lists[0], &lists[1], &lists[2], &a, &b, &c, rec, faces, cont),
                 {double(a), double(b), double(c)});
            break;
        case SKIN_KIND_THRU_CURVES:
            flat(KX_MODL_ask_thru_curves(f, &lists[0], &lists[2], &a, &b, six, &c, &d, &e, rec, faces, cont),
                 {double(a), double(b), double(c), double(d), double(e)});
            break;
        case SKIN_KIND_RULED:
            flat(KX_MODL_ask_ruled(f, &lists[0], &lists[2], &a, six, &b, rec), {double(a), double(b)});
            break;
        default: flat(KX_MODL_ask_bplane(f, &lists[0], rec), {}); break;
        }
        out.insert(out.end(), rec, rec + 3);
        out.insert(out.end(), six, six + 6);
        return out;
    }

    double tol_[3] = {0.001, 0.5, 0.02};
    std::string file_;
    unsigned int part_ = 0;
    tag block_ = NULL_TAG;
    tag ruled_low_ = NULL_TAG, ruled_high_ = NULL_TAG, hole_ = NULL_TAG, tube_ = NULL_TAG;
    std::vector<tag> target_circles_;
};

TEST_F(SkinFile, EachCreatorsFeatureComesBackWithItsDefinitionAndBody) {
    const std::vector<Made> made = make_all();
    struct Kept {
        std::string name;
        std::vector<double> definition;
        int measure;
        double value;
    };
    std::vector<Kept> kept;
    for (const Made& m : made) {
        ASSERT_NE(m.feature, NULL_TAG);
        EXPECT_NEAR(props(m.feature, m.measure), m.value, 1e-4 * m.value);
        kept.push_back({host::feature::display_name(m.feature), definition(m.feature), m.measure, m.value});
    }
    reopen();
    std::vector<tag> again;
    for (const Kept& k : kept) {
        SCOPED_TRACE(k.name);
        const tag f = FREC_ask_frec_from_name(part_, k.name.c_str());
        ASSERT_NE(f, NULL_TAG);
        EXPECT_EQ(definition(f), k.definition);
        EXPECT_NEAR(props(f, k.measure), k.value, 1e-4 * k.value);
        again.push_back(f);
    }
    // The update makes every body again from the curves read back.
    ASSERT_EQ(UPDATE_do_update_no_message(), 0);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        SCOPED_TRACE(kept[i].name);
        EXPECT_NEAR(props(again[i], kept[i].measure), kept[i].value, 1e-4 * kept[i].value);
        EXPECT_EQ(definition(again[i]), kept[i].definition);
    }
}

TEST_F(SkinFile, EditedCurvesAreFollowedAtTheUpdate) {
    const std::vector<Made> made = make_all();
    // Radius edits and what each feature measures afterwards.
    edit_radius(ruled_high_, 10);  // the frustum becomes a cylinder side
    edit_radius(hole_, 8);
    edit_radius(tube_, 1);
    for (tag c : target_circles_) edit_radius(c, 5);
    const double expected[] = {2000 * kPi, 200 * kPi, 1200 - 64 * kPi, 25 * kPi * kPi, 600, kBlock + kPi * 25 * 10};
    // Nothing moves before the update.
    EXPECT_NEAR(props(made[1].feature, ZQ_MP_AREA), 526.861, 1e-3);
    ASSERT_EQ(UPDATE_do_update_no_message(), 0);
    for (std::size_t i = 0; i < made.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(props(made[i].feature, made[i].measure), expected[i], 1e-4 * expected[i]);
    }
    // An undo to a mark set before the edit brings the frustum back.
    KX_UNDO_mark_id_t mark = 0;
    ASSERT_EQ(KX_UNDO_set_mark(KX_UNDO_visible, "edit", &mark), 0);
    edit_radius(ruled_high_, 5);
    ASSERT_EQ(UPDATE_do_update_no_message(), 0);
    EXPECT_NEAR(props(made[1].feature, ZQ_MP_AREA), 526.861, 1e-3);
    ASSERT_EQ(KX_UNDO_undo_to_mark(mark, nullptr), 0);
    EXPECT_NEAR(props(made[1].feature, ZQ_MP_AREA), 200 * kPi, 1e-3);
}

TEST_F(SkinFile, ReopenedSkinsStillFollowTheirCurves) {
    make_all();
    reopen();
    const tag ruled = FREC_ask_frec_from_name(part_, "SKIN(3)");
    ASSERT_NE(ruled, NULL_TAG);
    string_list sections{}, spine{};
    int alignment = 0, option = 0;
    double six[6], rec[3];
    ASSERT_EQ(KX_MODL_ask_ruled(ruled, &sections, &spine, &alignment, six, &option, rec), 0);
    ASSERT_EQ(sections.count, 2);
    const tag top = sections.objects[1];
    KX_MODL_free_string_list(&sections);
    KX_MODL_free_string_list(&spine);
    edit_radius(top, 10);
    ASSERT_EQ(UPDATE_do_update_no_message(), 0);
    EXPECT_NEAR(props(ruled, ZQ_MP_AREA), 200 * kPi, 1e-3);
}

}  // namespace
