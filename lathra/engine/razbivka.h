// Splitting an over-long .up program into parts under a length limit, with
// its two small dialogs. Each part passes through the re-pass; the second
// part is offered for splitting again.
#pragma once

#include "lathra/engine/tape_io.h"
#include "lathra/ui/port.h"

#include <string>
#include <vector>

namespace lathra::engine {

// The length-limit dialog ("Разбивка ленты"). The limit is the entered
// number of bytes minus 200.
class TLengthLimit {
public:
    explicit TLengthLimit(ui::DialogPort& port) : port_(port) {}

    // Shows the dialog until it closes; true when it closed with OK.
    bool ShowModal();
    // Validates the field; true when the dialog closes with OK (limit set).
    bool OKButtonClick();
    void ButtonCancelClick() {}

    std::string Length = "11800";
    long long limit = 0;

private:
    ui::DialogPort& port_;
    bool focus_ = false;
};

// The file-select dialog ("Разбивка"): the name of the second part.
class TFileSelectDialog {
public:
    explicit TFileSelectDialog(ui::DialogPort& port) : port_(port) {}

    bool ShowModal();
    // Validates the name; true when the dialog closes with OK. An existing
    // file is only taken when the user answers Yes to overwriting it.
    bool OKButtonClick();
    void BrowseClick();

    std::string FileName;

private:
    ui::DialogPort& port_;
};

enum class SplitStatus {
    Declined,  // no length limit wanted, or the limit dialog was cancelled
    Finished,  // "Разбивка закончена": the last part is under the limit
    Stopped,   // the user did not want (further) splitting
    Failed     // a part could not be read, written or re-passed; inputs kept
};

struct SplitOutcome {
    SplitStatus status = SplitStatus::Declined;
    std::vector<std::string> second_parts; // the second part of each split, in order
    bool ok() const { return status != SplitStatus::Failed; }
};

class TRazbivka {
public:
    TRazbivka(std::string up_name, int SpeedLimit, int FeedMax, int A, ui::DialogPort& port);

    // The whole dialogue: whether there is a limit, the limit, the splits.
    SplitOutcome Dialogue();
    // Splits `name` under `limit` again and again, as long as the user wants.
    SplitOutcome Split(const std::string& name);

    // The line steps of one split (the part files must be open).
    void CopyToFirstPart(const std::string& line);
    void CloseFirstPart();
    void CopyToSecondPart(const std::string& line);

    long long limit = 0; // bytes

private:
    enum class CutResult { Done, Retry, Failed };
    CutResult cut(const std::string& name, const std::string& second);
    void reset();
    bool ask(const std::string& text);
    void tell(const std::string& caption, const std::string& text);

    std::string up_name_;
    int speed_limit_, feed_max_, a_;
    ui::DialogPort& port_;

    TapeWriter first_, second_;
    long long count_ = 0;
    bool second_started_ = false;
    bool first_move_passed_ = false;
    std::string last_f_, last_l_;
    int motion_ = 1;
    int plane_ = 0;
    long sum_x_ = 0, sum_y_ = 0, sum_z_ = 0; // hundredths of a millimetre
    std::vector<std::string> stop_list_;
};

// Creates the splitter on a .up program and runs its dialogue.
SplitOutcome RunSplitter(ui::DialogPort& port, const std::string& up_name, int SpeedLimit,
                         int FeedMax, int A);

} // namespace lathra::engine
