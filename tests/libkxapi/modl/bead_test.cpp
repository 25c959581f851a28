// Beads: the section the kernel sweeps along the curves and unites with the
// plate, its bounds, the six records read back as given, edits that the
// update follows, and the refusals that leave the model as it was.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <sstream>
#include <numbers>
#include <string>
#include <vector>

#include "host/apps/modeling/bead/bead.h"
#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/profiles.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/libkxapi/modl/damaged_rows.h"
#include "tests/support/fresh_process.h"
#include <tuple>
#include "tests/libkxapi/modl/host_block.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kPlateLength = 50;  // along y, the way the beads run

// Section areas of a bead of width w and depth d.
double round_area(double w, double d) {
    const double r = (w * w / 4 + d * d) / (2 * d);
    const double angle = 2 * std::asin(w / 2 / r);
    return r * r / 2 * (angle - std::sin(angle));
}
double u_area(double w, double d, double degrees) {
    const double top = w - 2 * d * std::tan(degrees * kPi / 180);
    return (w + top) / 2 * d;
}
double v_area(double w, double d) { return w * d / 2; }

KX_MODL_parm expression(const char* text) {
    KX_MODL_parm p{};
    p.method = 0;
    std::strcpy(p.u.expression, text);
    return p;
}

// The formula of a value text read back ("p12=10" gives "10").
std::string formula(const char* text) {
    const char* eq = std::strchr(text, '=');
    return eq ? eq + 1 : text;
}

// The six records of one bead and what they point to.
struct Request {
    std::vector<tag> curves;
    std::vector<tag> faces;
    std::vector<tag> secondary_faces;
    KX_MODL_vector rise{}, secondary_dir{}, plane_vec{};
    KX_MODL_vector axis{};
    bead_section section{};
    bead_faces placement{}, secondary_set{};
    bead_secondary secondary{};
    bool with_secondary = false;
    bead_plane plane{};
    bead_shape shape{};
    std::array<KX_MODL_parm, 8> parms{};
    KX_MODL_law law{};

    Request() = default;
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    // A V bead, 10 wide and 4 deep, along the curve over the faces.
    void set(tag curve, tag face) {
        curves = {curve};
        faces = {face};
        parms = {expression("4"),  expression("10"),  expression("1"), expression("2"),
                 expression("20"), expression("0.0"), expression("5"), expression("30")};
        shape.shape_type = 2;
        shape.end_cap = 1;
        shape.value_1 = 3;
        shape.value_2 = 4;
        shape.width_flag = 1;
        shape.top_radius_flag = 0;
        shape.bottom_radius_flag = 1;
        axis.type = 0;
        axis.u.components[2] = 1;
        wire();
    }
    // The section direction by vector type (-1: none), the top radius by a
    // law of the method from 3 to 5 (-1: its expression) and the axis by
    // vector type (0 along x, 1 the datum axis, 2 the reversed normal of
    // the face under the bead at x).
    void vary(int rise_type, int law_method, int axis_type, tag datum_axis, tag under, double x) {
        if (rise_type >= 0) {
            section.direction_option = 1;
            rise.type = rise_type;
            if (rise_type == 0) rise.u.components[2] = 2;
            if (rise_type == 1) rise.u.axis = datum_axis;
            if (rise_type == 3) rise.u.points.end[2] = 3;
        }
        if (law_method >= 0) {
            law.method = law_method;
            std::strcpy(law.u.values.start_value, "3");
            std::strcpy(law.u.values.end_value, "5");
            parms[2].method = 2;
            parms[2].u.law = &law;
        }
        axis = KX_MODL_vector{};
        axis.type = axis_type;
        if (axis_type == 0) axis.u.components[0] = 1;
        if (axis_type == 1) axis.u.axis = datum_axis;
        if (axis_type == 2) {
            axis.reverse = 1;
            axis.u.face.face = under;
            axis.u.face.point[0] = x;
            axis.u.face.point[1] = 25;
            axis.u.face.point[2] = 20;
        }
    }
    void wire() {
        section.number_of_curves = static_cast<int>(curves.size());
        section.curves = curves.data();
        section.direction = &rise;
        placement.number_of_faces = static_cast<int>(faces.size());
        placement.faces = faces.data();
        secondary_set.number_of_faces = static_cast<int>(secondary_faces.size());
        secondary_set.faces = secondary_faces.data();
        secondary.direction = &secondary_dir;
        plane.plane = &plane_vec;
        KX_MODL_parm** slots[8] = {&shape.depth,      &shape.width,  &shape.top_radius, &shape.bottom_radius,
                                   &shape.side_angle, &shape.offset, &shape.end_length, &shape.end_angle};
        for (int i = 0; i < 8; ++i) *slots[i] = &parms[static_cast<std::size_t>(i)];
    }
    const bead_secondary* sec() const { return with_secondary ? &secondary : nullptr; }
    int create(tag* feature) {
        wire();
        return KX_MODL_create_bead(&section, &placement, sec(), &plane, &axis, &shape, feature);
    }
    int edit(tag feature) {
        wire();
        return KX_MODL_edit_bead(feature, &section, &placement, sec(), &plane, &axis, &shape);
    }
};

// What a query gives back.
struct Answer {
    bead_section section{};
    bead_faces placement{};
    bead_secondary secondary{};
    bead_plane plane{};
    KX_MODL_vector axis{};
    bead_shape shape{};
    int ask(tag feature) { return KX_MODL_ask_bead(feature, &section, &placement, &secondary, &plane, &axis, &shape); }
    ~Answer() { KX_MODL_free_bead(&section, &placement, &secondary, &plane, &axis, &shape); }
};

void expect_direction(const KX_MODL_vector* v, double x, double y, double z) {
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->type, 0);
    EXPECT_NEAR(v->u.components[0], x, 1e-12);
    EXPECT_NEAR(v->u.components[1], y, 1e-12);
    EXPECT_NEAR(v->u.components[2], z, 1e-12);
}

void expect_parm(const KX_MODL_parm* got, const KX_MODL_parm& given) {
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->method, given.method);
    if (given.method == 0) {
        EXPECT_EQ(formula(got->u.expression), given.u.expression);
        return;
    }
    const auto* in = static_cast<const KX_MODL_law*>(given.u.law);
    const auto* out = static_cast<const KX_MODL_law*>(got->u.law);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->method, in->method);
    EXPECT_EQ(formula(out->u.values.start_value), in->u.values.start_value);
    if (in->method != 0) {
        EXPECT_EQ(formula(out->u.values.end_value), in->u.values.end_value);
    }
}

class Bead : public ::testing::Test {
protected:
    void SetUp() override {
        unsigned int block = 0;
        std::tie(part_, block) = fresh_host_block("bead.prt");
        ASSERT_EQ(KX_initialize(), 0);
        body_ = FREC_ask_body(block);
        ASSERT_NE(body_, 0u);
    }
    void TearDown() override { kxtest::fresh_process(); }

    int entity() const { return host::kernel::entity_of(body_); }
    double volume() const {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(entity(), p);
        return p[ZQ_MP_VOLUME];
    }
    // The face on the plane where coordinate `axis` is `at` that spans x
    // (earlier beads split the top).
    tag face_at(int axis, double at, double x = 50) const {
        for (int f : host::kernel::faces_of(entity())) {
            double box[6];
            ZQ_TOPOL_find_box(f, box);
            if (std::abs(box[axis] - at) < 1e-6 && std::abs(box[axis + 3] - at) < 1e-6 && box[0] < x && x < box[3])
                return host::kernel::object_of(f);
        }
        ADD_FAILURE() << "no face at " << at << " on axis " << axis;
        return NULL_TAG;
    }
    tag top(double x = 50) const { return face_at(2, 20, x); }
    tag front() const { return face_at(1, 0); }
    // A line across the top of the plate at x, from y0 to y1.
    tag across(double x, double y0 = 0, double y1 = kPlateLength) const {
        unsigned int line = 0;
        const double ends[6] = {x, y0, 20, x, y1, 20};
        ES_create_line_in_part(part_, ends, &line);
        return line;
    }
    tag direction_object(int type, double y, const double normal[3]) const {
        const double at[3] = {0, y, 0};
        return host::profiles::create_direction_object(part_, type, at, normal);
    }
    static int features() { return static_cast<int>(host::feature::features_of_part(host::parts::work_part()).size()); }

    unsigned int part_ = 0;
    unsigned int body_ = 0;
};

TEST_F(Bead, StraightBeadAddsSectionAreaTimesLength) {
    const struct {
        int shape;
        double area;
    } cases[] = {{0, round_area(10, 4)}, {1, u_area(10, 4, 20)}, {2, v_area(10, 4)}};
    double x = 15;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shape);
        Request r;
        r.set(across(x), top(x));
        r.shape.shape_type = c.shape;
        const double before = volume();
        tag bead = NULL_TAG;
        ASSERT_EQ(r.create(&bead), 0);
        EXPECT_NE(bead, NULL_TAG);
        EXPECT_NEAR(volume() - before, c.area * kPlateLength, 1e-6 * before);
        x += 30;
    }
}

TEST_F(Bead, EditedSizesAndShapeFollowAtTheUpdate) {
    Request r;
    r.set(across(50), top());
    const double plate = volume();
    tag bead = NULL_TAG;
    ASSERT_EQ(r.create(&bead), 0);
    r.parms[0] = expression("6");
    r.parms[1] = expression("12");
    r.shape.shape_type = 1;
    ASSERT_EQ(r.edit(bead), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume() - plate, u_area(12, 6, 20) * kPlateLength, 1e-6 * plate);
    // A new curve moves the bead; the old place is plain again.
    r.curves = {across(20, 0, 25)};
    ASSERT_EQ(r.edit(bead), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume() - plate, u_area(12, 6, 20) * 25, 1e-6 * plate);
}

TEST_F(Bead, SecondaryFacesOrPlaneBoundTheBead) {
    const double normal[3] = {0, 1, 0};
    const double area = v_area(10, 4);
    const struct {
        const char* what;
        int bound;  // 1 the placement record, 2 the same faces in another record, 3 a plane at y = 30
        double y0, y1, length;
    } cases[] = {{"placement record", 1, -20, 70, kPlateLength},
                 {"same faces", 2, -20, 70, kPlateLength},
                 {"plane", 3, 0, kPlateLength, 30}};
    double x = 15;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Request r;
        r.set(across(x, c.y0, c.y1), top(x));
        r.with_secondary = true;
        if (c.bound == 1) {
            r.secondary.set = &r.placement;
        } else if (c.bound == 2) {
            r.secondary_faces = {top(x)};
            r.secondary.set = &r.secondary_set;
        } else {
            r.secondary_faces = {direction_object(HOST_TYPE_PLANE, 30, normal)};
            r.secondary.set = &r.secondary_set;
        }
        const double before = volume();
        tag bead = NULL_TAG;
        ASSERT_EQ(r.create(&bead), 0);
        EXPECT_NEAR(volume() - before, area * c.length, 1e-6 * before);
        x += 30;
    }
}

TEST_F(Bead, RecordsComeBackAsGiven) {
    const double y_dir[3] = {0, 1, 0}, z_dir[3] = {0, 0, 1};
    const tag datum_plane = direction_object(HOST_TYPE_DATUM_PLANE, 30, y_dir);
    const tag plane = direction_object(HOST_TYPE_PLANE, 35, y_dir);
    const tag datum_axis = direction_object(HOST_TYPE_DATUM_AXIS, 0, z_dir);
    enum Secondary { none, placement_record, same_tags, own_faces, on_datum_plane, on_plane };
    const struct {
        Secondary secondary;
        int extension;
        int rise;  // section direction vector type, -1 none
        int law;   // law method of a parameter, -1 an expression
        int axis;  // axis vector type
        int option;
        int plane_type;
    } cases[] = {
        {none, 0, -1, -1, 0, 0, 0},    {placement_record, 1, 0, 0, 1, 1, 1}, {same_tags, 2, 1, 1, 2, 0, 0},
        {own_faces, 3, 3, 2, 0, 1, 1}, {on_datum_plane, 4, 0, 5, 1, 0, 1},   {on_plane, 2, -1, -1, 2, 1, 0},
    };
    double x = 10;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "secondary " << c.secondary << " extension " << c.extension << " rise "
                                        << c.rise << " law " << c.law << " axis " << c.axis);
        Request r;
        const tag under = top(x);
        r.set(across(x), under);
        r.placement.extension_type = c.extension;
        r.vary(c.rise, c.law, c.axis, datum_axis, under, x);
        if (c.plane_type == 1) {
            r.plane.type = 1;
            r.plane_vec.type = 0;
            r.plane_vec.u.components[1] = 1;
            // The section rises along z: the plane answers its own direction.
        }
        if (c.secondary != none) {
            r.with_secondary = true;
            r.secondary.option = c.option;
            r.secondary_dir.type = 0;
            r.secondary_dir.u.components[1] = 4;
            std::strcpy(r.secondary.text, "0.5");
            r.secondary_set.extension_type = (c.extension + 1) % 5;
            r.secondary.set = &r.secondary_set;
            switch (c.secondary) {
                case placement_record:
                    r.secondary.set = &r.placement;
                    r.placement.extension_type = r.secondary_set.extension_type = c.extension;
                    break;
                case same_tags: r.secondary_faces = {under}; break;
                case own_faces: r.secondary_faces = {under, front()}; break;
                case on_datum_plane: r.secondary_faces = {datum_plane}; break;
                default: r.secondary_faces = {plane}; break;
            }
        }
        tag bead = NULL_TAG;
        ASSERT_EQ(r.create(&bead), 0);
        Answer a;
        ASSERT_EQ(a.ask(bead), 0);
        // Section.
        ASSERT_EQ(a.section.number_of_curves, 1);
        EXPECT_EQ(a.section.curves[0], r.curves[0]);
        EXPECT_EQ(a.section.direction_option, c.rise >= 0 ? 1 : 0);
        if (c.rise == 1) {
            ASSERT_NE(a.section.direction, nullptr);
            EXPECT_EQ(a.section.direction->type, 1);
            EXPECT_EQ(a.section.direction->u.axis, datum_axis);
        } else if (c.rise >= 0) {
            expect_direction(a.section.direction, 0, 0, 1);
        }
        // Placement.
        ASSERT_EQ(a.placement.number_of_faces, 1);
        EXPECT_EQ(a.placement.faces[0], under);
        EXPECT_EQ(a.placement.extension_type, r.placement.extension_type);
        // Secondary.
        switch (c.secondary) {
            case none: EXPECT_EQ(a.secondary.set, nullptr); break;
            case placement_record:
            case same_tags: EXPECT_EQ(a.secondary.set, &a.placement); break;
            default:
                ASSERT_NE(a.secondary.set, nullptr);
                ASSERT_EQ(a.secondary.set->number_of_faces, static_cast<int>(r.secondary_faces.size()));
                for (std::size_t i = 0; i < r.secondary_faces.size(); ++i)
                    EXPECT_EQ(a.secondary.set->faces[i], r.secondary_faces[i]);
                EXPECT_EQ(a.secondary.set->extension_type, r.secondary_set.extension_type);
        }
        if (c.secondary != none) {
            EXPECT_EQ(a.secondary.option, c.option);
            EXPECT_STREQ(a.secondary.text, "0.5");
            if (c.option == 1) {
                expect_direction(a.secondary.direction, 0, 1, 0);
            } else {
                EXPECT_EQ(a.secondary.direction, nullptr);
            }
        }
        // Plane.
        EXPECT_EQ(a.plane.type, c.plane_type);
        if (c.plane_type == 1) {
            expect_direction(a.plane.plane, 0, 1, 0);
        } else {
            EXPECT_EQ(a.plane.plane, nullptr);
        }
        // Axis.
        EXPECT_EQ(a.axis.type, c.axis);
        if (c.axis == 0) {
            EXPECT_EQ(a.axis.u.components[0], 1);
        }
        if (c.axis == 1) {
            EXPECT_EQ(a.axis.u.axis, datum_axis);
        }
        if (c.axis == 2) {
            EXPECT_EQ(a.axis.reverse, 1);
            EXPECT_EQ(a.axis.u.face.face, under);
            EXPECT_EQ(a.axis.u.face.point[0], r.axis.u.face.point[0]);
            EXPECT_EQ(a.axis.u.face.point[1], 25);
        }
        // Shape.
        const KX_MODL_parm* got[8] = {a.shape.depth,      a.shape.width,  a.shape.top_radius, a.shape.bottom_radius,
                                      a.shape.side_angle, a.shape.offset, a.shape.end_length, a.shape.end_angle};
        for (std::size_t i = 0; i < 8; ++i) {
            SCOPED_TRACE(i);
            expect_parm(got[i], r.parms[i]);
        }
        EXPECT_EQ(a.shape.shape_type, 2);
        EXPECT_EQ(a.shape.width_flag, 1);
        EXPECT_EQ(a.shape.top_radius_flag, 0);
        EXPECT_EQ(a.shape.bottom_radius_flag, 1);
        EXPECT_EQ(a.shape.end_cap, 1);
        EXPECT_EQ(a.shape.value_1, 3);
        EXPECT_EQ(a.shape.value_2, 4);
        x += 16;
    }
}

TEST_F(Bead, HostRecordKeepsItsOwnNumbering) {
    Request r;
    r.set(across(50), top());
    r.placement.extension_type = 2;
    r.with_secondary = true;
    r.secondary.set = &r.placement;
    tag bead = NULL_TAG;
    ASSERT_EQ(r.create(&bead), 0);
    BEAD_data_t data{};
    BEAD_read_frec(bead, &data);
    EXPECT_EQ(data.placement_extension, 3);
    EXPECT_EQ(data.secondary_kind, BEAD_SECONDARY_PLACEMENT);
    EXPECT_EQ(data.secondary_option_code, 2);
    BEAD_free_data(&data);
    // The record is empty after its release: a second one frees nothing.
    BEAD_free_data(&data);
    EXPECT_EQ(data.curves, nullptr);
}

TEST_F(Bead, EditReadsBackTheNewRecords) {
    Request r;
    r.set(across(50), top());
    tag bead = NULL_TAG;
    ASSERT_EQ(r.create(&bead), 0);
    r.shape.shape_type = 0;
    r.shape.end_cap = 3;
    r.shape.width_flag = 0;
    r.parms[5] = expression("1.5");
    r.placement.extension_type = 4;
    r.with_secondary = true;
    r.secondary_faces = {top(20), front()};
    r.secondary.set = &r.secondary_set;
    std::strcpy(r.secondary.text, "%s%n");
    ASSERT_EQ(r.edit(bead), 0);
    Answer a;
    ASSERT_EQ(a.ask(bead), 0);
    EXPECT_EQ(a.shape.shape_type, 0);
    EXPECT_EQ(a.shape.end_cap, 3);
    EXPECT_EQ(a.shape.width_flag, 0);
    EXPECT_EQ(formula(a.shape.offset->u.expression), "1.5");
    EXPECT_EQ(a.placement.extension_type, 4);
    ASSERT_NE(a.secondary.set, nullptr);
    EXPECT_EQ(a.secondary.set->number_of_faces, 2);
    EXPECT_STREQ(a.secondary.text, "%s%n");
    EXPECT_EQ(KX_MODL_update(), 0);
}

TEST_F(Bead, RefusalsLeaveTheModelAndNoMark) {
    const double y_dir[3] = {0, 1, 0};
    const tag plane = direction_object(HOST_TYPE_PLANE, 30, y_dir);
    const tag plane2 = direction_object(HOST_TYPE_DATUM_PLANE, 20, y_dir);
    const tag line = across(50);
    const struct {
        const char* what;
        void (*spoil)(Request&, tag, tag, tag);
        int expect;
    } cases[] = {
        {"no curves", [](Request& r, tag, tag, tag) { r.curves.clear(); }, 875242},
        {"section option 2", [](Request& r, tag, tag, tag) { r.section.direction_option = 2; }, 875193},
        {"placement of no body", [](Request& r, tag, tag, tag line) { r.faces = {line}; }, 875288},
        {"extension 5", [](Request& r, tag, tag, tag) { r.placement.extension_type = 5; }, 875241},
        {"plane and face",
         [](Request& r, tag plane, tag, tag) {
             r.with_secondary = true;
             r.secondary_faces = {plane, r.faces[0], r.faces[0]};
             r.secondary.set = &r.secondary_set;
         },
         671131},
        {"two planes",
         [](Request& r, tag plane, tag plane2, tag) {
             r.with_secondary = true;
             r.secondary_faces = {plane, plane2};
             r.secondary.set = &r.secondary_set;
         },
         671132},
        {"empty secondary",
         [](Request& r, tag, tag, tag) {
             r.with_secondary = true;
             r.secondary.set = &r.secondary_set;
         },
         875245},
        {"secondary option 2",
         [](Request& r, tag, tag, tag) {
             r.with_secondary = true;
             r.secondary.set = &r.placement;
             r.secondary.option = 2;
         },
         875246},
        {"secondary text of 133",
         [](Request& r, tag, tag, tag) {
             r.with_secondary = true;
             std::memset(r.secondary.text, 'x', 133);
             r.secondary.text[133] = '\0';
         },
         1105006},
        {"negative curve count", [](Request& r, tag, tag, tag) { r.curves.clear(); }, 1105004},
        {"null faces", [](Request& r, tag, tag, tag) { r.faces = {}; }, 1105005},
        {"depth 0 the kernel cannot build", [](Request& r, tag, tag, tag) { r.parms[0] = expression("0"); }, 670404},
        {"depth no expression", [](Request& r, tag, tag, tag) { r.parms[0] = expression("depth_of_nothing+"); }, -1},
    };
    const double before = volume();
    const int n_features = features();
    const std::size_t marks = host::undo::marks().size();
    const std::size_t blocks = host::control::live_blocks();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Request r;
        r.set(line, top());
        c.spoil(r, plane, plane2, line);
        r.wire();
        if (std::string(c.what) == "negative curve count") r.section.number_of_curves = -1;
        if (std::string(c.what) == "null faces") {
            r.placement.number_of_faces = 1;
            r.placement.faces = nullptr;
        }
        tag bead = 7;
        const int st = KX_MODL_create_bead(&r.section, &r.placement, r.sec(), &r.plane, &r.axis, &r.shape, &bead);
        if (c.expect < 0) {
            EXPECT_NE(st, 0);
        } else {
            EXPECT_EQ(st, c.expect);
        }
        EXPECT_EQ(bead, NULL_TAG);
        EXPECT_EQ(volume(), before);
        EXPECT_EQ(features(), n_features);
        EXPECT_EQ(host::undo::marks().size(), marks);
        EXPECT_EQ(host::control::live_blocks(), blocks);
        EXPECT_EQ(host::control::frame_depth(), 0);
    }
}

TEST_F(Bead, QueryAndEditOfOtherObjects) {
    Request r;
    r.set(across(50), top());
    Answer a;
    EXPECT_EQ(a.ask(NULL_TAG), 875008);
    EXPECT_EQ(a.ask(9999999), 875008);
    const tag block = host::feature::features_of_part(part_)[0];
    EXPECT_EQ(a.ask(block), 875004);
    EXPECT_EQ(r.edit(block), 875004);
    // A host error inside the query becomes the status and is acknowledged.
    tag bead = NULL_TAG;
    ASSERT_EQ(r.create(&bead), 0);
    const std::size_t blocks = host::control::live_blocks();
    host::control::raise_on("BEAD_read_frec", 670099);
    EXPECT_EQ(a.ask(bead), 670099);
    EXPECT_EQ(host::control::live_blocks(), blocks);
    host::control::clear_scripts();
    // A refused edit leaves the bead as it was and no mark: an internal
    // error of a conversion (an end cap out of range), a code of one.
    const double before = volume();
    const std::size_t marks = host::undo::marks().size();
    r.shape.end_cap = 4;
    r.shape.shape_type = 0;
    EXPECT_EQ(r.edit(bead), 670001);
    r.shape.end_cap = 2;
    r.placement.extension_type = 7;
    EXPECT_EQ(r.edit(bead), 875241);
    EXPECT_EQ(host::control::frame_depth(), 0);
    EXPECT_EQ(host::undo::marks().size(), marks);
    EXPECT_EQ(KX_MODL_update(), 0);
    EXPECT_EQ(volume(), before);
    Answer kept;
    ASSERT_EQ(kept.ask(bead), 0);
    EXPECT_EQ(kept.shape.end_cap, 1);
    EXPECT_EQ(kept.shape.shape_type, 2);
    EXPECT_EQ(kept.placement.extension_type, 0);
}

TEST_F(Bead, PartFileKeepsTheBeadAndItsSizes) {
    const double plate = volume();
    Request r;
    r.set(across(50), top());
    tag bead = NULL_TAG;
    ASSERT_EQ(r.create(&bead), 0);
    const unsigned int read_bead = reopen_part(part_, kxtest::fresh_process)[bead];
    ASSERT_NE(read_bead, 0u);
    body_ = FREC_ask_body(read_bead);
    EXPECT_NEAR(volume() - plate, v_area(10, 4) * kPlateLength, 1e-6 * plate);
    // The body is made again along the saved guide when a size changes.
    ASSERT_EQ(EXP_edit_exp(part_, FREC_ask_parm_exp(read_bead, "Depth"), "6"), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    body_ = FREC_ask_body(read_bead);
    EXPECT_NEAR(volume() - plate, v_area(10, 6) * kPlateLength, 1e-6 * plate);
}

// An answer as text, its objects through `as` (the tags of a part read
// back for those of the part saved).
std::string describe(const Answer& a, const std::function<tag(tag)>& as) {
    std::ostringstream out;
    const auto vec = [&](const KX_MODL_vector* v) {
        if (!v) return void(out << " -");
        out << " v" << v->type << '/' << v->reverse;
        if (v->type == 1) out << ' ' << as(v->u.axis);
        else if (v->type == 2) out << ' ' << as(v->u.face.face) << ' ' << v->u.face.point[0];
        else
            for (double d : v->u.points.start) out << ' ' << d;
    };
    const auto faces = [&](const bead_faces* f) {
        if (!f) return void(out << " no set");
        out << " ext " << f->extension_type << ':';
        for (int i = 0; i < f->number_of_faces; ++i) out << ' ' << as(f->faces[i]);
    };
    const auto parm = [&](const KX_MODL_parm* p) {
        if (!p) return void(out << " -");
        out << " m" << p->method;
        if (p->method == 0) return void(out << ' ' << formula(p->u.expression));
        const auto* law = static_cast<const KX_MODL_law*>(p->u.law);
        out << " law " << law->method << ' ' << formula(law->u.values.start_value) << ' '
            << formula(law->u.values.end_value);
    };
    out << "curves";
    for (int i = 0; i < a.section.number_of_curves; ++i) out << ' ' << as(a.section.curves[i]);
    out << " rise " << a.section.direction_option;
    vec(a.section.direction);
    out << " placement";
    faces(&a.placement);
    out << " secondary" << (a.secondary.set == &a.placement ? " placement" : "");
    if (a.secondary.set != &a.placement) faces(a.secondary.set);
    out << " option " << a.secondary.option << " text " << a.secondary.text;
    vec(a.secondary.direction);
    out << " plane " << a.plane.type;
    vec(a.plane.plane);
    out << " axis";
    vec(&a.axis);
    out << " shape " << a.shape.shape_type << ' ' << a.shape.width_flag << a.shape.top_radius_flag
        << a.shape.bottom_radius_flag << ' ' << a.shape.end_cap << ' ' << a.shape.value_1 << ' ' << a.shape.value_2;
    for (const KX_MODL_parm* p : {a.shape.depth, a.shape.width, a.shape.top_radius, a.shape.bottom_radius,
                                  a.shape.side_angle, a.shape.offset, a.shape.end_length, a.shape.end_angle})
        parm(p);
    return out.str();
}

TEST_F(Bead, PartFileKeepsWhatTheBeadIsAskedFor) {
    const double y_dir[3] = {0, 1, 0}, z_dir[3] = {0, 0, 1};
    const tag datum_plane = direction_object(HOST_TYPE_DATUM_PLANE, 30, y_dir);
    const tag datum_axis = direction_object(HOST_TYPE_DATUM_AXIS, 0, z_dir);
    enum Secondary { none, placement_record, own_faces, on_datum_plane };
    const struct {
        Secondary secondary;
        int rise;  // section direction vector type, -1 none
        int law;   // law method of the top radius, -1 an expression
        int axis;  // axis vector type
    } cases[] = {{none, -1, -1, 0}, {placement_record, 0, 1, 1}, {own_faces, 1, 0, 2}, {on_datum_plane, 3, 2, 0}};
    std::vector<tag> beads;
    double x = 10;
    for (const auto& c : cases) {
        Request r;
        const tag under = top(x);
        r.set(across(x), under);
        r.placement.extension_type = 2;
        r.vary(c.rise, c.law, c.axis, datum_axis, under, x);
        if (c.secondary != none) {
            r.with_secondary = true;
            r.secondary.option = 1;
            r.secondary_dir.type = 0;
            r.secondary_dir.u.components[1] = 4;
            std::strcpy(r.secondary.text, "0.5%s");
            r.secondary_set.extension_type = 3;
            r.secondary.set = c.secondary == placement_record ? &r.placement : &r.secondary_set;
            if (c.secondary == own_faces) r.secondary_faces = {under, front()};
            if (c.secondary == on_datum_plane) r.secondary_faces = {datum_plane};
        }
        tag bead = NULL_TAG;
        ASSERT_EQ(r.create(&bead), 0);
        beads.push_back(bead);
        x += 22;
    }
    std::vector<std::string> before;
    for (tag bead : beads) {
        Answer a;
        ASSERT_EQ(a.ask(bead), 0);
        before.push_back(describe(a, [](tag t) { return t; }));
    }
    const double volume_before = volume();
    std::map<unsigned int, unsigned int> read = reopen_part(part_, kxtest::fresh_process);
    const auto as_read = [&](tag t) { return t == NULL_TAG ? NULL_TAG : read[t]; };
    for (std::size_t i = 0; i < beads.size(); ++i) {
        SCOPED_TRACE(i);
        const tag bead = as_read(beads[i]);
        EXPECT_EQ(BEAD_is_bead(bead), 1);
        Answer a;
        ASSERT_EQ(a.ask(bead), 0);
        std::string expected = before[i];
        EXPECT_EQ(describe(a,
                           [&](tag t) {
                               // Tags of the part read back, named as the saved ones.
                               for (const auto& [was, now] : read)
                                   if (now == t) return was;
                               return t;
                           }),
                  expected);
    }
    body_ = FREC_ask_body(as_read(beads[0]));
    EXPECT_NEAR(volume(), volume_before, 1e-6 * volume_before);
}

// Rows of section "BEAD" that no bead has are refused as a corrupt file,
// the model as it was.
TEST_F(Bead, DamagedBeadRowsAreRefused) {
    Request r;
    r.set(across(50), top());
    tag bead = NULL_TAG;
    ASSERT_EQ(r.create(&bead), 0);
    // The row starts at byte 12 (count, object number, size): the shape
    // type, then the section direction kind at byte 20; the first
    // secondary text's length sits after 15 integers, 13 reals and 5
    // objects.
    const std::size_t texts = 12 + 15 * 4 + 13 * 8 + 5 * 4;
    const kxtest::RowDamage damages[] = {
        {"shape type 3", "BEAD", 12, kxtest::le32(2), kxtest::le32(3)},
        {"section direction kind 7", "BEAD", 20, kxtest::le32(0), kxtest::le32(7)},
        {"secondary text over its field", "BEAD", texts, kxtest::le32(3), kxtest::le32(BEAD_SECONDARY_CHARS)},
    };
    kxtest::expect_damaged_rows_refused(part_, damages);
}

TEST_F(Bead, NotInitialised) {
    kxtest::fresh_process();
    Request r;
    tag bead = NULL_TAG;
    EXPECT_EQ(r.create(&bead), 1105000);
    Answer a;
    EXPECT_EQ(a.ask(1), 1105000);
}

}  // namespace
