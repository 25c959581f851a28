// Temporary display: the checks of each function in their order, the view
// choice, the work part's creation defaults, text lines and what the
// host's temporary-display journal holds after each call.
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "host/store/entities/defaults.h"
#include "host/model/display/temp.h"
#include "kx_disp_temp.h"
#include "tests/libkxapi/disp/disp_fixture.h"

namespace {

namespace ht = host::temp;
namespace hc = host::control;

using TempDisplay = DisplayTest;

constexpr double kPi = std::numbers::pi;
const double kPoint[3] = {1, 2, 3};
const double kEnd[3] = {4, 5, 6};
const double kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
const double kSkewed[9] = {1, 0, 0, 1, 1, 0, 0, 0, 1};

display_properties props(int color, int width = 0, int font = 1) { return {1, color, 0, width, font, 0}; }

int drawn_calls() {
    int n = 0;
    for (const std::string& name : hc::call_names())
        if (name.rfind("DSS_TEMP_display", 0) == 0 || name == "gt533_") ++n;
    return n;
}

TEST_F(TempDisplay, PointChecksComeInTheirOrderAndRefuseBeforeDrawing) {
    struct Row {
        const char* what;
        tag view;
        int type;
        const double* point;
        int color;
        bool null_props;
        int marker;
        int status;
    };
    const Row rows[] = {
        {"view type 0 without a view", NULL_TAG, 0, nullptr, 300, true, 0, 1105004},
        {"view type 5", top, 5, nullptr, 300, true, 0, 1105005},
        {"view type -1", top, -1, kPoint, 1, false, 1, 1105005},
        {"no point", top, 0, nullptr, 300, true, 0, 1105006},
        {"no properties", top, 0, kPoint, 1, true, 0, 1105007},
        {"colour 217", top, 0, kPoint, 217, false, 0, 1105007},
        {"colour -1", top, 0, kPoint, -1, false, 1, 1105007},
        {"marker 0", top, 0, kPoint, 216, false, 0, 1105013},
        {"marker 12", top, 0, kPoint, 0, false, 12, 1105013},
        {"a view of another layout", elsewhere, 0, kPoint, 1, false, 1, 1105004},
        {"a line, not a view", line, 0, kPoint, 1, false, 1, 1105004},
        {"a dead tag", 999999, 0, kPoint, 1, false, 1, 1105004},
    };
    for (const Row& r : rows) {
        hc::clear_journal();
        const display_properties p = props(r.color);
        EXPECT_EQ(KX_DISP_display_temporary_point(r.view, r.type, r.point, r.null_props ? nullptr : &p, r.marker),
                  r.status)
            << r.what;
        EXPECT_EQ(drawn_calls(), 0) << r.what;
    }
    EXPECT_TRUE(ht::shown().empty());
}

TEST_F(TempDisplay, NoActivePartComesFirst) {
    host::parts::set_work_part(0);
    host::control::clear_journal();
    const display_properties p = props(1);
    for (int st : {KX_DISP_display_temporary_point(NULL_TAG, 9, nullptr, nullptr, 0),
                   KX_DISP_display_temporary_line(NULL_TAG, 9, nullptr, nullptr, nullptr),
                   KX_DISP_display_temporary_arc(NULL_TAG, 9, nullptr, 1, 0, nullptr, 0, nullptr),
                   KX_DISP_display_temporary_text(top, 0, "x", kPoint, 1, &p, 1, 1)})
        EXPECT_EQ(st, 1105012);
    EXPECT_TRUE(ht::shown().empty());
}

TEST_F(TempDisplay, ViewChoiceBecomesTheDisplaySequence) {
    struct Row {
        tag view;
        int type;
        int sequence;
    };
    const Row rows[] = {{top, 0, 1},       {front, 0, 2},  {NULL_TAG, 1, -1},
                        {NULL_TAG, 2, -2}, {front, 3, -3}, {NULL_TAG, 4, 0}};
    const display_properties p = props(42);
    for (const Row& r : rows) {
        ASSERT_EQ(KX_DISP_display_temporary_point(r.view, r.type, kPoint, &p, 5), 0);
        const ht::Drawn& d = ht::shown().back();
        EXPECT_EQ(d.kind, ht::Kind::Markers);
        EXPECT_EQ(d.sequence, r.sequence) << r.type;
        EXPECT_EQ(d.marker, 5);
        EXPECT_EQ(d.color, 42);
        EXPECT_EQ(d.fixed, 4);
        EXPECT_EQ(d.points, (std::vector<double>{1, 2, 3}));
    }
    EXPECT_EQ(ht::shown().size(), 6u);
}

TEST_F(TempDisplay, LineTakesTheWorkPartsCreationDefaultsForWidthMinusOneAndFontZero) {
    ASSERT_EQ(ES_set_work_creation_line_font(0, -1, 0, 5), 0);
    ASSERT_EQ(ES_set_work_creation_width(0, -1, 0, 2), 0);
    struct Row {
        int width, font;
        int want_width, want_font;
    };
    const Row rows[] = {{-1, 0, 2, 5}, {0, 0, 0, 5}, {-1, 7, 2, 7}, {1, 3, 1, 3}};
    for (const Row& r : rows) {
        const display_properties p = props(9, r.width, r.font);
        ASSERT_EQ(KX_DISP_display_temporary_line(top, 0, kPoint, kEnd, &p), 0);
        const ht::Drawn& d = ht::shown().back();
        EXPECT_EQ(d.kind, ht::Kind::Polyline);
        EXPECT_EQ(d.width, r.want_width);
        EXPECT_EQ(d.font, r.want_font);
        EXPECT_EQ(d.view, top);
        EXPECT_EQ(d.points, (std::vector<double>{1, 2, 3, 4, 5, 6}));
    }
    const auto asked = hc::calls("ES_ask_creation_display_data");
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked[0].arg[0], part);
    EXPECT_EQ(asked[0].arg[1], 0);
    EXPECT_EQ(asked[0].arg[2], -1);
    EXPECT_EQ(asked[0].arg[3], 0);
}

TEST_F(TempDisplay, LineChecks) {
    struct Row {
        const char* what;
        const double *start, *end;
        int width, font, color;
        int status;
    };
    const Row rows[] = {
        {"no start", nullptr, kEnd, 0, 1, 1, 1105006}, {"no end", kPoint, nullptr, 0, 1, 1, 1105007},
        {"width 3", kPoint, kEnd, 3, 1, 1, 1105013},   {"width -2", kPoint, kEnd, -2, 1, 1, 1105013},
        {"font 8", kPoint, kEnd, 0, 8, 1, 1105013},    {"colour 217", kPoint, kEnd, 0, 1, 217, 1105013},
        {"colour 0", kPoint, kEnd, 0, 1, 0, 0},
    };
    for (const Row& r : rows) {
        const display_properties p = props(r.color, r.width, r.font);
        EXPECT_EQ(KX_DISP_display_temporary_line(NULL_TAG, 1, r.start, r.end, &p), r.status) << r.what;
    }
    EXPECT_EQ(ht::shown().size(), 1u);
}

TEST_F(TempDisplay, ArcChecksAndTheTransposedMatrix) {
    struct Row {
        const char* what;
        const double* matrix;
        double start, end;
        const double* centre;
        double radius;
        int color;
        int status;
    };
    const Row rows[] = {
        {"a full circle", kIdentity, 0, 2 * kPi, kPoint, 1, 1, 0},
        {"a sweep above two pi", kIdentity, 0, 2 * kPi + 1e-9, kPoint, 1, 1, 1480004},
        {"start above end", kIdentity, 1.0, 0.5, kPoint, 1, 1, 1480005},
        {"radius 0", kIdentity, 0, 1, kPoint, 0, 1, 1105015},
        {"no matrix", nullptr, 0, 1, kPoint, 1, 1, 1105006},
        {"a matrix that is not orthonormal", kSkewed, 0, 1, kPoint, 1, 1, 1105006},
        {"no centre", kIdentity, 0, 1, nullptr, 1, 1, 1105014},
        {"colour 300", kIdentity, 0, 1, kPoint, 1, 300, 1105016},
    };
    for (const Row& r : rows) {
        const display_properties p = props(r.color);
        EXPECT_EQ(KX_DISP_display_temporary_arc(front, 0, r.matrix, r.start, r.end, r.centre, r.radius, &p), r.status)
            << r.what;
    }
    ASSERT_EQ(ht::shown().size(), 1u);

    const double m[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    const display_properties p = props(3);
    ASSERT_EQ(KX_DISP_display_temporary_arc(NULL_TAG, 4, m, 0.25, 1.5, kEnd, 2.5, &p), 0);
    const ht::Drawn& d = ht::shown().back();
    EXPECT_EQ(d.kind, ht::Kind::Arc);
    EXPECT_EQ(d.sequence, 0);
    const double transposed[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(d.matrix[i], transposed[i]) << i;
    EXPECT_EQ(d.arc.start_angle, 0.25);
    EXPECT_EQ(d.arc.end_angle, 1.5);
    EXPECT_EQ(d.arc.centre[2], 6);
    EXPECT_EQ(d.arc.radius, 2.5);
    EXPECT_EQ(d.fixed, 4);
}

// Lines of the multi-line text as the journal took them.
std::vector<std::string> multiline(const char* text, int reference = 1) {
    const display_properties p = props(4);
    EXPECT_EQ(KX_DISP_display_temporary_text(NULL_TAG, 1, text, kPoint, reference, &p, 2.0, 1), 0);
    return ht::shown().back().lines;
}

std::vector<std::string> old_lines(const char* text) {
    const display_properties p = props(4);
    EXPECT_EQ(KX_DISP_display_temporary_text(NULL_TAG, 1, text, kPoint, 1, &p, 2.0, 0), 0);
    EXPECT_EQ(ht::shown().back().kind, ht::Kind::OldText);
    return ht::shown().back().lines;
}

TEST_F(TempDisplay, TextIsSplitIntoLines) {
    using L = std::vector<std::string>;
    EXPECT_EQ(multiline("A\n"), L{"A"});
    EXPECT_EQ(multiline("A\n\nB"), (L{"A", "", "B"}));
    EXPECT_EQ(multiline(""), L{""});
    EXPECT_EQ(multiline("\n"), L{""});
    EXPECT_EQ(multiline(std::string(200, 'x').c_str()), L{std::string(131, 'x')});
    EXPECT_EQ(old_lines("A\n\nB"), (L{"A", "B"}));
    EXPECT_EQ(old_lines("\n\nA\n"), L{"A"});
    EXPECT_EQ(old_lines(std::string(200, 'y').c_str()), L{std::string(200, 'y')});
}

TEST_F(TempDisplay, ReferenceCodeGivesPositionAndAlignment) {
    struct Row {
        int reference, position, alignment;
    };
    const Row rows[] = {{0, 7, 1}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {5, 5, 2}, {9, 9, 3}};
    for (const Row& r : rows) {
        multiline("T", r.reference);
        EXPECT_EQ(ht::shown().back().position, r.position) << r.reference;
        EXPECT_EQ(ht::shown().back().alignment, r.alignment) << r.reference;
    }
    const display_properties p = props(4);
    EXPECT_EQ(KX_DISP_display_temporary_text(NULL_TAG, 1, "T", kPoint, 10, &p, 1, 1), 1105013);
    EXPECT_EQ(KX_DISP_display_temporary_text(NULL_TAG, 1, "T", kPoint, -1, &p, 1, 1), 1105013);
}

TEST_F(TempDisplay, TextSizeFallsBackToTheDraftingSizeAndIsScaledByTheUnits) {
    const display_properties p = props(4);
    host::layout::set_units_factor(25.4);
    struct Row {
        double size, want;
    };
    const Row rows[] = {{0, 3.5 / 25.4}, {-2, 3.5 / 25.4}, {50.8, 2}};
    for (const Row& r : rows) {
        ASSERT_EQ(KX_DISP_display_temporary_text(top, 0, "T", kPoint, 1, &p, r.size, 1), 0);
        EXPECT_DOUBLE_EQ(ht::shown().back().size, r.want) << r.size;
        EXPECT_EQ(ht::shown().back().view, 0u);
        EXPECT_EQ(ht::shown().back().sequence, 1);
    }
    // A units factor of 0 leaves the size as it is instead of dividing by it.
    host::layout::set_units_factor(0);
    ASSERT_EQ(KX_DISP_display_temporary_text(top, 0, "T", kPoint, 1, &p, 2, 1), 0);
    EXPECT_EQ(ht::shown().back().size, 2);
}

TEST_F(TempDisplay, TextChecksOfViewsComeInsideTheFrame) {
    struct Row {
        const char* what;
        tag view;
        int type;
        const char* text;
        const double* origin;
        int color;
        int status;
    };
    const Row rows[] = {
        {"no text", top, 0, nullptr, kPoint, 1, 1105006},
        {"no origin", top, 0, "T", nullptr, 1, 1105007},
        {"colour 217", top, 0, "T", kPoint, 217, 1105014},
        {"view type 0 without view", NULL_TAG, 0, "T", kPoint, 1, 1105004},
        {"a line as view", line, 0, "T", kPoint, 1, 1105004},
        {"a view of another layout", elsewhere, 0, "T", kPoint, 1, 1105004},
        {"view type 7", top, 7, "T", kPoint, 1, 1105005},
        {"no text before a bad view", NULL_TAG, 0, nullptr, kPoint, 1, 1105006},
    };
    for (const Row& r : rows) {
        const display_properties p = props(r.color);
        EXPECT_EQ(KX_DISP_display_temporary_text(r.view, r.type, r.text, r.origin, 1, &p, 1, 1), r.status) << r.what;
    }
    EXPECT_TRUE(ht::shown().empty());
}

TEST_F(TempDisplay, OlderTextPacksEightyLinesAndRefusesTextBeyondItsArea) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += "L" + std::to_string(i) + "\n";
    const std::vector<std::string> lines = old_lines(text.c_str());
    ASSERT_EQ(lines.size(), 80u);
    EXPECT_EQ(lines.front(), "L0");
    EXPECT_EQ(lines.back(), "L79");
    const auto gt = hc::calls("gt533_");
    ASSERT_EQ(gt.size(), 1u);
    EXPECT_EQ(gt[0].arg[1], 80);

    // 80 lines of 600 characters exceed the 42,240-character packing area.
    std::string huge;
    for (int i = 0; i < 80; ++i) huge += std::string(600, 'z') + "\n";
    const display_properties p = props(4);
    const std::size_t before = ht::shown().size();
    EXPECT_EQ(KX_DISP_display_temporary_text(NULL_TAG, 1, huge.c_str(), kPoint, 1, &p, 1, 0), 1105006);
    EXPECT_EQ(ht::shown().size(), before);
    // Exactly the area fits.
    std::string fits;
    for (int i = 0; i < 80; ++i) fits += std::string(528, 'f') + "\n";
    EXPECT_EQ(KX_DISP_display_temporary_text(NULL_TAG, 1, fits.c_str(), kPoint, 1, &p, 1, 0), 0);
}

TEST_F(TempDisplay, MultilineBuffersAreFreedAlsoWhenTheHostFails) {
    const display_properties p = props(4);
    const std::size_t blocks = hc::live_blocks();
    hc::raise_on("DSS_TEMP_display_multiline_text", 670004);
    EXPECT_EQ(KX_DISP_display_temporary_text(NULL_TAG, 1, "a\nb\nc", kPoint, 1, &p, 1, 1), 670004);
    EXPECT_EQ(hc::live_blocks(), blocks);
    EXPECT_EQ(hc::frame_depth(), 0);
    hc::clear_scripts();
    EXPECT_EQ(KX_DISP_display_temporary_text(NULL_TAG, 1, "a\nb\nc", kPoint, 1, &p, 1, 1), 0);
    EXPECT_EQ(hc::live_blocks(), blocks);
}

TEST_F(TempDisplay, HostErrorsBecomeTheStatusAndRegenerationErases) {
    const display_properties p = props(1);
    hc::raise_on("DSS_TEMP_display_polyline", 670004);
    EXPECT_EQ(KX_DISP_display_temporary_line(top, 0, kPoint, kEnd, &p), 670004);
    hc::clear_scripts();
    ASSERT_EQ(KX_DISP_display_temporary_line(top, 0, kPoint, kEnd, &p), 0);
    ASSERT_EQ(KX_DISP_display_temporary_point(top, 0, kPoint, &p, 1), 0);
    EXPECT_EQ(ht::shown().size(), 2u);
    DISPLAY_regenerate();
    EXPECT_TRUE(ht::shown().empty());
    EXPECT_EQ(ht::regenerations(), 1);
}

TEST_F(TempDisplay, RefusedWithoutSession) {
    fresh();
    const display_properties p = props(1);
    EXPECT_EQ(KX_DISP_display_temporary_point(top, 0, kPoint, &p, 1), 1105000);
}

}  // namespace
