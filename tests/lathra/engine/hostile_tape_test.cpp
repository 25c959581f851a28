// Tapes a hostile world writes: values the tape format cannot hold and line
// ends of a lone carriage return, through every stage (conversion with and
// without braking analysis, time estimate, re-pass and splitting).
#include "lathra/engine/frame_text.h"
#include "lathra/engine/ptp_to_up.h"
#include "lathra/engine/splitting.h"
#include "lathra/engine/text_format.h"
#include "lathra/engine/time_counter.h"
#include "lathra/engine/up_to_up.h"
#include "lathra/ui/scripted.h"
#include "tape_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace lathra::engine;
using lathra::ui::ScriptedPort;
using lathra_test::read_file;
using lathra_test::TempDir;
using lathra_test::write_file;

namespace {

ConversionSettings machine(int index) {
    ConversionSettings s;
    s.machine = index;
    s.speed_limit = 50;
    s.feed_max = 1200;
    s.acceleration = 50;
    return s;
}

std::string message_for(const std::string& frame) {
    return "Слишком большое значение в кадре:\n" + frame + "Скорректируйте исходную программу.";
}

struct BadTape {
    const char* what;
    std::string tape;
    std::string frame;    // the frame the message names
    std::string written;  // what the conversion with analysis leaves in the .up
};

std::vector<BadTape> bad_tapes() {
    const std::string many(400, '7');
    std::string long_tape;
    for (int i = 1; i <= 25; ++i) long_tape += "N" + std::to_string(i) + "X+001000" + (i == 1 ? "F600" : "") + "\n";
    return {
        {"a coordinate of twenty digits", "N001G01X+001000F600\nN002X+99999999999999999999\nN003Y+001000\n",
         "N002X+99999999999999999999\n", ""},
        {"a move of sixteen digits", "N001G01X+001000F600\nN002Y-1234567890123456\nN003Y+001000\n",
         "N002Y-1234567890123456\n", ""},
        {"a coordinate of four hundred digits", "N001G01X+001000F600\nN002Z" + many + "\n", "N002Z" + many + "\n", ""},
        {"ten digits are one too many", "N001G01X+001000F600\nN002X+1000000000\n", "N002X+1000000000\n", ""},
        {"an arc offset", "N001G01X+001000F600\nN002G02X+001000Y+001000I+99999999999999\n",
         "N002G02X+001000Y+001000I+99999999999999\n", ""},
        {"a feed", "N001G01X+001000F600\nN002X+001000F60000000000\n", "N002X+001000F60000000000\n", ""},
        {"the first frame", "N001G01X+99999999999999999999F600\nN002Y+001000\n", "N001G01X+99999999999999999999F600\n",
         ""},
        {"the last frame, without a line end", "N001G01X+001000F600\nN002X+001000\nN003X+12345678901",
         "N003X+12345678901", ""},
        // frames that left the window before the faulty one stay written
        {"after the window has moved", long_tape + "N26X+99999999999999999999\n", "N26X+99999999999999999999\n",
         "N001X+001000F0660\nN002X+001000\nN003X+001000\nN004X+001000\nN005X+001000\nN006X+001000\n"},
    };
}

}  // namespace

TEST(HostileTape, ValueOutOfRangeInEveryStage) {
    for (const BadTape& c : bad_tapes()) {
        SCOPED_TRACE(c.what);
        const std::string text = message_for(c.frame.back() == '\n' ? c.frame : c.frame + "\n");
        // Conversion, with and without the braking analysis: like a braking
        // error, no sums, the frames written before it stay.
        for (int index : {2, 0}) {
            TempDir dir;
            write_file(dir / "job.ptp", c.tape);
            write_file(dir / "job.up", "older program\n");
            ScriptedPort port;
            const ConversionResult r = PtpToUp(dir / "job.ptp", dir / "job.up", machine(index), port);
            EXPECT_EQ(r.status, ConversionStatus::ValueOutOfRange) << index;
            EXPECT_FALSE(r.ok());
            EXPECT_EQ(r.bad_frame, c.frame) << index;
            EXPECT_EQ(r.sum_x, 0);
            EXPECT_EQ(r.sum_y, 0);
            EXPECT_EQ(r.sum_z, 0);
            ASSERT_EQ(port.messages().size(), 1u) << index;
            EXPECT_EQ(port.messages()[0].caption, "Ошибка в программе");
            EXPECT_EQ(port.messages()[0].text, text);
            if (index == 2) {
                EXPECT_EQ(read_file(dir / "job.up"), c.written);
            } else {
                EXPECT_EQ(read_file(dir / "job.up").find(c.frame), std::string::npos);
            }
            EXPECT_EQ(dir.names(), (std::vector<std::string>{"job.ptp", "job.up"}));
        }
        TempDir dir;
        write_file(dir / "t.up", c.tape);
        // Time estimate: no time from the tape.
        {
            ScriptedPort port;
            TTimeCounter counter(dir / "t.up", 50, &port);
            EXPECT_EQ(counter.Count(), 0.0);
            EXPECT_TRUE(counter.failed());
            EXPECT_EQ(counter.total, 0.0);
            ASSERT_EQ(port.messages().size(), 1u);
            EXPECT_EQ(port.messages()[0].caption, "Ошибка в программе lathra");
            EXPECT_EQ(port.messages()[0].text, text);
        }
        // Re-pass: no checksums shown.
        {
            ScriptedPort port;
            const RepassResult r = TUpToUp(dir / "t.up", dir / "r.up", 1200, 50, 50, port).Run();
            EXPECT_EQ(r.status, RepassStatus::ValueOutOfRange);
            EXPECT_FALSE(r.ok());
            ASSERT_EQ(port.messages().size(), 1u);
            EXPECT_EQ(port.messages()[0].caption, "Ошибка в программе UpToUp");
            EXPECT_EQ(port.messages()[0].text, text);
        }
        // Splitting: the job fails and nothing is changed.
        {
            ScriptedPort port;
            port.answer(Answer::Yes).dialog(DialogAction::Ok, "221");  // the first move just fits
            port.answer(Answer::Yes).dialog(DialogAction::Ok, dir / "p2.up");
            const SplitOutcome o = RunSplitter(port, dir / "t.up", 50, 1200, 50);
            EXPECT_EQ(o.status, SplitStatus::Failed);
            EXPECT_FALSE(o.ok());
            const auto texts = port.texts();
            EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end());
            EXPECT_EQ(read_file(dir / "t.up"), c.tape);
            EXPECT_FALSE(std::filesystem::exists(dir / "p2.up"));
        }
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"r.up", "t.up"}));
    }
}

TEST(HostileTape, ValuesThatFitAreNoError) {
    // Nine digits, leading zeros, a long fraction, blanks: all readable.
    const std::string tape =
        "N1G01X+999999999F600\nN2Y+0000000000000000001000\nN3Z-1.0000000000000000000001\n"
        "N4X 000000000000000000012\n";
    TempDir dir;
    write_file(dir / "job.ptp", tape);
    ScriptedPort port;
    const ConversionResult r = PtpToUp(dir / "job.ptp", dir / "job.up", machine(2), port);
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(port.events.empty());
    EXPECT_NEAR(r.sum_x, 9999999.99 + 0.12, 1e-6);
    EXPECT_NEAR(r.sum_y, 10.0, 1e-9);
    EXPECT_NEAR(r.sum_z, -0.01, 1e-9);
}

TEST(HostileTape, ALoneCarriageReturnEndsALine) {
    // The same tapes with LF, CR LF and lone CR line ends (also mixed, and a
    // CR as the very last character) go through every stage alike.
    const std::string lf = "N001G01X+001000F600\nN002Y+001000\nN003X+000777\nN004M05\nN005X-000300\n";
    auto with = [&](const std::string& end) {
        std::string t;
        for (char c : lf) {
            if (c == '\n') t += end;
            else t += c;
        }
        return t;
    };
    std::string mixed = with("\r");
    mixed.replace(mixed.find("\rN003"), 1, "\r\n");
    mixed.replace(mixed.find("\rN004"), 1, "\n");
    struct Outputs {
        std::string up, time_text, repass, part1, part2;
        double sum_x = 0, sum_y = 0;
    };
    auto run_all = [](const std::string& tape) {
        Outputs o;
        TempDir dir;
        write_file(dir / "job.ptp", tape);
        ScriptedPort port;
        const ConversionResult r = PtpToUp(dir / "job.ptp", dir / "job.up", machine(2), port);
        EXPECT_TRUE(r.ok());
        o.up = read_file(dir / "job.up");
        o.sum_x = r.sum_x;
        o.sum_y = r.sum_y;
        write_file(dir / "t.up", tape);
        o.time_text = std::to_string(TTimeCounter(dir / "t.up", 50).Count());
        EXPECT_TRUE(TUpToUp(dir / "t.up", dir / "r.up", 1200, 50, 50, port).Run().ok());
        o.repass = read_file(dir / "r.up");
        port.answer(Answer::Yes).dialog(DialogAction::Ok, "250");
        port.answer(Answer::Yes).dialog(DialogAction::Ok, dir / "p2.up").answer(Answer::No);
        EXPECT_TRUE(RunSplitter(port, dir / "t.up", 50, 1200, 50).ok());
        o.part1 = read_file(dir / "t.up");
        o.part2 = read_file(dir / "p2.up");
        return o;
    };
    const Outputs expect = run_all(lf);
    EXPECT_EQ(expect.up,
              "N001G01X+001000F0660\nN002F0610\nN003Y+001000F0660\nN004F0610\nN005X+000777F0660\n"
              "N006F0000\nN007M05\nN008X-000300F0660\nN009F0000\n");
    EXPECT_NEAR(expect.sum_x, 14.77, 1e-9);
    for (const std::string& tape : {with("\r"), with("\r\n"), mixed}) {
        const Outputs got = run_all(tape);
        EXPECT_EQ(got.up, expect.up);
        EXPECT_EQ(got.sum_x, expect.sum_x);
        EXPECT_EQ(got.sum_y, expect.sum_y);
        EXPECT_EQ(got.time_text, expect.time_text);
        EXPECT_EQ(got.repass, expect.repass);
        EXPECT_EQ(got.part1, expect.part1);
        EXPECT_EQ(got.part2, expect.part2);
    }
}

TEST(HostileTape, SumsThatRoundToZeroPrintWithoutASign) {
    // -0.1 - 0.2 + 0.3 is a hair below zero; -0.4 hundredths rounds to zero.
    struct Case {
        const char* tape;
    };
    for (const Case c : {Case{"N1X-000010F0660\nN2X-000020\nN3X+000030\n"}, Case{"N1X-0.4F0660\n"}}) {
        TempDir dir;
        write_file(dir / "in.up", c.tape);
        ScriptedPort port;
        EXPECT_TRUE(TUpToUp(dir / "in.up", dir / "out.up", 1200, 50, 50, port).Run().ok());
        ASSERT_EQ(port.messages().size(), 1u) << c.tape;
        EXPECT_EQ(port.messages()[0].text,
                  "Контрольные суммы:\nSUMX =      0.00 mm\nSUMY =      0.00 mm\nSUMZ =      0.00 mm")
            << c.tape;
    }
    EXPECT_EQ(checksum_shown(-0.004), 0.0);
    EXPECT_EQ(checksum_shown(-0.005 - 1e-12), -0.005 - 1e-12);  // prints -0.01
    EXPECT_EQ(checksum_shown(-1e-300), 0.0);
    EXPECT_EQ(checksum_shown(2.5), 2.5);
}

TEST(HostileTape, TimeOfHugeButReadableTapesIsFinite) {
    // The largest moves at the smallest feed, many of them: the total stays
    // finite and in range.
    std::string tape = "N1X+999999999Y-999999999Z+999999999F0450\n";
    for (int i = 0; i < 2000; ++i) tape += "N2X+999999999Y-999999999Z+999999999\n";
    TempDir dir;
    write_file(dir / "t.up", tape);
    TTimeCounter counter(dir / "t.up", 1);
    const double t = counter.Count();
    EXPECT_FALSE(counter.failed());
    EXPECT_TRUE(std::isfinite(t));
    EXPECT_GT(t, 1e11);
}

TEST(HostileTape, OversizedValuesWhereverTheyStand) {
    // Ten digits are one too many, nine are not, at every place in a frame;
    // leading zeros, blanks and signs carry no digit; only the words read as
    // numbers count, and of each its first occurrence as the stages read it.
    for (std::size_t pad = 0; pad < 25; ++pad) {
        const std::string head = "N1" + std::string(pad, 'G');
        for (const char letter : {'X', 'Y', 'Z', 'I', 'J', 'K', 'F'}) {
            EXPECT_TRUE(has_oversized_value(head + letter + "1234567890\n")) << pad << letter;
            EXPECT_TRUE(has_oversized_value(head + letter + "-1234567890")) << pad << letter;
            EXPECT_FALSE(has_oversized_value(head + letter + "123456789\n")) << pad << letter;
            EXPECT_FALSE(has_oversized_value(head + letter + "+0000000000123456789\n")) << pad << letter;
        }
    }
    struct Case {
        const char* frame;
        bool oversized;
    };
    const Case cases[] = {
        {"N1234567890123G01\n", false},     // a frame number is never read as a number
        {"N1S12345678901234M03\n", false},  // nor a spindle speed
        {"N1X 1234567890\n", true},         // blanks before the number
        {"N1X12345.678901234\n", false},    // a long fraction is only rounded
        {"N1X1X12345678901\n", false},      // the second X is never read
        {"N1X+1234567890Y1\n", true},      {"", false}, {"12345678901234567890", false},  // digits in no word
    };
    for (const Case& c : cases) EXPECT_EQ(has_oversized_value(c.frame), c.oversized) << c.frame;
}
