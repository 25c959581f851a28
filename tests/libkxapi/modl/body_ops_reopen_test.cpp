// Face sews and face divisions on bodies that no feature made (made by
// the kernel directly, or by kernel steps of its own before the feature)
// saved and read back: the queries and the geometry answer the same, the
// update rebuilds the body from the steps saved with it, and a damaged
// step number is refused.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/objects.h"
#include "kxapi.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/libkxapi/modl/body_ops_fixture.h"
#include "tests/libkxapi/modl/damaged_rows.h"
#include "tests/support/fresh_process.h"

namespace {

class BodyOpsReopen : public ::testing::Test {
protected:
    void SetUp() override {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("bodyops_reopen.prt");
        host::parts::set_work_part(part_);
    }
    void TearDown() override { kxtest::fresh_process(); }

    unsigned int part_ = 0;
};

using kxtest::face_at;
using kxtest::kernel_block;
using kxtest::line;

// Volume and face count of the body.
std::pair<double, std::size_t> shape(tag body) {
    const int entity = host::kernel::entity_of(body);
    double p[ZQ_MP_COUNT] = {};
    ZQ_BODY_ask_mass_props(entity, p);
    return {p[ZQ_MP_VOLUME], host::kernel::faces_of(entity).size()};
}

// A feature made on a body that no feature made, with what the body is
// with the feature and without it (volume, face count).
struct Made {
    tag body = NULL_TAG, feature = NULL_TAG;
};
struct Case {
    const char* what;
    Made (*make)();
    double volume;
    std::size_t faces;
    double base_volume;
    std::size_t base_faces;
};

// What the feature answers: its type, its body and, for a sew of faces,
// the faces it took and its tolerance.
struct Answer {
    std::string type;
    tag body = NULL_TAG;
    int sew_code = -1;
    std::vector<tag> sewn;
    double tolerance = 0;
};
Answer answer(tag feature) {
    Answer a;
    char* type = nullptr;
    EXPECT_EQ(KX_MODL_ask_feat_type(feature, &type), 0);
    a.type = type ? type : "";
    KX_free(type);
    tag body = NULL_TAG;
    EXPECT_EQ(KX_MODL_ask_feat_body(feature, &body), 0);
    a.body = body;
    int n_targets = 0, n_tools = 0;
    tag *targets = nullptr, *tools = nullptr;
    a.sew_code = KX_MODL_ask_sew_solid_body(feature, &n_targets, &targets, &n_tools, &tools, &a.tolerance);
    if (a.sew_code == 0) {
        a.sewn.assign(targets, targets + n_targets);
        a.sewn.insert(a.sewn.end(), tools, tools + n_tools);
        KX_free(targets);
        KX_free(tools);
    }
    return a;
}
void expect_same(const Answer& got, const Answer& want) {
    EXPECT_EQ(got.type, want.type);
    EXPECT_EQ(got.body, want.body);
    EXPECT_EQ(got.sew_code, want.sew_code);
    EXPECT_EQ(got.sewn, want.sewn);
    EXPECT_EQ(got.tolerance, want.tolerance);
}

tag sew_block_beside(tag body) {
    const tag tool = kernel_block({100, 0, 0}, {20, 50, 20});
    tag targets[1] = {face_at(body, 0, 100)}, tools[1] = {face_at(tool, 0, 100)};
    tag_list* made = nullptr;
    tag feature = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_sew(0, 1, targets, 1, tools, 0.002, 0, &made, &feature), 0);
    KX_MODL_delete_list(&made);
    return feature;
}
// Divides the face of the body at z = `at` along x = 30.
tag divide_at_30(tag body, double at) {
    tag curves[2] = {line({30, 0, at}, {30, 50, at}), NULL_TAG};
    tag feature = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_subdiv_face(curves, 0, face_at(body, 2, at), 0, 0, &feature), 0);
    return feature;
}
tag block_of_the_kernel() { return kernel_block({0, 0, 0}, {100, 50, 20}); }
// The kernel's block hollowed by the kernel (its top face opened, walls of 2).
tag hollowed_by_the_kernel() {
    const tag body = block_of_the_kernel();
    const int top = host::kernel::entity_of(face_at(body, 2, 20));
    ZQ_BODY_hollow(host::kernel::entity_of(body), 1, &top, 2);
    return body;
}
// The kernel's block written to a kernel data file and read back from it.
tag read_from_kernel_data() {
    const std::string file =
        (std::filesystem::temp_directory_path() / ("h42-" + std::to_string(::getpid()) + ".xt")).string();
    tag_list* out = nullptr;
    KX_MODL_create_list(&out);
    const tag block = block_of_the_kernel();
    KX_MODL_put_list_item(out, block);
    EXPECT_EQ(KX_ZR_export_data(out, file.c_str()), 0);
    KX_MODL_delete_list(&out);
    ZQ_ENTITY_delete(host::kernel::entity_of(block));
    tag_list* in = nullptr;
    EXPECT_EQ(KX_ZR_import_data(file.c_str(), &in), 0);
    std::filesystem::remove(file);
    tag body = NULL_TAG;
    KX_MODL_ask_list_item(in, 0, &body);
    KX_MODL_delete_list(&in);
    return body;
}

const Case kCases[] = {
    {"a face sew on a block of the kernel",
     [] {
         const tag body = block_of_the_kernel();
         return Made{body, sew_block_beside(body)};
     },
     120000, 10, 100000, 6},
    {"a face division on a block of the kernel",
     [] {
         const tag body = block_of_the_kernel();
         return Made{body, divide_at_30(body, 20)};
     },
     100000, 7, 100000, 6},
    {"a face division on a block that the kernel hollowed first",
     [] {
         const tag body = hollowed_by_the_kernel();
         return Made{body, divide_at_30(body, 0)};
     },
     20512, 12, 20512, 11},
    {"a face sew on a body read from a kernel data file",
     [] {
         const tag body = read_from_kernel_data();
         return Made{body, sew_block_beside(body)};
     },
     120000, 10, 100000, 6},
};

TEST_F(BodyOpsReopen, FeaturesOnBodiesNoFeatureMadeAnswerTheSameAndUpdate) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        SetUp();
        const Made made = c.make();
        ASSERT_NE(made.feature, NULL_TAG);
        ASSERT_EQ(shape(made.body).second, c.faces);
        EXPECT_NEAR(shape(made.body).first, c.volume, 1e-6 * c.volume);
        const Answer before = answer(made.feature);
        const std::map<unsigned int, unsigned int> read = reopen_part(part_, [] { kxtest::fresh_process(); });
        const auto map = [&](tag t) { return read.count(t) ? read.at(t) : NULL_TAG; };
        const tag feature = read.at(made.feature), body = read.at(made.body);
        // The answers with the objects as the reopened part names them (the
        // faces a sew consumed were not saved: NULL_TAG).
        Answer mapped = before;
        mapped.body = map(before.body);
        for (tag& t : mapped.sewn) t = map(t);
        const auto expect_as_saved = [&] {
            expect_same(answer(feature), mapped);
            EXPECT_EQ(shape(body).second, c.faces);
            EXPECT_NEAR(shape(body).first, c.volume, 1e-6 * c.volume);
        };
        expect_as_saved();
        // The update makes the body again from the steps saved with it.
        ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
        expect_as_saved();
        // Left out, the feature leaves the body as it was before it; back in,
        // the body is as saved.
        ASSERT_EQ(FREC_set_suppressed(feature, 1), 0);
        ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
        EXPECT_EQ(shape(body).second, c.base_faces);
        EXPECT_NEAR(shape(body).first, c.base_volume, 1e-6 * c.base_volume);
        ASSERT_EQ(FREC_set_suppressed(feature, 0), 0);
        ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
        expect_as_saved();
    }
}

TEST_F(BodyOpsReopen, AFirstFeatureAfterStepsTheBodyLacksIsRefused) {
    const tag body = block_of_the_kernel();
    ASSERT_NE(sew_block_beside(body), NULL_TAG);
    namespace pf = host::part_file;
    pf::Image image;
    const std::string rows = kxtest::section_payload(part_, "FEAT", image);
    // The sew's row ends with its body, step, sign, suppression and flags.
    ASSERT_GE(rows.size(), 20u);
    const kxtest::RowDamage damages[] = {
        {"a step the body does not have", "FEAT", rows.size() - 16, kxtest::le32(1), kxtest::le32(2)},
        {"the sew as the step that makes the body", "FEAT", rows.size() - 16, kxtest::le32(1), kxtest::le32(0)},
    };
    kxtest::expect_damaged_rows_refused(part_, damages);
    // Without the body's steps the sew has nothing to be made on.
    std::erase_if(image.sections, [](const auto& s) { return s.first == "KSTP"; });
    const std::size_t objects = host::objects::objects_of_part(part_).size();
    int code = 0;
    EXPECT_EQ(pf::apply(image, "nosteps.prt", &code), 0u);
    EXPECT_EQ(code, 641004);
    EXPECT_EQ(host::objects::objects_of_part(part_).size(), objects);
}

}  // namespace
