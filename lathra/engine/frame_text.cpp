#include "lathra/engine/frame_text.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace lathra::engine {

namespace {

// strtod/strtol need a terminated string; values are short, but a frame of
// any length may hold a long one.
template <typename F>
auto with_terminated(std::string_view v, F&& f) {
    char small[64];
    if (v.size() < sizeof small) {
        v.copy(small, v.size());
        small[v.size()] = '\0';
        return f(small);
    }
    std::string big(v);
    return f(big.c_str());
}

}  // namespace

std::string_view word_value(std::string_view frame, char letter) {
    const std::size_t at = frame.find(letter);
    if (at == std::string_view::npos) return {};
    std::size_t end = at + 1;
    while (end < frame.size() && is_value_char(frame[end])) ++end;
    return frame.substr(at + 1, end - at - 1);
}

int read_word(std::string_view frame, char letter, std::string& out) {
    const std::string_view v = word_value(frame, letter);
    out.assign(v);
    return static_cast<int>(v.size());
}

namespace {

// The value read as strtod would read it (leading blanks skipped, as far as
// it is a number, 0 when it is none), without its cost: values are nearly
// always a sign and digits.
double read_real(std::string_view v) {
    std::size_t i = 0;
    while (i < v.size() && v[i] == ' ') ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) {
        negative = v[i] == '-';
        ++i;
    }
    std::size_t digits = i;
    long long whole = 0;
    while (digits < v.size() && v[digits] >= '0' && v[digits] <= '9' && digits - i < 15)
        whole = whole * 10 + (v[digits++] - '0');
    const bool more = digits < v.size() && ((v[digits] >= '0' && v[digits] <= '9') || v[digits] == '.');
    if (!more) {
        const double r = static_cast<double>(whole);
        return negative ? -r : r;
    }
    // A fraction or a long number: the library's exact reading.
    double r = 0;
    const char* first = v.data() + i;
    if (*first == '+' || *first == '-') return 0;  // "+-1" reads as nothing
    std::from_chars(first, v.data() + v.size(), r, std::chars_format::fixed);
    return negative ? -r : r;
}

}  // namespace

double value_real(std::string_view value) { return read_real(value); }

bool word_real(std::string_view frame, char letter, double& value) {
    const std::string_view v = word_value(frame, letter);
    if (v.empty()) return false;
    value = read_real(v);
    return true;
}

WordIndex::WordIndex(std::string_view frame) : frame_(frame) {
    const std::size_t n = frame.size();
    const char* d = frame.data();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = d[i];
        const unsigned k = static_cast<unsigned>(c - 'A');
        if (k >= 26) continue;
        std::size_t e = i + 1;
        while (e < n && is_value_char(d[e])) ++e;
        if (!(seen_ & (1u << k))) {
            seen_ |= 1u << k;
            pos_[k] = static_cast<unsigned>(i);
            len_[k] = static_cast<unsigned>(e - i - 1);
            if (e > i + 1) words_ |= 1u << k;
        }
        if (c == 'G' && i + 2 < n) {
            const char a = d[i + 1], b = d[i + 2];
            if (a == '0' && b >= '1' && b <= '3') g_ |= g_bit(b - '0');
            else if (a == '1' && b >= '7' && b <= '9') g_ |= g_bit(10 + b - '0');
        }
        i = e - 1;  // a value holds no letters: go on after it
    }
}

bool WordIndex::real(char letter, double& v) const {
    const std::string_view s = value(letter);
    if (s.empty()) return false;
    v = read_real(s);
    return true;
}

long value_int(std::string_view v) {
    // As strtol reads it (leading blanks, a sign, the leading digits; 0 when
    // there are none), kept in the int range. Values are nearly always a few
    // digits; only long ones go to the library.
    std::size_t i = 0;
    while (i < v.size() && v[i] == ' ') ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
    long r = 0;
    std::size_t digits = i;
    while (digits < v.size() && v[digits] >= '0' && v[digits] <= '9' && digits - i < 9)
        r = r * 10 + (v[digits++] - '0');
    if (digits < v.size() && v[digits] >= '0' && v[digits] <= '9') {
        r = with_terminated(v, [](const char* s) {
            errno = 0;
            return std::strtol(s, nullptr, 10);
        });
    } else if (negative) {
        r = -r;
    }
    if (r > INT_MAX) r = INT_MAX;
    if (r < -INT_MAX) r = -INT_MAX;
    return r;
}

bool word_int(std::string_view frame, char letter, long& value) {
    const std::string_view v = word_value(frame, letter);
    if (v.empty()) return false;
    value = value_int(v);
    return true;
}

namespace {

// The digits of the number that starts a word's value (after blanks and a
// sign, leading zeros not counted), as the readers above read it.
std::size_t number_digits(std::string_view v) {
    std::size_t i = 0;
    while (i < v.size() && v[i] == ' ') ++i;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) ++i;
    while (i < v.size() && v[i] == '0') ++i;
    std::size_t digits = 0;
    while (i + digits < v.size() && v[i + digits] >= '0' && v[i + digits] <= '9') ++digits;
    return digits;
}

}  // namespace

bool has_oversized_value(std::string_view frame) {
    // Only a frame with a run of more than kMaxValueDigits digits can hold
    // such a value. Any such run covers one of every too_many-th character,
    // so only those are looked at, and the runs around them measured.
    constexpr std::size_t too_many = kMaxValueDigits + 1;
    const auto is_digit = [&](std::size_t i) { return frame[i] >= '0' && frame[i] <= '9'; };
    bool long_run = false;
    for (std::size_t i = too_many - 1; i < frame.size() && !long_run; i += too_many) {
        if (!is_digit(i)) continue;
        std::size_t first = i, last = i;
        while (first > 0 && is_digit(first - 1)) --first;
        while (last + 1 < frame.size() && is_digit(last + 1)) ++last;
        long_run = last - first + 1 >= too_many;
    }
    if (!long_run) return false;
    for (const char letter : {'X', 'Y', 'Z', 'I', 'J', 'K', 'F'})
        if (number_digits(word_value(frame, letter)) > static_cast<std::size_t>(kMaxValueDigits)) return true;
    return false;
}

void replace_word(std::string& frame, char letter, std::string_view value) {
    const std::size_t at = frame.find(letter);
    if (at != std::string::npos) {
        std::size_t end = at + 1;
        while (end < frame.size() && is_value_char(frame[end])) ++end;
        if (end > at + 1) {
            frame.replace(at + 1, end - at - 1, value);
            return;
        }
    }
    std::size_t where = frame.find('L');
    if (where != std::string::npos && !(where + 1 < frame.size() && is_value_char(frame[where + 1])))
        where = std::string::npos;  // an L without a value is no L word
    if (where == std::string::npos) where = frame.find('<');
    if (where == std::string::npos) where = frame.find('\r');
    if (where == std::string::npos) where = frame.find('\n');
    if (where == std::string::npos) {
        frame.push_back(letter);
        frame.append(value);
        frame.push_back('\n');
    } else {
        frame.insert(where, 1, letter);
        frame.insert(where + 1, value);
    }
}

FeedCode::FeedCode(int feed) {
    if (feed <= 0) {
        std::memcpy(text_, "0000", 4);
        size_ = 4;
        return;
    }
    // e = trunc(log10(feed)), counted in digits so that powers of ten are exact.
    int e = 0;
    for (int f = feed; f >= 10; f /= 10) ++e;
    int m;
    switch (e) {
        case 0: m = feed * 10; break;
        case 1: m = feed; break;
        case 2: m = feed / 10; break;
        case 3: m = feed / 100; break;
        default: m = feed; break;
    }
    // "%1d%1d%2.2d" with 0, e + 4 and m.
    char* p = text_;
    *p++ = '0';
    if (e + 4 < 10) *p++ = static_cast<char>('0' + e + 4);
    else p = std::to_chars(p, text_ + sizeof text_, e + 4).ptr;  // feeds of a million and more
    if (m < 10) *p++ = '0';
    p = std::to_chars(p, text_ + sizeof text_, m).ptr;
    size_ = static_cast<std::size_t>(p - text_);
}

std::string feed_convert(int feed) { return std::string(FeedCode(feed).view()); }

namespace {

// 10 to the power h - 5, as std::pow gives it; the exponents of the feed
// codes a tape holds are looked up, not computed again for every frame.
double feed_scale(long h) {
    constexpr long kTabled = 32;
    static const auto table = [] {
        std::array<double, kTabled> t{};
        for (long i = 0; i < kTabled; ++i) t[static_cast<std::size_t>(i)] = std::pow(10.0, static_cast<double>(i - 5));
        return t;
    }();
    if (h >= 0 && h < kTabled) return table[static_cast<std::size_t>(h)];
    return std::pow(10.0, static_cast<double>(h - 5));
}

}  // namespace

int DecodeFeed(long code, bool* rapid_mark) {
    long c = code;
    if (c > 4000) {
        if (rapid_mark) *rapid_mark = true;
        c -= 4000;
    }
    const long h = c / 100;
    const long m = c % 100;
    if (h != 4) {
        if (m == 0) return 0;  // also for exponents beyond the range of a double
        const double f = std::trunc(feed_scale(h) * static_cast<double>(m));
        if (f > INT_MAX) return INT_MAX;
        if (f < -INT_MAX) return -INT_MAX;
        return static_cast<int>(f);
    }
    const long f = (c - 400) / 10;
    return f == 0 ? 1 : static_cast<int>(f);
}

void feed_del(std::string& frame) {
    std::size_t at;
    std::size_t from = 0;
    while ((at = frame.find('F', from)) != std::string::npos) {
        // The letter and its value: the four characters of a feed code, or a
        // feed of fewer digits as a .ptp tape writes it. Whatever follows the
        // value (an L word, the line end) stays.
        std::size_t end = at + 1;
        while (end < frame.size() && is_value_char(frame[end])) ++end;
        frame.erase(at, end - at);
        from = at;
    }
}

int EQ_sign(float x) {
    if (x < 0.0f) return -1;
    if (x <= 1e-8f) return 0;
    return 1;
}

std::string decimal(long value) { return std::to_string(value); }

double round3(double value) {
    // "%.3f" and back. Away from a tie in thousandths the nearest multiple
    // of 0.001 is found directly (k / 1000 is the double that reading the
    // decimal text gives); near a tie the library's exact conversions decide.
    const double scaled = value * 1000.0;
    if (std::fabs(scaled) < 1e15) {
        const double whole = std::floor(scaled);
        const double frac = scaled - whole;
        if (std::fabs(frac - 0.5) > 1e-6) return (frac < 0.5 ? whole : whole + 1) / 1000.0;
    }
    char buf[400];
    const auto w = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 3);
    if (w.ec != std::errc()) return value;
    double r = value;
    std::from_chars(buf, w.ptr, r);
    return r;
}

int clamp_feed_max(int feed_max) { return feed_max > kFeedMaxLimit ? kFeedMaxLimit : feed_max; }

}  // namespace lathra::engine
