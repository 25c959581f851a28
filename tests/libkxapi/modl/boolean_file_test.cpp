// Booleans, the bodies they split off and the positioning of features
// kept in part files: saved, closed, opened again and worked on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/positioning.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/kx_session.h"
#include "libkxapi/core/kx_list.h"
#include "tests/support/part_files.h"

namespace {

class BooleanFile : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        file_ = (std::filesystem::temp_directory_path() /
                 (std::string("kx_boolean_file_") + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                  ".prt"))
                    .string();
        std::filesystem::remove(file_);
        part_ = host::parts::create(file_);
        CONTEXT_set_work_part(part_);
    }
    void TearDown() override {
        fresh();
        std::filesystem::remove(file_);
    }
    static void fresh() {
        kx_reset_callbacks_for_tests();
        kx_reset_session_for_tests();
        host::control::reset();
    }

    unsigned int block_feature(const std::vector<std::string>& sizes, std::vector<double> corner) const {
        std::vector<const char*> f;
        for (const std::string& s : sizes) f.push_back(s.c_str());
        unsigned int t = 0;
        EXPECT_EQ(FEAT_create(part_, "BLOCK", int(f.size()), f.data(), int(corner.size()), corner.data(), 0, nullptr, 0,
                              0, &t),
                  0);
        return t;
    }
    tag block(const std::vector<std::string>& sizes, std::vector<double> corner) const {
        return FREC_ask_body(block_feature(sizes, corner));
    }
    // Saves the part and starts a fresh session.
    void save_and_close() {
        ASSERT_EQ(kxtest::save_part(part_), 0);
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
    }
    // Saves the part, closes the session and opens the file again.
    void reopen() {
        save_and_close();
        ASSERT_EQ(kxtest::open_part(file_, &part_), 0);
        CONTEXT_set_work_part(part_);
    }
    static double volume(tag body) {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), p);
        return p[ZQ_MP_VOLUME];
    }
    static std::vector<tag> take(tag_list*& list) {
        std::vector<tag> out = kx::tags_of(list);
        KX_MODL_delete_list(&list);
        return out;
    }
    static tag last_feature(tag body) {
        int n = 0;
        unsigned int* f = nullptr;
        FREC_ask_body_features(body, &n, &f);
        const tag last = n > 0 ? f[n - 1] : NULL_TAG;
        SM_free(f);
        return last;
    }

    // The feature's name now and a way back to it after reopen().
    static std::string name_of(tag feature) { return host::feature::display_name(feature); }
    tag named(const std::string& name) const { return FREC_ask_frec_from_name(part_, name.c_str()); }

    std::string file_;
    unsigned int part_ = 0;
};

TEST_F(BooleanFile, AReopenedBooleanKeepsItsToolAndTakesANewOne) {
    const tag target = block({"100", "50", "20"}, {0, 0, 0});
    const tag tool_feature = block_feature({"20", "50", "20"}, {90, 0, 0});
    ASSERT_EQ(KX_MODL_unite_bodies(target, FREC_ask_body(tool_feature)), 0);
    const std::string boolean_name = name_of(last_feature(target)), tool_name = name_of(tool_feature);
    ASSERT_NEAR(volume(target), 110000, 1e-6);
    reopen();
    const tag boolean = named(boolean_name);
    ASSERT_NE(boolean, NULL_TAG);
    tag_list* nested = nullptr;
    ASSERT_EQ(KX_MODL_ask_nested_frecs(boolean, &nested), 0);
    EXPECT_EQ(take(nested), std::vector<tag>{named(tool_name)});
    const tag body = FREC_ask_body(boolean);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(body), 110000, 1e-6);
    const tag other = block({"40", "50", "20"}, {-30, 0, 0});
    ASSERT_EQ(KX_MODL_replace_boolean_body(boolean, 1, other), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(body), 130000, 1e-6);
}

}  // namespace

// A boolean and a feature with positioning.
void fill(unsigned int part) {
    auto block = [part](const char* x, double at) {
        const char* sizes[3] = {x, "50", "20"};
        const double corner[3] = {at, 0, 0};
        unsigned int t = 0;
        EXPECT_EQ(FEAT_create(part, "BLOCK", 3, sizes, 3, corner, 0, nullptr, 0, 0, &t), 0);
        return t;
    };
    const unsigned int target = block("100", 0), placed = block("20", 300);
    EXPECT_EQ(KX_MODL_unite_bodies(FREC_ask_body(target), FREC_ask_body(block("20", 90))), 0);
    tag exp = NULL_TAG;
    EXPECT_EQ(host::expr::create_system(part, "15", &exp, false), 0);
    host::feature::add_constraint(placed, "Horizontal", target, {exp});
    host::feature::make_instance(placed, target, 1, 1);
}

TEST_F(BooleanFile, DamagedRowsAreRefusedAndMissingSectionsAccepted) {
    fill(part_);
    save_and_close();
    namespace pf = host::part_file;
    pf::Image saved;
    ASSERT_EQ(pf::load(file_, saved), 0);
    auto payload = [&](const char* id) -> std::string* {
        for (auto& [name, bytes] : saved.sections)
            if (name == id) return &bytes;
        return nullptr;
    };
    for (const char* id : {"BOOL", "RCON", "RPOS"}) ASSERT_NE(payload(id), nullptr) << id;
    auto u32_at = [](const std::string& bytes, std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
        return v;
    };
    // The first row's first fields begin at byte 12 (count, object, size).
    struct Case {
        const char* what;
        const char* id;
        std::size_t at;
        std::uint32_t value;  // 0xFFFFFFFE: the row's own object
    };
    const std::vector<Case> cases = {
        {"a tool that is the boolean itself", "BOOL", 16, 0xFFFFFFFEu},
        {"a tool that is the part", "BOOL", 16, 0},
        {"a tool count beyond the row", "BOOL", 12, 1000},
        {"a constraint of no feature", "RCON", 12, 0xFFFFFFFEu},
        {"a constraint's feature out of the file", "RCON", 12, 0xFFFFFFF0u},
        {"an expression out of the file", "RCON", 24, 0xFFFFFFF0u},
        {"a positioning object that is a feature", "RPOS", 16, 0xFFFFFFFEu},
        {"a positioning count beyond the row", "RPOS", 12, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        pf::Image bad = saved;
        for (auto& [name, bytes] : bad.sections) {
            if (name != c.id) continue;
            ASSERT_LE(c.at + 4, bytes.size());
            std::uint32_t v = c.value == 0xFFFFFFFEu ? u32_at(bytes, 4) : c.value;
            for (int i = 0; i < 4; ++i, v >>= 8) bytes[c.at + i] = static_cast<char>(v & 0xFF);
        }
        int code = -1;
        EXPECT_EQ(pf::apply(bad, file_ + ".bad", &code), 0u);
        EXPECT_EQ(code, PART_ERR_CORRUPT);
    }
    // A file written before the sections existed opens without them.
    pf::Image old = saved;
    std::erase_if(old.sections,
                  [](const auto& s) { return s.first == "BOOL" || s.first == "RCON" || s.first == "RPOS"; });
    int code = -1;
    part_ = pf::apply(old, file_ + ".old", &code);
    ASSERT_NE(part_, 0u) << code;
    CONTEXT_set_work_part(part_);
    for (unsigned int f : host::feature::features_of_part(part_)) {
        EXPECT_TRUE(host::feature::positioning_objects(f).empty());
        tag_list* nested = nullptr;
        ASSERT_EQ(KX_MODL_ask_nested_frecs(f, &nested), 0);
        EXPECT_TRUE(take(nested).empty());
    }
    ASSERT_EQ(KX_MODL_update(), 0);
}

TEST_F(BooleanFile, PositioningOfFeaturesIsKeptInTheFile) {
    const tag fixed = block_feature({"100", "50", "20"}, {0, 0, 0});
    const tag placed = block_feature({"10", "10", "10"}, {20, 20, 0});
    tag exp = NULL_TAG, named_exp = NULL_TAG;
    ASSERT_EQ(host::expr::create_system(part_, "15", &exp, false), 0);
    ASSERT_EQ(host::expr::create_system(part_, "25", &named_exp, false), 0);
    host::feature::add_constraint(placed, "Horizontal", fixed, {exp});
    host::feature::add_constraint(placed, "Parallel at a Distance", 0, {exp, named_exp});
    host::feature::add_kept_value(placed, "Kept", "7");
    host::feature::make_instance(placed, fixed, 2, 3);
    const std::string placed_name = name_of(placed), fixed_name = name_of(fixed);
    reopen();
    const tag again = named(placed_name), master = named(fixed_name);
    ASSERT_NE(again, NULL_TAG);
    const auto kept = host::feature::positioning_objects(again);
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0].second, "Horizontal");
    EXPECT_EQ(kept[1].second, "Parallel at a Distance");
    EXPECT_EQ(kept[2].second, "Kept");
    EXPECT_EQ(RPO_ask_constraint_target(kept[0].first), master);
    EXPECT_EQ(RPO_ask_constraint_target(kept[1].first), 0u);
    ASSERT_NE(host::expr::find(kept[2].first), nullptr);
    int count = 0;
    char** descriptors = nullptr;
    void** exps = nullptr;
    ASSERT_EQ(RPO_ask_exp_desc_of_frec(again, &count, &descriptors, &exps), 0);
    ASSERT_EQ(count, 3);
    std::vector<double> values;
    for (int i = 0; i < count; ++i) {
        const tag e = OM_ask_tag(exps[i]);
        EXPECT_TRUE(host::feature::positioning_uses(again, e));
        values.push_back(host::expr::find(e)->value);
        SM_free(descriptors[i]);
    }
    SM_free(descriptors);
    SM_free(exps);
    EXPECT_EQ(values, (std::vector<double>{15, 15, 25}));
    int row = 0, column = 0;
    EXPECT_EQ(ISET_ask_instance_position(again, &row, &column), 1);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(column, 3);
    EXPECT_EQ(ISET_ask_initial_master_of_ins(again), master);
}

namespace {

TEST_F(BooleanFile, BodiesSplitOffAreMadeAgainByTheUpdate) {
    const tag block_f = block_feature({"100", "50", "20"}, {0, 0, 0});
    const tag target = FREC_ask_body(block_f);
    int count = 0;
    tag* bodies = nullptr;
    ASSERT_EQ(KX_MODL_subtract_bodies(target, block({"10", "60", "30"}, {45, -5, -5}), &count, &bodies), 0);
    ASSERT_EQ(count, 2);
    const tag piece = bodies[1] == target ? bodies[0] : bodies[1];
    KX_free(bodies);
    ASSERT_NEAR(volume(target) + volume(piece), 90000, 1e-6);
    // The block grows along X: the piece beyond the slab grows with it.
    std::vector<unsigned int> piece_faces;
    for (int face : host::kernel::faces_of(host::kernel::entity_of(piece)))
        piece_faces.push_back(host::kernel::object_of(face));
    // An update without changes leaves the pieces as they are.
    ASSERT_EQ(KX_MODL_update(), 0);
    for (unsigned int face : piece_faces) EXPECT_TRUE(host::objects::is_alive(face));
    ASSERT_EQ(host::expr::edit(host::feature::find(block_f)->exps[0], "200"), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << host::feature::last_failure().text;
    ASSERT_TRUE(host::objects::is_alive(target));
    ASSERT_TRUE(host::objects::is_alive(piece));
    EXPECT_NEAR(volume(target) + volume(piece), 190000, 1e-6);
    EXPECT_NEAR(std::max(volume(target), volume(piece)), 145000, 1e-6);
    // The face the slab cut keeps its tag.
    EXPECT_TRUE(std::any_of(piece_faces.begin(), piece_faces.end(),
                            [](unsigned int face) { return host::objects::is_alive(face); }));
}

}  // namespace
