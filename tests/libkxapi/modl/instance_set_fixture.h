// Instance sets and mirror sets on the 100 x 50 x 20 block, with a part
// file to save the work part to and open it again from.
#ifndef TESTS_LIBKXAPI_MODL_INSTANCE_SET_FIXTURE_H
#define TESTS_LIBKXAPI_MODL_INSTANCE_SET_FIXTURE_H

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "host/store/parts/part_file.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/apps/modeling/sets/instance_sets.h"
#include "host/apps/modeling/sets/mirror_sets.h"
#include "kx_modl_sets.h"
#include "tests/libkxapi/modl/form_fixture.h"
#include "tests/support/part_files.h"

namespace iset_test {

using form_test::kBlockVolume;
using form_test::kPi;

class SetFixture : public form_test::FormFeature {
protected:
    void SetUp() override {
        FormFeature::SetUp();
        BREF_set_current_target(body_);
        file_ = (std::filesystem::temp_directory_path() /
                 (std::string("kx_iset_") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".prt"))
                    .string();
        std::filesystem::remove(file_);
    }
    void TearDown() override {
        std::filesystem::remove(file_);
        FormFeature::TearDown();
    }
    // A blind hole of the diameter and depth 10 into the top face.
    tag hole(double x, double y, const char* diameter = "6") {
        double at[] = {x, y, 20}, down[] = {0, 0, -1};
        tag h = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_simple_hole(at, down, diameter, "10", "0", top_, NULL_TAG, &h), 0);
        return h;
    }
    // A boss of diameter 10 and height 10 on the top face.
    tag boss(double x, double y) {
        double at[] = {x, y, 20}, up[] = {0, 0, 1};
        tag b = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_boss(at, up, "10", "10", "0", top_, &b), 0);
        return b;
    }
    static double hole_volume(double d = 6) { return kPi * d * d / 4 * 10.0; }
    static double boss_volume() { return kPi * 25.0 * 10.0; }
    static tag linear(std::initializer_list<tag> sources, const char* nx, const char* sx, const char* ny,
                      const char* sy) {
        tag_list* list = nullptr;
        EXPECT_EQ(KX_MODL_create_list(&list), 0);
        for (tag t : sources) EXPECT_EQ(KX_MODL_put_list_item(list, t), 0);
        tag set = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_linear_iset(0, nx, sx, ny, sy, list, &set), 0);
        KX_MODL_delete_list(&list);
        return set;
    }
    static tag circular(std::initializer_list<tag> sources, const char* number, const char* angle) {
        tag_list* list = nullptr;
        EXPECT_EQ(KX_MODL_create_list(&list), 0);
        for (tag t : sources) EXPECT_EQ(KX_MODL_put_list_item(list, t), 0);
        double origin[] = {50, 25, 0}, axis[] = {0, 0, 1};
        tag set = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_circular_iset(0, origin, number, angle, axis, list, &set), 0);
        KX_MODL_delete_list(&list);
        return set;
    }
    // Whether the block's body holds the point.
    bool inside(double x, double y, double z) const {
        const double p[] = {x, y, z};
        int where = 0;
        ZQ_BODY_ask_containment(host::kernel::entity_of(body_), p, &where);
        return where == ZQ_INSIDE;
    }
    static std::vector<tag> tags(tag* array, int n) {
        std::vector<tag> out(array, array + n);
        SM_free(array);
        return out;
    }
    static std::vector<tag> instances_of(tag master) {
        int n = 0;
        unsigned int* sets = nullptr;
        ISET_ask_instances_of_master(master, &n, &sets);
        return tags(sets, n);
    }
    static std::vector<tag> inputs_of(tag mirror) {
        tag* f = nullptr;
        int n = -1;
        EXPECT_EQ(KX_MODL_ask_features_of_mirror_set(mirror, &f, &n), 0);
        EXPECT_NE(f, nullptr);
        std::vector<tag> out(f, f + (n > 0 ? n : 0));
        KX_free(f);
        return out;
    }
    static std::string name(tag feature) { return host::feature::display_name(feature); }
    tag named(const std::string& n) const { return FREC_ask_frec_from_name(part_, n.c_str()); }
    void save() {
        int length = static_cast<int>(file_.size()), mode = 0, result = -1;
        base_part_save_as(file_.c_str(), &length, &mode, &result);
        ASSERT_EQ(result, 0);
    }
    // Saves the work part, starts afresh and opens it again; the block's
    // body is that of the feature named `block`.
    void reopen(const std::string& block = "BLOCK(1)") {
        save();
        open(block);
    }
    // Starts afresh and opens the part file.
    void open(const std::string& block = "BLOCK(1)") {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        ASSERT_EQ(kxtest::open_part(file_, &part_), 0);
        CONTEXT_set_work_part(part_);
        body_ = FREC_ask_body(named(block));
        ASSERT_NE(body_, NULL_TAG);
        BREF_set_current_target(body_);
        top_ = face({0, 0, 1});
    }

    std::string file_;
};

}  // namespace iset_test

#endif
