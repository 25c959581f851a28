// Face data, parameter boxes and face evaluation on faces of the solid
// kernel: each surface kind against its closed form, with the kernel's
// length factor other than 1, occurrences, and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <set>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/entity_store.h"
#include "host/kernel/curves/kernel_surfaces.h"
#include "host/store/entities/occurrences.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/face_data.h"
#include "host/kernel/engine/kernel.h"
#include "host/numeric/tolerances.h"
#include "host/numeric/vec_parts.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "kx_modl_face_data.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/kx_session.h"
#include "tests/libkxapi/modl/partly_loaded_part.h"

namespace {

constexpr double kPi = std::numbers::pi;
using V = std::array<double, 3>;

V add(V a, V b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
V sub(V a, V b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V mul(double k, V a) { return {k * a[0], k * a[1], k * a[2]}; }
double dot(V a, V b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
V cross(V a, V b) { return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]}; }
double norm(V a) { return std::sqrt(dot(a, a)); }
V unit(V a) { return mul(1 / norm(a), a); }
V of(const double* p) { return {p[0], p[1], p[2]}; }

int last_acknowledged() {
    const std::vector<int> codes = host::control::acknowledged_codes();
    return codes.empty() ? 0 : codes.back();
}

void expect_near(V got, V want, double tol, const std::string& what) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], tol) << what << " [" << i << "]";
}

// What KX_MODL_ask_face_data answers.
struct Data {
    int type = -1;
    double point[3] = {}, direction[3] = {}, box[6] = {};
    double radius = -1, radius2 = -1;
    int sense = 0;
};

int ask(tag face, Data& d) {
    return KX_MODL_ask_face_data(face, &d.type, d.point, d.direction, d.box, &d.radius, &d.radius2, &d.sense);
}

class FaceData : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("faces.prt");
        CONTEXT_set_work_part(part_);
        host::control::clear_journal();
    }
    void TearDown() override {
        pxsfac_[0] = pxsfac_[1] = 1;
        fresh();
    }
    static void fresh() {
        kx_reset_callbacks_for_tests();
        kx_reset_session_for_tests();
        host::control::reset();
    }

    // The kernel's length factors: k from the kernel to the model.
    static void kernel_to_model(double k) {
        pxsfac_[0] = 1 / k;
        pxsfac_[1] = k;
    }

    static int kernel_type(int face) {
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(face, &type, p, d, &r, &r2, &sense);
        return type;
    }
    // The face object of the body's first face of the kernel surface type.
    static tag face_of(int body, int type) {
        for (int f : host::kernel::faces_of(body))
            if (kernel_type(f) == type) return host::kernel::object_of(f);
        ADD_FAILURE() << "no face of type " << type;
        return NULL_TAG;
    }
    // A face (in the work part) with the top at z = 20: the 100 x 50 x 20 block.
    static int block() {
        const double at[3] = {0, 0, 0}, size[3] = {100, 50, 20};
        int b = 0;
        ZQ_BODY_make_block(at, size, &b);
        return b;
    }
    static tag top_of(int body) {
        for (int f : host::kernel::faces_of(body)) {
            double box[6];
            ZQ_TOPOL_find_box(f, box);
            if (kernel_type(f) == ZQ_SURF_PLANE && std::abs(box[2] - 20) < 1e-9 && std::abs(box[5] - 20) < 1e-9)
                return host::kernel::object_of(f);
        }
        ADD_FAILURE() << "no top face";
        return NULL_TAG;
    }
    // The block with a hole of radius 10 through it about (50, 25).
    static int holed_block() {
        const int b = block();
        const double base[3] = {50, 25, -10}, z[3] = {0, 0, 1};
        int tool = 0;
        ZQ_BODY_make_cylinder(base, z, 10, 40, &tool);
        ZQ_BODY_boolean(b, tool, ZQ_SUBTRACT);
        return b;
    }
    // A face object without a kernel face, in a body object.
    tag plain_face() const {
        const unsigned body = host::entity::create({OM_CLASS_RM_ENTITY, 70, 0, part_});
        const unsigned face = host::entity::create({OM_CLASS_RM_ENTITY, 70, 2, part_});
        host::entity::add_member(body, face);
        return face;
    }

    unsigned int part_ = 0;
};

// ---- face data of each surface kind ---------------------------------------------

// Every length the kernel answers is scaled to the model: the point, the
// radius and the torus's second radius by the part's factor, the cone's
// middle point by the host's block. With the kernel's lengths twice the
// model's, each shows.
TEST_F(FaceData, EachSurfaceKindAgainstItsClosedForm) {
    kernel_to_model(2);
    const double z[3] = {0, 0, 1};

    const int b = block();
    const double base[3] = {1, 2, 3};
    int cyl = 0, cone = 0, sphere = 0, torus = 0;
    ZQ_BODY_make_cylinder(base, z, 4, 10, &cyl);
    const double origin[3] = {0, 0, 0};
    ZQ_BODY_make_cone(origin, z, 6, 2, 8, &cone);
    const double centre[3] = {1, 1, 1};
    ZQ_BODY_make_sphere(centre, 5, &sphere);
    const double torus_at[3] = {0, 0, 5};
    ZQ_BODY_make_torus(torus_at, z, 10, 2, &torus);
    // A B-surface over a flat 3 x 3 grid at z = 3: its middle is (1, 1, 3).
    double poles[27];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            double* p = poles + 3 * (3 * j + i);
            p[0] = i;
            p[1] = j;
            p[2] = 3;
        }
    int spline = 0;
    ZQ_BODY_bsurface(3, 3, poles, 2, 2, &spline);
    // A surface spun about the Z axis through (1, 2, 0) from a line skew to it.
    const double line[6] = {6, 2, 0, 6, 5, 4};
    int profile = 0, spun = 0;
    ZQ_BODY_make_wire(2, line, 0, &profile);
    const double axis_at[3] = {1, 2, 0};
    ZQ_BODY_revolve(profile, axis_at, z, 2 * kPi, &spun);

    struct Row {
        const char* what;
        tag face;
        int type;
        V point, direction;  // direction up to its sign
        double radius, radius2;
    };
    const double cone_angle = std::atan(0.5);
    const Row rows[] = {
        // The plane's point is the foot of its box centre (50, 25, 20) in
        // the plane through the scaled kernel point (z = 40).
        {"plane", top_of(b), KX_MODL_FACE_PLANE, {50, 25, 40}, {0, 0, 1}, 0, 0},
        // Axis through (2, 4, 6) once scaled; the foot of the box centre (1, 2, 8).
        {"cylinder", face_of(cyl, ZQ_SURF_CYLINDER), KX_MODL_FACE_CYLINDER, {2, 4, 8}, {0, 0, 1}, 8, 0},
        // The middle of the cone's parameters: height 4 and radius 4, scaled.
        {"cone", face_of(cone, ZQ_SURF_CONE), KX_MODL_FACE_CONE, {0, 0, 8}, {0, 0, 1}, 8, cone_angle},
        {"sphere", face_of(sphere, ZQ_SURF_SPHERE), KX_MODL_FACE_SPHERE, {2, 2, 2}, {0, 0, 1}, 10, 0},
        // Axis through (0, 0, 10) once scaled; the foot of the box centre (0, 0, 5).
        {"torus", face_of(torus, ZQ_SURF_TORUS), KX_MODL_FACE_TORUS, {0, 0, 5}, {0, 0, 1}, 20, 4},
        {"spline", face_of(spline, ZQ_SURF_BSURF), KX_MODL_FACE_SPLINE, {2, 2, 6}, {0, 0, 1}, 0, 0},
        {"revolved", face_of(spun, ZQ_SURF_SPUN), KX_MODL_FACE_REVOLVED, {2, 4, 0}, {0, 0, 1}, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Data d;
        ASSERT_EQ(ask(r.face, d), 0);
        EXPECT_EQ(d.type, r.type);
        expect_near(of(d.point), r.point, 1e-9, "point");
        const V dir = of(d.direction);
        expect_near(mul(dot(dir, r.direction) < 0 ? -1 : 1, dir), r.direction, 1e-12, "direction");
        EXPECT_NEAR(d.radius, r.radius, 1e-9);
        EXPECT_NEAR(std::abs(d.radius2), r.radius2, 1e-12);
        double box[6];
        PX_face_ask_box(r.face, box);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(d.box[i], box[i]);
        EXPECT_EQ(d.sense, PX_face_ask_normal_direction(r.face) ? 1 : -1);
    }
    EXPECT_TRUE(host::undo::marks().empty());
}

// A half cylinder of radius 3 about Z (u in [0, pi], v in [0, 4]) swept
// along a slanting direction: the faces its arcs sweep are extruded
// surfaces, whose point is the middle of the face, scaled: on an arc moved
// half the length along the direction; their direction the sweep's.
TEST_F(FaceData, ExtrudedAndOffsetFaces) {
    kernel_to_model(2);
    namespace ks = host::kernel_surfaces;
    ks::Surface cylinder;
    cylinder.kind = PX_SURF_CYLINDER;
    cylinder.radii[0] = 3;
    cylinder.box[0] = 0;
    cylinder.box[1] = kPi;
    cylinder.box[2] = 0;
    cylinder.box[3] = 4;
    const tag half = plain_face();
    ks::define(half, cylinder);
    const int sheet = host::kernel::body_of(host::kernel::entity_of(half));
    ASSERT_NE(sheet, 0);
    const double slant[3] = {1, 0, 1};
    int swept = 0;
    ZQ_BODY_extrude(sheet, slant, 8, &swept);
    Data d;
    ASSERT_EQ(ask(face_of(swept, ZQ_SURF_SWEPT), d), 0);
    EXPECT_EQ(d.type, KX_MODL_FACE_EXTRUDED);
    const V sweep = unit({1, 0, 1});
    expect_near(mul(dot(of(d.direction), sweep) < 0 ? -1 : 1, of(d.direction)), sweep, 1e-12, "direction");
    const V on_arc = sub(mul(0.5, of(d.point)), mul(4, sweep));
    EXPECT_TRUE(std::abs(on_arc[2]) < 1e-9 || std::abs(on_arc[2] - 4) < 1e-9) << on_arc[2];
    EXPECT_NEAR(std::hypot(on_arc[0], on_arc[1]), 3, 1e-9);
    EXPECT_GE(on_arc[1], -1e-9);
    EXPECT_EQ(d.radius, 0);

    // An offset at 0.5 outside a cylinder of radius 2 about Z through
    // (1, -2, 3), over u in [0, pi] and v in [0, 4]: the middle of the face
    // is at u = pi / 2, v = 2, radius 2.5; its normal there is +Y.
    const double o[3] = {1, -2, 3};
    std::copy(o, o + 3, cylinder.origin);
    cylinder.radii[0] = 2;
    const tag basis = plain_face();
    ks::define(basis, cylinder);
    ks::Surface offset = cylinder;
    offset.kind = PX_SURF_OFFSET;
    offset.base = basis;
    offset.distance = 0.5;
    const tag off = plain_face();
    ks::define(off, offset);
    ASSERT_EQ(ask(off, d), 0);
    EXPECT_EQ(d.type, KX_MODL_FACE_OFFSET);
    expect_near(of(d.point), mul(2, {1, 0.5, 5}), 1e-9, "point");
    expect_near(mul(d.direction[1] < 0 ? -1 : 1, of(d.direction)), {0, 1, 0}, 1e-9, "direction");
}

// The torus radii as the kernel may report them, given where the kernel
// cannot make such a torus: both are lengths, scaled with their signs, and
// the point is the foot of the box centre on the axis whatever they are.
TEST_F(FaceData, TorusRadiiOfEveryKindAreScaled) {
    kernel_to_model(2);
    const double at[3] = {0, 0, 5}, z[3] = {0, 0, 1};
    int torus = 0;
    ZQ_BODY_make_torus(at, z, 10, 2, &torus);
    const tag face = face_of(torus, ZQ_SURF_TORUS);
    struct Row {
        double major, minor;
    } rows[] = {{10, 2}, {2, 10}, {-2, 10}, {5, 5}, {-10, 2}, {5, 5 + 1e-11}, {5 + 1e-11, 5}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.major);
        SCOPED_TRACE(r.minor);
        // Axis through (3, 4, 0) along Z: the box centre (0, 0, 5) has its
        // foot at (3, 4, 5) once the point is scaled to (6, 8, 0).
        host::control::give_outputs("get_face_data", {ZQ_SURF_TORUS, 3.0, 4.0, 0.0, 0.0, 0.0, 1.0, r.major, r.minor});
        Data d;
        ASSERT_EQ(ask(face, d), 0);
        EXPECT_EQ(d.type, KX_MODL_FACE_TORUS);
        EXPECT_EQ(d.radius, 2 * r.major);
        EXPECT_EQ(d.radius2, 2 * r.minor);
        expect_near(of(d.point), {6, 8, 5}, 1e-9, "point");
    }
}

// The cone's radius is the one at the axial place of the middle of its
// parameter box, not the kernel's reference radius; in a face cut to the
// upper part of the cone, that middle moves up with it.
TEST_F(FaceData, ConeRadiusAtTheMiddleOfItsParameters) {
    const double origin[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    int cone = 0;
    ZQ_BODY_make_cone(origin, z, 6, 2, 8, &cone);
    const double cut[3] = {0, 0, 4};
    ZQ_BODY_trim_by_plane(cone, cut, z);  // keeps what lies below z = 4
    Data d;
    ASSERT_EQ(ask(face_of(cone, ZQ_SURF_CONE), d), 0);
    EXPECT_NEAR(d.radius, 5, 1e-9);  // at z = 2: 6 - 2 / 2
    expect_near(of(d.point), {0, 0, 2}, 1e-9, "point");
}

// ---- face types --------------------------------------------------------------------

TEST_F(FaceData, FaceTypesOfTheKernelsSurfaceTypes) {
    const int b = block();
    const tag face = top_of(b);
    const std::pair<int, int> rows[] = {
        {ZQ_SURF_PLANE, 22}, {ZQ_SURF_CYLINDER, 16}, {ZQ_SURF_CONE, 17},  {ZQ_SURF_SPHERE, 18}, {ZQ_SURF_TORUS, 19},
        {ZQ_SURF_SPUN, 20},  {ZQ_SURF_BSURF, 43},    {ZQ_SURF_SWEPT, 46}, {ZQ_SURF_OFFSET, 65}, {ZQ_SURF_OTHER, 0},
    };
    for (const auto& [surface, want] : rows) {
        int type = surface;
        pxzrus_(&face, &type);
        EXPECT_EQ(type, want) << surface;
    }
    // A word without a kernel type is the face's own.
    int type = 0;
    pxzrus_(&face, &type);
    EXPECT_EQ(type, KX_MODL_FACE_PLANE);
    type = 0;
    const tag none = plain_face();
    pxzrus_(&none, &type);
    EXPECT_EQ(type, 0);
}

// ---- occurrences ---------------------------------------------------------------------

constexpr double kTurned[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
constexpr double kMoved[3] = {10, 0, 0};

V placed(V p) { return {kMoved[0] - p[1], kMoved[1] + p[0], kMoved[2] + p[2]}; }
V turned(V d) { return {-d[1], d[0], d[2]}; }

// An occurrence face answers its prototype's data in the occurrence's
// coordinates: point and direction moved, the box the moved face's.
TEST_F(FaceData, OccurrenceFacesAnswerInTheOccurrence) {
    const int b = block();
    const double at[3] = {50, 25, -10}, z[3] = {0, 0, 1};
    int cone = 0;
    ZQ_BODY_make_cone(at, z, 6, 2, 8, &cone);
    const tag top = top_of(b), side = face_of(cone, ZQ_SURF_CONE);
    const unsigned int assembly = host::parts::create("assembly.prt");
    const unsigned int po = host::occurrences::create_part_occurrence(assembly, part_, kTurned, kMoved);
    for (tag face : {top, side}) {
        const tag occ = OCC_find_occurrence(po, face);
        ASSERT_NE(occ, NULL_TAG);
        Data p, o;
        ASSERT_EQ(ask(face, p), 0);
        ASSERT_EQ(ask(occ, o), 0);
        EXPECT_EQ(o.type, p.type);
        expect_near(of(o.point), placed(of(p.point)), 1e-9, "point");
        expect_near(of(o.direction), turned(of(p.direction)), 1e-12, "direction");
        EXPECT_NEAR(o.radius, p.radius, 1e-9);
        EXPECT_EQ(o.sense, p.sense);
        const V lo = placed({p.box[0], p.box[4], p.box[2]}), hi = placed({p.box[3], p.box[1], p.box[5]});
        expect_near(of(o.box), lo, 1e-6, "box minimum");
        expect_near(of(o.box + 3), hi, 1e-6, "box maximum");

        double puv[4], ouv[4];
        ASSERT_EQ(KX_MODL_ask_face_uv_minmax(face, puv), 0);
        ASSERT_EQ(KX_MODL_ask_face_uv_minmax(occ, ouv), 0);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(ouv[i], puv[i]);

        double uv[2] = {(puv[0] + puv[1]) / 3, (puv[2] + puv[3]) / 2};
        face_value_record pv, ov;
        ASSERT_EQ(KX_MODL_evaluate_face(face, KX_MODL_EVAL_ALL, uv, &pv), 0);
        ASSERT_EQ(KX_MODL_evaluate_face(occ, KX_MODL_EVAL_ALL, uv, &ov), 0);
        expect_near(of(ov.point), placed(of(pv.point)), 1e-9, "evaluated point");
        expect_near(of(ov.du), turned(of(pv.du)), 1e-9, "du");
        expect_near(of(ov.dvv), turned(of(pv.dvv)), 1e-9, "dvv");
        expect_near(of(ov.unit_normal), turned(of(pv.unit_normal)), 1e-12, "unit normal");
    }
}

// A face of an occurrence whose part is only partly loaded is not at hand.
TEST_F(FaceData, OccurrenceOfAPartlyLoadedPart) {
    const unsigned int reopened = partly_loaded_part("kx_face_data_occ", part_, [](unsigned int) { block(); });
    ASSERT_NE(reopened, 0u);
    unsigned int face = 0;
    for (unsigned int t : host::objects::objects_of_part(reopened))
        if (ES_solid_is_a_face(t)) face = t;
    ASSERT_NE(face, 0u);
    const unsigned int po = host::occurrences::create_part_occurrence(part_, reopened, kTurned);
    const tag occ = OCC_find_occurrence(po, face);
    Data d;
    EXPECT_EQ(ask(occ, d), 1105024);
    double box[4] = {7, 7, 7, 7};
    EXPECT_EQ(KX_MODL_ask_face_uv_minmax(occ, box), 1105024);
    double uv[2] = {0, 0};
    face_value_record v;
    EXPECT_EQ(KX_MODL_evaluate_face(occ, 0, uv, &v), 1105024);
    EXPECT_EQ(host::control::frame_depth(), 0);
    EXPECT_TRUE(host::undo::marks().empty());
}

// ---- evaluation -----------------------------------------------------------------------

// The sphere's derivatives in closed form, in its frame: X the direction
// of its point at (0, 0), Z its axis.
struct SphereFrame {
    V c, x, y, z;
    double r;
    std::array<V, 12> at(double u, double v) const {
        const V e = add(mul(std::cos(u), x), mul(std::sin(u), y));
        const V e1 = add(mul(-std::sin(u), x), mul(std::cos(u), y));
        const double cv = std::cos(v), sv = std::sin(v);
        const V radial = add(mul(cv, e), mul(sv, z));
        return {
            add(c, mul(r, radial)),                 // P
            mul(r * cv, e1),                        // Su
            add(mul(-r * sv, e), mul(r * cv, z)),   // Sv
            mul(-r * cv, e),                        // Suu
            mul(-r * sv, e1),                       // Suv
            add(mul(-r * cv, e), mul(-r * sv, z)),  // Svv
            mul(-r * cv, e1),                       // Suuu
            mul(r * sv, e),                         // Suuv
            mul(-r * cv, e1),                       // Suvv
            add(mul(r * sv, e), mul(-r * cv, z)),   // Svvv
            mul(r * r * cv, radial),                // N, outwards
            radial,                                 // unit N
        };
    }
};

TEST_F(FaceData, EvaluationInEveryModeAgainstClosedForms) {
    const double centre[3] = {1, -2, 3};
    int sphere = 0;
    ZQ_BODY_make_sphere(centre, 4, &sphere);
    const tag face = face_of(sphere, ZQ_SURF_SPHERE);
    const int kf = host::kernel::entity_of(face);
    int type = 0, sense = 0;
    double p[3], d[3], r = 0, r2 = 0;
    ZQ_FACE_ask_data(kf, &type, p, d, &r, &r2, &sense);
    double out[18], normal[3];
    ZQ_SURF_eval(kf, 0, 0, 0, out, normal);
    SphereFrame s{of(centre), unit(sub(of(out), of(centre))), {}, of(d), 4};
    s.y = cross(s.z, s.x);

    // Which of the record's twelve vectors each mode fills.
    struct Row {
        int mode;
        std::set<int> filled;
    } rows[] = {
        {0, {0}},
        {1, {0, 1, 2}},
        {2, {0, 1, 2, 3, 4, 5}},
        {3, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {10, {0, 1, 2, 10}},
        {11, {0, 1, 2, 11}},
        {33, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
    };
    const double uvs[][2] = {{0.3, 0.4}, {2.5, -1.1}, {5, 0}};
    for (const Row& row : rows)
        for (const auto& at : uvs) {
            SCOPED_TRACE(row.mode);
            SCOPED_TRACE(at[0]);
            double uv[2] = {at[0], at[1]};
            face_value_record rec;
            std::memset(&rec, 0x7f, sizeof rec);
            ASSERT_EQ(KX_MODL_evaluate_face(face, row.mode, uv, &rec), 0);
            const double* got = &rec.point[0];
            const std::array<V, 12> want = s.at(uv[0], uv[1]);
            for (int k = 0; k < 12; ++k)
                expect_near(of(got + 3 * k), row.filled.count(k) ? want[k] : V{0, 0, 0}, 1e-9,
                            "vector " + std::to_string(k));
        }
    EXPECT_EQ(host::control::call_count("evsrfu"), host::control::call_count("evsrff"));
}

// A face turned against its surface evaluates with its own normal: the
// hole through a block faces its axis.
TEST_F(FaceData, NormalOfAFaceTurnedAgainstItsSurface) {
    const int b = holed_block();
    const tag hole = face_of(b, ZQ_SURF_CYLINDER);
    Data d;
    ASSERT_EQ(ask(hole, d), 0);
    EXPECT_EQ(d.sense, -1);
    expect_near(of(d.point), {50, 25, 10}, 1e-9, "point");
    double uv[2] = {1, 5};
    face_value_record v;
    ASSERT_EQ(KX_MODL_evaluate_face(hole, KX_MODL_EVAL_UNIT_NORMAL, uv, &v), 0);
    const V radial = sub(of(v.point), {50, 25, of(v.point)[2]});
    EXPECT_NEAR(norm(radial), 10, 1e-9);
    expect_near(of(v.unit_normal), mul(-0.1, radial), 1e-12, "unit normal");
}

// ---- refusals and failures ------------------------------------------------------------

TEST_F(FaceData, FaceDataRefusals) {
    const int b = block();
    const tag top = top_of(b);
    tag dead = plain_face();
    host::objects::destroy(dead);
    Data d;
    for (tag t : {NULL_TAG, dead, host::kernel::object_of(b), plain_face(),
                  host::kernel::object_of(host::kernel::edges_of(b)[0])}) {
        EXPECT_EQ(ask(t, d), 875288) << t;
        EXPECT_TRUE(host::undo::marks().empty());
    }
    // Null outputs: the code of their place, before any mark is set.
    host::control::clear_journal();
    int type = 0, sense = 0;
    double p[3], dir[3], box[6], r = 0, r2 = 0;
    EXPECT_EQ(KX_MODL_ask_face_data(top, nullptr, p, dir, box, &r, &r2, &sense), 1105005);
    EXPECT_EQ(KX_MODL_ask_face_data(top, &type, nullptr, dir, box, &r, &r2, &sense), 1105006);
    EXPECT_EQ(KX_MODL_ask_face_data(top, &type, p, nullptr, box, &r, &r2, &sense), 1105007);
    EXPECT_EQ(KX_MODL_ask_face_data(top, &type, p, dir, nullptr, &r, &r2, &sense), 1105013);
    EXPECT_EQ(KX_MODL_ask_face_data(top, &type, p, dir, box, nullptr, &r2, &sense), 1105014);
    EXPECT_EQ(KX_MODL_ask_face_data(top, &type, p, dir, box, &r, nullptr, &sense), 1105015);
    EXPECT_EQ(KX_MODL_ask_face_data(top, &type, p, dir, box, &r, &r2, nullptr), 1105016);
    EXPECT_EQ(host::control::call_count("UNDO_JQ_set_mark"), 0);
    // No session is needed; the query brackets itself in its mark.
    kx_reset_session_for_tests();
    host::control::clear_journal();
    ASSERT_EQ(ask(top, d), 0);
    const auto marks = host::control::calls("UNDO_JQ_set_mark");
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_STREQ(marks[0].text, "JQ Open ask face data");
    EXPECT_TRUE(host::undo::marks().empty());
}

// A host error at any call of the face data is the status; the mark is
// gone and no frame is left. A kernel failure word of the parameter box
// comes back as it is.
TEST_F(FaceData, FaceDataFailuresAtEachHostCall) {
    const double origin[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    int cone = 0;
    ZQ_BODY_make_cone(origin, z, 6, 2, 8, &cone);
    const tag side = face_of(cone, ZQ_SURF_CONE), top = top_of(block());
    struct Row {
        tag face;
        std::vector<const char*> own;  // the calls of the face's kind
    } rows[] = {{side, {"ZQ_FACE_ask_surf", "KI_enpben", "ZQ_SURF_eval"}}, {top, {"h01905_"}}};
    for (const Row& r : rows) {
        const tag face = r.face;
        Data d;
        host::control::clear_journal();
        ASSERT_EQ(ask(face, d), 0);
        std::vector<std::string> names;
        for (const std::string& n : host::control::call_names())
            if (n.rfind("ERROR_", 0) != 0 && n.rfind("UNDO_", 0) != 0 &&
                std::find(names.begin(), names.end(), n) == names.end())
                names.push_back(n);
        std::vector<const char*> needed = {"get_face_data", "PART_ask_zr_scale_factors", "PX_face_ask_normal_direction",
                                           "PX_face_ask_box", "pxzrus_"};
        needed.insert(needed.end(), r.own.begin(), r.own.end());
        for (const char* n : needed) EXPECT_NE(std::find(names.begin(), names.end(), n), names.end()) << n;
        for (const std::string& n : names) {
            SCOPED_TRACE(n);
            host::control::clear_scripts();
            host::control::raise_on(n.c_str(), 670099, 1);
            EXPECT_EQ(ask(face, d), 670099);
            EXPECT_TRUE(host::undo::marks().empty());
            EXPECT_EQ(host::control::frame_depth(), 0);
        }
        host::control::clear_scripts();
    }
    host::control::return_status("KI_enpben", KERNEL_ERR_NO_ENTITY);
    Data d;
    EXPECT_EQ(ask(side, d), KERNEL_ERR_NO_ENTITY);
    EXPECT_TRUE(host::undo::marks().empty());
}

TEST_F(FaceData, ParameterBox) {
    const int b = holed_block();
    const tag hole = face_of(b, ZQ_SURF_CYLINDER);
    double box[4];
    ASSERT_EQ(KX_MODL_ask_face_uv_minmax(hole, box), 0);
    EXPECT_NEAR(box[1] - box[0], 2 * kPi, 1e-12);
    EXPECT_NEAR(box[3] - box[2], 20, 1e-9);
    double u[2], v[2];
    int ifail = -1;
    const int k = host::kernel::entity_of(hole);
    KI_enpben(&k, u, v, &ifail);
    ASSERT_EQ(ifail, 0);
    EXPECT_EQ(box[0], u[0]);
    EXPECT_EQ(box[1], u[1]);
    EXPECT_EQ(box[2], v[0]);
    EXPECT_EQ(box[3], v[1]);

    // Refusals: the session first, then a null face or box; a tag that is
    // no face of the kernel answers 1.
    const double before[4] = {7, 7, 7, 7};
    tag dead = plain_face();
    host::objects::destroy(dead);
    struct Row {
        tag face;
        bool with_box;
        int status;
    } rows[] = {{NULL_TAG, true, 1105004},
                {hole, false, 1105005},
                {dead, true, 1},
                {plain_face(), true, 1},
                {host::kernel::object_of(b), true, 1},
                {host::kernel::object_of(host::kernel::edges_of(b)[0]), true, 1}};
    for (const Row& r : rows) {
        std::copy(before, before + 4, box);
        EXPECT_EQ(KX_MODL_ask_face_uv_minmax(r.face, r.with_box ? box : nullptr), r.status) << r.face;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(box[i], 7);
    }
    // A failure word of the host's box routine is reported and acknowledged.
    host::control::give_outputs("pxeval_", {3});
    EXPECT_EQ(KX_MODL_ask_face_uv_minmax(hole, box), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(last_acknowledged(), HOST_ERR_BAD_ARGUMENT);
    host::control::clear_scripts();
    host::control::raise_on("pxeval_", 670099);
    EXPECT_EQ(KX_MODL_ask_face_uv_minmax(hole, box), 670099);
    host::control::clear_scripts();
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_MODL_ask_face_uv_minmax(NULL_TAG, nullptr), 1105000);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(FaceData, EvaluationRefusals) {
    const int b = block();
    const tag top = top_of(b);
    double uv[2] = {1, 2};
    face_value_record v, before;
    std::memset(&before, 0x5a, sizeof before);
    // A mode not in the table: nothing evaluated, the evaluator given back.
    for (int mode : {4, -1, 12, 34}) {
        v = before;
        host::control::clear_journal();
        EXPECT_EQ(KX_MODL_evaluate_face(top, mode, uv, &v), 875120) << mode;
        EXPECT_EQ(std::memcmp(&v, &before, sizeof v), 0);
        EXPECT_EQ(host::control::call_count("evsrfe"), 0);
        EXPECT_EQ(host::control::call_count("evsrff"), 1);
    }
    tag dead = plain_face();
    host::objects::destroy(dead);
    struct Row {
        tag face;
        double* uv;
        bool with_record;
        int status;
    } rows[] = {{NULL_TAG, uv, true, 1105004}, {top, nullptr, true, 1105006},
                {top, uv, false, 1105007},     {dead, uv, true, 1},
                {plain_face(), uv, true, 1},   {host::kernel::object_of(b), uv, true, 1}};
    for (const Row& r : rows) {
        v = before;
        EXPECT_EQ(KX_MODL_evaluate_face(r.face, 0, r.uv, r.with_record ? &v : nullptr), r.status) << r.face;
        EXPECT_EQ(std::memcmp(&v, &before, sizeof v), 0);
    }
    // A host error in the evaluation is the status; the evaluator still goes.
    host::control::clear_journal();
    host::control::raise_on("evsrfe", 670099);
    EXPECT_EQ(KX_MODL_evaluate_face(top, 33, uv, &v), 670099);
    EXPECT_EQ(host::control::call_count("evsrff"), 1);
    EXPECT_EQ(last_acknowledged(), 670099);
    host::control::clear_scripts();
    // The null face is refused before the session is asked.
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_MODL_evaluate_face(NULL_TAG, 0, uv, &v), 1105004);
    EXPECT_EQ(KX_MODL_evaluate_face(top, 0, uv, &v), 1105000);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

// The parameter box of a kernel face answers failures in its word; the
// perpendicular part of a vector takes any direction's length.
TEST_F(FaceData, HostRoutinesOfTheFaceData) {
    const int b = block();
    const int edge = host::kernel::edges_of(b)[0];
    struct Row {
        int entity, ifail;
    } rows[] = {{0, KERNEL_ERR_NO_ENTITY}, {edge, KERNEL_ERR_WRONG_ENTITY}, {b, KERNEL_ERR_WRONG_ENTITY}};
    for (const Row& r : rows) {
        double u[2] = {7, 7}, v[2] = {7, 7};
        int ifail = 0;
        KI_enpben(&r.entity, u, v, &ifail);
        EXPECT_EQ(ifail, r.ifail) << r.entity;
        EXPECT_EQ(u[0], 7);
        EXPECT_EQ(v[1], 7);
    }
    struct Part {
        V v, d, want;
    } parts[] = {
        {{3, 4, 5}, {0, 0, 2}, {3, 4, 0}},
        {{3, 4, 5}, {1, 1, 0}, {-0.5, 0.5, 5}},
        {{3, 4, 5}, {0, 0, 0}, {3, 4, 5}},
    };
    for (const Part& p : parts) {
        double out[3];
        h01905_(p.v.data(), p.d.data(), out);
        expect_near(of(out), p.want, 1e-12, "perpendicular part");
    }
}

}  // namespace
