// Splitting an over-long .up program into parts under a length limit. Each
// part passes through the re-pass; the second part is offered for splitting
// again. Its two small dialogs are in split_dialogs.h.
#pragma once

#include "lathra/engine/port.h"
#include "lathra/engine/tape_io.h"

#include <string>
#include <vector>

namespace lathra::engine {

enum class SplitStatus {
    Declined,  // no length limit wanted, or the limit dialog was cancelled
    Finished,  // "Разбивка закончена": the last part is under the limit
    Stopped,   // the user did not want (further) splitting
    Failed     // a part could not be read, written or re-passed; inputs kept
};

struct SplitOutcome {
    SplitStatus status = SplitStatus::Declined;
    std::vector<std::string> second_parts;  // the second part of each split, in order
    bool ok() const { return status != SplitStatus::Failed; }
};

class TRazbivka {
public:
    TRazbivka(std::string up_name, int SpeedLimit, int FeedMax, int A, DialogPort& port);

    // The whole dialogue: whether there is a limit, the limit, the splits.
    SplitOutcome Dialogue();
    // Splits `name` under `limit` again and again, as long as the user wants.
    SplitOutcome Split(const std::string& name);

    // The line steps of one split (the part files must be open).
    void CopyToFirstPart(const std::string& line);
    void CloseFirstPart();
    void CopyToSecondPart(const std::string& line);

    long long limit = 0;  // bytes

private:
    enum class CutResult { Done, Retry, Failed };
    CutResult cut(const std::string& name, const std::string& second);
    // Tells that the cut of `name` was not made; the inputs are as they were.
    CutResult give_up(const std::string& name);
    // The bytes a cut counts up to and including the first frame with a
    // move (the whole tape when it has none); -1 after an error (shown).
    long long bytes_through_first_move(const std::string& name);
    void reset();
    bool ask(const std::string& text);
    void tell(const std::string& caption, const std::string& text);

    std::string up_name_;
    int speed_limit_, feed_max_, acceleration_;
    DialogPort& port_;

    TapeWriter first_, second_;
    long long count_ = 0;
    bool second_started_ = false;
    bool first_move_passed_ = false;
    std::string last_f_, last_l_;
    int motion_ = 1;
    int plane_ = 0;
    long sum_x_ = 0, sum_y_ = 0, sum_z_ = 0;  // hundredths of a millimetre
    bool sums_out_of_range_ = false;
    std::string bad_sum_frame_;
    std::string length_text_ = "11800";  // what the length dialog last held
    std::vector<std::string> stop_list_;
};

// Creates the splitter on a .up program and runs its dialogue.
SplitOutcome RunSplitter(DialogPort& port, const std::string& up_name, int SpeedLimit, int FeedMax, int A);

}  // namespace lathra::engine
