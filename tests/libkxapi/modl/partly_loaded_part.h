// A part that is only partly loaded: made with `fill` in a directory of
// the test's own, saved with a component that is not there, closed and
// opened again (the component missing leaves it partly loaded). Answers
// the part as opened, 0 when a step failed (the failure is reported).
#ifndef TESTS_LIBKXAPI_MODL_PARTLY_LOADED_PART_H
#define TESTS_LIBKXAPI_MODL_PARTLY_LOADED_PART_H

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/base/services/memory.h"
#include "tests/support/part_files.h"

// A fill for the part: a 10 x 10 x 10 block.
inline void ten_mm_block(unsigned int part) {
    const char* size[] = {"10", "10", "10"};
    const double at[] = {0, 0, 0};
    unsigned int f = 0;
    EXPECT_EQ(FEAT_create(part, "BLOCK", 3, size, 3, at, 0, nullptr, 0, 0, &f), 0);
}

inline unsigned int partly_loaded_part(const std::string& dir_name, unsigned int work_part,
                                       const std::function<void(unsigned int part)>& fill) {
    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / dir_name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "proto.prt").string();
    const unsigned int proto = host::parts::create(file);
    CONTEXT_set_work_part(proto);
    fill(proto);
    host::parts::add_component(proto, "absent.prt");
    EXPECT_EQ(kxtest::save_part(proto), 0);
    CONTEXT_set_work_part(work_part);
    EXPECT_EQ(base_Part_Close(proto, 0, 1), 0);
    unsigned int reopened = 0;
    kxtest::open_part(file, &reopened);
    EXPECT_NE(reopened, 0u);
    if (reopened == 0) return 0;
    EXPECT_EQ(host::parts::load_state(reopened), PART_PARTIALLY_LOADED);
    return host::parts::load_state(reopened) == PART_PARTIALLY_LOADED ? reopened : 0;
}

#endif
