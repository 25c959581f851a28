/* The listing window, the selection filter of user-defined classes, and the
 * old numbered entry point that writes one message line. */
#ifndef KX_UI_H
#define KX_UI_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* The listing window. Writing to it, and saving it, need it open (1190000
 * otherwise). */
KXAPI int KX_UI_open_listing_window(void);
KXAPI int KX_UI_close_listing_window(void);
KXAPI int KX_UI_exit_listing_window(void);
KXAPI int KX_UI_write_listing_window(const char* string);
KXAPI int KX_UI_is_listing_window_open(logical* is_open);
KXAPI int KX_UI_save_listing_window(const char* file_name);
/* Adds a class of user-defined objects to the selection filter list. */
KXAPI int KX_UI_add_to_class_sel(unsigned int class_id);

/* Writes one message line to the listing window or the host's listing
 * device; answers 1 when the window is the target and not open. */
KXAPI int uc4403(const char* line);

KX_END_DECLS

#endif
