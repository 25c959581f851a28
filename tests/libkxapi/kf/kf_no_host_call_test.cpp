// The edit-method pair of the knowledge interface keeps no state and makes
// no host call: each is called once with the journal on and a session
// open, and the journal stays empty. Their no-host-call lines of
// tests/support/faultsim_unwalked.txt rest on this: there is nothing for
// the fault simulation to inject an error into.
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/control/faultsim.h"
#include "kxapi.h"
#include "libkxapi/core/kx_session.h"

namespace {

TEST(KfNoHostCall, EditMethodCallsAnswerZeroWithoutTheHost) {
    kx_reset_session_for_tests();
    host::control::reset();
    ASSERT_EQ(KX_initialize(), 0);
    struct Row {
        const char* name;
        int (*call)();
    };
    const Row rows[] = {{"KX_KF_ask_edit_method", KX_KF_ask_edit_method},
                        {"KX_KF_set_edit_method", KX_KF_set_edit_method}};
    for (const Row& r : rows) {
        host::control::clear_journal();
        EXPECT_EQ(r.call(), 0) << r.name;
        EXPECT_EQ(host::control::journal_size(), 0u) << r.name;
    }
    kx_reset_session_for_tests();
    host::control::reset();
}

}  // namespace
