// System services: machine information, clock and timers, memory statistics
// by pool, release texts, current application, program name and setting
// environment variables.
#include "host/platform/system/system.h"

#include <pwd.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/base/hook.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/platform/support/support.h"

namespace {

constexpr int kDefaultRevision = 18;
constexpr int kDefaultApplication = 1;

struct Timer {
    std::chrono::steady_clock::time_point real;
    double user;
    double total;
};

struct SystemState {
    std::map<int, Timer> timers;
    int next_timer = 1;
    int revision = kDefaultRevision;
    std::map<int, std::string> releases = {{kDefaultRevision, "V18.0.0.24"}};
    int application[1] = {kDefaultApplication};
    std::string session_program_name;
    std::string username, nodename, machine, os_name, os_version;
};
SystemState& st() { return host::service_state<SystemState>("system"); }
const bool registered = (st(), true);

struct Pool {
    std::string name;
    std::function<bool(host::bsm::PoolFigures&)> ask;
};
// Pools outlive resets: services register them once.
std::vector<Pool>& pools() {
    static std::vector<Pool> list = {{"SM", [](host::bsm::PoolFigures& f) {
                                          const auto s = host::memory::stats();
                                          f.bytes = static_cast<long long>(s.live_bytes);
                                          f.blocks = static_cast<long long>(s.live_blocks);
                                          f.peak_bytes = f.bytes;
                                          return true;
                                      }}};
    return list;
}

void processor_seconds(double& user, double& total) {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    user = static_cast<double>(u.ru_utime.tv_sec) + u.ru_utime.tv_usec / 1e6;
    total = user + static_cast<double>(u.ru_stime.tv_sec) + u.ru_stime.tv_usec / 1e6;
}

const char* keep(std::string& slot, std::string value) {
    slot = std::move(value);
    return slot.c_str();
}

utsname machine_names() {
    utsname u{};
    if (uname(&u) != 0) u = utsname{};
    return u;
}

int to_int(long long v) { return v > 0x7fffffff ? 0x7fffffff : static_cast<int>(v); }

}  // namespace

namespace host::bsm {
void register_pool(const std::string& name, std::function<bool(PoolFigures&)> ask) {
    for (Pool& p : pools())
        if (p.name == name) {
            p.ask = std::move(ask);
            return;
        }
    pools().push_back({name, std::move(ask)});
}
void unregister_pool(const std::string& name) {
    std::erase_if(pools(), [&](const Pool& p) { return p.name == name; });
}
}  // namespace host::bsm

namespace host::sys {
void set_current_application(int application) { st().application[0] = application; }
void set_revision(int revision) { st().revision = revision; }
void set_release_text(int revision, const std::string& text) { st().releases[revision] = text; }
std::string session_program_name() { return st().session_program_name; }
}  // namespace host::sys

extern "C" {

void CLOCK_local_decoded_time(CLOCK_decoded_time* time) {
    auto call = HOST_ENTRY(time);
    call.need(time, "the time output");
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    *time = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void CLOCK_get_date_string(const CLOCK_decoded_time* time, int format, char* buffer, int size) {
    auto call = HOST_ENTRY(time, format, buffer, size);
    call.need(time, "the time");
    call.need(buffer, "the buffer");
    if (format != 1) call.fail(HOST_ERR_BAD_ARGUMENT, "date format %d is not known", format);
    if (size <= 0) call.fail(HOST_ERR_BAD_ARGUMENT, "buffer size %d", size);
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int m = time->month >= 1 && time->month <= 12 ? time->month - 1 : 0;
    std::snprintf(buffer, static_cast<std::size_t>(size), "%02d-%s-%04d %02d:%02d:%02d", time->day, months[m],
                  time->year, time->hour, time->minute, time->second);
}

int CLOCK_create_timer(int kind) {
    HOST_ENTRY(kind);
    Timer t{std::chrono::steady_clock::now(), 0, 0};
    processor_seconds(t.user, t.total);
    const int id = st().next_timer++;
    st().timers[id] = t;
    return id;
}

void CLOCK_read_timer(int timer, int mode, double values[3]) {
    auto call = HOST_ENTRY(timer, mode, values);
    call.need(values, "the values output");
    auto it = st().timers.find(timer);
    if (it == st().timers.end()) call.fail(HOST_ERR_BAD_HANDLE, "timer %d is not running", timer);
    double user = 0, total = 0;
    processor_seconds(user, total);
    values[0] = std::chrono::duration<double>(std::chrono::steady_clock::now() - it->second.real).count();
    values[1] = user - it->second.user;
    values[2] = total - it->second.total;
}

const char* MACH_ask_username(void) {
    HOST_ENTRY();
    std::string name;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) name = pw->pw_name;
    if (name.empty())
        if (const char* u = std::getenv("USER")) name = u;
    return keep(st().username, name);
}

const char* MACH_ask_nodename(void) {
    HOST_ENTRY();
    return keep(st().nodename, machine_names().nodename);
}

const char* MACH_ask_machine(void) {
    HOST_ENTRY();
    return keep(st().machine, machine_names().machine);
}

const char* MACH_ask_os_name(void) {
    HOST_ENTRY();
    return keep(st().os_name, machine_names().sysname);
}

const char* MACH_ask_os_version(void) {
    HOST_ENTRY();
    return keep(st().os_version, machine_names().release);
}

int MACH_ask_physical_memory(void) {
    HOST_ENTRY();
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page <= 0) return 0;
    return to_int(static_cast<long long>(pages) * page / (1024 * 1024));
}

void BSM_ask_statistics(int words[5]) {
    auto call = HOST_ENTRY(words);
    call.need(words, "the statistics output");
    const auto s = host::memory::stats();
    words[0] = to_int(static_cast<long long>(s.allocations));
    words[1] = to_int(static_cast<long long>(s.frees));
    words[2] = to_int(static_cast<long long>(s.live_bytes));
    words[3] = to_int(static_cast<long long>(s.live_persistent));
    words[4] = to_int(static_cast<long long>(s.live_blocks));
}

int BSM_next_pool(int pool) {
    HOST_ENTRY(pool);
    const int n = static_cast<int>(pools().size());
    if (pool == -2) return n > 0 ? 0 : -2;
    return pool >= 0 && pool + 1 < n ? pool + 1 : -2;
}

const char* BSM_ask_pool_name(int pool) {
    auto call = HOST_ENTRY(pool);
    if (pool < 0 || pool >= static_cast<int>(pools().size())) call.fail(HOST_ERR_BAD_HANDLE, "pool %d", pool);
    return pools()[static_cast<std::size_t>(pool)].name.c_str();
}

int BSM_ask_pool_statistics(int pool, int words[4]) {
    auto call = HOST_ENTRY(pool, words);
    call.need(words, "the statistics output");
    int scripted;
    if (call.status(scripted)) return scripted;
    if (pool < 0 || pool >= static_cast<int>(pools().size())) return BSM_POOL_UNREADABLE;
    host::bsm::PoolFigures f{};
    if (!pools()[static_cast<std::size_t>(pool)].ask(f)) return BSM_POOL_UNREADABLE;
    words[0] = pool;
    words[1] = to_int(f.peak_bytes);
    words[2] = to_int(f.bytes);
    words[3] = to_int(f.blocks);
    return 0;
}

int JQ_ask_current_part_revision(void) {
    auto call = HOST_ENTRY();
    return static_cast<int>(call.int_out(0, st().revision));
}

void udrel_(const int* revision, udrel_record* record) {
    auto call = HOST_ENTRY(revision, record);
    call.need(revision, "the revision");
    call.need(record, "the release record");
    auto it = st().releases.find(*revision);
    if (it == st().releases.end()) call.fail(HOST_ERR_BAD_ARGUMENT, "revision %d has no release", *revision);
    const std::size_t n = std::min<std::size_t>(it->second.size(), UDREL_TEXT_MAX);
    std::memcpy(record->text, it->second.data(), n);
    record->length = static_cast<int>(n);
}

const int* APP_ask_current_application(void) {
    HOST_ENTRY();
    return st().application;
}

int SYS_set_program_name(const char* name) {
    auto call = HOST_ENTRY_TEXT(name);
    call.need(name, "the name");
    st().session_program_name = name;
    return 0;
}

int ENV_set_variable(const char* name, const char* value) {
    auto call = HOST_ENTRY_TEXT(name, value);
    int scripted;
    if (call.status(scripted)) return scripted;
    if (!name || !*name) return HOST_ERR_BAD_ARGUMENT;
    if (value) host::support::set_env(name, value);
    else host::support::unset_env(name);
    return 0;
}

}  // extern "C"
