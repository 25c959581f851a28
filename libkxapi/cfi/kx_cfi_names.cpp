// The old numbered file interface: file names, system queries, the clock,
// program arguments and the directory request.
#include <cctype>
#include <cstring>

#include "host/numeric/acom.h"
#include "host/platform/support/support.h"
#include "kx_cfi.h"
#include "libkxapi/cfi/kx_cfi_internal.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

namespace {

constexpr int kLastSystemCode = 128;
constexpr int kItemNode = 12;
constexpr int kItemHeaderFields = 14;
constexpr int kItemLongestSpec = 21;
constexpr int kFieldSelectionWord = 76;  // acom_ word of the default field selection (a double)
constexpr int kRequestChars = 259;       // a directory or text of a directory request
constexpr int kDateChars = 31;           // a date text of a directory request
constexpr int kFlags = 13;
constexpr int kSelections = 12;

int g_argument = 0;  // the last argument number asked by uc4621

// A name service: the host's answer through a string, copied out (the
// output empty on failure).
template <class Ask>
int name_service(char* out, bool mapped, Ask&& ask) {
    kx::cfi::HostStrings held;
    return kx::cfi::strings_frame(kx::standard, held, [&] {
        kx::uc_empty(out);
        const int code = ask(&held.s[0]);
        if (code == 0) kx::uc_copy_out(out, held.s[0], KX_CFI_FSPEC_BUFSIZE);
        return mapped ? kx::uc_file_code(code) : code;
    });
}

int query(int item, void* value) {
    int status = 0;
    fm1920_(&item, value, &status);
    return status;
}

// Minimum abbreviation of a switch name: its characters before the first
// lower-case letter.
int min_abbreviation(const char* name) {
    int n = 0;
    while (name[n] && !std::islower(static_cast<unsigned char>(name[n]))) ++n;
    return n;
}

void set_flag(int* words, int bit) { mbtst_(words, &bit); }

// Type bits of the directory request: those of selection values 1 to 12,
// and those that come with them.
constexpr int kTypeOfSelection[kSelections] = {1, 3, 4, 5, 7, 8, 9, 10, 19, 20, 21, 100};

int fill_type_set(const int* selections) {
    int mask = 0;
    for (int i = 0; i < kSelections; ++i)
        if (selections && selections[i] == 1) mask |= 1 << (i + 1);
    if (mask == 0) return KX_CFI_BAD_REQUEST;
    // The set is this request's own: what an earlier request chose goes.
    std::memset(fmgcom_.types, 0, sizeof fmgcom_.types);
    int* set = fmgcom_.types;
    for (int i = 1; i <= kSelections; ++i)
        if (mask & (1 << i)) set_flag(set, kTypeOfSelection[i - 1]);
    if (mask & (1 << 1)) set_flag(set, 2);
    auto with = [&](int bit, std::initializer_list<int> also) {
        if (mbtts_(set, &bit))
            for (int b : also) set_flag(set, b);
    };
    with(5, {6, 15, 16});
    with(10, {11, 12, 13, 14});
    with(100, {101, 102, 103, 104, 109, 110});
    set_flag(&fmgcom_.flags, 14);
    return 0;
}

int request(const char* directory, int kind, int value, const int* flags, int* selections, const char* text) {
    CMSG_t dir;
    if (int code = CMSG_convert_c_to_cmsg(directory, &dir, kRequestChars)) return kx::uc_file_code(code);
    CMSG_t words;
    if (int code = CMSG_convert_c_to_cmsg(text ? text : "", &words, kRequestChars)) return kx::uc_file_code(code);
    FMG_request_t& r = fmgcom_;
    // 1. Flags and field selection.
    r.flags = 0;
    double selection = 0;
    std::memcpy(&selection, &acom_[kFieldSelectionWord], sizeof selection);
    r.fields = static_cast<int>(selection);
    int chosen = 0;
    for (int i = 1; i <= kFlags; ++i)
        if (flags && flags[i - 1] == 1) chosen += 1 << i;
    if (chosen != 0) r.fields = chosen;
    // 2, 3.
    r.value = value >= 1 && value <= 5 ? value : 1;
    r.name.length = r.extra1.length = r.extra2.length = 0;
    // 4.
    char path[kRequestChars + 1];
    std::memcpy(path, dir.text, static_cast<std::size_t>(dir.length));
    path[dir.length] = '\0';
    if (int code = CFI_validate_directory_specification(path, 0)) return kx::uc_file_code(code);
    // 5.
    auto put = [&](CMSG_t& field) {
        field.length = words.length;
        movch_(words.text, field.text, &words.length);
    };
    switch (kind) {
        case 1: break;
        case 2:
            put(r.name);
            set_flag(&r.flags, 11);
            break;
        case 3:
        case 4: {
            if (words.length > kDateChars) return KX_CFI_TOO_LONG;
            char date[kDateChars + 1];
            std::memcpy(date, words.text, static_cast<std::size_t>(words.length));
            date[words.length] = '\0';
            if (!CLOCK_string_to_jq_comp(date, "00:00", r.date)) return KX_CFI_BAD_REQUEST;
            set_flag(&r.flags, 4);
            if (kind == 3) set_flag(&r.flags, 15);
            int mode = selections ? selections[0] : 1;
            if (mode < 1 || mode > 3) {
                mode = 1;
                if (selections) selections[0] = 1;
            }
            r.date_mode = mode;
            break;
        }
        case 5:
            put(r.extra1);
            set_flag(&r.flags, 0);
            break;
        case 6:
            put(r.extra2);
            set_flag(&r.flags, 1);
            break;
        case 7:
            if (int code = fill_type_set(selections)) return code;
            break;
        case 8:
            r.selection = selections ? selections[0] : 0;
            set_flag(&r.flags, 2);
            break;
        default: return KX_CFI_BAD_REQUEST;
    }
    // 6.
    int status = 0;
    l1110a_(&dir, &status);
    return status;
}

}  // namespace

extern "C" void kx_cfi_reset_arguments_for_tests(void) { g_argument = 0; }

extern "C" {

KXAPI int uc4570(const char* fspec, int must_exist) {
    return kx::frame([&] { return kx::uc_file_code(CFI_validate_file_specification(fspec, must_exist)); });
}
KXAPI int uc4571(const char* directory, int must_exist) {
    return kx::frame(kx::no_check,
                     [&] { return kx::uc_file_code(CFI_validate_directory_specification(directory, must_exist)); });
}
KXAPI int uc4572(const char* wildcard, int a2) {
    return kx::frame(kx::no_check, [&] { return kx::uc_file_code(CFI_validate_wildcard_specification(wildcard, a2)); });
}

KXAPI int uc4573(const char* name, int mode, char* fspec) {
    return kx::frame([&] {
        CMSG_t in;
        if (int code = CMSG_convert_c_to_cmsg(name, &in, CMSG_MAX_CHARS)) return kx::uc_file_code(code);
        kx::uc_empty(fspec);
        CMSG_t out;
        int status = 0;
        fm1820_(&in, &mode, &out, &status);
        if (status < 0) return status;
        if (!fspec) return kx::param(3);
        const int code = CMSG_convert_cmsg_to_c(&out, CMSG_MAX_CHARS, fspec, KX_CFI_FSPEC_BUFSIZE);
        return code != 0 ? kx::uc_file_code(code) : status;
    });
}

KXAPI int uc4574(const char* fspec, int without_extension, char* name) {
    return name_service(name, false, [&](char** a) { return CFI_get_simple_name(fspec, without_extension, a); });
}
KXAPI int uc4575(const char* directory, int type, const char* name, char* fspec) {
    return name_service(fspec, false, [&](char** a) { return CFI_merge_filespec(directory, name, type, a); });
}
KXAPI int uc4576(const char* fspec, int a2, char* directory, char* name) {
    kx::cfi::HostStrings held;
    return kx::cfi::strings_frame(kx::standard, held, [&] {
        kx::uc_empty(directory);
        kx::uc_empty(name);
        const int code = CFI_split_filespec(fspec, a2, &held.s[0], &held.s[1]);
        if (code == 0) {
            kx::uc_copy_out(directory, held.s[0], KX_CFI_FSPEC_BUFSIZE);
            kx::uc_copy_out(name, held.s[1], KX_CFI_FSPEC_BUFSIZE);
        }
        return code;
    });
}
KXAPI int uc4577(char* name) {
    if (!name) return kx::guarded([] { return kx::session_open() ? kx::param(1) : kx::kNotInitialized; });
    return name_service(name, false, [&](char** a) { return CFI_create_unique_filename(a); });
}
KXAPI int uc4578(const char* fspec, int a2, char* result) {
    return name_service(result, false, [&](char** a) { return CFI_remove_extension(fspec, a2, a); });
}
KXAPI int uc4579(const char* fspec, int a2, char* result) {
    return name_service(result, false, [&](char** a) { return CFI_form_global_filespec(fspec, a2, a); });
}

KXAPI int uc4580(int index, char* code) {
    return kx::guarded([&] {
        if (!code) return kx::param(2);
        code[0] = '\0';
        if (index < 0 || index > kLastSystemCode) return KX_CFI_BAD_INDEX;
        char answer[8];
        fm1870_(&index, answer);
        std::memcpy(code, answer, 4);
        code[4] = '\0';
        return std::strcmp(code, "JQ  ") == 0 ? 1 : 0;
    });
}

KXAPI int uc4581(int index) {
    return kx::guarded([&] {
        int result = 0;
        fm1871_(&index, &result);
        return result;
    });
}

KXAPI int uc4595(int kind, char* text) {
    return kx::frame([&] {
        kx::uc_empty(text);
        if (kind != 1) return KX_CFI_BAD_KIND;
        CMSG_t node;
        node.length = 0;
        const int status = query(kItemNode, &node);
        if (status < 0) return status;
        if (!text) return kx::param(2);
        const int code = CMSG_convert_cmsg_to_c(&node, CMSG_MAX_CHARS, text, KX_CFI_FSPEC_BUFSIZE);
        return code != 0 ? kx::uc_file_code(code) : status;
    });
}

KXAPI int uc4596(int kind, int* value) {
    return kx::guarded([&] {
        if (!value) return kx::param(2);
        *value = 0;
        if (kind == 2) return query(kItemHeaderFields, value);
        if (kind == 3) return query(kItemLongestSpec, value);
        return KX_CFI_BAD_KIND;
    });
}

KXAPI int uc4901(char* text) {
    return kx::frame([&] {
        CFI_version_t version{};
        nat004_(&version);
        const int n = version.length < 0 ? 0 : version.length > 136 ? 136 : version.length;
        char chars[137];
        std::memcpy(chars, version.text, static_cast<std::size_t>(n));
        chars[n] = '\0';
        kx::uc_copy_out(text, chars, KX_CFI_VERSION_BUFSIZE);
        return 0;
    });
}

KXAPI int uc4623(const char* fspec, char* text) {
    return kx::guarded([&] {
        char* release = nullptr;
        const int code = PART_get_file_release_string(fspec, &release);
        if (code == 0) kx::uc_copy_out(text, release, KX_CFI_TEXT_BUFSIZE);
        kx::free_and_clear(release);
        return code;
    });
}

KXAPI int uc4582(const int jq_time[2], char* date, char* time) {
    kx::cfi::HostStrings held;
    return kx::cfi::strings_frame(kx::Opts{.check_init = false, .acknowledge = kx::every_code}, held, [&] {
        if (!jq_time) return kx::param(1);
        CLOCK_jq_comp_to_string(jq_time[0], jq_time[1], &held.s[0], &held.s[1]);
        kx::uc_copy_out(date, held.s[0], KX_CFI_DATE_BUFSIZE);
        kx::uc_copy_out(time, held.s[1], KX_CFI_DATE_BUFSIZE);
        return 0;
    });
}

KXAPI int uc4583(const char* date, const char* time, int jq_time[2]) {
    return kx::frame(kx::acknowledging, [&] { return CLOCK_string_to_jq_comp(date, time, jq_time) ? 0 : 1; });
}

KXAPI int uc4624(int a1, int argc, char** argv) {
    (void)a1;
    return kx::guarded([&] {
        SYS_init_basics();
        ARG_init_module(argc, argv);
        if (RTENV_ask_env() == RTENV_KIND_USER_PROGRAM) JQMGR_initialise_if_required();
        return 0;
    });
}

KXAPI int uc4620(const char* name, char* value) {
    return kx::guarded([&] {
        if (!name) return kx::param(1);
        int answer = 2;
        const char* given = ARG_get_switch(name, min_abbreviation(name), &answer);
        if (answer == 0) {
            kx::uc_copy_out(value, given, KX_CFI_FSPEC_BUFSIZE);
            return 3;
        }
        return answer == 1 ? 1 : 0;
    });
}

KXAPI int uc4621(char* argument) {
    return kx::guarded([&] {
        const char* given = ARG_get_argument(++g_argument);
        if (!given) {
            kx::uc_empty(argument);
            return 0;
        }
        kx::uc_copy_out(argument, given, KX_CFI_FSPEC_BUFSIZE);
        return 1;
    });
}

KXAPI int uc4650(const char* directory, int kind, int value, int flags[13], int selections[12], const char* text) {
    return kx::uc_negated_frame([&] { return request(directory, kind, value, flags, selections, text); });
}

}  // extern "C"
