// The host's attribute service: kinds, codes, cycling order, counting,
// deleting, part attributes (also read from a file without loading it).
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/store/parts/parts.h"
#include "host/store/attributes/attributes.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "tests/host/store/parts/part_test_util.h"

namespace {

using host::control::raised_code;

ATTR_value_t value_of(int type) {
    ATTR_value_t v{};
    v.type = type;
    switch (type) {
        case ATTR_INTEGER: v.value.integer = 42; break;
        case ATTR_REAL: v.value.real = -1.25; break;
        case ATTR_STRING: v.value.string = const_cast<char*>("steel"); break;
        case ATTR_REFERENCE: v.value.reference = const_cast<char*>("ref#1"); break;
        case ATTR_TIME:
            v.value.time[0] = 1;
            v.value.time[1] = 1000;
            break;
        default: break;
    }
    return v;
}

class AttributesTest : public PartDirTest {
protected:
    void SetUp() override {
        PartDirTest::SetUp();
        part_ = host::parts::create(path("a.prt"));
        object_ = host::objects::create({OM_CLASS_RM_ENTITY, 3, 0, part_, "L"});
    }
    unsigned part_ = 0, object_ = 0;
};

TEST_F(AttributesTest, EveryKindIsKeptAndReadBack) {
    const int types[] = {ATTR_INTEGER, ATTR_STRING, ATTR_REAL, ATTR_TIME, ATTR_NULL, ATTR_REFERENCE};
    for (int type : types) ATTR_assign(object_, ("T" + std::to_string(type)).c_str(), value_of(type));
    const char* texts[] = {"42", "steel", "-1.25", "1970-01-02 00:00:01", "", "ref#1"};
    int i = 0;
    for (int type : types) {
        SCOPED_TRACE(type);
        const std::string title = "T" + std::to_string(type);
        ATTR_value_t v{};
        ATTR_read_value(object_, title.c_str(), ATTR_ANY, &v);
        EXPECT_EQ(v.type, type);
        if (type == ATTR_STRING || type == ATTR_REFERENCE) {
            EXPECT_STREQ(v.value.string, type == ATTR_STRING ? "steel" : "ref#1");
            EXPECT_TRUE(host::memory::is_live(v.value.string));
            SM_free(v.value.string);
        }
        if (type == ATTR_INTEGER) {
            EXPECT_EQ(v.value.integer, 42);
        }
        if (type == ATTR_REAL) {
            EXPECT_EQ(v.value.real, -1.25);
        }
        if (type == ATTR_TIME) {
            EXPECT_EQ(v.value.time[1], 1000);
        }
        int found = -1;
        ATTR_find_attribute(object_, ATTR_ANY, title.c_str(), &found);
        EXPECT_EQ(found, type);
        EXPECT_EQ(host::attributes::as_text(host::attributes::of(object_)[static_cast<std::size_t>(i)]), texts[i]);
        ++i;
    }
    int count = 0;
    ATTR_count_attributes(object_, ATTR_ANY, &count);
    EXPECT_EQ(count, 6);
    ATTR_count_attributes(object_, ATTR_REAL, &count);
    EXPECT_EQ(count, 1);
}

TEST_F(AttributesTest, CodesOfTheService) {
    ATTR_assign(object_, "MAT", value_of(ATTR_STRING));
    const std::string long_title(ATTR_MAX_TITLE_CHARS + 1, 't');
    const std::string long_text(ATTR_MAX_STRING_CHARS + 1, 'v');
    ATTR_value_t v{};
    int n = 0;
    struct Case {
        const char* what;
        std::function<void()> call;
        int code;
    };
    const std::vector<Case> cases = {
        {"dead object", [&] { ATTR_assign(99999, "X", value_of(ATTR_INTEGER)); }, ATTR_ERR_BAD_OBJECT},
        {"bad type", [&] { ATTR_assign(object_, "X", value_of(9)); }, ATTR_ERR_BAD_TYPE},
        {"any is no type to assign", [&] { ATTR_assign(object_, "X", value_of(ATTR_ANY)); }, ATTR_ERR_BAD_TYPE},
        {"empty title", [&] { ATTR_assign(object_, "", value_of(ATTR_INTEGER)); }, ATTR_ERR_EMPTY_TITLE},
        {"null title", [&] { ATTR_assign(object_, nullptr, value_of(ATTR_INTEGER)); }, ATTR_ERR_EMPTY_TITLE},
        {"long title", [&] { ATTR_assign(object_, long_title.c_str(), value_of(ATTR_INTEGER)); },
         ATTR_ERR_TITLE_TOO_LONG},
        {"long value",
         [&] {
             ATTR_value_t s = value_of(ATTR_STRING);
             s.value.string = const_cast<char*>(long_text.c_str());
             ATTR_assign(object_, "X", s);
         },
         ATTR_ERR_VALUE_TOO_LONG},
        {"control character", [&] { ATTR_assign(object_, "A\tB", value_of(ATTR_INTEGER)); }, ATTR_ERR_BAD_TITLE},
        {"null string",
         [&] {
             ATTR_value_t s = value_of(ATTR_STRING);
             s.value.string = nullptr;
             ATTR_assign(object_, "X", s);
         },
         ATTR_ERR_BAD_VALUE},
        {"bad time",
         [&] {
             ATTR_value_t t = value_of(ATTR_TIME);
             t.value.time[1] = 86400000;
             ATTR_assign(object_, "X", t);
         },
         ATTR_ERR_BAD_VALUE},
        {"read missing", [&] { ATTR_read_value(object_, "NONE", ATTR_ANY, &v); }, ATTR_ERR_NOT_FOUND},
        {"read other type", [&] { ATTR_read_value(object_, "MAT", ATTR_INTEGER, &v); }, ATTR_ERR_WRONG_TYPE},
        {"delete missing", [&] { ATTR_delete(object_, ATTR_ANY, "NONE"); }, ATTR_ERR_NOT_FOUND},
        {"delete other type", [&] { ATTR_delete(object_, ATTR_REAL, "MAT"); }, ATTR_ERR_NOT_FOUND},
        {"cycle below 0",
         [&] {
             int i = -1;
             ATTR_cycle(object_, &i, ATTR_ANY, nullptr, &v);
         },
         ATTR_ERR_BAD_INDEX},
        {"count bad selector", [&] { ATTR_count_attributes(object_, 7, &n); }, ATTR_ERR_BAD_TYPE},
        {"find long title", [&] { ATTR_find_attribute(object_, ATTR_ANY, long_title.c_str(), &n); },
         ATTR_ERR_TITLE_TOO_LONG},
        {"count null output", [&] { ATTR_count_attributes(object_, ATTR_ANY, nullptr); }, HOST_ERR_NULL_ARGUMENT},
    };
    for (const Case& c : cases) EXPECT_EQ(raised_code(c.call), c.code) << c.what;
    ATTR_count_attributes(object_, ATTR_ANY, &n);
    EXPECT_EQ(n, 1);  // nothing was added by the refused calls
}

TEST_F(AttributesTest, CyclingFollowsFirstAssignmentAndTheTypeSelector) {
    ATTR_assign(object_, "A", value_of(ATTR_INTEGER));
    ATTR_assign(object_, "B", value_of(ATTR_STRING));
    ATTR_assign(object_, "C", value_of(ATTR_INTEGER));
    ATTR_value_t replaced = value_of(ATTR_INTEGER);
    replaced.value.integer = 5;
    ATTR_assign(object_, "B", replaced);  // replaced in place, now an integer
    auto cycle = [&](int type) {
        std::vector<std::string> seen;
        int index = 0;
        char title[ATTR_MAX_TITLE_CHARS + 1];
        ATTR_value_t v{};
        do {
            ATTR_cycle(object_, &index, type, title, &v);
            if (index != 0) seen.push_back(title);
        } while (index != 0 && seen.size() < 10);
        return seen;
    };
    EXPECT_EQ(cycle(ATTR_ANY), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(cycle(ATTR_INTEGER), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_TRUE(cycle(ATTR_STRING).empty());
    ATTR_delete(object_, ATTR_INTEGER, "B");
    EXPECT_EQ(cycle(ATTR_ANY), (std::vector<std::string>{"A", "C"}));
    ATTR_delete_all(object_, ATTR_ANY);
    EXPECT_TRUE(cycle(ATTR_ANY).empty());
}

TEST_F(AttributesTest, ChangesMarkThePartModifiedAndDeadObjectsLoseTheirs) {
    int c = 0, m = 2, r = -1;
    unsigned p = part_;
    base_save_part(&p, &c, &m, &r);
    ASSERT_EQ(r, 0);
    EXPECT_FALSE(PART_ask_modified(part_));
    ATTR_assign(object_, "A", value_of(ATTR_INTEGER));
    EXPECT_TRUE(PART_ask_modified(part_));
    host::objects::destroy(object_);
    EXPECT_TRUE(host::attributes::of(object_).empty());
}

TEST_F(AttributesTest, PartAttributesLoadedAndInAFile) {
    ATTR_assign(part_, "NUMBER", value_of(ATTR_STRING));
    ATTR_assign(part_, "REV", value_of(ATTR_INTEGER));
    ATTR_assign(object_, "NOT_A_PART_ATTRIBUTE", value_of(ATTR_INTEGER));
    unsigned holder = 0;
    ATTR_ask_part_attribute(&holder);
    EXPECT_EQ(holder, part_);
    int count = 0;
    ATTR_part_attr_t* attrs = nullptr;
    ATTR_ask_part_attrs(part_, &count, &attrs);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(attrs[0].title, "NUMBER");
    EXPECT_STREQ(attrs[0].string_value, "steel");
    EXPECT_STREQ(attrs[1].string_value, "42");
    SM_free(attrs);

    int c = 0, m = 2, r = 0;
    unsigned p = part_;
    base_save_part(&p, &c, &m, &r);
    ASSERT_EQ(r, 0);
    PART_delete_all_parts();
    ATTR_ask_part_attrs_in_file(path("a.prt").c_str(), &count, &attrs);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(attrs[1].title, "REV");
    SM_free(attrs);
    EXPECT_EQ(PART_ask_num_parts(), 0);  // read without loading
    EXPECT_EQ(raised_code([&] { ATTR_ask_part_attrs_in_file(path("none.prt").c_str(), &count, &attrs); }),
              PART_ERR_FILE_NOT_FOUND);
    EXPECT_EQ(raised_code([&] { ATTR_ask_part_attribute(&holder); }), ATTR_ERR_NO_PART);
}

}  // namespace
