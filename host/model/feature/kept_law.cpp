// Host laws kept with a feature's model (kept_law.h).
#include "host/model/feature/kept_law.h"
#include "host/store/parts/row_fields.h"

#include <algorithm>
#include <cstdint>

#include "host/store/parts/part_file.h"

namespace host::feature {

KeptLaw keep_law(const host_law* law) {
    KeptLaw k;
    if (!law) return k;
    k.present = true;
    k.head = *law;
    k.head.positions = k.head.parameters = k.head.values = nullptr;
    k.head.expressions = nullptr;
    const int n = std::max(law->n_values, 0);
    k.positions = copy_in(std::max(law->n_position_doubles, 0), law->positions);
    k.parameters = copy_in(n, law->parameters);
    k.values = copy_in(n, law->values);
    k.expressions = copy_in(n, law->expressions);
    return k;
}

host_law* give_law(const KeptLaw& k) {
    if (!k.present) return nullptr;
    auto* law = static_cast<host_law*>(SM_alloc(sizeof(host_law)));
    *law = k.head;
    // A copy that fails half-way is released, not left behind.
    try {
        law->positions = copy_out(k.positions);
        law->parameters = copy_out(k.parameters);
        law->values = copy_out(k.values);
        law->expressions = copy_out(k.expressions);
    } catch (...) {
        free_law(law);
        throw;
    }
    return law;
}

void free_law(host_law* law) {
    if (!law) return;
    SM_free(law->positions);
    SM_free(law->parameters);
    SM_free(law->values);
    SM_free(law->expressions);
    SM_free(law);
}

namespace {

namespace pf = host::part_file;
namespace fl = host::part_file::fields;
using fl::put_object;
using fl::put_objects;
using fl::put_reals;
constexpr std::string_view kWhat = "a law";


}  // namespace

void write_kept_law(pf::Writer& out, const pf::SaveContext& ctx, const KeptLaw& law) {
    out.u8(law.present ? 1 : 0);
    if (!law.present) return;
    const host_law& h = law.head;
    out.i32(h.type);
    for (double d : {h.one, h.tolerance, h.zero, h.tolerance2, h.fine_tolerance}) out.f64(d);
    put_object(out, ctx, h.base_direction);
    out.i32(h.base_sense);
    for (double d : h.frame) out.f64(d);
    out.i32(h.n_position_doubles);
    put_reals(out, law.positions);
    put_reals(out, law.parameters);
    put_reals(out, law.values);
    out.u32(static_cast<std::uint32_t>(law.expressions.size()));
    for (unsigned int e : law.expressions) put_object(out, ctx, e);
    put_object(out, ctx, h.exp_a);
    put_object(out, ctx, h.exp_b);
}

KeptLaw read_kept_law(pf::Reader& in, const pf::LoadContext& ctx) {
    KeptLaw law;
    const std::uint8_t present = in.u8();
    if (present > 1) throw pf::FormatError("a law is neither there nor missing");
    if (!present) return law;
    law.present = true;
    host_law& h = law.head;
    h.type = in.i32();
    for (double* d : {&h.one, &h.tolerance, &h.zero, &h.tolerance2, &h.fine_tolerance}) *d = in.f64();
    h.base_direction = fl::get_object(in, ctx, kWhat);
    h.base_sense = in.i32();
    for (double& d : h.frame) d = in.f64();
    h.n_position_doubles = in.i32();
    law.positions = fl::get_reals(in, kWhat);
    law.parameters = fl::get_reals(in, kWhat);
    law.values = fl::get_reals(in, kWhat);
    law.expressions.resize(fl::get_count(in, 4, kWhat));
    for (unsigned int& e : law.expressions) e = fl::get_object(in, ctx, kWhat);
    h.exp_a = fl::get_object(in, ctx, kWhat);
    h.exp_b = fl::get_object(in, ctx, kWhat);
    if (h.n_position_doubles < 0 || static_cast<std::size_t>(h.n_position_doubles) != law.positions.size() ||
        (!law.parameters.empty() && law.parameters.size() != law.values.size()) ||
        (!law.expressions.empty() && law.expressions.size() != law.values.size()))
        throw pf::FormatError("a law has arrays of other sizes than it says");
    h.n_values = static_cast<int>(law.values.size());
    return law;
}

}  // namespace host::feature
