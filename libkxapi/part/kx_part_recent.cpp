// Recently displayed parts and the search for matching parts among them.
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "host/store/parts/part_info.h"
#include "host/base/services/memory.h"
#include "kx_part_fam.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

namespace {

constexpr matching_parts_params kDefaults{0, 0, false};

// A sort of the host, ended on every way out.
struct Sort {
    PART_sort_t* sort = nullptr;
    Sort() = default;
    Sort(const Sort&) = delete;
    Sort& operator=(const Sort&) = delete;
    ~Sort() {
        if (sort) kx::release([s = sort] { PART_terminate_sort(s); });
    }
};

}  // namespace

extern "C" {

KXAPI int KX_PART_ask_recent_display_part_list(int* count, tag** parts) {
    return kx::frame(
        kx::standard,
        kx::on_error([&] {
            if (parts) kx::free_and_clear(*parts);
            kx::clear(count);
        }),
        [&] {
            kx::clear(count, parts);
            return kx::check({{count, 1}});
        },
        [&] { return PART_list_all_mru_part_tags(-1, count, parts); });
}

KXAPI int KX_PART_disable_cdp_list_update(void) {
    return kx::frame(kx::no_check, [] { return PART_disable_cdp_list_update(); });
}

KXAPI int KX_PART_enable_cdp_list_update(void) {
    return kx::frame(kx::no_check, [] { return PART_enable_cdp_list_update(); });
}

KXAPI int KX_PART_ask_cdp_default_params(matching_parts_params* params) {
    return kx::frame(kx::bare, [&] {
        if (!params) return kx::param(1);
        *params = kDefaults;
        return 0;
    });
}

KXAPI int KX_PART_ask_cdp_matching_parts(const matching_parts_params* params, int* count, tag** parts, char*** names) {
    kx::clear(count, parts, names);
    const matching_parts_params p = params ? *params : kDefaults;
    return kx::frame(
        kx::standard,
        kx::on_error([&] {
            if (parts) kx::free_and_clear(*parts);
            if (names && *names) {
                for (int i = 0; count && i < *count; ++i) SM_free((*names)[i]);
                kx::free_and_clear(*names);
            }
            kx::clear(count);
        }),
        [&] {
            if (!count) return kx::param(2);
            return p.mode < 0 || p.mode > 3 ? kx::param(1) : 0;
        },
        [&] {
            Sort sort;
            {
                PART_sort_params_t* sort_params = nullptr;
                PART_initialize_sort_params(0, -1, 1, 1, -1, 1, &sort_params);
                kx::host_ptr<PART_sort_params_t> held(sort_params);
                PART_initialize_sort(p.value, p.by_name, p.mode, sort_params, &sort.sort);
            }
            char** host_names = nullptr;
            unsigned char* flags = nullptr;
            const int n = PART_ask_match_data(sort.sort, &host_names, &flags);
            kx::host_ptr<unsigned char> held_flags(flags);
            *count = n;
            if (n <= 0) return 0;
            if (names) {
                std::vector<std::string> shown;
                for (int i = 0; i < n; ++i) {
                    if (flags[i]) {
                        shown.emplace_back(host_names[i]);
                    } else {
                        kx::host_ptr<char> leaf(PART_ask_desc_name_of_strip_leaf(host_names[i]));
                        shown.emplace_back(leaf.get());
                    }
                }
                *names = kx::string_array(shown);
            }
            if (parts) {
                std::vector<tag> found;
                for (int i = 0; i < n; ++i) {
                    unsigned char scratch = 0;
                    found.push_back(PART_ask_match_part_tag(i, sort.sort, &scratch));
                }
                *parts = kx::copy_array<tag>(std::span<const tag>(found));
            }
            return 0;
        });
}

}  // extern "C"
