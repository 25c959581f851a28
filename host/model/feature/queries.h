/* Host services read by the feature and body queries, the model update and
 * the modelling tolerances of the interface:
 *   - the modelling tolerances (srfc1_: distance, then angle);
 *   - the number tolerance (EQ_ask_number_tolerance);
 *   - the density block pxdens_ (the default density as given, the same in
 *     kilograms per cubic metre, the unit code 1 to 4) and the body density
 *     routines es7013 and ES_set_solid_density (units as pxdens_);
 *   - the modelling switches (wi_modeling_for_body_type: mode 1 sets, 2
 *     asks; the cdUI switches: mode 1 sets, 0 asks);
 *   - the importance of an undo mark (UNDO_JQ_set_mark_importance);
 *   - the faces a feature made on its body (ZQ_GROUP_ask_entities: the
 *     faces of the feature's step that no earlier step had, still on the
 *     body), and the sign of a feature (get_resultant_feature).
 * The kernel's own (its parameters, body check and lists) are in
 * host/kernel/engine/checks.h, included here. Checks as the feature service (host/model/feature/feature.h) and the kernel
 * (host/kernel/engine/kernel.h). */
#ifndef HOST_FEATURE_QUERIES_H
#define HOST_FEATURE_QUERIES_H

#include "host/kernel/engine/checks.h"
#include "host/numeric/tolerances.h"

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* srfc1_: host/numeric/tolerances.h */
typedef struct pxdens_s {
    double given;
    double si;
    int units;
} pxdens_t;
extern pxdens_t pxdens_;

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

/* The faces of the feature's own step, in the kernel's order; *faces from
 * SM_alloc (null for none). A feature of no body answers none. */
void ZQ_GROUP_ask_entities(unsigned int feature, int* count, int** faces);
/* The feature records on a face object: the features whose step made the
 * face (ZQ_GROUP_ask_entities), in time order, as the modeller's entity ids
 * (CM_ask_eid_of_object gives the features); *frecs from SM_alloc (null
 * for none). */
void CM_ask_frecs_of_face(unsigned int face, int* count, unsigned int** frecs);
/* The reference recorded for a face or edge identifier (the kernel's
 * persistent tag of the face or edge); 0 for an identifier of no face or
 * edge. */
unsigned int ASSO_lookup_into_eid_ref_map(unsigned int eid);
/* The sign of the feature (FEAT_SIGN_*, host/model/feature/feature.h). */
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
