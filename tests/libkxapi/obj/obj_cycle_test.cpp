// Cycling through a part's objects: by type, all, by name, by name and type.
#include <vector>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/views.h"
#include "host/model/feature/feature.h"
#include "host/base/services/error.h"
#include "host/platform/support/support.h"
#include "kx_obj.h"
#include "obj_fixture.h"

namespace {

using Cycle = ObjectsTest;
namespace hv = host::views;

std::vector<unsigned int> by_type(unsigned int part, int type) {
    std::vector<unsigned int> seen;
    unsigned int t = NULL_TAG;
    do {
        EXPECT_EQ(KX_OBJ_cycle_objs_in_part(part, type, &t), 0);
        if (t) seen.push_back(t);
    } while (t != NULL_TAG && seen.size() < 100);
    return seen;
}

TEST_F(Cycle, ByTypeInCreationOrderThenNull) {
    const unsigned int line2 = make(3);
    const unsigned int other = host::parts::create("other.prt");
    make(3, 0, other);
    const unsigned int f1 = host::feature::create(part, "BLOCK");
    const unsigned int f2 = host::feature::create(part, "HOLE");
    EXPECT_EQ(by_type(part, 3), (std::vector<unsigned int>{line, line2}));
    EXPECT_EQ(by_type(part, 205), (std::vector<unsigned int>{f1, f2}));
    EXPECT_TRUE(by_type(part, 77).empty());
    host::objects::destroy(line);  // a cycle goes on after its last object died
    unsigned int t = line;
    EXPECT_EQ(KX_OBJ_cycle_objs_in_part(part, 3, &t), 0);
    EXPECT_EQ(t, line2);
    EXPECT_EQ(KX_OBJ_cycle_objs_in_part(NULL_TAG, 3, &t), 1105012);
}

TEST_F(Cycle, PartClassIsCheckedAtARaisedCheckingLevel) {
    unsigned int t = NULL_TAG;
    host::control::set_checking_level(1);
    EXPECT_EQ(KX_OBJ_cycle_objs_in_part(line, 3, &t), HOST_ERR_WRONG_CLASS);
    EXPECT_EQ(KX_OBJ_cycle_all(line, NULL_TAG), NULL_TAG);
    host::control::set_checking_level(0);
    host::control::clear_journal();
    EXPECT_EQ(KX_OBJ_cycle_objs_in_part(part, 3, &t), 0);
    EXPECT_EQ(host::control::call_count("OM_check_tag_class"), 0);
}

TEST_F(Cycle, AllGivesEntitiesThenFeatureRecordsThenNull) {
    const unsigned int f1 = host::feature::create(part, "BLOCK");
    const unsigned int late = make(45);
    std::vector<unsigned int> seen;
    for (unsigned int t = KX_OBJ_cycle_all(part, NULL_TAG); t != NULL_TAG && seen.size() < 100;
         t = KX_OBJ_cycle_all(part, t))
        seen.push_back(t);
    EXPECT_EQ(seen, (std::vector<unsigned int>{point, line, arc, ellipse, spline, late, f1}));
}

TEST_F(Cycle, AllAnswersNullOnEveryFailure) {
    host::control::give_outputs("PART_partially_loaded", {1});
    EXPECT_EQ(KX_OBJ_cycle_all(part, NULL_TAG), NULL_TAG);
    EXPECT_EQ(KX_OBJ_cycle_all(part, line), arc);  // only the start is refused
    host::control::clear_scripts();
    EXPECT_EQ(KX_OBJ_cycle_all(NULL_TAG, NULL_TAG), NULL_TAG);
    host::control::raise_on("RM_next_entity", 670003);
    EXPECT_EQ(KX_OBJ_cycle_all(part, line), NULL_TAG);
    EXPECT_EQ(host::control::frame_depth(), 0);
    host::control::clear_scripts();
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_OBJ_cycle_all(part, NULL_TAG), NULL_TAG);
}

TEST_F(Cycle, ByNameReachesFeatureRecordsOnlyFromAStart) {
    const unsigned int feature = host::feature::create(part, "BLOCK");
    ASSERT_EQ(KX_OBJ_set_name(arc, "block"), 0);
    unsigned int t = NULL_TAG;
    EXPECT_EQ(KX_OBJ_cycle_by_name("Block", &t), 0);
    EXPECT_EQ(t, arc);
    EXPECT_EQ(KX_OBJ_cycle_by_name("Block", &t), 0);
    EXPECT_EQ(t, NULL_TAG);  // from an entity: no feature records
    t = NULL_TAG;
    ASSERT_EQ(KX_OBJ_delete_name(arc), 0);
    EXPECT_EQ(KX_OBJ_cycle_by_name("block", &t), 0);
    EXPECT_EQ(t, feature);  // from the start: on to the feature records
    EXPECT_EQ(KX_OBJ_cycle_by_name("block", &t), 0);
    EXPECT_EQ(t, NULL_TAG);
}

TEST_F(Cycle, ByNameCutsTheNameAndChecksItsArguments) {
    const std::string thirty(30, 'Q');
    ASSERT_EQ(KX_OBJ_set_name(spline, thirty.c_str()), 0);
    unsigned int t = NULL_TAG;
    EXPECT_EQ(KX_OBJ_cycle_by_name((thirty + "qqq").c_str(), &t), 0);
    EXPECT_EQ(t, spline);
    EXPECT_EQ(KX_OBJ_cycle_by_name("x", nullptr), 1105004);
    EXPECT_EQ(KX_OBJ_cycle_by_name(nullptr, &t), 1105004);
    host::parts::set_work_part(0);
    t = NULL_TAG;
    EXPECT_EQ(KX_OBJ_cycle_by_name("x", &t), 1105012);
    kx_reset_session_for_tests();
    host::control::clear_journal();
    EXPECT_EQ(KX_OBJ_cycle_by_name("x", &t), 1105000);
    EXPECT_EQ(host::control::call_count("CONTEXT_ask_work_part"), 0);
}

TEST_F(Cycle, ByNameAndTypeSkipsOccurrencesInsteadOfStopping) {
    const unsigned int occ = hv::make_occurrence(part, 3);
    const unsigned int line2 = make(3);
    for (unsigned int t : {occ, line2}) ASSERT_EQ(KX_OBJ_set_name(t, "rod"), 0);
    unsigned int t = NULL_TAG;
    EXPECT_EQ(KX_OBJ_cycle_by_name_and_type(part, "ROD", 3, false, &t), 0);
    EXPECT_EQ(t, line2);
    t = NULL_TAG;
    EXPECT_EQ(KX_OBJ_cycle_by_name_and_type(part, "rod", 3, true, &t), 0);
    EXPECT_EQ(t, occ);
    EXPECT_EQ(KX_OBJ_cycle_by_name_and_type(part, "rod", 3, true, &t), 0);
    EXPECT_EQ(t, line2);
    EXPECT_EQ(KX_OBJ_cycle_by_name_and_type(part, "rod", 3, true, &t), 0);
    EXPECT_EQ(t, NULL_TAG);
}

// A search by name steps through the host's index of names: one step finds
// the next object of that name, however many objects lie between.
TEST_F(Cycle, ByNameStepsOncePerObjectFound) {
    for (int i = 0; i < 200; ++i) make(3);
    const unsigned int late = make(2);
    ASSERT_EQ(KX_OBJ_set_name(late, "far"), 0);
    host::control::clear_journal();
    unsigned int t = NULL_TAG;
    EXPECT_EQ(KX_OBJ_cycle_by_name("FAR", &t), 0);
    EXPECT_EQ(t, late);
    EXPECT_EQ(host::control::call_count("ES_cycle_entities_by_name"), 1);
    EXPECT_EQ(host::control::call_count("es0067_"), 0);
    EXPECT_EQ(host::control::call_count("ES_read_entity_name"), 0);
}

// Objects of the name but of another type are passed over, in creation
// order, and the search ends with the last of the name.
TEST_F(Cycle, ByNameAndTypePassesOverOtherTypesOfTheName) {
    const unsigned int line2 = make(3);
    for (unsigned int o : {point, line, arc, line2}) ASSERT_EQ(KX_OBJ_set_name(o, "pin"), 0);
    struct Case {
        int type;
        std::vector<unsigned int> found;
    };
    const Case cases[] = {{3, {line, line2}}, {2, {point}}, {5, {arc}}, {6, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        std::vector<unsigned int> seen;
        unsigned int t = NULL_TAG;
        do {
            ASSERT_EQ(KX_OBJ_cycle_by_name_and_type(part, "Pin", c.type, false, &t), 0);
            if (t) seen.push_back(t);
        } while (t != NULL_TAG && seen.size() < 10);
        EXPECT_EQ(seen, c.found);
    }
}

TEST_F(Cycle, ByNameAndTypeComparesTheWholeNameAndChecksItsArguments) {
    const std::string thirty(30, 'W');
    ASSERT_EQ(KX_OBJ_set_name(line, thirty.c_str()), 0);
    unsigned int t = NULL_TAG;
    EXPECT_EQ(KX_OBJ_cycle_by_name_and_type(part, (thirty + "W").c_str(), 3, false, &t), 0);
    EXPECT_EQ(t, NULL_TAG);
    EXPECT_EQ(KX_OBJ_cycle_by_name_and_type(part, nullptr, 3, false, &t), 1105005);
    EXPECT_EQ(KX_OBJ_cycle_by_name_and_type(part, "a", 3, false, nullptr), 1105013);
    EXPECT_EQ(KX_OBJ_cycle_by_name_and_type(line, "a", 3, false, &t), 1105012);
    EXPECT_EQ(KX_OBJ_cycle_by_name_and_type(NULL_TAG, "a", 3, false, &t), 1105012);
    const unsigned int feature = host::feature::create(part, "HOLE");
    EXPECT_EQ(KX_OBJ_cycle_by_name_and_type(part, "hole", 205, false, &t), 0);
    EXPECT_EQ(t, feature);
}

}  // namespace
