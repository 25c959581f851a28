/* The host's curve profiles, curve-manager objects and the points and
 * directions that feature parameters take from curves, planes and faces.
 *
 * Strings. A string list (CMP_strings_t, the layout of the interface's
 * string_list) groups curves into strings, each with a direction flag.
 * CMP_validate_strings checks them for a profile: at least one string,
 * every string at least one object, every object a live curve or edge, and
 * within a string each curve meets the next one (an end of one within the
 * distance tolerance of an end of the other). A valid list is kept in the
 * profile; an invalid one writes a non-zero error (CMP_ERR_*) and leaves
 * the profile empty.
 *
 * A curve-manager object (a positive 32-bit handle) keeps a validated
 * string list for a feature; CMP_set_string_from_cm gives it back as a new
 * string list (arrays from SM_alloc). Curve-manager objects live as long as
 * the session (the features that hold them are the host's).
 *
 * A skin profile (SKIN_profile_t) lists the curves of a curve-manager
 * object with their senses and the parameter where each begins (three
 * SM_alloc'd arrays); convert_profile_2_cv gives the curve the profile
 * stands for: its curve when it has one; a profile of several curves has no
 * single curve (error CMP_ERR_NOT_ONE_CURVE, NULL tag).
 *
 * Curves: evcrvp answers an evaluator's parameter range; em015a the closest
 * point of a curve to a point (status 0), or status -1 when the curve's
 * closest point lies farther than EM015A_MAX_DISTANCE from it.
 * CMP_find_planar_normal answers 1 with the unit normal of the plane in
 * which all the curves lie (within 1e-6) and a point of it, else 0.
 *
 * Directions: datum planes (197), planes (46) and datum axes (196) carry a
 * point and a unit direction (host::profiles::create_direction_object makes
 * them). Faces: KI_idsoff answers a face's surface and a sense flag (1 when
 * the face's normal runs against its surface's; a sheet body of one face
 * stands for that face), KI_clpten the closest
 * point of a face to a point (by its surface parameters), KI_enpops the
 * surface's point and unit normal at surface parameters.
 *
 * Every routine is journalled; dead tags raise HOST_ERR_DEAD_TAG, null
 * pointers HOST_ERR_NULL_ARGUMENT, unknown profiles or curve-manager
 * objects HOST_ERR_BAD_ARGUMENT. */
#ifndef HOST_FEATURE_PROFILES_H
#define HOST_FEATURE_PROFILES_H

#define CMP_ERR_NO_STRINGS    1
#define CMP_ERR_NOT_A_CURVE   2
#define CMP_ERR_NOT_CONNECTED 3
#define CMP_ERR_NOT_ONE_CURVE 4

#define EM015A_MAX_DISTANCE 1.0e4

typedef struct CMP_strings_s {
    int count;
    int* per_string;
    int* dir;
    unsigned int* objects;
} CMP_strings_t;

typedef struct SKIN_profile_s {
    int count;
    unsigned int* curves;
    int* senses;
    double* starts;
} SKIN_profile_t;

/* The host's law record: how a feature parameter varies (law types 1 to 7),
 * filled by the interface and handed over with the feature's data. */
typedef struct host_law_s {
    int type;
    double one;
    double tolerance;
    double zero;
    double tolerance2;
    double fine_tolerance;
    int spine;     /* curve-manager object, 0 for none */
    int law_curve; /* curve-manager object (type 7), else 0 */
    unsigned int base_direction;
    int base_sense;
    double frame[6];
    int n_position_doubles;
    int n_values;
    double* positions; /* n_values points (types 4 and 6) */
    double* parameters;
    double* values;
    unsigned int* expressions;
    int reserved[2];
    unsigned int exp_a, exp_b;
    int reserved2;
} host_law;

#include "host/numeric/tolerances.h"

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* ---- profiles and curve-manager objects ---- */
void CMP_create_cmp_profile(int* profile);
void CMP_free_cmp_profile(int profile);
void CMP_validate_strings(int mode, int kind, int chaining, int flags, const CMP_strings_t* strings,
                          const double tolerances[2], int profile, int* error);
int CMP_set_cm_from_cmp(int profile, int a, int b, int c, double tolerance, int d);
void CMP_set_string_from_cm(int count, const int* objects, CMP_strings_t* strings);
void CMP_set_string_from_cm_1(int count, const int* objects, CMP_strings_t* strings);
int CMP_find_planar_normal(int count, const unsigned int* curves, double normal[3], double point[3]);
void SKIN_assign_skin_profile(int mode, int object, SKIN_profile_t* skin, int* error);
unsigned int convert_profile_2_cv(const SKIN_profile_t* skin, double tolerance, int* error);

/* ---- curves ---- */
void evcrvp(unsigned int evaluator, double range[2]);
void em015a(unsigned int evaluator, const double point[3], double* parameter, double foot[3], int* status);

/* ---- directions of planes and axes ---- */
void DPLANE_ask_direction(unsigned int plane, double direction[3]);
void DAXIS_ask_direction(unsigned int axis, double direction[3]);
/* point (three doubles), normal (three doubles) */
void ES_ask_plane_data(unsigned int plane, double data[6]);

/* ---- faces ---- */
void KI_idsoff(int face, int* surface, int* sense);
/* Closest point of the face to the point: *found 1 with the surface
 * parameters, else 0. */
void KI_clpten(const double point[3], int face, double uv[2], int* found);
void KI_enpops(int surface, double u, double v, double point[3], double normal[3]);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <vector>

namespace host::profiles {

using tag_t = unsigned int;

// A datum plane, plane or datum axis of the part (an object of the entity
// type) through the point along the direction.
tag_t create_direction_object(tag_t part, int type, const double point[3], const double direction[3]);
// The point and unit direction of such an object (false for another).
bool direction_data(tag_t object, double point[3], double direction[3]);
// Gives an object of those types its point and direction (made unit).
void set_direction(tag_t object, const double point[3], const double direction[3]);
// Strings of objects as the host keeps them.
struct Strings {
    std::vector<int> per_string;
    std::vector<int> dir;
    std::vector<tag_t> objects;
};
// A new string list of the strings (arrays from SM_alloc).
void hand_out(const Strings& strings, CMP_strings_t* out);
// The strings kept by a curve-manager object (empty for an unknown one).
std::vector<tag_t> objects_of_cm(int cm);
// A new curve-manager object keeping the strings as they are (no checks:
// the strings of a feature whose curves may have gone since).
int make_cm(const Strings& strings);
// The strings a curve-manager object keeps (empty for an unknown one).
Strings strings_of_cm(int cm);

}  // namespace host::profiles
#endif

#endif
