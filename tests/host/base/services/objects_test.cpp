// The object store, classes, handles, entity queries and model snapshots.
#include <cstring>
#include <string>
#include <vector>

#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "tests/host/host_test.h"

namespace hc = host::control;
namespace ho = host::objects;

namespace {

using Objects = HostTest;

std::string take(char* s) {
    std::string out = s;
    SM_free(s);
    return out;
}

TEST_F(Objects, FixtureAnswersTypesClassesAndParts) {
    auto f = hc::make_part("/parts/a.prt", {{3}, {6, 2, "ELLIPSE"}, {70, 0}});
    ASSERT_EQ(f.objects.size(), 3u);
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(f.objects[1], &type, &subtype);
    EXPECT_EQ(type, 6);
    EXPECT_EQ(subtype, 2);
    EXPECT_EQ(RM_ask_entity_type(f.objects[2]), 70);
    EXPECT_EQ(OM_ask_class(f.part), OM_CLASS_PART);
    EXPECT_EQ(ho::objects_of_part(f.part), f.objects);
    EXPECT_EQ(ho::find(f.objects[1])->name, "ELLIPSE");
    EXPECT_EQ(TAG_ask_pointer_of_tag(f.objects[0]), ho::find(f.objects[0]));

    ho::destroy(f.part);  // the part takes its objects with it
    for (auto t : f.objects) EXPECT_EQ(TAG_ask_pointer_of_tag(t), nullptr);
    EXPECT_TRUE(ho::live_objects().empty());
}

TEST_F(Objects, ClassTreeAndTagClassCheck) {
    OM_class_t curve = ho::register_class("TEST_curve_c", OM_CLASS_RM_ENTITY);
    OM_class_t arc = ho::register_class("TEST_arc_c", curve);
    EXPECT_EQ(ho::register_class("TEST_arc_c", curve), arc);
    EXPECT_EQ(OM_ask_class_of_name("TEST_arc_c"), arc);
    EXPECT_EQ(OM_ask_class_of_name("RM_entity_c"), OM_CLASS_RM_ENTITY);
    EXPECT_EQ(OM_ask_class_of_name("nothing_c"), 0);
    EXPECT_TRUE(OM_is_subclass(arc, OM_CLASS_RM_ENTITY));
    EXPECT_TRUE(OM_is_subclass(arc, arc));
    EXPECT_FALSE(OM_is_subclass(curve, arc));
    EXPECT_FALSE(OM_is_subclass(OM_CLASS_PART, OM_CLASS_RM_ENTITY));

    auto t = ho::create({arc, 5});
    EXPECT_EQ(hc::raised_code([&] { OM_check_tag_class("kx_curve", 10, t, curve); }), std::nullopt);
    int id = host::arm_library_frame();
    try {
        OM_check_tag_class("kx_curve", 99, t, OM_CLASS_FEATURE);
        ADD_FAILURE();
    } catch (const host::HostError& e) {
        EXPECT_EQ(e.code(), HOST_ERR_WRONG_CLASS);
        EXPECT_EQ(e.module(), "kx_curve");
        EXPECT_EQ(e.line(), 99);
        EXPECT_NE(e.text().find("TEST_arc_c"), std::string::npos);
    }
    (void)id;
    EXPECT_EQ(hc::raised_code([&] { OM_check_tag_class("kx_curve", 11, 999, curve); }), HOST_ERR_DEAD_TAG);
}

TEST_F(Objects, HandlesRoundTrip) {
    EXPECT_EQ(TAG_ask_dm_of_name("NF"), 1);
    EXPECT_EQ(TAG_ask_dm_of_name("PD"), 2);
    char name[4] = "zzz";
    TAG_ask_name_of_dm(2, name);
    EXPECT_STREQ(name, "PD");

    std::string h = take(TAG_compose_handle(1, "/dir/x#y.prt", 0x2a, 7));
    EXPECT_EQ(h, "NF/dir/x#y.prt#0000002a#00000007");
    unsigned char dm = 0;
    char* file = nullptr;
    unsigned sub = 0, version = 0;
    TAG_decompose_handle(h.c_str(), &dm, &file, &sub, &version);
    EXPECT_EQ(dm, 1);
    EXPECT_EQ(take(file), "/dir/x#y.prt");
    EXPECT_EQ(sub, 0x2au);
    EXPECT_EQ(version, 7u);

    auto f = hc::make_part("/parts/b.prt", {{3}, {5}});
    auto loose = ho::create({OM_CLASS_RM_ENTITY, 2});
    for (auto t : {f.part, f.objects[0], f.objects[1], loose}) {
        std::string handle = take(TAG_ask_handle_of_tag(t));
        EXPECT_EQ(TAG_ask_tag_of_handle_tol(handle.c_str()), t) << handle;
    }
    std::string gone = take(TAG_ask_handle_of_tag(f.objects[1]));
    ho::destroy(f.objects[1]);
    EXPECT_EQ(TAG_ask_tag_of_handle_tol(gone.c_str()), 0u);
    EXPECT_EQ(RM_ask_new_tag_of_entity(ho::find(loose)->eid), loose);
    EXPECT_EQ(RM_ask_new_tag_of_entity(999999), 0u);
}

// Parts saved in different sessions may share entity ids when opened
// together: the id names the work part's object, else the first one made.
TEST_F(Objects, EntityIdSharedByTwoPartsNamesTheWorkPartsObject) {
    const unsigned int a = host::parts::create("/parts/a.prt");
    const unsigned int b = host::parts::create("/parts/b.prt");
    const unsigned int in_a = ho::create({OM_CLASS_RM_ENTITY, 3, 0, a});
    const std::uint32_t eid = ho::find(in_a)->eid;
    const unsigned int in_b = ho::create_with_eid({OM_CLASS_RM_ENTITY, 5, 0, b}, eid);
    struct Case {
        unsigned int work;
        unsigned int expected;
    };
    for (const Case& c : {Case{b, in_b}, Case{a, in_a}, Case{0, in_a}}) {
        host::parts::set_work_part(c.work);
        EXPECT_EQ(RM_ask_new_tag_of_entity(eid), c.expected) << "work part " << c.work;
    }
    host::parts::set_work_part(b);
    ho::destroy(in_b);
    EXPECT_EQ(RM_ask_new_tag_of_entity(eid), in_a);  // none left in the work part
}

TEST_F(Objects, NullAndDeadInputsRaiseHostErrors) {
    auto f = hc::make_part("/p.prt", {{3}});
    auto dead = f.objects[0];
    ho::destroy(dead);
    int i = 0;
    unsigned u = 0;
    unsigned char dm = 0;
    char* file = nullptr;
    struct Case {
        const char* what;
        std::function<void()> call;
        int code;
    } cases[] = {
        {"type of dead", [&] { RM_ask_entity_type(dead); }, HOST_ERR_DEAD_TAG},
        {"type of null tag", [&] { RM_ask_entity_type(0); }, HOST_ERR_DEAD_TAG},
        {"type null output", [&] { RM_ask_entity_type_and_subtype(f.part, nullptr, &i); }, HOST_ERR_NULL_ARGUMENT},
        {"class of dead", [&] { OM_ask_class(dead); }, HOST_ERR_DEAD_TAG},
        {"handle of dead", [&] { TAG_ask_handle_of_tag(dead); }, HOST_ERR_DEAD_TAG},
        {"tag of null handle", [&] { TAG_ask_tag_of_handle_tol(nullptr); }, HOST_ERR_NULL_ARGUMENT},
        {"short handle", [&] { TAG_ask_tag_of_handle_tol("NF#1"); }, HOST_ERR_BAD_HANDLE},
        {"bad hex", [&] { TAG_ask_tag_of_handle_tol("NFa#0000002g#00000001"); }, HOST_ERR_BAD_HANDLE},
        {"bad dm", [&] { TAG_ask_tag_of_handle_tol("QQa#0000002a#00000001"); }, HOST_ERR_BAD_HANDLE},
        {"decompose null", [&] { TAG_decompose_handle(nullptr, &dm, &file, &u, &u); }, HOST_ERR_NULL_ARGUMENT},
        {"decompose null out", [&] { TAG_decompose_handle("NF#00000001#00000001", &dm, nullptr, &u, &u); },
         HOST_ERR_NULL_ARGUMENT},
        {"compose null file", [&] { TAG_compose_handle(1, nullptr, 1, 1); }, HOST_ERR_NULL_ARGUMENT},
        {"compose bad dm", [&] { TAG_compose_handle(9, "f", 1, 1); }, HOST_ERR_BAD_HANDLE},
        {"dm of null", [&] { TAG_ask_dm_of_name(nullptr); }, HOST_ERR_NULL_ARGUMENT},
        {"dm of unknown", [&] { TAG_ask_dm_of_name("XX"); }, HOST_ERR_BAD_HANDLE},
        {"name of dm null", [&] { TAG_ask_name_of_dm(1, nullptr); }, HOST_ERR_NULL_ARGUMENT},
        {"class of null name", [&] { OM_ask_class_of_name(nullptr); }, HOST_ERR_NULL_ARGUMENT},
        {"object in dead part",
         [&] {
             ho::create({OM_CLASS_RM_ENTITY, 3, 0, dead});
         },
         HOST_ERR_DEAD_TAG},
        {"destroy dead", [&] { ho::destroy(dead); }, HOST_ERR_DEAD_TAG},
    };
    std::size_t live = hc::live_blocks();
    for (const auto& c : cases) EXPECT_EQ(hc::raised_code(c.call), c.code) << c.what;
    EXPECT_EQ(hc::live_blocks(), live);
    EXPECT_EQ(TAG_ask_pointer_of_tag(dead), nullptr);
}

struct Colour {
    int colour = 0;
};
host::TagTable<Colour> colours("test colours");

// A step of a part's cycle finds the next object after any tag, whether the
// part's tags are dense or spread among another part's, and after a tag of
// no object of the part.
TEST_F(Objects, NextOfPartFollowsCreationOrderWhateverTheSpacing) {
    const ho::tag_t a = ho::create_part("a.prt"), b = ho::create_part("b.prt");
    std::vector<ho::tag_t> mine;
    // Runs of the part's objects between runs of the other's, of growing
    // and shrinking lengths.
    for (int run : {1, 5, 2, 40, 1, 1, 17, 3}) {
        for (int i = 0; i < run; ++i) mine.push_back(ho::create({OM_CLASS_RM_ENTITY, 2, 0, a}));
        for (int i = 0; i < 7 - run % 7; ++i) ho::create({OM_CLASS_RM_ENTITY, 2, 0, b});
    }
    auto any = [](const ho::Object&) { return true; };
    for (ho::tag_t after = 0; after <= ho::next_tag(); ++after) {
        ho::tag_t expected = 0;
        for (ho::tag_t t : mine)
            if (t > after) {
                expected = t;
                break;
            }
        ASSERT_EQ(ho::next_of_part(a, after, any), expected) << after;
    }
}

TEST_F(Objects, SnapshotRestoresTheWholeModel) {
    auto f = hc::make_part("/s.prt", {{3}, {5}});
    colours[f.objects[0]].colour = 4;
    host::ModelSnapshot snap = host::snapshot_model();

    auto extra = ho::create({OM_CLASS_RM_ENTITY, 2, 0, f.part});
    colours[extra].colour = 9;
    ho::destroy(f.objects[0]);  // its row goes with it
    EXPECT_EQ(colours.find(f.objects[0]), nullptr);

    host::restore_model(snap);
    EXPECT_EQ(ho::live_objects(), (std::vector<unsigned>{f.part, f.objects[0], f.objects[1]}));
    ASSERT_NE(colours.find(f.objects[0]), nullptr);
    EXPECT_EQ(colours.find(f.objects[0])->colour, 4);
    EXPECT_EQ(colours.find(extra), nullptr);
    // The tag of an object that the restore removed is never handed out again.
    EXPECT_NE(ho::create({OM_CLASS_RM_ENTITY, 2}), extra);
    EXPECT_EQ(TAG_ask_pointer_of_tag(extra), nullptr);

    hc::reset();
    EXPECT_TRUE(ho::live_objects().empty());
    EXPECT_EQ(colours.size(), 0u);
}

}  // namespace
