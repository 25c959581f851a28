// The scripted back end of the dialog port, for tests: it records every
// message and dialog that is shown, in order, and answers from queues that
// the test fills before the run.
//
// Answers:
//  - a message box with a single OK button never takes an answer from the
//    queue; it answers Ok;
//  - a question (Yes/No, OK/Cancel) takes the next entry of `answers`;
//  - an edit dialog takes the next entry of `dialog_answers`;
//  - a save-file dialog takes the next entry of `file_answers`.
// When a queue is empty the back end answers like a user who closes the
// window (No for a Yes/No question, Cancel otherwise) and counts it in
// `unanswered`, so a test can tell that its script ran out.
#pragma once

#include "lathra/engine/port.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace lathra::ui {

class ScriptedPort : public engine::DialogPort {
public:
    enum class EventKind { Message, EditDialog, SaveFile };

    struct Event {
        EventKind kind = EventKind::Message;
        engine::Message message;                     // EventKind::Message
        engine::EditDialogView dialog;               // EventKind::EditDialog
        engine::SaveFileRequest request;             // EventKind::SaveFile
        engine::Answer answer = engine::Answer::Ok;  // the answer given to a message
        engine::DialogResult result;                 // the answer given to an edit dialog
        std::optional<std::string> file;             // the answer given to a save-file dialog
    };

    engine::Answer message(const engine::Message& m) override;
    engine::DialogResult edit_dialog(const engine::EditDialogView& view) override;
    std::optional<std::string> save_file_dialog(const engine::SaveFileRequest& request) override;

    // Filling the queues.
    ScriptedPort& answer(engine::Answer a);
    ScriptedPort& dialog(engine::DialogAction action, std::string field_text = {});
    ScriptedPort& file(std::optional<std::string> path);

    // Reading what happened.
    std::vector<engine::Message> messages() const;  // every message box, in order
    std::vector<std::string> texts() const;         // their texts, in order
    std::vector<engine::EditDialogView> dialogs() const;
    void clear();

    std::vector<Event> events;
    std::deque<engine::Answer> answers;
    std::deque<engine::DialogResult> dialog_answers;
    std::deque<std::optional<std::string>> file_answers;
    int unanswered = 0;
};

}  // namespace lathra::ui
