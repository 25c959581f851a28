// Fuzz target over the part file's section readers. The input is the body
// of a part file (sections: 4-byte id, u32 size, payload); the target frames
// it with a header whose counts and sizes match and a right checksum, so
// that every mutation reaches the readers. After every part that is read,
// the model must keep the rules of the creating functions (abort if not);
// after every refusal, the model must be as it was.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/control/control.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/part_rules.h"
#include "host/store/parts/parts.h"
#include "host/base/services/objects.h"

namespace {

namespace pf = host::part_file;

[[noreturn]] void violated(const char* what) {
    std::fprintf(stderr, "part-file rule violated: %s\n", what);
    std::abort();
}

// The header and checksum around the sections of `body` that are whole
// (bytes after the last whole section are left out).
std::string framed(std::string_view body) {
    std::uint32_t count = 0;
    std::size_t at = 0;
    while (body.size() - at >= 8) {
        std::uint32_t size = 0;
        for (int i = 0; i < 4; ++i)
            size |= static_cast<std::uint32_t>(static_cast<unsigned char>(body[at + 4 + i])) << (8 * i);
        if (size > body.size() - at - 8) break;
        at += 8 + size;
        ++count;
    }
    pf::Writer w;
    w.raw(std::string_view(pf::kMagic, sizeof pf::kMagic));
    w.u32(pf::kFormatVersion);
    w.u32(pf::kHeaderSize);
    w.u32(count);
    w.u32(static_cast<std::uint32_t>(at));
    w.raw(body.substr(0, at));
    const std::uint32_t crc = pf::crc32(w.bytes());
    w.u32(crc);
    return w.bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    host::control::reset();
    host::control::set_journal(false);
    const std::string bytes = framed(std::string_view(reinterpret_cast<const char*>(data), size));
    pf::Image image;
    if (pf::decode(bytes, image) != 0) return 0;
    const std::size_t live = host::objects::live_objects().size();
    int code = -1;
    const unsigned part = pf::apply(image, "fuzz.prt", &code);
    if (part == 0) {
        if (code != PART_ERR_CORRUPT) violated("a refusal with another code than the corrupt-file code");
        if (host::objects::live_objects().size() != live) violated("a refused file left objects behind");
        return 0;
    }
    if (code != 0) violated("a part read with a code");
    if (const char* rule = host::part_rules::broken_rule(part)) violated(rule);
    // What was read can be written and read again to the same rules.
    pf::Image again;
    if (pf::decode(pf::encode(part, nullptr, true), again) != 0) violated("a part read does not write back");
    const unsigned copy = pf::apply(again, "copy.prt", &code);
    if (copy == 0) violated("a part read does not read back");
    if (const char* rule = host::part_rules::broken_rule(copy)) violated(rule);
    return 0;
}
