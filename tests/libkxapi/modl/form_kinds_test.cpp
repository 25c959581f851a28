// The form features beyond the simple hole on the 100 x 50 x 20 block:
// each creator's volume change against its closed form, the texts it keeps
// in the host's order, its undo mark, its faces; the placement errors; the
// "1.0" and "0.0" that stand in for texts a through feature does not use;
// and errors injected at each step of the road, after which the model, the
// undo marks, the host's list slots and its lists are as they were.
#include <functional>
#include <numbers>

#include "host/apps/modeling/boolean/booleans.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/model/feature/profiles.h"
#include "kx_obj.h"
#include "tests/libkxapi/modl/form_fixture.h"

namespace {

using namespace form_test;

constexpr double kDeg = kPi / 180;

class FormKinds : public FormFeature {
public:
    tag top() const { return top_; }
    tag bottom() const { return bottom_; }
    tag left() const { return left_; }
    tag right() const { return right_; }
    void SetUp() override {
        FormFeature::SetUp();
        left_ = face({-1, 0, 0});
        right_ = face({1, 0, 0});
    }
    // A boss of diameter 30 and height 15 at the top's middle, and its
    // cylindrical face.
    tag boss_face() {
        double at[] = {50, 25, 20}, up[] = {0, 0, 1};
        tag boss = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_boss(at, up, "30", "15", "0", top_, &boss), 0);
        for (int f : host::kernel::faces_of(host::kernel::entity_of(body_))) {
            int type = 0, sense = 0;
            double p[3], d[3], r1 = 0, r2 = 0;
            ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
            if (type == ZQ_SURF_CYLINDER && std::fabs(r1 - 15) < 1e-9) return host::kernel::object_of(f);
        }
        ADD_FAILURE() << "no boss face";
        return NULL_TAG;
    }
    // A boss of diameter 30, height 15 and taper 10 degrees, and its conical
    // face.
    tag cone_face() {
        double at[] = {50, 25, 20}, up[] = {0, 0, 1};
        tag boss = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_boss(at, up, "30", "15", "10", top_, &boss), 0);
        for (int f : host::kernel::faces_of(host::kernel::entity_of(body_))) {
            int type = 0, sense = 0;
            double p[3], d[3], r1 = 0, r2 = 0;
            ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
            if (type == ZQ_SURF_CONE) return host::kernel::object_of(f);
        }
        ADD_FAILURE() << "no cone face";
        return NULL_TAG;
    }

protected:
    static int features(tag part) {
        int n = 0;
        unsigned int* all = nullptr;
        FREC_ask_features_of_part(part, &n, &all);
        SM_free(all);
        return n;
    }
    static bool slots_empty() {
        return CM_misc_ask_link_fref_list() == 0 && CM_misc_ask_trim_fref_list() == 0 &&
               CM_misc_ask_thru_fref_list1() == 0 && CM_misc_ask_thru_fref_list2() == 0;
    }
    tag left_ = NULL_TAG, right_ = NULL_TAG;
};

double frustum(double r1, double r2, double h) { return kPi * h / 3 * (r1 * r1 + r1 * r2 + r2 * r2); }

using Make = std::function<int(FormKinds&, tag*)>;

struct Case {
    const char* name;
    Make make;
    double change;  // volume after minus before
    double tolerance;
    std::vector<std::string> kept;  // the feature's expressions, in order
    const char* mark;
};

double at_top[] = {50, 25, 20}, into[] = {0, 0, -1}, out_of[] = {0, 0, 1}, along_x[] = {1, 0, 0};

const char* const kHole = "Create hole (Kestrix Extension)";
const char* const kSlot = "Create Slot (Kestrix Extension)";
const char* const kGroove = "Create Groove (Kestrix Extension)";
const char* const kPocket = "Create Pocket (Kestrix Extension)";

class KindCreators : public FormKinds, public ::testing::WithParamInterface<Case> {};

TEST_P(KindCreators, ChangeTheVolumeByTheirClosedFormAndKeepTheirTexts) {
    const Case& c = GetParam();
    const double before = volume();
    host::control::clear_journal();
    tag feature = NULL_TAG;
    ASSERT_EQ(c.make(*this, &feature), 0) << c.name;
    ASSERT_NE(feature, NULL_TAG);
    const double change = volume() - before;
    // A groove's boss is made first: count from the boss.
    EXPECT_NEAR(change, c.change, c.tolerance) << c.name;
    EXPECT_EQ(formulas(feature), c.kept) << c.name;
    EXPECT_EQ(marks(), 0) << c.name;
    EXPECT_TRUE(slots_empty()) << c.name;
    bool marked = false;
    for (const auto& call : host::control::calls("UNDO_JQ_set_mark")) marked |= std::string(call.text) == c.mark;
    EXPECT_TRUE(marked) << c.name;
    // The host routine took the texts in the order kept.
    std::string texts;
    for (const std::string& k : c.kept) texts += (texts.empty() ? "" : ",") + k;
    bool journaled = false;
    for (const auto& call : host::control::journal()) journaled |= std::string(call.text) == texts;
    EXPECT_TRUE(journaled) << c.name;
    tag_list* faces = nullptr;
    ASSERT_EQ(KX_MODL_ask_feat_faces(feature, &faces), 0);
    EXPECT_GT(count(faces), 0) << c.name;
    KX_MODL_delete_list(&faces);
}

// A groove's volume counts from the block with its boss of diameter 30 and
// height 15.
const double kBossVolume = kPi * 225 * 15;

INSTANTIATE_TEST_SUITE_P(
    OnTheBlock, KindCreators,
    ::testing::Values(
        Case{"hole_with_tip",
             [](FormKinds& f, tag* out) {
                 return KX_MODL_create_simple_hole(at_top, into, "10", "8", "90", f.top(), NULL_TAG, out);
             },
             -(kPi * 25 * 8 + kPi * 25 * 5 / 3), 1e-2, {"10", "8", "90"}, kHole},
        Case{"c_bore_hole",
             [](FormKinds& f, tag* out) {
                 return KX_MODL_create_c_bore_hole(at_top, into, "6", "10", "12", "4", "0", f.top(), NULL_TAG, out);
             },
             -(kPi * 36 * 4 + kPi * 9 * 6), 1e-2, {"12", "4", "6", "10", "0"}, kHole},
        Case{"c_bore_through",
             [](FormKinds& f, tag* out) {
                 return KX_MODL_create_c_bore_hole(at_top, into, "6", nullptr, "12", "4", nullptr, f.top(),
                                                   f.bottom(), out);
             },
             -(kPi * 36 * 4 + kPi * 9 * 16), 1e-2, {"12", "4", "6", "1.0", "0.0"}, kHole},
        Case{"c_sunk_hole",
             [](FormKinds& f, tag* out) {
                 return KX_MODL_create_c_sunk_hole(at_top, into, "6", "10", "12", "90", "0", f.top(), NULL_TAG, out);
             },
             -(frustum(6, 3, 3) + kPi * 9 * 7), 1e-2, {"12", "90", "6", "10", "0"}, kHole},
        Case{"tapered_boss",
             [](FormKinds& f, tag* out) {
                 return KX_MODL_create_boss(at_top, out_of, "20", "10", "10", f.top(), out);
             },
             frustum(10, 10 - 10 * std::tan(10 * kDeg), 10), 1e-2, {"20", "10", "10"},
             "Create Boss (Kestrix Extension)"},
        Case{"rect_pad",
             [](FormKinds& f, tag* out) {
                 const char* sizes[] = {"20", "10", "5"};
                 return KX_MODL_create_rect_pad(at_top, out_of, along_x, sizes, "0", "0", f.top(), out);
             },
             1000, 1e-6, {"20", "10", "5", "0", "0"}, "Create Pad (Kestrix Extension)"},
        Case{"rect_pad_rounded",
             [](FormKinds& f, tag* out) {
                 const char* sizes[] = {"20", "10", "5"};
                 return KX_MODL_create_rect_pad(at_top, out_of, along_x, sizes, "2", "0", f.top(), out);
             },
             5 * (200 - 4 * (4 - kPi)), 1e-2, {"20", "10", "5", "2", "0"}, "Create Pad (Kestrix Extension)"},
        Case{"rect_pocket",
             [](FormKinds& f, tag* out) {
                 const char* sizes[] = {"20", "10", "5"};
                 return KX_MODL_create_rect_pocket(at_top, into, along_x, sizes, "0", "0", "0", f.top(), out);
             },
             -1000, 1e-6, {"20", "10", "5", "0", "0", "0"}, kPocket},
        Case{"rect_pocket_tapered",
             [](FormKinds& f, tag* out) {
                 const char* sizes[] = {"20", "10", "5"};
                 return KX_MODL_create_rect_pocket(at_top, into, along_x, sizes, "0", "0", "5", f.top(), out);
             },
             // a frustum of rectangles: h/3 (A1 + A2 + sqrt(A1 A2))
             // a prismatoid: h/6 (top + bottom + 4 middle)
             [] {
                 const double s = 5 * std::tan(5 * kDeg);
                 return -5.0 / 6 * (200 + (20 - 2 * s) * (10 - 2 * s) + 4 * (20 - s) * (10 - s));
             }(),
             1e-2, {"20", "10", "5", "0", "0", "5"}, kPocket},
        Case{"rect_slot",
             [](FormKinds& f, tag* out) {
                 return KX_MODL_create_rect_slot(at_top, into, along_x, "10", "5", "30", f.top(), NULL_TAG, NULL_TAG,
                                                 out);
             },
             -1500, 1e-6, {"10", "5", "30"}, kSlot},
        Case{"rect_slot_between_side_faces",
             [](FormKinds& f, tag* out) {
                 return KX_MODL_create_rect_slot(at_top, into, along_x, "10", "5", nullptr, f.top(), f.left(),
                                                 f.right(), out);
             },
             -5000, 1e-6, {"10", "5", "1.0"}, kSlot},
        Case{"ball_slot",
             [](FormKinds& f, tag* out) {
                 return KX_MODL_create_ball_slot(at_top, into, along_x, "10", "8", "30", f.top(), NULL_TAG, NULL_TAG,
                                                 out);
             },
             -30 * (30 + 12.5 * kPi), 1e-2, {"10", "8", "30"}, kSlot},
        Case{"u_slot",
             [](FormKinds& f, tag* out) {
                 return KX_MODL_create_u_slot(at_top, into, along_x, "10", "6", "2", "30", f.top(), NULL_TAG,
                                              NULL_TAG, out);
             },
             -30 * (60 - 2 * (4 - kPi)), 1e-2, {"10", "6", "2", "30"}, kSlot},
        Case{"t_slot",
             [](FormKinds& f, tag* out) {
                 return KX_MODL_create_t_slot(at_top, into, along_x, "6", "4", "12", "3", "30", f.top(), NULL_TAG,
                                              NULL_TAG, out);
             },
             -30 * 60.0, 1e-6, {"6", "4", "12", "3", "30"}, kSlot},
        Case{"dove_tail_slot",
             [](FormKinds& f, tag* out) {
                 return KX_MODL_create_dove_tail_slot(at_top, into, along_x, "10", "5", "10", "30", f.top(), NULL_TAG,
                                                      NULL_TAG, out);
             },
             -30 * 5 * (10 + 5 * std::tan(10 * kDeg)), 1e-2, {"10", "5", "10", "30"}, kSlot},
        Case{"rect_groove_on_a_cylinder",
             [](FormKinds& f, tag* out) {
                 const tag face = f.boss_face();
                 double at[] = {50, 25, 27.5};
                 return KX_MODL_create_rect_groove(at, out_of, "20", "4", face, out);
             },
             kBossVolume - kPi * (225 - 100) * 4, 1e-2, {"20", "4"}, kGroove},
        Case{"rect_groove_on_a_cone",
             [](FormKinds& f, tag* out) {
                 const tag face = f.cone_face();
                 double at[] = {50, 25, 27.5};
                 return KX_MODL_create_rect_groove(at, out_of, "20", "4", face, out);
             },
             // the tapered boss, less the ring between radius 10 and the
             // cone's radius 15 - z tan 10 for z from 5.5 to 9.5
             [] {
                 const double k = std::tan(10 * kDeg);
                 const auto cube = [&](double z) { return -std::pow(15 - k * z, 3) / (3 * k); };
                 return frustum(15, 15 - 15 * k, 15) - kPi * (cube(9.5) - cube(5.5) - 100 * 4);
             }(),
             1e-2, {"20", "4"}, kGroove},
        Case{"ball_groove",
             [](FormKinds& f, tag* out) {
                 const tag face = f.boss_face();
                 double at[] = {50, 25, 27.5};
                 return KX_MODL_create_ball_groove(at, out_of, "20", "4", face, out);
             },
             // a ring of 3 x 4 at radius 13.5 and a half disc of radius 2
             kBossVolume - (2 * kPi * 13.5 * 12 + 2 * kPi * (12 - 8 / (3 * kPi)) * 2 * kPi), 1e-2, {"20", "4"},
             kGroove},
        Case{"u_groove",
             [](FormKinds& f, tag* out) {
                 const tag face = f.boss_face();
                 double at[] = {50, 25, 27.5};
                 return KX_MODL_create_u_groove(at, out_of, "20", "4", "1", face, out);
             },
             // the rectangular ring less two rounded corners at radius ~10.2
             kBossVolume - kPi * 125 * 4 + 2 * 2 * kPi * (10 + 1 - 2.0 / (3 * (4 - kPi))) * (1 - kPi / 4), 1e-2,
             {"20", "4", "1"}, kGroove}),
    [](const auto& info) { return std::string(info.param.name); });

// Chamfers of one 100 long edge: two offsets, or an offset and an angle.
TEST_F(FormKinds, ChamferTypesCutTheirTriangles) {
    struct Type {
        int type;
        const char *t1, *t2, *t3;
        double area;
    };
    for (const Type& t : {Type{2, "2", "3", nullptr, 3.0}, Type{3, "2", nullptr, "45", 2.0}}) {
        ASSERT_EQ(KX_UNDO_set_mark(1, "before", &mark_), 0);
        tag_list* edges = nullptr;
        KX_MODL_create_list(&edges);
        for (int e : host::kernel::edges_of(host::kernel::entity_of(body_))) {
            int type = 0;
            double p[3], d[3], r = 0;
            ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
            if (std::fabs(std::fabs(d[0]) - 1) < 1e-9 && std::fabs(p[1]) < 1e-9 && std::fabs(p[2] - 20) < 1e-9)
                KX_MODL_put_list_item(edges, host::kernel::object_of(e));
        }
        tag chamfer = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_chamfer(t.type, t.t1, t.t2, t.t3, edges, &chamfer), 0) << t.type;
        EXPECT_NEAR(volume(), kBlockVolume - 100 * t.area, 1e-3) << t.type;
        EXPECT_EQ(marks(), 1);
        KX_MODL_delete_list(&edges);
        ASSERT_EQ(KX_UNDO_undo_to_mark(mark_, nullptr), 0);
        ASSERT_EQ(KX_UNDO_delete_mark(mark_, nullptr), 0);
    }
}

// Placement errors: a groove on a planar face (875007), a pocket on a
// face that is not planar (875006), a datum plane of a part without a
// current target (672178); with a target the datum plane places it.
TEST_F(FormKinds, PlacementErrors) {
    const tag cylinder = boss_face();
    const double before = volume();
    const int made = features(part_);
    const char* sizes[] = {"20", "10", "5"};
    const double plane_point[] = {0, 0, 20}, plane_normal[] = {0, 0, 1};
    const tag plane = host::profiles::create_direction_object(part_, 197, plane_point, plane_normal);
    double at[] = {20, 25, 20};
    struct Refusal {
        const char* name;
        std::function<int(tag*)> make;
        int code;
    };
    for (const Refusal& r : std::vector<Refusal>{
             {"groove_on_plane", [&](tag* out) { return KX_MODL_create_rect_groove(at, out_of, "20", "4", top_, out); },
              KX_MODL_ERR_NOT_GROOVE_FACE},
             {"groove_on_datum_plane",
              [&](tag* out) { return KX_MODL_create_rect_groove(at, out_of, "20", "4", plane, out); },
              KX_MODL_ERR_NOT_GROOVE_FACE},
             {"pocket_on_cylinder",
              [&](tag* out) {
                  return KX_MODL_create_rect_pocket(at, into, along_x, sizes, "0", "0", "0", cylinder, out);
              },
              KX_MODL_ERR_NOT_PLANAR_FACE},
             {"slot_on_cylinder",
              [&](tag* out) {
                  return KX_MODL_create_rect_slot(at, into, along_x, "4", "4", "10", cylinder, NULL_TAG, NULL_TAG, out);
              },
              KX_MODL_ERR_NOT_PLANAR_FACE},
             {"pad_on_datum_without_target",
              [&](tag* out) { return KX_MODL_create_rect_pad(at, out_of, along_x, sizes, "0", "0", plane, out); },
              KX_MODL_ERR_NO_DATUM_TARGET},
         }) {
        tag out = 42;
        EXPECT_EQ(r.make(&out), r.code) << r.name;
        EXPECT_EQ(out, NULL_TAG) << r.name;
        EXPECT_EQ(marks(), 0) << r.name;
        EXPECT_TRUE(slots_empty()) << r.name;
        EXPECT_NEAR(volume(), before, 1e-6) << r.name;
        EXPECT_EQ(features(part_), made) << r.name;
    }
    BREF_set_current_target(body_);
    tag pocket = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_rect_pocket(at, into, along_x, sizes, "0", "0", "0", plane, &pocket), 0);
    EXPECT_NEAR(volume(), before - 1000, 1e-6);
}

// A slot's last text may be null only through both faces; one through face
// and a text make a slot of its length, as if it had none.
TEST_F(FormKinds, SlotLastTextAndThroughFaces) {
    tag out = 42;
    EXPECT_EQ(KX_MODL_create_rect_slot(at_top, into, along_x, "10", "5", nullptr, top_, left_, NULL_TAG, &out),
              1105014);
    EXPECT_EQ(KX_MODL_create_u_slot(at_top, into, along_x, "10", "5", "1", nullptr, top_, NULL_TAG, NULL_TAG, &out),
              1105015);
    EXPECT_EQ(KX_MODL_create_t_slot(at_top, into, along_x, "6", "4", "12", "3", nullptr, top_, NULL_TAG, right_, &out),
              1105016);
    EXPECT_EQ(out, NULL_TAG);
    EXPECT_EQ(host::control::call_count("UNDO_JQ_set_mark"), 0);
    ASSERT_EQ(KX_MODL_create_rect_slot(at_top, into, along_x, "10", "5", "30", top_, left_, NULL_TAG, &out), 0);
    EXPECT_NEAR(volume(), kBlockVolume - 1500, 1e-6);
    EXPECT_EQ(formulas(out), (std::vector<std::string>{"10", "5", "30"}));
}

// A slot's placement on a datum plane compares the plane's normal with the
// reversed direction: the user's Z direction is then flagged.
TEST_F(FormKinds, DatumPlaneRecordsTheUsersZDirection) {
    const double plane_point[] = {0, 0, 20}, plane_normal[] = {0, 0, 1};
    const tag plane = host::profiles::create_direction_object(part_, 197, plane_point, plane_normal);
    BREF_set_current_target(body_);
    tag out = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_rect_slot(at_top, into, along_x, "10", "5", "30", plane, NULL_TAG, NULL_TAG, &out), 0);
    double x[3];
    int mode = 0, flag = 0;
    ask_users_directions(x, &mode, &flag);
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(x[0], 1);
    EXPECT_NEAR(volume(), kBlockVolume - 1500, 1e-6);
}

// An error injected at each step of a pocket's and a through slot's road:
// the code, and the model, the undo marks, the slots and the host's lists
// as before.
TEST_F(FormKinds, ErrorsAtEachStepLeaveEverythingAsItWas) {
    const char* sizes[] = {"20", "10", "5"};
    const std::vector<std::pair<const char*, bool>> steps = {
        {"save_users_x_dir", false},
        {"BREF_set_current_bref_of_face", false},
        {"KI_crlist", false},
        {"CM_ptcmtgli", false},
        {"CM_misc_set_trim_fref_list", false},
        {"ui_create_rect_pocket", false},
        {"ZQ_BODY_boolean", false},
        {"FORMF_ask_created_frec", false},
        {"ui_create_feature", false},
        {"CM_misc_set_thru_fref_list1", true},
        {"CM_misc_set_thru_fref_list2", true},
        {"ui_create_rect_slot", true},
    };
    for (const auto& [step, slot] : steps) {
        const double before = volume();
        const int made = features(part_);
        const int lists = host::feature::list_count();
        host::control::clear_scripts();
        host::control::raise_on(step, 670099, 1);
        tag out = 42;
        const int st =
            slot ? KX_MODL_create_rect_slot(at_top, into, along_x, "10", "5", nullptr, top_, left_, right_, &out)
                 : KX_MODL_create_rect_pocket(at_top, into, along_x, sizes, "0", "0", "0", top_, &out);
        EXPECT_EQ(st, 670099) << step;
        EXPECT_EQ(out, NULL_TAG) << step;
        EXPECT_EQ(marks(), 0) << step;
        EXPECT_TRUE(slots_empty()) << step;
        EXPECT_EQ(host::feature::list_count(), lists) << step;
        EXPECT_NEAR(volume(), before, 1e-6) << step;
        EXPECT_EQ(features(part_), made) << step;
    }
    // A groove and a chamfer: the current reference, the lists, the host
    // routine.
    const tag cylinder = boss_face();
    tag_list* edges = nullptr;
    KX_MODL_create_list(&edges);
    for (int e : host::kernel::edges_of(host::kernel::entity_of(body_))) {
        int type = 0;
        double p[3], d[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
        if (type == 3001 && std::fabs(std::fabs(d[0]) - 1) < 1e-9 && std::fabs(p[1]) < 1e-9 && std::fabs(p[2]) < 1e-9)
            KX_MODL_put_list_item(edges, host::kernel::object_of(e));
    }
    ASSERT_EQ(count(edges), 1);
    for (const auto& [step, groove] : std::vector<std::pair<const char*, bool>>{
             {"BREF_set_current_bref_of_face", true},
             {"KI_crlist", true},
             {"CM_misc_set_trim_fref_list", true},
             {"ui_create_rect_groove", true},
             {"ui_create_feature", true},
             {"BREF_set_current_bref_of_edge", false},
             {"KI_pttgli", false},
             {"FORMF_create_chamfer", false},
         }) {
        const double before = volume();
        const int made = features(part_);
        const int lists = host::feature::list_count();
        host::control::clear_scripts();
        host::control::raise_on(step, 670099, 1);
        double at[] = {50, 25, 27.5};
        tag out = 42;
        const int st = groove ? KX_MODL_create_rect_groove(at, out_of, "20", "4", cylinder, &out)
                              : KX_MODL_create_chamfer(1, "1", nullptr, nullptr, edges, &out);
        EXPECT_EQ(st, 670099) << step;
        EXPECT_EQ(out, NULL_TAG) << step;
        EXPECT_EQ(marks(), 0) << step;
        EXPECT_TRUE(slots_empty()) << step;
        EXPECT_EQ(host::feature::list_count(), lists) << step;
        EXPECT_NEAR(volume(), before, 1e-6) << step;
        EXPECT_EQ(features(part_), made) << step;
    }
    KX_MODL_delete_list(&edges);
    host::control::clear_scripts();
    // A finishing step that answers a status fails the creation too.
    host::control::return_status("ui_create_feature", 3);
    const double before = volume();
    tag out = 42;
    EXPECT_EQ(KX_MODL_create_rect_pocket(at_top, into, along_x, sizes, "0", "0", "0", top_, &out), 3);
    EXPECT_EQ(out, NULL_TAG);
    EXPECT_NEAR(volume(), before, 1e-6);
}

// Sizes the kernel cannot build: its code, nothing made.
TEST_F(FormKinds, SizesTheKernelCannotBuild) {
    const char* too_round[] = {"20", "10", "5"};
    const char* no_width[] = {"20", "0", "5"};
    struct Bad {
        const char* name;
        std::function<int(tag*)> make;
    };
    for (const Bad& b : std::vector<Bad>{
             {"corner_radius_too_big",
              [&](tag* out) {
                  return KX_MODL_create_rect_pad(at_top, out_of, along_x, too_round, "6", "0", top_, out);
              }},
             {"no_width",
              [&](tag* out) {
                  return KX_MODL_create_rect_pad(at_top, out_of, along_x, no_width, "0", "0", top_, out);
              }},
             {"taper_closes_the_boss",
              [&](tag* out) { return KX_MODL_create_boss(at_top, out_of, "10", "20", "30", top_, out); }},
             {"tip_angle_of_180",
              [&](tag* out) {
                  return KX_MODL_create_simple_hole(at_top, into, "10", "8", "180", top_, NULL_TAG, out);
              }},
             {"x_along_the_direction",
              [&](tag* out) {
                  double x[] = {0, 0, 1};
                  return KX_MODL_create_rect_slot(at_top, into, x, "10", "5", "30", top_, NULL_TAG, NULL_TAG, out);
              }},
         }) {
        tag out = 42;
        EXPECT_NE(b.make(&out), 0) << b.name;
        EXPECT_EQ(out, NULL_TAG) << b.name;
        EXPECT_EQ(marks(), 0) << b.name;
        EXPECT_NEAR(volume(), kBlockVolume, 1e-6) << b.name;
    }
    double zero[] = {0, 0, 0};
    tag out = 42;
    EXPECT_EQ(KX_MODL_create_rect_slot(at_top, into, zero, "10", "5", "30", top_, NULL_TAG, NULL_TAG, &out), 1105006);
    const char* sizes[] = {"20", nullptr, "5"};
    EXPECT_EQ(KX_MODL_create_rect_pad(at_top, out_of, along_x, sizes, "0", "0", top_, &out), 1105007);
}

// A rectangular pocket made again by the update with its new depth.
TEST_F(FormKinds, PocketFollowsItsDepthThroughTheUpdate) {
    const char* sizes[] = {"20", "10", "5"};
    tag pocket = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_rect_pocket(at_top, into, along_x, sizes, "0", "0", "0", top_, &pocket), 0);
    int n = 0;
    unsigned int* exps = nullptr;
    FREC_ask_system_exps_of_frec(pocket, &n, &exps);
    ASSERT_EQ(n, 6);
    char* text = nullptr;
    ASSERT_EQ(KX_MODL_ask_exp_tag_string(exps[2], &text), 0);
    const std::string name = std::string(text).substr(0, std::string(text).find('='));
    KX_free(text);
    SM_free(exps);
    ASSERT_EQ(KX_MODL_edit_exp((name + "=8").c_str()), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), kBlockVolume - 1600, 1e-6);
}

}  // namespace
