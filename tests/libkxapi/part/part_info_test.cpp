// Part attributes, the history of part files and the recent parts with the
// search for matching parts.
#include <ctime>
#include <string>
#include <vector>

#include "host/store/parts/part_info.h"
#include "host/base/services/error.h"
#include "kx_part_fam.h"
#include "part_fixture.h"

namespace {

class PartInfoTest : public PartApiTest {
protected:
    tag make(const std::string& name) {
        tag part = NULL_TAG;
        EXPECT_EQ(KX_PART_new(path(name).c_str(), KX_PART_METRIC, &part), 0);
        return part;
    }
    static void save(tag part) {
        EXPECT_EQ(KX_PART_set_display_part(part), 0);
        EXPECT_EQ(KX_PART_save(), 0);
    }
    struct History {
        int version, time;
        std::string user, machine, program;
    };
    static std::vector<History> history(const std::vector<tag>& parts) {
        KX_PART_history_list_p_t list = nullptr;
        EXPECT_EQ(KX_PART_create_history_list(&list), 0);
        for (tag p : parts) EXPECT_EQ(KX_PART_ask_part_history(p, list), 0);
        int n = -1;
        EXPECT_EQ(KX_PART_ask_num_histories(list, &n), 0);
        std::vector<History> out;
        for (int i = 0; i < n; ++i) {
            History h{};
            const char *user = nullptr, *machine = nullptr, *program = nullptr;
            EXPECT_EQ(KX_PART_ask_nth_history(list, i, &h.version, &h.time, &user, &machine, &program), 0);
            h.user = user;
            h.machine = machine;
            h.program = program;
            out.push_back(h);
        }
        EXPECT_EQ(KX_PART_delete_history_list(list), 0);
        return out;
    }
};

TEST_F(PartInfoTest, AttributesAreKeptAndSaved) {
    const tag part = make("attrs.prt");
    int area = -1, status = -1;
    const char* description = "x";
    EXPECT_EQ(KX_PART_ask_customer_area(part, &area), 0);
    EXPECT_EQ(area, 0);
    EXPECT_EQ(KX_PART_ask_description(part, &description), 0);
    EXPECT_EQ(description, nullptr);
    EXPECT_EQ(KX_PART_set_customer_area(part, 77), 0);
    EXPECT_EQ(KX_PART_set_description(part, "Flange, left"), 0);
    EXPECT_EQ(KX_PART_set_status(part, -3), 0);
    save(part);
    restart();
    const tag back = open(path("attrs.prt"));
    EXPECT_EQ(KX_PART_ask_customer_area(back, &area), 0);
    EXPECT_EQ(area, 77);
    EXPECT_EQ(KX_PART_ask_description(back, &description), 0);
    EXPECT_STREQ(description, "Flange, left");
    EXPECT_EQ(KX_PART_ask_status(back, &status), 0);
    EXPECT_EQ(status, -3);
    EXPECT_TRUE(KX_PART_is_modified(back) == 0);
    EXPECT_EQ(KX_PART_set_status(back, 1), 0);
    EXPECT_TRUE(KX_PART_is_modified(back) != 0);
}

TEST_F(PartInfoTest, AttributeCodes) {
    const tag part = make("codes.prt");
    int value = 0;
    const char* text = nullptr;
    struct Row {
        const char* what;
        int status;
        int code;
    };
    const Row rows[] = {
        {"null part", KX_PART_ask_customer_area(NULL_TAG, &value), KX_ERR_BAD_PARAM_1},
        {"null area", KX_PART_ask_customer_area(part, nullptr), KX_ERR_BAD_PARAM_2},
        {"null description out", KX_PART_ask_description(part, nullptr), KX_ERR_BAD_PARAM_2},
        {"null description in", KX_PART_set_description(part, nullptr), KX_ERR_BAD_PARAM_2},
        {"null status", KX_PART_ask_status(part, nullptr), KX_ERR_BAD_PARAM_2},
        {"status: no check of the value", KX_PART_set_status(part, -99), 0},
        {"area of a dead part", KX_PART_set_customer_area(0x7ffffff0u, 1), HOST_ERR_DEAD_TAG},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(r.status, r.code);
    }
    // Without any part loaded, the active part is missing first.
    EXPECT_EQ(KX_PART_close_all(), 0);
    EXPECT_EQ(KX_PART_set_description(part, "late"), KX_PART_ERR_NOT_LOADED);
    EXPECT_EQ(KX_PART_ask_description(NULL_TAG, &text), KX_PART_ERR_NOT_LOADED);
}

TEST_F(PartInfoTest, EverySaveLeavesAHistoryEntry) {
    const long before = static_cast<long>(std::time(nullptr));
    const tag a = make("a.prt");
    const tag b = make("b.prt");
    EXPECT_TRUE(history({a}).empty());
    save(a);
    save(a);
    save(b);
    const long after = static_cast<long>(std::time(nullptr));
    std::vector<History> h = history({a, b});
    ASSERT_EQ(h.size(), 3u);
    // Newest first per part, in the order the parts were asked.
    EXPECT_EQ(h[0].version, 2);
    EXPECT_EQ(h[1].version, 1);
    EXPECT_EQ(h[2].version, 1);
    for (const History& e : h) {
        EXPECT_GE(e.time, before);
        EXPECT_LE(e.time, after);
        EXPECT_FALSE(e.user.empty());
        EXPECT_FALSE(e.machine.empty());
        EXPECT_EQ(e.program, "kxhost");
    }
    // The history is saved with the file and counts on after reopening.
    restart();
    const tag a2 = open(path("a.prt"));
    EXPECT_EQ(history({a2}).size(), 2u);
    save(a2);
    h = history({a2});
    ASSERT_EQ(h.size(), 3u);
    EXPECT_EQ(h[0].version, 3);
    // A save that fails leaves no entry.
    std::filesystem::create_directory(path("a.prt.d"));
    EXPECT_EQ(KX_PART_rename(a2, path("a.prt.d").c_str()), 0);
    EXPECT_NE(KX_PART_save(), 0);
    EXPECT_EQ(history({a2}).size(), 3u);
}

TEST_F(PartInfoTest, HistoryListCodes) {
    const tag a = make("a.prt");
    save(a);
    KX_PART_history_list_p_t list = nullptr;
    ASSERT_EQ(KX_PART_create_history_list(&list), 0);
    ASSERT_EQ(KX_PART_ask_part_history(a, list), 0);
    int n = -1, version = 0, time = 0;
    const char *user, *machine, *program;
    struct Row {
        const char* what;
        int status;
        int code;
    };
    const Row rows[] = {
        {"index equal to the count", KX_PART_ask_nth_history(list, 1, &version, &time, &user, &machine, &program),
         KX_ERR_BAD_PARAM_2},
        {"index below 0", KX_PART_ask_nth_history(list, -1, &version, &time, &user, &machine, &program),
         KX_ERR_BAD_PARAM_2},
        {"null list", KX_PART_ask_nth_history(nullptr, 0, &version, &time, &user, &machine, &program),
         KX_ERR_BAD_PARAM_1},
        {"history of a null part", KX_PART_ask_part_history(NULL_TAG, list), KX_ERR_BAD_PARAM_1},
        {"history into a null list", KX_PART_ask_part_history(a, nullptr), KX_ERR_BAD_PARAM_2},
        {"count of a null list", KX_PART_ask_num_histories(nullptr, &n), KX_ERR_BAD_PARAM_1},
        {"clear a null list", KX_PART_clear_history_list(nullptr), KX_ERR_BAD_PARAM_1},
        {"delete a null list", KX_PART_delete_history_list(nullptr), KX_ERR_BAD_PARAM_1},
        {"create into null", KX_PART_create_history_list(nullptr), KX_ERR_BAD_PARAM_1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(r.status, r.code);
    }
    EXPECT_EQ(KX_PART_ask_nth_history(list, 0, &version, &time, &user, &machine, &program), 0);
    EXPECT_EQ(version, 1);
    EXPECT_EQ(KX_PART_clear_history_list(list), 0);
    EXPECT_EQ(KX_PART_ask_num_histories(list, &n), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(KX_PART_delete_history_list(list), 0);
}

// Parts a, b, c made in that order (each displayed when made): the recent
// list is c, b, a. a and b are saved; b is closed; a has a description.
class RecentTest : public PartInfoTest {
protected:
    void SetUp() override {
        PartInfoTest::SetUp();
        a = make("a.prt");
        b = make("b.prt");
        c = make("c.prt");
        ASSERT_EQ(KX_PART_set_description(a, "Alpha"), 0);
        EXPECT_EQ(KX_PART_disable_cdp_list_update(), 0);  // saving displays
        save(a);
        save(b);
        EXPECT_EQ(KX_PART_enable_cdp_list_update(), 0);
        ASSERT_EQ(KX_PART_close(b, 0, 1), 0);
    }
    struct Matches {
        int status = -1, count = -1;
        std::vector<tag> parts;
        std::vector<std::string> names;
    };
    static Matches match(const matching_parts_params* params) {
        Matches m;
        tag* parts = nullptr;
        char** names = nullptr;
        m.status = KX_PART_ask_cdp_matching_parts(params, &m.count, &parts, &names);
        for (int i = 0; parts && i < m.count; ++i) m.parts.push_back(parts[i]);
        for (int i = 0; names && i < m.count; ++i) m.names.emplace_back(names[i]);
        KX_free(parts);
        KX_free_string_array(names ? m.count : 0, names);
        return m;
    }
    static std::vector<tag> recent() {
        int n = -1;
        tag* parts = nullptr;
        EXPECT_EQ(KX_PART_ask_recent_display_part_list(&n, &parts), 0);
        std::vector<tag> out(parts, parts + (parts ? n : 0));
        KX_free(parts);
        return out;
    }
    tag a = NULL_TAG, b = NULL_TAG, c = NULL_TAG;
};

TEST_F(RecentTest, MatchingPartsAsATable) {
    struct Row {
        const char* what;
        matching_parts_params params;
        std::vector<std::string> names;
        std::vector<bool> loaded;
    };
    const Row rows[] = {
        {"every recent part, the newest first", {0, 0, false}, {"c", "b", "Alpha"}, {true, false, true}},
        {"the loaded ones", {1, 0, false}, {"c", "Alpha"}, {true, true}},
        {"those not loaded", {2, 0, false}, {"b"}, {false}},
        {"those with a file", {3, 0, false}, {"b", "Alpha"}, {false, true}},
        {"by name", {0, 0, true}, {"Alpha", "b", "c"}, {true, false, true}},
        {"at most two", {0, 2, false}, {"c", "b"}, {true, false}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const Matches m = match(&r.params);
        EXPECT_EQ(m.status, 0);
        EXPECT_EQ(m.names, r.names);
        ASSERT_EQ(m.parts.size(), r.loaded.size());
        for (std::size_t i = 0; i < m.parts.size(); ++i) EXPECT_EQ(m.parts[i] != NULL_TAG, r.loaded[i]);
    }
    // Null parameters search with the defaults: mode 0.
    matching_parts_params defaults{9, 9, true};
    EXPECT_EQ(KX_PART_ask_cdp_default_params(&defaults), 0);
    EXPECT_EQ(defaults.mode, 0);
    EXPECT_EQ(defaults.value, 0);
    EXPECT_FALSE(defaults.by_name);
    EXPECT_EQ(match(nullptr).names, rows[0].names);
    EXPECT_EQ(match(nullptr).parts, (std::vector<tag>{c, NULL_TAG, a}));
    // Names and parts are each optional.
    int count = -1;
    EXPECT_EQ(KX_PART_ask_cdp_matching_parts(nullptr, &count, nullptr, nullptr), 0);
    EXPECT_EQ(count, 3);
    // Mode 4 is refused and the outputs stay cleared.
    const matching_parts_params bad{4, 0, false};
    tag* parts = reinterpret_cast<tag*>(&count);
    char** names = reinterpret_cast<char**>(&count);
    EXPECT_EQ(KX_PART_ask_cdp_matching_parts(&bad, &count, &parts, &names), KX_ERR_BAD_PARAM_1);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(parts, nullptr);
    EXPECT_EQ(names, nullptr);
    EXPECT_EQ(KX_PART_ask_cdp_default_params(nullptr), KX_ERR_BAD_PARAM_1);
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_PART_ask_cdp_matching_parts(nullptr, &count, nullptr, nullptr), KX_ERR_NOT_INITIALIZED);
}

TEST_F(RecentTest, RecentListFollowsTheDisplayUnlessDisabled) {
    EXPECT_EQ(recent(), (std::vector<tag>{c, a}));
    EXPECT_EQ(KX_PART_disable_cdp_list_update(), 0);
    EXPECT_EQ(KX_PART_set_display_part(a), 0);
    EXPECT_EQ(recent(), (std::vector<tag>{c, a}));
    EXPECT_EQ(KX_PART_enable_cdp_list_update(), 0);
    EXPECT_EQ(KX_PART_set_display_part(a), 0);
    EXPECT_EQ(recent(), (std::vector<tag>{a, c}));
    int n = -1;
    EXPECT_EQ(KX_PART_ask_recent_display_part_list(&n, nullptr), 0);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(KX_PART_ask_recent_display_part_list(nullptr, nullptr), KX_ERR_BAD_PARAM_1);
    // A host error on the way clears both outputs.
    host::control::raise_on("PART_list_all_mru_part_tags", HOST_ERR_NO_MEMORY, 1);
    tag* parts = reinterpret_cast<tag*>(&n);
    EXPECT_EQ(KX_PART_ask_recent_display_part_list(&n, &parts), HOST_ERR_NO_MEMORY);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(parts, nullptr);
    // Switching updates on and off needs no initialised interface.
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_PART_disable_cdp_list_update(), 0);
    EXPECT_EQ(KX_PART_enable_cdp_list_update(), 0);
}

}  // namespace
