/* The host's skinning service: free-form features made from validated
 * strings of curves (profiles of host/model/feature/profiles.h), their sheets
 * and bodies computed by the solid kernel (host/kernel/ops/through_curves.h) and their
 * definitions kept with the feature (host/apps/modeling/freeform/freeform_defs.h).
 *
 * Creator kinds: SKIN_KIND_* of freeform_defs.h (2 curve mesh, 3 through
 * curves, 4 ruled, 5 bounded plane; the sweep has a creator of its own).
 * Profiles: five validated profiles, by role: 0 first strings, 1 cross
 * strings, 4 spine (the others unused here); 0 for none.
 *
 * The parameter block handed over by the interface: nine texts (three
 * tolerances, six alignment values), five integers (first method number,
 * patch kind, fit method, degree, closed flag), six alignment texts.
 *
 * The feature is made in the work part. With a boolean type 1 to 3, a
 * solid result and a current target (BREF_set_current_target) the new body
 * is united with, subtracted from or intersected with the target, and the
 * feature lives on it; otherwise it makes a new sheet or solid.
 * A constructor that cannot build reports 1 through its failure output
 * (the kernel's code is noted on the host log); the model is then as it
 * was.
 *
 * Conditions: SKIN_ask_solid_condition answers 1 when every string of the
 * first profile is closed; SKIN_ask_bplane_condition answers 0, 670971
 * (the boundaries lie in no one plane) or 670972 (a boundary is open, or a
 * hole crosses or lies outside the first boundary).
 * The free-form result word: simpsurf_[0] (customer defaults).
 */
#ifndef HOST_FREEFORM_SKINNING_H
#define HOST_FREEFORM_SKINNING_H

#include "host/base/services/codes.h"
#include "host/model/feature/profiles.h"

#define HOST_SKIN_CODES(X)            \
    X(SKIN_BPLANE_NOT_PLANAR, 670971) \
    X(SKIN_BPLANE_CROSSING, 670972)
HOST_BARE_CODE_CONSTANTS(HOST_SKIN_CODES);

#define SKIN_N_PROFILES 5
#define SKIN_N_TEXTS    9
#define SKIN_N_INTS     5
#define SKIN_N_ALIGN    6

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

extern int simpsurf_[4];

/* The sweep method record the interface hands over (orientation, scaling). */
typedef struct SKIN_method_s {
    int method;
    int sub_method;
    int reserved;
    double values[3];
    CMP_strings_t* curves;
} SKIN_method_t;

/* Temporary undo marks of the skinning creators. */
void CMERR_set_temp_undo_mark(unsigned int* mark, const char* name);
void CMERR_undo_and_delete_mark(unsigned int mark, int flag);

void CMP_reset_cmp_profile(int* profile);
/* A copy of the strings, the first string the one that encloses the most
 * area (the outer boundary); free it with CMP_free_string_list and SM_free. */
CMP_strings_t* CMP_reorder_strings(const CMP_strings_t* strings, int a, int b, int c, const double tolerances[3]);
void CMP_free_string_list(CMP_strings_t* strings);

int SKIN_ask_solid_condition(int a, int b, int profile, int other);
void SKIN_set_plane_tol_condition(int a, int profile, double tolerance);
void SKIN_toward_first_profile(double tolerance, int profile, int a, int other);
int SKIN_ask_cvmesh_spine_condition(int profile);
int SKIN_check_perp_spine_condition(int spine, int profile, const double tolerances[3]);
int SKIN_ask_fit_method(double tolerance, int alignment);
int SKIN_ask_bplane_condition(int a, int profile);

int SKIN_CONSTR_create_frec(int kind, int boolean_type, char* const texts[SKIN_N_TEXTS], const int ints[SKIN_N_INTS],
                            char* const align[SKIN_N_ALIGN], const int profiles[SKIN_N_PROFILES], int solid,
                            const unsigned int* faces, const int* flags, const int* continuity, int a,
                            const double* pair, int n, unsigned int* result, int* failed);
int SKIN_ui_create(int kind, int boolean_type, char* const texts[SKIN_N_TEXTS], const int ints[SKIN_N_INTS],
                   char* const align[SKIN_N_ALIGN], const int profiles[SKIN_N_PROFILES], int solid,
                   unsigned int* result, int* failed);
/* The sweep: answers an error class (0 done; 1 guide, 2 section, 3 spine
 * strings with the validation class as detail; 4 the kernel failed;
 * 5 a method out of range with its host code as detail). */
int SKIN_cre_kx_sweep(int a, int b, const CMP_strings_t* guides, const CMP_strings_t* sections,
                      const CMP_strings_t* spine, const SKIN_method_t* orientation, const SKIN_method_t* scaling,
                      const int* alignment, const int* section_method, const int* body_option,
                      const double tolerances[3], const void* further, int c, unsigned int* result, int* detail);
/* The target variants: 0 or a host code of the skinning band. */
int SKIN_cre_kx_curve_mesh1(int a, int* scratch, const CMP_strings_t* primary, const CMP_strings_t* cross,
                            const CMP_strings_t* spine, const int* end_option, const int* method, const int* body_option,
                            const int* mesh_flag, int boolean_type, unsigned int target, const double tolerances[3],
                            const unsigned int* faces, const int* continuity, unsigned int* result);
int SKIN_cre_kx_thru_curves1(int a, int* scratch, const CMP_strings_t* sections, const CMP_strings_t* spine,
                             const int* patch, const int* alignment, const double* values, int z1, int z2, int z3,
                             const int* degree, const int* closed, const int* body_option, int boolean_type,
                             unsigned int target, const double tolerances[3], const unsigned int* faces,
                             const int* continuity, unsigned int* result);

/* String directions: the reference of an edge (by its kernel tag), a
 * snapshot of it (0 done) whose curve the direction is read from, and the
 * direction of a curve seen from a point: 1 when the point lies nearer its
 * start than its end, else -1. */
unsigned int CMP_ask_eref_of_edge(int edge);
int CMP_create_snapshot(unsigned int eref, int a, int b, unsigned int* snapshot);
unsigned int CMP_ask_curve_snapshot(unsigned int snapshot, int a, int b, double tolerance, int* error);
void CMP_delete_snapshot(unsigned int snapshot);
int CMP_get_sel_direction(unsigned int curve, const double point[3], int a);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
