// Sews read back: a sew of sheets answers its target, tools and
// tolerance; a sew of faces the faces it took; a feature of another kind
// leaves every output alone; null outputs are refused by position.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "host/apps/modeling/bodyops/body_ops.h"
#include "host/control/control.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/queries.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "kxapi.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/libkxapi/modl/body_ops_fixture.h"
#include "tests/libkxapi/modl/damaged_rows.h"
#include "tests/libkxapi/modl/ff_fixture.h"
#include "tests/support/fresh_process.h"

namespace {

using kxtest::face_at;
using kxtest::kernel_block;
using ff_test::Strings;

class SewParms : public ::testing::Test, protected ff_test::Curves {
protected:
    void SetUp() override {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("sews.prt");
        host::parts::set_work_part(part_);
        use_part(part_);
        const char* sizes[] = {"100", "50", "20"};
        const double origin[] = {0, 0, 0};
        ASSERT_EQ(FEAT_create(part_, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block_), 0);
        body_ = FREC_ask_body(block_);
    }
    void TearDown() override { kxtest::fresh_process(); }

    // A square sheet of side 10 on a face of the cube [0, 10]^3.
    static tag square(int axis, double at) {
        const int u = (axis + 1) % 3, v = (axis + 2) % 3;
        double pts[12] = {};
        const double corners[4][2] = {{0, 0}, {10, 0}, {0, 10}, {10, 10}};
        for (int i = 0; i < 4; ++i) {
            pts[3 * i + axis] = at;
            pts[3 * i + u] = corners[i][0];
            pts[3 * i + v] = corners[i][1];
        }
        int body = 0;
        ZQ_BODY_points_sheet(2, 2, pts, &body);
        return host::kernel::object_of(body);
    }
    static tag sew(std::vector<tag> targets, std::vector<tag> tools, double tolerance) {
        tag_list* made = nullptr;
        tag feature = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_sew(0, static_cast<int>(targets.size()), targets.data(),
                                     static_cast<int>(tools.size()), tools.data(), tolerance, 0, &made, &feature),
                  0);
        KX_MODL_delete_list(&made);
        return feature;
    }
    // A sew of faces: the end face of the block against a block beside it.
    tag face_sew(tag* target_face, tag* tool_face) {
        const tag tool = kernel_block({100, 0, 0}, {20, 50, 20});
        *target_face = face_at(body_, 0, 100);
        *tool_face = face_at(tool, 0, 100);
        return sew({*target_face}, {*tool_face}, 0.002);
    }

    unsigned int part_ = 0, block_ = 0;
    tag body_ = NULL_TAG;
};

TEST_F(SewParms, SheetSewAnswersItsTargetToolsAndTolerance) {
    const tag target = square(2, 0), a = square(0, 0), b = square(1, 0);
    const tag feature = sew({target}, {a, b}, 0.005);
    ASSERT_NE(feature, NULL_TAG);
    tag body = NULL_TAG, *tools = nullptr;
    int n = 0;
    double tolerance = 0;
    ASSERT_EQ(KX_MODL_ask_sew_sheet_body(feature, &body, &n, &tools, &tolerance), 0);
    EXPECT_EQ(body, target);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(tools[0], a);
    EXPECT_EQ(tools[1], b);
    EXPECT_DOUBLE_EQ(tolerance, 0.005);
    KX_free(tools);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(SewParms, MultipleSewsAnswerOneToolEach) {
    const tag target = square(2, 0), a = square(0, 0), b = square(1, 0);
    tag_list *sews = nullptr, *bodies = nullptr;
    ASSERT_EQ(KX_MODL_create_multiple_sews(target, a, NULL_TAG, b, NULL_TAG, &sews, &bodies), 0);
    const tag expected[] = {a, b};
    for (int i = 0; i < 2; ++i) {
        tag feature = NULL_TAG, body = NULL_TAG, *tools = nullptr;
        KX_MODL_ask_list_item(sews, i, &feature);
        int n = 0;
        double tolerance = 0;
        ASSERT_EQ(KX_MODL_ask_sew_sheet_body(feature, &body, &n, &tools, &tolerance), 0);
        EXPECT_EQ(body, target);
        ASSERT_EQ(n, 1);
        EXPECT_EQ(tools[0], expected[i]);
        EXPECT_GT(tolerance, 0);
        KX_free(tools);
    }
    KX_MODL_delete_list(&sews);
    KX_MODL_delete_list(&bodies);
}

TEST_F(SewParms, FaceSewAnswersTheFacesItTook) {
    tag target_face = NULL_TAG, tool_face = NULL_TAG;
    const tag feature = face_sew(&target_face, &tool_face);
    ASSERT_NE(feature, NULL_TAG);
    int n_targets = -1, n_tools = -1;
    tag *targets = nullptr, *tools = nullptr;
    double tolerance = 0;
    ASSERT_EQ(KX_MODL_ask_sew_solid_body(feature, &n_targets, &targets, &n_tools, &tools, &tolerance), 0);
    ASSERT_EQ(n_targets, 1);
    ASSERT_EQ(n_tools, 1);
    EXPECT_EQ(targets[0], target_face);
    EXPECT_EQ(tools[0], tool_face);
    EXPECT_DOUBLE_EQ(tolerance, 0.002);
    KX_free(targets);
    KX_free(tools);
}

TEST_F(SewParms, FaceSewOfInstancesAnswersTheFacesItTook) {
    // The host keeps the faces of a sew of instance faces apart; the query
    // hands them out all the same.
    const tag tool = kernel_block({100, 0, 0}, {20, 50, 20});
    const tag target_face = face_at(body_, 0, 100), tool_face = face_at(tool, 0, 100);
    int bodies = 0, targets_list = 0, tools_list = 0, results = 0;
    KI_crlist(KI_LIST_KERNEL, &bodies);
    KI_crlist(KI_LIST_KERNEL, &targets_list);
    KI_crlist(KI_LIST_KERNEL, &tools_list);
    KI_crlist(KI_LIST_KERNEL, &results);
    KI_pttgli(bodies, 0, 1, host::kernel::entity_of(body_));
    KI_pttgli(bodies, 0, 1, host::kernel::entity_of(tool));
    KI_pttgli(targets_list, 0, 1, host::kernel::entity_of(target_face));
    KI_pttgli(tools_list, 0, 1, host::kernel::entity_of(tool_face));
    unsigned int feature = 0;
    ASSERT_EQ(SEW_create_frec(0.001, 0, 1, bodies, targets_list, tools_list, results, &feature), 0);
    for (int list : {bodies, targets_list, tools_list, results}) {
        int ifail = 0;
        KI_delist(&list, &ifail);
    }
    ASSERT_EQ(SEW_is_instance_sew(feature), 1);
    int n_targets = 0, n_tools = 0;
    tag *targets = nullptr, *tools = nullptr;
    double tolerance = 0;
    ASSERT_EQ(KX_MODL_ask_sew_solid_body(feature, &n_targets, &targets, &n_tools, &tools, &tolerance), 0);
    ASSERT_EQ(n_targets, 1);
    ASSERT_EQ(n_tools, 1);
    EXPECT_EQ(targets[0], target_face);
    EXPECT_EQ(tools[0], tool_face);
    EXPECT_DOUBLE_EQ(tolerance, 0.001);
    KX_free(targets);
    KX_free(tools);
}

TEST_F(SewParms, AnotherKindLeavesEveryOutputAlone) {
    tag target_face = NULL_TAG, tool_face = NULL_TAG;
    const tag face_sew_feature = face_sew(&target_face, &tool_face);
    const tag sheet_sew = sew({square(2, 0)}, {square(0, 0)}, 0.001);
    tag* const untouched = reinterpret_cast<tag*>(0x10);
    struct Row {
        tag feature;
        int code;
    };
    // A sew of faces and a block are no sews of sheets; a dead tag is the
    // host's error.
    for (const Row& r : {Row{face_sew_feature, 875004}, Row{block_, 875004}, Row{NULL_TAG, HOST_ERR_DEAD_TAG}}) {
        tag body = 7, *tools = untouched;
        int n = -1;
        double tolerance = -1;
        EXPECT_EQ(KX_MODL_ask_sew_sheet_body(r.feature, &body, &n, &tools, &tolerance), r.code);
        EXPECT_EQ(body, 7u);
        EXPECT_EQ(n, -1);
        EXPECT_EQ(tools, untouched);
        EXPECT_EQ(tolerance, -1);
    }
    for (const Row& r : {Row{sheet_sew, 875004}, Row{block_, 875004}, Row{NULL_TAG, HOST_ERR_DEAD_TAG}}) {
        int n_targets = -1, n_tools = -1;
        tag *targets = untouched, *tools = untouched;
        double tolerance = -1;
        EXPECT_EQ(KX_MODL_ask_sew_solid_body(r.feature, &n_targets, &targets, &n_tools, &tools, &tolerance), r.code);
        EXPECT_EQ(n_targets, -1);
        EXPECT_EQ(n_tools, -1);
        EXPECT_EQ(targets, untouched);
        EXPECT_EQ(tools, untouched);
        EXPECT_EQ(tolerance, -1);
    }
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(SewParms, NullOutputsAreRefusedByPosition) {
    const tag feature = sew({square(2, 0)}, {square(0, 0)}, 0.001);
    tag body = NULL_TAG, *tools = nullptr;
    int n = 0;
    double tolerance = 0;
    EXPECT_EQ(KX_MODL_ask_sew_sheet_body(feature, nullptr, &n, &tools, &tolerance), 1105005);
    EXPECT_EQ(KX_MODL_ask_sew_sheet_body(feature, &body, nullptr, &tools, &tolerance), 1105006);
    EXPECT_EQ(KX_MODL_ask_sew_sheet_body(feature, &body, &n, nullptr, &tolerance), 1105007);
    EXPECT_EQ(KX_MODL_ask_sew_sheet_body(feature, &body, &n, &tools, nullptr), 1105013);
    int n2 = 0;
    tag* faces = nullptr;
    EXPECT_EQ(KX_MODL_ask_sew_solid_body(feature, nullptr, &faces, &n2, &tools, &tolerance), 1105005);
    EXPECT_EQ(KX_MODL_ask_sew_solid_body(feature, &n, nullptr, &n2, &tools, &tolerance), 1105006);
    EXPECT_EQ(KX_MODL_ask_sew_solid_body(feature, &n, &faces, nullptr, &tools, &tolerance), 1105007);
    EXPECT_EQ(KX_MODL_ask_sew_solid_body(feature, &n, &faces, &n2, nullptr, &tolerance), 1105013);
    EXPECT_EQ(KX_MODL_ask_sew_solid_body(feature, &n, &faces, &n2, &tools, nullptr), 1105014);
    EXPECT_EQ(host::control::call_count("SEW_ask_sew_sheet_body"), 0);
    EXPECT_EQ(host::control::call_count("SEW_ask_solid_faces"), 0);
    EXPECT_EQ(body, NULL_TAG);
    EXPECT_EQ(tools, nullptr);
    EXPECT_EQ(faces, nullptr);
}

TEST_F(SewParms, UninitialisedCallsAreRefused) {
    const tag feature = sew({square(2, 0)}, {square(0, 0)}, 0.001);
    kxtest::fresh_process();
    tag body = NULL_TAG, *tools = nullptr;
    int n = 0, n2 = 0;
    double tolerance = 0;
    EXPECT_EQ(KX_MODL_ask_sew_sheet_body(feature, &body, &n, &tools, &tolerance), 1105000);
    EXPECT_EQ(KX_MODL_ask_sew_solid_body(feature, &n, &tools, &n2, &tools, &tolerance), 1105000);
    EXPECT_EQ(tools, nullptr);
}

// What a sew query answers, as plain values.
struct SewAnswer {
    tag body = NULL_TAG;
    std::vector<tag> first, second;
    double tolerance = 0;
};
SewAnswer sheet_answer(tag feature) {
    SewAnswer a;
    tag* tools = nullptr;
    int n = 0;
    EXPECT_EQ(KX_MODL_ask_sew_sheet_body(feature, &a.body, &n, &tools, &a.tolerance), 0);
    a.second.assign(tools, tools + n);
    KX_free(tools);
    return a;
}
SewAnswer face_answer(tag feature) {
    SewAnswer a;
    tag *targets = nullptr, *tools = nullptr;
    int n_targets = 0, n_tools = 0;
    EXPECT_EQ(KX_MODL_ask_sew_solid_body(feature, &n_targets, &targets, &n_tools, &tools, &a.tolerance), 0);
    a.first.assign(targets, targets + n_targets);
    a.second.assign(tools, tools + n_tools);
    KX_free(targets);
    KX_free(tools);
    return a;
}
// The answer with the objects as the reopened part names them: what the
// sew consumed was not saved and comes back as NULL_TAG.
SewAnswer mapped(const SewAnswer& a, const std::map<unsigned int, unsigned int>& read) {
    const auto map = [&](tag t) { return read.count(t) ? read.at(t) : NULL_TAG; };
    SewAnswer out = a;
    out.body = a.body == NULL_TAG ? NULL_TAG : map(a.body);
    for (tag& t : out.first) t = map(t);
    for (tag& t : out.second) t = map(t);
    return out;
}
void expect_same(const SewAnswer& got, const SewAnswer& want) {
    EXPECT_EQ(got.body, want.body);
    EXPECT_EQ(got.first, want.first);
    EXPECT_EQ(got.second, want.second);
    EXPECT_DOUBLE_EQ(got.tolerance, want.tolerance);
}

TEST_F(SewParms, SewsAnswerTheSameAfterReopening) {
    const tag target = square(2, 0), kept_tool = square(0, 0);
    const tag sheet_sew = sew({target}, {kept_tool}, 0.005);
    tag target_face = NULL_TAG, tool_face = NULL_TAG;
    const tag faces_sew = face_sew(&target_face, &tool_face);
    const SewAnswer sheet = sheet_answer(sheet_sew), faces = face_answer(faces_sew);
    ASSERT_EQ(sheet.second.size(), 1u);
    ASSERT_EQ(faces.first.size(), 1u);
    const std::map<unsigned int, unsigned int> read = reopen_part(part_, [] { kxtest::fresh_process(); });
    const tag sheet_again = read.at(sheet_sew), faces_again = read.at(faces_sew);
    const SewAnswer sheet_want = mapped(sheet, read), faces_want = mapped(faces, read);
    EXPECT_NE(sheet_want.body, NULL_TAG);
    expect_same(sheet_answer(sheet_again), sheet_want);
    expect_same(face_answer(faces_again), faces_want);
    // Each kind still refuses the other's query.
    tag body = 7, *tools = nullptr;
    int n = -1;
    double tolerance = -1;
    EXPECT_EQ(KX_MODL_ask_sew_sheet_body(faces_again, &body, &n, &tools, &tolerance), 875004);
    // The update makes the sew of faces again; the answers stay.
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    expect_same(sheet_answer(sheet_again), sheet_want);
    expect_same(face_answer(faces_again), faces_want);
    EXPECT_EQ(SEW_is_instance_sew(faces_again), 0);
}

// The sewn sheet's area, face and edge count.
struct Sheet {
    double area = 0;
    std::size_t faces = 0, edges = 0;
};
Sheet sheet_of(tag body) {
    const int entity = host::kernel::entity_of(body);
    double p[ZQ_MP_COUNT] = {};
    ZQ_BODY_ask_mass_props(entity, p);
    return {p[ZQ_MP_AREA], host::kernel::faces_of(entity).size(), host::kernel::edges_of(entity).size()};
}

// Bounded planes of 10 x 10 with a hole of radius 2 and of 7 x 10 beside
// it, sewn: read back in a fresh process, the sew is made again with its
// sheet, is left out and back in, and follows the hole's circle.
TEST_F(SewParms, SewOfFeatureSheetsIsMadeAgainWithItsSheetAfterReopening) {
    const tag hole = circle(4, 5, -30, 2);
    Strings first({rectangle(0, 0, 10, 10, -30), {hole}}), second({rectangle(10, 0, 17, 10, -30)});
    double tolerances[3] = {0.001, 0.5, 0.02};
    tag a = NULL_TAG, b = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_bplane(&first, tolerances, &a), 0);
    ASSERT_EQ(KX_MODL_create_bplane(&second, tolerances, &b), 0);
    const tag target = FREC_ask_body(a), tool = FREC_ask_body(b);
    const tag feature = sew({target}, {tool}, 0.001);
    ASSERT_NE(feature, NULL_TAG);
    const Sheet made = sheet_of(target);
    EXPECT_NEAR(made.area, 170 - 4 * std::numbers::pi, 1e-6);
    const SewAnswer answer = sheet_answer(feature);
    ASSERT_EQ(answer.second.size(), 1u);
    int sheet_type = 0;
    ASSERT_EQ(KX_MODL_ask_body_type(target, &sheet_type), 0);

    const std::map<unsigned int, unsigned int> read = reopen_part(part_, [] { kxtest::fresh_process(); });
    const tag again = read.at(feature), body = read.at(target);
    const auto expect_as_made = [&] {
        const Sheet now = sheet_of(body);
        EXPECT_NEAR(now.area, made.area, 1e-6);
        EXPECT_EQ(now.faces, made.faces);
        EXPECT_EQ(now.edges, made.edges);
        expect_same(sheet_answer(again), mapped(answer, read));
    };
    int type = 0;
    ASSERT_EQ(KX_MODL_ask_body_type(body, &type), 0);
    EXPECT_EQ(type, sheet_type);
    expect_as_made();
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    expect_as_made();
    // Left out, the first sheet is alone; back in, sewn as made.
    ASSERT_EQ(FREC_set_suppressed(again, 1), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(sheet_of(body).area, 100 - 4 * std::numbers::pi, 1e-6);
    ASSERT_EQ(FREC_set_suppressed(again, 0), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    expect_as_made();
    // The hole grows to 3.5: the sewn sheet loses pi (3.5^2 - 2^2).
    arc_data d{};
    ASSERT_EQ(KX_CURVE_ask_arc_data(read.at(hole), &d), 0);
    d.radius = 3.5;
    ASSERT_EQ(KX_CURVE_edit_arc_data(read.at(hole), &d), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    const Sheet grown = sheet_of(body);
    EXPECT_NEAR(grown.area, 170 - 12.25 * std::numbers::pi, 1e-6);
    EXPECT_EQ(grown.faces, made.faces);
    EXPECT_EQ(grown.edges, made.edges);
    expect_same(sheet_answer(again), mapped(answer, read));
}

// The sew follows its tools: a bounded plane of 10 x 10 with a hole of
// radius 2 sewn with two beside it, one of 10 x 4 and one of 7 x 10 with
// a hole of radius 1.5 of its own. The second tool's hole grows to 2.5,
// then (after save and reopen) to 3; at each update the sew takes that
// tool made again, the other sheets as they were.
TEST_F(SewParms, SewTakesItsToolMadeAgainAlsoAfterReopening) {
    constexpr double kPi = std::numbers::pi;
    const tag tool_hole = circle(13.5, 4, -30, 1.5);
    Strings first({rectangle(0, 0, 10, 10, -30), {circle(4, 5, -30, 2)}}), strip({rectangle(0, 10, 10, 14, -30)}),
        second({rectangle(10, 0, 17, 10, -30), {tool_hole}});
    double tolerances[3] = {0.001, 0.5, 0.02};
    tag a = NULL_TAG, c = NULL_TAG, b = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_bplane(&first, tolerances, &a), 0);
    ASSERT_EQ(KX_MODL_create_bplane(&strip, tolerances, &c), 0);
    ASSERT_EQ(KX_MODL_create_bplane(&second, tolerances, &b), 0);
    const tag target = FREC_ask_body(a);
    const tag feature = sew({target}, {FREC_ask_body(c), FREC_ask_body(b)}, 0.001);
    ASSERT_NE(feature, NULL_TAG);
    const Sheet made = sheet_of(target);
    EXPECT_NEAR(made.area, 210 - 4 * kPi - 2.25 * kPi, 1e-6);
    EXPECT_EQ(made.faces, 3u);
    const SewAnswer answer = sheet_answer(feature);
    const auto grow = [](tag hole, double radius) {
        arc_data d{};
        ASSERT_EQ(KX_CURVE_ask_arc_data(hole, &d), 0);
        d.radius = radius;
        ASSERT_EQ(KX_CURVE_edit_arc_data(hole, &d), 0);
        ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    };
    grow(tool_hole, 2.5);
    Sheet now = sheet_of(target);
    EXPECT_NEAR(now.area, 210 - 4 * kPi - 6.25 * kPi, 1e-6);
    EXPECT_EQ(now.faces, made.faces);
    EXPECT_EQ(now.edges, made.edges);
    expect_same(sheet_answer(feature), answer);
    // An update without changes leaves it.
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(sheet_of(target).area, 210 - 4 * kPi - 6.25 * kPi, 1e-6);

    const std::map<unsigned int, unsigned int> read = reopen_part(part_, [] { kxtest::fresh_process(); });
    const tag body = read.at(target);
    EXPECT_NEAR(sheet_of(body).area, 210 - 4 * kPi - 6.25 * kPi, 1e-6);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(sheet_of(body).area, 210 - 4 * kPi - 6.25 * kPi, 1e-6);
    grow(read.at(tool_hole), 3);
    now = sheet_of(body);
    EXPECT_NEAR(now.area, 210 - 4 * kPi - 9 * kPi, 1e-6);
    EXPECT_EQ(now.faces, made.faces);
    EXPECT_EQ(now.edges, made.edges);
    expect_same(sheet_answer(read.at(feature)), mapped(answer, read));
}

// Parts saved while a sew of sheets was a record without a body of its own
// (the kernel's sew step only in the body's steps) still open with the
// sheet sewn.
TEST_F(SewParms, SheetSewSavedAsARecordWithoutBodyOpens) {
    const tag target = square(2, 0), tool = square(0, 0);
    const int sheet = host::kernel::entity_of(tool);
    ZQ_BODY_sew(host::kernel::entity_of(target), 1, &sheet, 0.005);
    const tag feature = host::feature::create(part_, "SEW", {}, {target});
    const double area = sheet_of(target).area;
    EXPECT_NEAR(area, 200, 1e-6);
    const std::map<unsigned int, unsigned int> read = reopen_part(part_, [] { kxtest::fresh_process(); });
    ASSERT_TRUE(read.count(feature));
    EXPECT_NE(host::feature::find(read.at(feature)), nullptr);
    EXPECT_NEAR(sheet_of(read.at(target)).area, area, 1e-6);
}

TEST_F(SewParms, FilesWithoutSewRowsOpenAndDamagedRowsAreRefused) {
    const tag sheet_sew = sew({square(2, 0)}, {square(0, 0)}, 0.005);
    namespace pf = host::part_file;
    pf::Image image;
    const std::string rows = kxtest::section_payload(part_, "SEWS", image);
    ASSERT_GE(rows.size(), 29u);
    // The first row: its number, then flags, tolerance, target, tools.
    const std::string own = rows.substr(4, 4), target = rows.substr(21, 4);
    const kxtest::RowDamage damages[] = {
        {"flags out of range", "SEWS", 12, std::string(1, '\0'), std::string(1, '\x09')},
        {"a tolerance that is not a number", "SEWS", 13, kxtest::f64_bytes(0.005), kxtest::f64_bytes(NAN)},
        {"a negative tolerance", "SEWS", 13, kxtest::f64_bytes(0.005), kxtest::f64_bytes(-1)},
        {"a target that is the feature", "SEWS", 21, target, own},
        {"tools beyond the row", "SEWS", 25, rows.substr(25, 4), kxtest::le32(1000)},
    };
    kxtest::expect_damaged_rows_refused(part_, damages);
    pf::Image old = image;
    std::erase_if(old.sections, [](const auto& s) { return s.first == "SEWS"; });
    int code = -1;
    const tag opened = pf::apply(old, "sews.old.prt", &code);
    ASSERT_NE(opened, NULL_TAG) << code;
    const tag again = FREC_ask_frec_from_name(opened, host::feature::display_name(sheet_sew).c_str());
    ASSERT_NE(again, NULL_TAG);
    tag body = NULL_TAG, *tools = nullptr;
    int n = 0;
    double tolerance = 0;
    EXPECT_EQ(KX_MODL_ask_sew_sheet_body(again, &body, &n, &tools, &tolerance), 875004);
}

}  // namespace
