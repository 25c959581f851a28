// Part files whose kernel data is damaged in ways a checksum cannot see
// (the checksum made right again): the kernel's reader decodes shapes with
// parts missing or numbers out of bounds, which the kernel's checker would
// crash on, and takes pole and knot counts of curve, 2D curve and surface
// records as they stand, asking for gigabytes. Each is refused with the
// corrupt-file code, leaving nothing. Most files are inputs the fuzz target
// over the section readers found; in curve*_count.prt and
// surface*_count.prt one B-spline record's pole or knot count is 2^28.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/objects.h"

namespace {

namespace pf = host::part_file;

std::vector<std::filesystem::path> damaged_files() {
    std::vector<std::filesystem::path> out;
    for (const auto& e :
         std::filesystem::directory_iterator(std::filesystem::path(KX_TEST_DATA_DIR) / "damaged_bodies"))
        out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

TEST(DamagedBodies, KernelDataTheCheckerCannotTakeMakesTheFileCorrupt) {
    const std::vector<std::filesystem::path> files = damaged_files();
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        host::control::reset();
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        pf::Image image;
        ASSERT_EQ(pf::decode(bytes, image), 0);  // whole, checksum right
        const std::size_t live = host::objects::live_objects().size();
        int code = 0;
        EXPECT_EQ(pf::apply(image, "damaged.prt", &code), 0u);
        EXPECT_EQ(code, PART_ERR_CORRUPT);
        EXPECT_EQ(host::objects::live_objects().size(), live);
        EXPECT_TRUE(host::kernel::bodies().empty());
    }
    host::control::reset();
}

}  // namespace
