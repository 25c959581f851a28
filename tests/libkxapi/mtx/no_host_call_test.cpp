// The matrix and vector functions that answer nothing (void) make no host
// call: each is called once with the journal on, and the journal stays
// empty. This is what their no-host-call lines of
// tests/support/faultsim_unwalked.txt rest on: there is nothing for the
// fault simulation to inject an error into.
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/control/faultsim.h"
#include "kx_mtx.h"

namespace {

// Operand buffers of sixteen values each, not a unit matrix nor zeros.
struct Buf {
    double v[6][16];
    Buf() {
        for (int i = 0; i < 6; ++i)
            for (int j = 0; j < 16; ++j) v[i][j] = 1.25 + 0.5 * i - 0.375 * j;
    }
    double* operator[](int i) { return v[i]; }
};

struct Row {
    const char* name;
    void (*call)(Buf&);
};

const Row kRows[] = {
        {"KX_MTX2_copy", [](Buf& b) { KX_MTX2_copy(b[0], b[1]); }},
        {"KX_MTX2_determinant", [](Buf& b) { KX_MTX2_determinant(b[0], b[1]); }},
        {"KX_MTX2_identity", [](Buf& b) { KX_MTX2_identity(b[0]); }},
        {"KX_MTX2_multiply", [](Buf& b) { KX_MTX2_multiply(b[0], b[1], b[2]); }},
        {"KX_MTX2_multiply_t", [](Buf& b) { KX_MTX2_multiply_t(b[0], b[1], b[2]); }},
        {"KX_MTX2_transpose", [](Buf& b) { KX_MTX2_transpose(b[0], b[1]); }},
        {"KX_MTX2_vec_multiply", [](Buf& b) { KX_MTX2_vec_multiply(b[0], b[1], b[2]); }},
        {"KX_MTX2_vec_multiply_t", [](Buf& b) { KX_MTX2_vec_multiply_t(b[0], b[1], b[2]); }},
        {"KX_MTX2_x_vec", [](Buf& b) { KX_MTX2_x_vec(b[0], b[1]); }},
        {"KX_MTX2_y_vec", [](Buf& b) { KX_MTX2_y_vec(b[0], b[1]); }},
        {"KX_MTX3_copy", [](Buf& b) { KX_MTX3_copy(b[0], b[1]); }},
        {"KX_MTX3_determinant", [](Buf& b) { KX_MTX3_determinant(b[0], b[1]); }},
        {"KX_MTX3_identity", [](Buf& b) { KX_MTX3_identity(b[0]); }},
        {"KX_MTX3_mtx4", [](Buf& b) { KX_MTX3_mtx4(b[0], b[1]); }},
        {"KX_MTX3_transpose", [](Buf& b) { KX_MTX3_transpose(b[0], b[1]); }},
        {"KX_MTX3_vec_multiply", [](Buf& b) { KX_MTX3_vec_multiply(b[0], b[1], b[2]); }},
        {"KX_MTX3_vec_multiply_t", [](Buf& b) { KX_MTX3_vec_multiply_t(b[0], b[1], b[2]); }},
        {"KX_MTX3_x_vec", [](Buf& b) { KX_MTX3_x_vec(b[0], b[1]); }},
        {"KX_MTX3_y_vec", [](Buf& b) { KX_MTX3_y_vec(b[0], b[1]); }},
        {"KX_MTX3_z_vec", [](Buf& b) { KX_MTX3_z_vec(b[0], b[1]); }},
        {"KX_MTX4_initialize", [](Buf& b) { KX_MTX4_initialize(0.75, b[0], b[1], b[2]); }},
        {"KX_MTX4_ask_rotation", [](Buf& b) { KX_MTX4_ask_rotation(b[0], b[1]); }},
        {"KX_MTX4_edit_rotation", [](Buf& b) { KX_MTX4_edit_rotation(b[0], b[1]); }},
        {"KX_MTX4_ask_translation", [](Buf& b) { KX_MTX4_ask_translation(b[0], b[1]); }},
        {"KX_MTX4_edit_translation", [](Buf& b) { KX_MTX4_edit_translation(b[0], b[1]); }},
        {"KX_MTX4_ask_scale", [](Buf& b) { KX_MTX4_ask_scale(b[0], b[1]); }},
        {"KX_MTX4_edit_scale", [](Buf& b) { KX_MTX4_edit_scale(b[0], 0.75); }},
        {"KX_MTX4_copy", [](Buf& b) { KX_MTX4_copy(b[0], b[1]); }},
        {"KX_MTX4_identity", [](Buf& b) { KX_MTX4_identity(b[0]); }},
        {"KX_MTX4_transpose", [](Buf& b) { KX_MTX4_transpose(b[0], b[1]); }},
        {"KX_MTX4_vec_multiply", [](Buf& b) { KX_MTX4_vec_multiply(b[0], b[1], b[2]); }},
        {"KX_MTX4_vec_multiply_t", [](Buf& b) { KX_MTX4_vec_multiply_t(b[0], b[1], b[2]); }},
        {"KX_MTX4_vec3_multiply", [](Buf& b) { KX_MTX4_vec3_multiply(b[0], b[1], b[2]); }},
        {"KX_MTX4_vec3_multiply_t", [](Buf& b) { KX_MTX4_vec3_multiply_t(b[0], b[1], b[2]); }},
        {"KX_MTX4_x_vec", [](Buf& b) { KX_MTX4_x_vec(b[0], b[1]); }},
        {"KX_MTX4_y_vec", [](Buf& b) { KX_MTX4_y_vec(b[0], b[1]); }},
        {"KX_MTX4_z_vec", [](Buf& b) { KX_MTX4_z_vec(b[0], b[1]); }},
        {"KX_VEC2_add", [](Buf& b) { KX_VEC2_add(b[0], b[1], b[2]); }},
        {"KX_VEC2_sub", [](Buf& b) { KX_VEC2_sub(b[0], b[1], b[2]); }},
        {"KX_VEC2_negate", [](Buf& b) { KX_VEC2_negate(b[0], b[1]); }},
        {"KX_VEC2_scale", [](Buf& b) { KX_VEC2_scale(0.75, b[0], b[1]); }},
        {"KX_VEC2_affine_comb", [](Buf& b) { KX_VEC2_affine_comb(b[0], 0.75, b[1], b[2]); }},
        {"KX_VEC2_convex_comb", [](Buf& b) { KX_VEC2_convex_comb(0.75, b[0], b[1], b[2]); }},
        {"KX_VEC2_linear_comb", [](Buf& b) { KX_VEC2_linear_comb(0.75, b[0], 0.75, b[1], b[2]); }},
        {"KX_VEC2_midpt", [](Buf& b) { KX_VEC2_midpt(b[0], b[1], b[2]); }},
        {"KX_VEC2_dot", [](Buf& b) { KX_VEC2_dot(b[0], b[1], b[2]); }},
        {"KX_VEC2_cross", [](Buf& b) { KX_VEC2_cross(b[0], b[1], b[2]); }},
        {"KX_VEC2_mag", [](Buf& b) { KX_VEC2_mag(b[0], b[1]); }},
        {"KX_VEC2_distance", [](Buf& b) { KX_VEC2_distance(b[0], b[1], b[2]); }},
        {"KX_VEC2_rotate", [](Buf& b) { KX_VEC2_rotate(b[0], 0.75, b[1]); }},
        {"KX_VEC2_copy", [](Buf& b) { KX_VEC2_copy(b[0], b[1]); }},
        {"KX_VEC2_vec3", [](Buf& b) { KX_VEC2_vec3(b[0], b[1]); }},
        {"KX_VEC3_add", [](Buf& b) { KX_VEC3_add(b[0], b[1], b[2]); }},
        {"KX_VEC3_sub", [](Buf& b) { KX_VEC3_sub(b[0], b[1], b[2]); }},
        {"KX_VEC3_negate", [](Buf& b) { KX_VEC3_negate(b[0], b[1]); }},
        {"KX_VEC3_scale", [](Buf& b) { KX_VEC3_scale(0.75, b[0], b[1]); }},
        {"KX_VEC3_affine_comb", [](Buf& b) { KX_VEC3_affine_comb(b[0], 0.75, b[1], b[2]); }},
        {"KX_VEC3_convex_comb", [](Buf& b) { KX_VEC3_convex_comb(0.75, b[0], b[1], b[2]); }},
        {"KX_VEC3_linear_comb", [](Buf& b) { KX_VEC3_linear_comb(0.75, b[0], 0.75, b[1], b[2]); }},
        {"KX_VEC3_midpt", [](Buf& b) { KX_VEC3_midpt(b[0], b[1], b[2]); }},
        {"KX_VEC3_dot", [](Buf& b) { KX_VEC3_dot(b[0], b[1], b[2]); }},
        {"KX_VEC3_cross", [](Buf& b) { KX_VEC3_cross(b[0], b[1], b[2]); }},
        {"KX_VEC3_triple", [](Buf& b) { KX_VEC3_triple(b[0], b[1], b[2], b[3]); }},
        {"KX_VEC3_mag", [](Buf& b) { KX_VEC3_mag(b[0], b[1]); }},
        {"KX_VEC3_distance", [](Buf& b) { KX_VEC3_distance(b[0], b[1], b[2]); }},
        {"KX_VEC3_copy", [](Buf& b) { KX_VEC3_copy(b[0], b[1]); }},
        {"KX_VEC3_vec2", [](Buf& b) { KX_VEC3_vec2(b[0], b[1]); }},
        {"KX_VEC3_vec4", [](Buf& b) { KX_VEC3_vec4(b[0], b[1]); }},
        {"KX_VEC3_vec4_homogen", [](Buf& b) { KX_VEC3_vec4_homogen(b[0], 0.75, b[1]); }},
        {"KX_VEC4_copy", [](Buf& b) { KX_VEC4_copy(b[0], b[1]); }},
        {"KX_VEC4_scale", [](Buf& b) { KX_VEC4_scale(0.75, b[0], b[1]); }},
        {"KX_VEC4_vec3", [](Buf& b) { KX_VEC4_vec3(b[0], b[1]); }},
        {"KX_VEC4_vec3_homogen", [](Buf& b) { KX_VEC4_vec3_homogen(b[0], b[1]); }},
};

TEST(NoHostCall, MatrixAndVectorFunctionsThatAnswerNothing) {
    host::control::reset();
    for (const Row& r : kRows) {
        Buf b;
        host::control::clear_journal();
        r.call(b);
        EXPECT_EQ(host::control::journal_size(), 0u) << r.name;
    }
}

}  // namespace
