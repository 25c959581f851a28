// The plain-line command protocol shared by the console back end and the
// scripted form of the tests.
#include "lathra/ui/main_form.h"

#include <cctype>

namespace lathra::ui {
namespace {

std::string lower_ascii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
    return s;
}

// on|off for the check boxes; returns false for anything else.
bool parse_switch(std::string_view v, bool& on) {
    const std::string l = lower_ascii(v);
    if (l == "on") {
        on = true;
        return true;
    }
    if (l == "off") {
        on = false;
        return true;
    }
    return false;
}

}  // namespace

void change_field(MainFormEvents& events, FormField field, std::string text) {
    switch (field) {
        case FormField::SpeedLimit: events.SpeedLimitFieldChange(std::move(text)); break;
        case FormField::FeedMax: events.FeedMaxFieldChange(std::move(text)); break;
        case FormField::A: events.AFieldChange(std::move(text)); break;
    }
}

CommandResult apply_form_command(MainFormEvents& events, std::string_view raw) {
    const std::string_view line = trim(raw);
    const std::string word = lower_ascii(line);
    if (word.empty() || word == "start") {
        events.StartButtonClick();
        return CommandResult::Handled;
    }
    if (word == "exit") {
        events.ExitButtonClick();
        return CommandResult::Handled;
    }
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return CommandResult::Unknown;
    const std::string key = lower_ascii(line.substr(0, eq));
    const std::string_view value = line.substr(eq + 1);

    if (key == "machine") {
        if (value.size() != 1 || value[0] < '0' || value[0] >= '0' + static_cast<int>(form_text::kMachines.size()))
            return CommandResult::Unknown;
        events.ComboBoxMachineChange(value[0] - '0');
        return CommandResult::Handled;
    }
    if (key == "speed" || key == "feed" || key == "accel") {
        const FormField f = key == "speed" ? FormField::SpeedLimit : key == "feed" ? FormField::FeedMax : FormField::A;
        change_field(events, f, std::string(value));
        return CommandResult::Handled;
    }
    if (key == "numbering") {
        const std::string v = lower_ascii(value);
        if (v != "h33" && v != "free") return CommandResult::Unknown;
        events.numbering_chosen(v == "free");
        return CommandResult::Handled;
    }
    bool on = false;
    if (key == "circle" && parse_switch(value, on)) {
        events.circle_set(on ? CheckState::Checked : CheckState::Unchecked);
        return CommandResult::Handled;
    }
    if (key == "notepad" && parse_switch(value, on)) {
        events.notepad_set(on);
        return CommandResult::Handled;
    }
    return CommandResult::Unknown;
}

}  // namespace lathra::ui
