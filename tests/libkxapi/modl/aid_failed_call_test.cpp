// The process-aid queries that hand out arrays, failing half way: a host
// error while the host makes the arrays (or a text of one) answers its code,
// gives back every block the call had made and hands the caller nothing
// (counts 0, arrays null, tags NULL_TAG).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "host/apps/modeling/process_aid/process_aid.h"
#include "host/control/control.h"
#include "host/model/feature/feature.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/fresh_process.h"

namespace {

namespace hc = host::control;

constexpr int kRaised = 670043;

class AidFailedCall : public ::testing::Test {
protected:
    void SetUp() override {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("aid_failed.prt");
        CONTEXT_set_work_part(part_);
        const char* sizes[3] = {"9", "4", "6"};
        const double origin[3] = {0, 0, 0};
        unsigned int block = 0;
        ASSERT_EQ(FEAT_create(part_, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block), 0);
        const double at[3] = {3, 1, 6};
        unsigned int source = 0, a = 0, b = 0, c = 0;
        ES_create_point(at, &source);
        ES_create_point(at, &a);
        ES_create_point(at, &b);
        ES_create_point(at, &c);
        const unsigned int links[3] = {a, b, c};
        const char* titles[3] = {"SEAM_LENGTH", "SEAM_GAP", "SEAM_ROOT"};
        PROCESS_AID_datum_t data{PROCESS_AID_KIND_SEAM, source, 3, links, 0, {3, 1, 6}, 3, titles};
        ASSERT_EQ(PROCESS_AID_create_datum(part_, &data, &datum_), 0);
        ASSERT_EQ(PROCESS_AID_create_set(part_, PROCESS_AID_KIND_LOCATOR, block, 1, &datum_, &set_), 0);
    }
    void TearDown() override { kxtest::fresh_process(); }

public:  // the rows' calls take them
    unsigned int part_ = 0, datum_ = 0, set_ = 0;
};

// What a query handed out, as text: the counts and whether each array and
// tag is set.
struct Outputs {
    int n1 = 7, n2 = 7, kind = 7;
    tag t1 = 5, t2 = 5;
    tag* tags = reinterpret_cast<tag*>(0x10);
    char** texts = reinterpret_cast<char**>(0x10);
    std::string text() const {
        return "n1=" + std::to_string(n1) + " n2=" + std::to_string(n2) + " kind=" + std::to_string(kind) +
               " t1=" + std::to_string(t1) + " t2=" + std::to_string(t2) + " tags=" + (tags ? "set" : "null") +
               " texts=" + (texts ? "set" : "null");
    }
};

TEST_F(AidFailedCall, AFailureWhileMakingTheArraysHandsNothing) {
    struct Row {
        const char* name;
        const char* routine;
        int nth;
        std::function<int(AidFailedCall&, Outputs&)> call;
        const char* handed;  // the outputs after the failure
    };
    const char* const nothing_of_two = "n1=0 n2=7 kind=7 t1=5 t2=5 tags=set texts=null";
    const Row rows[] = {
        {"populate_attr_list_second_title_copy_fails", "SM_string_copy", 2,
         [](AidFailedCall& f, Outputs& o) { return KX_PROCESS_AID_populate_attr_list(f.datum_, &o.n1, &o.texts); },
         nothing_of_two},
        {"populate_attr_list_title_array_fails", "SM_alloc", 1,
         [](AidFailedCall& f, Outputs& o) { return KX_PROCESS_AID_populate_attr_list(f.datum_, &o.n1, &o.texts); },
         nothing_of_two},
        {"ask_datum_objects_title_array_fails", "SM_alloc", 2,
         [](AidFailedCall& f, Outputs& o) {
             return KX_PROCESS_AID_ask_datum_objects(f.datum_, &o.t1, &o.n1, &o.tags, &o.t2, &o.kind, &o.n2,
                                                     &o.texts);
         },
         "n1=0 n2=0 kind=0 t1=0 t2=0 tags=null texts=null"},
        {"ask_datum_objects_last_title_copy_fails", "SM_string_copy", 3,
         [](AidFailedCall& f, Outputs& o) {
             return KX_PROCESS_AID_ask_datum_objects(f.datum_, &o.t1, &o.n1, &o.tags, &o.t2, &o.kind, &o.n2,
                                                     &o.texts);
         },
         "n1=0 n2=0 kind=0 t1=0 t2=0 tags=null texts=null"},
        {"ask_link_objects_array_fails", "SM_alloc", 1,
         [](AidFailedCall& f, Outputs& o) { return KX_PROCESS_AID_ask_link_objects(f.datum_, &o.n1, &o.tags); },
         "n1=0 n2=7 kind=7 t1=5 t2=5 tags=null texts=set"},
        {"ask_children_features_array_fails", "SM_alloc", 1,
         [](AidFailedCall& f, Outputs& o) { return KX_PROCESS_AID_ask_children_features(f.set_, &o.n1, &o.tags); },
         "n1=0 n2=7 kind=7 t1=5 t2=5 tags=null texts=set"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::size_t blocks = hc::live_blocks();
        hc::raise_on(r.routine, kRaised, r.nth);
        Outputs o;
        EXPECT_EQ(r.call(*this, o), kRaised);
        hc::clear_scripts();
        EXPECT_EQ(o.text(), r.handed);
        EXPECT_EQ(hc::live_blocks(), blocks);
        EXPECT_EQ(hc::frame_depth(), 0);
    }
}

// The same queries answer in full once nothing fails: the failure above is
// the host's, not the set-up's.
TEST_F(AidFailedCall, TheSameQueriesAnswerWhenNothingFails) {
    Outputs o;
    ASSERT_EQ(KX_PROCESS_AID_ask_datum_objects(datum_, &o.t1, &o.n1, &o.tags, &o.t2, &o.kind, &o.n2, &o.texts), 0);
    EXPECT_EQ(o.n1, 3);
    EXPECT_EQ(o.n2, 3);
    EXPECT_EQ(o.kind, PROCESS_AID_KIND_SEAM);
    EXPECT_EQ(o.t2, NULL_TAG);
    EXPECT_STREQ(o.texts[2], "SEAM_ROOT");
    KX_free(o.tags);
    KX_free_string_array(o.n2, o.texts);
}

}  // namespace
