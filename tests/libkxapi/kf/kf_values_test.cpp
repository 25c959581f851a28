// Values of the knowledge language through the interface: every maker and
// reader by kind (the engine flag set too), wrong kinds refused, frames,
// texts and names, errors, adopted bodies, list walks and their trace,
// unknown pointers, and a bracket's area evaluated by the engine.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/rules/rules.h"
#include "kx_core.h"
#include "kx_kf.h"
#include "libkxapi/core/kx_session.h"

namespace {

class KfValues : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("kf.prt");
        CONTEXT_set_work_part(part_);
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }
    unsigned int part_ = 0;
};

// One kind: a maker that makes a value of it, and a reader that answers
// true when it reads back what was made (false when it refuses).
struct KindRow {
    const char* title;
    int kind;
    std::function<int(knowledge_value_p_t*)> make;
    std::function<bool(const knowledge_value*)> reads_back;
};

const double kPoint[3] = {1.5, -2, 3e10};
const double kFrame[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1};

std::vector<KindRow> kinds() {
    return {
        {"error", 1, [](auto* o) { return KX_KF_make_error(3125011, o); },
         [](auto* v) {
             int e = 0;
             return KX_KF_ask_error(v, &e) == 0 && e == 3125011;
         }},
        {"boolean", 3, [](auto* o) { return KX_KF_make_boolean(1, o); },
         [](auto* v) {
             logical b = 0;
             return KX_KF_ask_boolean(v, &b) == 0 && b == 1;
         }},
        {"frame", 5, [](auto* o) { return KX_KF_make_frame(kFrame, o); },
         [](auto* v) {
             double f[16] = {};
             return KX_KF_ask_frame(v, f) == 0 && std::memcmp(f, kFrame, sizeof f) == 0;
         }},
        {"integer", 7, [](auto* o) { return KX_KF_make_integer(-7, o); },
         [](auto* v) {
             int i = 0;
             return KX_KF_ask_integer(v, &i) == 0 && i == -7;
         }},
        {"list", 8, [](auto* o) { return KX_KF_make_list(nullptr, o); },
         [](auto* v) {
             KX_KF_list_p_t l = reinterpret_cast<KX_KF_list_p_t>(1);
             return KX_KF_ask_list(v, &l) == 0 && l == nullptr;
         }},
        {"name", 10,
         [](auto* o) {
             KX_KF_name_t n = nullptr;
             KX_KF_ask_name_of_string("flange", &n);
             return KX_KF_make_name(n, o);
         },
         [](auto* v) {
             KX_KF_name_t n = nullptr;
             char* text = nullptr;
             const bool ok =
                 KX_KF_ask_name(v, &n) == 0 && KX_KF_ask_string_of_name(n, &text) == 0 && std::string(text) == "flange";
             KX_free(text);
             return ok;
         }},
        {"number", 12, [](auto* o) { return KX_KF_make_number(0.1, o); },
         [](auto* v) {
             double d = 0;
             return KX_KF_ask_number(v, &d) == 0 && d == 0.1;
         }},
        {"point", 14, [](auto* o) { return KX_KF_make_point(kPoint, o); },
         [](auto* v) {
             double p[3] = {};
             return KX_KF_ask_point(v, p) == 0 && std::memcmp(p, kPoint, sizeof p) == 0;
         }},
        {"string", 15, [](auto* o) { return KX_KF_make_string("web 3", o); },
         [](auto* v) {
             char* s = nullptr;
             return KX_KF_ask_string(v, &s) == 0 && std::string(s) == "web 3";
         }},
        {"vector", 16, [](auto* o) { return KX_KF_make_vector(kPoint, o); },
         [](auto* v) {
             double p[3] = {};
             return KX_KF_ask_vector(v, p) == 0 && std::memcmp(p, kPoint, sizeof p) == 0;
         }},
        {"user", 17, [](auto* o) { return KX_KF_make_user(0x7abc, o); },
         [](auto* v) {
             int w = 0;
             return KX_KF_ask_user(v, &w) == 0 && w == 0x7abc;
         }},
    };
}

TEST_F(KfValues, EveryKindRoundTripsAndOthersAreRefused) {
    const auto rows = kinds();
    std::vector<knowledge_value_p_t> values;
    for (const KindRow& r : rows) {
        knowledge_value_p_t v = nullptr;
        ASSERT_EQ(r.make(&v), 0) << r.title;
        ASSERT_NE(v, nullptr) << r.title;
        int kind = -1;
        EXPECT_EQ(KX_KF_ask_type(v, &kind), 0);
        EXPECT_EQ(kind, r.kind) << r.title;
        EXPECT_TRUE(r.reads_back(v)) << r.title;
        // The engine's flag does not change the kind.
        knowledge_value flagged = *v;
        flagged.kind |= 0x40000000u;
        EXPECT_TRUE(r.reads_back(&flagged)) << r.title << " with bit 30";
        EXPECT_EQ(KX_KF_ask_type(&flagged, &kind), 0);
        EXPECT_EQ(kind, r.kind);
        values.push_back(v);
    }
    // Each reader refuses every other kind and leaves its output as it was.
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t j = 0; j < rows.size(); ++j)
            if (i != j) {
                EXPECT_FALSE(rows[j].reads_back(values[i])) << rows[j].title << " read " << rows[i].title;
            }
    double untouched[3] = {7, 7, 7};
    EXPECT_EQ(KX_KF_ask_point(values[3], untouched), 1105004);
    EXPECT_EQ(untouched[0], 7);
    double d = 5;
    EXPECT_EQ(KX_KF_ask_number(values[3], &d), 1105004) << "an integer is no number";
    EXPECT_EQ(d, 5);
    KX_free(values[2]);  // the frame's record is the caller's
}

TEST_F(KfValues, KindsOutsideTheTableAreErrors) {
    for (const unsigned word : {0u, 1u, 2u, 4u, 9u, 11u, 17u, 18u, 1000u, 0x40000000u | 18u}) {
        knowledge_value v{};
        v.kind = word;
        int kind = -1;
        ASSERT_EQ(KX_KF_ask_type(&v, &kind), 0);
        const unsigned k = word & 0xBFFFFFFFu;
        EXPECT_EQ(kind, k == 0 || (k >= 2 && k <= 17) ? int(k) : 1) << word;
    }
}

TEST_F(KfValues, TextsAndNames) {
    char text[] = "rib";
    knowledge_value_p_t v = nullptr;
    ASSERT_EQ(KX_KF_make_string(text, &v), 0);
    text[0] = 'f';
    char* back = nullptr;
    ASSERT_EQ(KX_KF_ask_string(v, &back), 0);
    EXPECT_STREQ(back, "rib") << "the value keeps its own copy";
    EXPECT_NE(back, text);
    v = reinterpret_cast<knowledge_value_p_t>(1);
    EXPECT_EQ(KX_KF_make_string("r\xc3\xa9sum\xc3\xa9", &v), 1105031);
    EXPECT_EQ(v, nullptr);
    EXPECT_EQ(KX_KF_make_string(nullptr, &v), 1105004);
    KX_KF_name_t name = reinterpret_cast<KX_KF_name_t>(1);
    EXPECT_EQ(KX_KF_ask_name_of_string(nullptr, &name), 1105004);
    EXPECT_EQ(name, nullptr);
    char* s = reinterpret_cast<char*>(1);
    EXPECT_EQ(KX_KF_ask_string_of_name(nullptr, &s), 1105004);
    EXPECT_EQ(s, nullptr);
    ASSERT_EQ(KX_KF_ask_name_of_string("", &name), 0);
    EXPECT_EQ(KX_KF_ask_string_of_name(name, &s), 3125021);
    KX_KF_name_t again = nullptr;
    ASSERT_EQ(KX_KF_ask_name_of_string("rib", &name), 0);
    ASSERT_EQ(KX_KF_ask_name_of_string("rib", &again), 0);
    EXPECT_EQ(name, again);
}

TEST_F(KfValues, PointersThatTheEngineDoesNotKnowAreRefused) {
    int garbage[4] = {7, 7, 7, 7};
    knowledge_value v{};
    for (const unsigned kind : {1u, 6u, 8u, 14u, 16u, 5u}) {
        v.kind = kind;
        v.payload.pointer = garbage;
        int i = 0;
        tag t = 0;
        KX_KF_list_p_t l = nullptr;
        double p[16] = {};
        const int st = kind == 1    ? KX_KF_ask_error(&v, &i)
                       : kind == 6  ? KX_KF_ask_tag(&v, &t)
                       : kind == 8  ? KX_KF_ask_list(&v, &l)
                       : kind == 5  ? KX_KF_ask_frame(&v, p)
                       : kind == 14 ? KX_KF_ask_point(&v, p)
                                    : KX_KF_ask_vector(&v, p);
        EXPECT_EQ(st, 1105004) << kind;
    }
    knowledge_value_p_t out = nullptr;
    EXPECT_EQ(KX_KF_make_instance(reinterpret_cast<KX_KF_instance_p_t>(garbage), &out), 1105004);
    EXPECT_EQ(KX_KF_make_list(reinterpret_cast<KX_KF_list_p_t>(garbage), &out), 1105004);
    tag object = 5;
    EXPECT_EQ(KX_KF_ask_jq_object(reinterpret_cast<KX_KF_instance_p_t>(garbage), &object), 1105004);
    EXPECT_EQ(object, 0u);
    // An error value made before a reset points at a freed error object.
    knowledge_value_p_t e = nullptr;
    ASSERT_EQ(KX_KF_make_error(9, &e), 0);
    const knowledge_value kept = *e;
    host::control::reset();
    int n = -1;
    EXPECT_EQ(KX_KF_ask_error(&kept, &n), 1105004);
    EXPECT_EQ(n, -1);
}

TEST_F(KfValues, AdoptedBodiesRoundTrip) {
    const double origin[3] = {0, 0, 0}, size[3] = {10, 20, 30};
    int body = 0;
    ZQ_BODY_make_block(origin, size, &body);
    const tag object = host::kernel::object_of(body);
    KX_KF_instance_p_t inst = reinterpret_cast<KX_KF_instance_p_t>(1);
    ASSERT_EQ(KX_KF_ask_morvain_object(object, &inst), 0);
    EXPECT_EQ(inst, nullptr) << "not adopted yet";
    knowledge_value_p_t v = nullptr;
    ASSERT_EQ(KX_KF_make_tag(object, &v), 0);
    tag back = 0;
    ASSERT_EQ(KX_KF_ask_tag(v, &back), 0);
    EXPECT_EQ(back, object);
    // Adopted under the root, the body's instance leads back to it.
    KBE_object_t adopted = KLINK_ask_object_to_adopt(object, nullptr, nullptr);
    ASSERT_EQ(KLINK_ui_adopt_objects(1, &adopted, "Root:"), 0);
    ASSERT_EQ(KX_KF_ask_morvain_object(object, &inst), 0);
    ASSERT_NE(inst, nullptr);
    ASSERT_EQ(KX_KF_ask_jq_object(inst, &back), 0);
    EXPECT_EQ(back, object);
    knowledge_value_p_t iv = nullptr;
    ASSERT_EQ(KX_KF_make_instance(inst, &iv), 0);
    KX_KF_instance_p_t again = nullptr;
    ASSERT_EQ(KX_KF_ask_instance(iv, &again), 0);
    EXPECT_EQ(again, inst);
    // A dead tag cannot be adopted: no value.
    ZQ_ENTITY_delete(body);
    v = reinterpret_cast<knowledge_value_p_t>(1);
    EXPECT_EQ(KX_KF_make_tag(object, &v), 1105004);
    EXPECT_EQ(v, nullptr);
}

TEST_F(KfValues, ListsAreWalkedWithPopPushCountAndItems) {
    KX_KF_list_p_t list = nullptr;
    for (int i = 1; i <= 3; ++i) {
        knowledge_value_p_t v = nullptr;
        ASSERT_EQ(KX_KF_make_integer(i * 10, &v), 0);
        ASSERT_EQ(KX_KF_list_push(list, v, &list), 0);
    }
    host::rules::clear_trace();
    int count = -1;
    ASSERT_EQ(KX_KF_ask_list_count(list, &count), 0);
    EXPECT_EQ(count, 3) << "a bare list";
    knowledge_value_p_t lv = nullptr;
    ASSERT_EQ(KX_KF_make_list(list, &lv), 0);
    ASSERT_EQ(KX_KF_count_list_items(lv, &count), 0);
    EXPECT_EQ(count, 3) << "a list value";
    knowledge_value flagged = *lv;
    flagged.kind |= 0x40000000u;
    ASSERT_EQ(KX_KF_ask_list_count(&flagged, &count), 0);
    EXPECT_EQ(count, 3) << "a list value with bit 30";
    KX_KF_list_p_t from_value = nullptr;
    ASSERT_EQ(KX_KF_ask_list(&flagged, &from_value), 0);
    EXPECT_EQ(from_value, list);
    const std::vector<std::string> expected_trace = {"pre KX_KF_ask_list_count", "post KX_KF_ask_list_count",
                                                     "pre KX_KF_ask_list_count", "post KX_KF_ask_list_count",
                                                     "pre KX_KF_ask_list_count", "post KX_KF_ask_list_count"};
    EXPECT_EQ(host::rules::trace(), expected_trace) << "no lines from makers and readers";
    host::rules::clear_trace();
    struct ItemRow {
        int index;
        int status;
        int value;
    };
    for (const ItemRow& r : {ItemRow{0, 1105005, 0}, ItemRow{1, 0, 30}, ItemRow{3, 0, 10}, ItemRow{4, 1105005, 0},
                             ItemRow{-1, 1105005, 0}}) {
        knowledge_value_p_t item = reinterpret_cast<knowledge_value_p_t>(1);
        ASSERT_EQ(KX_KF_ask_list_item(list, r.index, &item), r.status) << r.index;
        if (r.status != 0) {
            EXPECT_EQ(item, nullptr);
            continue;
        }
        int value = 0;
        ASSERT_EQ(KX_KF_ask_integer(item, &value), 0);
        EXPECT_EQ(value, r.value) << r.index;
    }
    EXPECT_EQ(host::rules::trace().size(), 10u);
    EXPECT_EQ(host::rules::trace_count("pre KX_KF_ask_list_item"), 10);
    // Pop until empty, then once more.
    KX_KF_list_p_t rest = list;
    std::vector<int> popped;
    while (rest) {
        knowledge_value_p_t first = nullptr;
        ASSERT_EQ(KX_KF_list_pop(rest, &first, &rest), 0);
        int value = 0;
        ASSERT_EQ(KX_KF_ask_integer(first, &value), 0);
        popped.push_back(value);
    }
    EXPECT_EQ(popped, (std::vector<int>{30, 20, 10}));
    knowledge_value_p_t first = nullptr;
    EXPECT_EQ(KX_KF_list_pop(nullptr, &first, &rest), KBL_ERR_EMPTY_LIST);
    EXPECT_EQ(KX_KF_make_list(nullptr, &lv), 0);
    ASSERT_EQ(KX_KF_ask_list_count(lv, &count), 0);
    EXPECT_EQ(count, 0);
}

TEST_F(KfValues, RefusedBeforeTheSession) {
    kx_reset_session_for_tests();
    knowledge_value_p_t v = reinterpret_cast<knowledge_value_p_t>(1);
    EXPECT_EQ(KX_KF_make_number(1, &v), 1105000);
    EXPECT_EQ(v, nullptr) << "a maker clears its output first";
    int count = 4;
    EXPECT_EQ(KX_KF_ask_list_count(nullptr, &count), 1105000);
    EXPECT_TRUE(host::rules::trace().empty());
}

TEST_F(KfValues, TheEnginesAreaOfABracketReadsAsANumber) {
    const auto dir = std::filesystem::temp_directory_path() / ("kx_kf_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "bracket.kcl")
        << "{ rules = { width = { type = 'number', flags = 'parameter', formula = '20' },"
           " height = { type = 'number', flags = 'parameter', formula = '10' },"
           " area = { type = 'number', formula = 'width * height' } } }";
    std::string d = dir.string();
    char* path[] = {d.data(), nullptr};
    ASSERT_EQ(KBL_set_library_search_path(path), 0);
    int status = 0;
    ASSERT_EQ(KBL_init_part(1, part_, &status), 0);
    ASSERT_EQ(KBL_create_child_rule(nullptr, "Root:", "bracket", "bracket", 0, nullptr, nullptr, nullptr), 0);
    KBL_value_t* area = nullptr;
    ASSERT_EQ(KBL_evaluate_rule_to_value("Root:bracket:area", &area), 0);
    double value = 0;
    EXPECT_EQ(KX_KF_ask_number(reinterpret_cast<knowledge_value*>(area), &value), 0);
    EXPECT_EQ(value, 200);
    KBL_free_value(area);
    std::filesystem::remove_all(dir);
}

}  // namespace
