// The feature model's story: a block driven by expressions, a hole through
// it and two blended edges; edits and updates measured against the closed
// form, suppression, reorder, failures naming their feature, undo.
#include <cstring>
#include <map>
#include <string>

#include "host/model/feature/undo.h"
#include "host/base/services/error.h"
#include "feature_model_test.h"

namespace {

class Regeneration : public FeatureModelTest {};

TEST_F(Regeneration, EditedLengthRegeneratesWithTheBlendOnTheSameEdges) {
    build();
    const int body = body_of(block_);
    EXPECT_NEAR(volume(body), closed_form(100, 50, 20, 5), 1e-6 * closed_form(100, 50, 20, 5));
    char* name = FREC_ask_name(blend_);
    EXPECT_STREQ(name, "BLEND(3)");
    SM_free(name);

    ASSERT_EQ(set("length", "100*1.2"), 0);
    EXPECT_EQ(value("length"), 120);
    ASSERT_EQ(update(), 0);
    EXPECT_EQ(body_of(block_), body);
    EXPECT_NEAR(volume(body), closed_form(120, 50, 20, 5), 1e-6 * closed_form(120, 50, 20, 5));
    // The blend's faces sit on the corner edges at the new length.
    const auto rounds = round_faces(body, 5);
    ASSERT_EQ(rounds.size(), 2u);
    for (const auto& axis : rounds) EXPECT_NEAR(axis[0], 115, 1e-6);
    EXPECT_EQ(blend_refs(), edges_);

    // Again: the features before the first changed one keep their results.
    ASSERT_EQ(set("width", "60"), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(body), closed_form(120, 60, 20, 5), 1e-6 * closed_form(120, 60, 20, 5));
    EXPECT_EQ(blend_refs(), edges_);
}

TEST_F(Regeneration, NothingOutOfDateChangesNothing) {
    build();
    const double before = volume(body_of(block_));
    int n = -1;
    unsigned int* stale = nullptr;
    FREC_ask_out_of_date_features_of_part(part_, &n, &stale);
    EXPECT_EQ(n, 0);
    ASSERT_EQ(update(), 0);
    EXPECT_EQ(volume(body_of(block_)), before);

    // An edit marks the features whose values it changes; a log marks one
    // by itself; the update clears both.
    ASSERT_EQ(set("height", "25"), 0);
    UPDATE_log_object_to_update(blend_);
    FREC_ask_out_of_date_features_of_part(part_, &n, &stale);
    EXPECT_EQ(std::vector<unsigned int>(stale, stale + n), (std::vector<unsigned int>{block_, hole_, blend_}));
    SM_free(stale);
    ASSERT_EQ(update(), 0);
    FREC_ask_out_of_date_features_of_part(part_, &n, &stale);
    EXPECT_EQ(n, 0);
    EXPECT_NEAR(volume(body_of(block_)), closed_form(100, 50, 25, 5), 1e-6 * before);  // the hole follows the height
}

TEST_F(Regeneration, SuppressingTheBlendGivesItsVolumeBackAndItsEdgesReturn) {
    build();
    ASSERT_EQ(set("length", "120"), 0);
    ASSERT_EQ(update(), 0);
    const int body = body_of(block_);
    ASSERT_EQ(FREC_set_suppressed(blend_, 1), 0);
    EXPECT_EQ(FREC_is_suppressed(blend_), 1);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(body), closed_form(120, 50, 20, 0), 1e-6 * closed_form(120, 50, 20, 0));
    EXPECT_EQ(vertical_edges_at(body, 120), edges_);  // the edges come back with their tags

    ASSERT_EQ(FREC_set_suppressed(blend_, 0), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(body), closed_form(120, 50, 20, 5), 1e-6 * closed_form(120, 50, 20, 5));
}

TEST_F(Regeneration, SuppressionByExpression) {
    build();
    ASSERT_EQ(make("rounded=0"), 0);
    ASSERT_EQ(FREC_set_suppression_exp(blend_, exp("rounded")), 0);
    ASSERT_EQ(update(), 0);
    const int body = body_of(block_);
    EXPECT_NEAR(volume(body), closed_form(100, 50, 20, 0), 1e-6 * closed_form(100, 50, 20, 0));
    EXPECT_EQ(EXP_delete_exp(exp("rounded")), EXP_ERR_IN_USE);
    ASSERT_EQ(set("rounded", "1"), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(body), closed_form(100, 50, 20, 5), 1e-6 * closed_form(100, 50, 20, 5));
}

TEST_F(Regeneration, TheFeatureThatMakesTheBodyIsNotSuppressed) {
    build();
    EXPECT_EQ(FREC_set_suppressed(block_, 1), FEAT_ERR_BASE_FEATURE);
    EXPECT_EQ(FREC_is_suppressed(block_), 0);
}

TEST_F(Regeneration, ReorderChangesTheResult) {
    ASSERT_EQ(make("length=100"), 0);
    const unsigned int block = feature("BLOCK", {"length", "50", "20"}, {0, 0, 0});
    const unsigned int body = FREC_ask_body(block);
    const unsigned int hole = feature("CYLINDER", {"20", "22"}, {50, 25, -1, 0, 0, 1}, {}, body, FEAT_SIGN_SUBTRACT);
    // A plug that fills the hole again, made after it.
    const unsigned int plug = feature("CYLINDER", {"20", "20"}, {50, 25, 0, 0, 0, 1}, {}, body, FEAT_SIGN_UNITE);
    const int k = body_of(block);
    EXPECT_NEAR(volume(k), 100 * 50 * 20, 1e-6 * 1e5);

    ASSERT_EQ(FREC_reorder(plug, hole, 0), 0);  // the plug before the hole
    EXPECT_EQ(FREC_ask_time_stamp(plug), 2);
    EXPECT_EQ(FREC_ask_time_stamp(hole), 3);
    EXPECT_EQ(FREC_sort_frecs(hole, plug), 1);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(k), 100 * 50 * 20 - kPi * 100 * 20, 1e-6 * 1e5);

    EXPECT_EQ(FREC_reorder(hole, block, 0), FEAT_ERR_BASE_FEATURE);
    EXPECT_EQ(FREC_reorder(block, plug, 1), FEAT_ERR_BASE_FEATURE);
}

TEST_F(Regeneration, TheCurrentFeatureLeavesTheLaterOnesOut) {
    build();
    ASSERT_EQ(FREC_make_current_feature(hole_), 0);
    EXPECT_EQ(FREC_ask_current_feature(part_), hole_);
    const int body = body_of(block_);
    EXPECT_NEAR(volume(body), closed_form(100, 50, 20, 0), 1e-6 * closed_form(100, 50, 20, 0));
    ASSERT_EQ(FREC_make_current_feature(blend_), 0);
    EXPECT_NEAR(volume(body), closed_form(100, 50, 20, 5), 1e-6 * closed_form(100, 50, 20, 5));
}

// A failure at each feature: an impossible value for one parameter.
struct FailureRow {
    const char* title;
    int feature;  // 0 block, 1 hole, 2 blend
    int parameter;
    const char* formula;
    const char* named;  // the feature the failure names
};

class RegenerationFailure : public Regeneration, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(RegenerationFailure, NamesTheFeatureAndLeavesModelExpressionsAndMarksAsBefore) {
    const FailureRow& row = GetParam();
    build();
    const int body = body_of(block_);
    const double before = volume(body);
    int st = 0;
    const unsigned int mark = UNDO_JQ_set_mark(UNDO_VISIBLE, "edit", &st);
    const int marks = UNDO_JQ_ask_number_of_marks(UNDO_VISIBLE);
    const unsigned int features[] = {block_, hole_, blend_};
    int n = 0;
    unsigned int* exps = nullptr;
    FREC_ask_system_exps_of_frec(features[row.feature], &n, &exps);
    ASSERT_GT(n, row.parameter);
    const unsigned int edited = exps[row.parameter];
    SM_free(exps);
    const std::string assignment = host::expr::assignment(edited);
    ASSERT_EQ(EXP_edit_exp(part_, edited, row.formula), 0);

    EXPECT_EQ(update(), FEAT_ERR_UPDATE_FAILED);
    EXPECT_NE(std::strstr(FREC_ask_update_failure_message(), row.named), nullptr) << FREC_ask_update_failure_message();
    EXPECT_EQ(host::feature::last_failure().feature, features[row.feature]);
    // The model stays as it was built; the caller's mark takes the edit back.
    EXPECT_EQ(volume(body), before);
    EXPECT_EQ(UNDO_JQ_ask_number_of_marks(UNDO_VISIBLE), marks);
    ASSERT_EQ(UNDO_JQ_undo_to_mark(mark, nullptr), 0);
    EXPECT_EQ(host::expr::assignment(edited), assignment);
    EXPECT_EQ(volume(body), before);
    ASSERT_EQ(update(), 0);
    EXPECT_EQ(volume(body), before);
}

INSTANTIATE_TEST_SUITE_P(AtEachFeature, RegenerationFailure,
                         ::testing::Values(FailureRow{"BlockOfNoLength", 0, 0, "-5", "BLOCK(1)"},
                                           FailureRow{"HoleThatTakesEverything", 1, 0, "400", "CYLINDER(2)"},
                                           FailureRow{"BlendTooLargeForItsEdges", 2, 0, "200", "BLEND(3)"}),
                         [](const ::testing::TestParamInfo<FailureRow>& info) {
                             return std::string(info.param.title);
                         });

TEST_F(Regeneration, UndoTakesFeaturesExpressionsAndBodiesBackTogether) {
    build();
    const int body = body_of(block_);
    const double before = volume(body);
    int st = 0;
    const unsigned int mark = UNDO_JQ_set_mark(UNDO_VISIBLE, "edit", &st);
    ASSERT_EQ(set("length", "150"), 0);
    ASSERT_EQ(FREC_set_suppressed(blend_, 1), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NE(volume(body), before);
    ASSERT_EQ(UNDO_JQ_undo_to_mark(mark, nullptr), 0);
    EXPECT_EQ(value("length"), 100);
    EXPECT_EQ(FREC_is_suppressed(blend_), 0);
    EXPECT_EQ(volume(body), before);
    ASSERT_EQ(update(), 0);  // nothing is out of date
    EXPECT_EQ(volume(body), before);
}

TEST_F(Regeneration, RecordsTellKindsNamesExpressionsAndRelations) {
    build();
    char* kind = FREC_ask_feature_type(hole_);
    EXPECT_STREQ(kind, "CYLINDER");
    SM_free(kind);
    EXPECT_EQ(FREC_ask_frec_from_name(part_, "CYLINDER(2)"), hole_);
    EXPECT_EQ(FREC_ask_time_stamp(block_), 1);
    EXPECT_EQ(FREC_is_browseable(blend_), 1);
    EXPECT_EQ(FREC_is_a_meta_frec(blend_), 0);
    EXPECT_EQ(FREC_is_a_controlled_frec(blend_), 0);

    unsigned int* objects = nullptr;
    char** descriptors = nullptr;
    int n = 0;
    ASSERT_EQ(FMI_invoke_ask_exps(block_, &objects, &descriptors, &n), 0);
    ASSERT_EQ(n, 3);
    EXPECT_STREQ(descriptors[0], "Length (XC)");
    EXPECT_EQ(host::expr::assignment(objects[0]), host::expr::find(objects[0])->name + "=length");
    for (int i = 0; i < n; ++i) SM_free(descriptors[i]);
    SM_free(descriptors);
    SM_free(objects);

    unsigned int* children = nullptr;
    FREC_ask_children(block_, &n, &children);
    EXPECT_EQ(std::vector<unsigned int>(children, children + n), (std::vector<unsigned int>{hole_, blend_}));
    SM_free(children);
    unsigned int* users = nullptr;
    ASSERT_EQ(EXP_ask_features_of_exp(exp("height"), &n, &users), 0);
    EXPECT_EQ(n, 0);  // the block's own expressions use it, not the block
    SM_free(users);
    EXPECT_EQ(EXP_delete_exp(exp("height")), EXP_ERR_IN_USE);

    // References resolve through the kernel's tags.
    const unsigned int edge = host::kernel::object_of(edges_[0]);
    EXPECT_EQ(edge, 0u);  // blended away
    const int face = host::kernel::faces_of(body_of(block_))[0];
    const unsigned int fref = FREF_ask_fref_of_face(host::kernel::object_of(face));
    EXPECT_EQ(FREF_ask_face_of_fref(fref), host::kernel::object_of(face));
    EXPECT_EQ(FREF_ask_jq_eid_of_fref(fref), host::kernel::object_of(face));
    EXPECT_EQ(ASSO_ask_jq_eid_of_fref(fref), host::kernel::object_of(face));
    EXPECT_EQ(ASSO_ask_zr_tag_of_fref(fref), face);
    EXPECT_EQ(EREF_ask_edge_of_eref(static_cast<unsigned int>(edges_[0])), 0u);  // blended away
    EXPECT_EQ(ASSO_ask_zr_tag_of_eref(static_cast<unsigned int>(edges_[0])), 0);
    EXPECT_EQ(BREF_ask_bref_of_frec(hole_), FREC_ask_body(block_));
    unsigned int* on_body = nullptr;
    BREF_ask_all_frecs_of_bref(BREF_ask_bref_of_frec(hole_), &n, &on_body);
    EXPECT_EQ(n, 3);
    SM_free(on_body);
    EXPECT_EQ(CM_ask_eid_of_object(CM_ask_object_of_eid(blend_)), blend_);
}

TEST_F(Regeneration, DeletingAnEditTakesItOutAndDeletingTheBaseTakesTheBody) {
    build();
    const int body = body_of(block_);
    int list = 0, st = -1;
    ASSERT_EQ(KI_crlist(KI_LIST_FEATURES, &list), 0);
    CM_ptcmtgli(list, 0, 1, CM_ask_object_of_eid(blend_));
    ASSERT_EQ(raised([&] { ui_delete_feature_(&list, &st); }), 0);
    KI_free_list(list);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(host::feature::find(blend_), nullptr);
    EXPECT_NEAR(volume(body), closed_form(100, 50, 20, 0), 1e-6 * closed_form(100, 50, 20, 0));

    ASSERT_EQ(KI_crlist(KI_LIST_FEATURES, &list), 0);
    CM_ptcmtgli(list, 0, 1, CM_ask_object_of_eid(block_));
    ASSERT_EQ(raised([&] { ui_delete_feature_(&list, &st); }), 0);
    KI_free_list(list);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(host::feature::find(hole_), nullptr);
    EXPECT_EQ(host::kernel::bodies(), std::vector<int>{});
    EXPECT_EQ(exp("length") != 0, true);  // named expressions stay
}

struct RefusalRow {
    const char* title;
    const char* kind;
    std::vector<const char*> formulas;
    std::vector<double> numbers;
    int code;
};

class FeatureRefusal : public Regeneration, public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(FeatureRefusal, LeavesNothing) {
    const RefusalRow& row = GetParam();
    ASSERT_EQ(make("length=100"), 0);
    const std::size_t objects = host::objects::objects_of_part(part_).size();
    unsigned int f = 7;
    EXPECT_EQ(FEAT_create(part_, row.kind, int(row.formulas.size()), row.formulas.data(), int(row.numbers.size()),
                          row.numbers.data(), 0, nullptr, 0, 0, &f),
              row.code);
    EXPECT_EQ(f, 0u);
    EXPECT_EQ(host::objects::objects_of_part(part_).size(), objects);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FeatureRefusal,
    ::testing::Values(RefusalRow{"UnknownKind", "WIDGET", {}, {}, FEAT_ERR_UNKNOWN_KIND},
                      RefusalRow{"TooFewFormulas", "BLOCK", {"1", "2"}, {0, 0, 0}, FEAT_ERR_BAD_PARAMETERS},
                      RefusalRow{"NoOrigin", "BLOCK", {"1", "2", "3"}, {}, FEAT_ERR_BAD_PARAMETERS},
                      RefusalRow{"UnknownName", "BLOCK", {"length", "wide", "3"}, {0, 0, 0}, EXP_ERR_UNKNOWN_NAME},
                      RefusalRow{"BadFormula", "BLOCK", {"length", "2+", "3"}, {0, 0, 0}, EXP_ERR_SYNTAX},
                      RefusalRow{
                          "KernelRefusesTheSize", "BLOCK", {"length", "0", "3"}, {0, 0, 0}, KERNEL_ERR_DEGENERATE},
                      RefusalRow{"BlendWithoutEdges", "BLEND", {"1"}, {}, FEAT_ERR_BAD_PARAMETERS}),
    [](const ::testing::TestParamInfo<RefusalRow>& info) { return std::string(info.param.title); });

}  // namespace

namespace {

// The kernel's steps as the update drives them: refusals of bad requests.
TEST_F(Regeneration, KernelStepRequestsOutOfRangeAreRefused) {
    build();
    const int body = body_of(block_);
    int steps = 0;
    ZQ_BODY_ask_step_count(body, &steps);
    ASSERT_EQ(steps, 3);
    EXPECT_EQ(raised([&] { ZQ_BODY_skip_step(body, 3, 1); }), KERNEL_ERR_BAD_PARAMETER);
    EXPECT_EQ(raised([&] { ZQ_BODY_move_step(body, 0, 2); }), KERNEL_ERR_BAD_PARAMETER);
    EXPECT_EQ(raised([&] { ZQ_BODY_move_step(body, 1, 3); }), KERNEL_ERR_BAD_PARAMETER);
    int n = 0;
    int* places = nullptr;
    EXPECT_EQ(raised([&] { ZQ_BODY_ask_step_refs(body, 0, &n, &places); }), KERNEL_ERR_BAD_PARAMETER);
    ZQ_BODY_ask_step_refs(body, 2, &n, &places);
    ASSERT_EQ(n, 2);
    for (int i = 0; i < n; ++i) EXPECT_EQ(places[i] % 2, 1);  // edges of the body before the blend
    SM_free(places);
    // A body of another shape cannot take the body's place.
    const double origin[3] = {0, 0, 0}, size[3] = {1, 2, 3};
    int other = 0;
    ZQ_BODY_make_block(origin, size, &other);
    EXPECT_EQ(raised([&] { ZQ_BODY_adopt(other, body); }), KERNEL_ERR_WRONG_ENTITY);
    EXPECT_EQ(raised([&] { ZQ_BODY_adopt(body, body); }), HOST_ERR_BAD_ARGUMENT);
}

}  // namespace

namespace {

TEST_F(Regeneration, ParameterObjectsHaveAClassOfTheTreeAndNamedAttributes) {
    build();
    const FREC_parms_t* p = FREC_ask_parms_of_frec(block_);
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(OM_ask_class_name(p->cls), "BLOCK_parms_c");
    EXPECT_TRUE(OM_is_subclass(p->cls, OM_ask_class_of_name("FEATURE_parms_c")));
    ASSERT_EQ(p->count, 3);
    EXPECT_STREQ(p->names[1], "Width (YC)");
    EXPECT_EQ(FREC_ask_parm_exp(block_, "Width (YC)"), p->exps[1]);
    EXPECT_EQ(host::expr::find(p->exps[1])->formula, "width");
    EXPECT_EQ(FREC_ask_parm_exp(block_, "Depth"), 0u);
    const FREC_parms_t* q = FREC_ask_parms_of_frec(hole_);
    EXPECT_NE(q->cls, p->cls);
    EXPECT_EQ(FREC_ask_parms_of_frec(host::feature::create(part_, "NOTE")), nullptr);
}

}  // namespace

#include "host/control/faultsim.h"

namespace {

// An edit and an update, with a host error raised at each host call they
// make in turn: every run ends with the error's code or with the update
// done, and the caller's mark gives the model back as it was.
TEST_F(Regeneration, AHostErrorAtAnyCallOfAnEditAndUpdateLeavesTheModelAsBefore) {
    build();
    const auto story = [&] {
        ASSERT_EQ(set("length", "130"), 0);
        UPDATE_do_update();
    };
    const std::string before = host::control::model_fingerprint();
    host::control::set_journal(true);
    host::control::clear_journal();
    int st = 0;
    unsigned int mark = UNDO_JQ_set_mark(UNDO_VISIBLE, "story", &st);
    host::control::clear_journal();
    ASSERT_EQ(raised(story), 0);
    const std::vector<std::string> names = host::control::call_names();
    ASSERT_EQ(UNDO_JQ_undo_to_mark(mark, nullptr), 0);
    ASSERT_EQ(UNDO_JQ_delete_mark(mark, nullptr), 0);
    ASSERT_EQ(host::control::model_fingerprint(), before);
    ASSERT_GT(names.size(), 3u);
    std::map<std::string, int> seen;
    for (const std::string& name : names) {
        if (name.rfind("ERROR_", 0) == 0) continue;  // the error service itself
        const int nth = ++seen[name];
        mark = UNDO_JQ_set_mark(UNDO_VISIBLE, "story", &st);
        host::control::raise_on(name.c_str(), 875399, nth);
        const int code = raised(story);
        host::control::clear_scripts();
        EXPECT_TRUE(code == 875399 || code == FEAT_ERR_UPDATE_FAILED) << name << " #" << nth << ": " << code;
        ASSERT_EQ(UNDO_JQ_undo_to_mark(mark, nullptr), 0);
        ASSERT_EQ(UNDO_JQ_delete_mark(mark, nullptr), 0);
        EXPECT_EQ(host::control::model_fingerprint(), before) << name << " #" << nth;
        EXPECT_EQ(host::control::frame_depth(), 0);
    }
}

}  // namespace
