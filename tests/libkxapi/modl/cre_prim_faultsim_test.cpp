// The primitive creators under fault simulation: a host error at each host
// call of the story must leave a clean status, no armed frame, no leaked
// block and, where a call failed, the model, the undo marks and the
// caller's output as before it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

constexpr tag kUnset = 77;

void model() {
    kxtest::fresh_process();
    KX_initialize();
    CONTEXT_set_work_part(host::parts::create("prims.prt"));
    KX_MODL_create_exp("L=50");
}

// A failed call leaves the caller's output alone: a changed one stops the
// process, which the simulation reports.
template <class F>
int made(const char* call, tag* out, F&& f) {
    *out = kUnset;
    const int st = faultsim::step(call, f);
    if (st != 0 && *out != kUnset) std::abort();
    return st;
}

int primitives() {
    double corner[] = {0, 0, 0}, at[] = {50, 25, 0}, aside[] = {20, 25, 0}, up[] = {0, 0, 1}, far[] = {100, 50, 20};
    const char* sizes[] = {"2*L", "50", "20"};
    const char* diameters[] = {"20", "10"};
    tag block = NULL_TAG, body = NULL_TAG, hole = NULL_TAG, cone = NULL_TAG, ball = NULL_TAG;
    if (int st = made("KX_MODL_create_block", &block,
                      [&] { return KX_MODL_create_block(0, NULL_TAG, corner, sizes, &block); }))
        return st;
    if (int st = KX_MODL_ask_feat_body(block, &body)) return st;
    if (int st = made("KX_MODL_create_cylinder", &hole,
                      [&] { return KX_MODL_create_cylinder(2, body, at, "20", "20", up, &hole); }))
        return st;
    if (int st = made("KX_MODL_create_cone", &cone,
                      [&] { return KX_MODL_create_cone(1, body, aside, diameters, "30", up, &cone); }))
        return st;
    return made("KX_MODL_create_sphere", &ball, [&] { return KX_MODL_create_sphere(3, body, far, "20", &ball); });
}

TEST(PrimitiveFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"primitives", primitives, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
