/* Layers and layer categories. */
#ifndef KX_LAYER_H
#define KX_LAYER_H

#include "kx_types.h"

#define KX_LAYER_MAX_LAYER         256
#define KX_LAYER_MAX_CATEGORY_NAME 30
#define KX_LAYER_MAX_DESCRIPTION   80

/* Layer status. */
#define KX_LAYER_WORK_LAYER      1
#define KX_LAYER_ACTIVE_LAYER    2 /* visible and selectable */
#define KX_LAYER_REFERENCE_LAYER 3 /* visible only */
#define KX_LAYER_INACTIVE_LAYER  4 /* neither */

/* One layer and the status it is to get. */
typedef struct KX_LAYER_status_info_s {
    int layer;
    int status;
} KX_LAYER_status_info_t;

/* A category: its name, the flags of layers 1 to 256 (flag i-1 non-zero
 * when layer i belongs to it) and its description. */
typedef struct KX_LAYER_category_info_s {
    char name[KX_LAYER_MAX_CATEGORY_NAME + 1];
    logical layer_mask[KX_LAYER_MAX_LAYER];
    char descr[KX_LAYER_MAX_DESCRIPTION + 1];
} KX_LAYER_category_info_t;

KX_BEGIN_DECLS

KXAPI int KX_LAYER_ask_work_layer(int* layer);
KXAPI int KX_LAYER_ask_status(int layer, int* status);
KXAPI int KX_LAYER_set_status(int layer, int status);
KXAPI int KX_LAYER_set_all_but_work(int status);
KXAPI int KX_LAYER_set_many_layers_status(int count, const KX_LAYER_status_info_t* layers);
KXAPI int KX_LAYER_cycle_by_layer(int layer, tag* object);
KXAPI int KX_LAYER_ask_category_info(tag category, KX_LAYER_category_info_t* info);
KXAPI int KX_LAYER_ask_category_tag(const char* name, tag* category);
KXAPI int KX_LAYER_edit_category_name(tag category, const char* name);
KXAPI int KX_LAYER_edit_category_layer(tag category, const logical layer_mask[KX_LAYER_MAX_LAYER]);
KXAPI int KX_LAYER_edit_category_descr(tag category, const char* description);
KXAPI int KX_LAYER_create_category(const KX_LAYER_category_info_t* info, tag* category);

KX_END_DECLS

#endif
