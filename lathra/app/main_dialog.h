// TMainDialog: the logic of lathra's main dialog. It owns the values of the
// form's components, answers the form's events, keeps the settings file and
// runs the whole job when the start button is pressed.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "lathra/app/command_line.h"
#include "lathra/ui/main_form.h"
#include "lathra/engine/port.h"

namespace lathra::app {

// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // an error ended the job (braking, files, re-pass)

// Recommended values of a machine model, applied when the list's choice
// changes.
struct MachinePreset {
    int speed_limit;   // mm/min
    int feed_max;      // mm/min
    int acceleration;  // mm/s²
    bool free_numbering;
};
inline constexpr std::array<MachinePreset, 5> kMachinePresets = {{
    {100, 1200, 50, false},  // "NONE"
    {50, 900, 5, true},      // "ФП-9"
    {100, 1200, 50, false},  // "ФП-17"
    {50, 1000, 5, false},    // "6М13СМН"
    {100, 1000, 50, false},  // "MA655A2"
}};

// A field's text as a decimal integer: leading blanks, a sign and the
// leading digits; no digits give 0. Saturates far below the int range.
int field_integer(std::string_view text);

// What a braking field's change handler writes back: the value made
// positive, 0 replaced by the field's default (20, 240, 1), FeedMax at most
// kFeedMaxLimit.
std::string normalized_field(ui::FormField field, std::string_view text);

// The report shown after the conversion: the .up name, the checksums in mm
// and the machining time in seconds.
std::string job_report(const std::string& up_name, double sum_x, double sum_y, double sum_z, double seconds);

class TMainDialog final : public ui::MainFormEvents {
public:
    TMainDialog(ui::MainForm& form, engine::DialogPort& dialogs, CommandLine command_line,
                std::filesystem::path settings_file);

    // Loads the settings (or the defaults) into the components.
    void FormCreate();

    // ui::MainFormEvents
    const ui::MainFormValues& values() const override { return v_; }
    void ComboBoxMachineChange(int index) override;
    void SpeedLimitFieldChange(std::string text) override;
    void FeedMaxFieldChange(std::string text) override;
    void AFieldChange(std::string text) override;
    void numbering_chosen(bool free) override;
    void circle_set(ui::CheckState state) override;
    void notepad_set(bool on) override;
    void StartButtonClick() override;
    void ExitButtonClick() override;
    void Image1DblClick() override;

    // Set when the program is to end, with the exit status.
    bool ended() const { return ended_; }
    int exit_code() const { return exit_code_; }

private:
    void end_program(int status);
    void set_status(std::string text);
    void set_field(ui::FormField field, std::string_view text);
    void apply_preset(int index);

    ui::MainForm& form_;
    engine::DialogPort& dialogs_;
    CommandLine command_line_;
    std::filesystem::path settings_file_;
    ui::MainFormValues v_;
    bool ended_ = false;
    int exit_code_ = kExitOk;
};

// The program: refuses to start without arguments, else creates the main
// dialog and runs the form until the job or the exit button ends it.
// Returns the exit status.
int run_program(const CommandLine& command_line, ui::MainForm& form, engine::DialogPort& dialogs,
                const std::filesystem::path& settings_file);

// Texts of the program's own messages.
namespace text {
inline constexpr std::string_view kNoArgumentsCaption = "lathra -> WinMain";
inline constexpr std::string_view kNoArguments = "Программе не переданы аргументы.\n Запуск производится в Dravenholt.";
inline constexpr std::string_view kFewParameters = "Мало параметров  \n";
inline constexpr std::string_view kLathra = "lathra";
inline constexpr std::string_view kErrorCaption = "Ошибка в программе lathra";
inline constexpr std::string_view kNoDefo = "Неверная командная строка: нет \"-Defo= (v.18) или  -Defo: (v.19)\"";
inline constexpr std::string_view kNoPtp = "RVK не создал ptp-файл -> TMainDialog\n ";
inline constexpr std::string_view kAboutCaption = "О программе 'lathra' .....";
}  // namespace text

}  // namespace lathra::app
