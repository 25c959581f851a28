// Links between parts and the delayed update of linked parts.
//
// The link functions are frames around the host's linking service: one
// host routine each, the arguments unchanged, its answer the status; they
// check nothing, set no undo mark and run no update.
//
// The delayed-update functions sequence the host's delayed-update service
// and its model update. The editing ones make one visible undo step each
// (a mark named after the action): deleted when the edit succeeds; when
// the frame catches a host error the model goes back to it and it is
// deleted, each step under a frame of its own, so that an error on the way
// does not hide the first one and no mark of this module survives a call.
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/store/entities/entity_delete.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/undo.h"
#include "host/apps/modeling/loom/loom.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "kx_loom.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"

namespace kx::loom {
namespace {

constexpr char kModule[] = "kx_loom_duc";
// The line that the host's log shows for an unknown part status word.
constexpr int kUnknownStatusLine = 412;

// ---- The undo step of an edit ----------------------------------------------
// Each edit runs under a mark of visibility 1 with the edit's name
// (kx::undo_bracket): a failure goes back to it, and the mark goes.

// The parts the session update needs: logged for the update, then one
// model update.
void update_session_parts() {
    int count = 0;
    unsigned int* parts = nullptr;
    DUC_ask_parts_for_session_update(&count, &parts);
    kx::host_ptr<unsigned int> held(parts);
    DUC_log_parts_for_update(count, parts);
    UPDATE_do_update();
}

// A part list: a count of zero or less is no part; a list that is missing
// for a positive count is a bad second argument.
int check_parts(int count, const tag* parts) { return kx::check({{count <= 0 || parts != nullptr, 2}}); }

// An edit of each part of a list under its mark.
template <class Each>
int each_part(const char* name, int count, const tag* parts, Each&& each) {
    return kx::frame([&] { return check_parts(count, parts); },
                     [&] {
                         return kx::undo_bracket(1, name, [&] {
                             for (int i = 0; i < count; ++i) each(parts[i]);
                         });
                     });
}

// ---- Loading the parents ------------------------------------------------------

void show_progress(DUC_load_context_t context) {
    const int needed = DUC_count_needed_rogs(context);
    const int loaded = DUC_count_successful_rogs(context);
    const int failed = DUC_count_failing_rogs(context);
    const int done = loaded + failed;
    const int total = done + needed;
    kx::host_ptr<char> text(SM_sprintf(nat110("Loading %d of %d"), done, total));
    mtStatusAreaImmediate(text.get());
}

void delete_context(DUC_load_context_t context) { DUC_delete_load_context(context); }
using held_context = kx::held<DUC_load_context_s, delete_context>;

// The failed loads of the context: statuses in one array, and the file
// names in another whose block also holds the names (so that the caller
// frees each array with one KX_free and the names do not depend on the
// context, which is deleted before the caller sees them).
int collect_failures(DUC_load_context_t context, int* n_failures, char*** file_names, int** statuses) {
    int m = 0;
    const int* rogs = nullptr;
    DUC_ask_failing_rogs(context, &m, &rogs);
    if (m < 0) m = 0;
    std::vector<int> codes;
    std::vector<std::string> names;
    const std::vector<int> failing(rogs, rogs + m);
    for (int rog : failing) {
        int status = 0;
        int unused = 0;
        DUC_ask_failing_statuses(context, rog, &status, &unused);
        if (status == 0) continue;
        codes.push_back(status);
        const char* name = DUC_ask_failing_filename(context, rog);
        names.emplace_back(name ? name : "");
    }
    const auto n = static_cast<std::size_t>(m);
    std::size_t bytes = n * sizeof(char*);
    for (const std::string& s : names) bytes += s.size() + 1;
    kx::host_ptr<int> status_block(static_cast<int*>(SM_alloc(n * sizeof(int))));
    kx::host_ptr<char*> name_block(static_cast<char**>(SM_alloc(bytes)));
    std::memset(name_block.get(), 0, n * sizeof(char*));
    char* text = reinterpret_cast<char*>(name_block.get() + n);
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::memcpy(text, names[i].c_str(), names[i].size() + 1);
        name_block.get()[i] = text;
        text += names[i].size() + 1;
        status_block.get()[i] = codes[i];
    }
    *n_failures = static_cast<int>(codes.size());
    *statuses = status_block.release();
    *file_names = name_block.release();
    return codes.empty() ? 0 : codes.front();
}

std::vector<tag> loaded_parts() {
    std::vector<tag> parts;
    const int n = PART_ask_num_parts();
    for (int i = 0; i < n; ++i) parts.push_back(PART_ask_nth_part(i));
    return parts;
}

// Closes the parts loaded after `before` was taken; the work part stays
// the one it was.
void close_parts_loaded_since(const std::vector<tag>& before, tag work) {
    for (tag p : loaded_parts())
        if (std::find(before.begin(), before.end(), p) == before.end()) base_Part_Close(p, 0, 0);
    if (work != NULL_TAG && CONTEXT_ask_work_part() != work) CONTEXT_set_work_part(work);
}

}  // namespace
}  // namespace kx::loom

namespace kl = kx::loom;

// ---- Links: one host routine each ---------------------------------------------

#define KX_LOOM_PASS(call) return kx::frame([&] { return call; })

extern "C" {

KXAPI int KX_LOOM_create_linked_body(tag source, const double* xform, int associative, int update_time, tag* link) {
    KX_LOOM_PASS(LOOM_create_linked_body(source, xform, associative, update_time, link));
}
KXAPI int KX_LOOM_create_linked_datum(tag source, const double* xform, int associative, tag* link) {
    KX_LOOM_PASS(LOOM_create_linked_datum(source, xform, associative, link));
}
KXAPI int KX_LOOM_create_linked_sketch(tag source, const double* xform, int associative, tag* link) {
    KX_LOOM_PASS(LOOM_create_linked_sketch(source, xform, associative, link));
}
KXAPI int KX_LOOM_create_linked_string(const void* curves, const double* xform, int associative, tag* link) {
    KX_LOOM_PASS(LOOM_create_linked_string(curves, xform, associative, link));
}
KXAPI int KX_LOOM_create_linked_face(tag source, int count, const tag* faces, int associative, tag* link) {
    KX_LOOM_PASS(LOOM_create_linked_face(source, count, faces, associative, link));
}
KXAPI int KX_LOOM_create_linked_curve(tag source, int count, const tag* curves, int associative, tag* link) {
    KX_LOOM_PASS(LOOM_create_linked_curve(source, count, curves, associative, link));
}
KXAPI int KX_LOOM_create_linked_region(tag source, int n_seeds, const tag* seeds, int n_bounds, const tag* bounds,
                                       int traverse, int associative, const double* xform, int options, tag* link) {
    KX_LOOM_PASS(LOOM_create_linked_region(source, n_seeds, seeds, n_bounds, bounds, traverse, associative, xform,
                                           options, link));
}
KXAPI int KX_LOOM_create_linked_mirror(tag source, tag plane, int associative, const double* xform, tag source_part,
                                       int update_time, tag* link) {
    KX_LOOM_PASS(LOOM_create_linked_mirror(source, plane, associative, xform, source_part, update_time, link));
}
KXAPI int KX_LOOM_create_linked_route_port(tag source, const double* xform, int associative, tag* link) {
    KX_LOOM_PASS(LOOM_create_linked_route_port(source, xform, associative, link));
}
KXAPI int KX_LOOM_create_linked_route_segment(tag source, const double* xform, int associative, int options,
                                              tag* link) {
    KX_LOOM_PASS(LOOM_create_linked_route_segment(source, xform, associative, options, link));
}
KXAPI int KX_LOOM_create_linked_pt_point(tag source, const double* xform, int associative, tag* link) {
    KX_LOOM_PASS(LOOM_create_linked_pt_point(source, xform, associative, link));
}
KXAPI int KX_LOOM_create_linked_pt_curve(tag source, double parameter, const double* xform, int associative,
                                         tag* link) {
    KX_LOOM_PASS(LOOM_create_linked_pt_curve(source, parameter, xform, associative, link));
}
KXAPI int KX_LOOM_create_linked_pt_center(tag source, const double* xform, int associative, tag* link) {
    KX_LOOM_PASS(LOOM_create_linked_pt_center(source, xform, associative, link));
}
KXAPI int KX_LOOM_create_linked_pt_angle(tag source, double angle, const double* xform, int associative, tag* link) {
    KX_LOOM_PASS(LOOM_create_linked_pt_angle(source, angle, xform, associative, link));
}
KXAPI int KX_LOOM_create_linked_part(tag source_part, const double* xform, int associative, tag* link) {
    KX_LOOM_PASS(LOOM_create_linked_part(source_part, xform, associative, link));
}
KXAPI int KX_LOOM_is_link_broken(tag link, logical* broken) { KX_LOOM_PASS(LOOM_is_link_broken(link, broken)); }
KXAPI int KX_LOOM_ask_link_source(tag link, tag* source, tag* source_part) {
    KX_LOOM_PASS(LOOM_ask_link_source(link, source, source_part));
}
KXAPI int KX_LOOM_ask_link_xform(tag link, double xform[12]) { KX_LOOM_PASS(LOOM_ask_link_xform(link, xform)); }
KXAPI int KX_LOOM_set_link_data(tag link, tag source, const double* xform, int associative) {
    KX_LOOM_PASS(LOOM_set_link_data(link, source, xform, associative));
}
KXAPI int KX_LOOM_ask_link_region_sources(tag link, int* n_seeds, tag** seeds, int* n_bounds, tag** bounds,
                                          int* traverse, int* options, tag* source) {
    KX_LOOM_PASS(LOOM_ask_link_region_sources(link, n_seeds, seeds, n_bounds, bounds, traverse, options, source));
}
KXAPI int KX_LOOM_set_link_region_data(tag link, tag source, int n_seeds, const tag* seeds, int n_bounds,
                                       const tag* bounds, int traverse, int options, const double* xform) {
    KX_LOOM_PASS(LOOM_set_link_region_data(link, source, n_seeds, seeds, n_bounds, bounds, traverse, options, xform));
}
KXAPI int KX_LOOM_ask_link_mirror_data(tag link, tag* source, tag* plane, int* associative, double* xform,
                                       tag* source_part) {
    KX_LOOM_PASS(LOOM_ask_link_mirror_data(link, source, plane, associative, xform, source_part));
}
KXAPI int KX_LOOM_set_link_mirror_data(tag link, tag source, tag plane, int associative, const double* xform,
                                       tag source_part) {
    KX_LOOM_PASS(LOOM_set_link_mirror_data(link, source, plane, associative, xform, source_part));
}
KXAPI int KX_LOOM_set_linked_pt_point(tag link, tag source, const double* xform) {
    KX_LOOM_PASS(LOOM_set_linked_pt_point(link, source, xform));
}
KXAPI int KX_LOOM_set_linked_pt_curve(tag link, tag source, double parameter, const double* xform) {
    KX_LOOM_PASS(LOOM_set_linked_pt_curve(link, source, parameter, xform));
}
KXAPI int KX_LOOM_set_linked_pt_center(tag link, tag source, const double* xform) {
    KX_LOOM_PASS(LOOM_set_linked_pt_center(link, source, xform));
}
KXAPI int KX_LOOM_set_linked_pt_angle(tag link, tag source, double angle, const double* xform) {
    KX_LOOM_PASS(LOOM_set_linked_pt_angle(link, source, angle, xform));
}
KXAPI int KX_LOOM_ask_linked_pt_curve_prm(tag link, double* parameter) {
    KX_LOOM_PASS(LOOM_ask_linked_pt_curve_prm(link, parameter));
}
KXAPI int KX_LOOM_ask_linked_pt_angle(tag link, double* angle) { KX_LOOM_PASS(LOOM_ask_linked_pt_angle(link, angle)); }
KXAPI int KX_LOOM_ask_link_update_time(tag link, int* time, int* stamp) {
    KX_LOOM_PASS(LOOM_ask_link_update_time(link, time, stamp));
}
KXAPI int KX_LOOM_set_link_update_time(tag link, int time) { KX_LOOM_PASS(LOOM_set_link_update_time(link, time)); }
KXAPI int KX_LOOM_accept_link_broken(tag link) { KX_LOOM_PASS(LOOM_accept_link_broken(link)); }
KXAPI int KX_LOOM_ask_link_accept_broken(tag link, logical* accepted) {
    KX_LOOM_PASS(LOOM_ask_link_accept_broken(link, accepted));
}
KXAPI int KX_LOOM_ask_linked_feature_geom(tag link, tag* geometry) {
    KX_LOOM_PASS(LOOM_ask_linked_feature_geom(link, geometry));
}
KXAPI int KX_LOOM_ask_linked_feature_map(tag link, int* count, tag** sources, tag** linked, int options) {
    KX_LOOM_PASS(LOOM_ask_linked_feature_map(link, count, sources, linked, options));
}
KXAPI int KX_LOOM_map_source_to_link_geom(tag link, tag source_geom, tag* link_geom) {
    KX_LOOM_PASS(LOOM_map_source_to_link_geom(link, source_geom, link_geom));
}
KXAPI int KX_LOOM_map_link_geom_to_source(tag link, tag link_geom, tag* source_part, tag* source_geom) {
    KX_LOOM_PASS(LOOM_map_link_geom_to_source(link, link_geom, source_part, source_geom));
}
KXAPI int KX_LOOM_copy_component_as(tag component, const char* name, int options, const double* origin,
                                    const double* matrix, tag* parent, const char* layer, tag* copy) {
    KX_LOOM_PASS(LOOM_copy_component_as(component, name, options, origin, matrix, parent, layer, copy));
}
KXAPI int KX_LOOM_copy_attributes(tag link) { KX_LOOM_PASS(LOOM_copy_attributes(link)); }

#undef KX_LOOM_PASS

// ---- Delayed update -------------------------------------------------------------

KXAPI int KX_LOOM_set_session_delay(logical delay) {
    return kx::frame([&] {
        return kx::undo_bracket(1, "Set Session Delay", [&] {
            if (delay) {
                if (!DUC_is_session_delayed()) DUC_delay_session();
            } else {
                DUC_undelay_session();
                kl::update_session_parts();
            }
        });
    });
}

KXAPI int KX_LOOM_ask_session_delay(logical* delayed) {
    return kx::frame(
        [&] {
            return kx::check({{delayed, 1}});
        },
        [&] {
            *delayed = DUC_is_session_delayed() ? 1 : 0;
            return 0;
        });
}

KXAPI int KX_LOOM_update_session(void) {
    bool was_delayed = false;
    const int st = kx::frame(
        kx::standard, kx::before_check([&] {
            was_delayed = DUC_is_session_delayed() != 0;
            return 0;
        }),
        [] { return 0; },
        [&] {
            return kx::undo_bracket(1, "Update Session", [&] {
                if (was_delayed) DUC_undelay_session();
                kl::update_session_parts();
                if (was_delayed) DUC_delay_session();
            });
        });
    // A failed update leaves a delayed session delayed.
    if (st != 0 && was_delayed) kx::frame(kx::no_check, [] { DUC_delay_session(); });
    return st;
}

KXAPI int KX_LOOM_ask_out_of_date_parts(int* count, tag** parts) {
    return kx::frame([&] { return kx::undo_bracket(1, "Ask Out Of Date Parts", [&] { DUC_ask_out_of_date_parts(count, parts); }); });
}

KXAPI int KX_LOOM_ask_out_of_date_objects(tag part, int* count, tag** objects) {
    return kx::frame([&] { return kx::undo_bracket(1, "Ask Out Of Date Objects", [&] { DUC_ask_out_of_date_objects(part, count, objects); }); });
}

KXAPI int KX_LOOM_update_parts(int count, const tag* parts) {
    return kx::frame([&] { return kl::check_parts(count, parts); },
                     [&] {
                         const int n = count > 0 ? count : 0;
                         kx::host_ptr<int> words(static_cast<int*>(SM_alloc(sizeof(int) * n)));
                         return kx::undo_bracket(1, "Update Parts", [&] {
                                 for (int i = 0; i < n; ++i) {
                                     words.get()[i] = DUC_ask_part_status(parts[i]);
                                     if (words.get()[i] != 0) DUC_unconditionally_undelay(parts[i]);
                                 }
                                 UPDATE_do_update();
                                 for (int i = 0; i < n; ++i) {
                                     if (words.get()[i] != 0) DUC_delay_with_status(parts[i], words.get()[i]);
                                     else DUC_delay_part_if_needed(parts[i]);
                                 }
                                 words.reset();
                         });
                     });
}

KXAPI int KX_LOOM_freeze(int count, const tag* parts) {
    return kl::each_part("Freeze Parts", count, parts, [](tag part) { DUC_delay_part(part); });
}

KXAPI int KX_LOOM_freeze_persistently(int count, const tag* parts) {
    return kl::each_part("Freeze Parts Persistently", count, parts, [](tag part) { DUC_freeze_part(part); });
}

KXAPI int KX_LOOM_unfreeze(int count, const tag* parts) {
    return kx::frame([&] { return kl::check_parts(count, parts); },
                     [&] {
                         return kx::undo_bracket(1, "Unfreeze Parts", [&] {
                                 for (int i = 0; i < count; ++i) {
                                     const int word = DUC_ask_part_status(parts[i]);
                                     if (word & DUC_STATUS_FROZEN) DUC_unfreeze_part(parts[i]);
                                     else if (word & DUC_STATUS_DELAYED) DUC_undelay_part(parts[i]);
                                 }
                                 UPDATE_do_update();
                         });
                     });
}

KXAPI int KX_LOOM_ask_delay_status(tag part, int* delay_status) {
    return kx::frame(
        [&] {
            return kx::check({{delay_status, 2}});
        },
        [&] {
            const int s = DUC_ask_part_status(part);
            int answer = 0;
            if (s == 0) answer = KX_LOOM_not_delayed;
            else if (s & DUC_STATUS_FROZEN) answer = KX_LOOM_frozen;
            else if (s & DUC_STATUS_DELAYED) answer = KX_LOOM_delayed;
            else if (s & DUC_STATUS_BIT_20) answer = KX_LOOM_delay_bit_20;
            else if (s & DUC_STATUS_BIT_2) answer = KX_LOOM_delay_bit_2;
            else ERROR_internal(kl::kModule, kl::kUnknownStatusLine, "Unknown status %d for part %u\n", s, part);
            *delay_status = answer;
            return 0;
        });
}

KXAPI int KX_LOOM_load_parents(tag part, int scope, int* n_failures, char*** file_names, int** statuses) {
    kx::FailureMemory memory;  // marked under the frame: the mark itself may fail
    std::vector<tag> before;   // the parts loaded before the call
    tag work = NULL_TAG;
    bool asked = false;
    return kx::frame(
        kx::standard,
        kx::on_error([&] {
            // The report is released with the call's memory: the caller
            // must not see pointers into it.
            memory.release();
            kx::clear(n_failures, file_names, statuses);
            // The parents loaded before the error are closed again: a
            // failed call leaves the session as it found it.
            if (asked) kx::release([&] { kl::close_parts_loaded_since(before, work); }, true);
        }),
        [&] {
            return kx::check({{n_failures, 3}, {file_names, 4}, {statuses, 5}});
        },
        [&] {
            memory.set();
            work = CONTEXT_ask_work_part();
            before = kl::loaded_parts();
            asked = true;
            kl::held_context context(DUC_load_for_complete_update(part, kl::show_progress, scope));
            const int st = kl::collect_failures(context.get(), n_failures, file_names, statuses);
            DUC_delete_load_context(context.release());
            return st;
        });
}

}  // extern "C"
