// The dialog port: everything the tape engine needs to show to the user or
// ask of the user goes through this interface. The engine fills in every
// caption, text, label and button caption; a back end only renders what it
// is given and reads the user's answer back. Validation of what the user
// typed lives in the engine, not in the back ends.
//
// Back ends: the desktop window, the console and the scripted one for tests
// (lathra/ui/). The engine owns this port and includes nothing of the
// back ends; the main form has a port of its own (lathra/ui/main_form.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lathra::engine {

// Button sets of a message box.
enum class Buttons {
    Ok,       // a single "OK" button
    YesNo,    // a question: "Yes" and "No"
    OkCancel  // "OK" and "Cancel"
};

// What the user answered. A box closed without pressing a button (window
// closed, end of input on the console) answers Cancel.
enum class Answer { Ok, Yes, No, Cancel };

// The kind of a message dialog; back ends may pick an icon from it.
enum class MessageKind {
    Plain,  // an ordinary message box with the given caption
    Information,
    Confirmation,  // a question or a report shown as a confirmation dialog
    Warning,
    Error
};

struct Message {
    std::string caption;
    std::string text;  // may hold line ends and tabs; shown as it stands
    Buttons buttons = Buttons::Ok;
    MessageKind kind = MessageKind::Plain;
};

// The small dialogs with one edit field.
enum class DialogId {
    LengthLimit,  // "Разбивка ленты": the length limit of a tape in bytes
    FileSelect    // "Разбивка": the name of the second part of a split tape
};

// A button press in an edit dialog. Browse only exists in the file-select
// dialog. Closing the dialog any other way answers Cancel.
enum class DialogAction { Ok, Cancel, Browse };

struct EditDialogView {
    DialogId id = DialogId::LengthLimit;
    std::string caption;
    std::vector<std::string> labels;   // label texts, top to bottom
    std::string field_name;            // "Length" or "FileName"
    std::string field_text;            // the field's current text
    std::vector<std::string> buttons;  // button captions, in order
    bool focus_field = false;          // focus the field (after a refused entry)
};

struct DialogResult {
    DialogAction action = DialogAction::Cancel;
    std::string field_text;  // the field's text when the button was pressed
};

// A "save file" dialog started from the file-select dialog's Browse button.
struct SaveFileRequest {
    std::string title;
    std::string default_ext;        // without the dot
    std::string filter;             // "description|pattern|description|pattern..."
    std::string initial_name;       // the name currently in the field
    std::string initial_directory;  // where the dialog starts
    bool hide_read_only = true;
    bool path_must_exist = true;
    bool file_must_exist = true;
    bool resizable = true;
};

class DialogPort {
public:
    virtual ~DialogPort() = default;

    // Shows a message box and returns the answer. For Buttons::Ok the answer
    // is Ok (or Cancel when the box was closed otherwise).
    virtual Answer message(const Message& m) = 0;

    // Shows an edit dialog in the state described by `view` and returns when
    // the user pressed a button or closed it. The engine decides what follows
    // (validation messages, showing the dialog again, closing it).
    virtual DialogResult edit_dialog(const EditDialogView& view) = 0;

    // The save-file dialog: the full path of the chosen file, or nothing when
    // the user cancelled.
    virtual std::optional<std::string> save_file_dialog(const SaveFileRequest& request) = 0;
};

// Shorthand for the engine and the app: a message box from its parts.
inline Answer show_message(DialogPort& port, std::string caption, std::string text, Buttons buttons = Buttons::Ok,
                           MessageKind kind = MessageKind::Plain) {
    return port.message(Message{std::move(caption), std::move(text), buttons, kind});
}

}  // namespace lathra::engine
