#include "lathra/ui/scripted_form.h"

namespace lathra::ui {

void ScriptedForm::run(MainFormEvents& events) {
    events_ = &events;
    closed_ = false;
    shown_.push_back(events.values());
    while (!closed_) {
        if (played_ == commands_.size()) {
            events.ExitButtonClick();
            break;
        }
        const std::string& cmd = commands_[played_++];
        if (apply_form_command(events, cmd) == CommandResult::Unknown) unknown_.push_back(cmd);
    }
    events_ = nullptr;
}

void ScriptedForm::refresh() {
    if (events_ != nullptr) shown_.push_back(events_->values());
}

}  // namespace lathra::ui
