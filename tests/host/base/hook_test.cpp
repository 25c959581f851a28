// The entry hook: the journal and scripted raises, statuses and outputs.
#include <string>

#include "host/store/entities/display.h"
#include "host/store/entities/entity_types.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/platform/support/support.h"
#include "tests/host/host_test.h"

namespace hc = host::control;

namespace {

using Hook = HostTest;

TEST_F(Hook, RaiseOnTheNthOrEveryCall) {
    struct Case {
        int nth;
        std::vector<bool> raises;  // per call, calls 1..4
    } cases[] = {
        {1, {true, false, false, false}},
        {3, {false, false, true, false}},
        {hc::EVERY, {true, true, true, true}},
    };
    for (const auto& c : cases) {
        hc::reset();
        RTENV_ask_env();  // calls before the script do not count
        hc::raise_on("RTENV_ask_env", 1105023, c.nth);
        for (std::size_t i = 0; i < c.raises.size(); ++i) {
            auto code = hc::raised_code([] { RTENV_ask_env(); });
            EXPECT_EQ(code.has_value(), c.raises[i]) << "nth " << c.nth << " call " << i + 1;
            if (code) {
                EXPECT_EQ(*code, 1105023);
            }
        }
        EXPECT_EQ(hc::frame_depth(), 0);
    }
}

TEST_F(Hook, ScriptIsByNameOnly) {
    hc::raise_on("SM_alloc", 670005);
    EXPECT_EQ(hc::raised_code([] { SM_free(SM_alloc_persistent(4)); }), std::nullopt);
    EXPECT_EQ(hc::raised_code([] { SM_alloc(4); }), 670005);
    hc::clear_script("SM_alloc");
    EXPECT_EQ(hc::raised_code([] { SM_free(SM_alloc(4)); }), std::nullopt);
}

TEST_F(Hook, ScriptedStatusAndOutputs) {
    hc::return_status("DSS_REGEN_regen_object", 875008);
    EXPECT_EQ(DSS_REGEN_regen_object(12345), 875008);
    EXPECT_TRUE(host::display::state().regenerated.empty());

    int flag = -1;
    host::display::set_display_flag(0);
    dsp800_(&flag);
    EXPECT_EQ(flag, 0);
    hc::give_outputs("dsp800_", {7});
    dsp800_(&flag);
    EXPECT_EQ(flag, 7);
    hc::clear_scripts();
    dsp800_(&flag);
    EXPECT_EQ(flag, 0);
}

TEST_F(Hook, CallApiReadsValuesByIndex) {
    hc::give_outputs("probe", {3, 2.5, "text"});
    host::Call call = HOST_ENTRY_AS("probe");
    ASSERT_TRUE(call.scripted());
    int status = 0;
    EXPECT_FALSE(call.status(status));
    EXPECT_EQ(call.outputs(), 3u);
    EXPECT_EQ(call.int_out(0, -1), 3);
    EXPECT_DOUBLE_EQ(call.real_out(1, 0), 2.5);
    EXPECT_STREQ(call.text_out(2, nullptr), "text");
    EXPECT_EQ(call.int_out(2, -1), -1);  // a text is no integer
    EXPECT_EQ(call.int_out(9, -1), -1);
    host::Call plain = HOST_ENTRY_AS("other");
    EXPECT_FALSE(plain.scripted());
    EXPECT_EQ(plain.int_out(0, 11), 11);
}

TEST_F(Hook, JournalKeepsNamesArgumentsAndOrder) {
    RTENV_set_env(3);
    DSS_set_suppress_display(2);
    ENV_translate_variable("A_VARIABLE_NOBODY_SETS");
    double x = 1.25;
    HOST_ENTRY_AS("probe", x, -4, nullptr);
    EXPECT_EQ(hc::call_names(), (std::vector<std::string>{"RTENV_set_env", "DSS_set_suppress_display",
                                                          "ENV_translate_variable", "probe"}));
    EXPECT_EQ(hc::calls("RTENV_set_env").at(0).arg[0], 3);
    EXPECT_STREQ(hc::calls("ENV_translate_variable").at(0).text, "A_VARIABLE_NOBODY_SETS");
    auto probe = hc::calls("probe").at(0);
    EXPECT_EQ(probe.nargs, 3);
    EXPECT_DOUBLE_EQ(probe.real(0), 1.25);
    EXPECT_EQ(probe.arg[1], -4);
    EXPECT_EQ(probe.arg[2], 0);
    EXPECT_TRUE(hc::called_before("RTENV_set_env", "ENV_translate_variable"));
    EXPECT_FALSE(hc::called_before("ENV_translate_variable", "RTENV_set_env"));
    EXPECT_EQ(hc::index_of("probe"), 3);
    EXPECT_EQ(hc::index_of("probe", 1), -1);

    hc::set_journal(false);
    RTENV_set_env(4);
    EXPECT_EQ(hc::call_count("RTENV_set_env"), 1);
    hc::set_journal(true);
    hc::clear_journal();
    EXPECT_TRUE(hc::journal().empty());
}

TEST_F(Hook, JournalGrowsPastItsFirstCapacity) {
    for (int i = 0; i < 70000; ++i) RTENV_ask_env();
    EXPECT_EQ(hc::call_count("RTENV_ask_env"), 70000);
}

TEST_F(Hook, RaiseIsJournalledWithItsCode) {
    hc::raised_code([] { ERROR_raise("kx_util", 5, 1105012, "no part"); });
    ASSERT_EQ(hc::call_count("ERROR_raise"), 1);
    EXPECT_EQ(hc::calls("ERROR_raise")[0].arg[0], 1105012);
}

// A routine of the test's own that checks through its call object.
enum class Check { need_named, need_unnamed, live, live_of_type, live_of_class, fail };
void Probe_routine(Check check, unsigned int tag) {
    auto call = HOST_ENTRY(static_cast<int>(check), tag);
    switch (check) {
        case Check::need_named: call.need(static_cast<int*>(nullptr), "the output"); break;
        case Check::need_unnamed: call.need(static_cast<const double*>(nullptr)); break;
        case Check::live: call.live(tag); break;
        case Check::live_of_type: call.live_of_type(tag, HOST_TYPE_MATRIX); break;
        case Check::live_of_class: call.live_of_class(tag, OM_CLASS_RM_ENTITY, "an entity"); break;
        case Check::fail: call.fail(HOST_ERR_BAD_MARK, "mark %d is not set", 3); break;
    }
}

struct Raised {
    int code = 0;
    std::string module, text;
};
Raised raised_by(Check check, unsigned int tag) {
    Raised r;
    const int id = host::arm_library_frame();
    try {
        Probe_routine(check, tag);
    } catch (const host::HostError& e) {
        return {e.code(), e.module(), e.text()};
    }
    ERROR_cancel_handler(id);
    return r;
}

TEST_F(Hook, CallChecksRaiseUnderTheRoutinesOwnName) {
    const hc::Fixture f = hc::make_part("probe.prt", {{HOST_TYPE_LINE}});
    const unsigned int line = f.objects[0];
    const unsigned int dead = host::objects::next_tag() + 100;
    const std::string t = std::to_string(line), p = std::to_string(f.part);
    const struct {
        Check check;
        unsigned int tag;
        int code;
        std::string text;
    } cases[] = {
        {Check::need_named, line, HOST_ERR_NULL_ARGUMENT, "Probe_routine: the output is null"},
        {Check::need_unnamed, line, HOST_ERR_NULL_ARGUMENT, "Probe_routine: a pointer argument is null"},
        {Check::live, dead, HOST_ERR_DEAD_TAG, "Probe_routine: tag " + std::to_string(dead) + " is not a live object"},
        {Check::live, line, 0, ""},
        {Check::live_of_type, line, HOST_ERR_WRONG_CLASS, "Probe_routine: tag " + t + " is not of type 55"},
        {Check::live_of_type, 0, HOST_ERR_DEAD_TAG, "Probe_routine: tag 0 is not a live object"},
        {Check::live_of_class, f.part, HOST_ERR_WRONG_CLASS, "Probe_routine: tag " + p + " is not an entity"},
        {Check::live_of_class, line, 0, ""},
        {Check::fail, line, HOST_ERR_BAD_MARK, "Probe_routine: mark 3 is not set"},
    };
    for (const auto& c : cases) {
        const Raised r = raised_by(c.check, c.tag);
        EXPECT_EQ(r.code, c.code) << static_cast<int>(c.check);
        EXPECT_EQ(r.text, c.text) << static_cast<int>(c.check);
        if (c.code != 0) {
            EXPECT_EQ(r.module, "Probe_routine");
        }
    }
    EXPECT_EQ(hc::frame_depth(), 0);
}

}  // namespace
