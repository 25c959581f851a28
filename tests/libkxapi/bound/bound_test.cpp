// Boundary objects: the checks of creation in their order, chains of
// curves, edges and points, the data read back and the count of an
// object's boundaries.
#include <vector>

#include "host/store/entities/boundary.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/base/services/objects.h"
#include "kx_bound.h"
#include "kx_core.h"
#include "tests/libkxapi/layer/layer_fixture.h"

namespace {

namespace hc = host::control;
using Boundaries = PartTest;

boundary_settings plain() { return {0, 0, 0}; }

std::vector<boundary_member> chain(std::initializer_list<tag> objects) {
    std::vector<boundary_member> out;
    int i = 0;
    for (tag t : objects) out.push_back({t, 100 + i++});
    return out;
}

std::size_t boundaries() { return host::objects::objects_of_type(HOST_TYPE_BOUNDARY).size(); }

TEST_F(Boundaries, CreationChecksInTheirOrder) {
    const tag line = object(HOST_TYPE_LINE), view = object(HOST_TYPE_VIEW);
    const auto ok = chain({line});
    struct Row {
        const char* what;
        int type;
        tag view;
        boundary_settings settings;
        int count;
        const boundary_member* members;
        bool output;
        int code;
    };
    const Row rows[] = {
        {"type 2", 2, 999999, {5, -1, -1}, 0, nullptr, false, 1105004},
        {"a line as the view", 0, line, {5, -1, -1}, 0, nullptr, false, 1105005},
        {"a dead view", 0, 999999, plain(), 1, ok.data(), true, 1105005},
        {"mode 2", 0, view, {2, 0, 0}, 0, nullptr, false, 1105006},
        {"mode 1, first value below 0", 0, view, {1, -0.001, 0}, 0, nullptr, false, 1105006},
        {"mode 1, second value below 0", 0, view, {1, 0, -0.001}, 0, nullptr, false, 1105006},
        {"no members", 1, NULL_TAG, {0, -5, -5}, 0, nullptr, false, 1105007},
        {"a member count below 1", 1, NULL_TAG, plain(), -2, ok.data(), true, 1105007},
        {"no member array", 1, NULL_TAG, plain(), 1, nullptr, true, 1105013},
        {"no output", 1, NULL_TAG, plain(), 1, ok.data(), false, 1105014},
    };
    for (const Row& r : rows) {
        tag out = 5;
        EXPECT_EQ(KX_BOUND_create_boundary(r.type, r.view, r.settings, r.count, r.members, r.output ? &out : nullptr),
                  r.code)
            << r.what;
        if (r.output) {
            EXPECT_EQ(out, NULL_TAG) << r.what;
        }
    }
    EXPECT_EQ(boundaries(), 0u);
    tag out = NULL_TAG;
    EXPECT_EQ(KX_BOUND_create_boundary(0, view, {1, 0, 0}, 1, ok.data(), &out), 0);
    EXPECT_NE(out, NULL_TAG);
    no_part();
    EXPECT_EQ(KX_BOUND_create_boundary(7, NULL_TAG, plain(), 0, nullptr, &out), 1105012);
    EXPECT_EQ(out, NULL_TAG);
}

TEST_F(Boundaries, ChainsOfCurvesEdgesAndPoints) {
    const tag line = object(HOST_TYPE_LINE), arc = object(HOST_TYPE_ARC), conic = object(HOST_TYPE_CONIC, 2);
    const tag spline = object(HOST_TYPE_SPLINE), edge = object(HOST_TYPE_SOLID, HOST_SUBTYPE_EDGE);
    const tag p1 = object(HOST_TYPE_POINT), p2 = object(HOST_TYPE_POINT);
    const tag face = object(HOST_TYPE_SOLID, HOST_SUBTYPE_FACE), body = object(HOST_TYPE_SOLID, HOST_SUBTYPE_BODY);
    const tag view = object(HOST_TYPE_VIEW);
    struct Row {
        const char* what;
        std::vector<boundary_member> members;
        int code;
    };
    const Row rows[] = {
        {"line, point, line, point", chain({line, p1, arc, p2}), 0},
        {"starting with a point", chain({p1, line}), 0},
        {"every kind of curve and an edge", chain({line, arc, conic, spline, edge}), 0},
        {"point, point", chain({p1, p2}), 1105013},
        {"a face", chain({line, face}), 1105013},
        {"a body", chain({body}), 1105013},
        {"a view", chain({view, line}), 1105013},
        {"a dead member", chain({line, 999999}), 1105013},
    };
    for (const Row& r : rows) {
        hc::clear_journal();
        tag out = NULL_TAG;
        const std::size_t before = boundaries();
        EXPECT_EQ(
            KX_BOUND_create_boundary(0, NULL_TAG, plain(), static_cast<int>(r.members.size()), r.members.data(), &out),
            r.code)
            << r.what;
        EXPECT_EQ(boundaries(), before + (r.code == 0 ? 1 : 0)) << r.what;
        if (r.code != 0) {
            EXPECT_EQ(hc::call_count("BOUND_create_boundary"), 0) << r.what;
        }
    }
}

TEST_F(Boundaries, TheDataComesBack) {
    const tag line = object(HOST_TYPE_LINE), point = object(HOST_TYPE_POINT), view = object(HOST_TYPE_VIEW);
    const auto members = chain({line, point});
    tag b = NULL_TAG;
    ASSERT_EQ(KX_BOUND_create_boundary(1, view, {1, 0.5, 2.5}, 2, members.data(), &b), 0);
    boundary_data d{};
    ASSERT_EQ(KX_BOUND_ask_boundary_data(b, &d), 0);
    EXPECT_EQ(d.type, 1);
    EXPECT_EQ(d.view, view);
    EXPECT_EQ(d.settings.mode, 1);
    EXPECT_DOUBLE_EQ(d.settings.first_value, 0.5);
    EXPECT_DOUBLE_EQ(d.settings.second_value, 2.5);
    ASSERT_EQ(d.member_count, 2);
    EXPECT_EQ(d.members[0].object, line);
    EXPECT_EQ(d.members[1].object, point);
    EXPECT_EQ(d.members[1].data, 101);
    KX_free(d.members);
    EXPECT_EQ(KX_BOUND_ask_boundary_data(NULL_TAG, &d), 630035);
    EXPECT_EQ(KX_BOUND_ask_boundary_data(999999, &d), 1105004);
    EXPECT_EQ(KX_BOUND_ask_boundary_data(line, &d), 1105004);
    EXPECT_EQ(KX_BOUND_ask_boundary_data(b, nullptr), 1105005);
}

TEST_F(Boundaries, CountingLeavesOutBoundariesBeingDeleted) {
    const tag line = object(HOST_TYPE_LINE), other = object(HOST_TYPE_LINE);
    const auto members = chain({line});
    tag b1 = NULL_TAG, b2 = NULL_TAG;
    ASSERT_EQ(KX_BOUND_create_boundary(0, NULL_TAG, plain(), 1, members.data(), &b1), 0);
    ASSERT_EQ(KX_BOUND_create_boundary(1, NULL_TAG, plain(), 1, members.data(), &b2), 0);
    int n = -1;
    EXPECT_EQ(KX_BOUND_ask_number_of_boundaries(line, &n), 0);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(KX_BOUND_ask_number_of_boundaries(other, &n), 0);
    EXPECT_EQ(n, 0);
    host::entity::attrs(b1).state = 2;
    EXPECT_EQ(KX_BOUND_ask_number_of_boundaries(line, &n), 0);
    EXPECT_EQ(n, 1);
    host::entity::attrs(b2).state = 2;
    EXPECT_EQ(KX_BOUND_ask_number_of_boundaries(line, &n), 0);
    EXPECT_EQ(n, 0);
    n = 9;
    EXPECT_EQ(KX_BOUND_ask_number_of_boundaries(NULL_TAG, &n), 1105004);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(KX_BOUND_ask_number_of_boundaries(line, nullptr), 1105005);
    fresh();
    n = 9;
    EXPECT_EQ(KX_BOUND_ask_number_of_boundaries(line, &n), 1105000);
    EXPECT_EQ(n, 0);  // cleared before the session is looked at
}

TEST_F(Boundaries, AHostErrorWhileCountingKeepsWhatWasCounted) {
    const tag line = object(HOST_TYPE_LINE);
    const auto members = chain({line});
    tag b = NULL_TAG;
    ASSERT_EQ(KX_BOUND_create_boundary(0, NULL_TAG, plain(), 1, members.data(), &b), 0);
    ASSERT_EQ(KX_BOUND_create_boundary(0, NULL_TAG, plain(), 1, members.data(), &b), 0);
    hc::raise_on("rm407_", 670004, 2);
    int n = 0;
    EXPECT_EQ(KX_BOUND_ask_number_of_boundaries(line, &n), 670004);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(hc::frame_depth(), 0);
}

}  // namespace
