// The delayed update of linked parts and the loads of their parents
// (host/apps/modeling/loom/loom.h), with the status area that the loads report in.
#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/apps/modeling/loom/loom_state.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace hl = host::loom;
namespace ho = host::objects;

struct DUC_load_context_s {
    struct Rog {
        std::string file;
        int status = 0;            // 0 until it failed
        int component_status = 0;  // the first component that failed to load with it
        bool done = false;
    };
    std::vector<Rog> rogs;     // numbered from 1
    std::vector<int> failing;  // numbers of the failed loads, in order
};

namespace {

std::vector<std::string>& status_texts() {
    static std::vector<std::string> texts;
    return texts;
}
const bool registered = (host::register_service_reset("status area", [] { status_texts().clear(); }), true);

void part_needed(const host::Call& call, unsigned int part) {
    const ho::Object& o = call.live(part);
    if (!ho::part_info(o.tag)) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is no part", part);
}

void set_status(unsigned int part, int word) {
    auto& status = hl::edit_links().status;
    if (word == 0) status.erase(part);
    else status[part] = word;
}

unsigned int* tag_block(const std::vector<unsigned int>& tags) {
    if (tags.empty()) return nullptr;
    auto* out = static_cast<unsigned int*>(SM_alloc(tags.size() * sizeof(unsigned int)));
    std::copy(tags.begin(), tags.end(), out);
    return out;
}

DUC_load_context_s::Rog& rog_of(const host::Call& call, DUC_load_context_t context, int rog) {
    call.need(context, "the load context");
    if (rog < 1 || rog > static_cast<int>(context->rogs.size())) call.fail(HOST_ERR_BAD_ARGUMENT, "no load %d", rog);
    return context->rogs[static_cast<std::size_t>(rog - 1)];
}

// File names of the unloaded sources of the links into the parts (the
// main source first, then the further sources: a mirror's plane may lie in
// a part of its own).
std::vector<std::string> parents_to_load(const std::vector<unsigned int>& parts) {
    std::vector<std::string> files;
    const auto need = [&](unsigned int tag, const std::string& file) {
        if ((tag != 0 && ho::is_alive(tag)) || file.empty()) return;
        const unsigned int loaded = PART_ask_part_of_filename(file.c_str());
        if (loaded != 0 && host::parts::is_loaded(loaded)) return;
        if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(file);
    };
    for (const hl::Link* l : hl::in_update_order()) {
        if (std::find(parts.begin(), parts.end(), l->target_part) == parts.end()) continue;
        need(l->source, l->source_file);
        for (const auto* refs : {&l->items, &l->bounds})
            for (const hl::Ref& r : *refs) need(r.tag, r.file);
        need(l->plane.tag, l->plane.file);
    }
    return files;
}

// The parts whose links a load reaches: the part, and with scope 1 the
// parts of the sources of their links, and so on.
std::vector<unsigned int> reach(unsigned int part, int scope) {
    std::vector<unsigned int> parts{part};
    if (scope == 0) return parts;
    for (std::size_t i = 0; i < parts.size(); ++i)
        for (const hl::Link* l : hl::in_update_order())
            if (l->target_part == parts[i] && l->source != 0 && ho::is_alive(l->source) &&
                std::find(parts.begin(), parts.end(), l->source_part) == parts.end())
                parts.push_back(l->source_part);
    return parts;
}

}  // namespace

namespace host::loom {
const std::vector<std::string>& status_area() { return status_texts(); }
}  // namespace host::loom

extern "C" {

int DUC_is_session_delayed(void) {
    auto call = HOST_ENTRY();
    return static_cast<int>(call.int_out(0, hl::links().session_delayed ? 1 : 0));
}

void DUC_delay_session(void) {
    HOST_ENTRY();
    hl::edit_links().session_delayed = true;
}

void DUC_undelay_session(void) {
    HOST_ENTRY();
    hl::edit_links().session_delayed = false;
}

void DUC_ask_parts_for_session_update(int* count, unsigned int** parts) {
    auto call = HOST_ENTRY(count, parts);
    call.need(count, "the count output");
    call.need(parts, "the parts output");
    const std::vector<unsigned int> stale = hl::stale_parts();
    *parts = tag_block(stale);
    *count = static_cast<int>(stale.size());
}

void DUC_log_parts_for_update(int count, const unsigned int* parts) {
    auto call = HOST_ENTRY(count, parts);
    if (count > 0) call.need(parts, "the parts");
    for (int i = 0; i < count; ++i) part_needed(call, parts[i]);
    if (count > 0) {
        auto& logged = hl::edit_links().logged;
        logged.insert(parts, parts + count);
    }
}

void DUC_ask_out_of_date_parts(int* count, unsigned int** parts) {
    auto call = HOST_ENTRY(count, parts);
    call.need(count, "the count output");
    call.need(parts, "the parts output");
    const std::vector<unsigned int> stale = hl::stale_parts();
    *parts = tag_block(stale);
    *count = static_cast<int>(stale.size());
}

void DUC_ask_out_of_date_objects(unsigned int part, int* count, unsigned int** objects) {
    auto call = HOST_ENTRY(part, count, objects);
    call.need(count, "the count output");
    call.need(objects, "the objects output");
    part_needed(call, part);
    std::vector<unsigned int> mine;
    for (unsigned int link : hl::stale_links())
        if (hl::find_link(link)->target_part == part) mine.push_back(link);
    *objects = tag_block(mine);
    *count = static_cast<int>(mine.size());
}

int DUC_ask_part_status(unsigned int part) {
    auto call = HOST_ENTRY(part);
    part_needed(call, part);
    return static_cast<int>(call.int_out(0, hl::part_status(part)));
}

void DUC_delay_part(unsigned int part) {
    auto call = HOST_ENTRY(part);
    part_needed(call, part);
    set_status(part, hl::part_status(part) | DUC_STATUS_DELAYED);
}

void DUC_undelay_part(unsigned int part) {
    auto call = HOST_ENTRY(part);
    part_needed(call, part);
    set_status(part, hl::part_status(part) & ~DUC_STATUS_DELAYED);
}

void DUC_freeze_part(unsigned int part) {
    auto call = HOST_ENTRY(part);
    part_needed(call, part);
    set_status(part, hl::part_status(part) | DUC_STATUS_FROZEN);
}

void DUC_unfreeze_part(unsigned int part) {
    auto call = HOST_ENTRY(part);
    part_needed(call, part);
    set_status(part, hl::part_status(part) & ~DUC_STATUS_FROZEN);
}

void DUC_unconditionally_undelay(unsigned int part) {
    auto call = HOST_ENTRY(part);
    part_needed(call, part);
    set_status(part, 0);
}

void DUC_delay_with_status(unsigned int part, int status) {
    auto call = HOST_ENTRY(part, status);
    part_needed(call, part);
    set_status(part, status);
}

void DUC_delay_part_if_needed(unsigned int part) {
    auto call = HOST_ENTRY(part);
    part_needed(call, part);
    if (!hl::links().session_delayed) return;
    const std::vector<unsigned int> stale = hl::stale_parts();
    if (std::find(stale.begin(), stale.end(), part) != stale.end())
        set_status(part, hl::part_status(part) | DUC_STATUS_DELAYED);
}

DUC_load_context_t DUC_load_for_complete_update(unsigned int part, DUC_progress_fn progress, int scope) {
    auto call = HOST_ENTRY(part, progress, scope);
    part_needed(call, part);
    // Held until it is handed out: a raise while the parents are looked up
    // or loaded gives it back.
    auto context = std::make_unique<DUC_load_context_s>();
    for (const std::string& file : parents_to_load(reach(part, scope))) context->rogs.push_back({file});
    // Parents are loaded for the update only: the work part and the
    // displayed part stay what they were.
    const unsigned int work = host::parts::work_part();
    const unsigned int shown = host::parts::display_part();
    auto restore = [&] {
        if (host::parts::work_part() != work && ho::is_alive(work)) host::parts::set_work_part(work);
        if (host::parts::display_part() != shown && ho::is_alive(shown)) host::parts::set_display_part(shown);
    };
    try {
        for (std::size_t i = 0; i < context->rogs.size(); ++i) {
            if (progress) progress(context.get());
            auto& rog = context->rogs[i];
            PART_load_status_t loaded{};
            unsigned int opened = 0;
            rog.status = BASE_open_part(rog.file.c_str(), &opened, &loaded);
            restore();
            if (rog.status == 0 && loaded.failed && loaded.n_parts > 0) rog.component_status = loaded.statuses[0];
            for (int k = 0; k < loaded.n_parts; ++k) SM_free(loaded.file_names[k]);
            SM_free(loaded.file_names);
            SM_free(loaded.statuses);
            rog.done = true;
            if (rog.status != 0) context->failing.push_back(static_cast<int>(i + 1));
        }
        if (progress) progress(context.get());
    } catch (...) {
        try {
            restore();
        } catch (...) {
            // the error on its way is the one reported
        }
        throw;
    }
    return context.release();
}

int DUC_count_needed_rogs(DUC_load_context_t context) {
    auto call = HOST_ENTRY(context);
    call.need(context, "the load context");
    return static_cast<int>(call.int_out(
        0, std::count_if(context->rogs.begin(), context->rogs.end(), [](const auto& r) { return !r.done; })));
}

int DUC_count_successful_rogs(DUC_load_context_t context) {
    auto call = HOST_ENTRY(context);
    call.need(context, "the load context");
    return static_cast<int>(call.int_out(0, std::count_if(context->rogs.begin(), context->rogs.end(),
                                                          [](const auto& r) { return r.done && r.status == 0; })));
}

int DUC_count_failing_rogs(DUC_load_context_t context) {
    auto call = HOST_ENTRY(context);
    call.need(context, "the load context");
    return static_cast<int>(call.int_out(0, static_cast<std::int64_t>(context->failing.size())));
}

void DUC_ask_failing_rogs(DUC_load_context_t context, int* count, const int** rogs) {
    auto call = HOST_ENTRY(context, count, rogs);
    call.need(context, "the load context");
    call.need(count, "the count output");
    call.need(rogs, "the loads output");
    *count = static_cast<int>(context->failing.size());
    *rogs = context->failing.empty() ? nullptr : context->failing.data();
}

void DUC_ask_failing_statuses(DUC_load_context_t context, int rog, int* status, int* component_status) {
    auto call = HOST_ENTRY(context, rog, status, component_status);
    call.need(status, "the status output");
    call.need(component_status, "the component status output");
    const auto& r = rog_of(call, context, rog);
    *status = static_cast<int>(call.int_out(0, r.status));
    *component_status = r.component_status;
}

const char* DUC_ask_failing_filename(DUC_load_context_t context, int rog) {
    auto call = HOST_ENTRY(context, rog);
    return rog_of(call, context, rog).file.c_str();
}

void DUC_delete_load_context(DUC_load_context_t context) {
    HOST_ENTRY(context);
    delete context;
}

const char* nat110(const char* text) {
    auto call = HOST_ENTRY_TEXT(text);
    return call.need(text, "the text");
}

char* SM_sprintf(const char* format, ...) {
    auto call = HOST_ENTRY_TEXT(format);
    call.need(format, "the format");
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    auto* out = static_cast<char*>(SM_alloc(static_cast<std::size_t>(n < 0 ? 0 : n) + 1));
    std::vsnprintf(out, static_cast<std::size_t>(n < 0 ? 0 : n) + 1, format, again);
    va_end(again);
    return out;
}

void mtStatusAreaImmediate(const char* text) {
    auto call = HOST_ENTRY_TEXT(text);
    status_texts().push_back(call.need(text, "the text"));
}

}  // extern "C"
