// Places and members read back: directions and locations of instance sets
// and of instances (moved by their set's spacing or turn), the members,
// set and master of an instance set, datum planes and axes, points
// features and hollows on the 100 x 50 x 20 block.
#include <cmath>
#include <string>
#include <vector>

#include "host/apps/modeling/bodyops/datums.h"
#include "host/store/entities/curve_entities.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/positioning.h"
#include "host/model/feature/profiles.h"
#include "kx_modl_parms.h"
#include "kxapi.h"
#include "tests/libkxapi/modl/form_fixture.h"

namespace {

using form_test::FormFeature;

std::vector<double> v3(const double* v) {
    std::vector<double> out(v, v + 3);
    for (double& c : out)
        if (std::fabs(c) < 1e-9) c = 0;  // no -0 in comparisons
    return out;
}

void expect_near(const double* got, std::vector<double> want, const char* what) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[static_cast<std::size_t>(i)], 1e-9) << what << " " << i;
}

class Places : public FormFeature {
protected:
    tag hole(double x, double y) {
        double at[] = {x, y, 20}, into[] = {0, 0, -1};
        tag h = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_simple_hole(at, into, "6", "8", "0", top_, NULL_TAG, &h), 0);
        return h;
    }
    tag_list* one(tag t) {
        tag_list* list = nullptr;
        EXPECT_EQ(KX_MODL_create_list(&list), 0);
        EXPECT_EQ(KX_MODL_put_list_item(list, t), 0);
        return list;
    }
    // A linear set 3 x 2 (spacings 20 and 15) of a hole at (20, 10), and a
    // circular set of 4 at 90 degrees about (50, 25) along Z of a hole at
    // (35, 25).
    void SetUp() override {
        FormFeature::SetUp();
        BREF_set_current_target(body_);
        source_ = hole(20, 10);
        tag_list* list = one(source_);
        ASSERT_EQ(KX_MODL_create_linear_iset(0, "3", "20", "2", "15", list, &linear_), 0);
        KX_MODL_delete_list(&list);
        turned_ = hole(35, 25);
        list = one(turned_);
        double origin[] = {50, 25, 0}, axis[] = {0, 0, 1};
        ASSERT_EQ(KX_MODL_create_circular_iset(0, origin, "4", "90", axis, list, &circular_), 0);
        KX_MODL_delete_list(&list);
    }
    tag instance(tag master, int row, int column) {
        const unsigned int made = host::feature::create(part_, "INSTANCE");
        host::feature::make_instance(made, master, row, column);
        return made;
    }
    std::vector<tag> members(tag set, int expect = 0) {
        tag_list* list = nullptr;
        EXPECT_EQ(KX_MODL_ask_instance(set, &list), expect);
        std::vector<tag> out;
        for (int i = 0; i < count(list); ++i) {
            tag t = NULL_TAG;
            KX_MODL_ask_list_item(list, i, &t);
            out.push_back(t);
        }
        if (list) KX_MODL_delete_list(&list);
        return out;
    }

    tag source_ = NULL_TAG, linear_ = NULL_TAG, turned_ = NULL_TAG, circular_ = NULL_TAG;
};

TEST_F(Places, SetsAnswerTheirMembersAndPlaces) {
    EXPECT_EQ(members(linear_), std::vector<tag>{source_});
    EXPECT_EQ(members(circular_), std::vector<tag>{turned_});
    // The instance standing at the set's own place comes first.
    const tag home = instance(source_, 0, 0);
    instance(source_, 1, 2);
    EXPECT_EQ(members(linear_), (std::vector<tag>{home, source_}));

    double at[3] = {}, first[3], second[3];
    const int marks_before = marks();
    ASSERT_EQ(KX_MODL_ask_feat_location(linear_, at), 0);
    EXPECT_EQ(v3(at), (std::vector<double>{20, 10, 20}));
    EXPECT_EQ(marks(), marks_before);
    ASSERT_EQ(KX_MODL_ask_feat_direction(linear_, first, second), 0);
    EXPECT_EQ(v3(first), (std::vector<double>{1, 0, 0}));
    EXPECT_EQ(v3(second), (std::vector<double>{0, 1, 0}));
    ASSERT_EQ(KX_MODL_ask_feat_location(circular_, at), 0);
    EXPECT_EQ(v3(at), (std::vector<double>{50, 25, 0}));
    ASSERT_EQ(KX_MODL_ask_feat_direction(circular_, first, second), 0);
    EXPECT_EQ(v3(first), (std::vector<double>{0, 0, 1}));

    // Not a set: 875004 and no list.
    tag_list* none = nullptr;
    EXPECT_EQ(KX_MODL_ask_instance(source_, &none), 875004);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(KX_MODL_ask_instance(linear_, nullptr), 1105005);
}

TEST_F(Places, ALinearSetReportsAFailureOfItsMembers) {
    // A host error while the members are asked is the answer, its message
    // goes to the listing window, and no list or mark is left behind.
    host::control::raise_on("ISET_ask_members", 670533);
    host::control::clear_journal();
    const int before = marks();
    double at[3] = {7, 7, 7};
    EXPECT_EQ(KX_MODL_ask_feat_location(linear_, at), 670533);
    EXPECT_EQ(v3(at), (std::vector<double>{7, 7, 7}));
    EXPECT_EQ(marks(), before);
    EXPECT_EQ(host::control::frame_depth(), 0);
    EXPECT_EQ(host::control::call_count("g521_"), 1);  // the listing window asked for
    host::control::clear_scripts();
    ASSERT_EQ(KX_MODL_ask_feat_location(linear_, at), 0);
    EXPECT_EQ(v3(at), (std::vector<double>{20, 10, 20}));
}

TEST_F(Places, InstancesAreTheirMastersMovedOntoThem) {
    struct Row {
        const char* name;
        tag master;
        int row, column;
        std::vector<double> location, direction;
    };
    const std::vector<Row> rows = {
        {"linear_home", source_, 0, 0, {20, 10, 20}, {0, 0, -1}},
        {"linear_1_2", source_, 1, 2, {60, 25, 20}, {0, 0, -1}},
        {"circular_1", turned_, 0, 1, {50, 10, 20}, {0, 0, -1}},
        {"circular_2", turned_, 0, 2, {65, 25, 20}, {0, 0, -1}},
    };
    for (const Row& r : rows) {
        const tag i = instance(r.master, r.row, r.column);
        double at[3], first[3], second[3];
        ASSERT_EQ(KX_MODL_ask_feat_location(i, at), 0) << r.name;
        expect_near(at, r.location, r.name);
        ASSERT_EQ(KX_MODL_ask_feat_direction(i, first, second), 0) << r.name;
        expect_near(first, r.direction, r.name);
        tag set = NULL_TAG, master = NULL_TAG;
        const int before = marks();
        ASSERT_EQ(KX_MODL_ask_instance_iset(i, &set), 0) << r.name;
        ASSERT_EQ(KX_MODL_ask_master(i, &master), 0) << r.name;
        EXPECT_EQ(marks(), before);
        EXPECT_EQ(set, r.master == source_ ? linear_ : circular_) << r.name;
        EXPECT_EQ(master, r.master) << r.name;
    }
    // A turned instance's X direction turns too: a slot's.
    double at[] = {35, 25, 20}, into[] = {0, 0, -1}, x[] = {1, 0, 0};
    tag slot = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_rect_slot(at, into, x, "4", "3", "6", top_, NULL_TAG, NULL_TAG, &slot), 0);
    tag_list* list = one(slot);
    tag set = NULL_TAG;
    double origin[] = {50, 25, 0}, axis[] = {0, 0, 1};
    ASSERT_EQ(KX_MODL_create_circular_iset(0, origin, "4", "90", axis, list, &set), 0);
    KX_MODL_delete_list(&list);
    double first[3], second[3];
    ASSERT_EQ(KX_MODL_ask_feat_direction(instance(slot, 0, 1), first, second), 0);
    expect_near(second, {0, 1, 0}, "turned slot");

    // No instance: 875004, the output as it was.
    tag out = 77;
    EXPECT_EQ(KX_MODL_ask_master(source_, &out), 875004);
    EXPECT_EQ(KX_MODL_ask_instance_iset(top_, &out), 875004);
    EXPECT_EQ(out, 77u);
    EXPECT_EQ(KX_MODL_ask_master(source_, nullptr), 1105005);
}

TEST_F(Places, AnInstanceOfADeletedSetStandsOnItsMaster) {
    const tag i = instance(source_, 1, 2);
    tag_list* gone = one(linear_);
    ASSERT_EQ(KX_MODL_delete_feature(gone), 0);
    KX_MODL_delete_list(&gone);
    double at[3];
    ASSERT_EQ(KX_MODL_ask_feat_location(i, at), 0);
    expect_near(at, {20, 10, 20}, "deleted set");
    tag set = 77, master = NULL_TAG;
    EXPECT_EQ(KX_MODL_ask_instance_iset(i, &set), 875004);
    EXPECT_EQ(set, 77u);
    ASSERT_EQ(KX_MODL_ask_master(i, &master), 0);
    EXPECT_EQ(master, source_);
}

TEST_F(Places, AnInstanceOfNoMasterHasNoPlace) {
    const unsigned int bare = host::feature::create(part_, "INSTANCE");
    double at[3] = {7, 7, 7};
    EXPECT_EQ(KX_MODL_ask_feat_location(bare, at), 875004);
    EXPECT_EQ(v3(at), (std::vector<double>{7, 7, 7}));
}

class Datums : public FormFeature {};

TEST_F(Datums, PlanesAndAxesAnswerPointAndDirection) {
    const double at[3] = {1, 2, 3};
    unsigned int point = 0;
    ES_create_point(at, &point);
    double z[3] = {0, 0, 2};
    tag dirr = NULL_TAG;
    ASSERT_EQ(KX_SO_create_dirr_doubles(part_, 0, z, &dirr), 0);
    tag axis = NULL_TAG, plane = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_point_dirr_daxis(point, dirr, &axis), 0);
    ASSERT_EQ(KX_MODL_create_point_dirr_dplane(point, dirr, &plane), 0);
    const tag axis_feature = MODL_ask_feature_of_rm_entity(axis), plane_feature = MODL_ask_feature_of_rm_entity(plane);

    double p[3] = {9, 9, 9}, d[3] = {9, 9, 9};
    char *first = reinterpret_cast<char*>(0x1), *angle = reinterpret_cast<char*>(0x1);
    ASSERT_EQ(KX_MODL_ask_datum_plane_parms(plane_feature, p, d, &first, &angle), 0);
    expect_near(p, {1, 2, 3}, "plane point");
    expect_near(d, {0, 0, 1}, "plane normal");
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(angle, nullptr);
    const int before = marks();
    ASSERT_EQ(KX_MODL_ask_datum_axis_parms(axis_feature, p, d), 0);
    EXPECT_EQ(marks(), before);
    expect_near(p, {1, 2, 3}, "axis point");
    expect_near(d, {0, 0, 1}, "axis direction");
    for (tag f : {axis_feature, plane_feature}) {
        std::fill(p, p + 3, 9.0);
        ASSERT_EQ(KX_MODL_ask_datum_point_and_direction(f, p, d), 0);
        expect_near(p, {1, 2, 3}, "datum point");
        expect_near(d, {0, 0, 1}, "datum direction");
    }

    // Features of another kind: 875004; the plane and axis queries clear
    // their outputs first.
    char* text = reinterpret_cast<char*>(0x1);
    EXPECT_EQ(KX_MODL_ask_datum_plane_parms(axis_feature, p, d, &text, &angle), 875004);
    EXPECT_EQ(v3(p), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(text, nullptr);
    std::fill(p, p + 3, 9.0);
    EXPECT_EQ(KX_MODL_ask_datum_axis_parms(plane_feature, p, d), 875004);
    EXPECT_EQ(v3(p), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(marks(), before);
    std::fill(p, p + 3, 9.0);
    EXPECT_EQ(KX_MODL_ask_datum_point_and_direction(top_, p, d), 875004);
    EXPECT_EQ(p[0], 9.0);
    EXPECT_EQ(KX_MODL_ask_datum_point_and_direction(axis_feature, p, nullptr), 1105006);
    EXPECT_EQ(KX_MODL_ask_datum_plane_parms(plane_feature, p, d, &text, nullptr), 1105013);
}

// A datum plane at an angle keeps its angle as an expression: its angle
// text; one placed by an offset: its first text.
void no_body(const host::Call&, host::feature::Record&, const std::vector<double>&) {}
std::vector<std::pair<int, double>> no_numbers(const host::feature::Record&, const std::vector<double>&) { return {}; }

TEST_F(Datums, PlanesPlacedByExpressionsAnswerTheirTexts) {
    if (!host::feature::find_kind("EDGE_ANGLE_DATUM_PLANE"))
        host::feature::register_kind(
            {"EDGE_ANGLE_DATUM_PLANE", {"Angle"}, host::feature::kAnyNumbers, 0, 0, false, no_body, no_numbers});
    const char* formulas[] = {"30"};
    unsigned int feature = 0;
    ASSERT_EQ(FEAT_create(part_, "EDGE_ANGLE_DATUM_PLANE", 1, formulas, 0, nullptr, 0, nullptr, 0, 0, &feature), 0);
    const double p[] = {5, 0, 0}, n[] = {1, 0, 0};
    host::feature::set_results(feature, {host::profiles::create_direction_object(part_, 197, p, n)});
    double point[3], normal[3];
    char *first = nullptr, *angle = nullptr;
    ASSERT_EQ(KX_MODL_ask_datum_plane_parms(feature, point, normal, &first, &angle), 0);
    expect_near(point, {5, 0, 0}, "point");
    expect_near(normal, {1, 0, 0}, "normal");
    EXPECT_EQ(first, nullptr);
    ASSERT_NE(angle, nullptr);
    const std::string text = angle;
    EXPECT_EQ(text.substr(text.find('=') + 1), "30");
    KX_free(angle);
}

TEST_F(Datums, PointsAndHollowsAnswerWhatTheyWereMadeOf) {
    unsigned int a = 0, b = 0;
    const double pa[3] = {1, 0, 0}, pb[3] = {0, 1, 0};
    ES_create_point(pa, &a);
    ES_create_point(pb, &b);
    tag points[] = {a, b}, feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_points_feature(2, points, &feature), 0);
    int n = 0;
    tag* got = nullptr;
    ASSERT_EQ(KX_MODL_ask_points_parms(feature, &n, &got), 0);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(std::vector<tag>(got, got + 2), (std::vector<tag>{a, b}));
    KX_free(got);
    EXPECT_EQ(KX_MODL_ask_points_parms(feature, &n, nullptr), 1105006);

    // A hollow open at the top with the -X end at a thickness of its own.
    tag open[1] = {top_}, own[1] = {face({-1, 0, 0})};
    char five[] = "5";
    char* texts[1] = {five};
    tag hollow = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_variable_hollow(0.001, "2", 1, open, 0, nullptr, 1, own, texts, &hollow), 0);
    tag body = NULL_TAG, *opened = nullptr, *owned = nullptr;
    int kind = 0, n_open = 0, n_own = 0, closed = -1;
    char* thickness = nullptr;
    double* widths = nullptr;
    double value = 0;
    ASSERT_EQ(KX_MODL_ask_hollow_data(hollow, &body, &kind, &thickness, &opened, &n_open, &owned, &n_own, &widths,
                                      &value, &closed),
              0);
    EXPECT_EQ(body, body_);
    EXPECT_EQ(kind, 1);
    ASSERT_NE(thickness, nullptr);
    EXPECT_EQ(std::string(thickness).substr(std::string(thickness).find('=') + 1), "2");
    ASSERT_EQ(n_open, 1);
    EXPECT_EQ(opened[0], top_);
    ASSERT_EQ(n_own, 1);
    EXPECT_EQ(owned[0], own[0]);
    EXPECT_EQ(widths[0], 5.0);
    EXPECT_EQ(value, 2.0);
    EXPECT_EQ(closed, 0);
    for (void* block : {static_cast<void*>(thickness), static_cast<void*>(opened), static_cast<void*>(owned),
                        static_cast<void*>(widths)})
        KX_free(block);
    // Another kind: 875004, the texts and arrays NULL, the rest as it was.
    thickness = reinterpret_cast<char*>(0x1);
    kind = 9;
    EXPECT_EQ(KX_MODL_ask_hollow_data(feature, &body, &kind, &thickness, &opened, &n_open, &owned, &n_own, &widths,
                                      &value, &closed),
              875004);
    EXPECT_EQ(thickness, nullptr);
    EXPECT_EQ(opened, nullptr);
    EXPECT_EQ(widths, nullptr);
    EXPECT_EQ(kind, 9);
    got = reinterpret_cast<tag*>(0x1);
    EXPECT_EQ(KX_MODL_ask_points_parms(hollow, &n, &got), 875004);
    EXPECT_EQ(got, reinterpret_cast<tag*>(0x1));
    EXPECT_EQ(KX_MODL_ask_hollow_data(hollow, &body, &kind, &thickness, &opened, nullptr, &owned, &n_own, &widths,
                                      &value, &closed),
              1105014);
}

}  // namespace
