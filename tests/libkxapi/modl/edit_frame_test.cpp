// The feature edit frame's variants: where the initialisation check stands,
// acknowledgement, the mark's name, closing by delete or delete-to-mark,
// roll-back, no work without the mark, and the wrapper with target.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"
#include "kxapi.h"
#include "libkxapi/core/kx_session.h"
#include "libkxapi/modl/kx_modl_edit_frame.h"

namespace {

namespace ctl = host::control;
namespace km = kx::modl;

std::vector<std::string> mark_names() {
    std::vector<std::string> out;
    for (const auto& m : host::undo::marks()) out.push_back(m.name);
    return out;
}

class EditFrame : public ::testing::Test {
protected:
    void SetUp() override {
        kx_reset_session_for_tests();
        ctl::reset();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("frame.prt");
        CONTEXT_set_work_part(part_);
        int st = 0;
        UNDO_JQ_set_mark(UNDO_VISIBLE, "outer", &st);
    }
    void TearDown() override {
        kx_reset_session_for_tests();
        ctl::reset();
    }
    unsigned int part_ = 0;
};

TEST_F(EditFrame, Variants) {
    enum Outcome { done, status, raised };
    struct Case {
        const char* what;
        km::EditFrame frame;
        bool initialised;
        Outcome outcome;
        int expected;
        bool acknowledged;
        int handlers_before_check;         // ERROR_set_handler calls when refused uninitialised
        std::vector<std::string> during;   // marks while the work runs
        std::vector<std::string> after;    // marks after the call
    };
    const km::EditFrame named{.mark = km::marks::kCreateExtrusion};
    const km::EditFrame to_mark{.mark = km::marks::kCreateRevolution, .to_mark = true};
    const km::EditFrame no_mark{.set_mark = false};
    const km::EditFrame checked_inside{.opts = kx::Opts{.arm_first = true, .acknowledge = kx::every_code}};
    const std::vector<Case> cases = {
        {"primitive, done", km::kPrimitiveFrame, true, done, 0, false, 0, {"outer", "", "inner"}, {"outer", "inner"}},
        {"primitive, status", km::kPrimitiveFrame, true, status, 1105013, false, 0, {"outer", "", "inner"}, {"outer"}},
        {"primitive, raised and acknowledged", km::kPrimitiveFrame, true, raised, 670099, true, 0,
         {"outer", "", "inner"}, {"outer"}},
        {"named, raised, not acknowledged", named, true, raised, 670099, false, 0,
         {"outer", "JQ Open Create Extrusion", "inner"}, {"outer"}},
        {"delete to mark, done", to_mark, true, done, 0, false, 0, {"outer", "JQ Open Create Revolution", "inner"},
         {"outer"}},
        {"delete to mark, status", to_mark, true, status, 1105013, false, 0,
         {"outer", "JQ Open Create Revolution", "inner"}, {"outer"}},
        {"no mark, done", no_mark, true, done, 0, false, 0, {"outer", "inner"}, {"outer", "inner"}},
        {"checked first, refused", km::kPrimitiveFrame, false, done, KX_ERR_NOT_INITIALIZED, false, 0, {}, {"outer"}},
        {"checked inside the frame, refused", checked_inside, false, done, KX_ERR_NOT_INITIALIZED, false, 1, {},
         {"outer"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.initialised) kx_reset_session_for_tests();
        ctl::clear_journal();
        const std::size_t objects_before = host::objects::live_objects().size();
        const std::size_t acks_before = ctl::acknowledged_codes().size();
        std::vector<std::string> during;
        const int st = km::edit_frame(
            c.frame, [] { return 0; },
            [&] {
                // A change of the model, and a mark of the host's own.
                unsigned int exp = 0;
                EXP_create_exp(part_, "made=1", &exp);
                int s = 0;
                UNDO_JQ_set_mark(UNDO_VISIBLE, "inner", &s);
                during = mark_names();
                if (c.outcome == raised) ERROR_raise("test", 1, 670099, "%s", "the work failed");
                return c.outcome == status ? 1105013 : 0;
            });
        EXPECT_EQ(st, c.expected);
        EXPECT_EQ(during, c.during);
        EXPECT_EQ(mark_names(), c.after);
        const std::vector<int> acks = ctl::acknowledged_codes();
        EXPECT_EQ(std::find(acks.begin() + static_cast<long>(acks_before), acks.end(), 670099) != acks.end(),
                  c.acknowledged);
        if (!c.initialised) {
            EXPECT_EQ(ctl::call_count("ERROR_set_handler"), c.handlers_before_check);
        }
        // Done: the model changed; else as it was.
        EXPECT_EQ(host::objects::live_objects().size() > objects_before, st == 0);
        EXPECT_EQ(ctl::frame_depth(), 0);
        // Back to the state of the start for the next case.
        if (!c.initialised) {
            ASSERT_EQ(KX_initialize(), 0);
        }
        const auto marks = host::undo::marks();
        UNDO_JQ_undo_to_mark(marks.front().id, nullptr);
    }
}

// A mark that the undo service refuses: its code, and the work never runs.
TEST_F(EditFrame, NoWorkWithoutItsMark) {
    ctl::return_status("UNDO_JQ_set_mark", UNDO_ERR_BUSY);
    bool ran = false;
    EXPECT_EQ(km::edit_frame(km::kPrimitiveFrame, [] { return 0; }, [&] { return ran = true, 0; }), UNDO_ERR_BUSY);
    EXPECT_FALSE(ran);
    ctl::clear_script("UNDO_JQ_set_mark");
    EXPECT_EQ(mark_names(), std::vector<std::string>{"outer"});
}

// The wrapper with target: sign 0 looks at nothing; a body becomes the
// current target of its part; anything else raises 875288.
TEST_F(EditFrame, WrapperWithTarget) {
    const char* sizes[] = {"10", "20", "30"};
    const double at[] = {0, 0, 0};
    unsigned int block = 0;
    ASSERT_EQ(FEAT_create(part_, "BLOCK", 3, sizes, 3, at, 0, nullptr, 0, 0, &block), 0);
    const unsigned int body = FREC_ask_body(block);
    const unsigned int face = host::kernel::object_of(host::kernel::faces_of(ES_solid_ask_fermalith_tag(body))[0]);
    const auto run = [&](int sign, tag target) {
        return km::edit_frame(km::kPrimitiveFrame, [] { return 0; }, [&] {
            km::set_boolean_target("test", 1, sign, target);
            return 0;
        });
    };
    ctl::clear_journal();
    EXPECT_EQ(run(0, 12345), 0);
    EXPECT_EQ(ctl::call_count("ES_solid_ask_fermalith_tag"), 0);
    EXPECT_EQ(BREF_ask_current_target(part_), 0u);
    EXPECT_EQ(run(2, body), 0);
    EXPECT_EQ(BREF_ask_current_target(part_), body);
    for (tag bad : {face, tag{99999}}) EXPECT_EQ(run(1, bad), KX_MODL_ERR_NO_KERNEL_ENTITY) << bad;
    EXPECT_EQ(BREF_ask_current_target(part_), body);
}

}  // namespace
