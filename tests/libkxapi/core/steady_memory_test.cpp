// A user program's process: the host's call journal is test machinery and
// is off until a test turns it on, and a long run of framed queries keeps
// the heap flat (no journal, log line, frame or block left behind per call).
#include <cstddef>
#include <string>

#include "fixture.h"
#include "host/base/hook.h"
#include "kx_core.h"
#include "kx_obj.h"
#include "tests/support/heap.h"

namespace {

namespace ctl = host::control;

// The journal's switch as the process loaded it, before any test reset the
// host (the switch is constant-initialised, so it is set before this reads it).
const bool journal_at_load = host::hook_detail::j_on;

using kxtest::heap_in_use;

class SteadyMemory : public FreshProcess {};

TEST_F(SteadyMemory, JournalIsOffAsLoadedAndOnAfterAReset) {
    EXPECT_FALSE(journal_at_load) << "a user process journals every host call";
    ctl::set_journal(false);
    ctl::reset();
    const unsigned int object = ctl::make_part("reset.prt", {{3, 0}}).objects[0];
    ctl::clear_journal();
    int type = 0, subtype = -1;
    ASSERT_EQ(KX_initialize(), 0);
    ASSERT_EQ(KX_OBJ_ask_type_and_subtype(object, &type, &subtype), 0);
    EXPECT_EQ(type, 3);
    EXPECT_GT(ctl::call_count("ERROR_set_handler"), 0) << "the tests' reset turns the journal on";
}

// Ten million framed queries of a live object with the journal as loaded:
// the heap may grow while the first million warm up (the library's and the
// host's lazily made tables), and by less than 1 MB over the next nine
// million. A journal left on would take 768 bytes a call (six records of
// 128 bytes), some 6.9 GB over them. The loop is a bare query, so that the
// count stays within seconds under the sanitizers.
TEST_F(SteadyMemory, TenMillionFramedQueriesKeepTheHeapFlat) {
    ctl::set_journal(journal_at_load);
    const unsigned int object = ctl::make_part("steady.prt", {{3, 0}, {5, 0}}).objects[1];
    ASSERT_EQ(KX_initialize(), 0);
    constexpr long kWarmUp = 1'000'000;
    constexpr long kCalls = 10'000'000;
    std::size_t after_warm_up = 0;
    long failures = 0;
    for (long i = 1; i <= kCalls; ++i) {
        int type = 0, subtype = -1;
        failures += KX_OBJ_ask_type_and_subtype(object, &type, &subtype) != 0 || type != 5 || subtype != 0;
        if (i == kWarmUp) after_warm_up = heap_in_use();
    }
    const std::size_t at_end = heap_in_use();
    RecordProperty("heap_growth_bytes", std::to_string(static_cast<long long>(at_end) - static_cast<long long>(after_warm_up)));
    EXPECT_EQ(failures, 0);
    EXPECT_LT(at_end, after_warm_up + (std::size_t{1} << 20))
        << "the heap grew by " << (static_cast<double>(at_end) - static_cast<double>(after_warm_up))
        << " bytes over nine million queries";
    EXPECT_TRUE(ctl::journal().empty());
    EXPECT_EQ(ctl::frame_depth(), 0);
}

}  // namespace
