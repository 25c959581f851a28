// Fixture of the layer, group and boundary tests: a fresh host and
// session with a part that is displayed and the work part.
#ifndef TESTS_LIBKXAPI_LAYER_LAYER_FIXTURE_H
#define TESTS_LIBKXAPI_LAYER_LAYER_FIXTURE_H

#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "kx_core.h"
#include "libkxapi/core/kx_session.h"

class PartTest : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part = host::parts::create("layers.prt");
        host::parts::set_display_part(part);
        host::parts::set_work_part(part);
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
        host::control::clear_decoders();
    }
    unsigned int object(int type, int subtype = 0) {
        return host::entity::create({OM_CLASS_RM_ENTITY, type, subtype, part});
    }
    // No part at all: neither work nor displayed.
    void no_part() {
        host::parts::set_work_part(0);
        host::parts::set_display_part(0);
    }
    unsigned int part = 0;
};

#endif
