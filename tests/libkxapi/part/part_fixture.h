// Fixture of the part and attribute tests of the interface: a fresh host
// and session, an open session, and a fresh temporary directory for part
// files.
#ifndef TESTS_LIBKXAPI_PART_PART_FIXTURE_H
#define TESTS_LIBKXAPI_PART_PART_FIXTURE_H

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "kx_core.h"
#include "kx_part.h"
#include "libkxapi/core/kx_session.h"

class PartApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        std::string pattern = (std::filesystem::temp_directory_path() / "kxpartapi-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        ASSERT_EQ(KX_initialize(), 0);
    }
    void TearDown() override {
        fresh();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
        host::control::clear_decoders();
    }
    // Closes everything and starts host and session afresh.
    void restart() {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
    }
    tag open(const std::string& file) {
        tag part = NULL_TAG;
        load_status status{};
        EXPECT_EQ(KX_PART_open(file.c_str(), &part, &status), 0);
        free_status(status);
        return part;
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    static void write(const std::string& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    }
    static void free_status(load_status& s) {
        KX_free_string_array(s.n_parts, s.file_names);
        KX_free(s.statuses);
        s = load_status{};
    }
    static bool acknowledged(int code) {
        const auto acks = host::control::acknowledged_codes();
        return std::find(acks.begin(), acks.end(), code) != acks.end();
    }
    std::filesystem::path dir_;
};

#endif
