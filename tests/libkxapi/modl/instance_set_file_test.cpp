// Instance sets kept in part files: saved, opened again, edited and
// updated; a mirror set of an instance set likewise; damaged rows refused.
#include <cstdint>
#include <string>
#include <vector>

#include "host/store/parts/parts.h"
#include "tests/libkxapi/modl/instance_set_fixture.h"

namespace {

using iset_test::kBlockVolume;
using iset_test::SetFixture;

class InstanceSetFile : public SetFixture {};

TEST_F(InstanceSetFile, LinearAndCircularSetsOpenAgainAndFollowTheirSources) {
    const tag h = hole(10, 10), h2 = hole(30, 25);
    const tag lin = linear({h}, "3", "30", "1", "0");
    const tag circ = circular({h2}, "2", "180");
    ASSERT_NEAR(volume(), kBlockVolume - 5 * hole_volume(), 1e-3);
    const std::string h_name = name(h), h2_name = name(h2), lin_name = name(lin), circ_name = name(circ);
    reopen();
    const tag h_again = named(h_name), lin_again = named(lin_name), circ_again = named(circ_name);
    ASSERT_NE(lin_again, NULL_TAG);
    ASSERT_NE(circ_again, NULL_TAG);
    EXPECT_NEAR(volume(), kBlockVolume - 5 * hole_volume(), 1e-3);
    EXPECT_EQ(instances_of(h_again), std::vector<tag>{lin_again});
    EXPECT_EQ(instances_of(named(h2_name)), std::vector<tag>{circ_again});
    EXPECT_EQ(formulas(lin_again), (std::vector<std::string>{"3", "30", "1", "0"}));
    char* type = nullptr;
    ASSERT_EQ(KX_MODL_ask_feat_type(circ_again, &type), 0);
    EXPECT_STREQ(type, "CIRCULAR_ISET");
    KX_free(type);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), kBlockVolume - 5 * hole_volume(), 1e-3);
    // The sets are made again from their sources: a wider hole widens its
    // copies, about the circular set's axis as well.
    set_formula(h_again, 0, "8");
    set_formula(named(h2_name), 0, "4");
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), kBlockVolume - 3 * hole_volume(8) - 2 * hole_volume(4), 1e-3);
    for (double x : {13.5, 43.5, 73.5}) EXPECT_FALSE(inside(x, 10, 15)) << x;
    EXPECT_FALSE(inside(71.5, 25, 15));
    EXPECT_TRUE(inside(72.5, 25, 15));
    // Saved again and opened once more: the same body, and it still follows.
    reopen();
    EXPECT_NEAR(volume(), kBlockVolume - 3 * hole_volume(8) - 2 * hole_volume(4), 1e-3);
    set_formula(named(h_name), 0, "6");
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), kBlockVolume - 3 * hole_volume(6) - 2 * hole_volume(4), 1e-3);
}

TEST_F(InstanceSetFile, MirrorSetOfAnInstanceSetOpensAgain) {
    // A plate of its own body whose -X face lies in the block's middle plane.
    const char* sizes[] = {"10", "10", "10"};
    const double corner[] = {50, 200, 0};
    unsigned int plate = 0;
    ASSERT_EQ(FEAT_create(part_, "BLOCK", 3, sizes, 3, corner, 0, nullptr, 0, 0, &plate), 0);
    tag middle = NULL_TAG;
    for (int f : host::kernel::faces_of(host::kernel::entity_of(FREC_ask_body(plate)))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[0] * sense < -0.999) middle = host::kernel::object_of(f);
    }
    ASSERT_NE(middle, NULL_TAG);
    BREF_set_current_target(body_);
    const tag h = hole(10, 10);
    const tag set = linear({h}, "2", "20", "1", "0");
    tag inputs[] = {h};
    tag mirror = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_mirror_set(inputs, 1, middle, &mirror), 0);
    ASSERT_NEAR(volume(), kBlockVolume - 4 * hole_volume(), 1e-3);
    const std::string set_name = name(set), mirror_name = name(mirror), h_name = name(h);
    reopen();
    const tag set_again = named(set_name), mirror_again = named(mirror_name);
    EXPECT_EQ(inputs_of(mirror_again), std::vector<tag>{set_again});
    tag plane = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_plane_of_mirror_set(mirror_again, &plane), 0);
    EXPECT_NE(plane, NULL_TAG);
    // A wider hole: the set's copy and the mirror images of both widen.
    set_formula(named(h_name), 0, "8");
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), kBlockVolume - 4 * hole_volume(8), 1e-3);
    for (double x : {13.5, 33.5, 66.5, 86.5}) EXPECT_FALSE(inside(x, 10, 15)) << x;
    EXPECT_TRUE(inside(50, 10, 15));
    EXPECT_EQ(instances_of(named(h_name)), std::vector<tag>{set_again});
}

TEST_F(InstanceSetFile, DamagedRowsAreRefusedAsCorrupt) {
    const tag h = hole(10, 10);
    linear({h}, "2", "30", "1", "0");
    const std::string h_name = name(h);
    save();
    namespace pf = host::part_file;
    pf::Image saved;
    ASSERT_EQ(pf::load(file_, saved), 0);
    const auto u32_at = [](const std::string& bytes, std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
        return v;
    };
    bool found = false;
    for (const auto& [id, bytes] : saved.sections) found = found || id == "ISRC";
    ASSERT_TRUE(found);
    // The first row: count at 0, object at 4, size at 8, source count at
    // 12, first source at 16.
    struct Case {
        const char* what;
        std::size_t at;
        std::uint32_t value;  // 0xFFFFFFFE: the row's own object
    };
    const std::vector<Case> cases = {
        {"a source that is the set itself", 16, 0xFFFFFFFEu},
        {"a source that is the part", 16, 0},
        {"a source out of the file", 16, 0xFFFFFFF0u},
        {"a source count beyond the row", 12, 1000},
        {"no sources", 12, 0},
        {"a row of the part", 4, 0},
    };
    const std::size_t parts_before = host::parts::loaded_parts().size();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        pf::Image bad = saved;
        for (auto& [id, bytes] : bad.sections) {
            if (id != "ISRC") continue;
            ASSERT_LE(c.at + 4, bytes.size());
            std::uint32_t v = c.value == 0xFFFFFFFEu ? u32_at(bytes, 4) : c.value;
            for (int i = 0; i < 4; ++i, v >>= 8) bytes[c.at + i] = static_cast<char>(v & 0xFF);
        }
        int code = -1;
        EXPECT_EQ(pf::apply(bad, file_ + ".bad", &code), 0u);
        EXPECT_EQ(code, PART_ERR_CORRUPT);
        EXPECT_EQ(host::parts::loaded_parts().size(), parts_before);
    }
    // A file written before the sources were kept opens (the section
    // renamed to one nobody reads): the set copies its parents after the
    // block, and follows them.
    std::string bytes;
    ASSERT_EQ(pf::read_file(file_, bytes), 0);
    const std::size_t at = bytes.find("ISRC");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 4, "XSRC");
    bytes.resize(bytes.size() - 4);
    pf::Writer crc;
    crc.u32(pf::crc32(bytes));
    ASSERT_EQ(pf::write_file(file_, bytes + std::string(crc.view())), 0);
    open();
    set_formula(named(h_name), 0, "8");
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), kBlockVolume - 2 * hole_volume(8), 1e-3);
}

}  // namespace
