// lathra: the postprocessor for machine tools with H33 controls. Started by
// the CAD system with the job on its command line.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <string_view>

#include "lathra/app/command_line.h"
#include "lathra/app/main_dialog.h"
#include "lathra/app/platform.h"
#include "lathra/app/settings.h"
#include "lathra/ui/console.h"
#ifdef LATHRA_WITH_FLTK
#include "lathra/ui/fltk/window_backend.h"
#endif

namespace {

// The console when asked for (LATHRA_UI=console) or when there is no
// display; the desktop window otherwise, when this build has one and the
// display can be opened.
bool want_console() {
    const char* ui = std::getenv("LATHRA_UI");
    if (ui != nullptr && std::string_view(ui) == "console") return true;
    const char* display = std::getenv("DISPLAY");
    return display == nullptr || *display == '\0';
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lathra;
    const app::CommandLine command_line(argc, argv);
    const auto settings_file = app::settings_file_path(app::executable_name(argc > 0 ? argv[0] : nullptr));
    try {
#ifdef LATHRA_WITH_FLTK
        if (!want_console()) {
            if (const auto window = ui::WindowBackend::open())
                return app::run_program(command_line, *window, *window, settings_file);
        }
#else
        (void)want_console;
#endif
        ui::ConsoleBackend console(std::cin, std::cout);
        return app::run_program(command_line, console, console, settings_file);
    } catch (const std::exception& e) {
        // The application's last resort: show what went wrong and stop.
        std::cerr << "lathra: " << e.what() << "\n";
        return app::kExitFailed;
    }
}
