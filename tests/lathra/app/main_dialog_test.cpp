// The main dialog's logic: command line, field handlers, machine presets,
// settings file and the report text.
#include <gtest/gtest.h>

#include "lathra/app/command_line.h"
#include "lathra/app/main_dialog.h"
#include "lathra/app/settings.h"
#include "lathra/ui/scripted.h"
#include "lathra/ui/scripted_form.h"
#include "tests/lathra/app/test_support.h"

namespace {

using lathra::app::CommandLine;
using lathra::app::TMainDialog;
using lathra::ui::CheckState;
using lathra::ui::FormField;
using namespace lathra_test;

TEST(CommandLineTest, TapeNamesFollowTheOutputBaseElseTheJobBase) {
    struct Case {
        std::vector<std::string> argv;
        std::string param, ptp, up;
    };
    const Case cases[] = {
        {{"lathra", "-Defo=C:\\jobs\\part1", "-O:D:\\out\\p1"},
         "-Defo=C:\\jobs\\part1 -O:D:\\out\\p1",
         "D:\\out\\p1.ptp",
         "D:\\out\\p1.up"},
        {{"lathra", "-Defo:part1"}, "-Defo:part1", "part1.ptp", "part1.up"},
        {{"lathra", "-PAUSE:1", "-Defo=/jobs/a b", "-O:/out/first", "-O:/out/second"},
         "-PAUSE:1 -Defo=/jobs/a b -O:/out/first -O:/out/second",
         "/out/second.ptp",
         "/out/second.up"},
        {{"lathra", "-Defo=/jobs/a b"}, "-Defo=/jobs/a b", "/jobs/a b.ptp", "/jobs/a b.up"},
    };
    for (const auto& c : cases) {
        const CommandLine cl(c.argv);
        EXPECT_EQ(cl.param(), c.param);
        const auto names = lathra::app::tape_names(lathra::app::job_base(cl.arguments()), cl.output_base());
        EXPECT_EQ(names.ptp, c.ptp) << c.param;
        EXPECT_EQ(names.up, c.up) << c.param;
    }
    EXPECT_EQ(CommandLine(std::vector<std::string>{"/usr/bin/lathra", "-Defo:x"}).whole(), "/usr/bin/lathra -Defo:x");
    EXPECT_FALSE(CommandLine(std::vector<std::string>{"/usr/bin/lathra"}).has_arguments());
}

// A dialog on a scripted form, with its settings file in a scratch
// directory.
struct DialogFixture : ::testing::Test {
    TempDir dir;
    lathra::ui::ScriptedPort port;
    lathra::ui::ScriptedForm form{{}};
    std::filesystem::path ini = dir.path() / "lathra.ini";
    TMainDialog dialog{form, port, CommandLine(std::vector<std::string>{"lathra", "-Defo=x"}), ini};
};

TEST_F(DialogFixture, FieldHandlersMakeTheValuePositiveAndReplaceZero) {
    dialog.FormCreate();
    struct Case {
        FormField field;
        std::string typed, shown;
    };
    const Case cases[] = {
        {FormField::A, "-30", "30"},
        {FormField::A, "", "1"},
        {FormField::A, "abc", "1"},
        {FormField::SpeedLimit, "", "20"},
        {FormField::SpeedLimit, "0", "20"},
        {FormField::SpeedLimit, "  75mm", "75"},
        {FormField::FeedMax, "", "240"},
        {FormField::FeedMax, "-800", "800"},
        {FormField::FeedMax, "12000", "9999"},  // the feed code holds four digits
        {FormField::FeedMax, "99999999999999999999", "9999"},
        {FormField::SpeedLimit, "99999999999999999999", "999999999"},
        {FormField::A, "12.5", "12"},
    };
    for (const auto& c : cases) {
        lathra::ui::change_field(dialog, c.field, c.typed);
        const auto& v = dialog.values();
        const std::string& shown = c.field == FormField::A         ? v.accel
                                   : c.field == FormField::FeedMax ? v.feed_max
                                                                   : v.speed_limit;
        EXPECT_EQ(shown, c.shown) << "typed '" << c.typed << "'";
    }
}

TEST_F(DialogFixture, MachinePresetsFillTheFieldsAndCheckTheCircleBox) {
    dialog.FormCreate();
    struct Case {
        int index;
        const char *speed, *feed, *accel;
        bool free;
    };
    const Case cases[] = {
        {1, "50", "900", "5", true},     {0, "100", "1200", "50", false}, {3, "50", "1000", "5", false},
        {4, "100", "1000", "50", false}, {2, "100", "1200", "50", false},
    };
    for (const auto& c : cases) {
        dialog.circle_set(CheckState::Unchecked);
        dialog.numbering_chosen(!c.free);
        dialog.ComboBoxMachineChange(c.index);
        const auto& v = dialog.values();
        EXPECT_EQ(v.machine, c.index);
        EXPECT_EQ(v.speed_limit, c.speed) << c.index;
        EXPECT_EQ(v.feed_max, c.feed) << c.index;
        EXPECT_EQ(v.accel, c.accel) << c.index;
        EXPECT_EQ(v.numbering_free, c.free) << c.index;
        EXPECT_EQ(v.circle, CheckState::Checked) << c.index;
    }
    dialog.ComboBoxMachineChange(5);  // not in the list: nothing changes
    EXPECT_EQ(dialog.values().machine, 2);
}

TEST_F(DialogFixture, WithoutSettingsFileTheDialogOpensWithTheDefaults) {
    dialog.notepad_set(true);
    dialog.circle_set(CheckState::Unchecked);
    dialog.FormCreate();
    const auto& v = dialog.values();
    EXPECT_EQ(v.machine, 2);
    EXPECT_EQ(lathra::ui::form_text::kMachines[2], "ФП-17");
    EXPECT_EQ(v.speed_limit, "100");
    EXPECT_EQ(v.feed_max, "1200");
    EXPECT_EQ(v.accel, "50");
    EXPECT_FALSE(v.numbering_free);
    EXPECT_FALSE(v.notepad);
    EXPECT_EQ(v.circle, CheckState::Checked);
    EXPECT_EQ(v.param, "-Defo=x");
}

TEST_F(DialogFixture, SettingsAreWrittenAndReadBack) {
    ASSERT_EQ(lathra::app::SaveSettings(ini, 3, 1, 7, 950, 40), 0);
    EXPECT_EQ(read_file(ini), "[Form]\nMethods=3\nSPEED_LIMIT=40\nFEED_MAX=950\nACCELERATION=7\nSEQNO=1\n");
    lathra::app::Settings s;
    ASSERT_EQ(lathra::app::LoadSettings(ini, s), 0);
    EXPECT_EQ(s.machine, 3);
    EXPECT_EQ(s.speed_limit, 40);
    EXPECT_EQ(s.feed_max, 950);
    EXPECT_EQ(s.acceleration, 7);
    EXPECT_EQ(s.numbering, 1);
    dialog.FormCreate();
    EXPECT_EQ(dialog.values().machine, 3);
    EXPECT_EQ(dialog.values().speed_limit, "40");
    EXPECT_EQ(dialog.values().feed_max, "950");
    EXPECT_EQ(dialog.values().accel, "7");
    EXPECT_TRUE(dialog.values().numbering_free);
    // Saving again replaces the whole file.
    write_file(ini, read_file(ini) + "[Other]\nx=1\n");
    ASSERT_EQ(lathra::app::SaveSettings(ini, 0, 0, 50, 1200, 100), 0);
    EXPECT_EQ(read_file(ini).find("Other"), std::string::npos);
}

TEST_F(DialogFixture, SettingsFileValuesAreCheckedWhenLoaded) {
    write_file(ini,
               "; written by hand\n[Other]\nMethods=1\n[form]\n"
               "methods = 9\nSPEED_LIMIT=-60\nFEED_MAX=25000\nACCELERATION=fast\nSEQNO=1.7\n");
    lathra::app::Settings s;
    ASSERT_EQ(lathra::app::LoadSettings(ini, s), 0);
    EXPECT_EQ(s.machine, 2);        // not a list entry: the default
    EXPECT_EQ(s.feed_max, 9999);    // held to what a feed code can carry
    EXPECT_EQ(s.acceleration, 50);  // not a number: the default
    EXPECT_EQ(s.numbering, 1);      // truncated
    dialog.FormCreate();
    EXPECT_EQ(dialog.values().speed_limit, "60");  // the field's handler makes it positive
    EXPECT_EQ(dialog.values().feed_max, "9999");
    EXPECT_TRUE(dialog.values().numbering_free);
}

TEST(SettingsTest, MissingOrUnwritableFileGivesMinusOne) {
    TempDir dir;
    lathra::app::Settings s;
    s.machine = 4;
    EXPECT_EQ(lathra::app::LoadSettings(dir / "none.ini", s), -1);
    EXPECT_EQ(s.machine, 2);
    EXPECT_EQ(lathra::app::SaveSettings(dir.path() / "no/such/dir/x.ini", 0, 0, 1, 1, 1), -1);
}

TEST(SettingsTest, FileLivesInTempElseTmpdirElseTmp) {
    {
        ScopedEnv t("TEMP", "/work/t1"), d("TMPDIR", "/work/t2");
        EXPECT_EQ(lathra::app::settings_file_path("lathra"), "/work/t1/lathra.ini");
    }
    {
        ScopedEnv t("TEMP", std::nullopt), d("TMPDIR", "/work/t2");
        EXPECT_EQ(lathra::app::settings_file_path("lathra"), "/work/t2/lathra.ini");
    }
    {
        ScopedEnv t("TEMP", ""), d("TMPDIR", std::nullopt);
        EXPECT_EQ(lathra::app::settings_file_path("lathra2"), "/tmp/lathra2.ini");
    }
}

TEST(ReportTest, TimeInSecondsMinutesAndHours) {
    const std::string head =
        "Создан файл /out/p1.up \nКонтрольные суммы:\n\tSUMX =    -12.50 mm\n"
        "\tSUMY =      0.00 mm\n\tSUMZ =   1234.57 mm\n";
    EXPECT_EQ(lathra::app::job_report("/out/p1.up", -12.5, 0, 1234.567, 3725),
              head + "\nВремя выполнения ->\n       3725 секунд = 62.08 минут = [ 1 ч 2.1 мин ]");
    EXPECT_EQ(lathra::app::job_report("/out/p1.up", -12.5, 0, 1234.567, 62),
              head + "\nВремя выполнения ->\n         62 секунд = 1.03 минут");
    EXPECT_EQ(lathra::app::job_report("/out/p1.up", -12.5, 0, 1234.567, 0),
              head + "\nВремя выполнения ->\n          0 секунд = 0.00 минут");
}

TEST(ReportTest, HugeTimesAndSumsNearZero) {
    // Hours beyond any 32-bit count print whole; sums that round to zero
    // print without a sign.
    const std::string head =
        "Создан файл /out/p1.up \nКонтрольные суммы:\n\tSUMX =      0.00 mm\n"
        "\tSUMY =      0.00 mm\n\tSUMZ =     -0.01 mm\n";
    EXPECT_EQ(lathra::app::job_report("/out/p1.up", -0.004, -1e-17, -0.0051, 4e11),
              head + "\nВремя выполнения ->\n 400000000000 секунд = 6666666666.67 минут = [ 111111111 ч 6.7 мин ]");
    const std::string far = lathra::app::job_report("/out/p1.up", 0, 0, 0, 1e20);
    EXPECT_NE(far.find(" ч "), std::string::npos) << far;
    EXPECT_EQ(far.find("[ -"), std::string::npos) << far;  // no hours wrapped below zero
}

}  // namespace
