/* Feature parameters, laws and vectors: the records that feature-creating
 * functions take to say how a parameter varies along a spine, and a
 * direction given in one of five ways. */
#ifndef KX_MODL_LAW_H
#define KX_MODL_LAW_H

#include "kx_modl.h"
#include "kx_types.h"

KX_BEGIN_DECLS

/* A value text: at most 132 characters and a terminator. */
#define KX_MODL_VALUE_TEXT 133

/* A value at a point along the spine. */
typedef struct KX_MODL_law_point_s {
    double position[3];
    char value[KX_MODL_VALUE_TEXT];
} KX_MODL_law_point;

/* How a value varies: method 0 constant, 1 linear, 2 cubic (start and end
 * value), 3 linear and 4 cubic through points along the spine, 5 by two
 * expressions, 6 by a law curve. */
typedef struct KX_MODL_law_s {
    int method;
    union {
        struct {
            char start_value[KX_MODL_VALUE_TEXT];
            char end_value[KX_MODL_VALUE_TEXT];
        } values;
        struct {
            int count;
            KX_MODL_law_point* points;
        } spine_points;
        struct {
            string_list law_curve;
            tag base_direction;
            int base_sense;
        } curve;
    } u;
} KX_MODL_law;

/* A law along a spine. */
typedef struct KX_MODL_spine_law_s {
    string_list spine;
    KX_MODL_law law;
} KX_MODL_spine_law;

/* A feature parameter: method 0 an expression text, 1 a law along a spine
 * (law points to a KX_MODL_spine_law), 2 a law without a spine (law points
 * to a KX_MODL_law). */
typedef struct KX_MODL_parm_s {
    int method;
    union {
        char expression[KX_MODL_VALUE_TEXT];
        void* law;
    } u;
} KX_MODL_parm;

/* A direction: type 0 components, 1 a datum plane, plane or datum axis,
 * 2 the normal of a face nearest a point, 3 from start to end, 4 the normal
 * of planar curves; reverse non-zero negates it. */
typedef struct KX_MODL_vector_s {
    int reverse;
    int type;
    union {
        double components[3];
        tag axis;
        struct {
            tag face;
            double point[3];
        } face;
        struct {
            double start[3];
            double end[3];
        } points;
        struct {
            int curve_count;
            tag* curves;
        } curves;
    } u;
} KX_MODL_vector;

KX_END_DECLS

#endif
