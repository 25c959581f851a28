// The two small dialogs of the tape splitting: the length limit and the
// name of the second part. Their logic (what the fields may hold, what is
// asked before a file is overwritten) lives here; a back end only shows them.
#pragma once

#include "lathra/engine/port.h"

#include <string>

namespace lathra::engine {

// The length-limit dialog ("Разбивка ленты"). The limit is the entered
// number of bytes minus 200.
class TLengthLimit {
public:
    explicit TLengthLimit(DialogPort& port) : port_(port) {}

    // Shows the dialog until it closes; true when it closed with OK.
    bool ShowModal();
    // Validates the field; true when the dialog closes with OK (limit set).
    bool OKButtonClick();
    void ButtonCancelClick() {}

    std::string Length = "11800";
    long long limit = 0;

private:
    DialogPort& port_;
    bool focus_ = false;
};

// The file-select dialog ("Разбивка"): the name of the second part.
class TFileSelectDialog {
public:
    explicit TFileSelectDialog(DialogPort& port) : port_(port) {}

    bool ShowModal();
    // Validates the name; true when the dialog closes with OK. An existing
    // file is only taken when the user answers Yes to overwriting it.
    bool OKButtonClick();
    void BrowseClick();

    std::string FileName;
    // Where the save-file dialog of Browse starts: the directory of the
    // program being split.
    std::string directory;

private:
    DialogPort& port_;
};

}  // namespace lathra::engine
