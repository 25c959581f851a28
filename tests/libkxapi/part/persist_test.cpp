// A user program's part after save, close and a fresh start: display
// properties, name origins, object states and handles come back as set.
#include <array>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/wcs.h"
#include "host/store/entities/views.h"
#include "host/base/services/objects.h"
#include "kx_curve.h"
#include "kx_disp.h"
#include "kx_obj.h"
#include "tests/host/store/parts/curve_fixture.h"
#include "part_fixture.h"

namespace {

class PersistApiTest : public PartApiTest {
protected:
    static std::vector<tag> objects_of(tag part) { return host::objects::objects_of_part(part); }
    static std::string handle(tag object) {
        char* h = KX_TAG_ask_handle_of_tag(object);
        std::string out = h ? h : "";
        KX_free(h);
        return out;
    }
};

struct Props {
    int layer, color, blank, width, font;
};

TEST_F(PersistApiTest, DisplayPropertiesNamesAndStatesComeBackAfterAFreshStart) {
    const std::string file = path("shown.prt");
    tag part = NULL_TAG;
    ASSERT_EQ(KX_PART_new(file.c_str(), KX_PART_METRIC, &part), 0);
    const tag line = test_fixture::with_curve_data(host::entity::create({OM_CLASS_RM_ENTITY, 3, 0, part}));
    const tag arc = test_fixture::with_curve_data(host::entity::create({OM_CLASS_RM_ENTITY, 5, 0, part}));
    const host::views::Body body = host::views::make_body(part, 2);

    const Props want[] = {{12, 99, 0, 2, 5}, {256, 1, 1, 0, 7}};
    const tag curves[] = {line, arc};
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(KX_OBJ_set_layer(curves[i], want[i].layer), 0);
        ASSERT_EQ(KX_OBJ_set_color(curves[i], want[i].color), 0);
        ASSERT_EQ(KX_OBJ_set_blank_status(curves[i], want[i].blank), 0);
        ASSERT_EQ(KX_OBJ_set_line_width(curves[i], want[i].width), 0);
        ASSERT_EQ(KX_OBJ_set_font(curves[i], want[i].font), 0);
    }
    ASSERT_EQ(KX_OBJ_set_name(line, "RIM"), 0);
    const double origin[3] = {10.5, -3.0, 0.125};
    ASSERT_EQ(KX_OBJ_set_name_origin(line, origin), 0);
    ASSERT_EQ(KX_OBJ_set_face_analysis(body.body, 1), 0);
    ASSERT_EQ(KX_OBJ_set_partially_shaded(body.faces[0], 1), 0);
    host::entity::attrs(arc).promoted = true;
    int cre = 0, mod = 0;
    ASSERT_EQ(KX_OBJ_ask_cre_mod_versions(arc, &cre, &mod), 0);
    ASSERT_EQ(KX_PART_save(), 0);
    ASSERT_EQ(KX_PART_close(part, 0, 0), 0);

    restart();
    const tag again = open(file);
    ASSERT_NE(again, NULL_TAG);
    const std::vector<tag> objs = objects_of(again);
    ASSERT_EQ(objs.size(), 5u);  // line, arc, body and its two faces
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        display_properties p{};
        ASSERT_EQ(KX_OBJ_ask_display_properties(objs[static_cast<std::size_t>(i)], &p), 0);
        EXPECT_EQ(p.layer, want[i].layer);
        EXPECT_EQ(p.color, want[i].color);
        EXPECT_EQ(p.blank_status, want[i].blank);
        EXPECT_EQ(p.line_width, want[i].width);
        EXPECT_EQ(p.font, want[i].font);
        EXPECT_FALSE(p.highlight_status);
    }
    char name[KX_OBJ_NAME_LEN + 1] = {};
    ASSERT_EQ(KX_OBJ_ask_name(objs[0], name), 0);
    EXPECT_STREQ(name, "RIM");
    double at[3] = {};
    ASSERT_EQ(KX_OBJ_ask_name_origin(objs[0], at), 0);
    EXPECT_EQ(std::memcmp(at, origin, sizeof at), 0);
    int value = 0;
    ASSERT_EQ(KX_OBJ_ask_face_analysis(objs[3], &value), 0);
    EXPECT_EQ(value, 1);
    ASSERT_EQ(KX_OBJ_ask_partially_shaded(objs[3], &value), 0);
    EXPECT_EQ(value, 1);
    ASSERT_EQ(KX_OBJ_ask_partially_shaded(objs[4], &value), 0);
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(KX_OBJ_is_object_a_promotion(objs[1]));
    int cre2 = 0, mod2 = 0;
    ASSERT_EQ(KX_OBJ_ask_cre_mod_versions(objs[1], &cre2, &mod2), 0);
    EXPECT_EQ(cre2, cre);
    EXPECT_EQ(mod2, mod);
}

// Handles of a reopened part and of objects added to it after a fresh start
// are all different and each names its own object.
TEST_F(PersistApiTest, HandlesStayUniqueAfterAFreshStart) {
    const std::string file = path("handles.prt");
    tag part = NULL_TAG;
    ASSERT_EQ(KX_PART_new(file.c_str(), KX_PART_METRIC, &part), 0);
    std::vector<std::string> saved;
    for (int i = 0; i < 3; ++i)
        saved.push_back(handle(test_fixture::with_curve_data(host::entity::create({OM_CLASS_RM_ENTITY, 3, 0, part}))));
    ASSERT_EQ(KX_PART_save(), 0);

    restart();
    const tag again = open(file);
    ASSERT_NE(again, NULL_TAG);
    for (const std::string& h : saved) EXPECT_NE(KX_TAG_ask_tag_of_handle(h.c_str()), NULL_TAG) << h;
    for (int i = 0; i < 3; ++i) host::entity::create({OM_CLASS_RM_ENTITY, 5, 0, again});
    std::vector<tag> all = objects_of(again);
    all.push_back(again);
    std::set<std::string> handles;
    for (tag t : all) {
        const std::string h = handle(t);
        handles.insert(h);
        EXPECT_EQ(KX_TAG_ask_tag_of_handle(h.c_str()), t) << h;
    }
    EXPECT_EQ(handles.size(), all.size());
}

// Curves made through the interface have the same data and points after
// a fresh start; arcs and conics keep a matrix of the same values.
TEST_F(PersistApiTest, CurvesComeBackWithTheirData) {
    const std::string file = path("curves.prt");
    tag part = NULL_TAG;
    ASSERT_EQ(KX_PART_new(file.c_str(), KX_PART_METRIC, &part), 0);
    const double rows[9] = {0, 1, 0, 0, 0, 1, 1, 0, 0};
    unsigned matrix = 0;
    ES_create_matrix_in_part(part, rows, 3, &matrix);
    double p[3] = {1, -2, 3};
    tag point = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_point(p, &point), 0);
    line_data l{{0, 0, 0}, {3, 4, 12}};
    tag line = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_line(&l, &line), 0);
    arc_data a{matrix, 0.5, 2.0, {1, 1, 1}, 2.5};
    tag arc = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_arc(&a, &arc), 0);
    conic_data c{matrix, KX_CONIC_HYPERBOLA, 1.2, -1.0, 0.8, {0.5, -0.5, 2}, 1.5, 0.75};
    tag conic = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_conic(&c, &conic), 0);
    auto points = [](tag curve) {
        std::array<double, 9> out{};
        double range[2] = {};
        int periodic = 0;
        EXPECT_EQ(KX_CURVE_ask_parameterization(curve, range, &periodic), 0);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(KX_CURVE_evaluate_curve(curve, range[0] + i * (range[1] - range[0]) / 2, 0, &out[3 * i]), 0);
        return out;
    };
    const auto line_points = points(line), arc_points = points(arc), conic_points = points(conic);
    ASSERT_EQ(KX_PART_save(), 0);

    restart();
    const tag again = open(file);
    ASSERT_NE(again, NULL_TAG);
    const std::vector<tag> objs = objects_of(again);
    ASSERT_EQ(objs.size(), 5u);  // matrix, point, line, arc, conic
    double q[3] = {};
    ASSERT_EQ(KX_CURVE_ask_point_data(objs[1], q), 0);
    EXPECT_EQ(std::memcmp(q, p, sizeof q), 0);
    line_data l2{};
    ASSERT_EQ(KX_CURVE_ask_line_data(objs[2], &l2), 0);
    EXPECT_EQ(std::memcmp(&l2, &l, sizeof l), 0);
    arc_data a2{};
    ASSERT_EQ(KX_CURVE_ask_arc_data(objs[3], &a2), 0);
    EXPECT_EQ(a2.matrix_tag, objs[0]);
    EXPECT_EQ(a2.radius, a.radius);
    EXPECT_EQ(a2.end_angle, a.end_angle);
    EXPECT_EQ(std::memcmp(a2.arc_center, a.arc_center, sizeof a.arc_center), 0);
    conic_data c2{};
    ASSERT_EQ(KX_CURVE_ask_conic_data(objs[4], &c2), 0);
    EXPECT_EQ(c2.matrix_tag, objs[0]);
    EXPECT_EQ(c2.conic_type, KX_CONIC_HYPERBOLA);
    EXPECT_EQ(c2.k1, c.k1);
    EXPECT_EQ(c2.k2, c.k2);
    double m[9] = {};
    ES_ask_elements_of_matrix(objs[0], m);
    EXPECT_EQ(std::memcmp(m, rows, sizeof m), 0);
    EXPECT_EQ(points(objs[2]), line_points);
    EXPECT_EQ(points(objs[3]), arc_points);
    EXPECT_EQ(points(objs[4]), conic_points);
}

}  // namespace
