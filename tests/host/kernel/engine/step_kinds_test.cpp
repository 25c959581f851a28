// The kinds of step a body keeps are written to part files by number: each
// kind keeps the number files were written with, every number names one
// kind, and a number no kind has is none.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <utility>

#include "host/kernel/engine/step_kinds.h"

namespace {

namespace hd = host::kernel::detail;

TEST(StepKinds, EveryKindKeepsTheNumberFilesWereWrittenWith) {
    static const std::pair<std::uint32_t, const char*> kinds[] = {
        {0, "block"},           {1, "cylinder"},       {2, "cone"},          {3, "sphere"},
        {4, "torus"},           {5, "prism"},          {6, "wire"},          {7, "acorn"},
        {8, "extrude"},         {9, "revolve"},        {10, "sweep"},        {11, "boolean"},
        {12, "blend"},          {13, "chamfer"},       {14, "transform"},    {15, "mirror"},
        {16, "scale"},          {17, "split"},         {18, "trim"},         {19, "hollow"},
        {20, "thicken"},        {21, "offset"},        {22, "section"},      {23, "imported"},
        {24, "plane"},          {25, "loft"},          {26, "sew"},          {27, "points_sheet"},
        {28, "bsurface"},       {29, "offset_faces"},  {30, "cut_sheet"},    {31, "mesh"},
        {32, "face_blend"},     {33, "first_piece"},   {34, "varying_blend"}, {35, "tool"},
        {36, "section_sweep"},  {37, "faces_to_plane"}, {38, "resize_faces"}, {39, "region_transform"},
        {40, "offset_region"},  {41, "hollow_faces"},  {42, "sew_faces"},    {43, "subdivide_face"},
        {44, "merge_faces"},
    };
    for (const auto& [number, name] : kinds) {
        const hd::StepKind* k = hd::find_step_kind(number);
        ASSERT_NE(k, nullptr) << "no kind has number " << number;
        EXPECT_STREQ(k->name, name);
        EXPECT_EQ(k->number, number);
        EXPECT_NE(k->run, nullptr) << name;
    }
    EXPECT_EQ(hd::step_kinds().size(), std::size(kinds));
}

TEST(StepKinds, ANumberNoKindHasIsNone) {
    EXPECT_EQ(hd::find_step_kind(45), nullptr);
    EXPECT_EQ(hd::find_step_kind(UINT32_MAX), nullptr);
}

// The naming of a result depends on these: a body made from others that
// stay takes none of their tags, nor does the front of a split.
TEST(StepKinds, KindsSayWhatTheNamingNeeds) {
    for (std::uint32_t n : {8u, 9u, 10u, 22u, 24u, 25u, 31u})
        EXPECT_TRUE(hd::find_step_kind(n)->flags & hd::kStepFromOthers) << hd::find_step_kind(n)->name;
    for (std::uint32_t n : {11u, 12u, 17u, 26u, 23u})
        EXPECT_FALSE(hd::find_step_kind(n)->flags & hd::kStepFromOthers) << hd::find_step_kind(n)->name;
    EXPECT_TRUE(hd::find_step_kind(17)->flags & hd::kStepFrontByMode);
    EXPECT_TRUE(hd::find_step_kind(30)->flags & hd::kStepFrontByMode);
    EXPECT_FALSE(hd::find_step_kind(18)->flags & hd::kStepFrontByMode);
    for (std::uint32_t n : {0u, 1u, 2u, 3u, 4u, 5u, 35u})
        EXPECT_TRUE(hd::find_step_kind(n)->flags & hd::kStepFromNumbers) << hd::find_step_kind(n)->name;
    for (std::uint32_t n : {6u, 7u, 8u, 11u})
        EXPECT_FALSE(hd::find_step_kind(n)->flags & hd::kStepFromNumbers) << hd::find_step_kind(n)->name;
}

void never_runs(const host::Call&, hd::Step&, const TopoDS_Shape&, const hd::Named*) {}

TEST(StepKindsDeathTest, TwoKindsWithOneNumberStopTheProgram) {
    static const hd::StepKind other = {3, "other", never_runs, 0};
    EXPECT_DEATH(
        {
            hd::StepKindRegistration clash{other};
            hd::find_step_kind(0);
        },
        "step kinds sphere and other both have number 3");
}

}  // namespace
