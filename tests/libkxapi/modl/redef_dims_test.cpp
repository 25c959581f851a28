// Positioning dimensions moved onto other entities: a hole follows its
// horizontal dimension onto the block's other edge; the qualifier table and
// the choice of a centerline for a null tool; each refusal leaves the
// dimension and the model as they were.
#include <cmath>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/apps/modeling/redefine/redefine_centerlines.h"
#include "tests/libkxapi/modl/redef_fixture.h"

namespace {

using redef_test::Redefine;

class Dims : public Redefine {
protected:
    void SetUp() override {
        Redefine::SetUp();
        elsewhere_ = other_body_top();
        hole_ = hole();
        ASSERT_EQ(RPO_create_dimension(hole_, RPO_DIM_HORIZONTAL, block_edge(1, 0), NULL_TAG, "30", &dim_), 0);
    }
    struct Dim {
        unsigned int target, tool;
        int tool_pair[2], target_pair[2];
        bool operator==(const Dim& o) const {
            return target == o.target && tool == o.tool && tool_pair[0] == o.tool_pair[0] &&
                   tool_pair[1] == o.tool_pair[1] && target_pair[0] == o.target_pair[0] &&
                   target_pair[1] == o.target_pair[1];
        }
    };
    static Dim dim(tag c) {
        Dim d{};
        int kind = 0, flags[2];
        unsigned int exp = 0;
        RPO_ask_dimension(c, &kind, &exp, &d.target, &d.tool, flags);
        RPO_ask_dim_qualifiers(c, d.tool_pair, d.target_pair);
        return d;
    }
    static std::vector<tag> centerlines(tag feature) {
        int n = 0;
        unsigned int* raw = nullptr;
        RPO_CL_get_centerlines(feature, &n, &raw);
        std::vector<tag> out(raw, raw + n);
        SM_free(raw);
        return out;
    }
    // The circular edge of the feature whose centre is at height z.
    static tag circle_at(tag feature, double z) {
        int count = 0;
        int* faces = nullptr;
        ZQ_GROUP_ask_entities(feature, &count, &faces);
        const std::vector<int> of(faces, faces + count);
        SM_free(faces);
        for (int f : of) {
            int* edges = nullptr;
            int n = 0;
            KI_idcoen_sm(f, ZQ_CLASS_EDGE, &edges, &n);
            const std::vector<int> es(edges, edges + n);
            SM_free(edges);
            for (int e : es) {
                int type = 0;
                double p[3], d[3], r = 0;
                ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
                if (type == ZQ_CURVE_CIRCLE && std::fabs(p[2] - z) < 1e-9) return host::kernel::object_of(e);
            }
        }
        ADD_FAILURE() << "no circle";
        return NULL_TAG;
    }
    tag line(double x0, double y0, double x1, double y1) const {
        const double ends[] = {x0, y0, 20, x1, y1, 20};
        unsigned int made = 0;
        ES_create_line_in_part(part_, ends, &made);
        return made;
    }
    tag elsewhere_ = NULL_TAG, hole_ = NULL_TAG;
    unsigned int dim_ = 0;
};

TEST_F(Dims, HoleFollowsItsDimensionOntoTheOtherEdge) {
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(location(hole_)[0], 30, 1e-9);
    const tag right = block_edge(1, 100);
    ASSERT_EQ(KX_MODL_redefine_rpo_constraint(dim_, right, 1, NULL_TAG, 5), 0);
    EXPECT_EQ(marks(), 0);
    const Dim d = dim(dim_);
    EXPECT_EQ(d.target, right);
    ASSERT_EQ(centerlines(hole_).size(), 1u);
    EXPECT_EQ(d.tool, centerlines(hole_)[0]) << "the hole's centerline, an arc";
    EXPECT_EQ(d.tool_pair[0], 2) << "an arc takes qualifier 0";
    EXPECT_EQ(d.tool_pair[1], 0);
    EXPECT_EQ(d.target_pair[0], 3);
    EXPECT_EQ(d.target_pair[1], 0);
    EXPECT_NEAR(location(hole_)[0], 30, 1e-9) << "nothing moves before the update";
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(location(hole_)[0], 70, 1e-9) << "30 from the right edge";
    EXPECT_NEAR(location(hole_)[1], 25, 1e-9);
    const tag wall = face_of_feature(hole_, ZQ_SURF_CYLINDER);
    int type = 0, sense = 0;
    double p[3], dir[3], r1 = 0, r2 = 0;
    ZQ_FACE_ask_data(host::kernel::entity_of(wall), &type, p, dir, &r1, &r2, &sense);
    EXPECT_NEAR(p[0], 70, 1e-9) << "the body's hole moved with it";
    EXPECT_NEAR(volume(), form_test::kBlockVolume - form_test::kPi * 25 * 8, 1e-6 * form_test::kBlockVolume);
}

TEST_F(Dims, QualifierTable) {
    const tag left = block_edge(1, 0);
    struct Case {
        int qualifier;
        int pair[2];
    };
    for (const Case& c : std::vector<Case>{
             {0, {2, 0}}, {1, {3, 0}}, {2, {1, 1}}, {3, {1, 100}}, {4, {1, 1}}, {-1, {1, 1}}, {99, {1, 1}}}) {
        ASSERT_EQ(KX_MODL_redefine_rpo_constraint(dim_, left, c.qualifier, NULL_TAG, 0), 0) << c.qualifier;
        const Dim d = dim(dim_);
        EXPECT_EQ(d.target_pair[0], c.pair[0]) << c.qualifier;
        EXPECT_EQ(d.target_pair[1], c.pair[1]) << c.qualifier;
    }
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(location(hole_)[0], 30, 1e-9) << "the same edge: the hole stays";
}

TEST_F(Dims, CenterlineChoices) {
    const tag s = slot();
    unsigned int c = 0;
    ASSERT_EQ(RPO_create_dimension(s, RPO_DIM_HORIZONTAL, block_edge(1, 0), NULL_TAG, "50", &c), 0);
    const std::vector<tag> lines = centerlines(s);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(RPO_CL_is_cl_of_feat(lines[1], s), 1);
    EXPECT_EQ(RPO_CL_is_cl_of_feat(lines[1], hole_), 0);
    struct Case {
        int qualifier;
        std::size_t line;
        int pair[2];
    };
    for (const Case& k : std::vector<Case>{{2, 0, {1, 1}},
                                           {4, 0, {1, 1}},
                                           {6, 1, {1, 1}},
                                           {7, 1, {1, 100}},
                                           {0, 0, {1, 100}},
                                           {5, 0, {1, 100}}}) {
        ASSERT_EQ(KX_MODL_redefine_rpo_constraint(c, block_edge(1, 0), 0, NULL_TAG, k.qualifier), 0) << k.qualifier;
        const Dim d = dim(c);
        EXPECT_EQ(d.tool, lines[k.line]) << k.qualifier;
        EXPECT_EQ(d.tool_pair[0], k.pair[0]) << k.qualifier;
        EXPECT_EQ(d.tool_pair[1], k.pair[1]) << k.qualifier;
    }
    // One centerline: 6 and 7 take it; an arc always qualifies 0.
    for (int q : {6, 7, 2}) {
        ASSERT_EQ(KX_MODL_redefine_rpo_constraint(dim_, block_edge(1, 0), 0, NULL_TAG, q), 0) << q;
        EXPECT_EQ(dim(dim_).tool, centerlines(hole_)[0]) << q;
        EXPECT_EQ(dim(dim_).tool_pair[0], 2) << q;
    }
    // A given tool is taken as given: the hole's own floor edge.
    const tag floor_edge = circle_at(hole_, 12);
    ASSERT_EQ(KX_MODL_redefine_rpo_constraint(dim_, block_edge(1, 0), 0, floor_edge, 2), 0);
    EXPECT_EQ(dim(dim_).tool, floor_edge);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_LE(std::fabs(location(hole_)[0] - 30), 5 + 1e-6) << "measured from the rim, 5 from the axis";
}

TEST_F(Dims, RefusalsLeaveTheDimensionAsItWas) {
    const tag later = boss();
    const tag s = slot();
    ASSERT_EQ(KX_MODL_update(), 0);
    unsigned int perp = 0;
    ASSERT_EQ(RPO_create_dimension(later, RPO_DIM_PERPENDICULAR, block_edge(0, 0), NULL_TAG, "25", &perp), 0);
    const unsigned int link = rpo_ask_link_face_constraint(hole_);
    int n = 0;
    int* edges = nullptr;
    KI_idcoen_sm(host::kernel::entity_of(elsewhere_), ZQ_CLASS_EDGE, &edges, &n);
    const tag other_edge = host::kernel::object_of(edges[0]);
    SM_free(edges);
    const double point_at[] = {1, 1, 20};
    unsigned int point = 0;
    ES_create_point(point_at, &point);
    const tag left = block_edge(1, 0);
    const tag plain_line = line(0, 0, 10, 0);
    const tag slot_line = centerlines(s)[0];
    struct Case {
        const char* name;
        unsigned int constraint;
        tag target;
        tag tool;
        int code;
    };
    for (const Case& c : std::vector<Case>{
             {"null_constraint", 0, left, NULL_TAG, 875002},
             {"feature_as_constraint", hole_, left, NULL_TAG, 875002},
             {"link_face_constraint", link, left, NULL_TAG, 875002},
             {"null_target", dim_, NULL_TAG, NULL_TAG, 875033},
             {"feature_as_target", dim_, later, NULL_TAG, 875033},
             {"target_made_later", dim_, circle_at(later, 20), NULL_TAG, 875167},
             {"target_on_other_body", dim_, other_edge, NULL_TAG, 875166},
             {"tool_of_the_block", dim_, left, top_, 875292},
             {"tool_rim_shared_with_block", dim_, left, circle_at(hole_, 20), 875292},
             {"tool_plain_line", dim_, left, plain_line, 875292},
             {"tool_point", dim_, left, point, 875033},
             {"tool_centerline_of_another", dim_, left, slot_line, 875292},
             {"perpendicular_to_a_circle", perp, circle_at(hole_, 12), NULL_TAG, 875170},
             {"perpendicular_to_a_face", perp, top_, NULL_TAG, 875033},
             {"perpendicular_to_a_point", perp, point, NULL_TAG, 875033},
         }) {
        const unsigned int shown = c.constraint == perp ? perp : dim_;
        const Dim before = dim(shown);
        const State kept = state(hole_);
        EXPECT_EQ(KX_MODL_redefine_rpo_constraint(c.constraint, c.target, 0, c.tool, 0), c.code) << c.name;
        EXPECT_EQ(dim(shown), before) << c.name;
        EXPECT_EQ(state(hole_), kept) << c.name;
    }
    // A line passes where a straight edge is needed.
    ASSERT_EQ(KX_MODL_redefine_rpo_constraint(perp, plain_line, 0, NULL_TAG, 0), 0);
    EXPECT_EQ(dim(perp).target, plain_line);
}

TEST_F(Dims, HostErrorRollsBack) {
    for (const char* routine : {"RPO_set_dim_references", "UPDATE_log_object_to_update", "RPO_CL_get_centerlines"}) {
        const Dim before = dim(dim_);
        const State kept = state(hole_);
        host::control::raise_on(routine, 670004);
        EXPECT_EQ(KX_MODL_redefine_rpo_constraint(dim_, block_edge(1, 100), 0, NULL_TAG, 0), 670004) << routine;
        host::control::clear_scripts();
        EXPECT_EQ(dim(dim_), before) << routine;
        EXPECT_EQ(state(hole_), kept) << routine;
        EXPECT_TRUE(centerlines(hole_).size() <= 1u);
    }
}

}  // namespace
