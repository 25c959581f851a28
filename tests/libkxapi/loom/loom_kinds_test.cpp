// The kinds of link besides whole bodies: curves, strings, sketches,
// points, datums, faces, regions, mirrors and whole parts. Part A holds the
// sources; links are made into part B (the work part), moved 100 along x.
// Every kind makes real geometry, follows its source at the model update,
// keeps the tags of its linked objects, and goes back with an undo mark.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/views.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/profiles.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "host/apps/modeling/loom/loom.h"
#include "host/numeric/curves.h"
#include "host/store/attributes/attributes.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "kx_loom.h"
#include "libkxapi/core/kx_session.h"

namespace {

namespace hc = host::control;
constexpr double kPi = 3.14159265358979323846;

class LinkKinds : public ::testing::Test {
protected:
    void SetUp() override {
        kx_reset_session_for_tests();
        hc::reset();
        ASSERT_EQ(KX_initialize(), 0);
        a_ = host::parts::create("a.prt");
        b_ = host::parts::create("b.prt");
        host::parts::set_work_part(b_);
    }
    void TearDown() override {
        kx_reset_session_for_tests();
        hc::reset();
    }

    unsigned int block(double size, double x = 0) const {
        host::parts::set_work_part(a_);
        const double origin[3] = {x, 0, 0}, sizes[3] = {size, size, size};
        int body = 0;
        ZQ_BODY_make_block(origin, sizes, &body);
        host::parts::set_work_part(b_);
        return host::kernel::object_of(body);
    }
    unsigned int line(double x0, double y0, double x1, double y1) const {
        const double ends[6] = {x0, y0, 0, x1, y1, 0};
        unsigned int t = 0;
        ES_create_line_in_part(a_, ends, &t);
        return t;
    }
    // An arc about (cx, 0, 0) of radius r from 0 to a half turn.
    unsigned int arc(double cx, double r) const {
        const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        unsigned int m = 0, t = 0;
        ES_create_matrix_in_part(a_, rows, 3, &m);
        const double data[6] = {0, kPi, cx, 0, 0, r};
        ES_create_arc(data, m, &t);
        return t;
    }
    unsigned int ellipse() const {
        const double rows[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};  // turned a quarter about z
        unsigned int m = 0, t = 0;
        ES_create_matrix_in_part(a_, rows, 3, &m);
        double v[CONIC_VALUE_COUNT] = {};
        v[CONIC_V_END] = kPi;
        v[CONIC_V_HEIGHT] = 2;
        v[CONIC_V_CENTER_X] = 1;
        v[CONIC_V_CENTER_Y] = 3;
        v[CONIC_V_K1] = 4;
        v[CONIC_V_K2] = 2;
        v[CONIC_V_COS] = 1;
        const int type = HOST_CONIC_ELLIPSE;
        es0600_(&type, v, &m, &t);
        return t;
    }
    unsigned int point(double x, double y, double z) const {
        host::parts::set_work_part(a_);
        const double p[3] = {x, y, z};
        unsigned int t = 0;
        ES_create_point(p, &t);
        host::parts::set_work_part(b_);
        return t;
    }
    // Points of a curve (or a point's coordinates) along its range.
    static std::vector<double> samples(unsigned int curve) {
        std::vector<double> out;
        if (host::objects::find(curve)->type == HOST_TYPE_POINT) {
            double p[3];
            ES_ask_coordinates_of_point(curve, p);
            return {p[0], p[1], p[2]};
        }
        const auto c = host::curves::curve_of(curve);
        EXPECT_TRUE(c.has_value());
        if (!c) return out;
        double limits[2], p[3];
        hostnum::curve_limits(c->record(), limits);
        for (int k = 0; k <= 4; ++k) {
            hostnum::curve_evaluate(c->record(), 0, limits[0] + k * (limits[1] - limits[0]) / 4, p, nullptr);
            out.insert(out.end(), p, p + 3);
        }
        return out;
    }
    static std::vector<double> shifted(std::vector<double> v, double dx) {
        for (std::size_t i = 0; i < v.size(); i += 3) v[i] += dx;
        return v;
    }
    static void expect_near(const std::vector<double>& a, const std::vector<double>& b) {
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i) EXPECT_NEAR(a[i], b[i], 1e-9) << i;
    }
    static std::vector<unsigned int> members(unsigned int holder) { return host::entity::members_of(holder); }
    static std::vector<double> box(unsigned int body) {
        double b[6] = {};
        ZQ_TOPOL_find_box(host::kernel::entity_of(body), b);
        return {b[0], b[1], b[2], b[3], b[4], b[5]};
    }
    static int face_count(unsigned int body) {
        return static_cast<int>(host::kernel::faces_of(host::kernel::entity_of(body)).size());
    }
    static std::vector<unsigned int> face_objects(unsigned int body) {
        std::vector<unsigned int> out;
        for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) out.push_back(host::kernel::object_of(f));
        return out;
    }
    static std::vector<unsigned int> edge_objects(unsigned int body) {
        std::vector<unsigned int> out;
        for (int e : host::kernel::edges_of(host::kernel::entity_of(body))) out.push_back(host::kernel::object_of(e));
        return out;
    }
    static unsigned int mapped(tag link, unsigned int source) {
        tag out = 99;
        EXPECT_EQ(KX_LOOM_map_source_to_link_geom(link, source, &out), 0);
        return out;
    }

    static constexpr double kShift[12] = {1, 0, 0, 100, 0, 1, 0, 0, 0, 0, 1, 0};
    unsigned int a_ = 0, b_ = 0;
};

// The faces and edges of a linked body keep their objects when the source
// is edited and the link updated; faces the edit made are new ones.
TEST_F(LinkKinds, FacesAndEdgesOfALinkedBodyKeepTheirObjectsAcrossUpdates) {
    const unsigned int src = block(10);
    tag link = 0;
    ASSERT_EQ(KX_LOOM_create_linked_body(src, kShift, 1, KX_LOOM_update_with_source, &link), 0);
    const std::vector<unsigned int> src_faces = face_objects(src), src_edges = edge_objects(src);
    std::vector<unsigned int> before;
    for (unsigned int f : src_faces) before.push_back(mapped(link, f));
    std::vector<unsigned int> edges_before;
    for (unsigned int e : src_edges) edges_before.push_back(mapped(link, e));
    EXPECT_EQ(before, face_objects(link));  // every face has its partner

    // Blend one edge of the source: its six faces stay, a seventh comes.
    const int edge = host::kernel::entity_of(src_edges.front());
    ZQ_BODY_blend_edges(host::kernel::entity_of(src), 1, &edge, 1.0, 1.0);
    UPDATE_do_update();
    ASSERT_EQ(face_count(link), 7);
    for (std::size_t i = 0; i < src_faces.size(); ++i) EXPECT_EQ(mapped(link, src_faces[i]), before[i]) << i;
    for (std::size_t i = 1; i < src_edges.size(); ++i)
        if (host::objects::is_alive(src_edges[i])) {
            EXPECT_EQ(mapped(link, src_edges[i]), edges_before[i]) << i;
        }
    const std::vector<unsigned int> after = face_objects(link);
    for (unsigned int f : before) EXPECT_NE(std::find(after.begin(), after.end(), f), after.end());
    for (unsigned int f : after) EXPECT_TRUE(host::objects::is_alive(f));

    // A second update (the source scaled) keeps them again.
    const double centre[3] = {0, 0, 0};
    ZQ_BODY_scale(host::kernel::entity_of(src), centre, 2.0);
    UPDATE_do_update();
    EXPECT_EQ(face_objects(link), after);
    EXPECT_NEAR(box(link)[3], 120.0, 1e-6);
}

// Each kind of curve is copied as a curve of its kind, moved by the link's
// transform, and follows its source with the same tag.
TEST_F(LinkKinds, LinkedCurvesAreMovedCopiesThatFollowTheirSources) {
    const unsigned int body = block(10);
    const int straight = host::kernel::edges_of(host::kernel::entity_of(body)).front();
    const unsigned int edge = host::kernel::object_of(straight);
    struct Case {
        unsigned int source;
        int type;  // of the linked curve
    };
    const Case cases[] = {{line(0, 0, 5, 5), HOST_TYPE_LINE},
                          {arc(3, 2), HOST_TYPE_ARC},
                          {ellipse(), HOST_TYPE_CONIC},
                          {edge, HOST_TYPE_LINE}};
    std::vector<unsigned int> sources;
    for (const Case& c : cases) sources.push_back(c.source);
    double moved[12] = {0, -1, 0, 100, 1, 0, 0, 0, 0, 0, 1, 5};  // a quarter turn, then a shift
    const auto moved_samples = [&](unsigned int s) {
        std::vector<double> v = samples(s);
        for (std::size_t i = 0; i < v.size(); i += 3) {
            const double x = v[i], y = v[i + 1];
            v[i] = -y + 100;
            v[i + 1] = x;
            v[i + 2] += 5;
        }
        return v;
    };
    tag link = 0;
    ASSERT_EQ(KX_LOOM_create_linked_curve(a_, 4, sources.data(), 1, &link), 0);
    ASSERT_EQ(KX_LOOM_set_link_data(link, a_, moved, 1), 1330004);  // a curve link takes its curves with them
    // Curve links are not moved: the transform is tried on a string link.
    const std::vector<unsigned int> copies = members(link);
    ASSERT_EQ(copies.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(host::objects::find(copies[i])->type, cases[i].type) << i;
        EXPECT_EQ(host::objects::find(copies[i])->part, b_);
        expect_near(samples(copies[i]), samples(sources[i]));
    }
    int per_string[1] = {1};
    int dir[1] = {1};
    for (std::size_t i = 0; i < 3; ++i) {
        unsigned int objects[1] = {sources[i]};
        CMP_strings_t strings{1, per_string, dir, objects};
        tag s = 0;
        ASSERT_EQ(KX_LOOM_create_linked_string(&strings, moved, 1, &s), 0);
        ASSERT_EQ(members(s).size(), 1u);
        expect_near(samples(members(s)[0]), moved_samples(sources[i]));
    }

    // The sources change: the copies follow and keep their tags.
    const double s0[3] = {1, 1, 1}, s1[3] = {4, 0, 0};
    LINE_set_end_points(sources[0], s0, s1);
    const double arc_data[6] = {0, kPi / 2, 3, 1, 0, 4};
    ARC_set_data(sources[1], arc_data);
    ASSERT_EQ(KX_LOOM_update_session(), 0);
    EXPECT_EQ(members(link), copies);
    for (std::size_t i = 0; i < 4; ++i) expect_near(samples(copies[i]), samples(sources[i]));
}

TEST_F(LinkKinds, LinkedPointsStandForThePointTheyAreMadeOf) {
    const unsigned int p = point(1, 2, 3), l = line(0, 0, 10, 0), c = arc(5, 2);
    struct Case {
        int which;  // 0 point, 1 on a curve, 2 centre, 3 angle
        unsigned int source;
        double value;
        std::vector<double> at;
    };
    const Case cases[] = {
        {0, p, 0, {1, 2, 3}}, {1, l, 0.25, {2.5, 0, 0}}, {2, c, 0, {5, 0, 0}}, {3, c, kPi / 2, {5, 2, 0}}};
    for (const Case& k : cases) {
        tag link = 0;
        switch (k.which) {
            case 0: ASSERT_EQ(KX_LOOM_create_linked_pt_point(k.source, kShift, 1, &link), 0); break;
            case 1: ASSERT_EQ(KX_LOOM_create_linked_pt_curve(k.source, k.value, kShift, 1, &link), 0); break;
            case 2: ASSERT_EQ(KX_LOOM_create_linked_pt_center(k.source, kShift, 1, &link), 0); break;
            default: ASSERT_EQ(KX_LOOM_create_linked_pt_angle(k.source, k.value, kShift, 1, &link), 0); break;
        }
        EXPECT_EQ(host::objects::find(link)->type, HOST_TYPE_POINT);
        expect_near(samples(link), shifted(k.at, 100));
    }
    tag on_line = 0;
    ASSERT_EQ(KX_LOOM_create_linked_pt_curve(l, 0.5, nullptr, 1, &on_line), 0);
    double prm = -1;
    ASSERT_EQ(KX_LOOM_ask_linked_pt_curve_prm(on_line, &prm), 0);
    EXPECT_EQ(prm, 0.5);
    EXPECT_EQ(KX_LOOM_ask_linked_pt_angle(on_line, &prm), 1330004);
    EXPECT_EQ(KX_LOOM_create_linked_pt_curve(l, 1.5, nullptr, 1, &on_line), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(KX_LOOM_create_linked_pt_center(l, nullptr, 1, &on_line), HOST_ERR_BAD_ARGUMENT);  // a line has no centre
    EXPECT_EQ(KX_LOOM_create_linked_pt_point(l, nullptr, 1, &on_line), HOST_ERR_WRONG_CLASS);

    // Set to the end of another line: the next update moves it there.
    tag link = 0;
    ASSERT_EQ(KX_LOOM_create_linked_pt_curve(l, 0.5, nullptr, 1, &link), 0);
    const unsigned int other = line(0, 7, 0, 9);
    ASSERT_EQ(KX_LOOM_set_linked_pt_curve(link, other, 1.0, nullptr), 0);
    UPDATE_do_update();
    expect_near(samples(link), {0, 9, 0});
}

TEST_F(LinkKinds, ADatumLinkCopiesItsPlaneAndFollowsANewSource) {
    const double at[3] = {0, 0, 4}, up[3] = {0, 0, 1};
    const unsigned int plane = host::profiles::create_direction_object(a_, HOST_TYPE_DATUM_PLANE, at, up);
    const double turn[12] = {1, 0, 0, 100, 0, 0, -1, 0, 0, 1, 0, 0};  // a quarter turn about x, shifted
    tag link = 0;
    ASSERT_EQ(KX_LOOM_create_linked_datum(plane, turn, 1, &link), 0);
    double p[3], d[3];
    ASSERT_TRUE(host::profiles::direction_data(link, p, d));
    EXPECT_EQ(host::objects::find(link)->type, HOST_TYPE_DATUM_PLANE);
    expect_near({p[0], p[1], p[2], d[0], d[1], d[2]}, {100, -4, 0, 0, -1, 0});

    const double at2[3] = {1, 1, 1}, side[3] = {1, 0, 0};
    const unsigned int axis = host::profiles::create_direction_object(a_, HOST_TYPE_DATUM_AXIS, at2, side);
    EXPECT_EQ(KX_LOOM_set_link_data(link, axis, nullptr, 1), 0);
    UPDATE_do_update();
    ASSERT_TRUE(host::profiles::direction_data(link, p, d));
    EXPECT_EQ(host::objects::find(link)->type, HOST_TYPE_DATUM_AXIS);
    expect_near({p[0], p[1], p[2], d[0], d[1], d[2]}, {1, 1, 1, 1, 0, 0});
}

TEST_F(LinkKinds, ASketchLinkHoldsCopiesOfItsCurvesThatKeepTheirTags) {
    const unsigned int l = line(0, 0, 4, 0), c = arc(4, 2);
    const unsigned int sketch = host::views::make_sketch(a_, {l, c});
    tag link = 0;
    ASSERT_EQ(KX_LOOM_create_linked_sketch(sketch, kShift, 1, &link), 0);
    EXPECT_EQ(host::objects::find(link)->type, HOST_TYPE_SKETCH);
    const std::vector<unsigned int> copies = members(link);
    ASSERT_EQ(copies.size(), 2u);
    expect_near(samples(copies[0]), shifted(samples(l), 100));
    expect_near(samples(copies[1]), shifted(samples(c), 100));

    const double s0[3] = {0, 0, 0}, s1[3] = {0, 6, 0};
    LINE_set_end_points(l, s0, s1);
    UPDATE_do_update();
    EXPECT_EQ(members(link), copies);
    expect_near(samples(copies[0]), shifted(samples(l), 100));

    int n = 0;
    tag *from = nullptr, *to = nullptr;
    ASSERT_EQ(KX_LOOM_ask_linked_feature_map(link, &n, &from, &to, 0), 0);
    ASSERT_EQ(n, 3);
    EXPECT_EQ((std::vector<tag>{from[0], from[1], from[2]}), (std::vector<tag>{sketch, l, c}));
    EXPECT_EQ((std::vector<tag>{to[0], to[1], to[2]}), (std::vector<tag>{link, copies[0], copies[1]}));
    SM_free(from);
    SM_free(to);
}

TEST_F(LinkKinds, FaceAndRegionLinksCopyTheirFacesAsOneSheet) {
    const unsigned int src = block(10);
    const std::vector<unsigned int> faces = face_objects(src);
    // The faces of the block: find its top (z = 10) and bottom (z = 0).
    unsigned int top = 0, bottom = 0;
    for (unsigned int f : faces) {
        double b[6];
        ZQ_TOPOL_find_box(host::kernel::entity_of(f), b);
        if (b[2] > 9.9) top = f;
        if (b[5] < 0.1) bottom = f;
    }
    ASSERT_NE(top, 0u);
    tag two = 0;
    const tag pick[2] = {top, bottom};
    ASSERT_EQ(KX_LOOM_create_linked_face(src, 2, pick, 1, &two), 0);
    EXPECT_EQ(face_count(two), 2);
    EXPECT_NE(mapped(two, top), 0u);
    for (unsigned int f : faces)
        if (f != top && f != bottom) {
            EXPECT_EQ(mapped(two, f), 0u);  // a face not chosen has no partner
        }

    struct Case {
        int traverse;
        int n_bounds;
        int faces;
    };
    for (const Case& k : {Case{0, 1, 1}, Case{1, 1, 5}, Case{1, 0, 6}}) {
        tag region = 0;
        ASSERT_EQ(KX_LOOM_create_linked_region(src, 1, &top, k.n_bounds, &bottom, k.traverse, 1, kShift, 7, &region),
                  0);
        EXPECT_EQ(face_count(region), k.faces) << k.traverse << k.n_bounds;
        EXPECT_GE(box(region)[0], 99.999);
        int ns = 0, nb = 0, traverse = -1, options = -1;
        tag *seeds = nullptr, *bounds = nullptr, source = 0;
        ASSERT_EQ(KX_LOOM_ask_link_region_sources(region, &ns, &seeds, &nb, &bounds, &traverse, &options, &source), 0);
        EXPECT_EQ(ns, 1);
        EXPECT_EQ(seeds[0], top);
        EXPECT_EQ(nb, k.n_bounds);
        EXPECT_EQ(traverse, k.traverse);
        EXPECT_EQ(options, 7);
        EXPECT_EQ(source, src);
        SM_free(seeds);
        SM_free(bounds);
    }
    tag bad = 0;
    EXPECT_EQ(KX_LOOM_create_linked_face(src, 0, pick, 1, &bad), HOST_ERR_BAD_ARGUMENT);
    const unsigned int other = block(3, 50);
    const tag foreign = face_objects(other).front();
    EXPECT_EQ(KX_LOOM_create_linked_face(src, 1, &foreign, 1, &bad), HOST_ERR_WRONG_CLASS);
}

TEST_F(LinkKinds, AMirrorLinkMirrorsTheBodyInItsPlaneAndFollowsIt) {
    const unsigned int src = block(10);
    const double at[3] = {50, 0, 0}, normal[3] = {1, 0, 0};
    const unsigned int plane = host::profiles::create_direction_object(a_, HOST_TYPE_DATUM_PLANE, at, normal);
    tag link = 0;
    ASSERT_EQ(KX_LOOM_create_linked_mirror(src, plane, 1, nullptr, a_, KX_LOOM_update_with_source, &link), 0);
    expect_near(box(link), {90, 0, 0, 100, 10, 10});
    tag source = 0, plane_out = 0, part = 0;
    int associative = -1;
    double xform[12];
    ASSERT_EQ(KX_LOOM_ask_link_mirror_data(link, &source, &plane_out, &associative, xform, &part), 0);
    EXPECT_EQ(source, src);
    EXPECT_EQ(plane_out, plane);
    EXPECT_EQ(part, a_);
    EXPECT_EQ(associative, 1);

    const double centre[3] = {0, 0, 0};
    ZQ_BODY_scale(host::kernel::entity_of(src), centre, 2.0);
    UPDATE_do_update();
    expect_near(box(link), {80, 0, 0, 100, 20, 20});

    const double shift_y[12] = {1, 0, 0, 0, 0, 1, 0, 30, 0, 0, 1, 0};
    ASSERT_EQ(KX_LOOM_set_link_mirror_data(link, src, plane, 1, shift_y, a_), 0);
    UPDATE_do_update();
    expect_near(box(link), {80, 30, 0, 100, 50, 20});
    EXPECT_EQ(KX_LOOM_set_link_mirror_data(link, src, plane, 1, nullptr, b_), HOST_ERR_BAD_ARGUMENT);
}

// Every argument of a mirror link acts: the transform moves the mirror
// image, the source part is checked, an update time at creation and a link
// that is not associative keep the image as it was made when the source
// grows; values the link cannot take are refused and make no link.
TEST_F(LinkKinds, EachArgumentOfAMirrorLinkIsAppliedOrRefused) {
    const double at[3] = {50, 0, 0}, normal[3] = {1, 0, 0};
    const unsigned int plane = host::profiles::create_direction_object(a_, HOST_TYPE_DATUM_PLANE, at, normal);
    const double shift[12] = {1, 0, 0, 5, 0, 1, 0, 30, 0, 0, 1, -7};
    const double identity[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    const int with_source = KX_LOOM_update_with_source, at_creation = KX_LOOM_update_at_creation;
    struct Row {
        const char* what;
        int associative;
        const double* xform;
        bool source_part;  // a_ given, else NULL_TAG
        int time;
        std::vector<double> made, after_growth;  // boxes of the image
    } rows[] = {
        {"moved, following", 1, shift, true, with_source, {95, 30, -7, 105, 40, 3}, {85, 30, -7, 105, 50, 13}},
        {"at creation", 1, nullptr, true, at_creation, {90, 0, 0, 100, 10, 10}, {90, 0, 0, 100, 10, 10}},
        {"not associative", 0, shift, false, with_source, {95, 30, -7, 105, 40, 3}, {95, 30, -7, 105, 40, 3}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const unsigned int src = block(10);
        tag link = 0;
        ASSERT_EQ(
            KX_LOOM_create_linked_mirror(src, plane, r.associative, r.xform, r.source_part ? a_ : 0, r.time, &link), 0);
        expect_near(box(link), r.made);
        tag source = 0, plane_out = 0, part = 0;
        int associative = -1, time = -1, stamp = -1;
        double xform[12];
        ASSERT_EQ(KX_LOOM_ask_link_mirror_data(link, &source, &plane_out, &associative, xform, &part), 0);
        EXPECT_EQ(associative, r.associative);
        for (int i = 0; i < 12; ++i) EXPECT_EQ(xform[i], (r.xform ? r.xform : identity)[i]) << i;
        ASSERT_EQ(KX_LOOM_ask_link_update_time(link, &time, &stamp), 0);
        EXPECT_EQ(time, r.time);
        const double centre[3] = {0, 0, 0};
        ZQ_BODY_scale(host::kernel::entity_of(src), centre, 2.0);
        UPDATE_do_update();
        expect_near(box(link), r.after_growth);
    }

    const unsigned int src = block(10);
    struct Refusal {
        const char* what;
        tag plane, source_part;
        int time, code;
    } refusals[] = {
        {"another source part", plane, b_, with_source, HOST_ERR_BAD_ARGUMENT},
        {"an update time of 2", plane, a_, 2, LOOM_ERR_BAD_TIME},
        {"an update time of -1", plane, 0, -1, LOOM_ERR_BAD_TIME},
        {"a body as plane", src, 0, with_source, HOST_ERR_WRONG_CLASS},
    };
    const std::size_t objects_before = host::objects::objects_of_part(b_).size();
    for (const Refusal& r : refusals) {
        tag link = 0;
        EXPECT_EQ(KX_LOOM_create_linked_mirror(src, r.plane, 1, shift, r.source_part, r.time, &link), r.code) << r.what;
        EXPECT_EQ(link, 0u) << r.what;
    }
    EXPECT_EQ(host::objects::objects_of_part(b_).size(), objects_before);
}

TEST_F(LinkKinds, APartLinkCopiesEveryBodyOfThePart) {
    const unsigned int first = block(10);
    block(5, 20);
    tag link = 0;
    ASSERT_EQ(KX_LOOM_create_linked_part(a_, kShift, 1, &link), 0);
    std::vector<unsigned int> bodies = members(link);
    ASSERT_EQ(bodies.size(), 2u);
    EXPECT_NEAR(box(bodies[1])[0], 120.0, 1e-6);
    tag source = 0, part = 0;
    ASSERT_EQ(KX_LOOM_ask_link_source(link, &source, &part), 0);
    EXPECT_EQ(source, a_);
    EXPECT_EQ(part, a_);

    block(2, 40);
    UPDATE_do_update();
    ASSERT_EQ(members(link).size(), 3u);
    EXPECT_EQ(members(link)[0], bodies[0]);  // the copies made before stay
    ZQ_ENTITY_delete(host::kernel::entity_of(first));
    UPDATE_do_update();
    EXPECT_EQ(members(link).size(), 2u);
    EXPECT_FALSE(host::objects::is_alive(bodies[0]));
    EXPECT_EQ(KX_LOOM_create_linked_part(b_, nullptr, 1, &link), 1330002);
}

TEST_F(LinkKinds, MakingAndUpdatingLinksIsTakenBackByUndo) {
    const unsigned int l = line(0, 0, 1, 0);
    int status = 0;
    const unsigned int mark = UNDO_JQ_set_mark(1, "before", &status);
    const unsigned int objects = static_cast<unsigned int>(host::objects::live_objects().size());
    tag link = 0;
    ASSERT_EQ(KX_LOOM_create_linked_curve(0, 1, &l, 1, &link), 0);
    ASSERT_EQ(UNDO_JQ_undo_to_mark(mark, nullptr), 0);
    EXPECT_FALSE(host::objects::is_alive(link));
    EXPECT_EQ(host::objects::live_objects().size(), objects);
    tag broken_out = 0;
    EXPECT_EQ(KX_LOOM_ask_linked_feature_geom(link, &broken_out), 1330001);

    ASSERT_EQ(KX_LOOM_create_linked_curve(0, 1, &l, 1, &link), 0);
    const unsigned int kept = members(link).front();
    const std::vector<double> before = samples(kept);
    const unsigned int mark2 = UNDO_JQ_set_mark(1, "update", &status);
    const double s0[3] = {0, 0, 0}, s1[3] = {0, 3, 0};
    LINE_set_end_points(l, s0, s1);
    UPDATE_do_update();
    ASSERT_NE(samples(kept), before);
    ASSERT_EQ(UNDO_JQ_undo_to_mark(mark2, nullptr), 0);
    EXPECT_EQ(samples(kept), before);
}

TEST_F(LinkKinds, AttributesOfTheSourcesAreCopiedOntoTheLinkedGeometry) {
    const unsigned int src = block(10);
    const unsigned int face = face_objects(src).front();
    ATTR_value_t v{};
    v.type = ATTR_INTEGER;
    v.value.integer = 42;
    ATTR_assign(face, "FINISH", v);
    v.type = ATTR_STRING;
    char text[] = "steel";
    v.value.string = text;
    ATTR_assign(src, "MATERIAL", v);
    tag link = 0;
    ASSERT_EQ(KX_LOOM_create_linked_body(src, nullptr, 1, 0, &link), 0);
    ASSERT_EQ(KX_LOOM_copy_attributes(link), 0);
    ATTR_value_t out{};
    ATTR_read_value(mapped(link, face), "FINISH", ATTR_INTEGER, &out);
    EXPECT_EQ(out.value.integer, 42);
    ATTR_read_value(link, "MATERIAL", ATTR_STRING, &out);
    EXPECT_STREQ(out.value.string, "steel");
    SM_free(out.value.string);
    tag part = 0, geom = 0;
    ASSERT_EQ(KX_LOOM_map_link_geom_to_source(link, mapped(link, face), &part, &geom), 0);
    EXPECT_EQ(geom, face);
    EXPECT_EQ(part, a_);
}

// Two links that copy each other: an update copies each at most once and
// ends.
TEST_F(LinkKinds, LinksCopyingEachOtherAreCopiedAtMostOncePerUpdate) {
    const unsigned int src = block(10);
    tag in_b = 0, in_a = 0;
    ASSERT_EQ(KX_LOOM_create_linked_body(src, nullptr, 1, KX_LOOM_update_with_source, &in_b), 0);
    host::parts::set_work_part(a_);
    ASSERT_EQ(KX_LOOM_create_linked_body(in_b, kShift, 1, KX_LOOM_update_with_source, &in_a), 0);
    ASSERT_EQ(KX_LOOM_set_link_data(in_b, in_a, nullptr, 1), 0);
    for (int update = 0; update < 2; ++update) {
        hc::clear_journal();
        UPDATE_do_update();
        EXPECT_GE(hc::call_count("ZQ_BODY_copy"), 1);
        EXPECT_LE(hc::call_count("ZQ_BODY_copy"), 2);
    }
}

TEST_F(LinkKinds, RoutingAndComponentCopiesAreNotKeptByTheHost) {
    tag link = 0;
    const unsigned int l = line(0, 0, 1, 0);
    EXPECT_EQ(KX_LOOM_create_linked_route_port(l, nullptr, 1, &link), HOST_ERR_OUT_OF_SCOPE);
    EXPECT_EQ(KX_LOOM_create_linked_route_segment(l, nullptr, 1, 0, &link), HOST_ERR_OUT_OF_SCOPE);
    EXPECT_EQ(KX_LOOM_copy_component_as(l, "copy", 0, nullptr, nullptr, nullptr, nullptr, &link),
              HOST_ERR_OUT_OF_SCOPE);
}

}  // namespace
