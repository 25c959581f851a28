/* Pattern objects: the part's archiving and shading switches, the three
 * flags of a pattern (or the defaults of new patterns) and pattern points.
 * Every function needs a loaded part (1105012 without one). Shading
 * implies archiving: switching shading on switches archiving on, and
 * switching archiving off switches shading off. */
#ifndef KX_PATT_H
#define KX_PATT_H

#include "kx_types.h"

KX_BEGIN_DECLS

KXAPI int KX_PATT_is_archiving_on(logical* on);
KXAPI int KX_PATT_is_shading_on(logical* on);
/* on: 0 or 1; any other value is refused with 1105004. */
KXAPI int KX_PATT_set_archiving(int on);
KXAPI int KX_PATT_set_shading(int on);
/* pattern NULL_TAG: the defaults of new patterns; each flag 1 or 0. */
KXAPI int KX_PATT_ask_params(tag pattern, int* flag1, int* flag2, int* flag3);
/* A flag is set by the value 1; any other value clears it. */
KXAPI int KX_PATT_set_params(tag pattern, int flag1, int flag2, int flag3);
/* position: the point's place in model coordinates. */
KXAPI int KX_PATT_create_point(double position[3], tag* point);

KX_END_DECLS

#endif
