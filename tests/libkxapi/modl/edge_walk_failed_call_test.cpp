// Host errors in the dimension queries of a hole and a pad on the 100 x 50
// x 20 block: each row names the query and the host routine that raises
// (at each of its calls that the query makes, one run per call). The query
// answers the injected code and hands out no expression text (the caller
// frees the text of a query that went through only); it keeps no block,
// leaves the model and the undo marks as they were and no frame armed.
#include <functional>
#include <string>
#include <vector>

#include "host/control/faultsim.h"
#include "host/model/feature/positioning.h"
#include "kx_modl_constraint.h"
#include "tests/libkxapi/modl/form_fixture.h"
#include "tests/support/faultsim.h"

namespace {

using namespace form_test;

class EdgeDimensionFailure : public FormFeature {
public:
    // A hole of 10 at (30, 20) with a dimension of the kind from the
    // block's top edge along the axis (0: the front one, 1: the left one)
    // to its location, or to its rim when asked.
    tag hole_dimension(int kind, int axis, bool to_rim) {
        double at[] = {30, 20, 20}, into[] = {0, 0, -1};
        EXPECT_EQ(KX_MODL_create_simple_hole(at, into, "10", "8", "0", top_, NULL_TAG, &feature_), 0);
        const tag target = top_edge(axis, {0, 0, 20});
        unsigned int c = 0;
        EXPECT_EQ(RPO_create_dimension(feature_, kind, target, to_rim ? rim() : NULL_TAG, "17", &c), 0);
        return c;
    }
    // A pad 23 x 9 x 4 at (61, 27) whose long top edge (z 24, y above 27)
    // makes an angle dimension with the block's front top edge.
    tag pad_angle() {
        double at[] = {61, 27, 20}, up[] = {0, 0, 1}, x[] = {1, 0, 0};
        const char* sizes[] = {"23", "9", "4"};
        EXPECT_EQ(KX_MODL_create_rect_pad(at, up, x, sizes, "0", "0", top_, &feature_), 0);
        tag pad_edge = NULL_TAG;
        for (int e : host::kernel::edges_of(host::kernel::entity_of(body_))) {
            int type = 0;
            double p[3], d[3], r = 0;
            ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
            if (type == 3001 && std::fabs(std::fabs(d[0]) - 1) < 1e-9 && std::fabs(p[2] - 24) < 1e-9 && p[1] > 27)
                pad_edge = host::kernel::object_of(e);
        }
        EXPECT_NE(pad_edge, NULL_TAG);
        unsigned int c = 0;
        EXPECT_EQ(RPO_create_dimension(feature_, RPO_DIM_ANGLE, top_edge(0, {0, 0, 20}), pad_edge, "0", &c), 0);
        return c;
    }
    // The straight edge along the axis through the point (the axis
    // coordinate ignored).
    tag top_edge(int axis, std::vector<double> at) const {
        for (int e : host::kernel::edges_of(host::kernel::entity_of(body_))) {
            int type = 0;
            double p[3], d[3], r = 0;
            ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
            if (type != 3001 || std::fabs(std::fabs(d[axis]) - 1) > 1e-9) continue;
            bool on = true;
            for (int i = 0; i < 3; ++i)
                if (i != axis && std::fabs(p[i] - at[i]) > 1e-9) on = false;
            if (on) return host::kernel::object_of(e);
        }
        ADD_FAILURE() << "no edge";
        return NULL_TAG;
    }
    // The hole's rim on the top face.
    tag rim() const {
        for (int e : host::kernel::edges_of(host::kernel::entity_of(body_))) {
            int type = 0;
            double p[3], d[3], r = 0;
            ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
            if (type == 3002 && std::fabs(p[2] - 20) < 1e-9) return host::kernel::object_of(e);
        }
        ADD_FAILURE() << "no rim";
        return NULL_TAG;
    }

    tag feature_ = NULL_TAG;
};

using Query = int (*)(tag, tag, int, double*, double*, double*, double*, char**, tag*, tag*);
using Ask = std::function<int(char**)>;

// The query of a row: its set-up builds the model and answers the query,
// which puts the expression text into its argument.
struct Row {
    const char* function;
    const char* routine;
    std::function<Ask(EdgeDimensionFailure&)> set_up;
};

TEST_F(EdgeDimensionFailure, FailedQueriesHandOutNoText) {
    const auto on_hole = [](int kind, int axis, Query query) {
        return [=](EdgeDimensionFailure& t) -> Ask {
            const tag c = t.hole_dimension(kind, axis, false);
            return [&t, c, query](char** text) {
                double a[2], b[2], m[2], d[2];
                tag tool = NULL_TAG, target = NULL_TAG;
                return query(t.feature_, c, 0, a, b, m, d, text, &tool, &target);
            };
        };
    };
    const auto vertical = on_hole(RPO_DIM_VERTICAL, 0, KX_MODL_ask_vert_dime);
    const auto perpendicular = on_hole(RPO_DIM_PERPENDICULAR, 1, KX_MODL_ask_perp_dist);
    const auto angle = [](EdgeDimensionFailure& t) -> Ask {
        const tag c = t.pad_angle();
        return [&t, c](char** text) {
            double a[2], b[2], m[2], d[2];
            tag tool = NULL_TAG, target = NULL_TAG;
            return KX_MODL_ask_angle_edge(t.feature_, c, 0, a, b, m, d, text, &tool, &target);
        };
    };
    // To the rim, a closed edge: the text is read.
    const auto to_rim = [](EdgeDimensionFailure& t) -> Ask {
        const tag c = t.hole_dimension(RPO_DIM_PARALLEL_EDGE, 1, true);
        return [&t, c](char** text) {
            double a[2], b[2], m[2], d[2];
            int flag = -1;
            tag tool = NULL_TAG, target = NULL_TAG;
            return KX_MODL_ask_para_edge(t.feature_, c, 0, a, b, m, d, &flag, text, &tool, &target);
        };
    };
    const Row rows[] = {
        // The dimension's geometry fails (the host answers its code as a
        // status): the query fails with it and reads no text.
        {"KX_MODL_ask_vert_dime", "ZQ_FACE_ask_data", vertical},
        {"KX_MODL_ask_perp_dist", "PX_edge_ask_vertices", perpendicular},
        {"KX_MODL_ask_angle_edge", "PX_edge_ask_vertices", angle},
        // The text is read, then the query's undo mark cannot be deleted:
        // the query fails and gives the text back.
        {"KX_MODL_ask_vert_dime", "UNDO_JQ_delete_mark", vertical},
        {"KX_MODL_ask_angle_edge", "UNDO_JQ_delete_mark", angle},
        {"KX_MODL_ask_para_edge", "UNDO_JQ_delete_mark", to_rim},
    };
    for (const Row& r : rows) {
        TearDown();
        SetUp();
        const Ask clean = r.set_up(*this);
        char* text = nullptr;
        const int first = host::control::call_count(r.routine);
        ASSERT_EQ(clean(&text), 0) << r.function << " clean";
        const int calls = host::control::call_count(r.routine) - first;
        ASSERT_NE(text, nullptr) << r.function;
        KX_free(text);
        ASSERT_GT(calls, 0) << r.function << " makes no call of " << r.routine;
        for (int nth = 1; nth <= calls; ++nth) {
            SCOPED_TRACE(std::string(r.function) + " with " + r.routine + " #" + std::to_string(nth));
            TearDown();
            SetUp();
            const Ask ask = r.set_up(*this);
            const std::size_t blocks = host::control::live_blocks();
            const std::string model = host::control::model_fingerprint();
            host::control::raise_on(r.routine, faultsim::kInjectedCode, nth);
            text = nullptr;
            const int st = ask(&text);
            host::control::clear_scripts();
            EXPECT_EQ(st, faultsim::kInjectedCode);
            EXPECT_EQ(text, nullptr);
            EXPECT_EQ(host::control::live_blocks(), blocks);
            EXPECT_EQ(host::control::model_fingerprint(), model);
            EXPECT_EQ(host::control::frame_depth(), 0);
            EXPECT_EQ(marks(), 0);
            if (st != 0 && text != nullptr) KX_free(text);
        }
    }
}

}  // namespace
