// A fresh session of the old file interface with a temporary directory of
// its own, removed afterwards.
#ifndef TESTS_LIBKXAPI_CFI_CFI_FIXTURE_H
#define TESTS_LIBKXAPI_CFI_CFI_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/platform/cfi/cfi.h"
#include "host/control/control.h"
#include "host/base/services/memory.h"
#include "kx_cfi.h"
#include "kx_core.h"
#include "libkxapi/cfi/kx_cfi_internal.h"
#include "libkxapi/core/kx_session.h"

class CfiSession : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        std::string pattern = ::testing::TempDir() + "kx_cfi_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        ASSERT_EQ(KX_initialize(), 0);
    }
    void TearDown() override {
        EXPECT_EQ(host::cfi::open_channels(), 0) << "channels left open";
        fresh();
        std::filesystem::remove_all(dir);
    }
    static void fresh() {
        kx_cfi_reset_for_tests();
        kx_cfi_reset_arguments_for_tests();
        kx_reset_session_for_tests();
        host::control::reset();
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    void write_file(const std::string& name, const std::string& text) const {
        std::ofstream(path(name), std::ios::binary) << text;
    }
    std::string read_file(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string dir;
};

#endif
