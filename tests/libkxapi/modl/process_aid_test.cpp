// Process-aid objects: the forwarders answer what the host holds, the two
// set queries filter by kind, the datum test combines three answers, and
// every null argument is refused with its parameter's code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/process_aid/process_aid.h"
#include "kxapi.h"
#include "tests/support/fresh_process.h"

namespace {

class ProcessAid : public ::testing::Test {
protected:
    void SetUp() override {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("aids.prt");
        CONTEXT_set_work_part(part_);
        const char* sizes[3] = {"10", "10", "10"};
        const double origin[3] = {0, 0, 0};
        ASSERT_EQ(FEAT_create(part_, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block_), 0);
        const double at[3] = {1, 2, 3};
        ES_create_point(at, &source_);
        ES_create_point(at, &link1_);
        ES_create_point(at, &link2_);
        const double ends[6] = {0, 0, 0, 10, 0, 0};
        ES_create_line_in_part(part_, ends, &section_);
        const unsigned int links[2] = {link1_, link2_};
        const char* titles[2] = {"WELD_SIZE", "WELD_TYPE"};
        PROCESS_AID_datum_t data{PROCESS_AID_KIND_SPOT, source_, 2, links, section_, {1, 2, 3}, 2, titles};
        ASSERT_EQ(PROCESS_AID_create_datum(part_, &data, &datum_), 0);
    }
    void TearDown() override { kxtest::fresh_process(); }

    tag make_set(int kind) {
        unsigned int set = 0;
        const unsigned int children[1] = {datum_};
        EXPECT_EQ(PROCESS_AID_create_set(part_, kind, block_, 1, children, &set), 0);
        return set;
    }

    unsigned int part_ = 0, block_ = 0, source_ = 0, link1_ = 0, link2_ = 0, section_ = 0, datum_ = 0;
};

TEST_F(ProcessAid, DatumQueriesAnswerWhatTheHostHolds) {
    int n = 0;
    tag* links = nullptr;
    ASSERT_EQ(KX_PROCESS_AID_ask_link_objects(datum_, &n, &links), 0);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(links[0], link1_);
    EXPECT_EQ(links[1], link2_);
    KX_free(links);

    tag datum = NULL_TAG, source = NULL_TAG;
    int kind = 0;
    ASSERT_EQ(KX_PROCESS_AID_ask_source_object(link2_, &datum, &source, &kind), 0);
    EXPECT_EQ(datum, datum_);
    EXPECT_EQ(source, source_);
    EXPECT_EQ(kind, PROCESS_AID_KIND_SPOT);

    tag section = NULL_TAG;
    double point[3] = {};
    ASSERT_EQ(KX_PROCESS_AID_ask_section_of_datum(datum_, &section, point), 0);
    EXPECT_EQ(section, section_);
    EXPECT_EQ(point[2], 3.0);

    char** titles = nullptr;
    ASSERT_EQ(KX_PROCESS_AID_populate_attr_list(datum_, &n, &titles), 0);
    ASSERT_EQ(n, 2);
    EXPECT_STREQ(titles[1], "WELD_TYPE");
    KX_free_string_array(n, titles);

    int n_links = 0, n_titles = 0;
    ASSERT_EQ(KX_PROCESS_AID_ask_datum_objects(datum_, &source, &n_links, &links, &section, &kind, &n_titles, &titles),
              0);
    EXPECT_EQ(n_links, 2);
    EXPECT_EQ(n_titles, 2);
    EXPECT_STREQ(titles[0], "WELD_SIZE");
    KX_free(links);
    KX_free_string_array(n_titles, titles);

    // An object of no datum: the host's answer is the status.
    EXPECT_EQ(KX_PROCESS_AID_ask_link_objects(block_, &n, &links), FEAT_ERR_BAD_PARAMETERS);
}

TEST_F(ProcessAid, DatumsInPartFollowTheMask) {
    struct Row {
        int mask;
        int status;
        std::size_t found;
    };
    const Row rows[] = {
        {0, 1105005, 0}, {0x8000000, 1105005, 0}, {-1, 1105005, 0}, {0x4000000, 0, 0}, {0x1, 0, 1}, {0x7FFFFFF, 0, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.mask);
        tag* datums = nullptr;
        EXPECT_EQ(KX_PROCESS_AID_ask_datums_in_part(part_, r.mask, &datums), r.status);
        if (r.status != 0) {
            EXPECT_EQ(datums, nullptr);
            continue;
        }
        std::size_t n = 0;
        while (datums[n] != NULL_TAG) ++n;
        EXPECT_EQ(n, r.found);
        KX_free(datums);
    }
}

TEST_F(ProcessAid, SetQueriesFilterByKind) {
    // Each row: a set kind, whether it has a parent, whether children.
    struct Row {
        int kind;
        bool parent;
        bool children;
    };
    const Row rows[] = {
        {0x200, true, false},  {0x400, true, false},    {0x100, true, true},    {0x4000000, true, true},
        {0x1, false, true},    {0x80, false, true},     {0x40000, false, true}, {0x2000000, false, true},
        {0x800, false, false}, {0x20000, false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.kind);
        const tag set = make_set(r.kind);
        tag parent = NULL_TAG;
        EXPECT_EQ(KX_PROCESS_AID_ask_parent_feature(set, &parent), r.parent ? 0 : 1105004);
        EXPECT_EQ(parent, r.parent ? block_ : NULL_TAG);
        int n = -1;
        tag* children = nullptr;
        EXPECT_EQ(KX_PROCESS_AID_ask_children_features(set, &n, &children), r.children ? 0 : 1105004);
        if (r.children) {
            ASSERT_EQ(n, 1);
            EXPECT_EQ(children[0], datum_);
            KX_free(children);
        }
    }
    // An object of no set is no set of any kind.
    tag parent = NULL_TAG;
    EXPECT_EQ(KX_PROCESS_AID_ask_parent_feature(block_, &parent), 1105004);
}

TEST_F(ProcessAid, DatumTestGivesTheFeatureAndItsKind) {
    struct Row {
        tag object;
        int search_links;
        tag feature;
        int kind;
    };
    const Row rows[] = {
        {datum_, 0, datum_, PROCESS_AID_KIND_SPOT},
        {link1_, 1, datum_, PROCESS_AID_KIND_SPOT},
        {link1_, 0, NULL_TAG, -5},  // no datum: the kind stays as it was
        {block_, 1, NULL_TAG, -5},
    };
    for (const Row& r : rows) {
        int kind = -5;
        tag feature = 77;
        EXPECT_EQ(KX_PROCESS_AID_is_datum_object(r.object, r.search_links, &kind, &feature), 0);
        EXPECT_EQ(feature, r.feature);
        EXPECT_EQ(kind, r.kind);
    }
}

TEST_F(ProcessAid, NullArgumentsAreRefusedByPosition) {
    int n = 0, kind = 0;
    tag t = NULL_TAG;
    tag* tags = nullptr;
    char** texts = nullptr;
    double point[3];
    EXPECT_EQ(KX_PROCESS_AID_ask_link_objects(NULL_TAG, &n, &tags), 1105004);
    EXPECT_EQ(KX_PROCESS_AID_ask_link_objects(datum_, nullptr, &tags), 1105005);
    EXPECT_EQ(KX_PROCESS_AID_ask_link_objects(datum_, &n, nullptr), 1105006);
    EXPECT_EQ(KX_PROCESS_AID_ask_source_object(NULL_TAG, &t, &t, &kind), 1105004);
    EXPECT_EQ(KX_PROCESS_AID_ask_source_object(datum_, &t, &t, nullptr), 1105007);
    EXPECT_EQ(KX_PROCESS_AID_ask_datums_in_part(NULL_TAG, 1, &tags), 1105004);
    EXPECT_EQ(KX_PROCESS_AID_ask_datums_in_part(part_, 1, nullptr), 1105006);
    // The datum objects: each null argument gives its own code, in order.
    const int codes[8] = {1105004, 1105005, 1105006, 1105007, 1105013, 1105014, 1105015, 1105016};
    for (int i = 0; i < 8; ++i) {
        tag src, sec;
        int nl, k, nt;
        tag* l;
        char** ti;
        EXPECT_EQ(
            KX_PROCESS_AID_ask_datum_objects(i == 0 ? NULL_TAG : datum_, i == 1 ? nullptr : &src,
                                             i == 2 ? nullptr : &nl, i == 3 ? nullptr : &l, i == 4 ? nullptr : &sec,
                                             i == 5 ? nullptr : &k, i == 6 ? nullptr : &nt, i == 7 ? nullptr : &ti),
            codes[i]);
    }
    EXPECT_EQ(KX_PROCESS_AID_ask_section_of_datum(NULL_TAG, &t, point), 1105004);
    EXPECT_EQ(KX_PROCESS_AID_ask_section_of_datum(datum_, &t, nullptr), 1105006);
    EXPECT_EQ(KX_PROCESS_AID_populate_attr_list(datum_, nullptr, &texts), 1105005);
    EXPECT_EQ(KX_PROCESS_AID_ask_parent_feature(NULL_TAG, &t), 1105004);
    EXPECT_EQ(KX_PROCESS_AID_ask_parent_feature(datum_, nullptr), 1105005);
    EXPECT_EQ(KX_PROCESS_AID_ask_children_features(datum_, nullptr, &tags), 1105005);
    EXPECT_EQ(KX_PROCESS_AID_ask_children_features(datum_, &n, nullptr), 1105006);
    EXPECT_EQ(KX_PROCESS_AID_is_datum_object(NULL_TAG, 0, &kind, &t), 1105004);
    EXPECT_EQ(KX_PROCESS_AID_is_datum_object(datum_, 0, nullptr, &t), 1105006);
    EXPECT_EQ(KX_PROCESS_AID_is_datum_object(datum_, 0, &kind, nullptr), 1105007);
    EXPECT_EQ(host::control::call_count("PROCESS_AID__ask_feat_type_of_set"), 0);
}

TEST_F(ProcessAid, HostErrorInTheKindQueryBecomesTheStatus) {
    const tag set = make_set(0x200);
    host::control::raise_on("PROCESS_AID__ask_feat_type_of_set", 670004);
    tag parent = NULL_TAG;
    EXPECT_EQ(KX_PROCESS_AID_ask_parent_feature(set, &parent), 670004);
    EXPECT_EQ(host::control::frame_depth(), 0);
    EXPECT_EQ(host::control::call_count("PROCESS_AID_ask_parent_feature"), 0);
}

TEST(ProcessAidSession, FramesArmedFirstAnswerNotInitialised) {
    kxtest::fresh_process();
    int n = 0;
    tag* tags = nullptr;
    EXPECT_EQ(KX_PROCESS_AID_ask_link_objects(NULL_TAG, &n, &tags), 1105000);
    EXPECT_EQ(KX_PROCESS_AID_ask_datums_in_part(NULL_TAG, 0, &tags), 1105000);
    EXPECT_EQ(host::control::frame_depth(), 0);
    kxtest::fresh_process();
}

}  // namespace
