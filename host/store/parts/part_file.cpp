// The part-file format: encoding, decoding, and safe file reading and writing.
#include "host/store/parts/part_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unordered_map>

#include <zlib.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "host/store/parts/part_rules.h"
#include "host/store/parts/parts.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

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

// What the file cannot keep of the object, or null (part_rules::unkept).
const char* unkept(const objects::Object& o) { return part_rules::unkept(o.cls, o.type, o.subtype, o.name); }

void write_objects(Writer& out, const SaveContext& ctx) {
    out.u32(static_cast<std::uint32_t>(ctx.objects.size()));
    ClassNames classes;
    for (tag_t t : ctx.objects) {
        const objects::Object& o = objects::require(t);
        if (const char* what = unkept(o)) throw UnkeptObject(what);
        out.str(classes.of(o.cls));
        out.i32(o.type);
        out.i32(o.subtype);
        out.str(o.name);
        out.u32(o.eid);
        out.row_ended();
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

void Writer::grow(std::size_t n) { resize_room(std::max(size_ + n, 2 * capacity_ + 64)); }
void Writer::resize_room(std::size_t n) {
    auto bigger = std::make_unique_for_overwrite<char[]>(n);
    if (size_ != 0) std::memcpy(bigger.get(), data_.get(), size_);
    data_ = std::move(bigger);
    capacity_ = n;
}

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

bool section_registered(std::string_view id) {
    return id == std::string_view(kObjectsId, 4) ||
           std::any_of(sections().begin(), sections().end(), [&](const Section& s) { return id_of(s) == id; });
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
    out.row_ended();
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

namespace {

#if defined(__x86_64__)
#define KX_FOLD_TARGET __attribute__((target("pclmul,sse4.1")))
KX_FOLD_TARGET inline __m128i load16(const unsigned char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
// x carried over 128 bits (both halves times the constants in k), plus next.
KX_FOLD_TARGET inline __m128i fold16(__m128i x, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x11), _mm_clmulepi64_si128(x, k, 0x00)), next);
}

// The CRC-32 register `crc` (not inverted) carried over `len` bytes, len a
// multiple of 16 and at least 64, by folding with carry-less multiplies:
// four 128-bit lanes folded 64 bytes at a time, folded into one, reduced
// to 64 bits and then to 32 by Barrett reduction. The constants are powers
// of x modulo the reflected polynomial and its Barrett quotient.
KX_FOLD_TARGET std::uint32_t fold_crc(const unsigned char* buf, std::size_t len, std::uint32_t crc) {
    alignas(16) static const std::uint64_t k1k2[] = {0x0154442bd4, 0x01c6e41596};
    alignas(16) static const std::uint64_t k3k4[] = {0x01751997d0, 0x00ccaa009e};
    alignas(16) static const std::uint64_t k5k0[] = {0x0163cd6124, 0x0000000000};
    alignas(16) static const std::uint64_t poly[] = {0x01db710641, 0x01f7011641};
    __m128i x1 = _mm_xor_si128(load16(buf), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = load16(buf + 16), x3 = load16(buf + 32), x4 = load16(buf + 48);
    __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(k1k2));
    buf += 64;
    len -= 64;
    for (; len >= 64; buf += 64, len -= 64) {
        x1 = fold16(x1, k, load16(buf));
        x2 = fold16(x2, k, load16(buf + 16));
        x3 = fold16(x3, k, load16(buf + 32));
        x4 = fold16(x4, k, load16(buf + 48));
    }
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(k3k4));
    x1 = fold16(x1, k, x2);
    x1 = fold16(x1, k, x3);
    x1 = fold16(x1, k, x4);
    for (; len >= 16; buf += 16, len -= 16) x1 = fold16(x1, k, load16(buf));
    // 128 bits to 64.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    x2 = _mm_clmulepi64_si128(x1, k, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
    k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(k5k0));
    x2 = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x00), x2);
    // Barrett reduction to 32 bits.
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(poly));
    x2 = _mm_and_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x10), low32);
    x1 = _mm_xor_si128(x1, _mm_clmulepi64_si128(x2, k, 0x00));
    return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}
#undef KX_FOLD_TARGET
const bool kFoldCrc = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
#endif

// zlib's CRC-32 (the reflected polynomial 0xEDB88320) of `c` continued over
// the bytes: the bulk folded with carry-less multiplies where the processor
// has them (several times faster: part files run to hundreds of
// megabytes), the rest by zlib in pieces that its length type holds.
uLong update_crc(uLong c, const char* p, std::size_t n) {
#if defined(__x86_64__)
    if (kFoldCrc && n >= 64) {
        const std::size_t bulk = n & ~std::size_t{15};
        c = ~fold_crc(reinterpret_cast<const unsigned char*>(p), bulk, ~static_cast<std::uint32_t>(c)) & 0xFFFFFFFFu;
        p += bulk;
        n -= bulk;
    }
#endif
    for (std::size_t done = 0; done < n;) {
        const auto step = static_cast<uInt>(std::min<std::size_t>(n - done, 1u << 30));
        c = ::crc32(c, reinterpret_cast<const Bytef*>(p + done), step);
        done += step;
    }
    return c;
}

}  // namespace

std::uint32_t crc32(std::string_view bytes) {
    return static_cast<std::uint32_t>(update_crc(::crc32(0L, Z_NULL, 0), bytes.data(), bytes.size()));
}

// ---- Encoding and decoding ---------------------------------------------------------

std::string encode(tag_t part, const std::vector<tag_t>* only, bool with_attributes) {
    Writer out;
    encode(out, part, only, with_attributes);
    return std::string(out.view());
}

namespace {

// The objects that a file of the part holds: those given, or all live
// objects of the part.
std::vector<tag_t> objects_written(tag_t part, const std::vector<tag_t>* only) {
    if (only) return *only;
    std::vector<tag_t> out;
    for (tag_t t : objects::objects_of_part(part))
        if (objects::find(t)->cls != OM_CLASS_PART) out.push_back(t);
    return out;
}

}  // namespace

const char* unkept_object(tag_t part, const std::vector<tag_t>* only) {
    for (tag_t t : only ? *only : objects_written(part, nullptr))
        if (const objects::Object* o = objects::find(t))
            if (const char* what = unkept(*o)) return what;
    return nullptr;
}

void encode(Writer& out, tag_t part, const std::vector<tag_t>* only, bool with_attributes) {
    SaveContext ctx;
    ctx.part = part;
    ctx.with_attributes = with_attributes;
    ctx.objects = objects_written(part, only);
    ctx.objects_unique = only == nullptr;

    // Everything goes into one buffer: the header with its counts left
    // open, the sections each framed as it is written, the checksum.
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
    out.u32(out.checksum());
}

namespace {

using SectionViews = std::vector<std::pair<std::string_view, std::string_view>>;

// Checks file bytes and splits them into sections (views into `bytes`);
// answers 0 or a PART_ERR_ code. `content_crc`, when given, is the CRC-32
// of all bytes but the last four, taken as they were read.
int split(std::string_view bytes, std::uint32_t& version_out, SectionViews& sections,
          const std::uint32_t* content_crc = nullptr) {
    sections.clear();
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
    if ((content_crc ? *content_crc : crc32(content)) != get_le32(bytes, bytes.size() - 4)) return PART_ERR_CORRUPT;
    if (n_sections > kMaxSections) return PART_ERR_CORRUPT;

    try {
        Reader body(content.substr(header_size));
        for (std::uint32_t i = 0; i < n_sections; ++i) {
            const std::string_view id = body.raw(4);
            const std::uint32_t size = body.u32();
            sections.emplace_back(id, body.raw(size));
        }
        if (!body.done()) return PART_ERR_CORRUPT;
    } catch (const FormatError&) {
        return PART_ERR_CORRUPT;
    }
    bool has_objects = false;
    for (const auto& sec : sections)
        if (sec.first == std::string_view(kObjectsId, 4)) has_objects = true;
    if (!has_objects) return PART_ERR_CORRUPT;
    version_out = version;
    return 0;
}

}  // namespace

int decode(std::string_view bytes, Image& image) {
    image = Image{};
    SectionViews views;
    std::uint32_t version = 0;
    if (const int code = split(bytes, version, views); code != 0) {
        image.sections.clear();
        return code;
    }
    image.sections.reserve(views.size());
    for (const auto& [id, payload] : views) image.sections.emplace_back(std::string(id), std::string(payload));
    image.version = version;
    return 0;
}

namespace {

// Applies the sections of a decoded file (see apply).
tag_t apply_sections(const SectionViews& sections, const std::string& file, int* code);

}  // namespace

tag_t apply(const Image& image, const std::string& file, int* code) {
    SectionViews views;
    views.reserve(image.sections.size());
    for (const auto& [id, payload] : image.sections) views.emplace_back(id, payload);
    return apply_sections(views, file, code);
}

tag_t apply(const FileImage& image, const std::string& file, int* code) {
    return apply_sections(image.sections, file, code);
}

namespace {

tag_t apply_sections(const SectionViews& sections_read, const std::string& file, int* code) {
    *code = 0;
    const ModelSnapshot before = snapshot_model();
    // Host checks refuse bad values inside sections by raising; a frame of
    // our own turns that into PART_ERR_CORRUPT whatever the caller armed
    // (nothing at all, or a user's jump buffer that would skip the restore).
    const int frame = host::arm_library_frame();
    try {
        std::vector<objects::KeptObject> kept;
        for (const auto& [id, payload] : sections_read)
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
        for (const auto& [id, payload] : sections_read) {
            if (id == std::string_view(kObjectsId, 4)) continue;
            for (const Section& s : sections())
                if (id_of(s) == id) {
                    Reader in(payload);
                    s.read(in, ctx);
                    if (!in.done()) throw FormatError("extra bytes after section " + std::string(id));
                }
        }
        for (const auto& check : ctx.checks)
            if (const char* rule = check()) throw FormatError(rule);
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

}  // namespace

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

double sync_seconds = 0;

// Room for `n` bytes read from a file. Big room is mapped with its pages
// made at once (a file of hundreds of megabytes would otherwise take a
// page fault for every page as the read fills it); it is not cleared
// before it is written either way.
std::shared_ptr<char> room_for(std::size_t n) {
    constexpr std::size_t kMapAbove = std::size_t{1} << 20;
    if (n > kMapAbove) {
        void* p = ::mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (p != MAP_FAILED) return std::shared_ptr<char>(static_cast<char*>(p), [n](char* q) { ::munmap(q, n); });
    }
    return std::shared_ptr<char>(new char[n], std::default_delete<char[]>());
}

}  // namespace

int load(const std::string& path, FileImage& image) {
    image = FileImage{};
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? PART_ERR_FILE_NOT_FOUND : PART_ERR_READ;
    if (!S_ISREG(st.st_mode)) return PART_ERR_NOT_PART_FILE;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return PART_ERR_READ;
    // The whole file into room that is not cleared first (the sections are
    // then views into it), in pieces whose checksum is taken while they are
    // fresh in the cache. The file may have changed since the stat: a file
    // that goes on is read whole as read_file does.
    auto size = static_cast<std::size_t>(st.st_size);
    std::shared_ptr<char> bytes = room_for(size + 1);
    const std::size_t content = size >= 4 ? size - 4 : 0;
    constexpr std::size_t kPiece = std::size_t{4} << 20;
    uLong crc = ::crc32(0L, Z_NULL, 0);
    std::size_t got = 0;
    bool failed = false;
    while (got <= size) {
        const ssize_t r = ::read(fd, bytes.get() + got, std::min(kPiece, size + 1 - got));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) failed = true;
        if (r <= 0) break;
        if (got < content)
            crc = update_crc(crc, bytes.get() + got, std::min(got + static_cast<std::size_t>(r), content) - got);
        got += static_cast<std::size_t>(r);
    }
    ::close(fd);
    if (failed) return PART_ERR_READ;
    if (got > size) {
        std::string all;
        if (const int code = read_file(path, all); code != 0) return code;
        bytes = room_for(all.size() + 1);
        std::memcpy(bytes.get(), all.data(), all.size());
        got = all.size();
    }
    const auto checked = static_cast<std::uint32_t>(crc);
    const bool whole = got == size && size >= 4;  // the checksum covers all but the last four bytes
    if (const int code =
            split(std::string_view(bytes.get(), got), image.version, image.sections, whole ? &checked : nullptr);
        code != 0) {
        image = FileImage{};
        return code;
    }
    image.bytes = std::move(bytes);
    return 0;
}

int load(const std::string& path, Image& image) {
    image = Image{};
    FileImage read;
    if (const int code = load(path, read); code != 0) return code;
    image.version = read.version;
    image.sections.reserve(read.sections.size());
    for (const auto& [id, payload] : read.sections) image.sections.emplace_back(std::string(id), std::string(payload));
    return 0;
}

double last_sync_seconds() { return sync_seconds; }

// The file being written: a temporary file in the target's directory that
// replaces the target when it is complete (and goes when it is not). With
// a checksum, it keeps the CRC-32 of the bytes sent, and corrects it for
// bytes patched after they were sent.
class WriterSink {
public:
    explicit WriterSink(bool checksum) : checksum_(checksum) {}
    ~WriterSink() {
        if (fd_ >= 0) ::close(fd_);
        if (!temp_.empty()) ::unlink(temp_.c_str());
    }
    WriterSink(const WriterSink&) = delete;
    WriterSink& operator=(const WriterSink&) = delete;

    // Makes the temporary file; PART_ERR_WRITE for a target that may not be
    // written (a directory, one marked read-only, a directory that is).
    int open(const std::string& path) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            // An existing target must be a regular file that is not marked
            // read-only (checked on the mode bits, so that it also holds for
            // a privileged user).
            if (!S_ISREG(st.st_mode) || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return PART_ERR_WRITE;
        }
        const std::size_t slash = path.rfind('/');
        const std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
        struct stat dst {};
        if (::stat(dir.c_str(), &dst) != 0 || !S_ISDIR(dst.st_mode) ||
            (dst.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            return PART_ERR_WRITE;
        std::string temp = path + ".tmpXXXXXX";
        fd_ = ::mkstemp(temp.data());
        if (fd_ < 0) return PART_ERR_WRITE;
        temp_ = std::move(temp);
        path_ = path;
        return 0;
    }

    void send(const char* p, std::size_t n) {
        if (checksum_) crc_ = update_crc(crc_, p, n);
        sent_ += n;
        while (ok_ && n > 0) {
            const ssize_t w = ::write(fd_, p, n);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) ok_ = false;
            else {
                p += w;
                n -= static_cast<std::size_t>(w);
            }
        }
    }

    // Overwrites 4 bytes sent (at the file's offset `at`).
    void patch(std::size_t at, const char* value) {
        char old[4] = {};
        const auto off = static_cast<off_t>(at);
        if (ok_ && ::pread(fd_, old, 4, off) != 4) ok_ = false;
        if (ok_ && ::pwrite(fd_, value, 4, off) != 4) ok_ = false;
        // CRC-32 is affine: changing 4 bytes followed by n bytes changes the
        // CRC by the CRC difference of the 4 bytes carried over n zeros.
        if (checksum_) patches_.emplace_back(at, update_crc(0, old, 4) ^ update_crc(0, value, 4));
    }

    // The CRC-32 of the bytes sent followed by `rest`.
    std::uint32_t checksum(std::string_view rest) const {
        uLong c = update_crc(crc_, rest.data(), rest.size());
        const std::size_t total = sent_ + rest.size();
        for (const auto& [at, delta] : patches_)
            c ^= ::crc32_combine64(delta, 0, static_cast<z_off64_t>(total - at - 4));
        return static_cast<std::uint32_t>(c);
    }

    // Makes the file durable and puts it in place of the target: 0 or
    // PART_ERR_WRITE.
    int commit() {
        const auto sync_start = std::chrono::steady_clock::now();
        if (ok_ && ::fsync(fd_) != 0) ok_ = false;
        sync_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - sync_start).count();
        if (::close(fd_) != 0) ok_ = false;
        fd_ = -1;
        if (ok_) ::chmod(temp_.c_str(), 0644);
        if (ok_ && ::rename(temp_.c_str(), path_.c_str()) != 0) ok_ = false;
        if (!ok_) return PART_ERR_WRITE;  // the destructor removes the temporary file
        temp_.clear();
        return 0;
    }

private:
    bool checksum_;
    int fd_ = -1;
    std::string temp_, path_;
    bool ok_ = true;
    std::size_t sent_ = 0;
    uLong crc_ = ::crc32(0L, Z_NULL, 0);
    std::vector<std::pair<std::size_t, uLong>> patches_;  // (offset, CRC difference of the 4 bytes)
};

void Writer::send() {
    sink_->send(data_.get(), size_);
    sent_ += size_;
    size_ = 0;
}

void Writer::patch_sent(std::size_t at, std::uint32_t v) {
    char bytes[4];
    put_le32(bytes, v);
    sink_->patch(at, bytes);
}

void Writer::cut(std::size_t at) {
    if (at < sent_) throw std::logic_error("part file: a cut into bytes written out");
    size_ = std::min(size_, at - sent_);
}

std::uint32_t Writer::checksum() const { return sink_ ? sink_->checksum(view()) : crc32(view()); }

int write_file(const std::string& path, std::string_view bytes) {
    WriterSink file(false);
    if (const int code = file.open(path); code != 0) return code;
    file.send(bytes.data(), bytes.size());
    return file.commit();
}

int write_part(const std::string& path, tag_t part, const std::vector<tag_t>* objects, bool with_attributes) {
    // Refused before the temporary file is made: the target stays as it is.
    if (unkept_object(part, objects)) return PART_ERR_UNKEPT_OBJECT;
    WriterSink file(true);
    if (const int code = file.open(path); code != 0) return code;
    Writer out(&file);
    encode(out, part, objects, with_attributes);
    out.send_all();
    return file.commit();
}

}  // namespace host::part_file
