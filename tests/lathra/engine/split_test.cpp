// Tape splitting: the whole dialogue with scripted answers.
#include "lathra/engine/split_dialogs.h"
#include "lathra/engine/splitting.h"
#include "lathra/ui/scripted.h"
#include "tape_files.h"

#include <gtest/gtest.h>

using namespace lathra::engine;
using lathra::engine::Answer;
using lathra::engine::DialogAction;
using lathra::ui::ScriptedPort;
using lathra_test::data_dir;
using lathra_test::read_file;
using lathra_test::TempDir;
using lathra_test::write_file;

namespace {

const std::string kTape = read_file(data_dir() / "split.up");

std::string has_limit_question(const std::string& name, long size) {
    return "Размер файла " + name + " - " + std::to_string(size) + " байт(а).\nЕсть ограничение на его длину?";
}
std::string split_question(const std::string& name, long size, long approx) {
    return "Размер файла " + name + " - " + std::to_string(size) +
           " байт(а).\nРазбить его на два?\n(Размер первой части файла будет примерно " + std::to_string(approx) +
           " байт(а))";
}

SplitOutcome run(ScriptedPort& port, const std::string& up) { return RunSplitter(port, up, 5000, 1200, 5000); }

}  // namespace

TEST(Split, WholeSplitByteForByte) {
    TempDir dir;
    const std::string up = dir / "job.up", second = dir / "part2.up";
    write_file(up, kTape);
    ScriptedPort port;
    port.answer(Answer::Yes).dialog(DialogAction::Ok, "280");  // limit 80: the cut before N006
    port.answer(Answer::Yes).dialog(DialogAction::Ok, second);
    port.answer(Answer::No);  // the second part is over the limit too: no further split
    const SplitOutcome o = run(port, up);

    EXPECT_EQ(o.status, SplitStatus::Stopped);
    EXPECT_EQ(o.second_parts, std::vector<std::string>{second});
    EXPECT_EQ(read_file(up), read_file(data_dir() / "split_part1.up"));
    EXPECT_EQ(read_file(second), read_file(data_dir() / "split_part2.up"));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"job.up", "part2.up"}));
    EXPECT_EQ(port.unanswered, 0);

    const std::vector<std::string> expect = {
        has_limit_question(up, 140),
        split_question(up, 140, 280),
        "Контрольные суммы:\nSUMX =      0.00 mm\nSUMY =      0.00 mm\nSUMZ =      0.00 mm",
        "Контрольные суммы:\nSUMX =     15.00 mm\nSUMY =     25.00 mm\nSUMZ =     -5.00 mm",
        split_question(second, 191, 280),
    };
    EXPECT_EQ(port.texts(), expect);
    const auto dialogs = port.dialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].caption, "Разбивка ленты");
    EXPECT_EQ(dialogs[0].field_text, "11800");
    EXPECT_EQ(dialogs[0].buttons, (std::vector<std::string>{"OK", "Отмена"}));
    EXPECT_EQ(dialogs[1].caption, "Разбивка");
    EXPECT_EQ(dialogs[1].field_text, "");
    EXPECT_EQ(dialogs[1].labels.back(), "Введите полное имя 2-й части разделяемого файла:");
}

TEST(Split, SplitsAgainUntilUnderTheLimit) {
    TempDir dir;
    const std::string up = dir / "job.up";
    std::string tape;
    for (int i = 1; i <= 80; ++i) tape += "N" + std::to_string(i) + "X+000100" + (i == 1 ? "F0660" : "") + "\n";
    write_file(up, tape);
    ScriptedPort port;
    port.answer(Answer::Yes).dialog(DialogAction::Ok, "600");  // limit 400
    port.answer(Answer::Yes).dialog(DialogAction::Ok, dir / "b.up");
    port.answer(Answer::Yes).dialog(DialogAction::Ok, dir / "c.up");
    const SplitOutcome o = run(port, up);
    EXPECT_EQ(o.status, SplitStatus::Finished);
    EXPECT_EQ(o.second_parts, (std::vector<std::string>{dir / "b.up", dir / "c.up"}));
    EXPECT_EQ(port.unanswered, 0);
    EXPECT_EQ(port.texts().back(), "Разбивка закончена");
    for (const char* n : {"job.up", "b.up"}) {
        const std::string part = read_file(dir / n);
        // the lines counted with one byte more each stay under the limit;
        // the closing frames come on top
        EXPECT_LE(part.size(), 400u + 40) << n;
        EXPECT_EQ(part.substr(part.size() - 6), "M30\n$\n") << n;
    }
    EXPECT_EQ(read_file(dir / "c.up").rfind("%\n", 0), 0u);
    EXPECT_LT(read_file(dir / "c.up").size(), 400u);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"b.up", "c.up", "job.up"}));
}

TEST(Split, RefusedAtEachQuestion) {
    struct Case {
        const char* what;
        void (*script)(ScriptedPort&, const std::string& dir);
        SplitStatus status;
        std::vector<std::string> texts;  // the messages after the first question
    };
    const Case cases[] = {
        {"no limit wanted",
         [](ScriptedPort& p, const std::string&) { p.answer(Answer::No); },
         SplitStatus::Declined,
         {}},
        {"limit dialog cancelled",
         [](ScriptedPort& p, const std::string&) { p.answer(Answer::Yes).dialog(DialogAction::Cancel); },
         SplitStatus::Declined,
         {}},
        {"no split wanted",
         [](ScriptedPort& p, const std::string&) {
             p.answer(Answer::Yes).dialog(DialogAction::Ok, "280").answer(Answer::No);
         },
         SplitStatus::Stopped,
         {"Q"}},
        {"file dialog closed, then no split",
         [](ScriptedPort& p, const std::string&) {
             p.answer(Answer::Yes).dialog(DialogAction::Ok, "280");
             p.answer(Answer::Yes).dialog(DialogAction::Cancel).answer(Answer::No);
         },
         SplitStatus::Stopped,
         {"Q", "Q"}},
        {"empty name, then no split",
         [](ScriptedPort& p, const std::string&) {
             p.answer(Answer::Yes).dialog(DialogAction::Ok, "280");
             p.answer(Answer::Yes).dialog(DialogAction::Ok, "").dialog(DialogAction::Cancel);
             p.answer(Answer::No);
         },
         SplitStatus::Stopped,
         {"Q", "Не задано имя файла", "Q"}},
        {"existing file not to be overwritten",
         [](ScriptedPort& p, const std::string& dir) {
             p.answer(Answer::Yes).dialog(DialogAction::Ok, "280");
             p.answer(Answer::Yes).dialog(DialogAction::Ok, dir + "/other.up").answer(Answer::No);
             p.dialog(DialogAction::Cancel).answer(Answer::No);
         },
         SplitStatus::Stopped,
         {"Q", "Файл с таким именем уже существует\nПереписать его?", "Введите другое имя", "Q"}},
        {"the input's own name",
         [](ScriptedPort& p, const std::string& dir) {
             p.answer(Answer::Yes).dialog(DialogAction::Ok, "280");
             p.answer(Answer::Yes).dialog(DialogAction::Ok, dir + "/./job.up").answer(Answer::Yes);
             p.answer(Answer::No);
         },
         SplitStatus::Stopped,
         {"Q", "Файл с таким именем уже существует\nПереписать его?", "Нельзя затирать файл JOB", "Q"}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string up = dir / "job.up";
        write_file(up, kTape);
        write_file(dir / "other.up", "keep me\n");
        ScriptedPort port;
        c.script(port, dir.path().string());
        const SplitOutcome o = run(port, up);
        EXPECT_EQ(o.status, c.status) << c.what;
        EXPECT_EQ(port.unanswered, 0) << c.what;
        std::vector<std::string> texts = port.texts();
        ASSERT_FALSE(texts.empty()) << c.what;
        EXPECT_EQ(texts.front(), has_limit_question(up, 140)) << c.what;
        texts.erase(texts.begin());
        for (std::string& t : texts) {
            if (t == split_question(up, 140, 280)) t = "Q";
            if (t == "Нельзя затирать файл " + up) t = "Нельзя затирать файл JOB";
        }
        EXPECT_EQ(texts, c.texts) << c.what;
        EXPECT_EQ(read_file(up), kTape) << c.what;
        EXPECT_EQ(read_file(dir / "other.up"), "keep me\n") << c.what;
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"job.up", "other.up"})) << c.what;
    }
}

TEST(Split, LengthFieldValidation) {
    TempDir dir;
    const std::string up = dir / "job.up";
    write_file(up, kTape);
    ScriptedPort port;
    port.answer(Answer::Yes);
    port.dialog(DialogAction::Ok, "").dialog(DialogAction::Ok, "12a").dialog(DialogAction::Ok, "-5");
    port.dialog(DialogAction::Ok, "100000");
    const SplitOutcome o = run(port, up);
    EXPECT_EQ(o.status, SplitStatus::Finished);
    EXPECT_EQ(port.texts(),
              (std::vector<std::string>{has_limit_question(up, 140), "Введите значение", "Введен неверный символ",
                                        "Введен неверный символ", "Разбивка закончена"}));
    const auto d = port.dialogs();
    ASSERT_EQ(d.size(), 4u);
    EXPECT_FALSE(d[0].focus_field);
    EXPECT_FALSE(d[1].focus_field);
    EXPECT_TRUE(d[2].focus_field);  // after a wrong character the field has the focus
    EXPECT_EQ(d[2].field_text, "12a");
    TLengthLimit l(port);
    l.Length = "11800";
    EXPECT_TRUE(l.OKButtonClick());
    EXPECT_EQ(l.limit, 11600);
}

TEST(Split, LimitThatHoldsNoMoveIsRefusedAndAskedAgain) {
    // The frames up to the first move (N003) take 49 bytes as the cut
    // counts them: 248 leaves 48 and is refused, 249 is taken.
    struct Case {
        const char* what;
        std::vector<std::string> lengths;  // entered in turn; after the last one, cancel
        SplitStatus status;
    };
    const Case cases[] = {
        {"refused, then one that holds the first move", {"248", "249"}, SplitStatus::Stopped},
        {"refused twice, then cancelled", {"10", "0"}, SplitStatus::Stopped},
        {"refused, then one above the tape", {"200", "100000"}, SplitStatus::Finished},
    };
    const std::string refused = "Первая часть не вместит ни одного кадра с перемещением.\nВведите не менее 249 байт(а)";
    for (const Case& c : cases) {
        TempDir dir;
        const std::string up = dir / "job.up";
        write_file(up, kTape);
        ScriptedPort port;
        port.answer(Answer::Yes);
        for (const std::string& l : c.lengths) port.dialog(DialogAction::Ok, l);
        port.dialog(DialogAction::Cancel);
        port.answer(Answer::No);  // the split question, when it comes
        const SplitOutcome o = run(port, up);
        EXPECT_EQ(o.status, c.status) << c.what;
        std::vector<std::string> expect = {has_limit_question(up, 140)};
        const bool taken_last = c.status != SplitStatus::Stopped || c.lengths.back() == "249";
        for (std::size_t i = 0; i + (taken_last ? 1 : 0) < c.lengths.size(); ++i) expect.push_back(refused);
        if (c.status == SplitStatus::Finished) expect.push_back("Разбивка закончена");
        else if (taken_last) expect.push_back(split_question(up, 140, 249));
        EXPECT_EQ(port.texts(), expect) << c.what;
        // the dialog comes back with what was entered
        const auto d = port.dialogs();
        ASSERT_GE(d.size(), 2u) << c.what;
        EXPECT_EQ(d[0].field_text, "11800");
        EXPECT_EQ(d[1].field_text, c.lengths[0]) << c.what;
        EXPECT_EQ(read_file(up), kTape) << c.what;
    }
}

TEST(Split, BrowseFillsTheName) {
    TempDir dir;
    const std::string up = dir / "job.up";
    write_file(up, kTape);
    ScriptedPort port;
    port.answer(Answer::Yes).dialog(DialogAction::Ok, "280").answer(Answer::Yes);
    port.dialog(DialogAction::Browse, "typed").file(std::nullopt);  // cancelled: the name is emptied
    port.dialog(DialogAction::Browse).file(dir / "p2.up");          // chosen
    port.dialog(DialogAction::Ok, dir / "p2.up");
    port.answer(Answer::No);
    const SplitOutcome o = run(port, up);
    EXPECT_EQ(o.status, SplitStatus::Stopped);
    const auto d = port.dialogs();
    ASSERT_EQ(d.size(), 4u);
    EXPECT_EQ(d[1].field_text, "");
    EXPECT_EQ(d[2].field_text, "");
    EXPECT_EQ(d[3].field_text, dir / "p2.up");
    const auto& save = port.events[4];  // after the two questions and two dialogs
    ASSERT_EQ(save.kind, ScriptedPort::EventKind::SaveFile);
    EXPECT_EQ(save.request.title, "Задайте путь и имя файла");
    EXPECT_EQ(save.request.default_ext, "up");
    EXPECT_EQ(save.request.filter, "All files (*.*)|*.*");
    EXPECT_EQ(save.request.initial_directory, dir.path().string());  // the job's directory
    EXPECT_EQ(read_file(dir / "p2.up"), read_file(data_dir() / "split_part2.up"));
}

TEST(Split, OverwritesAnExistingFileOnlyAfterYes) {
    TempDir dir;
    const std::string up = dir / "job.up";
    write_file(up, kTape);
    write_file(dir / "other.up", "keep me\n");
    ScriptedPort port;
    port.answer(Answer::Yes).dialog(DialogAction::Ok, "280");
    port.answer(Answer::Yes).dialog(DialogAction::Ok, dir / "other.up").answer(Answer::Yes);
    port.answer(Answer::No);
    run(port, up);
    EXPECT_EQ(read_file(dir / "other.up"), read_file(data_dir() / "split_part2.up"));
    EXPECT_EQ(read_file(up), read_file(data_dir() / "split_part1.up"));
}

TEST(Split, FailedRepassLosesNothing) {
    // A short arc right before a stop cannot be re-passed (-21): once at the
    // end of the first part, once at the end of the second.
    struct Case {
        const char* what;
        std::string from, to, length;
    };
    const Case cases[] = {
        {"first part", "N005Z-000500\n", "N005G02X+000500Y-000500I+000500\n", "296"},
        {"second part", "N009Y-000500\n", "N009G02X-000500Y-000500I-000500\n", "280"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string up = dir / "job.up";
        std::string tape = kTape;
        tape.replace(tape.find(c.from), c.from.size(), c.to);
        write_file(up, tape);
        write_file(dir / "other.up", "keep me\n");
        ScriptedPort port;
        port.answer(Answer::Yes).dialog(DialogAction::Ok, c.length);
        port.answer(Answer::Yes).dialog(DialogAction::Ok, dir / "other.up").answer(Answer::Yes);
        const SplitOutcome o = run(port, up);
        EXPECT_EQ(o.status, SplitStatus::Failed) << c.what;
        EXPECT_FALSE(o.ok());
        EXPECT_EQ(read_file(up), tape) << c.what;
        EXPECT_EQ(read_file(dir / "other.up"), "keep me\n") << c.what;
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"job.up", "other.up"})) << c.what;
        const auto m = port.messages();
        ASSERT_GE(m.size(), 2u);
        EXPECT_EQ(m[m.size() - 2].caption, "Ошибка в программе UpToUp") << c.what;
        EXPECT_EQ(m.back().caption, "Ошибка в программе lathra");
        EXPECT_EQ(m.back().text, "Разбивка файла " + up + " не выполнена.\nИсходные файлы не изменены.");
    }
}

TEST(Split, SecondPartThatCannotBeCreated) {
    TempDir dir;
    const std::string up = dir / "job.up";
    write_file(up, kTape);
    ScriptedPort port;
    port.answer(Answer::Yes).dialog(DialogAction::Ok, "280");
    port.answer(Answer::Yes).dialog(DialogAction::Ok, dir / "no/such/dir/p2.up");
    port.answer(Answer::No);  // asked again after the message
    const SplitOutcome o = run(port, up);
    EXPECT_EQ(o.status, SplitStatus::Stopped);
    const auto t = port.texts();
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[2], "Не могу создать файл " + (dir / "no/such/dir/p2.up"));
    EXPECT_EQ(read_file(up), kTape);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"job.up"}));
}

TEST(Split, CutLinesAndClosingFrames) {
    // A tape with an L word, a plane, and only the X sum non-zero at the cut.
    TempDir dir;
    const std::string up = dir / "job.up";
    write_file(up,
               "N001G18G02X+001000Z-000200F0660L2\nN002X-001000Z+000100\nN003X+000500\n"
               "N004X+000500Z+000100\nN005X+000100\nN006M30\n");
    ScriptedPort port;
    port.answer(Answer::Yes).dialog(DialogAction::Ok, "260");  // limit 60: the cut before N003
    port.answer(Answer::Yes).dialog(DialogAction::Ok, dir / "p2.up").answer(Answer::No);
    RunSplitter(port, up, 5000, 1200, 5000);
    const std::string p1 = read_file(up), p2 = read_file(dir / "p2.up");
    // first part: Z back with G40 and the L value at 300 mm/min; no X/Y move
    EXPECT_NE(p1.find("G01G40Z+000100F0630L2\n"), std::string::npos) << p1;
    EXPECT_EQ(p1.find("X+000000"), std::string::npos) << p1;
    EXPECT_EQ(p1.substr(p1.size() - 6), "M30\n$\n");
    // second part: Z out, the plane, the modal arc motion and the last feed
    // before the first move
    EXPECT_NE(p2.find("G01Z-000100F0630L2\n"), std::string::npos) << p2;
    EXPECT_NE(p2.find("G18\n"), std::string::npos) << p2;
    EXPECT_NE(p2.find("G02\nN"), std::string::npos) << p2;
    EXPECT_NE(p2.find("X+000500F0660\n"), std::string::npos) << p2;
}
