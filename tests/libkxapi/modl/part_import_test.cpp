// Part import: a saved part's block merged into the work part at an
// orientation, point and scale; refusals; the retry through the part
// search directories; kernel data files taken as such.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "host/control/control.h"
#include "host/control/faultsim.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/groups.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/io/kernel_io.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "kx_part_import.h"
#include "kx_zr.h"
#include "libkxapi/core/kx_session.h"

namespace {

namespace fs = std::filesystem;

class PartImport : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        dir_ = fs::path(::testing::TempDir()) / ("kx_import_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "library");
        // The source: a 10 cube at the origin, saved and closed.
        source_ = (dir_ / "library" / "cube.prt").string();
        const unsigned int cube = host::parts::create(source_);
        CONTEXT_set_work_part(cube);
        const char* size[] = {"10", "10", "10"};
        const double at[] = {0, 0, 0};
        unsigned int f = 0;
        ASSERT_EQ(FEAT_create(cube, "BLOCK", 3, size, 3, at, 0, nullptr, 0, 0, &f), 0);
        int components = 0, mode = 0, result = -1;
        unsigned int p = cube;
        base_save_part(&p, &components, &mode, &result);
        ASSERT_EQ(result, 0);
        work_ = host::parts::create((dir_ / "work.prt").string());
        CONTEXT_set_work_part(work_);
        ASSERT_EQ(base_Part_Close(cube, 0, 1), 0);
        host::control::clear_journal();
    }
    void TearDown() override {
        fresh();
        fs::remove_all(dir_);
    }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }
    // The bodies of the work part.
    std::vector<unsigned int> bodies() const {
        std::vector<unsigned int> out;
        for (unsigned int o : host::objects::objects_of_part(work_)) {
            const host::objects::Object* x = host::objects::find(o);
            if (x->type == HOST_TYPE_SOLID && x->subtype == 0) out.push_back(o);
        }
        return out;
    }
    static void box_of(unsigned int body, double box[6]) {
        int e = 0;
        es7010_(&body, &e);
        ZQ_TOPOL_find_box(e, box);
    }

    fs::path dir_;
    std::string source_;
    unsigned int work_ = 0;
    import_options options_{{1, 2, 3, 4, 5}, {1, 0}};
};

TEST_F(PartImport, TheBlockArrivesTurnedMovedAndScaled) {
    // X along Y, Y along -X: a quarter turn about Z.
    const double orientation[6] = {0, 1, 0, -1, 0, 0};
    const double point[3] = {100, 0, 0};
    tag group = NULL_TAG;
    ASSERT_EQ(KX_PART_import(source_.c_str(), &options_, orientation, point, 2.0, &group), 0);
    const auto made = bodies();
    ASSERT_EQ(made.size(), 1u);
    double box[6];
    box_of(made[0], box);
    const double expected[6] = {80, 0, 0, 100, 20, 20};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(box[i], expected[i], 1e-6) << i;
    EXPECT_NE(group, NULL_TAG);
    EXPECT_EQ(ES_count_group_members(group), 1);
    // The options reach the host as given, with the third flag and the
    // trailing word 0.
    const base_import_t r = host::kernel_io::last_import_record();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(r.options[i], i + 1);
    EXPECT_EQ(r.flags[0], 1);
    EXPECT_EQ(r.flags[1], 0);
    EXPECT_EQ(r.third_flag, 0);
    EXPECT_EQ(r.trailing, 0);
    ASSERT_EQ(host::control::call_count("base_import_part"), 1);
    EXPECT_DOUBLE_EQ(host::control::calls("base_import_part")[0].real(0), 2.0);
    EXPECT_STREQ(host::control::calls("base_import_part")[0].text, source_.c_str());
}

TEST_F(PartImport, RefusalsImportNothing) {
    const double good[6] = {1, 0, 0, 0, 1, 0}, parallel[6] = {1, 0, 0, 2, 0, 0};
    const double point[3] = {0, 0, 0}, far[3] = {0, NAN, 0};
    tag group = NULL_TAG;
    struct Case {
        const char* what;
        const char* name;
        const import_options* options;
        const double* orientation;
        const double* point;
        double scale;
        tag* group;
        int code;
    } cases[] = {
        {"null name", nullptr, &options_, good, point, 1, &group, 1105004},
        {"null options", source_.c_str(), nullptr, good, point, 1, &group, 1105005},
        {"null orientation", source_.c_str(), &options_, nullptr, point, 1, &group, 1105006},
        {"point not finite", source_.c_str(), &options_, good, far, 1, &group, 1105007},
        {"scale 0", source_.c_str(), &options_, good, point, 0, &group, 1105013},
        {"negative scale", source_.c_str(), &options_, good, point, -2, &group, 1105013},
        {"scale not a number", source_.c_str(), &options_, good, point, NAN, &group, 1105013},
        {"infinite scale", source_.c_str(), &options_, good, point, INFINITY, &group, 1105013},
        {"null group", source_.c_str(), &options_, good, point, 1, nullptr, 1105014},
        {"parallel directions", source_.c_str(), &options_, parallel, point, 1, &group, 720005},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KX_PART_import(c.name, c.options, c.orientation, c.point, c.scale, c.group), c.code) << c.what;
        EXPECT_EQ(host::control::call_count("base_import_part"), 0) << c.what;
    }
    EXPECT_TRUE(bodies().empty());
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_PART_import(source_.c_str(), &options_, good, point, 1, &group), 1105000);
}

TEST_F(PartImport, AFailedImportIsRetriedOnceUnderTheNameTheSearchFinds) {
    const double orientation[6] = {1, 0, 0, 0, 1, 0}, point[3] = {0, 0, 0};
    const std::string elsewhere = (dir_ / "cube.prt").string();  // no such file
    tag group = NULL_TAG;
    // Without search directories the first import's code stands.
    EXPECT_EQ(KX_PART_import(elsewhere.c_str(), &options_, orientation, point, 1, &group), 670004);
    EXPECT_EQ(host::control::call_count("base_import_part"), 1);
    EXPECT_TRUE(bodies().empty());

    host::control::clear_journal();
    host::control::set_env("JQII_PART_SEARCH_DIRS", (dir_ / "nothing").string() + "::" + (dir_ / "library").string());
    ASSERT_EQ(KX_PART_import(elsewhere.c_str(), &options_, orientation, point, 1, &group), 0);
    const auto imports = host::control::calls("base_import_part");
    ASSERT_EQ(imports.size(), 2u);
    EXPECT_STREQ(imports[1].text, source_.c_str());
    EXPECT_EQ(bodies().size(), 1u);

    // A second failure is the answer: no third try.
    host::control::clear_journal();
    host::control::return_status("base_import_part", 641001);
    EXPECT_EQ(KX_PART_import(elsewhere.c_str(), &options_, orientation, point, 1, &group), 641001);
    EXPECT_EQ(host::control::call_count("base_import_part"), 2);
}

TEST_F(PartImport, AKernelDataFileIsReadAsNewBodies) {
    const double at[3] = {0, 0, 0}, size[3] = {3, 4, 5};
    int kernel = 0;
    ZQ_BODY_make_block(at, size, &kernel);
    tag body = NULL_TAG;
    ASSERT_EQ(KX_ZR_create_obj_from_zr_tag(kernel, &body), 0);
    tag_list* list = nullptr;
    KX_MODL_create_list(&list);
    KX_MODL_put_list_item(list, body);
    const std::string data = (dir_ / "block.kxk").string();
    ASSERT_EQ(KX_ZR_export_data(list, data.c_str()), 0);
    KX_MODL_delete_list(&list);

    const double orientation[6] = {1, 0, 0, 0, 1, 0}, point[3] = {50, 0, 0};
    tag group = 4321;
    ASSERT_EQ(KX_PART_import(data.c_str(), &options_, orientation, point, 1, &group), 0);
    EXPECT_EQ(group, 4321u);  // not written for kernel data
    EXPECT_EQ(host::control::call_count("base_import_part"), 0);
    EXPECT_EQ(host::control::call_count("pximpo_"), 1);
    EXPECT_EQ(bodies().size(), 2u);
}

// A host error at any step of the import after the source part was opened
// fails the import whole: the source part is closed again, the work part
// holds no copied body and no group, and stays the work part.
TEST_F(PartImport, AFailedImportClosesTheSourceAndLeavesNoBody) {
    const double orientation[6] = {0, 1, 0, -1, 0, 0};
    const double point[3] = {100, 0, 0};
    for (const char* routine : {"CONTEXT_set_work_part_quietly", "ZQ_BODY_copy", "pxlook_", "base_Part_Close",
                                "GROUP_create"}) {
        SCOPED_TRACE(routine);
        const std::string model = host::control::model_fingerprint();
        host::control::raise_on(routine, 670099, 1);
        tag group = 7;
        const int st = KX_PART_import(source_.c_str(), &options_, orientation, point, 2.0, &group);
        const int calls = host::control::call_count(routine);
        host::control::clear_scripts();
        EXPECT_GE(calls, 1) << "the import makes no such call";
        EXPECT_EQ(st, 670099);
        EXPECT_EQ(group, NULL_TAG);
        EXPECT_EQ(PART_ask_part_of_filename(source_.c_str()), 0u) << "the source part is closed again";
        EXPECT_EQ(CONTEXT_ask_work_part(), work_);
        EXPECT_TRUE(bodies().empty());
        EXPECT_EQ(host::control::model_fingerprint(), model);
    }
    // And then the import goes through.
    tag group = NULL_TAG;
    ASSERT_EQ(KX_PART_import(source_.c_str(), &options_, orientation, point, 2.0, &group), 0);
    EXPECT_EQ(bodies().size(), 1u);
}

}  // namespace
