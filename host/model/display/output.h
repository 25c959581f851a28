/* Pictures of the model in files: the shading library's shaded image
 * (PNG), its VRML output, and the display system's metafile of the
 * graphics window (a placeable Windows metafile, WMF).
 *
 * What is drawn: the work part's bodies shaded from the solid kernel's
 * facets (lit from the eye, in the colour of the body), their edges and
 * the part's curves as lines, points as dots, in an isometric view fitted
 * to the picture (the model's X axis to the lower right, Y to the lower
 * left, Z up). A part with nothing to draw gives an empty picture.
 *
 * SH_batch_shade(file, width, height, background): a PNG of width x height
 * pixels on the background colour (0 to 216 of the colour table).
 * SH_set_window / SH_reset_window: the shading window's size (800 x 600
 * after a reset), which SH_vrml's viewpoint is fitted to.
 * SH_vrml(file, scale, curves): a VRML 2.0 world of the bodies' facets,
 * coordinates multiplied by scale (above 0), with the curves as line sets
 * when curves is 1.
 * SH_adaptive (web-viewable output) and SH_batch_animate (animation) are
 * not part of this host: the first raises HOST_ERR_OUT_OF_SCOPE, the second
 * answers it as its status.
 * DSS_WMF_create_metafile(destination, file, 0, handle, scale, 0, 0): a
 * placeable Windows metafile of the graphics window, 1024 x 768 logical
 * units times scale (at most 32767 each way), 96 units an inch: the
 * background as a rectangle, facets as filled polygons, curves and edges
 * as polylines of two points, points as ellipses, each in its colour (one
 * pen and one brush selected at a time); destination 1 writes the file,
 * destination 0 hands the picture to the window of the handle
 * (host::output::window_picture).
 * DSS_DVC_ask_current_device answers the graphics device (1);
 * DSS_DVC_ask_device_handle its handle words, the first the window handle
 * (0 while no window is open; host::output::open_window).
 *
 * A file that cannot be written raises SH_ERR_FILE; a size below 1, a
 * colour out of range, a scale not above 0 (or too large for the
 * metafile) or a destination other than 0 and 1 HOST_ERR_BAD_ARGUMENT; a
 * null name HOST_ERR_NULL_ARGUMENT; no work part HOST_ERR_DEAD_TAG.
 */
#ifndef HOST_DISPLAY_OUTPUT_H
#define HOST_DISPLAY_OUTPUT_H

#include "host/base/services/codes.h"

#define HOST_OUTPUT_CODES(X) X(SH_ERR_FILE, 1390007)
HOST_BARE_CODE_CONSTANTS(HOST_OUTPUT_CODES);

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

void SH_batch_shade(const char* file, int width, int height, int background);
void SH_set_window(int width, int height);
void SH_reset_window(void);
void SH_vrml(const char* file, double scale, int curves);
void SH_adaptive(int w1, int w2, int w3, int w4, int w5, int w6, int w7, int w8, int w9, int w10, int w11, int w12,
                 int w13);
int SH_batch_animate(const char* file, const char* second, int first, int last);
int DSS_DVC_ask_current_device(void);
const unsigned int* DSS_DVC_ask_device_handle(int device);
void DSS_WMF_create_metafile(int destination, const char* file, int reserved, unsigned int handle, double scale,
                             int reserved2, int reserved3);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>

namespace host::output {
// Opens the graphics window (handle 0 closes it again).
void open_window(unsigned int handle);
// The last picture handed to the window (the metafile's bytes), empty when
// none.
const std::string& window_picture();
// The shading window's size now.
void window_size(int& width, int& height);
}  // namespace host::output
#endif

#endif
