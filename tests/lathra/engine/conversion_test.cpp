// The conversion of a .ptp tape with its braking analysis.
#include "lathra/engine/ptp_to_up.h"
#include "lathra/engine/splitting.h"
#include "lathra/engine/time_counter.h"
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

ConversionSettings machine(int speed_limit, int feed_max, int a) {
    ConversionSettings s;
    s.machine = 2;
    s.speed_limit = speed_limit;
    s.feed_max = feed_max;
    s.acceleration = a;
    return s;
}

struct Converted {
    std::string up;
    ConversionResult result;
    ScriptedPort port;
};

void convert(const std::string& ptp, const ConversionSettings& s, Converted& c) {
    TempDir dir;
    write_file(dir / "job.ptp", ptp);
    c.result = PtpToUp(dir / "job.ptp", dir / "job.up", s, c.port);
    c.up = read_file(dir / "job.up");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"job.ptp", "job.up"})) << "scratch file left";
}

std::string tape_of_moves(int n, const char* move, bool end_line = true) {
    std::string t;
    for (int i = 1; i <= n; ++i)
        t += "N" + std::to_string(i) + move + (i == 1 ? "F600" : "") + (end_line || i < n ? "\n" : "");
    return t;
}

}  // namespace

// Whole tapes checked byte for byte against their expected programs.
TEST(Conversion, FixturesByteForByte) {
    struct Case {
        const char* name;
        ConversionSettings settings;
    };
    const Case cases[] = {
        // a corner after two short moves: the braking frame, then the look-back
        // slows the moves before it as far as A = 1 requires, down to the first
        // frame of the tape, which starts from rest; the stop at the end of the
        // tape slows the last move, the braking frame and the moves again
        {"corner", machine(50, 1200, 1)},
        // an arc slowed to its limit, the feed restored after it
        {"arc", machine(2000, 2000, 50)},
        // a corner after a short move that follows a short arc: the look-back
        // lowers the move and hands its feed on to the arc unchanged; a frame
        // with an M word ends the look-back; a short arc before a slower frame
        // takes that frame's feed; a short arc before a corner is slowed
        // itself instead of getting a braking frame; after a frame without
        // motion the next move states its feed again
        {"arc_stops", machine(50, 1200, 5)},
        // once the window has moved, a frame without motion and without a
        // feed keeps the feed its slot held, and the look-back lowers it like
        // any other frame before a slower one
        {"stale_slot", machine(50, 1200, 50)},
    };
    for (const Case& c : cases) {
        Converted out;
        convert(read_file(lathra_test::data_dir() / (std::string(c.name) + ".ptp")), c.settings, out);
        EXPECT_TRUE(out.result.ok()) << c.name;
        EXPECT_EQ(out.up, read_file(lathra_test::data_dir() / (std::string(c.name) + ".up"))) << c.name;
        EXPECT_TRUE(out.port.events.empty()) << c.name;
    }
}

TEST(Conversion, BrakingCasesTable) {
    struct Case {
        const char* what;
        const char* ptp;
        ConversionSettings s;
        const char* up;
    };
    ConversionSettings no_circle = machine(2000, 2000, 50);
    no_circle.circle_slowdown = false;
    const Case cases[] = {
        {"right angle: limit 2 x SpeedLimit, braking frame after the first move", "N1G01X+010000F600\nN2Y+010000\n",
         machine(50, 1200, 50), "N001G01X+010000F0660\nN002F0610\nN003Y+010000F0660\nN004F0000\n"},
        {"full reversal: limit SpeedLimit", "N1G01X+010000F600\nN2X-010000\n", machine(50, 1200, 50),
         "N001G01X+010000F0660\nN002F0550\nN003X-010000F0660\nN004F0000\n"},
        {"straight on: no braking", "N1G01X+010000F600\nN2X+010000\n", machine(50, 1200, 50),
         "N001G01X+010000F0660\nN002X+010000\nN003F0000\n"},
        {"corner at a feed the machine takes: nothing", "N1G01X+010000F90\nN2Y+010000\n", machine(50, 1200, 50),
         "N001G01X+010000F0590\nN002Y+010000\nN003F0000\n"},
        {"short move at twice SpeedLimit, the old feed back after it", "N1G01X+010000F600\nN2X+000020\nN3X+010000\n",
         machine(50, 1200, 50), "N001G01X+010000F0660\nN002X+000020F0610\nN003X+010000F0660\nN004F0000\n"},
        {"stop frame before a frame without motion, explicit feed after it", "N1G01X+010000F600\nN2M05\nN3X+010000\n",
         machine(50, 1200, 50), "N001G01X+010000F0660\nN002F0000\nN003M05\nN004X+010000F0660\nN005F0000\n"},
        {"a feed-only frame after a move disappears", "N1G01X+010000F600\nN2F400\nN3X+010000\n", machine(50, 1200, 50),
         "N001G01X+010000F0660\nN002X+010000\nN003F0000\n"},
        {"several feed-only frames, up to the end of the tape", "N1G01X+010000F600\nN2F400\nN3F500\n",
         machine(50, 1200, 50), "N001G01X+010000F0660\nN002F0000\n"},
        {"a feed frame with M keeps the M and loses the F", "N1G01X+010000F600\nN2M03F400\nN3X+010000\n",
         machine(50, 1200, 50), "N001G01X+010000F0660\nN002F0000\nN003M03\nN004X+010000F0660\nN005F0000\n"},
        {"a feed frame with a spindle speed or a tool keeps them and loses the F",
         "N1G01X+001000F600\nN2S1200F400\nN3X+001000\nN4T02F300\nN5X+001000\n", machine(50, 1200, 50),
         "N001G01X+001000F0660\nN002F0000\nN003S1200\nN004X+001000F0660\nN005F0000\nN006T02\n"
         "N007X+001000F0660\nN008F0000\n"},
        {"the first frame held to FeedMax; later frames as look-ahead", "N1G01X+010000F5000\nN2X+010000F3000\n",
         machine(50, 1200, 50), "N001G01X+010000F0712\nN002X+010000F0712\nN003F0000\n"},
        {"arc limit without restoring the feed",
         "N1G17G01X+010000F1500\nN2G02X+001000Y-001000I+001000\nN3G01X+010000\n", no_circle,
         "N001G17G01X+010000F0715\nN002G02X+001000Y-001000I+001000F0713\nN003G01X+010000\nN004F0000\n"},
        {"corner into an arc: its start tangent counts; out of it: its end tangent",
         "N1G17G01X+010000F600\nN2G02X+001000Y-001000I+001000\nN3G01Y-010000\n", machine(50, 1200, 50),
         "N001G17G01X+010000F0660\nN002F0610\nN003G02X+001000Y-001000I+001000F0660\nN004G01Y-010000\n"
         "N005F0000\n"},
        // read in the XY plane these arcs would make corners and get braking
        // frames; in their own plane they run on tangentially
        {"an arc in the XZ plane: tangents from X and Z with I and K",
         "N1G18G01X+001000F600\nN2G02X+000500Z-000500I000000K000500\nN3G01Z-001000\n", machine(50, 1200, 50),
         "N001G18G01X+001000F0660\nN002G02X+000500Z-000500I000000K000500\nN003G01Z-001000\nN004F0000\n"},
        {"an arc in the YZ plane: tangents from Y and Z with J and K",
         "N1G19G01Y+001000F600\nN2G02Y+000500Z-000500J000000K000500\nN3G01Z-001000\n", machine(50, 1200, 50),
         "N001G19G01Y+001000F0660\nN002G02Y+000500Z-000500J000000K000500\nN003G01Z-001000\nN004F0000\n"},
        {"frames without words pass unnumbered", "<cut>\n\nN1X+010000F600\n", machine(50, 1200, 50),
         "<cut>\n\nN001X+010000F0660\nN002F0000\n"},
        {"END without a line end ends the tape", "N1X+000100F600\nEND", machine(50, 1200, 50),
         "N001X+000100F0660\nN002F0000\n"},
        {"END with a line end is a frame", "N1X+000100F600\nEND\n", machine(50, 1200, 50),
         "N001X+000100F0660\nN002F0000\nEND\n"},
        {"empty tape", "", machine(50, 1200, 50), ""},
        {"values that are no numbers; a value read as far as it is a number", "N1X+-.Y..F\nN2G01X 12 34F600\n",
         machine(50, 1200, 50), "N001X+-.Y..F\nN002G01X 12 34F0610\nN003F0000\n"},
    };
    for (const Case& c : cases) {
        Converted out;
        convert(c.ptp, c.s, out);
        EXPECT_TRUE(out.result.ok()) << c.what;
        EXPECT_EQ(out.up, c.up) << c.what;
    }
}

TEST(Conversion, CrLfLineEndsReadAsLineFeeds) {
    Converted lf, crlf;
    const std::string tape = "N1G01X+010000F600\nN2Y+010000\nN3M05\nEND\n";
    std::string windows;
    for (char c : tape) {
        if (c == '\n') windows += '\r';
        windows += c;
    }
    convert(tape, machine(50, 1200, 50), lf);
    convert(windows, machine(50, 1200, 50), crlf);
    EXPECT_EQ(crlf.up, lf.up);
    EXPECT_EQ(crlf.up, "N001G01X+010000F0660\nN002F0610\nN003Y+010000F0660\nN004F0000\nN005M05\nEND\n");
}

TEST(Conversion, WindowShiftsKeepEveryFrameInOrder) {
    for (int n : {1, 17, 18, 19, 20, 40}) {
        Converted out;
        convert(tape_of_moves(n, "X+000100"), machine(50, 1200, 50), out);
        std::string expect;
        char buf[64];
        for (int i = 1; i <= n; ++i) {
            std::snprintf(buf, sizeof buf, "N%03dX+000100%s\n", i, i == 1 ? "F0660" : "");
            expect += buf;
        }
        std::snprintf(buf, sizeof buf, "N%03dF0000\n", n + 1);
        expect += buf;
        EXPECT_TRUE(out.result.ok()) << n;
        EXPECT_EQ(out.up, expect) << n;
    }
}

TEST(Conversion, ChecksumsAreTheInputMoves) {
    Converted out;
    convert("N1G01X+010000Y-002550F600\nN2Y+010000Z-000125\nN3X-000001\n", machine(50, 1200, 50), out);
    EXPECT_NEAR(out.result.sum_x, 99.99, 1e-9);
    EXPECT_NEAR(out.result.sum_y, 74.50, 1e-9);
    EXPECT_NEAR(out.result.sum_z, -1.25, 1e-9);
}

TEST(Conversion, NumberingWraps) {
    struct Case {
        int machine;
        NumberingMode mode;
        int frames;
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {2, NumberingMode::H33, 1002, "N999X", "N001X"},
        {0, NumberingMode::H33, 1002, "N999X", "N001X"},
        {2, NumberingMode::Free, 30001, "N29999X", "N00001X"},
        {0, NumberingMode::Free, 100001, "N99999X", "N00001X"},
    };
    for (const Case& c : cases) {
        ConversionSettings s = machine(50, 1200, 50);
        s.machine = c.machine;
        s.numbering = c.mode;
        Converted out;
        convert(tape_of_moves(c.frames, "X+000100"), s, out);
        const std::string pair = std::string(c.before) + "+000100\n" + c.after + "+000100\n";
        EXPECT_NE(out.up.find(pair), std::string::npos) << c.frames << " " << c.before;
    }
    // In free numbering with analysis, 30000 never appears.
    ConversionSettings s = machine(50, 1200, 50);
    s.numbering = NumberingMode::Free;
    Converted out;
    convert(tape_of_moves(30001, "X+000100"), s, out);
    EXPECT_EQ(out.up.find("N30000"), std::string::npos);
}

TEST(Conversion, InsertedFramesAreNumberedInSequence) {
    Converted out;
    convert("N7G01X+010000F600\nN8Y+010000\nN9X-010000\n", machine(50, 1200, 50), out);
    EXPECT_EQ(out.up,
              "N001G01X+010000F0660\nN002F0610\nN003Y+010000F0660\nN004F0610\nN005X-010000F0660\n"
              "N006F0000\n");
}

TEST(Conversion, NoneMethods) {
    ConversionSettings s = machine(50, 1000, 50);
    s.machine = 0;
    Converted out;
    convert("N1G01X+010000F600\nN2Y+010000F5000\n<no number>\nN3X-000050\nEND", s, out);
    EXPECT_TRUE(out.result.ok());
    EXPECT_EQ(out.up, "N001G01X+010000F0660\nN002Y+010000F0710\n<no number>\nN003X-000050\nEND");
    EXPECT_NEAR(out.result.sum_x, 99.5, 1e-9);
    EXPECT_NEAR(out.result.sum_y, 100.0, 1e-9);
}

TEST(Conversion, FeedMaxAboveTheCodeRangeIsHeld) {
    Converted out;
    convert("N1X+010000F50000\nN2X+010000F20000\n", machine(50, 50000, 5000), out);
    EXPECT_EQ(out.up, "N001X+010000F0799\nN002X+010000F0799\nN003F0000\n");
}

TEST(Conversion, LongFramesAreKeptWhole) {
    const std::string comment(400, 'c');
    Converted out;
    convert("N1G01X+010000F600<" + comment + ">\nN2X+010000<" + comment + ">\n", machine(50, 1200, 50), out);
    EXPECT_TRUE(out.result.ok());
    EXPECT_EQ(out.up, "N001G01X+010000F0660<" + comment + ">\nN002X+010000<" + comment + ">\nN003F0000\n");
}

TEST(Conversion, ShortArcBrakingToAStopIsError21) {
    Converted out;
    convert("N1G02X+001000Y-001000I+001000F600\n", machine(50, 1200, 50), out);
    EXPECT_EQ(out.result.status, ConversionStatus::BrakingError);
    EXPECT_EQ(out.result.braking.code, -21);
    ASSERT_EQ(out.port.messages().size(), 1u);
    EXPECT_EQ(out.port.messages()[0].caption, "lathra");
    EXPECT_EQ(out.port.messages()[0].text,
              "В кадре c круговой интерполяцией N1G02X+001000Y-001000I+001000F0660\n"
              "               недопустимое торможение до 0. Скорректируйте исходную программу.\n"
              " Как Решение:\n\t 1.вывод окружности линейными отрезками\n\t 2.убрать галочку "
              "восстановления скорости на окружности");
    EXPECT_EQ(out.up, "");  // the conversion ran: the frames written so far (none)
}

TEST(Conversion, BrakingBeyondTheWindowIsError22AndKeepsWrittenFrames) {
    // 25 moves of 0.3 mm at 600 with A = 1 cannot stop within 18 frames.
    Converted out;
    convert(tape_of_moves(25, "X+000030"), machine(50, 1200, 1), out);
    EXPECT_EQ(out.result.status, ConversionStatus::BrakingError);
    EXPECT_EQ(out.result.braking.code, -22);
    ASSERT_EQ(out.port.messages().size(), 1u);
    const std::string text = out.port.messages()[0].text;
    EXPECT_EQ(text.rfind("Слишком маленькая подача в кадре:\nN25X+000030F", 0), 0u) << text;
    EXPECT_NE(text.find("\n \n \t  Станок не успевает затормозиться в предыдущих 18-и кадрах.\n \t  "
                        "Скорректируйте исходную программу.\n Как Решение: \n\t 1.вывод окружности "
                        "линейными отрезками\n\t 2.убрать галочку восстановления скорости на "
                        "окружности"),
              std::string::npos);
    // Frames 1 to 6 had left the window before the error.
    EXPECT_EQ(out.up,
              "N001X+000030F0660\nN002X+000030\nN003X+000030\nN004X+000030\nN005X+000030\n"
              "N006X+000030\n");
}

TEST(Conversion, BrakingIntoTheFirstFrameOfTheTapeIsNoError) {
    // The same tape with 10 moves: the look-back reaches slot 0 of a window
    // that has not moved yet, the first frame of the tape.
    Converted out;
    convert(tape_of_moves(10, "X+000030"), machine(50, 1200, 1), out);
    EXPECT_TRUE(out.result.ok());
    EXPECT_TRUE(out.port.events.empty());
    EXPECT_NE(out.up.find("N011F0000\n"), std::string::npos);
    EXPECT_EQ(out.up.rfind("N001X+000030F0", 0), 0u);
    EXPECT_EQ(out.up.find("N001X+000030F0660"), std::string::npos);  // slowed
}

TEST(Conversion, UnreadableTapeWritesNothing) {
    for (const char* ptp : {"missing.ptp", "a_directory.ptp"}) {
        TempDir dir;
        std::filesystem::create_directory(dir / "a_directory.ptp");
        write_file(dir / "job.up", "good old program\n");
        ScriptedPort port;
        const auto r = PtpToUp(dir / ptp, dir / "job.up", machine(50, 1200, 50), port);
        EXPECT_EQ(r.status, ConversionStatus::CannotOpenPtp) << ptp;
        ASSERT_EQ(port.messages().size(), 1u) << ptp;
        EXPECT_EQ(port.messages()[0].caption, "Ошибка в программе");
        EXPECT_EQ(port.messages()[0].text, "Не могу открыть ptp-файл -> lathra::PtpToUp");
        EXPECT_EQ(read_file(dir / "job.up"), "good old program\n") << ptp;
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"a_directory.ptp", "job.up"})) << ptp;
    }
}

TEST(Conversion, UpThatCannotBeCreated) {
    TempDir dir;
    write_file(dir / "job.ptp", "N1X+000100F600\n");
    ScriptedPort port;
    const auto r = PtpToUp(dir / "job.ptp", dir / "no/such/dir/job.up", machine(50, 1200, 50), port);
    EXPECT_EQ(r.status, ConversionStatus::CannotCreateUp);
    ASSERT_EQ(port.messages().size(), 1u);
    EXPECT_EQ(port.messages()[0].text, "Не могу создать up-файл -> lathra::PtpToUp");
}

TEST(Tangents, TangentnTable) {
    struct Case {
        float u, w;
        int mode;
        float q, p;
        int dir;
        float nu, nw;
    };
    const Case cases[] = {
        // start tangent (mode 1): the offsets swapped onto the move's signs
        {10, 10, 1, 3, 4, 2, 3, 4},
        {-10, 10, 1, 3, 4, 2, -3, 4},
        {10, -10, 1, -3, -4, 3, 3, -4},
        {0, 10, 1, 3, 4, 2, 0, 4},
        // end tangent (mode 2), each quadrant of the chord, both directions
        {10, 10, 2, 3, 4, 2, 13, 6},      // p' = -4 + 10, q' = 3 + 10
        {10, -10, 2, 3, 4, 2, 7, -14},    // p' = 4 + 10, q' = 3 - 10
        {-10, 10, 2, 3, 4, 2, -7, 14},    // p' = -4 - 10, q' = -3 + 10
        {-10, -10, 2, 3, 4, 2, -13, -6},  // p' = 4 - 10, q' = -3 - 10
        {10, 10, 2, 3, 4, 3, 7, 14},      // negated: p' = 4 + 10, q' = -3 + 10
        {-10, -10, 2, 3, 4, 3, -7, -14},
    };
    for (const Case& c : cases) {
        float u = c.u, w = c.w;
        tangentn(u, w, c.mode, c.q, c.p, c.dir);
        EXPECT_FLOAT_EQ(u, c.nu) << c.u << "," << c.w << " mode " << c.mode << " dir " << c.dir;
        EXPECT_FLOAT_EQ(w, c.nw) << c.u << "," << c.w << " mode " << c.mode << " dir " << c.dir;
    }
}

TEST(Tangents, TangentTable) {
    struct Case {
        float u, w, a, b;
        int dir;
        float nu, nw;
    };
    const Case cases[] = {
        {1, -1, 0, 5, 2, 0, -1},
        {-1, 1, 0, 5, 3, -1, 0},
        {1, 1, 5, 0, 2, 1, 0},
        {-1, -1, 0, 0, 3, 0, -1},
        {-1, 1, 0, 5, 2, 0, 1},
        {1, -1, 5, 0, 3, 1, 0},
        {-1, -1, 0, 5, 2, -1, 0},
        {1, 1, 0, 5, 3, 0, 1},
        // both offsets non-zero: their sizes with the move's signs
        {2, -3, -7, 9, 2, 7, -9},
        {-2, 3, 7, -9, 3, -7, 9},
        // unchanged: a zero component, or no arc direction
        {0, 3, 1, 1, 2, 0, 3},
        {2, 0, 1, 1, 3, 2, 0},
        {2, 3, 1, 1, 0, 2, 3},
    };
    for (const Case& c : cases) {
        float u = c.u, w = c.w;
        tangent(u, w, c.a, c.b, c.dir);
        EXPECT_FLOAT_EQ(u, c.nu) << c.u << "," << c.w << " a " << c.a << " b " << c.b << " dir " << c.dir;
        EXPECT_FLOAT_EQ(w, c.nw) << c.u << "," << c.w << " a " << c.a << " b " << c.b << " dir " << c.dir;
    }
}

TEST(Conversion, SurvivesRandomTapes) {
    // Random words, signs, blanks, huge values and stray characters: every
    // stage runs to its end without a fault (the sanitizers watch).
    std::uint32_t seed = 12345;
    auto rnd = [&](std::uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    const char* alphabet = "NGXYZIJKFMSTL<> +-.0123456789EDR\r";
    for (int t = 0; t < 150; ++t) {
        std::string tape;
        const int lines = static_cast<int>(rnd(60));
        for (int l = 0; l < lines; ++l) {
            const int len = static_cast<int>(rnd(40));
            for (int c = 0; c < len; ++c) {
                if (rnd(10) == 0) tape += "99999999999999999999";
                else tape += alphabet[rnd(34)];
            }
            tape += '\n';
        }
        if (rnd(3) == 0) tape += "END";
        for (int index : {0, 2}) {
            ConversionSettings s =
                machine(static_cast<int>(rnd(200)), 1 + static_cast<int>(rnd(20000)), static_cast<int>(rnd(60)));
            s.machine = index;
            s.numbering = rnd(2) ? NumberingMode::Free : NumberingMode::H33;
            s.circle_slowdown = rnd(2) != 0;
            Converted out;
            convert(tape, s, out);
            TempDir dir;
            // the converted tape, and the random text itself as a .up tape
            for (const std::string& up : {out.up, tape}) {
                write_file(dir / "t.up", up);
                ScriptedPort port;
                (void)TTimeCounter(dir / "t.up", s.acceleration).Count();
                (void)TUpToUp(dir / "t.up", dir / "r.up", s.feed_max, s.acceleration, s.speed_limit, port).Run();
                port.answer(lathra::engine::Answer::Yes)
                    .dialog(lathra::engine::DialogAction::Ok, std::to_string(200 + rnd(400)))
                    .answer(lathra::engine::Answer::Yes)
                    .dialog(lathra::engine::DialogAction::Ok, dir / "p2.up");
                const SplitOutcome o = RunSplitter(port, dir / "t.up", s.speed_limit, s.feed_max, s.acceleration);
                if (!o.ok()) {
                    EXPECT_EQ(read_file(dir / "t.up"), up);  // nothing lost
                }
            }
        }
    }
}
