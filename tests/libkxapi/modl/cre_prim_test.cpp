// Primitives through the interface: blocks, cones, cylinders and spheres,
// new or combined with a target, their sizes as expressions that the update
// follows, undo, part files, refusals, and the forms with the suffix 1.
#include <gtest/gtest.h>

#include <csetjmp>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/primitive/primitives.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/objects.h"
#include "kxapi.h"
#include "libkxapi/core/kx_session.h"
#include "libkxapi/core/kx_list.h"

namespace {

namespace ctl = host::control;
constexpr double kPi = std::numbers::pi;

class Prim : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        file_ = (std::filesystem::temp_directory_path() /
                 (std::string("kx_prim_") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".prt"))
                    .string();
        std::filesystem::remove(file_);
        ASSERT_EQ(KX_PART_new(file_.c_str(), KX_PART_METRIC, &part_), 0);
    }
    void TearDown() override {
        fresh();
        std::filesystem::remove(file_);
    }
    static void fresh() {
        kx_reset_session_for_tests();
        ctl::reset();
    }

    static tag body_of(tag feature) {
        tag body = NULL_TAG;
        EXPECT_EQ(KX_MODL_ask_feat_body(feature, &body), 0);
        return body;
    }
    static double volume(tag body) {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(ES_solid_ask_fermalith_tag(body), p);
        return p[ZQ_MP_VOLUME];
    }
    static std::vector<tag> faces(tag body) {
        tag_list* list = nullptr;
        EXPECT_EQ(KX_MODL_ask_body_faces(body, &list), 0);
        std::vector<tag> out = kx::tags_of(list);
        KX_MODL_delete_list(&list);
        return out;
    }
    // The body's faces of one face type.
    static std::vector<tag> faces_of_type(tag body, int wanted) {
        std::vector<tag> out;
        for (tag f : faces(body)) {
            int type = 0, sense = 0;
            double p[3], d[3], box[6], r = 0, r2 = 0;
            EXPECT_EQ(KX_MODL_ask_face_data(f, &type, p, d, box, &r, &r2, &sense), 0);
            if (type == wanted) out.push_back(f);
        }
        return out;
    }
    static tag block(int sign, tag target, std::vector<double> corner, std::vector<const char*> sizes) {
        tag f = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_block(sign, target, corner.data(), sizes.data(), &f), 0);
        return f;
    }
    static std::vector<std::string> marks() {
        std::vector<std::string> out;
        for (const auto& m : host::undo::marks()) out.push_back(m.name);
        return out;
    }
    // The texts of a point slot that the host creator got (its pointer
    // array, the argument of the call's journal record).
    static std::vector<std::string> slot_texts(const char* creator, int argument) {
        const std::vector<host::JournalRecord> calls = ctl::calls(creator);
        if (calls.empty()) return {};
        const auto* texts = reinterpret_cast<const char* const*>(calls.back().arg[argument]);
        return {texts[0], texts[1], texts[2]};
    }

    std::string file_;
    tag part_ = NULL_TAG;
};

// The base of the combined cases: a 100 x 50 x 20 block at the origin.
struct Tool {
    const char* kind;
    std::function<int(int sign, tag target, tag* out)> make;
    double alone;             // the tool's own volume
    double overlap;           // its part inside the base block
    int faces;                // of the new body (sign 0)
    const char* creator;      // the host creator
    int point_arg;            // its journal argument of the point's texts
    std::vector<std::string> point_texts;
};

TEST_F(Prim, EachPrimitiveWithEachSign) {
    double block_corner[] = {90, 40, -5}, cyl_origin[] = {50, 25, -5}, cone_origin[] = {50, 25, -10},
           centre[] = {100, 50, 20}, up[] = {0, 0, 1};
    const char* block_sizes[] = {"30", "20", "10"};
    const char* cone_diameters[] = {"20", "10"};
    const std::vector<Tool> tools = {
        {"block",
         [&](int s, tag t, tag* out) { return KX_MODL_create_block(s, t, block_corner, block_sizes, out); },
         6000, 500, 6, "pxcreblk1", 1, {"90", "40", "-5"}},
        {"cylinder",
         [&](int s, tag t, tag* out) { return KX_MODL_create_cylinder(s, t, cyl_origin, "30", "20", up, out); },
         3000 * kPi, 2000 * kPi, 3, "pxcrecyl1", 1, {"50", "25", "-5"}},
        // A frustum of radii 10 and 5 rising from z = -10 to 20; inside the
        // block from z = 0 (radius 25/3) to 20 (radius 5).
        {"cone",
         [&](int s, tag t, tag* out) { return KX_MODL_create_cone(s, t, cone_origin, cone_diameters, "30", up, out); },
         1750 * kPi, 24500 * kPi / 27, 3, "pxcrecone1", 1, {"50", "25", "-10"}},
        // A ball about the block's far corner: an eighth of it inside.
        {"sphere", [&](int s, tag t, tag* out) { return KX_MODL_create_sphere(s, t, centre, "20", out); },
         4000 * kPi / 3, 500 * kPi / 3, 1, "pxcresphere1", 1, {"100", "50", "20"}},
    };
    for (const Tool& tool : tools) {
        for (int sign = 0; sign <= 3; ++sign) {
            for (bool with_target : {false, true}) {
                SCOPED_TRACE(std::string(tool.kind) + " sign " + std::to_string(sign) +
                             (with_target ? " with target" : " without"));
                KX_UNDO_mark_id_t mark = 0;
                ASSERT_EQ(KX_UNDO_set_mark(1, "case", &mark), 0);
                const tag base = body_of(block(0, NULL_TAG, {0, 0, 0}, {"100", "50", "20"}));
                const std::vector<std::string> marks_before = marks();
                ctl::clear_journal();
                tag made = 77;
                const int st = tool.make(sign, with_target ? base : NULL_TAG, &made);
                if (sign != 0 && !with_target) {
                    EXPECT_EQ(st, KX_ERR_BAD_PARAM_2);
                    EXPECT_EQ(made, 77u);
                    EXPECT_EQ(ctl::call_count("UNDO_JQ_set_mark"), 0);
                } else {
                    ASSERT_EQ(st, 0);
                    const tag body = body_of(made);
                    if (sign == 0) {
                        // A new body; the target, given or not, is not looked at.
                        EXPECT_NE(body, base);
                        EXPECT_NEAR(volume(body), tool.alone, 1e-6 * tool.alone);
                        EXPECT_EQ(faces(body).size(), static_cast<std::size_t>(tool.faces));
                        EXPECT_NEAR(volume(base), 100000, 1e-6);
                    } else {
                        EXPECT_EQ(body, base);
                        const double expected = sign == 1   ? 100000 + tool.alone - tool.overlap
                                                : sign == 2 ? 100000 - tool.overlap
                                                            : tool.overlap;
                        EXPECT_NEAR(volume(base), expected, 1e-6 * expected);
                    }
                    // The sign reached the host unchanged, with the point's texts.
                    ASSERT_EQ(ctl::call_count(tool.creator), 1);
                    EXPECT_EQ(ctl::calls(tool.creator)[0].arg[0], sign);
                    EXPECT_EQ(slot_texts(tool.creator, tool.point_arg), tool.point_texts);
                    // No mark of its own is left behind.
                    EXPECT_EQ(marks(), marks_before);
                }
                ASSERT_EQ(KX_UNDO_undo_to_mark(mark, nullptr), 0);
                ASSERT_EQ(KX_UNDO_delete_mark(mark, nullptr), 0);
            }
        }
    }
}

// The cone's and the cylinder's direction texts, and the cone's and the
// sphere's sizes as their parameters read them back.
TEST_F(Prim, DirectionsAndSizesReachTheFeature) {
    double origin[] = {1.5, -2.25, 0.1}, axis[] = {0, -1, 1e-300};
    const char* diameters[] = {"8", "0"};
    tag cone = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_cone(0, NULL_TAG, origin, diameters, "3*4", axis, &cone), 0);
    EXPECT_EQ(slot_texts("pxcrecone1", 1), (std::vector<std::string>{"1.5", "-2.25", "0.1"}));
    EXPECT_EQ(slot_texts("pxcrecone1", 2), (std::vector<std::string>{"0", "-1", "1e-300"}));
    // A full cone of radius 4 and height 12 along -Y.
    EXPECT_NEAR(volume(body_of(cone)), kPi * 16 * 12 / 3, 1e-6);
    char *base = nullptr, *top = nullptr, *height = nullptr, *half = nullptr;
    ASSERT_EQ(KX_MODL_ask_cone_parms(cone, 0, &base, &top, &height, &half), 0);
    EXPECT_STREQ(base, "8");
    EXPECT_STREQ(top, "0");
    // Not a number: the assignment of its system expression.
    EXPECT_TRUE(std::string(height).ends_with("=3*4")) << height;
    // The half angle follows from the others: atan(4 / 12) in degrees.
    double value = 0;
    const std::string half_text = half;
    ASSERT_NE(half_text.find('='), std::string::npos);
    ASSERT_EQ(KX_MODL_eval_exp(half_text.substr(0, half_text.find('=')).c_str(), &value), 0);
    EXPECT_NEAR(value, std::atan(4.0 / 12) * 180 / kPi, 1e-9);
    for (char* t : {base, top, height, half}) KX_free(t);

    double centre[] = {0, 0, 0};
    tag sphere = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_sphere(0, NULL_TAG, centre, "7", &sphere), 0);
    char* diameter = nullptr;
    ASSERT_EQ(KX_MODL_ask_sphere_parms(sphere, 0, &diameter), 0);
    EXPECT_NE(std::string(diameter).find("=7"), std::string::npos) << diameter;
    KX_free(diameter);
}

// Each kind follows an edited expression at the update, in place.
TEST_F(Prim, EachKindFollowsItsExpression) {
    ASSERT_EQ(KX_MODL_create_exp("S=10"), 0);
    double origin[] = {0, 0, 0}, axis[] = {1, 1, 0};
    const char* block_sizes[] = {"S", "2*S", "3"};
    const char* cone_diameters[] = {"S", "4"};
    struct Case {
        const char* kind;
        std::function<int(tag*)> make;
        std::function<double(double)> volume;  // of S
    };
    const std::vector<Case> cases = {
        {"block", [&](tag* o) { return KX_MODL_create_block(0, NULL_TAG, origin, block_sizes, o); },
         [](double s) { return s * 2 * s * 3; }},
        {"cylinder", [&](tag* o) { return KX_MODL_create_cylinder(0, NULL_TAG, origin, "S+1", "6", axis, o); },
         [](double s) { return kPi * 9 * (s + 1); }},
        {"cone", [&](tag* o) { return KX_MODL_create_cone(0, NULL_TAG, origin, cone_diameters, "S/2", axis, o); },
         [](double s) { return kPi * (s / 2) / 3 * (s * s / 4 + s + 4); }},
        {"sphere", [&](tag* o) { return KX_MODL_create_sphere(0, NULL_TAG, origin, "S", o); },
         [](double s) { return kPi * s * s * s / 6; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        ASSERT_EQ(KX_MODL_edit_exp("S=10"), 0);
        ASSERT_EQ(KX_MODL_update(), 0);
        tag feature = NULL_TAG;
        ASSERT_EQ(c.make(&feature), 0);
        const tag body = body_of(feature);
        const std::vector<tag> before = faces(body);
        EXPECT_NEAR(volume(body), c.volume(10), 1e-6 * c.volume(10));
        ASSERT_EQ(KX_MODL_edit_exp("S=13.5"), 0);
        ASSERT_EQ(KX_MODL_update(), 0);
        EXPECT_NEAR(volume(body), c.volume(13.5), 1e-6 * c.volume(13.5));
        EXPECT_EQ(faces(body), before);
    }
}

// percent_g: the shortest text that reads back as the same double, within
// the slot.
TEST(PercentG, ReadsBackAsTheSameDouble) {
    ctl::reset();
    for (double v : {0.0, -0.0, 100.0, 0.1, 1.0 / 3, -2.5e-7, 123456789.123456789, DBL_MAX, -DBL_MAX, DBL_MIN,
                     std::numeric_limits<double>::denorm_min(), -2.2250738585072014e-308, 1e21}) {
        char slot[PRIM_SLOT_CHARS];
        std::fill(std::begin(slot), std::end(slot), 'x');
        percent_g(slot, v);
        const std::string text = slot;
        EXPECT_LT(text.size(), static_cast<std::size_t>(PRIM_SLOT_CHARS)) << text;
        double back = 1;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(ec, std::errc()) << text;
        EXPECT_EQ(end, text.data() + text.size()) << text;
        EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << text;
    }
    char slot[PRIM_SLOT_CHARS];
    percent_g(slot, 100);
    EXPECT_STREQ(slot, "100");
}

// The holed block of the tutorial, its size driven by an expression: the
// update follows it and the hole's face keeps its tag; undo takes the hole
// back; a part file keeps it and a cone, and the edit goes on after
// reopening.
TEST_F(Prim, HoledBlockFollowsItsExpressionThroughUndoAndFiles) {
    ASSERT_EQ(KX_MODL_create_exp("L=50"), 0);
    const tag block_feature = block(0, NULL_TAG, {0, 0, 0}, {"2*L", "50", "20"});
    const tag body = body_of(block_feature);
    EXPECT_EQ(faces(body).size(), 6u);
    double box[6];
    ASSERT_EQ(KX_MODL_ask_bounding_box(body, box), 0);
    const double expected_box[] = {0, 0, 0, 100, 50, 20};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(box[i], expected_box[i], 1e-6) << i;
    EXPECT_NEAR(volume(body), 100000, 1e-6);

    KX_UNDO_mark_id_t before_hole = 0;
    ASSERT_EQ(KX_UNDO_set_mark(1, "before the hole", &before_hole), 0);
    double at[] = {50, 25, 0}, up[] = {0, 0, 1};
    tag hole = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_cylinder(2, body, at, "20", "20", up, &hole), 0);
    EXPECT_EQ(body_of(hole), body);
    EXPECT_EQ(faces(body).size(), 7u);
    EXPECT_NEAR(volume(body), 100000 - 2000 * kPi, 1e-6);
    const std::vector<tag> round = faces_of_type(body, KX_MODL_FACE_CYLINDER);
    ASSERT_EQ(round.size(), 1u);
    int type = 0, sense = 0;
    double p[3], d[3], fbox[6], radius = 0, r2 = 0;
    ASSERT_EQ(KX_MODL_ask_face_data(round[0], &type, p, d, fbox, &radius, &r2, &sense), 0);
    EXPECT_NEAR(radius, 10, 1e-9);

    ASSERT_EQ(KX_MODL_edit_exp("L=60"), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(body), 120000 - 2000 * kPi, 1e-6);
    EXPECT_EQ(faces_of_type(body, KX_MODL_FACE_CYLINDER), round);

    // Undo to the mark set before the subtraction: the plain block.
    ASSERT_EQ(KX_UNDO_undo_to_mark(before_hole, nullptr), 0);
    EXPECT_EQ(faces(body).size(), 6u);
    EXPECT_NEAR(volume(body), 100000, 1e-6);

    // The hole again, and a cone and a sphere cut to a second block's corner.
    ASSERT_EQ(KX_MODL_create_cylinder(2, body, at, "20", "20", up, &hole), 0);
    const tag hole_face = faces_of_type(body, KX_MODL_FACE_CYLINDER).at(0);
    double base[] = {200, 0, 0};
    const char* diameters[] = {"20", "10"};
    tag cone = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_cone(0, NULL_TAG, base, diameters, "30", up, &cone), 0);
    EXPECT_NEAR(volume(body_of(cone)), 1750 * kPi, 1e-6);
    EXPECT_EQ(faces(body_of(cone)).size(), 3u);
    // A ball about a second block's corner, intersected with it.
    const tag second = body_of(block(0, NULL_TAG, {300, 0, 0}, {"40", "30", "10"}));
    double corner[] = {300, 0, 0};
    tag ball = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_sphere(3, second, corner, "20", &ball), 0);
    EXPECT_NEAR(volume(second), 500 * kPi / 3, 1e-6);
    const std::vector<tag> body_faces = faces(body), cone_faces = faces(body_of(cone));
    const std::size_t ball_faces = faces(second).size();
    ASSERT_EQ(KX_PART_save(), 0);
    ASSERT_EQ(KX_PART_close_all(), 0);
    load_status loaded{};
    tag reopened = NULL_TAG;
    ASSERT_EQ(KX_PART_open(file_.c_str(), &reopened, &loaded), 0);
    KX_free_string_array(loaded.n_parts, loaded.file_names);
    KX_free(loaded.statuses);
    // The part read back has objects of its own: its block and cone by kind.
    tag body2 = NULL_TAG, cone2 = NULL_TAG, ball2 = NULL_TAG;
    for (tag f : host::feature::features_of_part(reopened)) {
        const host::feature::Record* r = host::feature::find(f);
        if (r->kind == "BLOCK" && body2 == NULL_TAG) body2 = r->body;
        if (r->kind == "CONE") cone2 = r->body;
        if (r->kind == "SPHERE") ball2 = r->body;
    }
    ASSERT_NE(body2, NULL_TAG);
    ASSERT_NE(cone2, NULL_TAG);
    ASSERT_NE(ball2, NULL_TAG);
    EXPECT_NEAR(volume(ball2), 500 * kPi / 3, 1e-6);
    EXPECT_EQ(faces(ball2).size(), ball_faces);
    EXPECT_NEAR(volume(body2), 100000 - 2000 * kPi, 1e-6);
    EXPECT_NEAR(volume(cone2), 1750 * kPi, 1e-6);
    EXPECT_EQ(faces(body2).size(), body_faces.size());
    EXPECT_EQ(faces(cone2).size(), cone_faces.size());
    const std::vector<tag> hole_faces = faces_of_type(body2, KX_MODL_FACE_CYLINDER);
    ASSERT_EQ(hole_faces.size(), 1u);
    (void)hole_face;

    ASSERT_EQ(KX_MODL_edit_exp("L=70"), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(body2), 140000 - 2000 * kPi, 1e-6);
    EXPECT_EQ(faces_of_type(body2, KX_MODL_FACE_CYLINDER), hole_faces);
    EXPECT_NEAR(volume(ball2), 500 * kPi / 3, 1e-6);
}

// Refusals: each with the model, the marks and the output as they were.
TEST_F(Prim, RefusalsLeaveEverythingAsItWas) {
    const tag base = body_of(block(0, NULL_TAG, {0, 0, 0}, {"100", "50", "20"}));
    const tag face = faces(base).at(0);
    double origin[] = {10, 10, 0}, up[] = {0, 0, 1}, flat[] = {0, 0, 0};
    double far[] = {std::numeric_limits<double>::infinity(), 0, 0};
    const char* good[] = {"10", "10", "10"};
    const char* negative[] = {"10", "-1", "10"};
    const char* zero[] = {"10", "0", "10"};
    const char* unknown[] = {"10", "W", "10"};
    const char* missing[] = {"10", nullptr, "10"};
    const char* cone_diameters[] = {"4", "2"};
    struct Case {
        const char* what;
        std::function<int(tag*)> call;
        int status;
        bool reaches_host;  // a mark was set and taken back
    };
    const std::vector<Case> cases = {
        {"sign 4", [&](tag* o) { return KX_MODL_create_block(4, base, origin, good, o); }, KX_ERR_BAD_PARAM_1, false},
        {"sign -1", [&](tag* o) { return KX_MODL_create_sphere(-1, base, origin, "3", o); }, KX_ERR_BAD_PARAM_1, false},
        {"no target", [&](tag* o) { return KX_MODL_create_cylinder(2, NULL_TAG, origin, "5", "4", up, o); },
         KX_ERR_BAD_PARAM_2, false},
        {"null corner", [&](tag* o) { return KX_MODL_create_block(0, NULL_TAG, nullptr, good, o); },
         KX_ERR_BAD_PARAM_3, false},
        {"null size text", [&](tag* o) { return KX_MODL_create_block(0, NULL_TAG, origin, missing, o); },
         KX_ERR_BAD_PARAM_4, false},
        {"null height", [&](tag* o) { return KX_MODL_create_cone(0, NULL_TAG, origin, cone_diameters, nullptr, up, o); },
         KX_ERR_BAD_PARAM_5, false},
        {"null direction", [&](tag* o) { return KX_MODL_create_cylinder(0, NULL_TAG, origin, "5", "4", nullptr, o); },
         KX_ERR_BAD_PARAM_6, false},
        {"null output", [&](tag*) { return KX_MODL_create_sphere(0, NULL_TAG, origin, "3", nullptr); },
         KX_ERR_BAD_PARAM_5, false},
        {"target is a face", [&](tag* o) { return KX_MODL_create_sphere(1, face, origin, "3", o); },
         KX_MODL_ERR_NO_KERNEL_ENTITY, true},
        {"target is dead", [&](tag* o) { return KX_MODL_create_sphere(3, 999999, origin, "3", o); },
         KX_MODL_ERR_NO_KERNEL_ENTITY, true},
        {"size does not evaluate", [&](tag* o) { return KX_MODL_create_block(1, base, origin, unknown, o); },
         EXP_ERR_UNKNOWN_NAME, true},
        {"negative size", [&](tag* o) { return KX_MODL_create_block(2, base, origin, negative, o); },
         KERNEL_ERR_DEGENERATE, true},
        {"zero size", [&](tag* o) { return KX_MODL_create_block(0, NULL_TAG, origin, zero, o); },
         KERNEL_ERR_DEGENERATE, true},
        {"zero diameter", [&](tag* o) { return KX_MODL_create_sphere(0, NULL_TAG, origin, "0", o); },
         KERNEL_ERR_DEGENERATE, true},
        {"zero axis", [&](tag* o) { return KX_MODL_create_cylinder(2, base, origin, "5", "4", flat, o); },
         KERNEL_ERR_DEGENERATE, true},
        {"coordinate not finite", [&](tag* o) { return KX_MODL_create_cone(1, base, far, cone_diameters, "5", up, o); },
         KERNEL_ERR_DEGENERATE, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::string> marks_before = marks();
        const std::size_t objects_before = host::objects::live_objects().size();
        const double volume_before = volume(base);
        ctl::clear_journal();
        tag out = 77;
        EXPECT_EQ(c.call(&out), c.status);
        EXPECT_EQ(out, 77u);
        EXPECT_EQ(marks(), marks_before);
        EXPECT_EQ(host::objects::live_objects().size(), objects_before);
        EXPECT_NEAR(volume(base), volume_before, 1e-9);
        EXPECT_EQ(ctl::call_count("UNDO_JQ_set_mark") > 0, c.reaches_host);
        EXPECT_EQ(ctl::call_count("UNDO_JQ_undo_to_mark") > 0, c.reaches_host);
        EXPECT_EQ(ctl::frame_depth(), 0);
    }
    // Before KX_initialize: 1105000 and no mark.
    kx_reset_session_for_tests();
    ctl::clear_journal();
    tag out = 77;
    EXPECT_EQ(KX_MODL_create_sphere(0, NULL_TAG, origin, "3", &out), KX_ERR_NOT_INITIALIZED);
    EXPECT_EQ(out, 77u);
    EXPECT_EQ(ctl::call_count("UNDO_JQ_set_mark"), 0);
}

// A mark that cannot be set ends the call before any change.
TEST_F(Prim, NoWorkWithoutTheMark) {
    const std::size_t objects_before = host::objects::live_objects().size();
    ctl::return_status("UNDO_JQ_set_mark", UNDO_ERR_BUSY);
    double origin[] = {0, 0, 0};
    tag out = 77;
    EXPECT_EQ(KX_MODL_create_sphere(0, NULL_TAG, origin, "3", &out), UNDO_ERR_BUSY);
    ctl::clear_script("UNDO_JQ_set_mark");
    EXPECT_EQ(out, 77u);
    EXPECT_EQ(ctl::call_count("pxcresphere1"), 0);
    EXPECT_EQ(host::objects::live_objects().size(), objects_before);
}

// The forms with the suffix 1: no check, frame or mark of their own; a
// non-zero sign takes the work part's current target; a host error goes to
// the caller's own handler.
TEST_F(Prim, SuffixOneForms) {
    const tag base = body_of(block(0, NULL_TAG, {0, 0, 0}, {"100", "50", "20"}));
    const tag other = body_of(block(0, NULL_TAG, {0, 100, 0}, {"10", "10", "10"}));
    double at[] = {50, 25, 0}, up[] = {0, 0, 1};
    // No current target yet.
    tag out = 77;
    EXPECT_EQ(KX_MODL_create_cyl1(2, at, "20", "20", up, &out), PRIM_ERR_NO_TARGET);
    EXPECT_EQ(out, 77u);
    BREF_set_current_target(base);
    ctl::clear_journal();
    ASSERT_EQ(KX_MODL_create_cyl1(2, at, "20", "20", up, &out), 0);
    EXPECT_EQ(body_of(out), base);
    EXPECT_NEAR(volume(base), 100000 - 2000 * kPi, 1e-6);
    EXPECT_NEAR(volume(other), 1000, 1e-9);
    for (const char* name : {"UNDO_JQ_set_mark", "BREF_set_current_target"})
        EXPECT_EQ(ctl::call_count(name), 0) << name;
    // The sign reaches the host as it is: the host refuses 4.
    const char* sizes[] = {"1", "2", "3"};
    EXPECT_EQ(KX_MODL_create_block1(4, at, sizes, &out), FEAT_ERR_BAD_PARAMETERS);
    // Null texts and outputs: their position's code, no host call.
    const char* missing[] = {"1", nullptr, "3"};
    const char* diameters[] = {"4", "2"};
    ctl::clear_journal();
    EXPECT_EQ(KX_MODL_create_block1(0, at, missing, &out), KX_ERR_BAD_PARAM_3);
    EXPECT_EQ(KX_MODL_create_cone1(0, at, diameters, "5", up, nullptr), KX_ERR_BAD_PARAM_6);
    EXPECT_EQ(KX_MODL_create_cyl1(0, at, nullptr, "4", up, &out), KX_ERR_BAD_PARAM_3);
    EXPECT_EQ(KX_MODL_create_sphere1(0, nullptr, "4", &out), KX_ERR_BAD_PARAM_2);
    EXPECT_TRUE(ctl::journal().empty());
    // Without a session they work all the same.
    kx_reset_session_for_tests();
    ASSERT_EQ(KX_MODL_create_sphere1(0, at, "2", &out), 0);
    EXPECT_NEAR(volume(FREC_ask_body(out)), 4 * kPi / 3, 1e-9);
}

jmp_buf g_caller;

TEST_F(Prim, SuffixOneHostErrorReachesTheCallersHandler) {
    const tag base = body_of(block(0, NULL_TAG, {0, 0, 0}, {"100", "50", "20"}));
    BREF_set_current_target(base);
    const std::size_t objects_before = host::objects::live_objects().size();
    const std::size_t blocks_before = ctl::live_blocks();
    double at[] = {50, 25, 0};
    for (const char* raising : {"percent_g", "pxcresphere1", "CM_ask_eid_of_object"}) {
        SCOPED_TRACE(raising);
        ctl::raise_on(raising, 670099, 1);
        static tag out;
        out = 77;
        static int handler;
        handler = KX_ERROR_set_handler(g_caller);
        ASSERT_GE(handler, 0);
        if (setjmp(g_caller) == 0) {
            KX_MODL_create_sphere1(2, at, "10", &out);
            KX_ERROR_cancel_handler(handler);
            ADD_FAILURE() << "no error reached the handler";
        } else {
            EXPECT_EQ(KX_ERROR_ask_failure_code(), 670099);
        }
        ctl::clear_script(raising);
        EXPECT_EQ(ctl::frame_depth(), 0);
        if (std::string(raising) != "CM_ask_eid_of_object") {
            EXPECT_EQ(out, 77u);
            EXPECT_EQ(host::objects::live_objects().size(), objects_before);
            EXPECT_NEAR(volume(base), 100000, 1e-6);
        }
        EXPECT_EQ(ctl::live_blocks(), blocks_before);
    }
}

}  // namespace
