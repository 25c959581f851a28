// Feature parameter texts, directions and locations of a block and a
// cylinder, and the queries of instance sets, instances, datums, points
// features, hollows and sews under fault simulation: every run with a host
// error at one host call ends clean (no text, array or list leaked, no
// mark or frame left behind).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/apps/modeling/bodyops/body_ops.h"
#include "host/apps/modeling/bodyops/datums.h"
#include "host/store/entities/curve_entities.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_features.h"
#include "host/apps/modeling/sets/instance_sets.h"
#include "host/model/feature/positioning.h"
#include "host/model/feature/profiles.h"
#include "host/model/feature/queries.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"
#include "tests/libkxapi/modl/host_block.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_block = 0, g_cylinder = 0;

void model() {
    kxtest::fresh_process();
    const unsigned int part = host::parts::create("parms.prt");
    host::parts::set_work_part(part);
    const char* sizes[] = {"100", "50", "20"};
    const double origin[] = {0, 0, 0};
    FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &g_block);
    const char* cyl[] = {"10", "30"};
    const double axis[] = {200, 0, 0, 0, 0, 1};
    FEAT_create(part, "CYLINDER", 2, cyl, 6, axis, 0, nullptr, 0, 0, &g_cylinder);
    host::control::clear_journal();
}

int parms() {
    STEP(KX_initialize());
    char* sizes[3] = {};
    STEP(KX_MODL_ask_block_parms(g_block, 0, sizes));
    for (char* s : sizes) KX_free(s);
    char *diameter = nullptr, *height = nullptr;
    STEP(KX_MODL_ask_cylinder_parms(g_cylinder, 0, &diameter, &height));
    KX_free(diameter);
    KX_free(height);
    double first[3], second[3], at[3];
    STEP(KX_MODL_ask_feat_direction(g_cylinder, first, second));
    STEP(KX_MODL_ask_feat_location(g_block, at));
    return 0;
}

TEST(ParmsFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"parms", parms, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

unsigned int g_set = 0, g_instance = 0, g_copy = 0, g_hollow = 0, g_points = 0, g_axis = 0, g_plane = 0;
unsigned int g_circular = 0, g_sweep = 0, g_taper = 0;

// Sweeps and tapers have no creator here: records of the feature service.
void no_body(const host::Call&, host::feature::Record&, const std::vector<double>&) {}
std::vector<std::pair<int, double>> no_numbers(const host::feature::Record&, const std::vector<double>&) { return {}; }

// A block with a hole in its top face copied by a linear set, an instance
// of the hole in the set and one of the block (no set: it stands for the
// block), a closed hollow of a second block, a points feature, a datum
// axis and a datum plane; all made through the host before the story.
void places() {
    const auto [part, block] = fresh_host_block("places.prt");
    const unsigned int body = FREC_ask_body(block);
    unsigned int top = 0;
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[2] * sense > 0.999) top = host::kernel::object_of(f);
    }
    const char* at[] = {"10", "10", "20"};
    const char* down[] = {"0", "0", "-1"};
    const char* parms[] = {"6", "10", "0"};
    int status = 0;
    FORMF_create_simple_hole(at, down, parms, top, 0, &status);
    const unsigned int hole = FORMF_ask_created_frec();
    BREF_set_current_target(body);
    int list = 0;
    KI_crlist(KI_LIST_FEATURES, &list);
    CM_ptcmtgli(list, 0, 1, CM_ask_object_of_eid(hole));
    ui_create_linear_iset(list, "2", "30", "1", "0", 0, &status);
    KI_free_list(list);
    g_set = CM_ask_eid_of_object(CM_GBL_ask_created_frec());
    KI_crlist(KI_LIST_FEATURES, &list);
    CM_ptcmtgli(list, 0, 1, CM_ask_object_of_eid(hole));
    const char* centre[] = {"50", "25", "0"};
    const double up[] = {0, 0, 1};
    ui_create_circular_iset(list, centre, "4", 0, "90", up, 0, &status);
    KI_free_list(list);
    g_circular = CM_ask_eid_of_object(CM_GBL_ask_created_frec());
    for (const char* kind : {"SWEEP", "TAPER"})
        if (!host::feature::find_kind(kind))
            host::feature::register_kind({kind,
                                          std::string(kind) == "TAPER" ? std::vector<std::string>{"Angle"}
                                                                       : std::vector<std::string>{"A", "B", "C"},
                                          host::feature::kAnyNumbers, 0, 0, false, no_body, no_numbers});
    const char* swept[] = {"10", "2", "3"};
    FEAT_create(part, "SWEEP", 3, swept, 0, nullptr, 0, nullptr, 0, 0, &g_sweep);
    const char* angle[] = {"5"};
    FEAT_create(part, "TAPER", 1, angle, 0, nullptr, 0, nullptr, 0, 0, &g_taper);
    g_instance = host::feature::create(part, "INSTANCE");
    host::feature::make_instance(g_instance, hole, 0, 1);
    g_copy = host::feature::create(part, "INSTANCE");
    host::feature::make_instance(g_copy, block, 0, 1);

    const char* small[] = {"10", "10", "10"};
    const double aside[] = {200, 0, 0};
    unsigned int second = 0;
    FEAT_create(part, "BLOCK", 3, small, 3, aside, 0, nullptr, 0, 0, &second);
    const char* thickness[] = {"2"};
    const double closed[] = {3, 0};
    FEAT_create(part, "HOLLOW", 1, thickness, 2, closed, 0, nullptr, FREC_ask_body(second), 0, &g_hollow);

    unsigned int points[2] = {};
    const double pa[3] = {1, 0, 0}, pb[3] = {0, 1, 0}, z[3] = {0, 0, 1};
    ES_create_point(pa, &points[0]);
    ES_create_point(pb, &points[1]);
    POINT_create_edit_feature(2, points, 1, &g_points);
    unsigned int axis = 0;
    DATUM_create_fixed_axis(part, pa, z, &axis);
    g_axis = MODL_ask_feature_of_rm_entity(axis);
    g_plane = host::feature::create(part, "DATUM_PLANE", {}, {host::profiles::create_direction_object(part, 197, pb, z)});
    host::control::clear_journal();
}

int place_queries() {
    STEP(KX_initialize());
    tag_list* members = nullptr;
    STEP(KX_MODL_ask_instance(g_set, &members));
    STEP(KX_MODL_delete_list(&members));
    double at[3], first[3], second[3];
    STEP(KX_MODL_ask_feat_location(g_set, at));
    STEP(KX_MODL_ask_feat_location(g_instance, at));
    STEP(KX_MODL_ask_feat_direction(g_instance, first, second));
    tag found = NULL_TAG;
    STEP(KX_MODL_ask_instance_iset(g_instance, &found));
    STEP(KX_MODL_ask_master(g_instance, &found));
    char* texts[4] = {};
    STEP(KX_MODL_ask_linear_iset_parms(g_set, 0, &texts[0], &texts[1], &texts[2], &texts[3]));
    for (char* t : texts) KX_free(t);
    STEP(KX_MODL_ask_block_parms(g_copy, 0, texts));
    for (int i = 0; i < 3; ++i) KX_free(texts[i]);
    STEP(KX_MODL_ask_circular_iset_parms(g_circular, 0, &texts[0], &texts[1], &texts[2]));
    for (int i = 0; i < 3; ++i) KX_free(texts[i]);
    STEP(KX_MODL_ask_feat_location(g_circular, at));
    STEP(KX_MODL_ask_sweep_parms(g_sweep, 0, &texts[0], &texts[1], &texts[2]));
    for (int i = 0; i < 3; ++i) KX_free(texts[i]);
    STEP(KX_MODL_ask_taper_parms(g_taper, 0, &texts[0]));
    KX_free(texts[0]);
    tag body = NULL_TAG, *open = nullptr, *own = nullptr;
    int kind = 0, n_open = 0, n_own = 0, closed = 0;
    char* thickness = nullptr;
    double* widths = nullptr;
    double value = 0;
    STEP(KX_MODL_ask_hollow_data(g_hollow, &body, &kind, &thickness, &open, &n_open, &own, &n_own, &widths, &value,
                                 &closed));
    KX_free(thickness);
    KX_free(open);
    KX_free(own);
    KX_free(widths);
    int n = 0;
    tag* points = nullptr;
    STEP(KX_MODL_ask_points_parms(g_points, &n, &points));
    KX_free(points);
    STEP(KX_MODL_ask_datum_axis_parms(g_axis, at, first));
    STEP(KX_MODL_ask_datum_point_and_direction(g_axis, at, first));
    char *offset = nullptr, *angle = nullptr;
    STEP(KX_MODL_ask_datum_plane_parms(g_plane, at, first, &offset, &angle));
    return 0;
}

TEST(ParmsFaultSimulation, PlaceAndDataQueriesEndClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"places", place_queries, places});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

unsigned int g_sheet_sew = 0, g_face_sew = 0;

// A sew made by the host: the bodies (target first) and, for a sew of
// faces, the target's and the tool's faces (kernel entities).
unsigned int host_sew(std::vector<int> bodies, std::vector<int> targets, std::vector<int> tools) {
    int lists[4] = {};
    for (int& l : lists) KI_crlist(KI_LIST_KERNEL, &l);
    for (int b : bodies) KI_pttgli(lists[0], 0, 1, b);
    for (int f : targets) KI_pttgli(lists[1], 0, 1, f);
    for (int f : tools) KI_pttgli(lists[2], 0, 1, f);
    unsigned int feature = 0;
    SEW_create_frec(0.001, 0, 0, lists[0], lists[1], lists[2], lists[3], &feature);
    for (int& l : lists) {
        int ifail = 0;
        KI_delist(&l, &ifail);
    }
    return feature;
}

// The face of the kernel body on the plane x = at.
int face_at_x(int body, double at) {
    for (int f : host::kernel::faces_of(body)) {
        double box[6];
        ZQ_TOPOL_find_box(f, box);
        if (std::abs(box[0] - at) < 1e-6 && std::abs(box[3] - at) < 1e-6) return f;
    }
    return 0;
}

// Two square sheets sewn at an edge, and two blocks sewn at their faces.
void sews() {
    kxtest::fresh_process();
    const unsigned int part = host::parts::create("sews.prt");
    host::parts::set_work_part(part);
    double floor[12] = {0, 0, 0, 10, 0, 0, 0, 10, 0, 10, 10, 0};
    double wall[12] = {0, 0, 0, 0, 10, 0, 0, 0, 10, 0, 10, 10};
    int a = 0, b = 0;
    ZQ_BODY_points_sheet(2, 2, floor, &a);
    ZQ_BODY_points_sheet(2, 2, wall, &b);
    host::kernel::object_of(a);
    host::kernel::object_of(b);
    g_sheet_sew = host_sew({a, b}, {}, {});
    const char* sizes[] = {"100", "50", "20"};
    const double origin[] = {0, 0, 0};
    unsigned int block = 0;
    FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block);
    const int body = host::kernel::entity_of(FREC_ask_body(block));
    const double at[] = {100, 0, 0}, size[] = {20, 50, 20};
    int tool = 0;
    ZQ_BODY_make_block(at, size, &tool);
    host::kernel::object_of(tool);
    g_face_sew = host_sew({body, tool}, {face_at_x(body, 100)}, {face_at_x(tool, 100)});
    host::control::clear_journal();
}

int sew_queries() {
    STEP(KX_initialize());
    tag target = NULL_TAG, *tools = nullptr, *faces = nullptr;
    int n = 0, n2 = 0;
    double tolerance = 0;
    STEP(KX_MODL_ask_sew_sheet_body(g_sheet_sew, &target, &n, &tools, &tolerance));
    KX_free(tools);
    tools = nullptr;
    STEP(KX_MODL_ask_sew_solid_body(g_face_sew, &n, &faces, &n2, &tools, &tolerance));
    KX_free(faces);
    KX_free(tools);
    return 0;
}

TEST(ParmsFaultSimulation, SewQueriesEndClean) {
    ASSERT_NO_FATAL_FAILURE(sews());
    ASSERT_NE(g_sheet_sew, 0u);
    ASSERT_NE(g_face_sew, 0u);
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"sews", sew_queries, sews});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

// ---- the form features, primitives, hollow and offset ------------------------------

// The kinds of the story, by what asks them.
enum Kind {
    kSimpleHole, kCBoreHole, kCSunkHole, kBoss, kCylPocket, kRectPad, kRectPocket, kRectSlot, kBallSlot, kUSlot,
    kTSlot, kDovetailSlot, kRectGroove, kBallGroove, kUGroove, kChamfer, kCone, kSphere, kTorus, kPrism, kHollow,
    kOffset, kKinds
};
tag g_kind[kKinds] = {};
unsigned int g_part = 0;

// A 100 x 50 x 20 block of its own at x = 200 i, and its top face.
std::pair<tag, tag> block_at(int i) {
    const char* sizes[] = {"100", "50", "20"};
    const double origin[] = {200.0 * i, 0, 0};
    unsigned int block = 0;
    FEAT_create(g_part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block);
    const tag body = FREC_ask_body(block);
    tag top = NULL_TAG;
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[2] * sense > 0.999) top = host::kernel::object_of(f);
    }
    return {body, top};
}

// The cylindrical face of radius r of the body.
tag cylinder_of(tag body, double r) {
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_CYLINDER && std::fabs(r1 - r) < 1e-9) return host::kernel::object_of(f);
    }
    return NULL_TAG;
}

// Each form feature on a block of its own (the grooves on a boss of
// diameter 30), a chamfer, the primitives of the feature service, a closed
// hollow and an offset of a top face; all made before the story.
void form_features() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("forms.prt");
    host::parts::set_work_part(g_part);
    double into[] = {0, 0, -1}, up[] = {0, 0, 1}, x[] = {1, 0, 0};
    const char* sizes[] = {"20", "10", "5"};
    for (int k = kSimpleHole; k <= kUGroove; ++k) {
        const auto [body, top] = block_at(k);
        double at[] = {200.0 * k + 50, 25, 20};
        tag& f = g_kind[k];
        switch (k) {
            case kSimpleHole: KX_MODL_create_simple_hole(at, into, "10", "8", "118", top, NULL_TAG, &f); break;
            case kCBoreHole: KX_MODL_create_c_bore_hole(at, into, "6", "10", "12", "3", "0", top, NULL_TAG, &f); break;
            case kCSunkHole: KX_MODL_create_c_sunk_hole(at, into, "6", "10", "12", "90", "0", top, NULL_TAG, &f); break;
            case kBoss: KX_MODL_create_boss(at, up, "10", "5", "0", top, &f); break;
            case kCylPocket: KX_MODL_create_cyl_pocket(at, into, "12", "5", "1", "0", top, &f); break;
            case kRectPad: KX_MODL_create_rect_pad(at, up, x, sizes, "0", "0", top, &f); break;
            case kRectPocket: KX_MODL_create_rect_pocket(at, into, x, sizes, "1", "0", "0", top, &f); break;
            case kRectSlot:
                KX_MODL_create_rect_slot(at, into, x, "10", "5", "30", top, NULL_TAG, NULL_TAG, &f);
                break;
            case kBallSlot:
                KX_MODL_create_ball_slot(at, into, x, "10", "8", "30", top, NULL_TAG, NULL_TAG, &f);
                break;
            case kUSlot: KX_MODL_create_u_slot(at, into, x, "10", "6", "2", "30", top, NULL_TAG, NULL_TAG, &f); break;
            case kTSlot:
                KX_MODL_create_t_slot(at, into, x, "6", "4", "12", "3", "30", top, NULL_TAG, NULL_TAG, &f);
                break;
            case kDovetailSlot:
                KX_MODL_create_dove_tail_slot(at, into, x, "10", "5", "10", "30", top, NULL_TAG, NULL_TAG, &f);
                break;
            default: {
                tag boss = NULL_TAG;
                KX_MODL_create_boss(at, up, "30", "15", "0", top, &boss);
                const tag face = cylinder_of(body, 15);
                double mid[] = {200.0 * k + 50, 25, 27.5};
                if (k == kRectGroove) KX_MODL_create_rect_groove(mid, up, "20", "4", face, &f);
                if (k == kBallGroove) KX_MODL_create_ball_groove(mid, up, "20", "4", face, &f);
                if (k == kUGroove) KX_MODL_create_u_groove(mid, up, "20", "4", "1", face, &f);
            }
        }
    }
    const auto [body, top] = block_at(kChamfer);
    tag_list* edges = nullptr;
    KX_MODL_create_list(&edges);
    KX_MODL_put_list_item(edges, host::kernel::object_of(host::kernel::edges_of(host::kernel::entity_of(body)).front()));
    KX_MODL_create_chamfer(1, "2", "3", "45", edges, &g_kind[kChamfer]);
    KX_MODL_delete_list(&edges);

    for (const auto& [name, p] : std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"CONE", {"P0", "P1", "P2", "P3"}}, {"SPHERE", {"P0"}}, {"TORUS", {"P0", "P1"}}, {"PRISM", {"P0", "P1", "P2"}}})
        if (!host::feature::find_kind(name))
            host::feature::register_kind({name, p, host::feature::kAnyNumbers, 0, 0, false, no_body, no_numbers});
    const double placed[6] = {0, 0, -100, 0, 0, 1};
    const char* cone[] = {"10", "5", "20", "7"};
    const char* sphere[] = {"12"};
    const char* torus[] = {"20", "3"};
    const char* prism[] = {"10", "4", "6"};
    unsigned int f = 0;
    FEAT_create(g_part, "CONE", 4, cone, 6, placed, 0, nullptr, 0, 0, &f);
    g_kind[kCone] = f;
    FEAT_create(g_part, "SPHERE", 1, sphere, 3, placed, 0, nullptr, 0, 0, &f);
    g_kind[kSphere] = f;
    FEAT_create(g_part, "TORUS", 2, torus, 0, nullptr, 0, nullptr, 0, 0, &f);
    g_kind[kTorus] = f;
    FEAT_create(g_part, "PRISM", 3, prism, 0, nullptr, 0, nullptr, 0, 0, &f);
    g_kind[kPrism] = f;
    const auto [hollowed, unused] = block_at(kHollow);
    const char* thickness[] = {"2"};
    const double closed[] = {3, 0};
    FEAT_create(g_part, "HOLLOW", 1, thickness, 2, closed, 0, nullptr, hollowed, 0, &f);
    g_kind[kHollow] = f;
    auto [offset_body, offset_top] = block_at(kOffset);
    unsigned int face = offset_top;
    const char* distance[] = {"1.5"};
    FEAT_create(g_part, "OFFSET", 1, distance, 0, nullptr, 1, &face, offset_body, 0, &f);
    g_kind[kOffset] = f;
    host::control::clear_journal();
}

// The texts given by an ask, freed.
void free_texts(std::initializer_list<char*> texts) {
    for (char* t : texts) KX_free(t);
}

int form_queries() {
    char *a = nullptr, *b = nullptr, *c = nullptr, *d = nullptr, *e = nullptr, *f = nullptr;
    char* sizes[3] = {};
    int thru = 0, type = 0;
    STEP(KX_MODL_ask_simple_hole_parms(g_kind[kSimpleHole], 0, &a, &b, &c, &thru));
    free_texts({a, b, c});
    STEP(KX_MODL_ask_c_bore_hole_parms(g_kind[kCBoreHole], 0, &a, &b, &c, &d, &e, &thru));
    free_texts({a, b, c, d, e});
    STEP(KX_MODL_ask_c_sunk_hole_parms(g_kind[kCSunkHole], 0, &a, &b, &c, &d, &e, &thru));
    free_texts({a, b, c, d, e});
    STEP(KX_MODL_ask_boss_parms(g_kind[kBoss], 0, &a, &b, &c));
    free_texts({a, b, c});
    STEP(KX_MODL_ask_cyl_pocket_parms(g_kind[kCylPocket], 0, &a, &b, &c, &d));
    free_texts({a, b, c, d});
    STEP(KX_MODL_ask_rect_pad_parms(g_kind[kRectPad], 0, sizes, &a, &b));
    free_texts({sizes[0], sizes[1], sizes[2], a, b});
    STEP(KX_MODL_ask_rect_pocket_parms(g_kind[kRectPocket], 0, sizes, &a, &b, &c));
    free_texts({sizes[0], sizes[1], sizes[2], a, b, c});
    STEP(KX_MODL_ask_rect_slot_parms(g_kind[kRectSlot], 0, &a, &b, &c, &thru));
    free_texts({a, b, c});
    STEP(KX_MODL_ask_ball_slot_parms(g_kind[kBallSlot], 0, &a, &b, &c, &thru));
    free_texts({a, b, c});
    STEP(KX_MODL_ask_u_slot_parms(g_kind[kUSlot], 0, &a, &b, &c, &d, &thru));
    free_texts({a, b, c, d});
    STEP(KX_MODL_ask_t_slot_parms(g_kind[kTSlot], 0, &a, &b, &c, &d, &e, &thru));
    free_texts({a, b, c, d, e});
    STEP(KX_MODL_ask_dovetail_slot_parms(g_kind[kDovetailSlot], 0, &a, &b, &c, &d, &thru));
    free_texts({a, b, c, d});
    STEP(KX_MODL_ask_rect_groove_parms(g_kind[kRectGroove], 0, &a, &b));
    free_texts({a, b});
    STEP(KX_MODL_ask_ball_groove_parms(g_kind[kBallGroove], 0, &a, &b));
    free_texts({a, b});
    STEP(KX_MODL_ask_u_groove_parms(g_kind[kUGroove], 0, &a, &b, &c));
    free_texts({a, b, c});
    STEP(KX_MODL_ask_chamfer_parms(g_kind[kChamfer], 0, &type, &a, &b, &c));
    free_texts({a, b, c});
    STEP(KX_MODL_ask_cone_parms(g_kind[kCone], 0, &a, &b, &c, &d));
    free_texts({a, b, c, d});
    STEP(KX_MODL_ask_sphere_parms(g_kind[kSphere], 0, &a));
    free_texts({a});
    STEP(KX_MODL_ask_torus_parms(g_kind[kTorus], 0, &a, &b));
    free_texts({a, b});
    STEP(KX_MODL_ask_prism_parms(g_kind[kPrism], 0, &a, &b, &c));
    free_texts({a, b, c});
    STEP(KX_MODL_ask_hollow_parms(g_kind[kHollow], 0, &a));
    free_texts({a});
    STEP(KX_MODL_ask_offset_parms(g_kind[kOffset], 0, &f));
    free_texts({f});
    return 0;
}

TEST(ParmsFaultSimulation, FormAndPrimitiveTextsEndClean) {
    ASSERT_NO_FATAL_FAILURE(form_features());
    for (int k = 0; k < kKinds; ++k) ASSERT_NE(g_kind[k], NULL_TAG) << k;
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"forms", form_queries, form_features});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
