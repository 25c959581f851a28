/* Modelling: expressions, the named and unnamed formulas of a part that
 * drive feature parameters.
 *
 * By name: the name is looked up in the work part only. By tag: any
 * expression. Texts, tag arrays and descriptors handed out come from the
 * library's allocator: free texts and tag arrays with KX_free, descriptor
 * arrays with KX_free_string_array.
 *
 * Codes: 1050006 an assignment without the name it needs, 1050007 no
 * expression of the name in the work part, 875013 a null assignment or
 * expression (and an object the host cannot show as a dimension), 875018
 * an expression file that cannot be read or written, 875019 an export
 * file that exists already, 875233 not a feature, 875362 an expression no
 * feature uses, shown as a dimension; 1105004 to 1105006 a bad first to
 * third argument. A bad formula, a name in use or a cycle answers the
 * host's code, and the expressions stay as they were. */
#ifndef KX_MODL_EXP_H
#define KX_MODL_EXP_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* An assignment text: at most 132 characters and the terminator. */
#define KX_MODL_EXP_TEXT 133

/* Import modes: the file's formulas replace those of its names and its
 * other names are made; only its new names are made; its names are
 * deleted. */
#define KX_MODL_EXP_IMPORT_REPLACE 0
#define KX_MODL_EXP_IMPORT_KEEP    1
#define KX_MODL_EXP_IMPORT_DELETE  2

/* ---- By name in the work part ---- */
KXAPI int KX_MODL_create_exp(const char* assignment);
KXAPI int KX_MODL_delete_exp(const char* name);
KXAPI int KX_MODL_edit_exp(const char* assignment);
KXAPI int KX_MODL_eval_exp(const char* name, double* value);
/* The whole assignment "name=formula"; a longer one than the buffer holds
 * is cut and answers 1105005. */
KXAPI int KX_MODL_ask_exp(const char* name, char assignment[KX_MODL_EXP_TEXT]);
KXAPI int KX_MODL_rename_exp(const char* old_name, const char* new_name);
KXAPI int KX_MODL_import_exp(const char* file_name, int mode);
KXAPI int KX_MODL_export_exp(const char* file_name);
/* True when the part of the object (a part or an object of one) has an
 * expression of the name. */
KXAPI int KX_MODL_is_exp_in_part(tag part_or_object, const char* name, logical* found);

/* ---- By tag ---- */
/* An assignment without a name makes a system expression. */
KXAPI int KX_MODL_create_exp_tag(const char* assignment, tag* expression);
KXAPI int KX_MODL_delete_exp_tag(tag expression);
KXAPI int KX_MODL_ask_exp_tag_value(tag expression, double* value);
KXAPI int KX_MODL_ask_exp_tag_string(tag expression, char** assignment);
/* Name and formula as new texts (empty when absent) and the work part's
 * expression of the name (NULL_TAG for none). */
KXAPI int KX_MODL_dissect_exp_string(const char* assignment, char** name, char** formula, tag* expression);
KXAPI int KX_MODL_is_geometric_expression(tag expression, logical* geometric);
/* Shows the expression as a dimension on each feature that uses it: the
 * dimensions made. The dimensions form one undo step of the user ("Create
 * dimension from expressions"). */
KXAPI int KX_MODL_get_dimension_data(tag expression, int* count, tag** dimensions);

/* ---- Expressions and features ---- */
/* The feature's expressions offered to the user, each with the feature's
 * descriptor for it (constants left out; a positioning constraint gives
 * its system expression). */
KXAPI int KX_MODL_ask_exp_desc_of_feat(tag feature, int* count, char*** descriptors, tag** expressions);
KXAPI int KX_MODL_ask_exp_desc_of_frec(tag feature, int* count, char*** descriptors, tag** expressions);
/* The feature's positioning expressions with their descriptors. */
KXAPI int KX_MODL_ask_rpo_desc_of_feat(tag feature, int* count, char*** descriptors, tag** expressions);
KXAPI int KX_MODL_ask_rpo_desc_of_frec(tag feature, int* count, char*** descriptors, tag** expressions);
KXAPI int KX_MODL_ask_exps_of_feature(tag feature, int* count, tag** expressions);
KXAPI int KX_MODL_ask_exps_of_part(tag part_or_object, int* count, tag** expressions);
KXAPI int KX_MODL_ask_features_of_exp(tag expression, int* count, tag** features);
/* The one feature that refers to the expression; NULL_TAG for none or
 * several. */
KXAPI int KX_MODL_ask_owning_feat_of_exp(tag expression, tag* feature);
/* The descriptor its owning feature gives the expression; null for none. */
KXAPI int KX_MODL_ask_descriptor_of_exp(tag expression, char** descriptor);

KX_END_DECLS

#endif
