// The working parts of the matrix and vector routines, for use inside the
// host's mathematics library without going through the journalled entry
// points of linalg.h.
#ifndef HOST_NUMERIC_LINALG_IMPL_H
#define HOST_NUMERIC_LINALG_IMPL_H

namespace hostnum {

// unit = v / |v| (n = 2 or 3) unless |v| <= tolerance or v is zero; the
// magnitude (may be null) is stored either way.
bool unitize(const double* v, int n, double tolerance, double* magnitude, double* unit);
// A unit vector at right angles to v (see VEC3_ask_perpendicular).
bool perpendicular3(const double* v, double* out);
// Parallel (|a x b| <= tol |a||b|) or perpendicular (|a . b| <= tol |a||b|).
bool relation(const double* a, const double* b, int n, double tolerance, bool parallel);
// Orthonormal rows from an X and a Y direction (Y made perpendicular).
bool frame3(const double* x, const double* y, double out[9]);

}  // namespace hostnum

#endif
