// Features and expressions in part files: a saved model reopens with the
// same features, expressions, bodies and objects, updates again to the same
// results, and the reader refuses what the services could not have made.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "host/store/parts/part_file.h"
#include "feature_model_test.h"

namespace {

namespace pf = host::part_file;

class FeatureFiles : public FeatureModelTest {
protected:
    void SetUp() override {
        FeatureModelTest::SetUp();
        std::string pattern = (std::filesystem::temp_directory_path() / "kxfeat-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        part_ = host::parts::create(file("model.prt"));
        CONTEXT_set_work_part(part_);
    }
    void TearDown() override {
        FeatureModelTest::TearDown();
        std::filesystem::remove_all(dir_);
    }
    std::string file(const char* name) const { return (dir_ / name).string(); }

    void save() {
        int components = 0, mode = 2, result = -1;
        unsigned int p = part_;
        base_save_part(&p, &components, &mode, &result);
        ASSERT_EQ(result, 0);
    }
    // Resets the host and opens the saved part; finds the story's features.
    void reopen() {
        host::control::reset();
        PART_load_status_t s{};
        unsigned int part = 0;
        ASSERT_EQ(BASE_open_part(file("model.prt").c_str(), &part, &s), 0);
        for (int i = 0; i < s.n_parts; ++i) SM_free(s.file_names[i]);
        SM_free(s.file_names);
        SM_free(s.statuses);
        part_ = part;
        CONTEXT_set_work_part(part_);
        block_ = FREC_ask_frec_from_name(part_, "BLOCK(1)");
        hole_ = FREC_ask_frec_from_name(part_, "CYLINDER(2)");
        blend_ = FREC_ask_frec_from_name(part_, "BLEND(3)");
    }
    std::string expressions() const {
        std::string out;
        for (unsigned int t : host::expr::of_part(part_)) out += host::expr::assignment(t) + "\n";
        return out;
    }
    // Applies the part's file image with one section's payload changed.
    int apply_changed(const char* section, const std::string& from, const std::string& to) {
        const std::string bytes = pf::encode(part_, nullptr, true);
        pf::Image image;
        EXPECT_EQ(pf::decode(bytes, image), 0);
        bool changed = false;
        for (auto& [id, payload] : image.sections)
            if (id == section) {
                const std::size_t at = payload.find(from);
                EXPECT_NE(at, std::string::npos) << from;
                if (at == std::string::npos) return -1;
                payload.replace(at, from.size(), to);
                changed = true;
            }
        EXPECT_TRUE(changed);
        host::control::reset();
        int code = 0;
        const unsigned int part = pf::apply(image, file("changed.prt"), &code);
        return part ? 0 : code;
    }
    std::filesystem::path dir_;
};

TEST_F(FeatureFiles, ReopenedModelUpdatesToTheSameResults) {
    build();
    ASSERT_EQ(set("length", "100*1.2"), 0);
    ASSERT_EQ(update(), 0);
    const std::string exps = expressions();
    const double v = volume(body_of(block_));
    save();

    reopen();
    ASSERT_NE(blend_, 0u);
    EXPECT_EQ(expressions(), exps);
    EXPECT_NEAR(volume(body_of(block_)), v, 1e-9 * v);
    ASSERT_EQ(update(), 0);  // nothing out of date
    EXPECT_NEAR(volume(body_of(block_)), v, 1e-9 * v);

    // Edits regenerate the reopened model as they did the first.
    const unsigned int body = FREC_ask_body(block_);
    ASSERT_EQ(set("length", "150"), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_EQ(FREC_ask_body(block_), body);  // the body object read with the part
    EXPECT_NEAR(volume(body_of(block_)), closed_form(150, 50, 20, 5), 1e-6 * closed_form(150, 50, 20, 5));
    const auto rounds = round_faces(body_of(block_), 5);
    ASSERT_EQ(rounds.size(), 2u);
    for (const auto& axis : rounds) EXPECT_NEAR(axis[0], 145, 1e-6);
    ASSERT_EQ(FREC_set_suppressed(blend_, 1), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(body_of(block_)), closed_form(150, 50, 20, 0), 1e-6 * closed_form(150, 50, 20, 0));
}

TEST_F(FeatureFiles, SuppressionAndRecordFlagsSurviveTheFile) {
    build();
    host::feature::set_flags(hole_, false, true, true);
    ASSERT_EQ(FREC_set_suppressed(blend_, 1), 0);
    ASSERT_EQ(update(), 0);
    save();
    reopen();
    EXPECT_EQ(FREC_is_suppressed(blend_), 1);
    EXPECT_EQ(FREC_is_browseable(hole_), 0);
    EXPECT_EQ(FREC_is_a_controlled_frec(hole_), 1);
    EXPECT_EQ(FREC_is_a_meta_frec(hole_), 1);
    EXPECT_EQ(FREC_is_browseable(blend_), 1);
    EXPECT_NEAR(volume(body_of(block_)), closed_form(100, 50, 20, 0), 1e-6 * closed_form(100, 50, 20, 0));
    ASSERT_EQ(FREC_set_suppressed(blend_, 0), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(body_of(block_)), closed_form(100, 50, 20, 5), 1e-6 * closed_form(100, 50, 20, 5));
}

TEST_F(FeatureFiles, TheCurrentFeatureSurvivesTheFile) {
    build();
    ASSERT_EQ(FREC_make_current_feature(hole_), 0);
    save();
    reopen();
    EXPECT_EQ(FREC_ask_current_feature(part_), hole_);
    EXPECT_NEAR(volume(body_of(block_)), closed_form(100, 50, 20, 0), 1e-6 * closed_form(100, 50, 20, 0));
    ASSERT_EQ(FREC_make_current_feature(blend_), 0);
    EXPECT_NEAR(volume(body_of(block_)), closed_form(100, 50, 20, 5), 1e-6 * closed_form(100, 50, 20, 5));
}

TEST_F(FeatureFiles, APartWithoutFeaturesOrExpressionsStillOpens) {
    save();
    reopen();
    EXPECT_EQ(host::feature::features_of_part(part_).size(), 0u);
    EXPECT_EQ(update(), 0);
}

struct SpoilRow {
    const char* title;
    const char* section;
    std::string from, to;
};

class FeatureFileRefusal : public FeatureFiles, public ::testing::WithParamInterface<SpoilRow> {};

TEST_P(FeatureFileRefusal, MakesTheFileCorrupt) {
    const SpoilRow& row = GetParam();
    build();
    ASSERT_EQ(make("aa=1+11"), 0);
    ASSERT_EQ(make("bb=aa+1"), 0);
    EXPECT_EQ(apply_changed(row.section, row.from, row.to), PART_ERR_CORRUPT);
    EXPECT_TRUE(host::kernel::bodies().empty());
}

INSTANTIATE_TEST_SUITE_P(Table, FeatureFileRefusal,
                         ::testing::Values(SpoilRow{"FormulaThatDoesNotRead", "EXPR", "aa+1", "aa+)"},
                                           SpoilRow{"FormulaOfAMissingName", "EXPR", "aa+1", "zz+1"},
                                           SpoilRow{"Cycle", "EXPR", "1+11", "bb+1"},
                                           SpoilRow{"SelfReference", "EXPR", "aa+1", "bb+1"},
                                           SpoilRow{"FeatureOfTheWrongCounts", "FEAT", "BLEND", "BLOCK"},
                                           SpoilRow{"KindTheHostDoesNotBuildWithABody", "FEAT", "BLEND", "BLURB"}),
                         [](const ::testing::TestParamInfo<SpoilRow>& info) { return std::string(info.param.title); });

}  // namespace
