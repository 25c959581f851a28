// Positioning constraints of form features on the 100 x 50 x 20 block: a
// hole placed by a horizontal and a vertical dimension answers its
// constraints, their kinds, expressions, references and geometry in the
// link face's frame, and moves when a dimension is edited and the model
// updated; the queries of each kind; the refusals; the positioning routine
// of a user library that stays loaded.
#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "host/model/feature/positioning.h"
#include "kx_modl_constraint.h"
#include "tests/libkxapi/modl/form_fixture.h"
#include "tests/support/part_files.h"

namespace {

using namespace form_test;

class Constraints : public FormFeature {
protected:
    void SetUp() override {
        FormFeature::SetUp();
        double at[] = {30, 20, 20}, into[] = {0, 0, -1};
        ASSERT_EQ(KX_MODL_create_simple_hole(at, into, "10", "8", "0", top_, NULL_TAG, &hole_), 0);
    }
    // The block's top straight edge along `axis` (0: X, 1: Y) at the other
    // coordinate `at`.
    tag top_edge(int axis, double at) const {
        for (int e : host::kernel::edges_of(host::kernel::entity_of(body_))) {
            int type = 0;
            double p[3], d[3], r = 0;
            ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
            if (type == 3001 && std::fabs(std::fabs(d[axis]) - 1) < 1e-9 && std::fabs(p[1 - axis] - at) < 1e-9 &&
                std::fabs(p[2] - 20) < 1e-9)
                return host::kernel::object_of(e);
        }
        ADD_FAILURE() << "no edge";
        return NULL_TAG;
    }
    // The axis point of the hole's cylindrical face.
    std::vector<double> hole_axis() const {
        for (int f : host::kernel::faces_of(host::kernel::entity_of(body_))) {
            int type = 0, sense = 0;
            double p[3], d[3], r1 = 0, r2 = 0;
            ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
            if (type == ZQ_SURF_CYLINDER && std::fabs(r1 - 5) < 1e-9) return {p[0], p[1]};
        }
        ADD_FAILURE() << "no hole face";
        return {0, 0};
    }
    tag dimension(int kind, tag target, tag tool, const char* formula) const {
        unsigned int c = 0;
        EXPECT_EQ(RPO_create_dimension(hole_, kind, target, tool, formula, &c), 0);
        return c;
    }
    static std::string type_of(tag constraint) {
        char* text = nullptr;
        EXPECT_EQ(KX_MODL_ask_constraint_type(constraint, &text), 0);
        const std::string out = text ? text : "";
        KX_free(text);
        return out;
    }
    // Edits the dimension's expression and updates.
    static void edit(tag constraint, const char* value) {
        int kind = 0, flags[2];
        unsigned int exp = 0, target = 0, tool = 0;
        RPO_ask_dimension(constraint, &kind, &exp, &target, &tool, flags);
        char* text = nullptr;
        ASSERT_EQ(KX_MODL_ask_exp_tag_string(exp, &text), 0);
        const std::string name = std::string(text).substr(0, std::string(text).find('='));
        KX_free(text);
        ASSERT_EQ(KX_MODL_edit_exp((name + "=" + value).c_str()), 0);
        ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    }
    tag hole_ = NULL_TAG;
};

TEST_F(Constraints, HoleWithTwoDimensionsAnswersThemAndMoves) {
    const tag left = top_edge(1, 0), front = top_edge(0, 0);
    const tag h = dimension(RPO_DIM_HORIZONTAL, left, NULL_TAG, "30");
    const tag v = dimension(RPO_DIM_VERTICAL, front, NULL_TAG, "20");

    tag_list* list = nullptr;
    ASSERT_EQ(KX_MODL_ask_constraints(hole_, &list), 0);
    ASSERT_EQ(count(list), 3);
    tag link = NULL_TAG, second = NULL_TAG, third = NULL_TAG;
    KX_MODL_ask_list_item(list, 0, &link);
    KX_MODL_ask_list_item(list, 1, &second);
    KX_MODL_ask_list_item(list, 2, &third);
    KX_MODL_delete_list(&list);
    EXPECT_EQ(second, h);
    EXPECT_EQ(third, v);
    EXPECT_EQ(type_of(link), "LINK_FACE_PARMS_c");
    EXPECT_EQ(type_of(h), "DIM_CONSTRAINT_PARMS_c");

    double plane[12];
    ASSERT_EQ(KX_MODL_ask_link_face_plane(hole_, link, plane), 0);
    const std::vector<double> frame(plane, plane + 9);
    EXPECT_EQ(frame, (std::vector<double>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
    EXPECT_DOUBLE_EQ(plane[11], 20);

    struct Query {
        const char* name;
        tag constraint;
        int axis;
        double value;
        tag edge;
    };
    const auto check = [&](const Query& q) {
        double target[2], tool[2], target_third[2] = {9, 9}, tool_third[2] = {9, 9};
        char* exp = nullptr;
        tag tool_object = 42, target_object = NULL_TAG;
        const auto query = q.axis == 0 ? KX_MODL_ask_horz_dime : KX_MODL_ask_vert_dime;
        ASSERT_EQ(
            query(hole_, q.constraint, 0, target, tool, target_third, tool_third, &exp, &tool_object, &target_object),
            0)
            << q.name;
        EXPECT_NEAR(tool[q.axis] - target[q.axis], q.value, 1e-9) << q.name;
        // The hole's location in the frame: the plane's origin taken off.
        EXPECT_NEAR(tool[0] + plane[9], hole_axis()[0], 1e-9) << q.name;
        EXPECT_NEAR(tool[1] + plane[10], hole_axis()[1], 1e-9) << q.name;
        EXPECT_EQ(std::fabs(target_third[1 - q.axis]), 1) << q.name;  // the edge runs across the dimension
        EXPECT_EQ(tool_third[0], 0) << q.name;                        // a point has no direction
        ASSERT_NE(exp, nullptr);
        const std::string text = exp;
        KX_free(exp);
        char value[32];
        std::snprintf(value, sizeof value, "=%g", q.value);
        EXPECT_EQ(text.substr(text.find('=')), value) << q.name;
        EXPECT_EQ(target_object, q.edge) << q.name;
        EXPECT_EQ(tool_object, 42u) << q.name;  // the tool side is the location: left as it was
    };
    check({"horizontal", h, 0, 30, left});
    check({"vertical", v, 1, 20, front});
    EXPECT_EQ(hole_axis(), (std::vector<double>{30, 20}));

    edit(h, "45");
    EXPECT_NEAR(hole_axis()[0], 45, 1e-9);
    EXPECT_NEAR(hole_axis()[1], 20, 1e-9);
    check({"horizontal_edited", h, 0, 45, left});
    edit(v, "12.5");
    EXPECT_NEAR(hole_axis()[1], 12.5, 1e-9);
    EXPECT_NEAR(volume(), kBlockVolume - kPi * 25 * 8, 1e-6);
    EXPECT_EQ(marks(), 0);

    // Undo takes the move back with the edit.
    ASSERT_EQ(KX_UNDO_set_mark(1, "before", &mark_), 0);
    edit(h, "60");
    EXPECT_NEAR(hole_axis()[0], 60, 1e-9);
    ASSERT_EQ(KX_UNDO_undo_to_mark(mark_, nullptr), 0);
    EXPECT_NEAR(hole_axis()[0], 45, 1e-9);
}

// A dimension whose value differs from the distance measured moves the
// feature at the next update.
TEST_F(Constraints, DimensionMadeWithAnotherValueMovesTheFeature) {
    dimension(RPO_DIM_HORIZONTAL, top_edge(1, 0), NULL_TAG, "35");
    EXPECT_NEAR(hole_axis()[0], 30, 1e-9);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(hole_axis()[0], 35, 1e-9);
}

// The other kinds: parallel, perpendicular (to an edge, and to a face: a
// point as segment), angle and parallel edge.
TEST_F(Constraints, QueriesOfEachKind) {
    const tag left = top_edge(1, 0), front = top_edge(0, 0);
    double plane[12];
    const tag para = dimension(RPO_DIM_PARALLEL, left, NULL_TAG, nullptr);
    tag_list* list = nullptr;
    ASSERT_EQ(KX_MODL_ask_constraints(hole_, &list), 0);
    tag link = NULL_TAG;
    KX_MODL_ask_list_item(list, 0, &link);
    KX_MODL_delete_list(&list);
    ASSERT_EQ(KX_MODL_ask_link_face_plane(hole_, link, plane), 0);

    double a[2], b[2], c[2], d[2];
    char* exp = nullptr;
    tag tool = NULL_TAG, target = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_para_dist(hole_, para, 0, a, b, c, d, &exp, &tool, &target), 0);
    EXPECT_NEAR(std::hypot(b[0] - a[0], b[1] - a[1]), 30, 1e-9);
    EXPECT_NE(std::string(exp).find("=30"), std::string::npos);
    KX_free(exp);

    // Perpendicular to the left edge: its two ends, the tool point.
    const tag perp = dimension(RPO_DIM_PERPENDICULAR, left, NULL_TAG, nullptr);
    double s1[2] = {7, 7}, s2[2] = {7, 7}, p[2] = {7, 7}, t[2] = {7, 7};
    exp = nullptr;
    ASSERT_EQ(KX_MODL_ask_perp_dist(hole_, perp, 0, s1, s2, p, t, &exp, &tool, &target), 0);
    EXPECT_NEAR(s1[0] + plane[9], 0, 1e-9);
    EXPECT_NEAR(std::fabs(s2[1] - s1[1]), 50, 1e-9);
    EXPECT_NEAR(p[0] + plane[9], 30, 1e-9);
    KX_free(exp);
    // Perpendicular to the left side face: a degenerate target segment
    // leaves the outputs as they were.
    const tag to_face = dimension(RPO_DIM_PERPENDICULAR, face({-1, 0, 0}), NULL_TAG, nullptr);
    double u1[2] = {7, 7}, u2[2] = {7, 7}, u3[2] = {7, 7}, u4[2] = {7, 7};
    exp = nullptr;
    target = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_perp_dist(hole_, to_face, 0, u1, u2, u3, u4, &exp, &tool, &target), 0);
    EXPECT_EQ(u1[0], 7);
    EXPECT_EQ(u4[1], 7);
    EXPECT_EQ(target, face({-1, 0, 0}));
    KX_free(exp);

    // Angle and parallel edge against the front edge from a pad's edge.
    double at[] = {60, 25, 20}, up[] = {0, 0, 1}, x[] = {1, 0, 0};
    const char* sizes[] = {"20", "10", "5"};
    tag pad = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_rect_pad(at, up, x, sizes, "0", "0", top_, &pad), 0);
    unsigned int pad_edge = 0;
    for (int e : host::kernel::edges_of(host::kernel::entity_of(body_))) {
        int type = 0;
        double q[3], dir[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &type, q, dir, &r);
        if (type == 3001 && std::fabs(std::fabs(dir[0]) - 1) < 1e-9 && std::fabs(q[1] - 20) < 1e-9 &&
            std::fabs(q[2] - 25) < 1e-9)
            pad_edge = host::kernel::object_of(e);
    }
    ASSERT_NE(pad_edge, 0u);
    unsigned int angle = 0, para_edge = 0;
    ASSERT_EQ(RPO_create_dimension(pad, RPO_DIM_ANGLE, front, pad_edge, nullptr, &angle), 0);
    ASSERT_EQ(RPO_create_dimension(pad, RPO_DIM_PARALLEL_EDGE, front, pad_edge, nullptr, &para_edge), 0);
    double mid_target[2], target_point[2], mid_tool[2], tool_point[2];
    exp = nullptr;
    ASSERT_EQ(
        KX_MODL_ask_angle_edge(pad, angle, 0, mid_target, target_point, mid_tool, tool_point, &exp, &tool, &target), 0);
    EXPECT_NEAR(mid_target[0] + plane[9], 50, 1e-9);  // the front edge runs from x 0 to 100
    EXPECT_NEAR(mid_tool[0] + plane[9], 60, 1e-9);
    EXPECT_NE(std::string(exp).find("=0"), std::string::npos);
    EXPECT_EQ(tool, pad_edge);
    EXPECT_EQ(target, front);
    KX_free(exp);

    double e1[2], e2[2], e3[2], e4[2];
    int flag = -1;
    exp = reinterpret_cast<char*>(1);
    ASSERT_EQ(KX_MODL_ask_para_edge(pad, para_edge, 0, e1, e2, e3, e4, &flag, &exp, &tool, &target), 0);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(exp, nullptr);
    // Reported in one sense, whichever way the pad's edge runs.
    EXPECT_GT((e2[0] - e1[0]) * (e4[0] - e3[0]) + (e2[1] - e1[1]) * (e4[1] - e3[1]), 0);
    EXPECT_NEAR(e3[1] - e1[1], 20, 1e-9);
}

// Two antiparallel edges are reported in one sense: the tool segment's
// points come out swapped.
TEST_F(Constraints, AntiparallelEdgesAreReportedInOneSense) {
    const tag front = top_edge(0, 0);
    double f1[3], f2[3];
    PX_edge_ask_vertices(front, f1, f2);
    // An edge of the block along X running the other way.
    unsigned int other = 0;
    double o1[3] = {}, o2[3] = {};
    for (int e : host::kernel::edges_of(host::kernel::entity_of(body_))) {
        const unsigned int object = host::kernel::object_of(e);
        int type = 0;
        double q[3], dir[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &type, q, dir, &r);
        if (type != 3001 || object == front || std::fabs(std::fabs(dir[0]) - 1) > 1e-9) continue;
        double a[3], b[3];
        PX_edge_ask_vertices(object, a, b);
        if ((b[0] - a[0]) * (f2[0] - f1[0]) < 0) {
            other = object;
            std::copy(a, a + 3, o1);
            std::copy(b, b + 3, o2);
        }
    }
    ASSERT_NE(other, 0u) << "every edge along X runs the same way";
    unsigned int c = 0;
    ASSERT_EQ(RPO_create_dimension(hole_, RPO_DIM_PARALLEL_EDGE, front, other, nullptr, &c), 0);
    double e1[2], e2[2], e3[2], e4[2];
    int flag = -1;
    char* exp = nullptr;
    tag tool = NULL_TAG, target = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_para_edge(hole_, c, 0, e1, e2, e3, e4, &flag, &exp, &tool, &target), 0);
    EXPECT_EQ(flag, 1);
    tag_list* list = nullptr;
    ASSERT_EQ(KX_MODL_ask_constraints(hole_, &list), 0);
    tag link = NULL_TAG;
    KX_MODL_ask_list_item(list, 0, &link);
    KX_MODL_delete_list(&list);
    double plane[12];
    ASSERT_EQ(KX_MODL_ask_link_face_plane(hole_, link, plane), 0);
    // The tool segment starts at the edge's second point.
    EXPECT_NEAR(e3[0] + plane[9], o2[0], 1e-9);
    EXPECT_NEAR(e4[0] + plane[9], o1[0], 1e-9);
    EXPECT_GT((e2[0] - e1[0]) * (e4[0] - e3[0]), 0);
    EXPECT_EQ(tool, other);
    EXPECT_EQ(target, front);
}

// A parallel-edge dimension to a closed edge (its ends one point): flag 0
// with the expression.
TEST_F(Constraints, ParallelEdgeToAClosedEdgeGivesFlagZero) {
    unsigned int circle = 0;
    for (int e : host::kernel::edges_of(host::kernel::entity_of(body_))) {
        int type = 0;
        double q[3], dir[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &type, q, dir, &r);
        if (type == 3002 && std::fabs(q[2] - 20) < 1e-9) circle = host::kernel::object_of(e);
    }
    ASSERT_NE(circle, 0u);
    unsigned int c = 0;
    ASSERT_EQ(RPO_create_dimension(hole_, RPO_DIM_PARALLEL_EDGE, top_edge(0, 0), circle, "15", &c), 0);
    double e1[2], e2[2], e3[2], e4[2];
    int flag = -1;
    char* exp = nullptr;
    tag tool = NULL_TAG, target = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_para_edge(hole_, c, 0, e1, e2, e3, e4, &flag, &exp, &tool, &target), 0);
    EXPECT_EQ(flag, 0);
    ASSERT_NE(exp, nullptr);
    EXPECT_NE(std::string(exp).find("=15"), std::string::npos);
    KX_free(exp);
    EXPECT_EQ(tool, circle);
}

TEST_F(Constraints, Refusals) {
    // No constraints: 875003 with an empty list to delete.
    tag_list* list = nullptr;
    EXPECT_EQ(KX_MODL_ask_constraints(hole_, &list), KX_MODL_ERR_NO_CONSTRAINTS);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(count(list), 0);
    KX_MODL_delete_list(&list);
    // Not a feature.
    EXPECT_EQ(KX_MODL_ask_constraints(body_, &list), KX_MODL_ERR_NOT_A_FEATURE);
    const tag h = dimension(RPO_DIM_HORIZONTAL, top_edge(1, 0), NULL_TAG, nullptr);
    double a[2], b[2], c[2], d[2], plane[12];
    char* exp = nullptr;
    tag tool = NULL_TAG, target = NULL_TAG;
    EXPECT_EQ(KX_MODL_ask_horz_dime(body_, h, 0, a, b, c, d, &exp, &tool, &target), KX_MODL_ERR_NOT_A_FEATURE);
    // A dimension is no link-face constraint.
    EXPECT_EQ(KX_MODL_ask_link_face_plane(hole_, h, plane), KX_MODL_ERR_WRONG_KIND);
    // A constraint without a record.
    const tag plain = host::feature::add_constraint(hole_, "Plain", 0, {});
    char* type = nullptr;
    EXPECT_EQ(KX_MODL_ask_constraint_type(plain, &type), KX_MODL_ERR_NO_CONSTRAINT_RECORD);
    EXPECT_EQ(type, nullptr);
    EXPECT_EQ(marks(), 0);
}

// A part with a rectangular pocket and a dimensioned hole, saved and opened
// again: the pocket keeps its texts in order, the hole its constraints, and
// an edited dimension still moves the hole.
TEST_F(Constraints, KindsAndDimensionsComeBackFromThePartFile) {
    // The same block and hole in a part of a file of their own.
    const std::string file = (std::filesystem::temp_directory_path() / "kx_constraint_part_file.prt").string();
    std::filesystem::remove(file);
    part_ = host::parts::create(file);
    CONTEXT_set_work_part(part_);
    const char* block_sizes[] = {"100", "50", "20"};
    const double origin[] = {0, 0, 0};
    unsigned int block = 0;
    ASSERT_EQ(FEAT_create(part_, "BLOCK", 3, block_sizes, 3, origin, 0, nullptr, 0, 0, &block), 0);
    body_ = FREC_ask_body(block);
    top_ = face({0, 0, 1});
    double hole_at[] = {30, 20, 20}, down[] = {0, 0, -1};
    ASSERT_EQ(KX_MODL_create_simple_hole(hole_at, down, "10", "8", "0", top_, NULL_TAG, &hole_), 0);

    const tag h = dimension(RPO_DIM_HORIZONTAL, top_edge(1, 0), NULL_TAG, "30");
    double at[] = {70, 25, 20}, into[] = {0, 0, -1}, x[] = {1, 0, 0};
    const char* sizes[] = {"20", "10", "5"};
    tag pocket = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_rect_pocket(at, into, x, sizes, "1", "0", "0", top_, &pocket), 0);
    edit(h, "25");
    const double before = volume();
    part_ = kxtest::reopen_part(part_, file, fresh);
    std::filesystem::remove(file);
    ASSERT_NE(part_, 0u);

    tag hole = NULL_TAG, reopened = NULL_TAG;
    for (unsigned int f : host::feature::features_of_part(part_)) {
        const host::feature::Record* r = host::feature::find(f);
        if (r->kind == "SIMPLE HOLE") hole = f;
        if (r->kind == "RECT_POCKET") reopened = f;
        if (r->kind == "BLOCK") body_ = r->body;
    }
    ASSERT_NE(hole, NULL_TAG);
    ASSERT_NE(reopened, NULL_TAG);
    EXPECT_NEAR(volume(), before, 1e-6);
    EXPECT_EQ(formulas(reopened), (std::vector<std::string>{"20", "10", "5", "1", "0", "0"}));
    tag_list* list = nullptr;
    ASSERT_EQ(KX_MODL_ask_constraints(hole, &list), 0);
    ASSERT_EQ(count(list), 2);
    tag dim = NULL_TAG;
    KX_MODL_ask_list_item(list, 1, &dim);
    KX_MODL_delete_list(&list);
    EXPECT_EQ(type_of(dim), "DIM_CONSTRAINT_PARMS_c");
    EXPECT_NEAR(hole_axis()[0], 25, 1e-9);
    edit(dim, "40");
    EXPECT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(hole_axis()[0], 40, 1e-9);
    EXPECT_NEAR(volume(), before, 1e-6);
}

int g_calls = 0;

TEST_F(Constraints, RegisteredRoutineIsAskedAndReplaced) {
    int (*routine)(tag) = reinterpret_cast<int (*)(tag)>(1);
    EXPECT_EQ(KX_MODL_ask_rpo_routine(&routine), 0);
    EXPECT_EQ(routine, nullptr);
    const auto first = +[](tag) { return 0; };
    const auto second = +[](tag) {
        ++g_calls;
        return 0;
    };
    EXPECT_EQ(KX_MODL_register_rpo_routine(first), 0);
    EXPECT_EQ(KX_MODL_register_rpo_routine(second), 0);
    EXPECT_EQ(KX_MODL_ask_rpo_routine(&routine), 0);
    EXPECT_EQ(routine, second);
    double at[] = {70, 20, 20}, into[] = {0, 0, -1};
    tag out = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_simple_hole(at, into, "4", "4", "0", top_, NULL_TAG, &out), 0);
    EXPECT_EQ(g_calls, 1);
    EXPECT_EQ(KX_MODL_unregister_rpo_routine(), 0);
    EXPECT_EQ(KX_MODL_ask_rpo_routine(&routine), 0);
    EXPECT_EQ(routine, nullptr);
    at[0] = 80;
    ASSERT_EQ(KX_MODL_create_simple_hole(at, into, "4", "4", "0", top_, NULL_TAG, &out), 0);
    EXPECT_EQ(g_calls, 1);
}

#ifdef KX_TEST_RPO_PLUGIN_PATH
// A routine of a user library: the library stays loaded after the program
// lets go of it, also after unregistering.
TEST_F(Constraints, UserLibraryOfTheRoutineStaysLoaded) {
    void* lib = dlopen(KX_TEST_RPO_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto reg_fn = reinterpret_cast<int (*)()>(dlsym(lib, "rpo_plugin_register"));
    auto calls_fn = reinterpret_cast<int (*)()>(dlsym(lib, "rpo_plugin_calls"));
    auto last_fn = reinterpret_cast<tag (*)()>(dlsym(lib, "rpo_plugin_last"));
    ASSERT_TRUE(reg_fn && calls_fn && last_fn);
    const int before = calls_fn();
    ASSERT_EQ(reg_fn(), 0);
    ASSERT_EQ(dlclose(lib), 0);
    double at[] = {70, 20, 20}, into[] = {0, 0, -1};
    tag out = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_simple_hole(at, into, "4", "4", "0", top_, NULL_TAG, &out), 0);
    EXPECT_EQ(calls_fn() - before, 1);
    EXPECT_EQ(last_fn(), out);
    EXPECT_EQ(KX_MODL_unregister_rpo_routine(), 0);
    void* again = dlopen(KX_TEST_RPO_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(again, nullptr) << "the user library was unloaded";
    dlclose(again);
}
#endif

}  // namespace
