/* Pictures of the model in files: a shaded image (PNG), VRML, web-viewable
 * output, animations and the metafile of the graphics window (a placeable
 * Windows metafile, WMF). */
#ifndef KX_DISP_OUTPUT_H
#define KX_DISP_OUTPUT_H

#include "kx_types.h"

/* Metafile destinations: the graphics window's clipboard, or a file. */
#define KX_DISP_METAFILE_CLIPBOARD 0
#define KX_DISP_METAFILE_FILE      1
#define KX_DISP_MAX_METAFILE_NAME  256

KX_BEGIN_DECLS

/* A PNG of width x height pixels on the background colour (0 to 216). */
KXAPI int KX_DISP_batch_shade(const char* filename, int width, int height, int background);
KXAPI int KX_DISP_create_animation(const char* filename, const char* definition, int first_frame, int last_frame);
KXAPI int KX_DISP_export_windows_metafile(int destination, const char* filename);
/* A VRML 2.0 world of the bodies' facets, coordinates times scale (above
 * 0), with the curves as line sets when curves is 1. */
KXAPI int KX_STD_create_vrml_file(const char* filename, double scale, int curves);
KXAPI int KX_STD_create_vantrel_file(int w1, int w2, int w3, int w4, int w5, int w6, int w7, int w8, int w9, int w10,
                                     int w11, int w12, int w13);

KX_END_DECLS

#endif
