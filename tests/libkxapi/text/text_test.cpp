// Text conversion in both text modes, the code set, translation files, the
// drafting string record, the listing window and uc4403.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/services/memory.h"
#include "host/services/text.h"
#include "host/support/listing.h"
#include "kx_core.h"
#include "kx_text.h"
#include "libkxapi/core/kx_callback_internal.h"
#include "libkxapi/core/kx_session.h"

namespace {

class TextSession : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        texts_before = host::text::live_texts();
    }
    void TearDown() override {
        EXPECT_EQ(host::text::live_texts(), texts_before) << "text objects left behind";
        fresh();
    }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }
    // C string -> text -> C string in the current mode and code set.
    static std::string round_trip(const std::string& in, int max = -1, int* st_in = nullptr, int* st_out = nullptr) {
        KX_TEXT_p_t text = nullptr;
        const int a = KX_TEXT_convert_to_textpt(&text, in.c_str());
        char* out = nullptr;
        const int b = KX_TEXT_convert_to_user(&out, text, max);
        if (st_in) *st_in = a;
        if (st_out) *st_out = b;
        std::string s = out ? out : "<null>";
        KX_free(out);
        TEXT_free(text);
        return s;
    }
    int texts_before = 0;
};

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

const std::string kUtf8 = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93";   // "Grüße ✓"
const std::string kLatin1 = "Gr\xFC\xDF" "e";                      // "Grüße" in ISO 8859-1

INSTANTIATE_TEST_SUITE_P(
    Modes, TextRoundTrips,
    ::testing::Values(RoundTrip{"HostCharactersWhole", 1, TEXT_CODESET_UTF8, kUtf8, -1, kUtf8},
                      RoundTrip{"HostCharactersCutBeforeAWideCharacter", 1, TEXT_CODESET_UTF8, kUtf8, 3, "Gr"},
                      RoundTrip{"HostCharactersCutAfterIt", 1, TEXT_CODESET_UTF8, kUtf8, 4, "Gr\xC3\xBC"},
                      RoundTrip{"HostCharactersWhateverTheLocale", 1, TEXT_CODESET_LATIN1, kUtf8, -1, kUtf8},
                      RoundTrip{"Utf8LocaleWhole", 0, TEXT_CODESET_UTF8, kUtf8, -1, kUtf8},
                      RoundTrip{"Utf8LocaleSized", 0, TEXT_CODESET_UTF8, kUtf8, 8, "Gr\xC3\xBC\xC3\x9F" "e "},
                      RoundTrip{"Latin1LocaleWhole", 0, TEXT_CODESET_LATIN1, kLatin1, -1, kLatin1},
                      RoundTrip{"Latin1LocaleSized", 0, TEXT_CODESET_LATIN1, kLatin1, 3, "Gr\xFC"},
                      RoundTrip{"AnyOtherModeIsTheLocaleMode", 7, TEXT_CODESET_LATIN1, kLatin1, -1, kLatin1},
                      RoundTrip{"Empty", 0, TEXT_CODESET_UTF8, "", -1, ""},
                      RoundTrip{"InvalidBytesInAUtf8Locale", 0, TEXT_CODESET_UTF8, "a\xFF" "b", -1,
                                "a\xEF\xBF\xBD" "b"}),
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
    EXPECT_EQ(host::control::live_blocks(), blocks);   // the cut text and the buffer are freed
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

// ---- The listing window ---------------------------------------------------------

using Listing = TextSession;

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(Listing, OpenWriteSaveClose) {
    const auto& lw = host::listing::state();
    logical open = 1;
    EXPECT_EQ(KX_UI_is_listing_window_open(&open), 0);
    EXPECT_EQ(open, 0);
    EXPECT_EQ(KX_UI_write_listing_window("early"), 1190000);

    EXPECT_EQ(KX_UI_open_listing_window(), 0);
    EXPECT_TRUE(lw.shown);
    EXPECT_EQ(KX_UI_is_listing_window_open(&open), 0);
    EXPECT_EQ(open, 1);
    EXPECT_EQ(KX_UI_write_listing_window("Hello, "), 0);
    EXPECT_EQ(KX_UI_write_listing_window("100% done\n"), 0);   // no format is applied
    EXPECT_EQ(KX_UI_write_listing_window(nullptr), 1105004);

    // Opening an open window keeps what it holds.
    EXPECT_EQ(KX_UI_open_listing_window(), 0);
    EXPECT_EQ(lw.text, "Hello, 100% done\n");

    const std::string file = ::testing::TempDir() + "undo_listing.txt";
    EXPECT_EQ(KX_UI_save_listing_window(file.c_str()), 0);
    EXPECT_EQ(read_file(file), "Hello, 100% done\n");
    std::remove(file.c_str());
    EXPECT_EQ(KX_UI_save_listing_window("/nonexistent-dir/x/listing.txt"), LISTUI_ERR_SAVE);

    EXPECT_EQ(KX_UI_close_listing_window(), 0);
    EXPECT_FALSE(lw.shown);
    EXPECT_EQ(KX_UI_is_listing_window_open(&open), 0);
    EXPECT_EQ(open, 0);
    EXPECT_EQ(KX_UI_write_listing_window("late"), 1190000);
    EXPECT_EQ(KX_UI_save_listing_window(file.c_str()), 1190000);

    // Opening again starts with a clear window.
    EXPECT_EQ(KX_UI_open_listing_window(), 0);
    EXPECT_EQ(lw.text, "");
    EXPECT_EQ(KX_UI_write_listing_window("x"), 0);
    EXPECT_EQ(KX_UI_exit_listing_window(), 0);
    EXPECT_EQ(lw.text, "");
    EXPECT_EQ(KX_UI_is_listing_window_open(&open), 0);
    EXPECT_EQ(open, 0);
    EXPECT_EQ(KX_UI_is_listing_window_open(nullptr), 1105004);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

// The listing service's calls of one library call, in order, with their
// first argument where they take one.
std::vector<std::string> listing_calls(const std::function<int()>& call) {
    host::control::clear_journal();
    EXPECT_EQ(call(), 0);
    std::vector<std::string> out;
    for (const host::JournalRecord& r : host::control::journal()) {
        const std::string name = r.name;
        if (name.rfind("LISTUI_", 0) != 0 && name.rfind("listUI", 0) != 0) continue;
        std::string row = name;
        if (name == "LISTUI_open")
            row += "(" + std::to_string(r.arg[0]) + "," + std::to_string(r.arg[1]) + "," + std::to_string(r.arg[2]) + ")";
        if (name == "LISTUI_set_kx_lwin_open") row += "(" + std::to_string(r.arg[0]) + ")";
        out.push_back(row);
    }
    return out;
}

TEST_F(Listing, HostSequenceOfOpenCloseAndExit) {
    using V = std::vector<std::string>;
    EXPECT_EQ(listing_calls(KX_UI_open_listing_window),
              (V{"LISTUI_ask_kx_lwin_open", "listUIclear", "LISTUI_open(0,0,0)", "LISTUI_set_kx_lwin_open(1)"}));
    EXPECT_EQ(listing_calls(KX_UI_open_listing_window), (V{"LISTUI_ask_kx_lwin_open"}));
    EXPECT_EQ(listing_calls(KX_UI_close_listing_window), (V{"LISTUI_close", "LISTUI_set_kx_lwin_open(0)"}));
    EXPECT_EQ(listing_calls(KX_UI_exit_listing_window), (V{"LISTUI_exit", "LISTUI_set_kx_lwin_open(0)"}));
}

TEST_F(Listing, LongStringsArePrintedInPiecesOf1000) {
    ASSERT_EQ(KX_UI_open_listing_window(), 0);
    std::string big;
    for (int i = 0; i < 2500; ++i) big += static_cast<char>('a' + i % 26);
    const std::string exact(1000, 'z');
    const std::string over(1001, 'y');
    struct Row {
        const std::string* s;
        std::vector<std::size_t> pieces;
    };
    for (const Row& r : {Row{&big, {1000, 1000, 500}}, Row{&exact, {1000}}, Row{&over, {1000, 1}}}) {
        const std::size_t before = host::listing::state().prints.size();
        const std::string text_before = host::listing::state().text;
        ASSERT_EQ(KX_UI_write_listing_window(r.s->c_str()), 0);
        const auto& prints = host::listing::state().prints;
        ASSERT_EQ(prints.size() - before, r.pieces.size());
        for (std::size_t i = 0; i < r.pieces.size(); ++i) EXPECT_EQ(prints[before + i].size(), r.pieces[i]);
        EXPECT_EQ(host::listing::state().text, text_before + *r.s);   // no line breaks between pieces
    }
}

TEST_F(Listing, Uc4403ToTheWindowOrTheDevice) {
    const auto& lw = host::listing::state();
    EXPECT_EQ(uc4403("nowhere"), 1);   // window closed
    ASSERT_EQ(KX_UI_open_listing_window(), 0);
    EXPECT_EQ(uc4403("first line"), 0);
    EXPECT_EQ(lw.text, "first line\n");
    EXPECT_EQ(uc4403(nullptr), 1105004);

    host::listing::set_device(6);
    const std::string long_line(200, 'q');
    EXPECT_EQ(uc4403(long_line.c_str()), 0);
    EXPECT_EQ(uc4403("short"), 0);
    ASSERT_EQ(lw.device_lines.size(), 2u);
    EXPECT_EQ(lw.device_lines[0], std::string(131, 'q'));
    EXPECT_EQ(lw.device_lines[1], "short");
    EXPECT_EQ(host::control::calls("g512_")[0].arg[1], 131);
    host::control::return_status("g512_", 670212);
    EXPECT_EQ(uc4403("refused"), 670212);
}

TEST_F(Listing, ClassesForSelection) {
    EXPECT_EQ(KX_UI_add_to_class_sel(42), 0);
    EXPECT_EQ(KX_UI_add_to_class_sel(42), 0);
    EXPECT_EQ(KX_UI_add_to_class_sel(0), 1105004);
    EXPECT_EQ(host::listing::state().udo_filter, std::vector<int>{42});
}

}  // namespace
