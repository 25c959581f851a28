// Part images with one row of a section changed in place: the read must
// refuse them as a corrupt file (641004) and leave the model as it was.
#ifndef TESTS_LIBKXAPI_MODL_DAMAGED_ROWS_H
#define TESTS_LIBKXAPI_MODL_DAMAGED_ROWS_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "host/store/parts/part_file.h"
#include "host/model/feature/feature.h"
#include "host/base/services/objects.h"

namespace kxtest {

inline std::string le32(std::uint32_t v) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}
inline std::string f64_bytes(double v) {
    std::string out(8, '\0');
    std::memcpy(out.data(), &v, 8);
    return out;
}

// The bytes `was` at byte `at` of the section's payload become `bytes`.
struct RowDamage {
    const char* what;
    const char* section;
    std::size_t at;
    std::string was, bytes;
};

template <std::size_t N>
void expect_damaged_rows_refused(unsigned int part, const RowDamage (&damages)[N]) {
    namespace pf = host::part_file;
    for (const RowDamage& d : damages) {
        SCOPED_TRACE(d.what);
        pf::Image image;
        ASSERT_EQ(pf::decode(pf::encode(part, nullptr, true), image), 0);
        bool found = false;
        for (auto& [id, payload] : image.sections)
            if (id == d.section) {
                ASSERT_LE(d.at + d.bytes.size(), payload.size());
                EXPECT_EQ(payload.substr(d.at, d.was.size()), d.was);
                payload.replace(d.at, d.bytes.size(), d.bytes);
                found = true;
            }
        ASSERT_TRUE(found);
        const std::size_t objects = host::objects::objects_of_part(part).size();
        const std::size_t features = host::feature::features_of_part(part).size();
        int code = 0;
        EXPECT_EQ(pf::apply(image, "damaged.prt", &code), 0u);
        EXPECT_EQ(code, 641004);
        EXPECT_EQ(host::objects::objects_of_part(part).size(), objects);
        EXPECT_EQ(host::feature::features_of_part(part).size(), features);
    }
    // Undamaged, the same image reads.
    pf::Image image;
    ASSERT_EQ(pf::decode(pf::encode(part, nullptr, true), image), 0);
    int code = 0;
    EXPECT_NE(pf::apply(image, "whole.prt", &code), 0u);
    EXPECT_EQ(code, 0);
}

}  // namespace kxtest

#endif
