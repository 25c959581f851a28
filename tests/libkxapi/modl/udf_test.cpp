// User-defined features: a pocket of one part exported with two prompts,
// imported into another part, given its depth by prompt and cut into a
// block there (real kernel geometry), with the codes of every step.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "form_fixture.h"
#include "host/control/control.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/apps/modeling/sets/instance_sets.h"
#include "host/apps/modeling/redefine/redefine_faces.h"
#include "host/apps/modeling/udf/udf.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/objects.h"
#include "kx_modl_parms.h"
#include "kx_modl_redef.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/libkxapi/modl/damaged_rows.h"
#include "tests/support/fresh_process.h"

namespace {

using form_test::FormFeature;

// A pocket of 30 x 20 x 8 in the top face of the fixture's block, driven by
// two named expressions, and a second part with a 100 x 50 x 20 block to
// take the user-defined feature.
class Udf : public FormFeature {
protected:
    void SetUp() override {
        FormFeature::SetUp();
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("udf_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        file_ = (dir_ / "pocket.udf").string();
        ASSERT_EQ(KX_MODL_create_exp("pocket_depth=8"), 0);
        ASSERT_EQ(KX_MODL_create_exp("pocket_len=30"), 0);
        double at[] = {50, 25, 20}, down[] = {0, 0, -1}, x[] = {1, 0, 0};
        const char* sizes[] = {"pocket_len", "20", "pocket_depth"};
        ASSERT_EQ(KX_MODL_create_rect_pocket(at, down, x, sizes, "0", "0", "0", top_, &pocket_), 0);
        target_part_ = host::parts::create("target.prt");
        CONTEXT_set_work_part(part_);
    }
    void TearDown() override {
        std::filesystem::remove_all(dir_);
        FormFeature::TearDown();
    }

    int export_pocket(int method = UDF_ATTACH_FACE) {
        const udf_input_parm parms[] = {{"pocket_depth", "Depth?"}, {"pocket_len", "Length?"}};
        return KX_MODL_export_udf(file_.c_str(), 2, parms, method);
    }
    // The target part's block (made once) becomes the work part's body.
    void to_target() {
        CONTEXT_set_work_part(target_part_);
        if (target_body_ != NULL_TAG) return;
        const char* sizes[] = {"100", "50", "20"};
        const double origin[] = {0, 0, 0};
        unsigned int block = 0;
        ASSERT_EQ(FEAT_create(target_part_, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block), 0);
        target_body_ = FREC_ask_body(block);
    }
    int import(tag* udf, const double point[3] = nullptr) {
        double orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        double at[3] = {0, 0, 0};
        if (point) std::copy(point, point + 3, at);
        return KX_MODL_import_udf(file_.c_str(), orientation, at, udf);
    }
    // Exported, imported into the target part.
    tag imported() {
        EXPECT_EQ(export_pocket(), 0);
        to_target();
        tag udf = NULL_TAG;
        EXPECT_EQ(import(&udf), 0);
        return udf;
    }
    static tag planar_face(tag body, std::vector<double> n) {
        for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
            int type = 0, sense = 0;
            double p[3], d[3], r1 = 0, r2 = 0;
            ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
            if (type == ZQ_SURF_PLANE && d[0] * sense * n[0] + d[1] * sense * n[1] + d[2] * sense * n[2] > 0.999)
                return host::kernel::object_of(f);
        }
        return NULL_TAG;
    }
    static tag tool_body(tag udf) { return FREC_ask_body(UDF_ask_meta_frec(udf)); }
    static double volume_of(tag body) {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), p);
        return p[ZQ_MP_VOLUME];
    }
    tag target_top() const { return planar_face(target_body_, {0, 0, 1}); }
    int place(tag udf, tag placement, tag own, tag* result) {
        return KX_MODL_boolean_udf(udf, placement, own, nullptr, 0, nullptr, 0, nullptr, 0, result);
    }
    int set(tag udf, std::vector<const char*> prompts, std::vector<const char*> values) {
        return KX_MODL_set_udf_parms(udf, const_cast<char**>(prompts.data()), const_cast<char**>(values.data()),
                                     static_cast<int>(prompts.size()));
    }
    struct Parms {
        std::string name;
        std::vector<std::string> prompts, values;
    };
    static Parms parms_of(tag feature) {
        char* name = nullptr;
        char** prompts = nullptr;
        char** values = nullptr;
        int n = -1;
        EXPECT_EQ(KX_MODL_ask_udf_parms(feature, &name, &prompts, &values, &n), 0);
        Parms out;
        out.name = name ? name : "";
        for (int i = 0; i < n; ++i) {
            out.prompts.emplace_back(prompts[i]);
            out.values.emplace_back(values[i]);
        }
        KX_free(name);
        KX_free_string_array(n, prompts);
        KX_free_string_array(n, values);
        return out;
    }
    int bodies_of_work_part() const {
        int n = 0;
        for (unsigned int o : host::objects::objects_of_part(CONTEXT_ask_work_part())) {
            const host::objects::Object* x = host::objects::find(o);
            if (x && x->type == HOST_TYPE_SOLID && x->subtype == 0) ++n;
        }
        return n;
    }

    std::filesystem::path dir_;
    std::string file_;
    tag pocket_ = NULL_TAG, target_part_ = NULL_TAG, target_body_ = NULL_TAG;
};

TEST_F(Udf, PocketExportedImportedGivenItsDepthAndPlacedCutsItsVolume) {
    EXPECT_NEAR(volume(), form_test::kBlockVolume - 30 * 20 * 8, 1e-6);
    ASSERT_EQ(export_pocket(), 0);
    EXPECT_TRUE(std::filesystem::exists(file_));
    EXPECT_EQ(inq_udf_status_(), UDF_STATUS_IDLE);
    to_target();
    tag udf = NULL_TAG;
    ASSERT_EQ(import(&udf), 0);
    ASSERT_NE(udf, NULL_TAG);
    EXPECT_EQ(inq_udf_status_(), UDF_STATUS_IDLE);
    // The part import's body of the definition part is replaced by the tool.
    EXPECT_EQ(bodies_of_work_part(), 2);

    Parms p = parms_of(udf);
    EXPECT_EQ(p.name, "pocket.udf");
    EXPECT_EQ(p.prompts, (std::vector<std::string>{"Depth?", "Length?"}));
    EXPECT_EQ(p.values, (std::vector<std::string>{"8", "30"}));

    ASSERT_EQ(set(udf, {"Depth?"}, {"5"}), 0);
    EXPECT_EQ(parms_of(udf).values, (std::vector<std::string>{"5", "30"}));
    // The tool follows: 30 x 20 and 5 deep, one millimetre of lead above.
    EXPECT_NEAR(volume_of(tool_body(udf)), 30 * 20 * (5 + 1), 1e-6);

    const double before = volume_of(target_body_);
    const tag own = planar_face(tool_body(udf), {0, 0, 1});
    tag placed = NULL_TAG;
    ASSERT_EQ(place(udf, target_top(), own, &placed), 0);
    EXPECT_EQ(placed, UDF_ask_meta_frec(udf));
    EXPECT_EQ(UDF_ask_udf_of_meta_frec(placed), udf);
    EXPECT_NEAR(volume_of(target_body_), before - 30 * 20 * 5, 1e-6);
    EXPECT_EQ(bodies_of_work_part(), 1);  // the tool went into the block
    // The placed feature answers for the UDF, and follows its values.
    EXPECT_EQ(parms_of(placed).values, (std::vector<std::string>{"5", "30"}));
    ASSERT_EQ(set(udf, {"Depth?"}, {"7"}), 0);
    EXPECT_NEAR(volume_of(target_body_), before - 30 * 20 * 7, 1e-6);
    EXPECT_EQ(inq_udf_status_(), UDF_STATUS_IDLE);
}

TEST_F(Udf, ImportCarriesTheToolByOrientationAndPoint) {
    ASSERT_EQ(export_pocket(), 0);
    to_target();
    tag udf = NULL_TAG;
    double orientation[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};  // a quarter turn about Z
    double point[3] = {10, 0, 0};
    ASSERT_EQ(KX_MODL_import_udf(file_.c_str(), orientation, point, &udf), 0);
    double box[6];
    PX_ask_box(tool_body(udf), box);
    // (50, 25) turned to (-25, 50), moved to (-15, 50); length 30 now along Y.
    EXPECT_NEAR((box[0] + box[3]) / 2, -15, 1e-6);
    EXPECT_NEAR((box[1] + box[4]) / 2, 50, 1e-6);
    EXPECT_NEAR(box[4] - box[1], 30, 1e-6);
    EXPECT_NEAR(box[3] - box[0], 20, 1e-6);
}

TEST_F(Udf, ASecondImportNamesItsVariablesAfresh) {
    const tag first = imported();
    tag second = NULL_TAG;
    ASSERT_EQ(import(&second), 0);
    EXPECT_NE(host::expr::lookup(target_part_, "pocket_depth_1"), 0u);
    ASSERT_EQ(set(second, {"Depth?"}, {"3"}), 0);
    EXPECT_EQ(parms_of(first).values[0], "8");
    EXPECT_EQ(parms_of(second).values[0], "3");
}

TEST_F(Udf, ValuesByPrompt) {
    const tag udf = imported();
    // A prompt that matches nothing changes nothing; prompts compare whole
    // and with case.
    ASSERT_EQ(set(udf, {"depth?", "Depth", "Width?"}, {"1", "2", "3"}), 0);
    EXPECT_EQ(parms_of(udf).values, (std::vector<std::string>{"8", "30"}));
    // A prompt given twice: the later value last.
    ASSERT_EQ(set(udf, {"Depth?", "Length?", "Depth?"}, {"4", "40", "6"}), 0);
    EXPECT_EQ(parms_of(udf).values, (std::vector<std::string>{"6", "40"}));
    // A value text longer than 255 characters is applied whole.
    std::string longer = "5";
    for (int i = 0; i < 150; ++i) longer += "+0";
    ASSERT_GT(longer.size(), 256u);
    ASSERT_EQ(set(udf, {"Depth?"}, {longer.c_str()}), 0);
    EXPECT_EQ(parms_of(udf).values[0], longer);
    EXPECT_NEAR(volume_of(tool_body(udf)), 40 * 20 * (5 + 1), 1e-6);
    // A value the feature cannot take: its code, and nothing changed.
    const int marks_before = marks();
    EXPECT_NE(set(udf, {"Depth?", "Length?"}, {"12", "-3"}), 0);
    EXPECT_EQ(parms_of(udf).values, (std::vector<std::string>{longer, "40"}));
    EXPECT_EQ(marks(), marks_before);
    EXPECT_EQ(inq_udf_status_(), UDF_STATUS_IDLE);
}

TEST_F(Udf, AskAnswersAnEmptyValueForAVariableThePartNoLongerHas) {
    const tag udf = imported();
    ASSERT_EQ(EXP_rename_exp(host::expr::lookup(target_part_, "pocket_len"), "renamed"), 0);
    EXPECT_EQ(parms_of(udf).values, (std::vector<std::string>{"8", ""}));
    // The tool's meta record answers for its UDF; other features 875004.
    EXPECT_EQ(parms_of(UDF_ask_meta_frec(udf)).prompts.size(), 2u);
    char* name = nullptr;
    char** prompts = nullptr;
    char** values = nullptr;
    int n = 0;
    EXPECT_EQ(KX_MODL_ask_udf_parms(pocket_, &name, &prompts, &values, &n), KX_MODL_ERR_WRONG_KIND);
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(KX_MODL_ask_udf_parms(udf, nullptr, &prompts, &values, &n), KX_ERR_BAD_PARAM_2);
    EXPECT_EQ(KX_MODL_ask_udf_parms(udf, &name, &prompts, &values, nullptr), KX_ERR_BAD_PARAM_5);
}

TEST_F(Udf, FilesThatHoldNoDefinitionImportNothing) {
    ASSERT_EQ(export_pocket(), 0);
    to_target();
    // A part file of its own (the target block), a text file, a damaged
    // definition, a missing file.
    const std::string plain = (dir_ / "plain.prt").string();
    ASSERT_EQ(host::part_file::write_part(plain, target_part_, nullptr, true), 0);
    const std::string text = (dir_ / "text.udf").string();
    std::ofstream(text) << "no part at all\n";
    const std::string damaged = (dir_ / "damaged.udf").string();
    std::filesystem::copy_file(file_, damaged);
    {
        std::fstream f(damaged, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(40);
        f.put('\x5a');
    }
    for (const std::string& name : {plain, text, damaged, (dir_ / "missing.udf").string()}) {
        SCOPED_TRACE(name);
        const std::size_t objects = host::objects::objects_of_part(target_part_).size();
        double orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, point[3] = {0, 0, 0};
        tag udf = 77;
        EXPECT_EQ(KX_MODL_import_udf(name.c_str(), orientation, point, &udf), KX_MODL_ERR_UDF_IMPORT_FAILED);
        EXPECT_EQ(udf, NULL_TAG);
        EXPECT_EQ(host::objects::objects_of_part(target_part_).size(), objects);
        EXPECT_EQ(inq_udf_status_(), UDF_STATUS_IDLE);
    }
}

void note_completed(const void* data, void* client) {
    const auto* d = static_cast<const UDF_complete_data_t*>(data);
    auto* seen = static_cast<std::vector<std::string>*>(client);
    seen->push_back(std::to_string(d->reason) + " " + std::to_string(d->work_part) + " " + d->file);
}

TEST_F(Udf, TheHostsCallbacksHearOfACompletedImport) {
    std::vector<std::string> seen;
    CALLBACK_add_to_list(PART_udf_complete_reason, note_completed, &seen);
    CALLBACK_add_to_list(PART_udf_complete_reason + 1, note_completed, &seen);  // another reason
    imported();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], std::to_string(PART_udf_complete_reason) + " " + std::to_string(target_part_) + " " + file_);
}

TEST_F(Udf, ExportRefusesWhatDefinesNothing) {
    const udf_input_parm unknown[] = {{"no_such", "What?"}};
    const udf_input_parm twice[] = {{"pocket_depth", "Depth?"}, {"pocket_len", "Depth?"}};
    const int marks_before = marks();
    EXPECT_EQ(KX_MODL_export_udf(file_.c_str(), 1, unknown, 1), FEAT_ERR_BAD_PARAMETERS);
    EXPECT_EQ(KX_MODL_export_udf(file_.c_str(), 2, twice, 1), FEAT_ERR_BAD_PARAMETERS);
    // A part without a form feature: the host's check answers a code.
    to_target();
    ASSERT_EQ(KX_MODL_create_exp("pocket_depth=8"), 0);
    const udf_input_parm one[] = {{"pocket_depth", "Depth?"}};
    EXPECT_EQ(KX_MODL_export_udf(file_.c_str(), 1, one, 1), FEAT_ERR_NOT_A_FEATURE);
    EXPECT_FALSE(std::filesystem::exists(file_));
    EXPECT_EQ(marks(), marks_before);
    EXPECT_EQ(inq_udf_status_(), UDF_STATUS_IDLE);
    // A file that cannot be written.
    CONTEXT_set_work_part(part_);
    const udf_input_parm parms[] = {{"pocket_depth", "Depth?"}};
    EXPECT_NE(KX_MODL_export_udf((dir_ / "no" / "such" / "dir.udf").string().c_str(), 1, parms, 1), 0);
    EXPECT_EQ(marks(), marks_before);
}

TEST_F(Udf, NullArgumentsGiveTheirPositionsCode) {
    double orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, point[3] = {0, 0, 0};
    tag udf = NULL_TAG;
    EXPECT_EQ(KX_MODL_import_udf(nullptr, orientation, point, &udf), KX_ERR_BAD_PARAM_1);
    EXPECT_EQ(KX_MODL_import_udf("x", nullptr, point, &udf), KX_ERR_BAD_PARAM_2);
    EXPECT_EQ(KX_MODL_import_udf("x", orientation, nullptr, &udf), KX_ERR_BAD_PARAM_3);
    EXPECT_EQ(KX_MODL_import_udf("x", orientation, point, nullptr), KX_ERR_BAD_PARAM_4);
    const char* one[] = {"Depth?"};
    const char* none[] = {nullptr};
    EXPECT_EQ(KX_MODL_set_udf_parms(NULL_TAG, const_cast<char**>(one), const_cast<char**>(one), 1), KX_ERR_BAD_PARAM_1);
    EXPECT_EQ(KX_MODL_set_udf_parms(pocket_, nullptr, const_cast<char**>(one), 1), KX_ERR_BAD_PARAM_2);
    EXPECT_EQ(KX_MODL_set_udf_parms(pocket_, const_cast<char**>(one), const_cast<char**>(none), 1), KX_ERR_BAD_PARAM_3);
    EXPECT_EQ(KX_MODL_set_udf_parms(pocket_, nullptr, nullptr, -1), KX_ERR_BAD_PARAM_4);
    EXPECT_EQ(KX_MODL_boolean_udf(NULL_TAG, top_, top_, nullptr, 0, nullptr, 0, nullptr, 0, &udf), KX_ERR_BAD_PARAM_1);
    EXPECT_EQ(KX_MODL_boolean_udf(pocket_, top_, top_, nullptr, 1, nullptr, 0, nullptr, 0, &udf), KX_ERR_BAD_PARAM_6);
    EXPECT_EQ(KX_MODL_boolean_udf(pocket_, top_, top_, nullptr, 0, nullptr, 1, nullptr, 0, &udf), KX_ERR_BAD_PARAM_8);
    EXPECT_EQ(KX_MODL_boolean_udf(pocket_, top_, top_, nullptr, 0, nullptr, 0, nullptr, 0, nullptr),
              KX_ERR_BAD_PARAM_10);
    const udf_input_parm parms[] = {{"pocket_depth", nullptr}};
    EXPECT_EQ(KX_MODL_export_udf(nullptr, 1, parms, 1), KX_ERR_BAD_PARAM_1);
    EXPECT_EQ(KX_MODL_export_udf("x", -1, parms, 1), KX_ERR_BAD_PARAM_2);
    EXPECT_EQ(KX_MODL_export_udf("x", 1, nullptr, 1), KX_ERR_BAD_PARAM_3);
    EXPECT_EQ(KX_MODL_export_udf("x", 1, parms, 1), KX_ERR_BAD_PARAM_3);
    const udf_input_parm good[] = {{"pocket_depth", "Depth?"}};
    EXPECT_EQ(KX_MODL_export_udf("x", 1, good, 2), KX_ERR_BAD_PARAM_4);
}

TEST_F(Udf, EachCodeOfThePlacement) {
    const tag udf = imported();
    const tag tool = tool_body(udf);
    const tag own = planar_face(tool, {0, 0, 1});
    const tag tool_side = planar_face(tool, {1, 0, 0});
    const tag top = target_top();
    const tag side = planar_face(target_body_, {1, 0, 0});
    tag block_edge = NULL_TAG;
    for (unsigned int o : host::objects::objects_of_part(target_part_)) {
        const host::objects::Object* x = host::objects::find(o);
        if (x && x->type == HOST_TYPE_SOLID && x->subtype == 3 && ES_solid_ask_body(o) == target_body_) {
            block_edge = o;
            break;
        }
    }
    ASSERT_NE(block_edge, NULL_TAG);
    struct Row {
        const char* what;
        tag udf, placement, own;
        int code;
    } rows[] = {
        {"no placement", udf, NULL_TAG, own, KX_MODL_ERR_UDF_PLACEMENT_MISSING},
        {"no own face", udf, top, NULL_TAG, KX_MODL_ERR_UDF_PLACEMENT_MISSING},
        {"not a UDF", pocket_, top, own, KX_MODL_ERR_NOT_A_UDF},
        {"placement an edge", udf, block_edge, own, KX_MODL_ERR_UDF_BAD_PLACEMENT},
        {"placement the part", udf, target_part_, own, KX_MODL_ERR_UDF_BAD_PLACEMENT},
        {"placement on the tool", udf, tool_side, own, KX_MODL_ERR_TRIM_FACE_OF_UDF},
        {"own face an edge", udf, top, block_edge, KX_MODL_ERR_UDF_BAD_OWN_FACE},
        {"own face of the target", udf, top, side, KX_MODL_ERR_TRIM_FACE_OF_UDF},
    };
    const double before = volume_of(target_body_);
    const int marks_before = marks();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        tag result = 55;
        EXPECT_EQ(place(r.udf, r.placement, r.own, &result), r.code);
        EXPECT_EQ(result, 55u);  // written on success only
        EXPECT_EQ(volume_of(target_body_), before);
        EXPECT_EQ(marks(), marks_before);
        EXPECT_EQ(inq_udf_status_(), UDF_STATUS_IDLE);
        EXPECT_EQ(CM_misc_ask_link_fref_list(), 0);
    }
}

TEST_F(Udf, EachCodeOfTheTrimFaces) {
    const tag udf = imported();
    const tag tool = tool_body(udf);
    const tag own = planar_face(tool, {0, 0, 1});
    const tag tool_side = planar_face(tool, {1, 0, 0});
    const tag top = target_top();
    const tag side = planar_face(target_body_, {1, 0, 0});
    struct Row {
        const char* what;
        std::vector<tag> targets, tools;
        int code;
    } rows[] = {
        {"target face of the tool", {tool_side}, {}, KX_MODL_ERR_TRIM_FACE_OF_UDF},
        {"target face no face", {target_part_}, {}, KX_MODL_ERR_UDF_BAD_TRIM_FACE},
        {"tool face of the target", {side}, {side}, KX_MODL_ERR_TRIM_FACE_OF_UDF},
    };
    for (Row& r : rows) {
        SCOPED_TRACE(r.what);
        tag result = NULL_TAG;
        EXPECT_EQ(KX_MODL_boolean_udf(udf, top, own, nullptr, static_cast<int>(r.targets.size()), r.targets.data(),
                                      static_cast<int>(r.tools.size()), r.tools.data(), 0, &result),
                  r.code);
    }
    // Good trim faces are kept with the placed feature.
    tag target_faces[] = {side};
    tag tool_faces[] = {tool_side};
    tag placed = NULL_TAG;
    ASSERT_EQ(KX_MODL_boolean_udf(udf, top, own, nullptr, 1, target_faces, 1, tool_faces, 1, &placed), 0);
    int n = 0;
    unsigned int* refs = nullptr;
    FEAT_ask_attribute_array(placed, UDF_ATT_TOOL_REGION_INT, &n, &refs);
    EXPECT_EQ(n, 1);
    SM_free(refs);
    FEAT_ask_attribute_array(placed, UDF_ATT_TARGET_TRIM, &n, &refs);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(refs[0], FREF_ask_fref_of_face(side));
    SM_free(refs);
}

tag g_positioned = NULL_TAG;
int g_answer = 0;
int positioning(tag feature) {
    g_positioned = feature;
    return g_answer;
}

TEST_F(Udf, ThePositioningRoutineRunsOnTheUdf) {
    const tag udf = imported();
    const tag own = planar_face(tool_body(udf), {0, 0, 1});
    const double before = volume_of(target_body_);
    ASSERT_EQ(KX_MODL_register_rpo_routine(positioning), 0);
    g_answer = 4242;
    tag placed = NULL_TAG;
    EXPECT_EQ(place(udf, target_top(), own, &placed), 4242);
    EXPECT_EQ(g_positioned, udf);
    EXPECT_EQ(placed, NULL_TAG);
    EXPECT_EQ(volume_of(target_body_), before);
    g_answer = 0;
    g_positioned = NULL_TAG;
    ASSERT_EQ(place(udf, target_top(), own, &placed), 0);
    EXPECT_EQ(g_positioned, udf);
    EXPECT_NEAR(volume_of(target_body_), before - 30 * 20 * 8, 1e-6);
}

// Without placement the tool stays where the import put it: moved 45 along
// X it runs from x 80 to 110, 10 over the block's side, and only what lies
// in the block is cut. Placement and own face are not looked at.
TEST_F(Udf, AUdfWithoutPlacementCutsWhereTheImportPutIt) {
    ASSERT_EQ(export_pocket(UDF_ATTACH_NONE), 0);
    to_target();
    tag udf = NULL_TAG;
    const double point[] = {45, 0, 0};
    ASSERT_EQ(import(&udf, point), 0);
    ASSERT_EQ(set(udf, {"Depth?"}, {"5"}), 0);
    const double before = volume_of(target_body_);
    tag placed = NULL_TAG;
    ASSERT_EQ(place(udf, target_top(), NULL_TAG, &placed), 0);
    EXPECT_EQ(placed, UDF_ask_meta_frec(udf));
    EXPECT_NEAR(volume_of(target_body_), before - 20 * 20 * 5, 1e-6);
    EXPECT_EQ(bodies_of_work_part(), 1);
    // Its values still drive it.
    ASSERT_EQ(set(udf, {"Depth?"}, {"7"}), 0);
    EXPECT_NEAR(volume_of(target_body_), before - 20 * 20 * 7, 1e-6);
    EXPECT_EQ(inq_udf_status_(), UDF_STATUS_IDLE);
}

// With two bodies and no current target the UDF has nowhere to go (the
// model stays as it was); the caller's target body settles it.
TEST_F(Udf, AUdfWithoutPlacementGoesIntoTheTargetBodyGiven) {
    ASSERT_EQ(export_pocket(UDF_ATTACH_NONE), 0);
    to_target();
    const char* sizes[] = {"10", "10", "10"};
    const double far[] = {500, 0, 0};
    unsigned int other = 0;
    ASSERT_EQ(FEAT_create(target_part_, "BLOCK", 3, sizes, 3, far, 0, nullptr, 0, 0, &other), 0);
    tag udf = NULL_TAG;
    ASSERT_EQ(import(&udf), 0);
    const double before = volume_of(target_body_);
    const int marks_before = marks();
    tag placed = 55;
    EXPECT_EQ(place(udf, NULL_TAG, NULL_TAG, &placed), FEAT_ERR_BAD_REFERENCE);
    EXPECT_EQ(placed, 55u);
    EXPECT_EQ(volume_of(target_body_), before);
    EXPECT_EQ(bodies_of_work_part(), 3);  // the tool is still its own body
    EXPECT_EQ(marks(), marks_before);
    EXPECT_EQ(KX_MODL_boolean_udf_1(udf, NULL_TAG, NULL_TAG, nullptr, 0, nullptr, 0, nullptr, 0, target_body_, 0,
                                    &placed),
              0);
    EXPECT_NEAR(volume_of(target_body_), before - 30 * 20 * 8, 1e-6);
}

TEST_F(Udf, AUnitingFeaturePlacedAddsItsVolume) {
    double at[] = {20, 20, 0}, up[] = {0, 0, -1}, x[] = {1, 0, 0};
    ASSERT_EQ(KX_MODL_create_exp("pad_h=4"), 0);
    const char* sizes[] = {"10", "10", "pad_h"};
    tag pad = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_rect_pad(at, up, x, sizes, "0", "0", bottom_, &pad), 0);
    const udf_input_parm parms[] = {{"pad_h", "Height?"}};
    ASSERT_EQ(KX_MODL_export_udf(file_.c_str(), 1, parms, 1), 0);
    to_target();
    tag udf = NULL_TAG;
    ASSERT_EQ(import(&udf), 0);
    // The pad's own face is the one it grows from (its outward normal up).
    const tag own = planar_face(tool_body(udf), {0, 0, 1});
    const double before = volume_of(target_body_);
    tag placed = NULL_TAG;
    ASSERT_EQ(place(udf, target_top(), own, &placed), 0);
    EXPECT_NEAR(volume_of(target_body_), before + 10 * 10 * 4, 1e-6);
}

}  // namespace

namespace {

// A placed UDF is the meta record of a user-defined feature: an instance
// set takes it (a plain boolean it refuses), and its copies cut as it does.
TEST_F(Udf, AnInstanceSetCopiesAPlacedUdf) {
    const tag udf = imported();
    tag placed = NULL_TAG;
    ASSERT_EQ(place(udf, target_top(), planar_face(tool_body(udf), {0, 0, 1}), &placed), 0);
    EXPECT_TRUE(UDF_is_a_udf_meta_frec(placed));
    const double before = volume_of(target_body_);
    BREF_set_current_target(target_body_);
    tag_list* list = nullptr;
    ASSERT_EQ(KX_MODL_create_list(&list), 0);
    ASSERT_EQ(KX_MODL_put_list_item(list, placed), 0);
    tag set = NULL_TAG;
    // Two along X 32 apart: the copy's 30 x 20 x 8 lies beside the first.
    EXPECT_EQ(KX_MODL_create_linear_iset(0, "2", "32", "1", "0", list, &set), 0);
    KX_MODL_delete_list(&list);
    EXPECT_NE(set, NULL_TAG);
    EXPECT_NEAR(volume_of(target_body_), before - 30 * 20 * 8, 1e-6);
}

}  // namespace

namespace {

// The UDF records go into the work part's file: read back, a UDF answers
// its definition's name, prompts and values as before, its meta record
// stays linked both ways, and its values still drive the geometry.
TEST_F(Udf, RecordsAnswerTheSameAfterSaveAndReopen) {
    const tag udf = imported();
    ASSERT_EQ(set(udf, {"Depth?"}, {"5"}), 0);
    const double block = volume_of(target_body_);
    tag placed = NULL_TAG;
    ASSERT_EQ(place(udf, target_top(), planar_face(tool_body(udf), {0, 0, 1}), &placed), 0);
    UDF_set_meta_placement_count(placed, 2);
    const Parms before = parms_of(udf);

    std::map<unsigned int, unsigned int> read = reopen_part(target_part_, kxtest::fresh_process);
    const tag udf2 = read[udf], placed2 = read[placed];
    target_body_ = read[target_body_];
    ASSERT_TRUE(UDF_frec_is_a_udf(udf2));
    const Parms after = parms_of(udf2);
    EXPECT_EQ(after.name, before.name);
    EXPECT_EQ(after.prompts, before.prompts);
    EXPECT_EQ(after.values, before.values);
    EXPECT_EQ(parms_of(placed2).prompts, before.prompts);
    EXPECT_EQ(UDF_ask_meta_frec(udf2), placed2);
    EXPECT_EQ(UDF_ask_udf_of_meta_frec(placed2), udf2);
    EXPECT_EQ(UDF_ask_placement_count(udf2), UDF_ATTACH_FACE);
    EXPECT_EQ(UDF_ask_meta_placement_count(placed2), 2);
    ASSERT_EQ(set(udf2, {"Depth?"}, {"7"}), 0);
    EXPECT_NEAR(volume_of(target_body_), block - 30 * 20 * 7, 1e-6);
}

// A UDF imported and not yet placed is saved too: its tool is its own
// body, and the file is read back with its values.
TEST_F(Udf, AnUnplacedUdfIsSavedAndReadBack) {
    const tag udf = imported();
    ASSERT_EQ(set(udf, {"Depth?"}, {"6"}), 0);
    std::map<unsigned int, unsigned int> read = reopen_part(target_part_, kxtest::fresh_process);
    ASSERT_FALSE(read.empty());
    const tag udf2 = read[udf];
    ASSERT_TRUE(UDF_frec_is_a_udf(udf2));
    EXPECT_EQ(parms_of(udf2).values, (std::vector<std::string>{"6", "30"}));
}

TEST_F(Udf, DamagedRecordsAreRefused) {
    const tag udf = imported();
    tag placed = NULL_TAG;
    ASSERT_EQ(place(udf, target_top(), planar_face(tool_body(udf), {0, 0, 1}), &placed), 0);
    // One row each from byte 12 (count, object number, size): the UDF's
    // name "pocket.udf" (length and ten bytes), its meta record and
    // placement; the meta record's UDF and placement count.
    const kxtest::RowDamage damages[] = {
        {"placement 2", "UDFR", 30, kxtest::le32(1), kxtest::le32(2)},
        {"meta record the part", "UDFR", 26, "", kxtest::le32(0)},
        {"prompt count beyond its row", "UDFR", 34, kxtest::le32(2), kxtest::le32(1000)},
        {"placement count below 0", "UDFM", 16, kxtest::le32(0), kxtest::le32(0xFFFFFFFFu)},
        {"udf of no object", "UDFM", 12, "", kxtest::le32(0x7FFFFFFF)},
    };
    kxtest::expect_damaged_rows_refused(target_part_, damages);
}

}  // namespace

namespace {

// A pad of 30 x 30 x 10 on the target block (x 60 to 90, y 10 to 40) and
// the pocket brought in 15 along X, so that placed on the pad's top it runs
// from x 50 to 80 across the pad's side at x 60.
class TrimmedUdf : public Udf {
protected:
    void SetUp() override {
        Udf::SetUp();
        ASSERT_EQ(export_pocket(), 0);
        to_target();
        double at[] = {75, 25, 20}, up[] = {0, 0, 1}, x[] = {1, 0, 0};
        const char* sizes[] = {"30", "30", "10"};
        ASSERT_EQ(KX_MODL_create_rect_pad(at, up, x, sizes, "0", "0", target_top(), &pad_), 0);
        ASSERT_NEAR(volume_of(target_body_), kBody, 1e-6);
        pad_top_ = face_at({0, 0, 1}, 30);
        near_side_ = face_at({-1, 0, 0}, 60);
        far_side_ = face_at({1, 0, 0}, 90);
        ASSERT_NE(pad_top_, NULL_TAG);
        ASSERT_NE(near_side_, NULL_TAG);
        ASSERT_NE(far_side_, NULL_TAG);
        // Brought in 15 along X, 15 deep.
        ASSERT_EQ(import(&udf_, kShift), 0);
        ASSERT_EQ(set(udf_, {"Depth?"}, {"15"}), 0);
    }
    // The planar face of the target body with that outward normal through
    // the plane at `offset` along it.
    tag face_at(std::vector<double> n, double offset) const {
        for (int f : host::kernel::faces_of(host::kernel::entity_of(target_body_))) {
            int type = 0, sense = 0;
            double p[3], d[3], r1 = 0, r2 = 0;
            ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
            const double along = d[0] * sense * n[0] + d[1] * sense * n[1] + d[2] * sense * n[2];
            const double at = p[0] * n[0] + p[1] * n[1] + p[2] * n[2];
            if (type == ZQ_SURF_PLANE && along > 0.999 && std::abs(std::abs(at) - offset) < 1e-9)
                return host::kernel::object_of(f);
        }
        return NULL_TAG;
    }
    int place_trimmed(std::vector<tag> trims, tag* placed) {
        const tag own = planar_face(tool_body(udf_), {0, 0, 1});
        return KX_MODL_boolean_udf(udf_, pad_top_, own, nullptr, static_cast<int>(trims.size()), trims.data(), 0,
                                   nullptr, 0, placed);
    }
    // The cut of a pocket `depth` deep from the pad's top: 20 x 20 in the
    // pad's part (x 60 to 80), and when not trimmed by the pad's near side
    // also 10 x 20 below the block's top (x 50 to 60).
    static double cut(double depth, bool trimmed) {
        return 20 * 20 * depth + (trimmed ? 0 : 10 * 20 * (depth - 10));
    }

    static constexpr double kBody = 100 * 50 * 20 + 30 * 30 * 10;
    static constexpr double kShift[3] = {15, 0, 0};
    tag udf_ = NULL_TAG, pad_ = NULL_TAG, pad_top_ = NULL_TAG, near_side_ = NULL_TAG, far_side_ = NULL_TAG;
};

// The part of the tool beyond the pad's near side goes before the cut; the
// trimmed tool follows the UDF's values; faces given again by the
// redefinition trim it from the update on.
TEST_F(TrimmedUdf, TheTrimFaceCutsTheToolBeforeTheBoolean) {
    tag placed = NULL_TAG;
    ASSERT_EQ(place_trimmed({near_side_}, &placed), 0);
    EXPECT_NEAR(volume_of(target_body_), kBody - cut(15, true), 1e-6);
    EXPECT_TRUE(UDF_is_a_trim_udf_meta(placed));
    ASSERT_EQ(set(udf_, {"Depth?"}, {"12"}), 0);
    EXPECT_NEAR(volume_of(target_body_), kBody - cut(12, true), 1e-6);

    // The far side (x 90) leaves the tool whole.
    tag faces[] = {far_side_};
    ASSERT_EQ(KX_MODL_redefine_trim_faces(placed, 1, faces, 0), 0);
    EXPECT_NEAR(volume_of(target_body_), kBody - cut(12, false), 1e-6);
    int n = 0;
    unsigned int* refs = nullptr;
    FEAT_ask_attribute_array(placed, UDF_ATT_TARGET_TRIM, &n, &refs);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(refs[0], FREF_ask_fref_of_face(far_side_));
    SM_free(refs);
    faces[0] = near_side_;
    ASSERT_EQ(KX_MODL_redefine_trim_faces(placed, 1, faces, 0), 0);
    EXPECT_NEAR(volume_of(target_body_), kBody - cut(12, true), 1e-6);

    // The pocket's floor (z 18) is the UDF's own face: refused, nothing
    // changed. The block's front (y 0) is a face of the feature it stands
    // on: taken, and the tool lies wholly behind it.
    faces[0] = face_at({0, 0, 1}, 18);
    ASSERT_NE(faces[0], NULL_TAG);
    EXPECT_EQ(KX_MODL_redefine_trim_faces(placed, 1, faces, 0), 672248);
    EXPECT_NEAR(volume_of(target_body_), kBody - cut(12, true), 1e-6);
    faces[0] = face_at({0, -1, 0}, 0);
    ASSERT_NE(faces[0], NULL_TAG);
    EXPECT_EQ(KX_MODL_redefine_trim_faces(placed, 1, faces, 0), 0);
    EXPECT_NEAR(volume_of(target_body_), kBody - cut(12, false), 1e-6);
}

// Untrimmed, the same placement cuts the part below the block's top too.
TEST_F(TrimmedUdf, WithoutTrimFacesTheWholeToolCuts) {
    tag placed = NULL_TAG;
    ASSERT_EQ(place_trimmed({}, &placed), 0);
    EXPECT_NEAR(volume_of(target_body_), kBody - cut(15, false), 1e-6);
    EXPECT_FALSE(UDF_is_a_trim_udf_meta(placed));
}

// Read back, the trimmed feature is made again trimmed, follows its values
// trimmed and still takes other trim faces.
TEST_F(TrimmedUdf, TheTrimmedGeometryIsTheSameAfterSaveAndReopen) {
    tag placed = NULL_TAG;
    ASSERT_EQ(place_trimmed({near_side_}, &placed), 0);
    const tag far = far_side_;
    std::map<unsigned int, unsigned int> read = reopen_part(target_part_, kxtest::fresh_process);
    const tag udf2 = read[udf_], placed2 = read[placed];
    target_body_ = read[target_body_];
    ASSERT_NE(placed2, NULL_TAG);
    EXPECT_NEAR(volume_of(target_body_), kBody - cut(15, true), 1e-6);
    EXPECT_TRUE(UDF_is_a_trim_udf_meta(placed2));
    int n = 0;
    unsigned int* refs = nullptr;
    FEAT_ask_attribute_array(placed2, UDF_ATT_TARGET_TRIM, &n, &refs);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(refs[0], FREF_ask_fref_of_face(face_at({-1, 0, 0}, 60)));
    SM_free(refs);
    ASSERT_EQ(set(udf2, {"Depth?"}, {"12"}), 0);
    EXPECT_NEAR(volume_of(target_body_), kBody - cut(12, true), 1e-6);
    tag faces[] = {read[far]};
    ASSERT_EQ(KX_MODL_redefine_trim_faces(placed2, 1, faces, 0), 0);
    EXPECT_NEAR(volume_of(target_body_), kBody - cut(12, false), 1e-6);
}

// A tool wholly beyond its trim face leaves nothing to cut: the kernel's
// code, and the model, the marks and the UDF's status as before.
TEST_F(TrimmedUdf, ATrimFaceThatLeavesNothingOfTheToolIsRefused) {
    // Brought in 35 back along X the pocket runs from x 0 to 30, all of it
    // beyond the pad's near side.
    tag udf = NULL_TAG;
    const double back[] = {-35, 0, 0};
    ASSERT_EQ(import(&udf, back), 0);
    ASSERT_EQ(set(udf, {"Depth?"}, {"15"}), 0);
    const double before = volume_of(target_body_);
    const int marks_before = marks();
    const int bodies = bodies_of_work_part();
    tag trims[] = {near_side_};
    tag placed = 55;
    const tag own = planar_face(tool_body(udf), {0, 0, 1});
    EXPECT_EQ(KX_MODL_boolean_udf(udf, pad_top_, own, nullptr, 1, trims, 0, nullptr, 0, &placed),
              KERNEL_ERR_EMPTY_RESULT);
    EXPECT_EQ(placed, 55u);
    EXPECT_EQ(volume_of(target_body_), before);
    EXPECT_EQ(marks(), marks_before);
    EXPECT_EQ(bodies_of_work_part(), bodies);
    EXPECT_EQ(inq_udf_status_(), UDF_STATUS_IDLE);
    EXPECT_FALSE(UDF_is_a_trim_udf_meta(UDF_ask_meta_frec(udf)));
}

}  // namespace
