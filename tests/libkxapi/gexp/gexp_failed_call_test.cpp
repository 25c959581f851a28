// Geometric expressions whose measure meets a host error: the call answers
// that the objects cannot be measured, leaves the model and the live blocks
// as they were, and its frame is the one it cancels (nothing noted on the
// host log as an internal error, no frame left armed).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "host/base/services/error.h"
#include "host/control/control.h"
#include "host/control/faultsim.h"
#include "host/kernel/engine/kernel.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/fresh_process.h"

namespace {

constexpr int kInjected = 670099;
constexpr int kCannotMeasure = 670514;

class GexpFailedCall : public ::testing::Test {
public:
    void SetUp() override {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
        const unsigned int part = host::parts::create("gexp_failed.prt");
        host::parts::set_work_part(part);
        const double origin[3] = {1, 2, 0}, size[3] = {7, 3, 2};
        int body = 0;
        ZQ_BODY_make_block(origin, size, &body);
        for (int f : host::kernel::faces_of(body)) {
            int type = 0, sense = 0;
            double p[3], d[3], r = 0, r2 = 0;
            ZQ_FACE_ask_data(f, &type, p, d, &r, &r2, &sense);
            if (type == ZQ_SURF_PLANE && std::abs(std::abs(d[1]) - 1) < 1e-9)
                (p[1] < 3 ? front : back) = host::kernel::object_of(f);
            if (type == ZQ_SURF_PLANE && std::abs(std::abs(d[0]) - 1) < 1e-9)
                (p[0] < 4 ? left : right) = host::kernel::object_of(f);
        }
        edge = host::kernel::object_of(host::kernel::edges_of(body).at(0));
        ASSERT_EQ(KX_GEXP_create_distance(front, back, 0, 0, &distance, &exp), 0);
        ASSERT_EQ(KX_GEXP_create_angle(front, left, back, 0, 0, 0, &angle, &exp), 0);
        ASSERT_EQ(KX_GEXP_create_length(edge, 0, &length, &exp), 0);
    }
    void TearDown() override { kxtest::fresh_process(); }

    tag front = 0, back = 0, left = 0, right = 0, edge = 0, distance = 0, angle = 0, length = 0, exp = 0;
};

struct Row {
    const char* name;
    const char* routine;  // the kernel routine that raises, its first call
    std::function<int(GexpFailedCall&, tag*, tag*)> call;
};

TEST_F(GexpFailedCall, AMeasureThatMeetsAHostErrorCannotMeasureAndKeepsTheFrame) {
    const std::vector<Row> rows = {
        {"create distance", "ZQ_ENTITY_ask_min_distance",
         [](GexpFailedCall& t, tag* f, tag* e) { return KX_GEXP_create_distance(t.left, t.right, 5, 6, f, e); }},
        {"create angle", "ZQ_FACE_ask_data",
         [](GexpFailedCall& t, tag* f, tag* e) {
             return KX_GEXP_create_angle(t.left, t.back, t.front, 1, 2, 3, f, e);
         }},
        {"create length", "ZQ_EDGE_ask_length",
         [](GexpFailedCall& t, tag* f, tag* e) { return KX_GEXP_create_length(t.edge, 4, f, e); }},
        {"edit distance", "ZQ_ENTITY_ask_min_distance",
         [](GexpFailedCall& t, tag*, tag*) { return KX_GEXP_edit_distance(t.distance, t.left, t.right, 7, 8); }},
        {"edit angle", "ZQ_ENTITY_ask_class",
         [](GexpFailedCall& t, tag*, tag*) {
             return KX_GEXP_edit_angle(t.angle, t.front, t.right, t.back, 1, 2, 3);
         }},
        {"edit length", "ZQ_EDGE_ask_length",
         [](GexpFailedCall& t, tag*, tag*) { return KX_GEXP_edit_length(t.length, t.edge, 9); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string model = host::control::model_fingerprint();
        const std::size_t blocks = host::control::live_blocks();
        host::control::clear_log();
        host::control::raise_on(r.routine, kInjected, 1);
        tag feature = 123, expression = 456;
        EXPECT_EQ(r.call(*this, &feature, &expression), kCannotMeasure);
        host::control::clear_scripts();
        EXPECT_EQ(feature, 123u);
        EXPECT_EQ(expression, 456u);
        EXPECT_EQ(host::control::model_fingerprint(), model);
        EXPECT_EQ(host::control::live_blocks(), blocks);
        EXPECT_TRUE(host::error::g_frames.frames.empty());
        for (const std::string& line : host::control::log_lines())
            EXPECT_EQ(line.find("internal error"), std::string::npos) << line;
    }
}

}  // namespace
