// Texts made from C strings and strings handed to the drafting service
// under fault simulation: a host error at each host call of the story must
// leave a clean status, no armed frame and no leaked block. A conversion
// that fails hands the caller an empty text (its documented answer), which
// the story gives back before its next call.
#include <gtest/gtest.h>

#include <cstdio>

#include "host/base/services/text.h"
#include "host/control/control.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

void session() {
    kxtest::fresh_process();
    KX_initialize();
    host::control::clear_journal();
}

// Gives a text back to the host; a raise there (the run's injected error)
// leaves the text with the host, as a failed release does.
void give_back(KX_TEXT_p_t text) {
    (void)host::control::raised_code([&] { TEXT_free(text); });
}

int texts() {
    // The host's own characters (mode 1) and the caller's locale (mode 0).
    for (int mode : {1, 0}) {
        KX_TEXT_set_text_mode(mode);
        for (const char* string : {"wrench 17", static_cast<const char*>(nullptr)}) {
            KX_TEXT_p_t text = nullptr;
            const int st = faultsim::step("KX_TEXT_convert_to_textpt",
                                          [&] { return KX_TEXT_convert_to_textpt(&text, string); });
            give_back(text);
            if (st != 0) return st;
        }
    }
    return 0;
}

int jqstrings() {
    KX_TEXT_set_text_mode(1);
    char first[] = "bolt M8", second[] = "washer";
    char* strings[3] = {first, nullptr, second};
    KX_TEXT_jqstring_t out{};
    STEP(KX_TEXT_cstring_to_jqstring(strings, &out, 3));
    KX_free_string_array(out.num_strings, out.strings);
    return 0;
}

TEST(TextWalkFaultSimulation, ConversionsEndClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"text_walk", texts, session});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

TEST(JqstringWalkFaultSimulation, HandingOverEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"jqstring_walk", jqstrings, session});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
