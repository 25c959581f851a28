// Fields that the part-file rows of many components share: objects by
// their number in the file, lists of objects and of reals behind a count.
// An object that is 0 or was not written with the part goes out as
// kNotSaved and reads back as 0. The readers throw part_file::FormatError,
// naming the row's owner (`what`, e.g. "a bead"), for an object number 0
// (the part itself) and for a count larger than what is left of the row.
#ifndef HOST_DATA_ROW_FIELDS_H
#define HOST_DATA_ROW_FIELDS_H

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "host/store/parts/part_file.h"

namespace host::part_file::fields {

inline constexpr std::uint32_t kNotSaved = 0xFFFFFFFFu;

void put_object(Writer& out, const SaveContext& ctx, unsigned int object);
void put_objects(Writer& out, const SaveContext& ctx, const std::vector<unsigned int>& objects);
void put_reals(Writer& out, const std::vector<double>& values);

unsigned int get_object(Reader& in, const LoadContext& ctx, std::string_view what);
// A count of items of `each` bytes that the rest of the row can hold.
std::uint32_t get_count(Reader& in, std::size_t each, std::string_view what);
std::vector<unsigned int> get_objects(Reader& in, const LoadContext& ctx, std::string_view what);
std::vector<double> get_reals(Reader& in, std::string_view what);

}  // namespace host::part_file::fields

#endif
