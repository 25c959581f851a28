// Smart objects in part files: read back in a fresh process they answer
// their parents and follow them; damaged rows are refused.
#include <gtest/gtest.h>

#include "tests/support/part_files.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_modl.h"
#include "kx_modl_cre_prim.h"
#include "kx_modl_face_data.h"
#include "kx_modl_exp.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/libkxapi/so/so_fixture.h"
#include "tests/support/fresh_process.h"

namespace {

using smart_test::expect_near;
using smart_test::V;
namespace pf = host::part_file;

class SmartFileTest : public smart_test::SmartTest {
protected:
    std::map<tag, tag> reopen() { return reopen_part(part, [] { kxtest::fresh_process(); }); }
    static std::vector<tag> parents_of(tag t) {
        int n = 0;
        tag* p = nullptr;
        EXPECT_EQ(KX_SO_ask_parents(t, 0, &n, &p), 0);
        std::vector<tag> out(p, p + n);
        KX_free(p);
        return out;
    }
    static int parent_status(tag t) {
        int s = -1;
        EXPECT_EQ(KX_SO_ask_parent_status(t, &s), 0);
        return s;
    }
    static V line_end(tag l, bool end) {
        line_data d{};
        EXPECT_EQ(KX_CURVE_ask_line_data(l, &d), 0);
        const double* p = end ? d.end_point : d.start_point;
        return {p[0], p[1], p[2]};
    }
    // The center and radius of an arc entity, in absolute coordinates.
    static std::pair<V, double> circle_of(tag arc) {
        const auto* e = host::curves::find(arc);
        EXPECT_TRUE(e && e->kind == host::curves::Kind::arc);
        if (!e || e->kind != host::curves::Kind::arc) return {};
        double m[9];
        host::curves::matrix_values(*e, m);
        const double* d = e->arc();
        V c{};
        for (int i = 0; i < 3; ++i) c[i] = d[2] * m[i] + d[3] * m[3 + i] + d[4] * m[6 + i];
        return {c, d[5]};
    }
    static double distance(const V& a, const V& b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }

    // A chain over an expression and plain points: a point of three
    // scalars (one of them the expression's), a line from a plain point to
    // it, a point at a fraction of that line, and an arc through three.
    struct Chain {
        tag exp, a, b, length, p, line, q, arc;
    };
    Chain chain() {
        Chain c{};
        c.exp = expression("len=7");
        c.a = point({1, 0, 0});
        c.b = point({10, 0, 0});
        EXPECT_EQ(KX_SO_create_scalar_exp(part, 0, c.exp, &c.length), 0);
        tag s[3] = {c.length, scalar(2.5), scalar(-1.5)};
        EXPECT_EQ(KX_SO_create_point_3_scalars(part, 0, s, &c.p), 0);
        tag ends[2] = {c.a, c.p};
        EXPECT_EQ(KX_SO_create_line_two_points(part, 0, ends, &c.line), 0);
        EXPECT_EQ(KX_SO_create_point_on_curve(part, 0, c.line, scalar(0.3), &c.q), 0);
        tag three[3] = {c.a, c.b, c.p};
        EXPECT_EQ(KX_SO_create_arc_three_points(part, 0, three, &c.arc), 0);
        return c;
    }
};

TEST_F(SmartFileTest, PointsLinesAndArcsReadBackAnswerTheirParentsAndFollowThem) {
    Chain c = chain();
    const std::vector<tag> p_parents = parents_of(c.p), q_parents = parents_of(c.q);
    expect_near(coords(c.q), {1 + 0.3 * 6, 0.3 * 2.5, 0.3 * -1.5}, "before");  // a + 0.3 (p - a)

    std::map<tag, tag> now = reopen();
    for (tag* t : {&c.exp, &c.a, &c.b, &c.length, &c.p, &c.line, &c.q, &c.arc}) *t = now[*t];
    for (tag t : {c.p, c.line, c.q, c.arc}) {
        logical smart = 0;
        ASSERT_EQ(KX_SO_is_so(t, &smart), 0);
        EXPECT_TRUE(smart) << t;
        EXPECT_EQ(parent_status(t), 0) << t;
        EXPECT_FALSE(out_of_date(t)) << t;
    }
    std::vector<tag> mapped;
    for (tag t : p_parents) mapped.push_back(now[t]);
    EXPECT_EQ(parents_of(c.p), mapped);
    EXPECT_EQ(parents_of(c.line), (std::vector<tag>{c.a, c.p}));
    EXPECT_EQ(parents_of(c.q).front(), c.line);
    EXPECT_EQ(parents_of(c.q).back(), now[q_parents.back()]);
    EXPECT_EQ(parents_of(c.arc), (std::vector<tag>{c.a, c.b, c.p}));
    expect_near(coords(c.p), {7, 2.5, -1.5}, "read back");

    // The expression and a plain point change; one update brings the whole
    // chain along.
    ASSERT_EQ(KX_MODL_edit_exp("len=4"), 0);
    double moved[3] = {2, 9, 3};
    ASSERT_EQ(KX_CURVE_edit_point_data(c.b, moved), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    const V p{4, 2.5, -1.5}, a{1, 0, 0}, b{2, 9, 3};
    expect_near(coords(c.p), p, "point of the expression");
    expect_near(line_end(c.line, false), a, "line start");
    expect_near(line_end(c.line, true), p, "line end");
    expect_near(coords(c.q), {1 + 0.3 * 3, 0.3 * 2.5, 0.3 * -1.5}, "point on the line");
    const auto [center, radius] = circle_of(c.arc);
    for (const V& through : {a, b, p}) EXPECT_NEAR(distance(center, through), radius, 1e-9);
    EXPECT_NEAR(radius, distance(a, center), 1e-9);
    EXPECT_GT(radius, 2.0);
}

// A parent left out of the file leaves its child dumb: it keeps its value.
TEST_F(SmartFileTest, AnObjectWhoseParentStaysOutComesBackDumbWithItsValue) {
    const Chain c = chain();
    std::vector<unsigned int> objects = host::objects::objects_of_part(part);
    objects.erase(std::find(objects.begin(), objects.end(), c.b));
    const std::string file = (std::filesystem::temp_directory_path() / "partial-smart.prt").string();
    ASSERT_EQ(pf::write_part(file, part, &objects, true), 0);
    kxtest::fresh_process();
    ASSERT_EQ(KX_initialize(), 0);
    tag opened = NULL_TAG;
    ASSERT_EQ(kxtest::open_part(file, &opened), 0);
    std::remove(file.c_str());
    const std::vector<unsigned int> now = host::objects::objects_of_part(opened);
    ASSERT_EQ(now.size(), objects.size());
    const auto at = [&](tag t) { return now[std::find(objects.begin(), objects.end(), t) - objects.begin()]; };
    logical dumb = 0;
    ASSERT_EQ(KX_SO_has_become_dumb(at(c.arc), &dumb), 0);
    EXPECT_TRUE(dumb);
    ASSERT_EQ(KX_SO_has_become_dumb(at(c.line), &dumb), 0);
    EXPECT_FALSE(dumb);
    EXPECT_EQ(parents_of(at(c.line)), (std::vector<tag>{at(c.a), at(c.p)}));
}

// The ends and length of a curve: a spline that lost its degree,
// closure, parameters or slopes shows another length.
std::vector<double> ends_and_length(tag curve) {
    double range[2] = {}, a[3] = {}, b[3] = {}, length = 0;
    int periodic = 0;
    EXPECT_EQ(KX_CURVE_ask_parameterization(curve, range, &periodic), 0);
    EXPECT_EQ(KX_CURVE_evaluate_curve(curve, range[0], 0, a), 0);
    EXPECT_EQ(KX_CURVE_evaluate_curve(curve, range[1], 0, b), 0);
    EXPECT_EQ(KX_CURVE_ask_arc_length(curve, 0, 1, KX_CURVE_UNITS_PART, &length), 0);
    return {a[0], a[1], a[2], b[0], b[1], b[2], length};
}

// Splines come back smart with their parents and every option they were
// made with: read back they keep their shape, and after a point (or the
// copied line) moves, one update makes each equal to a spline made afresh
// with the same options.
TEST_F(SmartFileTest, SplinesReadBackWithTheirOptionsAndFollowTheirPoints) {
    struct Parents {
        tag p[4], slope, line;
    };
    Parents k{{point({0.5, -2, 0}), point({3, 1.5, 0.25}), point({7, 2, -1}), point({11, -0.5, 0.75})}, NULL_TAG,
              line({-3, 4, 1}, {6, 9, -2})};
    double towards[3] = {0.6, 0.8, 0};
    ASSERT_EQ(KX_SO_create_dirr_doubles(part, 0, towards, &k.slope), 0);
    const auto thru = [this](const Parents& q, int count, int degree, int closed, std::vector<double> params,
                             tag start, tag end) {
        tag pts[4] = {q.p[0], q.p[1], q.p[2], q.p[3]}, t = NULL_TAG;
        EXPECT_EQ(KX_SO_create_bcurve_thru_points(part, 0, pts, count, degree, closed,
                                                  params.empty() ? nullptr : params.data(), start, end, &t),
                  0);
        return t;
    };
    struct Case {
        const char* what;
        std::function<tag(const Parents&)> make;
    };
    const std::vector<Case> cases = {
        {"cubic", [&](const Parents& q) { return thru(q, 4, 3, 0, {}, NULL_TAG, NULL_TAG); }},
        {"degree 1", [&](const Parents& q) { return thru(q, 4, 1, 0, {}, NULL_TAG, NULL_TAG); }},
        {"cubic at parameters, with a start slope",
         [&](const Parents& q) { return thru(q, 4, 3, 0, {0, 0.1, 0.7, 1}, q.slope, NULL_TAG); }},
        {"quadratic through three, with an end slope",
         [&](const Parents& q) { return thru(q, 3, 2, 0, {}, NULL_TAG, q.slope); }},
        {"closed cubic at parameters", [&](const Parents& q) { return thru(q, 4, 3, 1, {0, 1, 3, 4, 6}, 0, 0); }},
        {"general record of order 3",
         [&](const Parents& q) {
             int kinds[4] = {0, 0, 0, 0};
             tag pts[4] = {q.p[0], q.p[1], q.p[2], q.p[3]}, t = NULL_TAG;
             so_spline_data d{0, 3, 0, 4, kinds, pts, nullptr, nullptr, nullptr, nullptr, 2, 5};
             EXPECT_EQ(KX_SO_create_spline(part, &d, &t), 0);
             return t;
         }},
        {"copy of a line as a spline",
         [&](const Parents& q) {
             tag t = NULL_TAG;
             EXPECT_EQ(KX_SO_create_curve_extract(part, 0, q.line, 0, 1, 0, &t), 0);
             return t;
         }},
    };
    std::vector<tag> made;
    std::vector<std::vector<tag>> parents;
    std::vector<std::vector<double>> shapes;
    for (const Case& c : cases) {
        made.push_back(c.make(k));
        parents.push_back(parents_of(made.back()));
        shapes.push_back(ends_and_length(made.back()));
    }

    std::map<tag, tag> now = reopen();
    for (tag& t : k.p) t = now[t];
    k.slope = now[k.slope];
    k.line = now[k.line];
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        made[i] = now[made[i]];
        logical smart = 0;
        ASSERT_EQ(KX_SO_is_so(made[i], &smart), 0);
        EXPECT_TRUE(smart);
        std::vector<tag> mapped;
        for (tag t : parents[i]) mapped.push_back(now[t]);
        EXPECT_EQ(parents_of(made[i]), mapped);
        EXPECT_FALSE(out_of_date(made[i]));
        const std::vector<double> shape = ends_and_length(made[i]);
        for (std::size_t j = 0; j < shape.size(); ++j) EXPECT_NEAR(shape[j], shapes[i][j], 1e-9) << j;
    }
    so_spline_data record{};
    ASSERT_EQ(KX_SO_ask_spline(made[5], &record), 0);
    EXPECT_EQ(record.order, 3);
    EXPECT_EQ(record.word1 * 10 + record.word2, 25);
    EXPECT_EQ(std::vector<tag>(record.points, record.points + record.count),
              (std::vector<tag>{k.p[0], k.p[1], k.p[2], k.p[3]}));
    for (void* block : {static_cast<void*>(record.kinds), static_cast<void*>(record.points),
                        static_cast<void*>(record.parameters), static_cast<void*>(record.first_objects),
                        static_cast<void*>(record.second_objects), static_cast<void*>(record.third_objects)})
        KX_free(block);

    double moved[3] = {13.5, 3.25, 2}, first[3] = {-1.5, -3, 0.5};
    ASSERT_EQ(KX_CURVE_edit_point_data(k.p[3], moved), 0);
    ASSERT_EQ(KX_CURVE_edit_point_data(k.p[0], first), 0);
    line_data ends{{-4, 2.5, 1}, {8, 12, -3}};
    ASSERT_EQ(KX_CURVE_edit_line_data(k.line, &ends), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        const std::vector<double> shape = ends_and_length(made[i]), fresh = ends_and_length(cases[i].make(k));
        for (std::size_t j = 0; j < shape.size(); ++j) EXPECT_NEAR(shape[j], fresh[j], 1e-7) << j;
        EXPECT_GT(std::fabs(shape[6] - shapes[i][6]), 0.5);
        EXPECT_NEAR(shape[0], i == 6 ? -4 : -1.5, 1e-7);
    }
    // The open cubic ends at the moved point.
    const std::vector<double> cubic = ends_and_length(made[0]);
    expect_near({cubic[3], cubic[4], cubic[5]}, {13.5, 3.25, 2}, "end of the cubic");
}

// Section "SMRT" row: u8 class, u8 method, u8 dumb, 4 i32, u32 count and
// the parents' numbers, 26 f64.
using SmartRow = kxtest::SectionRow;

void put_u32(std::string& s, std::size_t at, std::uint32_t v) {
    pf::Writer w;
    w.u32(v);
    s.replace(at, 4, w.view());
}

// The cylindrical face of a cylinder 10 across, 20 high.
tag cylinder_face() {
    double origin[3] = {40, 0, 0}, z[3] = {0, 0, 1};
    tag feature = NULL_TAG, body = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_cyl1(0, origin, "20", "10", z, &feature), 0);
    EXPECT_EQ(KX_MODL_ask_feat_body(feature, &body), 0);
    tag_list* faces = nullptr;
    EXPECT_EQ(KX_MODL_ask_body_faces(body, &faces), 0);
    int n = 0;
    KX_MODL_ask_list_count(faces, &n);
    tag found = NULL_TAG;
    for (int i = 0; i < n; ++i) {
        tag f = NULL_TAG;
        KX_MODL_ask_list_item(faces, i, &f);
        int type = 0, sense = 0;
        double p[3], d[3], box[6], r1 = 0, r2 = 0;
        if (KX_MODL_ask_face_data(f, &type, p, d, box, &r1, &r2, &sense) == 0 && type == KX_MODL_FACE_CYLINDER)
            found = f;
    }
    KX_MODL_delete_list(&faces);
    EXPECT_NE(found, NULL_TAG);
    return found;
}

TEST_F(SmartFileTest, DamagedRowsAreRefusedWithTheModelUnchanged) {
    const Chain c = chain();
    tag through[3] = {c.a, c.p, c.b}, sp = NULL_TAG;
    double at[3] = {0, 0.4, 1};
    ASSERT_EQ(KX_SO_create_bcurve_thru_points(part, 0, through, 3, 2, 0, at, NULL_TAG, NULL_TAG, &sp), 0);
    // Objects of a face and of curves, whose numbers say their kind, their
    // flags and how many parents they take.
    const tag wall = cylinder_face();
    surface_dirr_data sd{wall, scalar(0.25), scalar(0.5), 0, NULL_TAG, 0};
    surf_cvtr_data sc{wall, sd.first, sd.second, 0, NULL_TAG};
    tag on_surf = NULL_TAG, cvtr = NULL_TAG, axis = NULL_TAG, along = NULL_TAG, meet = NULL_TAG, xf = NULL_TAG;
    ASSERT_EQ(KX_SO_create_dirr_on_surf(part, 0, &sd, &on_surf), 0);
    ASSERT_EQ(KX_SO_create_offset_surf_cvtr(part, 0, &sc, &cvtr), 0);
    ASSERT_EQ(KX_SO_create_dirr_surface_axis(part, 0, wall, 1, &axis), 0);
    ASSERT_EQ(KX_SO_create_point_along_curve(part, 0, c.line, c.a, scalar(1.5), 0, 0, &along), 0);
    const tag cross = line({5, -3, -1}, {5, 3, -1});  // meets the line at two thirds
    ASSERT_EQ(KX_SO_create_point_two_curves(part, 0, c.line, cross, c.a, c.b, &meet), 0);
    double origin[3] = {1, 2, 3}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    ASSERT_EQ(KX_SO_create_xform_doubles(part, 0, origin, x, y, 1, &xf), 0);
    pf::Image image;
    ASSERT_EQ(pf::decode(pf::encode(part, nullptr, true), image), 0);
    const std::vector<unsigned int> objects = host::objects::objects_of_part(part);
    const auto number = [&](tag t) {
        return static_cast<std::uint32_t>(std::find(objects.begin(), objects.end(), t) - objects.begin() + 1);
    };
    const auto smrt =
        std::find_if(image.sections.begin(), image.sections.end(), [](const auto& s) { return s.first == "SMRT"; });
    ASSERT_NE(smrt, image.sections.end());
    const std::vector<SmartRow> rows = kxtest::section_rows(smrt->second);
    const auto row_of = [&](std::vector<SmartRow>& r, tag t) -> SmartRow& {
        return *std::find_if(r.begin(), r.end(), [&](const SmartRow& x) { return x.number == number(t); });
    };
    constexpr std::size_t kParents = 3 + 16, kFirstParent = kParents + 4;
    // The spline's numbers after its three parents; its record after the
    // 26 reals: five i32, the kinds' count, the parameters' count.
    constexpr std::size_t kSplineNumbers = kFirstParent + 12, kRecord = kSplineNumbers + 26 * 8;
    const auto put_f64 = [](std::string& b, std::size_t at, double v) {
        pf::Writer w;
        w.f64(v);
        b.replace(at, 8, w.view());
    };
    // The first of a row's numbers, after its parents.
    const auto set_number = [&](std::vector<SmartRow>& r, tag t, int i, double v) {
        put_f64(row_of(r, t).bytes, kFirstParent + 4 * parents_of(t).size() + 8 * i, v);
    };
    struct Case {
        const char* what;
        std::function<void(std::vector<SmartRow>&)> spoil;
    };
    const std::vector<Case> cases = {
        {"a line's row on a point", [&](auto& r) { row_of(r, c.line).number = number(c.a); }},
        {"an arc's row on a line", [&](auto& r) { row_of(r, c.arc).number = number(c.line); }},
        {"a line of an arc's method", [&](auto& r) { row_of(r, c.line).bytes[1] = row_of(r, c.arc).bytes[1]; }},
        {"a line of three parents",
         [&](auto& r) {
             std::string& b = row_of(r, c.line).bytes;
             put_u32(b, kParents, 3);
             pf::Writer w;
             w.u32(number(c.b));
             b.insert(kFirstParent, w.view());
         }},
        {"an arc of one parent", [&](auto& r) { put_u32(row_of(r, c.arc).bytes, kParents, 1); }},
        {"a line whose parent is itself",
         [&](auto& r) { put_u32(row_of(r, c.line).bytes, kFirstParent, number(c.line)); }},
        {"a point and a line each other's parents",
         [&](auto& r) { put_u32(row_of(r, c.p).bytes, kFirstParent, number(c.q)); }},
        {"a spline's class", [&](auto& r) { row_of(r, c.line).bytes[0] = 8; }},
        {"a row cut short", [&](auto& r) { row_of(r, c.arc).bytes.resize(40); }},
        {"a spline of more points than parents", [&](auto& r) { put_f64(row_of(r, sp).bytes, kSplineNumbers, 4); }},
        {"a spline of degree 25", [&](auto& r) { put_f64(row_of(r, sp).bytes, kSplineNumbers + 8, 25); }},
        {"a spline closed twice", [&](auto& r) { put_f64(row_of(r, sp).bytes, kSplineNumbers + 16, 2); }},
        {"a spline without its record", [&](auto& r) { row_of(r, sp).bytes.resize(kRecord); }},
        {"a spline's flag beyond its range", [&](auto& r) { put_u32(row_of(r, sp).bytes, kRecord, 70000); }},
        {"a spline of a kind for each point",
         [&](auto& r) {
             std::string& b = row_of(r, sp).bytes;
             put_u32(b, kRecord + 20, 3);
             b.insert(kRecord + 24, std::string(3, '\0'));
         }},
        {"a spline's parameters one short",
         [&](auto& r) {
             std::string& b = row_of(r, sp).bytes;
             put_u32(b, kRecord + 24, 2);
             b.erase(kRecord + 28 + 16, 8);
         }},
        {"a spline's parameter not finite",
         [&](auto& r) { put_f64(row_of(r, sp).bytes, kRecord + 28 + 8, std::nan("")); }},
        {"a direction on a face of kind 4", [&](auto& r) { set_number(r, on_surf, 0, 4); }},
        {"a direction on a face of a kind between two", [&](auto& r) { set_number(r, on_surf, 0, 1.5); }},
        {"a direction on a face along a reference it lacks", [&](auto& r) { set_number(r, on_surf, 0, 3); }},
        {"a direction on a face reversed twice", [&](auto& r) { set_number(r, on_surf, 1, 2); }},
        {"a face's curvature along a reference it lacks", [&](auto& r) { set_number(r, cvtr, 0, 2); }},
        {"a face's curvature of kind 3", [&](auto& r) { set_number(r, cvtr, 0, 3); }},
        {"an axis of a face reversed by -1", [&](auto& r) { set_number(r, axis, 0, -1); }},
        {"a point along a curve by a per cent flag of 2", [&](auto& r) { set_number(r, along, 0, 2); }},
        {"a point along a curve without its distance",
         [&](auto& r) {
             std::string& b = row_of(r, along).bytes;
             put_u32(b, kParents, 2);
             b.erase(kFirstParent + 8, 4);
         }},
        {"a meeting of one curve",
         [&](auto& r) {
             std::string& b = row_of(r, meet).bytes;
             put_u32(b, kParents, 1);
             b.erase(kFirstParent + 4, 12);
         }},
        {"a meeting of three help points",
         [&](auto& r) {
             std::string& b = row_of(r, meet).bytes;
             put_u32(b, kParents, 5);
             pf::Writer w;
             w.u32(number(c.p));
             b.insert(kFirstParent + 16, w.view());
         }},
        {"a transform of an assembly context kept smart",
         [&](auto& r) {
             std::string& b = row_of(r, xf).bytes;
             b[1] = static_cast<char>(46);
             put_u32(b, kParents, 2);
             pf::Writer w;
             w.u32(number(c.a));
             w.u32(number(c.b));
             b.insert(kFirstParent, w.view());
         }},
        {"a value not finite",
         [&](auto& r) {
             std::string& b = row_of(r, c.line).bytes;
             b.replace(b.size() - 8, 8, std::string("\x00\x00\x00\x00\x00\x00\xf8\x7f", 8));
         }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        std::vector<SmartRow> r = rows;
        k.spoil(r);
        kxtest::expect_refused_with(image, "SMRT", kxtest::rows_payload(r));
    }
    // A file without the section opens: its smart objects keep the
    // geometry they showed, without parents.
    const pf::Image without = kxtest::without_section(image, "SMRT");
    int code = -1;
    const tag opened = pf::apply(without, "without.prt", &code);
    ASSERT_NE(opened, NULL_TAG) << code;
    const tag line = host::objects::objects_of_part(opened)[number(c.line) - 1];
    int n = 0;
    tag* parents = nullptr;
    EXPECT_EQ(KX_SO_ask_parents(line, 0, &n, &parents), 875033);
    expect_near(line_end(line, true), {7, 2.5, -1.5}, "plain line");
}

// Faces and edges written without their body come back without their
// shape: the objects on them (a point on the face, a copy of an edge) come
// back dumb with their values, and the part updates.
TEST_F(SmartFileTest, ObjectsOnAFaceWrittenWithoutItsBodyComeBackDumb) {
    const tag wall = cylinder_face();
    tag on = NULL_TAG, copy = NULL_TAG;
    ASSERT_EQ(KX_SO_create_point_on_surface(part, 0, wall, scalar(0.25), scalar(0.5), &on), 0);
    const V at = coords(on);
    const int body_entity = host::kernel::body_of(host::kernel::entity_of(wall));
    const tag body = host::kernel::object_of(body_entity);
    ASSERT_NE(body, NULL_TAG);
    const tag edge = host::kernel::object_of(host::kernel::edges_of(body_entity).front());
    ASSERT_EQ(KX_SO_create_curve_extract(part, 0, edge, 0, 0, 0, &copy), 0);
    std::vector<unsigned int> objects = host::objects::objects_of_part(part);
    objects.erase(std::find(objects.begin(), objects.end(), body));
    const std::string file = (std::filesystem::temp_directory_path() / "face-without-body.prt").string();
    ASSERT_EQ(pf::write_part(file, part, &objects, true), 0);
    kxtest::fresh_process();
    ASSERT_EQ(KX_initialize(), 0);
    tag opened = NULL_TAG;
    ASSERT_EQ(kxtest::open_part(file, &opened), 0);
    std::remove(file.c_str());
    const std::vector<unsigned int> now = host::objects::objects_of_part(opened);
    ASSERT_EQ(now.size(), objects.size());
    const auto again = [&](tag t) { return now[std::find(objects.begin(), objects.end(), t) - objects.begin()]; };
    for (tag t : {on, copy}) {
        logical dumb = 0;
        ASSERT_EQ(KX_SO_has_become_dumb(again(t), &dumb), 0);
        EXPECT_TRUE(dumb) << t;
    }
    expect_near(coords(again(on)), at, "the value kept");
    EXPECT_EQ(KX_MODL_update(), 0);
}

}  // namespace
