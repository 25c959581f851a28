// Small value type for three-component vectors, used inside the host's
// mathematics routines (not part of any C interface).
#ifndef HOST_NUMERIC_V3_H
#define HOST_NUMERIC_V3_H

#include <cmath>

namespace hostnum {

struct V3 {
    double x = 0, y = 0, z = 0;

    static V3 load(const double* p) { return {p[0], p[1], p[2]}; }
    void store(double* p) const {
        p[0] = x;
        p[1] = y;
        p[2] = z;
    }
    double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
};

inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator-(V3 a) { return {-a.x, -a.y, -a.z}; }
inline V3 operator*(double s, V3 a) { return {s * a.x, s * a.y, s * a.z}; }
inline V3& operator+=(V3& a, V3 b) { return a = a + b; }
inline V3& operator-=(V3& a, V3 b) { return a = a - b; }
inline double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double norm(V3 a) { return std::sqrt(dot(a, a)); }

}  // namespace hostnum

#endif
