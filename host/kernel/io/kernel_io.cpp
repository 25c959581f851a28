// The kernel journal, the error traceback switch and the host's part
// import (host/kernel/io/kernel_io.h).
#include "host/kernel/io/kernel_io.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/entities/groups.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/checks.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/linked.h"
#include "host/base/service_state.h"
#include "host/platform/support/support.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

zrwrld_t zrwrld_ = {0, {0}};

namespace {

struct Traceback {
    int on = 0;
};
Traceback& traceback() { return host::service_state<Traceback>("error traceback"); }
const bool registered = (traceback(), true);

std::string journal_file() {
    if (zrwrld_.journal_file[0] == '\0')
        std::snprintf(zrwrld_.journal_file, sizeof zrwrld_.journal_file, "%s", "kernel_journal.txt");
    return zrwrld_.journal_file;
}

base_import_t& last_import() { return host::service_state<base_import_t>("last part import record"); }

bool finite(const double* v, int n) {
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) return false;
    return true;
}

}  // namespace

extern "C" {

void KI_coment(int length, const char* text) {
    auto call = HOST_ENTRY_TEXT(text, length);
    call.need(text, "the comment");
    if (length < 0) call.fail(HOST_ERR_BAD_ARGUMENT, "a comment of %d characters", length);
    std::ofstream out(journal_file(), std::ios::app);
    out << "comment: " << std::string(text, strnlen(text, static_cast<std::size_t>(length))) << '\n';
    if (!out) call.fail(HOST_ERR_BAD_ARGUMENT, "the journal %s cannot be written", zrwrld_.journal_file);
}

void ERROR_set_traceback(int on) {
    HOST_ENTRY(on);
    traceback().on = on != 0;
}

int ERROR_ask_traceback(void) { return traceback().on; }

void PART_locate(const char* name, char* buffer) {
    auto call = HOST_ENTRY_TEXT(name, buffer);
    call.need(name, "the part name");
    call.need(buffer, "the buffer");
    buffer[0] = '\0';
    const char* dirs = ENV_translate_variable("JQII_PART_SEARCH_DIRS");
    if (!dirs) return;
    const std::string leaf = std::filesystem::path(name).filename().string();
    if (leaf.empty()) return;
    std::string all = dirs;
    for (std::size_t at = 0; at <= all.size();) {
        std::size_t end = all.find(':', at);
        if (end == std::string::npos) end = all.size();
        const std::string dir = all.substr(at, end - at);
        at = end + 1;
        if (dir.empty()) continue;
        const std::string full = dir + "/" + leaf;
        std::error_code ec;
        if (std::filesystem::is_regular_file(full, ec) && full.size() < PX_FILE_NAME_SIZE) {
            std::snprintf(buffer, PX_FILE_NAME_SIZE, "%s", full.c_str());
            return;
        }
    }
}

int base_import_part(const char* name, const base_import_t* record, const double matrix[9], const double point[3],
                     double scale, unsigned int* group) {
    auto call = HOST_ENTRY_TEXT(name, scale);
    if (record) last_import() = *record;
    call.need(name, "the part name");
    call.need(record, "the import record");
    call.need(matrix, "the matrix");
    call.need(point, "the point");
    call.need(group, "the group output");
    *group = 0;
    int scripted;
    if (call.status(scripted)) return scripted;
    const unsigned int work = CONTEXT_ask_work_part();
    if (work == 0 || !std::isfinite(scale) || scale <= 0 || !finite(point, 3) || !finite(matrix, 9))
        return HOST_ERR_BAD_ARGUMENT;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(name, ec)) return HOST_ERR_BAD_ARGUMENT;
    unsigned int source = PART_ask_part_of_filename(name);
    const bool opened = source == 0;
    if (opened) {
        PART_load_status_t status{};
        const int st = BASE_open_part(name, &source, &status);
        for (int i = 0; i < status.n_parts; ++i) SM_free(status.file_names[i]);
        SM_free(status.file_names);
        SM_free(status.statuses);
        CONTEXT_set_work_part_quietly(work);
        if (st != 0) return st;
    }
    if (source == work) return HOST_ERR_BAD_ARGUMENT;
    // Each point p of the source goes to point + scale * (px X + py Y + pz Z).
    double m[12];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) m[r * 4 + c] = scale * matrix[c * 3 + r];
        m[r * 4 + 3] = point[r];
    }
    std::vector<unsigned int> made;
    for (unsigned int object : host::objects::objects_of_part(source)) {
        const host::objects::Object* o = host::objects::find(object);
        if (!o || o->type != HOST_TYPE_SOLID || o->subtype != 0) continue;
        int body = 0;
        es7010_(&object, &body);
        if (body == 0) continue;
        int copy = 0;
        ZQ_BODY_copy(body, m, 0, &copy);
        unsigned int copied = 0;
        pxlook_(&copy, &copied);
        if (copied) made.push_back(copied);
    }
    // A part opened only to be read goes again; one the user had open stays.
    if (opened) base_Part_Close(source, 0, 1);
    *group = GROUP_create(static_cast<int>(made.size()), made.data());
    return 0;
}

}  // extern "C"

namespace host::kernel_io {
base_import_t last_import_record() { return last_import(); }
}  // namespace host::kernel_io
