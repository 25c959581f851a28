// A subtraction that cuts a body in two: the target keeps the first piece
// and answers its faces and edges, the other piece is a body of its own;
// both keep their volumes and faces through updates, deletions of other
// objects, undo, and a save and reopen in a fresh session.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "kx_core.h"
#include "kx_curve.h"
#include "kx_modl.h"
#include "kx_modl_exp.h"
#include "kx_obj.h"
#include "kx_undo.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/kx_session.h"
#include "libkxapi/core/kx_list.h"
#include "tests/support/part_files.h"

namespace {

constexpr double kPi = std::numbers::pi;

// One piece as the queries see it.
struct Piece {
    double volume;
    int faces, edges;
};

struct Row {
    const char* name;
    // Makes the target (a feature in the part) and the tool's body.
    std::function<tag(unsigned int part, tag* tool)> make;
    Piece first, second;  // the pieces, in any order
    // Which expression of the target's first feature grows it along the
    // cut, to what, and the volumes of the pieces after it.
    int grown_exp;
    const char* grown_to;
    double first_grown, second_grown;
};

unsigned int feature(unsigned int part, const char* kind, std::vector<const char*> formulas, std::vector<double> numbers) {
    unsigned int t = 0;
    EXPECT_EQ(FEAT_create(part, kind, int(formulas.size()), formulas.data(), int(numbers.size()), numbers.data(), 0,
                          nullptr, 0, 0, &t),
              0)
        << kind;
    return t;
}

// The area of a disc of radius r within |z| <= h of its centre, on one
// side of the centre line x = 0.
double half_disc_in_strip(double r, double h) { return h * std::sqrt(r * r - h * h) + r * r * std::asin(h / r); }

const double kHole = half_disc_in_strip(15, 10);

const Row kRows[] = {
    {"a slab across a block",
     [](unsigned int part, tag* tool) {
         *tool = FREC_ask_body(feature(part, "BLOCK", {"12", "45", "26"}, {45, -5, -5}));
         return feature(part, "BLOCK", {"120", "35", "16"}, {0, 0, 0});
     },
     {45 * 35 * 16, 6, 12},
     {63 * 35 * 16, 6, 12},
     0,
     "=150",
     45 * 35 * 16,
     93 * 35 * 16},
    {"a slab across a cylinder",
     [](unsigned int part, tag* tool) {
         *tool = FREC_ask_body(feature(part, "BLOCK", {"40", "40", "8"}, {-20, -20, 25}));
         return feature(part, "CYLINDER", {"30", "70"}, {0, 0, 0, 0, 0, 1});
     },
     {kPi * 225 * 25, 3, 3},
     {kPi * 225 * 37, 3, 3},
     1,
     "=90",
     kPi * 225 * 25,
     kPi * 225 * 57},
    {"a cylinder wider than a bar",
     [](unsigned int part, tag* tool) {
         // Across the bar's width (its seam lies outside the bar).
         *tool = FREC_ask_body(feature(part, "CYLINDER", {"30", "30"}, {38, -5, 10, 0, 1, 0}));
         return feature(part, "BLOCK", {"100", "20", "20"}, {0, 0, 0});
     },
     {(38 * 20 - kHole) * 20, 6, 12},
     {(62 * 20 - kHole) * 20, 6, 12},
     0,
     "=130",
     (38 * 20 - kHole) * 20,
     (92 * 20 - kHole) * 20},
};

class SplitBody : public ::testing::TestWithParam<Row> {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        std::string name = GetParam().name;
        std::replace(name.begin(), name.end(), ' ', '_');
        file_ = (std::filesystem::temp_directory_path() / ("kx_split_body_" + name + ".prt")).string();
        std::filesystem::remove(file_);
        part_ = host::parts::create(file_);
        CONTEXT_set_work_part(part_);
    }
    void TearDown() override {
        fresh();
        std::filesystem::remove(file_);
    }
    static void fresh() {
        kx_reset_callbacks_for_tests();
        kx_reset_session_for_tests();
        host::control::reset();
    }

    static std::vector<tag> members(tag body, bool faces) {
        tag_list* list = nullptr;
        EXPECT_EQ(faces ? KX_MODL_ask_body_faces(body, &list) : KX_MODL_ask_body_edges(body, &list), 0);
        std::vector<tag> out = kx::tags_of(list);
        KX_MODL_delete_list(&list);
        return out;
    }
    static double volume(tag body) {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), p);
        return p[ZQ_MP_VOLUME];
    }
    // The solid bodies of the part.
    std::vector<tag> bodies() const {
        std::vector<tag> out;
        for (tag t = NULL_TAG; KX_OBJ_cycle_objs_in_part(part_, 70, &t) == 0 && t != NULL_TAG;) {
            int type = 0, subtype = -1;
            KX_OBJ_ask_type_and_subtype(t, &type, &subtype);
            if (subtype == 0) out.push_back(t);
        }
        return out;
    }

    // The part holds the two pieces and nothing else; each answers its own
    // faces and edges, and the target (when given) and the other piece
    // (when given) are among them, the target with the boolean.
    // Counts of -1 are not checked.
    void expect_pieces(const Piece& a, const Piece& b, tag target = NULL_TAG, tag other = NULL_TAG) const {
        const std::vector<tag> all = bodies();
        ASSERT_EQ(all.size(), 2u);
        std::vector<Piece> got;
        for (tag body : all) {
            const std::vector<tag> faces = members(body, true), edges = members(body, false);
            for (tag f : faces) {
                tag owner = NULL_TAG;
                EXPECT_EQ(KX_MODL_ask_face_body(f, &owner), 0);
                EXPECT_EQ(owner, body);
            }
            got.push_back({volume(body), int(faces.size()), int(edges.size())});
        }
        if (got[0].volume > got[1].volume) std::swap(got[0], got[1]);
        const Piece& small = a.volume < b.volume ? a : b;
        const Piece& large = a.volume < b.volume ? b : a;
        for (auto [want, have] : {std::pair{small, got[0]}, std::pair{large, got[1]}}) {
            EXPECT_NEAR(have.volume, want.volume, 1e-6 * want.volume);
            EXPECT_GT(have.faces, 0);
            if (want.faces >= 0) EXPECT_EQ(have.faces, want.faces);
            if (want.edges >= 0) EXPECT_EQ(have.edges, want.edges);
        }
        for (tag t : {target, other})
            if (t != NULL_TAG) EXPECT_NE(std::find(all.begin(), all.end(), t), all.end()) << t;
        if (target != NULL_TAG) EXPECT_EQ(boolean_of(target).size(), 1u);
    }
    // The subtractions among the features of a body.
    static std::vector<tag> boolean_of(tag body) {
        tag_list* list = nullptr;
        EXPECT_EQ(KX_MODL_ask_body_feats(body, &list), 0);
        std::vector<tag> out;
        for (tag f : kx::tags_of(list)) {
            char* type = nullptr;
            if (KX_MODL_ask_feat_type(f, &type) == 0 && std::string(type) == "SUBTRACT") out.push_back(f);
            KX_free(type);
        }
        KX_MODL_delete_list(&list);
        return out;
    }
    // Gives expression `index` of the target's first feature the value.
    static void grow(tag target, int index, const char* value) {
        tag_list* list = nullptr;
        ASSERT_EQ(KX_MODL_ask_body_feats(target, &list), 0);
        const std::vector<tag> features = kx::tags_of(list);
        KX_MODL_delete_list(&list);
        ASSERT_FALSE(features.empty());
        int n = 0;
        tag* exps = nullptr;
        ASSERT_EQ(KX_MODL_ask_exps_of_feature(features.front(), &n, &exps), 0);
        ASSERT_GT(n, index);
        char* assignment = nullptr;
        ASSERT_EQ(KX_MODL_ask_exp_tag_string(exps[index], &assignment), 0);
        std::string name(assignment);
        KX_free(assignment);
        KX_free(exps);
        name = name.substr(0, name.find('='));
        ASSERT_EQ(KX_MODL_edit_exp((name + value).c_str()), 0);
        ASSERT_EQ(KX_MODL_update(), 0) << host::feature::last_failure().text;
    }
    // The body of the subtraction after a reopen.
    tag target_after_reopen() const {
        for (tag body : bodies())
            if (!boolean_of(body).empty()) return body;
        return NULL_TAG;
    }

    std::string file_;
    unsigned int part_ = 0;
};

TEST_P(SplitBody, BothPiecesKeepTheirFacesAndVolumes) {
    const Row& row = GetParam();
    tag tool = NULL_TAG;
    const tag target = FREC_ask_body(row.make(part_, &tool));
    const double whole = volume(target);
    double at[3] = {500, 0, 0};
    tag point = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_point(at, &point), 0);
    KX_UNDO_mark_id_t before = 0;
    ASSERT_EQ(KX_UNDO_set_mark(KX_UNDO_visible, "before the cut", &before), 0);
    int n = 0;
    tag* made = nullptr;
    ASSERT_EQ(KX_MODL_subtract_bodies(target, tool, &n, &made), 0);
    ASSERT_EQ(n, 2);
    const std::vector<tag> result(made, made + n);
    KX_free(made);
    ASSERT_NE(std::find(result.begin(), result.end(), target), result.end());
    const tag other = result[0] == target ? result[1] : result[0];
    {
        SCOPED_TRACE("cut");
        expect_pieces(row.first, row.second, target, other);
    }
    ASSERT_EQ(KX_OBJ_delete_object(point), 0);
    {
        SCOPED_TRACE("an unrelated object deleted");
        expect_pieces(row.first, row.second, target, other);
    }
    ASSERT_EQ(KX_MODL_update(), 0);
    {
        SCOPED_TRACE("update");
        expect_pieces(row.first, row.second, target, other);
    }
    KX_UNDO_mark_id_t cut = 0;
    ASSERT_EQ(KX_UNDO_set_mark(KX_UNDO_visible, "cut", &cut), 0);
    // The piece that grows keeps the faces and edges of its shape (as
    // many as when it was cut), and its faces and edges keep their tags,
    // but for the far end, which moved (a face and at most four edges).
    const Piece first_grown{row.first_grown, row.first.faces, row.first.edges},
        second_grown{row.second_grown, row.second.faces, row.second.edges};
    const std::vector<tag> other_faces = members(other, true), other_edges = members(other, false);
    grow(target, row.grown_exp, row.grown_to);
    {
        SCOPED_TRACE("grown");
        expect_pieces(first_grown, second_grown, target, other);
        const auto kept = [](const std::vector<tag>& before, const std::vector<tag>& after) {
            return std::count_if(after.begin(), after.end(), [&](tag t) {
                return std::find(before.begin(), before.end(), t) != before.end();
            });
        };
        EXPECT_GE(kept(other_faces, members(other, true)), std::ptrdiff_t(other_faces.size()) - 1);
        EXPECT_GE(kept(other_edges, members(other, false)), std::ptrdiff_t(other_edges.size()) - 4);
    }
    // Made again as it is, the grown piece (its faces listed in another
    // order than a fresh solid's) keeps its faces' objects.
    std::vector<tag> grown_faces = members(other, true);
    std::sort(grown_faces.begin(), grown_faces.end());
    ASSERT_EQ(KX_MODL_update(), 0) << host::feature::last_failure().text;
    {
        SCOPED_TRACE("grown and updated");
        expect_pieces(first_grown, second_grown, target, other);
        std::vector<tag> faces = members(other, true);
        std::sort(faces.begin(), faces.end());
        EXPECT_EQ(faces, grown_faces);
    }
    ASSERT_EQ(KX_UNDO_undo_to_mark(cut, nullptr), 0);
    {
        SCOPED_TRACE("undo of the growth");
        expect_pieces(row.first, row.second, target, other);
    }
    ASSERT_EQ(KX_UNDO_undo_to_mark(before, nullptr), 0);
    {
        SCOPED_TRACE("undo of the cut");
        EXPECT_NEAR(volume(target), whole, 1e-6 * whole);
        EXPECT_EQ(bodies().size(), 2u);  // the target and the tool again
        int type = 0, subtype = 0;
        EXPECT_EQ(KX_OBJ_ask_type_and_subtype(other, &type, &subtype), 1105004);  // the other piece is gone
    }
    // Cut again, saved and opened in a fresh session.
    ASSERT_EQ(KX_MODL_subtract_bodies(target, tool, &n, &made), 0);
    KX_free(made);
    part_ = kxtest::reopen_part(part_, file_, fresh);
    ASSERT_NE(part_, 0u);
    const tag again = target_after_reopen();
    ASSERT_NE(again, NULL_TAG);
    {
        SCOPED_TRACE("reopened");
        expect_pieces(row.first, row.second, again);
    }
    ASSERT_EQ(KX_MODL_update(), 0) << host::feature::last_failure().text;
    {
        SCOPED_TRACE("reopened and updated");
        expect_pieces(row.first, row.second, again);
    }
    grow(again, row.grown_exp, row.grown_to);
    {
        SCOPED_TRACE("reopened and grown");
        expect_pieces(first_grown, second_grown, again);
    }
    // The grown piece's steps (its faces merged among them) are saved and
    // read back.
    part_ = kxtest::reopen_part(part_, file_, fresh);
    ASSERT_NE(part_, 0u);
    {
        SCOPED_TRACE("grown and reopened");
        expect_pieces(first_grown, second_grown, target_after_reopen());
    }
    ASSERT_EQ(KX_MODL_update(), 0) << host::feature::last_failure().text;
    {
        SCOPED_TRACE("grown, reopened and updated");
        expect_pieces(first_grown, second_grown, target_after_reopen());
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, SplitBody, ::testing::ValuesIn(kRows), [](const auto& info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
});

}  // namespace
