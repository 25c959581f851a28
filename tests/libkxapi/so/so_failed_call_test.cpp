// Smart-object queries that meet a host error half way: the call answers
// the host's code and hands nothing to the caller (the blocks the host had
// made for the answer go back, the caller's record stays as it was).
#include <gtest/gtest.h>

#include <cstring>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/fresh_process.h"

namespace {

constexpr int kInjected = 670099;

class SmartFailedCall : public ::testing::Test {
protected:
    void SetUp() override {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
        const unsigned int part = host::parts::create("so_failed.prt");
        host::parts::set_work_part(part);
        const double at[4][3] = {{0, 0, 0}, {1.5, 2, 0}, {3, 2.5, 1}, {4.5, 0.5, 0}};
        for (int i = 0; i < 4; ++i) ES_create_point(at[i], &pts[i]);
        int kinds[4] = {0, 1, 2, 0};
        tag first[4] = {NULL_TAG, pts[3], pts[0], NULL_TAG}, second[4] = {NULL_TAG, NULL_TAG, pts[1], NULL_TAG};
        so_spline_data d{1, 3, 0, 4, kinds, pts, nullptr, first, second, nullptr, 7, 9};
        ASSERT_EQ(KX_SO_create_spline(part, &d, &spline), 0);
    }
    void TearDown() override { kxtest::fresh_process(); }

    tag pts[4] = {};
    tag spline = NULL_TAG;
};

// The record's arrays are made one by one: an error at each of them after
// the first gives back those made before it.
TEST_F(SmartFailedCall, SplineRecordGivesBackTheArraysMadeBeforeTheError) {
    for (int nth = 1; nth <= 5; ++nth) {
        SCOPED_TRACE(nth);
        const std::size_t blocks = host::control::live_blocks();
        so_spline_data record;
        std::memset(&record, 0x5a, sizeof record);
        so_spline_data before = record;
        host::control::raise_on("SM_alloc", kInjected, nth);
        EXPECT_EQ(KX_SO_ask_spline(spline, &record), kInjected);
        host::control::clear_scripts();
        EXPECT_EQ(host::control::live_blocks(), blocks);
        EXPECT_EQ(std::memcmp(&record, &before, sizeof record), 0);
    }
    // Without an error the record is whole.
    so_spline_data record{};
    ASSERT_EQ(KX_SO_ask_spline(spline, &record), 0);
    EXPECT_EQ(record.count, 4);
    EXPECT_EQ(record.points[2], pts[2]);
    EXPECT_EQ(record.second_objects[2], pts[1]);
    for (void* a : {static_cast<void*>(record.kinds), static_cast<void*>(record.points),
                    static_cast<void*>(record.parameters), static_cast<void*>(record.first_objects),
                    static_cast<void*>(record.second_objects), static_cast<void*>(record.third_objects)})
        KX_free(a);
}

}  // namespace
