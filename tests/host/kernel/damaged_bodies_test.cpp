// Part files whose kernel data is damaged in ways a checksum cannot see
// (the checksum made right again): the kernel's reader decodes shapes with
// parts missing or numbers out of bounds, which the kernel's checker would
// crash on. Each is refused with the corrupt-file code, leaving nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/data/part_file.h"
#include "host/data/parts.h"
#include "host/kernel/kernel.h"
#include "host/services/objects.h"

namespace {

namespace pf = host::part_file;

// A whole file around the sections of `body` (4-byte id, u32 size,
// payload each) that are whole, as the fuzz target that found these frames
// its inputs: header, counts and checksum as a writer makes them.
std::string framed(const std::string& body) {
    std::uint32_t count = 0;
    std::size_t at = 0;
    while (body.size() - at >= 8) {
        std::uint32_t size = 0;
        for (int i = 0; i < 4; ++i) size |= static_cast<std::uint32_t>(static_cast<unsigned char>(body[at + 4 + i])) << (8 * i);
        if (size > body.size() - at - 8) break;
        at += 8 + size;
        ++count;
    }
    pf::Writer w;
    w.raw(std::string_view(pf::kMagic, sizeof pf::kMagic));
    w.u32(pf::kFormatVersion);
    w.u32(pf::kHeaderSize);
    w.u32(count);
    w.u32(static_cast<std::uint32_t>(at));
    w.raw(std::string_view(body).substr(0, at));
    const std::uint32_t crc = pf::crc32(w.bytes());
    w.u32(crc);
    return w.bytes();
}

std::vector<std::filesystem::path> damaged_files() {
    std::vector<std::filesystem::path> out;
    for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(KX_TEST_DATA_DIR) / "damaged_bodies"))
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
        const std::string body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        pf::Image image;
        ASSERT_EQ(pf::decode(framed(body), image), 0);
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
