// The re-pass over a split part and the analysis options it differs in.
#include "lathra/engine/braking.h"
#include "lathra/engine/up_to_up.h"
#include "lathra/ui/scripted.h"
#include "tape_files.h"

#include <gtest/gtest.h>

using namespace lathra::engine;
using lathra::ui::ScriptedPort;
using lathra_test::read_file;
using lathra_test::TempDir;
using lathra_test::write_file;

namespace {

struct Passed {
    std::string up;
    RepassResult result;
    ScriptedPort port;
};

void repass(const std::string& input, int speed_limit, int feed_max, int a, Passed& p) {
    TempDir dir;
    write_file(dir / "in.up", input);
    p.result = TUpToUp(dir / "in.up", dir / "out.up", feed_max, a, speed_limit, p.port).Run();
    p.up = read_file(dir / "out.up");
}

}  // namespace

TEST(Repass, NumbersFromOneInTheNWordsValue) {
    Passed p;
    repass("N5X+010000F0660\nN17X+010000\nN00080X+010000\n<no number>\nN000F0610\n", 50, 1200, 50, p);
    EXPECT_TRUE(p.result.ok());
    EXPECT_EQ(p.up, "N001X+010000F0660\nN002X+010000\nN003X+010000\nN004F0000\n<no number>\nN005F0610\n");
}

TEST(Repass, NumberingWrapsAfter999) {
    std::string in;
    for (int i = 0; i < 1001; ++i) in += "N00000X+000100" + std::string(i == 0 ? "F0660" : "") + "\n";
    Passed p;
    repass(in, 50, 1200, 50, p);
    EXPECT_NE(p.up.find("N999X+000100\nN001X+000100\nN002X+000100\n"), std::string::npos);
}

TEST(Repass, ArcRestoreFeedAndChecksums) {
    Passed p;
    repass("N1G17G01X+010000F0715\nN2G02X+001000Y-001000I+001000\nN3G01X+010000\nN4X+010000\n", 2000, 2000, 50, p);
    EXPECT_TRUE(p.result.ok());
    // the arc's look-ahead limit 1341.64 (not rounded) lowers the arc to 1341
    // (written 0713); the frame after the arc gets the old 1500 back
    EXPECT_EQ(p.up,
              "N001G17G01X+010000F0715\nN002G02X+001000Y-001000I+001000F0713\n"
              "N003G01X+010000F0715\nN004X+010000\nN005F0000\n");
    ASSERT_EQ(p.port.messages().size(), 1u);
    EXPECT_EQ(p.port.messages()[0].text,
              "Контрольные суммы:\nSUMX =    310.00 mm\nSUMY =    -10.00 mm\nSUMZ =      0.00 mm");
}

TEST(Repass, ArcRestoreFeedWaitsForTheNextMove) {
    // A frame without motion after the slowed arc neither takes the old feed
    // (it would only lose it again) nor disappears; the next move gets it.
    Passed p;
    repass("N1G17G01X+010000F0715\nN2G02X+010000Y-010000I+001000\nN3M08\nN4G01X+010000\n", 2000, 2000, 50, p);
    EXPECT_TRUE(p.result.ok());
    EXPECT_EQ(p.up,
              "N001G17G01X+010000F0715\nN002G02X+010000Y-010000I+001000F0713\nN003F0000\nN004M08\n"
              "N005G01X+010000F0715\nN006F0000\n");
    // A frame holding a spindle speed is kept too: after a short arc it asks
    // for a stop the arc cannot make, which is error -21, not a lost frame.
    Passed q;
    repass("N1G17G01X+001000F0660\nN2G02X+000400Y+000400I000400J000000\nN3S1200\nN4G01X+001000\n", 50, 1000, 5, q);
    EXPECT_EQ(q.result.status, RepassStatus::BrakingError);
    EXPECT_EQ(q.result.braking.code, -21);
}

TEST(Repass, CornersAtArcsByteForByte) {
    // SpeedLimit 50, FeedMax 1000, A 5: an arc slowed to its limit (536.656,
    // not rounded: 0653), the old feed back after it; the corner out of the
    // arc from its tangent (4, 8) (offsets plus chord) against the next move:
    // cosine 0.4472 (not rounded), limit 180.9, so the short arc itself runs
    // at 180 (0618); a corner into a move of 0.5 mm with M08, which the
    // look-back lowers to 167 (0616) through its M word; the stop at the end.
    Passed p;
    repass(read_file(lathra_test::data_dir() / "repass_arcs.up"), 50, 1000, 5, p);
    EXPECT_TRUE(p.result.ok());
    EXPECT_EQ(p.up, read_file(lathra_test::data_dir() / "repass_arcs_out.up"));
    ASSERT_EQ(p.port.messages().size(), 1u);
    EXPECT_EQ(p.port.messages()[0].text,
              "Контрольные суммы:\nSUMX =     14.00 mm\nSUMY =      4.50 mm\nSUMZ =      0.00 mm");
}

TEST(Repass, MAndSWordsDoNotEndTheLookBack) {
    // Three moves of 0.3 mm with A = 1: the stop at the end slows all of
    // them, through the frame with M03 (the conversion would stop there).
    Passed p;
    repass("N1X+000030F0660\nN2M03X+000030\nN3X+000030\n", 50, 1200, 1, p);
    EXPECT_TRUE(p.result.ok());
    EXPECT_EQ(p.up, "N001X+000030F0579\nN002M03X+000030F0565\nN003X+000030F0546\nN004F0000\n");
}

TEST(Repass, OptionsOfTheLookBack) {
    // slot 0 a move of 100 mm at 600, slot 1 a braking frame at 100, slot 2 a
    // stop: braking from 100 to 0 over no length computes 0, which becomes 30
    // in the conversion and 5 in the re-pass.
    struct Case {
        bool repass;
        const char* braking;
    };
    for (const Case c : {Case{false, "N000F0530\n"}, Case{true, "N000F0450\n"}}) {
        Analyzer an(c.repass ? AnalysisOptions::repass(50, 1200, 50) : AnalysisOptions::conversion(50, 1200, 50, true));
        Window& w = an.window();
        w[0] = {"N1X+010000F0660\n", 600, 100};
        w[1] = {"N000F0610\n", 100, 0};
        w[2] = {"N000F0000\n", 0, 0};
        w.top = 2;
        EXPECT_TRUE(an.otkat(2));
        EXPECT_EQ(w[1].text, c.braking);
        EXPECT_EQ(w[0].feed, 600);
    }
    // A stop behind a stopped short arc: checked first in the conversion only.
    for (bool rp : {false, true}) {
        Analyzer an(rp ? AnalysisOptions::repass(50, 1200, 50) : AnalysisOptions::conversion(50, 1200, 50, true));
        Window& w = an.window();
        w[0] = {"N1G02X+001000Y-001000I+001000F0000\n", 0, 14.1f};
        w[1] = {"N000F0000\n", 0, 0};
        w.top = 1;
        EXPECT_EQ(an.otkat(1), rp) << rp;
        if (!rp) {
            EXPECT_EQ(an.error().code, -21);
        }
    }
}

TEST(Repass, BrakingErrorsAreShownThroughThePort) {
    Passed p;
    repass("N1G02X+001000Y-001000I+001000F0660\n", 50, 1200, 50, p);
    EXPECT_EQ(p.result.status, RepassStatus::BrakingError);
    ASSERT_EQ(p.port.messages().size(), 1u);
    EXPECT_EQ(p.port.messages()[0].caption, "Ошибка в программе UpToUp");
    EXPECT_EQ(p.port.messages()[0].text,
              "\nВ кадре c круговой интерполяцией N1G02X+001000Y-001000I+001000F0660\nнедопустимое "
              "торможение до 0. Скорректируйте исходную программу.\n\n");

    std::string in;
    for (int i = 1; i <= 25; ++i) in += "N" + std::to_string(i) + "X+000030" + (i == 1 ? "F0660" : "") + "\n";
    Passed q;
    repass(in, 50, 1200, 1, q);
    EXPECT_EQ(q.result.braking.code, -22);
    ASSERT_EQ(q.port.messages().size(), 1u);
    const std::string text = q.port.messages()[0].text;
    EXPECT_EQ(text.rfind("\nСлишком маленькая подача в кадре:\nN25X+000030F", 0), 0u) << text;
    EXPECT_NE(text.find("\nN000F0000\n\n\nСтанок не успевает затормозиться в предыдущих 18-и "
                        "кадрах.\nСкорректируйте исходную программу.\n\n"),
              std::string::npos)
        << text;
}

TEST(Repass, FilesThatCannotBeOpened) {
    TempDir dir;
    ScriptedPort port;
    auto r = TUpToUp(dir / "none.up", dir / "out.up", 1200, 50, 50, port).Run();
    EXPECT_EQ(r.status, RepassStatus::CannotOpen);
    EXPECT_FALSE(lathra_test::read_file(dir / "out.up").size());
    EXPECT_EQ(dir.names().size(), 0u);
    write_file(dir / "in.up", "N1X+000100F0660\n");
    r = TUpToUp(dir / "in.up", dir / "no/dir/out.up", 1200, 50, 50, port).Run();
    EXPECT_EQ(r.status, RepassStatus::CannotOpen);
    ASSERT_EQ(port.messages().size(), 2u);
    EXPECT_EQ(port.messages()[0].caption, "Ошибка в программе UpToUp");
    EXPECT_EQ(port.messages()[0].text, "Не могу открыть файл " + (dir / "none.up"));
    EXPECT_EQ(port.messages()[1].text, "Не могу открыть файл " + (dir / "no/dir/out.up"));
}

TEST(WindowShift, SlotsAboveTheTopKeepTheirFeeds) {
    // Moving slots n..top down by n leaves the slots above the new top with
    // the feeds their index held: a frame stored there without a feed of its
    // own (and without motion) keeps that feed.
    for (int n : {1, 2}) {
        Window w;
        for (int i = 0; i < Window::kSlots; ++i) w[i] = {"N" + std::to_string(i) + "\n", i * 10, 0};
        w.top = 17 + n;
        w.shift(n);
        EXPECT_EQ(w.top, 17);
        EXPECT_TRUE(w.shifted);
        for (int i = 0; i <= 17; ++i) {
            EXPECT_EQ(w[i].text, "N" + std::to_string(i + n) + "\n") << n;
            EXPECT_EQ(w[i].feed, (i + n) * 10) << n;
        }
        EXPECT_EQ(w[18].feed, 180) << n;
        EXPECT_EQ(w[19].feed, 190) << n;
    }
}
