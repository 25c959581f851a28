// Closed-form geometry of what the kernel builds: primitives, booleans,
// blends and chamfers, hollows, sweeps.
#include <cmath>

#include "host/base/services/error.h"
#include "kernel_test.h"

namespace {

struct Primitive {
    const char* name;
    std::function<int()> make;
    double volume;
    double area;
    int faces;
};

class KernelGeometry : public KernelTest {};

TEST_F(KernelGeometry, PrimitivesHaveTheirClosedForms) {
    const double o[3] = {1, 2, 3}, z[3] = {0, 0, 1}, tilted[3] = {1, 1, 1};
    const double s = std::sqrt(9.0 + 4.0 * 4.0);  // cone slant: r 5 -> 2 over 4
    const Primitive table[] = {
        {"block",
         [&] {
             return block(10, 20, 30, {1, 2, 3});
         },
         6000, 2 * (200 + 600 + 300), 6},
        {"cylinder",
         [&] {
             int b;
             ZQ_BODY_make_cylinder(o, tilted, 3, 7, &b);
             return b;
         },
         kPi * 9 * 7, 2 * kPi * 3 * 7 + 2 * kPi * 9, 3},
        {"cone",
         [&] {
             int b;
             ZQ_BODY_make_cone(o, z, 5, 2, 4, &b);
             return b;
         },
         kPi * 4 / 3 * (25 + 10 + 4), kPi * (5 + 2) * s + kPi * 25 + kPi * 4, 3},
        {"sphere",
         [&] {
             int b;
             ZQ_BODY_make_sphere(o, 4, &b);
             return b;
         },
         4.0 / 3 * kPi * 64, 4 * kPi * 16, 1},
        {"torus",
         [&] {
             int b;
             ZQ_BODY_make_torus(o, tilted, 6, 2, &b);
             return b;
         },
         2 * kPi * kPi * 6 * 4, 4 * kPi * kPi * 6 * 2, 1},
        // A hexagonal prism of circumradius 2: area 3*sqrt(3)/2 * 4.
        {"prism",
         [&] {
             int b;
             ZQ_BODY_make_prism(o, z, 2, 6, 5, &b);
             return b;
         },
         6 * std::sqrt(3.0) * 5, 2 * 6 * std::sqrt(3.0) + 6 * 2 * 5, 8},
    };
    for (const Primitive& p : table) {
        SCOPED_TRACE(p.name);
        const int b = p.make();
        const auto mp = props(b);
        EXPECT_LT(rel(mp[ZQ_MP_VOLUME], p.volume), 1e-9);
        EXPECT_LT(rel(mp[ZQ_MP_AREA], p.area), 1e-9);
        EXPECT_EQ(host::kernel::faces_of(b).size(), static_cast<std::size_t>(p.faces));
        int type = 0;
        ZQ_BODY_ask_type(b, &type);
        EXPECT_EQ(type, ZQ_BODY_SOLID);
        int fault = -1;
        ZQ_BODY_check(b, &fault);
        EXPECT_EQ(fault, ZQ_FAULT_NONE);
    }
}

TEST_F(KernelGeometry, BooleansOfABlockAndAThroughCylinder) {
    const double vb = 100 * 60 * 20, vc = kPi * 100 * 20;
    const struct {
        int op;
        double volume;
        int faces;
    } table[] = {
        {ZQ_SUBTRACT, vb - vc, 7},
        {ZQ_UNITE, vb + kPi * 100 * 10, 10},  // the cylinder stands out 5 above and below
        {ZQ_INTERSECT, vc, 3},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.op);
        const int b = block(100, 60, 20);
        const int c = cylinder({50, 30, -5}, {0, 0, 1}, 10, 30);
        ZQ_BODY_boolean(b, c, row.op);
        EXPECT_LT(rel(volume(b), row.volume), 1e-9);
        EXPECT_EQ(host::kernel::faces_of(b).size(), static_cast<std::size_t>(row.faces));
        EXPECT_EQ(host::kernel::bodies().back(), b);  // the tool is consumed
        EXPECT_EQ(raised([&] { volume(c); }), KERNEL_ERR_NO_ENTITY);
    }
}

TEST_F(KernelGeometry, BlendAndChamferVolumes) {
    // Every edge of a cube of 10 blended with r: a Minkowski sum of a cube of
    // 10 - 2r and a ball of r. One edge: the cube less a prism of its length.
    const double r = 1, a = 10 - 2 * r, d = 2;
    const double blended = a * a * a + 6 * a * a * r + 3 * a * kPi * r * r + 4.0 / 3 * kPi * r * r * r;
    struct Row {
        const char* name;
        std::function<void(int, const std::vector<int>&)> apply;
        double volume;
        int faces;
    };
    const Row rows[] = {
        {"blend", [&](int b, const std::vector<int>& e) { ZQ_BODY_blend_edges(b, int(e.size()), e.data(), r, r); },
         blended, 26},
        {"one edge blend", [&](int b, const std::vector<int>& e) { ZQ_BODY_blend_edges(b, 1, e.data(), 2, 2); },
         1000 - (4 - kPi) * 10, 7},
        {"one edge chamfer", [&](int b, const std::vector<int>& e) { ZQ_BODY_chamfer_edges(b, 1, e.data(), d); },
         1000 - d * d / 2 * 10, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const int b = block(10, 10, 10);
        row.apply(b, host::kernel::edges_of(b));
        EXPECT_LT(rel(volume(b), row.volume), 1e-9);
        EXPECT_EQ(host::kernel::faces_of(b).size(), static_cast<std::size_t>(row.faces));
    }
}

// A face blend runs along the edge its two faces share; made again on a
// longer block, it follows the faces to their new shared edge.
TEST_F(KernelGeometry, FaceBlendFollowsItsFaces) {
    const double r = 2;
    const int b = block(10, 10, 10);
    const int top = face_at(b, 2, 10), front = face_at(b, 1, 0);
    ASSERT_NE(top, 0);
    ASSERT_NE(front, 0);
    ZQ_BODY_blend_faces(b, top, front, r);
    EXPECT_LT(rel(volume(b), 1000 - (r * r - kPi * r * r / 4) * 10), 1e-9);
    const std::vector<int> faces = host::kernel::faces_of(b);
    ASSERT_EQ(faces.size(), 7u);
    int blends = 0;
    for (int f : faces)
        if (face_type(f) == ZQ_SURF_CYLINDER) {
            ++blends;
            EXPECT_LT(rel(face_radius(f), r), 1e-9);
        }
    EXPECT_EQ(blends, 1);

    int steps = 0;
    ZQ_BODY_ask_step_count(b, &steps);
    ASSERT_EQ(steps, 2);
    ZQ_BODY_edit_parameter(b, 0, 3, 20);  // the block 20 long
    ZQ_BODY_regenerate(b);
    EXPECT_LT(rel(volume(b), 2000 - (r * r - kPi * r * r / 4) * 20), 1e-9);
    EXPECT_EQ(host::kernel::faces_of(b), faces);  // every face keeps its tag
}

TEST_F(KernelGeometry, VariableRadiusBlendFollowsItsRadii) {
    // One edge of a block blended from radius 1 to radius 3 along its 10.
    // The rolling ball's sections tilt where the radius changes, so there
    // is no simple closed form: the strip removed lies between those of
    // the constant radii 1 and 3, and near the section (1 - pi/4) r^2
    // integrated along the edge.
    const int b = block(10, 10, 10);
    const int e = edges_at_height(b, 10)[0];
    ZQ_BODY_blend_edges(b, 1, &e, 1, 3);
    const double a = 1 - kPi / 4, removed = 1000 - volume(b);
    EXPECT_GT(removed, a * 1 * 10);
    EXPECT_LT(removed, a * 9 * 10);
    EXPECT_LT(rel(removed, a * 10 * (1 + 3 + 9) / 3.0), 0.03);
    EXPECT_EQ(host::kernel::faces_of(b).size(), 7u);
}

TEST_F(KernelGeometry, HollowLeavesWallsOfTheThickness) {
    // A block 40 x 30 x 20 opened at the top with walls of 2 inside.
    const int b = block(40, 30, 20);
    int top = 0;
    for (int f : host::kernel::faces_of(b)) {
        double box[6];
        ZQ_TOPOL_find_box(f, box);
        if (box[2] > 19.999 && box[5] > 19.999) top = f;
    }
    ASSERT_NE(top, 0);
    ZQ_BODY_hollow(b, 1, &top, 2);
    EXPECT_LT(rel(volume(b), 40.0 * 30 * 20 - 36.0 * 26 * 18), 1e-9);
    // Wall thickness: from an outer point of a side to the cavity.
    int cavity = ZQ_OUTSIDE;
    const double inside_wall[3] = {1, 15, 10}, in_cavity[3] = {3, 15, 10};
    ZQ_BODY_ask_containment(b, inside_wall, &cavity);
    EXPECT_EQ(cavity, ZQ_INSIDE);
    ZQ_BODY_ask_containment(b, in_cavity, &cavity);
    EXPECT_EQ(cavity, ZQ_OUTSIDE);
}

TEST_F(KernelGeometry, ExtrudeAndRevolveARectangle) {
    // The rectangle x 2..5, z 0..4 in the plane y = 0.
    const double rect[] = {2, 0, 0, 5, 0, 0, 5, 0, 4, 2, 0, 4};
    int profile = 0;
    ZQ_BODY_make_wire(4, rect, 1, &profile);
    int type = 0;
    ZQ_BODY_ask_type(profile, &type);
    EXPECT_EQ(type, ZQ_BODY_WIRE);

    const double along_y[3] = {0, 1, 0}, origin[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    int prism = 0;
    ZQ_BODY_extrude(profile, along_y, 7, &prism);
    EXPECT_LT(rel(volume(prism), 3.0 * 4 * 7), 1e-9);
    EXPECT_EQ(host::kernel::faces_of(prism).size(), 6u);

    int ring = 0;  // a full turn about z: an annular cylinder
    ZQ_BODY_revolve(profile, origin, z, 2 * kPi, &ring);
    EXPECT_LT(rel(volume(ring), kPi * (25 - 4) * 4), 1e-9);
    int half = 0;  // half a turn: Pappus, area 12 at radius 3.5
    ZQ_BODY_revolve(profile, origin, z, kPi, &half);
    EXPECT_LT(rel(volume(half), 12 * kPi * 3.5), 1e-9);
    EXPECT_EQ(host::kernel::bodies().size(), 4u);  // the profile stays

    // A circle swept along a guide: a straight guide of 10.
    const double guide_pts[] = {2, 0, 0, 2, 10, 0};
    int guide = 0;
    ZQ_BODY_make_wire(2, guide_pts, 0, &guide);
    int pipe = 0;
    ZQ_BODY_sweep(profile, guide, &pipe);
    EXPECT_LT(rel(volume(pipe), 12.0 * 10), 1e-9);
}

TEST_F(KernelGeometry, TransformsMirrorsAndScales) {
    const int b = block(10, 20, 30);
    const double centre[3] = {0, 0, 0};
    ZQ_BODY_scale(b, centre, 2);
    EXPECT_LT(rel(volume(b), 6000 * 8), 1e-9);
    const double p[3] = {100, 0, 0}, n[3] = {1, 0, 0};
    ZQ_BODY_mirror(b, p, n);
    double box[6];
    ZQ_TOPOL_find_box(b, box);
    EXPECT_NEAR(box[0], 180, 1e-9);
    EXPECT_NEAR(box[3], 200, 1e-9);
    EXPECT_LT(rel(volume(b), 48000), 1e-9);
    // A stretch by 3 along x is no similarity: the kernel maps it generally.
    const double stretch[12] = {3, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0};
    ZQ_BODY_transform(b, stretch);
    EXPECT_LT(rel(volume(b), 48000 * 3), 1e-9);
}

TEST_F(KernelGeometry, SplitTrimAndSection) {
    const int b = block(100, 60, 20);
    ZQ_BODY_boolean(b, cylinder({50, 30, -5}, {0, 0, 1}, 10, 30), ZQ_SUBTRACT);
    const double mid[3] = {0, 0, 10}, up[3] = {0, 0, 1};
    int wire = 0;
    ZQ_BODY_section_by_plane(b, mid, up, &wire);
    double length = 0;
    for (int e : host::kernel::edges_of(wire)) {
        double l = 0;
        ZQ_EDGE_ask_length(e, &l);
        length += l;
    }
    EXPECT_LT(rel(length, 2 * (100 + 60) + 2 * kPi * 10), 1e-9);

    int front = 0;
    const double x30[3] = {30, 0, 0}, along_x[3] = {1, 0, 0};
    ZQ_BODY_split_by_plane(b, x30, along_x, &front);
    EXPECT_LT(rel(volume(b), 30 * 60 * 20), 1e-9);
    EXPECT_LT(rel(volume(front), 70 * 60 * 20 - kPi * 100 * 20), 1e-9);
    // No tag is in both pieces.
    for (int f : host::kernel::faces_of(front)) {
        int owner = 0;
        ZQ_ENTITY_ask_body(f, &owner);
        EXPECT_EQ(owner, front);
    }
    const double x80[3] = {80, 0, 0};
    ZQ_BODY_trim_by_plane(front, x80, along_x);
    EXPECT_LT(rel(volume(front), 50 * 60 * 20 - kPi * 100 * 20), 1e-9);
}

TEST_F(KernelGeometry, OffsetAndThicken) {
    const int b = block(10, 10, 10);
    ZQ_BODY_offset(b, 1);  // Minkowski sum of the cube and a ball of 1
    EXPECT_LT(rel(volume(b), 1000 + 6 * 100 + 3 * 10 * kPi + 4.0 / 3 * kPi), 1e-9);

    const double square[] = {0, 0, 0, 4, 0, 0, 4, 4, 0, 0, 4, 0};
    int profile = 0;
    ZQ_BODY_make_wire(4, square, 0, &profile);  // open: three sides
    const double z[3] = {0, 0, 1};
    int sheet = 0;
    ZQ_BODY_extrude(profile, z, 5, &sheet);
    int type = 0;
    ZQ_BODY_ask_type(sheet, &type);
    EXPECT_EQ(type, ZQ_BODY_SHEET);
    EXPECT_LT(rel(props(sheet)[ZQ_MP_AREA], 12.0 * 5), 1e-9);

    const double segment[] = {0, 0, 0, 4, 0, 0};
    int line = 0;
    ZQ_BODY_make_wire(2, segment, 0, &line);
    int flat = 0;
    ZQ_BODY_extrude(line, z, 5, &flat);
    ZQ_BODY_thicken(flat, 2);
    ZQ_BODY_ask_type(flat, &type);
    EXPECT_EQ(type, ZQ_BODY_SOLID);
    EXPECT_LT(rel(volume(flat), 4.0 * 5 * 2), 1e-9);
}

}  // namespace

namespace {

int square_profile(double x0, double y0, double z, double side) {
    const double p[] = {x0, y0, z, x0 + side, y0, z, x0 + side, y0 + side, z, x0, y0 + side, z};
    int b = 0;
    ZQ_BODY_make_wire(4, p, 1, &b);
    return b;
}

class KernelSheets : public KernelTest {};

TEST_F(KernelSheets, PlanesLoftsGridsAndBSurfaces) {
    int sheet = 0;
    ZQ_BODY_make_plane_sheet(square_profile(0, 0, 0, 4), &sheet);
    EXPECT_LT(rel(props(sheet)[ZQ_MP_AREA], 16), 1e-12);
    int type = 0;
    ZQ_BODY_ask_type(sheet, &type);
    EXPECT_EQ(type, ZQ_BODY_SHEET);

    // A frustum of a pyramid: squares of 4 at z 0 and of 2 at z 5.
    const int sections[2] = {square_profile(0, 0, 0, 4), square_profile(1, 1, 5, 2)};
    int frustum = 0;
    ZQ_BODY_through_curves(2, sections, 1, 1, &frustum);
    EXPECT_LT(rel(volume(frustum), 5.0 / 3 * (16 + 4 + 8)), 1e-9);
    EXPECT_EQ(host::kernel::faces_of(frustum).size(), 6u);

    // Points on the plane z = x + y over [0, 2]^2: the sheet is that plane.
    double grid[27];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            double* p = grid + 3 * (3 * j + i);
            p[0] = i;
            p[1] = j;
            p[2] = i + j;
        }
    int through = 0;
    ZQ_BODY_points_sheet(3, 3, grid, &through);
    EXPECT_LT(rel(props(through)[ZQ_MP_AREA], 4 * std::sqrt(3.0)), 1e-9);
    EXPECT_EQ(face_type(host::kernel::faces_of(through)[0]), ZQ_SURF_BSURF);

    const double poles[] = {0, 0, 0, 3, 0, 0, 0, 2, 0, 3, 2, 0};
    int quad = 0;
    ZQ_BODY_bsurface(2, 2, poles, 1, 1, &quad);
    EXPECT_LT(rel(props(quad)[ZQ_MP_AREA], 6), 1e-12);
    EXPECT_EQ(raised([&] { ZQ_BODY_bsurface(2, 2, poles, 2, 1, &quad); }), KERNEL_ERR_DEGENERATE);
}

TEST_F(KernelSheets, CurveMeshSpansItsCurves) {
    // A square boundary in z = 0 with a line across it raised to z = 1: the
    // sheet spans the square and passes through the line.
    const double across[] = {0, 2, 1, 4, 2, 1};
    int line = 0;
    ZQ_BODY_make_wire(2, across, 0, &line);
    int sheet = 0;
    ZQ_BODY_curve_mesh(square_profile(0, 0, 0, 4), 1, &line, &sheet);
    int type = 0;
    ZQ_BODY_ask_type(sheet, &type);
    EXPECT_EQ(type, ZQ_BODY_SHEET);
    double d = 0, pa[3], pb[3];
    ZQ_ENTITY_ask_min_distance(sheet, line, &d, pa, pb);
    EXPECT_LT(d, 1e-3);  // the kernel's fitting tolerance
    double box[6];
    ZQ_TOPOL_find_box(sheet, box);
    EXPECT_NEAR(box[0], 0, 1e-6);
    EXPECT_NEAR(box[3], 4, 1e-6);
    EXPECT_GT(box[5], 0.9);
    EXPECT_GT(props(sheet)[ZQ_MP_AREA], 16);
    const double open[] = {0, 0, 0, 4, 0, 0, 4, 4, 0};
    int hook = 0;
    ZQ_BODY_make_wire(3, open, 0, &hook);
    EXPECT_EQ(raised([&] { ZQ_BODY_curve_mesh(hook, 0, nullptr, &sheet); }), KERNEL_ERR_WRONG_ENTITY);
}

TEST_F(KernelSheets, SixSquaresSewnMakeACube) {
    // The cube's faces as plane sheets: bottom, top and the four sides.
    const double faces[6][12] = {
        {0, 0, 0, 10, 0, 0, 10, 10, 0, 0, 10, 0}, {0, 0, 10, 10, 0, 10, 10, 10, 10, 0, 10, 10},
        {0, 0, 0, 10, 0, 0, 10, 0, 10, 0, 0, 10}, {0, 10, 0, 10, 10, 0, 10, 10, 10, 0, 10, 10},
        {0, 0, 0, 0, 10, 0, 0, 10, 10, 0, 0, 10}, {10, 0, 0, 10, 10, 0, 10, 10, 10, 10, 0, 10},
    };
    int sheets[6];
    for (int i = 0; i < 6; ++i) {
        int profile = 0;
        ZQ_BODY_make_wire(4, faces[i], 1, &profile);
        ZQ_BODY_make_plane_sheet(profile, &sheets[i]);
    }
    const std::vector<int> first_faces = host::kernel::faces_of(sheets[0]);
    ZQ_BODY_sew(sheets[0], 5, sheets + 1, 1e-6);
    int type = 0;
    ZQ_BODY_ask_type(sheets[0], &type);
    EXPECT_EQ(type, ZQ_BODY_SOLID);
    EXPECT_LT(rel(std::fabs(volume(sheets[0])), 1000), 1e-9);
    EXPECT_EQ(host::kernel::faces_of(sheets[0]).size(), 6u);
    EXPECT_EQ(host::kernel::faces_of(sheets[0])[0], first_faces[0]);  // the sewn face keeps its tag
    for (int i = 1; i < 6; ++i) EXPECT_EQ(raised([&] { ZQ_BODY_ask_type(sheets[i], &type); }), KERNEL_ERR_NO_ENTITY);
}

TEST_F(KernelSheets, OffsetOfOneFaceMovesIt) {
    const int b = block(10, 10, 10);
    int top = 0;
    for (int f : host::kernel::faces_of(b)) {
        double box[6];
        ZQ_TOPOL_find_box(f, box);
        if (box[2] > 9.999) top = f;
    }
    ZQ_BODY_offset_faces(b, 1, &top, 5);
    EXPECT_LT(rel(volume(b), 1500), 1e-9);
    EXPECT_EQ(host::kernel::faces_of(b).size(), 6u);
    const std::vector<int> faces = host::kernel::faces_of(b);
    EXPECT_NE(std::find(faces.begin(), faces.end(), top), faces.end());
}

}  // namespace

namespace {

class KernelSheetCuts : public KernelTest {
protected:
    // A plane sheet through x = 30 reaching past the block, facing +x.
    int wall(double x) {
        const double p[] = {x, -10, -10, x, 60, -10, x, 60, 30, x, -10, 30};
        int profile = 0, sheet = 0;
        ZQ_BODY_make_wire(4, p, 1, &profile);
        ZQ_BODY_make_plane_sheet(profile, &sheet);
        // Its normal: the right-hand turn of the corners, +x or -x.
        double out[18], n[3];
        ZQ_SURF_eval(host::kernel::faces_of(sheet)[0], 0, 0, 0, out, n);
        normal_x_ = n[0];
        return sheet;
    }
    double normal_x_ = 0;
};

TEST_F(KernelSheetCuts, SplitAndTrimBySheets) {
    const int b = block(100, 50, 20);
    const int sheet = wall(30);
    int front = 0;
    ZQ_BODY_split_by_sheet(b, sheet, &front);
    // Behind is against the sheet's normal.
    const double behind = normal_x_ > 0 ? 30 : 70;
    EXPECT_LT(rel(volume(b), behind * 50 * 20), 1e-9);
    EXPECT_LT(rel(volume(front), (100 - behind) * 50 * 20), 1e-9);
    EXPECT_EQ(host::kernel::bodies().size(), 4u);  // block, front, sheet, its profile

    const int other = block(100, 50, 20);
    ZQ_BODY_trim_by_sheet(other, wall(80));
    const double kept = normal_x_ > 0 ? 80 : 20;
    EXPECT_LT(rel(volume(other), kept * 50 * 20), 1e-9);
    EXPECT_EQ(raised([&] { ZQ_BODY_trim_by_sheet(other, wall(300)); }), KERNEL_ERR_DISJOINT);
    EXPECT_EQ(raised([&] { ZQ_BODY_trim_by_sheet(other, other); }), HOST_ERR_BAD_ARGUMENT);
}

}  // namespace
