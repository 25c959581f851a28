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
//           (host/store/attributes/attributes.cpp)
//   "ENTS"  what the entity store keeps: layer, colour, font, width,
//           flags, name location, states, owner, views, members
//           (section_entities.cpp)
//   "CRVS"  the defining data of points, lines, arcs, conics and the curves
//           given to other objects (section_curves.cpp)
//   "CSYS"  the values of matrices and coordinate systems
//           (host/store/entities/wcs.cpp)
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
// (host/store/parts/part_rules.h); the model is then restored to its state before
// the read. The object table takes only known kinds of object, names of
// at most 30 characters without control characters, and entity ids from 1
// to 0xFFFFFFFD (the part's own id comes above them).
//
// The kinds of object a file keeps are one list (part_rules::kinds()), the
// same for writing and reading: a part (or a choice of its objects) that
// holds an object of another kind, or one with a name the reader would
// refuse, is not written at all (PART_ERR_UNKEPT_OBJECT), so that no file
// is ever saved that could not be opened again. Writing goes to a
// temporary file in the target's directory that is renamed over the
// target only when it is complete: a save that fails on the way (a host
// error in a section's writer, a full disk) leaves the target as it was
// and no temporary file behind.
#ifndef HOST_DATA_PART_FILE_H
#define HOST_DATA_PART_FILE_H

#include <cstddef>
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
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

// Bytes are appended to one buffer (reserve it when the size is known);
// a frame whose size comes after its contents is written with a
// placeholder that patch_u32 fills in. The buffer grows ahead of the bytes
// written, so that an append is a copy into room already there; room is
// not cleared before it is written.
//
// A writer made over a sink (a part file being written, see write_part)
// passes its bytes on whenever a row ends and the buffer holds more than
// kSendAt: a part of any size goes through a buffer of about that size.
// Positions (size(), patch_u32, cut) count every byte written, those
// passed on included; a patch of bytes passed on goes after them into the
// file. cut() never reaches back into bytes passed on (rows are passed on
// whole, and a row or section that stays empty never ended a row).
class WriterSink;
class Writer {
public:
    static constexpr std::size_t kSendAt = std::size_t{1} << 20;
    Writer() = default;
    explicit Writer(WriterSink* sink) : sink_(sink) {}
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    void u8(std::uint8_t v) { *room(1) = static_cast<char>(v); }
    void u32(std::uint32_t v) { put_le32(room(4), v); }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void u64(std::uint64_t v) {
        char* at = room(8);
        put_le32(at, static_cast<std::uint32_t>(v));
        put_le32(at + 4, static_cast<std::uint32_t>(v >> 32));
    }
    void f64(double v) { u64(std::bit_cast<std::uint64_t>(v)); }
    void str(std::string_view s) {
        u32(static_cast<std::uint32_t>(s.size()));
        raw(s);
    }
    void raw(std::string_view s) {
        if (!s.empty()) std::memcpy(room(s.size()), s.data(), s.size());
    }
    std::size_t size() const { return sent_ + size_; }
    // Overwrites the u32 written at byte `at`.
    void patch_u32(std::size_t at, std::uint32_t v) {
        if (at >= sent_) put_le32(data_.get() + (at - sent_), v);
        else patch_sent(at, v);
    }
    // Drops what was written from byte `at` on.
    void cut(std::size_t at);
    void reserve(std::size_t n) {
        if (sink_) n = std::min(n, 2 * kSendAt);
        if (n > capacity_) resize_room(n);
    }
    // Passes the bytes on when the buffer is full enough (a row ended).
    void row_ended() {
        if (sink_ && size_ >= kSendAt) send();
    }
    // Passes every byte held on (the end of the file).
    void send_all() {
        if (sink_ && size_ > 0) send();
    }
    // CRC-32 of every byte written, as patched.
    std::uint32_t checksum() const;
    // The bytes held (all bytes written, when there is no sink).
    std::string_view view() const { return std::string_view(data_.get(), size_); }
    // The bytes written (a copy, valid until the next call).
    const std::string& bytes() const {
        copy_.assign(data_.get(), size_);
        return copy_;
    }
    // The bytes written, taken out (the writer is empty after).
    std::string take() {
        std::string out(view());
        size_ = 0;
        return out;
    }

private:
    static void put_le32(char* at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) at[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    char* room(std::size_t n) {
        if (capacity_ - size_ < n) grow(n);
        char* at = data_.get() + size_;
        size_ += n;
        return at;
    }
    void grow(std::size_t n);
    void resize_room(std::size_t n);
    void send();
    void patch_sent(std::size_t at, std::uint32_t v);
    std::unique_ptr<char[]> data_;  // capacity_ bytes, of which the first size_ are held
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
    std::size_t sent_ = 0;  // bytes passed on to the sink before data_[0]
    WriterSink* sink_ = nullptr;
    mutable std::string copy_;
};

class Reader {
public:
    explicit Reader(std::string_view data) : data_(data) {}
    std::uint8_t u8() { return static_cast<std::uint8_t>(*take(1)); }
    std::uint32_t u32() { return le32(take(4)); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::uint64_t u64() {
        const char* at = take(8);
        return static_cast<std::uint64_t>(le32(at)) | static_cast<std::uint64_t>(le32(at + 4)) << 32;
    }
    double f64() { return std::bit_cast<double>(u64()); }
    std::string str();
    std::string_view raw(std::size_t n) { return std::string_view(take(n), n); }
    bool done() const { return pos_ == data_.size(); }
    std::size_t left() const { return data_.size() - pos_; }

private:
    static std::uint32_t le32(const char* at) {
        const auto* b = reinterpret_cast<const unsigned char*>(at);
        return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
               static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    }
    const char* take(std::size_t n) {
        if (n > left()) ends_early();
        const char* at = data_.data() + pos_;
        pos_ += n;
        return at;
    }
    [[noreturn]] static void ends_early();
    std::string_view data_;
    std::size_t pos_ = 0;
};

// What a section writer sees: the part and the objects written, numbered
// from 1 (index() of an object not written answers kNotWritten). A save
// may hold only some objects of the part (an export): a section names no
// object that is not written, and says nothing of it.
struct SaveContext {
    static constexpr std::uint32_t kNotWritten = 0xFFFFFFFFu;
    tag_t part = 0;
    std::vector<tag_t> objects;
    bool objects_unique = false;  // no object given twice: numbers are places
    bool with_attributes = true;
    std::uint32_t index(tag_t object) const;
    // Whether the object is written (the part always is).
    bool written(tag_t object) const { return index(object) != kNotWritten; }
    // The number of objects[i]: its place, unless the object was given
    // before (then its first number, as index() answers).
    std::uint32_t number_in_order(std::size_t i) const;

private:
    // (tag, number) sorted by tag, made on the first index() call.
    mutable std::vector<std::pair<tag_t, std::uint32_t>> numbers_;
};

// What a section reader sees: the new part and the new objects by number.
struct LoadContext {
    tag_t part = 0;
    std::vector<tag_t> objects;  // objects[i - 1] is number i
    // The tag of number i (0: the part); FormatError for a bad number.
    tag_t tag_of(std::uint32_t index) const;
    // Checks that need what other sections read (a row for a feature of a
    // kind, whose record comes in section "FEAT", which may come later):
    // each answers null, or the rule that the part breaks, in words; they
    // are asked once every section is read, and a rule broken makes the
    // file corrupt.
    void after_sections(std::function<const char*()> check) { checks.push_back(std::move(check)); }
    std::vector<std::function<const char*()>> checks;
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
// True for the id of a registered section, and for "OBJS".
bool section_registered(std::string_view id);

// Thrown by encode for an object that the file cannot keep (see above);
// write_part answers PART_ERR_UNKEPT_OBJECT before it writes.
struct UnkeptObject : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// Null when the file can keep every one of the objects (all live objects
// of the part when `objects` is null), else what it cannot keep, in words.
const char* unkept_object(tag_t part, const std::vector<tag_t>* objects);

// Sections of rows, one per object: u32 row count, then per row u32 object
// number and the row as a string (u32 size and bytes), so that a reader
// can pass over the fields at the end of a row that it does not know.
//
// Writes a row for each of `objects` that is written with the part and for
// which write_row(out, object) writes something (it appends the row to
// `out`); writes nothing at all (the section is left out) when there is no
// row.
namespace rows_detail {
// Frames of write_rows: the count's place, then per row its number and
// the size's place; a row that stays empty is taken back.
std::size_t begin_rows(Writer& out);
std::size_t begin_row(Writer& out, std::uint32_t number);
bool end_row(Writer& out, std::size_t at);
void end_rows(Writer& out, std::size_t at, std::uint32_t count);
template <class NumberAndTag, class WriteRow>
void write_numbered_rows(Writer& out, std::size_t n, NumberAndTag&& number_and_tag, WriteRow&& write_row) {
    const std::size_t start = rows_detail::begin_rows(out);
    std::uint32_t count = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::pair<std::uint32_t, tag_t> row = number_and_tag(i);
        if (row.first == SaveContext::kNotWritten) continue;  // an object left out of the file
        const std::size_t at = rows_detail::begin_row(out, row.first);
        write_row(out, row.second);
        if (rows_detail::end_row(out, at)) ++count;
    }
    rows_detail::end_rows(out, start, count);
}
}  // namespace rows_detail
template <class WriteRow>
void write_rows(Writer& out, const SaveContext& ctx, const std::vector<tag_t>& objects, WriteRow&& write_row) {
    rows_detail::write_numbered_rows(
        out, objects.size(), [&](std::size_t i) { return std::make_pair(ctx.index(objects[i]), objects[i]); },
        write_row);
}
// The same for the objects of the context in their order, the part (number
// 0) first when with_part: numbered by their place, without lookups.
template <class WriteRow>
void write_object_rows(Writer& out, const SaveContext& ctx, bool with_part, WriteRow&& write_row) {
    const std::size_t first = with_part ? 1 : 0;
    rows_detail::write_numbered_rows(
        out, ctx.objects.size() + first,
        [&](std::size_t i) {
            if (i < first) return std::make_pair(std::uint32_t{0}, ctx.part);
            return std::make_pair(ctx.number_in_order(i - first), ctx.objects[i - first]);
        },
        write_row);
}
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
class RowCursor {
public:
    RowCursor(Reader& in, const LoadContext& ctx, const RowRules& rules);
    std::uint32_t count() const { return count_; }
    // The next row's object; `row` reads its bytes.
    tag_t next(Reader& row);

private:
    Reader& in_;
    const LoadContext& ctx_;
    const RowRules& rules_;
    std::uint32_t count_;
    std::vector<bool> seen_;
};
template <class ReadRow>
void read_rows(Reader& in, const LoadContext& ctx, const RowRules& rules, ReadRow&& read_row) {
    RowCursor rows(in, ctx, rules);
    for (std::uint32_t i = 0; i < rows.count(); ++i) {
        Reader row({});
        const tag_t t = rows.next(row);
        read_row(t, row);
    }
}

// The decoded file before it is applied.
struct Image {
    std::uint32_t version = 0;
    std::vector<std::pair<std::string, std::string>> sections;  // id, payload
};
// The same read from a file in one piece: the file's bytes, and the
// sections as views into them (no payload is copied).
struct FileImage {
    std::uint32_t version = 0;
    std::vector<std::pair<std::string_view, std::string_view>> sections;  // id, payload
    std::shared_ptr<const char> bytes;
};

// Checks and splits file bytes; answers 0 or a PART_ERR_ code.
int decode(std::string_view bytes, Image& image);
// Builds the bytes of a part file for the part and the given objects (all
// live objects of the part when `objects` is null); UnkeptObject for an
// object the file cannot keep.
std::string encode(tag_t part, const std::vector<tag_t>* objects, bool with_attributes);
// The same into `out` (which should be empty), without a copy of the bytes.
void encode(Writer& out, tag_t part, const std::vector<tag_t>* objects, bool with_attributes);

// Reads a whole file: 0 or PART_ERR_FILE_NOT_FOUND, PART_ERR_NOT_PART_FILE
// (a directory or foreign file), PART_ERR_READ.
int read_file(const std::string& path, std::string& bytes);
// Reads and decodes a file as read_file and decode do, with the same
// answers, reading the sections straight into the image.
int load(const std::string& path, Image& image);
int load(const std::string& path, FileImage& image);
// Writes a whole file through a temporary file and a rename: 0 or
// PART_ERR_WRITE (also for a target marked read-only or a directory).
int write_file(const std::string& path, std::string_view bytes);
// Writes the part file of the part and the given objects (as encode makes
// it) to `path` as write_file does, without holding the whole file in
// memory; the same answers, and PART_ERR_UNKEPT_OBJECT (nothing written)
// for an object the file cannot keep.
int write_part(const std::string& path, tag_t part, const std::vector<tag_t>* objects, bool with_attributes);
// The seconds that the last write_file spent making the file durable
// (fsync) before the rename; for measurements.
double last_sync_seconds();

// Applies a decoded image: creates the part under `file` with its objects
// and runs the section readers. Answers the new part, or 0 with *code set
// (the model is then as it was before).
tag_t apply(const Image& image, const std::string& file, int* code);
tag_t apply(const FileImage& image, const std::string& file, int* code);

std::uint32_t crc32(std::string_view bytes);

}  // namespace host::part_file

#endif
