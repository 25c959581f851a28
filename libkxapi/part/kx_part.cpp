// Parts: creating, opening, saving, reopening, exporting and closing part
// files, and the queries around them.
#include "kx_part.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "host/store/parts/parts.h"
#include "host/model/feature/undo.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/part/kx_part_util.h"
#include "libkxapi/core/kx_util.h"

namespace {

constexpr const char* kModule = "kx_part";
constexpr int kViewExpanded = KX_DRAW_ERR_VIEW_EXPANDED;
constexpr int kCleanupFailed = KX_PART_ERR_CLEANUP_FAILED;
constexpr int kExportAcknowledged = KX_PART_ERR_EXPORT_FAILED;

// Out-of-range scope and unload options are replaced, never refused.
int scope_of(int scope) { return scope == 0 || scope == 1 ? scope : 0; }
int option_of(int option) { return option >= 0 && option <= 2 ? option : 2; }

int name_length(const char* name) { return static_cast<int>(std::strlen(name)); }

// ---- The load report of KX_PART_open ---------------------------------------------
//
// While KX_PART_open runs, the host reports parts that could not be loaded
// to load_failure_routine; it may do so several times within one open (once
// for every part whose components failed). Every report is gathered; the
// open merges them into the caller's record and empties the gathering. An
// open started from a user routine during another open (a part-event
// callback) gathers on its own: the outer open's entries are put aside and
// come back when the inner one ends.

struct Gathered {
    std::string file;
    int code;
};
std::vector<Gathered>& gathered() {
    static std::vector<Gathered> list;
    return list;
}

void load_failure_routine(const PROM_load_failure_t* failure) {
    if (!failure) return;
    auto gather = [](int n, const unsigned int* parts, int code) {
        for (int i = 0; i < n && parts; ++i) {
            kx::host_ptr<char> file(PART_ask_filename_of_part(parts[i]));
            gathered().push_back({file.get(), code});
        }
    };
    gather(failure->n_group1, failure->group1, PART_ERR_MISSING_COMPONENT);
    gather(failure->n_group2, failure->group2, PART_ERR_BAD_COMPONENT);
}

// Holds the library's routine registered for the length of an open and puts
// the previous one back on every way out.
class LoadFailureRoutine {
public:
    LoadFailureRoutine()
        : previous_(PROM_reg_prom_load_fail_msg_fn(load_failure_routine)), outer_(std::exchange(gathered(), {})) {}
    ~LoadFailureRoutine() {
        gathered() = std::move(outer_);
        kx::release([this] { PROM_reg_prom_load_fail_msg_fn(previous_); });
    }
    LoadFailureRoutine(const LoadFailureRoutine&) = delete;
    LoadFailureRoutine& operator=(const LoadFailureRoutine&) = delete;

private:
    PROM_load_fail_msg_fn previous_;
    std::vector<Gathered> outer_;
};

// Appends each gathered entry under its display name unless the record
// holds the same name with the same code already.
void merge_gathered(load_status* status) {
    for (const Gathered& g : gathered()) {
        kx::host_ptr<char> shown(PART_name_for_display(4, g.file.c_str()));
        bool listed = false;
        for (int i = 0; i < status->n_parts && !listed; ++i)
            listed = status->statuses[i] == g.code && std::strcmp(status->file_names[i], shown.get()) == 0;
        if (listed) continue;
        const int n = status->n_parts;
        char** names = kx::alloc_array<char*>(static_cast<std::size_t>(n) + 1);
        int* codes = kx::alloc_array<int>(static_cast<std::size_t>(n) + 1);
        if (n > 0) {
            std::memcpy(names, status->file_names, static_cast<std::size_t>(n) * sizeof(char*));
            std::memcpy(codes, status->statuses, static_cast<std::size_t>(n) * sizeof(int));
        }
        names[n] = shown.release();
        codes[n] = g.code;
        kx::free_and_clear(status->file_names);
        kx::free_and_clear(status->statuses);
        status->file_names = names;
        status->statuses = codes;
        status->n_parts = n + 1;
        status->failed = 1;
    }
    gathered().clear();
}

// The host's record and the caller's have the same fields; the caller's
// is filled field by field.
void take_status(const PART_load_status_t& host_status, load_status* status) {
    status->failed = host_status.failed;
    status->n_parts = host_status.n_parts;
    status->file_names = host_status.file_names;
    status->statuses = host_status.statuses;
}

// The export of the objects to a decoded part name, under the caller's
// frame: bad modes in the options are raised as parameter 4.
int export_part(const char* decoded, int count, const tag* objects, const KX_PART_export_options_t& options) {
    if (options.params_mode < 0 || options.params_mode > 2)
        ERROR_raise(kModule, __LINE__, kx::param(4), "Bad params_mode %d", options.params_mode);
    if (options.exp_mode < 0 || options.exp_mode > 1)
        ERROR_raise(kModule, __LINE__, kx::param(4), "Bad exp_mode %d", options.exp_mode);
    const PART_export_options_t host_options{options.new_status, options.params_mode, options.exp_mode};
    return PART_export_part(decoded, count, objects, &host_options);
}

// The export frames acknowledge the host's code for a failed export.
constexpr kx::Opts kExportFrame{.acknowledge = [](int code) { return code == kExportAcknowledged; }};

int first_code(const load_status* status) {
    if (status->failed == 0) return 0;
    return status->n_parts > 0 && status->statuses ? status->statuses[0] : 1;
}

void clear_status(load_status* status) {
    if (status) *status = load_status{0, 0, nullptr, nullptr};
}

}  // namespace

extern "C" {

KXAPI int KX_PART_new(const char* name, int units, tag* part) {
    // The new part is taken back (with the displayed and work part) when a
    // step after its creation fails.
    return kx::frame(
        kx::standard, kx::on_error([&] { kx::clear(part); }), [] { return 0; },
        [&] {
            return kx::with_decoded_name(name, [&](const char* decoded) {
                kx::clear(part);
                if (units != 1 && units != 2) return PART_ERR_BAD_UNITS;
                const int st = kx::edit_with_tail([&] {
                    int length = name_length(decoded);
                    int result = 0;
                    base_new_part(decoded, &length, &units, &result);
                    if (result == 0 && part) *part = CONTEXT_ask_root_part();
                    return result;
                });
                if (st != 0) kx::clear(part);
                return st;
            });
        });
}

KXAPI int KX_PART_open(const char* name, tag* part, load_status* status) {
    return kx::frame(
        kx::standard, kx::on_error([&] { kx::clear(part); }),
        [&] {
            kx::clear(part);
            clear_status(status);
            return kx::check({{name, 1}, {part, 2}, {status, 3}});
        },
        [&] {
            // The parts the open loaded are taken back (with the displayed
            // and work part) when a step after the load fails; a failed
            // load's report stays the caller's.
            int result = 0;
            const int st = kx::edit_with_tail([&] {
                LoadFailureRoutine routine;
                PART_load_status_t host_status{};
                result = BASE_open_part(name, part, &host_status);
                take_status(host_status, status);
                merge_gathered(status);
                return 0;
            });
            if (st != 0) kx::clear(part);
            return st != 0 ? st : result;
        });
}

KXAPI int KX_PART_open_quiet(const char* name, tag* part, load_status* status) {
    // The part output is cleared before anything else, also when the call
    // is refused.
    return kx::frame(
        kx::acknowledging, kx::before_check([&] { kx::clear(part); }),
        [&] {
            clear_status(status);
            return kx::check({{name, 1}, {part, 2}, {status, 3}});
        },
        [&] {
            // The parts the open loaded are taken back (with the displayed
            // and work part) when a host error meets a step after the load
            // (a part event, say); a failed load's report stays the caller's.
            tag opened = NULL_TAG;
            kx::edit_with_tail([&] {
                PART_load_status_t host_status{};
                opened = BASE_open_part_quietly(name, &host_status);
                take_status(host_status, status);
                return 0;
            });
            if (status->failed == 0) {
                *part = opened;
                return 0;
            }
            return first_code(status);
        });
}

KXAPI int KX_PART_open_cset(tag part_set, load_status* status) {
    return kx::frame(
        kx::no_frame,
        [&] {
            clear_status(status);
            return kx::check({{status, 2}});
        },
        [&] {
            PART_load_status_t host_status{};
            PART_load_cset(part_set, &host_status);
            take_status(host_status, status);
            return first_code(status);
        });
}

KXAPI int KX_PART_close_cset(tag part_set) {
    return kx::frame([&] { PART_unload_cset(part_set, 2); });
}

KXAPI int KX_PART_save(void) {
    // A save that fails after the host wrote the file (a part event, say)
    // leaves the part marked as modified, as it was: the caller saves again.
    tag saved = NULL_TAG;
    bool was_modified = false;
    auto keep_modified = [&] {
        kx::release(
            [&] {
                if (was_modified && !PART_ask_modified(saved)) PART_set_modified(saved);
            },
            true);
    };
    return kx::frame(
        kx::standard, kx::on_error(keep_modified), [] { return 0; },
        [&] {
            saved = CONTEXT_ask_work_part();
            was_modified = saved != NULL_TAG && PART_ask_modified(saved);
            int components = 0, mode = 2, result = 0;
            base_save_part(nullptr, &components, &mode, &result);
            if (result != 0) keep_modified();
            return result;
        });
}

KXAPI int KX_PART_save_as(const char* name) {
    return kx::frame([&] {
        return kx::with_decoded_name(name, [&](const char* decoded) {
            // The part's new name and state are taken back when a step
            // after the write fails.
            return kx::edit_with_tail([&] {
                int length = name_length(decoded), mode = 2, result = 0;
                base_part_save_as(decoded, &length, &mode, &result);
                return result;
            });
        });
    });
}

KXAPI int KX_PART_save_all(int* count, tag** parts, int** codes) {
    return kx::frame(
        [&] {
            kx::clear(count, parts, codes);
            return kx::check({{count, 1}, {parts, 2}, {codes, 3}});
        },
        [&] {
            PART_save_failures_t failures{};
            PART_save_all_parts(&failures);
            *count = failures.count;
            if (failures.count <= 0) return 0;
            *codes = failures.codes;
            *parts =
                kx::copy_array<tag>(std::span<const tag>(failures.parts, static_cast<std::size_t>(failures.count)));
            SM_free(failures.parts);
            return failures.codes[0];
        });
}

KXAPI int KX_PART_reopen(tag part, int scope, int unload_option, tag* new_part) {
    return kx::frame(
        [&] {
            if (part == NULL_TAG) return 1;
            kx::clear(new_part);
            return 0;
        },
        [&] {
            // The reopen is one edit: the host reads the new copies before
            // the old parts leave, and a failure after its swap (a part
            // event, the scratch's free) takes the swap back under the
            // bracket, so the old part stays loaded as it was. Parts that
            // the host kept (modified, unreadable) make the status without
            // undoing the others.
            const int sc = scope_of(scope), opt = option_of(unload_option);
            int status = 0;
            tag found = NULL_TAG;
            const int st = kx::edit_with_tail([&] {
                // Every scratch block of the call goes back to this mark,
                // inside the bracket: a free that fails fails the edit.
                const kx::MemoryMark scratch;
                char* stripped = PART_get_stripped_part_name(part);
                PART_reopen_result_t result{};
                base_Part_Reopen(part, sc, opt, &result);
                status = result.count == 0 ? 1 : 0;
                for (int i = 0; i < result.count && status == 0; ++i) {
                    const PART_reopen_entry_t* e = result.entries[i];
                    if (e->failed) status = 1;
                    else if (e->code != 0) status = e->code;
                }
                if (new_part) found = PART_ask_part_of_filename(stripped);
                return 0;
            });
            if (st != 0) return st;
            if (new_part) *new_part = found;
            return status;
        });
}

KXAPI int KX_PART_export_with_options(const char* name, int count, const tag* objects,
                                      const KX_PART_export_options_t* options) {
    return kx::frame(
        kExportFrame,
        [&] {
            return kx::check({{options, 4}});
        },
        [&] {
            return kx::with_decoded_name(
                name, [&](const char* decoded) { return export_part(decoded, count, objects, *options); });
        });
}

KXAPI int KX_PART_export(const char* name, int count, const tag* objects) {
    return kx::frame(kExportFrame, [&] {
        return kx::with_decoded_name(name, [&](const char* decoded) {
            return export_part(decoded, count, objects, KX_PART_export_options_t{1, 0, 0});
        });
    });
}

KXAPI int KX_PART_close(tag part, int scope, int unload_option) {
    return kx::frame([&] {
        if (DMV_is_view_expanded()) return kViewExpanded;
        return kx::edit_with_tail([&] { return base_Part_Close(part, scope_of(scope), option_of(unload_option)); });
    });
}

KXAPI int KX_PART_close_all(void) {
    return kx::frame([&] {
        if (DMV_is_view_expanded()) return kViewExpanded;
        try {
            // Until the undo marks are deleted, the parts can come back: a
            // failure up to there takes the close back whole, under a mark
            // that goes with all the others when they are deleted.
            const int st = kx::undo_bracket(kx::Bracket{.visibility = 0, .keep_on_success = true}, [] {
                PART_delete_all_parts();
                FR_ZRMARK_set_part_close(1);
                UNDO_JQ_delete_all_marks();
            });
            // The parts are gone for good: a failure of the two last steps
            // is the status, as for every step.
            FR_ZRMARK_set_part_close(0);
            JQUI_update_menubar();
            return st;
        } catch (const host::HostError&) {
            kx::release([] { FR_ZRMARK_set_part_close(0); }, true);
            throw;
        }
    });
}

KXAPI int KX_PART_cleanup(int option) {
    return kx::frame(kx::no_frame, [&] { return PART_cleanup(option) ? 0 : kCleanupFailed; });
}

KXAPI tag KX_PART_ask_display_part(void) {
    return kx::guarded([&]() -> tag { return kx::session_open() ? CONTEXT_ask_root_part() : NULL_TAG; });
}

KXAPI int KX_PART_set_display_part(tag part) {
    return kx::frame([&] {
        if (part != NULL_TAG && TAG_ask_pointer_of_tag(part) == nullptr) return -1;
        PART_set_displayed_part(part);
        return 0;
    });
}

KXAPI int KX_PART_ask_num_parts(void) {
    return kx::guarded([&] { return kx::session_open() ? PART_ask_num_parts() : 0; });
}

KXAPI tag KX_PART_ask_nth_part(int index) {
    return kx::guarded([&]() -> tag { return kx::session_open() ? PART_ask_nth_part(index) : NULL_TAG; });
}

KXAPI tag KX_PART_ask_part_tag(const char* name) {
    tag found = NULL_TAG;
    kx::frame([&] {
        return kx::with_decoded_name(name, [&](const char* decoded) {
            if (PART_is_part_loaded(decoded)) found = PART_ask_part_of_filename(decoded);
            return 0;
        });
    });
    return found;
}

KXAPI int KX_PART_is_loaded(const char* name) {
    return kx::frame([&] {
        int state = 0;
        const int result = PART_is_part_loaded_tol(name, &state);
        return result != 0 ? result : state;
    });
}

KXAPI logical KX_PART_is_modified(tag part) {
    // A host error while asking answers false, as an uninitialised session
    // does: the error is acknowledged as handled.
    logical modified = false;
    kx::frame(kx::acknowledging, [&] {
        if (part != NULL_TAG) modified = PART_ask_modified(part) != 0;
        return 0;
    });
    return modified;
}

KXAPI int KX_PART_ask_part_name(tag part, char* buffer) {
    auto clear_buffer = [&] {
        if (buffer) buffer[0] = '\0';
    };
    return kx::frame(
        kx::standard, kx::before_check(clear_buffer), kx::on_error(clear_buffer),
        [&] {
            return kx::check({{part != NULL_TAG, 1}, {buffer, 2}});
        },
        [&] {
            kx::copy_part_name(buffer, PART_ask_filename_of_part(part));
            return 0;
        });
}

KXAPI int KX_PART_name_for_display(const char* name, char* buffer) {
    if (buffer) buffer[0] = '\0';
    return kx::frame(
        [&] {
            return kx::check({{buffer, 2}});
        },
        [&] {
            return kx::with_decoded_name(name, [&](const char* decoded) {
                kx::copy_part_name(buffer, PART_name_for_display(0, decoded));
                return 0;
            });
        });
}

KXAPI int KX_PART_ask_tag_of_disp_name(const char* display_name, tag* part) {
    return kx::frame(
        [&] {
            kx::clear(part);
            return kx::check({{part, 2}});
        },
        [&] {
            *part = EXP_ask_part_of_name(display_name);
            return 0;
        });
}

KXAPI int KX_PART_ask_units(tag part, int* units) {
    return kx::frame(
        [&] {
            kx::clear(units);
            return kx::check({{units, 2}});
        },
        [&] {
            *units = PART_ask_units(part) == PART_UNITS_INCH ? KX_PART_ENGLISH : KX_PART_METRIC;
            return 0;
        });
}

KXAPI int KX_PART_rename(tag part, const char* new_name) {
    return kx::frame(
        [&] {
            return kx::check({{part != NULL_TAG, 1}, {new_name != nullptr && *new_name != '\0', 2}});
        },
        [&] {
            return kx::with_decoded_name(new_name, [&](const char* decoded) {
                return kx::edit_with_tail([&] { PART_rename_part(part, decoded); });
            });
        });
}

KXAPI int KX_PART_ask_compression_flags(tag part, KX_PART_compress_flags_t* flags) {
    return kx::frame(
        kx::arm_first,
        [&] {
            return kx::check({{part != NULL_TAG, 1}, {flags, 2}});
        },
        [&] {
            PART_compress_flags_t f{};
            PART_ask_compression_flags(part, &f);
            *flags = KX_PART_compress_flags_t{f.compress_solids, f.compress_features, f.compress_expressions};
            return 0;
        });
}

KXAPI int KX_PART_set_compression_flags(tag part, const KX_PART_compress_flags_t* flags) {
    return kx::frame(
        kx::arm_first,
        [&] {
            if (part == NULL_TAG || TAG_ask_pointer_of_tag(part) == nullptr) return kx::param(1);
            return kx::check({{flags, 2}});
        },
        [&] {
            const PART_compress_flags_t f{flags->compress_solids, flags->compress_features,
                                          flags->compress_expressions};
            // The flags and the modified mark go in together or not at all.
            return kx::edit_with_tail([&] {
                PART_set_compression_flags(part, &f);
                PART_set_modified(part);
                return 0;
            });
        });
}

}  // extern "C"
