// Feature sets and mirror sets on the 100 x 50 x 20 block: a named set
// edited and hidden, a boss mirrored about the block's middle plane and
// moved with a new plane, the refusals, and both kept in a part file.
#include <filesystem>
#include <functional>
#include <set>

#include "host/apps/modeling/boolean/booleans.h"
#include "host/apps/modeling/sets/feature_sets.h"
#include "host/apps/modeling/sets/instance_sets.h"
#include "host/apps/modeling/sets/mirror_sets.h"
#include "kx_modl_sets.h"
#include "tests/libkxapi/modl/instance_set_fixture.h"

namespace {

using form_test::kBlockVolume;
using form_test::kPi;

class Sets : public iset_test::SetFixture {
protected:
    void SetUp() override {
        SetFixture::SetUp();
        // A plate of its own body whose -X face lies in the block's middle
        // plane x = 50 and whose +X face lies in x = 60.
        const char* sizes[] = {"10", "10", "10"};
        const double corner[] = {50, 200, 0};
        unsigned int plate = 0;
        ASSERT_EQ(FEAT_create(part_, "BLOCK", 3, sizes, 3, corner, 0, nullptr, 0, 0, &plate), 0);
        plate_ = FREC_ask_body(plate);
        middle_ = plate_face(-1);
        sixty_ = plate_face(1);
    }
    // The plate's face along x (sign -1: at x = 50, 1: at x = 60).
    tag plate_face(int sign) const {
        for (int f : host::kernel::faces_of(host::kernel::entity_of(plate_))) {
            int type = 0, sense = 0;
            double p[3], d[3], r1 = 0, r2 = 0;
            ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
            if (type == ZQ_SURF_PLANE && d[0] * sense * sign > 0.999) return host::kernel::object_of(f);
        }
        ADD_FAILURE() << "no plate face";
        return NULL_TAG;
    }
    static std::vector<tag> members_of(tag set) {
        tag* m = nullptr;
        int n = -1;
        EXPECT_EQ(KX_MODL_ask_all_members_of_set(set, &m, &n), 0);
        EXPECT_NE(m, nullptr);
        return tags(m, n);
    }
    static int features() {
        return static_cast<int>(host::feature::features_of_part(host::parts::work_part()).size());
    }

    tag plate_ = NULL_TAG, middle_ = NULL_TAG, sixty_ = NULL_TAG;
};

TEST_F(Sets, NamedSetIsEditedAndHidden) {
    const tag b1 = boss(20, 25), b2 = boss(80, 25), h = hole(50, 25);
    const int marks_before = marks();
    tag members[] = {b1, b2};
    tag set = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_set_of_feature("bosses", members, 2, 0, &set), 0);
    EXPECT_EQ(marks(), marks_before);  // no mark of the creation stays behind
    char* type = nullptr;
    ASSERT_EQ(KX_MODL_ask_feat_type(set, &type), 0);
    EXPECT_STREQ(type, "FSET");
    KX_free(type);

    tag found = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_set_from_name("bosses", &found), 0);
    EXPECT_EQ(found, set);
    EXPECT_EQ(members_of(set), (std::vector<tag>{b1, b2}));
    int member = -1;
    ASSERT_EQ(KX_MODL_is_feature_a_set_member(b1, &member), 0);
    EXPECT_EQ(member, 1);
    ASSERT_EQ(KX_MODL_is_feature_a_set_member(h, &member), 0);
    EXPECT_EQ(member, 0);

    // A second set holding b2: b2 is in both.
    tag second = NULL_TAG;
    tag only_b2[] = {b2};
    ASSERT_EQ(KX_MODL_create_set_of_feature("right", only_b2, 1, 0, &second), 0);
    tag* sets = nullptr;
    int n = 0;
    ASSERT_EQ(KX_MODL_ask_sets_of_member(b2, &sets, &n), 0);
    EXPECT_EQ(tags(sets, n), (std::vector<tag>{set, second}));

    // Other members: the hole in place of b1.
    tag edited[] = {h, b2};
    ASSERT_EQ(KX_MODL_edit_set_members(set, edited, 2), 0);
    EXPECT_EQ(members_of(set), (std::vector<tag>{h, b2}));
    ASSERT_EQ(KX_MODL_is_feature_a_set_member(b1, &member), 0);
    EXPECT_EQ(member, 0);

    // Hidden: the members leave the feature browser; shown: they come back,
    // but b2 stays out while the other hidden set holds it.
    int state = 5;
    ASSERT_EQ(KX_MODL_edit_set_hide_state(set, &state), 0);
    EXPECT_EQ(state, 1);
    EXPECT_EQ(FREC_is_browseable(h), 0);
    EXPECT_EQ(FREC_is_browseable(b2), 0);
    EXPECT_EQ(FREC_is_browseable(b1), 1);
    state = 1;
    ASSERT_EQ(KX_MODL_edit_set_hide_state(second, &state), 0);
    state = 0;
    ASSERT_EQ(KX_MODL_edit_set_hide_state(set, &state), 0);
    EXPECT_EQ(state, 0);
    EXPECT_EQ(FREC_is_browseable(h), 1);
    EXPECT_EQ(FREC_is_browseable(b2), 0);
    ASSERT_EQ(KX_MODL_edit_set_hide_state(second, &state), 0);
    EXPECT_EQ(FREC_is_browseable(b2), 1);
    EXPECT_NEAR(volume(), kBlockVolume + 2 * boss_volume() - hole_volume(), 1e-3);
}

TEST_F(Sets, SetsWithoutMembersAndFeaturesInNoSet) {
    const tag b = boss(20, 25);
    tag set = NULL_TAG;
    // Created hidden (flag 1), without members.
    ASSERT_EQ(KX_MODL_create_set_of_feature("empty", nullptr, 0, 1, &set), 0);
    EXPECT_EQ(members_of(set), std::vector<tag>{});
    int state = 1;
    ASSERT_EQ(KX_MODL_edit_set_hide_state(set, &state), 0);
    EXPECT_EQ(state, 1);
    tag* sets = reinterpret_cast<tag*>(0x1);
    int n = -1;
    ASSERT_EQ(KX_MODL_ask_sets_of_member(b, &sets, &n), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(sets, nullptr);
    // Members given, then taken away again with count 0.
    tag one[] = {b};
    ASSERT_EQ(KX_MODL_edit_set_members(set, one, 1), 0);
    EXPECT_EQ(FREC_is_browseable(b), 0);  // the set is hidden
    ASSERT_EQ(KX_MODL_edit_set_members(set, nullptr, 0), 0);
    EXPECT_EQ(members_of(set), std::vector<tag>{});
    EXPECT_EQ(FREC_is_browseable(b), 1);
    // Any feature is found by its display name too.
    tag block = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_set_from_name("BLOCK(1)", &block), 0);
    EXPECT_EQ(FREC_ask_body(block), body_);
}

// Each refusal leaves the model as it was: no feature more or less, no
// member changed, no mark left behind.
TEST_F(Sets, SetRefusals) {
    const tag b = boss(20, 25);
    tag members[] = {b};
    tag set = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_set_of_feature("bosses", members, 1, 0, &set), 0);
    const tag later = boss(80, 25);  // newer than the set
    tag out = NULL_TAG;
    int flag = 0, n = 0;
    tag* array = nullptr;
    tag face[] = {top_}, none[] = {NULL_TAG}, newer[] = {later}, itself[] = {set};
    struct Case {
        const char* what;
        std::function<int()> call;
        int code;
    };
    const std::vector<Case> cases = {
        {"empty name", [&] { return KX_MODL_create_set_of_feature("", members, 1, 0, &out); }, 875014},
        {"face member", [&] { return KX_MODL_create_set_of_feature("x", face, 1, 0, &out); }, 875033},
        {"null member", [&] { return KX_MODL_create_set_of_feature("x", none, 1, 0, &out); }, 875033},
        {"null name", [&] { return KX_MODL_create_set_of_feature(nullptr, members, 1, 0, &out); }, 1105004},
        {"null members", [&] { return KX_MODL_create_set_of_feature("x", nullptr, 1, 0, &out); }, 1105005},
        {"negative count", [&] { return KX_MODL_create_set_of_feature("x", members, -1, 0, &out); }, 1105006},
        {"null output", [&] { return KX_MODL_create_set_of_feature("x", members, 1, 0, nullptr); }, 1105013},
        {"name taken", [&] { return KX_MODL_create_set_of_feature("bosses", members, 1, 0, &out); },
         FEAT_ERR_BAD_PARAMETERS},
        {"edit: no set", [&] { return KX_MODL_edit_set_members(b, members, 1); }, 875004},
        {"edit: no feature", [&] { return KX_MODL_edit_set_members(top_, members, 1); }, 875033},
        {"edit: null set", [&] { return KX_MODL_edit_set_members(NULL_TAG, members, 1); }, 875033},
        {"edit: newer member", [&] { return KX_MODL_edit_set_members(set, newer, 1); }, 875033},
        {"edit: the set itself", [&] { return KX_MODL_edit_set_members(set, itself, 1); }, 875033},
        {"edit: face member", [&] { return KX_MODL_edit_set_members(set, face, 1); }, 875033},
        {"edit: null members", [&] { return KX_MODL_edit_set_members(set, nullptr, 1); }, 1105005},
        {"edit: negative count", [&] { return KX_MODL_edit_set_members(set, members, -2); }, 1105006},
        {"hide: no set", [&] { return KX_MODL_edit_set_hide_state(b, &flag); }, 875004},
        {"hide: null state", [&] { return KX_MODL_edit_set_hide_state(set, nullptr); }, 1105005},
        {"member: face", [&] { return KX_MODL_is_feature_a_set_member(top_, &flag); }, 875033},
        {"member: null output", [&] { return KX_MODL_is_feature_a_set_member(b, nullptr); }, 1105005},
        {"sets of: face", [&] { return KX_MODL_ask_sets_of_member(top_, &array, &n); }, 875033},
        {"sets of: null count", [&] { return KX_MODL_ask_sets_of_member(b, &array, nullptr); }, 1105006},
        {"name: unknown", [&] { return KX_MODL_ask_set_from_name("nothing", &out); }, 875014},
        {"name: empty", [&] { return KX_MODL_ask_set_from_name("", &out); }, 875014},
        {"name: null", [&] { return KX_MODL_ask_set_from_name(nullptr, &out); }, 1105004},
        {"name: null output", [&] { return KX_MODL_ask_set_from_name("bosses", nullptr); }, 1105005},
        {"members: no set", [&] { return KX_MODL_ask_all_members_of_set(b, &array, &n); }, 875004},
        {"members: null array", [&] { return KX_MODL_ask_all_members_of_set(set, nullptr, &n); }, 1105005},
    };
    const int features_before = features(), marks_before = marks();
    for (const Case& c : cases) {
        out = 77;
        EXPECT_EQ(c.call(), c.code) << c.what;
        EXPECT_EQ(features(), features_before) << c.what;
        EXPECT_EQ(marks(), marks_before) << c.what;
        EXPECT_EQ(members_of(set), std::vector<tag>{b}) << c.what;
    }
    out = 77;  // outputs are cleared before the checks
    EXPECT_EQ(KX_MODL_create_set_of_feature("", members, 1, 0, &out), 875014);
    EXPECT_EQ(out, NULL_TAG);
}

TEST_F(Sets, BossMirroredAboutTheMiddlePlaneAndMoved) {
    const tag b = boss(30, 25);
    const double with_boss = volume();
    ASSERT_NEAR(with_boss, kBlockVolume + boss_volume(), 1e-3);
    const int marks_before = marks();
    tag inputs[] = {b};
    tag mirror = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_mirror_set(inputs, 1, middle_, &mirror), 0);
    EXPECT_EQ(marks(), marks_before);
    // A second boss at x = 70: the volume grows by the boss's.
    EXPECT_NEAR(volume(), kBlockVolume + 2 * boss_volume(), 1e-3);
    EXPECT_TRUE(inside(30, 25, 25));
    EXPECT_TRUE(inside(70, 25, 25));
    EXPECT_TRUE(inside(74.5, 25, 29.5));
    EXPECT_FALSE(inside(75.5, 25, 25));
    EXPECT_FALSE(inside(90, 25, 25));
    tag plane = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_plane_of_mirror_set(mirror, &plane), 0);
    EXPECT_EQ(plane, middle_);
    EXPECT_EQ(inputs_of(mirror), std::vector<tag>{b});

    // The plane x = 60: nothing moves until the model is updated, then the
    // copy stands at x = 90.
    ASSERT_EQ(KX_MODL_edit_mirror_set(mirror, nullptr, 0, sixty_), 0);
    EXPECT_TRUE(inside(70, 25, 25));
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_FALSE(inside(70, 25, 25));
    EXPECT_TRUE(inside(90, 25, 25));
    EXPECT_TRUE(inside(30, 25, 25));
    EXPECT_NEAR(volume(), kBlockVolume + 2 * boss_volume(), 1e-3);
    ASSERT_EQ(KX_MODL_ask_plane_of_mirror_set(mirror, &plane), 0);
    EXPECT_EQ(plane, sixty_);
    EXPECT_EQ(inputs_of(mirror), std::vector<tag>{b});  // count 0: the inputs stay

    // A boss newer than the set is refused: nothing changes.
    tag newer[] = {boss(40, 10)};
    EXPECT_EQ(KX_MODL_edit_mirror_set(mirror, newer, 1, middle_), 875033);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_TRUE(inside(90, 25, 25));
}

TEST_F(Sets, MirrorOfAnInstanceSetMasterMirrorsTheWholePattern) {
    const tag h = hole(10, 10);
    tag_list* list = nullptr;
    ASSERT_EQ(KX_MODL_create_list(&list), 0);
    ASSERT_EQ(KX_MODL_put_list_item(list, h), 0);
    tag iset = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_linear_iset(0, "2", "30", "1", "0", list, &iset), 0);
    KX_MODL_delete_list(&list);
    ASSERT_NEAR(volume(), kBlockVolume - 2 * hole_volume(), 1e-3);
    EXPECT_EQ(ISET_is_an_initial_master_frec(h), 1);
    EXPECT_EQ(ISET_is_an_initial_master_frec(iset), 0);

    tag inputs[] = {h};
    tag mirror = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_mirror_set(inputs, 1, middle_, &mirror), 0);
    // The set's first instance is mirrored, with the master it copies: holes
    // at x = 10, 40 and their mirror images at x = 90, 60.
    EXPECT_EQ(inputs_of(mirror), std::vector<tag>{iset});
    EXPECT_NEAR(volume(), kBlockVolume - 4 * hole_volume(), 1e-3);
    for (double x : {10.0, 40.0, 60.0, 90.0}) EXPECT_FALSE(inside(x, 10, 15)) << x;
    EXPECT_TRUE(inside(70, 10, 15));
}

TEST_F(Sets, MirrorRefusalsLeaveTheModelAsItWas) {
    const tag b = boss(30, 25), h = hole(70, 10);
    tag inputs[] = {b};
    tag mirror = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_mirror_set(inputs, 1, middle_, &mirror), 0);
    const double volume_before = volume();
    tag out = NULL_TAG;
    tag* array = nullptr;
    int n = 0;
    // The boss's cylindrical side: no planar face.
    tag side = NULL_TAG;
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body_))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_CYLINDER) side = host::kernel::object_of(f);
    }
    ASSERT_NE(side, NULL_TAG);
    tag face[] = {top_}, mixed[] = {b, h}, itself[] = {mirror}, only_hole[] = {h};
    struct Case {
        const char* what;
        std::function<int()> call;
        int code;
    };
    const std::vector<Case> cases = {
        {"no members", [&] { return KX_MODL_create_mirror_set(inputs, 0, middle_, &out); }, FEAT_ERR_BAD_PARAMETERS},
        {"face member", [&] { return KX_MODL_create_mirror_set(face, 1, middle_, &out); }, 875033},
        {"curved plane", [&] { return KX_MODL_create_mirror_set(inputs, 1, side, &out); }, 875007},
        {"no plane", [&] { return KX_MODL_create_mirror_set(inputs, 1, NULL_TAG, &out); }, 875007},
        {"feature as plane", [&] { return KX_MODL_create_mirror_set(inputs, 1, b, &out); }, 875007},
        {"cut and unite", [&] { return KX_MODL_create_mirror_set(mixed, 2, middle_, &out); }, HOST_ERR_BAD_ARGUMENT},
        {"null features", [&] { return KX_MODL_create_mirror_set(nullptr, 1, middle_, &out); }, 1105004},
        {"negative count", [&] { return KX_MODL_create_mirror_set(inputs, -1, middle_, &out); }, 1105005},
        {"null output", [&] { return KX_MODL_create_mirror_set(inputs, 1, middle_, nullptr); }, 1105007},
        {"plane of no mirror set", [&] { return KX_MODL_ask_plane_of_mirror_set(b, &out); }, 875033},
        {"plane: null output", [&] { return KX_MODL_ask_plane_of_mirror_set(mirror, nullptr); }, 1105005},
        {"features of no mirror set", [&] { return KX_MODL_ask_features_of_mirror_set(h, &array, &n); }, 875033},
        {"features: null count", [&] { return KX_MODL_ask_features_of_mirror_set(mirror, &array, nullptr); },
         1105006},
        {"edit no mirror set", [&] { return KX_MODL_edit_mirror_set(b, inputs, 1, sixty_); }, 875033},
        {"edit: the set itself", [&] { return KX_MODL_edit_mirror_set(mirror, itself, 1, sixty_); }, 875033},
        {"edit: face member", [&] { return KX_MODL_edit_mirror_set(mirror, face, 1, sixty_); }, 875033},
        {"edit: bad plane after good inputs", [&] { return KX_MODL_edit_mirror_set(mirror, inputs, 1, side); },
         875007},
        {"edit: operation changes", [&] { return KX_MODL_edit_mirror_set(mirror, only_hole, 1, sixty_); },
         FEAT_ERR_BAD_REFERENCE},
        {"edit: null features", [&] { return KX_MODL_edit_mirror_set(mirror, nullptr, 1, sixty_); }, 1105005},
        {"edit: negative count", [&] { return KX_MODL_edit_mirror_set(mirror, inputs, -1, sixty_); }, 1105006},
    };
    const int features_before = features(), marks_before = marks();
    for (const Case& c : cases) {
        EXPECT_EQ(c.call(), c.code) << c.what;
        EXPECT_EQ(features(), features_before) << c.what;
        EXPECT_EQ(marks(), marks_before) << c.what;
        ASSERT_EQ(KX_MODL_update(), 0) << c.what;
        EXPECT_NEAR(volume(), volume_before, 1e-3) << c.what;
        EXPECT_EQ(inputs_of(mirror), std::vector<tag>{b}) << c.what;
        tag plane = NULL_TAG;
        EXPECT_EQ(KX_MODL_ask_plane_of_mirror_set(mirror, &plane), 0);
        EXPECT_EQ(plane, middle_) << c.what;
    }
    EXPECT_EQ(out, NULL_TAG);
}

// A part with a set and a mirror set, saved and opened again: the set keeps
// its name, members and hidden state, the mirror set its inputs and plane,
// and a new plane still moves the copy.
using SetsFile = Sets;

TEST_F(SetsFile, SetAndMirrorSetOpenAgain) {
    const tag b = boss(30, 25);
    tag members[] = {b};
    tag set = NULL_TAG, mirror = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_set_of_feature("kept bosses", members, 1, 1, &set), 0);
    ASSERT_EQ(KX_MODL_create_mirror_set(members, 1, middle_, &mirror), 0);
    const std::string boss_name = host::feature::display_name(b);
    const std::string mirror_name = host::feature::display_name(mirror);

    reopen();

    const tag boss_again = FREC_ask_frec_from_name(part_, boss_name.c_str());
    const tag mirror_again = FREC_ask_frec_from_name(part_, mirror_name.c_str());
    ASSERT_NE(boss_again, NULL_TAG);
    ASSERT_NE(mirror_again, NULL_TAG);
    tag set_again = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_set_from_name("kept bosses", &set_again), 0);
    EXPECT_EQ(members_of(set_again), std::vector<tag>{boss_again});
    EXPECT_EQ(FREC_is_browseable(boss_again), 0);  // hidden with its set
    int state = 0;
    ASSERT_EQ(KX_MODL_edit_set_hide_state(set_again, &state), 0);
    EXPECT_EQ(FREC_is_browseable(boss_again), 1);

    EXPECT_EQ(inputs_of(mirror_again), std::vector<tag>{boss_again});
    plate_ = FREC_ask_body(FREC_ask_frec_from_name(part_, "BLOCK(2)"));
    tag plane = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_plane_of_mirror_set(mirror_again, &plane), 0);
    EXPECT_EQ(plane, plate_face(-1));
    ASSERT_EQ(KX_MODL_edit_mirror_set(mirror_again, nullptr, 0, plate_face(1)), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_TRUE(inside(90, 25, 25));
    EXPECT_FALSE(inside(70, 25, 25));
    EXPECT_NEAR(volume(), kBlockVolume + 2 * boss_volume(), 1e-3);
}

}  // namespace
