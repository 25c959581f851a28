/* Modelling: tag lists, loop lists and string lists (the small containers
 * that carry sets of objects between a program and the modelling
 * functions), and feature deletion.
 *
 * The list functions need no open session and only touch memory. Codes of the
 * modelling band: 875005 empty list, 875009 no list, 875010 negative index,
 * 875011 index past the end, 875164 tag not in the list. */
#ifndef KX_MODL_H
#define KX_MODL_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* A set of tags in insertion order. An empty list is one node holding
 * NULL_TAG; a tag is held at most once. Free with KX_MODL_delete_list. */
typedef struct tag_list_s {
    tag item;
    struct tag_list_s* next;
} tag_list;

/* The loops of a face: loop type (1, 2 or 3) and the loop's edges. All
 * nodes of one result share one block; free with KX_MODL_delete_loop_list. */
typedef struct loop_list_s {
    int type;
    tag_list* edge_list;
    struct loop_list_s* next;
} loop_list;

/* Objects grouped into strings, each with a direction flag. The record is
 * the caller's; its arrays come from KX_MODL_create_string_list and go back
 * with KX_MODL_free_string_list. */
typedef struct string_list_s {
    int count;       /* number of strings */
    int* per_string; /* objects in each string, count entries */
    int* dir;        /* direction flag of each string, count entries */
    tag* objects;    /* the objects of all strings, string after string */
} string_list;

KXAPI int KX_MODL_create_list(tag_list** list);
KXAPI int KX_MODL_put_list_item(tag_list* list, tag object);
KXAPI int KX_MODL_ask_list_count(tag_list* list, int* count);
KXAPI int KX_MODL_ask_list_item(tag_list* list, int index, tag* object);
KXAPI int KX_MODL_delete_list_item(tag_list** list, tag object);
KXAPI int KX_MODL_delete_list(tag_list** list);

KXAPI int KX_MODL_ask_loop_list_count(loop_list* loops, int* count);
KXAPI int KX_MODL_ask_loop_list_item(loop_list* loops, int index, int* type, tag_list** edge_list);
KXAPI int KX_MODL_delete_loop_list(loop_list** loops);

KXAPI void KX_MODL_create_string_list(int n_strings, int n_objects, string_list* strings);
KXAPI void KX_MODL_init_string_list(string_list* strings);
KXAPI void KX_MODL_free_string_list(string_list* strings);

/* Deletes the features of the list (with the features that build on them)
 * in one edit: when the deletion fails, the model is rolled back to where
 * it was. Needs no open session. */
KXAPI int KX_MODL_delete_feature(tag_list* features);

/* ---- Feature and body queries ----
 * Feature codes: 875233 not a feature; body codes: 875027 a tag that names
 * no body (or no kernel body), 875032 not a body, 875288 no kernel entity,
 * 875253 a body without features. */
/* One group of a body's features (KX_MODL_ask_body_features): its objects
 * and its name. Each entry, its objects and the array of entries are freed
 * with KX_free. */
typedef struct body_feature_entry_s {
    int count;
    tag* objects;
    char name[136];
} body_feature_entry;

KXAPI int KX_MODL_ask_body_features(tag body, int* count, body_feature_entry*** entries);
KXAPI int KX_MODL_ask_feat_object(tag feature, int* count, tag** objects);
KXAPI int KX_MODL_ask_object_feat(tag object, tag* feature);
KXAPI int KX_MODL_ask_body_edges(tag body, tag_list** edges);
KXAPI int KX_MODL_ask_body_faces(tag body, tag_list** faces);
KXAPI int KX_MODL_ask_body_feats(tag body, tag_list** features);
KXAPI int KX_MODL_ask_body_type(tag body, int* kind);
KXAPI int KX_MODL_ask_named_body_object(tag* body, int* kind, const char* name, tag* object);
KXAPI int KX_MODL_ask_body_density(tag body, int units, double* density);
KXAPI int KX_MODL_set_body_density(tag body, int units, double density);
KXAPI int KX_MODL_set_default_density(double density, int units);
KXAPI int KX_MODL_ask_default_density(int units, double* density);
KXAPI int KX_MODL_validate_body(int count, const tag* bodies, int* validity);

KXAPI int KX_MODL_ask_feat_body(tag feature, tag* body);
KXAPI int KX_MODL_ask_feat_faces(tag feature, tag_list** faces);
KXAPI int KX_MODL_ask_feat_edges(tag feature, tag_list** edges);
KXAPI int KX_MODL_ask_feat_type(tag feature, char** type);
KXAPI int KX_MODL_ask_feat_name(tag feature, char** name);
KXAPI int KX_MODL_ask_feat_relatives(tag feature, int* n_parents, tag** parents, int* n_children, tag** children);
KXAPI int KX_MODL_is_body_feature(tag feature, logical* answer);
KXAPI int KX_MODL_sort_features(tag feature1, tag feature2, int* order);
KXAPI int KX_MODL_ask_time_stamp_of_feature(tag feature, int* time_stamp);
KXAPI int KX_MODL_ask_next_feature(tag feature, tag* next);
KXAPI int KX_MODL_ask_previous_feature(tag feature, tag* previous);
KXAPI int KX_MODL_set_current_feature(tag feature);

KXAPI int KX_MODL_set_body_type_pref(int kind);
KXAPI int KX_MODL_ask_body_type_pref(int* kind);
KXAPI int KX_MODL_set_curve_fit_method(int method);
KXAPI int KX_MODL_ask_curve_fit_method(int* method);
KXAPI int KX_MODL_set_dynamic_update(int value);
KXAPI int KX_MODL_ask_dynamic_update(int* value);
KXAPI int KX_MODL_set_immediate_children(int value);
KXAPI int KX_MODL_ask_immediate_children(int* value);

/* ---- The model update ----
 * Updates every out-of-date feature inside an undo mark; a failure rolls
 * the model back and is the status. */
KXAPI int KX_MODL_update(void);

/* ---- Modelling tolerances, feature sign and boolean type ---- */
KXAPI void KX_MODL_ask_distance_tolerance(double* tolerance);
KXAPI void KX_MODL_ask_angle_tolerance(double* tolerance);
KXAPI void KX_MODL_set_distance_tolerance(double* tolerance, int* result);
KXAPI void KX_MODL_set_angle_tolerance(double* tolerance, int* result);
KXAPI int KX_MODL_ask_feature_sign(tag feature, int* sign);
KXAPI int KX_MODL_ask_feature_boolean(tag feature, int* boolean_type);

/* ---- Face and edge topology ----
 * A face or edge of an assembly occurrence answers in that occurrence
 * (1105024 while its prototype is not loaded). Codes: 875027 a tag of no
 * object, 875028 not a face, 875031 not an edge (875008 in
 * KX_MODL_ask_cnnc_edges), 875288 no kernel entity; the kernel's own code
 * when it cannot walk the topology. Empty results of the face edges,
 * shared edges, edge faces and connected edges are null lists. Loop types:
 * 1 outer, 2 hole, 3 other. Split arrays are freed with KX_free. */
KXAPI int KX_MODL_ask_face_body(tag face, tag* body);
KXAPI int KX_MODL_ask_face_edges(tag face, tag_list** edges);
KXAPI int KX_MODL_ask_adjac_faces(tag face, tag_list** faces);
KXAPI int KX_MODL_ask_face_loops(tag face, loop_list** loops);
KXAPI int KX_MODL_ask_shared_edges(tag face1, tag face2, tag_list** edges);
KXAPI int KX_MODL_ask_face_feats(tag face, tag_list** features);
KXAPI int KX_MODL_ask_face_periodicity(tag face, int* u_status, double* u_period, int* v_status, double* v_period);
KXAPI int KX_MODL_ask_face_topology(tag face, int* topology);
KXAPI int KX_MODL_ask_face_type(tag face, int* type);
KXAPI int KX_MODL_ask_face_torus_type(tag face, int* torus_type);
KXAPI int KX_MODL_ask_split_faces(tag face, int* count, tag** faces);
KXAPI int KX_MODL_ask_face_grid_count(tag object, int* u_count, int* v_count);
KXAPI int KX_MODL_ask_alive_face(tag face, tag* alive);
KXAPI int KX_MODL_ask_edge_body(tag edge, tag* body);
KXAPI int KX_MODL_ask_edge_faces(tag edge, tag_list** faces);
KXAPI int KX_MODL_ask_edge_feats(tag edge, tag_list** features);
KXAPI int KX_MODL_ask_edge_verts(tag edge, double point1[3], double point2[3], int* count);
KXAPI int KX_MODL_ask_edge_type(tag edge, int* type);
KXAPI int KX_MODL_ask_split_edges(tag edge, int* count, tag** edges);
KXAPI int KX_MODL_ask_alive_edge(tag edge, tag* alive);
KXAPI int KX_MODL_ask_cnnc_edges(tag edge, double point[3], tag_list** edges1, tag_list** edges2);
/* ---- Body booleans and feature suppression ----
 * Booleans of the work part's bodies as features (unite 1, subtract 2,
 * intersect 3): subtract and intersect hand back the resulting bodies (an
 * array to free with KX_free); a tool of another part is copied into the
 * work part for them. Feature edits (body replacement, the active target,
 * reorder, suppression, suppression expressions) each run inside an undo
 * mark that a failure rolls back. */
KXAPI int KX_MODL_unite_bodies(tag target, tag tool);
KXAPI int KX_MODL_subtract_bodies(tag target, tag tool, int* count, tag** bodies);
KXAPI int KX_MODL_intersect_bodies(tag target, tag tool, int* count, tag** bodies);
KXAPI int KX_MODL_operations(tag target, tag tool, int code);
KXAPI int KX_MODL_replace_boolean_body(tag feature, int which, tag new_body);
KXAPI int KX_MODL_active_part(tag body, int flag);
KXAPI int KX_MODL_reorder_feature(tag reference, tag_list* features, int method);
KXAPI int KX_MODL_suppress_feature(tag_list* features);
KXAPI int KX_MODL_unsuppress_feature(tag_list* features);
KXAPI int KX_MODL_ask_suppress_list(tag_list** features);
KXAPI int KX_MODL_ask_nested_frecs(tag feature, tag_list** features);
KXAPI int KX_MODL_ask_suppress_feature(tag feature, int* suppressed);
KXAPI int KX_MODL_ask_suppress_exp_tag(tag feature, tag* expression);
KXAPI int KX_MODL_set_suppress_exp_tag(tag feature, tag expression);
KXAPI int KX_MODL_unset_suppress_exp_tag(tag feature);

/* One parent curve of a feature: the curve, two values of the host that
 * are carried unchanged, and the keep flag that hiding sets. Arrays given
 * to KX_MODL_show_parent_curves are null (count 0) or come from the
 * library; free them with KX_free. */
typedef struct parent_curve_entry_s {
    tag curve;
    int value_a;
    int value_b;
    logical keep;
} parent_curve_entry;

KXAPI int KX_MODL_show_parent_curves(tag feature, int mode, int* count_a, parent_curve_entry** array_a, int* count_b,
                                     parent_curve_entry** array_b);
KXAPI int KX_MODL_hide_parent_curves(tag feature, int count_a, const parent_curve_entry* array_a, int count_b,
                                     parent_curve_entry** array_b);

KX_END_DECLS

#endif
