// Fixture of the temporary-display and display-primitive tests: a fresh
// host and session, a work part, and a current layout of two views.
#ifndef TESTS_LIBKXAPI_DISP_DISP_FIXTURE_H
#define TESTS_LIBKXAPI_DISP_DISP_FIXTURE_H

#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "host/model/display/layout.h"
#include "kx_core.h"
#include "libkxapi/core/kx_session.h"

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part = host::parts::create("display.prt");
        host::parts::set_work_part(part);
        top = host::layout::make_model_view(part);
        front = host::layout::make_model_view(part);
        elsewhere = host::layout::make_model_view(part);
        host::layout::make_layout(part, {elsewhere}, false);
        host::layout::make_layout(part, {top, front});
        line = host::entity::create({OM_CLASS_RM_ENTITY, 3, 0, part});
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
        host::control::clear_decoders();
    }
    unsigned int part = 0;
    unsigned int top = 0, front = 0, elsewhere = 0, line = 0;
};

#endif
