// The vector comparisons (equal, zero) and the distance to a plane answer
// a status and make no host call either: each is called once with the
// journal on, with operands that are neither unit nor zero, and the journal
// stays empty. Their no-host-call lines of
// tests/support/faultsim_unwalked.txt rest on this. (The other matrix and
// vector functions that answer a status reach the host's own matrix
// routines: a fault-simulation story walks them.)
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/control/faultsim.h"
#include "kx_mtx.h"

namespace {

struct Buf {
    double v[8][16];
    int flag = 0;
    double a = 0, b = 0;
    Buf() {
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 16; ++j) v[i][j] = 1.25 + 0.5 * i - 0.375 * j + 0.0625 * j * j;
    }
    double* operator[](int i) { return v[i]; }
};

struct Row {
    const char* name;
    void (*call)(Buf&);
};

const Row kRows[] = {
        {"KX_VEC2_is_equal", [](Buf& b) { KX_VEC2_is_equal(b[0], b[1], 1e-6, &b.flag); }},
        {"KX_VEC2_is_zero", [](Buf& b) { KX_VEC2_is_zero(b[0], 1e-6, &b.flag); }},
        {"KX_VEC3_distance_to_plane", [](Buf& b) { KX_VEC3_distance_to_plane(b[0], b[1], b[2], 1e-6, &b.a); }},
        {"KX_VEC3_is_equal", [](Buf& b) { KX_VEC3_is_equal(b[0], b[1], 1e-6, &b.flag); }},
        {"KX_VEC3_is_zero", [](Buf& b) { KX_VEC3_is_zero(b[0], 1e-6, &b.flag); }},
        {"KX_VEC4_is_equal", [](Buf& b) { KX_VEC4_is_equal(b[0], b[1], 1e-6, &b.flag); }},
        {"KX_VEC4_is_zero", [](Buf& b) { KX_VEC4_is_zero(b[0], 1e-6, &b.flag); }},
};

TEST(NoHostCall, VectorComparisonsAndPlaneDistance) {
    host::control::reset();
    for (const Row& r : kRows) {
        Buf b;
        host::control::clear_journal();
        r.call(b);
        EXPECT_EQ(host::control::journal_size(), 0u) << r.name;
    }
}

}  // namespace
