// The model's journal: roll-backs through before-images must give exactly
// what a full copy of the model taken at the mark gives, whatever the order
// of marks set, deleted and undone; a change records what it touches once
// per mark, whatever the size of the model; the store's lookups by part, by
// type, by name and by entity id.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "host/store/entities/entity_cycle.h"
#include "host/model/feature/undo.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"
#include "tests/host/host_test.h"

namespace {

namespace ho = host::objects;

struct Weight {
    int grams = 0;
};
host::TagTable<Weight> weights("test weights");

struct Counter {
    int value = 0;
    std::vector<int> history;
};
Counter& counter() { return host::model_state<Counter>("test counter"); }

// Everything the test changes, copied whole: what a mark restored before
// the journal.
struct Image {
    std::vector<unsigned> live;
    std::map<unsigned, std::string> names;
    std::map<unsigned, int> types;
    std::map<unsigned, int> weights;
    int counter = 0;
    std::vector<int> history;
    bool operator==(const Image&) const = default;
};
Image image() {
    Image i;
    i.live = ho::live_objects();
    for (unsigned t : i.live) {
        i.names[t] = ho::find(t)->name;
        i.types[t] = ho::find(t)->type;
        if (const Weight* w = weights.find(t)) i.weights[t] = w->grams;
    }
    i.counter = host::model_value<Counter>("test counter").read().value;
    i.history = host::model_value<Counter>("test counter").read().history;
    return i;
}

using HostJournal = HostTest;

// The store's lists by type agree with a walk through every object.
void expect_type_lists_agree() {
    for (int type : {2, 3}) {
        std::vector<unsigned> walked;
        for (unsigned t : ho::live_objects())
            if (ho::find(t)->type == type) walked.push_back(t);
        EXPECT_EQ(ho::objects_of_type(type), walked) << "type " << type;
    }
}

// Random stories of edits, marks set, deleted (oldest, newest, in the
// middle, to the end) and undone; after every undo the model must be the
// copy taken when the mark was set.
TEST_F(HostJournal, RollBacksGiveWhatAFullCopyGave) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        host::control::reset();
        std::mt19937 rng(seed);
        auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
        const unsigned part = ho::create_part("j.prt");
        std::vector<unsigned> made{part};
        struct Mark {
            unsigned id;
            Image at;
        };
        std::vector<Mark> marks;
        for (int step = 0; step < 300; ++step) {
            const std::size_t what = pick(12);
            const unsigned some = made[pick(made.size())];
            if (what == 0) {
                int st = 0;
                marks.push_back({UNDO_JQ_set_mark(UNDO_VISIBLE, "m", &st), image()});
            } else if (what == 1 && !marks.empty()) {
                const std::size_t i = pick(marks.size());
                ASSERT_EQ(UNDO_JQ_undo_to_mark(marks[i].id, nullptr), 0);
                ASSERT_TRUE(image() == marks[i].at) << "seed " << seed << " step " << step;
                expect_type_lists_agree();
                marks.resize(i + 1);
            } else if (what == 2 && !marks.empty()) {
                const std::size_t i = pick(marks.size());
                ASSERT_EQ(UNDO_JQ_delete_mark(marks[i].id, nullptr), 0);
                marks.erase(marks.begin() + static_cast<long>(i));
            } else if (what == 3 && marks.size() > 2 && pick(4) == 0) {
                const std::size_t i = pick(marks.size());
                ASSERT_EQ(UNDO_JQ_delete_to_mark(marks[i].id, nullptr), 0);
                marks.resize(i);
            } else if (what <= 5) {
                made.push_back(ho::create({OM_CLASS_RM_ENTITY, 2, 0, part}));
            } else if (what == 6 && some != part && ho::is_alive(some) && pick(3) == 0) {
                ho::destroy(some);
            } else if (what == 7 && some != part && ho::is_alive(some)) {
                ho::set_name(some, "N" + std::to_string(pick(5)));
            } else if (what <= 9 && ho::is_alive(some)) {
                weights[some].grams = static_cast<int>(pick(1000));
            } else if (what == 10 && ho::is_alive(some)) {
                if (pick(2) == 0 && some != part) ho::set_type(some, 5 - ho::find(some)->type, 0);  // 2 <-> 3
                else weights.erase(some);
            } else {
                counter().value += 1;
                counter().history.push_back(step);
            }
        }
        for (std::size_t i = marks.size(); i-- > 0;) {
            ASSERT_EQ(UNDO_JQ_undo_to_mark(marks[i].id, nullptr), 0);
            ASSERT_TRUE(image() == marks[i].at) << "seed " << seed << " final undo " << i;
        }
    }
}

// What a mark and a change cost does not depend on the size of the model:
// one before-image per entry touched, once per mark; deleting the only
// mark drops them, deleting a later one merges them into the earlier.
TEST_F(HostJournal, AChangeRecordsWhatItTouchesOncePerMark) {
    const unsigned part = ho::create_part("big.prt");
    std::vector<unsigned> objs;
    for (int i = 0; i < 3000; ++i) objs.push_back(ho::create({OM_CLASS_RM_ENTITY, 2, 0, part}));
    for (unsigned t : objs) weights[t].grams = 1;
    EXPECT_EQ(host::journal::records(), 0u);

    int st = 0;
    const unsigned outer = UNDO_JQ_set_mark(UNDO_VISIBLE, "outer", &st);
    EXPECT_EQ(host::journal::records(), 0u);
    weights[objs[7]].grams = 2;
    weights[objs[7]].grams = 3;
    ho::set_name(objs[7], "SEVEN");
    EXPECT_EQ(host::journal::records(), 2u);  // the row and the object, once each

    const unsigned inner = UNDO_JQ_set_mark(UNDO_INVISIBLE, "inner", &st);
    weights[objs[7]].grams = 4;  // recorded again: a new mark
    weights[objs[8]].grams = 5;
    EXPECT_EQ(host::journal::records(), 4u);
    ASSERT_EQ(UNDO_JQ_delete_mark(inner, nullptr), 0);
    EXPECT_EQ(host::journal::records(), 3u);  // objs[7]'s older image stays, the newer goes
    weights[objs[8]].grams = 6;               // recorded by the outer mark already
    EXPECT_EQ(host::journal::records(), 3u);

    ASSERT_EQ(UNDO_JQ_undo_to_mark(outer, nullptr), 0);
    EXPECT_EQ(weights.find(objs[7])->grams, 1);
    EXPECT_EQ(weights.find(objs[8])->grams, 1);
    EXPECT_EQ(ho::find(objs[7])->name, "");
    ASSERT_EQ(UNDO_JQ_delete_mark(outer, nullptr), 0);
    EXPECT_EQ(host::journal::records(), 0u);

    // Reading records nothing.
    const unsigned read = UNDO_JQ_set_mark(UNDO_VISIBLE, "read", &st);
    for (unsigned t : objs) {
        EXPECT_NE(ho::find(t), nullptr);
        EXPECT_NE(weights.find(t), nullptr);
    }
    EXPECT_EQ(host::journal::records(), 0u);

    // Creations in a row share their records: one for the store's objects,
    // one for the table's rows (and one for the part, now modified), also
    // when each is made inside a mark of its own that is deleted after it
    // (as the library's edits do).
    for (int i = 0; i < 500; ++i) {
        const unsigned bracket = UNDO_JQ_set_mark(UNDO_INVISIBLE, "create", &st);
        weights[ho::create({OM_CLASS_RM_ENTITY, 2, 0, part})].grams = i;
        ASSERT_EQ(UNDO_JQ_delete_mark(bracket, nullptr), 0);
    }
    EXPECT_EQ(host::journal::records(), 3u);
    ASSERT_EQ(UNDO_JQ_undo_to_mark(read, nullptr), 0);
    EXPECT_EQ(ho::live_objects().size(), objs.size() + 1);
    EXPECT_EQ(weights.size(), objs.size());
}

// A snapshot taken away by a roll-back to an earlier one cannot be restored;
// undo marks set after the earlier snapshot go with it.
TEST_F(HostJournal, ARollBackTakesTheLaterCheckpointsAway) {
    const unsigned part = ho::create_part("s.prt");
    const host::ModelSnapshot early = host::snapshot_model();
    const unsigned a = ho::create({OM_CLASS_RM_ENTITY, 2, 0, part});
    int st = 0;
    const unsigned mark = UNDO_JQ_set_mark(UNDO_VISIBLE, "late", &st);
    const host::ModelSnapshot late = host::snapshot_model();
    ho::create({OM_CLASS_RM_ENTITY, 2, 0, part});

    EXPECT_TRUE(host::restore_model(early));
    EXPECT_FALSE(ho::is_alive(a));
    EXPECT_FALSE(host::restore_model(late));
    EXPECT_EQ(UNDO_JQ_ask_mark_exist(mark, nullptr), 0);
    EXPECT_EQ(UNDO_JQ_undo_to_mark(mark, nullptr), UNDO_ERR_NO_MARK);
    EXPECT_TRUE(host::restore_model(early));  // the snapshot stays
    EXPECT_EQ(ho::live_objects(), (std::vector<unsigned>{part}));
}

// Lookups by name go through the index: case does not matter, the part
// does, renames and undos move the entries, dead objects are passed over.
TEST_F(HostJournal, TheNameIndexFollowsNamesPartsAndUndo) {
    const unsigned p = ho::create_part("n.prt");
    const unsigned q = ho::create_part("m.prt");
    const unsigned a = ho::create({OM_CLASS_RM_ENTITY, 2, 0, p, "BOLT"});
    const unsigned b = ho::create({OM_CLASS_RM_ENTITY, 3, 0, p});
    const unsigned c = ho::create({OM_CLASS_RM_ENTITY, 5, 0, p, "bolt"});
    const unsigned d = ho::create({OM_CLASS_RM_ENTITY, 2, 0, q, "BOLT"});
    const unsigned f = ho::create({OM_CLASS_FEATURE, 205, 0, p, "BOLT"});
    int st = 0;
    const unsigned mark = UNDO_JQ_set_mark(UNDO_VISIBLE, "m", &st);
    ho::set_name(b, "Bolt");
    ho::destroy(a);

    struct Case {
        const char* what;
        unsigned part;
        const char* name;
        unsigned after;
        unsigned want;
    };
    const std::vector<Case> cases = {
        {"first, a dead one passed over", p, "bolt", 0, b},
        {"the next", p, "BOLT", b, c},
        {"the end of the entities", p, "BoLt", c, 0},
        {"another part", q, "bolt", 0, d},
        {"no such name", p, "NUT", 0, 0},
        {"a prefix is no match", p, "BOL", 0, 0},
    };
    for (const Case& k : cases) {
        unsigned t = k.after;
        ES_cycle_entities_by_name(k.part, k.name, &t);
        EXPECT_EQ(t, k.want) << k.what;
    }
    unsigned feature = 0;
    ES_cycle_frecs_by_name(p, "bolt", &feature);
    EXPECT_EQ(feature, f);

    ASSERT_EQ(UNDO_JQ_undo_to_mark(mark, nullptr), 0);
    unsigned t = 0;
    ES_cycle_entities_by_name(p, "bolt", &t);
    EXPECT_EQ(t, a);
    ES_cycle_entities_by_name(p, "bolt", &t);
    EXPECT_EQ(t, c);

    unsigned none = 0;
    EXPECT_EQ(host::control::raised_code([&] { ES_cycle_entities_by_name(a, "X", &none); }), HOST_ERR_DEAD_TAG);
    EXPECT_EQ(host::control::raised_code([&] { ES_cycle_entities_by_name(p, nullptr, &none); }),
              HOST_ERR_NULL_ARGUMENT);
}

// Entity ids given out of order (a part read from a file) are found as well
// as those the store hands out in order.
TEST_F(HostJournal, EntityIdsAreFoundInAnyOrder) {
    const unsigned p = ho::create_part("e.prt");
    const auto kept = ho::create_with_eids({{{OM_CLASS_RM_ENTITY, 2, 0, p}, 900},
                                            {{OM_CLASS_RM_ENTITY, 2, 0, p}, 40},
                                            {{OM_CLASS_RM_ENTITY, 2, 0, p}, 500}});
    const unsigned loose = ho::create({OM_CLASS_RM_ENTITY, 2});
    EXPECT_EQ(ho::tag_of_eid(40, p), kept[1]);
    EXPECT_EQ(ho::tag_of_eid(500, p), kept[2]);
    EXPECT_EQ(ho::tag_of_eid(900, 0), kept[0]);
    EXPECT_EQ(ho::tag_of_eid(ho::find(loose)->eid, p), loose);  // from any part
    EXPECT_EQ(ho::tag_of_eid(ho::find(p)->eid, p), p);          // the part itself
    EXPECT_EQ(ho::tag_of_eid(41, p), 0u);
    ho::destroy(kept[1]);
    EXPECT_EQ(ho::tag_of_eid(40, p), 0u);
}

// A dying object's rows are dropped after every destroy listener ran, so
// that each listener still finds them whenever it was registered.
TEST_F(HostJournal, ADyingObjectsRowsOutliveTheListeners) {
    const unsigned part = ho::create_part("rows.prt");
    const unsigned a = ho::create({OM_CLASS_RM_ENTITY, 2, 0, part});
    const unsigned b = ho::create({OM_CLASS_RM_ENTITY, 2, 0, part});
    weights[a].grams = 5;
    std::vector<int> seen;
    const int id = ho::add_destroy_listener([&seen](unsigned t) {
        const Weight* w = weights.find(t);
        seen.push_back(w ? w->grams : -1);
    });
    ho::destroy(a);
    ho::destroy(b);
    ho::remove_destroy_listener(id);
    EXPECT_EQ(seen, (std::vector<int>{5, -1}));
    EXPECT_EQ(weights.find(a), nullptr);
    // Undoing the deletion brings the row back.
    int st = 0;
    const unsigned c = ho::create({OM_CLASS_RM_ENTITY, 2, 0, part});
    weights[c].grams = 7;
    const unsigned mark = UNDO_JQ_set_mark(UNDO_VISIBLE, "m", &st);
    ho::destroy(c);
    EXPECT_EQ(weights.find(c), nullptr);
    ASSERT_EQ(UNDO_JQ_undo_to_mark(mark, nullptr), 0);
    ASSERT_NE(weights.find(c), nullptr);
    EXPECT_EQ(weights.find(c)->grams, 7);
}

}  // namespace
