/* The host's entity types and subtypes, the one list of them (the host's
 * numbering, answered by ES_ask_entity_type and RM_ask_entity_type_and_subtype).
 * Every host file names a type through this list.
 *
 * Conic subtypes are the conic kinds of the host's mathematics,
 * HOST_CONIC_ELLIPSE (2), HOST_CONIC_PARABOLA (3) and HOST_CONIC_HYPERBOLA (4)
 * (host/numeric/conics.h, included here).
 */
#ifndef HOST_CORE_ENTITY_TYPES_H
#define HOST_CORE_ENTITY_TYPES_H

#include "host/numeric/conics.h"

#define HOST_TYPE_POINT         2
#define HOST_TYPE_LINE          3
#define HOST_TYPE_ARC           5
#define HOST_TYPE_CONIC         6 /* subtypes: the conic kinds above */
#define HOST_TYPE_SPLINE        9
#define HOST_TYPE_CATEGORY      12 /* a layer category */
#define HOST_TYPE_BOUNDARY      14
#define HOST_TYPE_GROUP         15
#define HOST_TYPE_DIMENSION     26 /* a dimension (host/model/expr/display.h) */
#define HOST_TYPE_CSYS          45
#define HOST_TYPE_PLANE         46
#define HOST_TYPE_BOUNDS        53 /* subtype HOST_SUBTYPE_MODEL_BOUNDS: the model bounds */
#define HOST_TYPE_MATRIX        55
#define HOST_TYPE_VIEW          60
#define HOST_TYPE_DRAWING       62
#define HOST_TYPE_COMPONENT     63 /* subtype HOST_SUBTYPE_COMPONENT: a component */
#define HOST_TYPE_REFSET        64
#define HOST_TYPE_SOLID         70 /* a solid-kernel object: body, face or edge */
#define HOST_TYPE_SKETCH        134
#define HOST_TYPE_FACETED       139 /* a facetted body: subtype HOST_SUBTYPE_FACETED_BODY */
#define HOST_TYPE_DRAFTING      155
#define HOST_TYPE_DATUM_AXIS    196
#define HOST_TYPE_DATUM_PLANE   197
#define HOST_TYPE_FEATURE       205 /* a feature record */
#define HOST_TYPE_SOLVER_VERTEX 242 /* a vertex object of the constraint solver */

/* Subtypes of HOST_TYPE_SOLID. */
#define HOST_SUBTYPE_BODY 0
#define HOST_SUBTYPE_FACE 2
#define HOST_SUBTYPE_EDGE 3

/* Subtype of HOST_TYPE_FACETED. */
#define HOST_SUBTYPE_FACETED_BODY 1

/* Subtype of HOST_TYPE_BOUNDS. */
#define HOST_SUBTYPE_MODEL_BOUNDS 25

/* Subtype of HOST_TYPE_COMPONENT. */
#define HOST_SUBTYPE_COMPONENT 0

#endif
