// The listing window, the listing device and the selection filter list.
#include "host/platform/support/listing.h"
#include "host/base/services/host_messages.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <fstream>

#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"

namespace host::listing {
namespace {
State& st() { return service_state<State>("listing"); }
const bool registered = (st(), true);
constexpr int kDeviceLineMax = 132;
}  // namespace

const State& state() { return st(); }
void set_device(int device) { st().device = device; }

}  // namespace host::listing

namespace hl = host::listing;

extern "C" {

int LISTUI_ask_kx_lwin_open(void) {
    auto call = HOST_ENTRY();
    return static_cast<int>(call.int_out(0, hl::st().kx_open ? 1 : 0));
}

void LISTUI_set_kx_lwin_open(int open) {
    HOST_ENTRY(open);
    hl::st().kx_open = open != 0;
}

void listUIclear(void) {
    HOST_ENTRY();
    hl::st().text.clear();
}

void LISTUI_open(int x, int y, int options) {
    HOST_ENTRY(x, y, options);
    hl::st().shown = true;
}

void LISTUI_close(void) {
    HOST_ENTRY();
    hl::st().shown = false;
}

void LISTUI_exit(void) {
    HOST_ENTRY();
    hl::st().shown = false;
    hl::st().text.clear();
}

void listUIprintf(const char* format, ...) {
    // The call enters with the formatted text, so the format is checked first.
    host::Call(__func__, nullptr).need(format, "the format");
    va_list ap;
    va_start(ap, format);
    va_list copy;
    va_copy(copy, ap);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(out.data(), out.size() + 1, format, ap);
    va_end(ap);
    HOST_ENTRY_TEXT(out.c_str(), static_cast<long>(out.size()));
    hl::st().text += out;
    hl::st().prints.push_back(std::move(out));
}

int listUIsaveListing(const char* file_name) {
    auto call = HOST_ENTRY_TEXT(file_name);
    int status;
    if (call.status(status)) return status;
    call.need(file_name, "the file name");
    std::ofstream out(file_name, std::ios::binary | std::ios::trunc);
    if (!out) return LISTUI_ERR_SAVE;
    out << hl::st().text;
    out.close();
    return out ? 0 : LISTUI_ERR_SAVE;
}

void g521_(int* device) {
    auto call = HOST_ENTRY(device);
    call.need(device, "the output");
    *device = static_cast<int>(call.int_out(0, hl::st().device));
}

void g512_(const char* buffer, int* length, int* status) {
    auto call = HOST_ENTRY(buffer, length ? *length : -1, status);
    if (!buffer || !length || !status) call.fail(HOST_ERR_NULL_ARGUMENT, "an argument is null");
    int scripted;
    if (call.status(scripted)) {
        *status = scripted;
        return;
    }
    if (*length < 0 || *length > hl::kDeviceLineMax) {
        *status = LISTUI_ERR_LINE;
        return;
    }
    hl::st().device_lines.emplace_back(buffer, static_cast<std::size_t>(*length));
    *status = 0;
}

int SEL_add_to_udo_filter_list(int class_id) {
    auto call = HOST_ENTRY(class_id);
    int status;
    if (call.status(status)) return status;
    if (class_id <= 0) return 0;
    auto& f = hl::st().udo_filter;
    if (std::find(f.begin(), f.end(), class_id) == f.end()) f.push_back(class_id);
    return 1;
}

}  // extern "C"

// The listing window's texts.
HOST_CODE_TEXTS(HOST_LISTING_CODES);
