// The plain-line protocol and the console back end: in process on string
// streams, and the built program driven through a pipe.
#include <gtest/gtest.h>

#include <sstream>

#include "lathra/ui/console.h"
#include "lathra/ui/main_form.h"
#include "tests/lathra/app/test_support.h"

namespace {

using namespace lathra::ui;
using namespace lathra::engine;
using namespace lathra_test;

// Records the events a form delivers.
class RecordingEvents : public MainFormEvents {
public:
    const MainFormValues& values() const override { return v; }
    void ComboBoxMachineChange(int i) override {
        log.push_back("machine " + std::to_string(i));
        v.machine = i;
    }
    void SpeedLimitFieldChange(std::string t) override { log.push_back("speed '" + t + "'"); }
    void FeedMaxFieldChange(std::string t) override { log.push_back("feed '" + t + "'"); }
    void AFieldChange(std::string t) override { log.push_back("accel '" + t + "'"); }
    void numbering_chosen(bool free) override { log.push_back(free ? "free" : "h33"); }
    void circle_set(CheckState s) override { log.push_back(s == CheckState::Checked ? "circle on" : "circle off"); }
    void notepad_set(bool on) override {
        log.push_back(on ? "notepad on" : "notepad off");
        v.notepad = on;
    }
    void StartButtonClick() override {
        log.push_back("start");
        if (on_start) on_start();
    }
    void ExitButtonClick() override {
        log.push_back("exit");
        if (form) form->close();
    }
    void Image1DblClick() override { log.push_back("about"); }

    MainFormValues v;
    std::vector<std::string> log;
    MainForm* form = nullptr;
    std::function<void()> on_start;
};

TEST(FormProtocolTest, EachCommandRunsItsHandler) {
    struct Case {
        const char* line;
        const char* event;  // nullptr: unknown, no handler runs
    };
    const Case cases[] = {
        {"machine=3", "machine 3"}, {"MACHINE=0", "machine 0"},
        {"machine=5", nullptr},     {"machine=", nullptr},
        {"machine=12", nullptr},    {"speed=-30", "speed '-30'"},
        {"feed=", "feed ''"},       {"accel= 5 x", "accel ' 5 x'"},
        {"numbering=free", "free"}, {"numbering=H33", "h33"},
        {"numbering=iso", nullptr}, {"circle=off", "circle off"},
        {"circle=ON", "circle on"}, {"notepad=on", "notepad on"},
        {"notepad=yes", nullptr},   {"", "start"},
        {"start", "start"},         {"start\r", "start"},
        {"exit", "exit"},           {"about", nullptr},
        {"speed", nullptr},
    };
    for (const auto& c : cases) {
        RecordingEvents e;
        const auto r = apply_form_command(e, c.line);
        if (c.event == nullptr) {
            EXPECT_EQ(r, CommandResult::Unknown) << c.line;
            EXPECT_TRUE(e.log.empty()) << c.line;
        } else {
            EXPECT_EQ(r, CommandResult::Handled) << c.line;
            EXPECT_EQ(e.log, std::vector<std::string>{c.event}) << c.line;
        }
    }
}

TEST(ConsoleTest, YesNoAnswers) {
    for (const char* yes : {"y", "Y", "yes", "YES", "д", "Д", "да", "ДА", "Да", " yes \r"})
        EXPECT_TRUE(console_yes(yes)) << yes;
    for (const char* no : {"", "n", "no", "нет", "yess", "ok", "1"}) EXPECT_FALSE(console_yes(no)) << no;
}

TEST(ConsoleTest, MessagesAndQuestions) {
    std::istringstream in("да\nnope\n");
    std::ostringstream out;
    ConsoleBackend c(in, out);
    EXPECT_EQ(show_message(c, "lathra", "Разбивка закончена"), Answer::Ok);
    EXPECT_EQ(show_message(c, "lathra", "Разбить?", Buttons::YesNo), Answer::Yes);
    EXPECT_EQ(show_message(c, "lathra", "Ещё?", Buttons::YesNo), Answer::No);
    EXPECT_EQ(show_message(c, "lathra", "И ещё?", Buttons::YesNo), Answer::No);  // end of input
    EXPECT_EQ(out.str(),
              "[lathra]\nРазбивка закончена\n[lathra]\nРазбить?\n(y/n)\n[lathra]\nЕщё?\n(y/n)\n"
              "[lathra]\nИ ещё?\n(y/n)\n");
}

TEST(ConsoleTest, EditDialogReadsTheFieldAndEndOfInputCancels) {
    std::istringstream in("9000\n\n");
    std::ostringstream out;
    ConsoleBackend c(in, out);
    EditDialogView view;
    view.caption = "Разбивка ленты";
    view.labels = {"Введите максимально допустимый размер ленты в байтах"};
    view.field_name = "Length";
    view.field_text = "11800";
    view.buttons = {"OK", "Отмена"};
    auto r = c.edit_dialog(view);
    EXPECT_EQ(r.action, DialogAction::Ok);
    EXPECT_EQ(r.field_text, "9000");
    r = c.edit_dialog(view);
    EXPECT_EQ(r.action, DialogAction::Ok);
    EXPECT_EQ(r.field_text, "");  // an empty line is an empty field
    r = c.edit_dialog(view);
    EXPECT_EQ(r.action, DialogAction::Cancel);
    EXPECT_EQ(out.str().substr(0, out.str().find("Length")),
              "[Разбивка ленты]\nВведите максимально допустимый размер ленты в байтах\n");
    EXPECT_NE(out.str().find("Length: 11800\n"), std::string::npos);

    std::istringstream in2("  /tmp/part 2.up \n\n");
    ConsoleBackend c2(in2, out);
    SaveFileRequest req;
    req.title = "Задайте путь и имя файла";
    EXPECT_EQ(c2.save_file_dialog(req), std::optional<std::string>("/tmp/part 2.up"));
    EXPECT_EQ(c2.save_file_dialog(req), std::nullopt);
    EXPECT_EQ(c2.save_file_dialog(req), std::nullopt);
}

TEST(ConsoleTest, FormPrintsItsComponentsThenTheChangesAndEndOfInputExits) {
    std::istringstream in("notepad=on\nbogus\nstart\n");
    std::ostringstream out;
    ConsoleBackend c(in, out);
    RecordingEvents e;
    e.form = &c;
    e.v.machine = 2;
    e.v.speed_limit = "100";
    e.on_start = [&] {
        e.v.status = "job running";
        c.refresh();
    };
    c.run(e);
    EXPECT_EQ(e.log, (std::vector<std::string>{"notepad on", "start", "exit"}));
    const std::string s = out.str();
    EXPECT_EQ(s.rfind("== Постпроцессор для станков с УЧПУ Н33 ==\n", 0), 0u);
    for (const char* part : {"machine=2 ФП-17", "speed=100\n", "(*) Стандартный Н33 (max 999)\n",
                             "[x] Восстанавливать скорость после торможения на окружности\n",
                             "[ ] После постпроцессирования открыть файл  в блокноте .\n", "[Постпроцесс] [Выход]\n"})
        EXPECT_NE(s.find(part), std::string::npos) << part;
    // After the form: only what changed.
    const std::string tail = s.substr(s.find("commands:"));
    EXPECT_EQ(tail.substr(tail.find('\n') + 1),
              "[x] После постпроцессирования открыть файл  в блокноте .\n"
              "unknown command: bogus\n"
              "status: job running\n");
}

// The built program, driven through a pipe with the console back end.
struct ProgramFixture : ::testing::Test {
    TempDir dir;
    std::string binary = KX_BINARY_DIR "/bin/lathra";
    std::filesystem::path base = dir.path() / "base";
    std::map<std::string, std::optional<std::string>> env;

    void SetUp() override {
        if (!std::filesystem::exists(binary)) GTEST_SKIP() << "lathra is not built: " << binary;
        make_base_dir(base);
        write_file(dir.path() / "tape.ptp", "N001G01X+005000F0600\nN002G01Y+003000\nN003G01X-002000\nN004M30\nEND");
        env = {{"LATHRA_UI", "console"},
               {"JQII_BASE_DIR", base.string()},
               {"TEMP", dir.path().string()},
               {"RVK_TAPE", dir / "tape.ptp"},
               {"RVK_WRITE_TO", dir / "job.ptp"},
               {"RVK_LOG", std::nullopt},
               {"DISPLAY", ":9"}};
    }
};

TEST_F(ProgramFixture, WholeJobThroughThePipe) {
    const auto r = run_program({binary, "-Defo=" + (dir / "job")}, "speed=-30\naccel=\nnotepad=off\nstart\nn\n", env);
    EXPECT_EQ(r.exit_code, 0) << r.out;
    for (const char* part : {"speed=30\n", "accel=1\n", "[lathra]\nСоздан файл ",
                             "\tSUMX =     30.00 mm\n\tSUMY =     30.00 mm\n\tSUMZ =      0.00 mm\n",
                             "Время выполнения ->\n", "Есть ограничение на его длину?\n(y/n)\n"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n---\n" << r.out;
    EXPECT_TRUE(std::filesystem::exists(dir / "job.up"));
    EXPECT_EQ(read_file(dir / "lathra.ini"),
              "[Form]\nMethods=2\nSPEED_LIMIT=30\nFEED_MAX=1200\nACCELERATION=1\nSEQNO=0\n");
}

TEST_F(ProgramFixture, ErrorsAndTheEndOfInput) {
    // No arguments: the message and status 0, no form.
    auto r = run_program({binary}, "", env);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "[lathra -> WinMain]\nПрограмме не переданы аргументы.\n Запуск производится в Dravenholt.\n");
    // No tape: the dialog stays open; the end of input is the exit button.
    // Without a display the console is chosen even when not asked for.
    env["RVK_WRITE_TO"] = std::nullopt;
    env["LATHRA_UI"] = std::nullopt;
    env["DISPLAY"] = std::nullopt;
    r = run_program({binary, "-Defo=" + (dir / "none")}, "start\n", env);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.out.find("[Ошибка в программе lathra]\nRVK не создал ptp-файл -> TMainDialog\n " +
                         (base / "mach/auxiliary/rvk").string() + " -Defo=" + (dir / "none") + "\n"),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "lathra.ini"));
}

}  // namespace
