// Fixed-size array arithmetic shared by the matrix and vector functions.
// Every routine forms its result in local storage before storing it, so an
// output may alias an input.
#ifndef KX_MTX_KX_MTX_INTERNAL_H
#define KX_MTX_KX_MTX_INTERNAL_H

#include <array>
#include <cmath>

namespace kx::linalg {

template <int N>
using Arr = std::array<double, N>;

template <int N>
inline Arr<N> load(const double* p) {
    Arr<N> r;
    for (int i = 0; i < N; ++i) r[i] = p[i];
    return r;
}

template <int N>
inline void store(const Arr<N>& a, double* p) {
    for (int i = 0; i < N; ++i) p[i] = a[i];
}

// out = s a + t b, the building block of the combination functions.
template <int N>
inline void combine(double s, const double* a, double t, const double* b, double* out) {
    Arr<N> r;
    for (int i = 0; i < N; ++i) r[i] = s * a[i] + t * b[i];
    store<N>(r, out);
}

template <int N>
inline void scale(double s, const double* a, double* out) {
    Arr<N> r;
    for (int i = 0; i < N; ++i) r[i] = s * a[i];
    store<N>(r, out);
}

template <int N>
inline double dot(const double* a, const double* b) {
    double s = 0;
    for (int i = 0; i < N; ++i) s += a[i] * b[i];
    return s;
}

template <int N>
inline double distance_sq(const double* a, const double* b) {
    double s = 0;
    for (int i = 0; i < N; ++i) s += (a[i] - b[i]) * (a[i] - b[i]);
    return s;
}

// The cross product, stored component by component (the output must not
// be one of the inputs), as KX_VEC3_cross gives it.
inline void cross(const double* a, const double* b, double* out) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// (p, weight) scaled by the weight, as KX_VEC3_vec4_homogen gives it.
inline void homogen(const double* p, double weight, double* out) {
    const double r[4] = {weight * p[0], weight * p[1], weight * p[2], weight};
    for (int i = 0; i < 4; ++i) out[i] = r[i];
}

// Square N x N matrices, row-major.
template <int N>
inline void identity(double* m) {
    Arr<N * N> r{};
    for (int i = 0; i < N; ++i) r[i * (N + 1)] = 1.0;
    store<N * N>(r, m);
}

template <int N>
inline void transpose(const double* m, double* out) {
    Arr<N * N> r;
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j) r[j * N + i] = m[i * N + j];
    store<N * N>(r, out);
}

// out = m v, or m^T v when transposed.
template <int N>
inline void mul_vec(const double* v, const double* m, bool transposed, double* out) {
    Arr<N> r;
    for (int i = 0; i < N; ++i) {
        double s = 0;
        for (int j = 0; j < N; ++j) s += (transposed ? m[j * N + i] : m[i * N + j]) * v[j];
        r[i] = s;
    }
    store<N>(r, out);
}

// Row `row` of an N-column matrix, its first K elements.
template <int K, int N>
inline void take_row(const double* m, int row, double* out) {
    Arr<K> r;
    for (int i = 0; i < K; ++i) r[i] = m[row * N + i];
    store<K>(r, out);
}

}  // namespace kx::linalg

namespace kx::mtx {

// The orthonormal frame of x and of the part of y at right angles to it,
// as rows of mtx (KX_MTX3_initialize without its boundary guard): 0, or 1
// when x or y has no length or they are parallel; host errors go to the
// caller's frame.
int frame_of_rows(const double x_vec[3], const double y_vec[3], double mtx[9]);

}  // namespace kx::mtx

#endif
