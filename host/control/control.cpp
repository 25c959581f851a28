// The test-control API, over the small internal interfaces that the hook
// and the services expose for it.
#include "host/control/control.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/platform/support/support.h"

namespace host::control {

// ---- Reset and environment ------------------------------------------------

void reset() { reset_all(); }
void clear_decoders() { error::clear_registrations(); }

void set_env_kind(int kind) { support::set_env_kind(kind); }
void set_checking_level(int level) { MACH__checking_level = level; }
void set_program_name(const std::string& name) { support::set_program_name(name); }
void set_env(const std::string& name, const std::string& value) { support::set_env(name, value); }
void unset_env(const std::string& name) { support::unset_env(name); }

// ---- Scripts ----------------------------------------------------------------

void raise_on(const char* name, int code, int nth) { hook_detail::script_raise(name, code, nth); }
void return_status(const char* name, int status) { hook_detail::script_status(name, status); }
void give_outputs(const char* name, std::vector<Value> values) { hook_detail::script_outputs(name, std::move(values)); }
void clear_script(const char* name) { hook_detail::script_clear(name); }
void clear_scripts() { hook_detail::scripts_clear(); }

// ---- Journal ----------------------------------------------------------------

namespace {
const JournalRecord* journal_begin() { return hook_detail::j_data; }
const JournalRecord* journal_end() { return hook_detail::j_data + hook_detail::j_size; }
}  // namespace

void set_journal(bool on) { hook_detail::j_on = on; }
void clear_journal() { hook_detail::j_size = 0; }
std::vector<JournalRecord> journal() { return {journal_begin(), journal_end()}; }
std::vector<JournalRecord> calls(const std::string& name) {
    std::vector<JournalRecord> out;
    for (const JournalRecord* r = journal_begin(); r != journal_end(); ++r)
        if (name == r->name) out.push_back(*r);
    return out;
}
int call_count(const std::string& name) {
    int n = 0;
    for (const JournalRecord* r = journal_begin(); r != journal_end(); ++r)
        if (name == r->name) ++n;
    return n;
}
std::vector<std::string> call_names() {
    std::vector<std::string> out;
    out.reserve(hook_detail::j_size);
    for (const JournalRecord* r = journal_begin(); r != journal_end(); ++r) out.emplace_back(r->name);
    return out;
}
long index_of(const std::string& name, int nth) {
    for (const JournalRecord* r = journal_begin(); r != journal_end(); ++r)
        if (name == r->name && nth-- == 0) return static_cast<long>(r - journal_begin());
    return -1;
}
bool called_before(const std::string& first, const std::string& second) {
    const long a = index_of(first);
    if (a < 0) return false;
    for (const JournalRecord* r = journal_begin() + a + 1; r < journal_end(); ++r)
        if (second == r->name) return true;
    return false;
}

// ---- Host log and error service -------------------------------------------

std::vector<std::string> log_lines() { return error::log_lines(); }
void clear_log() { error::clear_log(); }
std::vector<int> acknowledged_codes() { return error::acknowledged_codes(); }
int frame_depth() { return error::frame_depth(); }
std::optional<int> raised_code(const std::function<void()>& f) {
    int id = arm_library_frame();
    try {
        f();
    } catch (const HostError& e) {
        if (!e.for_library_frame()) throw;
        return ERROR_ask_failure_code();
    }
    ERROR_cancel_handler(id);
    return std::nullopt;
}

// ---- Memory -----------------------------------------------------------------

std::size_t live_blocks() { return memory::stats().live_blocks; }

// ---- Fixtures ---------------------------------------------------------------

Fixture make_part(const std::string& file, std::initializer_list<FixtureObject> objects) {
    Fixture f{objects::create_part(file), {}};
    for (const FixtureObject& o : objects)
        f.objects.push_back(objects::create({o.cls, o.type, o.subtype, f.part, o.name}));
    return f;
}

// ---- Captured streams -----------------------------------------------------

namespace {
std::string read_all(int fd) {
    std::string out;
    if (fd < 0) return out;
    lseek(fd, 0, SEEK_SET);
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
    return out;
}
}  // namespace

CaptureStreams::CaptureStreams() {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(stdout);
    std::fflush(stderr);
    for (int i = 0; i < 2; ++i) {
        char name[] = "/tmp/host-capture-XXXXXX";
        files_[i] = mkstemp(name);
        if (files_[i] < 0) continue;
        unlink(name);
        saved_[i] = dup(i + 1);
        dup2(files_[i], i + 1);
    }
    active_ = true;
}

CaptureStreams::~CaptureStreams() {
    if (active_) stop();
    for (int fd : files_)
        if (fd >= 0) close(fd);
}

void CaptureStreams::stop() {
    if (!active_) return;
    std::cout.flush();
    std::cerr.flush();
    std::fflush(stdout);
    std::fflush(stderr);
    for (int i = 0; i < 2; ++i) {
        if (saved_[i] >= 0) {
            dup2(saved_[i], i + 1);
            close(saved_[i]);
            saved_[i] = -1;
        }
    }
    out_ = read_all(files_[0]);
    err_ = read_all(files_[1]);
    active_ = false;
}

}  // namespace host::control
