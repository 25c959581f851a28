// Trim curve features (create, edit, ask, free) with several intersections
// chosen by help points or extension points, and the edits of curves in
// place; failures leave the model as it was and no undo mark behind.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "string_list_fixture.h"
#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/parts/part_file.h"
#include "host/model/expr/expr.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/trimcurve/trim_curves.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "kx_curve_feat.h"
#include "kx_curve_trim.h"
#include "kx_modl.h"
#include "kx_obj.h"
#include "kx_undo.h"

namespace {

namespace pf = host::part_file;

class TrimCurveTest : public StringListCurveTest {
protected:
    void SetUp() override {
        StringListCurveTest::SetUp();
        base = line(0, 0, 0, 10, 0, 0);
        ring = arc(5, 0, 3, 0, kTwoPi);  // meets the line at x = 2 and x = 8
    }
    trim_data one_bound(tag bound, int option) {
        trim_data d{};
        d.curve = strings_of({base});
        d.trim_type = 4;
        d.tolerances[0] = 0.001;
        d.tolerances[1] = 0.5;
        d.u.one.option = option;
        d.u.one.bound.object = bound;
        return d;
    }
    static std::vector<double> ends(tag l) {
        std::vector<double> e(6);
        ES_ask_coordinates_of_line(l, e.data(), e.data() + 3);
        return e;
    }
    static tag result_of(tag feature) {
        const host::feature::Record* r = host::feature::find(feature);
        return r && !r->results.empty() ? r->results[0] : NULL_TAG;
    }
    static int marks() {
        int n = -1;
        EXPECT_EQ(KX_UNDO_ask_number_of_marks(1, &n), 0);
        return n;
    }
    trim_data by_length(const char* text, int option) {
        trim_data d{};
        d.curve = strings_of({base});
        d.trim_type = 6;
        d.u.length.option = option;
        std::strcpy(d.u.length.length_text, text);
        return d;
    }
    static void move_line(tag l, std::vector<double> e) {
        line_data d{{e[0], e[1], e[2]}, {e[3], e[4], e[5]}};
        ASSERT_EQ(KX_CURVE_edit_line_data(l, &d), 0);
    }
    static tag length_exp_of(tag feature) {
        const host::feature::Record* r = host::feature::find(feature);
        return r && r->exps.size() == 1 ? r->exps[0] : NULL_TAG;
    }
    // Two trims of the base: to the wall x = 8 (keeping the start) and to
    // the length 4.
    void two_trims() {
        wall = line(8, -5, 0, 8, 5, 0);
        trim_data d = one_bound(wall, 10);
        trim_extension_points pts{};
        ASSERT_EQ(KX_CURVE_create_trim(&d, &pts, &to_wall), 0);
        trim_data l = by_length("4", 10);
        ASSERT_EQ(KX_CURVE_create_trim(&l, &pts, &four), 0);
    }
    tag wall = NULL_TAG, to_wall = NULL_TAG, four = NULL_TAG;
    static void expect_ends(const std::vector<double>& got, std::vector<double> want) {
        for (int i = 0; i < 6; ++i) EXPECT_NEAR(got[i], want[i], 1e-5) << i;
    }
    tag base = NULL_TAG, ring = NULL_TAG;
};

TEST_F(TrimCurveTest, SeveralIntersectionsAreHandedBackAsCandidates) {
    trim_data d = one_bound(ring, 10);
    trim_extension_points pts{};
    tag feature = 99;
    const int lines = count_of_type(3);
    EXPECT_EQ(KX_CURVE_create_trim(&d, &pts, &feature), 1480017);
    EXPECT_EQ(feature, NULL_TAG);
    EXPECT_EQ(count_of_type(3), lines);  // nothing made
    EXPECT_EQ(marks(), 0);
    ASSERT_EQ(pts.first_count, 2);
    EXPECT_EQ(pts.second_count, 0);
    double xs[2] = {pts.first_points[0], pts.first_points[3]};
    EXPECT_NEAR(std::min(xs[0], xs[1]), 2, 1e-5);
    EXPECT_NEAR(std::max(xs[0], xs[1]), 8, 1e-5);
    SM_free(pts.first_points);
}

TEST_F(TrimCurveTest, HelpPointsAndExtensionPointsChooseTheIntersection) {
    struct Row {
        const char* what;
        int option;
        bool use_point;
        double help_x;
        bool extension;
        std::vector<double> want;
    } rows[] = {
        {"help point, keep start", 10, true, 7.5, false, {0, 0, 0, 8, 0, 0}},
        {"help point, keep end", 11, true, 7.5, false, {8, 0, 0, 10, 0, 0}},
        {"help point near the other", 10, true, 1, false, {0, 0, 0, 2, 0, 0}},
        {"extension point", 8, false, 0, true, {0, 0, 0, 2, 0, 0}},
        {"extension point, keep end", 9, false, 0, true, {2, 0, 0, 10, 0, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        trim_data d = one_bound(ring, r.option);
        d.u.one.bound.use_point = r.use_point;
        d.u.one.bound.point[0] = r.help_x;
        d.u.one.bound.point[1] = 1;
        trim_extension_points pts{};
        if (r.extension) {
            pts.first_count = 1;
            pts.first_points = static_cast<double*>(SM_alloc_persistent(3 * sizeof(double)));
            pts.first_points[0] = 2.2;
            pts.first_points[1] = pts.first_points[2] = 0;
        }
        const std::size_t blocks = host::control::live_blocks();
        tag feature = NULL_TAG;
        ASSERT_EQ(KX_CURVE_create_trim(&d, &pts, &feature), 0);
        EXPECT_EQ(pts.first_count, 0);
        EXPECT_EQ(pts.first_points, nullptr);  // taken over and freed
        if (r.extension) {
            EXPECT_EQ(host::control::live_blocks(), blocks - 1);
        }
        ASSERT_NE(feature, NULL_TAG);
        expect_ends(ends(result_of(feature)), r.want);
        expect_ends(ends(base), {0, 0, 0, 10, 0, 0});  // the original stays
        EXPECT_EQ(marks(), 0);
    }
}

TEST_F(TrimCurveTest, ExtensionPointsOnTheCallersStackAreRefusedNotFreed) {
    trim_data d = one_bound(ring, 8);
    double mine[3] = {2, 0, 0};
    trim_extension_points pts{1, mine, 0, nullptr};
    tag feature = NULL_TAG;
    const int lines = count_of_type(3);
    EXPECT_EQ(KX_CURVE_create_trim(&d, &pts, &feature), HOST_ERR_BAD_BLOCK);
    EXPECT_EQ(feature, NULL_TAG);
    EXPECT_EQ(count_of_type(3), lines);
    EXPECT_EQ(marks(), 0);
}

TEST_F(TrimCurveTest, ExtendsToABoundBeyondTheEndAndTrimsBetweenTwoBounds) {
    const tag far = line(15, -1, 0, 15, 1, 0);
    trim_data d = one_bound(far, 10);
    trim_extension_points pts{};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_trim(&d, &pts, &feature), 0);
    expect_ends(ends(result_of(feature)), {0, 0, 0, 15, 0, 0});

    trim_data two{};
    two.curve = strings_of({base});
    two.trim_type = 5;
    two.u.two.first_option = 10;
    two.u.two.second_option = 11;
    two.u.two.first_bound.string = strings_of({line(6, -1, 0, 6, 1, 0)});
    two.u.two.second_bound.object = line(3, -1, 0, 3, 1, 0);
    ASSERT_EQ(KX_CURVE_create_trim(&two, &pts, &feature), 0);
    expect_ends(ends(result_of(feature)), {3, 0, 0, 6, 0, 0});

    trim_data back{};
    ASSERT_EQ(KX_CURVE_ask_trim(feature, &back), 0);
    EXPECT_EQ(back.trim_type, 5);
    EXPECT_EQ(back.u.two.first_option, 10);
    EXPECT_EQ(back.u.two.second_option, 9);  // 11 comes back as 9
    ASSERT_EQ(back.u.two.first_bound.string.count, 1);
    EXPECT_EQ(back.u.two.first_bound.string.objects[0], two.u.two.first_bound.string.objects[0]);
    EXPECT_EQ(back.u.two.second_bound.object, two.u.two.second_bound.object);
    ASSERT_EQ(back.curve.count, 1);
    EXPECT_EQ(back.curve.objects[0], base);
    EXPECT_EQ(KX_CURVE_free_trim(&back), 0);
    EXPECT_EQ(back.curve.objects, nullptr);
    EXPECT_EQ(marks(), 0);
}

TEST_F(TrimCurveTest, AskGivesBackOptionBoundAndDirectionAndEditChangesTheLine) {
    trim_data d = one_bound(ring, 10);
    d.u.one.bound.use_point = 1;
    d.u.one.bound.point[0] = 8;
    KX_MODL_vector dir{};
    dir.type = 0;
    dir.u.components[1] = 2;
    d.u.one.direction = &dir;
    trim_extension_points pts{};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_trim(&d, &pts, &feature), 0);

    trim_data back{};
    ASSERT_EQ(KX_CURVE_ask_trim(feature, &back), 0);
    EXPECT_EQ(back.trim_type, 4);
    EXPECT_EQ(back.u.one.option, 10);
    EXPECT_EQ(back.u.one.bound.object, ring);
    EXPECT_EQ(back.u.one.bound.string.count, 0);
    ASSERT_NE(back.u.one.direction, nullptr);
    EXPECT_EQ(back.u.one.direction->type, 0);
    EXPECT_NEAR(back.u.one.direction->u.components[1], 1, 1e-12);
    EXPECT_EQ(KX_CURVE_free_trim(&back), 0);

    // The other intersection, the other side.
    d.u.one.option = 11;
    d.u.one.bound.point[0] = 1;
    ASSERT_EQ(KX_CURVE_edit_trim(feature, &d), 0);
    expect_ends(ends(result_of(feature)), {2, 0, 0, 10, 0, 0});

    struct Row {
        const char* what;
        int spline_extension, trim_type, option, status;
    } rows[] = {{"spline extension", 5, 4, 10, 1}, {"trim type", 0, 8, 10, 2}, {"option", 0, 4, 12, 3}};
    for (const Row& r : rows) {
        trim_data bad = d;
        bad.spline_extension = r.spline_extension;
        bad.trim_type = r.trim_type;
        bad.u.one.option = r.option;
        EXPECT_EQ(KX_CURVE_edit_trim(feature, &bad), r.status) << r.what;
        expect_ends(ends(result_of(feature)), {2, 0, 0, 10, 0, 0});
    }
    EXPECT_EQ(marks(), 0);
}

TEST_F(TrimCurveTest, RefusalsOfCreateAskAndEdit) {
    trim_data d = one_bound(ring, 10);
    d.trim_type = 8;
    trim_extension_points pts{};
    tag feature = NULL_TAG;
    EXPECT_EQ(KX_CURVE_create_trim(&d, &pts, &feature), 1105004);
    const tag other = host::feature::create(part, "BLOCK");
    trim_data back{};
    EXPECT_EQ(KX_CURVE_ask_trim(other, &back), 875004);
    EXPECT_EQ(KX_CURVE_ask_trim(base, &back), 875008);
    EXPECT_EQ(back.trim_type, 6);
    EXPECT_EQ(KX_CURVE_edit_trim(other, &d), 875004);
    // The kind is made by the trim service only, never built as a body.
    host::feature::tag_t built = 0;
    EXPECT_EQ(host::feature::create_built(part, "TRIM_CURVE", {"4"}, {}, {}, 0, 0, &built), 670532);
    EXPECT_EQ(marks(), 0);  // queries and refusals leave no mark
}

TEST_F(TrimCurveTest, LengthTrimsKeepTheirLengthAsAnExpression) {
    trim_data d{};
    d.curve = strings_of({base});
    d.trim_type = 6;
    d.u.length.option = 10;
    std::strcpy(d.u.length.length_text, "4");
    trim_extension_points pts{};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_trim(&d, &pts, &feature), 0);
    expect_ends(ends(result_of(feature)), {0, 0, 0, 4, 0, 0});
    trim_data back{};
    ASSERT_EQ(KX_CURVE_ask_trim(feature, &back), 0);
    EXPECT_EQ(back.trim_type, 6);
    EXPECT_EQ(back.u.length.option, 10);
    const std::string text = back.u.length.length_text;
    EXPECT_EQ(text.substr(text.find('=')), "=4");
    EXPECT_EQ(KX_CURVE_free_trim(&back), 0);
}

TEST_F(TrimCurveTest, CurvesAreTrimmedAndLengthenedInPlace) {
    double keep[3] = {0, 0, 0}, near8[3] = {9, 0, 0};
    ASSERT_EQ(KX_CURVE_edit_trim_curve(base, ring, keep, near8, 0), 0);
    expect_ends(ends(base), {0, 0, 0, 8, 0, 0});
    struct Row {
        int kind;
        double length;
        int option;
        std::vector<double> want;
    } rows[] = {
        {5, 2, 7, {-2, 0, 0, 8, 0, 0}},  // kind 5 as 1 (change by), option 7 as 2 (start)
        {2, 4, 1, {-2, 0, 0, 2, 0, 0}},  // set to 4 at the end
        {1, 2, 3, {-3, 0, 0, 3, 0, 0}},  // change by 2 at both ends
    };
    for (const Row& r : rows) {
        ASSERT_EQ(KX_CURVE_edit_length(base, r.kind, r.length, r.option, 0), 0) << r.kind;
        expect_ends(ends(base), r.want);
    }
    EXPECT_EQ(marks(), 0);
}

TEST_F(TrimCurveTest, FailedEditsInPlaceLeaveTheCurveUnchanged) {
    const tag far = line(50, 50, 1, 51, 50, 1);  // never met
    double keep[3] = {0, 0, 0}, at[3] = {9, 0, 0};
    EXPECT_EQ(KX_CURVE_edit_trim_curve(base, far, keep, at, 0), 875029);
    EXPECT_EQ(KX_CURVE_edit_trim_curve(ring, base, keep, at, 0), 875033);
    EXPECT_EQ(KX_CURVE_edit_length(base, 1, -20, 1, 0), 671329);
    const tag smart = line(0, 1, 0, 10, 1, 0);
    host::entity::attrs(smart).smart = true;
    EXPECT_EQ(KX_CURVE_edit_trim_curve(smart, ring, keep, at, 0), 1995000);
    expect_ends(ends(smart), {0, 1, 0, 10, 1, 0});
    host::control::raise_on("LINE_set_end_points", 670004, 1);
    EXPECT_EQ(KX_CURVE_edit_trim_curve(base, ring, keep, at, 0), 670004);
    expect_ends(ends(base), {0, 0, 0, 10, 0, 0});
    EXPECT_EQ(marks(), 0);
}

// Trim features are features of the update: an edit of the line they trim,
// of their bound or of their length expression, followed by an update,
// makes their lines again.
TEST_F(TrimCurveTest, TrimmedLinesFollowTheirParentsAtUpdate) {
    ASSERT_NO_FATAL_FAILURE(two_trims());
    expect_ends(ends(result_of(to_wall)), {0, 0, 0, 8, 0, 0});
    expect_ends(ends(result_of(four)), {0, 0, 0, 4, 0, 0});

    struct Row {
        const char* what;
        std::function<void()> edit;
        std::vector<double> to_wall, four;
    } rows[] = {
        {"the trimmed line moves",
         [&] {
             move_line(base, {1, 1, 0, 11, 1, 0});
         },
         {1, 1, 0, 8, 1, 0},
         {1, 1, 0, 5, 1, 0}},
        {"the bound moves",
         [&] {
             move_line(wall, {6, -5, 0, 6, 5, 0});
         },
         {1, 1, 0, 6, 1, 0},
         {1, 1, 0, 5, 1, 0}},
        {"the length changes",
         [&] { ASSERT_EQ(host::expr::edit(length_exp_of(four), "3*2.5"), 0); },
         {1, 1, 0, 6, 1, 0},
         {1, 1, 0, 8.5, 1, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        r.edit();
        ASSERT_EQ(KX_MODL_update(), 0);
        expect_ends(ends(result_of(to_wall)), r.to_wall);
        expect_ends(ends(result_of(four)), r.four);
    }
    // An edit of the feature changes its expression, which the next update
    // keeps to.
    trim_data six = by_length("p1=6", 10);
    ASSERT_EQ(KX_CURVE_edit_trim(four, &six), 0);
    expect_ends(ends(result_of(four)), {1, 1, 0, 7, 1, 0});
    EXPECT_DOUBLE_EQ(host::expr::value(length_exp_of(four)), 6);
    ASSERT_EQ(KX_MODL_update(), 0);
    expect_ends(ends(result_of(four)), {1, 1, 0, 7, 1, 0});
    EXPECT_EQ(marks(), 0);
}

// A trim curve feature lists the line it made among the curves of curve
// features, also after an update made the line again.
TEST_F(TrimCurveTest, TheFeatureCurvesOfATrimAreItsLine) {
    ASSERT_NO_FATAL_FAILURE(two_trims());
    const auto listed = [](tag feature) {
        int n = -1;
        tag* curves = nullptr;
        EXPECT_EQ(KX_CURVE_ask_feature_curves(feature, &n, &curves), 0);
        std::vector<tag> out(curves, curves + std::max(n, 0));
        KX_free(curves);
        return out;
    };
    EXPECT_EQ(listed(to_wall), std::vector<tag>{result_of(to_wall)});
    EXPECT_EQ(listed(four), std::vector<tag>{result_of(four)});
    move_line(base, {1, 1, 0, 11, 1, 0});
    ASSERT_EQ(KX_MODL_update(), 0);
    const std::vector<tag> after = listed(four);
    ASSERT_EQ(after.size(), 1u);
    expect_ends(ends(after[0]), {1, 1, 0, 5, 1, 0});
}

// A bound that comes to meet the line more than once keeps the place
// nearest the line made before.
TEST_F(TrimCurveTest, ABoundMetAgainKeepsThePlaceNearestTheLineBefore) {
    const tag half = arc(5, 0, 3, -kPi / 2, kPi / 2);  // meets the base at x = 8 only
    trim_data d = one_bound(half, 10);
    trim_extension_points pts{};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_trim(&d, &pts, &feature), 0);
    expect_ends(ends(result_of(feature)), {0, 0, 0, 8, 0, 0});
    struct Row {
        double cx, a0, a1, end;
    } rows[] = {{5, 0, kTwoPi, 8}, {4, 0, kTwoPi, 7}, {4, kPi / 2, 3 * kPi / 2, 1}};
    for (const Row& r : rows) {
        arc_data a{identity, r.a0, r.a1, {r.cx, 0, 0}, 3};
        ASSERT_EQ(KX_CURVE_edit_arc_data(half, &a), 0);
        ASSERT_EQ(KX_MODL_update(), 0);
        expect_ends(ends(result_of(feature)), {0, 0, 0, r.end, 0, 0});
    }
}

// A trim that cannot be made again fails the update, which names it; the
// model is as before the update, the lines of the other trims too.
TEST_F(TrimCurveTest, AFailedRegenerationFailsTheUpdateAndTheModelComesBack) {
    ASSERT_NO_FATAL_FAILURE(two_trims());

    struct Row {
        const char* what;
        std::function<void()> edit, undo;
        tag failing;
    } rows[] = {
        {"a length that leaves no line", [&] { ASSERT_EQ(host::expr::edit(length_exp_of(four), "-20"), 0); },
         [&] { ASSERT_EQ(host::expr::edit(length_exp_of(four), "4"), 0); }, four},
        {"a bound no longer met",
         [&] {
             move_line(wall, {8, 5, 1, 8, 6, 1});
         },
         [&] {
             move_line(wall, {8, -5, 0, 8, 5, 0});
         },
         to_wall},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        move_line(base, {0, 2, 0, 10, 2, 0});
        r.edit();
        EXPECT_EQ(KX_MODL_update(), 670531);
        EXPECT_EQ(host::feature::last_failure().feature, r.failing);
        // Neither line followed the moved base: the update was taken back.
        expect_ends(ends(result_of(to_wall)), {0, 0, 0, 8, 0, 0});
        expect_ends(ends(result_of(four)), {0, 0, 0, 4, 0, 0});
        r.undo();
        move_line(base, {0, 0, 0, 10, 0, 0});
    }
    EXPECT_EQ(marks(), 0);
}

// Trim features go into their part's file: reopened, they follow their
// line, bound and length expression at update as before the save.
class TrimFileTest : public TrimCurveTest {
protected:
    static pf::Image image_of(tag of) {
        pf::Image image;
        EXPECT_EQ(pf::decode(pf::encode(of, nullptr, true), image), 0);
        return image;
    }
    // The bytes of a part file of the image (its sections as they are).
    static std::string bytes_of(const pf::Image& image) {
        pf::Writer body;
        for (const auto& [id, payload] : image.sections) {
            body.raw(id);
            body.str(payload);
        }
        pf::Writer out;
        out.raw(std::string_view(pf::kMagic, sizeof pf::kMagic));
        out.u32(image.version);
        out.u32(pf::kHeaderSize);
        out.u32(static_cast<std::uint32_t>(image.sections.size()));
        out.u32(static_cast<std::uint32_t>(body.size()));
        out.raw(body.view());
        out.u32(pf::crc32(out.view()));
        return std::string(out.view());
    }
    // Closes everything and opens the image from a file: the features of
    // the part opened (the work part `part` now) in their order.
    std::vector<tag> reopen(const pf::Image& image) {
        for (string_list& s : made) KX_MODL_free_string_list(&s);
        made.clear();
        fresh();
        EXPECT_EQ(KX_initialize(), 0);
        const std::string file =
            (std::filesystem::temp_directory_path() / ("kxtrim-" + std::to_string(getpid()) + ".prt")).string();
        EXPECT_EQ(pf::write_file(file, bytes_of(image)), 0);
        PART_load_status_t status{};
        part = BASE_open_part_quietly(file.c_str(), &status);
        for (int i = 0; i < status.n_parts; ++i) SM_free(status.file_names[i]);
        SM_free(status.file_names);
        SM_free(status.statuses);
        std::filesystem::remove(file);
        EXPECT_NE(part, NULL_TAG);
        host::parts::set_work_part(part);
        return host::feature::features_of_part(part);
    }
    // The line trimmed and the bound (if any) of a trim, as asked.
    static std::pair<tag, tag> parents_of(tag feature) {
        trim_data back{};
        EXPECT_EQ(KX_CURVE_ask_trim(feature, &back), 0);
        const tag line = back.curve.objects ? back.curve.objects[0] : NULL_TAG;
        const tag bound = back.trim_type == 4 ? back.u.one.bound.object : NULL_TAG;
        EXPECT_EQ(KX_CURVE_free_trim(&back), 0);
        return {line, bound};
    }
    static std::string& section(pf::Image& image, const char* id) {
        for (auto& [name, payload] : image.sections)
            if (name == id) return payload;
        static std::string none;
        ADD_FAILURE() << "no section " << id;
        return none;
    }
};

TEST_F(TrimFileTest, AReopenedTrimFollowsItsLineBoundAndLength) {
    ASSERT_NO_FATAL_FAILURE(two_trims());
    const std::vector<tag> trims = reopen(image_of(part));
    ASSERT_EQ(trims.size(), 2u);
    const tag wall_trim = trims[0], length_trim = trims[1];
    expect_ends(ends(result_of(wall_trim)), {0, 0, 0, 8, 0, 0});
    expect_ends(ends(result_of(length_trim)), {0, 0, 0, 4, 0, 0});
    EXPECT_EQ(TRCRV_is_trim_frec(wall_trim), 1);
    const auto [line, bound] = parents_of(wall_trim);
    ASSERT_NE(line, NULL_TAG);
    ASSERT_NE(bound, NULL_TAG);
    EXPECT_EQ(parents_of(length_trim).first, line);
    EXPECT_EQ(host::objects::find(length_exp_of(length_trim))->part, part);

    move_line(line, {1, 1, 0, 11, 1, 0});
    ASSERT_EQ(KX_MODL_update(), 0);
    expect_ends(ends(result_of(wall_trim)), {1, 1, 0, 8, 1, 0});
    expect_ends(ends(result_of(length_trim)), {1, 1, 0, 5, 1, 0});
    move_line(bound, {6, -5, 0, 6, 5, 0});
    ASSERT_EQ(host::expr::edit(length_exp_of(length_trim), "3*2.5"), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    expect_ends(ends(result_of(wall_trim)), {1, 1, 0, 6, 1, 0});
    expect_ends(ends(result_of(length_trim)), {1, 1, 0, 8.5, 1, 0});
    // And once more through a file: the edited parameters are kept.
    const std::vector<tag> again = reopen(image_of(part));
    ASSERT_EQ(again.size(), 2u);
    EXPECT_DOUBLE_EQ(host::expr::value(length_exp_of(again[1])), 7.5);
    move_line(parents_of(again[1]).first, {0, 0, 0, 10, 0, 0});
    ASSERT_EQ(KX_MODL_update(), 0);
    expect_ends(ends(result_of(again[0])), {0, 0, 0, 6, 0, 0});
    expect_ends(ends(result_of(again[1])), {0, 0, 0, 7.5, 0, 0});
}

// A feature's name is no part of its record: named trims, to a bound and
// by a length expression, read back with their names and their
// definitions, and follow their line.
TEST_F(TrimFileTest, NamedTrimsReadBackWithTheirNames) {
    ASSERT_NO_FATAL_FAILURE(two_trims());
    ASSERT_EQ(KX_OBJ_set_name(to_wall, "TRIM_TO_THE_WALL"), 0);
    ASSERT_EQ(KX_OBJ_set_name(four, "TRIM_CURVE_BY_LENGTH"), 0);
    const std::vector<tag> trims = reopen(image_of(part));
    ASSERT_EQ(trims.size(), 2u);
    char name[KX_OBJ_NAME_LEN + 1] = {};
    ASSERT_EQ(KX_OBJ_ask_name(trims[0], name), 0);
    EXPECT_STREQ(name, "TRIM_TO_THE_WALL");
    ASSERT_EQ(KX_OBJ_ask_name(trims[1], name), 0);
    EXPECT_STREQ(name, "TRIM_CURVE_BY_LENGTH");
    for (tag t : trims) EXPECT_EQ(TRCRV_is_trim_frec(t), 1);
    const auto [line, bound] = parents_of(trims[0]);
    ASSERT_NE(line, NULL_TAG);
    EXPECT_NE(bound, NULL_TAG);
    EXPECT_EQ(parents_of(trims[1]).first, line);
    EXPECT_DOUBLE_EQ(host::expr::value(length_exp_of(trims[1])), 4);
    move_line(line, {0, 2, 0, 10, 2, 0});
    ASSERT_EQ(KX_MODL_update(), 0);
    expect_ends(ends(result_of(trims[0])), {0, 2, 0, 8, 2, 0});
    expect_ends(ends(result_of(trims[1])), {0, 2, 0, 4, 2, 0});
}

// A file written before trims were kept still opens: its trims keep their
// lines and are not made again.
TEST_F(TrimFileTest, AFileWithoutTrimsStillOpens) {
    ASSERT_NO_FATAL_FAILURE(two_trims());
    pf::Image image = image_of(part);
    std::erase_if(image.sections, [](const auto& s) { return s.first == "TRIM"; });
    const std::vector<tag> trims = reopen(image);
    ASSERT_EQ(trims.size(), 2u);
    EXPECT_EQ(TRCRV_is_trim_frec(trims[0]), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    expect_ends(ends(result_of(trims[1])), {0, 0, 0, 4, 0, 0});
}

// The host makes and edits trims of the kinds it can save and read back
// only (0 to bounds, 1 and 2 by length); others change nothing.
TEST_F(TrimFileTest, TheHostRefusesTrimKindsItCannotKeep) {
    ASSERT_NO_FATAL_FAILURE(two_trims());
    int table = 0;
    CMP_RT_init(3, &table);
    const unsigned int lines[1] = {base};
    CMP_RT_replace_rm_entities(table, 0, 1, lines, 0);
    const int features = static_cast<int>(host::feature::features_of_part(part).size());
    for (int kind : {-1, 3}) {
        SCOPED_TRACE(kind);
        TRCRV_rec_t r{};
        r.table = table;
        r.kind = kind;
        std::strcpy(r.length_text, "5");
        EXPECT_EQ(host::control::raised_code([&] { TRCRV_create_frec(&r); }),
                  std::optional<int>(HOST_ERR_BAD_ARGUMENT));
        r.feature = four;
        EXPECT_EQ(host::control::raised_code([&] { TRCRV_update_frec(&r); }),
                  std::optional<int>(HOST_ERR_BAD_ARGUMENT));
    }
    EXPECT_EQ(static_cast<int>(host::feature::features_of_part(part).size()), features);
    expect_ends(ends(result_of(four)), {0, 0, 0, 4, 0, 0});
    CMP_RT_free(table);
}

// Damaged trim rows make the file corrupt and leave the model as it was.
// Offsets are of the first row (the trim to the wall), after its frame.
TEST_F(TrimFileTest, DamagedTrimRowsAreRefused) {
    ASSERT_NO_FATAL_FAILURE(two_trims());
    const pf::Image good = image_of(part);
    constexpr std::size_t kRow = 12;  // row count, object number, row size
    auto u32_at = [](std::string& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
    };
    auto u32_of = [](const std::string& b, std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
        return v;
    };
    // Row fields: 0 tolerances, 32 bounds, 96 kind, 244 text (empty), 248
    // slot count, 252 first slot's strings, 256 its first count, 264 its
    // objects, 268 its first object.
    struct Row {
        const char* what;
        std::function<void(std::string&)> spoil;
    } rows[] = {
        {"a tolerance that is not finite",
         [&](std::string& b) {
             const double nan = std::nan("");
             std::memcpy(&b[kRow], &nan, 8);
         }},
        {"a bound that is not there", [&](std::string& b) { u32_at(b, kRow + 32, 99999); }},
        {"the part as bound", [&](std::string& b) { u32_at(b, kRow + 32, 0); }},
        {"a kind out of range", [&](std::string& b) { u32_at(b, kRow + 96, 7); }},
        {"a trim by length without its expression", [&](std::string& b) { u32_at(b, kRow + 96, 1); }},
        {"a row of an object that is no trim", [&](std::string& b) { u32_at(b, 4, u32_of(b, kRow + 32)); }},
        {"four slots", [&](std::string& b) { u32_at(b, kRow + 248, 4); }},
        {"strings that do not add up", [&](std::string& b) { u32_at(b, kRow + 256, 2); }},
        {"a trimmed object that is not there", [&](std::string& b) { u32_at(b, kRow + 268, 99999); }},
        {"a trimmed object that is a feature", [&](std::string& b) { u32_at(b, kRow + 268, u32_of(b, 4)); }},
        {"a row cut short", [&](std::string& b) { b.pop_back(); }},
    };
    // The fixture: the first row is the wall trim's (one string of one line).
    {
        pf::Image image = good;
        std::string& b = section(image, "TRIM");
        ASSERT_GT(b.size(), kRow + 272);
        ASSERT_EQ(u32_of(b, 0), 2u);
        ASSERT_EQ(u32_of(b, kRow + 96), 0u);
        ASSERT_EQ(u32_of(b, kRow + 248), 3u);
        ASSERT_EQ(u32_of(b, kRow + 252), 1u);
    }
    const std::size_t parts = host::parts::loaded_parts().size();
    const std::size_t objects = host::objects::live_objects().size();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        pf::Image image = good;
        r.spoil(section(image, "TRIM"));
        int code = 0;
        EXPECT_EQ(pf::apply(image, "spoilt.prt", &code), NULL_TAG);
        EXPECT_EQ(code, PART_ERR_CORRUPT);
        EXPECT_EQ(host::parts::loaded_parts().size(), parts);
        EXPECT_EQ(host::objects::live_objects().size(), objects);
    }
}

// A trim whose line is deleted keeps the line it made last and follows no
// more: updates of the part still go through, and its file opens.
TEST_F(TrimFileTest, ATrimWhoseLineIsDeletedIsKeptAsLastMade) {
    ASSERT_NO_FATAL_FAILURE(two_trims());
    ASSERT_EQ(KX_OBJ_delete_object(base), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    ASSERT_EQ(host::expr::edit(length_exp_of(four), "6"), 0);
    move_line(wall, {6, -5, 0, 6, 5, 0});
    ASSERT_EQ(KX_MODL_update(), 0);
    expect_ends(ends(result_of(to_wall)), {0, 0, 0, 8, 0, 0});
    expect_ends(ends(result_of(four)), {0, 0, 0, 4, 0, 0});
    const std::vector<tag> trims = reopen(image_of(part));
    ASSERT_EQ(trims.size(), 2u);
    ASSERT_EQ(KX_MODL_update(), 0);
    expect_ends(ends(result_of(trims[0])), {0, 0, 0, 8, 0, 0});
}

}  // namespace
