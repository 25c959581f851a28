// Sheets on foreign surfaces: a sheet made on the user library's saddle
// lies on the saddle wherever it is evaluated, answers the definition it
// was made from, and every failure is 1.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "host/control/control.h"
#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/profiles.h"
#include "host/kernel/engine/brep_states.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "kx_brep.h"
#include "kx_core.h"
#include "kx_forgeo.h"
#include "libkxapi/core/kx_session.h"

namespace {

int register_saddle(const char* name) {
    // Kept loaded for the process: the host holds its evaluator.
    static void* lib = dlopen(KX_TEST_FORGEO_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(lib, nullptr) << dlerror();
    auto reg = reinterpret_cast<int (*)(const char*)>(dlsym(lib, "forgeo_plugin_register"));
    return reg(name);
}

constexpr double kScale = 2.5;  // the plugin's saddle: z = 2.5 u v

class ForeignSheets : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part = host::parts::create("sheets.prt");
        ASSERT_EQ(register_saddle("saddle"), 0);
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }
    static int face_of(tag sheet) {
        int body = 0;
        es7010_(&sheet, &body);
        const auto faces = host::kernel::faces_of(body);
        EXPECT_EQ(faces.size(), 1u);
        return faces.empty() ? 0 : faces[0];
    }
    unsigned int part = 0;
};

brep_foreign_surface square(const char* kind, int n) { return {kind, {-1, 1}, {-1, 1}, n, n}; }

TEST_F(ForeignSheets, SheetLiesOnTheEvaluatorsSurface) {
    const brep_foreign_surface def = square("saddle", 9);
    tag sheet = NULL_TAG;
    ASSERT_EQ(KX_BREP_create_sheet(&def, &sheet), 0);
    ASSERT_NE(sheet, NULL_TAG);
    EXPECT_TRUE(ES_solid_is_a_sheet_body(sheet));
    const int face = face_of(sheet);
    // Points of the sheet across its face lie on z = 2.5 x y.
    double box[4];
    ZQ_FACE_ask_uv_box(face, box);
    const double at[][2] = {{0.1, 0.1}, {0.5, 0.5}, {0.9, 0.2}, {0.33, 0.77}, {0.05, 0.95}, {1, 1}};
    for (const auto& st : at) {
        const double u = box[0] + st[0] * (box[1] - box[0]), v = box[2] + st[1] * (box[3] - box[2]);
        double p[3], n[3];
        KI_enpops(face, u, v, p, n);
        SCOPED_TRACE(testing::Message() << "sheet point " << p[0] << ", " << p[1]);
        EXPECT_LE(std::abs(p[0]), 1 + 1e-9);
        EXPECT_LE(std::abs(p[1]), 1 + 1e-9);
        EXPECT_NEAR(p[2], kScale * p[0] * p[1], 1e-6);
    }
    // And the saddle's points between the samples lie on the sheet.
    const double uvs[][2] = {{0.125, -0.375}, {-0.9, 0.61}, {0.7, 0.7}, {-0.05, -0.95}};
    for (const auto& uv : uvs) {
        const double p[3] = {uv[0], uv[1], kScale * uv[0] * uv[1]};
        double st[2];
        int found = 0;
        KI_clpten(p, face, st, &found);
        ASSERT_TRUE(found);
        double q[3], n[3];
        KI_enpops(face, st[0], st[1], q, n);
        EXPECT_NEAR(std::hypot(q[0] - p[0], q[1] - p[1], q[2] - p[2]), 0, 1e-6);
    }
    // The sheet answers the definition it was made on.
    brep_foreign_surface asked{};
    EXPECT_EQ(KX_BREP_ask_sheet(sheet, &asked), 0);
    ASSERT_NE(asked.kind, nullptr);
    EXPECT_STREQ(asked.kind, "saddle");
    EXPECT_EQ(asked.u[0], -1);
    EXPECT_EQ(asked.v[1], 1);
    EXPECT_EQ(asked.nu, 9);
    EXPECT_EQ(asked.nv, 9);
    // Made in a partition of its own.
    EXPECT_EQ(host::control::call_count("UNDO_ZR_cre_partition"), 1);
    EXPECT_TRUE(host::control::called_before("UNDO_ZR_cre_partition", "FORGEO_create_surface"));
    EXPECT_TRUE(host::control::called_before("KI_crbyge", "es7008_"));
}

TEST_F(ForeignSheets, WorksWithoutAnInitialisedInterface) {
    kx_reset_session_for_tests();
    const brep_foreign_surface def = square("saddle", 4);
    tag sheet = NULL_TAG;
    ASSERT_EQ(KX_BREP_create_sheet(&def, &sheet), 0);
    EXPECT_NE(sheet, NULL_TAG);
    brep_foreign_surface asked{};
    EXPECT_EQ(KX_BREP_ask_sheet(sheet, &asked), 0);
    EXPECT_EQ(asked.nu, 4);
}

TEST_F(ForeignSheets, EmptyBoxGivesNoSheet) {
    const brep_foreign_surface def = {"saddle", {0.5, 0.5}, {-1, 1}, 5, 5};
    tag sheet = 99;
    EXPECT_EQ(KX_BREP_create_sheet(&def, &sheet), 0);
    EXPECT_EQ(sheet, NULL_TAG);
    EXPECT_EQ(host::control::call_count("KI_crbyge"), 0);
}

TEST_F(ForeignSheets, EveryFailureIsOne) {
    struct Row {
        const char* what;
        brep_foreign_surface def;
    };
    const Row rows[] = {
        {"unknown kind", square("cone", 5)},
        {"one sample a side", square("saddle", 1)},
        {"too many samples", square("saddle", 65)},
        {"box the wrong way round", {"saddle", {1, -1}, {-1, 1}, 5, 5}},
        {"the evaluator refuses outside its square", {"saddle", {-2, 1}, {-1, 1}, 5, 5}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        tag sheet = 99;
        EXPECT_EQ(KX_BREP_create_sheet(&r.def, &sheet), 1);
        EXPECT_EQ(sheet, NULL_TAG);
    }
    tag sheet = 99;
    EXPECT_EQ(KX_BREP_create_sheet(nullptr, &sheet), 1);
    EXPECT_TRUE(host::kernel::bodies().empty());
    // A host error on the way is 1 too, and leaves no sheet.
    const brep_foreign_surface def = square("saddle", 5);
    host::control::raise_on("es7008_", HOST_ERR_NO_MEMORY, 1);
    EXPECT_EQ(KX_BREP_create_sheet(&def, &sheet), 1);
    EXPECT_EQ(sheet, NULL_TAG);
    EXPECT_TRUE(host::kernel::bodies().empty());
    host::control::clear_scripts();

    // Asking a sheet: a block's body has six faces and lies on no foreign
    // surface; a tag of nothing.
    const double at[3] = {0, 0, 0}, size[3] = {1, 1, 1};
    int block = 0;
    ZQ_BODY_make_block(at, size, &block);
    brep_foreign_surface asked{};
    EXPECT_EQ(KX_BREP_ask_sheet(host::kernel::object_of(block), &asked), 1);
    EXPECT_EQ(asked.kind, nullptr);
    EXPECT_EQ(KX_BREP_ask_sheet(NULL_TAG, &asked), 1);
}

}  // namespace
