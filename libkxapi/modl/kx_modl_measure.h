// Steps shared by the geometric-property, check and measurement queries.
// Internal to the library.
#ifndef KX_MODL_KX_MODL_MEASURE_H
#define KX_MODL_KX_MODL_MEASURE_H

#include "kx_types.h"

namespace kx::modl::measure {

// The entity type and subtype of a live object; false for a tag of none.
bool type_of(tag object, int* type, int* subtype);
// True for a live object of entity type 70 with the subtype.
bool is_solid(tag object, int subtype);
// The interface code of a fault token of the kernel's analysis (875342
// for a token it does not know).
int fault_code(int token);
// The kernel-to-model length factor of the object's part.
double model_factor(tag object);

}  // namespace kx::modl::measure

#endif
