// Fixture of the undo tests: a fresh host and session, the session open,
// and objects named by one letter whose liveness tells the model's state.
#ifndef TESTS_LIBKXAPI_UNDO_UNDO_FIXTURE_H
#define TESTS_LIBKXAPI_UNDO_UNDO_FIXTURE_H

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "host/control/control.h"
#include "host/model/feature/undo.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/kx_session.h"

class UndoSession : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::objects::create_part("undo_part");
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_callbacks_for_tests();
        kx_reset_session_for_tests();
        host::control::reset();
    }

    unsigned int create(char label) {
        const unsigned int t = host::objects::create({OM_CLASS_RM_ENTITY, 3, 0, part_, std::string(1, label)});
        objects_[label] = t;
        return t;
    }
    void destroy(char label) { host::objects::destroy(objects_.at(label)); }
    // Labels of the live objects made by create, in label order.
    std::string alive() const {
        std::string out;
        for (const auto& [label, t] : objects_)
            if (host::objects::is_alive(t)) out += label;
        return out;
    }
    // Names of the undo service's marks, oldest first, joined by commas.
    static std::string mark_names() {
        std::string out;
        for (const auto& m : host::undo::marks()) out += (out.empty() ? "" : ",") + m.name;
        return out;
    }

    unsigned int part_ = 0;
    std::map<char, unsigned int> objects_;
};

#endif
