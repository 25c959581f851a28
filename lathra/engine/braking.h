// The frame window and the braking analysis shared by the conversion of a
// .ptp tape and the re-pass over a split .up part. The two differ only in
// the options below; window, analysis, look-back and numbering are one code.
#pragma once

#include "lathra/engine/frame_text.h"
#include "lathra/engine/tape_io.h"

#include <array>
#include <string>

namespace lathra::engine {

// One frame held in the window. The text is the whole frame with its line
// end, whatever its length.
struct FrameSlot {
    std::string text;
    int feed = 0;      // mm/min
    float length = 0;  // mm
    // Whether the text is an arc (an I, J or K word) shorter than the arc
    // length, by its X, Y and Z words: 1 or 0, -1 until it is known. Feed
    // edits never change those words, so it is found once per frame.
    mutable signed char short_arc = -1;
};

// The window of 20 slots. When the 19th frame has been stored the oldest is
// written and the rest move down, so that 18 frames stay behind each new
// one; the 20th slot takes a frame that the analysis inserts.
class Window {
public:
    static constexpr int kSlots = 20;

    FrameSlot& operator[](int i) { return slots_[index(i)]; }
    const FrameSlot& operator[](int i) const { return slots_[index(i)]; }

    // Drops the n oldest slots: slots n..top move down by n and top goes
    // down by n. The slots above the new top keep the feeds they held at
    // their index before the move (a frame stored there later without a feed
    // of its own inherits it).
    void shift(int n);

    int top = -1;
    // Set once the oldest slot has been written out: from then on slot 0 is
    // no longer the tape's first frame, which starts from rest.
    bool shifted = false;

private:
    // Slot i of the window in the ring (0 <= i < kSlots).
    std::size_t index(int i) const {
        const int k = base_ + i;
        return static_cast<std::size_t>(k >= kSlots ? k - kSlots : k);
    }
    std::array<FrameSlot, kSlots> slots_{};
    int base_ = 0;
};

enum class Plane { XY, XZ, YZ };

// What the frame after the current one has to do.
enum class FollowUp {
    None,
    BrakingFrame,   // a braking frame was inserted (or a short arc slowed) before a corner
    StopFrame,      // a stop frame was inserted before a frame without motion
    MoveAfterStill  // a move follows a frame without motion
};

// State kept between frames.
struct ConversionState {
    Plane plane = Plane::XY;
    int arc_direction = 0;  // 2 after G02, 3 after G03
    int current_feed = 0;   // mm/min
    int saved_feed = 0;     // mm/min, restored after a short move or an arc
    bool restore_saved_feed = false;
    // Set by a frame for the next one: a move after it states its feed.
    FollowUp follow_up = FollowUp::None;
    int arc_restore_feed = 0;                // re-pass: feed to give back after an arc limit
    double sum_x = 0, sum_y = 0, sum_z = 0;  // mm
    static constexpr int kArcConstant = 5;
    static constexpr float kArcLength = 100.0f;  // mm
};

// The differences between the conversion of a .ptp tape and the re-pass
// over a .up part.
struct AnalysisOptions {
    int speed_limit = 100;  // mm/min allowed at a full reversal
    int feed_max = 1200;    // mm/min
    int acceleration = 50;  // mm/s²

    bool feeds_are_codes = false;   // F values are feed codes (read and written)
    bool round_limits = true;       // arc limit and corner cosine to three decimals
    bool circle_slowdown = true;    // conversion: restore the feed after an arc limit
    bool arc_restore_feed = false;  // re-pass: the arc restore feed instead
    bool repass_tangent = false;    // `tangent` instead of `tangentn`
    bool check_stopped_arc = true;  // look-back: a stop behind a short arc first
    int zero_braking_feed = 30;     // look-back: a computed feed of 0 becomes this
    bool m_s_end_lookback = true;   // look-back: M and S words end it

    static AnalysisOptions conversion(int speed_limit, int feed_max, int acceleration, bool circle_slowdown);
    static AnalysisOptions repass(int speed_limit, int feed_max, int acceleration);
};

// A braking error: -21 (a short arc would have to brake to a stop) or -22
// (the machine cannot brake within the frames of the window).
struct BrakingError {
    int code = 0;
    std::string frame;       // the frame named by the message
    std::string next_frame;  // -22: the frame after it
};

class Numbering;

// Feeds the analysis more input lines (feed-only frames are dropped and the
// next line is read in their place).
class LineSource {
public:
    virtual ~LineSource() = default;
    virtual bool next(std::string& line) = 0;
};

class Analyzer {
public:
    explicit Analyzer(const AnalysisOptions& options) : opt_(options) {}

    // Analyses `current` with `next` as its look-ahead, stores it in the
    // slot at the window's top (taking its text: `current` is left with
    // unspecified contents) and may insert a braking frame above it. May
    // rewrite `next` and replace it by further lines of `more`. False after
    // a braking error (see error()). `current_was_next`: `current` is the
    // look-ahead of the call before, unchanged since, so its words as read
    // then are used again.
    bool analiz(std::string& current, std::string& next, LineSource& more, bool current_was_next = false);

    // Look-back from slot k: lowers the feeds of earlier frames so that the
    // deceleration fits their lengths. False after a braking error.
    bool otkat(int k);

    Window& window() { return window_; }
    ConversionState& state() { return state_; }
    const ConversionState& state() const { return state_; }
    const AnalysisOptions& options() const { return opt_; }
    const BrakingError& error() const { return error_; }

private:
    struct Motion {
        float x = 0, y = 0, z = 0;  // mm
        float i = 0, j = 0, k = 0;  // mm
        bool moves = false;
        bool arc = false;
        float length() const;
    };
    // What the analysis reads of a frame.
    struct Parsed {
        Motion m;
        double sum_x = 0, sum_y = 0, sum_z = 0;  // the moves in mm, for the sums
        bool feed_stated = false;
        int feed = 0;  // mm/min
        bool g02 = false, g03 = false, g17 = false, g18 = false, g19 = false;
        bool has_f = false;
        bool has_other_words = false;  // a word other than N and F
        bool has_ijk = false;          // an I, J or K word, moving or not
    };
    // One call of the analysis: the current frame and its look-ahead with
    // their words as read, and what the steps decide about them.
    struct Pair {
        std::string& current;
        std::string& next;
        const Parsed& current_words;
        Parsed& next_words;
        int current_at;               // which of parsed_ holds current_words
        int top;                      // the current frame's slot
        float current_length;         // mm
        bool current_stated = false;  // the current frame states its feed
        bool next_stated = false;     // the look-ahead states its feed
        bool next_changed = false;    // the look-ahead's text was rewritten
        int next_feed = 0;            // mm/min
        double corner_limit = 0;      // mm/min allowed at the corner
    };
    Pair begin_pair(std::string& current, std::string& next, bool current_was_next);
    void apply_modal_words(const Pair& p);
    void add_to_sums(const Pair& p);
    void take_current_feed(Pair& p);
    void slow_short_move(Pair& p);
    void follow_up_previous_frame(Pair& p);
    void store_current(Pair& p);
    void read_look_ahead(Pair& p, LineSource& more);
    void limit_arc_feed(Pair& p);
    void keep_look_ahead_words(const Pair& p);
    bool slow_short_arc(Pair& p);
    void check_corner(Pair& p);
    void check_start_after_still(const Pair& p);
    void write_current_feed_code(const Pair& p);
    bool insert_braking_frame(const Pair& p);
    bool insert_stop_frame();

    void parse(const std::string& frame, Parsed& p) const;
    std::string feed_text(int feed) const;
    bool short_arc(const FrameSlot& slot) const;
    void to_tangent(Motion& m, int mode, bool current);
    bool fail(int code, const std::string& frame, const std::string& next = {});

    AnalysisOptions opt_;
    // The current and the look-ahead frame as parsed. The look-ahead's is
    // kept while its text stays as it was: it is the next call's current
    // frame.
    Parsed parsed_[2];
    int cached_ = 0;  // which of parsed_ is kept
    bool cached_valid_ = false;
    ConversionState state_;
    Window window_;
    BrakingError error_;
};

// The in-plane tangent of an arc for the conversion: (u, w) is the move,
// p and q the centre offsets along the plane's first and second axis; mode 1
// gives the tangent at the start of the arc, mode 2 at its end.
void tangentn(float& u, float& w, int mode, float q, float p, int arc_direction);

// The in-plane tangent of an arc for the re-pass.
void tangent(float& u, float& w, float a, float b, int arc_direction);

// Frame numbering: a frame with an N word gets the next number in its N
// value; after `wrap - 1` comes 1 again.
class Numbering {
public:
    Numbering(int width, long wrap) : width_(width), wrap_(wrap) {}
    void apply(std::string& frame);
    long number() const { return number_; }

private:
    int width_;
    long wrap_;
    long number_ = 1;
};

// How a pass over a tape ended.
enum class PassEnd {
    Done,
    BrakingError,    // see Analyzer::error()
    ValueOutOfRange  // a frame the tape format cannot hold: LineReader::bad_frame()
};

// Runs the window over a whole tape: every line through the analysis, the
// oldest frames numbered and written as the window fills, the rest at the
// end. A look-ahead line of exactly "END" (no line end) ends the tape.
// After an error the frames written so far stay written, and nothing more.
PassEnd run_window_pass(LineReader& in, TapeWriter& out, Analyzer& analyzer, Numbering& numbering);

}  // namespace lathra::engine
