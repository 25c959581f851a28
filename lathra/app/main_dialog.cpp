#include "lathra/app/main_dialog.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <utility>

#include "lathra/app/job.h"
#include "lathra/app/platform.h"
#include "lathra/app/settings.h"
#include "lathra/engine/text_format.h"

namespace lathra::app {

using engine::format;

namespace {

constexpr int kFieldSaturation = 999999999;

}  // namespace

int field_integer(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kFieldSaturation) value = kFieldSaturation;
    }
    return static_cast<int>(negative ? -value : value);
}

std::string normalized_field(ui::FormField field, std::string_view text) {
    int v = std::abs(field_integer(text));
    if (v == 0) {
        switch (field) {
            case ui::FormField::SpeedLimit: v = 20; break;
            case ui::FormField::FeedMax: v = 240; break;
            case ui::FormField::A: v = 1; break;
        }
    }
    if (field == ui::FormField::FeedMax && v > kFeedMaxLimit) v = kFeedMaxLimit;
    return std::to_string(v);
}

std::string job_report(const std::string& up_name, double sum_x, double sum_y, double sum_z, double seconds) {
    std::string out = format(
        "Создан файл %s \nКонтрольные суммы:\n\tSUMX =%10.2f mm\n\tSUMY =%10.2f mm\n\tSUMZ =%10.2f mm\n",
        up_name.c_str(), engine::checksum_shown(sum_x), engine::checksum_shown(sum_y), engine::checksum_shown(sum_z));
    // The hours are a whole number kept as a double: any time a tape can
    // give fits, and prints as "%d" would print it.
    const double t = seconds;
    const double m = t / 60;
    const double h = std::trunc(std::trunc(m) / 60);
    const double r = (m / 60 - h) * 60;
    if (h != 0) out += format("\nВремя выполнения ->\n %10.0f секунд = %.2f минут = [ %.0f ч %.1f мин ]", t, m, h, r);
    else out += format("\nВремя выполнения ->\n %10.0f секунд = %.2f минут", t, t / 60);
    return out;
}

TMainDialog::TMainDialog(ui::MainForm& form, engine::DialogPort& dialogs, CommandLine command_line,
                         std::filesystem::path settings_file)
    : form_(form), dialogs_(dialogs), command_line_(std::move(command_line)), settings_file_(std::move(settings_file)) {
    v_.param = command_line_.param();
}

void TMainDialog::FormCreate() {
    Settings s;
    if (LoadSettings(settings_file_, s) != 0) s = Settings{};
    v_.machine = s.machine;
    set_field(ui::FormField::SpeedLimit, real_text(s.speed_limit));
    set_field(ui::FormField::FeedMax, real_text(s.feed_max));
    set_field(ui::FormField::A, real_text(s.acceleration));
    v_.numbering_free = s.numbering != 0;
    v_.notepad = false;
    v_.circle = ui::CheckState::Checked;
}

// Setting a field's text runs its change handler, as typing does.
void TMainDialog::set_field(ui::FormField field, std::string_view text) {
    std::string& target = field == ui::FormField::SpeedLimit ? v_.speed_limit
                          : field == ui::FormField::FeedMax  ? v_.feed_max
                                                             : v_.accel;
    target = normalized_field(field, text);
}

void TMainDialog::apply_preset(int index) {
    const MachinePreset& p = kMachinePresets[static_cast<std::size_t>(index)];
    set_field(ui::FormField::SpeedLimit, std::to_string(p.speed_limit));
    set_field(ui::FormField::FeedMax, std::to_string(p.feed_max));
    set_field(ui::FormField::A, std::to_string(p.acceleration));
    v_.numbering_free = p.free_numbering;
    v_.circle = ui::CheckState::Checked;
}

void TMainDialog::ComboBoxMachineChange(int index) {
    if (index < 0 || index >= static_cast<int>(kMachinePresets.size())) return;
    v_.machine = index;
    apply_preset(index);
}

void TMainDialog::SpeedLimitFieldChange(std::string text) { set_field(ui::FormField::SpeedLimit, text); }

void TMainDialog::FeedMaxFieldChange(std::string text) { set_field(ui::FormField::FeedMax, text); }

void TMainDialog::AFieldChange(std::string text) { set_field(ui::FormField::A, text); }

void TMainDialog::numbering_chosen(bool free) { v_.numbering_free = free; }

void TMainDialog::circle_set(ui::CheckState state) { v_.circle = state; }

void TMainDialog::notepad_set(bool on) { v_.notepad = on; }

void TMainDialog::set_status(std::string text) {
    v_.status = std::move(text);
    form_.refresh();
}

void TMainDialog::end_program(int status) {
    ended_ = true;
    exit_code_ = status;
    form_.close();
}

void TMainDialog::ExitButtonClick() { end_program(kExitOk); }

void TMainDialog::Image1DblClick() {
    engine::show_message(dialogs_, std::string(text::kAboutCaption),
                         "lathra\n"
                         "Постпроцессор для станков с УЧПУ Н33\n\n"
                         "Перевод ptp-ленты в управляющую программу Н33:\n"
                         "нумерация кадров, коды подач, торможение перед реверсом,\n"
                         "на углах и окружностях, контрольные суммы,\n"
                         "время обработки и разбивка ленты на части.",
                         engine::Buttons::Ok, engine::MessageKind::Information);
}

void TMainDialog::StartButtonClick() {
    // Nothing to do without arguments.
    if (!command_line_.has_arguments()) {
        engine::show_message(dialogs_, std::string(text::kLathra),
                             std::string(text::kFewParameters) + command_line_.whole());
        end_program(kExitOk);
        return;
    }
    // The output base, when one is given.
    const auto output_base = command_line_.output_base();
    // The job must name its base.
    if (v_.param.find("-Defo") == std::string::npos) {
        engine::show_message(dialogs_, std::string(text::kErrorCaption), std::string(text::kNoDefo),
                             engine::Buttons::Ok, engine::MessageKind::Error);
        return;
    }
    // The job base.
    const std::string base = job_base(command_line_.arguments());
    // The tape names.
    const TapeNames tapes = tape_names(base, output_base);
    // The CAD postprocessor tool writes the .ptp tape; wait for it.
    const std::string tool = rvk_path(machine_environment("JQII_BASE_DIR"));
    const std::string command = tool + " " + v_.param;
    set_status(command);
    const ProgramEnd tool_end = run_and_wait(tool, command_line_.arguments());
    // A tool that ran and failed ends the job: whatever tape is there, it
    // is not one the tool finished.
    if (tool_end.started && !tool_end.succeeded()) {
        const std::string how = tool_end.signalled ? format("RVK прерван сигналом %d", tool_end.code)
                                                   : format("RVK завершился с ошибкой (код %d)", tool_end.code);
        engine::show_message(dialogs_, std::string(text::kErrorCaption), how + " -> TMainDialog\n " + command,
                             engine::Buttons::Ok, engine::MessageKind::Error);
        end_program(kExitFailed);  // the settings are not saved
        return;
    }
    set_status(tapes.ptp);
    // The tool must have left the tape. A tool that could not be started
    // wrote nothing, whatever an earlier run may have left under that name.
    if (!tool_end.started || !std::ifstream(tapes.ptp)) {
        engine::show_message(dialogs_, std::string(text::kErrorCaption), std::string(text::kNoPtp) + command,
                             engine::Buttons::Ok, engine::MessageKind::Error);
        return;
    }
    // Conversion, report, viewer, splitting.
    JobSettings job;
    job.machine = v_.machine;
    job.speed_limit = field_integer(v_.speed_limit);
    job.feed_max = field_integer(v_.feed_max);
    job.acceleration = field_integer(v_.accel);
    job.free_numbering = v_.numbering_free;
    job.circle_slowdown = v_.circle != ui::CheckState::Unchecked;
    job.notepad = v_.notepad;
    const int status = run_job(dialogs_, tapes, job);
    if (status != kExitOk) {
        end_program(status);  // the settings are not saved
        return;
    }
    // Keep the settings and end.
    SaveSettings(settings_file_, v_.machine, job.free_numbering ? 1 : 0, job.acceleration, job.feed_max,
                 job.speed_limit);
    end_program(kExitOk);
}

int run_program(const CommandLine& command_line, ui::MainForm& form, engine::DialogPort& dialogs,
                const std::filesystem::path& settings_file) {
    if (!command_line.has_arguments()) {
        engine::show_message(dialogs, std::string(text::kNoArgumentsCaption), std::string(text::kNoArguments));
        return kExitOk;
    }
    TMainDialog dialog(form, dialogs, command_line, settings_file);
    dialog.FormCreate();
    form.run(dialog);
    return dialog.exit_code();
}

}  // namespace lathra::app
