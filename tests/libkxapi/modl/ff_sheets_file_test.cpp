// Sheets from faces and points, trimmed and enlarged sheets saved with the
// part: read back they keep their sheets and solids, their queries answer
// as before, the update makes them again and they follow edits made after
// reading; a file without their rows still opens (the sheets kept as
// saved), and damaged rows are refused as a corrupt file.
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "host/store/parts/part_file.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "kx_modl_a_sweep.h"
#include "kx_modl_law.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/libkxapi/modl/damaged_rows.h"
#include "tests/libkxapi/modl/sheet_fixture.h"

namespace {

using form_test::kBlockVolume;
using form_test::kPi;

const double kTilt = std::sqrt(1 + 0.25 + 0.04);

class SheetFile : public sheet_test::SheetModel {
protected:
    // One of each: the top face offset by 5, a 100 x 50 sheet thickened by
    // 2, a sheet under the block thickened 2 both ways and united with it,
    // the bridge of two sheets 10 apart, a fit of 30 points of
    // z = 0.5 x + 0.2 y, a reversed sheet, a 100 x 100 sheet trimmed to
    // the disc of a circle of radius 10, and the top face enlarged by 10%.
    void build() {
        offset_ = offset_of_top({"5", "5", "5", "5"});
        thick_sheet_ = rectangle_sheet(0, 0, 100, 50, 100);
        ASSERT_EQ(KX_MODL_create_thicken_sheet(thick_sheet_, "2", "0", 0, &thick_), 0);
        const tag under = rectangle_sheet(0, 0, 100, 50, 0);
        BREF_set_current_target(body_);
        ASSERT_EQ(KX_MODL_create_thicken_sheet(under, "2", "-2", 1, &united_), 0);
        strip_ = bridge_between(rectangle_sheet(0, 0, 100, 20, 60), 20, rectangle_sheet(0, 30, 100, 50, 60), 30);
        std::vector<std::array<double, 3>> points;
        for (int i = 0; i < 6; ++i)
            for (int j = 0; j < 5; ++j) points.push_back({10.0 * i, 7.0 * j, 0.5 * 10 * i + 0.2 * 7 * j});
        ASSERT_EQ(KX_MODL_create_surf_from_cloud(static_cast<int>(points.size()),
                                                 reinterpret_cast<double(*)[3]>(points.data()), nullptr, nullptr, 3,
                                                 3, 1, 1, 0, nullptr, nullptr, nullptr, &cloud_),
                  0);
        flipped_ = rectangle_sheet(0, 0, 10, 10, 140);
        tag flip = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_reverse_normal(flipped_, 0, &flip), 0);
        square_ = rectangle_sheet(0, 0, 100, 100, 40);
        arc_ = circle(50, 50, 60, 10);
        trimmed_ = trim_to_disc(square_, arc_);
        enlarged_ = enlarge_top();
    }
    // The measures of the sheets and solids, in the order of build().
    std::vector<double> measures() const {
        return {height(offset_),   area(offset_),
                props_of(FREC_ask_body(thick_))[ZQ_MP_VOLUME], volume(),
                area(strip_),      area(cloud_),
                normal_z(flipped_), area(result_of(trimmed_)),
                area(result_of(enlarged_))};
    }
    static const std::vector<double>& expected() {
        static const std::vector<double> e = {25,   5000,           10000, kBlockVolume + 10000, 1000, 50 * 28 * kTilt,
                                              -1.0, 100 * kPi, 120 * 60};
        return e;
    }
    static void expect_measures(const std::vector<double>& got, const char* when) {
        ASSERT_EQ(got.size(), expected().size());
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_NEAR(got[i], expected()[i], 1e-5 * (1 + std::abs(expected()[i]))) << when << ", measure " << i;
    }
    void reopen() {
        const std::map<unsigned int, unsigned int> moved = reopen_part(part_, [] { fresh(); });
        CONTEXT_set_work_part(part_);
        for (tag* t : {&body_, &top_, &offset_, &thick_sheet_, &thick_, &united_, &strip_, &cloud_, &flipped_, &square_,
                       &arc_, &trimmed_, &enlarged_}) {
            const auto it = moved.find(*t);
            ASSERT_NE(it, moved.end());
            *t = it->second;
        }
    }

    tag offset_ = NULL_TAG, thick_sheet_ = NULL_TAG, thick_ = NULL_TAG, united_ = NULL_TAG, strip_ = NULL_TAG,
        cloud_ = NULL_TAG, flipped_ = NULL_TAG, square_ = NULL_TAG, arc_ = NULL_TAG, trimmed_ = NULL_TAG,
        enlarged_ = NULL_TAG;
};

TEST_F(SheetFile, EachSheetComesBackAnswersItsQueriesAndIsMadeAgain) {
    build();
    expect_measures(measures(), "made");
    reopen();
    expect_measures(measures(), "read back");

    tag sheet = NULL_TAG;
    char *first = nullptr, *second = nullptr;
    ASSERT_EQ(KX_MODL_ask_thicken_sheet_parms(thick_, &sheet, &first, &second), 0);
    EXPECT_EQ(sheet, thick_sheet_);
    EXPECT_STREQ(first, "2");
    EXPECT_STREQ(second, "0");
    KX_free(first);
    KX_free(second);

    tag face = NULL_TAG;
    int type = -1;
    char* texts[4] = {};
    double tolerance = 0;
    ASSERT_EQ(KX_MODL_ask_enlarge(enlarged_, &face, &type, texts, &tolerance), 0);
    EXPECT_EQ(face, top_);
    EXPECT_EQ(type, 0);
    for (char* t : texts) {
        EXPECT_STREQ(t, "10");
        KX_free(t);
    }
    EXPECT_DOUBLE_EQ(tolerance, 0.01);

    int n_bounds = 0, n_points = 0, region = -1;
    tag* bounds = nullptr;
    double* points = nullptr;
    double tolerances[2] = {};
    KX_MODL_vector method{};
    method.type = -1;
    ASSERT_EQ(KX_MODL_ask_trimmed_sheet(trimmed_, &sheet, &n_bounds, &bounds, &method, &n_points, &points, &region,
                                        tolerances),
              0);
    EXPECT_EQ(sheet, square_);
    ASSERT_EQ(n_bounds, 1);
    EXPECT_EQ(bounds[0], arc_);
    EXPECT_EQ(method.type, 0);
    EXPECT_DOUBLE_EQ(method.u.components[2], 1);
    ASSERT_EQ(n_points, 1);
    EXPECT_DOUBLE_EQ(points[1], 50);
    EXPECT_EQ(region, 0);
    EXPECT_DOUBLE_EQ(tolerances[0], 0.001);
    EXPECT_DOUBLE_EQ(tolerances[1], 0.5);
    KX_free(bounds);
    KX_free(points);

    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    expect_measures(measures(), "made again");
    EXPECT_EQ(marks(), 0);
}

TEST_F(SheetFile, SheetsReadBackFollowEditsAtTheUpdate) {
    build();
    reopen();
    for (int i = 0; i < 4; ++i) set_formula(maker_of(offset_), i, "8");
    set_formula(thick_, 0, "3");
    set_formula(united_, 1, "-4");
    set_radius(arc_, 20);
    char zero[] = "0", fifty[] = "50", hundred[] = "100";
    char* wider[4] = {zero, fifty, zero, hundred};
    ASSERT_EQ(KX_MODL_edit_enlarge(enlarged_, 1, wider, 0.5), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(height(offset_), 28, 1e-9);
    EXPECT_NEAR(props_of(FREC_ask_body(thick_))[ZQ_MP_VOLUME], 15000, 1e-6);
    EXPECT_NEAR(volume(), kBlockVolume + 20000, 1e-6);
    EXPECT_NEAR(area(result_of(trimmed_)), 400 * kPi, 1e-2);
    EXPECT_NEAR(area(result_of(enlarged_)), 150.0 * 100.0, 1e-6);
    EXPECT_NEAR(normal_z(flipped_), -1, 1e-9);
}

TEST_F(SheetFile, AFileWithoutTheirRowsStillOpensWithTheSheetsAsSaved) {
    build();
    namespace pf = host::part_file;
    pf::Image image;
    ASSERT_EQ(pf::decode(pf::encode(part_, nullptr, true), image), 0);
    std::erase_if(image.sections, [](const auto& s) { return s.first == "SHDF" || s.first == "STRM" || s.first == "SSPR"; });
    const std::vector<unsigned int> before = host::objects::objects_of_part(part_);
    int code = -1;
    const tag read = pf::apply(image, "without_rows.prt", &code);
    ASSERT_NE(read, NULL_TAG);
    EXPECT_EQ(code, 0);
    const std::vector<unsigned int> after = host::objects::objects_of_part(read);
    ASSERT_EQ(after.size(), before.size());
    std::map<unsigned int, unsigned int> moved;
    for (std::size_t i = 0; i < before.size(); ++i) moved[before[i]] = after[i];
    for (tag* t : {&body_, &offset_, &thick_, &strip_, &cloud_, &flipped_, &trimmed_, &enlarged_}) *t = moved.at(*t);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    expect_measures(measures(), "read without the rows");
}

TEST_F(SheetFile, DamagedRowsAreRefusedAsACorruptFile) {
    offset_of_top({"5", "5", "5", "5"});
    double u[2], v[2];
    int ifail = 0, face = host::kernel::entity_of(top_);
    KI_enpben(&face, u, v, &ifail);
    trim_to_disc(rectangle_sheet(0, 0, 100, 100, 40), circle(50, 50, 60, 10));
    enlarge_top();
    using kxtest::f64_bytes;
    using kxtest::le32;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Rows start at byte 12 of their payloads (after the row count, the
    // object's number and the row's size).
    const kxtest::RowDamage damages[] = {
        {"a sheet definition of no kind", "SHDF", 12, le32(1), le32(5)},
        {"a variable offset without its face", "SHDF", 16, le32(1), le32(0)},
        {"an offset point that is not finite", "SHDF", 28, f64_bytes(u[0]), f64_bytes(nan)},
        {"a projection method out of range", "STRM", 24, le32(0), le32(6)},
        {"a region flag out of range", "STRM", 80, le32(0), le32(2)},
        {"a distance tolerance not above 0", "STRM", 84, f64_bytes(0.001), f64_bytes(0)},
        {"a sheet-parameter record of no kind", "SSPR", 12, le32(7), le32(8)},
        {"an enlarged sheet of type 2", "SSPR", 72, le32(0), le32(2)},
    };
    kxtest::expect_damaged_rows_refused(part_, damages);
}

}  // namespace
