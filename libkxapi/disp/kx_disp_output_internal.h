// The check shared by the picture outputs: a loaded root part and a work
// part. Internal to the library.
#ifndef KX_DISP_KX_DISP_OUTPUT_INTERNAL_H
#define KX_DISP_KX_DISP_OUTPUT_INTERNAL_H

namespace kx::disp {
// 0, or 1105012 when there is no root part or no work part.
int no_parts_for_output();
}  // namespace kx::disp

#endif
