// A main form for tests: it plays a list of commands of the plain-line
// protocol (see apply_form_command) and records what it was asked to show.
#pragma once

#include <string>
#include <vector>

#include "lathra/ui/main_form.h"

namespace lathra::ui {

class ScriptedForm final : public MainForm {
public:
    explicit ScriptedForm(std::vector<std::string> commands) : commands_(std::move(commands)) {}

    // Plays the commands in order until the form is closed; when they run
    // out, the exit button is pressed (like the end of input on the console).
    void run(MainFormEvents& events) override;
    void refresh() override;
    void close() override { closed_ = true; }

    // The values when run() began, and after every refresh.
    const std::vector<MainFormValues>& shown() const { return shown_; }
    // Commands the protocol did not know.
    const std::vector<std::string>& unknown() const { return unknown_; }
    // How many commands were played.
    std::size_t played() const { return played_; }
    bool closed() const { return closed_; }

private:
    std::vector<std::string> commands_;
    std::vector<MainFormValues> shown_;
    std::vector<std::string> unknown_;
    MainFormEvents* events_ = nullptr;
    std::size_t played_ = 0;
    bool closed_ = false;
};

}  // namespace lathra::ui
