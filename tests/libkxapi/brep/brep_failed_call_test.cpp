// Boundary-representation calls that meet a host error: the topology query
// gives the caller nothing and the process goes on, freeing geometry
// records gives back every record it can, and the identifier query answers
// 0 with the kernel's error dealt with.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "host/base/services/memory.h"
#include "host/control/control.h"
#include "host/kernel/engine/kernel.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/fresh_process.h"
#include "tests/support/host_call_points.h"

namespace {

constexpr int kCode = 670099;

int fresh_block() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("brep_failed.prt");
    host::parts::set_work_part(part);
    const double at[3] = {2, 1, 0}, size[3] = {5, 3, 7};
    int b = 0;
    ZQ_BODY_make_block(at, size, &b);
    host::control::clear_journal();
    return b;
}

// Each host call of the edge query raised in turn (in a child process: a
// raise that escapes a destructor stops it): the call answers the code and
// hands over no records.
TEST(BrepFailedCall, TopologyQueryRaisedAtEachHostCallHandsNothingOver) {
    EXPECT_EXIT(
        {
            int b = fresh_block();
            int n = 0;
            brep_state* s = nullptr;
            KX_BREP_ask_topology(b, ZQ_CLASS_EDGE, 0, &n, &s);
            const auto points = kxtest::host_call_points();
            KX_free(s);
            bool ok = !points.empty();
            for (const auto& [name, nth] : points) {
                b = fresh_block();
                host::control::raise_on(name.c_str(), kCode, nth);
                n = -1;
                s = reinterpret_cast<brep_state*>(&n);
                const int st = KX_BREP_ask_topology(b, ZQ_CLASS_EDGE, 0, &n, &s);
                if (st != kCode || n != 0 || s != nullptr) ok = false;
            }
            std::exit(ok ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

// The second record's spline form fails to be freed: the array and the
// other records are given back all the same, and the failure is the answer.
TEST(BrepFailedCall, FreeingGeometryGoesOnPastARecordThatFails) {
    const int b = fresh_block();
    const int entities[] = {host::kernel::faces_of(b).at(0), host::kernel::edges_of(b).at(0),
                            host::kernel::faces_of(b).at(2)};
    int ng = 0, ns = 0;
    brep_geometry* g = nullptr;
    brep_state* s = nullptr;
    ASSERT_EQ(KX_BREP_ask_geometry(3, entities, 1, &ng, &g, &ns, &s), 0);
    ASSERT_EQ(ng, 3);
    const double* third_poles = g[2].spline.poles;
    ASSERT_NE(third_poles, nullptr);
    const brep_spline kept = g[1].spline;  // the host keeps it when its release fails
    host::control::raise_on("ZQ_free_bspline", kCode, 2);
    EXPECT_EQ(KX_BREP_free_geometry_data(ng, g), kCode);
    EXPECT_FALSE(host::memory::is_live(third_poles)) << "the record after the failed one is given back";
    EXPECT_FALSE(host::memory::is_live(g)) << "the array is given back";
    for (double* p : {kept.poles, kept.weights, kept.uknots, kept.vknots}) KX_free(p);
}

// The identifier of an entity the kernel fails on is 0, and the kernel's
// error is dealt with (acknowledged) by the call.
TEST(BrepFailedCall, IdentifierQueryAcknowledgesTheKernelsError) {
    for (const char* routine : {"PX_BREP_ask_identifier", "ZQ_ENTITY_ask_class"}) {
        SCOPED_TRACE(routine);
        const int b = fresh_block();
        const int edge = host::kernel::edges_of(b).at(3);
        host::control::raise_on(routine, kCode, 1);
        int id = 77;
        KX_BREP_ask_identifier(edge, &id);
        EXPECT_EQ(id, 0);
        EXPECT_EQ(host::control::call_count("ERROR_acknowledge_handled"), 1);
    }
}

}  // namespace
