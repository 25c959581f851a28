/* The host's system services: machine and user information, the clock and
 * its timers, memory statistics by pool, the release texts, the current
 * application, the program name of a host session and setting environment
 * variables.
 *
 * Timers: CLOCK_create_timer starts one and answers its number (1 and up);
 * CLOCK_read_timer fills three values: [0] elapsed real seconds, [1] user
 * processor seconds, [2] user and system processor seconds, all since the
 * timer was created. An unknown timer raises HOST_ERR_BAD_HANDLE.
 *
 * Memory statistics: BSM_ask_statistics fills five words: [0] allocations
 * and [1] frees since the host's last reset, [2] bytes in use, [3]
 * persistent blocks in use, [4] blocks in use. Pools are numbered from 0;
 * BSM_next_pool(-2) answers the first, BSM_next_pool(last) answers -2. The
 * host's own allocator is the pool "SM"; other services register theirs
 * (host::bsm::register_pool). BSM_ask_pool_statistics fills four words
 * ([0] the pool's number, [1] its peak bytes, [2] bytes in use, [3] blocks
 * in use) and answers 0, or 104 when the pool cannot be read.
 *
 * Release: JQ_ask_current_part_revision answers the revision that the
 * session writes; udrel_ gives the release text of a revision as a counted
 * text (an unknown revision raises HOST_ERR_BAD_ARGUMENT). */
#ifndef HOST_SYSTEM_SYSTEM_H
#define HOST_SYSTEM_SYSTEM_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* Local time broken down. */
struct CLOCK_decoded_time {
    int year;
    int month; /* 1 to 12 */
    int day;
    int hour;
    int minute;
    int second;
};

void CLOCK_local_decoded_time(struct CLOCK_decoded_time* time);
/* Format 1: "09-Dec-2026 23:55:51". Writes at most size - 1 characters and
 * a terminator. Another format raises HOST_ERR_BAD_ARGUMENT. */
void CLOCK_get_date_string(const struct CLOCK_decoded_time* time, int format, char* buffer, int size);
int CLOCK_create_timer(int kind);
void CLOCK_read_timer(int timer, int mode, double values[3]);

/* Answers stay valid until the host is reset. */
const char* MACH_ask_username(void);
const char* MACH_ask_nodename(void);
const char* MACH_ask_machine(void);
const char* MACH_ask_os_name(void);
const char* MACH_ask_os_version(void);
/* Physical memory in megabytes. */
int MACH_ask_physical_memory(void);

void BSM_ask_statistics(int words[5]);
int BSM_next_pool(int pool);
const char* BSM_ask_pool_name(int pool);
int BSM_ask_pool_statistics(int pool, int words[4]);
#define BSM_POOL_UNREADABLE 104

/* Release record: a counted text. */
#define UDREL_TEXT_MAX 260
struct udrel_record {
    int length;
    char text[UDREL_TEXT_MAX];
};
int JQ_ask_current_part_revision(void);
void udrel_(const int* revision, struct udrel_record* record);

/* The current application: its first word is the application's number. */
const int* APP_ask_current_application(void);

/* Program name of a host session (the kinds other than the user program's);
 * answers 0. */
int SYS_set_program_name(const char* name);

/* Sets a variable in the host's environment table; answers 0. A null or
 * empty name answers HOST_ERR_BAD_ARGUMENT; a null value removes the
 * variable. */
int ENV_set_variable(const char* name, const char* value);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <functional>
#include <string>

namespace host::bsm {
struct PoolFigures {
    long long peak_bytes;
    long long bytes;
    long long blocks;
};
// A pool of another service; ask answers false when the figures cannot be
// read. Pools stay registered across resets.
void register_pool(const std::string& name, std::function<bool(PoolFigures&)> ask);
void unregister_pool(const std::string& name);
}  // namespace host::bsm

namespace host::sys {
void set_current_application(int application);
void set_revision(int revision);
void set_release_text(int revision, const std::string& text);
std::string session_program_name();  // as SYS_set_program_name left it
}  // namespace host::sys
#endif

#endif
