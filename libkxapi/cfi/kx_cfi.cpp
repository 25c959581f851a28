// The old numbered file interface: channels, transfers, positions, closing
// and operations on files.
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "kx_cfi.h"
#include "libkxapi/cfi/kx_cfi_internal.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

namespace {

using kx::cfi::kChunk;

// Item of fm1440_ asked by uc4544 for kinds 1 to 6.
constexpr int kChannelItems[6] = {2, 1, 5, 7, 8, 9};
constexpr int kItemKind = 6;  // uc4547's kind 1

// Opens a file through the host: the channel, or the host's failure.
template <class Open>
int open_file(Open&& open) {
    return kx::uc_negated_frame([&] {
        int channel = 0;
        const int code = open(&channel);
        return code == 0 ? channel : kx::uc_status(code);
    });
}

// A block transfer: count elements of `size` bytes in host calls of at
// most kChunk elements; the first negative status ends it.
template <class Buffer, class Routine>
int transfer(Routine routine, int channel, int count, Buffer* buffer, std::size_t size) {
    using Byte = std::conditional_t<std::is_const_v<Buffer>, const unsigned char, unsigned char>;
    Byte* at = static_cast<Byte*>(buffer);
    while (count > 0) {
        int n = count < kChunk ? count : kChunk;
        int status = 0;
        routine(&channel, &n, at, &status);
        if (status < 0) return status;
        at += static_cast<std::size_t>(n) * size;
        count -= n;
    }
    return 0;
}

template <class Buffer, class Routine>
int framed_transfer(Routine routine, int channel, int count, Buffer* buffer, std::size_t size) {
    return kx::frame([&] { return transfer(routine, channel, count, buffer, size); });
}

template <class Buffer, class Routine>
int bare_transfer(Routine routine, int channel, int count, Buffer* buffer, std::size_t size) {
    return kx::guarded([&] { return transfer(routine, channel, count, buffer, size); });
}

// A skip: the magnitude in host calls of at most kChunk elements, each with
// the sign of the request.
int skip(void (*routine)(int*, int*, int*), int channel, int count) {
    return kx::guarded([&] {
        const long long sign = count < 0 ? -1 : 1;
        long long left = count < 0 ? -static_cast<long long>(count) : count;
        while (left > 0) {
            const long long piece = left < kChunk ? left : kChunk;
            int n = static_cast<int>(sign * piece);
            int status = 0;
            routine(&channel, &n, &status);
            if (status < 0) return status;
            left -= piece;
        }
        return 0;
    });
}

// A channel routine of the form (channel by address, status).
int on_channel(void (*routine)(int*, int*), int channel) {
    return kx::guarded([&] {
        int status = 0;
        routine(&channel, &status);
        return status;
    });
}

}  // namespace

extern "C" {

KXAPI int uc4500(const char* fspec, int a2, int a3) {
    return open_file([&](int* ch) { return CFI_open_file(fspec, a2, a3, 1, ch); });
}
KXAPI int uc4504(const char* fspec, int a2, int a3) {
    return open_file([&](int* ch) { return CFI_open_file(fspec, a2, a3, 2, ch); });
}
KXAPI int uc4506(const char* fspec, int a2, int a3) {
    return open_file([&](int* ch) { return CFI_open_file(fspec, a2, a3, 3, ch); });
}
KXAPI int uc4507(const char* fspec, int mode, int record_length, int type) {
    return open_file([&](int* ch) { return CFI_open_record_file(fspec, mode, record_length, type, ch); });
}

KXAPI int uc4510(int channel, int n, void* buffer) { return framed_transfer(fm1100_, channel, n, buffer, 1); }
KXAPI int uc4511(int channel, int n, void* buffer) { return framed_transfer(fm1101_, channel, n, buffer, 4); }
KXAPI int uc4512(int channel, int n, void* buffer) { return framed_transfer(fm1102_, channel, n, buffer, 8); }
KXAPI int uc4513(int channel, int n, void* buffer) { return framed_transfer(fm1103_, channel, n, buffer, 1); }
KXAPI int uc4520(int channel, int n, const void* buffer) { return bare_transfer(fm1200_, channel, n, buffer, 1); }
// Moves any count in pieces, like its siblings.
KXAPI int uc4521(int channel, int n, const void* buffer) { return bare_transfer(fm1201_, channel, n, buffer, 4); }
KXAPI int uc4522(int channel, int n, const void* buffer) { return bare_transfer(fm1202_, channel, n, buffer, 8); }
KXAPI int uc4523(int channel, int n, const void* buffer) { return bare_transfer(fm1203_, channel, n, buffer, 1); }

KXAPI int uc4530(int channel, int n) { return skip(fm1300_, channel, n); }
KXAPI int uc4531(int channel, int n) { return skip(fm1301_, channel, n); }
KXAPI int uc4532(int channel, int n) { return skip(fm1302_, channel, n); }
KXAPI int uc4533(int channel, int n) { return skip(fm1303_, channel, n); }

KXAPI int uc4514(int channel, char* line) {
    return kx::guarded([&] {
        char* text = nullptr;
        const int code = CFI_read_line(channel, &text);
        if (code != 0) {
            kx::free_and_clear(text);
            return kx::uc_file_code(code);
        }
        kx::uc_copy_out(line, text, KX_CFI_LINE_BUFSIZE);
        const int length = static_cast<int>(std::strlen(text));
        kx::free_and_clear(text);
        return length;
    });
}

KXAPI int uc4524(int channel, const char* text) {
    return kx::guarded([&] { return kx::uc_file_code(CFI_write_line(channel, text)); });
}

KXAPI int uc4516(int a1, int a2, int a3, int a4) {
    return kx::guarded([&] {
        int status = 0;
        fm1120_(&a1, &a2, &a3, a4, &status);
        return status;
    });
}

KXAPI int uc4517(int channel, int* record, int record_length) {
    return kx::guarded([&] {
        int value = record ? *record : 0;
        int status = 0;
        fm1130_(&channel, &value, record_length, &status);
        if (record) *record = value;
        return status < 0 ? status : value;
    });
}

KXAPI int uc4525(int channel) { return on_channel(fm1211_, channel); }

KXAPI int uc4526(int a1, int a2, int a3, int a4) {
    return kx::guarded([&] {
        int status = 0;
        fm1221_(&a1, &a2, &a3, a4, &status);
        return status;
    });
}

KXAPI int uc4527(int a1, int a2, int a3) {
    return kx::guarded([&] {
        int status = 0;
        fm1230_(&a1, &a2, a3, &status);
        return status;
    });
}

KXAPI int uc4534(int channel) {
    return kx::guarded([&] {
        int value = 0, status = 0;
        fm1310a_(&channel, &value, &status);
        return status < 0 ? status : value;
    });
}

KXAPI int uc4535(int channel, int position) {
    return kx::guarded([&] {
        int status = 0;
        fm1311a_(&channel, &position, &status);
        return status;
    });
}

KXAPI int uc4536(int channel) { return on_channel(fm1320_, channel); }

KXAPI int uc4540(int channel, int close_mode) {
    return kx::frame(kx::no_check, [&] {
        int status = 0;
        fm1400_(&channel, &close_mode, &status);
        return status;
    });
}

KXAPI int uc4544(int channel, int kind, int* result) {
    return kx::guarded([&] {
        if (kind < 1 || kind > 6) {
            if (result) *result = 0;
            return KX_CFI_BAD_KIND;
        }
        if (!result) return kx::param(3);
        int item = kChannelItems[kind - 1];
        int status = 0;
        fm1440_(&channel, &item, result, &status);
        return status;
    });
}

KXAPI int uc4547(int channel, int kind, int* result) {
    if (result) *result = 0;
    return kx::frame([&] {
        if (kind != 1) return KX_CFI_BAD_KIND;
        if (!result) return kx::param(3);
        int item = kItemKind;
        int status = 0;
        fm1440_(&channel, &item, result, &status);
        return status;
    });
}

KXAPI int uc4560(const char* name, int access) {
    return kx::frame([&] {
        CMSG_t text;
        if (int code = CMSG_convert_c_to_cmsg(name, &text, CMSG_MAX_CHARS)) return kx::uc_file_code(code);
        int status = 0;
        fm1500_(&text, &access, &status);
        return status;
    });
}

KXAPI int uc4561(const char* fspec, int mode) {
    return kx::frame(
        [&] {
            return kx::check({{fspec, 1}, {mode >= 0, 2}});
        },
        [&] { return kx::uc_file_code(CFI_delete_file(fspec, mode)); });
}

KXAPI int uc4562(const char* from, const char* to, int replace) {
    return kx::frame([&] { return CFI_rename_file(from, to, replace); });
}

KXAPI int uc4563(const char* directory) {
    return kx::frame([&] { return CFI_create_directory(directory); });
}

KXAPI int uc4565(int kind, char* directory) {
    kx::cfi::HostStrings held;
    return kx::cfi::strings_frame(kx::standard, held, [&] {
        kx::uc_empty(directory);
        const int code = CFI_get_default_directory(kind, &held.s[0]);
        if (code == 0) kx::uc_copy_out(directory, held.s[0], KX_CFI_FSPEC_BUFSIZE);
        return code;
    });
}

KXAPI int uc4566(const char* directory, int must_exist) {
    return kx::frame([&] { return CFI_set_default_directory(directory, must_exist); });
}

KXAPI int uc4567(const char* source, const char* target, int replace, int a4, int type) {
    kx::cfi::HostStrings held;
    return kx::cfi::strings_frame(kx::standard, held, [&] {
        const int code = CFI_add_extension(target, type, &held.s[0]);
        if (code != 0) return code;
        int second = 0;
        const int status = kx::uc_file_code(CFI_copy_file(source, held.s[0], replace, a4, type, &second));
        return second != 0 ? second : status;
    });
}

}  // extern "C"
