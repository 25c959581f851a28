#include "lathra/engine/time_counter.h"

#include "lathra/engine/frame_text.h"
#include "lathra/engine/tape_io.h"
#include "lathra/engine/text_format.h"

#include <cmath>
#include <cstdio>

namespace lathra::engine {

namespace {

constexpr const char* kErrorCaption = "Ошибка в программе lathra";

// trunc(60 h) as a feed, kept in the int range.
int feed_of(float h) {
    const float f = std::trunc(60 * h);
    return f >= 2147483520.0f ? 2147483520 : static_cast<int>(f);
}

}  // namespace

TTimeCounter::TTimeCounter(std::string file_name, int A, DialogPort* port)
    : name_(std::move(file_name)), acceleration_(A < 1 ? 1 : A), port_(port) {}

void TTimeCounter::ParseFrame(std::string_view frame, Entry& entry) {
    const WordIndex words(frame);
    double x = 0, y = 0, z = 0;
    bool moves = false;
    moves |= words.real('X', x);
    moves |= words.real('Y', y);
    moves |= words.real('Z', z);
    if (const std::string_view code = words.value('F'); !code.empty()) {
        current_feed = DecodeFeed(value_int(code), &rapid_mark);
        entry.feed = current_feed;
    } else if (first_) {
        entry.feed = 0;
    } else if (moves) {
        entry.feed = current_feed;
    }
    first_ = false;
    const float fx = static_cast<float>(x), fy = static_cast<float>(y), fz = static_cast<float>(z);
    entry.length = moves ? 0.01f * std::sqrt(fx * fx + fy * fy + fz * fz) : 0.0f;
}

float TTimeCounter::FrameTime() {
    const float s = middle.length;
    const float c = static_cast<float>(middle.feed) / 60.0f;
    const float d = static_cast<float>(previous.feed) / 60.0f;
    const float e = static_cast<float>(next.feed) / 60.0f;
    const float A = static_cast<float>(acceleration_);
    if (s == 0 || c == 0) return 0;
    if (c > d && c > e) {
        // Accelerates from d and brakes to e: a plateau at c when there is
        // room for it, else a peak p below c.
        const float p = std::sqrt((d * d + e * e) / 2 + A * s);
        if (p > c) return (c - d) / A + (s - (c * c - d * d) / (2 * A) - (c * c - e * e) / (2 * A)) / c + (c - e) / A;
        return (p - d) / A + (p - e) / A;
    }
    if (c > d) {
        // Accelerates from d towards c (the next frame is not slower).
        const float h = std::sqrt(d * d + 2 * A * s);
        if (h > c) return (c - d) / A + (s - (c * c - d * d) / (2 * A)) / c;
        middle.feed = feed_of(h);
        return (h - d) / A;
    }
    if (c > e) {
        // Brakes from c towards e.
        const float sq = c * c - 2 * A * s;
        const float h = sq > 0 ? std::sqrt(sq) : 0.0f;
        if (h >= e) {
            middle.feed = feed_of(h);
            return (c - h) / A;
        }
        const float num = s - (c * c - e * e) / (2 * A) - e * e / (2 * A);
        const float r = num > 0 ? num / c : 0.0f;
        const float last = e == 0 ? 0.0f : (e * e / (2 * A)) / e;
        return (c - e) / A + r + last;
    }
    return s / c;
}

double TTimeCounter::Count() {
    previous = middle = next = Entry{};
    current_feed = 0;
    rapid_mark = false;
    total = 0;
    first_ = true;
    failed_ = false;

    LineReader in;
    auto fail = [&](const std::string& text) {
        failed_ = true;
        total = 0;
        if (port_) show_message(*port_, kErrorCaption, text, Buttons::Ok, MessageKind::Error);
        return 0.0;
    };
    if (!in.open(name_)) return fail(format("Не могу открыть файл %s", name_.c_str()));
    std::string line;
    const bool had_first = in.next(line);
    if (in.value_out_of_range()) return fail(oversized_value_text(in.bad_frame()));
    if (!had_first) return 0;
    ParseFrame(line, previous);
    // After a rapid first frame the second is timed as if it ran at 240.
    if (rapid_mark) {
        ParseFrame("N000F0624", middle);
        rapid_mark = false;
    } else {
        if (!in.next(line)) line.clear();
        ParseFrame(line, middle);
    }
    if (!in.next(line)) line.clear();
    ParseFrame(line, next);
    for (;;) {
        total += FrameTime();
        previous = middle;
        middle = next;
        if (!in.next(line)) break;
        ParseFrame(line, next);
    }
    if (in.value_out_of_range()) return fail(oversized_value_text(in.bad_frame()));
    if (in.failed()) failed_ = true;
    return total;
}

}  // namespace lathra::engine
