// Object functions that answer a value rather than a status: a host error
// met on the way gives the failure's answer (no promotion, the end of a
// cycle) and is acknowledged as handled, so that no error stays pending
// for the host to report again.
#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "host/store/entities/entity_store.h"
#include "kx_obj.h"
#include "obj_fixture.h"

namespace {

constexpr int kCode = 670077;

struct Row {
    const char* name;
    const char* routine;  // the host routine that raises
    int nth;              // at its n-th call
    std::function<unsigned int(unsigned int part, unsigned int line, unsigned int arc)> call;
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class ValueAnswerFailure : public ObjectsTest, public ::testing::WithParamInterface<Row> {};

TEST_P(ValueAnswerFailure, AnswersTheFailureValueAndAcknowledgesTheError) {
    const Row& row = GetParam();
    host::entity::attrs(line).promoted = true;
    host::control::raise_on(row.routine, kCode, row.nth);
    const unsigned int answer = row.call(part, line, arc);
    host::control::clear_scripts();
    EXPECT_EQ(answer, 0u);
    const std::vector<int> acknowledged = host::control::acknowledged_codes();
    EXPECT_NE(std::find(acknowledged.begin(), acknowledged.end(), kCode), acknowledged.end());
    EXPECT_EQ(host::control::frame_depth(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ValueAnswerFailure,
    ::testing::Values(
        Row{"PromotionQuery", "PROM_is_object_a_promotion", 1,
            [](unsigned int, unsigned int line, unsigned int) {
                return static_cast<unsigned int>(KX_OBJ_is_object_a_promotion(line));
            }},
        Row{"CycleStartPartlyLoadedQuery", "PART_partially_loaded", 1,
            [](unsigned int part, unsigned int, unsigned int) { return KX_OBJ_cycle_all(part, NULL_TAG); }},
        Row{"CycleStart", "RM_start_cycle_in_part", 1,
            [](unsigned int part, unsigned int, unsigned int) { return KX_OBJ_cycle_all(part, NULL_TAG); }},
        Row{"CycleStepType", "RM_ask_entity_type", 1,
            [](unsigned int part, unsigned int, unsigned int arc) { return KX_OBJ_cycle_all(part, arc); }},
        Row{"CycleStepNext", "RM_next_entity", 1,
            [](unsigned int part, unsigned int, unsigned int arc) { return KX_OBJ_cycle_all(part, arc); }}),
    [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

TEST_F(ObjectsTest, PromotionAnswersStayAsBeforeWithoutAnError) {
    host::entity::attrs(arc).promoted = true;
    EXPECT_TRUE(KX_OBJ_is_object_a_promotion(arc));
    EXPECT_FALSE(KX_OBJ_is_object_a_promotion(line));
    EXPECT_TRUE(host::control::acknowledged_codes().empty());
}

}  // namespace
