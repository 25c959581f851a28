// Fuzz target through the public open: the input is a whole part file whose
// trailing checksum the target puts right, written to a temporary directory
// and opened with KX_PART_open. After every successful open, the model
// must keep the rules of the creating functions and answer the interface's
// queries within their bounds (abort if not); after a failed open nothing
// of the file may stay in the session.
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/part_rules.h"
#include "host/store/parts/parts.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "kx_curve.h"
#include "kx_obj.h"
#include "kx_part.h"
#include "libkxapi/core/kx_session.h"

namespace {

[[noreturn]] void violated(const char* what) {
    std::fprintf(stderr, "part-file rule violated: %s\n", what);
    std::abort();
}

const std::string& scratch_dir() {
    static const std::string dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kxfuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) violated("no temporary directory");
        return pattern;
    }();
    static const bool removed_at_exit = (std::atexit([] { ::rmdir(scratch_dir().c_str()); }), true);
    (void)removed_at_exit;
    return dir;
}

void fresh() {
    kx_reset_session_for_tests();
    host::control::reset();
    host::control::set_journal(false);
    if (KX_initialize() != 0) violated("the session does not start");
}

// The interface's queries on every object of a part opened: names fit their
// buffer, types are answered, curve lengths end with an answer.
void query(tag part) {
    for (tag t : host::objects::objects_of_part(part)) {
        char name[KX_OBJ_NAME_LEN + 1];
        std::memset(name, 'x', sizeof name);
        if (KX_OBJ_ask_name(t, name) == 0 && std::memchr(name, '\0', sizeof name) == nullptr)
            violated("a name longer than its buffer");
        int type = 0, subtype = 0;
        if (KX_OBJ_ask_type_and_subtype(t, &type, &subtype) != 0) violated("an object without a type");
        double length = 0;
        if (KX_CURVE_ask_arc_length(t, 0, 1, 0, &length) == 0 && !std::isfinite(length))
            violated("an arc length that is no number");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fresh();
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.size() >= 4) {
        host::part_file::Writer crc;
        crc.u32(host::part_file::crc32(std::string_view(bytes).substr(0, bytes.size() - 4)));
        bytes.replace(bytes.size() - 4, 4, crc.bytes());
    }
    const std::string file = scratch_dir() + "/fuzz.prt";
    if (std::FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    } else {
        violated("the input cannot be written");
    }
    const std::size_t live = host::objects::live_objects().size();
    tag part = NULL_TAG;
    load_status report{};
    const int code = KX_PART_open(file.c_str(), &part, &report);
    for (int i = 0; i < report.n_parts; ++i)
        if (std::strlen(report.file_names[i]) > PART_MAX_NAME_CHARS)
            violated("a reported file name beyond the longest");
    KX_free_string_array(report.n_parts, report.file_names);
    KX_free(report.statuses);
    if (code != 0) {
        if (part != NULL_TAG || host::objects::live_objects().size() != live) violated("a failed open left objects");
    } else {
        if (const char* rule = host::part_rules::broken_rule(part)) violated(rule);
        for (unsigned record : host::parts::failure_records()) {
            char buffer[KX_PART_MAX_NAME_CHARS + 1];
            if (KX_PART_ask_part_name(record, buffer) == 0 && std::strlen(buffer) > KX_PART_MAX_NAME_CHARS)
                violated("a load-failure name beyond the longest");
        }
        query(part);
        KX_PART_close_all();
    }
    ::unlink(file.c_str());
    return 0;
}
