/* Booleans between bodies as features, the edits of the feature tree that
 * go with them (body replacement, the current target, reorder, suppression)
 * and the parent curves of a feature.
 *
 * Kernel lists: KI_crlist (host/store/entities/host_lists.h) of kind KI_LIST_KERNEL
 * holds kernel entities; KI_pttgli appends, KI_colist counts, KI_gttgli
 * reads (1-based); KI_free_list frees it.
 *
 * The join (join_solids): the list holds the target's kernel body and then
 * the tool's; the operation is FEAT_SIGN_UNITE, _SUBTRACT or _INTERSECT.
 * The kernel unites, subtracts or intersects them (the tool is consumed)
 * and a boolean feature ("UNITE", "SUBTRACT", "INTERSECT": a meta record)
 * is made in the target's part: it lives on the target as one step of its
 * recipe, so that the update makes it again (suppressed, moved, with a new
 * tool); its parents are the target's root feature and the features of the
 * tool. A result of several solids is taken apart: the target keeps the
 * first, each further solid is a new body that the feature made (its
 * results). The list then holds the resulting bodies, the target first;
 * *status FEAT_JOIN_DONE. A kernel failure raises its code and leaves the
 * model as it was. Both bodies must be modelled solids (cm_jq_solid_).
 *
 * Modelled solids: a body with a root feature (the feature that made it).
 * cm_attach_solid_ gives a kernel body without one a plain root feature
 * ("BODY"), making its objects in the work part first when it has none.
 * When a part read from a file is made again (host::feature::attach),
 * booleans and plain root features copy their steps from the body read
 * with it (host/kernel/engine/steps.h): the tool of a boolean is kept only there.
 * Part files keep the features of a boolean's tool (section "BOOL"); the
 * boolean read back stands for its consumed tool body (BREF_ask_tool_bref_
 * of_meta answers the boolean) until the tool is replaced.
 * The bodies a boolean split off follow each update: made again from the
 * target's steps up to the boolean, they change in place and keep their
 * tags (faces and edges where the kernel's naming carries them over).
 *
 * Promotions: a "PROMOTION" feature of a part holds a base body (a body of
 * another part brought in); host::feature::make_promotion makes one.
 *
 * Valid booleans (FREC_inquire_valid_boolean): not between the root
 * features of one body, nor when either root is a record that another
 * record controls (FREC_is_a_controlled_frec), nor across parts.
 *
 * Node lists: singly linked lists of feature records from SM_alloc; the
 * list is the pointer to its first node (null: empty).
 *
 * Suppression: SUP_suppress_feature_list and SUP_unsuppress_feature_list
 * change the user's suppression of the listed features and update the
 * model; a failure writes its code to the error word and leaves the model
 * as it was. A suppression expression decides instead of the user while it
 * is attached (host/model/feature/feature.h).
 *
 * Parent curves: the curves that the feature's parent features made (with
 * mode 1 also those of their ancestors), in time order of their features.
 * Showing them hands back two arrays of SHD_parent_curve_t (SM_alloc): A
 * the curves that showing the feature's parent curves made visible (values:
 * their layer and blank status before; a curve shown by an earlier showing
 * stays in A with the values it had then), B those shown anyway (values:
 * their layer and 0). With the move flag the newly shown curves are moved
 * to layer SHD_PARENT_CURVE_LAYER. Hiding takes the arrays back: the
 * curves of A go back to their layer (value A) and are blanked again when
 * value B is 1; each entry of B gets its keep flag set when its curve is
 * still a live curve.
 */
#ifndef HOST_FEATURE_BOOLEANS_H
#define HOST_FEATURE_BOOLEANS_H

#include "host/base/services/codes.h"
#include "host/store/entities/host_lists.h"

/* The join's answer when it made its bodies. */
#define HOST_BOOLEAN_CODES(X) X(FEAT_JOIN_DONE, 670032)
HOST_BARE_CODE_CONSTANTS(HOST_BOOLEAN_CODES);

#define SHD_PARENT_CURVE_LAYER 255

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* ---- kernel lists ---- */
void KI_pttgli(int list, int position, int count, int entity);
void KI_colist(int list, int* count);
void KI_gttgli(int list, int index, int* entity);

/* ---- bodies for a boolean ---- */
/* The body in the work part that the object stands for: itself when it is
 * a body of the work part, the prototype's body when it is an occurrence
 * of one; 0 for none. */
unsigned int jq_misc_ftn_proto_in_work_part_(const unsigned int* body);
/* A copy of a body of another part in the work part (options: 0); the
 * copy has a root feature of its own. */
unsigned int XFER_copy_proto_to_work_part(unsigned int body, int options);
/* Readies a body for a boolean: it must be a live body of the work part
 * (else HOST_ERR_BAD_ARGUMENT); its display is to be made again. */
void gt310_(const unsigned int* body);
/* Shows the body as the part's active body: it must be a live body. */
void gt311_(const unsigned int* body);
/* 1 when the kernel body is a modelled solid (it has a body object and a
 * root feature), else 0. */
int cm_jq_solid_(const int* entity);
/* Makes the kernel body a modelled solid; *status 0, or a code. */
void cm_attach_solid_(const int* entity, int* status);
int PROM_FEAT_is_base_body_of_prom(unsigned int body);
/* The feature that made the body, 0 for none. */
unsigned int FREC_ask_root_frec_of_body(unsigned int body);
/* 1 when the feature tree can hold a boolean between the bodies of the two
 * root features, else 0. */
int FREC_inquire_valid_boolean(unsigned int target_root, unsigned int tool_root);
void join_solids(int list, int operation, int options, int* work, int* status);

/* ---- boolean features ---- */
/* 1 when the body can take the place of a boolean's target or tool: a live
 * solid of the work part with a root feature. */
int META_is_eid_valid_for_replace(unsigned int body);
/* The body record of a body object (the body itself), 0 for none. */
unsigned int BREF_ask_bref_of_eidbody(unsigned int body);
/* The tool body records of a boolean feature, SM_alloc. */
void BREF_ask_tool_bref_of_meta(unsigned int feature, int* count, unsigned int** brefs);
/* The features of a body record in time order (also of a body consumed
 * by a boolean), SM_alloc. */
void BREF_ask_frecs_of_bref(unsigned int bref, int* count, unsigned int** features);
/* Replaces the target (old is the feature's body) or the tool of a boolean
 * feature by the body new_bref; the new tool is consumed; the boolean is
 * made again at the next update (a new target takes it at once). */
void META_change_references(unsigned int feature, unsigned int old_bref, unsigned int new_bref);

/* ---- the current target ---- */
/* The body object of a kernel body (the host's part record of it). */
unsigned int CM__ask_current_part_ptr(int entity);
void BREF_set_current_target(unsigned int body);
/* The current target of the part, 0 for none. */
unsigned int BREF_ask_current_target(unsigned int part);

/* ---- node lists ---- */
typedef struct CM_node_s {
    unsigned int frec;
    struct CM_node_s* next;
} CM_node_t;
void CM_add_node_to_tail(CM_node_t** list, unsigned int frec);
void CM_add_unique_node_to_tail(CM_node_t** list, unsigned int frec);
void CM_add_node_to_head(CM_node_t** list, unsigned int frec);
void CM_delete_node_list(CM_node_t** list);

/* ---- reorder and suppression ---- */
/* Moves the listed features, in list order, before (method 1) or after
 * (method 2) the reference feature and, with update 1, updates the model;
 * *error 0 or a code (the model is then as it was). */
void reorder_feature(unsigned int reference, const CM_node_t* features, int method, int update, int* error);
/* 1 when the feature may be suppressed (it does not make its body). */
int FMA_can_be_suppressed(unsigned int frec);
int ui_is_sketch_feature(unsigned int frec);
void SUP_suppress_feature_list(const CM_node_t* features, int options, int* error);
/* *unsuppressed: the listed features that were suppressed (a node list). */
void SUP_unsuppress_feature_list(const CM_node_t* features, CM_node_t** unsuppressed, int* error);
/* 1 when the feature is left out of the model. */
int SUP_ask_suppress_frec(unsigned int frec);
unsigned int SUP_ask_suppress_exp(unsigned int frec);
/* The expression decides the feature's suppression from the next update. */
void SUP_set_suppress_exp(unsigned int frec, unsigned int exp);
/* The feature keeps the state the expression gave it, as the user's. */
void SUP_unset_suppress_exp(unsigned int frec);
/* Features in time order: with suppressed 1 only those left out of the
 * model, with browseable 1 only those the browser shows, with work_part 1
 * only those of the work part (else of every loaded part), with all_bodies
 * 1 also features of no body; a node list. */
CM_node_t* get_design_feature_list(int suppressed, int browseable, int work_part, int all_bodies);

/* ---- parent curves ---- */
typedef struct SHD_parent_curve_s {
    unsigned int curve;
    int value_a;
    int value_b;
    unsigned char keep;
} SHD_parent_curve_t;
void SHD_show_frec_parent_curves(unsigned int frec, int mode, int move_layer, int options, int* count_a,
                                 SHD_parent_curve_t** a, int* count_b, SHD_parent_curve_t** b);
void SHD_hide_frec_parent_curves(unsigned int frec, int options, int count_a, const SHD_parent_curve_t* a, int count_b,
                                 SHD_parent_curve_t* b);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::feature {
// A promotion feature in the part holding the base body; answers it.
unsigned int make_promotion(unsigned int part, unsigned int base_body);
}  // namespace host::feature
#endif

#endif
