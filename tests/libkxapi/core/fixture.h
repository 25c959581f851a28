// Common fixture of the interface-core tests: a fresh host and a fresh
// session state, as in a new process.
#ifndef TESTS_LIBKXAPI_CORE_FIXTURE_H
#define TESTS_LIBKXAPI_CORE_FIXTURE_H

#include <gtest/gtest.h>

#include "host/control/control.h"
#include "libkxapi/core/kx_session.h"

class FreshProcess : public ::testing::Test {
protected:
    void SetUp() override { fresh(); }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
        host::control::clear_decoders();
    }
};

#endif
