// Status texts: KX_get_fail_message and uc4599.
#include <cstring>
#include <string>

#include "fixture.h"
#include "host/base/services/error.h"
#include "host/base/services/fm.h"
#include "kx_core.h"

namespace {

namespace ctl = host::control;
using FailMessage = FreshProcess;

// A caller buffer with a guard zone behind the 133 bytes.
struct Buffer {
    char bytes[KX_MESSAGE_BUFSIZE + 16];
    Buffer() { std::memset(bytes, 'X', sizeof bytes); }
    std::string text() const { return std::string(bytes); }
    bool guard_intact() const {
        for (std::size_t i = KX_MESSAGE_BUFSIZE; i < sizeof bytes; ++i)
            if (bytes[i] != 'X') return false;
        return true;
    }
};

TEST_F(FailMessage, NotInitialisedHasItsTextBeforeAnyRegistration) {
    Buffer b;
    EXPECT_EQ(KX_get_fail_message(1105000, b.bytes), 0);
    EXPECT_EQ(b.text(), "KX_initialize must be called by main routine");
    EXPECT_TRUE(b.guard_intact());
    // Other codes of the band have none yet.
    EXPECT_EQ(KX_get_fail_message(1105004, b.bytes), 1);
    EXPECT_EQ(b.text(), "NO error text found for error 1105004");
}

TEST_F(FailMessage, RegisteredTextsAndFallbacks) {
    ASSERT_EQ(KX_initialize(), 0);
    struct Case {
        int code;
        int result;
        const char* text;
    };
    for (const Case& c : {
             Case{1105000, 0, "KX_initialize must be called by main routine"},
             Case{1105016, 0, "The eigth parameter passed in was invalid"},
             Case{1105027, 0, "The nineth parameter passed in was invalid"},
             Case{1105031, 0, "Only ASCII data is supported"},
             Case{1105003, 1, "NO error text found for error 1105003"},
             Case{1105029, 1, "NO error text found for error 1105029"},
             Case{0, 1, "NO error text found for error 0"},
             Case{42, 1, "NO error text found for error 42"},
             Case{875009, 1, "NO error text found for error 875009"},
         }) {
        Buffer b;
        EXPECT_EQ(KX_get_fail_message(c.code, b.bytes), c.result) << c.code;
        EXPECT_EQ(b.text(), c.text);
        EXPECT_TRUE(b.guard_intact());
    }
}

const char* long_decoder(int code, const void*) {
    static const std::string text(200, 'L');
    static const std::string exact(132, 'E');
    if (code == 4000001) return text.c_str();
    if (code == 4000002) return exact.c_str();
    if (code == 4000003) return "short";
    return nullptr;
}

TEST_F(FailMessage, CopiesAtMost132CharactersAndPadsWithNuls) {
    ERROR_register_decoder_fn(4000000, 5000, long_decoder, nullptr);
    for (int code : {4000001, 4000002, 4000003}) {
        Buffer b;
        EXPECT_EQ(KX_get_fail_message(code, b.bytes), 0);
        const std::string expected = long_decoder(code, nullptr);
        EXPECT_EQ(b.text(), expected.substr(0, 132));
        for (std::size_t i = b.text().size(); i < KX_MESSAGE_BUFSIZE; ++i) EXPECT_EQ(b.bytes[i], '\0') << i;
        EXPECT_TRUE(b.guard_intact());
    }
}

TEST_F(FailMessage, NegativeCodesGoToTheOldInterface) {
    host::fm::set_error_text(-17, "File not found");
    Buffer b;
    EXPECT_EQ(KX_get_fail_message(-17, b.bytes), 0);
    EXPECT_EQ(b.text(), "File not found");
    EXPECT_EQ(ctl::calls("CFI_get_error_text")[0].arg[0], -17);
    EXPECT_EQ(KX_get_fail_message(-18, b.bytes), 0);
    EXPECT_EQ(b.text(), "");
    EXPECT_EQ(ctl::call_count("ERROR_decode"), 0);
}

TEST_F(FailMessage, NullBufferIsRefused) {
    EXPECT_EQ(KX_get_fail_message(1105000, nullptr), 1);
    uc4599(-17, nullptr);
    EXPECT_EQ(ctl::call_count("CFI_get_error_text"), 0);
}

TEST_F(FailMessage, Uc4599IsBoundedAndFreesTheHostText) {
    host::fm::set_error_text(-3, std::string(300, 'T'));
    const std::size_t blocks = ctl::live_blocks();
    Buffer b;
    uc4599(-3, b.bytes);
    EXPECT_EQ(b.text(), std::string(132, 'T'));
    EXPECT_TRUE(b.guard_intact());
    EXPECT_EQ(ctl::live_blocks(), blocks);

    // A short text takes its length and the NUL, no more: the caller's
    // buffer may be just large enough for it.
    host::fm::set_error_text(-4, "abc");
    Buffer s;
    uc4599(-4, s.bytes);
    EXPECT_EQ(std::string(s.bytes, 5), std::string("abc\0X", 5));
}

TEST_F(FailMessage, Uc4599NotesAHostErrorAndLeavesTheBuffer) {
    ctl::raise_on("CFI_get_error_text", 1020007);
    Buffer b;
    uc4599(-7, b.bytes);
    EXPECT_EQ(b.bytes[0], 'X');
    const auto log = ctl::log_lines();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("kx_cfi"), std::string::npos);
    EXPECT_NE(log[0].find("Routine uc4599 failed with error 1020007"), std::string::npos);
    EXPECT_EQ(ctl::frame_depth(), 0);

    // Through KX_get_fail_message the caller gets an empty text, not the
    // buffer's old bytes.
    Buffer c;
    EXPECT_EQ(KX_get_fail_message(-7, c.bytes), 0);
    EXPECT_EQ(c.text(), "");
    EXPECT_EQ(ctl::log_lines().size(), 2u);
}

}  // namespace
