/* User-defined objects: classes that a program defines, the routines the
 * host calls for their objects, the objects themselves with their data,
 * links and owned objects, and the features that stand for them. */
#ifndef KX_UDOBJ_H
#define KX_UDOBJ_H

#include "kx_disp_prim.h"
#include "kx_types.h"

/* Identifier of a user-defined class. */
typedef unsigned int udo_class_id;

/* Link types. */
enum KX_UDOBJ_link_type_e {
    KX_UDOBJ_type1_link = 1,
    KX_UDOBJ_type2_link = 2,
    KX_UDOBJ_type3_link = 3,
    KX_UDOBJ_type4_link = 4
};

/* A link of a user-defined object to another object. */
typedef struct udo_link_s {
    int link_type;    /* 1 to 4 */
    tag assoc_object; /* the linked object */
    tag object_view;  /* the view it is linked in, NULL_TAG for none */
    int status;       /* 1 when the linked object changed or went */
} udo_link;

/* The data of one object (free with KX_UDOBJ_free_udo_data). */
typedef struct udo_data_s {
    udo_class_id class_id;
    int num_ints;
    int* ints;
    int num_doubles;
    double* doubles;
    int num_lengths;
    double* lengths;
    int num_areas;
    double* areas;
    int num_volumes;
    double* volumes;
    int num_strings;
    char** strings;
    int num_links;
    udo_link* links;
} udo_data;

/* Routines of a class: display, selection, fit and attention point get the
 * display context; deletion, update and information the object alone. The
 * deletion routine is told when an object of the class has gone. */
typedef int (*KX_UDOBJ_display_f_t)(tag udo, display_context* context);
typedef int (*KX_UDOBJ_f_t)(tag udo);

KX_BEGIN_DECLS

/* ---- Classes and routines ---- */
KXAPI int KX_UDOBJ_create_class(const char* class_name, const char* friendly_name, udo_class_id* class_id);
KXAPI int KX_UDOBJ_ask_class_data(udo_class_id class_id, char** class_name, char** friendly_name);
KXAPI int KX_UDOBJ_register_display_cb(udo_class_id class_id, KX_UDOBJ_display_f_t routine);
KXAPI int KX_UDOBJ_register_delete_cb(udo_class_id class_id, KX_UDOBJ_f_t routine);
KXAPI int KX_UDOBJ_register_update_cb(udo_class_id class_id, KX_UDOBJ_f_t routine);
KXAPI int KX_UDOBJ_register_select_cb(udo_class_id class_id, KX_UDOBJ_display_f_t routine);
KXAPI int KX_UDOBJ_register_fit_cb(udo_class_id class_id, KX_UDOBJ_display_f_t routine);
KXAPI int KX_UDOBJ_register_attn_pt_cb(udo_class_id class_id, KX_UDOBJ_display_f_t routine);
KXAPI int KX_UDOBJ_register_info_obj_cb(udo_class_id class_id, KX_UDOBJ_f_t routine);

/* ---- Objects and features ---- */
KXAPI int KX_UDOBJ_create_udo(udo_class_id class_id, tag* udo);
KXAPI int KX_UDOBJ_create_udo_feature(udo_class_id class_id, tag* udo, tag* feature);
KXAPI int KX_UDOBJ_create_udo_feature_from_udo(tag udo, tag* feature);
KXAPI int KX_UDOBJ_edit_udo_of_udo_feature(tag feature, tag udo);
KXAPI int KX_UDOBJ_is_udo_feature(tag object, logical* is_feature);
KXAPI int KX_UDOBJ_ask_udo_feature_of_udo(tag udo, tag* feature);
KXAPI int KX_UDOBJ_ask_udo_of_udo_feature(tag feature, tag* udo);
KXAPI int KX_UDOBJ_log_udo_feature_for_update(tag feature);
KXAPI int KX_UDOBJ_ask_udo_data(tag udo, udo_data* data);
KXAPI int KX_UDOBJ_free_udo_data(udo_data* data);
KXAPI int KX_UDOBJ_ask_udo_class_name(tag udo, char** class_name);
KXAPI int KX_UDOBJ_cycle_udos_by_class(tag part, udo_class_id class_id, tag* udo);
KXAPI int KX_UDOBJ_version_udo(tag udo, int version);
KXAPI int KX_UDOBJ_clear_udo_status(tag udo);

/* ---- Data ---- */
KXAPI int KX_UDOBJ_add_integers(tag udo, int count, const int* values);
KXAPI int KX_UDOBJ_add_doubles(tag udo, int count, const double* values);
KXAPI int KX_UDOBJ_add_lengths(tag udo, int count, const double* values);
KXAPI int KX_UDOBJ_add_areas(tag udo, int count, const double* values);
KXAPI int KX_UDOBJ_add_volumes(tag udo, int count, const double* values);
KXAPI int KX_UDOBJ_add_strings(tag udo, int count, char* const* strings);
KXAPI int KX_UDOBJ_edit_integers(tag udo, const int* values);
KXAPI int KX_UDOBJ_edit_doubles(tag udo, const double* values);
KXAPI int KX_UDOBJ_edit_lengths(tag udo, const double* values);
KXAPI int KX_UDOBJ_edit_areas(tag udo, const double* values);
KXAPI int KX_UDOBJ_edit_volumes(tag udo, const double* values);
KXAPI int KX_UDOBJ_edit_strings(tag udo, char* const* strings);
/* Remove count values from index first (counted from 0). */
KXAPI int KX_UDOBJ_delete_integers(tag udo, int first, int count);
KXAPI int KX_UDOBJ_delete_doubles(tag udo, int first, int count);
KXAPI int KX_UDOBJ_delete_strings(tag udo, int first, int count);
KXAPI int KX_UDOBJ_delete_lengths(tag udo, int first, int count);
KXAPI int KX_UDOBJ_delete_areas(tag udo, int first, int count);
KXAPI int KX_UDOBJ_delete_volumes(tag udo, int first, int count);

/* ---- Links and ownership ---- */
KXAPI int KX_UDOBJ_add_links(tag udo, int count, const udo_link* links);
KXAPI int KX_UDOBJ_add_owning_links(tag udo, int count, const tag* objects);
/* Replaces the link at index. */
KXAPI int KX_UDOBJ_edit_link(tag udo, const udo_link* link, int index);
/* Replaces count links from index first. */
KXAPI int KX_UDOBJ_edit_links(tag udo, const udo_link* links, int count, int first);
KXAPI int KX_UDOBJ_delete_link(tag udo, const udo_link* link);
KXAPI int KX_UDOBJ_delete_owning_link(tag udo, tag owned);
KXAPI int KX_UDOBJ_is_obj_linked_to_udo(tag object, logical* is_linked);
KXAPI int KX_UDOBJ_is_owned(tag object, logical* is_owned);
KXAPI int KX_UDOBJ_ask_udo_links_to_obj(tag object, int* count, tag** udos);
KXAPI int KX_UDOBJ_ask_owning_udo(tag object, tag* owner);
KXAPI int KX_UDOBJ_ask_owned_objects(tag udo, int* count, tag** objects);
/* 1: selecting an owned object selects its owner; 0: it is selected alone. */
KXAPI int KX_UDOBJ_set_owned_object_selection(tag udo, int selection);
KXAPI int KX_UDOBJ_clear_link_status(tag udo, const udo_link* link);

KX_END_DECLS

#endif
