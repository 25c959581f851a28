#include "lathra/ui/scripted.h"

#include <utility>

namespace lathra::ui {

engine::Answer ScriptedPort::message(const engine::Message& m) {
    Event e;
    e.kind = EventKind::Message;
    e.message = m;
    if (m.buttons == engine::Buttons::Ok) {
        e.answer = engine::Answer::Ok;
    } else if (!answers.empty()) {
        e.answer = answers.front();
        answers.pop_front();
    } else {
        ++unanswered;
        e.answer = m.buttons == engine::Buttons::YesNo ? engine::Answer::No : engine::Answer::Cancel;
    }
    events.push_back(e);
    return e.answer;
}

engine::DialogResult ScriptedPort::edit_dialog(const engine::EditDialogView& view) {
    Event e;
    e.kind = EventKind::EditDialog;
    e.dialog = view;
    if (!dialog_answers.empty()) {
        e.result = dialog_answers.front();
        dialog_answers.pop_front();
    } else {
        ++unanswered;
        e.result = engine::DialogResult{engine::DialogAction::Cancel, view.field_text};
    }
    events.push_back(e);
    return e.result;
}

std::optional<std::string> ScriptedPort::save_file_dialog(const engine::SaveFileRequest& request) {
    Event e;
    e.kind = EventKind::SaveFile;
    e.request = request;
    if (!file_answers.empty()) {
        e.file = file_answers.front();
        file_answers.pop_front();
    } else {
        ++unanswered;
    }
    events.push_back(e);
    return e.file;
}

ScriptedPort& ScriptedPort::answer(engine::Answer a) {
    answers.push_back(a);
    return *this;
}

ScriptedPort& ScriptedPort::dialog(engine::DialogAction action, std::string field_text) {
    dialog_answers.push_back(engine::DialogResult{action, std::move(field_text)});
    return *this;
}

ScriptedPort& ScriptedPort::file(std::optional<std::string> path) {
    file_answers.push_back(std::move(path));
    return *this;
}

std::vector<engine::Message> ScriptedPort::messages() const {
    std::vector<engine::Message> out;
    for (const Event& e : events)
        if (e.kind == EventKind::Message) out.push_back(e.message);
    return out;
}

std::vector<std::string> ScriptedPort::texts() const {
    std::vector<std::string> out;
    for (const Event& e : events)
        if (e.kind == EventKind::Message) out.push_back(e.message.text);
    return out;
}

std::vector<engine::EditDialogView> ScriptedPort::dialogs() const {
    std::vector<engine::EditDialogView> out;
    for (const Event& e : events)
        if (e.kind == EventKind::EditDialog) out.push_back(e.dialog);
    return out;
}

void ScriptedPort::clear() {
    events.clear();
    answers.clear();
    dialog_answers.clear();
    file_answers.clear();
    unanswered = 0;
}

}  // namespace lathra::ui
