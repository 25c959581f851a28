// A fresh session for the text and listing-window tests, which checks that
// no host text object is left behind.
#ifndef TESTS_LIBKXAPI_TEXT_TEXT_FIXTURE_H
#define TESTS_LIBKXAPI_TEXT_TEXT_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "host/control/control.h"
#include "host/base/services/text.h"
#include "kx_core.h"
#include "kx_text.h"
#include "libkxapi/core/kx_session.h"

class TextSession : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        texts_before = host::text::live_texts();
    }
    void TearDown() override {
        EXPECT_EQ(host::text::live_texts(), texts_before) << "text objects left behind";
        fresh();
    }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }
    // C string -> text -> C string in the current mode and code set.
    static std::string round_trip(const std::string& in, int max = -1, int* st_in = nullptr, int* st_out = nullptr) {
        KX_TEXT_p_t text = nullptr;
        const int a = KX_TEXT_convert_to_textpt(&text, in.c_str());
        char* out = nullptr;
        const int b = KX_TEXT_convert_to_user(&out, text, max);
        if (st_in) *st_in = a;
        if (st_out) *st_out = b;
        std::string s = out ? out : "<null>";
        KX_free(out);
        TEXT_free(text);
        return s;
    }
    int texts_before = 0;
};

#endif
