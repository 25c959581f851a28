// Word operations and feed codes.
#include "lathra/engine/frame_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

using namespace lathra::engine;

TEST(ReadWord, Table) {
    struct Case {
        const char* frame;
        char letter;
        const char* value;
    };
    const Case cases[] = {
        {"N012G01X+001500F0400\n", 'X', "+001500"},
        {"N012G01X+001500F0400\n", 'F', "0400"},
        {"N012G01X+001500F0400\n", 'N', "012"},
        {"F\n", 'F', ""},                  // the letter without a value
        {"X 100Y5\n", 'X', " 100"},        // blanks belong to the value
        {"N1X-1.5.2Y3\n", 'X', "-1.5.2"},  // as far as value characters go
        {"N1M03\n", 'F', ""},              // the letter does not occur
        {"END", 'N', ""},                  // N followed by a letter is no word
        {"N1<FREZA>F0400\n", 'F', ""},     // the first occurrence counts
        {"", 'X', ""},
    };
    for (const Case& c : cases) {
        std::string out = "junk";
        const int n = read_word(c.frame, c.letter, out);
        EXPECT_EQ(out, c.value) << c.frame << " " << c.letter;
        EXPECT_EQ(n, static_cast<int>(std::string(c.value).size())) << c.frame;
    }
}

TEST(WordNumbers, RealAndIntegerValues) {
    double r = -1;
    long i = -1;
    EXPECT_TRUE(word_real("X+001500\n", 'X', r));
    EXPECT_DOUBLE_EQ(r, 1500);
    EXPECT_TRUE(word_real("X 12.5Y\n", 'X', r));
    EXPECT_DOUBLE_EQ(r, 12.5);
    EXPECT_TRUE(word_real("X+-.\n", 'X', r));  // present, but no number: 0
    EXPECT_DOUBLE_EQ(r, 0);
    EXPECT_FALSE(word_real("Y1\n", 'X', r));
    EXPECT_TRUE(word_int("F0400\n", 'F', i));
    EXPECT_EQ(i, 400);
    EXPECT_TRUE(word_int("F99999999999999999999\n", 'F', i));  // saturates
    EXPECT_EQ(i, 2147483647);
    // read as strtol reads it: blanks, a sign, the leading digits
    const struct {
        const char* frame;
        long value;
    } ints[] = {
        {"F 0400 12\n", 400},
        {"F-5\n", -5},
        {"F+7\n", 7},
        {"F+-5\n", 0},
        {"F.5\n", 0},
        {"F1.9\n", 1},
        {"F2147483647\n", 2147483647},
        {"F2147483648\n", 2147483647},
        {"F-99999999999\n", -2147483647},
        {"F000000000000000000012\n", 12},
    };
    for (const auto& c : ints) {
        EXPECT_TRUE(word_int(c.frame, 'F', i)) << c.frame;
        EXPECT_EQ(i, c.value) << c.frame;
    }
}

TEST(ReplaceWord, Table) {
    struct Case {
        const char* frame;
        char letter;
        const char* value;
        const char* result;
    };
    const Case cases[] = {
        // an existing value is replaced whatever its length
        {"N005G01X+001000F600\n", 'F', "0640", "N005G01X+001000F0640\n"},
        {"N005F1\n", 'F', "0640", "N005F0640\n"},
        {"N005F012345L1\n", 'F', "7", "N005F7L1\n"},
        // before an L word
        {"N005G01X+001000L1\n", 'F', "0640", "N005G01X+001000F0640L1\n"},
        // before a comment, a carriage return, a line feed
        {"N005G01X+001000<cut>\n", 'F', "0640", "N005G01X+001000F0640<cut>\n"},
        {"N005G01X+001000\r\n", 'F', "0640", "N005G01X+001000F0640\r\n"},
        {"N005G01X+001000\n", 'F', "0640", "N005G01X+001000F0640\n"},
        // no line end at all: appended with one
        {"N005G01X+001000", 'F', "0640", "N005G01X+001000F0640\n"},
        {"", 'N', "001", "N001\n"},
        // a letter without a value is no word: a new word goes in
        {"N1F\n", 'F', "0610", "N1FF0610\n"},
        {"N000F0000\n", 'N', "00017", "N00017F0000\n"},
    };
    for (const Case& c : cases) {
        std::string f = c.frame;
        replace_word(f, c.letter, c.value);
        EXPECT_EQ(f, c.result) << c.frame;
    }
}

TEST(FeedCode, ConvertTable) {
    struct Case {
        int feed;
        const char* code;
    };
    const Case cases[] = {
        {-5, "0000"},
        {0, "0000"},
        {1, "0410"},
        {5, "0450"},
        {9, "0490"},
        {10, "0510"},
        {45, "0545"},
        {99, "0599"},
        {100, "0610"},
        {240, "0624"},
        {300, "0630"},
        {600, "0660"},
        {666, "0666"},
        {999, "0699"},
        {1000, "0710"},
        {1200, "0712"},
        {9999, "0799"},
        {10000, "0810000"},  // beyond a four-character code
        {1000000, "0101000000"},
        {2147483647, "0132147483647"},  // "%1d" of an exponent digit of 10 and more
    };
    for (const Case& c : cases) EXPECT_EQ(feed_convert(c.feed), c.code) << c.feed;
}

TEST(FeedCode, DecodeTable) {
    struct Case {
        long code;
        int feed;
        bool rapid;
    };
    const Case cases[] = {
        {660, 600, false},
        {712, 1200, false},
        {450, 5, false},
        {402, 1, false},
        {400, 1, false},
        {545, 45, false},
        {624, 240, false},
        {610, 100, false},
        {799, 9900, false},
        {0, 0, false},
        {4660, 600, true},
        {4712, 1200, true},
        // values no tape holds: no overflow, no undefined conversion
        {2147483647, 2147483647, true},
        {2147480000, 0, true},
        {-5, 0, false},
        {99999, 2147483647, true},
    };
    for (const Case& c : cases) {
        bool rapid = false;
        EXPECT_EQ(DecodeFeed(c.code, &rapid), c.feed) << c.code;
        EXPECT_EQ(rapid, c.rapid) << c.code;
    }
}

TEST(FeedCode, RoundTripKeepsTwoSignificantDigits) {
    // Every feed up to FeedMax's limit fits four characters, and decoding
    // its code gives the feed cut to its two leading digits.
    for (int feed = 1; feed <= kFeedMaxLimit; ++feed) {
        const std::string code = feed_convert(feed);
        ASSERT_EQ(code.size(), 4u) << feed;
        int expect = feed;
        if (feed >= 100) {
            int scale = 1;
            while (expect >= 100) {
                expect /= 10;
                scale *= 10;
            }
            expect *= scale;
        }
        ASSERT_EQ(DecodeFeed(std::stol(code)), expect) << feed;
    }
    EXPECT_EQ(clamp_feed_max(10000), 9999);
    EXPECT_EQ(clamp_feed_max(1200), 1200);
}

TEST(FeedDel, Table) {
    struct Case {
        const char* frame;
        const char* result;
    };
    const Case cases[] = {
        {"N012M03F0400\n", "N012M03\n"},    {"N012F0400M03F0610\n", "N012M03\n"},
        {"N012M03F400\n", "N012M03\n"},      // a .ptp feed of three digits
        {"N012M03F400L1\n", "N012M03L1\n"},  // the L word stays
        {"N012M03\n", "N012M03\n"},         {"F0400", ""},
    };
    for (const Case& c : cases) {
        std::string f = c.frame;
        feed_del(f);
        EXPECT_EQ(f, c.result) << c.frame;
    }
}

TEST(EqSign, DeadZoneOnThePositiveSideOnly) {
    EXPECT_EQ(EQ_sign(-1e-12f), -1);
    EXPECT_EQ(EQ_sign(-5.0f), -1);
    EXPECT_EQ(EQ_sign(0.0f), 0);
    EXPECT_EQ(EQ_sign(1e-9f), 0);
    EXPECT_EQ(EQ_sign(1e-7f), 1);
    EXPECT_EQ(EQ_sign(3.0f), 1);
}

TEST(Round3, AgreesWithPrintf) {
    // The rounding of limits and cosines is "%.3f" read back.
    const double values[] = {1341.6407864998738, 0.0625,      -0.0625, 0.1235, 0.9995,
                             0.99949999999,      -0.70710678, 1e-9,    -1e-9,  2.0005,
                             123456.7895,        1e20,        0.5,     -0.4995};
    for (double v : values) {
        char buf[400];
        std::snprintf(buf, sizeof buf, "%.3f", v);
        EXPECT_EQ(round3(v), std::strtod(buf, nullptr)) << v;
    }
    for (int i = -20000; i <= 20000; ++i) {
        const double v = i / 7777.0;
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.3f", v);
        ASSERT_EQ(round3(v), std::strtod(buf, nullptr)) << v;
    }
}

TEST(WordIndexTest, AgreesWithTheWordOperationsOnRandomFrames) {
    // The one-pass index of a frame answers what word_value and a substring
    // search for the motion and plane codes answer.
    std::uint32_t seed = 7;
    auto rnd = [&](std::uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    const char* alphabet = "NGXYZIJKFMSTL<> +-.0123456789\r\n";
    for (int t = 0; t < 3000; ++t) {
        std::string frame;
        const int len = static_cast<int>(rnd(30));
        for (int c = 0; c < len; ++c) frame += alphabet[rnd(31)];
        const WordIndex index(frame);
        for (char letter = 'A'; letter <= 'Z'; ++letter)
            ASSERT_EQ(index.value(letter), word_value(frame, letter)) << frame << " " << letter;
        for (int code : {1, 2, 3, 17, 18, 19}) {
            char g[8];
            std::snprintf(g, sizeof g, "G%02d", code);
            ASSERT_EQ(index.has_g(code), frame.find(g) != std::string::npos) << frame << " " << g;
        }
    }
}
