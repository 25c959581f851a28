/* The listing window and the listing device, and the selection filter list
 * of user-defined object classes.
 *
 * The listing window is a text window of the host: LISTUI_open shows it,
 * LISTUI_close hides it and keeps its text, LISTUI_exit hides it and
 * discards its text, listUIclear discards the text, listUIprintf appends
 * (also while the window is hidden), listUIsaveListing writes the text to a
 * file (0, or LISTUI_ERR_SAVE when the file cannot be written). Besides the
 * window's own state the host keeps the interface library's record of
 * whether the library opened it (LISTUI_ask_kx_lwin_open /
 * LISTUI_set_kx_lwin_open).
 *
 * The listing device (g521_ answers it): 0 means lines go to the listing
 * window; any other number is a device of the host to which g512_ writes
 * lines of at most 132 characters (status 0, or LISTUI_ERR_LINE for a
 * negative or longer length).
 */
#ifndef HOST_SUPPORT_LISTING_H
#define HOST_SUPPORT_LISTING_H

#include "host/base/services/codes.h"

#define HOST_LISTING_CODES(X)                                                                        \
    X(LISTUI_ERR_SAVE, 670211, "The listing cannot be written to the file")                          \
    X(LISTUI_ERR_LINE, 670212, "The listing line has a negative length or more than 132 characters")
HOST_CODE_CONSTANTS(HOST_LISTING_CODES);

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

int LISTUI_ask_kx_lwin_open(void);
void LISTUI_set_kx_lwin_open(int open);
void listUIclear(void);
void LISTUI_open(int x, int y, int options);
void LISTUI_close(void);
void LISTUI_exit(void);
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void listUIprintf(const char* format, ...);
int listUIsaveListing(const char* file_name);

/* Writes the listing device's number into *device. */
void g521_(int* device);
/* Writes length characters of buffer as one line to the listing device. */
void g512_(const char* buffer, int* length, int* status);

/* Adds a class of user-defined objects to the selection filter list;
 * answers 1, or 0 for a class id that is not positive. */
int SEL_add_to_udo_filter_list(int class_id);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>
#include <vector>

namespace host::listing {
struct State {
    bool shown;                       // the window is on the screen
    bool kx_open;                     // the library's record
    std::string text;                 // the window's text
    std::vector<std::string> prints;  // every listUIprintf since the reset, as printed
    int device;                       // 0: the listing window
    std::vector<std::string> device_lines;
    std::vector<int> udo_filter;  // classes, in order of adding
};
const State& state();
void set_device(int device);
}  // namespace host::listing
#endif

#endif
