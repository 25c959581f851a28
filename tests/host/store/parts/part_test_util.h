// Shared pieces of the part-service tests: a reset host with a fresh
// temporary directory, and small file helpers.
#ifndef TESTS_HOST_STORE_PARTS_PART_TEST_UTIL_H
#define TESTS_HOST_STORE_PARTS_PART_TEST_UTIL_H

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/events.h"
#include "host/store/parts/parts.h"
#include "host/base/services/memory.h"

class PartDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::control::reset();
        std::string pattern = (std::filesystem::temp_directory_path() / "kxparts-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        host::control::reset();
        std::error_code ec;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
        for (auto& e : std::filesystem::recursive_directory_iterator(dir_, ec))
            std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(dir_, ec);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    static std::string read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void write(const std::string& file, const std::string& bytes) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        return names;
    }
    // Frees the arrays of a load report.
    static void free_status(PART_load_status_t& s) {
        for (int i = 0; i < s.n_parts; ++i) SM_free(s.file_names[i]);
        SM_free(s.file_names);
        SM_free(s.statuses);
        s = PART_load_status_t{};
    }
    std::filesystem::path dir_;
};

#endif
