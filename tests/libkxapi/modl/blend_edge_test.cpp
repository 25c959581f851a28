// Edge blends: the geometry the kernel builds for them, the registered
// variable-radius and cliff routines, the records to and from the host,
// edits followed by an update, and the refusals and failures that leave
// the model and the undo marks as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "host/apps/modeling/blend/blend.h"
#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"
#include "host/platform/support/support.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

constexpr double kPi = std::numbers::pi;

// The volume a constant blend of radius r takes off a straight edge of
// length l between two perpendicular faces.
double removed(double r, double l) { return r * r * l * (1 - kPi / 4); }

// A 100 x 50 x 20 block at the origin, made through the host as a feature.
unsigned int make_block(unsigned int* body) {
    const unsigned int part = host::parts::create("blend.prt");
    host::parts::set_work_part(part);
    const char* formulas[3] = {"100", "50", "20"};
    const double origin[3] = {0, 0, 0};
    unsigned int block = 0;
    EXPECT_EQ(FEAT_create(part, "BLOCK", 3, formulas, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block), 0);
    *body = FREC_ask_body(block);
    return block;
}

// Radius texts at the start and the end of an edge.
void end_points(edge_blend_point (&points)[2], const char* start, const char* end) {
    std::strcpy(points[0].radius, start);
    points[0].parameter = 0;
    std::strcpy(points[1].radius, end);
    points[1].parameter = 1;
}

class EdgeBlend : public ::testing::Test {
protected:
    void SetUp() override {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
        block_ = make_block(&body_);
    }
    void TearDown() override {
        KX_MODL_unregister_var_blend();
        KX_MODL_unregister_cliff_blend();
        kxtest::fresh_process();
    }

    int entity() const { return host::kernel::entity_of(body_); }
    double volume() const {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(entity(), p);
        return p[ZQ_MP_VOLUME];
    }
    int faces() const { return static_cast<int>(host::kernel::faces_of(entity()).size()); }
    std::vector<tag> edges() const {
        std::vector<tag> out;
        for (int e : host::kernel::edges_of(entity())) out.push_back(host::kernel::object_of(e));
        return out;
    }
    // The edge along X through y = 0, z = 0 (100 long).
    tag bottom_front_edge() const {
        for (tag e : edges()) {
            double box[6];
            ZQ_TOPOL_find_box(host::kernel::entity_of(e), box);
            if (box[3] - box[0] > 99 && std::abs(box[4]) < 1e-6 && std::abs(box[5]) < 1e-6) return e;
        }
        ADD_FAILURE() << "no edge along X at the origin";
        return NULL_TAG;
    }
    static tag_list* list_of(const std::vector<tag>& tags) {
        tag_list* list = nullptr;
        KX_MODL_create_list(&list);
        for (tag t : tags) KX_MODL_put_list_item(list, t);
        return list;
    }
    int blend(const char* radius, const std::vector<tag>& tags, tag* feature) const {
        tag_list* list = list_of(tags);
        const int st = KX_MODL_create_blend(radius, list, 0, 0, 0, 0.01, feature);
        KX_MODL_delete_list(&list);
        return st;
    }
    static int features() { return static_cast<int>(host::feature::features_of_part(host::parts::work_part()).size()); }

    unsigned int block_ = 0, body_ = 0;
};

TEST_F(EdgeBlend, ConstantRadiusGeometry) {
    struct Row {
        const char* radius;
        bool all_edges;
        int faces;
        double volume;
    };
    // All twelve edges of the box with radius 2: the rounded box.
    const double r = 2;
    const double rounded =
        100000 - 4 * (100 + 50 + 20 - 6 * r) * r * r * (1 - kPi / 4) - 8 * (r * r * r - kPi * r * r * r / 6);
    EXPECT_NEAR(rounded, 99426.997, 1e-3);
    for (const Row& row : {Row{"5", false, 7, 100000 - removed(5, 100)}, Row{"2", true, 26, rounded},
                           Row{"1+1", false, 7, 100000 - removed(2, 100)}}) {
        SCOPED_TRACE(row.radius);
        SetUp();
        tag feature = NULL_TAG;
        ASSERT_EQ(blend(row.radius, row.all_edges ? edges() : std::vector<tag>{bottom_front_edge()}, &feature), 0);
        EXPECT_NE(feature, NULL_TAG);
        EXPECT_EQ(faces(), row.faces);
        EXPECT_NEAR(volume(), row.volume, 0.01);
        char* text = nullptr;
        ASSERT_EQ(KX_MODL_ask_blend_parms(feature, 0, &text), 0);
        EXPECT_NE(std::strstr(text, row.radius), nullptr) << text;
        KX_free(text);
    }
}

TEST_F(EdgeBlend, SimpleBlendKeepsItsMarkAsTheUndoStep) {
    const int marks = UNDO_JQ_ask_number_of_marks(1);
    tag feature = NULL_TAG;
    ASSERT_EQ(blend("5", {bottom_front_edge()}, &feature), 0);
    EXPECT_EQ(UNDO_JQ_ask_number_of_marks(1), marks + 1);
    ASSERT_EQ(UNDO_JQ_undo_to_last_mark(1, "Create blend (Kestrix Extension)"), 0);
    EXPECT_FALSE(host::objects::is_alive(feature));
    EXPECT_NEAR(volume(), 100000, 1e-6);
}

TEST_F(EdgeBlend, RefusalsLeaveModelAndMarks) {
    const int marks = UNDO_JQ_ask_number_of_marks(1);
    const int before = features();
    tag dead = bottom_front_edge();
    tag feature = 77;
    struct Row {
        const char* what;
        int expected;
        std::function<int()> call;
    };
    const std::string long_radius(256, '5');
    edge_blend_data data{};
    std::strcpy(data.default_radius, "5");
    data.number_of_edges = -1;
    edge_blend_data null_edges{};
    null_edges.number_of_edges = 1;
    const edge_blend_data empty{};
    edge_blend_edge pointless{};
    pointless.edge = dead;
    pointless.number_of_points = 2;
    edge_blend_data null_points{};
    null_points.number_of_edges = 1;
    null_points.edges = &pointless;
    const Row rows[] = {
        {"empty list", 875022, [&] { return blend("5", {}, &feature); }},
        {"only dead tags", 875022, [&] { return blend("5", {block_ + 100000}, &feature); }},
        {"long radius", 1105004, [&] { return blend(long_radius.c_str(), {dead}, &feature); }},
        {"radius too big for the block", 670405, [&] { return blend("30", {dead}, &feature); }},
        {"null record", 875360, [&] { return KX_MODL_create_edge_blend(nullptr, &feature); }},
        {"negative count", 875360, [&] { return KX_MODL_create_edge_blend(&data, &feature); }},
        {"null edges", 875360, [&] { return KX_MODL_create_edge_blend(&null_edges, &feature); }},
        {"null points", 875360, [&] { return KX_MODL_create_edge_blend(&null_points, &feature); }},
        {"edit with a null record", 875360, [&] { return KX_MODL_edit_edge_blend(block_, nullptr); }},
        {"ask into a null record", 875360, [&] { return KX_MODL_ask_edge_blend(block_, nullptr); }},
        {"edit of no feature", 875027, [&] { return KX_MODL_edit_edge_blend(body_, &empty); }},
        {"edit of a block", 875033, [&] { return KX_MODL_edit_edge_blend(block_, &empty); }},
        {"ask of no feature", 875027, [&] { return KX_MODL_ask_edge_blend(body_, &data); }},
        {"ask of a block", 875033, [&] { return KX_MODL_ask_edge_blend(block_, &data); }},
        {"parameters of a block", 875004,
         [&] {
             char* text = nullptr;
             return KX_MODL_ask_blend_parms(block_, 0, &text);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        feature = 77;
        EXPECT_EQ(row.call(), row.expected);
        EXPECT_EQ(features(), before);
        EXPECT_EQ(UNDO_JQ_ask_number_of_marks(1), marks);
        EXPECT_NEAR(volume(), 100000, 1e-6);
    }
    // A host refusal of the record's blend is 875361.
    edge_blend_edge e{};
    e.edge = dead;
    edge_blend_data big{};
    std::strcpy(big.default_radius, "30");
    big.number_of_edges = 1;
    big.edges = &e;
    EXPECT_EQ(KX_MODL_create_edge_blend(&big, &feature), 875361);
    EXPECT_EQ(feature, NULL_TAG);
    EXPECT_EQ(features(), before);
    EXPECT_EQ(UNDO_JQ_ask_number_of_marks(1), marks);
}

TEST_F(EdgeBlend, EditRadiusAndUpdate) {
    const tag edge = bottom_front_edge();
    tag feature = NULL_TAG;
    ASSERT_EQ(blend("5", {edge}, &feature), 0);
    edge_blend_data data{};
    ASSERT_EQ(KX_MODL_ask_edge_blend(feature, &data), 0);
    ASSERT_EQ(data.number_of_edges, 1);
    EXPECT_EQ(data.edges[0].edge, edge);
    EXPECT_STREQ(data.default_radius, "5");
    std::strcpy(data.default_radius, "3");
    ASSERT_EQ(KX_MODL_edit_edge_blend(feature, &data), 0);
    KX_free(data.edges);
    EXPECT_NEAR(volume(), 100000 - removed(5, 100), 0.01) << "the body changes at the update";
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), 100000 - removed(3, 100), 0.01);
    char* text = nullptr;
    ASSERT_EQ(KX_MODL_ask_blend_parms(feature, 0, &text), 0);
    EXPECT_NE(std::strstr(text, "=3"), nullptr) << text;
    KX_free(text);
}

// The record as given comes back: limits above 0 as given, others "-1.0";
// cliff edges with blend type 1; points with their parameters and texts.
TEST_F(EdgeBlend, RecordRoundTrip) {
    struct Row {
        logical active;
        const char* limit;
        const char* expected;
    };
    for (const Row& row : {Row{1, "2.5", "2.5"}, Row{1, "0", "-1.0"}, Row{1, "abc", "-1.0"}, Row{0, "2.5", "-1.0"}}) {
        SCOPED_TRACE(std::string(row.limit) + (row.active ? " active" : " inactive"));
        SetUp();
        const tag e0 = bottom_front_edge();
        tag cliff = NULL_TAG;
        for (tag e : edges())
            if (e != e0) cliff = e;
        edge_blend_point points[2] = {};
        end_points(points, "2", "4");
        edge_blend_edge entry{};
        entry.edge = e0;
        entry.cliff_edge = cliff;
        entry.number_of_points = 2;
        entry.points = points;
        std::strcpy(entry.limit_1, row.limit);
        std::strcpy(entry.limit_2, row.limit);
        edge_blend_data in{};
        in.blend_type = 1;
        in.flag = 1;
        in.limits_active = row.active;
        in.tolerance = 0.02;
        std::strcpy(in.default_radius, "3");
        in.options[1] = 1;
        in.number_of_edges = 1;
        in.edges = &entry;
        tag feature = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_edge_blend(&in, &feature), 0);
        edge_blend_data out{};
        ASSERT_EQ(KX_MODL_ask_edge_blend(feature, &out), 0);
        EXPECT_EQ(out.blend_type, 1);
        EXPECT_EQ(out.flag, 1);
        EXPECT_EQ(out.limits_active, row.active);
        EXPECT_DOUBLE_EQ(out.tolerance, 0.02);
        EXPECT_STREQ(out.default_radius, "3");
        EXPECT_EQ(out.options[0], 0);
        EXPECT_EQ(out.options[1], 1);
        ASSERT_EQ(out.number_of_edges, 1);
        EXPECT_EQ(out.edges[0].edge, e0);
        EXPECT_EQ(out.edges[0].cliff_edge, cliff);
        EXPECT_STREQ(out.edges[0].limit_1, row.expected);
        EXPECT_STREQ(out.edges[0].limit_2, row.expected);
        ASSERT_EQ(out.edges[0].number_of_points, 2);
        EXPECT_STREQ(out.edges[0].points[1].radius, "4");
        EXPECT_DOUBLE_EQ(out.edges[0].points[1].parameter, 1);
        KX_free(out.edges[0].points);
        KX_free(out.edges);
    }
}

// A radius through 2 and 4 along the 100 mm edge: the volume taken off
// lies near (1 - pi/4) times the integral of r^2 for a straight law.
TEST_F(EdgeBlend, VariableRadiusFromPoints) {
    edge_blend_point points[2] = {};
    end_points(points, "2", "1+3");
    edge_blend_edge entry{};
    entry.edge = bottom_front_edge();
    entry.number_of_points = 2;
    entry.points = points;
    edge_blend_data in{};
    std::strcpy(in.default_radius, "5");
    in.number_of_edges = 1;
    in.edges = &entry;
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_edge_blend(&in, &feature), 0);
    const double straight = (1 - kPi / 4) * 100 * (4 + 8 + 16) / 3.0;
    EXPECT_EQ(faces(), 7);
    EXPECT_NEAR(100000 - volume(), straight, 0.05 * straight);
    EXPECT_GT(100000 - volume(), removed(2, 100));
    EXPECT_LT(100000 - volume(), removed(4, 100));

    // The point radii follow an edit at the update.
    edge_blend_data data{};
    ASSERT_EQ(KX_MODL_ask_edge_blend(feature, &data), 0);
    std::strcpy(data.edges[0].points[1].radius, "2");
    ASSERT_EQ(KX_MODL_edit_edge_blend(feature, &data), 0);
    KX_free(data.edges[0].points);
    KX_free(data.edges);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(100000 - volume(), removed(2, 100), 0.01);
}

// ---- the registered routines ------------------------------------------------

struct Seen {
    int calls = 0, cliff_calls = 0;
    tag edge = NULL_TAG;
    int options[3] = {};
    double tolerance = 0;
    int status = 0;
    bool raise = false;
    tag cliff = NULL_TAG;
    int count = -1;  // the count reported instead of the points written (-1: none)
    int env = -1;    // the run-time environment the routine ran in
    std::vector<std::pair<std::array<double, 3>, std::string>> points;
};
Seen g_seen;

int var_routine(tag edge, double points[][3], char radii[][KX_MODL_BLEND_TEXT_CHARS], int o1, int o2, int o3,
                double tolerance, int* count) {
    ++g_seen.calls;
    g_seen.env = RTENV_ask_env();
    g_seen.edge = edge;
    g_seen.options[0] = o1;
    g_seen.options[1] = o2;
    g_seen.options[2] = o3;
    g_seen.tolerance = tolerance;
    *count = 0;
    for (const auto& [p, r] : g_seen.points) {
        std::memcpy(points[*count], p.data(), sizeof(double) * 3);
        std::memcpy(radii[*count], r.c_str(), std::min<std::size_t>(r.size() + 1, KX_MODL_BLEND_TEXT_CHARS));
        ++*count;
    }
    if (g_seen.count != -1) *count = g_seen.count;
    if (g_seen.raise) ERROR_raise("user", 1, 670099, "the routine fails");
    return g_seen.status;
}

int cliff_routine(tag, tag* cliff) {
    ++g_seen.cliff_calls;
    *cliff = g_seen.cliff;
    return 0;
}

TEST_F(EdgeBlend, VariableRadiusRoutineGivesEndRadii) {
    g_seen = Seen{};
    const tag edge = bottom_front_edge();
    g_seen.points = {{{0, 0, 0}, "2"}, {{100, 0.5, 0}, "4"}};
    ASSERT_EQ(KX_MODL_register_var_blend(var_routine), 0);
    ASSERT_EQ(KX_MODL_register_cliff_blend(cliff_routine), 0);
    tag_list* list = list_of({edge});
    tag feature = NULL_TAG;
    const int env_before = RTENV_ask_env();
    ASSERT_EQ(KX_MODL_create_blend("5", list, 0, 3, 0, 0.125, &feature), 0);
    KX_MODL_delete_list(&list);
    EXPECT_EQ(g_seen.calls, 1);
    EXPECT_EQ(g_seen.env, RTENV_KIND_USER_PROGRAM);
    EXPECT_EQ(RTENV_ask_env(), env_before) << "the environment is restored";
    EXPECT_EQ(g_seen.edge, edge);
    EXPECT_EQ(g_seen.options[1], 3);
    EXPECT_DOUBLE_EQ(g_seen.tolerance, 0.125);
    EXPECT_EQ(g_seen.cliff_calls, 0) << "no cliff routine for an edge with points";
    edge_blend_data out{};
    ASSERT_EQ(KX_MODL_ask_edge_blend(feature, &out), 0);
    EXPECT_EQ(out.options[0], 1);
    EXPECT_EQ(out.options[1], 0);
    ASSERT_EQ(out.number_of_edges, 1);
    ASSERT_EQ(out.edges[0].number_of_points, 2);
    // The edge runs from x = 0 or x = 100: its ends are parameters 0 and 1.
    const double t0 = out.edges[0].points[0].parameter, t1 = out.edges[0].points[1].parameter;
    EXPECT_NEAR(std::min(t0, t1), 0, 1e-9);
    EXPECT_NEAR(std::max(t0, t1), 1, 1e-9);
    EXPECT_STREQ(out.edges[0].points[0].radius, "2");
    EXPECT_STREQ(out.edges[0].points[1].radius, "4");
    KX_free(out.edges[0].points);
    KX_free(out.edges);
    EXPECT_GT(100000 - volume(), removed(2, 100));
    EXPECT_LT(100000 - volume(), removed(4, 100));
}

TEST_F(EdgeBlend, RoutineOutcomes) {
    struct Row {
        const char* what;
        int status;
        bool raise;
        int points;  // written before the status or error
        int count_override;
        bool dead_cliff;
        int expected;
        int log_lines;
    };
    const Row rows[] = {
        {"status 7 passed on", 7, false, 0, -1, false, 7, 0},
        {"error inside: noted once, counts as 0 with no points", 0, true, 0, -1, false, 0, 1},
        {"error inside after writing points: they count", 0, true, 2, -1, false, 0, 1},
        {"count above 100", 0, false, 0, 101, false, 875022, 0},
        {"negative count", 0, false, 0, -2, false, 875022, 0},
        {"cliff routine returns a dead edge", 0, false, 0, -1, true, 875022, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SetUp();
        g_seen = Seen{};
        g_seen.status = row.status;
        g_seen.raise = row.raise;
        for (int i = 0; i < row.points; ++i) g_seen.points.push_back({{i * 100.0, 0, 0}, "3"});
        g_seen.count = row.count_override;
        KX_MODL_register_var_blend(var_routine);
        if (row.dead_cliff) {
            g_seen.cliff = body_ + 100000;
            KX_MODL_register_cliff_blend(cliff_routine);
        } else {
            KX_MODL_unregister_cliff_blend();
        }
        host::error::clear_log();
        const int marks = UNDO_JQ_ask_number_of_marks(1);
        tag feature = 77;
        const int st = blend("5", {bottom_front_edge()}, &feature);
        EXPECT_EQ(st, row.expected);
        int noted = 0;
        for (const std::string& line : host::error::log_lines())
            noted += line.find("User induced error caught in variable radius blend callback.") != std::string::npos;
        EXPECT_EQ(noted, row.log_lines);
        if (st != 0) {
            EXPECT_EQ(feature, NULL_TAG);
            EXPECT_EQ(UNDO_JQ_ask_number_of_marks(1), marks);
            EXPECT_NEAR(volume(), 100000, 1e-6);
            continue;
        }
        edge_blend_data out{};
        ASSERT_EQ(KX_MODL_ask_edge_blend(feature, &out), 0);
        EXPECT_EQ(out.edges[0].number_of_points, row.points);
        if (out.edges[0].points) KX_free(out.edges[0].points);
        KX_free(out.edges);
    }
}

// A radius text that fills its 256 bytes without a terminator is read to
// its first 255 characters.
TEST_F(EdgeBlend, RoutineRadiusTextsReadTo255Characters) {
    g_seen = Seen{};
    g_seen.points = {{{50, 0, 0}, std::string(254, '0') + "2" + "9"}};
    ASSERT_EQ(KX_MODL_register_var_blend(var_routine), 0);
    tag feature = NULL_TAG;
    ASSERT_EQ(blend("5", {bottom_front_edge()}, &feature), 0);
    edge_blend_data out{};
    ASSERT_EQ(KX_MODL_ask_edge_blend(feature, &out), 0);
    ASSERT_EQ(out.edges[0].number_of_points, 1);
    EXPECT_EQ(std::string(out.edges[0].points[0].radius), std::string(254, '0') + "2");
    KX_free(out.edges[0].points);
    KX_free(out.edges);
    EXPECT_NEAR(100000 - volume(), removed(2, 100), 0.01);
}

TEST_F(EdgeBlend, CliffRoutineEdgeKept) {
    g_seen = Seen{};
    const tag edge = bottom_front_edge();
    for (tag e : edges())
        if (e != edge) g_seen.cliff = e;
    ASSERT_EQ(KX_MODL_register_cliff_blend(cliff_routine), 0);
    tag feature = NULL_TAG;
    ASSERT_EQ(blend("5", {edge}, &feature), 0);
    EXPECT_EQ(g_seen.cliff_calls, 1);
    BLEND_ui_data_t d{};
    BLEND__load_ui_data_from_parms(feature, &d);
    ASSERT_EQ(d.number_of_edges, 1);
    EXPECT_EQ(d.edges[0].cliff_edge, g_seen.cliff);
    BLEND_clean_ui_data(&d);
    // Unregistered, the routine is no longer asked.
    ASSERT_EQ(KX_MODL_unregister_cliff_blend(), 0);
    ASSERT_EQ(blend("1", {edges()[0]}, &feature), 0);
    EXPECT_EQ(g_seen.cliff_calls, 1);
}

// ---- fault simulation ---------------------------------------------------------

unsigned int g_edge = 0;

void blend_start() {
    kxtest::fresh_process();
    unsigned int body = 0;
    make_block(&body);
    for (int e : host::kernel::edges_of(host::kernel::entity_of(body))) {
        double box[6];
        ZQ_TOPOL_find_box(e, box);
        if (box[3] - box[0] > 99 && std::abs(box[4]) < 1e-6 && std::abs(box[5]) < 1e-6)
            g_edge = host::kernel::object_of(e);
    }
    host::control::clear_journal();
}

int blend_story() {
    FAULTSIM_STEP(KX_initialize());
    tag_list* list = nullptr;
    FAULTSIM_STEP(KX_MODL_create_list(&list));
    FAULTSIM_STEP(KX_MODL_put_list_item(list, g_edge));
    tag feature = NULL_TAG;
    const int st = faultsim::step("KX_MODL_create_blend",
                                  [&] { return KX_MODL_create_blend("5", list, 0, 0, 0, 0.01, &feature); });
    if (st != 0) return st;
    KX_MODL_delete_list(&list);
    edge_blend_data data{};
    FAULTSIM_STEP(KX_MODL_ask_edge_blend(feature, &data));
    std::strcpy(data.default_radius, "4");
    const int edited =
        faultsim::step("KX_MODL_edit_edge_blend", [&] { return KX_MODL_edit_edge_blend(feature, &data); });
    if (edited != 0) return edited;
    KX_free(data.edges);
    return faultsim::step("KX_MODL_update", [] { return KX_MODL_update(); });
}

// Findings that are not faults, with the reason: an error raised as the
// host's release of its blend data begins leaves that data's blocks with
// the host (it kept them); the call fails and the model is as before.
const std::vector<faultsim::Fault> kNotFaults = {
    {"edge_blend", "BLEND_clean_ui_data", 1, "leak", "KX_MODL_create_blend"},
    {"edge_blend", "BLEND_clean_ui_data", 2, "leak", "KX_MODL_ask_edge_blend"},
    {"edge_blend", "BLEND_clean_ui_data", 3, "leak", "KX_MODL_edit_edge_blend"},
};

TEST(EdgeBlendFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"edge_blend", blend_story, blend_start});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r, kNotFaults), "");
}

}  // namespace
