// Directory search paths.
#include "host/platform/paths/dirpath.h"

#include <sys/stat.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "host/base/hook.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/fm.h"
#include "host/base/services/memory.h"
#include "host/platform/support/support.h"

struct DIRPATH_s {
    std::vector<std::string> dirs;
    int index = -1;
};

namespace {

struct Paths {
    std::set<DIRPATH_s*> live;
    void free_all() {
        for (DIRPATH_s* p : live) delete p;
        live.clear();
    }
    void reset() { free_all(); }
    ~Paths() { free_all(); }
};
Paths& st() { return host::service_state<Paths>("dirpath"); }
const bool registered = (st(), true);
const bool freed_at_shutdown = (host::fm::on_shutdown([] { st().free_all(); }), true);

DIRPATH_s& live(const host::Call& call, DIRPATH_p_t path) {
    if (!st().live.count(path)) call.fail(HOST_ERR_BAD_HANDLE, "%p is not a directory path", static_cast<void*>(path));
    return *path;
}

void add_dir(const host::Call& call, DIRPATH_s& p, const char* dir) {
    if (!dir || !*dir) call.fail(HOST_ERR_BAD_ARGUMENT, "a directory name is null or empty");
    p.dirs.emplace_back(dir);
}

void add_dirs(const host::Call& call, DIRPATH_s& p, int count, const char* const* dirs) {
    if (count < 0 || (count > 0 && !dirs))
        call.fail(HOST_ERR_BAD_ARGUMENT, "%d directories at %p", count, static_cast<const void*>(dirs));
    // All names are checked before the path changes.
    for (int i = 0; i < count; ++i)
        if (!dirs[i] || !*dirs[i]) call.fail(HOST_ERR_BAD_ARGUMENT, "directory %d is null or empty", i);
    for (int i = 0; i < count; ++i) p.dirs.emplace_back(dirs[i]);
}

void add_env(const host::Call& call, DIRPATH_s& p, const char* variable) {
    if (!variable || !*variable) call.fail(HOST_ERR_BAD_ARGUMENT, "the variable's name is null or empty");
    const char* value = ENV_translate_variable(variable);
    if (!value) call.fail(HOST_ERR_BAD_ARGUMENT, "%s is not defined", variable);
    std::string_view rest = value;
    for (;;) {
        const std::size_t colon = rest.find(':');
        if (const std::string_view part = rest.substr(0, colon); !part.empty()) p.dirs.emplace_back(part);
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }
}

DIRPATH_p_t keep(DIRPATH_s* p) {
    st().live.insert(p);
    return p;
}

// The directory at the index into *dir, or DIRPATH_NONE (and null).
int give(const DIRPATH_s& p, int index, char** dir) {
    if (index < 0 || index >= static_cast<int>(p.dirs.size())) return DIRPATH_NONE;
    *dir = SM_string_copy(p.dirs[static_cast<std::size_t>(index)].c_str());
    return 0;
}

}  // namespace

namespace host::paths {
int live_paths() { return static_cast<int>(st().live.size()); }
}  // namespace host::paths

extern "C" {

DIRPATH_p_t DIRPATH_create_from_env(const char* variable) {
    auto call = HOST_ENTRY_TEXT(variable);
    DIRPATH_s p;
    add_env(call, p, variable);
    return keep(new DIRPATH_s(std::move(p)));
}

DIRPATH_p_t DIRPATH_create_from_dirs(int count, const char* const* dirs) {
    auto call = HOST_ENTRY(count, dirs);
    DIRPATH_s p;
    add_dirs(call, p, count, dirs);
    return keep(new DIRPATH_s(std::move(p)));
}

int DIRPATH_append(DIRPATH_p_t path, const char* dir) {
    auto call = HOST_ENTRY_TEXT(dir, path);
    add_dir(call, live(call, path), dir);
    return 0;
}

int DIRPATH_append_from_env(DIRPATH_p_t path, const char* variable) {
    auto call = HOST_ENTRY_TEXT(variable, path);
    DIRPATH_s& p = live(call, path);
    DIRPATH_s more;
    add_env(call, more, variable);
    p.dirs.insert(p.dirs.end(), more.dirs.begin(), more.dirs.end());
    return 0;
}

int DIRPATH_append_from_dirs(DIRPATH_p_t path, int count, const char* const* dirs) {
    auto call = HOST_ENTRY(path, count, dirs);
    add_dirs(call, live(call, path), count, dirs);
    return 0;
}

int DIRPATH_ask_dirs(DIRPATH_p_t path, int* count, char*** dirs) {
    auto call = HOST_ENTRY(path, count, dirs);
    const DIRPATH_s& p = live(call, path);
    call.need(count, "the count output");
    call.need(dirs, "the directories output");
    *count = 0;
    *dirs = nullptr;
    if (p.dirs.empty()) return 0;
    auto** out = static_cast<char**>(SM_alloc(p.dirs.size() * sizeof(char*)));
    std::size_t made = 0;
    try {
        for (; made < p.dirs.size(); ++made) out[made] = SM_string_copy(p.dirs[made].c_str());
    } catch (...) {
        // A failed copy leaves nothing behind.
        for (std::size_t i = 0; i < made; ++i) SM_free(out[i]);
        SM_free(out);
        throw;
    }
    *dirs = out;
    *count = static_cast<int>(p.dirs.size());
    return 0;
}

int DIRPATH_ask_dir_count(DIRPATH_p_t path) {
    auto call = HOST_ENTRY(path);
    return static_cast<int>(live(call, path).dirs.size());
}

int DIRPATH_ask_dir_index(DIRPATH_p_t path) {
    auto call = HOST_ENTRY(path);
    return live(call, path).index;
}

int DIRPATH_ask_nth_dir(DIRPATH_p_t path, int index, char** dir) {
    auto call = HOST_ENTRY(path, index, dir);
    const DIRPATH_s& p = live(call, path);
    call.need(dir, "the directory output");
    *dir = nullptr;
    if (index < 0 || index >= static_cast<int>(p.dirs.size()))
        call.fail(HOST_ERR_BAD_ARGUMENT, "index %d of a path of %zu directories", index, p.dirs.size());
    return give(p, index, dir);
}

int DIRPATH_find_file(DIRPATH_p_t path, const char* name, char** full) {
    auto call = HOST_ENTRY_TEXT(name, path, full);
    const DIRPATH_s& p = live(call, path);
    call.need(full, "the file output");
    *full = nullptr;
    if (!name || !*name) call.fail(HOST_ERR_BAD_ARGUMENT, "the file name is null or empty");
    auto exists = [](const std::string& f) {
        struct stat info {};
        return ::stat(f.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
    };
    if (name[0] == '/') {
        if (!exists(name)) return DIRPATH_NONE;
        *full = SM_string_copy(name);
        return 0;
    }
    for (const std::string& d : p.dirs) {
        std::string f = d.back() == '/' ? d + name : d + "/" + name;
        if (exists(f)) {
            *full = SM_string_copy(f.c_str());
            return 0;
        }
    }
    return DIRPATH_NONE;
}

int DIRPATH_start_dir_iteration(DIRPATH_p_t path) {
    auto call = HOST_ENTRY(path);
    live(call, path).index = -1;
    return 0;
}

int DIRPATH_ask_next_dir(DIRPATH_p_t path, char** dir) {
    auto call = HOST_ENTRY(path, dir);
    DIRPATH_s& p = live(call, path);
    call.need(dir, "the directory output");
    *dir = nullptr;
    const int count = static_cast<int>(p.dirs.size());
    if (p.index < count) ++p.index;
    return give(p, p.index, dir);
}

int DIRPATH_ask_prev_dir(DIRPATH_p_t path, char** dir) {
    auto call = HOST_ENTRY(path, dir);
    DIRPATH_s& p = live(call, path);
    call.need(dir, "the directory output");
    *dir = nullptr;
    if (p.index >= 0) --p.index;
    return give(p, p.index, dir);
}

int DIRPATH_ask_curr_dir(DIRPATH_p_t path, char** dir) {
    auto call = HOST_ENTRY(path, dir);
    const DIRPATH_s& p = live(call, path);
    call.need(dir, "the directory output");
    *dir = nullptr;
    return give(p, p.index, dir);
}

}  // extern "C"
