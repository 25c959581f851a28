// The model fingerprint of the fault simulation: equal for the same model,
// different after any change a failed call must not leave behind, and
// taken without a journal record.
#include "host/control/faultsim.h"

#include <functional>

#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/undo.h"
#include "host/base/services/objects.h"
#include "tests/host/host_test.h"

namespace {

namespace ctl = host::control;

class ModelFingerprint : public HostTest {};

// A loaded part with a named line and a point.
struct Model {
    unsigned int part;
    unsigned int line;
    unsigned int point;
};
Model make_model() {
    Model m{};
    m.part = host::parts::create("/tmp/fingerprint.prt");
    m.line = host::objects::create({OM_CLASS_RM_ENTITY, 3, 0, m.part, "EDGE"});
    m.point = host::objects::create({OM_CLASS_RM_ENTITY, 2, 0, m.part});
    return m;
}

TEST_F(ModelFingerprint, SameModelSameTextAndNoJournalRecord) {
    make_model();
    const std::size_t calls = ctl::journal_size();
    const std::string first = ctl::model_fingerprint();
    EXPECT_EQ(ctl::model_fingerprint(), first);
    EXPECT_EQ(ctl::journal_size(), calls);
    EXPECT_NE(first.find("\"EDGE\""), std::string::npos);
}

TEST_F(ModelFingerprint, EveryKindOfChangeShows) {
    struct Case {
        const char* what;
        std::function<void(const Model&)> change;
    };
    const Case cases[] = {
        {"name", [](const Model& m) { host::objects::set_name(m.line, "OTHER"); }},
        {"new object",
         [](const Model& m) {
             host::objects::create({OM_CLASS_RM_ENTITY, 2, 0, m.part});
         }},
        {"deleted object", [](const Model& m) { host::objects::destroy(m.point); }},
        {"layer", [](const Model& m) { ES_layer_move_entity(m.line, 77); }},
        {"blanked", [](const Model& m) { ES_write_blank_status(m.line, 1); }},
        {"undo mark",
         [](const Model&) {
             int status = 0;
             UNDO_JQ_set_mark(UNDO_VISIBLE, "mark", &status);
         }},
        {"displayed part", [](const Model&) { host::parts::set_display_part(0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ctl::reset();
        const Model m = make_model();
        host::parts::set_display_part(m.part);
        const std::string before = ctl::model_fingerprint();
        c.change(m);
        EXPECT_NE(ctl::model_fingerprint(), before);
    }
}

}  // namespace
