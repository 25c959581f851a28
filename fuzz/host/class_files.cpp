// Fuzz target over the knowledge engine's class-file reader. The input is
// the text of a class file; the reader must read it or refuse it with its
// code, within the formula limits, and leave the engine able to read the
// next file (abort if not).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/control/control.h"
#include "host/model/rules/rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool once = (host::control::reset(), host::rules::set_instruction_limit(100'000), true);
    (void)once;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int code = host::rules::read_class_text("fuzzed", text);
    if (code != 0 && code != KBL_ERR_CLASS_FILE) {
        std::fprintf(stderr, "class reader answered %d\n", code);
        std::abort();
    }
    if (host::rules::read_class_text("plain", "{ rules = { a = '1' } }") != 0) {
        std::fprintf(stderr, "the reader is spoilt after an input\n");
        std::abort();
    }
    return 0;
}
