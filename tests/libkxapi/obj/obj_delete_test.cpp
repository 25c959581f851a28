// Deleting objects (directly and through the delete list with its model
// update) and exchanging object data.
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/control/faultsim.h"
#include "tests/support/host_call_points.h"
#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/views.h"
#include "host/store/entities/wcs.h"
#include "host/model/feature/feature.h"
#include "kx_core.h"
#include "kx_obj.h"
#include "obj_fixture.h"

namespace {

using Delete = ObjectsTest;
using Exchange = ObjectsTest;
namespace he = host::entity;
namespace hv = host::views;

// One deletion case: an object set up by the test, the status, whether the
// object is gone afterwards and how many model updates ran.
struct Case {
    std::string what;
    unsigned int object;
    int status;
    bool gone;
    int updates;
};

TEST_F(Delete, EachKindFollowsItsRule) {
    const unsigned int current = hv::make_drawing(part, true);
    const unsigned int other_drawing = hv::make_drawing(part, false);
    const unsigned int used_line = make(3);
    he::attrs(used_line).in_use = true;
    const unsigned int used_bnd = make(25, 6);
    he::attrs(used_bnd).in_use = true;
    const unsigned int busy_sketch = hv::make_sketch(part, {}, 4);
    const unsigned int occ = hv::make_occurrence(part, 3);
    const unsigned int building = make(3);
    he::attrs(building).state = 1;
    const unsigned int promoted = make(3);
    he::attrs(promoted).state = 1;
    he::attrs(promoted).promoted = true;
    const unsigned int in_use_32 = make(32);
    he::attrs(in_use_32).in_use = true;
    const unsigned int feature = host::feature::create(part, "BLOCK");
    const std::vector<Case> cases = {
        {"line", line, 0, true, 1},
        {"line used by others", used_line, 1155000, false, 0},
        {"boundary 25/6 in use", used_bnd, 1155000, false, 0},
        {"boundary 25/0 in use",
         [&] {
             auto t = make(25, 0);
             he::attrs(t).in_use = true;
             return t;
         }(),
         0, true, 1},
        {"view of current drawing", hv::make_view(current, 1), 0, true, 0},
        {"view of another drawing", hv::make_view(other_drawing, 1), 1155000, false, 0},
        {"view subtype 7", hv::make_view(current, 7), 1155000, false, 0},
        {"current drawing", current, 1155000, false, 0},
        {"other drawing", other_drawing, 0, true, 0},
        {"component", hv::make_component(part), 0, true, 0},
        {"type 63 subtype 2", make(63, 2), 1155000, false, 0},
        {"reference set", make(64), 0, true, 0},
        {"sketch being edited", busy_sketch, 1155000, false, 0},
        {"idle sketch", hv::make_sketch(part, {}, 0), 0, true, 0},
        {"drafting object", make(155), 0, true, 0},
        {"feature record", feature, 0, true, 0},
        {"type 11", make(11), 1155000, false, 0},
        {"type 202", make(202), 1155000, false, 0},
        {"occurrence", occ, 1105004, false, 0},
        {"under construction", building, 1105004, false, 0},
        {"promoted, not complete", promoted, 0, true, 1},
        {"type 32 deletes itself", make(32), 0, true, 1},
        {"type 32 in use", in_use_32, 1155000, false, 1},
        {"body", hv::make_body(part, 2).body, 0, true, 1},
        {"point", point, 0, true, 1},
        {"null tag", NULL_TAG, 1105004, false, 0},
        {"the part itself", part, 1105004, false, 0},
        {"expression", host::objects::create({OM_CLASS_EXPRESSION, 0, 0, part}), 1105004, false, 0},
    };
    for (const Case& c : cases) {
        const int before = he::updates_run();
        EXPECT_EQ(KX_OBJ_delete_object(c.object), c.status) << c.what;
        if (c.object) {
            EXPECT_EQ(!alive(c.object), c.gone) << c.what;
        }
        EXPECT_EQ(he::updates_run() - before, c.updates) << c.what;
        EXPECT_FALSE(LM_is_list_open(1)) << c.what;
    }
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(Delete, InsideAnOpenListOnlyLogs) {
    LM_open_list_for_delete();
    EXPECT_EQ(KX_OBJ_delete_object(arc), 0);
    EXPECT_TRUE(alive(arc));
    EXPECT_EQ(he::updates_run(), 0);
    EXPECT_EQ(UPDATE_do_update(), 0);
    EXPECT_FALSE(alive(arc));
}

TEST_F(Delete, GroupIsLoggedThenReleasesItsMembers) {
    const unsigned int group = hv::make_group(part, {line, arc});
    EXPECT_EQ(KX_OBJ_delete_object(group), 0);
    EXPECT_TRUE(host::control::called_before("UPDATE_log_entity_to_delete", "es1512_"));
    EXPECT_TRUE(host::control::called_before("es1512_", "UPDATE_do_update"));
    EXPECT_FALSE(alive(group));
    EXPECT_TRUE(alive(line));
    EXPECT_TRUE(alive(arc));
}

TEST_F(Delete, FacesAreLoggedOnlyAsTheOnlyFaceOfTheirBody) {
    const hv::Body single = hv::make_body(part, 1);
    const hv::Body triple = hv::make_body(part, 3);
    EXPECT_EQ(KX_OBJ_delete_object(single.faces[0]), 0);
    EXPECT_FALSE(alive(single.faces[0]));
    EXPECT_EQ(KX_OBJ_delete_object(triple.faces[1]), 0);
    EXPECT_TRUE(alive(triple.faces[1]));
    EXPECT_EQ(host::control::call_count("UPDATE_log_entity_to_delete"), 1);
}

TEST_F(Delete, WorkCoordinateSystemGoesOnlyWhenReorientingReplacesIt) {
    const unsigned int wcs = host::wcs::make_wcs(part);
    EXPECT_EQ(KX_OBJ_delete_object(wcs), 0);
    EXPECT_FALSE(alive(wcs));
    EXPECT_NE(WCS_ask_tag(), wcs);
    EXPECT_TRUE(alive(WCS_ask_tag()));

    const unsigned int again = WCS_ask_tag();
    host::control::return_status("base_WCS_Orient", 0);  // the host keeps the old one
    EXPECT_EQ(KX_OBJ_delete_object(again), 1105004);
    EXPECT_TRUE(alive(again));
    EXPECT_EQ(WCS_ask_tag(), again);
}

TEST_F(Delete, HostErrorWhileLoggingLeavesNoListOpen) {
    host::control::raise_on("UPDATE_log_entity_to_delete", 670055);
    EXPECT_EQ(KX_OBJ_delete_object(line), 670055);
    EXPECT_FALSE(LM_is_list_open(1));
    EXPECT_EQ(host::control::call_count("LM_abort_list"), 1);
    EXPECT_TRUE(alive(line));
    EXPECT_EQ(host::control::frame_depth(), 0);
    host::control::clear_scripts();
    EXPECT_EQ(KX_OBJ_delete_object(line), 0);  // the next deletion works as usual
    EXPECT_FALSE(alive(line));
}

TEST_F(Delete, ArrayWithStatusesReportsEachAndUpdatesOnce) {
    he::attrs(arc).in_use = true;
    const unsigned int objects[] = {line, arc, spline};
    int* statuses = nullptr;
    EXPECT_EQ(KX_OBJ_delete_array_of_objects(3, objects, &statuses), 0);
    ASSERT_NE(statuses, nullptr);
    EXPECT_EQ(statuses[0], 0);
    EXPECT_EQ(statuses[1], 1155000);
    EXPECT_EQ(statuses[2], 0);
    KX_free(statuses);
    EXPECT_EQ(he::updates_run(), 1);
    EXPECT_FALSE(alive(line));
    EXPECT_TRUE(alive(arc));
    EXPECT_FALSE(alive(spline));
}

TEST_F(Delete, ArrayWithoutStatusesAnswersTheLastFailure) {
    const unsigned int drawing = hv::make_drawing(part, true);
    const unsigned int occ = hv::make_occurrence(part, 3);
    const unsigned int objects[] = {occ, line, NULL_TAG, drawing, point};
    EXPECT_EQ(KX_OBJ_delete_array_of_objects(5, objects, nullptr), 1155000);
    EXPECT_FALSE(alive(line));
    EXPECT_FALSE(alive(point));
    const unsigned int nulls[] = {NULL_TAG};
    EXPECT_EQ(KX_OBJ_delete_array_of_objects(1, nulls, nullptr), 1105004);
}

TEST_F(Delete, ArrayHostErrorHandsBackNothingAndClosesTheList) {
    host::control::raise_on("UPDATE_log_entity_to_delete", 670055, 2);
    const unsigned int objects[] = {line, arc, spline};
    int* statuses = reinterpret_cast<int*>(0x1);
    const std::size_t blocks = host::control::live_blocks();
    EXPECT_EQ(KX_OBJ_delete_array_of_objects(3, objects, &statuses), 670055);
    EXPECT_EQ(statuses, nullptr);
    EXPECT_EQ(host::control::live_blocks(), blocks);
    EXPECT_FALSE(LM_is_list_open(1));
    EXPECT_TRUE(alive(line));  // the logged one was never deleted: the list was aborted
    EXPECT_EQ(host::control::frame_depth(), 0);
}

// A deletion fails whole: a host error at any host call of the deletion
// (one run per call of a clean run, each from the same start) leaves every
// object, the model and the live blocks as before it.
TEST_F(Delete, HostErrorAnywhereTakesTheDeletionBack) {
    struct Row {
        const char* what;
        // On the line, arc and spline; statuses asked for go to *statuses.
        std::function<int(const unsigned int (&)[3], int** statuses)> call;
    };
    const Row rows[] = {
        {"KX_OBJ_delete_object", [](const unsigned int (&o)[3], int**) { return KX_OBJ_delete_object(o[0]); }},
        {"KX_OBJ_delete_array_of_objects with statuses",
         [](const unsigned int (&o)[3], int** statuses) { return KX_OBJ_delete_array_of_objects(3, o, statuses); }},
        {"KX_OBJ_delete_array_of_objects",
         [](const unsigned int (&o)[3], int**) { return KX_OBJ_delete_array_of_objects(3, o, nullptr); }}};
    for (const Row& r : rows) {
        TearDown();
        SetUp();
        host::control::clear_journal();
        int* statuses = nullptr;
        ASSERT_EQ(r.call({line, arc, spline}, &statuses), 0) << r.what;
        KX_free(statuses);
        // The host calls of the clean run, each with its occurrence; the
        // error service's own bookkeeping does not fail.
        for (const auto& [name, nth] : kxtest::host_call_points()) {
            SCOPED_TRACE(std::string(r.what) + " with " + name + " #" + std::to_string(nth));
            TearDown();
            SetUp();
            const std::string before = host::control::model_fingerprint();
            const std::size_t blocks = host::control::live_blocks();
            host::control::raise_on(name.c_str(), 670055, nth);
            statuses = nullptr;
            const int st = r.call({line, arc, spline}, &statuses);
            host::control::clear_scripts();
            if (st != 0) EXPECT_EQ(statuses, nullptr);
            KX_free(statuses);
            EXPECT_EQ(host::control::frame_depth(), 0);
            if (st != 0) {
                EXPECT_EQ(host::control::model_fingerprint(), before);
                EXPECT_EQ(host::control::live_blocks(), blocks);
            }
        }
    }
}

TEST_F(Delete, ArrayArgumentsAreCheckedBeforeTheSession) {
    kx_reset_session_for_tests();
    const unsigned int objects[] = {line};
    EXPECT_EQ(KX_OBJ_delete_array_of_objects(0, objects, nullptr), 1105004);
    EXPECT_EQ(KX_OBJ_delete_array_of_objects(1, nullptr, nullptr), 1105005);
    EXPECT_EQ(KX_OBJ_delete_array_of_objects(1, objects, nullptr), 1105000);
    EXPECT_EQ(KX_OBJ_delete_object(line), 1105000);
    EXPECT_TRUE(alive(line));
}

// ---- Exchange of object data -------------------------------------------------------

TEST_F(Exchange, KeptObjectTakesTheDataAndKeepsItsViews) {
    const unsigned int drawing = hv::make_drawing(part, true);
    const unsigned int v1 = hv::make_view(drawing, 1);
    const unsigned int v2 = hv::make_view(drawing, 1);
    ES_VDG_make_dependent(line, v1);
    ES_VDG_make_dependent(line, v2);
    ES_set_view_dependent(line, 1);
    ES_VDG_make_dependent(arc, v1);
    host::control::clear_journal();

    EXPECT_EQ(KX_OBJ_replace_object_data(line, arc), 0);
    EXPECT_EQ(host::objects::find(line)->type, 5);
    EXPECT_EQ(he::views_of(line), (std::vector<unsigned int>{v1, v2}));
    EXPECT_TRUE(he::attrs(line).view_dependent);
    EXPECT_TRUE(he::views_of(arc).empty());
    EXPECT_FALSE(he::attrs(arc).view_dependent);
    const auto log = host::edit_log::update_log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().object, line);
    EXPECT_TRUE(host::control::called_before("RM_replace_object_data", "DSS_REGEN_regen_object"));
    EXPECT_EQ(he::updates_run(), 1);
    EXPECT_FALSE(LM_is_list_open(1));
}

TEST_F(Exchange, ChecksNameTheFailingObject) {
    const unsigned int other_part = host::parts::create("other.prt");
    const unsigned int foreign = make(3, 0, other_part);
    const unsigned int body = hv::make_body(part, 1).body;
    const unsigned int incomplete = make(3);
    he::attrs(incomplete).state = 2;
    struct Row {
        const char* what;
        unsigned int kept, other;
        int status;
    };
    const Row rows[] = {
        {"null kept", NULL_TAG, arc, 1105004},
        {"body kept", body, arc, 1105004},
        {"incomplete kept", incomplete, arc, 1105004},
        {"same tag", line, line, 1105005},
        {"other part", line, foreign, 1105005},
        {"null other", line, NULL_TAG, 1105005},
        {"occurrence", line, hv::make_occurrence(part, 3), 1105005},
    };
    for (const Row& r : rows) EXPECT_EQ(KX_OBJ_replace_object_data(r.kept, r.other), r.status) << r.what;
    EXPECT_EQ(host::control::call_count("RM_replace_object_data"), 0);
    // The frame is armed before the session check.
    kx_reset_session_for_tests();
    host::control::clear_journal();
    EXPECT_EQ(KX_OBJ_replace_object_data(line, arc), 1105000);
    EXPECT_EQ(host::control::call_count("ERROR_set_handler"), 1);
}

TEST_F(Exchange, HostErrorAbortsTheList) {
    host::control::raise_on("RM_replace_object_data", 670031);
    EXPECT_EQ(KX_OBJ_replace_object_data(line, arc), 670031);
    EXPECT_EQ(host::control::call_count("LM_abort_list"), 1);
    EXPECT_FALSE(LM_is_list_open(1));
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(Exchange, ArrayStopsAtTheFirstBadPairAndRestoresTheCurrentList) {
    LM_change_current_list(3);
    const unsigned int kept[] = {line, spline, point};
    const unsigned int others[] = {arc, spline, ellipse};
    EXPECT_EQ(KX_OBJ_replace_object_array_data(3, kept, others), 1105006);
    EXPECT_EQ(host::objects::find(line)->type, 5);   // first pair done
    EXPECT_EQ(host::objects::find(point)->type, 2);  // third never reached
    EXPECT_EQ(host::entity::current_list(), 3);
    EXPECT_EQ(host::control::call_count("DSS_REGEN_regen_objs_in_views"), 0);
    EXPECT_TRUE(LM_is_list_open(1));  // the logged updates wait for the next model update
    EXPECT_EQ(he::updates_run(), 0);
}

TEST_F(Exchange, ArrayHostErrorAbortsTheListAndRestoresTheCurrentList) {
    LM_change_current_list(2);
    host::control::raise_on("RM_replace_object_data", 670031, 2);
    const unsigned int kept[] = {line, point};
    const unsigned int others[] = {arc, ellipse};
    EXPECT_EQ(KX_OBJ_replace_object_array_data(2, kept, others), 670031);
    EXPECT_EQ(host::control::call_count("LM_abort_list"), 1);
    EXPECT_FALSE(LM_is_list_open(1));
    EXPECT_EQ(host::entity::current_list(), 2);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(Exchange, ArrayRegeneratesAllKeptObjectsWhenEveryPairSucceeds) {
    const unsigned int kept[] = {line, point};
    const unsigned int others[] = {arc, ellipse};
    EXPECT_EQ(KX_OBJ_replace_object_array_data(2, kept, others), 0);
    ASSERT_EQ(hv::log().regen_in_views.size(), 1u);
    EXPECT_EQ(hv::log().regen_in_views[0], (std::vector<unsigned int>{line, point}));
    EXPECT_EQ(host::control::call_count("LM_open_list"), 1);
    EXPECT_EQ(host::entity::current_list(), 1);
}

}  // namespace
