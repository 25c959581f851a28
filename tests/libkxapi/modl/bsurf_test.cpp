// B-surfaces: sheets from poles and knots against closed forms, trimmed
// sheets, sheets from records with repair states, surfaces through rows of
// points, repair and smoothing write-back, the B-surface of a face and a
// face given a new surface; the refusals, the kernel codes mapped, and the
// kernel settings restored on every way out.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "host/kernel/bsurf/bsurf.h"
#include "host/control/control.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/queries.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/topology.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "kx_curve.h"
#include "kx_modl.h"
#include "kx_obj.h"
#include "kx_modl_bsurf.h"
#include "kx_modl_face_data.h"
#include "libkxapi/core/kx_session.h"
#include "tests/libkxapi/curve/curve_fixture.h"
#include "tests/support/part_files.h"

namespace {

const double kHalfRoot2 = std::sqrt(2.0) / 2;

// Loose B-surface data with its own arrays.
struct Patch {
    int nu = 0, nv = 0, ou = 0, ov = 0;
    std::vector<double> ku, kv, poles;
    bsurface_data record() { return bsurface_data{nu, nv, ou, ov, 0, ku.data(), kv.data(), poles.data()}; }
};

// A bicubic patch of 4 x 4 poles evenly over [0, size]^2 on z = 0.
Patch flat_patch(double size = 30) {
    Patch p{4, 4, 4, 4, {0, 0, 0, 0, 1, 1, 1, 1}, {0, 0, 0, 0, 1, 1, 1, 1}, {}};
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) p.poles.insert(p.poles.end(), {size * i / 3, size * j / 3, 0, 1});
    return p;
}

// A quarter cylinder of radius 10 about z, length 20: a rational quadratic
// arc in u (weights 1, sqrt(2)/2, 1) swept straight in v.
Patch quarter_cylinder() {
    Patch p{3, 2, 3, 2, {0, 0, 0, 1, 1, 1}, {0, 0, 1, 1}, {}};
    const double arc[3][3] = {{10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i) {
            const double w = i == 1 ? kHalfRoot2 : 1.0;
            p.poles.insert(p.poles.end(), {w * arc[i][0], w * arc[i][1], w * (arc[i][2] + 20 * j), w});
        }
    return p;
}

// The curve tests' fixture: a fresh host and session, a work part with a
// work coordinate system and an identity matrix for arcs.
class BSurf : public CurveTest {
protected:
    tag circle(double cx, double cy, double r) { return arc(cx, cy, r, 0, kTwoPi); }
    // A straight B-curve from a to b (x, y only: a curve in parameter space).
    static tag segment(double ax, double ay, double bx, double by) {
        double knots[4] = {0, 0, 1, 1};
        double poles[2][4] = {{ax, ay, 0, 1}, {bx, by, 0, 1}};
        spline_data d{2, 2, 0, knots, poles, 0, 1};
        tag t = NULL_TAG;
        int n = 0;
        spline_state* st = nullptr;
        EXPECT_EQ(KX_CURVE_create_spline(&d, &t, &n, &st), 0);
        KX_free(st);
        return t;
    }
    static double area_of(tag body) {
        double props[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(ES_solid_ask_fermalith_tag(body), props);
        return props[ZQ_MP_AREA];
    }
    static tag face_of(tag body) {
        int* faces = nullptr;
        int n = 0;
        KI_idcoen_sm(ES_solid_ask_fermalith_tag(body), ZQ_CLASS_FACE, &faces, &n);
        unsigned int f = 0;
        if (n > 0) pxlook_(&faces[0], &f);
        SM_free(faces);
        return f;
    }
    static int option12() {
        const int n = 12;
        int v = -1, ifail = 0;
        KI_ouintp(&n, &v, &ifail);
        return v;
    }
    static void set_option12(int v) {
        const int n = 12;
        int ifail = 0;
        KI_seintp(&n, &v, &ifail);
    }
    static int create(Patch& p, tag* out) {
        return KX_MODL_create_bsurf(p.nu, p.nv, p.ou, p.ov, p.ku.data(), p.kv.data(), p.poles.data(), out, 0, 0);
    }
    int trim3d(Patch& p, std::vector<int> counts, std::vector<int> senses, std::vector<tag> curves, double tol,
               tag* out) {
        return KX_MODL_cre_trim_bsurf(p.nu, p.nv, p.ou, p.ov, p.ku.data(), p.kv.data(), p.poles.data(),
                                      static_cast<int>(counts.size()), counts.data(), senses.data(), curves.data(), 0,
                                      tol, out, 0, 0);
    }
    int trim2d(Patch& p, std::vector<int> counts, std::vector<int> senses, std::vector<tag> curves, double tol,
               tag* out) {
        return KX_MODL_cre_2dtrim_bsurf(p.nu, p.nv, p.ou, p.ov, p.ku.data(), p.kv.data(), p.poles.data(),
                                        static_cast<int>(counts.size()), counts.data(), senses.data(), curves.data(),
                                        tol, out, 0, 0);
    }
    std::vector<tag> unit_square_in_parameters(double a, double b) {
        return {segment(a, a, b, a), segment(b, a, b, b), segment(b, b, a, b), segment(a, b, a, a)};
    }

    // A block feature of 30 x 30 x 10 at the origin.
    unsigned int block() {
        const char* sizes[3] = {"30", "30", "10"};
        const double origin[3] = {0, 0, 0};
        unsigned int f = 0;
        EXPECT_EQ(FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &f), 0);
        return f;
    }
    // The face (edge) objects of a body whose box lies within z0..z1.
    static std::vector<tag> subs_between(tag body, int cls, double z0, double z1) {
        int* subs = nullptr;
        int n = 0;
        KI_idcoen_sm(ES_solid_ask_fermalith_tag(body), cls, &subs, &n);
        std::vector<tag> out;
        for (int i = 0; i < n; ++i) {
            double box[6];
            ZQ_TOPOL_find_box(subs[i], box);
            unsigned int o = 0;
            pxlook_(&subs[i], &o);
            if (box[2] > z0 - 1e-9 && box[5] < z1 + 1e-9) out.push_back(o);
        }
        SM_free(subs);
        return out;
    }
    // A dome over the 30 x 30 top of the block: its boundary poles on the
    // top's edges, the four inner ones raised to z = 16.
    static Patch dome() {
        Patch d = flat_patch();
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i) {
                const bool boundary = i == 0 || i == 3 || j == 0 || j == 3;
                d.poles[4 * (j * 4 + i) + 2] = boundary ? 10 : 16;
            }
        return d;
    }
    static std::string kind_of(unsigned int feature) {
        char* kind = FREC_ask_feature_type(feature);
        std::string k = kind ? kind : "";
        SM_free(kind);
        return k;
    }
};

// ---- geometry against closed forms ----------------------------------------------------

TEST_F(BSurf, SheetsFromPolesHaveTheAreasOfTheirClosedForms) {
    Patch flat = flat_patch();
    tag sheet = NULL_TAG;
    ASSERT_EQ(create(flat, &sheet), 0);
    EXPECT_NEAR(area_of(sheet), 900, 1e-6);
    EXPECT_TRUE(ES_solid_is_a_sheet_body(sheet));

    Patch cyl = quarter_cylinder();
    ASSERT_EQ(create(cyl, &sheet), 0);
    EXPECT_NEAR(area_of(sheet), 100 * kPi, 1e-6);
    // Every point of the surface is at radius 10 from the axis.
    double box[6];
    ZQ_TOPOL_find_box(ES_solid_ask_fermalith_tag(sheet), box);
    EXPECT_NEAR(box[3], 10, 1e-6);
    EXPECT_NEAR(box[4], 10, 1e-6);
    EXPECT_NEAR(box[5], 20, 1e-6);
    // The face is a spline face whose points lie at radius 10, its unit
    // normal along the radius.
    const tag face = face_of(sheet);
    int type = 0;
    double point[3], direction[3], fbox[6], r1 = 0, r2 = 0;
    int sense = 0;
    ASSERT_EQ(KX_MODL_ask_face_data(face, &type, point, direction, fbox, &r1, &r2, &sense), 0);
    EXPECT_EQ(type, KX_MODL_FACE_SPLINE);
    double uv[4];
    ASSERT_EQ(KX_MODL_ask_face_uv_minmax(face, uv), 0);
    for (int i = 0; i <= 4; ++i)
        for (int j = 0; j <= 4; ++j) {
            double at[2] = {uv[0] + (uv[1] - uv[0]) * i / 4, uv[2] + (uv[3] - uv[2]) * j / 4};
            face_value_record v{};
            ASSERT_EQ(KX_MODL_evaluate_face(face, KX_MODL_EVAL_UNIT_NORMAL, at, &v), 0);
            EXPECT_NEAR(std::hypot(v.point[0], v.point[1]), 10, 1e-9);
            EXPECT_NEAR(std::fabs(v.unit_normal[0] * v.point[0] + v.unit_normal[1] * v.point[1]) / 10, 1, 1e-9);
        }
}

TEST_F(BSurf, TrimmedSheetsKeepWhatTheLoopsBound) {
    Patch flat = flat_patch();
    tag sheet = NULL_TAG;
    // A circle of radius 10 in the middle of the 30 x 30 patch.
    ASSERT_EQ(trim3d(flat, {1}, {1}, {circle(15, 15, 10)}, 1e-6, &sheet), 0);
    EXPECT_NEAR(area_of(sheet), 100 * kPi, 1e-4);

    // A square of the parameter space [0.25, 0.75]^2: 15 x 15 of the patch.
    ASSERT_EQ(trim2d(flat, {4}, {1, 1, 1, 1}, unit_square_in_parameters(0.25, 0.75), 1e-6, &sheet), 0);
    EXPECT_NEAR(area_of(sheet), 225, 1e-6);
    // The same square walked the other way round, by its senses.
    std::vector<tag> sq = unit_square_in_parameters(0.25, 0.75);
    ASSERT_EQ(trim2d(flat, {4}, {-1, -1, -1, -1}, {sq[3], sq[2], sq[1], sq[0]}, 1e-6, &sheet), 0);
    EXPECT_NEAR(area_of(sheet), 225, 1e-6);
}

TEST_F(BSurf, EdgeCreatorsGiveTheFaceAndItsFourSides) {
    for (int two_d = 0; two_d < 2; ++two_d) {
        Patch p = flat_patch();
        tag sheet = NULL_TAG, faces[2] = {1, 1}, edges[4] = {1, 1, 1, 1};
        auto f = two_d ? KX_MODL_create_bs_2d_edges : KX_MODL_create_bs_edges;
        ASSERT_EQ(f(p.nu, p.nv, p.ou, p.ov, p.ku.data(), p.kv.data(), p.poles.data(), &sheet, faces, edges, 0, 0), 0);
        EXPECT_EQ(faces[0], face_of(sheet));
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(ES_solid_is_a_edge(edges[i])) << i;
            double p1[3], p2[3];
            PX_edge_ask_vertices(edges[i], p1, p2);
            // Side 0 at v = 0 (y = 0), 1 at u = 1 (x = 30), 2 at y = 30, 3 at x = 0.
            const double want[4][2] = {{1, 0}, {0, 30}, {1, 30}, {0, 0}};
            const int axis = static_cast<int>(want[i][0]);
            EXPECT_NEAR(p1[axis], want[i][1], 1e-9) << i;
            EXPECT_NEAR(p2[axis], want[i][1], 1e-9) << i;
        }
    }
}

// ---- validation -------------------------------------------------------------------------

TEST_F(BSurf, LooseDataOutsideTheLimitsIsRefusedBeforeAnyKernelCall) {
    struct Case {
        const char* what;
        void (*change)(Patch&);
    };
    const Case cases[] = {
        {"order v above its pole count", [](Patch& p) { p.ov = 5; }},
        {"order u below 2", [](Patch& p) { p.ou = 1; }},
        {"order above 25", [](Patch& p) { p.ou = 26; }},
        {"negative pole count", [](Patch& p) { p.nu = -4; }},
        {"pole product beyond the limit", [](Patch& p) { p.nu = p.nv = 50000; }},
        {"u knots decreasing", [](Patch& p) { p.ku[4] = -1; }},
        {"v knots decreasing", [](Patch& p) { p.kv[5] = 0.5; }},
        {"zero weight", [](Patch& p) { p.poles[7] = 0; }},
        {"weight at the limit", [](Patch& p) { p.poles[3] = 1e-10; }},
        {"no knots", [](Patch& p) { std::vector<double>().swap(p.ku); }},
        {"no poles", [](Patch& p) { std::vector<double>().swap(p.poles); }},
    };
    for (const Case& c : cases) {
        Patch p = flat_patch();
        c.change(p);
        host::control::clear_journal();
        tag sheet = 7;
        EXPECT_EQ(create(p, &sheet), 875046) << c.what;
        EXPECT_EQ(sheet, NULL_TAG) << c.what;
        EXPECT_EQ(host::control::call_count("PX_cre_bs_tag"), 0) << c.what;
        tag faces[2] = {5, 5}, edges[4] = {5, 5, 5, 5};
        EXPECT_EQ(KX_MODL_create_bs_edges(p.nu, p.nv, p.ou, p.ov, p.ku.data(), p.kv.data(), p.poles.data(), &sheet,
                                          faces, edges, 0, 0),
                  875046)
            << c.what;
        EXPECT_EQ(faces[1], NULL_TAG);
        EXPECT_EQ(edges[3], NULL_TAG);
    }
}

TEST_F(BSurf, TrimLoopsAreCheckedInOrderAndOption12IsRestored) {
    const tag good = circle(15, 15, 10);
    const tag dead = circle(15, 15, 5);
    ASSERT_EQ(KX_OBJ_delete_object(dead), 0);
    double pt[3] = {1, 1, 0};
    tag point = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_point(pt, &point), 0);
    struct Case {
        const char* what;
        std::vector<int> counts, senses;
        std::vector<tag> curves;
        double tol;
        int code;
    };
    const std::vector<Case> cases = {
        {"no loop", {}, {}, {}, 1e-6, 875045},
        {"a loop without curves", {0}, {1}, {good}, 1e-6, 875045},
        {"sense 0", {1}, {0}, {good}, 1e-6, 875041},
        {"sense 2 before a dead curve", {2}, {2, 1}, {dead, good}, 1e-6, 875041},
        {"dead curve", {1}, {1}, {dead}, 1e-6, 875027},
        {"a point", {1}, {1}, {point}, 1e-6, 875033},
        {"tolerance at the limit", {1}, {1}, {good}, 1e-10, 875036},
    };
    // Null arrays: the codes of the checks that would read them.
    {
        Patch p = flat_patch();
        int count = 1, sense = 1;
        tag sheet = NULL_TAG;
        tag curve = good;
        const auto trim = [&](int* counts, int* senses, tag* curves) {
            return KX_MODL_cre_trim_bsurf(p.nu, p.nv, p.ou, p.ov, p.ku.data(), p.kv.data(), p.poles.data(), 1, counts,
                                          senses, curves, 0, 1e-6, &sheet, 0, 0);
        };
        EXPECT_EQ(trim(nullptr, &sense, &curve), 875045);
        EXPECT_EQ(trim(&count, nullptr, &curve), 875041);
        EXPECT_EQ(trim(&count, &sense, nullptr), 875027);
    }
    for (int start : {0, 3}) {
        for (const Case& c : cases) {
            set_option12(start);
            Patch p = flat_patch();
            tag sheet = 9;
            host::control::clear_journal();
            EXPECT_EQ(trim3d(p, c.counts, c.senses, c.curves, c.tol, &sheet), c.code) << c.what;
            EXPECT_EQ(sheet, NULL_TAG);
            EXPECT_EQ(host::control::call_count("PX_cre_bs_tag"), 0) << c.what;
            EXPECT_EQ(option12(), start) << c.what;
        }
    }
    // A 2D loop takes B-curves only.
    Patch p = flat_patch();
    tag sheet = NULL_TAG;
    EXPECT_EQ(trim2d(p, {1}, {1}, {good}, 1e-6, &sheet), 875033);
}

// ---- kernel codes ----------------------------------------------------------------------------

TEST_F(BSurf, KernelCodesOfTheLooseCreatorsAreMapped) {
    struct Case {
        const char* routine;
        int status;
        int whole, trimmed;
    };
    const Case cases[] = {
        {"PX_cre_bs_tag", 901, 875029, 875029}, {"PX_cre_bs_tag", 116, 875138, 875138},
        {"PX_cre_bs_tag", 7, 875044, 875047},   {"pxbsby_surf_brep", 901, 875029, 0},
        {"pxbsby_surf_brep", 5, 875044, 0},
    };
    for (const Case& c : cases) {
        host::control::return_status(c.routine, c.status);
        Patch p = flat_patch();
        tag sheet = 3;
        EXPECT_EQ(create(p, &sheet), c.whole) << c.routine << " " << c.status;
        EXPECT_EQ(sheet, NULL_TAG);
        set_option12(0);
        EXPECT_EQ(trim3d(p, {1}, {1}, {circle(15, 15, 10)}, 1e-6, &sheet), c.trimmed) << c.routine << " " << c.status;
        EXPECT_EQ(option12(), 0);
        host::control::clear_script(c.routine);
    }
}

TEST_F(BSurf, SheetBuilderCodesAreMappedAndTheSurfaceDeleted) {
    struct Case {
        int status;
        int three_d, two_d;
    };
    const Case cases[] = {{901, 875029, 875029}, {914, 875022, 875022}, {1064, 875106, 875047}, {12, 875047, 875047}};
    for (const Case& c : cases) {
        host::control::return_status("PX_sheet_from_surf_curves", c.status);
        host::control::return_status("PX_sheet_from_2d_curves_surf", c.status);
        Patch p = flat_patch();
        tag sheet = NULL_TAG;
        set_option12(2);
        host::control::clear_journal();
        EXPECT_EQ(trim3d(p, {1}, {1}, {circle(15, 15, 10)}, 1e-6, &sheet), c.three_d) << c.status;
        EXPECT_EQ(host::control::call_count("KI_delent"), 1);
        const auto hit = host::control::calls("KI_error_set_hit_list");
        ASSERT_EQ(hit.size(), 1u);
        EXPECT_EQ(hit[0].arg[0], 2);
        EXPECT_EQ(option12(), 2);
        EXPECT_EQ(trim2d(p, {4}, {1, 1, 1, 1}, unit_square_in_parameters(0.25, 0.75), 1e-6, &sheet), c.two_d)
            << c.status;
        EXPECT_EQ(option12(), 2);
    }
}

TEST_F(BSurf, CaughtHostErrorsBecomeCodesAndRestoreOption12) {
    struct Case {
        int raised;
        int code;
    };
    for (const Case& c : {Case{903, 875029}, Case{820901, 875029}, Case{670402, 875044}}) {
        host::control::raise_on("PX_cre_bs_tag", c.raised);
        Patch p = flat_patch();
        tag sheet = NULL_TAG;
        set_option12(0);
        EXPECT_EQ(create(p, &sheet), c.code);
        EXPECT_EQ(trim3d(p, {1}, {1}, {circle(15, 15, 10)}, 1e-6, &sheet), c.code);
        EXPECT_EQ(sheet, NULL_TAG);
        EXPECT_EQ(option12(), 0);
        EXPECT_EQ(host::control::frame_depth(), 0);
        host::control::clear_script("PX_cre_bs_tag");
    }
    // The edge creators: 901 and 116 of the creator, any other code 875048;
    // a caught error in the 2D form is always 875048.
    for (auto [status, code] : {std::pair{901, 875029}, {116, 875138}, {3, 875048}}) {
        host::control::return_status("PX_cre_bs_edges", status);
        Patch p = flat_patch();
        tag sheet = NULL_TAG, faces[2], edges[4];
        EXPECT_EQ(KX_MODL_create_bs_edges(p.nu, p.nv, p.ou, p.ov, p.ku.data(), p.kv.data(), p.poles.data(), &sheet,
                                          faces, edges, 0, 0),
                  code);
    }
    host::control::raise_on("PX_cre_bs_2d_edges", 903);
    Patch p = flat_patch();
    tag sheet = NULL_TAG, faces[2], edges[4];
    EXPECT_EQ(KX_MODL_create_bs_2d_edges(p.nu, p.nv, p.ou, p.ov, p.ku.data(), p.kv.data(), p.poles.data(), &sheet,
                                         faces, edges, 0, 0),
              875048);
}

// ---- records ---------------------------------------------------------------------------------

TEST_F(BSurf, RecordsMakeSheetsWithTheirRepairStates) {
    Patch p = flat_patch();
    p.ku = {0, 0, 0, 0, 30, 30, 30, 30};  // renormalised onto [0, 1]: state 9
    bsurface_data r = p.record();
    tag sheet = NULL_TAG;
    int n = -1;
    bsurface_state* states = nullptr;
    ASSERT_EQ(KX_MODL_create_bsurface(&r, &sheet, &n, &states), 0);
    EXPECT_NEAR(area_of(sheet), 900, 1e-6);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(states[0].state_code, 2);
    EXPECT_EQ(states[0].flag, 1);
    EXPECT_DOUBLE_EQ(states[0].value[0], 1.0 / 30);
    EXPECT_DOUBLE_EQ(states[0].value[1], 0);
    KX_free(states);
    // The caller's knots stay as given.
    EXPECT_EQ(p.ku[4], 30);
    EXPECT_EQ(ZQ_SESSION_ask_check_self_int(), 1);

    // No state array asked for: the count is left as it was.
    n = 42;
    ASSERT_EQ(KX_MODL_create_bsurface(&r, &sheet, &n, nullptr), 0);
    EXPECT_EQ(n, 42);
}

TEST_F(BSurf, HostStatesOfSixtyOrMoreAreLoggedAndLeftOut) {
    // A first weight of 2: the host scales the weights (its state 60).
    Patch p = flat_patch();
    for (std::size_t i = 0; i < p.poles.size(); ++i) p.poles[i] *= 2;
    bsurface_data r = p.record();
    tag sheet = NULL_TAG;
    int n = -1;
    bsurface_state* states = nullptr;
    host::control::clear_log();
    ASSERT_EQ(KX_MODL_create_bsurface(&r, &sheet, &n, &states), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(states, nullptr);
    bool noted = false;
    for (const std::string& line : host::control::log_lines())
        noted = noted || line.find("illegal state 60") != std::string::npos;
    EXPECT_TRUE(noted);
    EXPECT_NEAR(area_of(sheet), 900, 1e-6);
}

TEST_F(BSurf, RecordFailuresAre875044AndRestoreTheSelfIntersectionCheck) {
    Patch p = flat_patch();
    p.poles[3] = 0;
    bsurface_data r = p.record();
    tag sheet = 4;
    int n = 0;
    bsurface_state* states = nullptr;
    EXPECT_EQ(KX_MODL_create_bsurface(&r, &sheet, &n, &states), 875044);
    EXPECT_EQ(sheet, NULL_TAG);
    // The same record to repair: its weight is refused with 875305.
    EXPECT_EQ(KX_MODL_fix_bsurface_data(0.001, &r, &n, &states), 875305);

    Patch good = flat_patch();
    bsurface_data g = good.record();
    for (int on : {1, 0}) {
        ZQ_SESSION_set_check_self_int(on);
        for (const char* routine : {"pxbsby_surf_brep", "PX_bsurface_create_fixed"}) {
            host::control::return_status(routine, 901);
            EXPECT_EQ(KX_MODL_create_bsurface(&g, &sheet, &n, &states), 875044) << routine;
            EXPECT_EQ(ZQ_SESSION_ask_check_self_int(), on) << routine;
            host::control::clear_script(routine);
        }
        host::control::raise_on("pxbsby_surf_brep", 670402);
        EXPECT_EQ(KX_MODL_create_bsurface(&g, &sheet, &n, &states), 670402);
        EXPECT_EQ(ZQ_SESSION_ask_check_self_int(), on);
        // The record creator acknowledges the error it caught.
        ASSERT_FALSE(host::control::acknowledged_codes().empty());
        EXPECT_EQ(host::control::acknowledged_codes().back(), 670402);
        host::control::clear_script("pxbsby_surf_brep");
    }
}

TEST_F(BSurf, RepairAndSmoothingWriteTheRecordBack) {
    for (int smoothing = 0; smoothing < 2; ++smoothing) {
        Patch p = flat_patch();
        const std::vector<double> before = p.poles;
        bsurface_data r = p.record();
        int n = -1;
        bsurface_state* states = nullptr;
        const int st = smoothing ? KX_MODL_smooth_bsurface_data(1, 1, 0.001, 0, 0, &r, &n, &states)
                                 : KX_MODL_fix_bsurface_data(0.001, &r, &n, &states);
        ASSERT_EQ(st, 0) << smoothing;
        EXPECT_EQ(r.is_rational, 0);
        EXPECT_EQ(p.poles, before);
        KX_free(states);

        // One weight of 2.0 scales its pole.
        p.poles[4 * 5 + 3] = 2.0;
        r = p.record();
        ASSERT_EQ(smoothing ? KX_MODL_smooth_bsurface_data(1, 1, 0.001, 0, 0, &r, &n, &states)
                            : KX_MODL_fix_bsurface_data(0.001, &r, &n, &states),
                  0);
        EXPECT_EQ(r.is_rational, 1);
        for (int c = 0; c < 3; ++c) EXPECT_DOUBLE_EQ(p.poles[4 * 5 + c], 2 * before[4 * 5 + c]) << c;
        KX_free(states);
    }
}

TEST_F(BSurf, CaughtErrorsOfRepairAreTheStatusWithoutAcknowledgement) {
    Patch p = flat_patch();
    bsurface_data r = p.record();
    const std::size_t acknowledged = host::control::acknowledged_codes().size();
    for (const char* routine : {"BSRF_fix_bsurf_knots_uw", "BSRF_from_bsurf_data_uw"}) {
        host::control::raise_on(routine, 670402);
        int n = 5;
        bsurface_state* states = nullptr;
        EXPECT_EQ(KX_MODL_fix_bsurface_data(0.001, &r, &n, &states), 670402) << routine;
        EXPECT_EQ(n, 0);
        EXPECT_EQ(states, nullptr);
        n = 5;
        EXPECT_EQ(KX_MODL_smooth_bsurface_data(0, 0, 0.001, 0, 0, &r, &n, &states), 670402) << routine;
        EXPECT_EQ(n, 0);
        host::control::clear_script(routine);
    }
    EXPECT_EQ(host::control::acknowledged_codes().size(), acknowledged);
    // The loose creators do not acknowledge either.
    host::control::raise_on("PX_cre_bs_tag", 670402);
    tag sheet = NULL_TAG;
    EXPECT_EQ(create(p, &sheet), 875044);
    EXPECT_EQ(host::control::acknowledged_codes().size(), acknowledged);
}

TEST_F(BSurf, RepairAndSmoothingRefusals) {
    Patch p = flat_patch();
    bsurface_data r = p.record();
    int n = 0;
    bsurface_state* states = nullptr;
    for (auto [su, sv] : {std::pair{-1, 0}, {4, 0}, {0, 4}}) {
        EXPECT_EQ(KX_MODL_smooth_bsurface_data(su, sv, 0.001, 0, 0, &r, &n, &states), 875350);
    }
    EXPECT_EQ(KX_MODL_fix_bsurface_data(0.001, &r, nullptr, &states), 1105006);
    EXPECT_EQ(KX_MODL_fix_bsurface_data(0.001, &r, &n, nullptr), 1105007);
    EXPECT_EQ(KX_MODL_smooth_bsurface_data(0, 0, 0.001, 0, 0, &r, &n, nullptr), 1105016);
    bsurface_data bad = r;
    bad.order_u = 5;
    EXPECT_EQ(KX_MODL_fix_bsurface_data(0.001, &bad, &n, &states), 875046);
    // A decreasing knot passes the record's check.
    Patch dec = flat_patch();
    dec.ku[4] = 0.9;
    dec.ku[5] = 0.8;
    bsurface_data d = dec.record();
    tag sheet = NULL_TAG;
    EXPECT_EQ(create(dec, &sheet), 875046);
    EXPECT_EQ(KX_MODL_fix_bsurface_data(0.001, &d, &n, &states), 0);
    KX_free(states);
    // Tolerance 0 takes the work part's; without one: 1105012.
    host::parts::set_work_part(0);
    EXPECT_EQ(KX_MODL_fix_bsurface_data(0, &r, &n, &states), 1105012);
}

// ---- through points ---------------------------------------------------------------------------

TEST_F(BSurf, RowsOfPointsAreCheckedBeforeAnyChange) {
    std::vector<double> pts(3 * 4, 0.0);
    std::vector<double> w(4, 1.0);
    struct Case {
        int mode, pu, pv, du, dv;
        std::vector<int> counts;
        int code;
    };
    const std::vector<Case> cases = {
        {0, 0, 0, 1, 1, {2, 2}, 1105004},
        {4, 0, 0, 1, 1, {2, 2}, 1105004},
        {1, 2, 0, 1, 1, {2, 2}, 1105005},
        {1, 0, -1, 1, 1, {2, 2}, 1105006},
        {1, 0, 0, 0, 1, {2, 2}, 1105007},
        {1, 0, 0, 25, 1, {2, 2}, 1105007},
        {1, 0, 0, 1, 0, {2, 2}, 1105013},
        {1, 0, 0, 1, 25, {2, 2}, 1105013},
        {1, 0, 0, 1, 2, {2, 2}, 1105014},
        {1, 0, 1, 1, 2, {2, 2}, 1105014},
        {1, 0, 0, 3, 1, {4, 3}, 1105015},
        {1, 1, 0, 3, 1, {3, 4}, 1105015},
        {1, 0, 0, 1, 1, {2147483600, 2147483600}, 1105015},
        {1, 1, 0, 1, 1, {2147483598, 3}, 1105015},
        {1, 1, 0, 1, 1, {2147483599, 2}, 1105015},
    };
    {
        tag sheet = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_bsurf_thru_pts(1, 0, 0, 1, 1, 2, nullptr, &sheet), 1105014);
        bsurf_row rows[2] = {{2, pts.data(), w.data()}, {2, nullptr, w.data()}};
        EXPECT_EQ(KX_MODL_create_bsurf_thru_pts(1, 0, 0, 1, 1, 2, rows, &sheet), 1105015);
        rows[1] = {2, pts.data(), nullptr};
        EXPECT_EQ(KX_MODL_create_bsurf_thru_pts(3, 0, 0, 1, 1, 2, rows, &sheet), 1105015);
    }
    for (const Case& c : cases) {
        std::vector<bsurf_row> rows;
        for (int n : c.counts) rows.push_back({n, pts.data(), w.data()});
        tag sheet = 5;
        host::control::clear_journal();
        EXPECT_EQ(KX_MODL_create_bsurf_thru_pts(c.mode, c.pu, c.pv, c.du, c.dv, static_cast<int>(rows.size()),
                                                rows.data(), &sheet),
                  c.code)
            << c.mode << " " << c.du << " " << c.dv;
        EXPECT_EQ(sheet, NULL_TAG);
        EXPECT_EQ(host::control::call_count("SM_alloc"), 0);
    }
}

TEST_F(BSurf, RowsOfPointsOnAParaboloidAreInterpolated) {
    std::vector<std::vector<double>> pts(5);
    std::vector<double> w(5, 1.0);
    std::vector<bsurf_row> rows;
    for (int j = 0; j < 5; ++j) {
        for (int i = 0; i < 5; ++i) {
            const double x = -2 + i, y = -2 + j;
            pts[j].insert(pts[j].end(), {x, y, x * x + y * y});
        }
    }
    for (auto& r : pts) rows.push_back({5, r.data(), w.data()});
    for (int mode : {1, 2, 3}) {
        tag sheet = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_bsurf_thru_pts(mode, 0, 0, 2, 3, 5, rows.data(), &sheet), 0) << mode;
        const int face = ES_solid_ask_fermalith_tag(face_of(sheet));
        for (const auto& row : pts)
            for (int i = 0; i < 5; ++i) {
                int acorn = 0;
                ZQ_BODY_make_acorn(&row[3 * i], &acorn);
                double d = 1, a[3], b[3];
                ZQ_ENTITY_ask_min_distance(face, acorn, &d, a, b);
                EXPECT_LT(d, 1e-9) << mode << " " << row[3 * i] << "," << row[3 * i + 1];
                ZQ_ENTITY_delete(acorn);
            }
    }
    // A weight of 0 in mode 3 is refused with 875305 and leaves nothing.
    std::vector<double> bad(5, 1.0);
    bad[2] = 0;
    rows[3].weight = bad.data();
    tag sheet = NULL_TAG;
    const std::size_t blocks = host::control::live_blocks();
    EXPECT_EQ(KX_MODL_create_bsurf_thru_pts(3, 0, 0, 2, 2, 5, rows.data(), &sheet), 875305);
    EXPECT_EQ(sheet, NULL_TAG);
    EXPECT_EQ(host::control::live_blocks(), blocks);
    // A kernel failure of the interpolation: 875044.
    host::control::return_status("em4320", 3);
    EXPECT_EQ(KX_MODL_create_bsurf_thru_pts(1, 0, 0, 2, 2, 5, rows.data(), &sheet), 875044);
}

// ---- ask and edit ----------------------------------------------------------------------------

TEST_F(BSurf, AskGivesBackExactlyWhatWasGiven) {
    Patch cyl = quarter_cylinder();
    tag sheet = NULL_TAG;
    ASSERT_EQ(create(cyl, &sheet), 0);
    bsurface_data r{};
    for (tag asked : {face_of(sheet), sheet}) {
        ASSERT_EQ(KX_MODL_ask_bsurf(asked, &r), 0);
        EXPECT_EQ(r.num_poles_u, 3);
        EXPECT_EQ(r.num_poles_v, 2);
        EXPECT_EQ(r.order_u, 3);
        EXPECT_EQ(r.order_v, 2);
        EXPECT_EQ(r.is_rational, 1);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(r.knots_u[i], cyl.ku[i]);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(r.knots_v[i], cyl.kv[i]);
        for (int i = 0; i < 24; ++i) EXPECT_DOUBLE_EQ(r.poles[i], cyl.poles[i]) << i;
        ASSERT_EQ(KX_MODL_free_bsurf_data(&r), 0);
        EXPECT_EQ(r.poles, nullptr);
        EXPECT_EQ(r.knots_u, nullptr);
        EXPECT_EQ(r.num_poles_u, 3);
    }
    // A record without arrays is left as it is apart from its pointers.
    bsurface_data empty{2, 3, 2, 2, 1, nullptr, nullptr, nullptr};
    EXPECT_EQ(KX_MODL_free_bsurf_data(&empty), 0);
    EXPECT_EQ(empty.num_poles_v, 3);
    EXPECT_EQ(empty.is_rational, 1);

    // Refusals: a dead tag leaves the record; a plane is no B-surface.
    bsurface_data kept{7, 7, 2, 2, 0, nullptr, nullptr, nullptr};
    EXPECT_EQ(KX_MODL_ask_bsurf(123456789u, &kept), 875027);
    EXPECT_EQ(kept.num_poles_u, 7);
    const unsigned int f = block();
    EXPECT_EQ(KX_MODL_ask_bsurf(face_of(FREC_ask_body(f)), &kept), 875033);
    EXPECT_EQ(KX_MODL_ask_bsurf(f, &kept), 875033);
}

TEST_F(BSurf, AFaceOfABlockTakesANewSurfaceThroughAnUpdate) {
    const unsigned int f = block();
    const tag body = FREC_ask_body(f);
    const double before = area_of(body);
    EXPECT_NEAR(before, 2 * 900 + 4 * 300, 1e-6);
    const tag top = subs_between(body, ZQ_CLASS_FACE, 10, 10).at(0);
    Patch d = dome();
    bsurface_data r = d.record();
    // An incomplete record changes nothing.
    bsurface_data incomplete = r;
    incomplete.poles = nullptr;
    EXPECT_EQ(KX_MODL_edit_bsurf(top, &incomplete), 875179);
    incomplete = r;
    incomplete.order_v = 0;
    EXPECT_EQ(KX_MODL_edit_bsurf(top, &incomplete), 875179);

    ASSERT_EQ(KX_MODL_edit_bsurf(top, &r), 0);
    EXPECT_EQ(kind_of(f), "BREP");
    const double after = area_of(body);
    EXPECT_GT(after, before + 1);
    EXPECT_TRUE(host::objects::is_alive(top));
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(area_of(body), after, 1e-9);
    // The face's surface is the one given.
    bsurface_data asked{};
    ASSERT_EQ(KX_MODL_ask_bsurf(top, &asked), 0);
    EXPECT_EQ(asked.num_poles_u, 4);
    EXPECT_DOUBLE_EQ(asked.poles[4 * 5 + 2], 16);
    KX_MODL_free_bsurf_data(&asked);
}

TEST_F(BSurf, RepairThatWouldOutgrowTheRecordLeavesItUnchanged) {
    // The host's repair answers one more pole in u than the record holds.
    host::control::give_outputs("BSRF_fix_bsurf_knots_uw", {0.5});
    for (int smoothing = 0; smoothing < 2; ++smoothing) {
        Patch p = flat_patch();
        const Patch before = p;
        bsurface_data r = p.record();
        int n = 0;
        bsurface_state* states = nullptr;
        EXPECT_EQ(smoothing ? KX_MODL_smooth_bsurface_data(0, 0, 0.001, 0, 0, &r, &n, &states)
                            : KX_MODL_fix_bsurface_data(0.001, &r, &n, &states),
                  875046);
        EXPECT_EQ(r.num_poles_u, 4);
        EXPECT_EQ(p.poles, before.poles);
        EXPECT_EQ(p.ku, before.ku);
        KX_free(states);
    }
}

TEST_F(BSurf, EditsOfFacesOfOtherFeaturesAreRefusedOrUndone) {
    const unsigned int f = block();
    const tag body = FREC_ask_body(f);
    Patch d = dome();
    bsurface_data r = d.record();
    // A failing step of the replacement takes the conversion back.
    const tag top = subs_between(body, ZQ_CLASS_FACE, 10, 10).at(0);
    host::control::return_status("pxresu_", KERNEL_ERR_NOT_DONE);
    EXPECT_EQ(KX_MODL_edit_bsurf(top, &r), 875044);
    EXPECT_EQ(kind_of(f), "BLOCK");
    EXPECT_NEAR(area_of(body), 2 * 900 + 4 * 300, 1e-6);
    host::control::clear_script("pxresu_");
    host::control::return_status("convert_to_brep_feature", FEAT_ERR_BAD_REFERENCE);
    EXPECT_EQ(KX_MODL_edit_bsurf(top, &r), 875150);
    host::control::clear_script("convert_to_brep_feature");

    // A blend on a top edge: its faces are not of the body's first feature,
    // and the block's faces cannot be taken from under the blend.
    const tag edge = subs_between(body, ZQ_CLASS_EDGE, 10, 10).at(0);
    const char* radius[1] = {"2"};
    unsigned int blend = 0;
    ASSERT_EQ(FEAT_create(part, "BLEND", 1, radius, 0, nullptr, 1, &edge, body, FEAT_SIGN_NEW, &blend), 0);
    std::vector<tag> blend_faces;
    for (tag face : subs_between(body, ZQ_CLASS_FACE, 0, 10)) {
        int n = 0;
        unsigned int* frecs = nullptr;
        CM_ask_frecs_of_face(face, &n, &frecs);
        if (n > 0 && CM_ask_eid_of_object(frecs[n - 1]) == blend) blend_faces.push_back(face);
        SM_free(frecs);
    }
    ASSERT_FALSE(blend_faces.empty());
    EXPECT_EQ(KX_MODL_edit_bsurf(blend_faces[0], &r), 875004);
    const tag bottom = subs_between(body, ZQ_CLASS_FACE, 0, 0).at(0);
    EXPECT_EQ(KX_MODL_edit_bsurf(bottom, &r), 875150);
    EXPECT_EQ(kind_of(f), "BLOCK");
}

TEST_F(BSurf, ABRepFeatureTakesFurtherEdits) {
    const unsigned int f = block();
    const tag body = FREC_ask_body(f);
    const tag top = subs_between(body, ZQ_CLASS_FACE, 10, 10).at(0);
    Patch d = dome();
    bsurface_data r = d.record();
    ASSERT_EQ(KX_MODL_edit_bsurf(top, &r), 0);
    const double domed = area_of(body);
    // Flat again: the block's area comes back, without a second conversion.
    Patch flat = flat_patch();
    for (std::size_t i = 2; i < flat.poles.size(); i += 4) flat.poles[i] = 10;
    bsurface_data back = flat.record();
    host::control::clear_journal();
    ASSERT_EQ(KX_MODL_edit_bsurf(top, &back), 0);
    EXPECT_EQ(host::control::call_count("convert_to_brep_feature"), 0);
    EXPECT_NEAR(area_of(body), 2 * 900 + 4 * 300, 1e-6);
    EXPECT_GT(domed, area_of(body));
    EXPECT_EQ(kind_of(f), "BREP");
}

}  // namespace

namespace {

TEST_F(BSurf, AnOffsetFaceAnswersItsBaseSurface) {
    // A domed sheet thickened: the far side is the dome offset.
    Patch d = dome();
    tag sheet = NULL_TAG;
    ASSERT_EQ(create(d, &sheet), 0);
    ZQ_BODY_thicken(ES_solid_ask_fermalith_tag(sheet), 2);
    tag offset = NULL_TAG;
    for (tag face : subs_between(sheet, ZQ_CLASS_FACE, -100, 100)) {
        int type = 0;
        PX_face_ask_type(face, &type);
        if (type == ZQ_SURF_OFFSET) offset = face;
    }
    ASSERT_NE(offset, NULL_TAG);
    bsurface_data r{};
    ASSERT_EQ(KX_MODL_ask_bsurf(offset, &r), 0);
    EXPECT_EQ(r.num_poles_u, 4);
    EXPECT_EQ(r.order_v, 4);
    for (int i = 0; i < 64; ++i) EXPECT_DOUBLE_EQ(r.poles[i], d.poles[i]) << i;
    KX_MODL_free_bsurf_data(&r);
}

TEST_F(BSurf, ABRepFeatureComesBackFromItsPartFile) {
    const std::string file = (std::filesystem::temp_directory_path() / "kx_bsurf_brep_feature.prt").string();
    std::filesystem::remove(file);
    unsigned int p = host::parts::create(file);
    CONTEXT_set_work_part(p);
    const char* sizes[3] = {"30", "30", "10"};
    const double origin[3] = {0, 0, 0};
    unsigned int f = 0;
    ASSERT_EQ(FEAT_create(p, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &f), 0);
    Patch d = dome();
    bsurface_data r = d.record();
    ASSERT_EQ(KX_MODL_edit_bsurf(subs_between(FREC_ask_body(f), ZQ_CLASS_FACE, 10, 10).at(0), &r), 0);
    const double domed = area_of(FREC_ask_body(f));
    const std::string name = host::feature::display_name(f);
    p = kxtest::reopen_part(p, file, fresh);
    ASSERT_NE(p, 0u);
    const unsigned int g = FREC_ask_frec_from_name(p, name.c_str());
    EXPECT_EQ(kind_of(g), "BREP");
    EXPECT_NEAR(area_of(FREC_ask_body(g)), domed, 1e-9);
    // The update makes the body again from the shape it was saved with.
    UPDATE_log_object_to_update(g);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(area_of(FREC_ask_body(g)), domed, 1e-9);
    std::filesystem::remove(file);
}

TEST_F(BSurf, PeriodicRowsCloseTheSurfaceAndWeightedRowsPassThroughTheirPoints) {
    // Three rings of eight points on a cylinder of radius 5, periodic in u.
    std::vector<std::vector<double>> pts(3);
    std::vector<std::vector<double>> weights(3);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 8; ++i) {
            const double a = kTwoPi * i / 8;
            pts[j].insert(pts[j].end(), {5 * std::cos(a), 5 * std::sin(a), 5.0 * j});
            weights[j].push_back(1 + 0.1 * i + 0.05 * j);
        }
    for (int mode : {1, 3}) {
        std::vector<bsurf_row> rows;
        for (int j = 0; j < 3; ++j) rows.push_back({8, pts[j].data(), weights[j].data()});
        tag sheet = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_bsurf_thru_pts(mode, 1, 0, 3, 2, 3, rows.data(), &sheet), 0) << mode;
        const tag face = face_of(sheet);
        for (const auto& row : pts)
            for (int i = 0; i < 8; ++i) {
                int acorn = 0;
                ZQ_BODY_make_acorn(&row[3 * i], &acorn);
                double d = 1, a[3], b[3];
                ZQ_ENTITY_ask_min_distance(ES_solid_ask_fermalith_tag(face), acorn, &d, a, b);
                EXPECT_LT(d, 1e-9) << mode;
                ZQ_ENTITY_delete(acorn);
            }
        // Closed in u: the first and last columns of poles are the same.
        bsurface_data r{};
        ASSERT_EQ(KX_MODL_ask_bsurf(face, &r), 0);
        EXPECT_EQ(r.is_rational, mode == 3 ? 1 : 0);
        for (int j = 0; j < r.num_poles_v; ++j)
            for (int c = 0; c < 4; ++c)
                EXPECT_NEAR(r.poles[4 * (j * r.num_poles_u) + c],
                            r.poles[4 * (j * r.num_poles_u + r.num_poles_u - 1) + c], 1e-9);
        KX_MODL_free_bsurf_data(&r);
    }
}

TEST_F(BSurf, SmoothingRemovesKnotCopiesAndRepairMergesNearKnots) {
    // The 30 x 30 plane with a triple u knot at 0.5: poles at the knots'
    // averages, so the surface is the plane on both sides of the knot.
    Patch p{7, 4, 4, 4, {0, 0, 0, 0, 0.5, 0.5, 0.5, 1, 1, 1, 1}, {0, 0, 0, 0, 1, 1, 1, 1}, {}};
    const double at[7] = {0, 1.0 / 6, 1.0 / 3, 0.5, 2.0 / 3, 5.0 / 6, 1};
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 7; ++i) p.poles.insert(p.poles.end(), {30 * at[i], 10.0 * j, 0, 1});
    bsurface_data r = p.record();
    int n = 0;
    bsurface_state* states = nullptr;
    ASSERT_EQ(KX_MODL_smooth_bsurface_data(2, 2, 1e-6, 0, 0, &r, &n, &states), 0);
    EXPECT_EQ(r.num_poles_u, 5);
    EXPECT_EQ(r.order_u, 4);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(states[0].state_code, 6);  // host state 24: a knot smoothed
    EXPECT_EQ(states[0].value[0], 1);    // in u
    EXPECT_DOUBLE_EQ(states[0].value[1], 0.5);
    KX_free(states);
    tag sheet = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_bsurface(&r, &sheet, &n, &states), 0);
    KX_free(states);
    EXPECT_NEAR(area_of(sheet), 900, 1e-6);

    // Two knots closer than the tolerance become one (host state 20).
    Patch q{5, 4, 4, 4, {0, 0, 0, 0, 0.5, 1, 1, 1, 1}, {0, 0, 0, 0, 1, 1, 1, 1}, {}};
    q.ku = {0, 0, 0, 0, 0.5, 0.5 + 1e-9, 1, 1, 1, 1};
    q.nu = 6;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 6; ++i) q.poles.insert(q.poles.end(), {6.0 * i, 10.0 * j, 0, 1});
    bsurface_data rq = q.record();
    ASSERT_EQ(KX_MODL_fix_bsurface_data(1e-6, &rq, &n, &states), 0);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(states[0].state_code, 5);
    EXPECT_EQ(states[0].flag, 0);
    EXPECT_EQ(q.ku[5], 0.5);
    KX_free(states);
}

TEST_F(BSurf, TheHostCallsComeInTheirOrder) {
    namespace hc = host::control;
    Patch p = flat_patch();
    tag sheet = NULL_TAG;
    hc::clear_journal();
    ASSERT_EQ(create(p, &sheet), 0);
    EXPECT_TRUE(hc::called_before("SM_set_mark", "UNDO_ZR_cre_partition"));
    EXPECT_TRUE(hc::called_before("UNDO_ZR_cre_partition", "PX_cre_bs_tag"));
    EXPECT_TRUE(hc::called_before("PX_cre_bs_tag", "pxbsby_surf_brep"));
    EXPECT_TRUE(hc::called_before("pxbsby_surf_brep", "DSS_REGEN_regen_object"));
    EXPECT_TRUE(hc::called_before("DSS_REGEN_regen_object", "SM_free_to_mark"));

    hc::clear_journal();
    ASSERT_EQ(trim3d(p, {1}, {1}, {circle(15, 15, 10)}, 1e-6, &sheet), 0);
    EXPECT_TRUE(hc::called_before("KI_ouintp", "KI_seintp"));
    EXPECT_TRUE(hc::called_before("KI_seintp", "PX_cre_bs_tag"));
    EXPECT_TRUE(hc::called_before("PX_cre_bs_tag", "PX_sheet_from_surf_curves"));
    const auto set = hc::calls("KI_seintp");
    ASSERT_EQ(set.size(), 2u);
    EXPECT_EQ(set[0].arg[1], 1);  // 1 for the call, then the old value back
    EXPECT_EQ(hc::call_count("KI_error_set_hit_list"), 0);

    bsurface_data r = p.record();
    int n = 0;
    bsurface_state* states = nullptr;
    hc::clear_journal();
    ASSERT_EQ(KX_MODL_create_bsurface(&r, &sheet, &n, &states), 0);
    EXPECT_TRUE(hc::called_before("PX_bsurface_create_fixed", "ZQ_SESSION_ask_check_self_int"));
    EXPECT_TRUE(hc::called_before("ZQ_SESSION_ask_check_self_int", "ZQ_SESSION_set_check_self_int"));
    EXPECT_TRUE(hc::called_before("ZQ_SESSION_set_check_self_int", "pxbsby_surf_brep"));
    const auto check = hc::calls("ZQ_SESSION_set_check_self_int");
    ASSERT_EQ(check.size(), 2u);
    EXPECT_EQ(check[0].arg[0], 0);
    EXPECT_EQ(check[1].arg[0], 1);
    EXPECT_GT(hc::index_of("ZQ_SESSION_set_check_self_int", 1), hc::index_of("pxbsby_surf_brep"));
}

}  // namespace
