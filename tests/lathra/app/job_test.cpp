// The whole job from the start button to the end of the program, with the
// scripted back ends and a stand-in for the CAD postprocessor tool.
#include <gtest/gtest.h>

#include "lathra/app/command_line.h"
#include "lathra/app/main_dialog.h"
#include "lathra/ui/scripted.h"
#include "lathra/ui/scripted_form.h"
#include "tests/lathra/app/test_support.h"

namespace {

using lathra::engine::Answer;
using lathra::engine::DialogAction;
using namespace lathra_test;

// A short milling tape: spindle, coolant, a corner, an arc, a reversal.
constexpr const char* kTape =
    "%\n"
    "N001G17\n"
    "N002S800M03\n"
    "N003M08\n"
    "N004G01X+005000F0600\n"
    "N005G01Y+003000\n"
    "N006G03X+001000Y+001000I000000J001000\n"
    "N007G01X-006000\n"
    "N008G01X+002000\n"
    "N009M05\n"
    "N010M30\n"
    "END";

// An arc shorter than 100 mm followed by a stop: the machine would have to
// brake to 0 on the arc.
constexpr const char* kBrakingTape =
    "N001G01X+001000F0600\n"
    "N002G03X+001000Y+001000I000000J001000\n"
    "N003M05\n"
    "N004G01X+001000\n"
    "END";

struct JobFixture : ::testing::Test {
    TempDir dir;
    std::filesystem::path base = dir.path() / "cad base";
    std::filesystem::path ini = dir.path() / "lathra.ini";
    std::string log = dir / "rvk.log";
    std::string tape = dir / "source.ptp";
    ScopedEnv base_env{"JQII_BASE_DIR", base.string()};
    ScopedEnv log_env{"RVK_LOG", log};
    ScopedEnv tape_env{"RVK_TAPE", tape};
    std::optional<ScopedEnv> write_to;
    lathra::ui::ScriptedPort port;

    JobFixture() {
        make_base_dir(base);
        write_file(tape, kTape);
    }
    // The stand-in tool writes the tape to `ptp`.
    void tool_writes(const std::string& ptp) { write_to.emplace("RVK_WRITE_TO", ptp); }
    int run(std::vector<std::string> argv, std::vector<std::string> commands,
            lathra::ui::ScriptedForm** form_out = nullptr) {
        form = std::make_unique<lathra::ui::ScriptedForm>(std::move(commands));
        if (form_out) *form_out = form.get();
        return lathra::app::run_program(lathra::app::CommandLine(std::move(argv)), *form, port, ini);
    }
    std::vector<std::string> statuses() const {
        std::vector<std::string> out;
        for (const auto& v : form->shown())
            if (out.empty() || out.back() != v.status) out.push_back(v.status);
        return out;
    }
    std::string rvk_command() const { return (base / "mach/auxiliary/rvk").string(); }
    std::unique_ptr<lathra::ui::ScriptedForm> form;
};

TEST_F(JobFixture, OutputBaseNamesTheTapesAndTheToolGetsTheArgumentsAsGiven) {
    const std::string job = dir / "jobs/part1";
    const std::string out = dir / "out dir/p1";
    std::filesystem::create_directories(dir.path() / "out dir");
    tool_writes(out + ".ptp");
    // An argument with blanks and shell characters reaches the tool as it is.
    const std::string odd = "-PAUSE:a b;touch " + (dir / "shell-ran") + " $(x)";
    port.answer(Answer::No);  // no length limit
    const int rc = run({"lathra", "-Defo=" + job, "-O:" + out, odd}, {"machine=1", "accel=-30", "start"});
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(read_file(log), "-Defo=" + job + "\n-O:" + out + "\n" + odd + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "shell-ran"));

    const std::string param = "-Defo=" + job + " -O:" + out + " " + odd;
    EXPECT_EQ(statuses(), (std::vector<std::string>{"", rvk_command() + " " + param, out + ".ptp"}));

    ASSERT_TRUE(std::filesystem::exists(out + ".up"));
    EXPECT_FALSE(std::filesystem::exists(job + ".up"));
    // Free numbering of machine "ФП-9": five digits.
    EXPECT_NE(read_file(out + ".up").find("N00001G17"), std::string::npos);

    const auto texts = port.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].rfind("Создан файл " + out +
                                 ".up \nКонтрольные суммы:\n\tSUMX =     20.00 mm\n"
                                 "\tSUMY =     40.00 mm\n\tSUMZ =      0.00 mm\n\nВремя выполнения ->\n",
                             0),
              0u)
        << texts[0];
    EXPECT_EQ(port.messages()[0].caption, "lathra");
    EXPECT_EQ(port.messages()[0].kind, lathra::engine::MessageKind::Confirmation);
    EXPECT_EQ(texts[1].rfind("Размер файла " + out + ".up - ", 0), 0u);

    // The settings of the run are kept: ФП-9 with the acceleration typed.
    EXPECT_EQ(read_file(ini), "[Form]\nMethods=1\nSPEED_LIMIT=50\nFEED_MAX=900\nACCELERATION=30\nSEQNO=1\n");
    EXPECT_TRUE(form->closed());
}

TEST_F(JobFixture, WithoutOutputBaseTheJobBaseNamesTheTapesInTheWorkingDirectory) {
    ScopedCwd cwd(dir.path());
    tool_writes("part1.ptp");
    port.answer(Answer::No);
    EXPECT_EQ(run({"lathra", "-Defo:part1"}, {"start"}), 0);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "part1.up"));
    EXPECT_EQ(port.texts().at(0).rfind("Создан файл part1.up \n", 0), 0u);
    EXPECT_EQ(read_file(ini), "[Form]\nMethods=2\nSPEED_LIMIT=100\nFEED_MAX=1200\nACCELERATION=50\nSEQNO=0\n");
}

TEST_F(JobFixture, NoArgumentsRefusesToStart) {
    EXPECT_EQ(run({"lathra"}, {"start"}), 0);
    ASSERT_EQ(port.messages().size(), 1u);
    EXPECT_EQ(port.messages()[0].caption, "lathra -> WinMain");
    EXPECT_EQ(port.messages()[0].text, "Программе не переданы аргументы.\n Запуск производится в Dravenholt.");
    EXPECT_TRUE(form->shown().empty());  // no dialog was shown
    EXPECT_FALSE(std::filesystem::exists(log));
}

TEST_F(JobFixture, NoDefoKeepsTheDialogOpenAndRunsNothing) {
    lathra::ui::ScriptedForm* f = nullptr;
    EXPECT_EQ(run({"lathra", "-O:" + (dir / "x")}, {"start", "accel=7", "exit"}, &f), 0);
    ASSERT_EQ(port.messages().size(), 1u);
    EXPECT_EQ(port.messages()[0].caption, "Ошибка в программе lathra");
    EXPECT_EQ(port.messages()[0].text, "Неверная командная строка: нет \"-Defo= (v.18) или  -Defo: (v.19)\"");
    EXPECT_EQ(f->played(), 3u);  // the dialog stayed open for the next commands
    EXPECT_FALSE(std::filesystem::exists(log));
    EXPECT_FALSE(std::filesystem::exists(ini));  // the exit button saves nothing
}

TEST_F(JobFixture, NoTapeFromTheToolReportsTheCommandAndKeepsTheDialogOpen) {
    const std::string job = dir / "part2";
    lathra::ui::ScriptedForm* f = nullptr;
    // First the tool writes nothing; the second start finds the tape.
    EXPECT_EQ(run({"lathra", "-Defo=" + job}, {"start", "exit"}, &f), 0);
    ASSERT_EQ(port.messages().size(), 1u);
    EXPECT_EQ(port.messages()[0].caption, "Ошибка в программе lathra");
    EXPECT_EQ(port.messages()[0].text, "RVK не создал ptp-файл -> TMainDialog\n " + rvk_command() + " -Defo=" + job);
    EXPECT_EQ(f->played(), 2u);
    EXPECT_FALSE(std::filesystem::exists(ini));

    // A tool that cannot be started does not let an old tape pass for a new one.
    port.clear();
    write_file(job + ".ptp", kTape);
    {
        ScopedEnv no_base("JQII_BASE_DIR", dir / "no base");
        EXPECT_EQ(run({"lathra", "-Defo=" + job}, {"start"}), 0);
        ASSERT_EQ(port.messages().size(), 1u);
        EXPECT_EQ(port.messages()[0].text.rfind("RVK не создал ptp-файл -> TMainDialog\n ", 0), 0u);
        EXPECT_FALSE(std::filesystem::exists(job + ".up"));
    }

    port.clear();
    tool_writes(job + ".ptp");
    port.answer(Answer::No);
    EXPECT_EQ(run({"lathra", "-Defo=" + job}, {"start"}), 0);
    EXPECT_TRUE(std::filesystem::exists(job + ".up"));
}

TEST_F(JobFixture, BrakingErrorEndsTheProgramWithFailureAndKeepsTheSettings) {
    const std::string job = dir / "part3";
    write_file(tape, kBrakingTape);
    tool_writes(job + ".ptp");
    write_file(ini, "[Form]\nMethods=2\nSPEED_LIMIT=100\nFEED_MAX=1200\nACCELERATION=50\nSEQNO=0\n");
    const std::string before = read_file(ini);
    EXPECT_NE(run({"lathra", "-Defo=" + job}, {"accel=5", "start", "exit"}), 0);
    ASSERT_EQ(port.messages().size(), 1u);
    EXPECT_EQ(port.messages()[0].text.rfind("В кадре c круговой интерполяцией ", 0), 0u) << port.messages()[0].text;
    EXPECT_TRUE(form->closed());
    EXPECT_EQ(form->played(), 2u);                      // the program ended at once
    EXPECT_EQ(read_file(ini), before);                  // nothing saved
    EXPECT_TRUE(std::filesystem::exists(job + ".up"));  // the frames written so far
}

TEST_F(JobFixture, FailedToolEndsTheJobAndLeavesAStaleTapeAlone) {
    // The tool runs but fails, while an older tape of the job is still
    // there: that tape is not converted, the job ends with status 1.
    struct Case {
        const char* script;
        std::string message;
    };
    const Case cases[] = {
        {"#!/bin/sh\nexit 3\n", "RVK завершился с ошибкой (код 3)"},
        {"#!/bin/sh\nkill -9 $$\n", "RVK прерван сигналом 9"},
    };
    const std::string job = dir / "stale";
    for (const Case& c : cases) {
        port.clear();
        write_file(base / "mach/auxiliary/rvk", c.script, true);
        write_file(job + ".ptp", kTape);
        write_file(ini, "[Form]\nMethods=2\n");
        EXPECT_EQ(run({"lathra", "-Defo=" + job}, {"start", "exit"}), 1) << c.message;
        ASSERT_EQ(port.messages().size(), 1u) << c.message;
        EXPECT_EQ(port.messages()[0].caption, "Ошибка в программе lathra");
        EXPECT_EQ(port.messages()[0].text, c.message + " -> TMainDialog\n " + rvk_command() + " -Defo=" + job);
        EXPECT_EQ(form->played(), 1u);  // the program ended at once
        EXPECT_TRUE(form->closed());
        EXPECT_FALSE(std::filesystem::exists(job + ".up"));
        EXPECT_EQ(read_file(job + ".ptp"), kTape);
        EXPECT_EQ(read_file(ini), "[Form]\nMethods=2\n");  // nothing saved
    }
}

TEST_F(JobFixture, TapeWithAValueOutOfRangeEndsTheJobWithFailure) {
    const std::string job = dir / "huge";
    write_file(tape, "N001G01X+001000F600\nN002X+99999999999999999999\nN003Y+001000\n");
    tool_writes(job + ".ptp");
    EXPECT_EQ(run({"lathra", "-Defo=" + job}, {"start", "exit"}), 1);
    ASSERT_EQ(port.messages().size(), 1u);
    EXPECT_EQ(port.messages()[0].text,
              "Слишком большое значение в кадре:\nN002X+99999999999999999999\nСкорректируйте исходную программу.");
    EXPECT_EQ(form->played(), 1u);  // no report, no splitting
    EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST_F(JobFixture, NotepadOpensTheResultWithoutWaiting) {
    const std::string job = dir / "part4";
    tool_writes(job + ".ptp");
    const std::string seen = dir / "viewer.log";
    write_file(dir.path() / "viewer", "#!/bin/sh\nsleep 0.2\nprintf '%s\\n' \"$@\" > '" + seen + "'\n", true);
    ScopedEnv visual("VISUAL", (dir / "viewer") + " --readonly");
    port.answer(Answer::No);
    EXPECT_EQ(run({"lathra", "-Defo=" + job}, {"notepad=on", "start"}), 0);
    ASSERT_TRUE(wait_for_file(seen));
    EXPECT_EQ(read_file(seen), "--readonly\n" + job + ".up\n");
}

TEST_F(JobFixture, ViewerThatCannotStartIsReportedAndTheJobGoesOn) {
    const std::string job = dir / "part5";
    tool_writes(job + ".ptp");
    ScopedEnv visual("VISUAL", dir / "no-such-viewer");
    port.answer(Answer::No);
    EXPECT_EQ(run({"lathra", "-Defo=" + job}, {"notepad=on", "start"}), 0);
    const auto m = port.messages();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[1].caption, "lathra");
    EXPECT_NE(m[1].text.find("no-such-viewer"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(ini));
}

TEST_F(JobFixture, SplitterGetsTheTapeAndTheLimit) {
    const std::string job = dir / "part6";
    tool_writes(job + ".ptp");
    port.answer(Answer::Yes);                 // there is a length limit
    port.dialog(DialogAction::Ok, "100000");  // far above the tape
    EXPECT_EQ(run({"lathra", "-Defo=" + job}, {"start"}), 0);
    const auto texts = port.texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[2], "Разбивка закончена");
    EXPECT_EQ(port.dialogs().at(0).caption, "Разбивка ленты");
    EXPECT_TRUE(std::filesystem::exists(ini));
}

TEST_F(JobFixture, ExitAndAboutBox) {
    TempDir other;
    lathra::ui::ScriptedForm f({});
    lathra::app::TMainDialog dialog(f, port, lathra::app::CommandLine(std::vector<std::string>{"lathra", "-Defo=x"}),
                                    ini);
    dialog.FormCreate();
    dialog.Image1DblClick();
    ASSERT_EQ(port.messages().size(), 1u);
    EXPECT_EQ(port.messages()[0].caption, "О программе 'lathra' .....");
    EXPECT_FALSE(dialog.ended());
    dialog.ExitButtonClick();
    EXPECT_TRUE(dialog.ended());
    EXPECT_EQ(dialog.exit_code(), 0);
    EXPECT_TRUE(f.closed());
    EXPECT_FALSE(std::filesystem::exists(ini));
}

// The bundled example: its rvk stand-in names the tape by both rules, and
// the whole job runs on it.
struct ExampleFixture : ::testing::Test {
    TempDir dir;
    std::string base = KX_SOURCE_DIR "/examples/base";
    std::string sample = KX_SOURCE_DIR "/examples/base/mach/auxiliary/mill.ptp";
    std::filesystem::path ini = dir.path() / "lathra.ini";
    ScopedEnv base_env{"JQII_BASE_DIR", base};
    lathra::ui::ScriptedPort port;

    int run(std::vector<std::string> argv) {
        lathra::ui::ScriptedForm form({"start"});
        return lathra::app::run_program(lathra::app::CommandLine(std::move(argv)), form, port, ini);
    }
};

TEST_F(ExampleFixture, ToolStandInWritesTheSampleTapeUnderTheJobsName) {
    EXPECT_EQ(run_program({base + "/mach/auxiliary/rvk", "-Defo:" + (dir / "a b"), "-PAUSE:1"}, "").exit_code, 0);
    EXPECT_EQ(read_file(dir / "a b.ptp"), read_file(sample));
    EXPECT_EQ(run_program({base + "/mach/auxiliary/rvk", "-Defo=" + (dir / "x"), "-O:" + (dir / "y")}, "").exit_code,
              0);
    EXPECT_EQ(read_file(dir / "y.ptp"), read_file(sample));
    EXPECT_FALSE(std::filesystem::exists(dir / "x.ptp"));
    EXPECT_NE(run_program({base + "/mach/auxiliary/rvk", "-PAUSE:1"}, "").exit_code, 0);
}

TEST_F(ExampleFixture, WholeJob) {
    port.answer(Answer::No);
    EXPECT_EQ(run({"lathra", "-Defo=" + (dir / "mill")}), 0);
    ASSERT_FALSE(port.texts().empty());
    EXPECT_EQ(port.texts()[0].rfind("Создан файл " + (dir / "mill") +
                                        ".up \nКонтрольные суммы:\n"
                                        "\tSUMX =      0.15 mm\n\tSUMY =     30.00 mm\n\tSUMZ =      3.00 mm\n",
                                    0),
              0u)
        << port.texts()[0];
    const std::string up = read_file(dir / "mill.up");
    EXPECT_NE(up.find("N001G17\n"), std::string::npos);
    EXPECT_NE(up.find("N024F0000\n"), std::string::npos) << up;  // a braking frame, numbered in sequence
    EXPECT_TRUE(std::filesystem::exists(ini));
}

TEST_F(ExampleFixture, RepassErrorWhileSplittingEndsWithFailure) {
    // Cut at 600 bytes, the second part starts inside the contour and its
    // re-pass cannot brake on an arc.
    port.answer(Answer::Yes).answer(Answer::Yes);
    port.dialog(DialogAction::Ok, "600");
    port.dialog(DialogAction::Ok, dir / "mill2.up");
    EXPECT_NE(run({"lathra", "-Defo=" + (dir / "mill")}), 0);
    EXPECT_EQ(port.texts().back().rfind("Разбивка файла " + (dir / "mill") + ".up не выполнена.", 0), 0u)
        << port.texts().back();
    EXPECT_FALSE(std::filesystem::exists(ini));  // the settings are not saved
    EXPECT_TRUE(std::filesystem::exists(dir / "mill.up"));
}

}  // namespace
