// Symbolic threads on the holes of the 100 x 50 x 20 block and on a
// cylinder: made from a record and from a callout, read back, refused with
// the codes of their faces and texts before anything changes.
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/rm.h"
#include "host/model/expr/expr.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/model/feature/profiles.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/apps/modeling/thread/thread.h"
#include "host/base/services/objects.h"
#include "kx_modl_parms.h"
#include "tests/libkxapi/modl/form_fixture.h"
#include "tests/support/part_files.h"

namespace {

using namespace form_test;

class Thread : public FormFeature {
protected:
    void SetUp() override {
        FormFeature::SetUp();
        BREF_set_current_target(body_);
        // A through hole of 8.5 (the tapped drill of M10) from the top.
        double at[] = {30, 25, 20}, along[] = {0, 0, -1};
        ASSERT_EQ(KX_MODL_create_simple_hole(at, along, "8.5", nullptr, nullptr, top_, bottom_, &hole_), 0);
        hole_face_ = cylinder_of(hole_);
        ASSERT_NE(hole_face_, NULL_TAG);
    }
    void TearDown() override {
        host::control::clear_scripts();
        FormFeature::TearDown();
    }

    // The cylindrical face the feature made.
    static tag cylinder_of(tag feature) {
        tag_list* faces = nullptr;
        EXPECT_EQ(KX_MODL_ask_feat_faces(feature, &faces), 0);
        tag found = NULL_TAG;
        for (int i = 0; i < count(faces); ++i) {
            tag f = NULL_TAG;
            int type = 0;
            KX_MODL_ask_list_item(faces, i, &f);
            if (KX_MODL_ask_face_type(f, &type) == 0 && type == 16) found = f;
        }
        KX_MODL_delete_list(&faces);
        return found;
    }

    // A metric thread by callout from the top face into the hole.
    symb_thread_data callout_record(const char* callout = "M10x1.5") const {
        symb_thread_data d{};
        d.thread_face = hole_face_;
        d.start_face = top_;
        d.direction[2] = -1;
        d.option_1 = 1;
        d.text_1 = "12";
        d.text_2 = "Cut";
        d.text_3 = "Metric";
        d.callout = callout;
        return d;
    }

    // The same thread given size by size.
    symb_thread_data sized_record() const {
        symb_thread_data d = callout_record(nullptr);
        d.text_4 = "10";
        d.text_5 = "8.376";
        d.text_6 = "1.5";
        d.text_7 = "60";
        d.text_8 = "8.5";
        return d;
    }

    int features() const { return static_cast<int>(host::feature::features_of_part(part_).size()); }

    // The values of a thread's texts read back (after the "=" of each
    // assignment), text_1 and text_4 to text_8, and its other texts.
    struct Back {
        std::vector<std::string> sizes, names;
        symb_thread_data d{};
    };
    static std::string value(const char* assignment) {
        const std::string s = assignment ? assignment : "";
        return s.substr(s.find('=') + 1);
    }
    static Back read_back(tag feature) {
        Back b;
        EXPECT_EQ(KX_MODL_ask_symb_thread_parms(feature, &b.d), 0);
        for (const char* t : {b.d.text_1, b.d.text_4, b.d.text_5, b.d.text_6, b.d.text_7, b.d.text_8})
            b.sizes.push_back(value(t));
        for (const char* t : {b.d.text_2, b.d.text_3, b.d.callout}) b.names.push_back(t ? t : "(null)");
        for (const char* t : {b.d.text_1, b.d.text_2, b.d.text_3, b.d.callout, b.d.text_4, b.d.text_5, b.d.text_6,
                              b.d.text_7, b.d.text_8})
            KX_free(const_cast<char*>(t));
        return b;
    }
    static THD_parms_t host_parms(tag feature) {
        int o[5];
        THD_parms_t p{};
        THD_get_symb_thd_parms(feature, &o[0], &o[1], &o[2], &o[3], &o[4], &p);
        return p;
    }

    tag hole_ = NULL_TAG, hole_face_ = NULL_TAG;
};

TEST_F(Thread, ByCalloutTakesTheTableSizesOfAnInternalThread) {
    symb_thread_data d = callout_record();
    const double before = volume();
    tag thread = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_symb_thread(&d, &thread), 0);
    ASSERT_NE(thread, NULL_TAG);
    EXPECT_EQ(marks(), 0);
    EXPECT_DOUBLE_EQ(volume(), before);  // symbolic: the body stays
    char* kind = nullptr;
    ASSERT_EQ(KX_MODL_ask_feat_type(thread, &kind), 0);
    EXPECT_STREQ(kind, "SYMBOLIC_THREAD");
    KX_free(kind);
    const Back b = read_back(thread);
    EXPECT_EQ(b.sizes, (std::vector<std::string>{"12", "10", "8.376", "1.5", "60", "8.5"}));
    EXPECT_EQ(b.names, (std::vector<std::string>{"Cut", "Metric", "M10x1.5"}));
    EXPECT_EQ(b.d.thread_face, hole_face_);
    EXPECT_EQ(b.d.start_face, top_);
    EXPECT_EQ(b.d.option_1, 1);
    EXPECT_EQ(b.d.option_3, 0);
    EXPECT_EQ(b.d.zero_text_flag, 0);
    EXPECT_EQ(host_parms(thread).sense, THD_SENSE_INTERNAL);
}

TEST_F(Thread, CalloutAndRecordMakeTheSameThread) {
    symb_thread_data by_callout = callout_record(), by_sizes = sized_record();
    tag a = NULL_TAG, b = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_symb_thread(&by_callout, &a), 0);
    ASSERT_EQ(KX_MODL_create_symb_thread(&by_sizes, &b), 0);
    const Back x = read_back(a), y = read_back(b);
    EXPECT_EQ(x.sizes, y.sizes);
    EXPECT_EQ(y.names, (std::vector<std::string>{"Cut", "Metric", ""}));
}

TEST_F(Thread, WithACalloutTheSizeTextsAndTaperAreNotRead) {
    symb_thread_data d = callout_record();
    const std::string long_text(400, '9');
    d.text_4 = long_text.c_str();
    d.text_6 = "not a formula";
    d.option_3 = 1;
    tag thread = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_symb_thread(&d, &thread), 0);
    const Back b = read_back(thread);
    EXPECT_EQ(b.sizes[1], "10");
    EXPECT_EQ(b.sizes[3], "1.5");
    EXPECT_EQ(b.d.option_3, 0);
}

TEST_F(Thread, DirectionIsUnitisedForTheCallerAndKeptAsGiven) {
    symb_thread_data d = callout_record();
    d.direction[2] = -3;
    tag thread = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_symb_thread(&d, &thread), 0);
    EXPECT_DOUBLE_EQ(d.direction[2], -1);
    const Back b = read_back(thread);
    EXPECT_DOUBLE_EQ(b.d.direction[2], -3);
}

// Word 28: 5 in a hole (the face runs against its surface), 6 on a shaft.
// Flag 32: set when the thread runs against the surface's axis.
TEST_F(Thread, SenseWordAndReversedFlagFollowTheFaceAndTheDirection) {
    double p[3], axis[3], r = 0;
    int sense = 0;
    KI_outsur(host::kernel::entity_of(hole_face_), p, axis, &r, &sense);
    for (tag start : {top_, bottom_}) {
        symb_thread_data d = callout_record();
        d.start_face = start;
        d.direction[2] = start == top_ ? -1 : 1;
        d.text_1 = "5";
        const int against = d.direction[2] * axis[2] < 0 ? THD_FLAG_REVERSED : 0;
        tag thread = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_symb_thread(&d, &thread), 0);
        EXPECT_EQ(host_parms(thread).flags, against);
    }
    // An external thread on a cylinder of diameter 10 standing on z = 0.
    const char* sizes[] = {"10", "30"};
    const double placed[] = {200, 0, 0, 0, 0, 1};
    unsigned int cylinder = 0;
    ASSERT_EQ(FEAT_create(part_, "CYLINDER", 2, sizes, 6, placed, 0, nullptr, 0, 0, &cylinder), 0);
    tag_list* faces = nullptr;
    ASSERT_EQ(KX_MODL_ask_feat_faces(cylinder, &faces), 0);
    tag side = NULL_TAG, end = NULL_TAG;
    for (int i = 0; i < count(faces); ++i) {
        tag f = NULL_TAG;
        int type = 0;
        KX_MODL_ask_list_item(faces, i, &f);
        KX_MODL_ask_face_type(f, &type);
        if (type == 16) side = f;
        if (type == 22) end = f;
    }
    KX_MODL_delete_list(&faces);
    ASSERT_NE(side, NULL_TAG);
    symb_thread_data d = callout_record();
    d.thread_face = side;
    d.start_face = end;
    d.zero_text_flag = 1;
    double e[3], n[3], r1 = 0, r2 = 0;
    int type = 0, s = 0;
    ZQ_FACE_ask_data(host::kernel::entity_of(end), &type, e, n, &r1, &r2, &s);
    d.direction[2] = e[2] > 15 ? -1 : 1;  // from the end face along the shaft
    tag thread = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_symb_thread(&d, &thread), 0);
    EXPECT_EQ(host_parms(thread).sense, THD_SENSE_EXTERNAL);
    const Back b = read_back(thread);
    EXPECT_EQ(b.sizes[0], "0");     // a full thread
    EXPECT_EQ(b.sizes[2], "8.16");  // the external minor diameter
    EXPECT_EQ(b.sizes[5], "10");    // the shaft size
}

TEST_F(Thread, StartsOnADatumPlaneWithoutAFaceTypeCheck) {
    const double at[] = {0, 0, 20}, normal[] = {0, 0, 1};
    const tag plane = host::profiles::create_direction_object(part_, 197, at, normal);
    symb_thread_data d = callout_record();
    d.start_face = plane;
    tag thread = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_symb_thread(&d, &thread), 0);
    const Back b = read_back(thread);
    EXPECT_EQ(b.d.start_face, plane);
}

TEST_F(Thread, ALengthPastTheFaceEndsAtTheFace) {
    symb_thread_data d = callout_record();
    d.text_1 = "40";
    tag thread = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_symb_thread(&d, &thread), 0);
    EXPECT_NE(thread, NULL_TAG);
}

TEST_F(Thread, TheHoleTakesItsThreadAlongWhenDeleted) {
    symb_thread_data d = callout_record();
    tag thread = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_symb_thread(&d, &thread), 0);
    tag_list* list = nullptr;
    KX_MODL_create_list(&list);
    KX_MODL_put_list_item(list, hole_);
    EXPECT_EQ(KX_MODL_delete_feature(list), 0);
    KX_MODL_delete_list(&list);
    EXPECT_EQ(TAG_ask_pointer_of_tag(thread), nullptr);
}

struct Refusal {
    const char* name;
    int code;
    void (*spoil)(symb_thread_data& d, tag hole_face, tag top);
};

class ThreadRefusals : public Thread, public ::testing::WithParamInterface<Refusal> {};

const std::string k133(133, 'x'), k264(264, '1'), k132(132, 'x');

TEST_P(ThreadRefusals, LeaveTheModelAsItWas) {
    const Refusal& r = GetParam();
    symb_thread_data d = callout_record();
    r.spoil(d, hole_face_, top_);
    const symb_thread_data given = d;
    const int before = features();
    tag thread = 1;
    EXPECT_EQ(KX_MODL_create_symb_thread(&d, &thread), r.code) << r.name;
    EXPECT_EQ(thread, NULL_TAG) << r.name;
    EXPECT_EQ(features(), before) << r.name;
    EXPECT_EQ(marks(), 0) << r.name;
    EXPECT_EQ(d.direction[2], given.direction[2]) << r.name;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ThreadRefusals,
    ::testing::Values(
        Refusal{"no_thread_face", 671159, [](symb_thread_data& d, tag, tag) { d.thread_face = NULL_TAG; }},
        Refusal{"thread_face_planar", 875007, [](symb_thread_data& d, tag, tag top) { d.thread_face = top; }},
        Refusal{"no_start", 671160, [](symb_thread_data& d, tag, tag) { d.start_face = NULL_TAG; }},
        Refusal{"start_not_planar", 875006,
                [](symb_thread_data& d, tag hole_face, tag) { d.start_face = hole_face; }},
        Refusal{"no_reference", 670077,
                [](symb_thread_data&, tag, tag) { host::control::give_outputs("FREF_find_fref_of_face", {0}); }},
        Refusal{"no_target", 672178, [](symb_thread_data&, tag, tag) { CONTEXT_set_work_part(host::parts::create("other.prt")); }},
        Refusal{"unknown_callout", FEAT_ERR_BAD_PARAMETERS,
                [](symb_thread_data& d, tag, tag) { d.callout = "M11x1.5"; }},
        Refusal{"thread_wider_than_hole_needs", FEAT_ERR_BAD_PARAMETERS,
                [](symb_thread_data& d, tag, tag) { d.callout = "M8x1.25"; }},
        Refusal{"text_2_too_long", 1105004, [](symb_thread_data& d, tag, tag) { d.text_2 = k133.c_str(); }},
        Refusal{"text_3_too_long", 1105004, [](symb_thread_data& d, tag, tag) { d.text_3 = k133.c_str(); }},
        Refusal{"callout_too_long", 1105004, [](symb_thread_data& d, tag, tag) { d.callout = k133.c_str(); }},
        Refusal{"text_1_too_long", 1105004, [](symb_thread_data& d, tag, tag) { d.text_1 = k264.c_str(); }},
        Refusal{"text_8_too_long", 1105004,
                [](symb_thread_data& d, tag, tag) {
                    d.callout = nullptr;
                    d.text_8 = k264.c_str();
                }},
        Refusal{"callout_at_its_limit_is_read", FEAT_ERR_BAD_PARAMETERS,
                [](symb_thread_data& d, tag, tag) { d.callout = k132.c_str(); }},
        Refusal{"no_direction", 1105004, [](symb_thread_data& d, tag, tag) { d.direction[2] = 0; }},
        Refusal{"direction_not_finite", 1105004, [](symb_thread_data& d, tag, tag) { d.direction[0] = std::numeric_limits<double>::infinity(); }}),
    [](const ::testing::TestParamInfo<Refusal>& i) { return std::string(i.param.name); });

TEST_F(Thread, NullRecordAndOutputAreRefused) {
    tag thread = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_symb_thread(nullptr, &thread), 1105004);
    symb_thread_data d = callout_record();
    EXPECT_EQ(KX_MODL_create_symb_thread(&d, nullptr), 1105005);
    kx_reset_session_for_tests();
    thread = 1;
    EXPECT_EQ(KX_MODL_create_symb_thread(&d, &thread), 1105000);
    EXPECT_EQ(thread, NULL_TAG);
}

TEST_F(Thread, HostErrorRollsBackToTheMark) {
    symb_thread_data d = callout_record();
    host::control::raise_on("THD_create_symb_thd_frec", 670533);
    const int before = features();
    tag thread = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_symb_thread(&d, &thread), 670533);
    EXPECT_EQ(features(), before);
    EXPECT_EQ(marks(), 0);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(Thread, QueryRefusesOtherKindsAndLeavesTheRecord) {
    symb_thread_data d{};
    d.option_1 = 7;
    EXPECT_EQ(KX_MODL_ask_symb_thread_parms(hole_, &d), 875004);
    EXPECT_EQ(d.option_1, 7);
    EXPECT_EQ(KX_MODL_ask_symb_thread_parms(NULL_TAG, &d), 875004);
    EXPECT_EQ(KX_MODL_ask_symb_thread_parms(hole_, nullptr), 1105005);
}

// A thread kept in a part file: saved, opened again, read back and
// checked again by the update.
class ThreadFile : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        file_ = (std::filesystem::temp_directory_path() / "kx_thread_file.prt").string();
        std::filesystem::remove(file_);
        part_ = host::parts::create(file_);
        CONTEXT_set_work_part(part_);
    }
    void TearDown() override {
        fresh();
        std::filesystem::remove(file_);
    }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }
    void reopen() {
        part_ = kxtest::reopen_part(part_, file_, fresh);
        ASSERT_NE(part_, 0u);
    }
    std::string file_;
    unsigned int part_ = 0;
};

TEST_F(ThreadFile, ReopensWithItsFacesAndSizes) {
    const char* sizes[] = {"10", "30"};
    const double placed[] = {0, 0, 0, 0, 0, 1};
    unsigned int cylinder = 0;
    ASSERT_EQ(FEAT_create(part_, "CYLINDER", 2, sizes, 6, placed, 0, nullptr, 0, 0, &cylinder), 0);
    BREF_set_current_target(FREC_ask_body(cylinder));
    tag side = NULL_TAG, top = NULL_TAG;
    for (int f : host::kernel::faces_of(host::kernel::entity_of(FREC_ask_body(cylinder)))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_CYLINDER) side = host::kernel::object_of(f);
        if (type == ZQ_SURF_PLANE && p[2] > 15) top = host::kernel::object_of(f);
    }
    symb_thread_data d{};
    d.thread_face = side;
    d.start_face = top;
    d.direction[2] = -1;
    d.option_1 = 2;
    d.text_1 = "20";
    d.callout = "M10x1.5";
    tag thread = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_symb_thread(&d, &thread), 0);
    const std::string name = host::feature::display_name(thread);
    reopen();
    thread = FREC_ask_frec_from_name(part_, name.c_str());
    ASSERT_NE(thread, NULL_TAG);
    symb_thread_data back{};
    ASSERT_EQ(KX_MODL_ask_symb_thread_parms(thread, &back), 0);
    EXPECT_EQ(back.option_1, 2);
    EXPECT_STREQ(back.callout, "M10x1.5");
    EXPECT_EQ(RM_ask_entity_type(back.thread_face), HOST_TYPE_SOLID);
    EXPECT_EQ(RM_ask_entity_type(back.start_face), HOST_TYPE_SOLID);
    // A pitch edited out of range fails the update; a fitting one passes.
    unsigned int* exps = nullptr;
    int n = 0;
    FREC_ask_system_exps_of_frec(thread, &n, &exps);
    ASSERT_EQ(n, 6);
    const unsigned int pitch = exps[3];
    SM_free(exps);
    ASSERT_EQ(host::expr::edit(pitch, "-1"), 0);
    EXPECT_NE(KX_MODL_update(), 0);
    ASSERT_EQ(host::expr::edit(pitch, "1.25"), 0);
    EXPECT_EQ(KX_MODL_update(), 0);
    for (const char* t : {back.text_1, back.text_2, back.text_3, back.callout, back.text_4, back.text_5, back.text_6,
                          back.text_7, back.text_8})
        KX_free(const_cast<char*>(t));
}

}  // namespace
