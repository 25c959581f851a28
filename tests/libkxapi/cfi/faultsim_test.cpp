// A program of the old file interface's framed entries under fault
// simulation: with a host error raised at each host call in turn, every
// call ends with a status, leaves no frame armed and no block behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "kx_cfi.h"
#include "kx_core.h"
#include "libkxapi/cfi/kx_cfi_internal.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

int story() {
    char buf[KX_CFI_FSPEC_BUFSIZE], dir[KX_CFI_FSPEC_BUFSIZE], name[KX_CFI_FSPEC_BUFSIZE];
    if (step("KX_initialize", [] { return KX_initialize(); })) return 1;
    const int out = step("uc4504", [] { return uc4504("f.prt", 0, 0); });
    if (out <= 0) return 1;
    if (step("uc4540", [&] { return uc4540(out, 0); })) return 1;
    const int in = step("uc4500", [] { return uc4500("f.prt", 0, 0); });
    if (in <= 0) return 1;
    if (step("uc4510", [&] { return uc4510(in, 0, buf); })) return 1;
    if (step("uc4540", [&] { return uc4540(in, 0); })) return 1;
    if (step("uc4563", [] { return uc4563("sub"); })) return 1;
    if (step("uc4565", [&] { return uc4565(0, buf); })) return 1;
    if (step("uc4567", [] { return uc4567("f.prt", "sub/g", 0, 0, 2); })) return 1;
    if (step("uc4612", [] { return uc4612("f.prt", 2, 5); })) return 1;
    if (step("uc4617", [] { return uc4617("f.prt", 0, "text"); })) return 1;
    if (step("uc4564", [] { return uc4564("f.prt", 0, 0x25); })) return 1;
    if (step("uc4570", [] { return uc4570("f.prt", 1); })) return 1;
    if (step("uc4573", [&] { return uc4573("f.prt", 0, buf); })) return 1;
    if (step("uc4574", [&] { return uc4574("a/f.prt", 0, buf); })) return 1;
    if (step("uc4575", [&] { return uc4575("a", 2, "f", buf); })) return 1;
    if (step("uc4576", [&] { return uc4576("a/f.prt", 0, dir, name); })) return 1;
    if (step("uc4578", [&] { return uc4578("a/f.prt", 0, buf); })) return 1;
    if (step("uc4579", [&] { return uc4579("f.prt", 0, buf); })) return 1;
    if (step("uc4595", [&] { return uc4595(1, buf); })) return 1;
    if (step("uc4901", [&] { return uc4901(buf); })) return 1;
    const int t[2] = {20000, 100};
    char date[KX_CFI_DATE_BUFSIZE], time[KX_CFI_DATE_BUFSIZE];
    if (step("uc4582", [&] { return uc4582(t, date, time); })) return 1;
    int back[2];
    if (step("uc4583", [&] { return uc4583(date, time, back); })) return 1;
    int flags[13] = {}, sel[12] = {};
    if (step("uc4650", [&] { return uc4650(".", 2, 1, flags, sel, "*.prt"); })) return 1;
    if (step("uc4561", [] { return uc4561("sub/g.prt", 0); })) return 1;
    return 0;
}

TEST(CfiFaultSimulation, EveryRunEndsClean) {
    faultsim::Story s{"cfi", story, [] {
                          kxtest::fresh_process();
                          kx_cfi_reset_for_tests();
                          kx_cfi_reset_arguments_for_tests();
                      }};
    const faultsim::Report r = faultsim::simulate(s);
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 20u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_TRUE(r.faults.empty()) << faultsim::describe(r);
}

}  // namespace
