// Frame text: one frame per line, a run of address words (a capital letter
// and its value). Every stage of the program edits frames with these word
// operations and writes feeds with the same feed code.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace lathra::engine {

// Characters that make up a word's value: digits, blanks, signs and the point.
// A table, as every stage runs this over every character of every frame.
inline constexpr auto kValueChars = [] {
    std::array<bool, 256> t{};
    for (char c = '0'; c <= '9'; ++c) t[static_cast<unsigned char>(c)] = true;
    for (const char c : {' ', '+', '-', '.'}) t[static_cast<unsigned char>(c)] = true;
    return t;
}();
inline bool is_value_char(char c) { return kValueChars[static_cast<unsigned char>(c)]; }

// The value of the first occurrence of `letter` in `frame`: the characters
// that directly follow it and are digits, blanks, '+', '-' or '.'. Empty when
// the letter does not occur or nothing of the kind follows it.
std::string_view word_value(std::string_view frame, char letter);

// Whether the frame holds the word (the letter with a non-empty value).
inline bool has_word(std::string_view frame, char letter) { return !word_value(frame, letter).empty(); }

// Copies the word's value into `out`; returns its length (0: no such word).
int read_word(std::string_view frame, char letter, std::string& out);

// The word's value read as a real number (leading blanks skipped, as far as
// it reads as a number; 0 when it does not). False when the word is absent.
bool word_real(std::string_view frame, char letter, double& value);

// The word's value read as a decimal integer (leading digits, saturated to
// the int range; 0 when there are none). False when the word is absent.
bool word_int(std::string_view frame, char letter, long& value);

// The number in a word's value, read as word_real and word_int read it.
double value_real(std::string_view value);
long value_int(std::string_view value);

// All words of one frame found in a single pass: for every letter the value
// at its first occurrence, and which of the motion and plane codes (G01,
// G02, G03, G17, G18, G19) occur anywhere in the text. Valid as long as the
// frame text is not changed.
class WordIndex {
public:
    explicit WordIndex(std::string_view frame);
    std::string_view value(char letter) const {
        const unsigned k = static_cast<unsigned>(letter - 'A');
        if (k >= 26) return {};
        if (!(seen_ & (1u << k)) || len_[k] == 0) return {};
        return frame_.substr(pos_[k] + 1, len_[k]);
    }
    bool has(char letter) const { return !value(letter).empty(); }
    bool real(char letter, double& v) const;
    // The letters that have a word, as bits (1 << (letter - 'A')).
    unsigned word_letters() const { return words_; }
    static unsigned letter_bit(char letter) { return 1u << (letter - 'A'); }
    // Whether "G<code>" occurs in the text (code 1, 2, 3, 17, 18 or 19).
    bool has_g(int code) const { return (g_ & g_bit(code)) != 0; }

private:
    static unsigned g_bit(int code) { return code <= 3 ? 1u << code : 1u << (code - 10); }
    std::string_view frame_;
    unsigned seen_ = 0;   // letters found; pos_ and len_ hold only theirs
    unsigned words_ = 0;  // letters found with a value
    unsigned pos_[26];
    unsigned len_[26];
    unsigned g_ = 0;
};

// The most digits the number of a word value may carry before its point
// (leading zeros not counted): what a 32-bit integer carries in full, so
// that the stages that read a value as an integer (the splitter's sums, the
// feeds) and those that read it as a real number agree. A tape with more is
// outside what the tape format can hold; no stage computes with it.
constexpr int kMaxValueDigits = 9;

// Whether one of the words that the stages read as numbers (X, Y, Z, I, J,
// K, F) has a value whose number carries more than kMaxValueDigits digits.
bool has_oversized_value(std::string_view frame);

// Sets the word's value in place. An existing value is replaced whatever its
// length; otherwise the word is inserted before an L word, else before the
// first '<', '\r' or '\n', else appended with a line end.
void replace_word(std::string& frame, char letter, std::string_view value);

// The four-character feed code of a feed in mm/min ("0000" for a stop):
// "0", the exponent digit plus 4, the mantissa as at least two digits.
std::string feed_convert(int feed);

// The same code in a small buffer, for the stages that write a code into
// every frame.
class FeedCode {
public:
    explicit FeedCode(int feed);
    std::string_view view() const { return {text_, size_}; }

private:
    char text_[16];
    std::size_t size_ = 0;
};

// The feed in mm/min of a feed code read as a decimal integer. Codes above
// 4000 mark a rapid move: 4000 is taken off and *rapid_mark is set.
int DecodeFeed(long code, bool* rapid_mark = nullptr);

// Removes every F word from the frame: the letter and its value (a feed code
// is the four characters after the F). What follows the value stays.
void feed_del(std::string& frame);

// -1 below 0, 0 from 0 to 1e-8, 1 above 1e-8.
int EQ_sign(float x);

// Integer text as the tapes write it ("%d").
std::string decimal(long value);

// Rounds to three decimals the way the tape tools always did: formatted with
// "%.3f" and read back.
double round3(double value);

// The highest feed the machine settings may hold: a feed code has room for
// four characters, which ends at 9999 mm/min.
constexpr int kFeedMaxLimit = 9999;
int clamp_feed_max(int feed_max);

}  // namespace lathra::engine
