/* Replacing features by other features: the old features go, the features
 * that built on them (their children) move onto the new ones.
 *
 * What may be replaced: a feature that made its body (its body's root
 * feature) or a datum plane or datum axis feature ("DATUM_PLANE",
 * "DATUM_AXIS"); not a record another record controls. What may replace
 * it: the root feature of another body of the same part (not a body of an
 * old feature), or a datum of the same kind.
 *
 * Co-dependents: a feature goes with the records it controls (its children
 * that are controlled records). Children to re-parent: the features, in
 * time order, that are neither old nor new (nor co-dependent) and that
 * build on an old feature: its parents name one, or it lives on the body
 * an old feature made. Outside parents of a child: the face and edge
 * references (kernel tags) it works on that an old feature made (an edge:
 * one of its faces). A form feature standing on or running to the datum
 * plane of an old datum plane feature is a child too: it takes the plane of
 * the feature's replacement and moves onto it at the next update.
 *
 * MODL_REDEF_replace_frecs takes a map from outside parents to their
 * replacements (keys and values: face or edge references, or the face and
 * edge objects themselves; an old feature to a new one for datums) and
 * moves every child: a child living on an old feature's body goes to the
 * first new feature's body (its step is taken over there, after the steps
 * the body has), its references go through the map, and a form feature
 * whose placement face changed stands on the new face as a reattached one
 * does; parents naming an old feature name the mapped feature. Then the
 * old features and their co-dependents are deleted (option 0) or kept
 * (any other option). *unhandled counts the outside parents of children
 * the map does not send anywhere and the children on an old body that
 * cannot move (whose step unites or cuts no tool of its own: an offset,
 * a blend): when it is above 0 nothing is changed.
 * Answers 0 or a code (FEAT_ERR_BAD_REFERENCE for a replacement that is no
 * face or edge of the new body); the model is then as it was.
 *
 * Host arrays come from SM_alloc (null when empty). */
#ifndef HOST_FEATURE_REDEFINE_REPLACE_H
#define HOST_FEATURE_REDEFINE_REPLACE_H

#define FREC_DATUM_PLANE 1
#define FREC_DATUM_AXIS  2

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* FREC_DATUM_PLANE, FREC_DATUM_AXIS or 0. */
int FREC_ask_datum_kind(unsigned int feature);
int FREC_is_replaceable(unsigned int feature);
int FREC_is_valid_replacement(unsigned int candidate, unsigned int old);
/* The body (object) at the top of the feature's body records: the body it
 * lives on, 0 for none. */
unsigned int BREF_ask_top_bref_of_frec(unsigned int feature);
/* Adds the feature and its co-dependents to the set (host/base/services/sets.h). */
void MODL_REDEF_add_codep_repl_frecs(unsigned int feature, int set);
void MODL_REDEF_add_codep_replm_frecs(unsigned int feature, int set);
void MODL_REDEF_ask_children_to_reparent(int n_old, const unsigned int old[], int n_new, const unsigned int news[],
                                         int* count, unsigned int** children);
void MODL_REDEF_ask_ext_parents_of_frec(unsigned int child, int n_old, const unsigned int old[], int* count,
                                        unsigned int** refs);
int MODL_REDEF_replace_frecs(int n_old, const unsigned int old[], int n_new, const unsigned int news[], int n_children,
                             const unsigned int children[], int n_map, const unsigned int keys[],
                             const unsigned int values[], int option, int* unhandled);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
