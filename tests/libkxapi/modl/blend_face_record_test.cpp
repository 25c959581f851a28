// Face blends read back: every radius type and trim option through create
// and ask, the blend made as faces under limits, the older creator, the
// copies the query hands out and its refusals, a face blend against the
// edge blend of the same edge, and the kept values of face and edge blends
// through a save and a reopen of their part.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tests/libkxapi/modl/blend_face_fixture.h"
#include "host/apps/modeling/blend/face_blend.h"
#include "host/control/control.h"
#include "host/store/parts/part_file.h"
#include "tests/libkxapi/curve/reopen_fixture.h"

namespace {

// How a law reaches the creator and how it comes back: none, a law record
// (a constant law of "5") or a plain expression text "5".
enum Law { kNone, kLaw, kText };

struct Laws {
    KX_MODL_law law{};
    std::array<KX_MODL_parm, 3> parms{};
    std::array<KX_MODL_parm*, 3> pointers{};
    explicit Laws(const std::array<Law, 3>& given) {
        law.method = 0;
        std::strcpy(law.u.values.start_value, "5");
        for (std::size_t i = 0; i < 3; ++i) {
            if (given[i] == kLaw) {
                parms[i].method = 2;
                parms[i].u.law = &law;
            } else if (given[i] == kText) {
                parms[i].method = 0;
                std::strcpy(parms[i].u.expression, "5");
            }
            pointers[i] = given[i] == kNone ? nullptr : &parms[i];
        }
    }
};

void expect_law(const KX_MODL_parm* parm, Law expected, int i) {
    SCOPED_TRACE("laws[" + std::to_string(i) + "]");
    if (expected == kNone) {
        EXPECT_EQ(parm, nullptr);
        return;
    }
    ASSERT_NE(parm, nullptr);
    if (expected == kText) {
        EXPECT_EQ(parm->method, 0);
        EXPECT_STREQ(parm->u.expression, "5");
        return;
    }
    ASSERT_EQ(parm->method, 2);
    const auto* law = static_cast<const KX_MODL_law*>(parm->u.law);
    EXPECT_EQ(law->method, 0);
    EXPECT_STREQ(law->u.values.start_value, "5");
}

class FaceBlendRecord : public FaceBlend {
protected:
    // A line on the bottom face 5 from its edge with the front face.
    tag hold_line() const {
        line_data l{{10, 5, 0}, {90, 5, 0}};
        tag line = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_line(&l, &line), 0);
        return line;
    }
    tag other_line() const {
        line_data l{{0, 0, 30}, {10, 0, 30}};
        tag line = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_line(&l, &line), 0);
        return line;
    }
    // The faces of a kernel surface type with their radii.
    std::vector<double> radii_of(int body_entity, int surface_type) const {
        std::vector<double> out;
        for (int f : host::kernel::faces_of(body_entity)) {
            int type = 0, sense = 0;
            double point[3], direction[3], r = 0, r2 = 0;
            ZQ_FACE_ask_data(f, &type, point, direction, &r, &r2, &sense);
            if (type == surface_type) out.push_back(r);
        }
        return out;
    }
};

// Every radius type made and read back: the type, the laws where each kind
// keeps them, the curves and radius objects; each blend takes radius 5 off
// the bottom front edge.
TEST_F(FaceBlendRecord, RadiusTypesRoundTrip) {
    struct Row {
        int type;
        std::array<Law, 3> given, back;
        bool curves, radius_objects;
    };
    const Row rows[] = {
        {0, {kNone, kNone, kNone}, {kNone, kNone, kNone}, false, false},
        {1, {kLaw, kNone, kNone}, {kLaw, kNone, kNone}, false, false},
        {2, {kNone, kNone, kNone}, {kNone, kNone, kNone}, true, false},
        {3, {kLaw, kText, kText}, {kLaw, kText, kText}, false, false},
        {3, {kLaw, kLaw, kLaw}, {kLaw, kText, kText}, false, false},
        {4, {kLaw, kText, kNone}, {kLaw, kText, kNone}, false, false},
        {5, {kLaw, kNone, kNone}, {kLaw, kNone, kNone}, false, false},
        {6, {kLaw, kNone, kNone}, {kLaw, kNone, kNone}, false, false},
        {7, {kLaw, kNone, kNone}, {kLaw, kNone, kNone}, true, true},
        {8, {kLaw, kText, kNone}, {kLaw, kText, kNone}, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("radius type " + std::to_string(row.type));
        SetUp();
        std::vector<tag> first{bottom()}, second{front()};
        face_blend_data d = record(first, second, "5");
        d.radius_type = row.type;
        Laws laws(row.given);
        d.laws = laws.pointers.data();
        tag curve = NULL_TAG, object = NULL_TAG;
        if (row.curves) {
            curve = hold_line();
            d.curves = &curve;
            d.number_of_curves = 1;
        }
        if (row.radius_objects) {
            object = other_line();
            d.radius_objects = &object;
            d.number_of_radius_objects = 1;
        }
        tag feature = NULL_TAG;
        ASSERT_EQ(create(d, &feature), 0);
        EXPECT_EQ(faces(), 7);
        EXPECT_NEAR(volume(), 100000 - removed(5, 100), 0.01);
        face_blend_data back{};
        ASSERT_EQ(KX_MODL_ask_blend_face_data(feature, &back, nullptr), 0);
        EXPECT_EQ(back.radius_type, row.type);
        ASSERT_NE(back.laws, nullptr);
        for (int i = 0; i < 3; ++i) expect_law(back.laws[i], row.back[i], i);
        ASSERT_EQ(back.number_of_curves, row.curves ? 1 : 0);
        if (row.curves) {
            EXPECT_EQ(back.curves[0], curve);
        }
        ASSERT_EQ(back.number_of_radius_objects, row.radius_objects ? 1 : 0);
        if (row.radius_objects) {
            EXPECT_EQ(back.radius_objects[0], object);
        }
        EXPECT_STREQ(back.radius, row.type == 0 ? "5" : "0.25");
        ASSERT_EQ(back.number_of_faces_1, 1);
        ASSERT_EQ(back.number_of_faces_2, 1);
        EXPECT_EQ(back.faces_1[0], first[0]);
        EXPECT_EQ(back.faces_2[0], second[0]);
        free_back(back);
    }
}

// Trim options and flags both ways: each caller's number comes back as it
// went in, through the number the feature stores for it.
TEST_F(FaceBlendRecord, TrimOptionsAndFlagsRoundTrip) {
    for (int trim = 0; trim <= 5; ++trim) {
        SCOPED_TRACE("trim option " + std::to_string(trim));
        SetUp();
        std::vector<tag> first{bottom()}, second{front()};
        face_blend_data d = record(first, second, "5");
        d.trim_option = trim;
        d.flag_1 = 1;
        d.flag_3 = 1;
        d.flag_4 = 0;
        d.flag_5 = 0;
        tag feature = NULL_TAG;
        ASSERT_EQ(create(d, &feature), 0);
        face_blend_data back{};
        ASSERT_EQ(KX_MODL_ask_blend_face_data(feature, &back, nullptr), 0);
        EXPECT_EQ(back.trim_option, trim);
        EXPECT_EQ(back.flag_1, 1);
        EXPECT_EQ(back.flag_2, 0);
        EXPECT_EQ(back.flag_3, 1);
        EXPECT_EQ(back.flag_4, 0);
        EXPECT_EQ(back.flag_5, 0);
        free_back(back);
    }
    // The stored numbers: option 3 is stored as 6, option 5 as 4.
    EXPECT_EQ(BLEF_stored_trim(BLEF_TRIM_ALL_LONG), 6);
    EXPECT_EQ(BLEF_stored_trim(BLEF_TRIM_FIRST), 4);
    EXPECT_EQ(BLEF_trim_of_stored(6), BLEF_TRIM_ALL_LONG);
    EXPECT_EQ(BLEF_trim_of_stored(4), BLEF_TRIM_FIRST);
}

// The query hands out the caller's own copies: texts, arrays and laws of
// one answer are freed without touching the next, and what the caller
// writes into them changes nothing kept.
TEST_F(FaceBlendRecord, QueryHandsOutCopies) {
    std::vector<tag> first{bottom()}, second{front()};
    face_blend_data d = record(first, second, "2+3");
    KX_free(d.tolerance);
    d.tolerance = const_cast<char*>("0.02");
    int n1 = 0, n2 = 0;
    tag *r1 = nullptr, *r2 = nullptr;
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_face_blend(&d, nullptr, &feature, &n1, &r1, &n2, &r2), 0);
    face_blend_data a{}, b{};
    ASSERT_EQ(KX_MODL_ask_blend_face_data(feature, &a, nullptr), 0);
    EXPECT_STREQ(a.tolerance, "0.02");
    EXPECT_STREQ(a.radius, "2+3");
    a.tolerance[0] = 'x';
    a.radius[0] = 'x';
    a.faces_1[0] = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_blend_face_data(feature, &b, nullptr), 0);
    EXPECT_NE(a.tolerance, b.tolerance);
    EXPECT_STREQ(b.tolerance, "0.02");
    EXPECT_STREQ(b.radius, "2+3");
    EXPECT_EQ(b.faces_1[0], first[0]);
    free_back(a);
    free_back(b);
}

// Refusals of the query, before and after its frame is armed: a host
// error met inside becomes the status and leaves no frame behind.
TEST_F(FaceBlendRecord, QueryRefusals) {
    std::vector<tag> first{bottom()}, second{front()};
    face_blend_data d = record(first, second, "5");
    tag feature = NULL_TAG;
    ASSERT_EQ(create(d, &feature), 0);
    face_blend_data back{};
    face_blend_limits limits{};
    EXPECT_EQ(KX_MODL_ask_blend_face_data(NULL_TAG, &back, &limits), 875179);
    EXPECT_EQ(KX_MODL_ask_blend_face_data(body_, &back, &limits), 875033);
    EXPECT_EQ(KX_MODL_ask_blend_face_data(feature, nullptr, &limits), 1105005);
    host::control::raise_on("BLEF_load_ui_data_from_parms", 670099);
    const std::size_t blocks = host::control::live_blocks();
    EXPECT_EQ(KX_MODL_ask_blend_face_data(feature, &back, &limits), 670099);
    EXPECT_EQ(host::control::frame_depth(), 0);
    EXPECT_EQ(host::control::live_blocks(), blocks);
    EXPECT_EQ(back.faces_1, nullptr);
    EXPECT_EQ(back.laws, nullptr);
    host::control::clear_scripts();
    for (auto ask : {KX_MODL_ask_face_blend_law_radii, KX_MODL_ask_face_blend_law_range1_radii}) {
        host::control::raise_on("BLEF_ask_law_reals", 670099);
        double* radii = nullptr;
        int count = 0;
        EXPECT_EQ(ask(feature, &radii, &count), 670099);
        EXPECT_EQ(host::control::frame_depth(), 0);
        host::control::clear_scripts();
    }
    kxtest::fresh_process();
    EXPECT_EQ(KX_MODL_ask_blend_face_data(feature, &back, &limits), 1105000);
}

// A face blend of the block's top and front faces is the edge blend of
// the edge they share: the same faces, volume and blend radius.
TEST_F(FaceBlendRecord, FaceBlendOfTopAndSideEqualsEdgeBlendOfTheirEdge) {
    std::vector<tag> first{top()}, second{front()};
    face_blend_data d = record(first, second, "5");
    tag feature = NULL_TAG;
    ASSERT_EQ(create(d, &feature), 0);
    const int face_blend_faces = faces();
    const double face_blend_volume = volume();
    const std::vector<double> face_blend_radii = radii_of(entity(), ZQ_SURF_CYLINDER);

    SetUp();
    tag edge = NULL_TAG;
    for (int e : host::kernel::edges_of(entity())) {
        double box[6];
        ZQ_TOPOL_find_box(e, box);
        if (box[3] - box[0] > 99 && std::abs(box[1]) < 1e-6 && std::abs(box[4]) < 1e-6 && std::abs(box[2] - 20) < 1e-6)
            edge = host::kernel::object_of(e);
    }
    ASSERT_NE(edge, NULL_TAG);
    tag_list* list = nullptr;
    KX_MODL_create_list(&list);
    KX_MODL_put_list_item(list, edge);
    ASSERT_EQ(KX_MODL_create_blend("5", list, 0, 0, 0, 0.01, &feature), 0);
    KX_MODL_delete_list(&list);
    EXPECT_EQ(faces(), face_blend_faces);
    EXPECT_NEAR(volume(), face_blend_volume, 1e-6);
    const std::vector<double> edge_blend_radii = radii_of(entity(), ZQ_SURF_CYLINDER);
    ASSERT_EQ(edge_blend_radii.size(), 1u);
    ASSERT_EQ(face_blend_radii.size(), 1u);
    EXPECT_NEAR(edge_blend_radii[0], 5, 1e-9);
    EXPECT_NEAR(face_blend_radii[0], 5, 1e-9);
}

// Under an active block of limits the blend is made as faces: a sheet of
// the blend's face, the solid's faces it meets, no feature, the solid as
// it was. Without an active block, or with trim option 0 or 1 (limits not
// taken), it is a feature.
TEST_F(FaceBlendRecord, LimitsMakeTheBlendAsFaces) {
    struct Row {
        int trim;
        logical active;
        bool as_faces;
    };
    for (const Row& row : {Row{2, 1, true}, Row{5, 1, true}, Row{2, 0, false}, Row{1, 1, false}}) {
        SCOPED_TRACE("trim " + std::to_string(row.trim) + (row.active ? " active" : " inactive"));
        SetUp();
        std::vector<tag> first{bottom()}, second{front()};
        face_blend_data d = record(first, second, "5");
        d.trim_option = row.trim;
        face_blend_limits limits{};
        limits.active_2 = row.active;
        limits.values_2[0] = 7;
        const int before = features();
        tag feature = 99;
        int n1 = 0, n2 = 0;
        tag *r1 = nullptr, *r2 = nullptr;
        ASSERT_EQ(KX_MODL_create_face_blend(&d, &limits, &feature, &n1, &r1, &n2, &r2), 0);
        KX_free(d.tolerance);
        if (!row.as_faces) {
            EXPECT_NE(feature, NULL_TAG);
            EXPECT_EQ(n1 + n2, 0);
            EXPECT_NEAR(volume(), 100000 - removed(5, 100), 0.01);
            continue;
        }
        EXPECT_EQ(feature, NULL_TAG);
        EXPECT_EQ(features(), before);
        EXPECT_NEAR(volume(), 100000, 1e-6);
        ASSERT_EQ(n1, 1);
        const tag sheet = ES_solid_ask_body(r1[0]);
        EXPECT_NE(sheet, body_);
        const std::vector<double> radii = radii_of(host::kernel::entity_of(sheet), ZQ_SURF_CYLINDER);
        ASSERT_EQ(radii.size(), 1u);
        EXPECT_NEAR(radii[0], 5, 1e-9);
        // The blend's face meets the two faces it rounds and the two ends.
        ASSERT_EQ(n2, 4);
        std::vector<tag> met(r2, r2 + n2), expected{bottom(), front(), face_at(0, 0), face_at(0, 100)};
        std::sort(met.begin(), met.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(met, expected);
        KX_free(r1);
        KX_free(r2);
    }
}

// The older creator: its refusals (671033 for every radius type outside 0
// to 4, where the newer one answers 671032), law tags of expressions, a
// feature also under limits, which it keeps.
TEST_F(FaceBlendRecord, OlderCreator) {
    tag exp = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_exp_tag("fb_radius=4", &exp), 0);
    std::vector<tag> first{bottom()}, second{front()};
    const auto data = [&] {
        blend_faces_data d{};
        d.faces_1 = first.data();
        d.number_of_faces_1 = 1;
        d.faces_2 = second.data();
        d.number_of_faces_2 = 1;
        d.flag_4 = d.flag_5 = 1;
        d.tolerance = const_cast<char*>("0.01");
        d.radius = const_cast<char*>("5");
        return d;
    };
    static tag law_tags[3];
    static tag curve;
    curve = hold_line();
    struct Row {
        const char* what;
        int code;
        void (*spoil)(blend_faces_data&);
    };
    const Row rows[] = {
        {"radius type 5", 671033, [](blend_faces_data& d) { d.radius_type = 5; }},
        {"radius type 9", 671033, [](blend_faces_data& d) { d.radius_type = 9; }},
        {"trim option 6", 671033, [](blend_faces_data& d) { d.trim_option = 6; }},
        {"empty second set", 671034, [](blend_faces_data& d) { d.number_of_faces_2 = 0; }},
        {"aux objects, count 0", 671037, [](blend_faces_data& d) { d.aux_objects = &curve; }},
        {"type 2 without curves", 671036, [](blend_faces_data& d) { d.radius_type = 2; }},
        {"type 0, curves with count 0", 671036, [](blend_faces_data& d) { d.curves = &curve; }},
        {"type 1 without law tags", 671033, [](blend_faces_data& d) { d.radius_type = 1; }},
        {"type 1, a law tag of no expression", 671033,
         [](blend_faces_data& d) {
             d.radius_type = 1;
             law_tags[0] = curve;
             d.law_tags = law_tags;
         }},
        {"type 4 with a third law", 671033,
         [](blend_faces_data& d) {
             d.radius_type = 4;
             d.law_tags = law_tags;
         }},
        {"type 3 with curves", 671033,
         [](blend_faces_data& d) {
             d.radius_type = 3;
             d.law_tags = law_tags;
             d.curves = &curve;
             d.number_of_curves = 1;
         }},
        {"tolerance no expression", 670403, [](blend_faces_data& d) { d.tolerance = const_cast<char*>("@@"); }},
        {"radius no expression", 671035, [](blend_faces_data& d) { d.radius = const_cast<char*>("@@"); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        blend_faces_data d = data();
        law_tags[0] = law_tags[1] = law_tags[2] = exp;
        d.law_tags = nullptr;
        row.spoil(d);
        tag feature = 99;
        int n1 = 5, n2 = 5;
        tag *r1 = nullptr, *r2 = nullptr;
        EXPECT_EQ(KX_MODL_create_blend_faces(&d, nullptr, &feature, &n1, &r1, &n2, &r2), row.code);
        EXPECT_EQ(feature, NULL_TAG);
        EXPECT_EQ(features(), 1);
        EXPECT_NEAR(volume(), 100000, 1e-6);
    }

    // A law of an expression gives the radius; the limits are kept with
    // the feature and read back.
    blend_faces_data d = data();
    d.radius_type = 1;
    d.trim_option = 3;
    law_tags[0] = exp;
    law_tags[1] = law_tags[2] = NULL_TAG;
    d.law_tags = law_tags;
    face_blend_limits limits{};
    limits.active_1 = 1;
    for (int i = 0; i < 6; ++i) limits.values_1[i] = i + 0.5;
    limits.values_2[0] = 9;  // inactive: not taken
    tag feature = NULL_TAG;
    int n1 = 5, n2 = 5;
    tag *r1 = nullptr, *r2 = nullptr;
    ASSERT_EQ(KX_MODL_create_blend_faces(&d, &limits, &feature, &n1, &r1, &n2, &r2), 0);
    EXPECT_NE(feature, NULL_TAG);
    EXPECT_EQ(n1 + n2, 0);
    EXPECT_EQ(r1, nullptr);
    EXPECT_NEAR(volume(), 100000 - removed(4, 100), 0.01);
    face_blend_data back{};
    face_blend_limits back_limits{};
    std::memset(&back_limits, 0x5a, sizeof back_limits);
    ASSERT_EQ(KX_MODL_ask_blend_face_data(feature, &back, &back_limits), 0);
    EXPECT_EQ(back.radius_type, 1);
    EXPECT_EQ(back.trim_option, 3);
    EXPECT_STREQ(back.tolerance, "0.01");
    ASSERT_NE(back.laws[0], nullptr);
    EXPECT_EQ(back.laws[0]->method, 2);
    EXPECT_EQ(back_limits.active_1, 1);
    EXPECT_DOUBLE_EQ(back_limits.values_1[5], 5.5);
    EXPECT_EQ(back_limits.active_2, 0);
    EXPECT_EQ(back_limits.active_3, 0);
    free_back(back);
    // The law's value sets the radius at the next update.
    const double three[1] = {3};
    ASSERT_EQ(KX_MODL_set_face_blend_law_radii(feature, three, 1), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), 100000 - removed(3, 100), 0.01);
}

// Null face arrays with positive counts and negative counts are refused
// with 671034 by both creators before any host call.
TEST_F(FaceBlendRecord, BadSetsRefusedBeforeAnyHostCall) {
    tag face = bottom();
    struct Row {
        const char* what;
        tag* faces_1;
        int n_1;
        tag* faces_2;
        int n_2;
    };
    for (const Row& row : {Row{"null first set", nullptr, 1, &face, 1}, Row{"null second set", &face, 1, nullptr, 2},
                           Row{"negative count", &face, -1, &face, 1}}) {
        SCOPED_TRACE(row.what);
        face_blend_data d{};
        d.faces_1 = row.faces_1;
        d.number_of_faces_1 = row.n_1;
        d.faces_2 = row.faces_2;
        d.number_of_faces_2 = row.n_2;
        blend_faces_data older{};
        older.faces_1 = row.faces_1;
        older.number_of_faces_1 = row.n_1;
        older.faces_2 = row.faces_2;
        older.number_of_faces_2 = row.n_2;
        tag feature = NULL_TAG;
        int n1 = 0, n2 = 0;
        tag *r1 = nullptr, *r2 = nullptr;
        host::control::set_journal(true);
        host::control::clear_journal();
        EXPECT_EQ(KX_MODL_create_face_blend(&d, nullptr, &feature, &n1, &r1, &n2, &r2), 671034);
        EXPECT_EQ(KX_MODL_create_blend_faces(&older, nullptr, &feature, &n1, &r1, &n2, &r2), 671034);
        EXPECT_TRUE(host::control::call_names().empty());
        host::control::set_journal(false);
    }
}

// ---- kept values through a save and a reopen --------------------------------

std::map<tag, tag> reopen() {
    unsigned int part = host::parts::work_part();
    return reopen_part(part, [] { kxtest::fresh_process(); });
}

// A face blend by laws with its flags, tolerance and curves: read back the
// same after its part is saved and opened again, and after the update that
// makes its body again.
TEST_F(FaceBlendRecord, FaceBlendKeptThroughReopen) {
    std::vector<tag> first{bottom()}, second{front()};
    face_blend_data d = record(first, second, nullptr);
    KX_free(d.tolerance);
    d.tolerance = const_cast<char*>("0.03");
    d.radius_type = 3;
    d.trim_option = 4;
    d.flag_2 = 1;
    Laws laws({kLaw, kText, kText});
    d.laws = laws.pointers.data();
    tag curve = hold_line();
    d.curves = &curve;
    d.number_of_curves = 1;
    tag feature = NULL_TAG;
    int n1 = 0, n2 = 0;
    tag *r1 = nullptr, *r2 = nullptr;
    ASSERT_EQ(KX_MODL_create_face_blend(&d, nullptr, &feature, &n1, &r1, &n2, &r2), 0);
    const double made = volume();
    const std::map<tag, tag> now = reopen();
    const tag again = now.at(feature);
    for (bool updated : {false, true}) {
        SCOPED_TRACE(updated ? "after the update" : "as read");
        face_blend_data back{};
        ASSERT_EQ(KX_MODL_ask_blend_face_data(again, &back, nullptr), 0);
        EXPECT_EQ(back.radius_type, 3);
        EXPECT_EQ(back.trim_option, 4);
        EXPECT_EQ(back.flag_2, 1);
        EXPECT_STREQ(back.tolerance, "0.03");
        expect_law(back.laws[0], kLaw, 0);
        expect_law(back.laws[1], kText, 1);
        expect_law(back.laws[2], kText, 2);
        ASSERT_EQ(back.number_of_curves, 1);
        EXPECT_EQ(back.curves[0], now.at(curve));
        ASSERT_EQ(back.number_of_faces_1, 1);
        EXPECT_EQ(back.faces_1[0], now.at(first[0]));
        EXPECT_EQ(back.faces_2[0], now.at(second[0]));
        free_back(back);
        double* radii = nullptr;
        int count = 0;
        ASSERT_EQ(KX_MODL_ask_face_blend_law_radii(again, &radii, &count), 0);
        EXPECT_EQ(count, 1);
        KX_free(radii);
        ASSERT_EQ(KX_MODL_update(), 0);
        body_ = FREC_ask_body(again);
        EXPECT_NEAR(volume(), made, 0.01);
    }
}

// An edge blend's kept values (type, flag, limits, tolerance, options,
// point radii) after a save and a reopen; the edge it took away and the
// cliff edge, whose objects went with the blend, read back as 0, and the
// update rounds the edge again.
TEST_F(FaceBlendRecord, EdgeBlendKeptThroughReopen) {
    tag edge = NULL_TAG, cliff = NULL_TAG;
    for (int e : host::kernel::edges_of(entity())) {
        double box[6];
        ZQ_TOPOL_find_box(e, box);
        if (box[3] - box[0] < 99) continue;
        if (std::abs(box[1]) < 1e-6 && std::abs(box[2]) < 1e-6) edge = host::kernel::object_of(e);
        if (std::abs(box[1] - 50) < 1e-6 && std::abs(box[2] - 20) < 1e-6) cliff = host::kernel::object_of(e);
    }
    ASSERT_NE(edge, NULL_TAG);
    ASSERT_NE(cliff, NULL_TAG);
    edge_blend_point points[2] = {};
    std::strcpy(points[0].radius, "2");
    std::strcpy(points[1].radius, "4");
    points[1].parameter = 1;
    edge_blend_edge entry{};
    entry.edge = edge;
    entry.cliff_edge = cliff;
    entry.number_of_points = 2;
    entry.points = points;
    std::strcpy(entry.limit_1, "2.5");
    std::strcpy(entry.limit_2, "7");
    edge_blend_data in{};
    in.blend_type = 1;
    in.flag = 1;
    in.limits_active = 1;
    in.tolerance = 0.02;
    std::strcpy(in.default_radius, "3");
    in.options[2] = 1;
    in.number_of_edges = 1;
    in.edges = &entry;
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_edge_blend(&in, &feature), 0);
    const double made = volume();
    // The kernel's blend makes the body's edges anew: the cliff edge's
    // object goes with the blend, and is not saved.
    EXPECT_FALSE(host::objects::is_alive(cliff));
    const std::map<tag, tag> now = reopen();
    ASSERT_TRUE(now.count(feature));
    const tag again = now.at(feature);
    for (bool updated : {false, true}) {
        SCOPED_TRACE(updated ? "after the update" : "as read");
        edge_blend_data out{};
        ASSERT_EQ(KX_MODL_ask_edge_blend(again, &out), 0);
        EXPECT_EQ(out.blend_type, 1);
        EXPECT_EQ(out.flag, 1);
        EXPECT_EQ(out.limits_active, 1);
        EXPECT_DOUBLE_EQ(out.tolerance, 0.02);
        EXPECT_STREQ(out.default_radius, "3");
        EXPECT_EQ(out.options[0] + out.options[1], 0);
        EXPECT_EQ(out.options[2], 1);
        ASSERT_EQ(out.number_of_edges, 1);
        EXPECT_EQ(out.edges[0].edge, NULL_TAG);
        EXPECT_EQ(out.edges[0].cliff_edge, NULL_TAG);
        EXPECT_STREQ(out.edges[0].limit_1, "2.5");
        EXPECT_STREQ(out.edges[0].limit_2, "7");
        ASSERT_EQ(out.edges[0].number_of_points, 2);
        EXPECT_STREQ(out.edges[0].points[0].radius, "2");
        EXPECT_STREQ(out.edges[0].points[1].radius, "4");
        EXPECT_DOUBLE_EQ(out.edges[0].points[1].parameter, 1);
        // The record read back edits the blend.
        std::strcpy(out.edges[0].points[1].radius, "4");
        EXPECT_EQ(KX_MODL_edit_edge_blend(again, &out), 0);
        KX_free(out.edges[0].points);
        KX_free(out.edges);
        ASSERT_EQ(KX_MODL_update(), 0);
        body_ = FREC_ask_body(again);
        EXPECT_NEAR(volume(), made, 0.01);
    }
}

// Kept values read from a damaged file: a row the blend could not have
// (an edge blend without edges, a point off its edge, a face blend's trim
// number of no trim option) makes the file corrupt, and the model stays as
// it was.
TEST_F(FaceBlendRecord, SpoiledBlendRowsMakeTheFileCorrupt) {
    std::vector<tag> first{bottom()}, second{front()};
    face_blend_data d = record(first, second, "5");
    tag face_blend = NULL_TAG;
    ASSERT_EQ(create(d, &face_blend), 0);
    tag edge = NULL_TAG;
    for (int e : host::kernel::edges_of(entity())) {
        double box[6];
        ZQ_TOPOL_find_box(e, box);
        if (box[3] - box[0] > 99 && std::abs(box[1] - 50) < 1e-6 && std::abs(box[2] - 20) < 1e-6)
            edge = host::kernel::object_of(e);
    }
    ASSERT_NE(edge, NULL_TAG);
    edge_blend_point point{};
    std::strcpy(point.radius, "2");
    point.parameter = 0.5;
    edge_blend_edge entry{};
    entry.edge = edge;
    entry.number_of_points = 1;
    entry.points = &point;
    edge_blend_data in{};
    std::strcpy(in.default_radius, "3");
    in.number_of_edges = 1;
    in.edges = &entry;
    tag edge_blend = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_edge_blend(&in, &edge_blend), 0);
    namespace pf = host::part_file;
    const unsigned int part = host::parts::work_part();
    // Places in the payloads (one row each: count, object number, size,
    // then the row): the edge blend's edge count and its point's
    // parameter (after two limit texts "-1.0"), the face blend's stored
    // trim number.
    struct Row {
        const char* what;
        const char* section;
        std::size_t at;
        std::string was, bytes;
    };
    const double inside = 0.5, outside = 2;
    const std::string inside_bytes(reinterpret_cast<const char*>(&inside), 8);
    const std::string outside_bytes(reinterpret_cast<const char*>(&outside), 8);
    const Row rows[] = {
        {"no edges", "BLEB", 29, std::string("\x01\0\0\0", 4), std::string(4, '\0')},
        {"point off its edge", "BLEB", 61, inside_bytes, outside_bytes},
        {"trim number 9", "BLFB", 56, std::string(4, '\0'), std::string("\x09\0\0\0", 4)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        pf::Image image;
        ASSERT_EQ(pf::decode(pf::encode(part, nullptr, true), image), 0);
        bool found = false;
        for (auto& [id, payload] : image.sections)
            if (id == row.section) {
                ASSERT_LE(row.at + row.bytes.size(), payload.size());
                EXPECT_EQ(payload.substr(row.at, row.was.size()), row.was);
                payload.replace(row.at, row.bytes.size(), row.bytes);
                found = true;
            }
        ASSERT_TRUE(found);
        const std::size_t objects = host::objects::objects_of_part(part).size();
        int code = 0;
        EXPECT_EQ(pf::apply(image, "spoiled.prt", &code), 0u);
        EXPECT_EQ(code, 641004);
        EXPECT_EQ(host::objects::objects_of_part(part).size(), objects);
    }
    // Unspoiled, the same image reads.
    pf::Image image;
    ASSERT_EQ(pf::decode(pf::encode(part, nullptr, true), image), 0);
    int code = 0;
    EXPECT_NE(pf::apply(image, "whole.prt", &code), 0u);
    EXPECT_EQ(code, 0);
}

}  // namespace
