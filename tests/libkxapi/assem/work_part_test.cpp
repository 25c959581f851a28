// The work part of the session.
#include "host/base/services/error.h"
#include "kx_assem.h"
#include "tests/libkxapi/obj/obj_fixture.h"

namespace {

using WorkPart = ObjectsTest;

TEST_F(WorkPart, AnswersOnlyInAnOpenSession) {
    EXPECT_EQ(KX_ASSEM_ask_work_part(), part);
    kx_reset_session_for_tests();
    host::control::clear_journal();
    EXPECT_EQ(KX_ASSEM_ask_work_part(), NULL_TAG);
    EXPECT_EQ(host::control::call_count("CONTEXT_ask_work_part"), 0);
    ASSERT_EQ(KX_initialize(), 0);
    host::control::raise_on("CONTEXT_ask_work_part", 670001);
    EXPECT_EQ(KX_ASSEM_ask_work_part(), NULL_TAG);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

}  // namespace
