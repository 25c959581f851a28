/* What the part service keeps about a part besides its model: the part
 * attributes (customer area, description, status), the history of its file
 * (an entry for every save) and the list of recently displayed parts with
 * the search for matching parts over it.
 *
 * Part attributes and history are saved with the part (sections "PATT" and
 * "HIST") and come back when it is opened. A part starts with customer area
 * 0, no description and status 0.
 *
 * History: every save of a part adds an entry: version (1 for the first
 * save of the file, counting on across sessions), time (seconds since
 * 1970), the user (USER, else "unknown"), the machine (the host name) and
 * the program ("kxhost"). A history list is a host object made for a
 * program: it gathers the entries of the parts asked into it (newest first
 * per part) and lives until it is deleted or the session is reset.
 *
 * Recent parts: every part that becomes the displayed part goes to the
 * front of the list (by file name, once), unless updates of the list are
 * disabled (PART_disable_cdp_list_update; enabling again ends it). At most
 * PART_RECENT_MAX names are kept. The list lasts the session, not the
 * model: an undo does not change it.
 *
 * Matching parts: a sort over the recent list. Sort parameters (primary key,
 * its order, secondary key, its order, limit, unique) with keys 0 recency
 * and 1 name, orders 1 ascending and -1 descending, limit -1 for none. The
 * sort takes the entries that its mode lets through: 0 every recent part,
 * 1 those loaded, 2 those not loaded, 3 those whose file exists; `value`
 * (above 0) caps their number; `by_name` sorts by the secondary key
 * first. Each match has a name and a flag: a loaded part with a description
 * matches by its description (flag set), any other by its file name (flag
 * clear; PART_ask_desc_name_of_strip_leaf gives its display form).
 *
 * Null pointers raise HOST_ERR_NULL_ARGUMENT, dead part tags
 * HOST_ERR_DEAD_TAG, bad history indexes, unknown lists or sorts
 * HOST_ERR_BAD_ARGUMENT.
 */
#ifndef HOST_DATA_PART_INFO_H
#define HOST_DATA_PART_INFO_H

#define PART_RECENT_MAX 32

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* ---- Part attributes ---- */
int PART_ask_customer_area(unsigned int part);
int PART_set_customer_area(unsigned int part, int area);
/* The description (null for none); the text lasts the session. */
const char* PART_ask_description(unsigned int part);
/* null or "" removes it. */
int PART_set_description(unsigned int part, const char* description);
int PART_ask_status(unsigned int part);
int PART_set_status(unsigned int part, int status);

/* ---- History ---- */
typedef struct PART_history_list_s PART_history_list_t;
int PART_create_history_list(PART_history_list_t** list);
/* Appends the part's entries to the list. */
int PART_ask_history_of_part(unsigned int part, PART_history_list_t* list);
int PART_ask_number_of_histories(const PART_history_list_t* list);
/* Entry index of the list: version, time, program, machine, its place in
 * its part's history (1 the first save), user. The texts last as long as
 * the list's entries. */
int PART_ask_info_of_nth_history(const PART_history_list_t* list, int index, int* version, int* time,
                                 const char** program, const char** machine, int* sequence, const char** user);
int PART_clear_history_list(PART_history_list_t* list);
int PART_delete_history_list(PART_history_list_t* list);

/* ---- Recent parts ---- */
/* The loaded parts of the recent list, newest first, at most max (-1: all);
 * *parts from SM_alloc (null for none), or not made when parts is null. */
int PART_list_all_mru_part_tags(int max, int* count, unsigned int** parts);
int PART_disable_cdp_list_update(void);
int PART_enable_cdp_list_update(void);

typedef struct PART_sort_params_s {
    int key, order, key2, order2, limit, unique;
} PART_sort_params_t;
typedef struct PART_sort_s PART_sort_t;
/* *params from SM_alloc (SM_free gives it back). */
int PART_initialize_sort_params(int key, int order, int key2, int order2, int limit, int unique,
                                PART_sort_params_t** params);
/* mode 0 to 3 (else HOST_ERR_BAD_ARGUMENT). */
int PART_initialize_sort(int value, unsigned char by_name, int mode, const PART_sort_params_t* params,
                         PART_sort_t** sort);
/* The count of matches; *names the sort's own (valid until it ends),
 * *flags from SM_alloc (null for none). */
int PART_ask_match_data(PART_sort_t* sort, char*** names, unsigned char** flags);
/* The loaded part of match index (0 when it is not loaded); *loaded 1 when
 * it is. */
unsigned int PART_ask_match_part_tag(int index, PART_sort_t* sort, unsigned char* loaded);
/* The display form of a file name: without directory and extension
 * (SM_alloc). */
char* PART_ask_desc_name_of_strip_leaf(const char* name);
int PART_terminate_sort(PART_sort_t* sort);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>
#include <vector>

namespace host::part_info {

// A save of the part under way: the file written meanwhile holds the
// entry of this save; keep() adds it to the part's history once the save
// went through (a save that fails or raises leaves the history as it was).
class SaveStamp {
public:
    explicit SaveStamp(unsigned int part);
    ~SaveStamp();
    SaveStamp(const SaveStamp&) = delete;
    SaveStamp& operator=(const SaveStamp&) = delete;
    void keep();
};
// The part became the displayed part (the recent list follows unless its
// updates are disabled).
void note_displayed(unsigned int part);
// The recent list, newest first (file names).
std::vector<std::string> recent();

}  // namespace host::part_info
#endif

#endif
