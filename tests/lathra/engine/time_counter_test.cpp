// The machining-time estimate.
#include "lathra/engine/time_counter.h"
#include "lathra/ui/scripted.h"
#include "tape_files.h"

#include <gtest/gtest.h>

using namespace lathra::engine;
using lathra_test::TempDir;
using lathra_test::write_file;

namespace {

float count(const std::string& up, int a) {
    TempDir dir;
    write_file(dir / "t.up", up);
    return TTimeCounter(dir / "t.up", a).Count();
}

}  // namespace

TEST(TimeCounter, FrameTimeBranches) {
    struct Case {
        const char* what;
        int d, c, e;
        float s;
        int a;
        float t;
        int middle_feed;
    };
    const Case cases[] = {
        {"no length", 600, 600, 600, 0, 50, 0, 600},
        {"no feed", 600, 0, 600, 100, 50, 0, 0},
        {"steady", 600, 600, 600, 100, 50, 10, 600},
        {"from and to rest, plateau", 0, 600, 0, 100, 50, 10.2f, 600},
        {"from and to rest, peak below the feed", 0, 600, 0, 0.5f, 50, 0.2f, 600},
        {"accelerating, reaches the feed", 0, 600, 1200, 100, 50, 10.1f, 600},
        // h = sqrt(2 A s) = 14.1 mm/s: above c = 10, so the frame reaches its
        // feed (compared with e = 20 it would wrongly run faster than c)
        {"accelerating, reaches the feed on a short move", 0, 600, 1200, 2, 50, 0.3f, 600},
        {"accelerating, does not reach the feed", 0, 600, 1200, 0.5f, 50, 0.141421f, 424},
        {"braking to a standstill", 1200, 600, 0, 100, 50, 0.2f, 0},
        {"braking, stays above the next feed", 1200, 600, 300, 0.5f, 50, 0.058579f, 424},
        {"braking below the next feed", 1200, 600, 480, 0.5f, 50, 0.12f, 600},
        {"slower than both neighbours", 1200, 600, 1200, 100, 50, 10, 600},
    };
    for (const Case& c : cases) {
        TTimeCounter t("unused", c.a);
        t.previous = {c.d, 0};
        t.middle = {c.c, c.s};
        t.next = {c.e, 0};
        EXPECT_NEAR(t.FrameTime(), c.t, 1e-4) << c.what;
        EXPECT_EQ(t.middle.feed, c.middle_feed) << c.what;
    }
}

TEST(TimeCounter, WholeFiles) {
    struct Case {
        const char* what;
        const char* up;
        int a;
        float t;
    };
    const Case cases[] = {
        {"one frame between frames at the same feed", "N1X+010000F0660\nN2X+010000\nN3X+010000\n", 50, 10},
        {"from and to standstill", "N1F0000\nN2X+010000F0660\nN3F0000\n", 50, 10.2f},
        {"frames without motion add nothing", "N1F0660\nN2M05\nN3M03\nN4S100\n", 50, 0},
        {"empty file", "", 50, 0},
        {"a single frame", "N1X+010000F0660\n", 50, 0},
        // after a rapid first frame, the second is timed from "N000F0624"
        {"rapid mark", "N1X+010000F4660\nN2X+010000\nN3X+010000\n", 50, 25},
        {"without the rapid mark", "N1X+010000F0660\nN2X+010000\nN3X+010000\n", 50, 10},
        {"A below 1 is 1", "N1F0000\nN2X+010000F0660\nN3F0000\n", 0, 20},
        {"A negative is 1", "N1F0000\nN2X+010000F0660\nN3F0000\n", -7, 20},
    };
    for (const Case& c : cases) EXPECT_NEAR(count(c.up, c.a), c.t, 1e-3) << c.what;
}

TEST(TimeCounter, ChainOfFramesFromAFile) {
    // Every branch of the frame time in one program (A = 5): each middle
    // frame timed between its neighbours, a frame that only brakes handing
    // its lowered feed on as the next frame's previous feed, feeds taken in
    // mm/s without rounding (530 mm/min), a rapid code on a later line, and
    // a last frame without feed and motion keeping the feed its entry held.
    // Frame by frame: 1.5, 10.25, 10.5, 1, 0.286335, 2, 0.585786 (its feed
    // becomes 424), 1.666667, 6.603472, 1.132075, 2.007220, 0, 2.
    const std::string file = (lathra_test::data_dir() / "time_chain.up").string();
    EXPECT_NEAR(TTimeCounter(file, 5).Count(), 39.53156f, 1e-4);
}

TEST(TimeCounter, MissingFileAnswersZeroAndTells) {
    lathra::ui::ScriptedPort port;
    TTimeCounter t("/no/such/file.up", 50, &port);
    EXPECT_EQ(t.Count(), 0.0f);
    EXPECT_TRUE(t.failed());
    ASSERT_EQ(port.messages().size(), 1u);
    EXPECT_EQ(port.messages()[0].text, "Не могу открыть файл /no/such/file.up");
}
