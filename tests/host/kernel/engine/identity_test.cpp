// The whole story of a body: built through the host's routines, measured
// against closed forms, regenerated with another length (its faces and
// edges keep their tags), rolled back by undo, saved and reopened.
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "host/store/parts/part_file.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "tests/host/store/parts/curve_fixture.h"
#include "kernel_test.h"

namespace {

namespace obj = host::objects;

constexpr double kR = 2;  // blend radius

// Block L x 50 x 20 less a cylinder of radius 10 through it at (50, 25),
// its four top edges blended with radius 2 (the vertical edges stay sharp,
// so the blends of two top edges meet in a mitre at each corner).
struct ClosedForm {
    double volume;
    double centroid[3];
};

ClosedForm closed_form(double length, double hole = 10) {
    const double w = 50, h = 20, r = kR;
    const double vb = length * w * h, vc = kPi * hole * hole * h;
    const double a = r * r * (1 - kPi / 4);                    // section of one blend's removed strip
    const double depth = r * r * r * (5.0 / 6 - kPi / 4) / a;  // its centroid below the top
    const double corner = r * r * r * (5.0 / 3 - kPi / 2);     // where two strips overlap at a corner
    const double corner_depth = r * r * r * r * (19.0 / 12 - kPi / 2) / corner;
    const double edges = 2 * length + 2 * w;
    const double removed = edges * a - 4 * corner;
    const double removed_z = edges * a * (h - depth) - 4 * corner * (h - corner_depth);
    ClosedForm c;
    c.volume = vb - vc - removed;
    // The strips are symmetric about the block's middle; the hole is at x 50.
    c.centroid[0] = (vb * length / 2 - vc * 50 - removed * length / 2) / c.volume;
    c.centroid[1] = 25;
    c.centroid[2] = (vb * h / 2 - vc * h / 2 - removed_z) / c.volume;
    return c;
}

// What a face or edge object answers about its geometry, as one text.
std::string geometry_of(int entity) {
    char buf[256];
    double box[6];
    ZQ_TOPOL_find_box(entity, box);
    int cls = 0;
    ZQ_ENTITY_ask_class(entity, &cls);
    int type = 0;
    double p[3], d[3], r = 0, r2 = 0;
    if (cls == ZQ_CLASS_FACE) {
        int sense = 0;
        ZQ_FACE_ask_data(entity, &type, p, d, &r, &r2, &sense);
        r2 += sense;
    } else {
        ZQ_EDGE_ask_curve_data(entity, &type, p, d, &r);
    }
    std::snprintf(buf, sizeof buf, "%d %d %.9f %.9f %.9f %.9f %.9f %.9f %.9f %.9f", cls, type, box[0], box[1], box[2],
                  box[3], box[4], box[5], r, r2);
    return buf;
}

class KernelStory : public KernelTest {
protected:
    // Builds the body; answers it, the blended edges in *blended.
    int build(std::vector<int>* blended) {
        const int b = block(100, 50, 20);
        ZQ_BODY_boolean(b, cylinder({50, 25, -1}, {0, 0, 1}, 10, 22), ZQ_SUBTRACT);
        *blended = edges_at_height(b, 20);
        EXPECT_EQ(blended->size(), 4u);
        ZQ_BODY_blend_edges(b, int(blended->size()), blended->data(), kR, kR);
        return b;
    }
    static std::vector<int> blend_faces(int body) {
        std::vector<int> out;
        for (int f : host::kernel::faces_of(body))
            if (face_type(f) != ZQ_SURF_PLANE && face_radius(f) < 5) out.push_back(f);
        return out;
    }
    // Edges of the blend faces.
    static std::set<int> blend_edges(int body) {
        std::set<int> out;
        for (int f : blend_faces(body))
            for (int e : connected(f, ZQ_CLASS_EDGE)) out.insert(e);
        return out;
    }
    static void expect_closed_form(int body, double length, double hole = 10) {
        const ClosedForm c = closed_form(length, hole);
        const auto mp = props(body);
        EXPECT_LT(rel(mp[ZQ_MP_VOLUME], c.volume), 1e-9);
        for (int i = 0; i < 3; ++i) EXPECT_LT(rel(mp[ZQ_MP_CENTROID + i], c.centroid[i]), 1e-9) << i;
        EXPECT_EQ(host::kernel::faces_of(body).size(), 11u);  // 6 of the block, the hole, 4 blends
        const std::vector<int> blends = blend_faces(body);
        ASSERT_EQ(blends.size(), 4u);
        for (int f : blends) {
            EXPECT_EQ(face_type(f), ZQ_SURF_CYLINDER);
            EXPECT_LT(rel(face_radius(f), kR), 1e-9);
        }
    }
};

TEST_F(KernelStory, BlockLessCylinderWithBlendsMatchesClosedForms) {
    std::vector<int> blended;
    const int b = build(&blended);
    expect_closed_form(b, 100);
    int fault = -1;
    ZQ_BODY_check(b, &fault);
    EXPECT_EQ(fault, ZQ_FAULT_NONE);
    // Every face and edge is a model object of type 70 owned by the body.
    const unsigned body_object = host::kernel::object_of(b);
    ASSERT_NE(body_object, 0u);
    for (int f : host::kernel::faces_of(b)) {
        const unsigned o = host::kernel::object_of(f);
        ASSERT_NE(o, 0u);
        EXPECT_EQ(obj::require(o).type, 70);
        EXPECT_EQ(obj::require(o).subtype, 2);
        EXPECT_EQ(ES_solid_ask_body(o), body_object);
        EXPECT_EQ(ES_solid_ask_fermalith_tag(o), f);
    }
    // The blended edges are gone; their tags name nothing any more.
    for (int e : blended) EXPECT_EQ(raised([&] { geometry_of(e); }), KERNEL_ERR_NO_ENTITY);
}

TEST_F(KernelStory, RegeneratedWithAnotherLengthKeepsTheTags) {
    std::vector<int> blended;
    const int b = build(&blended);
    const std::vector<int> faces = host::kernel::faces_of(b);
    const std::vector<int> edges = host::kernel::edges_of(b);
    const std::set<int> blend_edge_tags = blend_edges(b);
    std::map<int, unsigned> objects;
    for (int t : faces) objects[t] = host::kernel::object_of(t);
    for (int t : edges) objects[t] = host::kernel::object_of(t);

    int steps = 0;
    ZQ_BODY_ask_step_count(b, &steps);
    ASSERT_EQ(steps, 3);                   // block, subtract, blend
    ZQ_BODY_edit_parameter(b, 0, 3, 120);  // the block's length
    ZQ_BODY_regenerate(b);

    expect_closed_form(b, 120);
    EXPECT_EQ(host::kernel::faces_of(b), faces);
    EXPECT_EQ(host::kernel::edges_of(b), edges);
    EXPECT_EQ(blend_edges(b), blend_edge_tags);
    for (const auto& [tag, object] : objects) EXPECT_EQ(host::kernel::object_of(tag), object) << tag;
    // The far end moved with the length.
    double box[6];
    ZQ_TOPOL_find_box(b, box);
    EXPECT_NEAR(box[3], 120, 1e-9);
}

// The hole's radius is a number of the subtraction (its tool was a
// primitive): a larger hole, made again, leaves every tag where it was.
TEST_F(KernelStory, RegeneratedWithALargerHoleKeepsTheTags) {
    std::vector<int> blended;
    const int b = build(&blended);
    const std::vector<int> faces = host::kernel::faces_of(b);
    const std::vector<int> edges = host::kernel::edges_of(b);
    ZQ_BODY_edit_parameter(b, 1, 6, 12);  // the cylinder's radius
    ZQ_BODY_regenerate(b);
    expect_closed_form(b, 100, 12);
    EXPECT_EQ(host::kernel::faces_of(b), faces);
    EXPECT_EQ(host::kernel::edges_of(b), edges);
    for (int f : faces) {
        if (face_type(f) == ZQ_SURF_CYLINDER && face_radius(f) > 5) {
            EXPECT_NEAR(face_radius(f), 12, 1e-12);
        }
    }
}

// The hole moved onto the front edge splits the blended edge in two: made
// again, the blend runs along both pieces, and the blend face keeps its tag.
TEST_F(KernelStory, ABlendedEdgeSplitByAMovedHoleIsBlendedInBothPieces) {
    const int b = block(100, 60, 20);
    ZQ_BODY_boolean(b, cylinder({50, 30, -1}, {0, 0, 1}, 10, 22), ZQ_SUBTRACT);
    int front = 0;
    for (int e : edges_at_height(b, 20)) {
        double box[6];
        ZQ_TOPOL_find_box(e, box);
        if (box[4] < 1e-9) front = e;  // y = 0
    }
    ASSERT_NE(front, 0);
    ZQ_BODY_blend_edges(b, 1, &front, kR, kR);
    const std::vector<int> before = blend_faces(b);
    ASSERT_EQ(before.size(), 1u);

    ZQ_BODY_edit_parameter(b, 1, 1, 5);  // the hole's centre to y = 5: it opens the front face
    ZQ_BODY_regenerate(b);
    const std::vector<int> after = blend_faces(b);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_NE(std::find(after.begin(), after.end(), before[0]), after.end());
    for (int f : after) EXPECT_LT(rel(face_radius(f), kR), 1e-9);
    EXPECT_LT(volume(b), 100 * 60 * 20 - kPi * 100 * 20 / 2);

    ZQ_BODY_edit_parameter(b, 1, 1, 30);  // and back: one blend face, the same
    ZQ_BODY_regenerate(b);
    EXPECT_EQ(blend_faces(b), before);
}

TEST_F(KernelStory, UndoToAMarkGetsTheFirstBodyBack) {
    const int b = block(100, 50, 20);
    ZQ_BODY_boolean(b, cylinder({50, 25, -1}, {0, 0, 1}, 10, 22), ZQ_SUBTRACT);
    const std::vector<int> faces = host::kernel::faces_of(b);
    std::map<int, std::string> before;
    for (int f : faces) before[f] = geometry_of(f);
    const double v = volume(b);
    int status = -1;
    const unsigned mark = UNDO_JQ_set_mark(UNDO_VISIBLE, "before blends", &status);
    ASSERT_EQ(status, 0);

    std::vector<int> top = edges_at_height(b, 20);
    ZQ_BODY_blend_edges(b, int(top.size()), top.data(), kR, kR);
    ZQ_BODY_edit_parameter(b, 0, 3, 140);
    ZQ_BODY_regenerate(b);
    ASSERT_NE(host::kernel::faces_of(b), faces);

    ASSERT_EQ(UNDO_JQ_undo_to_mark(mark, nullptr), 0);
    EXPECT_EQ(volume(b), v);
    EXPECT_EQ(host::kernel::faces_of(b), faces);
    for (int f : faces) EXPECT_EQ(geometry_of(f), before[f]) << f;
    int count = 0;
    ZQ_BODY_ask_step_count(b, &count);
    EXPECT_EQ(count, 2);
}

// Undo brings the consumed tool back, and the shapes an undo mark keeps
// are exactly as they were (booleans leave their inputs untouched): the
// same subtraction done again after the undo gives the same body. Its faces
// keep their tags; the edges it makes anew are a new operation's and get
// new tags.
TEST_F(KernelStory, UndoBringsTheToolBackAndTheSameBooleanGivesTheSameBody) {
    const int b = block(100, 50, 20);
    const int tool = cylinder({50, 25, -1}, {0, 0, 1}, 10, 22);
    const double tool_volume = volume(tool);
    const unsigned tool_object = host::kernel::object_of(tool);
    int status = 0;
    const unsigned mark = UNDO_JQ_set_mark(UNDO_VISIBLE, "before the hole", &status);
    ZQ_BODY_boolean(b, tool, ZQ_SUBTRACT);
    const double holed = volume(b);
    const auto geometry = [&] {
        std::map<int, std::string> faces;
        std::multiset<std::string> edges;
        for (int t : host::kernel::faces_of(b)) faces[t] = geometry_of(t);
        for (int t : host::kernel::edges_of(b)) edges.insert(geometry_of(t));
        return std::pair{faces, edges};
    };
    const auto first = geometry();

    ASSERT_EQ(UNDO_JQ_undo_to_mark(mark, nullptr), 0);
    EXPECT_EQ(host::kernel::bodies(), (std::vector<int>{b, tool}));
    EXPECT_EQ(host::kernel::object_of(tool), tool_object);
    EXPECT_EQ(volume(tool), tool_volume);
    EXPECT_LT(rel(volume(b), 100 * 50 * 20), 1e-12);

    ZQ_BODY_boolean(b, tool, ZQ_SUBTRACT);
    EXPECT_EQ(volume(b), holed);
    EXPECT_EQ(geometry(), first);
}

class KernelFiles : public KernelStory {
protected:
    void SetUp() override {
        KernelStory::SetUp();
        std::string pattern = (std::filesystem::temp_directory_path() / "kxkernel-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        KernelStory::TearDown();
        std::filesystem::remove_all(dir_);
    }
    std::string file(const char* name) const { return (dir_ / name).string(); }
    static unsigned open(const std::string& name, int* code) {
        PART_load_status_t s{};
        unsigned part = 0;
        *code = BASE_open_part(name.c_str(), &part, &s);
        for (int i = 0; i < s.n_parts; ++i) SM_free(s.file_names[i]);
        SM_free(s.file_names);
        SM_free(s.statuses);
        return part;
    }
    static std::string handle_of(unsigned object) {
        char* h = TAG_ask_handle_of_tag(object);
        std::string out = h;
        SM_free(h);
        return out;
    }
    // Geometry by handle of every face and edge object of the part's bodies.
    static std::map<std::string, std::string> by_handle() {
        std::map<std::string, std::string> out;
        for (int b : host::kernel::bodies()) {
            out[handle_of(host::kernel::object_of(b))] = "body";
            for (int t : host::kernel::faces_of(b)) out[handle_of(host::kernel::object_of(t))] = geometry_of(t);
            for (int t : host::kernel::edges_of(b)) out[handle_of(host::kernel::object_of(t))] = geometry_of(t);
        }
        return out;
    }
    // Saves the part under its name in the directory, starts a new session
    // and opens it again: true when it opens with one body.
    bool save_and_reopen(unsigned part, const char* name) const {
        int components = 0, mode = 2, result = -1;
        unsigned p = part;
        base_save_part(&p, &components, &mode, &result);
        if (result != 0) return false;
        host::control::reset();
        int code = -1;
        return open(file(name), &code) != 0u && code == 0 && host::kernel::bodies().size() == 1u;
    }
    std::filesystem::path dir_;
};

TEST_F(KernelFiles, ReopenedPartAnswersTheSameGeometryForEveryFaceAndEdge) {
    const unsigned part = host::parts::create(file("holed.prt"));
    CONTEXT_set_work_part(part);
    std::vector<int> blended;
    const int b = build(&blended);
    ZQ_BODY_set_density(b, 7.8);
    const auto saved = by_handle();
    const double mass = props(b)[ZQ_MP_MASS];
    ASSERT_TRUE(save_and_reopen(part, "holed.prt"));
    EXPECT_EQ(by_handle(), saved);
    const int again = host::kernel::bodies()[0];
    EXPECT_LT(rel(props(again)[ZQ_MP_MASS], mass), 1e-12);
    expect_closed_form(again, 100);
}

// The steps are saved with the body: a reopened body is edited and made
// again, and the faces and edges that the steps make again keep their
// objects (tags are new in a new session: objects name them across it).
TEST_F(KernelFiles, AReopenedBodyIsMadeAgainFromItsSavedSteps) {
    const unsigned part = host::parts::create(file("steps.prt"));
    CONTEXT_set_work_part(part);
    std::vector<int> blended;
    const int b = build(&blended);
    int steps = 0;
    ZQ_BODY_ask_step_count(b, &steps);
    ASSERT_EQ(steps, 3);
    auto objects_of = [](const std::set<int>& tags) {
        std::set<unsigned> out;
        for (int t : tags) out.insert(host::kernel::object_of(t));
        return out;
    };
    std::set<std::string> handles;
    for (unsigned o : objects_of(blend_edges(b))) handles.insert(handle_of(o));
    ASSERT_TRUE(save_and_reopen(part, "steps.prt"));
    const int again = host::kernel::bodies()[0];
    ZQ_BODY_ask_step_count(again, &steps);
    EXPECT_EQ(steps, 3);
    std::set<std::string> reopened;
    for (unsigned o : objects_of(blend_edges(again))) reopened.insert(handle_of(o));
    EXPECT_EQ(reopened, handles);

    ZQ_BODY_edit_parameter(again, 0, 3, 140);  // the block's length
    ZQ_BODY_regenerate(again);
    expect_closed_form(again, 140);
    std::set<std::string> regenerated;
    for (unsigned o : objects_of(blend_edges(again))) regenerated.insert(handle_of(o));
    EXPECT_EQ(regenerated, handles);  // the blends' edges keep their objects
    int fault = -1;
    ZQ_BODY_check(again, &fault);
    EXPECT_EQ(fault, ZQ_FAULT_NONE);

    // A file without the steps still opens: its body is one imported step.
    namespace pf = host::part_file;
    host::control::reset();
    int code = -1;
    ASSERT_NE(open(file("steps.prt"), &code), 0u);
    const unsigned reopened_part =
        host::kernel::bodies().empty() ? 0u : obj::find(host::kernel::object_of(host::kernel::bodies()[0]))->part;
    pf::Image image;
    ASSERT_EQ(pf::decode(host::part_file::encode(reopened_part, nullptr, true), image), 0);
    std::size_t at = image.sections.size();
    for (std::size_t i = 0; i < image.sections.size(); ++i)
        if (image.sections[i].first == "KSTP") at = i;
    ASSERT_LT(at, image.sections.size());
    pf::Image without = image;
    without.sections.erase(without.sections.begin() + static_cast<std::ptrdiff_t>(at));
    host::control::reset();
    int c = -1;
    EXPECT_NE(pf::apply(without, file("plain.prt"), &c), 0u);
    EXPECT_EQ(c, 0);
    ASSERT_EQ(host::kernel::bodies().size(), 1u);
    ZQ_BODY_ask_step_count(host::kernel::bodies()[0], &steps);
    EXPECT_EQ(steps, 1);

    // Spoilt steps make the file corrupt; the steps before the bodies too.
    const std::string good = image.sections[at].second;
    struct Spoil {
        const char* what;
        std::function<void(pf::Image&)> change;
    };
    const Spoil spoils[] = {
        // u32 count, u32 body number, u32 face count ...
        {"unknown body", [&](pf::Image& i) { i.sections[at].second[4] = char(0x7f); }},
        {"face count", [&](pf::Image& i) { i.sections[at].second[8] = char(3); }},
        {"truncated", [&](pf::Image& i) { i.sections[at].second.resize(good.size() - 5); }},
        {"extra bytes", [&](pf::Image& i) { i.sections[at].second += "x"; }},
        {"before the bodies",
         [&](pf::Image& i) {
             auto steps_section = i.sections[at];
             i.sections.erase(i.sections.begin() + static_cast<std::ptrdiff_t>(at));
             i.sections.insert(i.sections.begin() + 1, steps_section);
         }},
    };
    for (const Spoil& spoil : spoils) {
        SCOPED_TRACE(spoil.what);
        host::control::reset();
        pf::Image bad = image;
        spoil.change(bad);
        int bad_code = 0;
        EXPECT_EQ(pf::apply(bad, file("spoilt.prt"), &bad_code), 0u);
        EXPECT_EQ(bad_code, PART_ERR_CORRUPT);
        EXPECT_TRUE(host::kernel::bodies().empty());
    }
}

TEST_F(KernelFiles, APartWithoutBodiesStillOpensAndABadBodyMakesTheFileCorrupt) {
    const unsigned part = host::parts::create(file("plain.prt"));
    test_fixture::with_curve_data(obj::create({OM_CLASS_RM_ENTITY, 3, 0, part}));
    int components = 0, mode = 2, result = -1;
    unsigned p = part;
    base_save_part(&p, &components, &mode, &result);
    ASSERT_EQ(result, 0);
    host::control::reset();
    int code = -1;
    EXPECT_NE(open(file("plain.prt"), &code), 0u);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(host::kernel::bodies().empty());

    // A part with a body, whose kernel section is then spoilt in ways that a
    // file's checksum cannot see: rebuilt with a valid checksum each time.
    host::control::reset();
    const unsigned holed = host::parts::create(file("holed.prt"));
    CONTEXT_set_work_part(holed);
    block(10, 20, 30);
    const std::string bytes = host::part_file::encode(holed, nullptr, true);
    namespace pf = host::part_file;
    pf::Image image;
    ASSERT_EQ(pf::decode(bytes, image), 0);
    std::size_t at = image.sections.size();
    for (std::size_t i = 0; i < image.sections.size(); ++i)
        if (image.sections[i].first == "KBDY") at = i;
    ASSERT_LT(at, image.sections.size());
    const std::string good = image.sections[at].second;
    struct Spoil {
        const char* what;
        std::function<std::string(std::string)> change;
    };
    const Spoil spoils[] = {
        // u32 count, u32 body number, f64 density, u32 size, shape bytes ...
        {"shape bytes",
         [](std::string s) {
             for (std::size_t i = 40; i < 200 && i < s.size(); ++i) s[i] = char(0x5a);
             return s;
         }},
        {"face count",
         [](std::string s) {
             const std::size_t i = s.size() - 4 * (12 + 1) - 4 * 6 - 4;
             s[i] = 5;
             return s;
         }},
        {"edge object",
         [](std::string s) {
             s[s.size() - 4] = 1;
             s[s.size() - 3] = 0;
             s[s.size() - 2] = 0;
             s[s.size() - 1] = 0;
             return s;
         }},
        {"density",
         [](std::string s) {
             for (int i = 8; i < 16; ++i) s[i] = 0;
             return s;
         }},
        {"truncated",
         [](std::string s) {
             s.resize(s.size() - 6);
             return s;
         }},
    };
    for (const Spoil& spoil : spoils) {
        SCOPED_TRACE(spoil.what);
        host::control::reset();
        pf::Image bad = image;
        bad.sections[at].second = spoil.change(good);
        const std::size_t objects_before = obj::live_objects().size();
        int c = 0;
        EXPECT_EQ(pf::apply(bad, file("spoilt.prt"), &c), 0u);
        EXPECT_EQ(c, PART_ERR_CORRUPT);
        EXPECT_TRUE(host::kernel::bodies().empty());
        EXPECT_EQ(obj::live_objects().size(), objects_before);
    }
    host::control::reset();
    int c = 0;
    EXPECT_NE(pf::apply(image, file("fine.prt"), &c), 0u);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(host::kernel::bodies().size(), 1u);
}

}  // namespace
