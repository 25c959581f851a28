// Face divisions: the kernel divides a face of a block by lines lying on it
// or projected onto it, the update and a part file make the division again
// with the block, the division follows its curves when they move, and
// refusals and failures leave the model and the undo marks as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/libkxapi/modl/body_ops_fixture.h"
#include "tests/libkxapi/modl/damaged_rows.h"
#include "tests/support/fresh_process.h"

namespace {

using kxtest::line;

class SubdivFace : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        part_ = host::parts::create("subdiv.prt");
        host::parts::set_work_part(part_);
        const char* formulas[3] = {"100", "50", "20"};
        const double origin[3] = {0, 0, 0};
        ASSERT_EQ(FEAT_create(part_, "BLOCK", 3, formulas, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block_), 0);
        body_ = FREC_ask_body(block_);
    }
    void TearDown() override { kxtest::fresh_process(); }
    static void fresh() {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
    }

    int entity() const { return host::kernel::entity_of(body_); }
    std::size_t face_count() const { return host::kernel::faces_of(entity()).size(); }
    double volume() const {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(entity(), p);
        return p[ZQ_MP_VOLUME];
    }
    // The areas of the faces lying in the plane z = at, smallest first.
    std::vector<double> areas_at(double at) const {
        std::vector<double> out;
        for (int f : host::kernel::faces_of(entity())) {
            double box[6];
            ZQ_TOPOL_find_box(f, box);
            if (std::abs(box[2] - at) < 1e-6 && std::abs(box[5] - at) < 1e-6)
                out.push_back((box[3] - box[0]) * (box[4] - box[1]));
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    // The top divided by a line across it at x = 30 (*line): the division.
    tag divide_top_at_30(tag* line) const {
        *line = kxtest::line({30, 0, 20}, {30, 50, 20});
        tag curves[2] = {*line, NULL_TAG};
        tag feature = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_subdiv_face(curves, 0, top(), 0, 0, &feature), 0);
        return feature;
    }
    void expect_areas(const std::vector<double>& expected) const {
        const std::vector<double> got = areas_at(20);
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], expected[i], 1e-6);
    }
    tag top() const {
        for (int f : host::kernel::faces_of(entity())) {
            double box[6];
            ZQ_TOPOL_find_box(f, box);
            if (std::abs(box[2] - 20) < 1e-6 && std::abs(box[5] - 20) < 1e-6) return host::kernel::object_of(f);
        }
        return NULL_TAG;
    }

    unsigned int part_ = 0, block_ = 0;
    tag body_ = NULL_TAG;
};

TEST_F(SubdivFace, LinesOnTheFaceOrProjectedOntoItDivideIt) {
    struct Row {
        const char* what;
        std::vector<double> from, to;
        int project;
    };
    const Row rows[] = {
        {"on the face", {30, 0, 20}, {30, 50, 20}, 0},
        {"projected along the normal", {30, -10, 40}, {30, 60, 40}, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        SetUp();
        const tag face = top();
        tag curves[2] = {line(r.from, r.to), NULL_TAG};
        tag feature = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_subdiv_face(curves, r.project, face, 0, 0, &feature), 0);
        EXPECT_NE(feature, NULL_TAG);
        EXPECT_EQ(face_count(), 7u);
        EXPECT_NEAR(volume(), 100000, 1e-6);
        const std::vector<double> pieces = areas_at(20);
        ASSERT_EQ(pieces.size(), 2u);
        EXPECT_NEAR(pieces[0], 1500, 1e-6);
        EXPECT_NEAR(pieces[1], 3500, 1e-6);
        // One of the pieces keeps the face's object.
        EXPECT_TRUE(host::objects::is_alive(face));
        EXPECT_EQ(ES_solid_ask_body(face), body_);
        EXPECT_EQ(host::control::call_count("UNDO_JQ_delete_mark"), host::control::call_count("UNDO_JQ_set_mark"));
        EXPECT_EQ(host::control::call_count("UPDATE_do_update_no_message"), 1);
    }
}

TEST_F(SubdivFace, UpdateAndPartFileMakeTheDivisionAgain) {
    tag curves[3] = {line({30, 0, 20}, {30, 50, 20}), line({60, 0, 20}, {60, 50, 20}), NULL_TAG};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_subdiv_face(curves, 0, top(), 0, 0, &feature), 0);
    EXPECT_EQ(areas_at(20).size(), 3u);
    // A longer block keeps its divided top (the last piece grows).
    ASSERT_EQ(EXP_edit_exp(part_, FREC_ask_parm_exp(block_, "Length (XC)"), "120"), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    expect_areas({1500, 1500, 3000});
    // Saved and read back: made again at the next update, and it follows
    // an edit then.
    const std::map<unsigned int, unsigned int> read = reopen_part(part_, [] { fresh(); });
    body_ = read.at(body_);
    block_ = read.at(block_);
    expect_areas({1500, 1500, 3000});
    ASSERT_EQ(EXP_edit_exp(part_, FREC_ask_parm_exp(block_, "Length (XC)"), "90"), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    expect_areas({1500, 1500, 1500});
    EXPECT_NEAR(volume(), 90000, 1e-6);
    EXPECT_NE(host::feature::find(read.at(feature)), nullptr);
}

TEST_F(SubdivFace, RefusalsAndFailuresLeaveTheModel) {
    const tag face = top();
    tag on[2] = {line({30, 0, 20}, {30, 50, 20}), NULL_TAG};
    tag above[2] = {line({30, 0, 40}, {30, 50, 40}), NULL_TAG};
    tag none[1] = {NULL_TAG};
    struct Row {
        const char* what;
        tag* curves;
        int project;
        tag face;
        int code;
    };
    const Row rows[] = {
        {"no curve list", nullptr, 0, face, 875005},
        {"a face of no kernel face", on, 0, on[0], 875288},
        {"no face", on, 0, NULL_TAG, 875288},
        {"no curves", none, 0, face, 670533},
        {"another projection", on, 2, face, 670533},
        {"curves off the face", above, 0, face, 670402},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        tag feature = 7;
        EXPECT_EQ(KX_MODL_create_subdiv_face(r.curves, r.project, r.face, 0, 0, &feature), r.code);
        EXPECT_EQ(feature, NULL_TAG);
        EXPECT_EQ(face_count(), 6u);
    }
    EXPECT_EQ(host::kernel::bodies().size(), 1u);  // no wire body is left
    EXPECT_EQ(host::control::call_count("UNDO_JQ_delete_mark"), host::control::call_count("UNDO_JQ_set_mark"));
    EXPECT_EQ(host::control::frame_depth(), 0);
    tag feature = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_subdiv_face(on, 0, face, 0, 0, nullptr), 1105014);
    // A host failure at the division rolls back to the mark.
    host::control::raise_on("ZQ_BODY_subdivide_face", 670099);
    EXPECT_EQ(KX_MODL_create_subdiv_face(on, 0, face, 0, 0, &feature), 670099);
    EXPECT_EQ(feature, NULL_TAG);
    EXPECT_EQ(face_count(), 6u);
    EXPECT_EQ(host::kernel::bodies().size(), 1u);
}

// The top face divided by a line across it at x = 30 that moves to x = 60:
// a plain line edited, a line above the face (projected) edited, and a
// smart line whose ends follow an expression.
struct Moving {
    const char* what;
    int project;
    double z;
    bool smart;
};
const Moving kMoving[] = {
    {"a line on the face", 0, 20, false},
    {"a line above the face, projected", 1, 45, false},
    {"a smart line of an expression", 0, 20, true},
};

// A line across the top at x = 30 and a way to move it to x = 60.
struct MovingLine {
    tag line = NULL_TAG;
    std::function<void()> move;
};
MovingLine moving_line(unsigned int part, const Moving& m) {
    MovingLine out;
    if (!m.smart) {
        line_data d{{30, 0, m.z}, {30, 50, m.z}};
        EXPECT_EQ(KX_CURVE_create_line(&d, &out.line), 0);
        const tag l = out.line;
        const double z = m.z;
        out.move = [l, z] {
            line_data moved{{60, 0, z}, {60, 50, z}};
            ASSERT_EQ(KX_CURVE_edit_line_data(l, &moved), 0);
        };
        return out;
    }
    tag x = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_exp_tag("cut_x=30", &x), 0);
    tag scalars[2][3] = {};
    const double ys[2] = {0, 50};
    tag points[2] = {};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(KX_SO_create_scalar_exp(part, 0, x, &scalars[i][0]), 0);
        EXPECT_EQ(KX_SO_create_scalar_double(part, 0, ys[i], &scalars[i][1]), 0);
        EXPECT_EQ(KX_SO_create_scalar_double(part, 0, m.z, &scalars[i][2]), 0);
        EXPECT_EQ(KX_SO_create_point_3_scalars(part, 0, scalars[i], &points[i]), 0);
    }
    EXPECT_EQ(KX_SO_create_line_two_points(part, 0, points, &out.line), 0);
    out.move = [] { ASSERT_EQ(KX_MODL_edit_exp("cut_x=60"), 0); };
    return out;
}

TEST_F(SubdivFace, DivisionFollowsItsCurvesAtTheUpdateAndUndoBringsItBack) {
    for (const Moving& m : kMoving) {
        SCOPED_TRACE(m.what);
        SetUp();
        const MovingLine cut = moving_line(part_, m);
        tag curves[2] = {cut.line, NULL_TAG};
        tag feature = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_subdiv_face(curves, m.project, top(), 0, 0, &feature), 0);
        expect_areas({1500, 3500});
        KX_UNDO_mark_id_t mark = 0;
        ASSERT_EQ(KX_UNDO_set_mark(KX_UNDO_visible, "move the cut", &mark), 0);
        cut.move();
        ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
        expect_areas({2000, 3000});
        EXPECT_EQ(face_count(), 7u);
        EXPECT_NEAR(volume(), 100000, 1e-6);
        // Another update finds the curves where the division is.
        ASSERT_EQ(KX_MODL_update(), 0);
        expect_areas({2000, 3000});
        ASSERT_EQ(KX_UNDO_undo_to_mark(mark, nullptr), 0);
        expect_areas({1500, 3500});
        ASSERT_EQ(KX_MODL_update(), 0);
        expect_areas({1500, 3500});
    }
}

TEST_F(SubdivFace, ACurveMovedOffTheFaceFailsTheUpdateAndOneDeletedIsLeft) {
    tag line = NULL_TAG;
    const tag feature = divide_top_at_30(&line);
    // Off the face: the update fails naming the division, the model as it was.
    line_data away{{30, 0, 40}, {30, 50, 40}};
    ASSERT_EQ(KX_CURVE_edit_line_data(line, &away), 0);
    EXPECT_NE(KX_MODL_update(), 0);
    EXPECT_NE(std::string(FREC_ask_update_failure_message()).find(host::feature::display_name(feature)),
              std::string::npos)
        << FREC_ask_update_failure_message();
    expect_areas({1500, 3500});
    // A curve that is gone leaves the division where it is.
    ASSERT_EQ(KX_OBJ_delete_object(line), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    expect_areas({1500, 3500});
}

TEST_F(SubdivFace, PartFileKeepsTheCurvesAndOldFilesKeepTheDivision) {
    tag line = NULL_TAG;
    ASSERT_NE(divide_top_at_30(&line), NULL_TAG);
    namespace pf = host::part_file;
    pf::Image image;
    const std::string rows = kxtest::section_payload(part_, "SDIV", image);
    // The row: its number and size, the count of curves and the curve.
    ASSERT_EQ(rows.size(), 20u);
    const std::string own = rows.substr(4, 4), curve = rows.substr(16, 4);
    const kxtest::RowDamage damages[] = {
        {"no curves", "SDIV", 12, kxtest::le32(1), kxtest::le32(0)},
        {"curves beyond the row", "SDIV", 12, kxtest::le32(1), kxtest::le32(2)},
        {"a curve that is the feature", "SDIV", 16, curve, own},
        {"a row of a curve", "SDIV", 4, own, curve},
    };
    kxtest::expect_damaged_rows_refused(part_, damages);
    // Without its row the division stays where it was saved.
    std::erase_if(image.sections, [](const auto& s) { return s.first == "SDIV"; });
    int code = -1;
    const tag old = pf::apply(image, "subdiv.old.prt", &code);
    ASSERT_NE(old, NULL_TAG) << code;
    const std::vector<unsigned int> now = host::objects::objects_of_part(part_),
                                    then = host::objects::objects_of_part(old);
    ASSERT_EQ(now.size(), then.size());
    const auto in_old = [&](tag t) {
        return then[static_cast<std::size_t>(std::find(now.begin(), now.end(), t) - now.begin())];
    };
    const tag body = body_;
    body_ = in_old(body);
    line_data elsewhere{{60, 0, 20}, {60, 50, 20}};
    ASSERT_EQ(KX_CURVE_edit_line_data(in_old(line), &elsewhere), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    expect_areas({1500, 3500});
    body_ = body;
    // Reopened whole, the division follows its curve.
    const std::map<unsigned int, unsigned int> read = reopen_part(part_, [] { fresh(); });
    body_ = read.at(body_);
    line_data moved{{60, 0, 20}, {60, 50, 20}};
    ASSERT_EQ(KX_CURVE_edit_line_data(read.at(line), &moved), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    expect_areas({2000, 3000});
}

TEST(SubdivFaceSession, RefusedBeforeInitialisation) {
    kxtest::fresh_process();
    tag curves[1] = {NULL_TAG};
    tag feature = 3;
    EXPECT_EQ(KX_MODL_create_subdiv_face(curves, 0, NULL_TAG, 0, 0, &feature), 1105000);
    kxtest::fresh_process();
}

}  // namespace
