// The listing window from inside the library. Internal to the library.
#ifndef KX_UI_KX_UI_INTERNAL_H
#define KX_UI_KX_UI_INTERNAL_H

namespace kx::ui {

// One message line to the listing window, or to the host's listing device
// when there is one (uc4403 without its frame): 0, 1 when the window is not
// open, or the device's status. Host errors go to the caller's frame.
int write_line(const char* line);

// The text of a status code as a line of the listing window. What fails on
// the way is not passed on: the code reported stays the caller's answer.
void report_code(int code);

}  // namespace kx::ui

#endif
