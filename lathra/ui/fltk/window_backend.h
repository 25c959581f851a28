// The desktop window back end: the main dialog, the message boxes and the
// two splitting dialogs as windows on the user's display.
//
// Test hook: with LATHRA_TEST_PRESS_EXIT set in the environment, the exit
// button is pressed once the main window has been drawn for the first time;
// set to "browse", the desktop chooser of the file-select dialog is opened
// and closed with Escape first.
#pragma once

#include <memory>

#include "lathra/ui/main_form.h"
#include "lathra/engine/port.h"

namespace lathra::ui {

class WindowBackend final : public engine::DialogPort, public MainForm {
public:
    // Opens the user's display and hands that one connection to the
    // toolkit, which never opens one of its own; nothing when the display
    // cannot be opened (the program then speaks on the console).
    static std::unique_ptr<WindowBackend> open();
    ~WindowBackend() override;
    WindowBackend(const WindowBackend&) = delete;
    WindowBackend& operator=(const WindowBackend&) = delete;

    // engine::DialogPort
    engine::Answer message(const engine::Message& m) override;
    engine::DialogResult edit_dialog(const engine::EditDialogView& view) override;
    std::optional<std::string> save_file_dialog(const engine::SaveFileRequest& request) override;

    // MainForm
    void run(MainFormEvents& events) override;
    void refresh() override;
    void close() override;

    struct Impl;

private:
    WindowBackend();
    std::unique_ptr<Impl> impl_;
};

}  // namespace lathra::ui
