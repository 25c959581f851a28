// Fixture of the object and display tests: a fresh host and session, an
// open session and a work part holding objects of several kinds.
#ifndef TESTS_LIBKXAPI_OBJ_OBJ_FIXTURE_H
#define TESTS_LIBKXAPI_OBJ_OBJ_FIXTURE_H

#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/views.h"
#include "host/store/parts/parts.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "libkxapi/obj/kx_disp_internal.h"
#include "libkxapi/core/kx_session.h"

class ObjectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part = host::parts::create("fixture.prt");
        host::parts::set_work_part(part);
        point = make(2);
        line = make(3);
        arc = make(5);
        ellipse = make(6, 2);
        spline = make(9);
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_session_for_tests();
        kx_disp_reset_for_tests();
        host::control::reset();
        host::control::clear_decoders();
    }
    unsigned int make(int type, int subtype = 0, unsigned int in_part = 0) {
        return host::entity::create({OM_CLASS_RM_ENTITY, type, subtype, in_part ? in_part : part});
    }
    static bool alive(unsigned int t) { return host::objects::is_alive(t); }

    unsigned int part = 0;
    unsigned int point = 0, line = 0, arc = 0, ellipse = 0, spline = 0;
};

#endif
