// The 100 x 50 x 20 block the form-feature tests work on, with the queries
// they share.
#ifndef TESTS_LIBKXAPI_MODL_FORM_FIXTURE_H
#define TESTS_LIBKXAPI_MODL_FORM_FIXTURE_H

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "kx_codes.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "kx_modl_cre_feat.h"
#include "kx_modl_exp.h"
#include "kx_undo.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/kx_session.h"
#include "libkxapi/modl/kx_modl_cre_feat_shared.h"

namespace form_test {

inline constexpr double kPi = std::numbers::pi;
inline constexpr double kBlockVolume = 100.0 * 50.0 * 20.0;

class FormFeature : public ::testing::Test {
protected:
    // Gives the feature's expression at `index` a new formula.
    static void set_formula(tag feature, int index, const std::string& formula) {
        int n = 0;
        unsigned int* exps = nullptr;
        FREC_ask_system_exps_of_frec(feature, &n, &exps);
        ASSERT_LT(index, n);
        char* text = nullptr;
        ASSERT_EQ(KX_MODL_ask_exp_tag_string(exps[index], &text), 0);
        SM_free(exps);
        std::string s = text;
        KX_free(text);
        ASSERT_EQ(KX_MODL_edit_exp((s.substr(0, s.find('=') + 1) + formula).c_str()), 0);
    }
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("form.prt");
        CONTEXT_set_work_part(part_);
        const char* sizes[] = {"100", "50", "20"};
        const double origin[] = {0, 0, 0};
        unsigned int block = 0;
        ASSERT_EQ(FEAT_create(part_, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block), 0);
        body_ = FREC_ask_body(block);
        top_ = face({0, 0, 1});
        bottom_ = face({0, 0, -1});
        side_ = face({1, 0, 0});
    }
    void TearDown() override {
        kx::modl::set_rpo_routine(nullptr);
        fresh();
    }
    static void fresh() {
        kx_reset_callbacks_for_tests();
        kx_reset_session_for_tests();
        host::control::reset();
    }

    // The block's planar face whose outward normal is n.
    tag face(std::vector<double> n) const {
        for (int f : host::kernel::faces_of(host::kernel::entity_of(body_))) {
            int type = 0, sense = 0;
            double p[3], d[3], r1 = 0, r2 = 0;
            ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
            if (type == ZQ_SURF_PLANE && d[0] * sense * n[0] + d[1] * sense * n[1] + d[2] * sense * n[2] > 0.999)
                return host::kernel::object_of(f);
        }
        ADD_FAILURE() << "no face";
        return NULL_TAG;
    }
    double volume() const {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body_), p);
        return p[ZQ_MP_VOLUME];
    }
    static int marks() { return UNDO_JQ_ask_number_of_marks(1) + UNDO_JQ_ask_number_of_marks(0); }
    // The feature's expressions as formulas, in the kind's order.
    static std::vector<std::string> formulas(tag feature) {
        int n = 0;
        unsigned int* exps = nullptr;
        FREC_ask_system_exps_of_frec(feature, &n, &exps);
        std::vector<std::string> out;
        for (int i = 0; i < n; ++i) {
            char* text = nullptr;
            EXPECT_EQ(KX_MODL_ask_exp_tag_string(exps[i], &text), 0);
            const std::string s = text ? text : "";
            out.push_back(s.substr(s.find('=') + 1));
            KX_free(text);
        }
        SM_free(exps);
        return out;
    }
    static int count(tag_list* list) {
        int n = 0;
        KX_MODL_ask_list_count(list, &n);
        return n;
    }

    KX_UNDO_mark_id_t mark_ = 0;
    tag part_ = NULL_TAG, body_ = NULL_TAG, top_ = NULL_TAG, bottom_ = NULL_TAG, side_ = NULL_TAG;
};

}  // namespace form_test

#endif
