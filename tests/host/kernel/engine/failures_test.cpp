// Bad input to the kernel: every case raises its own code of the kernel
// band and leaves the model exactly as it was.
#include <map>
#include <string>

#include "host/kernel/engine/kernel.h"
#include "host/model/feature/undo.h"
#include "host/base/services/error.h"
#include "kernel_test.h"

namespace {

namespace obj = host::objects;

// What the model holds: every body with its faces and edges and their
// objects, volumes, and the live objects.
std::string model_state() {
    std::string s;
    for (int b : host::kernel::bodies()) {
        s += "body " + std::to_string(b) + " " + std::to_string(host::kernel::object_of(b)) + ":";
        for (int f : host::kernel::faces_of(b))
            s += " f" + std::to_string(f) + "/" + std::to_string(host::kernel::object_of(f));
        for (int e : host::kernel::edges_of(b))
            s += " e" + std::to_string(e) + "/" + std::to_string(host::kernel::object_of(e));
        std::array<double, ZQ_MP_COUNT> p{};
        ZQ_BODY_ask_mass_props(b, p.data());
        char v[64];
        std::snprintf(v, sizeof v, " v%.12g a%.12g\n", p[ZQ_MP_VOLUME], p[ZQ_MP_AREA]);
        s += v;
    }
    for (unsigned o : obj::live_objects()) s += std::to_string(o) + " ";
    return s;
}

class KernelFailures : public KernelTest {
protected:
    // A 10 cube at the origin, a profile that crosses itself, a point
    // sphere, and a cube far away.
    void SetUp() override {
        KernelTest::SetUp();
        cube_ = block(10, 10, 10);
        far_ = block(5, 5, 5, {100, 100, 100});
        const double bow_tie[] = {0, 0, 0, 10, 10, 0, 10, 0, 0, 0, 10, 0};
        ZQ_BODY_make_wire(4, bow_tie, 1, &bow_tie_);
        const double near_corner[3] = {12.5, 12.5, 12.5};
        ZQ_BODY_make_sphere(near_corner, 2, &ball_);  // its box meets the cube's, the ball does not
    }
    int cube_ = 0, far_ = 0, bow_tie_ = 0, ball_ = 0;
};

TEST_F(KernelFailures, BadInputRaisesItsCodeAndChangesNothing) {
    const double o[3] = {0, 0, 0}, z[3] = {0, 0, 1}, zero[3] = {0, 0, 0}, nan3[3] = {0, 0, NAN};
    int out = 0;
    struct Case {
        const char* what;
        int code;
        std::function<void()> run;
    };
    const Case cases[] = {
        {"block of zero length", KERNEL_ERR_DEGENERATE, [&] { block(0, 1, 1); }},
        {"block of negative width", KERNEL_ERR_DEGENERATE, [&] { block(1, -2, 1); }},
        {"cylinder of radius NaN", KERNEL_ERR_DEGENERATE, [&] { ZQ_BODY_make_cylinder(o, z, NAN, 1, &out); }},
        {"cylinder on a zero axis", KERNEL_ERR_DEGENERATE, [&] { ZQ_BODY_make_cylinder(o, zero, 1, 1, &out); }},
        {"sphere at a point not finite", KERNEL_ERR_DEGENERATE, [&] { ZQ_BODY_make_sphere(nan3, 1, &out); }},
        {"cone of two equal radii", KERNEL_ERR_DEGENERATE, [&] { ZQ_BODY_make_cone(o, z, 2, 2, 1, &out); }},
        {"torus through its axis", KERNEL_ERR_SELF_INTERSECTING, [&] { ZQ_BODY_make_torus(o, z, 2, 3, &out); }},
        {"profile crossing itself", KERNEL_ERR_SELF_INTERSECTING, [&] { ZQ_BODY_extrude(bow_tie_, z, 5, &out); }},
        {"wire through one point twice", KERNEL_ERR_DEGENERATE,
         [&] {
             const double p[] = {0, 0, 0, 0, 0, 0, 1, 0, 0};
             ZQ_BODY_make_wire(3, p, 0, &out);
         }},
        {"subtract a body far away", KERNEL_ERR_DISJOINT, [&] { ZQ_BODY_boolean(cube_, far_, ZQ_SUBTRACT); }},
        {"unite a ball apart", KERNEL_ERR_DISJOINT, [&] { ZQ_BODY_boolean(cube_, ball_, ZQ_UNITE); }},
        {"subtract a ball apart", KERNEL_ERR_DISJOINT, [&] { ZQ_BODY_boolean(cube_, ball_, ZQ_SUBTRACT); }},
        {"intersect a ball apart", KERNEL_ERR_DISJOINT, [&] { ZQ_BODY_boolean(cube_, ball_, ZQ_INTERSECT); }},
        {"subtract all of it", KERNEL_ERR_EMPTY_RESULT,
         [&] {
             ZQ_BODY_boolean(cube_, block(20, 20, 20, {-5, -5, -5}), ZQ_SUBTRACT);
         }},
        {"blend wider than the faces", KERNEL_ERR_BLEND_FAILED,
         [&] {
             const int e = host::kernel::edges_of(cube_)[0];
             ZQ_BODY_blend_edges(cube_, 1, &e, 20, 20);
         }},
        {"chamfer wider than the faces", KERNEL_ERR_BLEND_FAILED,
         [&] {
             const int e = host::kernel::edges_of(cube_)[0];
             ZQ_BODY_chamfer_edges(cube_, 1, &e, 15);
         }},
        {"blend of radius 0", KERNEL_ERR_DEGENERATE,
         [&] {
             const int e = host::kernel::edges_of(cube_)[0];
             ZQ_BODY_blend_edges(cube_, 1, &e, 0, 0);
         }},
        {"blend of another body's edge", KERNEL_ERR_NO_ENTITY,
         [&] {
             const int e = host::kernel::edges_of(far_)[0];
             ZQ_BODY_blend_edges(cube_, 1, &e, 1, 1);
         }},
        {"face blend of faces that do not meet", KERNEL_ERR_BLEND_FAILED,
         [&] { ZQ_BODY_blend_faces(cube_, face_at(cube_, 2, 0), face_at(cube_, 2, 10), 1); }},
        {"face blend wider than the faces", KERNEL_ERR_BLEND_FAILED,
         [&] { ZQ_BODY_blend_faces(cube_, face_at(cube_, 2, 0), face_at(cube_, 0, 0), 20); }},
        {"face blend of radius 0", KERNEL_ERR_DEGENERATE,
         [&] { ZQ_BODY_blend_faces(cube_, face_at(cube_, 2, 0), face_at(cube_, 0, 0), 0); }},
        {"face blend with another body's face", KERNEL_ERR_NO_ENTITY,
         [&] { ZQ_BODY_blend_faces(cube_, face_at(cube_, 2, 0), host::kernel::faces_of(far_)[0], 1); }},
        {"hollow thicker than the body", KERNEL_ERR_NOT_DONE,
         [&] {
             const int f = host::kernel::faces_of(cube_)[0];
             ZQ_BODY_hollow(cube_, 1, &f, 6);
         }},
        {"boolean with no tool", KERNEL_ERR_NO_ENTITY, [&] { ZQ_BODY_boolean(cube_, 99999, ZQ_UNITE); }},
        {"a face taken for a body", KERNEL_ERR_WRONG_ENTITY,
         [&] { ZQ_BODY_boolean(cube_, host::kernel::faces_of(far_)[0], ZQ_UNITE); }},
        {"scale by 0", KERNEL_ERR_DEGENERATE, [&] { ZQ_BODY_scale(cube_, o, 0); }},
        {"singular matrix", KERNEL_ERR_DEGENERATE,
         [&] {
             const double m[12] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0};
             ZQ_BODY_transform(cube_, m);
         }},
        {"trim by a plane beside it", KERNEL_ERR_EMPTY_RESULT,
         [&] {
             const double p[3] = {-1, 0, 0}, n[3] = {1, 0, 0};
             ZQ_BODY_trim_by_plane(cube_, p, n);
         }},
        {"section by a plane beside it", KERNEL_ERR_EMPTY_RESULT,
         [&] {
             const double p[3] = {0, 0, 50};
             ZQ_BODY_section_by_plane(cube_, p, z, &out);
         }},
        {"regenerated with a negative length", KERNEL_ERR_DEGENERATE,
         [&] {
             ZQ_BODY_edit_parameter(cube_, 0, 3, -4);
             ZQ_BODY_regenerate(cube_);
         }},
        {"a parameter the step has not", KERNEL_ERR_BAD_PARAMETER, [&] { ZQ_BODY_edit_parameter(cube_, 0, 6, 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The model as it was, rolled back by a mark around each case (the
        // edit of a parameter is part of the model until it is undone).
        int status = 0;
        const unsigned mark = UNDO_JQ_set_mark(UNDO_INVISIBLE, "case", &status);
        const std::string before = model_state();
        const std::size_t tags = obj::live_objects().size();
        EXPECT_EQ(raised(c.run), c.code);
        EXPECT_NE(ERROR_decode(c.code), nullptr);
        if (std::string(c.what).rfind("regenerated", 0) != 0 && std::string(c.what).rfind("subtract all", 0) != 0) {
            EXPECT_EQ(model_state(), before);
            EXPECT_EQ(obj::live_objects().size(), tags);
        }
        UNDO_JQ_undo_to_mark(mark, nullptr);
        EXPECT_EQ(model_state(), before);
    }
}

// A regeneration that fails keeps the body as it was built.
TEST_F(KernelFailures, FailedRegenerationKeepsTheBody) {
    const std::vector<int> faces = host::kernel::faces_of(cube_);
    ZQ_BODY_edit_parameter(cube_, 0, 4, 0);
    EXPECT_EQ(raised([&] { ZQ_BODY_regenerate(cube_); }), KERNEL_ERR_DEGENERATE);
    EXPECT_EQ(host::kernel::faces_of(cube_), faces);
    EXPECT_LT(rel(volume(cube_), 1000), 1e-12);
    ZQ_BODY_edit_parameter(cube_, 0, 4, 20);  // a good width again
    ZQ_BODY_regenerate(cube_);
    EXPECT_LT(rel(volume(cube_), 2000), 1e-12);
    EXPECT_EQ(host::kernel::faces_of(cube_), faces);
}

// The kernel's own exceptions are caught at the host's edge: a blend of a
// cylinder's seam makes the kernel throw, and the caller gets a host error.
// Entities of the wrong kind are refused before the kernel sees them.
TEST_F(KernelFailures, KernelExceptionsBecomeHostErrors) {
    const int c = cylinder({0, 0, 0}, {0, 0, 1}, 5, 10);
    int seam = 0;
    for (int e : host::kernel::edges_of(c)) {
        int type = 0;
        double p[3], d[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
        if (type == ZQ_CURVE_LINE) seam = e;
    }
    ASSERT_NE(seam, 0);
    const std::string before = model_state();
    EXPECT_EQ(raised([&] { ZQ_BODY_blend_edges(c, 1, &seam, 1, 1); }), KERNEL_ERR_BLEND_FAILED);
    EXPECT_EQ(model_state(), before);

    const int face = host::kernel::faces_of(cube_)[0];
    int out = 0;
    const double z[3] = {0, 0, 1};
    EXPECT_EQ(raised([&] { ZQ_BODY_extrude(face, z, 1, &out); }), KERNEL_ERR_WRONG_ENTITY);
    double box[4];
    EXPECT_EQ(raised([&] { ZQ_FACE_ask_uv_box(cube_, box); }), KERNEL_ERR_WRONG_ENTITY);
    EXPECT_EQ(raised([&] { ZQ_FACE_ask_uv_box(0, box); }), KERNEL_ERR_NO_ENTITY);
    EXPECT_EQ(raised([&] { ZQ_FACE_ask_uv_box(face, nullptr); }), HOST_ERR_NULL_ARGUMENT);
}

}  // namespace
