// The console back end: messages on standard output, answers and commands
// read from standard input, one a line, so that scripts can drive lathra.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "lathra/ui/main_form.h"
#include "lathra/engine/port.h"

namespace lathra::ui {

class ConsoleBackend final : public engine::DialogPort, public MainForm {
public:
    ConsoleBackend(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

    // engine::DialogPort
    engine::Answer message(const engine::Message& m) override;
    engine::DialogResult edit_dialog(const engine::EditDialogView& view) override;
    std::optional<std::string> save_file_dialog(const engine::SaveFileRequest& request) override;

    // MainForm
    void run(MainFormEvents& events) override;
    void refresh() override;
    void close() override { closed_ = true; }

private:
    std::optional<std::string> read_line();
    void print_form(const MainFormValues& v);
    void print_changes(const MainFormValues& v);

    std::istream& in_;
    std::ostream& out_;
    MainFormEvents* events_ = nullptr;
    std::optional<MainFormValues> shown_;  // what the console last printed
    bool closed_ = false;
};

// True for the answers that mean yes: y, yes, д, да in any case.
bool console_yes(std::string_view line);

}  // namespace lathra::ui
