// Foreign surfaces: a kind registered by a user library evaluates through
// the library's evaluator; the codes of registration.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <vector>

#include "host/control/control.h"
#include "host/kernel/foreign/forgeo.h"
#include "host/base/services/error.h"
#include "kx_core.h"
#include "kx_forgeo.h"
#include "libkxapi/core/kx_session.h"

namespace {

struct Plugin {
    int (*register_kind)(const char*);
    int (*calls)();
};

const Plugin& plugin() {
    static const Plugin p = [] {
        // Kept loaded for the process: the host holds its evaluator.
        void* lib = dlopen(KX_TEST_FORGEO_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(lib, nullptr) << dlerror();
        return Plugin{reinterpret_cast<int (*)(const char*)>(dlsym(lib, "forgeo_plugin_register")),
                      reinterpret_cast<int (*)()>(dlsym(lib, "forgeo_plugin_calls"))};
    }();
    return p;
}

int evaluator(void*, const double*, double*) { return 0; }

class ForeignSurfaces : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }
};

TEST_F(ForeignSurfaces, EvaluatesThroughTheUserLibrary) {
    ASSERT_EQ(plugin().register_kind("saddle"), 0);
    const int before = plugin().calls();
    const double uvs[][2] = {{0, 0}, {1, 1}, {-0.5, 0.4}, {0.25, -1}};
    for (const auto& uv : uvs) {
        double p[3] = {9, 9, 9};
        FORGEO_evaluate_surface("saddle", uv, p);
        EXPECT_DOUBLE_EQ(p[0], uv[0]);
        EXPECT_DOUBLE_EQ(p[1], uv[1]);
        EXPECT_DOUBLE_EQ(p[2], 2.5 * uv[0] * uv[1]);
    }
    EXPECT_EQ(plugin().calls() - before, 4);
    // Outside its square the evaluator refuses: the host raises.
    const double outside[2] = {2, 0};
    double p[3];
    EXPECT_EQ(host::control::raised_code([&] { FORGEO_evaluate_surface("saddle", outside, p); }),
              HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(host::control::raised_code([&] { FORGEO_evaluate_surface("cone", outside, p); }), HOST_ERR_BAD_ARGUMENT);
}

TEST_F(ForeignSurfaces, RegistrationCodes) {
    int data = 0;
    struct Row {
        const char* what;
        const char* name;
        forgeo_evaluator evaluator;
        void* data;
        int code;
    };
    const Row rows[] = {
        {"registered", "plane", evaluator, &data, 0},
        {"registered again: the host refuses", "plane", evaluator, &data, 1},
        {"empty name: the host refuses", "", evaluator, &data, 1},
        {"null name", nullptr, evaluator, &data, 1},
        {"null evaluator", "cylinder", nullptr, &data, 1},
        {"null data", "cylinder", evaluator, nullptr, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(KX_FORGEO_register_surface(r.name, r.evaluator, r.data), r.code);
    }
    // The host's refusals (twice) were marked handled.
    EXPECT_EQ(host::control::acknowledged_codes(), (std::vector<int>{HOST_ERR_BAD_ARGUMENT, HOST_ERR_BAD_ARGUMENT}));
    // Refused calls registered nothing.
    const double uv[2] = {0, 0};
    double p[3];
    EXPECT_EQ(host::control::raised_code([&] { FORGEO_evaluate_surface("cylinder", uv, p); }), HOST_ERR_BAD_ARGUMENT);
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_FORGEO_register_surface("cylinder", evaluator, &data), KX_ERR_NOT_INITIALIZED);
    EXPECT_EQ(host::control::raised_code([&] { FORGEO_evaluate_surface("cylinder", uv, p); }), HOST_ERR_BAD_ARGUMENT);
}

}  // namespace
