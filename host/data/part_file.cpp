// The part-file format: encoding, decoding, and safe file reading and writing.
#include "host/data/part_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unordered_map>

#include <zlib.h>

#include "host/data/part_rules.h"
#include "host/data/parts.h"
#include "host/model.h"
#include "host/services/error.h"
#include "host/services/objects.h"

namespace host::part_file {
namespace {

std::vector<Section>& sections() {
    static std::vector<Section> list;
    return list;
}

std::string_view id_of(const Section& s) { return std::string_view(s.id, 4); }

constexpr char kObjectsId[4] = {'O', 'B', 'J', 'S'};
constexpr std::uint32_t kNoIndex = 0xFFFFFFFFu;
constexpr std::uint32_t kMaxSections = 1u << 16;

std::uint32_t get_le32(std::string_view in, std::size_t at) {
    const auto* b = reinterpret_cast<const unsigned char*>(in.data() + at);
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

// Class names by class, asked of the object service once per class met.
class ClassNames {
public:
    const std::string& of(OM_class_t cls) {
        const auto i = static_cast<std::size_t>(cls);
        if (i >= names_.size()) names_.resize(i + 1);
        if (!names_[i]) {
            const char* name = OM_ask_class_name(cls);
            names_[i] = std::string(name ? name : "");
        }
        return *names_[i];
    }

private:
    std::vector<std::optional<std::string>> names_;
};

// Classes by name, asked of the object service once per name met.
class ClassesByName {
public:
    OM_class_t of(std::string_view name) {
        for (const auto& [n, cls] : known_)
            if (n == name) return cls;
        const OM_class_t cls =
            name.find('\0') == std::string_view::npos ? OM_ask_class_of_name(std::string(name).c_str()) : 0;
        known_.emplace_back(std::string(name), cls);
        return cls;
    }

private:
    std::vector<std::pair<std::string, OM_class_t>> known_;
};

void write_objects(Writer& out, const SaveContext& ctx) {
    out.u32(static_cast<std::uint32_t>(ctx.objects.size()));
    ClassNames classes;
    for (tag_t t : ctx.objects) {
        const objects::Object& o = objects::require(t);
        out.str(classes.of(o.cls));
        out.i32(o.type);
        out.i32(o.subtype);
        out.str(o.name);
        out.u32(o.eid);
    }
}

// Decodes the object table; apply creates the objects from it.
void read_objects(Reader& in, std::vector<objects::KeptObject>& out) {
    const std::uint32_t n = in.u32();
    if (n > in.left() / 20) throw FormatError("object count beyond the section");
    out.reserve(out.size() + n);
    ClassesByName classes;
    for (std::uint32_t i = 0; i < n; ++i) {
        const OM_class_t cls = classes.of(in.raw(in.u32()));
        if (cls == 0 || cls == OM_CLASS_PART) throw FormatError("unknown object class");
        objects::KeptObject k;
        k.spec.cls = cls;
        k.spec.type = in.i32();
        k.spec.subtype = in.i32();
        if (!part_rules::known_kind(cls, k.spec.type, k.spec.subtype)) throw FormatError("unknown kind of object");
        k.spec.name = in.str();
        if (!part_rules::valid_name(k.spec.name)) throw FormatError("bad object name");
        k.eid = in.u32();
        // The part takes an id above all of its objects', below the reserved one.
        if (k.eid == 0 || k.eid >= part_rules::kReservedEid - 1) throw FormatError("bad entity id");
        out.push_back(std::move(k));
    }
}

}  // namespace

// ---- Writer and Reader --------------------------------------------------------

void Writer::grow(std::size_t n) { buffer_.resize(std::max(size_ + n, 2 * buffer_.size() + 64)); }

void Reader::ends_early() { throw FormatError("data ends early"); }
std::string Reader::str() {
    const std::uint32_t n = u32();
    return std::string(raw(n));
}

std::uint32_t SaveContext::index(tag_t object) const {
    if (object == part) return 0;
    // A search through the objects for every number asked would make a save
    // quadratic: the numbers are looked up in a table sorted by tag.
    if (numbers_.size() != objects.size()) {
        numbers_.clear();
        numbers_.reserve(objects.size());
        for (std::size_t i = 0; i < objects.size(); ++i)
            numbers_.emplace_back(objects[i], static_cast<std::uint32_t>(i + 1));
        std::sort(numbers_.begin(), numbers_.end());  // a tag given twice keeps its first number
    }
    auto it = std::lower_bound(numbers_.begin(), numbers_.end(), std::make_pair(object, std::uint32_t{0}));
    return it != numbers_.end() && it->first == object ? it->second : kNoIndex;
}

std::uint32_t SaveContext::number_in_order(std::size_t i) const {
    return objects_unique ? static_cast<std::uint32_t>(i + 1) : index(objects[i]);
}

tag_t LoadContext::tag_of(std::uint32_t index) const {
    if (index == 0) return part;
    if (index > objects.size()) throw FormatError("object number out of range");
    return objects[index - 1];
}

void register_section(const Section& section) {
    for (Section& s : sections())
        if (id_of(s) == id_of(section)) {
            s = section;
            return;
        }
    sections().push_back(section);
}

namespace rows_detail {

std::size_t begin_rows(Writer& out) {
    const std::size_t at = out.size();
    out.u32(0);
    return at;
}
std::size_t begin_row(Writer& out, std::uint32_t number) {
    out.u32(number);
    const std::size_t at = out.size();
    out.u32(0);
    return at;
}
bool end_row(Writer& out, std::size_t at) {
    const std::size_t size = out.size() - at - 4;
    if (size == 0) {
        out.cut(at - 4);  // nothing to say about the object: no row
        return false;
    }
    out.patch_u32(at, static_cast<std::uint32_t>(size));
    return true;
}
void end_rows(Writer& out, std::size_t at, std::uint32_t count) {
    if (count == 0) out.cut(at);
    else out.patch_u32(at, count);
}

}  // namespace rows_detail

RowCursor::RowCursor(Reader& in, const LoadContext& ctx, const RowRules& rules)
    : in_(in), ctx_(ctx), rules_(rules), count_(in.u32()) {
    if (count_ > in.left() / rules.min_row) throw FormatError(std::string(rules.what) + " count beyond the section");
    seen_.assign(ctx.objects.size() + 1, false);
}

tag_t RowCursor::next(Reader& row) {
    const std::uint32_t index = in_.u32();
    if (index == 0 && !rules_.part_row) throw FormatError(std::string(rules_.what) + " for the part");
    const tag_t t = ctx_.tag_of(index);
    if (seen_[index]) throw FormatError(std::string(rules_.what) + " given twice");
    seen_[index] = true;
    row = Reader(in_.raw(in_.u32()));
    return t;
}

// ---- Checksum -------------------------------------------------------------------

std::uint32_t crc32(std::string_view bytes) {
    // zlib's CRC-32 (the reflected polynomial 0xEDB88320), fed in pieces
    // that its length type holds.
    uLong c = ::crc32(0L, Z_NULL, 0);
    const auto* p = reinterpret_cast<const Bytef*>(bytes.data());
    for (std::size_t left = bytes.size(); left > 0;) {
        const auto n = static_cast<uInt>(std::min<std::size_t>(left, 1u << 30));
        c = ::crc32(c, p, n);
        p += n;
        left -= n;
    }
    return static_cast<std::uint32_t>(c);
}

// ---- Encoding and decoding ---------------------------------------------------------

std::string encode(tag_t part, const std::vector<tag_t>* only, bool with_attributes) {
    SaveContext ctx;
    ctx.part = part;
    ctx.with_attributes = with_attributes;
    if (only) {
        ctx.objects = *only;
    } else {
        for (tag_t t : objects::objects_of_part(part))
            if (objects::find(t)->cls != OM_CLASS_PART) ctx.objects.push_back(t);
        ctx.objects_unique = true;
    }

    // Everything goes into one buffer: the header with its counts left
    // open, the sections each framed as it is written, the checksum.
    Writer out;
    out.reserve(1024 + 160 * ctx.objects.size());
    out.raw(std::string_view(kMagic, sizeof kMagic));
    out.u32(kFormatVersion);
    out.u32(kHeaderSize);
    const std::size_t count_at = out.size();
    out.u32(0);
    out.u32(0);
    std::uint32_t count = 0;
    auto section = [&](std::string_view id, auto&& fill) {
        const std::size_t at = out.size();
        out.raw(id);
        out.u32(0);
        fill(out);
        const std::size_t size = out.size() - at - 8;
        if (size == 0 && id != std::string_view(kObjectsId, 4)) {
            out.cut(at);
            return;
        }
        out.patch_u32(at + 4, static_cast<std::uint32_t>(size));
        ++count;
    };
    section(std::string_view(kObjectsId, 4), [&](Writer& w) { write_objects(w, ctx); });
    for (const Section& s : sections()) section(id_of(s), [&](Writer& w) { s.write(w, ctx); });
    out.patch_u32(count_at, count);
    out.patch_u32(count_at + 4, static_cast<std::uint32_t>(out.size() - kHeaderSize));
    out.u32(crc32(out.view()));
    return out.take();
}

int decode(std::string_view bytes, Image& image) {
    image = Image{};
    const std::size_t magic_len = sizeof kMagic;
    const std::string_view magic(kMagic, magic_len);
    // A file that starts like a part file but ends early is damaged; one
    // that starts differently is another kind of file.
    if (bytes.size() < magic_len)
        return magic.substr(0, bytes.size()) == bytes && !bytes.empty() ? PART_ERR_CORRUPT : PART_ERR_NOT_PART_FILE;
    if (bytes.substr(0, magic_len) != magic) return PART_ERR_NOT_PART_FILE;
    if (bytes.size() < magic_len + 8) return PART_ERR_CORRUPT;
    const std::uint32_t version = get_le32(bytes, magic_len);
    if (version == 0) return PART_ERR_CORRUPT;
    if (version > kFormatVersion) return PART_ERR_BAD_VERSION;
    // Sizes are added in 64 bits, so that no value of the file wraps them.
    const std::uint64_t header_size = get_le32(bytes, magic_len + 4);
    if (header_size < kHeaderSize || bytes.size() < header_size + 4) return PART_ERR_CORRUPT;
    const std::uint32_t n_sections = get_le32(bytes, magic_len + 8);
    const std::uint32_t body_size = get_le32(bytes, magic_len + 12);
    if (header_size + body_size + 4 != bytes.size()) return PART_ERR_CORRUPT;
    const std::string_view content = bytes.substr(0, bytes.size() - 4);
    if (crc32(content) != get_le32(bytes, bytes.size() - 4)) return PART_ERR_CORRUPT;
    if (n_sections > kMaxSections) return PART_ERR_CORRUPT;

    try {
        Reader body(content.substr(header_size));
        for (std::uint32_t i = 0; i < n_sections; ++i) {
            std::string id(body.raw(4));
            const std::uint32_t size = body.u32();
            image.sections.emplace_back(std::move(id), std::string(body.raw(size)));
        }
        if (!body.done()) return PART_ERR_CORRUPT;
    } catch (const FormatError&) {
        return PART_ERR_CORRUPT;
    }
    bool has_objects = false;
    for (const auto& s : image.sections)
        if (s.first == std::string_view(kObjectsId, 4)) has_objects = true;
    if (!has_objects) return PART_ERR_CORRUPT;
    image.version = version;
    return 0;
}

tag_t apply(const Image& image, const std::string& file, int* code) {
    *code = 0;
    const ModelSnapshot before = snapshot_model();
    // Host checks refuse bad values inside sections by raising; a frame of
    // our own turns that into PART_ERR_CORRUPT whatever the caller armed
    // (nothing at all, or a user's jump buffer that would skip the restore).
    const int frame = host::arm_library_frame();
    try {
        std::vector<objects::KeptObject> kept;
        for (const auto& [id, payload] : image.sections)
            if (id == std::string_view(kObjectsId, 4)) {
                Reader in(payload);
                read_objects(in, kept);
                if (!in.done()) throw FormatError("extra bytes after the objects");
            }
        // The objects keep their saved entity ids (handles name them by
        // these); the part takes a new one above all of them, and the
        // store's counter moves past them so that later objects never reuse
        // one. Two objects with one id make the file unusable.
        std::uint32_t top = 0;
        for (const objects::KeptObject& k : kept) top = std::max(top, k.eid);
        objects::reserve_eids(top);
        LoadContext ctx;
        ctx.part = objects::create_part(file);
        for (objects::KeptObject& k : kept) k.spec.part = ctx.part;
        ctx.objects = objects::create_with_eids(kept);
        for (const auto& [id, payload] : image.sections) {
            if (id == std::string_view(kObjectsId, 4)) continue;
            for (const Section& s : sections())
                if (id_of(s) == id) {
                    Reader in(payload);
                    s.read(in, ctx);
                    if (!in.done()) throw FormatError("extra bytes after section " + id);
                }
        }
        // The part must be one that the creating functions could have made.
        if (const char* rule = part_rules::broken_rule(ctx.part)) throw FormatError(rule);
        ERROR_cancel_handler(frame);
        return ctx.part;
    } catch (const FormatError&) {
        ERROR_cancel_handler(frame);
        *code = PART_ERR_CORRUPT;
    } catch (const HostError&) {
        // A host check refused the content (a bad value inside a section);
        // the raise consumed the frame.
        *code = PART_ERR_CORRUPT;
    }
    restore_model(before);
    return 0;
}

// ---- Files ------------------------------------------------------------------------

int read_file(const std::string& path, std::string& bytes) {
    bytes.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? PART_ERR_FILE_NOT_FOUND : PART_ERR_READ;
    if (!S_ISREG(st.st_mode)) return PART_ERR_NOT_PART_FILE;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return PART_ERR_READ;
    // One read of the size stat gave; the file may have changed since, so
    // whatever follows is read on as it comes.
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    bytes.resize(got);
    char buffer[1 << 14];
    std::size_t n;
    while (got == static_cast<std::size_t>(st.st_size) && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    return failed ? PART_ERR_READ : 0;
}

namespace {

// Reads a file of the usual shape (header of this version's size, sizes
// that add up to the file's) section by section straight into the image,
// with the checksum taken on the way: no copy of the whole file is made.
// Answers -1 when the file is of another shape (decode then judges it).
int load_sections(std::FILE* f, std::uint64_t file_size, Image& image) {
    char head[kHeaderSize];
    if (file_size < kHeaderSize + 4 || std::fread(head, 1, sizeof head, f) != sizeof head) return -1;
    const std::string_view h(head, sizeof head);
    if (h.substr(0, sizeof kMagic) != std::string_view(kMagic, sizeof kMagic)) return -1;
    const std::uint32_t version = get_le32(h, 8);
    if (version == 0 || version > kFormatVersion || get_le32(h, 12) != kHeaderSize) return -1;
    const std::uint32_t n_sections = get_le32(h, 16);
    const std::uint64_t body_size = get_le32(h, 20);
    if (kHeaderSize + body_size + 4 != file_size) return -1;
    // From here every fault of the content is PART_ERR_CORRUPT, as decode
    // answers whatever it finds first.
    uLong crc = ::crc32(::crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(head), sizeof head);
    auto take = [&](char* to, std::size_t n) {
        if (std::fread(to, 1, n, f) != n) return false;
        for (std::size_t done = 0; done < n;) {
            const auto step = static_cast<uInt>(std::min<std::size_t>(n - done, 1u << 30));
            crc = ::crc32(crc, reinterpret_cast<const Bytef*>(to + done), step);
            done += step;
        }
        return true;
    };
    if (n_sections > kMaxSections) return PART_ERR_CORRUPT;
    std::uint64_t left = body_size;
    for (std::uint32_t i = 0; i < n_sections; ++i) {
        char frame[8];
        if (left < sizeof frame || !take(frame, sizeof frame)) return PART_ERR_CORRUPT;
        left -= sizeof frame;
        const std::uint32_t size = get_le32(std::string_view(frame, sizeof frame), 4);
        if (size > left) return PART_ERR_CORRUPT;
        std::string payload(size, '\0');
        if (!take(payload.data(), size)) return PART_ERR_CORRUPT;
        left -= size;
        image.sections.emplace_back(std::string(frame, 4), std::move(payload));
    }
    char tail[4];
    if (left != 0 || std::fread(tail, 1, sizeof tail, f) != sizeof tail) return PART_ERR_CORRUPT;
    if (static_cast<std::uint32_t>(crc) != get_le32(std::string_view(tail, sizeof tail), 0)) return PART_ERR_CORRUPT;
    if (std::fgetc(f) != EOF) return PART_ERR_CORRUPT;  // the file grew: its sizes no longer add up
    bool has_objects = false;
    for (const auto& s : image.sections)
        if (s.first == std::string_view(kObjectsId, 4)) has_objects = true;
    if (!has_objects) return PART_ERR_CORRUPT;
    image.version = version;
    return 0;
}

}  // namespace

int load(const std::string& path, Image& image) {
    image = Image{};
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? PART_ERR_FILE_NOT_FOUND : PART_ERR_READ;
    if (!S_ISREG(st.st_mode)) return PART_ERR_NOT_PART_FILE;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return PART_ERR_READ;
    int code = load_sections(f, static_cast<std::uint64_t>(st.st_size), image);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        image = Image{};
        return PART_ERR_READ;
    }
    if (code == 0) return 0;
    image = Image{};
    if (code > 0) return code;
    // Another shape: the whole file is read and judged.
    std::string bytes;
    if ((code = read_file(path, bytes)) != 0) return code;
    return decode(bytes, image);
}

int write_file(const std::string& path, std::string_view bytes) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        // An existing target must be a regular file that is not marked
        // read-only (checked on the mode bits, so that it also holds for a
        // privileged user).
        if (!S_ISREG(st.st_mode) || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return PART_ERR_WRITE;
    }
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
    struct stat dst {};
    if (::stat(dir.c_str(), &dst) != 0 || !S_ISDIR(dst.st_mode) || (dst.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return PART_ERR_WRITE;
    std::string temp = path + ".tmpXXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return PART_ERR_WRITE;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) ok = false;
        else done += static_cast<std::size_t>(w);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok) ::chmod(temp.c_str(), 0644);
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) {
        ::unlink(temp.c_str());
        return PART_ERR_WRITE;
    }
    return 0;
}

}  // namespace host::part_file
