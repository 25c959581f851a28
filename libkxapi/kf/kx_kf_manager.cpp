// The product-data manager's knowledge classes through the interface: the
// user classes, user functions and folders that the manager files. These
// follow the manager family's codes: 641049 while the session is not open,
// 641106 while the manager does not run, and its failure 920001 answered
// as 943001.
#include "kx_kf.h"
#include "libkxapi/core/frame.h"

#include "host/platform/pdm/kf_classes.h"
#include "host/platform/support/support.h"

namespace {

constexpr int kNotInitialised = KX_KF_ERR_MANAGER_NOT_INITIALISED;
constexpr int kManagerInactive = KX_KF_ERR_MANAGER_INACTIVE;
constexpr int kManagerFailed = KX_KF_ERR_MANAGER_FAILED;
constexpr kx::Opts kManagerFrame{.not_init = kNotInitialised};

// The manager's answer as the caller sees it (raised or returned).
int mapped(int code) { return code == JQMGR_KF_ERR_FAILED ? kManagerFailed : code; }

// The two listings of what a folder holds; the count is cleared before
// the session is checked.
int designs_or_funcs(const char* where, int* count, char*** names, int classes, int funcs) {
    return mapped(kx::frame(
        kManagerFrame, kx::before_check([&] {
            if (count) *count = 0;
            return 0;
        }),
        [&] {
            if (!count) return int{KX_ERR_BAD_PARAM_2};
            if (!names) return int{KX_ERR_BAD_PARAM_3};
            *names = nullptr;
            return RTENV_ask_jqmanager_active() ? 0 : kManagerInactive;
        },
        [&] { return JQMGR_KF_get_all_designs_or_funcs(where, classes, funcs, count, names); }));
}

int referenced(const char* name, int* count, char*** names, int classes, int funcs) {
    return mapped(kx::frame(
        kManagerFrame,
        [&] {
            if (!name) return int{KX_ERR_BAD_PARAM_1};
            if (!count) return int{KX_ERR_BAD_PARAM_2};
            if (!names) return int{KX_ERR_BAD_PARAM_3};
            *count = 0;
            *names = nullptr;
            return RTENV_ask_jqmanager_active() ? 0 : kManagerInactive;
        },
        [&] { return JQMGR_KF_list_classes_referenced(name, count, names, classes, funcs); }));
}

// An existence test: false until the manager finds the item.
int exists(const char* name, logical* answer, int (*test)(const char*, unsigned char*)) {
    return mapped(kx::frame(
        kManagerFrame,
        [&] {
            if (!name) return int{KX_ERR_BAD_PARAM_1};
            if (!answer) return int{KX_ERR_BAD_PARAM_2};
            *answer = false;
            return RTENV_ask_jqmanager_active() ? 0 : kManagerInactive;
        },
        [&] { return test(name, answer); }));
}

}  // namespace

extern "C" {

KXAPI int KX_KF_JQMGR_ask_user_dfa_classes(const char* where, int* count, char*** names) {
    return designs_or_funcs(where, count, names, 1, 0);
}

KXAPI int KX_KF_JQMGR_ask_user_dfa_funcs(const char* where, int* count, char*** names) {
    return designs_or_funcs(where, count, names, 0, 1);
}

KXAPI int KX_KF_JQMGR_list_user_classes_referenced(const char* name, int* count, char*** names) {
    return referenced(name, count, names, 1, 0);
}

KXAPI int KX_KF_JQMGR_list_user_funcs_referenced(const char* name, int* count, char*** names) {
    return referenced(name, count, names, 0, 1);
}

KXAPI int KX_KF_JQMGR_is_user_dfa_class_exists(const char* name, logical* answer) {
    return exists(name, answer, JQMGR_KF_is_dfa_class_exists);
}

// The manager's function test (a function is no class).
KXAPI int KX_KF_JQMGR_is_user_dfa_func_exists(const char* name, logical* answer) {
    return exists(name, answer, JQMGR_KF_is_dfa_func_exists);
}

KXAPI int KX_KF_JQMGR_is_folder_exists(const char* folder, logical* answer) {
    return exists(folder, answer, JQMGR_KF_is_dfa_folder_exists);
}

}  // extern "C"
