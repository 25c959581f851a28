// The old numbered file interface: the directory scan and the file header
// record.
#include <cstring>
#include <strings.h>

#include "host/base/services/memory.h"
#include "kx_cfi.h"
#include "libkxapi/cfi/kx_cfi_internal.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

CFI_header_record_t kxcom_hdr_rec{};

namespace {

constexpr const char* kModule = "kx_cfi";
// The line that the host's log shows with the owner assertion.
constexpr int kLineOwnerAssertion = 1019;

constexpr int kItemHeaderFields = 14;
constexpr int kPartFile = 2;
constexpr int kPartFileToo = 98;
constexpr int kNoHeader = -183;  // an entry without a readable header: no failure of the scan

kx::cfi::Scan g_scan{};

// Frees the entry's name and forgets the entry's owner: the record is about
// to describe another entry.
void forget_entry() {
    kx::free_and_clear(kxcom_hdr_rec.h_nam);
    kxcom_hdr_rec.owner.length = 0;
}

// Closes the channel of a level: the host's status.
int close_level(int level) {
    int channel = g_scan.level[level];
    int mode = 0;
    int status = 0;
    fm1400_(&channel, &mode, &status);
    g_scan.level[level] = 0;
    return status;
}

// Closes every level, the deepest first, and ends the scan: the status of
// the first level's close, or the first failure of a deeper one.
int close_scan() {
    int failure = 0;
    int status = 0;
    for (; g_scan.depth > 0; --g_scan.depth) {
        status = close_level(g_scan.depth);
        if (status < 0 && failure == 0) failure = status;
    }
    return failure != 0 ? failure : status;
}

// The header fields that the host keeps (item 14 of its system query).
int header_fields(int* fields) {
    int item = kItemHeaderFields;
    int status = 0;
    *fields = 0;
    fm1920_(&item, fields, &status);
    return status;
}

// The file type: the given one, or the host's when it is 0.
int file_type(const char* fspec, int type, int* out) {
    *out = type;
    if (type != 0) return 0;
    return kx::uc_file_code(CFI_get_file_type(fspec, out));
}

// Converts a header text out when the host keeps its field.
int header_text(const CFI_text132_t& field, int bit, char* text) {
    return kx::guarded([&] {
        int fields = 0;
        const int status = header_fields(&fields);
        if (status < 0 || !(fields & bit)) return status;
        if (!text) return kx::param(1);
        return kx::uc_file_code(CMSG_convert_cmsg_to_c(&field, sizeof field.text, text, KX_CFI_TEXT_BUFSIZE));
    });
}

// Writes one header field of a part file.
template <class Store>
int write_part_field(const char* fspec, int type, int mask, Store&& store) {
    return kx::frame(kx::no_check, [&] {
        int t = 0;
        if (int code = file_type(fspec, type, &t)) return code;
        if (t != kPartFile && t != kPartFileToo) return KX_CFI_BAD_KIND;
        if (int code = store()) return code;
        g_scan.mask = mask;
        return PFEDIT_set_part_file_header(fspec, mask, &kxcom_hdr_rec);
    });
}

int write_text(const char* fspec, int type, int mask, CFI_text132_t& field, const char* text) {
    return write_part_field(fspec, type, mask,
                            [&] { return kx::uc_file_code(CMSG_convert_c_to_cmsg(text, &field, sizeof field.text)); });
}

// True when the file specification ends with name, letter case ignored (a
// name longer than the whole file specification does not).
bool ends_with_name(const char* spec, const char* name) {
    const std::size_t s = std::strlen(spec), n = std::strlen(name);
    return n <= s && ::strcasecmp(spec + (s - n), name) == 0;
}

}  // namespace

namespace kx::cfi {

const Scan& scan() { return g_scan; }

int entry_spec(char* spec) {
    if (g_scan.depth == 0) {
        uc_empty(spec);
        return KX_CFI_NO_SCAN;
    }
    CMSG_t text;
    int status = 0;
    fm1161(g_scan.level[g_scan.depth], &kxcom_hdr_rec, &text, &status);
    if (status < 0) {
        uc_empty(spec);
        return status;
    }
    return uc_file_code(CMSG_convert_cmsg_to_c(&text, CMSG_MAX_CHARS, spec, KX_CFI_FSPEC_BUFSIZE));
}

}  // namespace kx::cfi

extern "C" void kx_cfi_reset_for_tests(void) {
    g_scan = {};
    if (host::memory::is_live(kxcom_hdr_rec.h_nam)) SM_free(kxcom_hdr_rec.h_nam);
    kxcom_hdr_rec = {};
}

extern "C" {

KXAPI int uc4508(const char* directory, const char* pattern, int a3, int type) {
    (void)a3;
    return kx::uc_negated_frame([&] {
        if (g_scan.depth > 0) close_scan();
        int channel = 0;
        const int code = CFI_open_directory(directory, pattern, type, &channel);
        int result = kx::uc_status(code);
        if (code == 0) {
            g_scan.depth = 1;
            g_scan.level[1] = channel;
            result = channel;
        }
        forget_entry();
        kxcom_hdr_rec.owner_word = 0;
        kxcom_hdr_rec.text1.length = 0;
        kxcom_hdr_rec.text2.length = 0;
        return result;
    });
}

KXAPI int uc4509(void) {
    return kx::guarded([&] {
        const int d = g_scan.depth;
        if (d == 0) return KX_CFI_NO_SCAN;
        if (d >= KX_CFI_MAX_SCAN_LEVELS) return KX_CFI_SCAN_TOO_DEEP;
        int status = 0;
        fm1061(g_scan.level[d], &kxcom_hdr_rec, &status);
        if (status < 0) return status;
        g_scan.level[d + 1] = status;
        g_scan.depth = d + 1;
        return 0;
    });
}

KXAPI int uc4518(void) {
    return kx::guarded([&] {
        if (g_scan.depth == 0) return KX_CFI_NO_SCAN;
        forget_entry();
        const int code = kx::uc_file_code(
            CFI_read_next_directory_entry(g_scan.level[g_scan.depth], PFEDIT_get_part_file_header, &kxcom_hdr_rec));
        return code == kNoHeader ? 0 : code;
    });
}

KXAPI int uc4519(char* fspec) {
    return kx::frame([&] { return kx::cfi::entry_spec(fspec); });
}

KXAPI int uc4548(void) {
    return kx::guarded([&] { return g_scan.depth == 0 ? KX_CFI_NO_SCAN : close_scan(); });
}

KXAPI int uc4549(void) {
    return kx::guarded([&] {
        if (g_scan.depth == 0) return KX_CFI_NO_SCAN;
        const int status = close_level(g_scan.depth);
        --g_scan.depth;
        return status;
    });
}

// The header is read into a record of its own, which starts as the current
// one less its entry's name and owner, and takes the current one's place
// only when the read went through: a failed read (a code or a host error)
// leaves the entry read before as it was, and gives back the name the host
// had made for the new one.
KXAPI int uc4564(const char* fspec, int type, int mask) {
    CFI_header_record_t read{};
    return kx::frame(
        kx::standard, kx::before_check([&] {
            return kx::check({{fspec, 1}, {type >= 0, 2}, {mask > 0, 3}});
        }),
        kx::on_error([&] { kx::free_and_clear(read.h_nam); }), [] { return 0; },
        [&] {
            int t = 0;
            if (int code = file_type(fspec, type, &t)) return code;
            read = kxcom_hdr_rec;
            read.h_nam = nullptr;
            read.owner.length = 0;
            const int st = t == kPartFile ? PFEDIT_get_part_file_header(fspec, mask, &read)
                                          : kx::uc_file_code(CFI_get_file_header(fspec, t, mask, &read));
            if (st != 0) {
                kx::free_and_clear(read.h_nam);
                return st;
            }
            forget_entry();
            kxcom_hdr_rec = read;
            read.h_nam = nullptr;
            g_scan.mask = mask;
            return 0;
        });
}

KXAPI int uc4600(char* name) {
    if (!kxcom_hdr_rec.h_nam) return KX_CFI_NO_NAME;
    if (!name) return KX_CFI_NO_BUFFER;
    kx::uc_copy_out(name, kxcom_hdr_rec.h_nam, KX_CFI_FSPEC_BUFSIZE);
    return 0;
}

KXAPI int uc4601(void) { return kxcom_hdr_rec.size; }
KXAPI int uc4605(void) { return kxcom_hdr_rec.mod_day; }
KXAPI int uc4609(void) { return kxcom_hdr_rec.mod_second; }

KXAPI int uc4602(int* value) {
    return kx::guarded([&] {
        int fields = 0;
        if (header_fields(&fields) >= 0 && (fields & CFI_HEADER_INT) && value) *value = kxcom_hdr_rec.header_int;
        return 0;
    });
}

KXAPI int uc4603(char* owner) {
    return kx::guarded([&] {
        int fields = 0;
        const int status = header_fields(&fields);
        if (status < 0 || !(fields & CFI_HEADER_OWNER)) return status;
        if (!owner) return kx::param(1);
        CFI_owner_t& o = kxcom_hdr_rec.owner;
        if (o.length == 0) {
            char spec[KX_CFI_FSPEC_BUFSIZE];
            if (kx::cfi::entry_spec(spec) != 0) {
                if (!kxcom_hdr_rec.h_nam) return KX_CFI_NO_SCAN;  // no entry to name
                kx::uc_copy_out(spec, kxcom_hdr_rec.h_nam, sizeof spec);
            }
            if (kx::checking() && kxcom_hdr_rec.h_nam && !ends_with_name(spec, kxcom_hdr_rec.h_nam))
                ERROR_internal(kModule, kLineOwnerAssertion, "Assertion failed: %s",
                               "_stricmp(fspec+strlen(fspec)-strlen(kxcom_hdr_rec.h_nam), kxcom_hdr_rec.h_nam)==0");
            char* name = CFI_ask_owner_name(spec);
            const char* text = name ? name : "<UNKNOWN>";
            const std::size_t n = strnlen(text, sizeof o.text - 1);
            std::memcpy(o.text, text, n);
            o.text[n] = '\0';
            o.length = static_cast<int>(n);
            kx::free_and_clear(name);
        }
        return kx::uc_file_code(CMSG_convert_cmsg_to_c(&o, sizeof o.text - 1, owner, KX_CFI_OWNER_BUFSIZE));
    });
}

KXAPI int uc4606(double* accessed, double* changed, double* status_changed) {
    if (accessed) *accessed = kxcom_hdr_rec.times[0];
    if (changed) *changed = kxcom_hdr_rec.times[1];
    if (status_changed) *status_changed = kxcom_hdr_rec.times[2];
    return 0;
}

KXAPI int uc4607(char* text) { return header_text(kxcom_hdr_rec.text1, CFI_HEADER_TEXT1, text); }
KXAPI int uc4608(char* text) { return header_text(kxcom_hdr_rec.text2, CFI_HEADER_TEXT2, text); }

KXAPI int uc4612(const char* fspec, int type, int value) {
    return write_part_field(fspec, type, CFI_HEADER_INT, [&] {
        kxcom_hdr_rec.header_int = value;
        return 0;
    });
}

KXAPI int uc4613(const char* fspec, int type, const char* owner) {
    return kx::frame(kx::no_check, [&] {
        if (int code = CMSG_convert_c_to_cmsg(owner, &kxcom_hdr_rec.owner, sizeof kxcom_hdr_rec.owner.text - 1))
            return kx::uc_file_code(code);
        kxcom_hdr_rec.owner.text[kxcom_hdr_rec.owner.length] = '\0';
        g_scan.mask = CFI_HEADER_OWNER;
        return kx::uc_file_code(CFI_set_file_header(fspec, type, CFI_HEADER_OWNER, &kxcom_hdr_rec));
    });
}

KXAPI int uc4617(const char* fspec, int type, const char* text) {
    return write_text(fspec, type, CFI_HEADER_TEXT1, kxcom_hdr_rec.text1, text);
}
KXAPI int uc4618(const char* fspec, int type, const char* text) {
    return write_text(fspec, type, CFI_HEADER_TEXT2, kxcom_hdr_rec.text2, text);
}

}  // extern "C"
