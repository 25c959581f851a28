// Host errors raised inside the multiple sew: each row names the host
// routine that raises (at each of its calls that the sew makes, one run
// per call). The call answers the raised code and leaves the model as
// before it (no sew made, the target not sewn), hands out no list and keeps
// no block; no frame stays armed.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "host/control/control.h"
#include "host/control/faultsim.h"
#include "host/kernel/engine/kernel.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/fresh_process.h"

namespace {

constexpr int kInjected = 670099;
namespace ctl = host::control;

struct Row {
    const char* name;
    const char* routine;
};
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

const Row kRows[] = {
    // The kernel's sew of the second sheet raised: the first stayed sewn.
    {"SewRaises", "ZQ_BODY_sew"},
    // A look-up of the host raised on the way: the sews made stayed.
    {"LookupRaises", "pxlook_"},
    // The host's arrays: the sews stayed, the first array was lost.
    {"ArrayRaises", "SM_alloc"},
    // The caller's lists after the host had sewn: the sews stayed.
    {"ListRaises", "SM_alloc_persistent"},
};

class MultipleSewsFailedCall : public ::testing::TestWithParam<Row> {
protected:
    void TearDown() override { kxtest::fresh_process(); }

    // A square sheet of side 10 on a face of the cube [0, 10]^3.
    static tag square(int axis, double at) {
        const int u = (axis + 1) % 3, v = (axis + 2) % 3;
        double pts[12] = {};
        const double corners[4][2] = {{0, 0}, {10, 0}, {0, 10}, {10, 10}};
        for (int i = 0; i < 4; ++i) {
            pts[3 * i + axis] = at;
            pts[3 * i + u] = corners[i][0];
            pts[3 * i + v] = corners[i][1];
        }
        int body = 0;
        ZQ_BODY_points_sheet(2, 2, pts, &body);
        return host::kernel::object_of(body);
    }
    // A fresh session with the target on z = 0 and tools on x = 0 and y = 0.
    void sheets() {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
        host::parts::set_work_part(host::parts::create("sews_rows.prt"));
        target_ = square(2, 0);
        tool_[0] = square(0, 0);
        tool_[1] = square(1, 0);
    }
    int sew(tag_list** sews, tag_list** bodies) {
        return KX_MODL_create_multiple_sews(target_, tool_[0], NULL_TAG, tool_[1], NULL_TAG, sews, bodies);
    }

    tag target_ = NULL_TAG, tool_[2] = {};
};

TEST_P(MultipleSewsFailedCall, TakesEverySewBackAndHandsOutNothing) {
    const Row& row = GetParam();
    sheets();
    tag_list* sews = nullptr;
    tag_list* bodies = nullptr;
    ctl::clear_journal();
    ASSERT_EQ(sew(&sews, &bodies), 0);
    const int calls = ctl::call_count(row.routine);
    KX_MODL_delete_list(&sews);
    KX_MODL_delete_list(&bodies);
    ASSERT_GT(calls, 0) << row.routine;
    for (int nth = 1; nth <= calls; ++nth) {
        SCOPED_TRACE(std::string(row.routine) + " call " + std::to_string(nth));
        sheets();
        const std::string model = ctl::model_fingerprint();
        const std::size_t blocks = ctl::live_blocks();
        ctl::raise_on(row.routine, kInjected, nth);
        const int st = sew(&sews, &bodies);
        ctl::clear_scripts();
        EXPECT_EQ(ctl::frame_depth(), 0);
        EXPECT_EQ(st, kInjected);
        EXPECT_EQ(sews, nullptr);
        EXPECT_EQ(bodies, nullptr);
        KX_MODL_delete_list(&sews);
        KX_MODL_delete_list(&bodies);
        EXPECT_EQ(ctl::live_blocks(), blocks);
        EXPECT_EQ(ctl::model_fingerprint(), model) << "the model changed";
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, MultipleSewsFailedCall, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

// A sew that the kernel refuses (a solid as the second tool) keeps the
// sew made before it, as it always did.
TEST_F(MultipleSewsFailedCall, RefusedSewKeepsTheEarlierOnes) {
    sheets();
    int solid = 0;
    const double origin[3] = {40, 40, 40}, size[3] = {3, 5, 7};
    ZQ_BODY_make_block(origin, size, &solid);
    tag_list* sews = nullptr;
    tag_list* bodies = nullptr;
    EXPECT_EQ(KX_MODL_create_multiple_sews(target_, tool_[0], host::kernel::object_of(solid), NULL_TAG, NULL_TAG,
                                           &sews, &bodies),
              KERNEL_ERR_WRONG_ENTITY);
    int n = 0;
    KX_MODL_ask_list_count(sews, &n);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(bodies, nullptr);
    KX_MODL_delete_list(&sews);
}

}  // namespace
