// The listing window, and the old numbered entry point that writes one
// message line to it or to the host's listing device.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "kx_core.h"
#include "kx_ui.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/ui/kx_ui_internal.h"

#include "host/platform/support/listing.h"

namespace {

constexpr int kListingNotOpen = KX_UI_ERR_LISTING_NOT_OPEN;
constexpr std::size_t kListingPiece = 1000;
constexpr std::size_t kDeviceLine = 131;

bool listing_open() { return LISTUI_ask_kx_lwin_open() != 0; }

// Writes a string to the open listing window, in pieces of at most
// kListingPiece characters; kListingNotOpen when the window is not open.
int write_listing(const char* string) {
    if (!listing_open()) return kListingNotOpen;
    const std::size_t length = std::strlen(string);
    if (length <= kListingPiece) {
        listUIprintf("%s", string);
        return 0;
    }
    char piece[kListingPiece + 1];
    for (std::size_t at = 0; at < length; at += kListingPiece) {
        const std::size_t n = std::min(kListingPiece, length - at);
        std::memcpy(piece, string + at, n);
        piece[n] = '\0';
        listUIprintf("%s", piece);
    }
    return 0;
}

// Takes the window off the screen (closing or leaving it), then notes it
// closed: when the host refuses the note, the window goes back on the
// screen, so that the record (still open) tells what the screen shows and
// the window takes the writes that follow.
void take_off(void (*take)()) {
    take();
    try {
        LISTUI_set_kx_lwin_open(0);
    } catch (...) {
        kx::release([] { LISTUI_open(0, 0, 0); }, true);
        throw;
    }
}

}  // namespace

namespace kx::ui {

int write_line(const char* line) {
    int device = 0;
    g521_(&device);
    if (device == 0) {
        if (!listing_open()) return 1;
        int status = write_listing(line);
        if (status == 0) status = write_listing("\n");
        return status;
    }
    char buffer[kDeviceLine + 1];
    int length = static_cast<int>(std::min(std::strlen(line), kDeviceLine));
    std::memcpy(buffer, line, static_cast<std::size_t>(length));
    buffer[length] = '\0';
    int status = 0;
    g512_(buffer, &length, &status);
    return status;
}

void report_code(int code) {
    char message[KX_MESSAGE_BUFSIZE] = {};
    frame(no_check, [&] { return fail_message(code, message); });
    frame([&] { return write_line(message); });
}

}  // namespace kx::ui

extern "C" {

KXAPI int KX_UI_open_listing_window(void) {
    return kx::frame([] {
        if (!listing_open()) {
            listUIclear();
            LISTUI_open(0, 0, 0);
            // A window on the screen that the record holds closed would
            // take no writes and be cleared by the next open: a failure to
            // note it open takes it off the screen again.
            try {
                LISTUI_set_kx_lwin_open(1);
            } catch (...) {
                kx::release([] { LISTUI_close(); }, true);
                throw;
            }
        }
        return 0;
    });
}

KXAPI int KX_UI_close_listing_window(void) {
    return kx::frame([] {
        take_off(LISTUI_close);
        return 0;
    });
}

KXAPI int KX_UI_exit_listing_window(void) {
    return kx::frame([] {
        take_off(LISTUI_exit);
        return 0;
    });
}

KXAPI int KX_UI_write_listing_window(const char* string) {
    return kx::frame(kx::arm_first, [&] {
        if (!string) return kx::param(1);
        return write_listing(string);
    });
}

KXAPI int KX_UI_is_listing_window_open(logical* is_open) {
    return kx::frame(
        kx::no_frame,
        [&] {
            return kx::check({{is_open, 1}});
        },
        [&] {
            *is_open = listing_open() ? 1 : 0;
            return 0;
        });
}

KXAPI int KX_UI_save_listing_window(const char* file_name) {
    return kx::frame([&] { return listing_open() ? listUIsaveListing(file_name) : kListingNotOpen; });
}

KXAPI int KX_UI_add_to_class_sel(unsigned int class_id) {
    return kx::frame([&] { return SEL_add_to_udo_filter_list(static_cast<int>(class_id)) ? 0 : kx::param(1); });
}

KXAPI int uc4403(const char* line) {
    return kx::frame(
        [&] {
            return kx::check({{line, 1}});
        },
        [&] { return kx::ui::write_line(line); });
}

}  // extern "C"
