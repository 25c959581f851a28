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
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/positioning.h"
#include "kx_modl_body_ops.h"
#include "kx_modl_constraint.h"
#include "kx_modl_dfo.h"
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
        // when the free goes through): the test gives it back.
        if (nth_ > 0 && routine_ == "SM_free" && calls_made_ >= nth_) {
            const auto records = host::control::calls("SM_free");
            SM_free(reinterpret_cast<void*>(records[static_cast<std::size_t>(calls_before_ + nth_ - 1)].arg[0]));
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
    // block's left top edge.
    tag hole_with_dimension(int kind) {
        double at[] = {30, 20, 20}, into[] = {0, 0, -1};
        EXPECT_EQ(KX_MODL_create_simple_hole(at, into, "10", "8", "0", top_, NULL_TAG, &hole_), 0);
        tag left = NULL_TAG;
        for (int e : host::kernel::edges_of(host::kernel::entity_of(body_))) {
            int type = 0;
            double p[3], d[3], r = 0;
            ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
            if (type == 3001 && std::fabs(std::fabs(d[1]) - 1) < 1e-9 && std::fabs(p[0]) < 1e-9 &&
                std::fabs(p[2] - 20) < 1e-9)
                left = host::kernel::object_of(e);
        }
        unsigned int c = 0;
        EXPECT_EQ(RPO_create_dimension(hole_, kind, left, NULL_TAG, "30", &c), 0);
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
