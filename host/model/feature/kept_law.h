// Host laws kept with a feature's model: a law record taken by value, its
// arrays in vectors, so that the feature's row journals with the model and
// hands out fresh SM_alloc copies. Inside of the host only (C++).
#ifndef HOST_FEATURE_KEPT_LAW_H
#define HOST_FEATURE_KEPT_LAW_H

#include <cstring>
#include <vector>

#include "host/model/feature/profiles.h"
#include "host/base/services/memory.h"

namespace host::part_file {
class Writer;
class Reader;
struct SaveContext;
struct LoadContext;
}  // namespace host::part_file

namespace host::feature {

// The n items as a vector (empty for none).
template <class T>
std::vector<T> copy_in(int n, const T* items) {
    if (n <= 0 || !items) return {};
    return std::vector<T>(items, items + n);
}

// A new SM_alloc array of the items (null for none).
template <class T>
T* copy_out(const std::vector<T>& v) {
    if (v.empty()) return nullptr;
    auto* out = static_cast<T*>(SM_alloc(v.size() * sizeof(T)));
    std::memcpy(out, v.data(), v.size() * sizeof(T));
    return out;
}

// A host law kept by value: its record with the arrays taken out.
struct KeptLaw {
    bool present = false;
    host_law head{};
    std::vector<double> positions, parameters, values;
    std::vector<unsigned int> expressions;
};

// The law as kept (nothing for null) and a new SM_alloc law of a kept one
// (null when none is kept); free_law releases such a law with its arrays.
KeptLaw keep_law(const host_law* law);
host_law* give_law(const KeptLaw& kept);
void free_law(host_law* law);

// A kept law in a part-file row: u8 present; when present i32 type, 5 x f64
// (one, tolerance, zero, tolerance2, fine tolerance), u32 base direction,
// i32 base sense, 6 x f64 frame, i32 position doubles, 3 x (u32 count +
// f64) positions, parameters and values, u32 count + u32 expression
// numbers, u32 exp_a, u32 exp_b. Objects go by their number in the file
// (0xFFFFFFFF: none, or one not saved with the part, read back as 0); the
// law's spine and law curve are not saved. read_kept_law throws
// part_file::FormatError for a law whose arrays do not agree.
void write_kept_law(part_file::Writer& out, const part_file::SaveContext& ctx, const KeptLaw& law);
KeptLaw read_kept_law(part_file::Reader& in, const part_file::LoadContext& ctx);

}  // namespace host::feature

#endif
