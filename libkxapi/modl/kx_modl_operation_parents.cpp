// Showing and hiding the parent curves of a feature. Both run inside an
// unnamed undo mark, rolled back when they fail and deleted on every way
// out.
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "kx_codes.h"
#include "kx_modl.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_operation.h"
#include "libkxapi/modl/kx_modl_query.h"

#include "host/platform/preferences/customer_defaults.h"
#include "host/base/services/memory.h"

namespace {

constexpr const char* kMoveCurvesDefault = "Solids_MoveCurvesToOtherLayer";

namespace km = kx::modl;

parent_curve_entry entry_of(const SHD_parent_curve_t& host) {
    return {host.curve, host.value_a, host.value_b, host.keep};
}

SHD_parent_curve_t host_entry_of(const parent_curve_entry& entry) {
    return {entry.curve, entry.value_a, entry.value_b, entry.keep};
}

// The caller's entries (null with count 0, or from the library
// allocator) merged with the host's: a curve the caller has takes the
// host's two values, a new one is appended.
std::vector<parent_curve_entry> merged(const std::vector<SHD_parent_curve_t>& host, int count,
                                       const parent_curve_entry* array) {
    std::vector<parent_curve_entry> out(array, array + count);
    for (const SHD_parent_curve_t& h : host) {
        bool found = false;
        for (int j = 0; j < count && !found; ++j) {
            if (out[j].curve != h.curve) continue;
            out[j].value_a = h.value_a;
            out[j].value_b = h.value_b;
            found = true;
        }
        if (!found) out.push_back(entry_of(h));
    }
    return out;
}

// Hands merged entries to the caller once the edit is made: in place when
// the array keeps its size, else in a new array (made before the mark
// goes) that replaces the old one.
struct Handover {
    std::vector<parent_curve_entry> entries;
    kx::host_ptr<parent_curve_entry> grown;

    Handover(std::vector<parent_curve_entry> merged, int count) : entries(std::move(merged)) {
        if (static_cast<int>(entries.size()) != count) grown.reset(kx::copy_array<parent_curve_entry>(entries));
    }
    void hand_over(int* count, parent_curve_entry** array) {
        if (!grown) {
            std::copy(entries.begin(), entries.end(), *array);
            return;
        }
        parent_curve_entry* old = *array;
        *array = grown.release();
        *count = static_cast<int>(entries.size());
        // The edit is made and the caller has the new array: a failure to
        // give the old one back leaves it with the host and is no failure
        // of the call (the frame acknowledges it).
        if (old)
            kx::frame(km::kEditFrame, [&]() -> int {
                SM_free(old);
                return 0;
            });
    }
};

bool move_curves_to_other_layer() {
    const char* value = nullptr;
    return cdUIgetDefault(kMoveCurvesDefault, CD_TYPE_TEXT, 0, &value) == 1 && value && std::strcmp(value, "1") == 0;
}

// The host's work inside the unnamed mark; anything but a feature is
// refused.
template <class Edit>
int in_mark(tag feature, Edit&& work) {
    return kx::undo_bracket(1, nullptr,
                            [&]() -> int { return km::is_feature(feature) ? work() : KX_MODL_ERR_NOT_A_FEATURE; });
}

}  // namespace

KXAPI int KX_MODL_show_parent_curves(tag feature, int mode, int* count_a, parent_curve_entry** array_a,
                                                int* count_b, parent_curve_entry** array_b) {
    if (int st = kx::check({{count_a, 3}, {array_a, 4}, {count_b, 5}, {array_b, 6}})) return st;
    return kx::frame(km::kEditFrame, [&]() -> int {
        std::optional<Handover> a, b;
        const int st = in_mark(feature, [&]() -> int {
            const int move = move_curves_to_other_layer() ? 1 : 0;
            int na = 0, nb = 0;
            SHD_parent_curve_t* raw_a = nullptr;
            SHD_parent_curve_t* raw_b = nullptr;
            SHD_show_frec_parent_curves(feature, mode, move, 0, &na, &raw_a, &nb, &raw_b);
            const kx::host_ptr<SHD_parent_curve_t> host_a(raw_a);
            const kx::host_ptr<SHD_parent_curve_t> host_b(raw_b);
            // Array B first, then array A; the arrays that grow are made
            // before the mark goes.
            b.emplace(merged({raw_b, raw_b + nb}, *count_b, *array_b), *count_b);
            a.emplace(merged({raw_a, raw_a + na}, *count_a, *array_a), *count_a);
            return 0;
        });
        if (st != 0) return st;
        b->hand_over(count_b, array_b);
        a->hand_over(count_a, array_a);
        return 0;
    });
}

KXAPI int KX_MODL_hide_parent_curves(tag feature, int count_a, const parent_curve_entry* array_a,
                                                int count_b, parent_curve_entry** array_b) {
    if (int st = kx::check({{count_a >= 0, 2},
                            {count_a == 0 || array_a, 3},
                            {count_b >= 0, 4},
                            {count_b == 0 || !array_b || *array_b, 5}}))
        return st;
    return kx::frame(km::kEditFrame, [&]() -> int {
        std::vector<SHD_parent_curve_t> a, b;
        for (int i = 0; i < count_a; ++i) a.push_back(host_entry_of(array_a[i]));
        const bool with_b = array_b && *array_b;
        if (with_b)
            for (int i = 0; i < count_b; ++i) b.push_back(host_entry_of((*array_b)[i]));
        const int st = in_mark(feature, [&]() -> int {
            SHD_hide_frec_parent_curves(feature, 0, count_a, a.data(), with_b ? count_b : 0,
                                        with_b ? b.data() : nullptr);
            return 0;
        });
        if (st != 0 || !with_b) return st;
        // The kept entries go to the front in order; the rest are cleared
        // so that the caller finds where the kept ones end.
        int kept = 0;
        for (const SHD_parent_curve_t& e : b)
            if (e.keep) (*array_b)[kept++] = entry_of(e);
        for (int i = kept; i < count_b; ++i) (*array_b)[i] = parent_curve_entry{NULL_TAG, 0, 0, 0};
        return 0;
    });
}
