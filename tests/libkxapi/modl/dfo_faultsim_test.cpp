// Direct face operations under fault simulation: a host error at each host
// call of the story must leave a clean status, no armed frame, no leaked
// block and, where a call failed, the model and the undo marks as before it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_part = 0, g_body = 0, g_line = 0, g_point = 0;
std::vector<tag> g_boss, g_side;

std::vector<tag> faces_in(const double box[6]);
tag plane_face(const double n[3], double h);

// A 100 x 50 x 20 block with a 10 x 10 x 5 boss on its top, a line along x
// and a point.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("dfo_faults.prt");
    CONTEXT_set_work_part(g_part);
    const char* sizes[] = {"100", "50", "20"};
    const char* boss[] = {"10", "10", "5"};
    const double origin[3] = {0, 0, 0}, boss_at[3] = {10, 10, 20};
    unsigned int f = 0;
    FEAT_create(g_part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &f);
    g_body = FREC_ask_body(f);
    FEAT_create(g_part, "BLOCK", 3, boss, 3, boss_at, 0, nullptr, g_body, FEAT_SIGN_UNITE, &f);
    const double ends[6] = {0, 0, 0, 10, 0, 0};
    ES_create_line_in_part(g_part, ends, &g_line);
    const double at[3] = {5, 30, 0};
    ES_create_point(at, &g_point);
    const double boss_box[6] = {10, 10, 20, 20, 20, 25}, side_box[6] = {100, 0, 0, 100, 50, 20};
    g_boss = faces_in(boss_box);
    g_side = faces_in(side_box);
}

// Faces of the body whose boxes lie inside the box.
std::vector<tag> faces_in(const double box[6]) {
    std::vector<tag> out;
    for (int f : host::kernel::faces_of(host::kernel::entity_of(g_body))) {
        double b[6];
        ZQ_TOPOL_find_box(f, b);
        bool inside = true;
        for (int i = 0; i < 3; ++i) inside = inside && b[i] >= box[i] - 1e-6 && b[3 + i] <= box[3 + i] + 1e-6;
        if (inside) out.push_back(host::kernel::object_of(f));
    }
    return out;
}

void free_region(dfo_region* r) {
    if (!r) return;
    KX_free(r->seed_faces);
    KX_free(r->second_faces);
    KX_free(r->third_faces);
    KX_free(r);
}

int story() {
    std::vector<tag> boss = g_boss, side = g_side;
    dfo_region region{};
    region.seed_faces = side.data();
    region.number_of_seed_faces = static_cast<int>(side.size());
    tag offset = NULL_TAG;
    STEP(KX_MODL_create_offset_region(&region, "5", &offset));
    dfo_region* back = nullptr;
    char text[KX_MODL_DFO_TEXT];
    STEP(KX_MODL_ask_offset_region(offset, &back, text));
    free_region(back);
    STEP(KX_MODL_edit_offset_region(offset, nullptr, "8"));

    region.seed_faces = boss.data();
    region.number_of_seed_faces = static_cast<int>(boss.size());
    move_distance m{};
    m.direction = g_line;
    std::strcpy(m.displacement, "20");
    tag move = NULL_TAG;
    STEP(KX_MODL_create_move_region(1, &region, &m, &move));
    int type = 0;
    void* motion = nullptr;
    STEP(KX_MODL_ask_move_region(move, &type, &back, &motion));
    free_region(back);
    KX_free(motion);
    move_point_to_point pp{g_point, g_point};
    STEP(KX_MODL_edit_move_region(move, 0, nullptr, &pp));
    return faultsim::step("KX_MODL_update", [] { return KX_MODL_update(); });
}

tag g_x = NULL_TAG, g_y = NULL_TAG, g_axis = NULL_TAG, g_centre = NULL_TAG, g_mirror = NULL_TAG;

// A line of the part between the ends.
tag line(const double ends[6]) {
    unsigned int l = 0;
    ES_create_line_in_part(g_part, ends, &l);
    return l;
}

// The model with lines along x and y, an upright axis through the block's
// middle and a point at the middle of the boss's foot.
void references() {
    model();
    const double along_x[6] = {0, 0, 0, 10, 0, 0}, along_y[6] = {0, 0, 0, 0, 10, 0};
    const double upright[6] = {50, 25, 0, 50, 25, 10};
    g_x = line(along_x);
    g_y = line(along_y);
    g_axis = line(upright);
    unsigned int centre = 0;
    const double at[3] = {15, 15, 20};
    ES_create_point(at, &centre);
    g_centre = centre;
    // A slab beside the block: its face at x = 50 is the mirror plane.
    const char* slab[] = {"10", "10", "10"};
    const double slab_at[3] = {50, 60, 0};
    unsigned int f = 0;
    FEAT_create(g_part, "BLOCK", 3, slab, 3, slab_at, 0, nullptr, 0, FEAT_SIGN_NEW, &f);
    for (int face : host::kernel::faces_of(host::kernel::entity_of(FREC_ask_body(f)))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(face, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[0] * sense < -0.999) g_mirror = host::kernel::object_of(face);
    }
}

// The face patterns: rectangular, circular and mirror, each made, asked
// and edited, on the boss of the model.
int pattern_story() {
    std::vector<tag> boss = g_boss;
    dfo_region region{};
    region.seed_faces = boss.data();
    region.number_of_seed_faces = static_cast<int>(boss.size());
    const tag x = g_x, y = g_y;
    tag rect = NULL_TAG;
    STEP(KX_MODL_create_rectangular_pattern_face(&region, x, y, 3, 2, "20", "15", &rect));
    dfo_region* back = nullptr;
    tag d1 = NULL_TAG, d2 = NULL_TAG;
    int c1 = 0, c2 = 0;
    char s1[KX_MODL_DFO_TEXT], s2[KX_MODL_DFO_TEXT];
    STEP(KX_MODL_ask_rectangular_pattern_face(rect, &back, &d1, &d2, &c1, &c2, s1, s2));
    free_region(back);
    STEP(KX_MODL_edit_rectangular_pattern_face(rect, nullptr, NULL_TAG, NULL_TAG, 2, 0, nullptr, nullptr));

    // Two copies half a turn apart about an upright axis at the block's middle.
    tag circular = NULL_TAG;
    STEP(KX_MODL_create_circular_pattern_face(&region, g_axis, 2, "180", &circular));
    tag a = NULL_TAG;
    int count = 0;
    char angle[KX_MODL_DFO_TEXT];
    STEP(KX_MODL_ask_circular_pattern_face(circular, &back, &a, &count, angle));
    free_region(back);
    STEP(KX_MODL_edit_circular_pattern_face(circular, nullptr, NULL_TAG, 2, angle));

    tag mirror = NULL_TAG;
    STEP(KX_MODL_create_mirror_pattern_face(&region, g_mirror, &mirror));
    tag back_plane = NULL_TAG;
    STEP(KX_MODL_ask_mirror_pattern_face(mirror, &back, &back_plane));
    free_region(back);
    STEP(KX_MODL_edit_mirror_pattern_face(mirror, nullptr, back_plane));
    return faultsim::step("KX_MODL_update", [] { return KX_MODL_update(); });
}

// Local scale of the boss about a point, asked and edited to another type.
int scale_story() {
    std::vector<tag> boss = g_boss;
    dfo_region region{};
    region.seed_faces = boss.data();
    region.number_of_seed_faces = static_cast<int>(boss.size());
    const tag centre = g_centre;
    const char factors[3][KX_MODL_DFO_TEXT] = {"2", "", ""};
    tag scale = NULL_TAG;
    STEP(KX_MODL_create_local_scale(0, &region, centre, NULL_TAG, NULL_TAG, factors, &scale));
    int type = -1;
    dfo_region* back = nullptr;
    tag r1 = NULL_TAG, r2 = NULL_TAG, r3 = NULL_TAG;
    char out[3][KX_MODL_DFO_TEXT];
    STEP(KX_MODL_ask_local_scale(scale, &type, &back, &r1, &r2, &r3, out));
    free_region(back);
    const char two_three[3][KX_MODL_DFO_TEXT] = {"2", "3", ""};
    STEP(KX_MODL_edit_local_scale(scale, 1, nullptr, centre, NULL_TAG, NULL_TAG, two_three));
    return faultsim::step("KX_MODL_update", [] { return KX_MODL_update(); });
}

// The planar face of the body whose outward normal is n and whose plane
// passes through height h along n.
tag plane_face(const double n[3], double h) {
    for (int f : host::kernel::faces_of(host::kernel::entity_of(g_body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        const double along = (d[0] * n[0] + d[1] * n[1] + d[2] * n[2]) * sense;
        if (type == ZQ_SURF_PLANE && along > 0.999 && std::fabs(p[0] * n[0] + p[1] * n[1] + p[2] * n[2] - h) < 1e-6)
            return host::kernel::object_of(f);
    }
    return NULL_TAG;
}

tag g_hole = NULL_TAG, g_top = NULL_TAG, g_floor = NULL_TAG, g_deeper = NULL_TAG, g_bottom = NULL_TAG;

// A 100 x 50 x 20 plate with a hole of radius 10 and two pockets 20 x 15,
// 5 and 10 deep.
void plate() {
    model();
    const char* sizes[] = {"20", "40"};
    const double axis[] = {50, 35, -10, 0, 0, 1};
    unsigned int f = 0;
    FEAT_create(g_part, "CYLINDER", 2, sizes, 6, axis, 0, nullptr, g_body, FEAT_SIGN_SUBTRACT, &f);
    const char* shallow[] = {"20", "15", "6"};
    const char* deep[] = {"20", "15", "11"};
    const double shallow_at[3] = {10, 2, 15}, deep_at[3] = {70, 2, 10};
    FEAT_create(g_part, "BLOCK", 3, shallow, 3, shallow_at, 0, nullptr, g_body, FEAT_SIGN_SUBTRACT, &f);
    FEAT_create(g_part, "BLOCK", 3, deep, 3, deep_at, 0, nullptr, g_body, FEAT_SIGN_SUBTRACT, &f);
    const double hole_box[6] = {40, 25, 0, 60, 45, 20};
    const std::vector<tag> hole = faces_in(hole_box);
    g_hole = hole.size() == 1 ? hole.front() : NULL_TAG;
    const double up[3] = {0, 0, 1}, down[3] = {0, 0, -1};
    g_top = plane_face(up, 20);
    g_floor = plane_face(up, 15);
    g_deeper = plane_face(up, 10);
    g_bottom = plane_face(down, 0);
}

// Resize of the hole, replace of a pocket floor, and a face constraint on
// the top face: each made, asked and edited.
int face_story() {
    tag hole[1] = {g_hole}, third[1] = {g_top};
    tag resize = NULL_TAG;
    STEP(KX_MODL_create_resize_face(hole, 1, third, 1, "12", &resize));
    tag* faces = nullptr;
    tag* others = nullptr;
    int n = 0, n2 = 0;
    char text[KX_MODL_DFO_TEXT];
    STEP(KX_MODL_ask_resize_face(resize, &faces, &n, &others, &n2, text));
    KX_free(faces);
    KX_free(others);
    STEP(KX_MODL_edit_resize_face(resize, nullptr, 0, nullptr, 0, "8"));

    tag floor[1] = {g_floor}, with[1] = {g_deeper};
    tag replace = NULL_TAG;
    STEP(KX_MODL_create_replace_face(floor, 1, with, 1, 0, 'y', &replace));
    int value = -1;
    char option = 0;
    STEP(KX_MODL_ask_replace_face(replace, &faces, &n, &others, &n2, &value, &option));
    KX_free(faces);
    KX_free(others);
    STEP(KX_MODL_edit_replace_face(replace, nullptr, 0, nullptr, 0, 0, 'n'));

    std::vector<tag> seeds{g_top};
    dfo_region region{};
    region.seed_faces = seeds.data();
    region.number_of_seed_faces = 1;
    face_constraint_data c{};
    c.constraint_type = 7;
    c.from_face = g_top;
    c.to_object = g_bottom;
    std::strcpy(c.value, "30");
    tag constraint = NULL_TAG;
    STEP(KX_MODL_create_face_constraint(&region, &c, &constraint));
    dfo_region* back = nullptr;
    face_constraint_data* cb = nullptr;
    STEP(KX_MODL_ask_face_constraint(constraint, &back, &cb));
    free_region(back);
    KX_free(cb);
    std::strcpy(c.value, "25");
    STEP(KX_MODL_edit_face_constraint(constraint, nullptr, &c));
    return faultsim::step("KX_MODL_update", [] { return KX_MODL_update(); });
}

TEST(DfoFaultSimulation, PatternsEndClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"modl_dfo_patterns", pattern_story, references});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(DfoFaultSimulation, LocalScaleEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"modl_dfo_scale", scale_story, references});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(DfoFaultSimulation, ResizeReplaceAndConstraintEndClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"modl_dfo_faces", face_story, plate});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(DfoFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"modl_dfo", story, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
