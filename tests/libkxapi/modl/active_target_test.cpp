// The current target body as a user's program chooses it: through the
// interface alone (a new part, a block, a boss on it), the instance-set and
// face-offset creators refuse while the work part has no current target
// body, and make their features on the body once KX_MODL_active_part has
// made it the target.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kxapi.h"
#include "tests/support/fresh_process.h"

namespace {

class ActiveTarget : public ::testing::Test {
protected:
    void SetUp() override {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
        ASSERT_EQ(KX_PART_new("active_target.prt", 1, &part_), 0);
        // A block of 60 x 35 x 12 with a boss of diameter 8 and height 6
        // near one corner of its top face.
        double corner[3] = {0, 0, 0};
        const char* sizes[3] = {"60", "35", "12"};
        tag block = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_block1(0, corner, sizes, &block), 0);
        ASSERT_EQ(KX_MODL_ask_feat_body(block, &body_), 0);
        top_ = face_at(2, 12);
        ASSERT_NE(top_, NULL_TAG);
        double at[3] = {9, 7, 12}, up[3] = {0, 0, 1};
        ASSERT_EQ(KX_MODL_create_boss(at, up, "8", "6", "0", top_, &boss_), 0);
    }
    void TearDown() override { kxtest::fresh_process(); }

    std::vector<tag> faces() const {
        tag_list* list = nullptr;
        EXPECT_EQ(KX_MODL_ask_body_faces(body_, &list), 0);
        int n = 0;
        KX_MODL_ask_list_count(list, &n);
        std::vector<tag> out(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) KX_MODL_ask_list_item(list, i, &out[static_cast<std::size_t>(i)]);
        KX_MODL_delete_list(&list);
        return out;
    }
    // The plane face of the body whose box lies at `at` along the axis.
    tag face_at(int axis, double at) const {
        for (tag f : faces()) {
            int type = 0, sense = 0;
            double point[3], dir[3], box[6], r1 = 0, r2 = 0;
            if (KX_MODL_ask_face_data(f, &type, point, dir, box, &r1, &r2, &sense) == 0 && type == 22 &&
                box[axis] == at && box[axis + 3] == at)
                return f;
        }
        return NULL_TAG;
    }
    std::vector<double> box() const {
        std::vector<double> b(6);
        EXPECT_EQ(KX_MODL_ask_bounding_box(body_, b.data()), 0);
        return b;
    }
    static tag_list* list_of(tag t) {
        tag_list* l = nullptr;
        KX_MODL_create_list(&l);
        KX_MODL_put_list_item(l, t);
        return l;
    }

    tag part_ = NULL_TAG, body_ = NULL_TAG, top_ = NULL_TAG, boss_ = NULL_TAG;
};

TEST_F(ActiveTarget, InstanceSetAndFaceOffsetNeedTheTargetTheProgramChooses) {
    const std::size_t faces_before = faces().size();
    ASSERT_EQ(faces_before, 8u);  // the block's six, the boss's side and top
    // No current target body yet: both creators refuse and make nothing.
    tag_list* bosses = list_of(boss_);
    tag_list* ends = list_of(face_at(0, 60));
    tag set = NULL_TAG, offset = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_linear_iset(0, "3", "17", "2", "13", bosses, &set), 672178);
    EXPECT_EQ(KX_MODL_create_face_offset("2.5", ends, &offset), 672178);
    EXPECT_EQ(set, NULL_TAG);
    EXPECT_EQ(offset, NULL_TAG);
    EXPECT_EQ(faces().size(), faces_before);

    // A feature is no body: refused, still no target.
    EXPECT_EQ(KX_MODL_active_part(boss_, 0), 875008);
    EXPECT_EQ(KX_MODL_create_face_offset("2.5", ends, &offset), 672178);

    ASSERT_EQ(KX_MODL_active_part(body_, 0), 0);
    // Three by two bosses, 17 apart along X and 13 along Y: five copies
    // with a side and a top face each.
    ASSERT_EQ(KX_MODL_create_linear_iset(0, "3", "17", "2", "13", bosses, &set), 0);
    EXPECT_NE(set, NULL_TAG);
    EXPECT_EQ(faces().size(), faces_before + 10);
    // The end face at x = 60 moves out by 2.5.
    ASSERT_EQ(KX_MODL_create_face_offset("2.5", ends, &offset), 0);
    EXPECT_NE(offset, NULL_TAG);
    const std::vector<double> b = box();
    EXPECT_NEAR(b[0], 0, 1e-6);
    EXPECT_NEAR(b[3], 62.5, 1e-6);
    EXPECT_NEAR(b[4], 35, 1e-6);
    EXPECT_NEAR(b[5], 18, 1e-6);
    EXPECT_EQ(faces().size(), faces_before + 10);
    KX_MODL_delete_list(&bosses);
    KX_MODL_delete_list(&ends);
}

}  // namespace
