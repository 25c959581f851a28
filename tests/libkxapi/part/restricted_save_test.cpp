// A part file saved for some of a part's objects only (an export) must open
// again with the objects it holds: no section may name an object left out.
// The part here has a block, a hole on its top, a cylinder whose height is
// a user expression, and expressions of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/base/services/objects.h"
#include "tests/libkxapi/modl/form_fixture.h"

namespace {

namespace pf = host::part_file;
namespace obj = host::objects;
using namespace form_test;

class RestrictedSave : public FormFeature {
protected:
    void SetUp() override {
        FormFeature::SetUp();
        double at[] = {30, 20, 20}, into[] = {0, 0, -1};
        ASSERT_EQ(KX_MODL_create_simple_hole(at, into, "10", "8", "0", top_, NULL_TAG, &hole_), 0);
        ASSERT_EQ(EXP_create_exp(part_, "height=12", &height_), 0);
        ASSERT_EQ(EXP_create_exp(part_, "twice=height*2", &twice_), 0);
        const char* sizes[] = {"6", "height"};
        const double place[] = {200, 0, 0, 0, 0, 1};
        ASSERT_EQ(FEAT_create(part_, "CYLINDER", 2, sizes, 6, place, 0, nullptr, 0, 0, &cylinder_), 0);
        file_ = (std::filesystem::temp_directory_path() /
                 (std::string("kx_restricted_") + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                  ".prt"))
                    .string();
    }
    void TearDown() override {
        std::filesystem::remove(file_);
        FormFeature::TearDown();
    }
    std::vector<unsigned int> objects_where(const std::function<bool(unsigned int)>& keep) const {
        std::vector<unsigned int> out;
        for (unsigned int t : obj::objects_of_part(part_))
            if (obj::find(t)->cls != OM_CLASS_PART && keep(t)) out.push_back(t);
        return out;
    }
    // Saves the objects and reads the file back: the new part, or 0 with the code.
    unsigned int save_and_read(const std::vector<unsigned int>& objects, int* code) {
        EXPECT_EQ(pf::write_part(file_, part_, &objects, true), 0);
        pf::Image image;
        *code = pf::load(file_, image);
        if (*code != 0) return 0;
        return pf::apply(image, file_ + ".again", code);
    }
    static std::size_t count_of(unsigned int part, int cls) {
        std::size_t n = 0;
        for (unsigned int t : obj::objects_of_part(part))
            if (obj::find(t)->cls == cls) ++n;
        return n;
    }

    unsigned int hole_ = 0, height_ = 0, twice_ = 0, cylinder_ = 0;
    std::string file_;
};

// Each subset leaves out objects that the saved ones refer to in some
// section; every file opens with the objects saved.
TEST_F(RestrictedSave, EverySubsetOpensWithTheObjectsSaved) {
    const auto cls = [](unsigned int t) { return obj::find(t)->cls; };
    const struct {
        const char* what;
        std::function<bool(unsigned int)> keep;
    } cases[] = {
        {"no features", [&](unsigned int t) { return cls(t) != OM_CLASS_FEATURE; }},
        {"no expressions", [&](unsigned int t) { return cls(t) != OM_CLASS_EXPRESSION; }},
        {"features and expressions only",
         [&](unsigned int t) { return cls(t) == OM_CLASS_FEATURE || cls(t) == OM_CLASS_EXPRESSION; }},
        {"all but the hole", [&](unsigned int t) { return t != hole_; }},
        {"all but the user expression the others use", [&](unsigned int t) { return t != height_; }},
        {"the hole and the user expressions",
         [&](unsigned int t) { return t == hole_ || t == height_ || t == twice_; }},
        {"the body only", [&](unsigned int t) { return t == body_; }},
        {"expressions only", [&](unsigned int t) { return cls(t) == OM_CLASS_EXPRESSION; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<unsigned int> chosen = objects_where(c.keep);
        ASSERT_FALSE(chosen.empty());
        int code = -1;
        const unsigned int again = save_and_read(chosen, &code);
        ASSERT_EQ(code, 0);
        ASSERT_NE(again, 0u);
        // A body read back names all of its faces and edges again.
        const auto counted = [](unsigned int t) {
            const obj::Object* o = obj::find(t);
            return o->cls != OM_CLASS_PART && !(o->type == HOST_TYPE_SOLID && (o->subtype == HOST_SUBTYPE_FACE ||
                                                                              o->subtype == HOST_SUBTYPE_EDGE));
        };
        const std::vector<unsigned int> read = obj::objects_of_part(again);
        EXPECT_EQ(std::count_if(read.begin(), read.end(), counted), std::count_if(chosen.begin(), chosen.end(), counted));
        CONTEXT_set_work_part(part_);
    }
}

// A subset that holds everything a body's features need keeps them: the
// body is made again from its features with the hole in it.
TEST_F(RestrictedSave, ABodyWithAllItsFeaturesKeepsThem) {
    const double before = volume();
    const std::vector<unsigned int> chosen = objects_where(
        [&](unsigned int t) { return t != cylinder_ && t != FREC_ask_body(cylinder_); });
    int code = -1;
    const unsigned int again = save_and_read(chosen, &code);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(host::feature::features_of_part(again).size(), host::feature::features_of_part(part_).size() - 1);
    EXPECT_EQ(count_of(again, OM_CLASS_EXPRESSION), count_of(part_, OM_CLASS_EXPRESSION));
    CONTEXT_set_work_part(again);
    ASSERT_EQ(KX_MODL_update(), 0);
    for (unsigned int t : obj::objects_of_part(again)) {
        const obj::Object* o = obj::find(t);
        if (o->type == HOST_TYPE_SOLID && o->subtype == HOST_SUBTYPE_BODY) {
            double p[ZQ_MP_COUNT] = {};
            ZQ_BODY_ask_mass_props(host::kernel::entity_of(t), p);
            EXPECT_NEAR(p[ZQ_MP_VOLUME], before, 1e-6);
        }
    }
}

}  // namespace
