// Coordinate systems, matrices and the work coordinate system.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/display.h"
#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/wcs.h"
#include "host/base/model.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/store/entities/csys_support.h"
#include "host/kernel/curves/kernel_surfaces.h"
#include "host/store/entities/entity_delete.h"
#include "host/kernel/engine/kernel.h"
#include "host/numeric/linalg.h"
#include "host/base/services/error.h"
#include "kx_core.h"
#include "kx_csys.h"
#include "kx_mtx.h"
#include "libkxapi/core/kx_session.h"
#include "libkxapi/csys/kx_csys_internal.h"

namespace {

namespace ctl = host::control;

// A quarter turn about Z.
const double kTurned[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
const double kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

class Csys : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("frames.prt");
        host::parts::set_work_part(part_);
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_session_for_tests();
        ctl::reset();
    }
    tag matrix(const double values[9]) {
        tag m = NULL_TAG;
        EXPECT_EQ(KX_CSYS_create_matrix(values, &m), 0);
        return m;
    }
    tag csys(const double origin[3], const double values[9]) {
        tag c = NULL_TAG;
        EXPECT_EQ(KX_CSYS_create_csys(origin, matrix(values), &c), 0);
        return c;
    }
    unsigned int part_ = 0;
};

TEST_F(Csys, MapPointThroughTheWorkCoordinateSystem) {
    const double origin[3] = {10, 20, 30};
    ASSERT_EQ(KX_CSYS_set_wcs(csys(origin, kTurned)), 0);
    kx_reset_session_for_tests();  // mapping needs no session
    struct Case {
        int from, to;
        std::array<double, 3> in, out;
    } cases[] = {
        {KX_CSYS_WCS_COORDS, KX_CSYS_WORK_COORDS, {1, 2, 3}, {8, 21, 33}},  // 10 - 2, 20 + 1, 30 + 3
        {KX_CSYS_WORK_COORDS, KX_CSYS_WCS_COORDS, {8, 21, 33}, {1, 2, 3}},
        {KX_CSYS_WCS_COORDS, KX_CSYS_ROOT_COORDS, {0, 0, 0}, {10, 20, 30}},
        {KX_CSYS_ROOT_COORDS, KX_CSYS_WORK_COORDS, {4, 5, 6}, {4, 5, 6}},
        {KX_CSYS_WCS_COORDS, KX_CSYS_WCS_COORDS, {4, 5, 6}, {4, 5, 6}},
    };
    for (const auto& c : cases) {
        std::array<double, 3> r{};
        ASSERT_EQ(KX_CSYS_map_point(c.from, c.in.data(), c.to, r.data()), 0);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(r[i], c.out[i], 1e-12) << c.from << " -> " << c.to;
    }
    ctl::clear_journal();
    const double p[3] = {1, 1, 1};
    double r[3] = {7, 7, 7};
    KX_CSYS_map_point(2, p, 1, r);
    const auto calls = ctl::calls("CONTEXT_adjust_point");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].arg[0], 4);  // spaces are handed on as the host numbers them
    EXPECT_EQ(calls[0].arg[2], 3);
    for (int bad : {0, 4, -1}) {
        ctl::clear_journal();
        r[0] = 7;
        EXPECT_EQ(KX_CSYS_map_point(bad, p, 1, r), 1100000);
        EXPECT_EQ(KX_CSYS_map_point(1, p, bad, r), 1100000);
        EXPECT_EQ(r[0], 7);
        EXPECT_TRUE(ctl::journal().empty());
    }
}

TEST_F(Csys, MatricesMustBeOrthonormal) {
    const tag m = matrix(kTurned);
    ASSERT_NE(m, NULL_TAG);
    EXPECT_EQ(RM_ask_entity_type(m), 55);
    double back[9];
    ASSERT_EQ(KX_CSYS_ask_matrix_values(m, back), 0);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(back[i], kTurned[i]);

    const std::array<double, 9> refused[] = {
        {2, 0, 0, 0, 1, 0, 0, 0, 1},    // a row not of unit length
        {1, 0, 0, 0.1, 1, 0, 0, 0, 1},  // rows not perpendicular
        {1, 0, 0, 1, 0, 0, 0, 0, 1},    // a repeated row
        {0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& v : refused) {
        ctl::clear_journal();
        tag out = 99;
        EXPECT_EQ(KX_CSYS_create_matrix(v.data(), &out), 1105004);
        EXPECT_EQ(out, NULL_TAG);
        EXPECT_EQ(ctl::call_count("ES_create_matrix_in_part"), 0);
    }
    tag out = 99;
    EXPECT_EQ(KX_CSYS_create_matrix(nullptr, &out), 1105004);
    EXPECT_EQ(out, NULL_TAG);
    EXPECT_EQ(KX_CSYS_create_matrix(kIdentity, nullptr), 1105005);
}

TEST_F(Csys, CoordinateSystemsPermanentAndTemporary) {
    const double origin[3] = {1, 2, 3};
    const tag m = matrix(kTurned);
    tag c = NULL_TAG;
    ctl::clear_journal();
    ASSERT_EQ(KX_CSYS_create_csys(origin, m, &c), 0);
    EXPECT_EQ(RM_ask_entity_type(c), 45);
    EXPECT_TRUE(ctl::called_before("ES_create_csys_0", "DSS_REGEN_regen_object"));
    EXPECT_EQ(ctl::calls("DSS_REGEN_regen_object").at(0).arg[0], c);
    tag info_m = NULL_TAG;
    double info_o[3];
    ASSERT_EQ(KX_CSYS_ask_csys_info(c, &info_m, info_o), 0);
    EXPECT_EQ(info_m, m);
    EXPECT_EQ(info_o[2], 3);
    tag of = NULL_TAG;
    ASSERT_EQ(KX_CSYS_ask_matrix_of_object(c, &of), 0);
    EXPECT_EQ(of, m);

    ctl::clear_journal();
    tag t = NULL_TAG;
    ASSERT_EQ(KX_CSYS_create_temp_csys(origin, m, &t), 0);
    EXPECT_EQ(RM_ask_entity_type(t), 45);
    EXPECT_EQ(ctl::call_count("DSS_REGEN_regen_object"), 0);
    EXPECT_EQ(ctl::calls("ES_create_csys_in_wkpt").at(0).arg[3], 1);
    ASSERT_EQ(KX_CSYS_ask_csys_info(t, &info_m, info_o), 0);
    double values[9];
    KX_CSYS_ask_matrix_values(info_m, values);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(values[i], kTurned[i]);

    // Refusals leave the output as it was and create nothing.
    const double a[3] = {0, 0, 0}, b[3] = {1, 0, 0};
    const double ends[6] = {a[0], a[1], a[2], b[0], b[1], b[2]};
    unsigned int line = 0;
    ES_create_line_in_part(part_, ends, &line);
    struct Case {
        tag matrix;
        int code;
    } cases[] = {{NULL_TAG, 875027}, {line, 875033}, {123456, 875033}};
    for (const auto& k : cases)
        for (auto* create : {KX_CSYS_create_csys, KX_CSYS_create_temp_csys}) {
            ctl::clear_journal();
            tag out = 77;
            EXPECT_EQ(create(origin, k.matrix, &out), k.code);
            EXPECT_EQ(out, 77u);
            EXPECT_EQ(ctl::call_count("ES_create_csys_0") + ctl::call_count("ES_create_csys_in_wkpt"), 0);
        }
    host::parts::set_work_part(0);
    tag out = 77;
    EXPECT_EQ(KX_CSYS_create_csys(origin, m, &out), 1105012);
    EXPECT_EQ(KX_CSYS_create_temp_csys(origin, m, &out), 1105012);
    EXPECT_EQ(out, 77u);
}

TEST_F(Csys, SetWorkCoordinateSystem) {
    const double origin[3] = {0, 0, 5};
    const tag first = csys(origin, kIdentity), second = csys(origin, kTurned);
    ASSERT_EQ(KX_CSYS_set_wcs(first), 0);
    tag w = NULL_TAG;
    ASSERT_EQ(KX_CSYS_ask_wcs(&w), 0);
    EXPECT_EQ(w, first);

    ctl::clear_journal();
    const int emphasis = host::csys_support::emphasis_updates();
    ASSERT_EQ(KX_CSYS_set_wcs(second), 0);
    KX_CSYS_ask_wcs(&w);
    EXPECT_EQ(w, second);
    // A permanent one: it is redrawn, then its skeleton and the one before.
    std::vector<std::int64_t> redrawn;
    for (const auto& r : ctl::calls("DSS_REGEN_regen_object")) redrawn.push_back(r.arg[0]);
    EXPECT_EQ(redrawn, (std::vector<std::int64_t>{second, WCS_ask_skeleton(), first}));
    EXPECT_EQ(host::csys_support::emphasis_updates(), emphasis + 1);
    EXPECT_TRUE(ctl::called_before("WCS_set", "DSS_ask_suppress_display"));

    // Display suppressed at level 3: nothing is redrawn.
    DSS_set_suppress_display(3);
    ctl::clear_journal();
    ASSERT_EQ(KX_CSYS_set_wcs(first), 0);
    EXPECT_EQ(ctl::call_count("DSS_REGEN_regen_object"), 0);
    EXPECT_EQ(ctl::call_count("DSS_update_work_plane_emphasis"), 0);
    DSS_set_suppress_display(0);

    // Anything but a coordinate system is refused before the host is asked to set it.
    ctl::clear_journal();
    EXPECT_EQ(KX_CSYS_set_wcs(matrix(kIdentity)), 1105004);
    EXPECT_EQ(KX_CSYS_set_wcs(NULL_TAG), 1105004);
    EXPECT_EQ(KX_CSYS_set_wcs(987654), 1105004);
    EXPECT_EQ(ctl::call_count("WCS_set"), 0);
    EXPECT_EQ(KX_CSYS_ask_wcs(nullptr), 1105004);

    // A host error ends it with its code, acknowledged.
    ctl::raise_on("WCS_set", 670004);
    EXPECT_EQ(KX_CSYS_set_wcs(second), 670004);
    const auto acked = ctl::acknowledged_codes();
    EXPECT_NE(std::find(acked.begin(), acked.end(), 670004), acked.end());
    EXPECT_EQ(ctl::frame_depth(), 0);
}

TEST_F(Csys, EditMatrixOfAnArc) {
    const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    unsigned int m = 0, arc = 0;
    ES_create_matrix_in_part(part_, rows, 3, &m);
    const double data[6] = {0, 1, 0, 0, 0, 2};
    ES_create_arc(data, m, &arc);
    const tag other = matrix(kTurned);
    for (int suppress : {0, 2}) {
        DSS_set_suppress_display(suppress);
        ctl::clear_journal();
        ASSERT_EQ(KX_CSYS_edit_matrix_of_object(arc, other), 0);
        EXPECT_EQ(CURVE_ask_matrix_of_entity(arc), other);
        EXPECT_EQ(ctl::call_count("DSS_REGEN_regen_object"), suppress == 2 ? 1 : 0);
        EXPECT_EQ(ctl::call_count("sk_edit_curve_"), 0);  // not a sketch member
        EXPECT_TRUE(ctl::called_before("UPDATE_log_entity_to_update", "UPDATE_log_entity_int_app_data"));
        const auto app = ctl::calls("UPDATE_log_entity_int_app_data");
        ASSERT_EQ(app.size(), 1u);
        EXPECT_EQ(app[0].arg[1], 3);
        EXPECT_EQ(app[0].arg[2], 0);
    }
    DSS_set_suppress_display(0);
    // The arc's matrix is the one asked for it afterwards.
    tag asked = NULL_TAG;
    ASSERT_EQ(KX_CSYS_ask_matrix_of_object(arc, &asked), 0);
    EXPECT_EQ(asked, other);
    // Host refusals become the status: not a matrix, dead object.
    EXPECT_EQ(KX_CSYS_edit_matrix_of_object(arc, arc), HOST_ERR_WRONG_CLASS);
    EXPECT_EQ(KX_CSYS_edit_matrix_of_object(555555, other), HOST_ERR_DEAD_TAG);
}

TEST_F(Csys, SetOriginMovesTheCoordinateSystem) {
    const double origin[3] = {1, 1, 1}, moved[3] = {-4, 5, 0.5};
    const tag c = csys(origin, kTurned);
    const tag m = [&] {
        tag t = NULL_TAG;
        double o[3];
        KX_CSYS_ask_csys_info(c, &t, o);
        return t;
    }();
    const host::ModelSnapshot before = host::snapshot_model();
    ctl::clear_journal();
    ASSERT_EQ(KX_CSYS_set_origin(c, moved), 0);
    const auto calls = ctl::calls("es4520_");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].arg[0], c);
    tag info_m = NULL_TAG;
    double o[3];
    ASSERT_EQ(KX_CSYS_ask_csys_info(c, &info_m, o), 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(o[i], moved[i]);
    EXPECT_EQ(info_m, m);  // the orientation stays

    // As the work coordinate system, points map through the new origin.
    ASSERT_EQ(KX_CSYS_set_wcs(c), 0);
    const double p[3] = {1, 0, 0};
    double r[3];
    ASSERT_EQ(KX_CSYS_map_point(KX_CSYS_WCS_COORDS, p, KX_CSYS_WORK_COORDS, r), 0);
    EXPECT_NEAR(r[0], -4, 1e-12);
    EXPECT_NEAR(r[1], 6, 1e-12);
    EXPECT_NEAR(r[2], 0.5, 1e-12);

    // The origin is model state: rolling the model back restores it.
    host::restore_model(before);
    ASSERT_EQ(KX_CSYS_ask_csys_info(c, &info_m, o), 0);
    EXPECT_EQ(o[0], 1);
}

TEST_F(Csys, SetOriginRefusals) {
    const double origin[3] = {1, 1, 1};
    const tag c = csys(origin, kIdentity);
    const double bad[3] = {0, NAN, 0};
    struct Case {
        const char* what;
        tag csys;
        const double* origin;
        int code;
    } cases[] = {
        {"null coordinate system", NULL_TAG, origin, 1105004},
        {"null origin", c, nullptr, 1105005},
        {"a matrix", matrix(kTurned), origin, HOST_ERR_WRONG_CLASS},
        {"a dead tag", 654321, origin, HOST_ERR_DEAD_TAG},
        {"an origin that is not finite", c, bad, HOST_ERR_BAD_ARGUMENT},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(KX_CSYS_set_origin(k.csys, k.origin), k.code) << k.what;
        double o[3];
        tag m;
        ASSERT_EQ(KX_CSYS_ask_csys_info(c, &m, o), 0);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(o[i], origin[i]) << k.what << ": nothing changed";
        EXPECT_EQ(ctl::frame_depth(), 0);
    }
    // The frame is armed before the session check; the host is not called.
    kx_reset_session_for_tests();
    ctl::clear_journal();
    EXPECT_EQ(KX_CSYS_set_origin(c, origin), 1105000);
    EXPECT_EQ(ctl::call_count("es4520_"), 0);
    EXPECT_EQ(ctl::frame_depth(), 0);
}

TEST_F(Csys, EditMatrixOfACoordinateSystem) {
    const double origin[3] = {10, 20, 30};
    const tag c = csys(origin, kIdentity);
    const tag turned = matrix(kTurned);
    ASSERT_EQ(KX_CSYS_set_wcs(c), 0);
    ctl::clear_journal();
    ASSERT_EQ(KX_CSYS_edit_matrix_of_object(c, turned), 0);
    EXPECT_TRUE(ctl::called_before("ES_replace_matrix_of_entity", "UPDATE_log_entity_to_update"));
    tag m = NULL_TAG;
    double o[3];
    ASSERT_EQ(KX_CSYS_ask_csys_info(c, &m, o), 0);
    EXPECT_EQ(m, turned);
    EXPECT_EQ(o[2], 30);
    tag of = NULL_TAG;
    ASSERT_EQ(KX_CSYS_ask_matrix_of_object(c, &of), 0);
    EXPECT_EQ(of, turned);
    // The work coordinate system turned with it: its X axis is now (0, 1, 0).
    const double p[3] = {1, 2, 3};
    double r[3];
    ASSERT_EQ(KX_CSYS_map_point(KX_CSYS_WCS_COORDS, p, KX_CSYS_WORK_COORDS, r), 0);
    EXPECT_NEAR(r[0], 8, 1e-12);
    EXPECT_NEAR(r[1], 21, 1e-12);
    EXPECT_NEAR(r[2], 33, 1e-12);
    // Only a matrix object can be given.
    const tag other = csys(origin, kIdentity);
    EXPECT_EQ(KX_CSYS_edit_matrix_of_object(c, other), HOST_ERR_WRONG_CLASS);
    ASSERT_EQ(KX_CSYS_ask_csys_info(c, &m, o), 0);
    EXPECT_EQ(m, turned);
}

TEST_F(Csys, EveryFunctionButMapPointNeedsTheSession) {
    const double o[3] = {0, 0, 0};
    const tag m = matrix(kIdentity);
    kx_reset_session_for_tests();
    tag t = 5;
    double v[9];
    const std::vector<std::pair<const char*, std::function<int()>>> calls = {
        {"create_matrix", [&] { return KX_CSYS_create_matrix(kIdentity, &t); }},
        {"ask_matrix_values", [&] { return KX_CSYS_ask_matrix_values(m, v); }},
        {"ask_matrix_of_object", [&] { return KX_CSYS_ask_matrix_of_object(m, &t); }},
        {"edit_matrix_of_object", [&] { return KX_CSYS_edit_matrix_of_object(m, m); }},
        {"create_csys", [&] { return KX_CSYS_create_csys(o, m, &t); }},
        {"create_temp_csys", [&] { return KX_CSYS_create_temp_csys(o, m, &t); }},
        {"ask_csys_info", [&] { return KX_CSYS_ask_csys_info(m, &t, v); }},
        {"set_wcs", [&] { return KX_CSYS_set_wcs(m); }},
        {"ask_wcs", [&] { return KX_CSYS_ask_wcs(&t); }},
    };
    for (const auto& [name, call] : calls) {
        t = 5;
        EXPECT_EQ(call(), 1105000) << name;
        // Only create_matrix clears its output before anything else.
        EXPECT_EQ(t, std::string(name) == "create_matrix" ? NULL_TAG : 5u) << name;
    }
}

TEST_F(Csys, MatrixOfObjects) {
    const tag m = matrix(kTurned);
    tag out = 9;
    ASSERT_EQ(KX_CSYS_ask_matrix_of_object(m, &out), 0);
    EXPECT_EQ(out, m);  // a matrix answers itself
    out = 9;
    EXPECT_EQ(KX_CSYS_ask_matrix_of_object(555555, &out), HOST_ERR_DEAD_TAG);
    EXPECT_EQ(out, NULL_TAG);
}

constexpr double kHalfPiForTests = 1.5707963267948966;

// Faces of solid bodies: the matrix is built from the frame of the face's surface.
class FaceMatrix : public Csys {
protected:
    // A face of a body of its own, with the surface given.
    tag face(const host::kernel_surfaces::Surface& s, bool in_body = true) {
        const auto f = ctl::make_part("body.prt", {{70, 0}, {70, 2}});
        host::parts::set_work_part(part_);
        if (in_body) host::entity::add_member(f.objects[0], f.objects[1]);
        host::kernel_surfaces::define(f.objects[1], s);
        return f.objects[1];
    }
    static host::kernel_surfaces::Surface surface(int kind, std::array<double, 3> axis, std::array<double, 3> ref,
                                                  double r0 = 2, double r1 = 0.3) {
        host::kernel_surfaces::Surface s;
        s.kind = kind;
        const double o[3] = {1, 2, 3};
        for (int i = 0; i < 3; ++i) {
            s.origin[i] = o[i];
            s.axis[i] = axis[i];
            s.ref[i] = ref[i];
        }
        s.radii[0] = r0;
        s.radii[1] = r1;
        return s;
    }
    static std::array<double, 9> values_of(tag m) {
        std::array<double, 9> v{};
        EXPECT_EQ(KX_CSYS_ask_matrix_values(m, v.data()), 0);
        return v;
    }
};

TEST_F(FaceMatrix, SurfacesWithAnAxisGiveANewMatrixEachCall) {
    const double s = std::sqrt(0.5);
    struct Case {
        const char* what;
        int kind;
        std::array<double, 3> axis, ref, z;
    } cases[] = {
        {"plane", PX_SURF_PLANE, {0, 0, 1}, {1, 0, 0}, {0, 0, 1}},
        {"cylinder", PX_SURF_CYLINDER, {0, s, s}, {1, 0, 0}, {0, s, s}},
        {"cone", PX_SURF_CONE, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}},
        // A sphere's axis is the direction to its pole.
        {"sphere", PX_SURF_SPHERE, {0, -1, 0}, {0, 0, 1}, {0, -1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const tag f = face(surface(c.kind, c.axis, c.ref));
        tag m1 = NULL_TAG, m2 = NULL_TAG;
        ASSERT_EQ(KX_CSYS_ask_matrix_of_object(f, &m1), 0);
        ASSERT_EQ(KX_CSYS_ask_matrix_of_object(f, &m2), 0);
        ASSERT_NE(m1, NULL_TAG);
        EXPECT_NE(m1, m2);
        EXPECT_EQ(RM_ask_entity_type(m1), 55);
        const auto v = values_of(m1);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(v[6 + i], c.z[i], 1e-12);      // third row: the axis
        EXPECT_NEAR(v[0] * c.z[0] + v[1] * c.z[1] + v[2] * c.z[2], 0, 1e-12);  // first row at right angles
        EXPECT_EQ(MTX3_is_ortho_normal(v.data()), 1);
        double det;
        KX_MTX3_determinant(v.data(), &det);
        EXPECT_NEAR(det, 1, 1e-12);
    }
    // For the plane the first row is its reference direction.
    const auto v = values_of([&] {
        tag m = NULL_TAG;
        KX_CSYS_ask_matrix_of_object(face(surface(PX_SURF_PLANE, {0, 0, 1}, {0, 1, 0})), &m);
        return m;
    }());
    EXPECT_NEAR(v[1], 1, 1e-12);
}

// Faces of real kernel bodies answer the kernel's surfaces: kind, frame,
// radii, parameter box and the body's face count.
TEST_F(FaceMatrix, FacesOfKernelBodiesAnswerTheirKernelSurfaces) {
    const double s = std::sqrt(0.5);
    const double base[3] = {1, 2, 3}, axis[3] = {0, s, s}, centre[3] = {-4, 0, 1};
    int cylinder = 0, sphere = 0;
    ZQ_BODY_make_cylinder(base, axis, 2, 5, &cylinder);
    ZQ_BODY_make_sphere(centre, 3, &sphere);
    auto face_of_kind = [](int body, int kind) {
        for (int f : host::kernel::faces_of(body)) {
            const unsigned int o = host::kernel::object_of(f);
            unsigned char sense = 0;
            int k = 0;
            double origin[3], ax[3], radii[2];
            PX_face_ask_data(o, &sense, &k, origin, ax, radii);
            if (k == kind) return o;
        }
        ADD_FAILURE() << "no face of kind " << kind;
        return 0u;
    };
    struct Case {
        const char* what;
        tag face;
        int kind;
        std::array<double, 3> z;
        double radius, v0, v1;
    } cases[] = {
        {"cylinder", face_of_kind(cylinder, PX_SURF_CYLINDER), PX_SURF_CYLINDER, {0, s, s}, 2, 0, 5},
        {"sphere",
         face_of_kind(sphere, PX_SURF_SPHERE),
         PX_SURF_SPHERE,
         {0, 0, 1},
         3,
         -kHalfPiForTests,
         kHalfPiForTests},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int kind = 0, sense = 0, status = -1;
        double origin[3], ax[3], ref[3], radii[2], box[4];
        kxoutsur_(&c.face, &kind, origin, ax, ref, radii, &sense, box, &status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(kind, c.kind);
        EXPECT_EQ(sense, 1);
        EXPECT_NEAR(radii[0], c.radius, 1e-12);
        EXPECT_NEAR(box[2], c.v0, 1e-12);
        EXPECT_NEAR(box[3], c.v1, 1e-12);
        EXPECT_NEAR(box[1] - box[0], 2 * kHalfPiForTests * 2, 1e-12);  // a full turn in u
        tag m = NULL_TAG;
        ASSERT_EQ(KX_CSYS_ask_matrix_of_object(c.face, &m), 0);
        const auto v = values_of(m);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(v[6 + i], c.z[i], 1e-12);
        EXPECT_EQ(MTX3_is_ortho_normal(v.data()), 1);
    }
    const double* o = base;
    int kind = 0, sense = 0, status = -1;
    double origin[3], ax[3], ref[3], radii[2], box[4];
    const tag round = cases[0].face;
    kxoutsur_(&round, &kind, origin, ax, ref, radii, &sense, box, &status);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(origin[i], o[i], 1e-12);
    // The modelling entity of a kernel face is the face; its body has three faces.
    unsigned int entity = 0;
    int faces = 0;
    es7034_(&round, &entity, &faces);
    EXPECT_EQ(entity, round);
    EXPECT_EQ(faces, 3);
    const unsigned int body = host::kernel::object_of(cylinder);
    es7034_(&body, &entity, &faces);
    EXPECT_EQ(entity, 0u);
}

TEST_F(FaceMatrix, OtherSurfacesAndFacesWithoutABodyGiveNone) {
    auto offset_of = [&](tag base) {
        auto s = surface(PX_SURF_OFFSET, {0, 0, 1}, {1, 0, 0});
        s.base = base;
        s.distance = 0.5;
        return s;
    };
    const tag cylinder = face(surface(PX_SURF_CYLINDER, {0, 0, 1}, {1, 0, 0}));
    struct Case {
        const char* what;
        tag face;
        bool matrix;
    } cases[] = {
        {"torus", face(surface(PX_SURF_TORUS, {0, 0, 1}, {1, 0, 0}, 5, 1)), false},
        {"swept", face(surface(PX_SURF_SWEPT, {0, 0, 1}, {1, 0, 0})), false},
        {"offset of a cylinder", face(offset_of(cylinder)), true},
        {"offset without a base", face(offset_of(NULL_TAG)), false},
        {"offset of a torus", face(offset_of(face(surface(PX_SURF_TORUS, {0, 0, 1}, {1, 0, 0}, 5, 1)))), false},
        {"face outside any body", face(surface(PX_SURF_PLANE, {0, 0, 1}, {1, 0, 0}), false), false},
    };
    for (const auto& c : cases) {
        ctl::clear_journal();
        tag m = 9;
        ASSERT_EQ(KX_CSYS_ask_matrix_of_object(c.face, &m), 0) << c.what;
        EXPECT_EQ(m != NULL_TAG, c.matrix) << c.what;
        EXPECT_EQ(ctl::call_count("ES_create_matrix_in_part"), c.matrix ? 1 : 0) << c.what;
    }
    // The offset's matrix is its base cylinder's.
    tag a = NULL_TAG, b = NULL_TAG;
    KX_CSYS_ask_matrix_of_object(cylinder, &a);
    KX_CSYS_ask_matrix_of_object(cases[2].face, &b);
    const auto va = values_of(a), vb = values_of(b);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(va[i], vb[i], 1e-9);
}

TEST_F(FaceMatrix, TheKernelEntityIsAskedOfTheFace) {
    const tag f = face(surface(PX_SURF_CYLINDER, {0, 0, 1}, {1, 0, 0}));
    ctl::clear_journal();
    tag m = NULL_TAG;
    ASSERT_EQ(KX_CSYS_ask_matrix_of_object(f, &m), 0);
    EXPECT_TRUE(ctl::called_before("es7034_", "pxpsus_"));
    EXPECT_EQ(ctl::calls("pxpsus_").at(0).arg[0], f);
    // The body itself and an edge of it carry no surface: no matrix, no error.
    const auto b = ctl::make_part("solid.prt", {{70, 0}, {70, 2}, {70, 3}});
    host::parts::set_work_part(part_);
    host::entity::add_member(b.objects[0], b.objects[1]);
    host::entity::add_member(b.objects[0], b.objects[2]);
    for (tag t : {b.objects[0], b.objects[2]}) {
        m = 9;
        EXPECT_EQ(KX_CSYS_ask_matrix_of_object(t, &m), 0);
        EXPECT_EQ(m, NULL_TAG);
    }
}

TEST_F(FaceMatrix, NoDegenerateMatrixFromAReferenceAlongTheAxis) {
    // A plane whose reference direction runs along its axis, and a cone
    // with its apex at the origin (its reference point is the origin).
    const tag along = face(surface(PX_SURF_PLANE, {0, 0, 1}, {0, 0, 1}));
    const tag apex = face(surface(PX_SURF_CONE, {0, 0, 1}, {1, 0, 0}, 0.0, 0.4));
    for (tag f : {along, apex}) {
        ctl::clear_journal();
        tag m = 9;
        EXPECT_EQ(KX_CSYS_ask_matrix_of_object(f, &m), 1105004);
        EXPECT_EQ(m, NULL_TAG);
        EXPECT_EQ(ctl::call_count("ES_create_matrix_in_part"), 0);
    }
    // A kernel status from the parameter box is reported through the kernel's error routine.
    const tag plane = face(surface(PX_SURF_PLANE, {0, 0, 1}, {1, 0, 0}));
    ctl::give_outputs("pxeval_", {3});
    tag m = 9;
    EXPECT_EQ(KX_CSYS_ask_matrix_of_object(plane, &m), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(ctl::call_count("pxerr_"), 1);
    EXPECT_EQ(m, NULL_TAG);
}

TEST_F(FaceMatrix, SurfaceFrameOfAConeAndASphere) {
    // The cone's reference point is taken at (0, 1), moved along the axis by
    // the kernel scale factor; tiny v limits of its box become 0.
    auto cone = surface(PX_SURF_CONE, {0, 0, 1}, {1, 0, 0}, 2, 0.25);
    cone.box[2] = 5e-8;
    cone.box[3] = -3e-8;
    const tag f = face(cone);
    int kind = 0, sense = 1, status = -1;
    double origin[3], axis[3], ref[3], radii[2], box[4];
    kxoutsur_(&f, &kind, origin, axis, ref, radii, &sense, box, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(kind, PX_SURF_CONE);
    EXPECT_EQ(sense, 1);
    EXPECT_EQ(box[2], 0);
    EXPECT_EQ(box[3], 0);
    const double rx = 2 + std::tan(0.25), rz = 1 + pxsfac_[1];
    EXPECT_NEAR(ref[0], rx / std::hypot(rx, rz), 1e-12);
    EXPECT_NEAR(ref[2], rz / std::hypot(rx, rz), 1e-12);

    auto sphere = surface(PX_SURF_SPHERE, {0, 0, 1}, {0, 1, 0}, 3);
    sphere.sense = false;
    const tag g = face(sphere);
    sense = 1;
    kxoutsur_(&g, &kind, origin, axis, ref, radii, &sense, box, &status);
    EXPECT_EQ(sense, 0);
    EXPECT_NEAR(ref[1], 1, 1e-12);
    EXPECT_NEAR(axis[2], 1, 1e-12);
    EXPECT_EQ(radii[0], 3);
}

}  // namespace
