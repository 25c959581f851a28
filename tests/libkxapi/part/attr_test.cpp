// Attributes through the interface: every kind assigned, read, cycled,
// counted and deleted; the host codes that are acknowledged and those that
// are not; the output clearing; the annotation step after a string.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/store/entities/display.h"
#include "host/apps/drawing/ann_template.h"
#include "host/store/attributes/attributes.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/base/services/text.h"
#include "kx_attr.h"
#include "tests/libkxapi/part/part_fixture.h"

namespace {

using host::control::call_count;

attribute_value value_of(int type) {
    attribute_value v{};
    v.type = type;
    switch (type) {
        case KX_ATTR_integer: v.value.integer = -12; break;
        case KX_ATTR_real: v.value.real = 0.125; break;
        case KX_ATTR_string: v.value.string = const_cast<char*>("brass"); break;
        case KX_ATTR_reference: v.value.reference = const_cast<char*>("obj#7"); break;
        case KX_ATTR_time:
            v.value.time[0] = 19000;
            v.value.time[1] = 43200000;
            break;
        default: break;
    }
    return v;
}

class AttrTest : public PartApiTest {
protected:
    void SetUp() override {
        PartApiTest::SetUp();
        ASSERT_EQ(KX_PART_new(path("attr.prt").c_str(), 1, &part_), 0);
        object_ = host::objects::create({OM_CLASS_RM_ENTITY, 3, 0, part_});
    }
    tag part_ = NULL_TAG, object_ = NULL_TAG;
};

TEST_F(AttrTest, EveryKindIsAssignedReadCycledCountedAndDeleted) {
    const int kinds[] = {KX_ATTR_integer, KX_ATTR_string, KX_ATTR_real, KX_ATTR_time, KX_ATTR_null, KX_ATTR_reference};
    for (int kind : kinds)
        ASSERT_EQ(KX_ATTR_assign(object_, ("K" + std::to_string(kind)).c_str(), value_of(kind)), 0) << kind;
    const auto blocks = host::memory::stats().live_blocks;
    for (int kind : kinds) {
        SCOPED_TRACE(kind);
        const std::string title = "K" + std::to_string(kind);
        attribute_value v{};
        ASSERT_EQ(KX_ATTR_read_value(object_, title.c_str(), kind, &v), 0);
        ASSERT_EQ(v.type, kind);
        const attribute_value want = value_of(kind);
        switch (kind) {
            case KX_ATTR_integer: EXPECT_EQ(v.value.integer, want.value.integer); break;
            case KX_ATTR_real: EXPECT_EQ(v.value.real, want.value.real); break;
            case KX_ATTR_string:
            case KX_ATTR_reference:
                EXPECT_STREQ(v.value.string, want.value.string);
                KX_free(v.value.string);
                break;
            case KX_ATTR_time:
                EXPECT_EQ(v.value.time[0], 19000);
                EXPECT_EQ(v.value.time[1], 43200000);
                break;
            default: break;
        }
        int found = -1;
        ASSERT_EQ(KX_ATTR_find_attribute(object_, KX_ATTR_any, title.c_str(), &found), 0);
        EXPECT_EQ(found, kind);
    }
    EXPECT_EQ(host::memory::stats().live_blocks, blocks);

    std::vector<std::string> titles;
    int index = 0;
    char title[KX_ATTR_MAX_TITLE_LEN + 1];
    attribute_value v{};
    do {
        ASSERT_EQ(KX_ATTR_cycle(object_, &index, KX_ATTR_any, title, &v), 0);
        if (index != 0) titles.push_back(title);
        if (index != 0 && (v.type == KX_ATTR_string || v.type == KX_ATTR_reference)) KX_free(v.value.string);
    } while (index != 0 && titles.size() < 10);
    EXPECT_EQ(titles, (std::vector<std::string>{"K1", "K2", "K3", "K4", "K5", "K6"}));

    int count = 0;
    ASSERT_EQ(KX_ATTR_count_attributes(object_, KX_ATTR_any, &count), 0);
    EXPECT_EQ(count, 6);
    ASSERT_EQ(KX_ATTR_delete(object_, KX_ATTR_real, "K3"), 0);
    ASSERT_EQ(KX_ATTR_count_attributes(object_, KX_ATTR_any, &count), 0);
    EXPECT_EQ(count, 5);
    ASSERT_EQ(KX_ATTR_delete_all(object_, KX_ATTR_string), 0);
    ASSERT_EQ(KX_ATTR_count_attributes(object_, KX_ATTR_string, &count), 0);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(KX_ATTR_delete_all(object_, KX_ATTR_any), 0);
    ASSERT_EQ(KX_ATTR_count_attributes(object_, KX_ATTR_any, &count), 0);
    EXPECT_EQ(count, 0);
}

// Assigning, reading and finding acknowledge the six expected codes; every
// other code, and every code of the other functions, passes unacknowledged.
TEST_F(AttrTest, ExpectedHostCodesAreAcknowledged) {
    ASSERT_EQ(KX_ATTR_assign(object_, "MAT", value_of(KX_ATTR_string)), 0);
    const std::string long_title(KX_ATTR_MAX_TITLE_LEN + 1, 't');
    const std::string long_text(KX_ATTR_MAX_STRING_LEN + 1, 'v');
    attribute_value v{};
    int n = 0;
    struct Case {
        const char* what;
        std::function<int()> call;
        int code;
        bool acknowledged;
    };
    const std::vector<Case> cases = {
        {"assign: long title", [&] { return KX_ATTR_assign(object_, long_title.c_str(), value_of(1)); }, 1510018, true},
        {"assign: long value",
         [&] {
             attribute_value s = value_of(KX_ATTR_string);
             s.value.string = const_cast<char*>(long_text.c_str());
             return KX_ATTR_assign(object_, "X", s);
         },
         1510019, true},
        {"assign: control character", [&] { return KX_ATTR_assign(object_, "a\nb", value_of(1)); }, 1510020, true},
        {"assign: null string",
         [&] {
             attribute_value s = value_of(KX_ATTR_string);
             s.value.string = nullptr;
             return KX_ATTR_assign(object_, "X", s);
         },
         1510021, true},
        {"assign: bad type", [&] { return KX_ATTR_assign(object_, "X", value_of(11)); }, 1510003, false},
        {"assign: empty title", [&] { return KX_ATTR_assign(object_, "", value_of(1)); }, 1510004, false},
        {"assign: dead object", [&] { return KX_ATTR_assign(99999, "X", value_of(1)); }, 1510001, false},
        {"read: missing", [&] { return KX_ATTR_read_value(object_, "NONE", KX_ATTR_any, &v); }, 1510002, true},
        {"read: other type", [&] { return KX_ATTR_read_value(object_, "MAT", KX_ATTR_real, &v); }, 1510013, true},
        {"read: dead object", [&] { return KX_ATTR_read_value(99999, "MAT", KX_ATTR_any, &v); }, 1510001, false},
        {"find: long title", [&] { return KX_ATTR_find_attribute(object_, 0, long_title.c_str(), &n); }, 1510018, true},
        {"find: bad selector", [&] { return KX_ATTR_find_attribute(object_, 42, "MAT", &n); }, 1510003, false},
        {"delete: missing", [&] { return KX_ATTR_delete(object_, KX_ATTR_any, "NONE"); }, 1510002, false},
        {"count: long title is no matter, bad selector", [&] { return KX_ATTR_count_attributes(object_, 8, &n); },
         1510003, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto before = host::control::acknowledged_codes().size();
        EXPECT_EQ(c.call(), c.code);
        const auto after = host::control::acknowledged_codes();
        EXPECT_EQ(after.size(), before + (c.acknowledged ? 1 : 0));
        if (c.acknowledged && !after.empty()) {
            EXPECT_EQ(after.back(), c.code);
        }
        EXPECT_EQ(host::control::frame_depth(), 0);
    }
}

// The same rule over every function and code: only assigning, reading and
// finding acknowledge, and only the six expected codes; every caught code
// is the status.
TEST_F(AttrTest, OnlyAssignReadAndFindAcknowledgeAndOnlyTheSixCodes) {
    attribute_value v{};
    int n = 0, index = 0;
    char title[KX_ATTR_MAX_TITLE_LEN + 1];
    tag holder = NULL_TAG;
    KX_ATTR_part_attr_t* attrs = nullptr;
    const std::string file = path("attr.prt");
    struct Function {
        const char* host;
        bool acknowledges;
        std::function<int()> call;
    };
    const Function functions[] = {
        {"ATTR_assign", true, [&] { return KX_ATTR_assign(object_, "T", value_of(KX_ATTR_integer)); }},
        {"ATTR_read_value", true, [&] { return KX_ATTR_read_value(object_, "T", KX_ATTR_any, &v); }},
        {"ATTR_find_attribute", true, [&] { return KX_ATTR_find_attribute(object_, KX_ATTR_any, "T", &n); }},
        {"ATTR_delete", false, [&] { return KX_ATTR_delete(object_, KX_ATTR_any, "T"); }},
        {"ATTR_delete_all", false, [&] { return KX_ATTR_delete_all(object_, KX_ATTR_any); }},
        {"ATTR_cycle", false, [&] { return KX_ATTR_cycle(object_, &index, KX_ATTR_any, title, &v); }},
        {"ATTR_count_attributes", false, [&] { return KX_ATTR_count_attributes(object_, KX_ATTR_any, &n); }},
        {"ATTR_ask_part_attribute", false, [&] { return KX_ATTR_ask_part_attribute(&holder); }},
        {"ATTR_ask_part_attrs", false, [&] { return KX_ATTR_ask_part_attrs(part_, &n, &attrs); }},
        {"ATTR_ask_part_attrs_in_file", false,
         [&] { return KX_ATTR_ask_part_attrs_in_file(file.c_str(), &n, &attrs); }},
    };
    const int expected[] = {1510002, 1510013, 1510018, 1510019, 1510020, 1510021};
    const int others[] = {1510001, 1510003, 1510012, 1510017, 1510022, 641001, 670004};
    for (const Function& f : functions) {
        auto run = [&](int code, bool acknowledged) {
            SCOPED_TRACE(std::string(f.host) + " " + std::to_string(code));
            host::control::raise_on(f.host, code);
            const auto before = host::control::acknowledged_codes();
            EXPECT_EQ(f.call(), code);
            auto after = host::control::acknowledged_codes();
            ASSERT_EQ(after.size(), before.size() + (acknowledged ? 1 : 0));
            if (acknowledged) {
                EXPECT_EQ(after.back(), code);
            }
            EXPECT_EQ(host::control::frame_depth(), 0);
            host::control::clear_scripts();
        };
        for (int code : expected) run(code, f.acknowledges);
        for (int code : others) run(code, false);
    }
}

TEST_F(AttrTest, OutputsAreClearedWhenTheHostFails) {
    attribute_value v = value_of(KX_ATTR_integer);
    EXPECT_EQ(KX_ATTR_read_value(object_, "NONE", KX_ATTR_any, &v), 1510002);
    EXPECT_EQ(v.type, 0);
    int count = 5, found = 5;
    EXPECT_EQ(KX_ATTR_count_attributes(99999, KX_ATTR_any, &count), 1510001);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(KX_ATTR_find_attribute(99999, KX_ATTR_any, "T", &found), 1510001);
    EXPECT_EQ(found, 0);
    // The cycle's title buffer is emptied before the host is asked.
    char title[KX_ATTR_MAX_TITLE_LEN + 1] = "stale";
    int index = 0;
    EXPECT_EQ(KX_ATTR_cycle(object_, &index, KX_ATTR_any, title, &v), 0);
    EXPECT_EQ(index, 0);
    EXPECT_STREQ(title, "");
    std::strcpy(title, "stale");
    index = -3;
    EXPECT_EQ(KX_ATTR_cycle(object_, &index, KX_ATTR_any, title, &v), 1510009);
    EXPECT_STREQ(title, "");

    // Not initialised: nothing is touched.
    fresh();
    std::strcpy(title, "stale");
    count = 5;
    EXPECT_EQ(KX_ATTR_cycle(object_, &index, KX_ATTR_any, title, &v), 1105000);
    EXPECT_STREQ(title, "stale");
    EXPECT_EQ(KX_ATTR_count_attributes(object_, KX_ATTR_any, &count), 1105000);
    EXPECT_EQ(count, 5);
}

TEST_F(AttrTest, AStringAttributeUpdatesTheAnnotationsThatShowIt) {
    host::ann_template::add_reference(object_, "MAT");
    struct Case {
        const char* title;
        int type;
        int template_calls;
        int updates;
    };
    const Case cases[] = {
        {"MAT", KX_ATTR_string, 1, 1},    // shown: one model update
        {"OTHER", KX_ATTR_string, 1, 0},  // not shown: no update
        {"MAT", KX_ATTR_integer, 0, 0},   // not a string: no step
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        host::control::clear_journal();
        const int updates = host::display::state().updates;
        ASSERT_EQ(KX_ATTR_assign(object_, c.title, value_of(c.type)), 0);
        EXPECT_EQ(call_count("ANN_TMP_update_object_attribute"), c.template_calls);
        EXPECT_EQ(host::display::state().updates - updates, c.updates);
        EXPECT_EQ(call_count("TEXT_init_string"), c.template_calls);
    }
    // A failed assignment runs no step.
    host::control::clear_journal();
    EXPECT_EQ(KX_ATTR_assign(object_, "", value_of(KX_ATTR_string)), 1510004);
    EXPECT_EQ(call_count("ANN_TMP_update_object_attribute"), 0);
    EXPECT_EQ(host::text::live_texts(), 0);
}

TEST_F(AttrTest, PartAttributesLoadedAndInAFile) {
    ASSERT_EQ(KX_ATTR_assign(part_, "TITLE", value_of(KX_ATTR_string)), 0);
    ASSERT_EQ(KX_ATTR_assign(part_, "WHEN", value_of(KX_ATTR_time)), 0);
    tag holder = NULL_TAG;
    ASSERT_EQ(KX_ATTR_ask_part_attribute(&holder), 0);
    EXPECT_EQ(holder, part_);
    int count = 0;
    KX_ATTR_part_attr_t* attrs = nullptr;
    ASSERT_EQ(KX_ATTR_ask_part_attrs(part_, &count, &attrs), 0);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(attrs[1].string_value, "2022-01-08 12:00:00");
    KX_free(attrs);

    ASSERT_EQ(KX_PART_save(), 0);
    ASSERT_EQ(KX_PART_close_all(), 0);
    ASSERT_EQ(KX_ATTR_ask_part_attrs_in_file(path("attr.prt").c_str(), &count, &attrs), 0);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(attrs[0].title, "TITLE");
    EXPECT_STREQ(attrs[0].string_value, "brass");
    KX_free(attrs);
    EXPECT_EQ(KX_PART_ask_num_parts(), 0);

    host::control::clear_journal();
    EXPECT_EQ(KX_ATTR_ask_part_attrs_in_file("@DB/x/y", &count, &attrs), PART_ERR_PDM_NOT_ACTIVE);
    EXPECT_EQ(call_count("ATTR_ask_part_attrs_in_file"), 0);
    write(path("junk.prt"), "junk");
    EXPECT_EQ(KX_ATTR_ask_part_attrs_in_file(path("junk.prt").c_str(), &count, &attrs), PART_ERR_NOT_PART_FILE);
    EXPECT_EQ(KX_ATTR_ask_part_attribute(&holder), 1510011);
}

}  // namespace
