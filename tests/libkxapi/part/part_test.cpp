// Parts through the interface: a user program's round trip, the load
// report, the load-failure routine, and the codes and replaced options of
// the part functions.
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "host/control/faultsim.h"
#include "host/store/parts/parts.h"
#include "host/numeric/acom.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/platform/support/support.h"
#include "kx_attr.h"
#include "kx_callback.h"
#include "kx_curve.h"
#include "kx_obj.h"
#include "kx_undo.h"
#include "part_fixture.h"
#include "tests/host/store/parts/curve_fixture.h"

namespace {

using host::control::call_count;
using host::control::calls;

std::vector<std::pair<int, tag>>& events() {
    static std::vector<std::pair<int, tag>> list;
    return list;
}
int record_event(int reason, const void* object, void*) {
    events().emplace_back(reason, *static_cast<const tag*>(object));
    return 0;
}

tag make_object(tag part, int type, int subtype = 0) {
    return test_fixture::with_curve_data(host::objects::create({OM_CLASS_RM_ENTITY, type, subtype, part}));
}

attribute_value int_value(int v) {
    attribute_value a{};
    a.type = KX_ATTR_integer;
    a.value.integer = v;
    return a;
}
attribute_value string_value(const char* s) {
    attribute_value a{};
    a.type = KX_ATTR_string;
    a.value.string = const_cast<char*>(s);
    return a;
}

// Saves a part that lists the given component file names.
void save_with_components(const std::string& file, const std::vector<std::string>& components) {
    unsigned part = host::parts::create(file);
    for (const std::string& c : components) host::parts::add_component(part, c);
    int zero = 0, mode = 2, result = -1;
    base_save_part(&part, &zero, &mode, &result);
    ASSERT_EQ(result, 0);
}

class PartTest : public PartApiTest {};

// A user program creates a part, fills it, saves it, closes it, opens it
// again and finds everything as it left it; each step fires its events.
TEST_F(PartTest, UserProgramFindsItsPartAsItLeftIt) {
    events().clear();
    std::vector<KX_callback_id_t> ids;
    for (int reason = 0; reason <= 6; ++reason) {
        KX_callback_id_t id = nullptr;
        ASSERT_EQ(KX_add_callback_function(reason, record_event, nullptr, &id), 0);
        ids.push_back(id);
    }
    const std::string file = path("bracket.prt");
    tag part = NULL_TAG;
    ASSERT_EQ(KX_PART_new(file.c_str(), KX_PART_ENGLISH, &part), 0);
    ASSERT_NE(part, NULL_TAG);
    EXPECT_EQ(KX_PART_ask_display_part(), part);
    const tag line = make_object(part, 3);
    const tag ellipse = make_object(part, 6, 2);
    ASSERT_EQ(KX_OBJ_set_name(line, "EDGE_1"), 0);
    ASSERT_EQ(KX_ATTR_assign(part, "DRAWING_NO", string_value("D-4711")), 0);
    ASSERT_EQ(KX_ATTR_assign(line, "QTY", int_value(3)), 0);
    attribute_value r{};
    r.type = KX_ATTR_real;
    r.value.real = 12.75;
    ASSERT_EQ(KX_ATTR_assign(ellipse, "AREA", r), 0);
    ASSERT_EQ(KX_PART_save(), 0);
    EXPECT_FALSE(KX_PART_is_modified(part));
    ASSERT_EQ(KX_PART_close(part, 0, 0), 0);
    EXPECT_EQ(KX_PART_ask_num_parts(), 0);

    tag again = NULL_TAG;
    load_status report;
    std::memset(&report, 0x5a, sizeof report);  // the open must not read what is there
    ASSERT_EQ(KX_PART_open(file.c_str(), &again, &report), 0);
    EXPECT_EQ(report.failed, 0);
    EXPECT_EQ(report.n_parts, 0);
    EXPECT_EQ(report.file_names, nullptr);
    ASSERT_NE(again, NULL_TAG);
    EXPECT_EQ(KX_PART_ask_num_parts(), 1);
    EXPECT_EQ(KX_PART_ask_nth_part(0), again);
    int units = 0;
    ASSERT_EQ(KX_PART_ask_units(again, &units), 0);
    EXPECT_EQ(units, KX_PART_ENGLISH);
    char name[KX_PART_MAX_NAME_CHARS + 1];
    ASSERT_EQ(KX_PART_ask_part_name(again, name), 0);
    EXPECT_EQ(name, file);

    const auto objects = host::objects::objects_of_part(again);
    ASSERT_EQ(objects.size(), 2u);
    int type = 0, subtype = 0;
    ASSERT_EQ(KX_OBJ_ask_type_and_subtype(objects[1], &type, &subtype), 0);
    EXPECT_EQ(type, 6);
    EXPECT_EQ(subtype, 2);
    char object_name[KX_OBJ_NAME_LEN + 1] = "";
    ASSERT_EQ(KX_OBJ_ask_name(objects[0], object_name), 0);
    EXPECT_STREQ(object_name, "EDGE_1");
    attribute_value v{};
    ASSERT_EQ(KX_ATTR_read_value(again, "DRAWING_NO", KX_ATTR_any, &v), 0);
    EXPECT_STREQ(v.value.string, "D-4711");
    KX_free(v.value.string);
    ASSERT_EQ(KX_ATTR_read_value(objects[0], "QTY", KX_ATTR_integer, &v), 0);
    EXPECT_EQ(v.value.integer, 3);
    ASSERT_EQ(KX_ATTR_read_value(objects[1], "AREA", KX_ATTR_real, &v), 0);
    EXPECT_EQ(v.value.real, 12.75);

    // create, save, delete, open (and their changes of work part).
    std::vector<int> reasons;
    for (const auto& [reason, object] : events())
        if (reason != 4) reasons.push_back(reason);
    EXPECT_EQ(reasons, (std::vector<int>{0, 6, 2, 3, 1, 6}));
    EXPECT_EQ(events().front().second, part);
    EXPECT_EQ(events().back().second, again);
    for (KX_callback_id_t id : ids) KX_remove_callback_function(id);
}

// Every part operation fires its part events to the registered routines,
// with the event's part, and the host's common block follows the units of
// the work part (2 inches, 1 millimetres, 0 for none).
TEST_F(PartTest, EachOperationFiresItsEventsAndTheUnitsWordFollowsTheWorkPart) {
    std::vector<KX_callback_id_t> ids;
    for (int reason = 0; reason <= 6; ++reason) {
        KX_callback_id_t id = nullptr;
        ASSERT_EQ(KX_add_callback_function(reason, record_event, nullptr, &id), 0);
        ids.push_back(id);
    }
    const std::string inch = path("inch.prt"), mm = path("mm.prt");
    tag p = NULL_TAG, q = NULL_TAG;
    using Events = std::vector<std::pair<int, tag>>;
    struct Step {
        const char* what;
        std::function<int()> run;
        std::function<Events()> events;
        int units_word;
    };
    const std::vector<Step> steps = {
        {"new inch part", [&] { return KX_PART_new(inch.c_str(), KX_PART_ENGLISH, &p); },
         [&] {
             return Events{{0, p}, {6, p}};
         },
         2},
        {"save", [&] { return KX_PART_save(); },
         [&] {
             return Events{{2, p}};
         },
         2},
        {"modify",
         [&] {
             const KX_PART_compress_flags_t f{1, 0, 0};
             return KX_PART_set_compression_flags(p, &f);
         },
         [&] {
             return Events{{4, p}};
         },
         2},
        {"rename", [&] { return KX_PART_rename(p, path("inch2.prt").c_str()); },
         [&] {
             return Events{{5, p}};
         },
         2},
        {"save as", [&] { return KX_PART_save_as(inch.c_str()); },
         [&] {
             return Events{{5, p}, {2, p}};
         },
         2},
        {"new metric part", [&] { return KX_PART_new(mm.c_str(), KX_PART_METRIC, &q); },
         [&] {
             return Events{{0, q}, {6, q}};
         },
         1},
        {"display the inch part", [&] { return KX_PART_set_display_part(p); },
         [&] {
             return Events{{6, p}};
         },
         2},
        {"close the metric part", [&] { return KX_PART_close(q, 0, 1); },
         [&] {
             return Events{{3, q}};
         },
         2},
        {"close the inch part", [&] { return KX_PART_close(p, 0, 0); },
         [&] {
             return Events{{3, p}};
         },
         0},
        {"open",
         [&] {
             load_status report{};
             const int st = KX_PART_open(inch.c_str(), &p, &report);
             free_status(report);
             return st;
         },
         [&] {
             return Events{{1, p}, {6, p}};
         },
         2},
        {"reopen",
         [&] {
             const tag old = p;
             const int st = KX_PART_reopen(p, 0, 0, &p);
             q = old;
             return st;
         },
         [&] {
             return Events{{3, q}, {1, p}, {6, p}};
         },
         2},
        {"close all", [&] { return KX_PART_close_all(); },
         [&] {
             return Events{{3, p}};
         },
         0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        events().clear();
        ASSERT_EQ(s.run(), 0);
        EXPECT_EQ(events(), s.events());
        EXPECT_EQ(acom_[PART_ACOM_UNITS_WORD], s.units_word);
    }
    for (KX_callback_id_t id : ids) KX_remove_callback_function(id);
}

// The curve functions read the units of the work part from the common
// block: a line 2 long in an inch part is 50.8 mm, and 2 mm once a metric
// part is the work part.
TEST_F(PartTest, CurveLengthsFollowTheUnitsOfTheWorkPart) {
    tag inch = NULL_TAG, mm = NULL_TAG;
    ASSERT_EQ(KX_PART_new(path("inch.prt").c_str(), KX_PART_ENGLISH, &inch), 0);
    line_data d{{0, 0, 0}, {2, 0, 0}};
    tag line = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_line(&d, &line), 0);
    double length = 0;
    ASSERT_EQ(KX_CURVE_ask_arc_length(line, 0, 1, 2, &length), 0);
    EXPECT_NEAR(length, 50.8, 1e-12);
    KX_UNDO_mark_id_t mark = 0;
    ASSERT_EQ(KX_UNDO_set_mark(1, "before metric", &mark), 0);
    ASSERT_EQ(KX_PART_new(path("mm.prt").c_str(), KX_PART_METRIC, &mm), 0);
    ASSERT_EQ(KX_CURVE_ask_arc_length(line, 0, 1, 2, &length), 0);
    EXPECT_NEAR(length, 2, 1e-12);
    // An undo that brings the inch part back as the work part brings its
    // units back.
    ASSERT_EQ(KX_UNDO_undo_to_mark(mark, nullptr), 0);
    EXPECT_EQ(KX_PART_ask_display_part(), inch);
    ASSERT_EQ(KX_CURVE_ask_arc_length(line, 0, 1, 2, &length), 0);
    EXPECT_NEAR(length, 50.8, 1e-12);
}

// Components that cannot be loaded: the host's own report plus one entry
// per failed component under its display name, gathered over every report
// the host makes within the open, and listed once.
TEST_F(PartTest, LoadReportGathersEveryReportOfOneOpenOnce) {
    save_with_components(path("s1.prt"), {"gone.prt"});
    save_with_components(path("s2.prt"), {"bad.prt"});
    save_with_components(path("s3.prt"), {"gone.prt"});
    save_with_components(path("top.prt"), {"s1.prt", "s2.prt", "s3.prt"});
    PART_delete_all_parts();
    write(path("bad.prt"), "foreign");

    tag part = NULL_TAG;
    load_status report{};
    ASSERT_EQ(KX_PART_open(path("top.prt").c_str(), &part, &report), 0);
    ASSERT_NE(part, NULL_TAG);
    EXPECT_EQ(report.failed, 1);
    std::vector<std::pair<std::string, int>> entries;
    for (int i = 0; i < report.n_parts; ++i) entries.emplace_back(report.file_names[i], report.statuses[i]);
    const std::vector<std::pair<std::string, int>> expected = {
        {path("gone.prt"), PART_ERR_FILE_NOT_FOUND},
        {path("bad.prt"), PART_ERR_NOT_PART_FILE},
        {"gone", KX_PART_ERR_COMPONENT_MISSING},
        {"bad", KX_PART_ERR_COMPONENT_BAD},
    };
    EXPECT_EQ(entries, expected);
    free_status(report);
    EXPECT_EQ(KX_PART_is_loaded(path("s1.prt").c_str()), PART_PARTIALLY_LOADED);
    EXPECT_EQ(KX_PART_is_loaded("gone.prt"), PART_NOT_LOADED);
    EXPECT_EQ(KX_PART_is_loaded(path("top.prt").c_str()), PART_FULLY_LOADED);
    EXPECT_EQ(KX_PART_cleanup(0), 0);
    EXPECT_EQ(KX_PART_cleanup(5), 641050);
}

// Files that cannot be opened: the code comes back, the report names the
// file, and nothing of it stays in the session.
TEST_F(PartTest, FilesThatCannotBeOpenedLeaveNothingInTheSession) {
    tag part = NULL_TAG;
    ASSERT_EQ(KX_PART_new(path("good.prt").c_str(), 1, &part), 0);
    host::objects::create({OM_CLASS_RM_ENTITY, 3, 0, part, "L"});
    ASSERT_EQ(KX_ATTR_assign(part, "A", int_value(1)), 0);
    ASSERT_EQ(KX_PART_save(), 0);
    ASSERT_EQ(KX_PART_close_all(), 0);
    std::string good;
    {
        std::ifstream in(path("good.prt"), std::ios::binary);
        good.assign(std::istreambuf_iterator<char>(in), {});
    }
    auto damaged = [&](std::size_t at) {
        std::string b = good;
        b[at] = static_cast<char>(~b[at]);
        return b;
    };
    std::string newer = good;
    newer[8] = 9;
    struct Case {
        const char* what;
        std::string name;
        const std::string* bytes;
        int code;
    };
    const std::string foreign = "%PDF-1.4 not a part";
    const std::string d1 = damaged(3), d2 = damaged(20), d3 = damaged(good.size() / 2), d4 = damaged(good.size() - 2);
    const std::string cut = good.substr(0, good.size() - 9);
    const Case cases[] = {
        {"missing", path("none.prt"), nullptr, PART_ERR_FILE_NOT_FOUND},
        {"directory", dir_.string(), nullptr, PART_ERR_NOT_PART_FILE},
        {"foreign", path("f.prt"), &foreign, PART_ERR_NOT_PART_FILE},
        {"newer version", path("v.prt"), &newer, PART_ERR_BAD_VERSION},
        {"damaged magic", path("d1.prt"), &d1, PART_ERR_NOT_PART_FILE},
        {"damaged header", path("d2.prt"), &d2, PART_ERR_CORRUPT},
        {"damaged body", path("d3.prt"), &d3, PART_ERR_CORRUPT},
        {"damaged checksum", path("d4.prt"), &d4, PART_ERR_CORRUPT},
        {"truncated", path("t.prt"), &cut, PART_ERR_CORRUPT},
        {"name too long", std::string(KX_PART_MAX_NAME_CHARS + 1, 'n'), nullptr, PART_ERR_NAME_TOO_LONG},
    };
    const auto live = host::objects::live_objects().size();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.bytes) write(c.name, *c.bytes);
        load_status report{};
        part = 77;
        EXPECT_EQ(KX_PART_open(c.name.c_str(), &part, &report), c.code);
        EXPECT_EQ(part, NULL_TAG);
        ASSERT_EQ(report.n_parts, 1);
        EXPECT_EQ(report.statuses[0], c.code);
        EXPECT_EQ(report.file_names[0], c.name);
        free_status(report);
        EXPECT_EQ(KX_PART_ask_num_parts(), 0);
        EXPECT_EQ(host::objects::live_objects().size(), live);
    }
}

void user_routine(const PROM_load_failure_t*) {}

// The load-failure routine in force before the open is back after it,
// whichever way the open ends.
TEST_F(PartTest, OpenPutsThePreviousLoadFailureRoutineBackOnEveryPath) {
    PROM_reg_prom_load_fail_msg_fn(user_routine);
    save_with_components(path("top.prt"), {"gone.prt"});
    PART_delete_all_parts();
    struct Case {
        const char* what;
        std::string file;
        int raise;
        int status;
    };
    const Case cases[] = {
        {"opened with a failed component", path("top.prt"), 0, 0},
        {"missing file", path("none.prt"), 0, PART_ERR_FILE_NOT_FOUND},
        {"host error in the open", path("top.prt"), 641005, 641005},
        {"already loaded", path("top.prt"), 0, PART_ERR_ALREADY_LOADED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.raise) host::control::raise_on("BASE_open_part", c.raise);
        tag part = NULL_TAG;
        load_status report{};
        EXPECT_EQ(KX_PART_open(c.file.c_str(), &part, &report), c.status);
        free_status(report);
        host::control::clear_script("BASE_open_part");
        EXPECT_EQ(host::parts::load_fail_routine(), &user_routine);
        EXPECT_EQ(host::control::frame_depth(), 0);
    }
    // Not initialised: nothing is touched.
    fresh();
    host::control::clear_journal();
    tag part = 7;
    load_status report{};
    EXPECT_EQ(KX_PART_open(path("top.prt").c_str(), &part, &report), 1105000);
    EXPECT_EQ(call_count("PROM_reg_prom_load_fail_msg_fn"), 0);
}

TEST_F(PartTest, OpenQuietAnswersTheFirstCodeAndAcknowledgesHostErrors) {
    tag part = 5;
    load_status report{};
    EXPECT_EQ(KX_PART_open_quiet(path("none.prt").c_str(), &part, &report), PART_ERR_FILE_NOT_FOUND);
    EXPECT_EQ(part, NULL_TAG);
    EXPECT_EQ(report.n_parts, 1);
    free_status(report);

    save_with_components(path("top.prt"), {"gone.prt"});
    PART_delete_all_parts();
    EXPECT_EQ(KX_PART_open_quiet(path("top.prt").c_str(), &part, &report), PART_ERR_FILE_NOT_FOUND);
    EXPECT_EQ(part, NULL_TAG);  // the part is loaded, but only a clean open hands it out
    EXPECT_EQ(KX_PART_ask_num_parts(), 1);
    free_status(report);
    PART_delete_all_parts();

    host::control::raise_on("BASE_open_part_quietly", 641005);
    EXPECT_EQ(KX_PART_open_quiet(path("top.prt").c_str(), &part, &report), 641005);
    EXPECT_TRUE(acknowledged(641005));
    host::control::clear_scripts();

    save_with_components(path("clean.prt"), {});
    PART_delete_all_parts();
    EXPECT_EQ(KX_PART_open_quiet(path("clean.prt").c_str(), &part, &report), 0);
    EXPECT_NE(part, NULL_TAG);

    // The part output is cleared before the session is checked.
    fresh();
    part = 5;
    EXPECT_EQ(KX_PART_open_quiet(path("clean.prt").c_str(), &part, &report), 1105000);
    EXPECT_EQ(part, NULL_TAG);
}

// Which functions arm an error frame around their host calls: the open
// does (it must put the load-failure routine back), the part sets' open
// and the clean-up leave host errors to the caller's frame.
TEST_F(PartTest, OpenArmsAFrameWhilePartSetsAndCleanUpDoNot) {
    save_with_components(path("x.prt"), {});
    PART_delete_all_parts();
    const tag set = host::parts::create_cset({path("x.prt")});
    tag part = NULL_TAG;
    load_status report{};
    struct Case {
        const char* what;
        std::function<int()> call;
        const char* host_call;
        bool framed;
    };
    const Case cases[] = {
        {"open", [&] { return KX_PART_open(path("x.prt").c_str(), &part, &report); }, "PROM_reg_prom_load_fail_msg_fn",
         true},
        {"close all", [] { return KX_PART_close_all(); }, "DMV_is_view_expanded", true},
        {"open a part set", [&] { return KX_PART_open_cset(set, &report); }, "PART_load_cset", false},
        {"clean up", [] { return KX_PART_cleanup(1); }, "PART_cleanup", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host::control::clear_journal();
        EXPECT_EQ(c.call(), 0);
        // The library's own frame comes before its first host call.
        const long frame = host::control::index_of("ERROR_set_handler");
        EXPECT_EQ(frame >= 0 && frame < host::control::index_of(c.host_call), c.framed);
        free_status(report);
    }
}

TEST_F(PartTest, NewChecksUnitsAndDecodesTheName) {
    const auto blocks = host::memory::stats().live_blocks;
    tag part = 9;
    EXPECT_EQ(KX_PART_new(path("a.prt").c_str(), 3, &part), 641022);
    EXPECT_EQ(part, NULL_TAG);
    EXPECT_EQ(KX_PART_ask_num_parts(), 0);
    EXPECT_EQ(call_count("base_new_part"), 0);

    EXPECT_EQ(KX_PART_new("@DB/item/A", 1, &part), PART_ERR_PDM_NOT_ACTIVE);
    EXPECT_EQ(call_count("base_new_part"), 0);
    host::support::set_jqmanager_active(true);
    EXPECT_EQ(KX_PART_new("@DB/item/A", 1, &part), 0);
    EXPECT_STREQ(calls("base_new_part")[0].text, "item_A.prt");
    int units = 0;
    ASSERT_EQ(KX_PART_ask_units(part, &units), 0);
    EXPECT_EQ(units, KX_PART_METRIC);
    EXPECT_EQ(KX_PART_new(path("b.prt").c_str(), 2, &part), 0);
    ASSERT_EQ(KX_PART_ask_units(part, &units), 0);
    EXPECT_EQ(units, KX_PART_ENGLISH);
    EXPECT_EQ(KX_PART_new(path("b.prt").c_str(), 2, &part), PART_ERR_ALREADY_LOADED);
    EXPECT_EQ(KX_PART_new(std::string(KX_PART_MAX_NAME_CHARS + 1, 'x').c_str(), 2, &part), PART_ERR_NAME_TOO_LONG);
    EXPECT_EQ(host::memory::stats().live_blocks, blocks);  // decoded names were freed
}

TEST_F(PartTest, CloseReplacesOutOfRangeOptionsAndRespectsAnExpandedView) {
    tag a = NULL_TAG, b = NULL_TAG;
    ASSERT_EQ(KX_PART_new(path("a.prt").c_str(), 1, &a), 0);
    ASSERT_EQ(KX_PART_new(path("b.prt").c_str(), 1, &b), 0);
    host::parts::set_view_expanded(true);
    EXPECT_EQ(KX_PART_close(a, 0, 2), 1405058);
    EXPECT_EQ(KX_PART_close_all(), 1405058);
    EXPECT_EQ(KX_PART_ask_num_parts(), 2);
    host::parts::set_view_expanded(false);

    host::control::clear_journal();
    EXPECT_EQ(KX_PART_close(a, 5, 7), 0);
    const auto closes = calls("base_Part_Close");
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].arg[1], 0);
    EXPECT_EQ(closes[0].arg[2], 2);
    EXPECT_EQ(KX_PART_close(b, 0, 0), PART_ERR_MODIFIED);  // never saved
    EXPECT_EQ(KX_PART_ask_num_parts(), 1);

    host::control::clear_journal();
    EXPECT_EQ(KX_PART_close_all(), 0);
    // Parts first, then the undo marks under the part-close mark, then the menu bar.
    const char* order[] = {"DMV_is_view_expanded", "PART_delete_all_parts", "FR_ZRMARK_set_part_close",
                           "UNDO_JQ_delete_all_marks", "JQUI_update_menubar"};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        EXPECT_LT(host::control::index_of(order[i]), host::control::index_of(order[i + 1])) << order[i];
    const auto marks = calls("FR_ZRMARK_set_part_close");
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].arg[0], 1);
    EXPECT_EQ(marks[1].arg[0], 0);
    EXPECT_LT(host::control::index_of("UNDO_JQ_delete_all_marks"),
              host::control::index_of("FR_ZRMARK_set_part_close", 1));
    EXPECT_EQ(KX_PART_ask_num_parts(), 0);
    EXPECT_EQ(KX_PART_ask_display_part(), NULL_TAG);

    host::control::raise_on("UNDO_JQ_delete_all_marks", 670004);
    EXPECT_EQ(KX_PART_close_all(), 670004);
    EXPECT_FALSE(host::parts::part_close_mark());
    EXPECT_EQ(host::control::frame_depth(), 0);
}

// Closing every part fails whole or succeeds whole: a host error up to
// the deletion of the undo marks takes the close back, one after it (the
// close flag's reset, the menu bar) cannot undo it and is no failure.
TEST_F(PartTest, CloseAllFailsWholeOrSucceedsWhole) {
    struct Row {
        const char* routine;
        int nth;
        int status;
        int parts_after;
        bool flag_after;
    };
    const Row rows[] = {
        {"PART_delete_all_parts", 1, 670099, 2, false},    {"FR_ZRMARK_set_part_close", 1, 670099, 2, false},
        {"UNDO_JQ_delete_all_marks", 1, 670099, 2, false},
        // Once the marks are deleted the parts are gone for good: an error of
        // the steps after it is the status, and the close flag is cleared.
        {"FR_ZRMARK_set_part_close", 2, 670099, 0, false}, {"JQUI_update_menubar", 1, 670099, 0, false},
    };
    int n = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.routine) + " #" + std::to_string(r.nth));
        tag a = NULL_TAG, b = NULL_TAG;
        ASSERT_EQ(KX_PART_new(path("all" + std::to_string(++n) + ".prt").c_str(), 1, &a), 0);
        ASSERT_EQ(KX_PART_new(path("all" + std::to_string(++n) + ".prt").c_str(), 1, &b), 0);
        host::control::raise_on(r.routine, 670099, r.nth);
        EXPECT_EQ(KX_PART_close_all(), r.status);
        host::control::clear_scripts();
        EXPECT_EQ(KX_PART_ask_num_parts(), r.parts_after);
        EXPECT_EQ(host::parts::part_close_mark(), r.flag_after);
        EXPECT_EQ(host::control::frame_depth(), 0);
        ASSERT_EQ(KX_PART_close_all(), 0);
    }
}

TEST_F(PartTest, ExportPassesItsOptionsAndChecksTheModes) {
    tag part = NULL_TAG;
    ASSERT_EQ(KX_PART_new(path("src.prt").c_str(), 1, &part), 0);
    const tag objs[3] = {make_object(part, 3), make_object(part, 5), make_object(part, 2)};
    ASSERT_EQ(KX_ATTR_assign(objs[0], "QTY", int_value(1)), 0);
    host::control::clear_journal();
    ASSERT_EQ(KX_PART_export(path("ex.prt").c_str(), 3, objs), 0);
    ASSERT_EQ(call_count("PART_export_part"), 1);
    EXPECT_EQ(calls("PART_export_part")[0].arg[0], 3);

    KX_PART_export_options_t options{1, 3, 0};
    EXPECT_EQ(KX_PART_export_with_options(path("ex2.prt").c_str(), 3, objs, &options), 1105007);
    options = {1, 0, 2};
    EXPECT_EQ(KX_PART_export_with_options(path("ex2.prt").c_str(), 3, objs, &options), 1105007);
    EXPECT_EQ(call_count("PART_export_part"), 1);
    EXPECT_EQ(KX_PART_export_with_options(path("ex2.prt").c_str(), 3, objs, nullptr), 1105007);
    EXPECT_EQ(KX_PART_export(path("ex3.prt").c_str(), 1, &part), 1050044);
    EXPECT_TRUE(acknowledged(1050044));

    // What was exported: the objects, with their attributes.
    tag opened = NULL_TAG;
    load_status report{};
    ASSERT_EQ(KX_PART_open(path("ex.prt").c_str(), &opened, &report), 0);
    const auto objects = host::objects::objects_of_part(opened);
    ASSERT_EQ(objects.size(), 3u);
    int count = 0;
    ASSERT_EQ(KX_ATTR_count_attributes(objects[0], KX_ATTR_any, &count), 0);
    EXPECT_EQ(count, 1);
}

TEST_F(PartTest, ReopenReadsThePartAgainAndFreesItsScratch) {
    EXPECT_EQ(KX_PART_reopen(NULL_TAG, 0, 0, nullptr), 1);
    tag part = NULL_TAG;
    ASSERT_EQ(KX_PART_new(path("re.prt").c_str(), 1, &part), 0);
    make_object(part, 3);
    ASSERT_EQ(KX_PART_save(), 0);
    make_object(part, 3);
    PART_set_modified(part);

    tag fresh_part = 99;
    EXPECT_EQ(KX_PART_reopen(part, 0, 0, &fresh_part), 1);  // modified: kept
    EXPECT_EQ(fresh_part, part);
    const auto blocks = host::memory::stats().live_blocks;
    host::control::clear_journal();
    EXPECT_EQ(KX_PART_reopen(part, 9, 9, &fresh_part), 0);
    EXPECT_EQ(calls("base_Part_Reopen")[0].arg[1], 0);
    EXPECT_EQ(calls("base_Part_Reopen")[0].arg[2], 2);
    EXPECT_NE(fresh_part, part);
    EXPECT_EQ(host::objects::objects_of_part(fresh_part).size(), 1u);
    EXPECT_EQ(KX_PART_ask_display_part(), fresh_part);
    EXPECT_EQ(host::memory::stats().live_blocks, blocks);
}

// The scratch of the reopen goes back under the function's frame: a free
// that fails is the status, never an error that reaches the caller's own
// handler.
TEST_F(PartTest, ReopenFailingToFreeItsScratchAnswersTheError) {
    tag part = NULL_TAG;
    ASSERT_EQ(KX_PART_new(path("scratch.prt").c_str(), 1, &part), 0);
    ASSERT_EQ(KX_PART_save(), 0);
    host::control::raise_on("SM_free_to_mark", 670099, 1);
    tag fresh_part = NULL_TAG;
    EXPECT_EQ(KX_PART_reopen(part, 0, 0, &fresh_part), 670099);
    host::control::clear_scripts();
    ASSERT_EQ(call_count("SM_free_to_mark"), 1);
    EXPECT_EQ(host::control::frame_depth(), 0);
    // The host kept the blocks of the free that raised: the test frees them.
    SM_free_to_mark(static_cast<int>(calls("SM_free_to_mark")[0].arg[0]));
}

// A reopen is all or nothing: a host error at any call of the routines
// below (the file's read, the result's blocks, the swap's part events, the
// scratch's free) is the status, and the old part stays loaded with its
// objects, the display and the model as before. A component that lists
// itself under the part makes the swap of two parts.
TEST_F(PartTest, ReopenThatFailsKeepsTheOldPart) {
    struct Row {
        const char* routine;
        int scope;
    };
    const Row rows[] = {{"SM_free_to_mark", 0}, {"SM_alloc", 0}, {"host::events::fire_part_event", 0},
                        {"PART_ask_part_of_filename", 0}, {"SM_alloc", 1},
                        {"host::events::fire_part_event", 1}};
    save_with_components(path("wheel.prt"), {});
    save_with_components(path("axle.prt"), {"wheel.prt"});
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.routine) + " scope " + std::to_string(r.scope));
        // The clean run counts the routine's calls.
        int n = 0;
        for (int nth = 0; nth <= n; ++nth) {
            SCOPED_TRACE(nth);
            KX_PART_close_all();
            tag axle = NULL_TAG;
            load_status report{};
            ASSERT_EQ(KX_PART_open(path("axle.prt").c_str(), &axle, &report), 0);
            ASSERT_EQ(report.n_parts, 0);
            make_object(axle, 3);
            make_object(axle, 5);
            int save_result = -1, zero = 0, mode = 2;
            unsigned saved = axle;
            base_save_part(&saved, &zero, &mode, &save_result);
            ASSERT_EQ(save_result, 0);
            const tag wheel = KX_PART_ask_part_tag(path("wheel.prt").c_str());
            ASSERT_NE(wheel, NULL_TAG);
            const std::size_t owned = host::objects::objects_of_part(axle).size();
            const std::string model = host::control::model_fingerprint();
            const auto blocks = host::memory::stats().live_blocks;
            const int before = call_count(r.routine);
            if (nth > 0) host::control::raise_on(r.routine, 670099, nth);
            tag fresh = 77;
            const int st = KX_PART_reopen(axle, r.scope, 2, &fresh);
            host::control::clear_scripts();
            EXPECT_EQ(host::control::frame_depth(), 0);
            if (nth == 0) {
                ASSERT_EQ(st, 0);
                n = call_count(r.routine) - before;
                ASSERT_GT(n, 0);
                EXPECT_NE(fresh, axle);
                EXPECT_EQ(host::objects::objects_of_part(fresh).size(), owned);
                continue;
            }
            EXPECT_EQ(st, 670099);
            EXPECT_EQ(fresh, NULL_TAG);
            if (std::string(r.routine) == "SM_free_to_mark")  // the host kept the blocks of the free that raised
                SM_free_to_mark(static_cast<int>(calls("SM_free_to_mark")[static_cast<std::size_t>(before)].arg[0]));
            EXPECT_EQ(host::control::model_fingerprint(), model);
            EXPECT_EQ(host::memory::stats().live_blocks, blocks);
            EXPECT_EQ(KX_PART_ask_part_tag(path("axle.prt").c_str()), axle);
            EXPECT_EQ(KX_PART_ask_part_tag(path("wheel.prt").c_str()), wheel);
            EXPECT_EQ(host::objects::objects_of_part(axle).size(), owned);
            EXPECT_EQ(KX_PART_ask_display_part(), axle);
            EXPECT_EQ(KX_PART_ask_num_parts(), 2);
        }
    }
}

TEST_F(PartTest, NamesAreCutToTheDocumentedLength) {
    tag part = NULL_TAG;
    ASSERT_EQ(KX_PART_new(path("n.prt").c_str(), 1, &part), 0);
    const auto blocks = host::memory::stats().live_blocks;
    char buffer[KX_PART_MAX_NAME_CHARS + 1 + 8];
    std::memset(buffer, '#', sizeof buffer);
    const std::string longer(KX_PART_MAX_NAME_CHARS + 40, 'q');
    host::control::give_outputs("PART_ask_filename_of_part", {longer});
    ASSERT_EQ(KX_PART_ask_part_name(part, buffer), 0);
    EXPECT_EQ(std::strlen(buffer), static_cast<std::size_t>(KX_PART_MAX_NAME_CHARS));
    EXPECT_EQ(buffer[KX_PART_MAX_NAME_CHARS + 1], '#');
    host::control::give_outputs("PART_name_for_display", {longer});
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_EQ(KX_PART_name_for_display("x.prt", buffer), 0);
    EXPECT_EQ(std::strlen(buffer), static_cast<std::size_t>(KX_PART_MAX_NAME_CHARS));
    EXPECT_EQ(buffer[KX_PART_MAX_NAME_CHARS + 1], '#');
    host::control::clear_scripts();

    ASSERT_EQ(KX_PART_name_for_display(path("n.prt").c_str(), buffer), 0);
    EXPECT_STREQ(buffer, "n.prt");
    std::strcpy(buffer, "old");
    EXPECT_EQ(KX_PART_ask_part_name(NULL_TAG, buffer), 1105004);
    EXPECT_STREQ(buffer, "");
    std::strcpy(buffer, "old");
    EXPECT_EQ(KX_PART_ask_part_name(123456, buffer), HOST_ERR_DEAD_TAG);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(host::memory::stats().live_blocks, blocks);
}

TEST_F(PartTest, QueriesAndSettingsAnswerTheirCodes) {
    tag a = NULL_TAG, b = NULL_TAG;
    ASSERT_EQ(KX_PART_new(path("a.prt").c_str(), 1, &a), 0);
    ASSERT_EQ(KX_PART_new(path("b.prt").c_str(), 1, &b), 0);
    EXPECT_EQ(KX_PART_ask_part_tag(path("a.prt").c_str()), a);
    EXPECT_EQ(KX_PART_ask_part_tag(path("zz.prt").c_str()), NULL_TAG);
    EXPECT_EQ(KX_PART_ask_part_tag(nullptr), NULL_TAG);
    tag found = NULL_TAG;
    EXPECT_EQ(KX_PART_ask_tag_of_disp_name("b", &found), 0);
    EXPECT_EQ(found, b);
    EXPECT_EQ(KX_PART_ask_tag_of_disp_name("zz", &found), PART_ERR_NOT_LOADED);
    EXPECT_EQ(found, NULL_TAG);

    EXPECT_EQ(KX_PART_set_display_part(a), 0);
    EXPECT_EQ(KX_PART_ask_display_part(), a);
    ASSERT_EQ(KX_PART_close(b, 0, 2), 0);
    EXPECT_EQ(KX_PART_set_display_part(b), -1);
    EXPECT_EQ(KX_PART_ask_display_part(), a);
    EXPECT_EQ(KX_PART_set_display_part(NULL_TAG), 0);
    EXPECT_EQ(KX_PART_ask_display_part(), NULL_TAG);

    EXPECT_EQ(KX_PART_rename(NULL_TAG, "x.prt"), 1105004);
    EXPECT_EQ(KX_PART_rename(a, ""), 1105005);
    EXPECT_EQ(KX_PART_rename(a, nullptr), 1105005);
    EXPECT_EQ(KX_PART_rename(a, path("a2.prt").c_str()), 0);
    EXPECT_EQ(KX_PART_ask_part_tag(path("a2.prt").c_str()), a);

    KX_PART_compress_flags_t flags{1, 1, 0};
    EXPECT_EQ(KX_PART_set_compression_flags(b, &flags), 1105004);  // closed: no object
    EXPECT_EQ(KX_PART_set_compression_flags(a, nullptr), 1105005);
    EXPECT_EQ(KX_PART_ask_compression_flags(NULL_TAG, &flags), 1105004);
    EXPECT_EQ(KX_PART_save(), PART_ERR_NO_WORK_PART);
    ASSERT_EQ(KX_PART_set_display_part(a), 0);
    ASSERT_EQ(KX_PART_save(), 0);
    EXPECT_FALSE(KX_PART_is_modified(a));
    EXPECT_EQ(KX_PART_set_compression_flags(a, &flags), 0);
    EXPECT_TRUE(KX_PART_is_modified(a));
    KX_PART_compress_flags_t back{};
    EXPECT_EQ(KX_PART_ask_compression_flags(a, &back), 0);
    EXPECT_EQ(back.compress_features, 1);
    EXPECT_EQ(back.compress_expressions, 0);
    EXPECT_FALSE(KX_PART_is_modified(NULL_TAG));

    int count = -1;
    tag* parts = nullptr;
    int* codes = nullptr;
    EXPECT_EQ(KX_PART_save_all(&count, &parts, &codes), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(parts, nullptr);
    EXPECT_EQ(KX_PART_save_all(nullptr, &parts, &codes), 1105004);

    // Not initialised.
    fresh();
    EXPECT_EQ(KX_PART_ask_display_part(), NULL_TAG);
    EXPECT_EQ(KX_PART_ask_num_parts(), 0);
    EXPECT_EQ(KX_PART_ask_nth_part(0), NULL_TAG);
    EXPECT_EQ(KX_PART_is_loaded("a.prt"), 1105000);
    EXPECT_EQ(KX_PART_save(), 1105000);
    EXPECT_EQ(KX_PART_close_all(), 1105000);
    EXPECT_EQ(KX_PART_reopen(a, 0, 0, nullptr), 1105000);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(PartTest, SaveAllAndSaveAsReportFailures) {
    tag a = NULL_TAG, b = NULL_TAG;
    ASSERT_EQ(KX_PART_new(path("a.prt").c_str(), 1, &a), 0);
    ASSERT_EQ(KX_PART_new(path("b.prt").c_str(), 1, &b), 0);
    write(path("b.prt"), "x");
    std::filesystem::permissions(path("b.prt"), std::filesystem::perms::owner_read);
    const auto blocks = host::memory::stats().live_blocks;
    int count = 0;
    tag* parts = nullptr;
    int* codes = nullptr;
    EXPECT_EQ(KX_PART_save_all(&count, &parts, &codes), PART_ERR_WRITE);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(parts[0], b);
    EXPECT_EQ(codes[0], PART_ERR_WRITE);
    KX_free(parts);
    KX_free(codes);
    EXPECT_EQ(host::memory::stats().live_blocks, blocks);

    EXPECT_EQ(KX_PART_save(), PART_ERR_WRITE);  // b is the work part
    EXPECT_EQ(KX_PART_save_as(path("b2.prt").c_str()), 0);
    EXPECT_EQ(KX_PART_ask_part_tag(path("b2.prt").c_str()), b);
    EXPECT_EQ(KX_PART_save_as(path("a.prt").c_str()), PART_ERR_ALREADY_LOADED);
    EXPECT_EQ(KX_PART_save_as(path("nodir/x.prt").c_str()), PART_ERR_WRITE);
}

TEST_F(PartTest, PartSetsOpenAndClose) {
    save_with_components(path("x.prt"), {});
    save_with_components(path("y.prt"), {});
    PART_delete_all_parts();
    const tag set = host::parts::create_cset({path("x.prt"), path("none.prt"), path("y.prt")});
    load_status report{};
    EXPECT_EQ(KX_PART_open_cset(set, &report), PART_ERR_FILE_NOT_FOUND);
    EXPECT_EQ(report.n_parts, 1);
    free_status(report);
    EXPECT_EQ(KX_PART_ask_num_parts(), 2);
    EXPECT_EQ(KX_PART_close_cset(set), 0);
    EXPECT_EQ(KX_PART_ask_num_parts(), 0);
    EXPECT_EQ(KX_PART_close_cset(999), HOST_ERR_BAD_ARGUMENT);
}

}  // namespace
