/* A user library for the user-defined-object tests: loaded with dlopen, it
 * defines the class "ring" whose objects are circles. An object holds its
 * radius as its first length, its centre as its first three doubles and its
 * label as its first string; the routines describe it with the display
 * primitives. An object whose first integer is 13 is faulty: its routine
 * raises an error, as a faulty user routine would. */
#include <stddef.h>

#include "host/base/services/error.h"
#include "kx_disp_prim.h"
#include "kx_udobj.h"

static const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

static int described; /* calls of the description routine */
static int deletes;
static unsigned int last_deleted;
static int updates;
static int infos;
static int last_mode = -1;

static int describe(tag udo, display_context* context) {
    udo_data data;
    context_info info;
    double centre[3] = {0, 0, 0};
    double radius = 1;
    double spoke[6];
    int st;

    ++described;
    st = KX_DISP_ask_display_context(context, &info);
    if (st != 0) return st;
    last_mode = info.mode;
    st = KX_UDOBJ_ask_udo_data(udo, &data);
    if (st != 0) return st;
    if (data.num_ints > 0 && data.ints[0] == 13) {
        KX_UDOBJ_free_udo_data(&data);
        ERROR_raise("udo_plugin", 1, 750013, "a faulty ring");
    }
    if (data.num_lengths > 0) radius = data.lengths[0];
    if (data.num_doubles >= 3) {
        centre[0] = data.doubles[0];
        centre[1] = data.doubles[1];
        centre[2] = data.doubles[2];
    }
    spoke[0] = centre[0];
    spoke[1] = centre[1];
    spoke[2] = centre[2];
    spoke[3] = centre[0] + radius;
    spoke[4] = centre[1];
    spoke[5] = centre[2];
    st = KX_DISP_display_circle(identity, centre, radius, 0, context);
    if (st == 0) st = KX_DISP_display_polyline(spoke, 2, context);
    /* The label is detail: not offered for selection. */
    if (st == 0 && data.num_strings > 0 && info.mode != KX_DISP_SELECT_PICK_MODE &&
        info.mode != KX_DISP_SELECT_AREA_MODE)
        st = KX_DISP_display_text(data.strings[0], centre, 1, context);
    KX_UDOBJ_free_udo_data(&data);
    return st;
}

static int on_delete(tag udo) {
    ++deletes;
    last_deleted = udo;
    return 0;
}

static int on_update(tag udo) {
    (void)udo;
    ++updates;
    return 0;
}

static int on_info(tag udo) {
    (void)udo;
    ++infos;
    return 0;
}

int udo_plugin_define(udo_class_id* class_id) {
    int st = KX_UDOBJ_create_class("ring", "Ring", class_id);
    if (st == 0) st = KX_UDOBJ_register_display_cb(*class_id, describe);
    if (st == 0) st = KX_UDOBJ_register_fit_cb(*class_id, describe);
    if (st == 0) st = KX_UDOBJ_register_select_cb(*class_id, describe);
    if (st == 0) st = KX_UDOBJ_register_attn_pt_cb(*class_id, describe);
    if (st == 0) st = KX_UDOBJ_register_delete_cb(*class_id, on_delete);
    if (st == 0) st = KX_UDOBJ_register_update_cb(*class_id, on_update);
    if (st == 0) st = KX_UDOBJ_register_info_obj_cb(*class_id, on_info);
    return st;
}

/* A ring of the class: radius, centre and label. */
int udo_plugin_make_ring(udo_class_id class_id, double radius, const double centre[3], const char* label, tag* ring) {
    char* labels[1];
    int st = KX_UDOBJ_create_udo(class_id, ring);
    labels[0] = (char*)label;
    if (st == 0) st = KX_UDOBJ_add_lengths(*ring, 1, &radius);
    if (st == 0) st = KX_UDOBJ_add_doubles(*ring, 3, centre);
    if (st == 0 && label) st = KX_UDOBJ_add_strings(*ring, 1, labels);
    return st;
}

void udo_plugin_counts(int* describe_calls, int* delete_calls, unsigned int* deleted, int* update_calls,
                       int* info_calls, int* mode) {
    *describe_calls = described;
    *delete_calls = deletes;
    *deleted = last_deleted;
    *update_calls = updates;
    *info_calls = infos;
    *mode = last_mode;
}

void udo_plugin_clear(void) {
    described = deletes = updates = infos = 0;
    last_deleted = 0;
    last_mode = -1;
}
