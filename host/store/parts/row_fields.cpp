#include "host/store/parts/row_fields.h"

#include <string>

namespace host::part_file::fields {

void put_object(Writer& out, const SaveContext& ctx, unsigned int object) {
    out.u32(object == 0 ? kNotSaved : ctx.index(object));
}

void put_objects(Writer& out, const SaveContext& ctx, const std::vector<unsigned int>& objects) {
    out.u32(static_cast<std::uint32_t>(objects.size()));
    for (unsigned int o : objects) put_object(out, ctx, o);
}

void put_reals(Writer& out, const std::vector<double>& values) {
    out.u32(static_cast<std::uint32_t>(values.size()));
    for (double d : values) out.f64(d);
}

unsigned int get_object(Reader& in, const LoadContext& ctx, std::string_view what) {
    const std::uint32_t n = in.u32();
    if (n == kNotSaved) return 0;
    if (n == 0) throw FormatError(std::string(what) + " names the part as an object");
    return ctx.tag_of(n);
}

std::uint32_t get_count(Reader& in, std::size_t each, std::string_view what) {
    const std::uint32_t n = in.u32();
    if (n > in.left() / each) throw FormatError(std::string(what) + "'s count beyond its row");
    return n;
}

std::vector<unsigned int> get_objects(Reader& in, const LoadContext& ctx, std::string_view what) {
    std::vector<unsigned int> out(get_count(in, 4, what));
    for (unsigned int& o : out) o = get_object(in, ctx, what);
    return out;
}

std::vector<double> get_reals(Reader& in, std::string_view what) {
    std::vector<double> out(get_count(in, 8, what));
    for (double& d : out) d = in.f64();
    return out;
}

}  // namespace host::part_file::fields
