/* Host services read by the feature and body queries, the model update and
 * the modelling tolerances of the interface:
 *   - the modelling tolerances (srfc1_: distance, then angle) and the
 *     kernel's modelling parameter 1 (KI_oumodp), its smallest length;
 *   - the number tolerance (EQ_ask_number_tolerance);
 *   - the density block pxdens_ (the default density as given, the same in
 *     kilograms per cubic metre, the unit code 1 to 4) and the body density
 *     routines es7013 and ES_set_solid_density (units as pxdens_);
 *   - the modelling switches (wi_modeling_for_body_type: mode 1 sets, 2
 *     asks; the cdUI switches: mode 1 sets, 0 asks);
 *   - the importance of an undo mark (UNDO_JQ_set_mark_importance);
 *   - the kernel's body check as a list of fault tokens (KI_chcken), the
 *     kernel interface parameters 10 and 12 (KI_ouintp, KI_seintp), and
 *     the kernel lists it hands out (KI_gtinli, KI_delist);
 *   - the faces a feature made on its body (ZQ_GROUP_ask_entities: the
 *     faces of the feature's step that no earlier step had, still on the
 *     body), and the sign of a feature (get_resultant_feature).
 * Checks as the feature service (host/feature/feature.h) and the kernel
 * (host/kernel/kernel.h). */
#ifndef HOST_FEATURE_QUERIES_H
#define HOST_FEATURE_QUERIES_H

/* Fault tokens of KI_chcken: the kernel's faults of ZQ_BODY_check map onto
 * these; a test may script others. */
#define KI_FAULT_GEOMETRY       13802
#define KI_FAULT_TOPOLOGY       13803
#define KI_FAULT_SELF_INTERSECT 13806
#define KI_FAULT_ORIENTATION    13808

#include "host/numeric/tolerances.h"

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/export.h */

/* srfc1_: host/numeric/tolerances.h */
typedef struct pxdens_s {
    double given;
    double si;
    int units;
} pxdens_t;
extern pxdens_t pxdens_;

/* Modelling parameter n of the kernel: *value (1: the smallest length the
 * kernel resolves, in its units); *ifail 0, or 1 for an unknown n. */
void KI_oumodp(const int* n, double* value, int* ifail);
double EQ_ask_number_tolerance(void);

/* Density of a body in the units (1 to 4 as pxdens_): es7013(body, units,
 * density, spare, status); *status 0, or 875027 for no kernel body. */
void es7013(const unsigned int* body, const int* units, double* density, int* spare, int* status);
/* Sets a body's density given in the units; answers 0 or a code. */
int ES_set_solid_density(unsigned int body, int units, double density, int mode);

void wi_modeling_for_body_type(int mode, int* value);
void cdUIaskoutput_quintic(int mode, int* value);
void cdUIaskDynamicUpdate(int mode, int* value);
void cdUIaskImmediateChildren(int mode, int* value);

/* Makes the mark important (answers 0, or UNDO_ERR_NO_MARK); *was 1 when
 * it was important already. */
int UNDO_JQ_set_mark_importance(unsigned int mark, int mode, unsigned char* was);

/* Kernel interface parameters (10 and 12; others: *ifail 1). */
void KI_ouintp(const int* n, int* value, int* ifail);
void KI_seintp(const int* n, const int* value, int* ifail);
/* Checks a kernel body: *nfault faults, listed in *faults (a kernel list of
 * tokens, 0 for none) with two further lists *entities and *places (0 here);
 * *ifail 0, or a kernel code when the check cannot run. */
void KI_chcken(const int* body, const int* opt1, const int* opt2, int* nfault, int* faults, int* entities, int* places,
               int* ifail);
/* The faces (edges) of a kernel body in the kernel's order, *entities from
 * SM_alloc (null for none); a tag of no body raises KERNEL_ERR_NO_ENTITY. */
void ZQ_BODY_ask_faces(int body, int* count, int** entities);
void ZQ_BODY_ask_edges(int body, int* count, int** entities);
/* Item i (1-based) of a kernel integer list. */
void KI_gtinli(const int* list, const int* i, int* value, int* ifail);
void KI_delist(const int* list, int* ifail);
int KI_list_count(void); /* kernel lists not deleted yet */

/* The faces of the feature's own step, in the kernel's order; *faces from
 * SM_alloc (null for none). A feature of no body answers none. */
void ZQ_GROUP_ask_entities(unsigned int feature, int* count, int** faces);
/* The sign of the feature (FEAT_SIGN_*, host/feature/feature.h). */
int get_resultant_feature(unsigned int feature);
/* The objects the feature shows: the body it made, then the objects it
 * made; *objects from SM_alloc (null for none). */
void MOD_UI_ask_disp_entity_of_frec(unsigned int feature, int* count, unsigned int** objects);
/* The first feature in time order that made the object or whose parameters
 * use it (an expression), 0 for none. */
unsigned int FREC_find_child_frec_of_so(unsigned int object);
/* The groups of a body: one per feature of the body in time order, named
 * by its display name, with the faces the feature made (ZQ_GROUP_ask_entities)
 * as members. The chain and each node's members come from SM_alloc;
 * FREC_delete_frec_node frees a whole chain. */
typedef struct FREC_node_s {
    char* name;
    int count;
    unsigned int* members;
    struct FREC_node_s* next;
} FREC_node_t;
int FREC_ask_body_groups(unsigned int body, int* count, FREC_node_t** chain);
void FREC_delete_frec_node(FREC_node_t* chain);
/* The feature next to the given one in its part's time order: the next
 * (step 1) or the previous (step -1); 0 at either end and for an object
 * that is no feature. */
unsigned int FREC_ask_time_neighbour(unsigned int feature, int step);
/* The root of the feature: the feature that made its body (0 for a
 * feature of no body). */
unsigned int FREC_ask_root_of_frec(unsigned int feature);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
