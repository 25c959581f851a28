// Host errors raised inside modelling functions: each row names the
// function, the host routine that raises (at each of its calls that the
// function makes, one run per call) and the outcome. A call that fails
// leaves the model, the undo marks and the live blocks as before it; no
// error passes the function's frame; no frame stays armed.
#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "host/control/faultsim.h"
#include "host/kernel/engine/codes.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/positioning.h"
#include "kx_brep.h"
#include "kx_modl_body_ops.h"
#include "kx_modl_geometry.h"
#include "kx_modl_constraint.h"
#include "kx_modl_dfo.h"
#include "kx_obj.h"
#include "tests/libkxapi/modl/form_fixture.h"

namespace {

using namespace form_test;

constexpr int kInjected = 670099;

class FailedCall : public FormFeature {
public:
    using FormFeature::body_;
    using FormFeature::bottom_;
    using FormFeature::top_;

    // What a row expects of every run.
    enum class Outcome {
        fails,           // a non-zero status, the model as before
        fails_with_code  // the injected code itself, the model as before
    };
    struct Row {
        const char* function;
        const char* routine;
        Outcome outcome;
        // Builds what the call needs, then makes the call through call().
        std::function<int(FailedCall&)> run;
    };

    // The call of a row: the raise is scripted on its nth call of the
    // routine (0: none, the clean run, which counts the calls).
    int call(const std::function<int()>& f) {
        calls_before_ = host::control::call_count(routine_);
        blocks_ = host::control::live_blocks();
        model_ = host::control::model_fingerprint();
        if (nth_ > 0) host::control::raise_on(routine_.c_str(), kInjected, nth_);
        const int st = f();
        host::control::clear_scripts();
        calls_made_ = host::control::call_count(routine_) - calls_before_;
        // A free that raised kept its block (the host gives it back only
        // when the free goes through): the test gives it back, unless the
        // call gave back its memory when it failed (the free of a block it
        // no longer holds is refused then).
        if (nth_ > 0 && routine_ == "SM_free" && calls_made_ >= nth_) {
            const auto records = host::control::calls("SM_free");
            void* kept = reinterpret_cast<void*>(records[static_cast<std::size_t>(calls_before_ + nth_ - 1)].arg[0]);
            const std::size_t live = host::control::live_blocks();
            const std::optional<int> refused = host::control::raised_code([&] { SM_free(kept); });
            if (refused) {
                EXPECT_EQ(host::control::live_blocks(), live);
            }
        }
        EXPECT_EQ(host::control::frame_depth(), 0);
        if (nth_ > 0 && st != 0) {
            EXPECT_EQ(host::control::model_fingerprint(), model_);
            EXPECT_EQ(host::control::live_blocks(), blocks_);
        }
        return st;
    }

    void run_rows(std::initializer_list<Row> rows) {
        for (const Row& r : rows) {
            routine_ = r.routine;
            nth_ = 0;
            TearDown();
            SetUp();
            {
                SCOPED_TRACE(std::string(r.function) + " clean");
                ASSERT_EQ(r.run(*this), 0);
            }
            const int n = calls_made_;
            ASSERT_GT(n, 0) << r.function << " makes no call of " << r.routine;
            for (nth_ = 1; nth_ <= n; ++nth_) {
                SCOPED_TRACE(std::string(r.function) + " with " + r.routine + " #" + std::to_string(nth_));
                TearDown();
                SetUp();
                const int st = r.run(*this);
                if (r.outcome == Outcome::fails_with_code) EXPECT_EQ(st, kInjected);
                else EXPECT_NE(st, 0);
            }
        }
    }

    // A hole in the top face with a dimension of the kind from the
    // block's left top edge (to the hole's rim when asked, else to its
    // location).
    tag hole_with_dimension(int kind, bool to_rim = false) {
        double at[] = {30, 20, 20}, into[] = {0, 0, -1};
        EXPECT_EQ(KX_MODL_create_simple_hole(at, into, "10", "8", "0", top_, NULL_TAG, &hole_), 0);
        tag left = NULL_TAG, rim = NULL_TAG;
        for (int e : host::kernel::edges_of(host::kernel::entity_of(body_))) {
            int type = 0;
            double p[3], d[3], r = 0;
            ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
            if (type == 3001 && std::fabs(std::fabs(d[1]) - 1) < 1e-9 && std::fabs(p[0]) < 1e-9 &&
                std::fabs(p[2] - 20) < 1e-9)
                left = host::kernel::object_of(e);
            if (to_rim && type == 3002 && std::fabs(p[2] - 20) < 1e-9) rim = host::kernel::object_of(e);
        }
        unsigned int c = 0;
        EXPECT_EQ(RPO_create_dimension(hole_, kind, left, rim, "30", &c), 0);
        return c;
    }
    tag_list* list_of(std::initializer_list<tag> tags) {
        tag_list* list = nullptr;
        EXPECT_EQ(KX_MODL_create_list(&list), 0);
        for (tag t : tags) EXPECT_EQ(KX_MODL_put_list_item(list, t), 0);
        return list;
    }

    std::string routine_;
    int nth_ = 0;
    int calls_before_ = 0, calls_made_ = 0;
    std::size_t blocks_ = 0;
    std::string model_;
    tag hole_ = NULL_TAG;
};

// Scale features: the retired entry points note the call (the
// environment is read once) under the frame; the feature is taken inside
// the edit's mark.
TEST_F(FailedCall, ScaleFeatures) {
    run_rows({
        {"KX_MODL_create_uniform_scale", "ENV_translate_variable", Outcome::fails_with_code,
         [](FailedCall& t) {
             tag feature = NULL_TAG;
             return t.call([&] { return KX_MODL_create_uniform_scale(t.body_, NULL_TAG, "1.5", &feature); });
         }},
        {"KX_MODL_create_non_uni_scale", "ENV_translate_variable", Outcome::fails_with_code,
         [](FailedCall& t) {
             tag feature = NULL_TAG;
             const char* factors[3] = {"1.5", "2", "0.5"};
             return t.call([&] { return KX_MODL_create_non_uni_scale(t.body_, NULL_TAG, factors, &feature); });
         }},
        {"KX_MODL_create_uniform_scale", "SM_free", Outcome::fails,
         [](FailedCall& t) {
             tag feature = NULL_TAG;
             return t.call([&] { return KX_MODL_create_uniform_scale(t.body_, NULL_TAG, "1.5", &feature); });
         }},
        {"KX_MODL_create_scale", "SM_free", Outcome::fails,
         [](FailedCall& t) {
             char slots[3][KX_MODL_SCALE_SLOT_CHARS] = {"1.5", "1.5", "1.5"};
             tag* features = nullptr;
             const int st = t.call(
                 [&] { return KX_MODL_create_scale(0, &t.body_, 1, NULL_TAG, NULL_TAG, NULL_TAG, slots, &features); });
             KX_free(features);
             return st;
         }},
    });
}

// The instance set's own feature list is given back (kx::release) on
// every way out.
TEST_F(FailedCall, CircularInstanceSet) {
    run_rows({
        {"KX_MODL_create_circular_iset", "SM_free", Outcome::fails,
         [](FailedCall& t) {
             BREF_set_current_target(t.body_);
             double at[] = {30, 25, 20}, into[] = {0, 0, -1};
             tag hole = NULL_TAG;
             EXPECT_EQ(KX_MODL_create_simple_hole(at, into, "6", "10", "0", t.top_, NULL_TAG, &hole), 0);
             tag_list* list = t.list_of({hole});
             double origin[] = {50, 25, 0}, axis[] = {0, 0, 1};
             tag set = NULL_TAG;
             const int st = t.call([&] { return KX_MODL_create_circular_iset(0, origin, "6", "60", axis, list, &set); });
             KX_MODL_delete_list(&list);
             return st;
         }},
    });
}

// A list whose free fails part way stays the caller's: the nodes are
// freed from the tail, the pointer keeps those still live, and a second
// delete gives them back.
TEST_F(FailedCall, DeleteListKeepsWhatItCouldNotFree) {
    for (int nth = 1; nth <= 3; ++nth) {
        SCOPED_TRACE(nth);
        tag_list* list = list_of({body_, top_, side_});
        const std::size_t blocks = host::control::live_blocks();
        host::control::raise_on("SM_free", kInjected, nth);
        const std::optional<int> code = host::control::raised_code([&] { KX_MODL_delete_list(&list); });
        host::control::clear_scripts();
        EXPECT_EQ(code, kInjected);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(count(list), 4 - nth);
        EXPECT_EQ(KX_MODL_delete_list(&list), 0);
        EXPECT_EQ(list, nullptr);
        EXPECT_EQ(host::control::live_blocks(), blocks - 3);
    }
}

// A reorder stands only with the model updated after it: a host error in
// the update fails the reorder, which is taken back.
TEST_F(FailedCall, Reorder) {
    const auto reorder = [](FailedCall& t) {
        double first_at[] = {30, 25, 20}, second_at[] = {70, 25, 20}, into[] = {0, 0, -1};
        tag first = NULL_TAG, second = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_simple_hole(first_at, into, "10", "8", "0", t.top_, NULL_TAG, &first), 0);
        EXPECT_EQ(KX_MODL_create_simple_hole(second_at, into, "6", "8", "0", t.top_, NULL_TAG, &second), 0);
        tag_list* list = t.list_of({second});
        const int st = t.call([&] { return KX_MODL_reorder_feature(first, list, 1); });
        KX_MODL_delete_list(&list);
        return st;
    };
    run_rows({
        {"KX_MODL_reorder_feature", "UPDATE_do_update", Outcome::fails, reorder},
        {"KX_MODL_reorder_feature", "UNDO_JQ_set_mark", Outcome::fails, reorder},
    });
}

// The dimension queries read the dimension's expression text last: a raise
// there fails the query and hands back no text.
TEST_F(FailedCall, DimensionQueries) {
    using Query = int (*)(tag, tag, int, double*, double*, double*, double*, char**, tag*, tag*);
    const auto row = [](const char* function, const char* routine, int kind, Query query) {
        return Row{function, routine, Outcome::fails_with_code, [kind, query](FailedCall& t) {
                       const tag dimension = t.hole_with_dimension(kind);
                       double a[2], b[2], c[2], d[2];
                       char* text = nullptr;
                       tag tool = NULL_TAG, target = NULL_TAG;
                       const int st = t.call([&] { return query(t.hole_, dimension, 0, a, b, c, d, &text, &tool, &target); });
                       if (st != 0) EXPECT_EQ(text, nullptr);
                       else EXPECT_NE(text, nullptr);
                       KX_free(text);
                       return st;
                   }};
    };
    run_rows({
        row("KX_MODL_ask_horz_dime", "EXP_ask_assignment_of_exp_tag", RPO_DIM_HORIZONTAL, KX_MODL_ask_horz_dime),
        row("KX_MODL_ask_horz_dime", "SM_string_copy", RPO_DIM_HORIZONTAL, KX_MODL_ask_horz_dime),
        row("KX_MODL_ask_para_dist", "EXP_ask_assignment_of_exp_tag", RPO_DIM_PARALLEL, KX_MODL_ask_para_dist),
        row("KX_MODL_ask_para_dist", "SM_string_copy", RPO_DIM_PARALLEL, KX_MODL_ask_para_dist),
        row("KX_MODL_ask_perp_dist", "EXP_ask_assignment_of_exp_tag", RPO_DIM_PERPENDICULAR, KX_MODL_ask_perp_dist),
        row("KX_MODL_ask_perp_dist", "SM_string_copy", RPO_DIM_PERPENDICULAR, KX_MODL_ask_perp_dist),
    });
}

// The edge dimensions read the text too: the angle between the block's left
// top edge and a pad's long top edge (a 23 x 9 pad turned by nothing: the
// text is the formula given), and the parallel distance to the hole's rim
// (a closed edge: its segment is a point, so the text is read).
TEST_F(FailedCall, EdgeDimensionQueries) {
    const auto angle = [](FailedCall& t) {
        double at[] = {61, 27, 20}, up[] = {0, 0, 1}, x[] = {1, 0, 0};
        const char* sizes[] = {"23", "9", "4"};
        tag pad = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_rect_pad(at, up, x, sizes, "0", "0", t.top_, &pad), 0);
        tag front = NULL_TAG, pad_edge = NULL_TAG;
        for (int e : host::kernel::edges_of(host::kernel::entity_of(t.body_))) {
            int type = 0;
            double p[3], d[3], r = 0;
            ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
            if (type != 3001 || std::fabs(std::fabs(d[0]) - 1) > 1e-9) continue;
            if (std::fabs(p[1]) < 1e-9 && std::fabs(p[2] - 20) < 1e-9) front = host::kernel::object_of(e);
            if (std::fabs(p[2] - 24) < 1e-9 && p[1] > 27) pad_edge = host::kernel::object_of(e);
        }
        EXPECT_NE(front, NULL_TAG);
        EXPECT_NE(pad_edge, NULL_TAG);
        unsigned int c = 0;
        EXPECT_EQ(RPO_create_dimension(pad, RPO_DIM_ANGLE, front, pad_edge, "0", &c), 0);
        double a[2], b[2], m[2], d[2];
        char* text = nullptr;
        tag tool = NULL_TAG, target = NULL_TAG;
        const int st = t.call([&] { return KX_MODL_ask_angle_edge(pad, c, 0, a, b, m, d, &text, &tool, &target); });
        if (st != 0) EXPECT_EQ(text, nullptr);
        else EXPECT_NE(text, nullptr);
        KX_free(text);
        return st;
    };
    const auto para_edge = [](FailedCall& t) {
        const tag dimension = t.hole_with_dimension(RPO_DIM_PARALLEL_EDGE, true);
        double a[2], b[2], c[2], d[2];
        int flag = -1;
        char* text = nullptr;
        tag tool = NULL_TAG, target = NULL_TAG;
        const int st =
            t.call([&] { return KX_MODL_ask_para_edge(t.hole_, dimension, 0, a, b, c, d, &flag, &text, &tool, &target); });
        if (st != 0) {
            EXPECT_EQ(text, nullptr);
        } else {
            EXPECT_EQ(flag, 0);
            EXPECT_NE(text, nullptr);
        }
        KX_free(text);
        return st;
    };
    run_rows({
        {"KX_MODL_ask_angle_edge", "EXP_ask_assignment_of_exp_tag", Outcome::fails_with_code, angle},
        {"KX_MODL_ask_angle_edge", "SM_string_copy", Outcome::fails_with_code, angle},
        {"KX_MODL_ask_para_edge", "EXP_ask_assignment_of_exp_tag", Outcome::fails_with_code, para_edge},
        {"KX_MODL_ask_para_edge", "SM_string_copy", Outcome::fails_with_code, para_edge},
    });
}

// A feature deletion is one edit under its mark: a host error at any of its
// steps takes it back.
TEST_F(FailedCall, DeleteFeature) {
    const auto remove = [](FailedCall& t) {
        double at[] = {30, 25, 20}, into[] = {0, 0, -1};
        tag hole = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_simple_hole(at, into, "10", "8", "0", t.top_, NULL_TAG, &hole), 0);
        tag_list* list = t.list_of({hole});
        const int st = t.call([&] { return KX_MODL_delete_feature(list); });
        KX_MODL_delete_list(&list);
        return st;
    };
    run_rows({
        {"KX_MODL_delete_feature", "KI_crlist", Outcome::fails, remove},
        {"KX_MODL_delete_feature", "ui_delete_feature_", Outcome::fails, remove},
        {"KX_MODL_delete_feature", "KI_free_list", Outcome::fails, remove},
    });
}

// Queries that hand out blocks: a failure hands out none (the outputs are
// cleared) and keeps none, also of what a host routine had made when it
// raised; the status is the injected code.
TEST_F(FailedCall, QueriesHandOutNothing) {
    const auto body_features = [](const char* routine) {
        return Row{"KX_MODL_ask_body_features", routine, Outcome::fails_with_code, [](FailedCall& t) {
                       double at[] = {30, 20, 20}, into[] = {0, 0, -1};
                       tag hole = NULL_TAG;
                       EXPECT_EQ(KX_MODL_create_simple_hole(at, into, "10", "8", "0", t.top_, NULL_TAG, &hole), 0);
                       int n = -1;
                       body_feature_entry** entries = nullptr;
                       const int st = t.call([&] { return KX_MODL_ask_body_features(t.body_, &n, &entries); });
                       if (st != 0) {
                           EXPECT_EQ(n, 0);
                           EXPECT_EQ(entries, nullptr);
                       } else {
                           EXPECT_EQ(n, 2);
                       }
                       for (int i = 0; i < n; ++i) {
                           KX_free(entries[i]->objects);
                           KX_free(entries[i]);
                       }
                       KX_free(entries);
                       return st;
                   }};
    };
    const auto curve_points = [](const char* routine) {
        return Row{"KX_MODL_ask_curve_points", routine, Outcome::fails_with_code, [](FailedCall& t) {
                       tag_list* edges = nullptr;
                       EXPECT_EQ(KX_MODL_ask_face_edges(t.top_, &edges), 0);
                       tag edge = NULL_TAG;
                       EXPECT_EQ(KX_MODL_ask_list_item(edges, 0, &edge), 0);
                       KX_MODL_delete_list(&edges);
                       int n = -1;
                       double* points = nullptr;
                       const int st =
                           t.call([&] { return KX_MODL_ask_curve_points(edge, 0.01, 10, 2.5, &n, &points); });
                       if (st != 0) {
                           EXPECT_EQ(n, 0);
                           EXPECT_EQ(points, nullptr);
                       }
                       KX_free(points);
                       return st;
                   }};
    };
    // The faces of the holed block (the hole's cylinder and cone among
    // them) as spline forms: a record and a spline form's blocks per face.
    const auto geometry = [](const char* routine) {
        return Row{"KX_BREP_ask_geometry", routine, Outcome::fails_with_code, [](FailedCall& t) {
                       double at[] = {30, 20, 20}, into[] = {0, 0, -1};
                       tag hole = NULL_TAG;
                       EXPECT_EQ(KX_MODL_create_simple_hole(at, into, "10", "8", "118", t.top_, NULL_TAG, &hole), 0);
                       std::vector<int> faces = host::kernel::faces_of(host::kernel::entity_of(t.body_));
                       faces.push_back(-7);  // no entity: a state
                       int n = -1, n_states = -1;
                       brep_geometry* records = nullptr;
                       brep_state* states = nullptr;
                       const int st = t.call([&] {
                           return KX_BREP_ask_geometry(static_cast<int>(faces.size()), faces.data(), 1, &n, &records,
                                                       &n_states, &states);
                       });
                       if (st == kInjected) {
                           EXPECT_EQ(n, 0);
                           EXPECT_EQ(records, nullptr);
                           EXPECT_EQ(n_states, 0);
                           EXPECT_EQ(states, nullptr);
                       }
                       if (records) KX_BREP_free_geometry_data(n, records);
                       KX_free(states);
                       return st == KERNEL_ERR_NO_ENTITY && n_states == 1 ? 0 : st;
                   }};
    };
    run_rows({
        body_features("TAG_ask_pointer_of_tag"),
        body_features("FREC_ask_body_groups"),
        body_features("SM_alloc"),
        body_features("pxlook_"),
        body_features("ZQ_GROUP_ask_entities"),
        body_features("FREC_delete_frec_node"),
        body_features("SM_free"),
        curve_points("MODL_ask_curve_points"),
        curve_points("OCC_is_occurrence"),
        curve_points("SM_alloc"),
        geometry("PX_BREP_ask_geometry"),
        geometry("ZQ_SURF_ask_bspline"),
        geometry("SM_alloc"),
    });
}

// Deletions through the object functions: a feature (taken through the
// feature deletion's several host steps), the block's body (logged, then
// the delete list's model update) and both in one array. A host error at
// any step takes the whole deletion back.
TEST_F(FailedCall, DeleteObjects) {
    const auto hole_of = [](FailedCall& t) {
        double at[] = {30, 25, 20}, into[] = {0, 0, -1};
        tag hole = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_simple_hole(at, into, "10", "8", "0", t.top_, NULL_TAG, &hole), 0);
        return hole;
    };
    const auto feature = [hole_of](FailedCall& t) {
        const tag hole = hole_of(t);
        return t.call([&] { return KX_OBJ_delete_object(hole); });
    };
    const auto body = [](FailedCall& t) { return t.call([&] { return KX_OBJ_delete_object(t.body_); }); };
    const auto array = [hole_of](FailedCall& t) {
        const tag objects[] = {hole_of(t), t.body_};
        int* statuses = nullptr;
        const int st = t.call([&] { return KX_OBJ_delete_array_of_objects(2, objects, &statuses); });
        if (st == 0) {
            EXPECT_EQ(statuses[0], 0);
            EXPECT_EQ(statuses[1], 0);
        } else {
            EXPECT_EQ(statuses, nullptr);
        }
        KX_free(statuses);
        return st;
    };
    run_rows({
        {"KX_OBJ_delete_object", "ui_delete_feature_", Outcome::fails, feature},
        {"KX_OBJ_delete_object", "KI_free_list", Outcome::fails, feature},
        {"KX_OBJ_delete_object", "UPDATE_log_entity_to_delete", Outcome::fails_with_code, body},
        {"KX_OBJ_delete_object", "UPDATE_do_update", Outcome::fails_with_code, body},
        {"KX_OBJ_delete_array_of_objects", "UPDATE_do_update", Outcome::fails_with_code, array},
        {"KX_OBJ_delete_array_of_objects", "UPDATE_log_entity_to_delete", Outcome::fails_with_code, array},
    });
}

// The host's current constraint data is cleared inside the call's mark: a
// host error there fails the call, which takes the constraint back, and
// reaches no handler of the caller.
TEST_F(FailedCall, FaceConstraintClearsTheCurrentDataInsideTheCall) {
    const auto constraint = [](FailedCall& t, face_constraint_data& c) {
        c.constraint_type = 7;
        c.from_face = t.top_;
        c.to_object = t.bottom_;
        std::strcpy(c.value, "30");
    };
    run_rows({
        {"KX_MODL_create_face_constraint", "DFO_data_set_current", Outcome::fails_with_code,
         [constraint](FailedCall& t) {
             face_constraint_data c{};
             constraint(t, c);
             tag seeds[1] = {t.top_};
             dfo_region r{};
             r.seed_faces = seeds;
             r.number_of_seed_faces = 1;
             tag feature = NULL_TAG;
             const int st = t.call([&] { return KX_MODL_create_face_constraint(&r, &c, &feature); });
             if (st != 0) {
                 EXPECT_EQ(feature, NULL_TAG);
             }
             return st;
         }},
        {"KX_MODL_edit_face_constraint", "DFO_data_set_current", Outcome::fails_with_code,
         [constraint](FailedCall& t) {
             face_constraint_data c{};
             constraint(t, c);
             tag seeds[1] = {t.top_};
             dfo_region r{};
             r.seed_faces = seeds;
             r.number_of_seed_faces = 1;
             tag feature = NULL_TAG;
             EXPECT_EQ(KX_MODL_create_face_constraint(&r, &c, &feature), 0);
             std::strcpy(c.value, "12");
             return t.call([&] { return KX_MODL_edit_face_constraint(feature, nullptr, &c); });
         }},
    });
}

}  // namespace
