// Shared fixture of the host's tests: every test starts on a reset host.
#ifndef TESTS_HOST_HOST_TEST_H
#define TESTS_HOST_HOST_TEST_H

#include <gtest/gtest.h>

#include "host/control/control.h"

class HostTest : public ::testing::Test {
protected:
    void SetUp() override { host::control::reset(); }
    void TearDown() override { host::control::reset(); }
};

#endif
