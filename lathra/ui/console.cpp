#include "lathra/ui/console.h"

#include <istream>
#include <ostream>
#include <utility>
#include <vector>

namespace lathra::ui {
namespace {

std::string_view strip(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

// Lower case for ASCII and for the two Cyrillic capitals of "ДА".
std::string fold(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == 0xD0 && i + 1 < s.size()) {
            const auto n = static_cast<unsigned char>(s[i + 1]);
            out += static_cast<char>(0xD0);
            out += static_cast<char>(n == 0x94 ? 0xB4 : n == 0x90 ? 0xB0 : n);  // Д -> д, А -> а
            ++i;
        } else {
            out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
    }
    return out;
}

const char* check_mark(CheckState s) {
    switch (s) {
        case CheckState::Checked: return "[x] ";
        case CheckState::Grayed: return "[~] ";
        case CheckState::Unchecked: break;
    }
    return "[ ] ";
}

// The form's components as (key, line) in the order they are shown; the key
// tells which heading a line belongs under and finds changed lines.
std::vector<std::pair<std::string, std::string>> component_lines(const MainFormValues& v) {
    using namespace form_text;
    std::string machine = "  machine=" + std::to_string(v.machine);
    if (v.machine >= 0 && v.machine < static_cast<int>(kMachines.size()))
        machine += " " + std::string(kMachines[static_cast<std::size_t>(v.machine)]);
    return {
        {"machine", machine},
        {"speed", "  " + std::string(kSpeedLimitLabel) + " speed=" + v.speed_limit},
        {"feed", "  " + std::string(kFeedMaxLabel) + " feed=" + v.feed_max},
        {"accel", "  " + std::string(kALabel) + " accel=" + v.accel},
        {"h33", std::string("  ") + (v.numbering_free ? "( ) " : "(*) ") + std::string(kRadioH33)},
        {"free", std::string("  ") + (v.numbering_free ? "(*) " : "( ) ") + std::string(kRadioFree)},
        {"circle", check_mark(v.circle) + std::string(kCircle)},
        {"notepad", check_mark(v.notepad ? CheckState::Checked : CheckState::Unchecked) + std::string(kNotepad)},
        {"status", "status: " + v.status},
    };
}

}  // namespace

bool console_yes(std::string_view line) {
    const std::string a = fold(strip(line));
    return a == "y" || a == "yes" || a == "д" || a == "да";
}

std::optional<std::string> ConsoleBackend::read_line() {
    out_.flush();
    std::string line;
    if (!std::getline(in_, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

engine::Answer ConsoleBackend::message(const engine::Message& m) {
    out_ << "[" << m.caption << "]\n" << m.text << "\n";
    switch (m.buttons) {
        case engine::Buttons::Ok: out_.flush(); return engine::Answer::Ok;
        case engine::Buttons::YesNo: {
            out_ << "(y/n)\n";
            const auto line = read_line();
            return line && console_yes(*line) ? engine::Answer::Yes : engine::Answer::No;
        }
        case engine::Buttons::OkCancel: {
            out_ << "(y/n)\n";
            const auto line = read_line();
            return line && (console_yes(*line) || fold(strip(*line)) == "ok") ? engine::Answer::Ok
                                                                              : engine::Answer::Cancel;
        }
    }
    return engine::Answer::Cancel;
}

engine::DialogResult ConsoleBackend::edit_dialog(const engine::EditDialogView& view) {
    out_ << "[" << view.caption << "]\n";
    for (const auto& label : view.labels) out_ << label << "\n";
    out_ << view.field_name << ": " << view.field_text << "\n";
    const auto line = read_line();
    if (!line) return {engine::DialogAction::Cancel, view.field_text};
    return {engine::DialogAction::Ok, *line};
}

std::optional<std::string> ConsoleBackend::save_file_dialog(const engine::SaveFileRequest& request) {
    out_ << "[" << request.title << "]\n";
    const auto line = read_line();
    if (!line || strip(*line).empty()) return std::nullopt;
    return std::string(strip(*line));
}

void ConsoleBackend::print_form(const MainFormValues& v) {
    using namespace form_text;
    const auto lines = component_lines(v);
    const auto line_of = [&](const char* key) -> const std::string& {
        for (const auto& [k, text] : lines)
            if (k == key) return text;
        return lines.front().second;
    };
    out_ << "== " << kCaption << " ==\n" << kLabel4 << "\n" << line_of("machine") << "   (";
    for (std::size_t i = 0; i < kMachines.size(); ++i) out_ << (i ? ", " : "") << i << " " << kMachines[i];
    out_ << ")\n"
         << kGroupBox1 << "\n"
         << line_of("speed") << "\n"
         << line_of("feed") << "\n"
         << line_of("accel") << "\n"
         << kGroupBox2 << "\n"
         << line_of("h33") << "\n"
         << line_of("free") << "\n"
         << line_of("circle") << "\n"
         << line_of("notepad") << "\n"
         << kLabel5 << "\n"
         << "[" << kStart << "] [" << kExit << "]\n"
         << line_of("status") << "\n"
         << "commands: machine=N speed=TEXT feed=TEXT accel=TEXT numbering=h33|free "
            "circle=on|off notepad=on|off start exit\n";
    out_.flush();
    shown_ = v;
}

void ConsoleBackend::print_changes(const MainFormValues& v) {
    if (!shown_) {
        print_form(v);
        return;
    }
    if (*shown_ == v) return;
    const auto before = component_lines(*shown_);
    const auto after = component_lines(v);
    for (std::size_t i = 0; i < after.size(); ++i)
        if (after[i].second != before[i].second) out_ << after[i].second << "\n";
    out_.flush();
    shown_ = v;
}

void ConsoleBackend::refresh() {
    if (events_ != nullptr) print_changes(events_->values());
}

void ConsoleBackend::run(MainFormEvents& events) {
    events_ = &events;
    closed_ = false;
    print_form(events.values());
    while (!closed_) {
        const auto line = read_line();
        if (!line) {
            events.ExitButtonClick();  // the end of input leaves the form
            break;
        }
        if (apply_form_command(events, *line) == CommandResult::Unknown) out_ << "unknown command: " << *line << "\n";
        if (!closed_) print_changes(events.values());
    }
    events_ = nullptr;
}

}  // namespace lathra::ui
