// The desktop window back end: the main dialog, the message boxes and the
// two splitting dialogs as windows on the user's display.
//
// Test hook: with LATHRA_TEST_PRESS_EXIT set in the environment, the exit
// button is pressed once the main window has been drawn for the first time.
#pragma once

#include <memory>

#include "lathra/ui/main_form.h"
#include "lathra/engine/port.h"

namespace lathra::ui {

class WindowBackend final : public engine::DialogPort, public MainForm {
public:
    WindowBackend();
    ~WindowBackend() override;
    WindowBackend(const WindowBackend&) = delete;
    WindowBackend& operator=(const WindowBackend&) = delete;

    // Whether a display can be opened (checked before any window is made).
    static bool display_available();

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
    std::unique_ptr<Impl> impl_;
};

}  // namespace lathra::ui
