/* Beads: a raised section swept along section curves over placement faces,
 * optionally bounded by secondary faces or a plane. Six records describe
 * one; KX_MODL_ask_bead fills them with library-owned arrays, vectors and
 * parameter blocks that KX_MODL_free_bead releases. */
#ifndef KX_MODL_BEAD_H
#define KX_MODL_BEAD_H

#include "kx_modl_law.h"
#include "kx_types.h"

KX_BEGIN_DECLS

/* The secondary text: at most 132 characters and a terminator. */
#define KX_MODL_BEAD_TEXT 136

/* The curves the bead runs along; direction_option 1: the bead rises
 * along *direction (else along the placement face's normal). */
typedef struct bead_section_s {
    int number_of_curves;
    tag* curves;
    int direction_option;
    KX_MODL_vector* direction;
} bead_section;

/* Faces and how the bead extends over their edges (0 to 4). */
typedef struct bead_faces_s {
    int number_of_faces;
    tag* faces;
    int extension_type;
} bead_faces;

/* What bounds the bead: a set of faces (null: nothing; may be the placement
 * record itself, or hold one plane or datum plane), option 0 or 1 (1 with a
 * direction), a text. */
typedef struct bead_secondary_s {
    bead_faces* set;
    int option;
    char text[KX_MODL_BEAD_TEXT];
    KX_MODL_vector* direction;
} bead_secondary;

/* The section plane: type 0 none, 1 given by *plane. */
typedef struct bead_plane_s {
    int type;
    KX_MODL_vector* plane;
} bead_plane;

/* The cross-section: shape type 0 round, 1 U (sides at side_angle),
 * 2 V; its parameters, three flags, the end-cap option (0 to 3) and two
 * values. */
typedef struct bead_shape_s {
    int shape_type;
    KX_MODL_parm* depth;
    KX_MODL_parm* width;
    int width_flag;
    KX_MODL_parm* top_radius;
    int top_radius_flag;
    KX_MODL_parm* bottom_radius;
    int bottom_radius_flag;
    KX_MODL_parm* side_angle;
    KX_MODL_parm* offset;
    KX_MODL_parm* end_length;
    KX_MODL_parm* end_angle;
    int end_cap;
    int value_1;
    int value_2;
} bead_shape;

KXAPI int KX_MODL_create_bead(const bead_section* section, const bead_faces* placement, const bead_secondary* secondary,
                              const bead_plane* plane, const KX_MODL_vector* axis, const bead_shape* shape,
                              tag* feature);
KXAPI int KX_MODL_ask_bead(tag feature, bead_section* section, bead_faces* placement, bead_secondary* secondary,
                           bead_plane* plane, KX_MODL_vector* axis, bead_shape* shape);
KXAPI int KX_MODL_edit_bead(tag feature, const bead_section* section, const bead_faces* placement,
                            const bead_secondary* secondary, const bead_plane* plane, const KX_MODL_vector* axis,
                            const bead_shape* shape);
KXAPI int KX_MODL_free_bead(bead_section* section, bead_faces* placement, bead_secondary* secondary, bead_plane* plane,
                            KX_MODL_vector* axis, bead_shape* shape);

KX_END_DECLS

#endif
