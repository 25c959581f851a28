/* Part import: the contents of a part file merged into the work part at a
 * position, orientation and scale. */
#ifndef KX_PART_IMPORT_H
#define KX_PART_IMPORT_H

#include "kx_types.h"

/* Options handed to the host's part import unchanged in meaning. */
typedef struct import_options_s {
    int values[5];
    logical flags[2];
} import_options;

KX_BEGIN_DECLS

/* Merges the part file into the work part: its bodies turned to the
 * orientation (X direction then Y direction), scaled by scale (finite and
 * above 0) and moved to the point; *group the group of the imported
 * objects. A kernel data file is read as new bodies instead (the group is
 * then not written). A failed import is tried once more under the name
 * that the part search directories give. */
KXAPI int KX_PART_import(const char* part_name, const import_options* options, const double orientation[6],
                         const double point[3], double scale, tag* group);

KX_END_DECLS

#endif
