#include "lathra/engine/braking.h"

#include "lathra/engine/frame_text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace lathra::engine {

namespace {

// trunc() of a feed computed in floating point, kept in the int range.
int trunc_feed(double v) {
    if (!(v == v)) return 0;  // NaN
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= -static_cast<double>(INT_MAX)) return -INT_MAX;
    return static_cast<int>(std::trunc(v));
}

const std::string kEnd = "END";
const std::string kStopFrame = "N000F0000\n";

}  // namespace

// ---- options ----

AnalysisOptions AnalysisOptions::conversion(int speed_limit, int feed_max, int acceleration, bool circle_slowdown) {
    AnalysisOptions o;
    o.speed_limit = speed_limit;
    o.feed_max = feed_max;
    o.acceleration = acceleration;
    o.circle_slowdown = circle_slowdown;
    return o;
}

AnalysisOptions AnalysisOptions::repass(int speed_limit, int feed_max, int acceleration) {
    AnalysisOptions o;
    o.speed_limit = speed_limit;
    o.feed_max = feed_max;
    o.acceleration = acceleration;
    o.feeds_are_codes = true;
    o.round_limits = false;
    o.circle_slowdown = false;
    o.arc_restore_feed = true;
    o.repass_tangent = true;
    o.check_stopped_arc = false;
    o.zero_braking_feed = 5;
    o.m_s_end_lookback = false;
    return o;
}

// ---- window ----

void Window::shift(int n) {
    // Slots above the new top keep what their index held before the move;
    // only their feeds can be read again (a frame stored without a feed of
    // its own keeps the slot's feed).
    int kept[kSlots];
    const int first_kept = top - n + 1;
    for (int i = first_kept; i < kSlots; ++i) kept[i] = (*this)[i].feed;
    base_ = (base_ + n) % kSlots;
    for (int i = first_kept; i < kSlots; ++i) (*this)[i].feed = kept[i];
    top -= n;
    shifted = true;
}

// ---- tangents ----

void tangentn(float& u, float& w, int mode, float q, float p, int arc_direction) {
    float pp = std::fabs(p);
    float qq = std::fabs(q);
    if (mode == 2) {
        if (u <= 0 && w >= 0) {
            pp = -std::fabs(p);
            qq = -std::fabs(q);
        }
        if (u >= 0 && w >= 0) {
            pp = -std::fabs(p);
            qq = std::fabs(q);
        }
        if (u >= 0 && w <= 0) {
            pp = std::fabs(p);
            qq = std::fabs(q);
        }
        if (u <= 0 && w <= 0) {
            pp = std::fabs(p);
            qq = -std::fabs(q);
        }
        if (arc_direction == 3) {
            pp = -pp;
            qq = -qq;
        }
        pp += u;
        qq += w;
    }
    const float nu = static_cast<float>(EQ_sign(u)) * std::fabs(qq);
    const float nw = static_cast<float>(EQ_sign(w)) * std::fabs(pp);
    u = nu;
    w = nw;
}

void tangent(float& u, float& w, float a, float b, int arc_direction) {
    if (u == 0 || w == 0 || (arc_direction != 2 && arc_direction != 3)) return;
    if (a != 0 && b != 0) {
        u = std::copysign(std::fabs(a), u);
        w = std::copysign(std::fabs(b), w);
        return;
    }
    // Unit steps by the quadrant of the move and the arc direction.
    const bool up = u > 0, wp = w > 0;
    float nu = 0, nw = 0;
    if (arc_direction == 2) {
        if (up && !wp) {
            nu = 0;
            nw = -1;
        } else if (up && wp) {
            nu = 1;
            nw = 0;
        } else if (!up && wp) {
            nu = 0;
            nw = 1;
        } else {
            nu = -1;
            nw = 0;
        }
    } else {
        if (!up && wp) {
            nu = -1;
            nw = 0;
        } else if (!up && !wp) {
            nu = 0;
            nw = -1;
        } else if (up && !wp) {
            nu = 1;
            nw = 0;
        } else {
            nu = 0;
            nw = 1;
        }
    }
    u = nu;
    w = nw;
}

// ---- analysis ----

float Analyzer::Motion::length() const { return std::sqrt(x * x + y * y + z * z); }

void Analyzer::parse(const std::string& frame, Parsed& p) const {
    const WordIndex w(frame);
    p = Parsed{};
    Motion& m = p.m;
    double v;
    if (w.real('X', v)) {
        p.sum_x = v * 0.01;
        m.x = static_cast<float>(p.sum_x);
        m.moves = true;
    }
    if (w.real('Y', v)) {
        p.sum_y = v * 0.01;
        m.y = static_cast<float>(p.sum_y);
        m.moves = true;
    }
    if (w.real('Z', v)) {
        p.sum_z = v * 0.01;
        m.z = static_cast<float>(p.sum_z);
        m.moves = true;
    }
    p.has_ijk = w.has('I') || w.has('J') || w.has('K');
    if (m.moves) {
        if (w.real('I', v)) {
            m.i = static_cast<float>(v * 0.01);
            m.arc = true;
        }
        if (w.real('J', v)) {
            m.j = static_cast<float>(v * 0.01);
            m.arc = true;
        }
        if (w.real('K', v)) {
            m.k = static_cast<float>(v * 0.01);
            m.arc = true;
        }
    }
    const std::string_view f = w.value('F');
    if (!f.empty()) {
        const long code = value_int(f);
        p.feed_stated = p.has_f = true;
        p.feed = opt_.feeds_are_codes ? DecodeFeed(code) : static_cast<int>(code);
    }
    p.g02 = w.has_g(2);
    p.g03 = w.has_g(3);
    p.g17 = w.has_g(17);
    p.g18 = w.has_g(18);
    p.g19 = w.has_g(19);
    // Any word but the number and the feed: a frame holding one is more than
    // a feed change.
    p.has_other_words = (w.word_letters() & ~(WordIndex::letter_bit('N') | WordIndex::letter_bit('F'))) != 0;
}

std::string Analyzer::feed_text(int feed) const { return opt_.feeds_are_codes ? feed_convert(feed) : decimal(feed); }

bool Analyzer::short_arc(const FrameSlot& slot) const {
    if (slot.short_arc < 0) {
        Parsed p;
        parse(slot.text, p);
        slot.short_arc = p.has_ijk && p.m.length() < ConversionState::kArcLength;
    }
    return slot.short_arc != 0;
}

void Analyzer::to_tangent(Motion& m, int mode, bool current) {
    float *u, *w, first, second;
    switch (state_.plane) {
        case Plane::XY:
            u = &m.x;
            w = &m.y;
            first = m.i;
            second = m.j;
            break;
        case Plane::XZ:
            u = &m.x;
            w = &m.z;
            first = m.i;
            second = m.k;
            break;
        default:
            u = &m.y;
            w = &m.z;
            first = m.j;
            second = m.k;
            break;
    }
    if (!opt_.repass_tangent) {
        tangentn(*u, *w, mode, second, first, state_.arc_direction);
    } else if (current) {
        tangent(*u, *w, second + *w, first + *u, state_.arc_direction);
    } else {
        tangent(*u, *w, second, first, state_.arc_direction);
    }
}

bool Analyzer::fail(int code, const std::string& frame, const std::string& next) {
    error_ = BrakingError{code, frame, next};
    return false;
}

bool Analyzer::otkat(int k) {
    if (k <= 0) return true;
    Window& win = window_;
    if (opt_.check_stopped_arc && win[k].feed == 0 && win[k - 1].feed == 0 && short_arc(win[k - 1]))
        return fail(-21, win[k - 1].text);

    const float a = static_cast<float>(opt_.acceleration);
    int j = k;
    while (j > 0 && win[j].feed < win[j - 1].feed) {
        FrameSlot& before = win[j - 1];
        if (short_arc(before)) {
            // An arc shorter than the arc length runs at one feed throughout.
            if (win[j].feed == 0) return fail(-21, before.text);
            before.feed = win[j].feed;
            replace_word(before.text, 'F', FeedCode(win[j].feed).view());
            --j;
            continue;
        }
        const float v = static_cast<float>(win[j].feed) / 60.0f;
        int b = trunc_feed(60.0f * std::sqrt(v * v + 2.0f * a * before.length));
        if (b == 0) b = opt_.zero_braking_feed;
        if (b >= before.feed) break;
        if (opt_.m_s_end_lookback && (has_word(before.text, 'M') || has_word(before.text, 'S'))) break;
        before.feed = b;
        replace_word(before.text, 'F', FeedCode(b).view());
        --j;
    }
    // Reaching slot 0 of a window that has already written frames means the
    // braking would have to go on into frames that are gone. Before the
    // first shift, slot 0 is the tape's first frame, which starts from rest.
    if (j == 0 && win.shifted) return fail(-22, win[k - 1].text, win[k].text);
    return true;
}

// The steps of the analysis, in the order it takes them (see analiz).

inline Analyzer::Pair Analyzer::begin_pair(std::string& current, std::string& next, bool current_was_next) {
    // The current frame's words as read when it was the look-ahead, when
    // its text has not changed since.
    const bool reuse = current_was_next && cached_valid_;
    const int at = reuse ? cached_ : 0;
    if (!reuse) parse(current, parsed_[at]);
    cached_valid_ = false;
    return Pair{current, next, parsed_[at], parsed_[1 - at], at, window_.top, parsed_[at].m.length()};
}

inline void Analyzer::apply_modal_words(const Pair& p) {
    const Parsed& c = p.current_words;
    if (c.g02) state_.arc_direction = 2;
    else if (c.g03) state_.arc_direction = 3;
    if (c.g17) state_.plane = Plane::XY;
    else if (c.g18) state_.plane = Plane::XZ;
    else if (c.g19) state_.plane = Plane::YZ;
}

inline void Analyzer::add_to_sums(const Pair& p) {
    state_.sum_x += p.current_words.sum_x;
    state_.sum_y += p.current_words.sum_y;
    state_.sum_z += p.current_words.sum_z;
}

// The current frame's own feed. Only the very first frame is held to
// FeedMax here; every later frame was held to it as a look-ahead.
inline void Analyzer::take_current_feed(Pair& p) {
    if (!p.current_words.feed_stated) return;
    state_.current_feed = p.current_words.feed;
    p.current_stated = true;
    if (p.top == 0 && state_.current_feed > opt_.feed_max) {
        state_.current_feed = opt_.feed_max;
        replace_word(p.current, 'F', feed_text(opt_.feed_max));
    }
}

// A very short move runs at twice the reversal feed; the feed before it is
// saved for the frame after it.
inline void Analyzer::slow_short_move(Pair& p) {
    const long long twice_limit = 2LL * opt_.speed_limit;
    if (!p.current_words.m.moves || p.current_length > 0.21 || twice_limit >= state_.current_feed) return;
    state_.saved_feed = state_.current_feed;
    state_.current_feed = static_cast<int>(twice_limit);
    replace_word(p.current, 'F', feed_text(state_.current_feed));
    state_.restore_saved_feed = true;
    p.current_stated = true;
}

// After a braking frame, a stop frame or a frame without motion the next
// move states its feed again (the saved one, when one is to be restored).
inline void Analyzer::follow_up_previous_frame(Pair& p) {
    if (!p.current_words.m.moves || state_.follow_up == FollowUp::None || p.current_stated) return;
    if (state_.restore_saved_feed) {
        replace_word(p.current, 'F', feed_text(state_.saved_feed));
        state_.current_feed = state_.saved_feed;
        state_.restore_saved_feed = false;
    }
    p.current_stated = true;
}

// The current frame goes into the slot at the window's top.
inline void Analyzer::store_current(Pair& p) {
    FrameSlot& slot = window_[p.top];
    const Motion& m = p.current_words.m;
    slot.text.swap(p.current);
    if (p.current_stated) slot.feed = state_.current_feed;
    else if (p.top == 0) slot.feed = 0;
    else if (m.moves) slot.feed = state_.current_feed;
    slot.length = m.moves ? p.current_length : 0.0f;
    slot.short_arc = p.current_words.has_ijk && p.current_length < ConversionState::kArcLength;
}

// The look-ahead frame: its feed (held to FeedMax), the feed given back
// after an arc or a short move, and feed-only frames after a move, which
// disappear (the next input line takes their place).
inline void Analyzer::read_look_ahead(Pair& p, LineSource& more) {
    std::string& next = p.next;
    Parsed& n = p.next_words;
    const bool current_moves = p.current_words.m.moves;
    for (;;) {
        parse(next, n);
        p.next_changed = false;
        p.next_stated = false;
        p.next_feed = state_.current_feed;
        if (n.feed_stated) {
            p.next_stated = true;
            p.next_feed = n.feed;
            if (p.next_feed > opt_.feed_max) {
                p.next_feed = opt_.feed_max;
                replace_word(next, 'F', feed_text(p.next_feed));
                p.next_changed = true;
            }
        }
        if (opt_.arc_restore_feed) {
            // The feed given back after an arc goes to the next frame that
            // moves; a frame without motion passes it on (as the restore
            // below does), so that it is neither lost nor put on a frame
            // that is then taken apart.
            if (n.has_f) {
                state_.arc_restore_feed = 0;
            } else if (state_.arc_restore_feed >= 1 && n.m.moves) {
                replace_word(next, 'F', FeedCode(state_.arc_restore_feed).view());
                p.next_changed = true;
                p.next_feed = state_.arc_restore_feed;
                p.next_stated = true;
                state_.arc_restore_feed = 0;
            }
        }
        if (state_.restore_saved_feed && n.m.moves) {
            if (!p.next_stated) {
                replace_word(next, 'F', feed_text(state_.saved_feed));
                p.next_changed = true;
                p.next_feed = state_.saved_feed;
                p.next_stated = true;
            }
            state_.restore_saved_feed = false;
        }
        // A frame that only changes the feed after a move disappears. One
        // that holds any other word (M, L, G, but also a spindle speed or a
        // tool) keeps them and loses only its feed.
        if (current_moves && !n.m.moves && p.next_stated) {
            if (n.has_other_words) {
                feed_del(next);
                p.next_changed = true;
                p.next_stated = false;
            } else {
                if (!more.next(next)) next = kEnd;
                continue;
            }
        }
        return;
    }
}

// An arc in the look-ahead runs at most at the feed its radius allows.
inline void Analyzer::limit_arc_feed(Pair& p) {
    const Motion& n = p.next_words.m;
    if (!n.arc) return;
    const float raw =
        60.0f * std::sqrt(static_cast<float>(ConversionState::kArcConstant) * (n.i * n.i + n.j * n.j + n.k * n.k));
    const double limit = opt_.round_limits ? round3(raw) : static_cast<double>(raw);
    if (p.next_feed <= limit) return;
    if (opt_.arc_restore_feed) {
        state_.arc_restore_feed = p.next_feed;
    } else if (opt_.circle_slowdown) {
        state_.saved_feed = p.next_feed;
        state_.restore_saved_feed = true;
    }
    p.next_feed = trunc_feed(limit);
    replace_word(p.next, 'F', feed_text(p.next_feed));
    p.next_changed = true;
    p.next_stated = true;
}

// The look-ahead becomes the next call's current frame; its words are kept
// for it unless its text was changed here.
inline void Analyzer::keep_look_ahead_words(const Pair& p) {
    if (p.next_changed) return;
    cached_ = 1 - p.current_at;
    cached_valid_ = true;
}

// A short arc before a slower frame runs at the slower feed.
inline bool Analyzer::slow_short_arc(Pair& p) {
    if (!p.current_words.m.arc || state_.current_feed <= p.next_feed || p.current_length >= ConversionState::kArcLength)
        return true;
    state_.current_feed = p.next_feed;
    FrameSlot& slot = window_[p.top];
    slot.feed = p.next_feed;
    replace_word(slot.text, 'F', FeedCode(p.next_feed).view());
    return otkat(p.top);
}

// A corner between the current frame and the look-ahead (arcs by their
// tangents): a braking frame when the look-ahead's feed and the current
// feed are both above what the corner allows; a stop frame before a frame
// without motion that states no feed.
inline void Analyzer::check_corner(Pair& p) {
    const Motion& cm = p.current_words.m;
    const Motion& nm = p.next_words.m;
    if (!cm.moves) return;
    if (nm.moves && p.next_feed > opt_.speed_limit) {
        Motion c = cm, n = nm;
        if (c.arc) to_tangent(c, 2, true);
        if (n.arc) {
            if (p.next_words.g02) state_.arc_direction = 2;
            else if (p.next_words.g03) state_.arc_direction = 3;
            to_tangent(n, 1, false);
        }
        const float lc = c.length(), ln = n.length();
        double cs = 0;
        if (lc != 0 && ln != 0) cs = (c.x * n.x + c.y * n.y + c.z * n.z) / (lc * ln);
        if (opt_.round_limits) cs = round3(cs);
        // Rounding noise must not take the cosine past ±1.
        if (cs > 1) cs = 1;
        if (cs < -1) cs = -1;
        if (cs == 1) {
            p.corner_limit = state_.current_feed;
        } else {
            if (opt_.speed_limit != 0) p.corner_limit = 2.0 * opt_.speed_limit / (1 - cs);
            else p.corner_limit = cs == -1 ? 0 : 2 / (1 - cs);
            if (p.next_feed > p.corner_limit && state_.current_feed > p.corner_limit)
                state_.follow_up = FollowUp::BrakingFrame;
        }
    }
    if (!nm.moves && !p.next_stated) state_.follow_up = FollowUp::StopFrame;
}

// A move after a frame without motion must state its feed.
inline void Analyzer::check_start_after_still(const Pair& p) {
    if (!p.current_words.m.moves && p.next_words.m.moves && !p.next_stated) state_.follow_up = FollowUp::MoveAfterStill;
}

// A stated feed of the current frame is written as a feed code.
inline void Analyzer::write_current_feed_code(const Pair& p) {
    if (p.current_stated) replace_word(window_[p.top].text, 'F', FeedCode(state_.current_feed).view());
}

// The braking frame before a corner, at the corner's feed. A short arc is
// slowed itself instead: it runs at one feed throughout. The state stays
// for the next frame, which states its feed again.
inline bool Analyzer::insert_braking_frame(const Pair& p) {
    const int braking_feed = trunc_feed(p.corner_limit);
    // The current frame's length by its words as read (feed edits never
    // change them).
    if (!p.current_words.m.arc || p.current_length >= ConversionState::kArcLength) {
        ++window_.top;
        FrameSlot& slot = window_[window_.top];
        slot.text.assign("N000F");
        slot.text.append(FeedCode(braking_feed).view());
        slot.text.push_back('\n');
        slot.feed = braking_feed;
        slot.length = 0;
        slot.short_arc = 0;
    } else {
        FrameSlot& slot = window_[p.top];
        slot.feed = braking_feed;
        replace_word(slot.text, 'F', FeedCode(braking_feed).view());
    }
    return otkat(window_.top);
}

// The stop frame before a frame without motion.
inline bool Analyzer::insert_stop_frame() {
    ++window_.top;
    FrameSlot& slot = window_[window_.top];
    slot.text = kStopFrame;
    slot.feed = 0;
    slot.length = 0;
    slot.short_arc = 0;
    if (!otkat(window_.top)) return false;
    state_.follow_up = FollowUp::None;
    return true;
}

// The analysis of one frame is a sequence of steps: first the current frame
// (modal words, sums, its feed, the follow-up of the frame before it, into
// the window and the look-back), then its look-ahead (its feed, dropped
// feed-only frames, the arc limit), then what the pair means for the
// braking (a short arc, a corner, a start after a frame without motion, the
// frames to insert).
bool Analyzer::analiz(std::string& current, std::string& next, LineSource& more, bool current_was_next) {
    Pair p = begin_pair(current, next, current_was_next);
    apply_modal_words(p);
    add_to_sums(p);
    take_current_feed(p);
    slow_short_move(p);
    follow_up_previous_frame(p);
    store_current(p);
    if (!otkat(p.top)) return false;
    // What the previous frame asked of this one has been done.
    state_.follow_up = FollowUp::None;

    read_look_ahead(p, more);
    limit_arc_feed(p);
    keep_look_ahead_words(p);

    if (!slow_short_arc(p)) return false;
    check_corner(p);
    check_start_after_still(p);
    write_current_feed_code(p);
    if (state_.follow_up == FollowUp::BrakingFrame && !insert_braking_frame(p)) return false;
    if (state_.follow_up == FollowUp::StopFrame && !insert_stop_frame()) return false;
    return true;
}

// ---- numbering and the pass ----

void Numbering::apply(std::string& frame) {
    const std::size_t at = frame.find('N');
    if (at == std::string::npos) return;
    std::size_t end = at + 1;
    while (end < frame.size() && is_value_char(frame[end])) ++end;
    const std::size_t len = end - at - 1;
    if (len == 0) return;
    // "%0*ld": the number with leading zeros to the width, in the N value.
    char value[24];
    char* const last = value + sizeof value;
    char* p = last;
    for (long n = number_; n > 0; n /= 10) *--p = static_cast<char>('0' + n % 10);
    while (last - p < width_) *--p = '0';
    const std::size_t n = static_cast<std::size_t>(last - p);
    if (n == len) std::memcpy(frame.data() + at + 1, p, n);  // nearly always: in place
    else frame.replace(at + 1, len, p, n);
    if (++number_ >= wrap_) number_ = 1;
}

namespace {

class ReaderSource : public LineSource {
public:
    explicit ReaderSource(LineReader& r) : r_(r) {}
    bool next(std::string& line) override { return r_.next(line); }

private:
    LineReader& r_;
};

}  // namespace

PassEnd run_window_pass(LineReader& in, TapeWriter& out, Analyzer& analyzer, Numbering& numbering) {
    Window& win = analyzer.window();
    ReaderSource more(in);
    auto emit = [&](int i) {
        std::string& text = win[i].text;
        numbering.apply(text);
        out.write(text);
    };

    // Without a further line the look-ahead holds "END", like a tape that
    // ends with it: the analysis sees no next frame, and the pass stops.
    // The two lines take turns: the look-ahead of one frame is the current
    // frame of the next, in the same string.
    std::string lines[2];
    int cur = 0;
    const bool have_current = in.next(lines[0]);
    if (!have_current || !in.next(lines[1])) lines[1] = kEnd;
    if (in.value_out_of_range()) return PassEnd::ValueOutOfRange;
    win.top = -1;
    bool first = true;
    while (have_current) {
        std::string& current = lines[cur];
        std::string& next = lines[1 - cur];
        ++win.top;
        if (!analyzer.analiz(current, next, more, !first)) return PassEnd::BrakingError;
        // A frame read for the analysis that the tape cannot hold ends the
        // pass before anything more is written.
        if (in.value_out_of_range()) return PassEnd::ValueOutOfRange;
        first = false;
        if (win.top == 18) {
            emit(0);
            win.shift(1);
        } else if (win.top == 19) {
            emit(0);
            emit(1);
            win.shift(2);
        }
        if (next == kEnd) break;
        // The look-ahead becomes the current frame; the string of the frame
        // just stored (its text went into the window) takes the next line.
        cur = 1 - cur;
        std::string& ahead = lines[1 - cur];
        if (!in.next(ahead)) ahead = kEnd;
        if (in.value_out_of_range()) return PassEnd::ValueOutOfRange;
    }
    for (int i = 0; i <= win.top; ++i) emit(i);
    return PassEnd::Done;
}

}  // namespace lathra::engine
