// The host's part-file format.
//
// A part file is a header, a sequence of tagged sections and a trailer:
//
//   header   magic "KXPART\x1a\n" (8 bytes)
//            u32 format version (kFormatVersion)
//            u32 header size (24; later versions may grow it)
//            u32 number of sections
//            u32 body size (bytes of the sections)
//   body     per section: 4-byte id, u32 payload size, payload
//   trailer  u32 CRC-32 of every byte before it
//
// Integers are little-endian; a string is a u32 length and its bytes; a real
// is the 8 bytes of its IEEE double. Objects are numbered in the file: 0 is
// the part itself, 1.. the objects of section "OBJS" in their order.
//
// Sections (a section whose writer writes nothing is left out, but "OBJS",
// which always comes first):
//   "OBJS"  the objects of the part (per object: class name, type, subtype,
//           name, entity id); written and read here, before any other
//   "PART"  units, compression flags, the file name at save (parts.cpp)
//   "REFS"  component file names (parts.cpp)
//   "ATTR"  user attributes: object number, title, type, value
//           (host/services/attributes.cpp)
//   "ENTS"  what the entity store keeps: layer, colour, font, width,
//           flags, name location, states, owner, views, members
//           (section_entities.cpp)
//   "CRVS"  the defining data of points, lines, arcs, conics and the curves
//           given to other objects (section_curves.cpp)
//   "CSYS"  the values of matrices and coordinate systems
//           (host/core/wcs.cpp)
// Each component's source file describes its payload in full. "ATTR" and
// "REFS" are left out of a save without attributes (with_attributes).
//
// A component adds a section of its own without editing this file: it
// defines a writer and a reader over SaveContext and LoadContext (objects
// go by their number in the file, see index() and tag_of()) and registers
// them under a new 4-byte id from a static initialiser (a section of one
// row per object frames its rows with write_rows and read_rows):
//
//     const bool registered =
//         (part_file::register_section({{'X', 'Y', 'Z', 'W'}, write_section, read_section}), true);
//
// Sections are written after "OBJS" in the order of registration (the order
// of static initialisation, so no section reader may rely on another having
// run before it) and read in the file's order, once every object exists.
// A section reader must take its whole payload (bytes left over make the
// file corrupt); one that reads rows should skip the fields it does not know
// at the end of a row, so that later versions can append fields. Reading
// passes over sections of ids nobody registered, so files stay readable
// when components come and go.
//
// Reading checks everything before it changes the model: magic (else
// PART_ERR_NOT_PART_FILE), version (PART_ERR_BAD_VERSION for a newer one),
// sizes and checksum (PART_ERR_CORRUPT; sizes are added in 64 bits, so no
// value wraps them). A section that fails to decode also gives
// PART_ERR_CORRUPT, and so does a part that, once all sections are read,
// holds anything the creating functions would not have made
// (host/data/part_rules.h); the model is then restored to its state before
// the read. The object table takes only known kinds of object, names of
// at most 30 characters without control characters, and entity ids from 1
// to 0xFFFFFFFD (the part's own id comes above them). Writing goes to a temporary file in the target's directory that
// is renamed over the target only when it is complete.
#ifndef HOST_DATA_PART_FILE_H
#define HOST_DATA_PART_FILE_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace host::part_file {

using tag_t = unsigned int;

inline constexpr char kMagic[8] = {'K', 'X', 'P', 'A', 'R', 'T', '\x1a', '\n'};
inline constexpr std::uint32_t kFormatVersion = 1;
inline constexpr std::uint32_t kHeaderSize = 24;

// Thrown by Reader and by section readers for content that does not decode.
struct FormatError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Writer {
public:
    void u8(std::uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
    void u32(std::uint32_t v);
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void u64(std::uint64_t v);
    void f64(double v);
    void str(std::string_view s);
    void raw(std::string_view s) { bytes_.append(s); }
    const std::string& bytes() const { return bytes_; }
    std::string& bytes() { return bytes_; }

private:
    std::string bytes_;
};

class Reader {
public:
    explicit Reader(std::string_view data) : data_(data) {}
    std::uint8_t u8();
    std::uint32_t u32();
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::uint64_t u64();
    double f64();
    std::string str();
    std::string_view raw(std::size_t n);
    bool done() const { return pos_ == data_.size(); }
    std::size_t left() const { return data_.size() - pos_; }

private:
    std::string_view data_;
    std::size_t pos_ = 0;
};

// What a section writer sees: the part and the objects written, numbered
// from 1 (index() of an object not written answers 0xFFFFFFFF).
struct SaveContext {
    tag_t part = 0;
    std::vector<tag_t> objects;
    bool with_attributes = true;
    std::uint32_t index(tag_t object) const;

private:
    // (tag, number) sorted by tag, made on the first index() call.
    mutable std::vector<std::pair<tag_t, std::uint32_t>> numbers_;
};

// What a section reader sees: the new part and the new objects by number.
struct LoadContext {
    tag_t part = 0;
    std::vector<tag_t> objects;   // objects[i - 1] is number i
    // The tag of number i (0: the part); FormatError for a bad number.
    tag_t tag_of(std::uint32_t index) const;
};

struct Section {
    char id[4];
    // Writes the payload (nothing written: the section is left out).
    void (*write)(Writer& out, const SaveContext& ctx);
    // Reads the payload; throws FormatError for bad content.
    void (*read)(Reader& in, LoadContext& ctx);
};
// Registers a section (normally from a static initialiser). A second
// registration of the same id replaces the first.
void register_section(const Section& section);

// Sections of rows, one per object: u32 row count, then per row u32 object
// number and the row as a string (u32 size and bytes), so that a reader
// can pass over the fields at the end of a row that it does not know.
//
// Writes a row for each of `objects` for which write_row writes something;
// writes nothing at all (the section is left out) when there is no row.
void write_rows(Writer& out, const SaveContext& ctx, const std::vector<tag_t>& objects,
                const std::function<void(Writer& row, tag_t object)>& write_row);
// Reads the rows, handing each to read_row with its object. Throws
// FormatError for a count the payload cannot hold (a row takes at least
// min_row bytes with its number and size), a bad or repeated object number,
// or a row for the part itself unless part_row. `what` names the rows in
// the messages. Nothing is stored here: a section reader that must apply
// all rows or none collects them and stores them after the last.
struct RowRules {
    const char* what;
    std::size_t min_row;
    bool part_row;
};
void read_rows(Reader& in, const LoadContext& ctx, const RowRules& rules,
               const std::function<void(tag_t object, Reader& row)>& read_row);

// The decoded file before it is applied.
struct Image {
    std::uint32_t version = 0;
    std::vector<std::pair<std::string, std::string>> sections;  // id, payload
};

// Checks and splits file bytes; answers 0 or a PART_ERR_ code.
int decode(std::string_view bytes, Image& image);
// Builds the bytes of a part file for the part and the given objects (all
// live objects of the part when `objects` is null).
std::string encode(tag_t part, const std::vector<tag_t>* objects, bool with_attributes);

// Reads a whole file: 0 or PART_ERR_FILE_NOT_FOUND, PART_ERR_NOT_PART_FILE
// (a directory or foreign file), PART_ERR_READ.
int read_file(const std::string& path, std::string& bytes);
// Writes a whole file through a temporary file and a rename: 0 or
// PART_ERR_WRITE (also for a target marked read-only or a directory).
int write_file(const std::string& path, std::string_view bytes);

// Applies a decoded image: creates the part under `file` with its objects
// and runs the section readers. Answers the new part, or 0 with *code set
// (the model is then as it was before).
tag_t apply(const Image& image, const std::string& file, int* code);

std::uint32_t crc32(std::string_view bytes);

}  // namespace host::part_file

#endif
