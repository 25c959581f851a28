// Layers and layer categories: statuses through the global masks, the work
// layer, cycling by layer, and categories created, asked and edited.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/store/entities/display.h"
#include "host/store/entities/entity_types.h"
#include "host/store/layers/layers.h"
#include "host/base/services/objects.h"
#include "kx_layer.h"
#include "kx_obj.h"
#include "kx_disp.h"
#include "kx_part.h"
#include "tests/support/part_files.h"
#include "tests/libkxapi/layer/layer_fixture.h"

namespace {

namespace hc = host::control;
using Layers = PartTest;

int status_of(int layer) {
    int st = 0;
    EXPECT_EQ(KX_LAYER_ask_status(layer, &st), 0);
    return st;
}

KX_LAYER_category_info_t record(const char* name, std::vector<int> layers, const char* descr) {
    KX_LAYER_category_info_t r{};
    std::strncpy(r.name, name, sizeof r.name);
    for (int l : layers) r.layer_mask[l - 1] = 1;
    std::strncpy(r.descr, descr, sizeof r.descr);
    return r;
}

TEST_F(Layers, StatusTable) {
    // Each row runs on the state the rows before it left.
    struct Row {
        const char* what;
        int layer, status, code;
        int after;  // the layer's status afterwards (0: not looked at)
    };
    const Row rows[] = {
        {"layer 0", 0, 2, 1105004, 0},
        {"layer 257", 257, 2, 1105004, 0},
        {"status 0", 5, 0, 1105005, 0},
        {"status 5", 5, 5, 1105005, 0},
        {"visible only", 5, 3, 0, 3},
        {"invisible", 6, 4, 0, 4},
        {"selectable again", 5, 2, 0, 2},
        {"work layer to selectable: nothing", 1, 2, 0, 1},
        {"work layer to work layer: nothing", 1, 1, 0, 1},
        {"work layer to invisible", 1, 4, 1105005, 1},
        {"work layer to visible only", 1, 3, 1105005, 1},
        {"a new work layer", 7, 1, 0, 1},
        {"the old work layer is selectable", 1, 2, 0, 2},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(KX_LAYER_set_status(r.layer, r.status), r.code) << r.what;
        if (r.after) {
            EXPECT_EQ(status_of(r.layer), r.after) << r.what;
        }
    }
    int work = 0;
    EXPECT_EQ(KX_LAYER_ask_work_layer(&work), 0);
    EXPECT_EQ(work, 7);
    int st = 0;
    EXPECT_EQ(KX_LAYER_ask_status(0, &st), 1105004);
    EXPECT_EQ(KX_LAYER_ask_status(257, &st), 1105004);
    EXPECT_EQ(KX_LAYER_ask_status(3, nullptr), 1105005);
}

TEST_F(Layers, AMaskUpdateFollowsEveryChangeAndWaitsWhileTheDisplayIsSuppressed) {
    ASSERT_EQ(KX_LAYER_set_status(5, 4), 0);
    EXPECT_EQ(host::layers::log().updates, 1);
    EXPECT_EQ(host::layers::log().deferred, 0);
    EXPECT_TRUE(hc::called_before("dsp464_", "dsp466_"));
    EXPECT_TRUE(hc::called_before("dsp466_", "DSS_LAYER_update_global_mask"));
    DSS_set_suppress_display(3);
    ASSERT_EQ(KX_LAYER_set_status(5, 2), 0);
    EXPECT_EQ(host::layers::log().deferred, 1);
}

TEST_F(Layers, NoPartAndNoSessionComeInTheirPlaces) {
    no_part();
    int out = 9;
    EXPECT_EQ(KX_LAYER_ask_work_layer(&out), 1105012);
    EXPECT_EQ(KX_LAYER_ask_status(5, &out), 1105012);
    EXPECT_EQ(KX_LAYER_ask_status(0, &out), 1105004);  // the layer is looked at first
    EXPECT_EQ(KX_LAYER_set_status(5, 3), 1105012);
    EXPECT_EQ(KX_LAYER_set_all_but_work(9), 1105012);
    const KX_LAYER_status_info_t pair{5, 3};
    EXPECT_EQ(KX_LAYER_set_many_layers_status(1, &pair), 1105012);
    KX_LAYER_category_info_t r = record("A", {1}, "");
    tag c = 77;
    EXPECT_EQ(KX_LAYER_create_category(&r, &c), 1105012);
    fresh();
    EXPECT_EQ(KX_LAYER_ask_work_layer(&out), 1105000);
    EXPECT_EQ(KX_LAYER_set_status(5, 3), 1105000);
    EXPECT_EQ(KX_LAYER_ask_category_tag("A", &c), 1105000);
    EXPECT_EQ(c, NULL_TAG);  // cleared before the session is looked at
}

TEST_F(Layers, AllButWorkLeavesTheWorkLayer) {
    EXPECT_EQ(KX_LAYER_set_all_but_work(1), 1105004);
    EXPECT_EQ(KX_LAYER_set_all_but_work(5), 1105004);
    ASSERT_EQ(KX_LAYER_set_status(9, 1), 0);
    ASSERT_EQ(KX_LAYER_set_all_but_work(3), 0);
    for (int layer : {1, 2, 8, 10, 256}) EXPECT_EQ(status_of(layer), 3) << layer;
    EXPECT_EQ(status_of(9), 1);
}

TEST_F(Layers, ManyLayersTable) {
    struct Row {
        const char* what;
        std::vector<KX_LAYER_status_info_t> pairs;
        int count;  // 0: the number of pairs
        int code;
    };
    const Row rows[] = {
        {"no pairs", {{5, 2}}, -1, 1105004},
        {"257 pairs", {{5, 2}}, 257, 1105004},
        {"layer 0", {{0, 2}}, 0, 1105005},
        {"status 5", {{5, 5}}, 0, 1105005},
        {"two work layers", {{5, 1}, {6, 1}}, 0, 1105005},
        {"the work layer hidden without a new one", {{1, 4}, {5, 3}}, 0, 1105005},
    };
    for (const Row& r : rows) {
        hc::clear_journal();
        const int n = r.count == 0 ? static_cast<int>(r.pairs.size()) : r.count;
        EXPECT_EQ(KX_LAYER_set_many_layers_status(n, r.pairs.data()), r.code) << r.what;
        EXPECT_EQ(hc::call_count("dsp464_"), 0) << r.what;
    }
    EXPECT_EQ(status_of(5), 2);  // nothing changed
    // Layer 5 becomes the work layer; its second pair is passed over, and
    // the old work layer may now be hidden.
    const KX_LAYER_status_info_t pairs[] = {{5, 1}, {5, 4}, {1, 4}, {6, 3}};
    ASSERT_EQ(KX_LAYER_set_many_layers_status(4, pairs), 0);
    EXPECT_EQ(status_of(5), 1);
    EXPECT_EQ(status_of(1), 4);
    EXPECT_EQ(status_of(6), 3);
    unsigned int sel[LAYER_MASK_WORDS] = {};
    LAYER_ask_global_selectable_mask(sel);
    EXPECT_TRUE((sel[0] >> 5) & 1u);
}

TEST_F(Layers, CyclingByLayer) {
    const tag a = object(HOST_TYPE_LINE), b = object(HOST_TYPE_POINT), c = object(HOST_TYPE_ARC);
    ASSERT_EQ(KX_OBJ_set_layer(b, 20), 0);
    ASSERT_EQ(KX_OBJ_set_layer(c, 30), 0);
    ASSERT_EQ(KX_LAYER_set_status(30, 4), 0);
    auto walk = [](int layer) {
        std::vector<tag> seen;
        tag t = NULL_TAG;
        do {
            EXPECT_EQ(KX_LAYER_cycle_by_layer(layer, &t), 0);
            if (t != NULL_TAG) seen.push_back(t);
        } while (t != NULL_TAG && seen.size() < 10);
        return seen;
    };
    EXPECT_EQ(walk(20), std::vector<tag>{b});
    EXPECT_EQ(walk(30), std::vector<tag>{c});      // hidden layers are cycled when named
    EXPECT_EQ(walk(0), (std::vector<tag>{a, b}));  // the work view shows layers 1 and 20, not 30
    EXPECT_EQ(walk(271), std::vector<tag>{});
    tag t = NULL_TAG;
    EXPECT_EQ(KX_LAYER_cycle_by_layer(272, &t), 1105004);
    EXPECT_EQ(KX_LAYER_cycle_by_layer(-1, &t), 1105004);
    EXPECT_EQ(KX_LAYER_cycle_by_layer(1, nullptr), 1105005);
}

TEST_F(Layers, TheWorkViewsHostLayersAreLeftOut) {
    const tag a = object(HOST_TYPE_LINE);
    host::entity::attrs(a).layer = 257;  // the host's own layer
    unsigned int mask[LAYER_MASK_WORDS] = {};
    mask[257 / 32] = (1u << (257 % 32)) | (1u << (260 % 32));
    host::layers::set_work_view_mask(mask);
    tag t = NULL_TAG;
    EXPECT_EQ(KX_LAYER_cycle_by_layer(0, &t), 0);
    EXPECT_EQ(t, NULL_TAG);
    EXPECT_EQ(KX_LAYER_cycle_by_layer(257, &t), 0);
    EXPECT_EQ(t, a);
}

TEST_F(Layers, CategoriesAreCreatedAndAsked) {
    KX_LAYER_category_info_t r = record("Parts_1", {1, 2, 256}, "brackets and plates");
    tag c = NULL_TAG;
    ASSERT_EQ(KX_LAYER_create_category(&r, &c), 0);
    ASSERT_NE(c, NULL_TAG);
    KX_LAYER_category_info_t back{};
    std::memset(&back, 'x', sizeof back);
    ASSERT_EQ(KX_LAYER_ask_category_info(c, &back), 0);
    EXPECT_STREQ(back.name, "PARTS_1");
    EXPECT_STREQ(back.descr, "brackets and plates");
    for (int l = 1; l <= 256; ++l) EXPECT_EQ(back.layer_mask[l - 1], (l == 1 || l == 2 || l == 256) ? 1 : 0) << l;
    tag found = NULL_TAG;
    EXPECT_EQ(KX_LAYER_ask_category_tag("parts_1", &found), 0);
    EXPECT_EQ(found, c);
    EXPECT_EQ(KX_LAYER_ask_category_tag("OTHER", &found), 0);
    EXPECT_EQ(found, NULL_TAG);
    EXPECT_EQ(KX_LAYER_ask_category_tag("", &found), 1105004);
    EXPECT_EQ(KX_LAYER_ask_category_tag(nullptr, &found), 1105004);
    EXPECT_EQ(KX_LAYER_ask_category_tag("PARTS_1", nullptr), 1105005);
    // A line of the same name is no category.
    const tag line = object(HOST_TYPE_LINE);
    ASSERT_EQ(KX_OBJ_set_name(line, "LINES"), 0);
    EXPECT_EQ(KX_LAYER_ask_category_tag("LINES", &found), 0);
    EXPECT_EQ(found, NULL_TAG);
    EXPECT_EQ(KX_LAYER_ask_category_info(line, &back), 1105004);
    EXPECT_EQ(KX_LAYER_ask_category_info(NULL_TAG, &back), 1105004);
    EXPECT_EQ(KX_LAYER_ask_category_info(c, nullptr), 1105005);
}

TEST_F(Layers, CreationRefusesBadRecordsAndMakesNothing) {
    KX_LAYER_category_info_t taken = record("TAKEN", {1}, "");
    tag c = NULL_TAG;
    ASSERT_EQ(KX_LAYER_create_category(&taken, &c), 0);
    struct Row {
        const char* what;
        KX_LAYER_category_info_t r;
        int code;
    };
    KX_LAYER_category_info_t unterminated_name = record("", {1}, "");
    std::memset(unterminated_name.name, 'A', sizeof unterminated_name.name);
    KX_LAYER_category_info_t unterminated_descr = record("LONG", {1}, "");
    std::memset(unterminated_descr.descr, 'd', sizeof unterminated_descr.descr);
    const Row rows[] = {
        {"empty name", record("", {1}, ""), 1105004},
        {"a blank inside", record("A B", {1}, ""), 1105004},
        {"a star", record("A*", {1}, ""), 1105004},
        {"taken, in other case", record("taken", {1}, ""), 1105004},
        {"31 characters, no terminator", unterminated_name, 1105004},
        {"81 characters of description, no terminator", unterminated_descr, 1105005},
    };
    const std::size_t before = host::objects::objects_of_type(HOST_TYPE_CATEGORY).size();
    for (const Row& r : rows) {
        tag out = 5;
        EXPECT_EQ(KX_LAYER_create_category(&r.r, &out), r.code) << r.what;
        EXPECT_EQ(host::objects::objects_of_type(HOST_TYPE_CATEGORY).size(), before) << r.what;
    }
    EXPECT_EQ(KX_LAYER_create_category(nullptr, &c), 1105004);
    EXPECT_EQ(KX_LAYER_create_category(&taken, nullptr), 1105005);
    KX_LAYER_category_info_t symbols = record(".,-#/_9", {1}, "");
    EXPECT_EQ(KX_LAYER_create_category(&symbols, &c), 0);
}

TEST_F(Layers, CategoryEditsTable) {
    KX_LAYER_category_info_t r = record("FIRST", {3}, "old");
    tag c = NULL_TAG, other = NULL_TAG, all = NULL_TAG;
    ASSERT_EQ(KX_LAYER_create_category(&r, &c), 0);
    r = record("SECOND", {4}, "");
    ASSERT_EQ(KX_LAYER_create_category(&r, &other), 0);
    r = record("ALL", {4}, "");
    ASSERT_EQ(KX_LAYER_create_category(&r, &all), 0);
    const tag line = object(HOST_TYPE_LINE);
    const std::string long_name(31, 'N');
    struct Row {
        const char* what;
        tag category;
        const char* name;
        int code;
        const char* after;
    };
    const Row rows[] = {
        {"a blank and lower case", c, " renamed", 0, "RENAMED"},
        {"the same name", c, "renamed", 0, "RENAMED"},
        {"a blank inside", c, "RE NAMED", 1105005, "RENAMED"},
        {"empty", c, "", 1105005, "RENAMED"},
        {"only blanks", c, "   ", 1105005, "RENAMED"},
        {"another category's name", c, "second", 1105005, "RENAMED"},
        {"31 characters", c, long_name.c_str(), 1105005, "RENAMED"},
        {"no name", c, nullptr, 1105005, "RENAMED"},
        {"ALL keeps its name", all, "EVERYTHING", 1105004, "ALL"},
        {"a line", line, "X", 1105004, nullptr},
        {"no category", NULL_TAG, "X", 1105004, nullptr},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(KX_LAYER_edit_category_name(row.category, row.name), row.code) << row.what;
        if (!row.after) continue;
        KX_LAYER_category_info_t back{};
        ASSERT_EQ(KX_LAYER_ask_category_info(row.category, &back), 0);
        EXPECT_STREQ(back.name, row.after) << row.what;
    }

    logical flags[256] = {};
    flags[9] = flags[199] = 1;
    EXPECT_EQ(KX_LAYER_edit_category_layer(c, flags), 0);
    EXPECT_EQ(KX_LAYER_edit_category_layer(line, flags), 1105004);
    EXPECT_EQ(KX_LAYER_edit_category_layer(c, nullptr), 1105005);
    KX_LAYER_category_info_t back{};
    ASSERT_EQ(KX_LAYER_ask_category_info(c, &back), 0);
    for (int l = 1; l <= 256; ++l) EXPECT_EQ(back.layer_mask[l - 1], (l == 10 || l == 200) ? 1 : 0) << l;

    const std::string longest(80, 'd'), too_long(81, 'd');
    struct Descr {
        const char* text;
        int code;
        const char* after;
    };
    const Descr descrs[] = {
        {"new text", 0, "new text"},
        {longest.c_str(), 0, longest.c_str()},
        {too_long.c_str(), 1105005, longest.c_str()},
        {nullptr, 1105005, longest.c_str()},
        {"", 0, ""},
    };
    for (const Descr& d : descrs) {
        EXPECT_EQ(KX_LAYER_edit_category_descr(c, d.text), d.code) << (d.text ? d.text : "null");
        ASSERT_EQ(KX_LAYER_ask_category_info(c, &back), 0);
        EXPECT_STREQ(back.descr, d.after);
    }
    hc::clear_journal();
    EXPECT_EQ(KX_LAYER_edit_category_descr(c, ""), 0);  // nothing to remove
    EXPECT_EQ(hc::call_count("es1232_"), 0);
    EXPECT_EQ(KX_LAYER_edit_category_descr(line, "x"), 1105004);
}

TEST_F(Layers, AHostErrorBecomesTheStatus) {
    hc::raise_on("dsp466_", 670004);
    EXPECT_EQ(KX_LAYER_set_status(5, 3), 670004);
    EXPECT_EQ(hc::frame_depth(), 0);
    hc::clear_scripts();
    hc::raise_on("es1231_", 670004);
    KX_LAYER_category_info_t r = record("CAT", {1}, "text");
    tag c = NULL_TAG;
    EXPECT_EQ(KX_LAYER_create_category(&r, &c), 670004);
}

// A category edit that fails (its host call, or the part's modified event
// raised by it) changes nothing: neither the category nor the part's
// modified state. The part is saved first, so that the edit is the change
// that would mark it modified.
TEST_F(Layers, ARefusedCategoryEditLeavesThePartUnmodified) {
    KX_LAYER_category_info_t r = record("KEPT", {3, 7}, "as saved");
    tag c = NULL_TAG;
    ASSERT_EQ(KX_LAYER_create_category(&r, &c), 0);
    ASSERT_EQ(kxtest::save_part(part), 0);
    ASSERT_FALSE(KX_PART_is_modified(part));
    logical flags[256] = {};
    flags[11] = 1;
    struct Row {
        const char* what;
        const char* failing;
        std::function<int()> edit;
    };
    const Row rows[] = {
        {"a new description, its store failing", "es1231_", [&] { return KX_LAYER_edit_category_descr(c, "new"); }},
        {"a new description, the modified event failing", "host::events::fire_part_event",
         [&] { return KX_LAYER_edit_category_descr(c, "new"); }},
        {"the description removed, the modified event failing", "host::events::fire_part_event",
         [&] { return KX_LAYER_edit_category_descr(c, ""); }},
        {"new layers, the modified event failing", "host::events::fire_part_event",
         [&] { return KX_LAYER_edit_category_layer(c, flags); }},
    };
    for (const Row& row : rows) {
        hc::clear_scripts();
        hc::raise_on(row.failing, 670004);
        EXPECT_EQ(row.edit(), 670004) << row.what;
        hc::clear_scripts();
        EXPECT_FALSE(KX_PART_is_modified(part)) << row.what;
        KX_LAYER_category_info_t back{};
        ASSERT_EQ(KX_LAYER_ask_category_info(c, &back), 0);
        EXPECT_STREQ(back.descr, "as saved") << row.what;
        for (int l = 1; l <= 256; ++l) EXPECT_EQ(back.layer_mask[l - 1], (l == 3 || l == 7) ? 1 : 0) << row.what;
    }
    // Done without a failure, the edit marks the part modified.
    EXPECT_EQ(KX_LAYER_edit_category_descr(c, "new"), 0);
    EXPECT_TRUE(KX_PART_is_modified(part));
    EXPECT_EQ(hc::frame_depth(), 0);
}

}  // namespace
