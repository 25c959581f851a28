// Text conversion in both text modes, the code set, translation files, the
// drafting string record; the session refusals of the listing window too.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/base/services/memory.h"
#include "host/base/services/text.h"
#include "host/platform/support/listing.h"
#include "kx_core.h"
#include "kx_text.h"
#include "kx_ui.h"
#include "tests/libkxapi/text/text_fixture.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/kx_session.h"

namespace {

struct RoundTrip {
    const char* title;
    int mode;
    int codeset;
    std::string in;
    int max;
    std::string out;
};

class TextRoundTrips : public TextSession, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(TextRoundTrips, BackAsItWent) {
    const RoundTrip& r = GetParam();
    KX_TEXT_set_text_mode(r.mode);
    host::text::set_codeset(r.codeset);
    int a = -1, b = -1;
    EXPECT_EQ(round_trip(r.in, r.max, &a, &b), r.out);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
}

const std::string kUtf8 =
    "Gr\xC3\xBC\xC3\x9F"
    "e \xE2\x9C\x93";  // "Grüße ✓"
const std::string kLatin1 =
    "Gr\xFC\xDF"
    "e";  // "Grüße" in ISO 8859-1

INSTANTIATE_TEST_SUITE_P(
    Modes, TextRoundTrips,
    ::testing::Values(RoundTrip{"HostCharactersWhole", 1, TEXT_CODESET_UTF8, kUtf8, -1, kUtf8},
                      RoundTrip{"HostCharactersCutBeforeAWideCharacter", 1, TEXT_CODESET_UTF8, kUtf8, 3, "Gr"},
                      RoundTrip{"HostCharactersCutAfterIt", 1, TEXT_CODESET_UTF8, kUtf8, 4, "Gr\xC3\xBC"},
                      RoundTrip{"HostCharactersWhateverTheLocale", 1, TEXT_CODESET_LATIN1, kUtf8, -1, kUtf8},
                      RoundTrip{"Utf8LocaleWhole", 0, TEXT_CODESET_UTF8, kUtf8, -1, kUtf8},
                      RoundTrip{"Utf8LocaleSized", 0, TEXT_CODESET_UTF8, kUtf8, 8,
                                "Gr\xC3\xBC\xC3\x9F"
                                "e "},
                      RoundTrip{"Latin1LocaleWhole", 0, TEXT_CODESET_LATIN1, kLatin1, -1, kLatin1},
                      RoundTrip{"Latin1LocaleSized", 0, TEXT_CODESET_LATIN1, kLatin1, 3, "Gr\xFC"},
                      RoundTrip{"AnyOtherModeIsTheLocaleMode", 7, TEXT_CODESET_LATIN1, kLatin1, -1, kLatin1},
                      RoundTrip{"Empty", 0, TEXT_CODESET_UTF8, "", -1, ""},
                      RoundTrip{"InvalidBytesInAUtf8Locale", 0, TEXT_CODESET_UTF8,
                                "a\xFF"
                                "b",
                                -1,
                                "a\xEF\xBF\xBD"
                                "b"}),
    [](const ::testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.title); });

TEST_F(TextSession, TextsCrossBetweenTheModes) {
    // Made from host characters, handed back in a Latin-1 locale: what the
    // locale cannot hold becomes '?'.
    KX_TEXT_set_text_mode(1);
    KX_TEXT_p_t text = nullptr;
    ASSERT_EQ(KX_TEXT_convert_to_textpt(&text, kUtf8.c_str()), 0);
    KX_TEXT_set_text_mode(0);
    host::text::set_codeset(TEXT_CODESET_LATIN1);
    char* out = nullptr;
    ASSERT_EQ(KX_TEXT_convert_to_user(&out, text, -1), 0);
    EXPECT_EQ(std::string(out), kLatin1 + " ?");
    KX_free(out);
    TEXT_free(text);
}

TEST_F(TextSession, BytesThatAreNotHostCharactersGiveAnErrorAndAnEmptyText) {
    KX_TEXT_set_text_mode(1);
    KX_TEXT_p_t text = nullptr;
    EXPECT_EQ(KX_TEXT_convert_to_textpt(&text, kLatin1.c_str()), 670004);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(TEXT_strlen(text), 0);
    TEXT_free(text);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(TextSession, NullStringAndNullText) {
    for (int mode : {0, 1}) {
        KX_TEXT_set_text_mode(mode);
        KX_TEXT_p_t text = nullptr;
        EXPECT_EQ(KX_TEXT_convert_to_textpt(&text, nullptr), 0);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(TEXT_strlen(text), 0);
        TEXT_free(text);
        char* out = reinterpret_cast<char*>(1);
        EXPECT_EQ(KX_TEXT_convert_to_user(&out, nullptr, -1), 0);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(KX_TEXT_convert_to_textpt(nullptr, "x"), 1105004);
    EXPECT_EQ(KX_TEXT_convert_to_user(nullptr, nullptr, -1), 1105004);
}

TEST_F(TextSession, ConvertersNeedNoSession) {
    ASSERT_EQ(KX_terminate(), 0);
    EXPECT_EQ(round_trip("abc"), "abc");
    KX_TEXT_p_t text = nullptr;
    EXPECT_EQ(KX_TEXT_convert_to_textpt(&text, nullptr), 0);
    TEXT_free(text);
}

TEST_F(TextSession, MaximumBelowOneInHostModeIsAnAssertionWhenChecking) {
    KX_TEXT_set_text_mode(1);
    host::control::set_checking_level(1);
    KX_TEXT_p_t text = nullptr;
    ASSERT_EQ(KX_TEXT_convert_to_textpt(&text, "abc"), 0);
    char* out = reinterpret_cast<char*>(1);
    const std::size_t blocks = host::control::live_blocks();
    EXPECT_EQ(KX_TEXT_convert_to_user(&out, text, 0), 670001);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(host::control::live_blocks(), blocks);
    TEXT_free(text);
}

TEST_F(TextSession, HostErrorHalfWayLeavesNothingBehind) {
    KX_TEXT_set_text_mode(1);
    KX_TEXT_p_t text = nullptr;
    ASSERT_EQ(KX_TEXT_convert_to_textpt(&text, "abcdef"), 0);
    host::control::raise_on("TEXT_strcpy", 670005);
    const std::size_t blocks = host::control::live_blocks();
    char* out = reinterpret_cast<char*>(1);
    EXPECT_EQ(KX_TEXT_convert_to_user(&out, text, 3), 670005);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(host::control::live_blocks(), blocks);  // the cut text and the buffer are freed
    TEXT_free(text);
}

TEST_F(TextSession, DraftingStringRecord) {
    KX_TEXT_set_text_mode(1);
    char a[] = "first", c[] = "third";
    char* strings[] = {a, nullptr, c};
    KX_TEXT_jqstring_t rec{-1, nullptr};
    EXPECT_EQ(KX_TEXT_cstring_to_jqstring(strings, &rec, 3), 0);
    ASSERT_EQ(rec.num_strings, 3);
    EXPECT_STREQ(rec.strings[0], "first");
    EXPECT_STREQ(rec.strings[1], "");
    EXPECT_STREQ(rec.strings[2], "third");
    KX_free_string_array(rec.num_strings, rec.strings);

    EXPECT_EQ(KX_TEXT_cstring_to_jqstring(strings, &rec, 0), 0);
    EXPECT_EQ(rec.num_strings, 0);
    EXPECT_EQ(KX_TEXT_cstring_to_jqstring(strings, &rec, -1), 670004);
    EXPECT_EQ(KX_TEXT_cstring_to_jqstring(nullptr, &rec, 2), 670002);
    EXPECT_EQ(KX_TEXT_cstring_to_jqstring(strings, nullptr, 3), 670002);
}

TEST_F(TextSession, CodeSet) {
    int cs = 0;
    EXPECT_EQ(KX_ask_codeset(&cs), 0);
    EXPECT_EQ(cs, TEXT_CODESET_UTF8);
    host::text::set_codeset(TEXT_CODESET_LATIN1);
    EXPECT_EQ(KX_ask_codeset(&cs), 0);
    EXPECT_EQ(cs, TEXT_CODESET_LATIN1);
    EXPECT_EQ(KX_ask_codeset(nullptr), 1105004);
}

TEST_F(TextSession, TranslationFiles) {
    const std::string good = ::testing::TempDir() + "undo_text_good.tr";
    const std::string bad = ::testing::TempDir() + "undo_text_bad.tr";
    std::ofstream(good) << "# comment\n\nOpen\tOtkryt\nSave\tSokhranit\r\n";
    std::ofstream(bad) << "Open\tOtkryt\nno tab here\n";
    EXPECT_EQ(KX_TEXT_load_translation_file(good.c_str()), 0);
    EXPECT_EQ(host::text::translate("Open"), "Otkryt");
    EXPECT_EQ(host::text::translate("Save"), "Sokhranit");
    EXPECT_EQ(KX_TEXT_load_translation_file(bad.c_str()), NLM_ERR_FORMAT);
    EXPECT_EQ(KX_TEXT_load_translation_file((good + ".missing").c_str()), NLM_ERR_OPEN);
    EXPECT_EQ(KX_TEXT_load_translation_file(nullptr), 670002);
    std::remove(good.c_str());
    std::remove(bad.c_str());
}

TEST(TextWithoutSession, SessionFunctionsAnswer1105000) {
    kx_reset_session_for_tests();
    host::control::reset();
    int cs = 0;
    logical open = 0;
    EXPECT_EQ(KX_ask_codeset(&cs), 1105000);
    EXPECT_EQ(KX_TEXT_load_translation_file("x"), 1105000);
    EXPECT_EQ(KX_UI_open_listing_window(), 1105000);
    EXPECT_EQ(KX_UI_close_listing_window(), 1105000);
    EXPECT_EQ(KX_UI_exit_listing_window(), 1105000);
    EXPECT_EQ(KX_UI_write_listing_window("x"), 1105000);
    EXPECT_EQ(KX_UI_is_listing_window_open(&open), 1105000);
    EXPECT_EQ(KX_UI_save_listing_window("x"), 1105000);
    EXPECT_EQ(KX_UI_add_to_class_sel(3), 1105000);
    EXPECT_EQ(uc4403("x"), 1105000);
    EXPECT_EQ(host::control::frame_depth(), 0);
    // The write arms its frame before the check.
    EXPECT_EQ(host::control::call_count("ERROR_set_handler"), 1);
    host::control::reset();
}

}  // namespace
