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
    if (!(v == v)) return 0; // NaN
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= -static_cast<double>(INT_MAX)) return -INT_MAX;
    return static_cast<int>(std::trunc(v));
}

const std::string kEnd = "END";
const std::string kStopFrame = "N000F0000\n";

} // namespace

// ---- options ----

AnalysisOptions AnalysisOptions::conversion(int speed_limit, int feed_max, int acceleration,
                                            bool circle_slowdown) {
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
        if (u <= 0 && w >= 0) { pp = -std::fabs(p); qq = -std::fabs(q); }
        if (u >= 0 && w >= 0) { pp = -std::fabs(p); qq = std::fabs(q); }
        if (u >= 0 && w <= 0) { pp = std::fabs(p); qq = std::fabs(q); }
        if (u <= 0 && w <= 0) { pp = std::fabs(p); qq = -std::fabs(q); }
        if (arc_direction == 3) { pp = -pp; qq = -qq; }
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
        if (up && !wp) { nu = 0; nw = -1; }
        else if (up && wp) { nu = 1; nw = 0; }
        else if (!up && wp) { nu = 0; nw = 1; }
        else { nu = -1; nw = 0; }
    } else {
        if (!up && wp) { nu = -1; nw = 0; }
        else if (!up && !wp) { nu = 0; nw = -1; }
        else if (up && !wp) { nu = 1; nw = 0; }
        else { nu = 0; nw = 1; }
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
    if (w.real('X', v)) { p.sum_x = v * 0.01; m.x = static_cast<float>(p.sum_x); m.moves = true; }
    if (w.real('Y', v)) { p.sum_y = v * 0.01; m.y = static_cast<float>(p.sum_y); m.moves = true; }
    if (w.real('Z', v)) { p.sum_z = v * 0.01; m.z = static_cast<float>(p.sum_z); m.moves = true; }
    p.has_ijk = w.has('I') || w.has('J') || w.has('K');
    if (m.moves) {
        if (w.real('I', v)) { m.i = static_cast<float>(v * 0.01); m.arc = true; }
        if (w.real('J', v)) { m.j = static_cast<float>(v * 0.01); m.arc = true; }
        if (w.real('K', v)) { m.k = static_cast<float>(v * 0.01); m.arc = true; }
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
    for (char letter = 'A'; letter <= 'Z' && !p.has_other_words; ++letter)
        p.has_other_words = letter != 'N' && letter != 'F' && w.has(letter);
}

std::string Analyzer::feed_text(int feed) const {
    return opt_.feeds_are_codes ? feed_convert(feed) : decimal(feed);
}

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
    case Plane::XY: u = &m.x; w = &m.y; first = m.i; second = m.j; break;
    case Plane::XZ: u = &m.x; w = &m.z; first = m.i; second = m.k; break;
    default:        u = &m.y; w = &m.z; first = m.j; second = m.k; break;
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
    if (opt_.check_stopped_arc && win[k].feed == 0 && win[k - 1].feed == 0 &&
        short_arc(win[k - 1]))
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
        if (opt_.m_s_end_lookback && (has_word(before.text, 'M') || has_word(before.text, 'S')))
            break;
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

// The analysis of one frame runs in numbered steps: the current frame (1 to
// 8), its look-ahead (9 to 12), then what the pair means for the braking
// (13 to 18).
bool Analyzer::analyse(std::string& C, std::string& N, LineSource& more, bool current_was_next) {
    ConversionState& st = state_;
    Window& win = window_;
    const int top = win.top;

    const bool reuse = current_was_next && cached_valid_;
    const int c_at = reuse ? cached_ : 0;
    if (!reuse) parse(C, parsed_[c_at]);
    cached_valid_ = false;
    const Parsed& cp = parsed_[c_at];
    Parsed& np = parsed_[1 - c_at];

    // 1. Modal words.
    if (cp.g02) st.arc_direction = 2;
    else if (cp.g03) st.arc_direction = 3;
    if (cp.g17) st.plane = Plane::XY;
    else if (cp.g18) st.plane = Plane::XZ;
    else if (cp.g19) st.plane = Plane::YZ;

    // 2. The move of the current frame; its words add to the sums.
    const Motion& cm = cp.m;
    st.sum_x += cp.sum_x;
    st.sum_y += cp.sum_y;
    st.sum_z += cp.sum_z;
    const float c_len = cm.length();

    // 3. Its feed. Only the very first frame is held to FeedMax here; every
    // later frame was held to it as a look-ahead (step 9).
    bool c_stated = false;
    if (cp.feed_stated) {
        st.current_feed = cp.feed;
        c_stated = true;
        if (top == 0 && st.current_feed > opt_.feed_max) {
            st.current_feed = opt_.feed_max;
            replace_word(C, 'F', feed_text(opt_.feed_max));
        }
    }

    // 4. A very short move runs at twice the reversal feed.
    const long long twice_limit = 2LL * opt_.speed_limit;
    if (cm.moves && c_len <= 0.21 && twice_limit < st.current_feed) {
        st.saved_feed = st.current_feed;
        st.current_feed = static_cast<int>(twice_limit);
        replace_word(C, 'F', feed_text(st.current_feed));
        st.restore = 1;
        c_stated = true;
    }

    // 5. Follow-up of the previous frame: the feed is stated again.
    if (cm.moves && st.follow_up > 0 && !c_stated) {
        if (st.restore) {
            replace_word(C, 'F', feed_text(st.saved_feed));
            st.current_feed = st.saved_feed;
            st.restore = 0;
        }
        c_stated = true;
    }

    // 6. Into the window.
    {
        FrameSlot& slot = win[top];
        slot.text.swap(C);
        if (c_stated) slot.feed = st.current_feed;
        else if (top == 0) slot.feed = 0;
        else if (cm.moves) slot.feed = st.current_feed;
        slot.length = cm.moves ? c_len : 0.0f;
        slot.short_arc = cp.has_ijk && c_len < ConversionState::kArcLength;
    }

    // 7. Look back from the new frame.
    if (!otkat(top)) return false;
    // 8. What the previous frame asked of this one has been done.
    st.follow_up = 0;

    // 9 to 11. The look-ahead frame.
    bool n_stated = false;
    bool n_changed = false;
    int g = 0;
    for (;;) {
        parse(N, np);
        n_changed = false;
        n_stated = false;
        g = st.current_feed;
        if (np.feed_stated) {
            n_stated = true;
            g = np.feed;
            if (g > opt_.feed_max) {
                g = opt_.feed_max;
                replace_word(N, 'F', feed_text(g));
                n_changed = true;
            }
        }
        if (opt_.arc_restore_feed) {
            // The feed given back after an arc goes to the next frame that
            // moves; a frame without motion passes it on (as the restore of
            // step 10 does), so that it is neither lost nor put on a frame
            // that step 11 would take apart.
            if (np.has_f) {
                st.arc_restore_feed = 0;
            } else if (st.arc_restore_feed >= 1 && np.m.moves) {
                replace_word(N, 'F', FeedCode(st.arc_restore_feed).view());
                n_changed = true;
                g = st.arc_restore_feed;
                n_stated = true;
                st.arc_restore_feed = 0;
            }
        }
        // 10. Restore the saved feed.
        if (st.restore && np.m.moves) {
            if (!n_stated) {
                replace_word(N, 'F', feed_text(st.saved_feed));
                n_changed = true;
                g = st.saved_feed;
                n_stated = true;
            }
            st.restore = 0;
        }
        // 11. A frame that only changes the feed after a move disappears.
        // One that holds any other word (M, L, G, but also a spindle speed
        // or a tool) keeps them and loses only its feed.
        if (cm.moves && !np.m.moves && n_stated) {
            if (np.has_other_words) {
                feed_del(N);
                n_changed = true;
                n_stated = false;
            } else {
                if (!more.next(N)) N = kEnd;
                continue;
            }
        }
        break;
    }
    const Motion& nm = np.m;

    // 12. Arc limit of the look-ahead frame.
    if (nm.arc) {
        const float raw = 60.0f * std::sqrt(static_cast<float>(ConversionState::kArcConstant) *
                                            (nm.i * nm.i + nm.j * nm.j + nm.k * nm.k));
        const double limit = opt_.round_limits ? round3(raw) : static_cast<double>(raw);
        if (g > limit) {
            if (opt_.arc_restore_feed) {
                st.arc_restore_feed = g;
            } else if (opt_.circle_slowdown) {
                st.saved_feed = g;
                st.restore = 1;
            }
            g = trunc_feed(limit);
            replace_word(N, 'F', feed_text(g));
            n_changed = true;
            n_stated = true;
        }
    }
    if (!n_changed) {
        cached_ = 1 - c_at;
        cached_valid_ = true;
    }

    // 13. A short arc before a slower frame runs at the slower feed.
    if (cm.arc && st.current_feed > g && c_len < ConversionState::kArcLength) {
        st.current_feed = g;
        FrameSlot& slot = win[top];
        slot.feed = g;
        replace_word(slot.text, 'F', FeedCode(g).view());
        if (!otkat(top)) return false;
    }

    // 14. Corner.
    double limit = 0;
    if (cm.moves) {
        if (nm.moves && g > opt_.speed_limit) {
            Motion c = cm, n = nm;
            if (c.arc) to_tangent(c, 2, true);
            if (n.arc) {
                if (np.g02) st.arc_direction = 2;
                else if (np.g03) st.arc_direction = 3;
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
                limit = st.current_feed;
            } else {
                if (opt_.speed_limit != 0) limit = 2.0 * opt_.speed_limit / (1 - cs);
                else limit = cs == -1 ? 0 : 2 / (1 - cs);
                if (g > limit && st.current_feed > limit) st.follow_up = 1;
            }
        }
        if (!nm.moves && !n_stated) st.follow_up = 2;
    }

    // 15.
    if (!cm.moves && nm.moves && !n_stated) st.follow_up = 3;

    // 16. The slot's feed as a feed code.
    if (c_stated) replace_word(win[top].text, 'F', FeedCode(st.current_feed).view());

    // 17. Braking frame before the corner.
    if (st.follow_up == 1) {
        const int fb = trunc_feed(limit);
        // C's own length (its words are the ones read in step 2: feed edits
        // never change them).
        if (!cm.arc || c_len >= ConversionState::kArcLength) {
            ++win.top;
            FrameSlot& slot = win[win.top];
            slot.text.assign("N000F");
            slot.text.append(FeedCode(fb).view());
            slot.text.push_back('\n');
            slot.feed = fb;
            slot.length = 0;
            slot.short_arc = 0;
        } else {
            FrameSlot& slot = win[top];
            slot.feed = fb;
            replace_word(slot.text, 'F', FeedCode(fb).view());
        }
        if (!otkat(win.top)) return false;
    }

    // 18. Stop frame before a frame without motion.
    if (st.follow_up == 2) {
        ++win.top;
        FrameSlot& slot = win[win.top];
        slot.text = kStopFrame;
        slot.feed = 0;
        slot.length = 0;
        slot.short_arc = 0;
        if (!otkat(win.top)) return false;
        st.follow_up = 0;
    }
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
    if (n == len) std::memcpy(frame.data() + at + 1, p, n); // nearly always: in place
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

} // namespace

bool run_window_pass(LineReader& in, TapeWriter& out, Analyzer& analyzer, Numbering& numbering) {
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
    win.top = -1;
    bool first = true;
    while (have_current) {
        std::string& current = lines[cur];
        std::string& next = lines[1 - cur];
        ++win.top;
        if (!analyzer.analyse(current, next, more, !first)) return false;
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
    }
    for (int i = 0; i <= win.top; ++i) emit(i);
    return true;
}

} // namespace lathra::engine
