// Smart objects in part files: read back in a fresh process they answer
// their parents and follow them; damaged rows are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/core/curve_entities.h"
#include "host/data/part_file.h"
#include "host/data/parts.h"
#include "host/services/memory.h"
#include "host/services/objects.h"
#include "kx_modl.h"
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

// Section "SMRT" row: u8 class, u8 method, u8 dumb, 4 i32, u32 count and
// the parents' numbers, 26 f64.
struct SmartRow {
    std::uint32_t number;
    std::string bytes;
};

std::vector<SmartRow> rows_of(const std::string& payload) {
    pf::Reader in(payload);
    std::vector<SmartRow> out(in.u32());
    for (SmartRow& r : out) {
        r.number = in.u32();
        r.bytes = in.str();
    }
    return out;
}

std::string payload_of(const std::vector<SmartRow>& rows) {
    pf::Writer w;
    w.u32(static_cast<std::uint32_t>(rows.size()));
    for (const SmartRow& r : rows) {
        w.u32(r.number);
        w.str(r.bytes);
    }
    return w.take();
}

void put_u32(std::string& s, std::size_t at, std::uint32_t v) {
    pf::Writer w;
    w.u32(v);
    s.replace(at, 4, w.view());
}

TEST_F(SmartFileTest, DamagedRowsAreRefusedWithTheModelUnchanged) {
    const Chain c = chain();
    pf::Image image;
    ASSERT_EQ(pf::decode(pf::encode(part, nullptr, true), image), 0);
    const std::vector<unsigned int> objects = host::objects::objects_of_part(part);
    const auto number = [&](tag t) {
        return static_cast<std::uint32_t>(std::find(objects.begin(), objects.end(), t) - objects.begin() + 1);
    };
    const auto smrt =
        std::find_if(image.sections.begin(), image.sections.end(), [](const auto& s) { return s.first == "SMRT"; });
    ASSERT_NE(smrt, image.sections.end());
    const std::vector<SmartRow> rows = rows_of(smrt->second);
    const auto row_of = [&](std::vector<SmartRow>& r, tag t) -> SmartRow& {
        return *std::find_if(r.begin(), r.end(), [&](const SmartRow& x) { return x.number == number(t); });
    };
    constexpr std::size_t kParents = 3 + 16, kFirstParent = kParents + 4;
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
        pf::Image spoilt = image;
        for (auto& [id, payload] : spoilt.sections)
            if (id == "SMRT") payload = payload_of(r);
        const std::size_t live = host::objects::live_objects().size();
        int code = 0;
        EXPECT_EQ(pf::apply(spoilt, "spoilt.prt", &code), NULL_TAG);
        EXPECT_EQ(code, PART_ERR_CORRUPT);
        EXPECT_EQ(host::objects::live_objects().size(), live);
    }
    // A file without the section opens: its smart objects keep the
    // geometry they showed, without parents.
    pf::Image without = image;
    without.sections.erase(std::find_if(without.sections.begin(), without.sections.end(),
                                        [](const auto& s) { return s.first == "SMRT"; }));
    int code = -1;
    const tag opened = pf::apply(without, "without.prt", &code);
    ASSERT_NE(opened, NULL_TAG) << code;
    const tag line = host::objects::objects_of_part(opened)[number(c.line) - 1];
    int n = 0;
    tag* parents = nullptr;
    EXPECT_EQ(KX_SO_ask_parents(line, 0, &n, &parents), 875033);
    expect_near(line_end(line, true), {7, 2.5, -1.5}, "plain line");
}

}  // namespace
