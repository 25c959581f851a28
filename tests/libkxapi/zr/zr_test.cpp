// The solid kernel's level on a real model: kernel data files written and
// read back (round trips, refusals, damaged and foreign files), the
// journal, kernel tags of model objects, partitions and tag counts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/queries.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/io/kernel_io.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/store/entities/curve_entities.h"
#include "kx_core.h"
#include "kx_csys.h"
#include "kx_curve.h"
#include "kx_modl.h"
#include "kx_zr.h"
#include "libkxapi/core/kx_session.h"

namespace {

namespace fs = std::filesystem;

class KernelLevel : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("kernel_level.prt");
        CONTEXT_set_work_part(part_);
        dir_ = fs::path(::testing::TempDir()) / ("kx_zr_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        fresh();
        fs::remove_all(dir_);
    }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }
    // A block of the size at the corner; its body object.
    unsigned int block(const char* x, const char* y, const char* z, double at = 0) const {
        const char* size[] = {x, y, z};
        const double corner[] = {at, 0, 0};
        unsigned int f = 0;
        EXPECT_EQ(FEAT_create(part_, "BLOCK", 3, size, 3, corner, 0, nullptr, 0, 0, &f), 0);
        return FREC_ask_body(f);
    }
    // A 100 x 50 x 20 block with a through hole of radius 10.
    unsigned int holed_block() const {
        const unsigned int body = block("100", "50", "20");
        const char* hole[] = {"20", "40"};
        const double axis[] = {50, 25, -10, 0, 0, 1};
        unsigned int f = 0;
        EXPECT_EQ(FEAT_create(part_, "CYLINDER", 2, hole, 6, axis, 0, nullptr, body, FEAT_SIGN_SUBTRACT, &f), 0);
        return body;
    }
    static int entity(unsigned int body) {
        int e = 0;
        es7010_(&body, &e);
        return e;
    }
    static double volume(unsigned int body) {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(entity(body), p);
        return p[ZQ_MP_VOLUME];
    }
    static int faces(unsigned int body) {
        int n = 0;
        int* f = nullptr;
        ZQ_BODY_ask_faces(entity(body), &n, &f);
        SM_free(f);
        return n;
    }
    static tag_list* list_of(std::vector<tag> tags) {
        tag_list* l = nullptr;
        KX_MODL_create_list(&l);
        for (tag t : tags) KX_MODL_put_list_item(l, t);
        return l;
    }
    static std::vector<tag> items(tag_list* l) {
        int n = 0;
        KX_MODL_ask_list_count(l, &n);
        std::vector<tag> out(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) KX_MODL_ask_list_item(l, i, &out[static_cast<std::size_t>(i)]);
        return out;
    }
    static std::size_t bodies() {
        std::size_t n = 0;
        for (unsigned int o : host::objects::objects_of_type(HOST_TYPE_SOLID))
            if (host::objects::find(o)->subtype == 0) ++n;
        return n;
    }
    std::string file(const char* name) const { return (dir_ / name).string(); }
    static void write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

    unsigned int part_ = 0;
    fs::path dir_;
};

TEST_F(KernelLevel, ExportedBodiesComeBackAsNewBodiesWithTheirFacesAndVolume) {
    const unsigned int holed = holed_block();
    const unsigned int plain = block("10", "10", "10", 200);
    const std::string name = file("two.kxk");
    tag_list* out = list_of({holed, plain});
    ASSERT_EQ(KX_ZR_export_data(out, name.c_str()), 0);
    KX_MODL_delete_list(&out);
    std::ifstream in(name);
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header, PX_KERNEL_FILE_HEADER);
    EXPECT_EQ(CFI_is_brankel_file(name.c_str()), 1);

    tag_list* back = nullptr;
    ASSERT_EQ(KX_ZR_import_data(name.c_str(), &back), 0);
    const std::vector<tag> got = items(back);
    KX_MODL_delete_list(&back);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_NE(got[0], holed);
    EXPECT_EQ(host::objects::find(got[0])->part, part_);
    EXPECT_EQ(faces(got[0]), faces(holed));
    EXPECT_NEAR(volume(got[0]), 100 * 50 * 20 - M_PI * 100 * 20, 1e-6);
    EXPECT_NEAR(volume(got[1]), 1000, 1e-9);
    // The kernel-interface lists of both calls are gone.
    EXPECT_EQ(host::control::call_count("KI_crlist"), host::control::call_count("KI_free_list"));
}

TEST_F(KernelLevel, ExportRefusesBeforeWritingAnything) {
    const unsigned int body = block("10", "10", "10");
    const unsigned int point = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_POINT, 0, part_});
    // Each component within what the file system takes, the whole too long.
    const std::string long_name = file((std::string(250, 'n') + ".kxk").c_str());
    tag_list* empty = list_of({});
    tag_list* one = list_of({body});
    tag_list* with_point = list_of({body, point});
    struct Case {
        const char* what;
        tag_list* list;
        std::string name;
        int code;
    } cases[] = {
        {"null list", nullptr, file("a.kxk"), 1105004},
        {"null name", one, "", 1105005},
        {"name of 260 characters", one, std::string(250, 'n') + "/" + std::string(9, 'n'), 1105005},
        {"name too long with a path", one, long_name, 1105005},
        {"empty list", empty, file("a.kxk"), 875005},
        {"an object that is no body", with_point, file("a.kxk"), 670409},
        {"a directory that does not exist", one, file("no/such/dir/a.kxk"), 670004},
    };
    for (const Case& c : cases) {
        host::control::clear_journal();
        const char* name = std::strcmp(c.what, "null name") == 0 ? nullptr : c.name.c_str();
        EXPECT_EQ(KX_ZR_export_data(c.list, name), c.code) << c.what;
        std::error_code ec;
        if (name) {
            EXPECT_FALSE(fs::exists(c.name, ec)) << c.what;
        }
        EXPECT_EQ(host::control::call_count("KI_crlist"), host::control::call_count("KI_free_list")) << c.what;
    }
    KX_MODL_delete_list(&empty);
    KX_MODL_delete_list(&one);
    KX_MODL_delete_list(&with_point);
}

TEST_F(KernelLevel, AFailureWhileListingStopsTheExportWithItsCode) {
    const unsigned int a = block("10", "10", "10"), b = block("5", "5", "5", 50);
    tag_list* l = list_of({a, b});
    host::control::raise_on("KI_ptinli", 670004, 2);
    EXPECT_EQ(KX_ZR_export_data(l, file("b.kxk").c_str()), 670004);
    EXPECT_FALSE(fs::exists(file("b.kxk")));
    EXPECT_EQ(host::control::call_count("pxexpo_"), 0);
    EXPECT_EQ(host::control::call_count("KI_free_list"), 1);
    KX_MODL_delete_list(&l);
}

TEST_F(KernelLevel, MissingDamagedAndForeignFilesImportNothing) {
    const unsigned int body = block("10", "10", "10");
    const std::string good = file("good.kxk");
    tag_list* one = list_of({body});
    ASSERT_EQ(KX_ZR_export_data(one, good.c_str()), 0);
    KX_MODL_delete_list(&one);
    std::ifstream in(good);
    std::stringstream whole;
    whole << in.rdbuf();
    const std::string text = whole.str();
    write(file("cut.kxk"), text.substr(0, text.size() / 2));
    write(file("foreign.kxk"), text.substr(text.find('\n') + 1));
    write(file("garbage.kxk"), std::string(PX_KERNEL_FILE_HEADER) + "\nnot kernel data at all\n");
    struct Case {
        const char* name;
        int code;
    } cases[] = {
        {"missing.kxk", 670004},
        {"cut.kxk", 670411},
        {"foreign.kxk", 670411},
        {"garbage.kxk", 670411},
    };
    const std::size_t before = bodies();
    for (const Case& c : cases) {
        tag_list* l = reinterpret_cast<tag_list*>(1);
        EXPECT_EQ(KX_ZR_import_data(file(c.name).c_str(), &l), c.code) << c.name;
        EXPECT_EQ(l, nullptr) << c.name;
        EXPECT_EQ(bodies(), before) << c.name;
    }
    EXPECT_EQ(CFI_is_brankel_file(file("foreign.kxk").c_str()), 0);
    tag_list* l = nullptr;
    EXPECT_EQ(KX_ZR_import_data(std::string(260, 'n').c_str(), &l), 1105004);
    EXPECT_EQ(KX_ZR_import_data(good.c_str(), nullptr), 1105005);
    EXPECT_EQ(bodies(), before);
}

TEST_F(KernelLevel, AFileOfNoBodiesGivesAnEmptyList) {
    const std::string name = file("none.kxk");
    // An empty compound in the kernel's text form, behind our header.
    write(name, std::string(PX_KERNEL_FILE_HEADER) +
                    "\nDBRep_DrawableShape\n\nCASCADE Topology V1, (c) Matra-Datavision\nLocations 0\nCurve2ds "
                    "0\nCurves 0\nPolygon3D 0\nPolygonOnTriangulations 0\nSurfaces 0\nTriangulations 0\n\nTShapes "
                    "1\nCo\n\n0101000\n*\n\n+1 0 \n");
    const std::size_t before = bodies();
    tag_list* l = nullptr;
    ASSERT_EQ(KX_ZR_import_data(name.c_str(), &l), 0);
    EXPECT_EQ(items(l).size(), 0u);
    EXPECT_EQ(bodies(), before);
    KX_MODL_delete_list(&l);
}

TEST_F(KernelLevel, JournalTakesCommentsOnlyWhenOn) {
    char name[KX_ZR_FILE_NAME_SIZE + 8];
    std::memset(name, 'x', sizeof name);
    int state = -1;
    ASSERT_EQ(KX_ZR_ask_journal_data(&state, name), 0);
    EXPECT_EQ(state, 0);
    EXPECT_LT(std::strlen(name), static_cast<std::size_t>(KX_ZR_FILE_NAME_SIZE));
    EXPECT_EQ(name[KX_ZR_FILE_NAME_SIZE], 'x');  // nothing beyond the buffer's size

    std::snprintf(zrwrld_.journal_file, sizeof zrwrld_.journal_file, "%s", file("journal.txt").c_str());
    EXPECT_EQ(KX_ZR_write_to_journal("while off"), 875155);
    EXPECT_FALSE(fs::exists(file("journal.txt")));
    for (int bad : {-1, 2, 7}) EXPECT_EQ(KX_ZR_set_journal_state(bad), 1105004) << bad;
    EXPECT_EQ(host::control::call_count("KI_seintp"), 0);

    ASSERT_EQ(KX_ZR_set_journal_state(1), 0);
    EXPECT_EQ(zrwrld_.journal_state, 1);
    EXPECT_EQ(KX_ZR_write_to_journal("first"), 0);
    EXPECT_EQ(KX_ZR_write_to_journal("second line"), 0);
    EXPECT_EQ(KX_ZR_write_to_journal(nullptr), 1105004);
    std::ifstream in(file("journal.txt"));
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "comment: first\ncomment: second line\n");

    // Any positive state of the parameter reads as 1.
    const int param = 2, five = 5;
    int fail = 0;
    KI_seintp(&param, &five, &fail);
    ASSERT_EQ(KX_ZR_ask_journal_data(&state, name), 0);
    EXPECT_EQ(state, 1);
    EXPECT_STREQ(name, file("journal.txt").c_str());
    EXPECT_EQ(KX_ZR_ask_journal_data(nullptr, name), 1105004);
    EXPECT_EQ(KX_ZR_ask_journal_data(&state, nullptr), 1105005);
    ASSERT_EQ(KX_ZR_set_journal_state(0), 0);
    EXPECT_EQ(KX_ZR_write_to_journal("after"), 875155);
    zrwrld_.journal_file[0] = '\0';
    zrwrld_.journal_state = 0;
}

TEST_F(KernelLevel, KernelTagsAndModelObjectsMapBothWays) {
    const unsigned int body = block("10", "10", "10");
    zr_tag kernel = 0;
    ASSERT_EQ(KX_ZR_ask_zr_tag_of_object(body, &kernel), 0);
    EXPECT_EQ(kernel, entity(body));
    tag back = NULL_TAG;
    ASSERT_EQ(KX_ZR_ask_object_of_zr_tag(kernel, &back), 0);
    EXPECT_EQ(back, body);

    back = 99;
    EXPECT_EQ(KX_ZR_ask_object_of_zr_tag(987654, &back), 875123);
    EXPECT_EQ(back, NULL_TAG);
    const unsigned int point = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_POINT, 0, part_});
    for (tag wrong : {point, tag(NULL_TAG), tag(424242)}) {
        kernel = 77;
        EXPECT_EQ(KX_ZR_ask_zr_tag_of_object(wrong, &kernel), 875033) << wrong;
        EXPECT_EQ(kernel, 0) << wrong;
    }
    // Outputs are cleared even before the initialisation check.
    kx_reset_session_for_tests();
    back = 5;
    EXPECT_EQ(KX_ZR_ask_object_of_zr_tag(kernel, &back), 1105000);
    EXPECT_EQ(back, NULL_TAG);
}

TEST_F(KernelLevel, ObjectsAreMadeForABodyThatHasNone) {
    const double at[] = {0, 0, 0}, size[] = {4, 5, 6};
    int kernel = 0;
    ZQ_BODY_make_block(at, size, &kernel);
    tag object = NULL_TAG;
    ASSERT_EQ(KX_ZR_create_obj_from_zr_tag(kernel, &object), 0);
    EXPECT_NE(object, NULL_TAG);
    EXPECT_EQ(entity(object), kernel);
    CONTEXT_set_work_part(0);
    host::parts::set_display_part(0);
    EXPECT_EQ(KX_ZR_create_obj_from_zr_tag(kernel, &object), 1105012);
}

TEST_F(KernelLevel, EntitiesBelongToThePartitionCurrentWhenTheyWereMade) {
    const unsigned int before = block("10", "10", "10");
    zr_partition p1 = 0, p2 = 0, current = -1;
    ASSERT_EQ(KX_ZR_create_partition(&p1), 0);
    const unsigned int in_first = block("5", "5", "5", 50);
    ASSERT_EQ(KX_ZR_create_partition(&p2), 0);
    EXPECT_EQ(p2, p1 + 1);
    ASSERT_EQ(KX_ZR_ask_current_partition(&current), 0);
    EXPECT_EQ(current, p2);
    const unsigned int in_second = block("5", "5", "5", 100);
    struct Case {
        unsigned int body;
        zr_partition expected;
    } cases[] = {{before, 0}, {in_first, p1}, {in_second, p2}};
    for (const Case& c : cases) {
        zr_partition got = -1;
        ASSERT_EQ(KX_ZR_ask_entity_partition(entity(c.body), &got), 0);
        EXPECT_EQ(got, c.expected);
    }
    zr_partition got = 9;
    EXPECT_EQ(KX_ZR_ask_entity_partition(987654, &got), 670408);
    EXPECT_EQ(got, 0);
    ASSERT_EQ(KX_ZR_set_current_partition(p1), 0);
    ASSERT_EQ(KX_ZR_ask_current_partition(&current), 0);
    EXPECT_EQ(current, p1);
    EXPECT_EQ(KX_ZR_set_current_partition(p2 + 5), 670004);
    EXPECT_EQ(KX_ZR_create_partition(nullptr), 1105004);
}

TEST_F(KernelLevel, TheSessionTellsItsTags) {
    const unsigned int body = block("10", "10", "10");
    zr_tag highest = 0;
    int remaining = 0;
    ASSERT_EQ(KX_ZR_ask_current_highest_tag(&highest), 0);
    EXPECT_GE(highest, entity(body));
    ASSERT_EQ(KX_ZR_ask_tags_remaining(&remaining), 0);
    EXPECT_GT(remaining, 0);
    EXPECT_EQ(KX_ZR_ask_current_highest_tag(nullptr), 1105004);
}

TEST_F(KernelLevel, LinkedDataExportAnswersWhatTheExporterAnswers) {
    const unsigned int solid = block("10", "10", "10");
    const unsigned int other = block("5", "5", "5", 50);
    const tag both[] = {solid, other};
    int written = -1, fail = -1;
    const std::string name = file("linked.kxk");
    ASSERT_EQ(KX_ZR_export_linked_data(2, both, name.c_str(), 0, 0, &written, &fail), 0);
    EXPECT_EQ(written, 2);
    EXPECT_EQ(fail, 0);
    EXPECT_EQ(ERROR_ask_traceback(), 1);  // left on
    const auto call = host::control::calls("PX_export_filtered");
    ASSERT_EQ(call.size(), 1u);
    EXPECT_EQ(call[0].arg[1], 1);  // attributes
    EXPECT_EQ(call[0].arg[2], 1);  // links
    tag_list* l = nullptr;
    ASSERT_EQ(KX_ZR_import_data(name.c_str(), &l), 0);
    EXPECT_EQ(items(l).size(), 2u);
    KX_MODL_delete_list(&l);

    // A sheet filter keeps none of the solids; a failure is the answer.
    ASSERT_EQ(KX_ZR_export_linked_data(2, both, name.c_str(), ZQ_BODY_SHEET, 0, &written, &fail), 0);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(KX_ZR_export_linked_data(0, both, name.c_str(), 0, 0, &written, &fail), 670004);
    EXPECT_EQ(fail, 670004);
    EXPECT_EQ(KX_ZR_export_linked_data(2, both, std::string(260, 'n').c_str(), 0, 0, &written, &fail), 670004);
    host::control::return_status("PX_export_filtered", 670411);
    EXPECT_EQ(KX_ZR_export_linked_data(2, both, name.c_str(), 0, 0, &written, &fail), 670411);

    // Before initialisation the exporter is not called.
    host::control::clear_journal();
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_ZR_export_linked_data(2, both, name.c_str(), 0, 0, &written, &fail), 1105000);
    EXPECT_EQ(host::control::call_count("PX_export_filtered"), 0);
}

}  // namespace

// ---- trimmed curves ----

namespace {

class TrimmedCurve : public KernelLevel {
protected:
    tag line() const {
        line_data d{{0, 0, 0}, {3, 4, 0}};
        tag t = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_line(&d, &t), 0);
        return t;
    }
    tag arc() const {
        const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        tag m = NULL_TAG;
        EXPECT_EQ(KX_CSYS_create_matrix(identity, &m), 0);
        arc_data d{m, 0, std::acos(-1.0) / 2, {1, 2, 0}, 10};
        tag t = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_arc(&d, &t), 0);
        return t;
    }
    static double length_of(zr_tag edge) {
        double l = 0;
        ZQ_EDGE_ask_length(edge, &l);
        return l;
    }
};

TEST_F(TrimmedCurve, LinesArcsAndEdgesBecomeKernelEdgesOfTheirLength) {
    zr_tag k = 0;
    ASSERT_EQ(KX_ZR_create_zr_trimmed_curve(line(), &k), 0);
    EXPECT_NEAR(length_of(k), 5, 1e-9);
    int type = 0;
    double p[3], d[3], r = 0;
    ZQ_EDGE_ask_curve_data(k, &type, p, d, &r);
    EXPECT_EQ(type, ZQ_CURVE_LINE);

    ASSERT_EQ(KX_ZR_create_zr_trimmed_curve(arc(), &k), 0);
    EXPECT_NEAR(length_of(k), 10 * std::acos(-1.0) / 2, 1e-9);
    ZQ_EDGE_ask_curve_data(k, &type, p, d, &r);
    EXPECT_EQ(type, ZQ_CURVE_CIRCLE);
    EXPECT_NEAR(r, 10, 1e-9);

    // An edge of a body: its curve, a new kernel entity apart from the body.
    const unsigned int body = block("100", "50", "20");
    const int first_edge = host::kernel::edges_of(host::kernel::entity_of(body)).front();
    const unsigned int edge = host::kernel::object_of(first_edge);
    double edge_length = 0;
    ZQ_EDGE_ask_length(first_edge, &edge_length);
    ASSERT_EQ(KX_ZR_create_zr_trimmed_curve(edge, &k), 0);
    EXPECT_NE(k, first_edge);
    EXPECT_NEAR(length_of(k), edge_length, 1e-9);
    tag object = 7;
    EXPECT_EQ(KX_ZR_ask_object_of_zr_tag(k, &object), KX_MODL_ERR_NULL_FEATURE);  // no model object
}

TEST_F(TrimmedCurve, OtherObjectsAreRefused) {
    const unsigned int body = block("10", "10", "10");
    const unsigned int face = host::kernel::object_of(host::kernel::faces_of(host::kernel::entity_of(body)).front());
    const double at[3] = {1, 2, 3};
    unsigned int point = 0;
    ES_create_point(at, &point);
    zr_tag k = 99;
    for (tag t : {static_cast<tag>(body), static_cast<tag>(face), static_cast<tag>(point), part_, NULL_TAG}) {
        SCOPED_TRACE(t);
        EXPECT_EQ(KX_ZR_create_zr_trimmed_curve(t, &k), KX_MODL_ERR_WRONG_OBJECT);
        EXPECT_EQ(k, 0);
    }
    const tag straight = line();
    EXPECT_EQ(KX_ZR_create_zr_trimmed_curve(straight, nullptr), KX_ERR_BAD_PARAM_2);
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_ZR_create_zr_trimmed_curve(straight, &k), KX_ERR_NOT_INITIALIZED);
}

}  // namespace
