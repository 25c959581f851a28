/* Boundary objects: chains of curves, edges and points kept as one object. */
#ifndef KX_BOUND_H
#define KX_BOUND_H

#include "kx_types.h"

/* Mode 1 offsets the chain by first_value inside and second_value outside
 * (both 0 or more); mode 0 takes neither. */
typedef struct boundary_settings_s {
    int mode;
    double first_value;
    double second_value;
} boundary_settings;

/* One link of a chain: a line, arc, conic, spline, edge or point (a point
 * may not directly follow a point), and a word handed to the host. */
typedef struct boundary_member_s {
    tag object;
    int data;
} boundary_member;

/* A boundary as the host keeps it; members is allocated by the library
 * (free it with KX_free; NULL when there are none). */
typedef struct boundary_data_s {
    int type;
    tag view;
    boundary_settings settings;
    int member_count;
    boundary_member* members;
} boundary_data;

KX_BEGIN_DECLS

KXAPI int KX_BOUND_create_boundary(int type, tag view, boundary_settings settings, int count,
                                   const boundary_member* members, tag* boundary);
KXAPI int KX_BOUND_ask_boundary_data(tag boundary, boundary_data* data);
KXAPI int KX_BOUND_ask_number_of_boundaries(tag object, int* count);

KX_END_DECLS

#endif
