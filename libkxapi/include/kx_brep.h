/* Boundary-representation queries of the solid kernel's bodies. Functions
 * with states hand back the kernel's states as an array of records that the
 * library allocates and the caller frees with KX_free; the count is always
 * set, and a null array pointer asks for the count only. */
#ifndef KX_BREP_H
#define KX_BREP_H

#include "kx_types.h"

/* One state of the kernel; the fields' meaning is the kernel's. */
typedef struct brep_state_s {
    int first;
    int second;
    double values[3];
    int third;
    int fourth;
    int fifth;
} brep_state;

KX_BEGIN_DECLS

/* The entities of class cls (kernel class) connected to the kernel entity,
 * at most limit of them (0 or less: all), one state each. */
KXAPI int KX_BREP_ask_topology(int entity, int cls, int limit, int* n_states, brep_state** states);
/* A state per fault of the kernel body; none for a valid body. */
KXAPI int KX_BREP_validate_topology(int body, int* n_states, brep_state** states);

/* The kernel's identifier of the entity; 0 when the interface is not
 * initialised or the kernel fails. */
KXAPI void KX_BREP_ask_identifier(int entity, int* identifier);

KX_END_DECLS

#endif
