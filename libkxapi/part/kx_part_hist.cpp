// The history of part files: lists of the entries that saves left.
#include "host/store/parts/part_info.h"
#include "kx_part_fam.h"
#include "libkxapi/core/frame.h"

namespace {

PART_history_list_t* host_list(KX_PART_history_list_p_t list) { return reinterpret_cast<PART_history_list_t*>(list); }

}  // namespace

extern "C" {

KXAPI int KX_PART_create_history_list(KX_PART_history_list_p_t* list) {
    return kx::frame(
        [&] {
            kx::clear(list);
            return kx::check({{list, 1}});
        },
        [&] {
            PART_history_list_t* made = nullptr;
            const int st = PART_create_history_list(&made);
            *list = reinterpret_cast<KX_PART_history_list_p_t>(made);
            return st;
        });
}

KXAPI int KX_PART_ask_part_history(tag part, KX_PART_history_list_p_t list) {
    return kx::frame(
        [&] {
            return kx::check({{part != NULL_TAG, 1}, {list, 2}});
        },
        [&] { return PART_ask_history_of_part(part, host_list(list)); });
}

KXAPI int KX_PART_ask_num_histories(KX_PART_history_list_p_t list, int* count) {
    return kx::frame(
        [&] {
            kx::clear(count);
            return kx::check({{list, 1}, {count, 2}});
        },
        [&] {
            *count = PART_ask_number_of_histories(host_list(list));
            return 0;
        });
}

KXAPI int KX_PART_ask_nth_history(KX_PART_history_list_p_t list, int index, int* version, int* time, const char** user,
                                  const char** machine, const char** program) {
    return kx::frame(
        [&] {
            return kx::check({{list, 1}});
        },
        [&] {
            const int n = PART_ask_number_of_histories(host_list(list));
            if (index < 0 || index >= n) return kx::param(2);
            int dropped = 0;
            return PART_ask_info_of_nth_history(host_list(list), index, version, time, program, machine, &dropped,
                                                user);
        });
}

KXAPI int KX_PART_clear_history_list(KX_PART_history_list_p_t list) {
    return kx::frame([&] { return kx::check({{list, 1}}); }, [&] { return PART_clear_history_list(host_list(list)); });
}

KXAPI int KX_PART_delete_history_list(KX_PART_history_list_p_t list) {
    return kx::frame([&] { return kx::check({{list, 1}}); }, [&] { return PART_delete_history_list(host_list(list)); });
}

}  // extern "C"
