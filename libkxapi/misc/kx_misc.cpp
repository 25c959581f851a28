// Session utilities: the host log, system information, timers, memory
// statistics, KLAM programs, the release, user libraries, environment
// variables, the program name, customer defaults, the current application
// and the product-data manager's state.
#include <cstring>
#include <string>

#include "kx_core.h"
#include "kx_misc.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

#include "host/platform/preferences/customer_defaults.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/platform/support/support.h"
#include "host/platform/system/klam.h"
#include "host/platform/system/loader.h"
#include "host/platform/system/system.h"

namespace {

// Messages that these functions note on the host log name this module.
constexpr const char* kModule = "kx_util";
constexpr int kLineSyslogNote = 311;

constexpr int kDateChars = 128;
constexpr const char* kKernelPool = "Fermalith";

// ---- Memory statistics ----------------------------------------------------

// Words of the host's statistics that a reading keeps.
constexpr int kOverallBytes = 2;
constexpr int kOverallBlocks = 4;
constexpr int kPoolBytes = 2;
constexpr int kPoolBlocks = 3;

KX_bsm_stats_t read_memory() {
    int overall[5] = {};
    BSM_ask_statistics(overall);
    KX_bsm_stats_t r{overall[kOverallBytes], 0, overall[kOverallBlocks], 0};
    for (int pool = BSM_next_pool(-2); pool != -2; pool = BSM_next_pool(pool)) {
        const char* name = BSM_ask_pool_name(pool);
        if (!name || std::strcmp(name, kKernelPool) != 0) continue;
        int words[4] = {};
        if (BSM_ask_pool_statistics(pool, words) != BSM_POOL_UNREADABLE) {
            r.kernel_bytes = words[kPoolBytes];
            r.kernel_blocks = words[kPoolBlocks];
        }
        break;
    }
    return r;
}

// ---- Library names ------------------------------------------------------------

// The host's resolution of a library name (fm1821_); 0 and the name, or the
// name service's negative status. A name longer than the service takes is
// refused as the first parameter: cutting it would load another library.
int resolve_library(const char* library, std::string& resolved) {
    const std::size_t n = std::strlen(library);
    if (n > FM_NAME_MAX) return kx::param(1);
    const int length = static_cast<int>(n);
    const int mode = 0;
    int out_length = 0;
    int status = 0;
    char out[FM_NAME_MAX + 1] = {};
    fm1821_(&length, library, &mode, &out_length, out, &status);
    if (status < 0) return status;
    if (out_length < 0 || out_length > FM_NAME_MAX) out_length = 0;
    resolved.assign(out, static_cast<std::size_t>(out_length));
    return 0;
}

int loader_status(int answer) {
    switch (answer) {
        case 0: return 0;
        case LDR_BAD_LIBRARY: return KX_ERR_BAD_LIBRARY;
        case LDR_NO_SYMBOL: return KX_ERR_NO_ENTRY_POINT;
        case LDR_NO_MEMORY: return KX_ERR_LIBRARY_LOAD_MEMORY;
        default: return KX_ERR_LIBRARY_LOAD;
    }
}

bool empty(const char* text) { return !text || !*text; }

// Frees the seven texts of a system-information record and clears them.
void free_texts(KX_system_info_t& info) {
    for (char** text : {&info.date_buf, &info.user_name, &info.program_name, &info.node_name, &info.machine_type,
                        &info.os_name, &info.os_version})
        kx::free_and_clear(*text);
}

// True when the run-time environment is not the user program's.
bool host_session() { return RTENV_ask_env() != RTENV_KIND_USER_PROGRAM; }

}  // namespace

extern "C" {

KXAPI int KX_print_syslog(const char* text, logical note) {
    if (!text) return 0;
    kx::guarded([&] {
        if (note) ERROR_note(kModule, kLineSyslogNote, text);
        else ERROR_lprintf("%s", text);  // the caller's text is never a format
    });
    return 0;
}

// A host error on the way is a status, not the end of the program, and
// the texts made before it are freed.
KXAPI int KX_ask_system_info(KX_system_info_t* info) {
    KX_system_info_t r{};
    return kx::frame(
        kx::no_check, kx::on_error([&] { free_texts(r); }),
        [&] {
            return kx::check({{info, 1}});
        },
        [&] {
            CLOCK_decoded_time now{};
            CLOCK_local_decoded_time(&now);
            char date[kDateChars] = {};
            CLOCK_get_date_string(&now, 1, date, kDateChars);
            r.date_buf = SM_string_copy(date);
            r.user_name = SM_string_copy_persistent(MACH_ask_username());
            r.program_name = SM_string_copy_persistent(MACH_ask_program_name());
            r.node_name = SM_string_copy_persistent(MACH_ask_nodename());
            r.machine_type = SM_string_copy_persistent(MACH_ask_machine());
            r.os_name = SM_string_copy_persistent(MACH_ask_os_name());
            r.os_version = SM_string_copy_persistent(MACH_ask_os_version());
            r.physical_memory = MACH_ask_physical_memory();
            *info = r;
        });
}

KXAPI int KX_free_system_info(KX_system_info_t* info) {
    if (!info) return 0;
    kx::guarded([&] { free_texts(*info); });
    return 0;
}

KXAPI int KX_begin_timer(KX_timer_t* timer) {
    if (!timer) return kx::param(1);
    return kx::guarded([&] {
        *timer = static_cast<KX_timer_t>(CLOCK_create_timer(1));
        return 0;
    });
}

// An unknown timer is the host's to report; its code comes back as the
// status instead of ending the program.
KXAPI int KX_end_timer(KX_timer_t timer, KX_timer_values_t* values) {
    return kx::frame(
        kx::no_check,
        [&] {
            return kx::check({{values, 2}});
        },
        [&] {
            double reading[3] = {};
            CLOCK_read_timer(timer, 2, reading);
            values->real_time = reading[0];
            values->cpu_time = reading[2];
        });
}

KXAPI int KX_init_bsm_stats(KX_bsm_stats_t* stats) {
    return kx::frame(
        kx::no_check,
        [&] {
            return kx::check({{stats, 1}});
        },
        [&] { *stats = read_memory(); });
}

KXAPI int KX_get_memory_usage(KX_bsm_stats_t* stats) {
    return kx::frame(
        kx::no_check,
        [&] {
            return kx::check({{stats, 1}});
        },
        [&] {
            const KX_bsm_stats_t now = read_memory();
            stats->bytes = now.bytes - stats->bytes;
            stats->kernel_bytes = now.kernel_bytes - stats->kernel_bytes;
            stats->blocks = now.blocks;
            stats->kernel_blocks = now.kernel_blocks;
        });
}

KXAPI int KX_call_klam(const char* program, int argument_count, void** arguments) {
    return kx::frame([&] { return inklam_() == 1 ? KX_ERR_KLAM_ALREADY_RUNNING : 0; },
                     [&] {
                         KXKL_set_args_in_kxapi(argument_count, arguments);
                         return KLX_run_klam_program(program) != 0 ? KX_ERR_KLAM_RUN_FAILED : 0;
                     });
}

KXAPI int KX_get_release(char** release) {
    char* text = nullptr;
    const int status = kx::frame(
        kx::standard, kx::on_error([&] { kx::free_and_clear(text); }),
        [&] {
            return kx::check({{release, 1}});
        },
        [&] {
            const int revision = JQ_ask_current_part_revision();
            udrel_record record{};
            udrel_(&revision, &record);
            const int n = record.length < 0 ? 0 : record.length > UDREL_TEXT_MAX ? UDREL_TEXT_MAX : record.length;
            text = static_cast<char*>(SM_alloc(static_cast<std::size_t>(n) + 1));
            std::memcpy(text, record.text, static_cast<std::size_t>(n));
            text[n] = '\0';
        });
    if (release) *release = status == 0 ? text : nullptr;
    return status;
}

KXAPI int KX_load_library(const char* library, const char* symbol, KX_loaded_function_t* function) {
    return kx::frame(
        [&] {
            return kx::check({{!empty(library), 1}, {!empty(symbol), 2}, {function, 3}});
        },
        [&] {
            std::string resolved;
            if (int st = resolve_library(library, resolved); st != 0) return st;
            int answer = 0;
            void* address = ldr_load(resolved.c_str(), symbol, &answer);
            *function = reinterpret_cast<KX_loaded_function_t>(address);
            return loader_status(answer);
        });
}

KXAPI int KX_unload_library(const char* library) {
    return kx::frame(
        [&] {
            return kx::check({{!empty(library), 1}});
        },
        [&] {
            std::string resolved;
            const int st = resolve_library(library, resolved);
            if (st == 0) ldr_unload(resolved.c_str());
            return st;
        });
}

KXAPI int KX_translate_variable(const char* name, const char** value) {
    return kx::frame(
        kx::no_check,
        [&] {
            return kx::check({{value, 2}});
        },
        [&] { *value = ENV_translate_variable(name); });
}

KXAPI int KX_set_variable(const char* name, const char* value) {
    return kx::frame(kx::no_check, [&] { return ENV_set_variable(name, value); });
}

KXAPI void kx3192_(int* flag) {
    if (!flag) return;
    kx::guarded([&] { *flag = host_session() ? 1 : 0; });
}

KXAPI int KX_MISC_set_program_name(const char* name) {
    return kx::frame(kx::no_check, [&] {
        if (!host_session()) {
            MACH_set_program_name(name);
            return 0;
        }
        return SYS_set_program_name(name);
    });
}

KXAPI int KX_get_customer_default(const char* name, int module, char** value) {
    if (value) *value = nullptr;
    return kx::frame(
        [&] {
            return kx::check({{value, 3}});
        },
        [&] {
            const char* text = nullptr;
            if (cdUIgetDefault(name, CD_TYPE_TEXT, module, &text) != 1 || !text) return 1;
            *value = kx::dup_string(text);
            return 0;
        });
}

KXAPI int KX_ask_application_module(int* application) {
    return kx::frame(
        [&] {
            return kx::check({{application, 1}});
        },
        [&] {
            const int* answer = APP_ask_current_application();
            *application = answer ? answer[0] : 0;
        });
}

KXAPI int KX_is_jqmanager_active(logical* active) {
    return kx::frame([&] { return kx::check({{active, 1}}); }, [&] { *active = RTENV_ask_jqmanager_active() ? 1 : 0; });
}

}  // extern "C"
