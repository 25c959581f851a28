/* Session utilities: the host log, system information, timers, memory
 * statistics, KLAM programs, the release, user libraries, environment
 * variables, the program name, customer defaults, the current application
 * and the product-data manager's state. */
#ifndef KX_MISC_H
#define KX_MISC_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* Writes text on the host log as it stands (never as a format): with
 * note true as a noted line of the library, else as a plain line. A null
 * text does nothing. Answers 0. */
KXAPI int KX_print_syslog(const char* text, logical note);

/* System information; KX_free_system_info frees the seven texts. */
typedef struct KX_system_info_s {
    char* date_buf; /* "09-Dec-2026 23:55:51" */
    char* user_name;
    char* program_name;
    char* node_name;
    char* machine_type;
    char* os_name;
    char* os_version;
    int physical_memory; /* megabytes */
} KX_system_info_t;

KXAPI int KX_ask_system_info(KX_system_info_t* info);
KXAPI int KX_free_system_info(KX_system_info_t* info);

/* Timers: seconds since KX_begin_timer. */
typedef short KX_timer_t;
typedef struct KX_timer_values_s {
    double real_time; /* elapsed */
    double cpu_time;  /* processor time of the program, user and system */
} KX_timer_values_t;
KXAPI int KX_begin_timer(KX_timer_t* timer);
KXAPI int KX_end_timer(KX_timer_t timer, KX_timer_values_t* values);

/* Memory statistics. KX_init_bsm_stats takes a reading; KX_get_memory_usage
 * turns a reading into the growth since it ([0] and [1]) and takes the new
 * figures ([2] and [3]). The kernel's figures are 0 when its memory pool
 * cannot be read. */
typedef struct KX_bsm_stats_s {
    int bytes;         /* bytes in use (after KX_get_memory_usage: their growth) */
    int kernel_bytes;  /* the solid kernel's pool, bytes in use (growth) */
    int blocks;        /* blocks in use */
    int kernel_blocks; /* the solid kernel's pool, blocks in use */
} KX_bsm_stats_t;
KXAPI int KX_init_bsm_stats(KX_bsm_stats_t* stats);
KXAPI int KX_get_memory_usage(KX_bsm_stats_t* stats);

/* Runs a KLAM program with the arguments. */
KXAPI int KX_call_klam(const char* program, int argument_count, void** arguments);

/* The release text; *release is the caller's to free with KX_free. */
KXAPI int KX_get_release(char** release);

/* Loads a user library and finds a function in it. The function's address
 * is stored also when the status reports a failure. */
typedef void (*KX_loaded_function_t)(void);
KXAPI int KX_load_library(const char* library, const char* symbol, KX_loaded_function_t* function);
KXAPI int KX_unload_library(const char* library);

/* *value: the host's text (not to be freed), or NULL when the variable is
 * not defined. */
KXAPI int KX_translate_variable(const char* name, const char** value);
KXAPI int KX_set_variable(const char* name, const char* value);

KXAPI int KX_MISC_set_program_name(const char* name);

/* 0 and *value (free with KX_free) when the default is known; 1 and NULL
 * when it is not. */
KXAPI int KX_get_customer_default(const char* name, int module, char** value);

KXAPI int KX_ask_application_module(int* application);
KXAPI int KX_is_jqmanager_active(logical* active);

/* *flag 1 when the run-time environment is not the user program's. */
KXAPI void kx3192_(int* flag);

KX_END_DECLS

#endif
