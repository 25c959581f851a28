// Shared fixture of the knowledge engine's tests: a reset host with a work
// part, a directory of class files on the search path, and helpers that
// evaluate rules by name chain.
#ifndef TESTS_HOST_MODEL_RULES_RULES_TEST_H
#define TESTS_HOST_MODEL_RULES_RULES_TEST_H

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/model/rules/rules.h"
#include "host/base/services/memory.h"

// A bracket and the classes around it.
inline constexpr const char* kBracketClass = R"kcl({
  ancestors = { "shape" },
  rules = {
    width  = { type = "number", flags = "parameter", formula = "20" },
    height = { type = "number", flags = "parameter", formula = "10" },
    area   = { type = "number", formula = "width * height" },
    hole   = { type = "child", class = "hole", params = { d = "width / 4" } },
    holes  = { type = "child list", class = "hole", count = "3" },
  } })kcl";
inline constexpr const char* kShapeClass = R"kcl({ rules = {
    label = { type = "string", formula = "'shape'" },
    kind  = { type = "name", formula = "name('plate')" } } })kcl";
inline constexpr const char* kHoleClass = R"kcl({ rules = {
    d    = { type = "number", flags = "parameter", formula = "1" },
    r    = { type = "number", formula = "d / 2" },
    area = { type = "number", formula = "math.pi * r * r" } } })kcl";

class RulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::control::reset();
        part_ = host::parts::create("rules.prt");
        CONTEXT_set_work_part(part_);
        dir_ =
            std::filesystem::temp_directory_path() / ("kx_rules_" + std::to_string(::getpid()) + "_" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        write("bracket", kBracketClass);
        write("shape", kShapeClass);
        write("hole", kHoleClass);
        std::string d = dir_.string();
        char* path[] = {d.data(), nullptr};
        ASSERT_EQ(KBL_set_library_search_path(path), 0);
    }
    void TearDown() override {
        host::control::reset();
        std::filesystem::remove_all(dir_);
    }
    void write(const std::string& cls, const std::string& text) const { std::ofstream(dir_ / (cls + ".kcl")) << text; }
    // Prepares the part and puts a bracket "b" under the root.
    void prepare_bracket() {
        int status = -1;
        ASSERT_EQ(KBL_init_part(1, part_, &status), 0);
        ASSERT_EQ(status, 0);
        ASSERT_EQ(KBL_create_child_rule(nullptr, "Root:", "b", "bracket", 0, nullptr, nullptr, nullptr), 0);
    }
    // The value of a rule chain (status in *st when given).
    static KBL_value_t eval(const char* chain, int* st = nullptr) {
        KBL_value_t* v = nullptr;
        const int s = KBL_evaluate_rule_to_value(chain, &v);
        if (st) *st = s;
        KBL_value_t out{};
        if (v) {
            out = *v;
            KBL_free_value(v);
        }
        return out;
    }
    static double number(const char* chain) {
        const KBL_value_t v = eval(chain);
        EXPECT_EQ(v.kind, unsigned(KBL_KIND_NUMBER)) << chain;
        return v.payload.number;
    }
    // The error number of an error value (0 for another kind).
    static int error_of(const KBL_value_t& v) {
        if ((v.kind & KBL_KIND_MASK) != KBL_KIND_ERROR) return 0;
        return static_cast<const KBL_error_t*>(v.payload.pointer)->number;
    }

    unsigned int part_ = 0;
    std::filesystem::path dir_;
};

#endif
