// Session start and stop: the process-wide session state, the start-up
// chain with its once-per-process registrations, the external-program
// set-up, the teardown, the text mode and the journal of retired entry
// points.
//
// None of these functions arms an error frame: a host error raised in the
// start-up chain or the teardown goes to the caller's own frame (through
// the boundary guard).
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string_view>
#include <tuple>
#include <vector>

#include "kx_core.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_msg_tables.h"
#include "libkxapi/core/kx_session.h"

#include "host/store/entities/display.h"
#include "host/numeric/acom.h"
#include "host/base/services/error.h"
#include "host/base/services/fm.h"
#include "host/base/services/memory.h"
#include "host/platform/startup/startup.h"
#include "host/platform/support/support.h"

namespace {

constexpr const char* kModule = "kx_initialize";
// The line number that the host's log shows with the note on a surplus KX_terminate.
constexpr int kLineTooManyTerminates = 321;

// Words of the host's common block that the session writes.
constexpr int kAcomStartupMode = 1268;
constexpr int kAcomExternalDisplay = 1085;
constexpr int kAcomExternalGraphics = 1224;
constexpr int kAcomExitDisplay = 1204;
constexpr int kAcomExitFlags = 1216;
constexpr int kExitDisplayBit = 8;

constexpr const char* kProgramSuffix = " - External Kestrix Extension";
constexpr std::size_t kProgramNameField = 132;  // with the terminator
constexpr std::size_t kProgramNameMax = 128;    // name and suffix together

// Session state, all as at load; unguarded (one thread uses the interface).
struct Session {
    int nesting = 0;
    bool once_started = false;
    bool custom_app = false;
    int registrations_done = 0;
    int external_done = 0;
    bool stl_registered = false;
    int text_mode = 0;
};
Session g;

// Journal of retired entry points.
struct Journal {
    int mode = 0;
    bool read_pending = true;
    int total = 0;
    int n = 0;
    char** names = nullptr;
    int* counts = nullptr;
};
Journal journal;

// ---- The families' parts ------------------------------------------------------

struct Member {
    const char* family;
    int order;
    void (*startup)();
    void (*reset)();
};

// Made on first use: registrations run while the library loads, in no
// known order across sources.
std::vector<Member>& members() {
    static std::vector<Member> all;
    return all;
}

void for_each_member(void (*Member::*hook)()) {
    for (const Member& m : members())
        if (m.*hook) (m.*hook)();
}

// ---- Start-up ------------------------------------------------------------------

void run_registrations() {
    if (g.registrations_done) return;
    for (const kx_message_band& band : kx_message_bands()) {
        if (band.registered_by != kx_band_registration::startup) continue;
        if (band.base == KX_BAND_STL) kx::register_stl_band();
        else ERROR_register_decoder_fn(band.base, band.range, ERROR_decode_in_table, band.table);
    }
    for_each_member(&Member::startup);
    g.registrations_done = 1;
}

void run_external_setup() {
    if (g.external_done) return;
    g.external_done = 1;

    char name[kProgramNameField] = {};
    if (const char* host_name = MACH_ask_program_name())
        std::strncpy(name, host_name, kProgramNameField - 1);  // a longer name is cut to 131
    const std::size_t len = std::strlen(name);
    const std::size_t suffix_len = std::strlen(kProgramSuffix);
    // The result holds at most 128 characters and always ends with the whole suffix.
    const std::size_t at = len + suffix_len <= kProgramNameMax ? len : kProgramNameMax - suffix_len;
    std::memcpy(name + at, kProgramSuffix, suffix_len + 1);
    MACH_set_program_name(name);

    acom_[kAcomExternalDisplay] = 1;
    acom_[kAcomExternalGraphics] = 0;
    DSS_init_external_kxapi();
    VWDISP_load_cust_defaults();
    MOM_TCL_set_ui_add_funcs(0);
}

// The start-up chain for an external program (SYS_init_extkxapi).
int start_external_program() {
    if (kx::session_open()) return 0;
    if (int st = STARTUP_before_interface(); st != 0) return st;
    kx::detail::g_initialized = true;
    RTENV_set_env(RTENV_KIND_USER_PROGRAM);
    acom_[kAcomStartupMode] = 2;
    STARTUP_after_interface();
    run_registrations();
    run_external_setup();
    MT_discard_deferred_message_dialogs();
    return 0;
}

// Start-up of run-time environment kind 2.
int light_startup() {
    if (kx::session_open()) return 0;
    kx::detail::g_initialized = true;
    run_registrations();
    return 0;
}

// ---- Journal -------------------------------------------------------------------

// The journal's mode, read from JQII_USING_RETIRING_FUNCTIONS the first time
// unless it was set before (KX_ask_retiring_flag).
int retiring_mode() {
    if (!journal.read_pending) return journal.mode;
    journal.read_pending = false;
    const char* value = ENV_translate_variable("JQII_USING_RETIRING_FUNCTIONS");
    journal.mode = 0;
    if (value && std::strcmp(value, "1") == 0) journal.mode = 1;
    else if (value && std::strcmp(value, "2") == 0) journal.mode = 2;
    return journal.mode;
}

// One call of a retired entry point: null counts it, a name counts it under
// that name (KX_set_function_called).
void record_retired_call(const char* name) {
    if (!name) {
        ++journal.total;
        return;
    }
    for (int i = 0; i < journal.n; ++i) {
        if (std::strcmp(journal.names[i], name) == 0) {
            ++journal.counts[i];
            return;
        }
    }
    const std::size_t n = static_cast<std::size_t>(journal.n) + 1;
    journal.names = static_cast<char**>(SM_realloc_persistent(journal.names, n * sizeof(char*)));
    journal.counts = static_cast<int*>(SM_realloc_persistent(journal.counts, n * sizeof(int)));
    journal.names[n - 1] = SM_string_copy_persistent(name);
    journal.counts[n - 1] = 1;
    journal.n = static_cast<int>(n);
}

void free_journal() {
    for (int i = 0; i < journal.n; ++i) SM_free(journal.names[i]);
    SM_free(journal.names);
    SM_free(journal.counts);
    journal.names = nullptr;
    journal.counts = nullptr;
    journal.n = 0;
    journal.total = 0;
}

void report_journal() {
    // The mode is read here at the latest, so that mode 1 reports also
    // when no retired entry point was called.
    const int mode = retiring_mode();
    if (mode == 1) {
        std::fprintf(stderr,
                     " There were %d functions called that are listed in kx_retiring.h as functions that "
                     "will be withdrawn\n",
                     journal.total);
    } else if (mode == 2 && journal.n > 0) {
        std::fprintf(stderr,
                     " The following routines were called which are listed in kx_retiring.h as functions "
                     "that will be withdrawn\n");
        for (int i = 0; i < journal.n; ++i)
            std::fprintf(stderr, "%s was called %d times\n", journal.names[i], journal.counts[i]);
    }
    std::fflush(stderr);
    free_journal();
}

}  // namespace

// ---- Shared with the rest of the library -------------------------------------

namespace kx {
namespace detail {
bool g_initialized = false;
bool g_in_library = false;

bool session_open_slow() {
    const int kind = RTENV_ask_env();
    return kind >= 3 && kind <= 5;
}
}  // namespace detail

int text_mode() { return g.text_mode; }
void set_text_mode(int mode) { g.text_mode = mode; }

void register_band(int base) {
    for (const kx_message_band& band : kx_message_bands()) {
        if (band.base == base) {
            ERROR_register_decoder_fn(band.base, band.range, ERROR_decode_in_table, band.table);
            return;
        }
    }
}

void note_retired(const char* name) {
    switch (retiring_mode()) {
        case 1: record_retired_call(nullptr); break;
        case 2: record_retired_call(name); break;
        default: break;
    }
}

SessionState session_state() {
    return SessionState{detail::g_initialized, g.nesting,    g.once_started, g.custom_app,
                        g.text_mode,           journal.mode, journal.total,  journal.n};
}

session_member::session_member(const char* family, int order, void (*startup)(), void (*reset)()) {
    auto& all = members();
    const Member m{family, order, startup, reset};
    const auto at = std::upper_bound(all.begin(), all.end(), m, [](const Member& x, const Member& y) {
        return std::tuple(x.order, std::string_view(x.family)) < std::tuple(y.order, std::string_view(y.family));
    });
    all.insert(at, m);
}

void register_stl_band() {
    if (g.stl_registered) return;
    kx::register_band(KX_BAND_STL);
    g.stl_registered = true;
}

}  // namespace kx

extern "C" void kx_reset_session_for_tests(void) {
    // The journal's blocks may belong to a host that has been reset since;
    // free only what the host still knows as live.
    for (int i = 0; i < journal.n; ++i)
        if (host::memory::is_live(journal.names[i])) SM_free(journal.names[i]);
    if (host::memory::is_live(journal.names)) SM_free(journal.names);
    if (host::memory::is_live(journal.counts)) SM_free(journal.counts);
    journal = Journal{};
    g = Session{};
    kx::detail::g_initialized = false;
    kx::detail::g_in_library = false;
    // The families' session state (the callback registries, whose host
    // hooks are gone with a host reset, ...).
    for_each_member(&Member::reset);
}

// ---- Exported functions ---------------------------------------------------------

KXAPI int KX_is_initialized(void) {
    if (kx::detail::g_initialized) return 1;
    return kx::guarded([] { return kx::detail::session_open_slow() ? 1 : 0; });
}

KXAPI void KX__set_custom_app_open(void) { g.custom_app = true; }

extern "C" KXAPI int SYS_init_extkxapi(void) {
    return kx::guarded([] { return start_external_program(); });
}

KXAPI int KX_initialize(void) {
    return kx::guarded([] {
        if (kx::detail::g_initialized) {
            // Nested, or the first call in a session that the host started
            // itself (SYS_init_extkxapi): either way a session has begun.
            ++g.nesting;
            g.once_started = true;
            return 0;
        }
        int status = 0;
        if (RTENV_ask_env() == 2) {
            status = light_startup();
        } else if (g.once_started) {
            status = kx::kInitAfterTerminate;
        } else {
            // The count is one higher while the start-up chain runs.
            ++g.nesting;
            struct Restore {
                ~Restore() { --g.nesting; }
            } restore;
            status = start_external_program();
        }
        if (kx::detail::g_initialized) {
            ++g.nesting;
            g.once_started = true;
            const char* value = ENV_translate_variable("JQII_JQOPEN_SESSION");
            if (value && std::strcmp(value, "true") == 0) g.custom_app = true;
        }
        kx::set_text_mode(0);
        return status;
    });
}

KXAPI int KX_terminate(void) {
    return kx::guarded([] {
        int status = 0;
        if (!kx::detail::g_initialized) return 0;
        if (--g.nesting > 0) return 0;
        if (g.nesting < 0)
            ERROR_note(kModule, kLineTooManyTerminates, "KX_terminate: KX_terminate called too many times ");
        g.nesting = 0;
        if (g.custom_app) return 0;

        DSS_set_suppress_display(2);
        if (RTENV_ask_env() == RTENV_KIND_USER_PROGRAM) {
            if (RTENV_ask_jqmanager_active()) JQMGR_terminate();
            fm1901_(&status);
        }
        int display = 0;
        dsp800_(&display);
        if (display == 0) {
            acom_[kAcomExitDisplay] = 1;
            acom_[kAcomExitFlags] &= ~kExitDisplayBit;
        } else {
            acom_[kAcomExitDisplay] = 2;
            acom_[kAcomExitFlags] |= kExitDisplayBit;
        }
        kx::detail::g_initialized = false;
        report_journal();
        return status;
    });
}

KXAPI int KX_ask_retiring_flag(void) {
    return kx::guarded([] { return retiring_mode(); });
}

KXAPI int KX_set_retiring_flag(int mode) {
    journal.read_pending = false;
    journal.mode = mode >= 0 && mode <= 2 ? mode : 0;
    return 0;
}

KXAPI void KX_set_function_called(const char* name) {
    kx::guarded([&] { record_retired_call(name); });
}
