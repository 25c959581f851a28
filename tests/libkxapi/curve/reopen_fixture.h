// Curve tests that save the work part and read it back.
#ifndef TESTS_LIBKXAPI_CURVE_REOPEN_FIXTURE_H
#define TESTS_LIBKXAPI_CURVE_REOPEN_FIXTURE_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "tests/support/part_files.h"

// Saves the part, runs `reset` (which leaves a fresh host and session),
// reads the file back as the work part and answers the objects read by the
// tags they had (a file keeps the objects' order).
inline std::map<unsigned int, unsigned int> reopen_part(unsigned int& part, const std::function<void()>& reset) {
    const std::vector<unsigned int> before = host::objects::objects_of_part(part);
    const std::string file =
        (std::filesystem::temp_directory_path() / ("kxcurve-" + std::to_string(::getpid()) + ".prt")).string();
    EXPECT_EQ(host::part_file::write_part(file, part, nullptr, true), 0);
    reset();
    EXPECT_EQ(KX_initialize(), 0);
    EXPECT_EQ(kxtest::open_part(file, &part), 0);
    std::filesystem::remove(file);
    host::parts::set_work_part(part);
    const std::vector<unsigned int> after = host::objects::objects_of_part(part);
    EXPECT_EQ(after.size(), before.size());
    std::map<unsigned int, unsigned int> out;
    for (std::size_t i = 0; i < std::min(before.size(), after.size()); ++i) out[before[i]] = after[i];
    return out;
}

#endif
